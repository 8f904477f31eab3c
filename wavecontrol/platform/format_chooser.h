// The codec manager's format chooser: one modal Qt dialog that lists the drivers' format tags and,
// for the chosen tag, their formats. It serves both the conversion target and the record format.
#pragma once
#include "platform/codecs/codec.h"

#include <QString>

class QWidget;

namespace tonwell {

struct FormatChoice {
    WaveFormat format;   // the chosen record, extra bytes included
    QString tag;         // the tag's name ("GSM 6.10")
    QString attributes;  // the format's details ("8.000 kHz, Mono")
};

enum class ChooseResult { Chosen, Canceled, Failed };

// Shows the chooser over `owner` (null: no owner) with `title`, listing the formats of `use`.
// It starts on `initial` when that is one of them (else on the first format). Failed when no
// widget application runs, or the chosen record is larger than `maxFormatSize`.
ChooseResult chooseFormat(QWidget* owner, const QString& title, FormatUse use, const WaveFormat* initial,
                          std::size_t maxFormatSize, FormatChoice* choice);

// The widget a host's window handle names (a top-level widget's winId), or null.
QWidget* widgetForHandle(std::int64_t handle);

}  // namespace tonwell

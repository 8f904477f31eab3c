#include "Gallery.h"

#include "KnobixHost.h"

#include <QApplication>
#include <QGridLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QVBoxLayout>
#include <QWidget>
#include <cstdio>
#include <vector>

namespace knobixhost {

using namespace component;

namespace {

struct Sample {
    const char* caption;
    std::int32_t backColor;
    std::int32_t foreColor;  // -1: the control's own
    int widthTwips, heightTwips;
    int light, roundness3D, roundSize;
    bool createRegion = true;
    bool enabled = true;
    const char* extender = nullptr;  // "Default" or "Cancel"
};

const Sample kSamples[] = {
    {"&Dial", std::int32_t(0x8000000F), -1, 1215, 495, 45, 20, 20},
    {"&Hang up", 0x002020C0, 0x00FFFFFF, 1215, 495, 45, 20, 20},
    {"&Answer", 0x0030A030, 0x00FFFFFF, 1215, 495, 45, 20, 20},
    {"&Transfer", 0x00C07030, 0x00FFFFFF, 1800, 600, 60, 30, 30},
    {"Default (Enter)", 0x00A0A0A0, -1, 2400, 495, 45, 20, 20, true, true, "Default"},
    {"Cancel (Esc)", 0x00606060, 0x00FFFFFF, 2400, 495, 45, 20, 20, true, true, "Cancel"},
    {"Square", 0x0000A0E0, -1, 1500, 600, 45, 20, 0},
    {"No region", 0x00E0A000, -1, 1500, 600, 45, 20, 20, false},
    {"Flat (Light 0)", 0x00C0C0C0, -1, 1500, 600, 0, 20, 20},
    {"Deep (Roundness3D 50)", 0x00804020, 0x00FFFFFF, 3000, 900, 70, 50, 40},
    {"Disabled", std::int32_t(0x8000000F), -1, 1500, 600, 45, 20, 20, true, false},
    {"Disabled blue", 0x00C07030, 0x00FFFFFF, 1500, 600, 45, 20, 20, true, false},
};

}  // namespace

int runGallery() {
    QWidget window;
    window.setWindowTitle(QStringLiteral("Knobix gallery"));
    auto* layout = new QVBoxLayout(&window);
    auto* grid = new QGridLayout;
    layout->addLayout(grid);
    auto* log = new QPlainTextEdit;
    log->setReadOnly(true);
    log->setMaximumBlockCount(200);
    log->setFixedHeight(160);
    layout->addWidget(new QLabel(QStringLiteral("Events:")));
    layout->addWidget(log);

    std::vector<Control> controls;
    int index = 0;
    for (const Sample& s : kSamples) {
        Control c;
        QString error;
        if (FAILED(createKnobix(&c, &error))) {
            std::fprintf(stderr, "knobix: %s\n", qPrintable(error));
            return 1;
        }
        if (s.extender) c.site->extenders[QString::fromLatin1(s.extender)] = Variant::fromBool(true);
        c.widget->setFixedSize(s.widthTwips / 15, s.heightTwips / 15);
        bool ok = putByName(c, "Caption", Variant(s.caption), &error) &&
                  putByName(c, "BackColor", Variant(s.backColor), &error) &&
                  putByName(c, "Light", Variant(std::int32_t(s.light)), &error) &&
                  putByName(c, "Roundness3D", Variant(std::int32_t(s.roundness3D)), &error) &&
                  putByName(c, "RoundSize", Variant(std::int32_t(s.roundSize)), &error) &&
                  putByName(c, "CreateRegion", Variant::fromBool(s.createRegion), &error) &&
                  putByName(c, "ToolTipText", Variant(QStringLiteral("Knobix %1").arg(index + 1)), &error) &&
                  (s.foreColor < 0 || putByName(c, "ForeColor", Variant(s.foreColor), &error)) &&
                  putByName(c, "Enabled", Variant::fromBool(s.enabled), &error);
        if (!ok) {
            std::fprintf(stderr, "knobix: %s\n", qPrintable(error));
            return 1;
        }
        auto printer =
            std::make_shared<EventPrinter>(c.dispatch->typeInfo(), QStringLiteral("Knobix %1").arg(index + 1));
        printer->onLine = [log](const QString& line) {
            if (!line.contains(QLatin1String("MouseMove"))) log->appendPlainText(line);
        };
        std::uint32_t cookie = 0;
        query<EventSource>(c.object)->advise(printer, &cookie);
        grid->addWidget(c.widget, index / 3, index % 3, Qt::AlignCenter);
        controls.push_back(std::move(c));
        ++index;
    }
    window.show();
    const int status = QApplication::exec();
    for (Control& c : controls) c.widget->setParent(nullptr);  // the controls delete their widgets
    controls.clear();
    return status;
}

}  // namespace knobixhost

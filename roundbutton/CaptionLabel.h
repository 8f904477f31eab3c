#pragma once
// The `Label` element: the caption over the face, sized to its text, drawn in a colour
// value that may be a system-colour reference, with an "&" marking the access key.

#include "KnobixExport.h"
#include "Colores.h"

#include <QWidget>

namespace roundbutton {

class KNOBIX_EXPORT CaptionLabel : public QWidget {
    Q_OBJECT
public:
    explicit CaptionLabel(QWidget* parent);

    QString caption() const { return caption_; }
    void setCaption(const QString& text);
    OleColor foreColor() const { return foreColor_; }
    void setForeColor(OleColor c);
    // The caption's access character ("&x" gives 'x'), or a null character.
    QChar accessKey() const;
    void fitToText();

protected:
    void paintEvent(QPaintEvent*) override;
    void changeEvent(QEvent* e) override;

private:
    QString caption_;
    OleColor foreColor_ = kButtonText;
};

}  // namespace roundbutton

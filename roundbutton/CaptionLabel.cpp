#include "CaptionLabel.h"

#include <QEvent>
#include <QFontMetrics>
#include <QPainter>

namespace roundbutton {

CaptionLabel::CaptionLabel(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Label"));
    setFocusPolicy(Qt::NoFocus);
    setMouseTracking(true);
    fitToText();
}

void CaptionLabel::setCaption(const QString& text) {
    caption_ = text;
    fitToText();
    update();
}

void CaptionLabel::setForeColor(OleColor c) {
    foreColor_ = c;
    update();
}

QChar CaptionLabel::accessKey() const {
    for (qsizetype i = 0; i + 1 < caption_.size(); ++i) {
        if (caption_[i] != u'&') continue;
        if (caption_[i + 1] != u'&') return caption_[i + 1];
        ++i;  // "&&" shows one "&"
    }
    return {};
}

void CaptionLabel::fitToText() {
    const QSize s = QFontMetrics(font()).size(Qt::TextShowMnemonic, caption_);
    resize(s.width(), std::max(s.height(), QFontMetrics(font()).height()));
}

void CaptionLabel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const OleColor c = resolveColor(foreColor_, palette());
    p.setPen(QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF)));
    p.drawText(rect(), Qt::TextShowMnemonic | Qt::AlignLeft | Qt::AlignTop, caption_);
}

void CaptionLabel::changeEvent(QEvent* e) {
    if (e->type() == QEvent::FontChange) fitToText();
    QWidget::changeEvent(e);
}

}  // namespace roundbutton

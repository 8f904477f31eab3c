#pragma once

#include <QProxyStyle>

#include <algorithm>

namespace velmora::ui {

// The desktop's style, with push buttons as wide as their caption needs
// rather than at least 80 pixels: the pages' rows of short buttons ("1",
// "PAM", "<<") then fit the window at 1024 x 768 beside the call strip and
// the page list.
class CompactStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;
    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& contents,
                           const QWidget* widget) const override {
        QSize size = QProxyStyle::sizeFromContents(type, option, contents, widget);
        if (type == CT_PushButton && size.width() == 80)
            size.setWidth(std::max(contents.width() + 2 * pixelMetric(PM_ButtonMargin, option, widget) + 8, 48));
        return size;
    }
};

}  // namespace velmora::ui

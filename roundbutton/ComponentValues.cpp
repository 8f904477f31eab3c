#include "ComponentValues.h"

#include "component/picture.h"

#include <algorithm>

namespace roundbutton {

using namespace component;

QFont qFontOf(const FontDesc& desc) {
    QFont f(desc.name);
    if (desc.size > 0) f.setPointSizeF(desc.size);
    f.setWeight(QFont::Weight(std::clamp<int>(desc.weight, 1, 1000)));  // both use the 100-900 scale
    f.setItalic(desc.italic);
    f.setUnderline(desc.underline);
    f.setStrikeOut(desc.strikethrough);
    return f;
}

FontDesc fontDescOf(const QFont& font) {
    FontDesc d;
    d.name = font.family();
    d.size = font.pointSizeF() > 0 ? font.pointSizeF() : font.pixelSize() * 0.75;
    d.weight = std::int16_t(font.weight());
    d.italic = font.italic();
    d.underline = font.underline();
    d.strikethrough = font.strikeOut();
    return d;
}

QPixmap pixmapOf(const std::shared_ptr<Unknown>& object) {
    QPixmap p;
    if (Picture* pic = query<Picture>(object)) p.loadFromData(pic->data());
    return p;
}

HRESULT colourOf(const Variant& v, OleColor* out) {
    Variant c;
    if (SUCCEEDED(v.changeType(VT_I4, &c))) {
        *out = OleColor(c.i4());
        return S_OK;
    }
    if (SUCCEEDED(v.changeType(VT_UI4, &c))) {
        *out = c.ui4();
        return S_OK;
    }
    return DISP_E_TYPEMISMATCH;
}

}  // namespace roundbutton

// Knobix in a property bag: the names, order and defaults the control has always used.
#include "ComponentValues.h"
#include "KnobixControl.h"

#include "component/font.h"

#include <limits>

namespace roundbutton {

using namespace component;

namespace {

const QString kCaptionReadDefault = QStringLiteral("Botón");

std::optional<Variant> readAs(PropertyBag& bag, const char* name, VarType type) {
    Variant stored, typed;
    if (FAILED(bag.read(QString::fromLatin1(name), &stored, VT_EMPTY))) return std::nullopt;
    if (type == VT_EMPTY) return stored;
    if (FAILED(stored.changeType(type, &typed))) return std::nullopt;  // unreadable: the default applies
    return typed;
}

QString readString(PropertyBag& bag, const char* name, const QString& fallback) {
    const auto v = readAs(bag, name, VT_BSTR);
    return v ? v->bstr() : fallback;
}

bool readBool(PropertyBag& bag, const char* name, bool fallback) {
    const auto v = readAs(bag, name, VT_BOOL);
    return v ? v->boolVal() != VARIANT_FALSE : fallback;
}

std::int32_t readLong(PropertyBag& bag, const char* name, std::int32_t fallback) {
    const auto v = readAs(bag, name, VT_I4);
    return v ? v->i4() : fallback;
}

OleColor readColour(PropertyBag& bag, const char* name, OleColor fallback) {
    OleColor c = fallback;
    if (const auto v = readAs(bag, name, VT_EMPTY)) colourOf(*v, &c);
    return c;
}

std::shared_ptr<Unknown> readObject(PropertyBag& bag, const char* name) {
    const auto v = readAs(bag, name, VT_EMPTY);
    return v ? v->object() : nullptr;
}

// The "short" values: as a 16-bit integer, or as a long when the value does not fit one
// (a 16-bit store would fail for them); readers take either.
Variant shortOrLong(std::int32_t v) {
    if (v >= std::numeric_limits<std::int16_t>::min() && v <= std::numeric_limits<std::int16_t>::max())
        return Variant(std::int16_t(v));
    return Variant(v);
}

}  // namespace

HRESULT KnobixControl::initNew() {
    if (!knobix_) return E_UNEXPECTED;
    knobix_->initProperties();
    dirty_ = false;
    return S_OK;
}

HRESULT KnobixControl::load(PropertyBag& bag) {
    if (!knobix_) return E_UNEXPECTED;
    Knobix& k = *knobix_;
    k.setCaption(readString(bag, "Caption", kCaptionReadDefault));
    k.setEnabled(readBool(bag, "Enabled", true));
    Font* font = query<Font>(readObject(bag, "Font"));
    k.setFont(font ? qFontOf(font->desc()) : defaultFont());
    const auto icon = readObject(bag, "MouseIcon");
    mouseIcon_ = query<Picture>(icon) ? std::shared_ptr<Picture>(icon, query<Picture>(icon)) : nullptr;
    k.setMouseIcon(pixmapOf(icon));
    k.setMousePointer(readLong(bag, "MousePointer", 0));
    const auto picture = readObject(bag, "Picture");
    picture_ = query<Picture>(picture) ? std::shared_ptr<Picture>(picture, query<Picture>(picture)) : nullptr;
    k.setPicture(pixmapOf(picture));
    k.setBackColor(readColour(bag, "BackColor", kButtonFace));
    k.loadForeColor(readColour(bag, "ForeColor", kButtonText));
    k.setRoundSize(readLong(bag, "RoundSize", 20));
    k.setLight(readLong(bag, "Light", 45));
    k.setToolTipText(readString(bag, "ToolTipText", QString()));
    k.setCreateRegion(readBool(bag, "CreateRegion", true));
    k.setRoundness3D(readLong(bag, "Roundness3D", 20));
    dirty_ = false;
    return S_OK;
}

HRESULT KnobixControl::save(PropertyBag& bag, bool clearDirty, bool /*saveAllProperties*/) {
    if (!knobix_) return E_UNEXPECTED;
    const Knobix& k = *knobix_;
    HRESULT hr = S_OK;
    auto put = [&](const char* name, const Variant& v) {
        if (SUCCEEDED(hr)) hr = bag.write(QString::fromLatin1(name), v);
    };
    // A caption equal to what reading falls back to needs no entry; any other, "Label"
    // included, is written so that it comes back as it was.
    if (k.caption() != kCaptionReadDefault) put("Caption", k.caption());
    if (!k.isEnabled()) put("Enabled", Variant::fromBool(false));
    if (k.font() != defaultFont()) put("Font", Variant(std::make_shared<Font>(fontDescOf(k.font()))));
    if (!k.mouseIcon().isNull()) put("MouseIcon", Variant(pictureObject(k.mouseIcon(), mouseIcon_)));
    if (k.mousePointer() != 0) put("MousePointer", shortOrLong(k.mousePointer()));
    if (!k.picture().isNull()) put("Picture", Variant(pictureObject(k.picture(), picture_)));
    if (k.backColorOriginal() != kButtonFace) put("BackColor", Variant(std::int32_t(k.backColorOriginal())));
    if (k.foreColorToStore() != kButtonText) put("ForeColor", Variant(std::int32_t(k.foreColorToStore())));
    if (k.roundSize() != 20) put("RoundSize", shortOrLong(k.roundSize()));
    if (k.light() != 45) put("Light", shortOrLong(k.light()));
    if (!k.toolTipText().isEmpty()) put("ToolTipText", k.toolTipText());
    if (!k.createRegion()) put("CreateRegion", Variant::fromBool(false));
    if (k.roundness3D() != 20) put("Roundness3D", shortOrLong(k.roundness3D()));
    if (SUCCEEDED(hr) && clearDirty) dirty_ = false;
    return hr;
}

}  // namespace roundbutton

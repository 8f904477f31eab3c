#include "KnobixControl.h"

#include "ComponentValues.h"

#include "component/byref.h"
#include "component/errorinfo.h"
#include "component/font.h"

#include <QApplication>
#include <QBuffer>
#include <array>

namespace roundbutton {

using namespace component;

namespace {

const DispatchTable<KnobixControl>& table() {
    static const DispatchTable<KnobixControl> t = [] {
        TypeInfo info;
        info.name = QStringLiteral("_Knobix");
        info.iid = kIidKnobix;
        info.eventsName = QStringLiteral("__Knobix");
        info.eventsIid = kIidKnobixEvents;
        DispatchTable<KnobixControl> d(info);
        using K = KnobixControl;
        d.property(dispid::Caption, "Caption", "", &K::get_Caption, &K::put_Caption)
            .property(dispid::Enabled, "Enabled", "", &K::get_Enabled, &K::put_Enabled)
            .objectProperty(dispid::Font, "Font", "", &K::get_Font, &K::put_Font)
            .objectProperty(dispid::MouseIcon, "MouseIcon", "", &K::get_MouseIcon, &K::put_MouseIcon)
            .property(dispid::MousePointer, "MousePointer", "", &K::get_MousePointer, &K::put_MousePointer)
            .objectProperty(dispid::Picture, "Picture", "", &K::get_Picture, &K::put_Picture)
            .method(dispid::Refresh, "Refresh", "", {}, &K::Refresh)
            .property(dispid::BackColor, "BackColor", "", &K::get_BackColor, &K::put_BackColor)
            .property(dispid::ForeColor, "ForeColor", "", &K::get_ForeColor, &K::put_ForeColor)
            .property(dispid::RoundSize, "RoundSize", "", &K::get_RoundSize, &K::put_RoundSize)
            .property(dispid::Light, "Light", "", &K::get_Light, &K::put_Light)
            .property(dispid::ToolTipText, "ToolTipText", "", &K::get_ToolTipText, &K::put_ToolTipText)
            .method(dispid::BackColorOriginal, "BackColorOriginal", "", {}, &K::BackColorOriginal)
            .method(dispid::CreaNuevaRegion, "CreaNuevaRegion", "", {}, &K::CreaNuevaRegion)
            .property(dispid::CreateRegion, "CreateRegion", "", &K::get_CreateRegion, &K::put_CreateRegion)
            .property(dispid::Roundness3D, "Roundness3D", "", &K::get_Roundness3D, &K::put_Roundness3D);
        const QStringList mouse = {"Button", "Shift", "X", "Y"};
        d.info().events = {
            {eventid::Click, "Click", {}, ""},
            {eventid::KeyDown, "KeyDown", {"KeyCode", "Shift"}, ""},
            {eventid::KeyPress, "KeyPress", {"KeyAscii"}, ""},
            {eventid::KeyUp, "KeyUp", {"KeyCode", "Shift"}, ""},
            {eventid::MouseDown, "MouseDown", mouse, ""},
            {eventid::MouseMove, "MouseMove", mouse, ""},
            {eventid::MouseUp, "MouseUp", mouse, ""},
            {eventid::Resize, "Resize", {}, ""},
        };
        return d;
    }();
    return t;
}

// The DISPID of a property the widget reports as changed.
DISPID dispidOfProperty(std::string_view name) {
    static constexpr std::pair<std::string_view, DISPID> kIds[] = {
        {"Caption", dispid::Caption},
        {"Enabled", dispid::Enabled},
        {"Font", dispid::Font},
        {"MouseIcon", dispid::MouseIcon},
        {"MousePointer", dispid::MousePointer},
        {"Picture", dispid::Picture},
        {"BackColor", dispid::BackColor},
        {"ForeColor", dispid::ForeColor},
        {"RoundSize", dispid::RoundSize},
        {"Light", dispid::Light},
        {"ToolTipText", dispid::ToolTipText},
        {"CreateRegion", dispid::CreateRegion},
        {"Roundness3D", dispid::Roundness3D},
    };
    for (const auto& [n, id] : kIds)
        if (n == name) return id;
    return DISPID_UNKNOWN;
}

template <class T>
void takeBack(const Variant& v, T& out) {
    Variant c;
    if (SUCCEEDED(v.changeType(VariantTraits<T>::vt, &c))) out = VariantTraits<T>::from(c);
}

// Fires an event whose arguments the sinks may change, and copies their changes back.
template <class... T>
void fireByRef(ConnectionList& connections, DISPID id, T&... args) {
    std::array<std::shared_ptr<VariantRef>, sizeof...(T)> refs = {std::make_shared<VariantRef>(Variant(args))...};
    std::array<Variant, sizeof...(T)> vars;
    for (std::size_t i = 0; i < refs.size(); ++i) vars[i] = byRef(refs[i]);
    connections.fire(id, std::span<const Variant>(vars));
    std::size_t i = 0;
    (takeBack(refs[i++]->value(), args), ...);
}

}  // namespace

KnobixControl::KnobixControl() : knobix_(new Knobix) {
    knobix_->setSite(this);
    connectEvents();
}

KnobixControl::~KnobixControl() {
    if (knobix_) {
        knobix_->setSite(nullptr);
        delete knobix_.data();
    }
}

void* KnobixControl::queryInterface(const Guid& id) {
    if (id == Unknown::iid) return static_cast<Unknown*>(this);
    if (id == Dispatch::iid || id == kIidKnobix) return static_cast<Dispatch*>(this);
    if (id == OleObject::iid) return static_cast<OleObject*>(this);
    if (id == EventSource::iid || id == kIidKnobixEvents) return static_cast<EventSource*>(this);
    if (id == PersistPropertyBag::iid) return static_cast<PersistPropertyBag*>(this);
    if (id == ControlWidget::iid) return static_cast<ControlWidget*>(this);
    return nullptr;
}

const TypeInfo& KnobixControl::typeInfo() const { return table().typeInfo(); }

HRESULT KnobixControl::invoke(DISPID id, unsigned kinds, std::span<const Variant> args, Variant* result) {
    if (!knobix_) return E_UNEXPECTED;  // the host deleted the widget with its form
    return table().invoke(*this, id, kinds, args, result);
}

void KnobixControl::connectEvents() {
    Knobix* k = knobix_;
    QObject::connect(k, &Knobix::Click, k, [this] { connections_.fire(eventid::Click, {}); });
    QObject::connect(k, &Knobix::Resize, k, [this] { connections_.fire(eventid::Resize, {}); });
    QObject::connect(k, &Knobix::KeyDown, k,
                     [this](short& code, short& shift) { fireByRef(connections_, eventid::KeyDown, code, shift); });
    QObject::connect(k, &Knobix::KeyUp, k,
                     [this](short& code, short& shift) { fireByRef(connections_, eventid::KeyUp, code, shift); });
    QObject::connect(k, &Knobix::KeyPress, k,
                     [this](short& ascii) { fireByRef(connections_, eventid::KeyPress, ascii); });
    QObject::connect(k, &Knobix::MouseDown, k, [this](short& b, short& s, float& x, float& y) {
        fireByRef(connections_, eventid::MouseDown, b, s, x, y);
    });
    QObject::connect(k, &Knobix::MouseMove, k, [this](short& b, short& s, float& x, float& y) {
        fireByRef(connections_, eventid::MouseMove, b, s, x, y);
    });
    QObject::connect(k, &Knobix::MouseUp, k, [this](short& b, short& s, float& x, float& y) {
        fireByRef(connections_, eventid::MouseUp, b, s, x, y);
    });
}

// ---- site ----

bool KnobixControl::isDefaultButton() const { return ambients().isDefaultButton(); }
bool KnobixControl::isCancelButton() const { return ambients().isCancelButton(); }

std::optional<QFont> KnobixControl::ambientFont() const {
    if (auto desc = ambients().font()) return qFontOf(*desc);
    return std::nullopt;
}

OleColor KnobixControl::ambientBackColor() const { return ambients().backColor().value_or(kButtonFace); }
OleColor KnobixControl::ambientForeColor() const { return ambients().foreColor().value_or(kButtonText); }

void KnobixControl::propertyChanged(std::string_view name) { ControlBase::propertyChanged(dispidOfProperty(name)); }

QFont KnobixControl::defaultFont() const { return ambientFont().value_or(QApplication::font(knobix_)); }

// ---- extent ----

HRESULT KnobixControl::getExtent(Extent* extent) const {
    if (!extent) return E_POINTER;
    if (!knobix_) return E_UNEXPECTED;
    extent->cx = pixelsToHimetric(std::uint32_t(knobix_->width()));
    extent->cy = pixelsToHimetric(std::uint32_t(knobix_->height()));
    return S_OK;
}

HRESULT KnobixControl::setExtent(const Extent& extent) {
    if (!knobix_) return E_UNEXPECTED;
    auto toPixels = [](std::uint32_t himetric) { return int((std::uint64_t(himetric) * 96 + 1270) / 2540); };
    knobix_->resize(toPixels(extent.cx), toPixels(extent.cy));
    return ControlBase::setExtent(extent);
}

// ---- members ----

HRESULT KnobixControl::get_Caption(QString* v) {
    *v = knobix_->caption();
    return S_OK;
}

HRESULT KnobixControl::put_Caption(QString v) {
    knobix_->setCaption(v);
    return S_OK;
}

HRESULT KnobixControl::get_Enabled(VARIANT_BOOL* v) {
    *v = toVariantBool(knobix_->isEnabled());
    return S_OK;
}

HRESULT KnobixControl::put_Enabled(VARIANT_BOOL v) {
    knobix_->setEnabled(v != VARIANT_FALSE);
    return S_OK;
}

HRESULT KnobixControl::get_Font(std::shared_ptr<Unknown>* v) {
    *v = std::make_shared<Font>(fontDescOf(knobix_->font()));
    return S_OK;
}

HRESULT KnobixControl::put_Font(std::shared_ptr<Unknown> v) {
    Font* f = query<Font>(v);
    if (!f) return DISP_E_TYPEMISMATCH;
    knobix_->setFont(qFontOf(f->desc()));
    return S_OK;
}

std::shared_ptr<Unknown> KnobixControl::pictureObject(const QPixmap& shown, std::shared_ptr<Picture>& given) {
    if (shown.isNull()) return nullptr;
    if (!given || pixmapOf(given).toImage() != shown.toImage()) {
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        shown.save(&buffer, "PNG");
        given = std::make_shared<Picture>(png);
    }
    return given;
}

HRESULT KnobixControl::get_MouseIcon(std::shared_ptr<Unknown>* v) {
    *v = pictureObject(knobix_->mouseIcon(), mouseIcon_);
    return S_OK;
}

HRESULT KnobixControl::put_MouseIcon(std::shared_ptr<Unknown> v) {
    if (v && !query<Picture>(v)) return DISP_E_TYPEMISMATCH;
    mouseIcon_ = v ? std::shared_ptr<Picture>(v, query<Picture>(v)) : nullptr;
    knobix_->setMouseIcon(pixmapOf(v));
    return S_OK;
}

HRESULT KnobixControl::get_MousePointer(std::int16_t* v) {
    *v = std::int16_t(knobix_->mousePointer());
    return S_OK;
}

HRESULT KnobixControl::put_MousePointer(std::int16_t v) {
    knobix_->setMousePointer(v);
    return S_OK;
}

HRESULT KnobixControl::get_Picture(std::shared_ptr<Unknown>* v) {
    *v = pictureObject(knobix_->picture(), picture_);
    return S_OK;
}

HRESULT KnobixControl::put_Picture(std::shared_ptr<Unknown> v) {
    if (v && !query<Picture>(v)) return DISP_E_TYPEMISMATCH;
    picture_ = v ? std::shared_ptr<Picture>(v, query<Picture>(v)) : nullptr;
    knobix_->setPicture(pixmapOf(v));
    return S_OK;
}

HRESULT KnobixControl::Refresh() {
    knobix_->refresh();
    return S_OK;
}

HRESULT KnobixControl::get_BackColor(std::uint32_t* v) {
    *v = knobix_->backColor();
    return S_OK;
}

HRESULT KnobixControl::put_BackColor(Variant v) {
    OleColor c = 0;
    const HRESULT hr = colourOf(v, &c);
    if (SUCCEEDED(hr)) knobix_->setBackColor(c);
    return hr;
}

HRESULT KnobixControl::get_ForeColor(std::uint32_t* v) {
    *v = knobix_->foreColor();
    return S_OK;
}

HRESULT KnobixControl::put_ForeColor(Variant v) {
    OleColor c = 0;
    const HRESULT hr = colourOf(v, &c);
    if (SUCCEEDED(hr)) knobix_->setForeColor(c);
    return hr;
}

HRESULT KnobixControl::get_RoundSize(std::int32_t* v) {
    *v = knobix_->roundSize();
    return S_OK;
}

HRESULT KnobixControl::put_RoundSize(std::int32_t v) {
    knobix_->setRoundSize(v);
    return S_OK;
}

HRESULT KnobixControl::get_Light(std::int32_t* v) {
    *v = knobix_->light();
    return S_OK;
}

HRESULT KnobixControl::put_Light(std::int32_t v) {
    knobix_->setLight(v);
    return S_OK;
}

HRESULT KnobixControl::get_ToolTipText(QString* v) {
    *v = knobix_->toolTipText();
    return S_OK;
}

HRESULT KnobixControl::put_ToolTipText(QString v) {
    knobix_->setToolTipText(v);
    return S_OK;
}

HRESULT KnobixControl::BackColorOriginal(std::int32_t* v) {
    *v = std::int32_t(knobix_->backColorOriginal());
    return S_OK;
}

HRESULT KnobixControl::CreaNuevaRegion() {
    knobix_->creaNuevaRegion();
    return S_OK;
}

HRESULT KnobixControl::get_CreateRegion(VARIANT_BOOL* v) {
    *v = toVariantBool(knobix_->createRegion());
    return S_OK;
}

HRESULT KnobixControl::put_CreateRegion(VARIANT_BOOL v) {
    knobix_->setCreateRegion(v != VARIANT_FALSE);
    return S_OK;
}

HRESULT KnobixControl::get_Roundness3D(std::int32_t* v) {
    *v = knobix_->roundness3D();
    return S_OK;
}

HRESULT KnobixControl::put_Roundness3D(std::int32_t v) {
    knobix_->setRoundness3D(v);
    return S_OK;
}

}  // namespace roundbutton

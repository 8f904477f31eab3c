#include "component/site.h"

namespace component {

HRESULT SimpleSite::ambient(DISPID id, Variant* value) {
    auto it = ambients.find(id);
    if (it == ambients.end()) return DISP_E_MEMBERNOTFOUND;
    *value = it->second;
    return S_OK;
}

HRESULT SimpleSite::extender(const QString& name, Variant* value) {
    auto it = extenders.find(name);
    if (it == extenders.end()) return DISP_E_MEMBERNOTFOUND;
    *value = it->second;
    return S_OK;
}

HRESULT SimpleSite::onRequestEdit(DISPID id) {
    editRequests.push_back(id);
    return allowEdits ? S_OK : S_FALSE;
}

namespace {

std::optional<Variant> read(ClientSite* site, DISPID id, VarType type) {
    if (!site) return std::nullopt;
    Variant v, converted;
    if (FAILED(site->ambient(id, &v)) || FAILED(v.changeType(type, &converted))) return std::nullopt;
    return converted;
}

}  // namespace

bool Ambients::userMode() const {
    const auto v = read(site_, DISPID_AMBIENT_USERMODE, VT_BOOL);
    return v && v->boolVal() != VARIANT_FALSE;
}

std::optional<OLE_COLOR> Ambients::backColor() const {
    const auto v = read(site_, DISPID_AMBIENT_BACKCOLOR, VT_I4);
    return v ? std::optional<OLE_COLOR>(static_cast<OLE_COLOR>(v->i4())) : std::nullopt;
}

std::optional<OLE_COLOR> Ambients::foreColor() const {
    const auto v = read(site_, DISPID_AMBIENT_FORECOLOR, VT_I4);
    return v ? std::optional<OLE_COLOR>(static_cast<OLE_COLOR>(v->i4())) : std::nullopt;
}

std::optional<FontDesc> Ambients::font() const {
    const auto v = read(site_, DISPID_AMBIENT_FONT, VT_DISPATCH);
    if (!v) return std::nullopt;
    if (Font* f = query<Font>(v->object())) return f->desc();
    return std::nullopt;
}

bool Ambients::displayAsDefault() const {
    const auto v = read(site_, DISPID_AMBIENT_DISPLAYASDEFAULT, VT_BOOL);
    return v && v->boolVal() != VARIANT_FALSE;
}

bool Ambients::extenderBool(const QString& name) const {
    if (!site_) return false;
    Variant v, b;
    if (FAILED(site_->extender(name, &v)) || FAILED(v.changeType(VT_BOOL, &b))) return false;
    return b.boolVal() != VARIANT_FALSE;
}

}  // namespace component

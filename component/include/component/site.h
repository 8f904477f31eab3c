// The container side of a control: its site, ambient properties and change notification.
#pragma once
#include "component/font.h"
#include "component/hresult.h"
#include "component/unknown.h"
#include "component/variant.h"

#include <QString>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace component {

// Standard ambient property DISPIDs.
constexpr DISPID DISPID_AMBIENT_BACKCOLOR = -701;
constexpr DISPID DISPID_AMBIENT_DISPLAYNAME = -702;
constexpr DISPID DISPID_AMBIENT_FONT = -703;
constexpr DISPID DISPID_AMBIENT_FORECOLOR = -704;
constexpr DISPID DISPID_AMBIENT_LOCALEID = -705;
constexpr DISPID DISPID_AMBIENT_USERMODE = -709;
constexpr DISPID DISPID_AMBIENT_UIDEAD = -710;
constexpr DISPID DISPID_AMBIENT_DISPLAYASDEFAULT = -713;

// Colours are OLE_COLOR values: 0x00BBGGRR, or 0x800000nn for system colour nn.
using OLE_COLOR = std::uint32_t;

// Implemented by the host for each control it holds.
class ClientSite {
public:
    virtual ~ClientSite() = default;

    // An ambient property; DISP_E_MEMBERNOTFOUND when the container does not have it.
    virtual HRESULT ambient(DISPID id, Variant* value) = 0;
    // An extender property the container adds to the control (e.g. "Default", "Cancel" for a
    // button that is the form's default or cancel button); DISP_E_MEMBERNOTFOUND by default.
    virtual HRESULT extender(const QString& name, Variant* value) { return DISP_E_MEMBERNOTFOUND; }
    // Property-change notification. onRequestEdit may refuse with S_FALSE (the control then
    // keeps the old value); onChanged tells the container that the property changed.
    virtual HRESULT onRequestEdit(DISPID id) { return S_OK; }
    virtual void onChanged(DISPID id) {}
    // The control's persistent state changed (the container marks its document dirty).
    virtual void onDataChanged() {}
};

// A site whose answers are plain fields: for hosts with fixed ambients, and for tests.
class SimpleSite : public ClientSite {
public:
    std::map<DISPID, Variant> ambients;
    std::map<QString, Variant> extenders;
    bool allowEdits = true;
    std::vector<DISPID> changed;       // onChanged calls, in order
    std::vector<DISPID> editRequests;  // onRequestEdit calls, in order
    int dataChanges = 0;

    explicit SimpleSite(bool userMode = true) { ambients[DISPID_AMBIENT_USERMODE] = Variant::fromBool(userMode); }

    HRESULT ambient(DISPID id, Variant* value) override;
    HRESULT extender(const QString& name, Variant* value) override;
    HRESULT onRequestEdit(DISPID id) override;
    void onChanged(DISPID id) override { changed.push_back(id); }
    void onDataChanged() override { ++dataChanges; }
};

// Extent of a control in HIMETRIC (0.01 mm).
struct Extent {
    std::uint32_t cx = 0;
    std::uint32_t cy = 0;
};

// Pixels to HIMETRIC at the conventional 96 dots per inch (2540 HIMETRIC per inch).
constexpr std::uint32_t pixelsToHimetric(std::uint32_t px) { return (px * 2540u + 48u) / 96u; }

// Implemented by the control: the host gives it its site and may read or set its extent.
class OleObject {
public:
    static constexpr Guid iid = Guid::of("{00000112-0000-0000-C000-000000000046}");
    virtual ~OleObject() = default;
    virtual HRESULT setClientSite(std::shared_ptr<ClientSite> site) = 0;
    virtual std::shared_ptr<ClientSite> clientSite() const = 0;
    virtual HRESULT getExtent(Extent* extent) const = 0;
    virtual HRESULT setExtent(const Extent& extent) = 0;
    // The container tells the control that an ambient property changed (DISPID_UNKNOWN: several).
    virtual void onAmbientPropertyChange(DISPID id) {}
};

// Reading ambients from a control: helpers over a possibly absent site.
class Ambients {
public:
    explicit Ambients(const ClientSite* site) : site_(const_cast<ClientSite*>(site)) {}
    // Run mode; false in design mode, and false when there is no site or it does not say.
    bool userMode() const;
    std::optional<OLE_COLOR> backColor() const;
    std::optional<OLE_COLOR> foreColor() const;
    std::optional<FontDesc> font() const;
    bool displayAsDefault() const;
    bool isDefaultButton() const { return extenderBool(QStringLiteral("Default")); }
    bool isCancelButton() const { return extenderBool(QStringLiteral("Cancel")); }

private:
    bool extenderBool(const QString& name) const;
    ClientSite* site_;
};

}  // namespace component

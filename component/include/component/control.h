// Common plumbing of a control object: its site, extent, event connections and dirty flag.
#pragma once
#include "component/events.h"
#include "component/site.h"

#include <memory>

namespace component {

// A control derives from Unknown, ControlBase and its other interfaces, and answers
// queryInterface for OleObject and EventSource with the ControlBase parts.
class ControlBase : public OleObject, public EventSource {
public:
    HRESULT setClientSite(std::shared_ptr<ClientSite> site) override {
        site_ = std::move(site);
        return S_OK;
    }
    std::shared_ptr<ClientSite> clientSite() const override { return site_; }
    HRESULT getExtent(Extent* extent) const override {
        if (!extent) return E_POINTER;
        *extent = extent_;
        return S_OK;
    }
    HRESULT setExtent(const Extent& extent) override {
        extent_ = extent;
        dirty_ = true;
        return S_OK;
    }
    HRESULT advise(std::shared_ptr<EventSink> sink, std::uint32_t* cookie) override {
        return connections_.advise(std::move(sink), cookie);
    }
    HRESULT unadvise(std::uint32_t cookie) override { return connections_.unadvise(cookie); }

protected:
    Ambients ambients() const { return Ambients(site_.get()); }
    // Asks the container whether the property may change (true when there is no site).
    bool requestEdit(DISPID id) { return !site_ || site_->onRequestEdit(id) == S_OK; }
    // Marks the control dirty and tells the container that the property changed.
    void propertyChanged(DISPID id) {
        dirty_ = true;
        if (site_) site_->onChanged(id);
    }
    void dataChanged() {
        dirty_ = true;
        if (site_) site_->onDataChanged();
    }

    std::shared_ptr<ClientSite> site_;
    Extent extent_;
    ConnectionList connections_;
    bool dirty_ = false;
};

}  // namespace component

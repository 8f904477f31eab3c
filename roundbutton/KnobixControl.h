#pragma once
// Knobix as an in-process control: the `_Knobix` dispatch interface, the `__Knobix` events,
// property-bag persistence and the container site, over the Knobix widget it owns.

#include "Knobix.h"
#include "KnobixIds.h"

#include "component/control.h"
#include "component/dispatch.h"
#include "component/persist.h"
#include "component/registration.h"
#include "component/picture.h"
#include "component/widget.h"

#include <QPointer>
#include <memory>

namespace roundbutton {

class KnobixControl : public component::Unknown,
                      public component::Dispatch,
                      public component::ControlBase,
                      public component::PersistPropertyBag,
                      public component::ControlWidget,
                      private KnobixSite {
public:
    KnobixControl();
    ~KnobixControl() override;

    void* queryInterface(const component::Guid& id) override;
    const component::TypeInfo& typeInfo() const override;
    component::HRESULT invoke(component::DISPID id, unsigned kinds, std::span<const component::Variant> args,
                              component::Variant* result) override;

    // OleObject: the extent sizes the widget.
    component::HRESULT getExtent(component::Extent* extent) const override;
    component::HRESULT setExtent(const component::Extent& extent) override;

    // PersistPropertyBag
    component::HRESULT initNew() override;
    component::HRESULT load(component::PropertyBag& bag) override;
    component::HRESULT save(component::PropertyBag& bag, bool clearDirty, bool saveAllProperties) override;

    // ControlWidget
    QWidget* widget() override { return knobix_; }
    Knobix* knobix() const { return knobix_; }

    // `_Knobix`, in interface order.
    component::HRESULT get_Caption(QString* v);
    component::HRESULT put_Caption(QString v);
    component::HRESULT get_Enabled(component::VARIANT_BOOL* v);
    component::HRESULT put_Enabled(component::VARIANT_BOOL v);
    component::HRESULT get_Font(std::shared_ptr<component::Unknown>* v);
    component::HRESULT put_Font(std::shared_ptr<component::Unknown> v);
    component::HRESULT get_MouseIcon(std::shared_ptr<component::Unknown>* v);
    component::HRESULT put_MouseIcon(std::shared_ptr<component::Unknown> v);
    component::HRESULT get_MousePointer(std::int16_t* v);
    component::HRESULT put_MousePointer(std::int16_t v);
    component::HRESULT get_Picture(std::shared_ptr<component::Unknown>* v);
    component::HRESULT put_Picture(std::shared_ptr<component::Unknown> v);
    component::HRESULT Refresh();
    component::HRESULT get_BackColor(std::uint32_t* v);
    component::HRESULT put_BackColor(component::Variant v);
    component::HRESULT get_ForeColor(std::uint32_t* v);
    component::HRESULT put_ForeColor(component::Variant v);
    component::HRESULT get_RoundSize(std::int32_t* v);
    component::HRESULT put_RoundSize(std::int32_t v);
    component::HRESULT get_Light(std::int32_t* v);
    component::HRESULT put_Light(std::int32_t v);
    component::HRESULT get_ToolTipText(QString* v);
    component::HRESULT put_ToolTipText(QString v);
    component::HRESULT BackColorOriginal(std::int32_t* v);
    component::HRESULT CreaNuevaRegion();
    component::HRESULT get_CreateRegion(component::VARIANT_BOOL* v);
    component::HRESULT put_CreateRegion(component::VARIANT_BOOL v);
    component::HRESULT get_Roundness3D(std::int32_t* v);
    component::HRESULT put_Roundness3D(std::int32_t v);

private:
    // KnobixSite, answered from the container's site.
    bool isDefaultButton() const override;
    bool isCancelButton() const override;
    std::optional<QFont> ambientFont() const override;
    OleColor ambientBackColor() const override;
    OleColor ambientForeColor() const override;
    void propertyChanged(std::string_view name) override;

    void connectEvents();
    // The picture object for a pixmap: the one the host gave while it still shows, else a new one.
    std::shared_ptr<component::Unknown> pictureObject(const QPixmap& shown, std::shared_ptr<component::Picture>& given);
    QFont defaultFont() const;

    QPointer<Knobix> knobix_;
    std::shared_ptr<component::Picture> picture_, mouseIcon_;
};

// The descriptor that registers and creates the class (ProgID "RoundButton.Knobix").
const component::ClassDescriptor& knobixClass();

}  // namespace roundbutton

#pragma once
// What the control asks of its container: whether it is the default or the cancel
// button, the ambient font and colours, and where to report a changed property.

#include "Colores.h"

#include <QFont>
#include <optional>
#include <string_view>

namespace roundbutton {

class KnobixSite {
public:
    virtual ~KnobixSite() = default;
    virtual bool isDefaultButton() const { return false; }
    virtual bool isCancelButton() const { return false; }
    virtual std::optional<QFont> ambientFont() const { return std::nullopt; }
    virtual OleColor ambientBackColor() const { return kButtonFace; }
    virtual OleColor ambientForeColor() const { return kButtonText; }
    // Called after every let or set of a persisted property, with the property's name.
    virtual void propertyChanged(std::string_view name) {}
};

}  // namespace roundbutton

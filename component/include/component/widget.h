// A control's visible window: how a Qt host reaches the widget of a control it created.
#pragma once
#include "component/unknown.h"

class QWidget;

namespace component {

// The control keeps the widget; a host may reparent it into its form and show it. The widget
// stays valid while the control object lives, unless the host deletes it (with its form).
class ControlWidget {
public:
    static constexpr Guid iid = Guid::of("{14EA542B-6C7C-4137-AFB1-752B009E7AC8}");
    virtual ~ControlWidget() = default;
    virtual QWidget* widget() = 0;
};

}  // namespace component

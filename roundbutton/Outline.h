#pragma once
// The button's outline: the part of its w x h pixel rectangle that is painted and clickable.

#include "KnobixExport.h"
#include <QRegion>

namespace roundbutton {

// A rounded rectangle (0, 0)-(w, h) whose corners are quarters of a roundSize x roundSize
// ellipse, or the plain rectangle when createRegion is false. A corner ellipse larger than
// the rectangle is limited to it; one narrower than 2 pixels gives square corners; a
// negative size counts by its magnitude. A pixel belongs to the outline when its centre does.
KNOBIX_EXPORT QRegion outlineRegion(int w, int h, bool createRegion, long long roundSize);

}  // namespace roundbutton

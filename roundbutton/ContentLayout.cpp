#include "ContentLayout.h"

namespace roundbutton {

ContentPlace layOutContent(const ContentInput& in) {
    const long long o = in.pressed ? 15 : 0;
    ContentPlace p;
    // Integer halving truncates toward zero, as the control always did, also for a
    // caption wider or taller than the button.
    p.labelTop = o + (in.controlHeight - in.labelHeight) / 2;
    if (in.hasPicture) {
        p.pictureTop = o + (in.controlHeight - in.pictureHeight) / 2;
        p.pictureLeft = in.captionEmpty ? o + (in.controlWidth - in.pictureWidth) / 2
                                        : o + (in.controlWidth - in.pictureWidth - in.labelWidth - 50) / 2;
        p.labelLeft = p.pictureLeft + in.pictureWidth + 50 + o;
    } else {
        p.labelLeft = o + (in.controlWidth - in.labelWidth) / 2;
    }
    return p;
}

}  // namespace roundbutton

#pragma once
// Where the caption and the picture sit on the face, in twips.

#include "KnobixExport.h"

namespace roundbutton {

struct ContentInput {
    long long controlWidth = 0, controlHeight = 0;
    long long labelWidth = 0, labelHeight = 0;
    bool hasPicture = false;
    long long pictureWidth = 0, pictureHeight = 0;
    bool captionEmpty = false;
    bool pressed = false;  // shifts everything 15 twips right and down
};

struct ContentPlace {
    long long labelLeft = 0, labelTop = 0;
    long long pictureLeft = 0, pictureTop = 0;
};

KNOBIX_EXPORT ContentPlace layOutContent(const ContentInput& in);

}  // namespace roundbutton

// The About box's product icon: a small camera with a red recording light, drawn from code
// into a picture box of 32 x 30 pixels, which then holds it as its picture.
#pragma once

#include "zentrik/platform/forms.h"

namespace zentrik {

void draw_about_icon(PictureBox& box);

}  // namespace zentrik

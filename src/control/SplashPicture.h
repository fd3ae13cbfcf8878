// The control's background: a 640 x 480 picture, white, whose top-left 320 x 240 pixels hold
// the splash screen shown while capture is off (banner, title, camera, contact, disclaimer).
#pragma once

#include "zentrik/platform/picture.h"

namespace zentrik {

inline constexpr Long kBackgroundWidth = 640;
inline constexpr Long kBackgroundHeight = 480;

PicturePtr make_splash_picture();

}  // namespace zentrik

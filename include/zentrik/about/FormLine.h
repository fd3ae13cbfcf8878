// A straight line drawn on a form, from (X1, Y1) to (X2, Y2) in twips, in one colour (the etched
// separators of dialogs are two of them, grey over white).
#pragma once

#include "zentrik/platform/gdi.h"

namespace zentrik {

struct FormLine {
  Long X1 = 0;
  Long Y1 = 0;
  Long X2 = 0;
  Long Y2 = 0;
  ColorRef BorderColor = 0;
};

}  // namespace zentrik

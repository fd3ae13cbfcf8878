// Choosing the active layer, the debug preview, the picture property and the pixel read-out.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "zentrik/control/orvex.h"
#include "zentrik/platform/message_box.h"

namespace zentrik {
namespace {

constexpr const char* kTitle = "Zentrik";

// A single-precision value as text: a whole number without a decimal point, otherwise up to
// the seven significant digits a single carries.
std::string single_text(float value) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.7g", static_cast<double>(value));
  double shortest = 0.0;
  return parse_number(buffer, shortest) ? format_number(shortest) : std::string(buffer);
}

// The pixel coordinate nearest to a position; positions that no Long can hold (or that are no
// number) name a point outside every surface.
Long pixel_coordinate(float value) {
  const double rounded = round_half_even(static_cast<double>(value));
  if (!(rounded >= -2147483648.0 && rounded <= 2147483647.0)) return -1;
  return static_cast<Long>(rounded);
}

}  // namespace

void orvex::set_layer(Integer new_layer) {
  const Integer remembered = state_.layer;
  state_.layer = new_layer;
  if (new_layer < 1 || new_layer > kUpperLayer) {
    // The correction comes before the box, so no out-of-range layer is ever stored while the box
    // waits for the user (frames go on arriving) or when showing it fails.
    state_.layer = std::clamp<Integer>(remembered, 1, kUpperLayer);
    MsgBox("Layer must be between 1 and " + std::to_string(state_.max_layers),
           vbCritical | vbOKOnly, kTitle);
  }
  informatie_.SetCaption("Layer " + std::to_string(state_.layer) + " activated ...");
  notify("layer");
  show_zones();
}

void orvex::set_debugpreview(Boolean new_debugpreview) {
  state_.debugpreview = new_debugpreview;
  apply_fixed_size();
  notify("debugpreview");
}

PicturePtr orvex::picture(Boolean new_truecolor) const {
  return new_truecolor == vbTrue ? tmp_.Picture() : beeld_.Picture();
}

void orvex::preview_mouse_down(Integer button, Integer shift, float x, float y) {
  beeld_.MouseDown(button, shift, x, y);
}

void orvex::pixel_readout(float x, float y) {
  const float column = x / static_cast<float>(kTwipsPerPixel);
  const float row = y / static_cast<float>(kTwipsPerPixel);
  const ColorRef colour = GetPixel(beeld_.hDC(), pixel_coordinate(column), pixel_coordinate(row));
  // A non-negative number is written with a leading blank, as the runtime's Str does.
  std::string text = "X = ";
  text += single_text(column);
  text += " * Y = ";
  text += single_text(row);
  text += " * colorvalue = ";
  if (colour >= 0) text += ' ';
  text += std::to_string(colour);
  text += " (as long variable)";
  MsgBox(text, vbInformation | vbOKOnly, kTitle);
}

}  // namespace zentrik

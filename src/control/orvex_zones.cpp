// Motion and colour zones: the zone tables' methods, the outline refresh and the zone passes.
#include <algorithm>

#include "ZoneCounter.h"
#include "zentrik/control/orvex.h"

namespace zentrik {
namespace {

constexpr ColorRef kOutlineDetected = 0xFFFFFF;
constexpr ColorRef kOutlineIdle = 0;

// The tables hold layers and zones 1 to 64 only; anything else is a subscript error.
void require_slot(Long layer, Long zone) {
  if (!is_zone_slot(layer, zone)) raise_error(errors::kSubscriptOutOfRange, ZENTRIK_MODULE_NAME);
}

}  // namespace

void orvex::add_motion_detection(Integer& layer, Integer& zone, Integer& left, Integer& top,
                                 Integer& Width, Integer& Height, Integer& percentage) {
  require_slot(layer, zone);
  state_.motion_percentage(layer, zone) = percentage;
  state_.motion_left(layer, zone) = left;
  state_.motion_top(layer, zone) = top;
  state_.motion_width(layer, zone) = Width;
  state_.motion_height(layer, zone) = Height;
}

void orvex::add_color_detection(Integer& layer, Integer& zone, Integer& left, Integer& top,
                                Integer& Width, Integer& Height, Long& color, Integer& percentage) {
  require_slot(layer, zone);
  state_.color_percentage(layer, zone) = percentage;
  state_.color_top(layer, zone) = top;
  state_.color_left(layer, zone) = left;
  state_.color_width(layer, zone) = Width;
  state_.color_height(layer, zone) = Height;
  state_.color_value(layer, zone) = color;
}

void orvex::Clear(Integer& layer) {
  require_slot(layer, 1);
  if (layer == state_.layer) return;  // the active layer cannot be cleared
  for (Integer zone = 1; zone <= kZonesPerLayer; ++zone) {
    state_.motion_percentage(layer, zone) = 0;
    state_.color_percentage(layer, zone) = 0;
  }
}

void orvex::clear_all() {
  informatie_.SetCaption("Preview mode");
  state_.motion_percentage.fill(0);
  state_.color_percentage.fill(0);
}

void orvex::place_outline(Integer zone, Integer left, Integer top, Integer width, Integer height) {
  // Twips are worked out in 32 bits and clipped, so no geometry can overflow; a shape has no
  // negative size.
  Shape& outline = zone_weergave_[static_cast<std::size_t>(zone)];
  outline.SetLeft(clip_integer(std::int64_t{kTwipsPerPixel} * left));
  outline.SetTop(clip_integer(std::int64_t{kTwipsPerPixel} * top));
  outline.SetHeight(std::max<Long>(0, clip_integer(std::int64_t{kTwipsPerPixel} * height)));
  outline.SetWidth(std::max<Long>(0, clip_integer(std::int64_t{kTwipsPerPixel} * width)));
  outline.SetVisible(true);
}

// What tells the two kinds of zone apart: their tables, the points of a window that hit, and the
// event a change raises.
struct orvex::ZonePass {
  ZoneTable<Integer> OrvexState::*percentage;
  ZoneTable<Integer> OrvexState::*left;
  ZoneTable<Integer> OrvexState::*top;
  ZoneTable<Integer> OrvexState::*width;
  ZoneTable<Integer> OrvexState::*height;
  Long (*hits)(ZoneCounter& counter, const OrvexState& state, Integer layer, Integer zone,
               const SampleWindow& window);
  void (orvex::*fire)(Integer layer, Integer zone, Boolean status, Integer percentage);

  static const ZonePass kColour;
  static const ZonePass kMotion;
};

// Colour zones: the points that show the zone's colour exactly.
const orvex::ZonePass orvex::ZonePass::kColour{
    &OrvexState::color_percentage,
    &OrvexState::color_left,
    &OrvexState::color_top,
    &OrvexState::color_width,
    &OrvexState::color_height,
    [](ZoneCounter& counter, const OrvexState& state, Integer layer, Integer zone,
       const SampleWindow& window) {
      return counter.matching_points(state.current_samples, state.color_value(layer, zone), window);
    },
    &orvex::fire_color};

// Motion zones: the points whose colour changed since the previous frame.
const orvex::ZonePass orvex::ZonePass::kMotion{
    &OrvexState::motion_percentage,
    &OrvexState::motion_left,
    &OrvexState::motion_top,
    &OrvexState::motion_width,
    &OrvexState::motion_height,
    [](ZoneCounter& counter, const OrvexState& state, Integer, Integer,
       const SampleWindow& window) {
      return counter.changed_points(state.previous_samples, state.current_samples, window);
    },
    &orvex::fire_motion};

void orvex::show_zones() {
  const Integer layer = state_.layer;
  for (Integer zone = 1; zone <= kZonesPerLayer; ++zone) {
    zone_weergave_[static_cast<std::size_t>(zone)].SetVisible(false);
  }
  if (!is_zone_slot(layer, 1)) return;
  // A colour zone's outline is placed after the motion zone's of the same number.
  for (const ZonePass* pass : {&ZonePass::kMotion, &ZonePass::kColour}) {
    for (Integer zone = 1; zone <= kZonesPerLayer; ++zone) {
      if ((state_.*pass->percentage)(layer, zone) > 0) {
        place_outline(zone, (state_.*pass->left)(layer, zone), (state_.*pass->top)(layer, zone),
                      (state_.*pass->width)(layer, zone), (state_.*pass->height)(layer, zone));
      }
    }
  }
}

bool orvex::share_reaches(Integer percentage) const {
  // percentage <= 100 * hits / samples, exactly; an empty window has a share of 0.
  if (state_.sample_count <= 0) return false;
  return std::int64_t{percentage} * state_.sample_count <= std::int64_t{100} * state_.hit_count;
}

Integer orvex::share_floor() const {
  if (state_.sample_count <= 0) return 0;
  return static_cast<Integer>(std::int64_t{100} * state_.hit_count / state_.sample_count);
}

bool orvex::transition(Integer layer, Integer zone, bool detected) {
  Boolean& zoneState = state_.zone_state(layer, zone);
  Shape& outline = zone_weergave_[static_cast<std::size_t>(zone)];
  if (!detected && zoneState == vbTrue) {
    outline.SetBorderColor(kOutlineIdle);
    zoneState = vbFalse;
    return true;
  }
  if (detected && zoneState == vbFalse) {
    outline.SetBorderColor(kOutlineDetected);
    zoneState = vbTrue;
    return true;
  }
  return false;
}

void orvex::fire_motion(Integer, Integer, Boolean status, Integer percentage) {
  Variant args[] = {Variant::ref(state_.layer), Variant::ref(state_.zone_index),
                    Variant::ref_boolean(status), Variant::ref(percentage)};
  events_.fire(OrvexTypeLibrary::kMotionEvent, args);
}

void orvex::fire_color(Integer layer, Integer zone, Boolean status, Integer percentage) {
  Variant args[] = {Variant::ref(state_.layer), Variant::ref(state_.zone_index),
                    Variant::ref_boolean(status), Variant::ref(state_.color_value(layer, zone)),
                    Variant::ref(percentage)};
  events_.fire(OrvexTypeLibrary::kColorEvent, args);
}

// The pass runs on the control's own `zone_index` and re-reads `layer` for every zone, so what a
// handler does to either (through the event's by-reference arguments or the control's members)
// holds for the zones not evaluated yet.
void orvex::evaluate_zones(const ZonePass& pass) {
  for (state_.zone_index = 1; state_.zone_index <= kZonesPerLayer;
       state_.zone_index = wrap_integer(state_.zone_index + 1)) {
    const Integer layer = state_.layer;
    const Integer zone = state_.zone_index;
    require_slot(layer, zone);
    const Integer percentage = (state_.*pass.percentage)(layer, zone);
    if (percentage <= 0) continue;
    const SampleWindow window =
        sample_window((state_.*pass.left)(layer, zone), (state_.*pass.top)(layer, zone),
                      (state_.*pass.width)(layer, zone), (state_.*pass.height)(layer, zone));
    state_.sample_count = window.points();
    state_.hit_count = pass.hits(*counter_, state_, layer, zone, window);
    if (transition(layer, zone, share_reaches(percentage))) {
      (this->*pass.fire)(layer, zone, state_.zone_state(layer, zone), share_floor());
    }
  }
}

void orvex::evaluate_color_zones() {
  evaluate_zones(ZonePass::kColour);
}

void orvex::evaluate_motion_zones() {
  evaluate_zones(ZonePass::kMotion);
}

}  // namespace zentrik

// Schedules, object paths and the standard scene of the virtual camera.
#include "zentrik/capture/SceneScript.h"

namespace zentrik {

std::int64_t SceneSchedule::local_frame(std::int64_t frame) const {
  if (repeat <= 0) return frame;
  const std::int64_t local = frame % repeat;
  return local < 0 ? local + repeat : local;
}

bool SceneSchedule::shown(std::int64_t frame) const {
  if (ranges.empty()) return true;
  const std::int64_t t = local_frame(frame);
  for (const FrameRange& range : ranges) {
    if (t >= range.first && t < range.end) return true;
  }
  return false;
}

std::optional<SceneRect> SceneObject::position(std::int64_t frame) const {
  if (path.size() < 2) return std::nullopt;
  std::int64_t t = frame;
  if (repeat > 0) {
    t %= repeat;
    if (t < 0) t += repeat;
  }
  if (t < path.front().frame || t >= path.back().frame) return std::nullopt;
  for (std::size_t i = 0; i + 1 < path.size(); ++i) {
    const Keyframe& a = path[i];
    const Keyframe& b = path[i + 1];
    if (t < a.frame || t >= b.frame) continue;
    const std::int64_t span = b.frame - a.frame;  // > 0: t lies in [a.frame, b.frame)
    const std::int64_t x = a.x + (static_cast<std::int64_t>(b.x) - a.x) * (t - a.frame) / span;
    const std::int64_t y = a.y + (static_cast<std::int64_t>(b.y) - a.y) * (t - a.frame) / span;
    return SceneRect{static_cast<Long>(x), static_cast<Long>(y), width, height};
  }
  return std::nullopt;  // keyframes out of order
}

std::vector<ScenePatch> standard_patches() {
  return {
      {"red", {20, 20, 40, 30}, RGB(255, 0, 0), {}},
      {"blue", {260, 20, 40, 30}, RGB(0, 0, 255), {{{30, 120}}, 300}},
      {"yellow", {20, 190, 40, 30}, RGB(255, 255, 0), {{{90, 210}}, 300}},
      {"white", {260, 190, 40, 30}, RGB(255, 255, 255), {{{0, 60}, {150, 240}}, 300}},
  };
}

std::vector<SceneObject> standard_objects() {
  return {
      {"green", 24, 24, RGB(0, 255, 0), {{0, -24, 108}, {172, 320, 108}}, 300},
      {"magenta", 20, 20, RGB(255, 0, 255), {{100, 150, -20}, {230, 150, 240}}, 300},
      {"cyan", 16, 16, RGB(0, 255, 255), {{200, 320, 60}, {284, -16, 60}}, 300},
  };
}

VirtualSceneOptions standard_scene(std::uint32_t seed) {
  VirtualSceneOptions options;
  options.seed = seed;
  options.patches = standard_patches();
  options.objects = standard_objects();
  return options;
}

VirtualSceneOptions street_scene(std::uint32_t seed) {
  VirtualSceneOptions options;
  options.seed = seed;
  options.frame_rate = 15.0;
  options.noise = true;
  options.noise_amplitude = 4;
  options.light_steps = {{60, 61, 40}, {150, 180, -40}};
  options.light_repeat = 300;
  options.sways = {{{200, 140, 80, 60}, 1, 20, 32}};
  options.patches = {standard_patches().front()};
  options.objects = {
      {"walker", 24, 24, RGB(0, 255, 0), {{0, -24, 100}, {86, 320, 100}}, 300},
      {"car", 20, 20, RGB(255, 0, 255), {{100, 40, -20}, {165, 40, 240}}, 300},
      {"cyclist", 16, 16, RGB(0, 255, 255), {{200, 320, 160}, {284, -16, 160}}, 300},
  };
  return options;
}

}  // namespace zentrik

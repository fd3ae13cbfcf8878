// The script of the virtual camera's synthetic scene: coloured patches that show on a schedule
// and objects that move along keyframed paths, with the options of the whole scene.
//
// Coordinates are pixels of the 320 x 240 frame, origin at the top left, y downwards; a
// rectangle covers the pixels left <= x < left + width, top <= y < top + height. Colours are
// packed 0x00BBGGRR values, as GetPixel returns them.
//
// What a frame shows, bottom to top:
//   1. the background: a static texture made from `seed`, every channel within 88..176 and
//      never more than 8 from the other two, so that no background pixel (nor its 16- or
//      256-colour reduction, which is grey 128 or 192, or a mix of the levels 64, 128 and 192) is
//      ever one of the saturated colours; from `light_change_frame` on every channel is moved by
//      `light_change_delta` and kept within 72..216; with `noise` each channel of each background
//      pixel then gets a seeded random offset within +-`noise_amplitude`, new in every frame;
//   2. the swaying textures and the light steps, both added to the background: every sway adds
//      its texture, shifted sideways by its sway of the moment, inside its rectangle, and every
//      light step its share of light to every background pixel; each sum is kept within 0..255;
//   3. the patches, in list order, each filled with its exact colour while it is visible;
//   4. the objects, in list order (a later one on top), each an exact-colour rectangle while it
//      is on its path.
// Noise, sways and changes of light touch the background only: patch and object pixels always
// hold their exact colours, so colour zones see them at every colour depth.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "zentrik/platform/automation.h"
#include "zentrik/platform/gdi.h"

namespace zentrik {

struct SceneRect {
  Long left = 0;
  Long top = 0;
  Long width = 0;
  Long height = 0;

  bool contains(Long x, Long y) const {
    return x >= left && y >= top && x < static_cast<std::int64_t>(left) + width &&
           y < static_cast<std::int64_t>(top) + height;
  }
  friend bool operator==(const SceneRect&, const SceneRect&) = default;
};

// Frames first <= f < end.
struct FrameRange {
  std::int64_t first = 0;
  std::int64_t end = 0;
};

// When something is shown: frame f counts as f mod `repeat` when `repeat` > 0 (as f itself
// otherwise) and is shown when that value lies in one of `ranges`; no ranges means always.
struct SceneSchedule {
  std::vector<FrameRange> ranges;
  std::int64_t repeat = 0;

  std::int64_t local_frame(std::int64_t frame) const;
  bool shown(std::int64_t frame) const;
};

// A coloured patch: a fixed rectangle of one exact colour, shown on a schedule.
struct ScenePatch {
  std::string name;
  SceneRect rect;
  ColorRef colour = 0;
  SceneSchedule schedule;
};

// A point of a path: where an object's top-left corner is at a frame.
struct Keyframe {
  std::int64_t frame = 0;
  Long x = 0;
  Long y = 0;
};

// A moving object: a rectangle of `width` x `height` of one exact colour whose top-left corner
// follows `path`. With the local frame t (frame mod `repeat` when `repeat` > 0) the object is
// present while path.front().frame <= t < path.back().frame; between keyframes a and b
// (a.frame <= t < b.frame) its corner is
//     x = a.x + (b.x - a.x) * (t - a.frame) / (b.frame - a.frame)
// (and likewise y) in 64-bit integers with the division truncating toward zero. Keyframes are in
// ascending frame order; a path of fewer than two keyframes is never present. Parts of the
// rectangle outside the frame are cut off.
struct SceneObject {
  std::string name;
  Long width = 0;
  Long height = 0;
  ColorRef colour = 0;
  std::vector<Keyframe> path;
  std::int64_t repeat = 0;

  // Where the object is at `frame` (unclipped), or nothing while it is off its path.
  std::optional<SceneRect> position(std::int64_t frame) const;
};

// A change of the light of the whole background: with the local frame t (frame mod the scene's
// `light_repeat` when that is above 0) it adds nothing before `first`, all of `delta` from
// end - 1 on, and delta * (t - first + 1) / (end - first) in between (truncated toward zero): a
// step at `first` when end = first + 1, a fade over first..end - 1 otherwise.
struct LightStep {
  std::int64_t first = 0;
  std::int64_t end = 1;
  Long delta = 0;  // -64..64
};

// A swaying texture, such as leaves in the wind: a seeded smooth texture of +-`contrast` / 2
// (nodes every 4 pixels, bilinear between them) added to the background inside `rect`, moved
// sideways by a triangle wave between -`amplitude` and +`amplitude` pixels with the period
// `period` frames: shift(t) = |((t + period / 4) mod period) * 4 * amplitude / period - 2 *
// amplitude| - amplitude in integers. Neighbouring pixels of the texture differ by at most
// contrast / 4.
struct SceneSway {
  SceneRect rect;
  Long amplitude = 1;        // 0..8 pixels
  std::int64_t period = 30;  // frames, above 0
  Long contrast = 32;        // 0..64
};

struct VirtualSceneOptions {
  std::uint32_t seed = 1;                // background texture and noise
  double frame_rate = 30.0;              // frames per second (above 0, at most 1000)
  bool noise = false;                    // sensor noise on the background
  Long noise_amplitude = 6;              // 0..32: largest offset per channel
  std::int64_t light_change_frame = -1;  // first frame in the changed light; -1: never
  Long light_change_delta = 48;          // -64..64: added to every background channel
  std::int64_t frame_limit = 0;          // frames before the source ends; 0: endless
  std::vector<LightStep> light_steps;    // added up
  std::int64_t light_repeat = 0;         // the light steps repeat with this period; 0: never
  std::vector<SceneSway> sways;
  std::vector<ScenePatch> patches;
  std::vector<SceneObject> objects;
};

// The standard scene, repeating every 300 frames (10 s at 30 fps):
//
//   patch "red"     (20, 20, 40, 30)    RGB(255, 0, 0)     always
//   patch "blue"    (260, 20, 40, 30)   RGB(0, 0, 255)     frames 30..119 of every 300
//   patch "yellow"  (20, 190, 40, 30)   RGB(255, 255, 0)   frames 90..209 of every 300
//   patch "white"   (260, 190, 40, 30)  RGB(255, 255, 255) frames 0..59 and 150..239 of every 300
//   object "green"   24 x 24 RGB(0, 255, 0)    left to right along y = 108: x = -24 at frame 0
//                    to x = 320 at frame 172 (2 px per frame), present frames 0..171 of every 300
//   object "magenta" 20 x 20 RGB(255, 0, 255)  top to bottom along x = 150: y = -20 at frame 100
//                    to y = 240 at frame 230 (2 px per frame), present frames 100..229
//   object "cyan"    16 x 16 RGB(0, 255, 255)  right to left along y = 60: x = 320 at frame 200
//                    to x = -16 at frame 284 (4 px per frame), present frames 200..283
//
// Every colour is in the standard 16-colour table and among the halftone levels 0, 64, 128,
// 192, 255, so it survives both colour reductions exactly. The paths never cross a patch.
std::vector<ScenePatch> standard_patches();
std::vector<SceneObject> standard_objects();

// Options with the standard scene and the given seed.
VirtualSceneOptions standard_scene(std::uint32_t seed = 1);

// A street as a real camera shows it, repeating every 300 frames at 15 frames a second: sensor
// noise of +-4 on the background, a light step of +40 at frame 60 and a fade back over frames
// 150..179, a swaying texture (leaves) at (200, 140, 80, 60) of amplitude 1 and contrast 32
// with a period of 20 frames, and three objects moving 4 pixels a frame:
//   object "walker"  24 x 24 RGB(0, 255, 0)    left to right along y = 100: x = -24 at frame 0
//                    to x = 320 at frame 86
//   object "car"     20 x 20 RGB(255, 0, 255)  top to bottom along x = 40: y = -20 at frame 100
//                    to y = 240 at frame 165
//   object "cyclist" 16 x 16 RGB(0, 255, 255)  right to left along y = 160, through the leaves:
//                    x = 320 at frame 200 to x = -16 at frame 284
// and the standard scene's red patch.
VirtualSceneOptions street_scene(std::uint32_t seed = 1);

}  // namespace zentrik

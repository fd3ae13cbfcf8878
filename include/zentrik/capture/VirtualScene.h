// The virtual camera's scene: renders frame f of a scene script into a 320 x 240 frame, the same
// bytes for the same options and f, and says what the script puts where at frame f.
//
// The background (and its changed-light version) is computed once when the scene is built;
// rendering a frame copies it, adds noise when asked and fills the patch and object rectangles,
// without allocating.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "zentrik/capture/CaptureDriver.h"
#include "zentrik/capture/SceneScript.h"

namespace zentrik {

class VirtualScene {
 public:
  // Raises 5 (invalid procedure call) for options outside their documented ranges.
  explicit VirtualScene(VirtualSceneOptions options);

  const VirtualSceneOptions& options() const { return options_; }

  // Draws frame `frame` (>= 0) into `out` and sets out.index.
  void render(std::int64_t frame, Frame& out) const;

  // One patch or object as frame f shows it.
  struct Item {
    enum class Kind { Patch, Object };
    Kind kind = Kind::Patch;
    std::string name;
    SceneRect rect;  // unclipped
    ColorRef colour = 0;
    bool visible = false;  // patch on its schedule, object on its path
  };
  // Every patch and then every object, in script order (drawing order).
  std::vector<Item> items_at(std::int64_t frame) const;
  // The item of that name at frame f; nothing when the script has no such name.
  std::optional<Item> item_at(std::int64_t frame, const std::string& name) const;
  // The exact colour that frame f shows at (x, y) when a patch or object covers it; nothing where
  // the background shows.
  std::optional<ColorRef> covering_colour(std::int64_t frame, Long x, Long y) const;
  // The background colour at (x, y) of frame f (light changes, sways and noise included).
  ColorRef background_colour(std::int64_t frame, Long x, Long y) const;
  // What the light steps add to the background at frame f.
  Long light_level(std::int64_t frame) const;
  // How far sway `index` is shifted sideways at frame f.
  Long sway_shift(std::size_t index, std::int64_t frame) const;

 private:
  void noisy_background(std::int64_t frame, Frame& out) const;
  // What sway `index`, shifted by `shift`, adds at (x, y): 0 outside its rectangle.
  Long sway_texture_at(std::size_t index, Long shift, Long x, Long y) const;
  // What the light steps and sways add at (x, y) of frame f.
  Long added_light(std::int64_t frame, Long x, Long y) const;
  void add_light_and_sways(std::int64_t frame, Frame& out) const;

  VirtualSceneOptions options_;
  // Static background in frame layout (bottom-up, blue-green-red), plain and changed light.
  std::vector<std::uint8_t> background_;
  std::vector<std::uint8_t> lit_background_;
  // Seeded channel offsets within +-amplitude (as bytes added modulo 256), a frame's worth and
  // more: frame f adds the stretch that starts at a seeded place of its own. Empty without noise.
  std::vector<std::uint8_t> noise_;
  // Per sway: its texture over its rectangle widened by its amplitude on both sides, row by row.
  std::vector<std::vector<Long>> sway_textures_;
};

}  // namespace zentrik

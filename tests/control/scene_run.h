// Running the control over the virtual camera's scripted scene, for the tests that check its
// events against what the scene's script puts where: the control's own and the steady filter's.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <ostream>
#include <vector>

#include "zentrik/capture/DriverRegistry.h"
#include "zentrik/capture/VirtualScene.h"
#include "zentrik/platform/message_box.h"

namespace zentrik::test {

// A zone of layer 1: a motion zone, or a colour zone looking for `value`.
struct SceneZone {
  bool colour = false;
  Integer zone = 0;
  SceneRect rect;
  Long value = 0;
  Integer percentage = 0;
};

// One event of a run: the delivered frame it came with (0 for the first), the zone and state.
struct SceneEvent {
  std::int64_t frame = 0;
  bool colour = false;
  Integer zone = 0;
  Boolean status = vbFalse;
  Integer percentage = 0;
  friend bool operator==(const SceneEvent&, const SceneEvent&) = default;
};
void PrintTo(const SceneEvent& e, std::ostream* os);

// Scripted message boxes and a manual clock around each test.
class SceneTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // The control over `drivers` (it chooses the last one), at `colordepth`, with `zones` in
  // layer 1, taking `frames` frames as fast as they are handled; the events it raised. A report
  // of the capture component fails the test.
  std::vector<SceneEvent> run_scene(const DriverRegistry& drivers,
                                    const std::vector<SceneZone>& zones, std::size_t frames,
                                    Long colordepth = 65535);

 private:
  std::shared_ptr<Presenter> previous_;
};

// True when a visible object of `scene` covers part of `zone` in scene frame `frame`.
bool object_covers(const VirtualScene& scene, std::int64_t frame, const SceneRect& zone);

}  // namespace zentrik::test

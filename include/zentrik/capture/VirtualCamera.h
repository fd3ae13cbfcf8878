// The built-in virtual camera: a capture driver that plays a VirtualScene (see SceneScript.h for
// the script, standard_scene() for the default one) at 320 x 240, frame after frame.
//
// Frame n of a run is scene frame n: open() starts at frame 0, each next_frame() gives the next
// one, whatever the pacing, so a test knows from the number of frames delivered exactly what the
// picture shows. stop() and start() pause and resume without skipping a frame. With a
// frame_limit the source ends (FrameStatus::End) after that many frames.
#pragma once

#include <memory>
#include <string>

#include "zentrik/capture/CaptureDriver.h"
#include "zentrik/capture/SceneScript.h"
#include "zentrik/capture/VirtualScene.h"

namespace zentrik {

class VirtualCamera : public CaptureDriver {
 public:
  static constexpr const char* kDescription = "Zentrik virtual camera";

  explicit VirtualCamera(VirtualSceneOptions options = standard_scene());
  // Plays a scene shared with others (the scene is never changed once built).
  explicit VirtualCamera(std::shared_ptr<const VirtualScene> scene);

  std::string description() const override;
  std::string version() const override;
  bool open() override;
  void close() override;
  bool start() override;
  void stop() override;
  FrameStatus next_frame(Frame& frame) override;
  double frame_rate() const override;
  std::string error() const override;

  const VirtualScene& scene() const { return *scene_; }
  bool is_open() const { return open_; }
  bool is_started() const { return started_; }
  // The scene frame that the next next_frame() delivers.
  std::int64_t next_index() const { return next_; }

 private:
  std::shared_ptr<const VirtualScene> scene_;
  bool open_ = false;
  bool started_ = false;
  std::int64_t next_ = 0;
  std::string error_;
};

// The version text the project's drivers report.
std::string capture_driver_version();

}  // namespace zentrik

// The virtual camera driver: the state machine of open, start, stop and close around a scene.
#include "zentrik/capture/VirtualCamera.h"

#ifndef ZENTRIK_VERSION_TEXT
#error "the build passes ZENTRIK_VERSION_TEXT"
#endif

namespace zentrik {

std::string capture_driver_version() {
  return ZENTRIK_VERSION_TEXT;
}

VirtualCamera::VirtualCamera(VirtualSceneOptions options)
    : scene_(std::make_shared<const VirtualScene>(std::move(options))) {}

VirtualCamera::VirtualCamera(std::shared_ptr<const VirtualScene> scene)
    : scene_(std::move(scene)) {}

std::string VirtualCamera::description() const {
  return kDescription;
}

std::string VirtualCamera::version() const {
  return capture_driver_version();
}

bool VirtualCamera::open() {
  open_ = true;
  started_ = false;
  next_ = 0;
  error_.clear();
  return true;
}

void VirtualCamera::close() {
  open_ = false;
  started_ = false;
}

bool VirtualCamera::start() {
  if (!open_) {
    error_ = "The virtual camera is not open";
    return false;
  }
  started_ = true;
  return true;
}

void VirtualCamera::stop() {
  started_ = false;
}

FrameStatus VirtualCamera::next_frame(Frame& frame) {
  if (!open_ || !started_) {
    error_ = open_ ? "The virtual camera is not started" : "The virtual camera is not open";
    return FrameStatus::Error;
  }
  const std::int64_t limit = scene_->options().frame_limit;
  if (limit > 0 && next_ >= limit) return FrameStatus::End;
  scene_->render(next_, frame);
  ++next_;
  return FrameStatus::Ok;
}

double VirtualCamera::frame_rate() const {
  return scene_->options().frame_rate;
}

std::string VirtualCamera::error() const {
  return error_;
}

}  // namespace zentrik

// One camera of the browser host: start-up, capture state, frames, labels and events.
#include "camera.h"

#include <chrono>
#include <filesystem>
#include <stdexcept>

#include "api_json.h"
#include "zentrik/capture/SceneScript.h"
#include "zentrik/control/OrvexTypeLibrary.h"
#include "zentrik/control/orvex.h"
#include "zentrik/filters/SteadyDriver.h"
#include "zentrik/platform/message_loop.h"
#include "zentrik/sources/DriverOrder.h"
#include "zentrik/sources/SourceStatus.h"

namespace zentrik {
namespace {

const char* state_name(SourceState state) {
  switch (state) {
    case SourceState::Retrying:
      return "retrying";
    case SourceState::Ended:
      return "ended";
    case SourceState::Failed:
      return "failed";
    default:
      return "running";
  }
}

}  // namespace

// Passes every call to the real driver and tells the camera when a frame is taken: the control
// handles that frame in the same loop task, so work posted now runs after it.
class Camera::FrameTap final : public CaptureDriver {
 public:
  FrameTap(std::unique_ptr<CaptureDriver> inner, Camera& camera)
      : inner_(std::move(inner)), camera_(camera) {}
  std::string description() const override { return inner_->description(); }
  std::string version() const override { return inner_->version(); }
  bool open() override { return inner_->open(); }
  void close() override { inner_->close(); }
  bool start() override { return inner_->start(); }
  void stop() override { inner_->stop(); }
  FrameStatus next_frame(Frame& frame) override {
    const FrameStatus status = inner_->next_frame(frame);
    if (status == FrameStatus::Ok) camera_.frame_arrived();
    return status;
  }
  double frame_rate() const override { return inner_->frame_rate(); }
  std::string error() const override { return inner_->error(); }
  bool set_frame_notifier(FrameNotifier notify) override {
    return inner_->set_frame_notifier(std::move(notify));
  }

 private:
  std::unique_ptr<CaptureDriver> inner_;
  Camera& camera_;
};

Camera::Camera(HostServices& services, CameraConfig config)
    : services_(services), config_(std::move(config)), alive_(std::make_shared<Camera*>(this)) {
  namespace fs = std::filesystem;
  snapshot_dir_ = !config_.snapshots.empty()
                      ? config_.snapshots
                      : (fs::path(services_.state_dir) / "snapshots" / config_.name).string();
  edits_file_ = (fs::path(services_.state_dir) / (config_.name + ".zentrik")).string();
}

Camera::~Camera() {
  stop();
}

DriverRegistry::Entry Camera::driver_entry() {
  DriverRegistry::Entry entry;
  if (config_.source.empty()) {
    VirtualSceneOptions scene = standard_scene();
    if (services_.virtual_frame_rate > 0) scene.frame_rate = services_.virtual_frame_rate;
    entry = DriverRegistry::virtual_camera(std::move(scene));
  } else {
    MediaSourceOptions options;
    options.analyse_fps = config_.analyse_fps;
    options.full_decode = config_.full_decode;
    std::weak_ptr<Camera*> token = alive_;
    options.on_status = [token](const SourceStatus& status) {
      MessageLoop::instance().post([token, status] {
        if (auto self = token.lock())
          (*self)->set_source(state_name(status.state), describe(status));
      });
    };
    entry = named_source_entry(config_.source, {}, options);
  }
  source_display_ = entry.description;
  DriverRegistry::Factory inner = std::move(entry.make);
  entry.make = [inner, this]() -> std::unique_ptr<CaptureDriver> {
    std::unique_ptr<CaptureDriver> driver = inner();
    if (!driver) return nullptr;
    if (config_.steady) driver = std::make_unique<SteadyDriver>(std::move(driver), *config_.steady);
    return std::make_unique<FrameTap>(std::move(driver), *this);
  };
  return entry;
}

void Camera::start() {
  std::filesystem::create_directories(snapshot_dir_);
  registry_.clear();
  registry_.add(driver_entry());
  auto video = std::make_unique<ezVidCap>(registry_);
  video->on_report(
      [this](const ezVidCap::Report& report) { on_report(report.number, report.description); });
  services_.current_camera = id();
  control_ = std::make_unique<orvex>(std::move(video));
  sink_ = std::make_unique<FunctionSink>(
      [this](DispId event, std::span<Variant> args) { on_zone_event(event, args); });
  control_->events().advise(sink_.get());
  control_->video().set_pacing(services_.pacing);
  run_scripts();
  if (control_->active() != vbTrue) put("active", Variant::from_boolean(vbTrue));
  observe_layer();
  published_outlines_ = outlines();
}

void Camera::stop() {
  if (!control_) return;
  alive_ = std::make_shared<Camera*>(this);  // tasks already posted find the camera gone
  feed_.close();
  control_->events().unadvise();
  control_->set_active(vbFalse);
  control_.reset();
}

void Camera::on_report(Long number, const std::string& description) {
  if (number == ezVidCap::kSourceEndedError) {
    set_source("ended", description);
  } else if (number == ezVidCap::kDriverFailedError || number == ezVidCap::kNoDriverError) {
    set_source("failed",
               description + "; trying again in " + std::to_string(services_.retry_seconds) + " s");
    retry_due_ = true;
    ticks_to_retry_ = services_.retry_seconds;
  } else {
    services_.publish("message", api_json::message_event(id(), {"Zentrik", description}));
  }
}

void Camera::set_source(const std::string& state, const std::string& message) {
  if (state == source_state_ && message == source_message_) return;
  source_state_ = state;
  source_message_ = message;
  publish_state();
}

void Camera::frame_arrived() {
  frame_unix_ms_ = unix_ms_now();
  services_.current_camera = id();
  if (after_frame_posted_) return;
  after_frame_posted_ = true;
  std::weak_ptr<Camera*> token = alive_;
  MessageLoop::instance().post([token] {
    if (auto self = token.lock()) (*self)->after_frame();
  });
}

void Camera::after_frame() {
  after_frame_posted_ = false;
  if (!control_) return;
  if (source_state_ != "running") set_source("running", "");
  observe_layer();
  if (feed_.watched()) {
    if (JpegBytes picture = live_jpeg()) feed_.publish(std::move(picture), frame_unix_ms_);
  }
  publish_outlines_if_changed();
  hand_over_snapshot();
}

void Camera::deliver_frame() {
  if (control_) control_->video().deliver_frames(1);
}

void Camera::tick() {
  if (!control_) return;
  if (retry_due_ && --ticks_to_retry_ <= 0) {
    retry_due_ = false;
    if (control_->active() == vbTrue) {
      set_source("retrying", "trying the source again");
      put("active", Variant::from_boolean(vbTrue));
    }
  }
  publish_state();
}

CameraView Camera::view(bool with_zones) const {
  CameraView v;
  v.id = id();
  v.name = id();
  v.source = source_display_;
  v.source_state = source_state_;
  v.source_message = source_message_;
  if (!control_) return v;
  const OrvexState& s = control_->state();
  v.active = s.active == vbTrue;
  v.running = v.active && control_->video().streaming() && source_state_ == "running";
  v.fps_caption = control_->fps_display().Caption();
  v.status_caption = control_->informatie().Caption();
  v.version_caption = control_->lblVersion().Caption();
  v.layer = s.layer;
  v.colordepth = s.colordepth;
  v.debugpreview = s.debugpreview != vbFalse;
  v.frame = control_->video().frames_delivered();
  if (!with_zones) return v;
  for (Integer layer = 1; layer <= kZoneLayers; ++layer) {
    for (Integer zone = 1; zone <= kZonesPerLayer; ++zone) {
      if (s.motion_percentage(layer, zone) > 0) {
        v.zones.push_back({layer, zone, false, s.motion_left(layer, zone),
                           s.motion_top(layer, zone), s.motion_width(layer, zone),
                           s.motion_height(layer, zone), s.motion_percentage(layer, zone), 0,
                           config_.zone_names.name(layer, zone)});
      }
      if (s.color_percentage(layer, zone) > 0) {
        v.zones.push_back({layer, zone, true, s.color_left(layer, zone), s.color_top(layer, zone),
                           s.color_width(layer, zone), s.color_height(layer, zone),
                           s.color_percentage(layer, zone), s.color_value(layer, zone),
                           config_.zone_names.name(layer, zone)});
      }
    }
  }
  v.outlines = outlines();
  return v;
}

std::vector<OutlineView> Camera::outlines() const {
  std::vector<OutlineView> list;
  if (!control_) return list;
  for (Integer zone = 1; zone <= kZonesPerLayer; ++zone) {
    const Shape& shape = control_->zone_weergave(zone);
    if (!shape.Visible() && shape.Width() == 0 && shape.Height() == 0) continue;
    list.push_back({zone, static_cast<int>(shape.Left() / kTwipsPerPixel),
                    static_cast<int>(shape.Top() / kTwipsPerPixel),
                    static_cast<int>(shape.Width() / kTwipsPerPixel),
                    static_cast<int>(shape.Height() / kTwipsPerPixel), shape.Visible(),
                    static_cast<long>(shape.BorderColor())});
  }
  return list;
}

void Camera::publish_state() {
  std::string state = api_json::camera_event(view(false));
  if (state == published_state_) return;
  published_state_ = state;
  services_.publish("camera", std::move(state));
}

void Camera::publish_outlines_if_changed() {
  std::vector<OutlineView> now = outlines();
  const bool same = now.size() == published_outlines_.size() &&
                    std::equal(now.begin(), now.end(), published_outlines_.begin(),
                               [](const OutlineView& a, const OutlineView& b) {
                                 return a.zone == b.zone && a.left == b.left && a.top == b.top &&
                                        a.width == b.width && a.height == b.height &&
                                        a.visible == b.visible && a.color == b.color;
                               });
  if (same) return;
  published_outlines_ = std::move(now);
  services_.publish("outlines", api_json::outlines_event(id(), published_outlines_));
}

void Camera::invoke(const char* member, MemberKind kind, std::vector<Variant>& args) {
  services_.current_camera = id();
  control_->invoke(member, kind, std::span<Variant>(args));
}

void Camera::put(const char* member, Variant value) {
  std::vector<Variant> args{std::move(value)};
  invoke(member, MemberKind::PropertyPut, args);
}

void Camera::write(const PropertyWrite& write) {
  if (write.colordepth) put("colordepth", Variant(static_cast<Long>(*write.colordepth)));
  if (write.debugpreview) put("debugpreview", Variant::boolean(*write.debugpreview));
  if (write.layer) put("layer", Variant(static_cast<Integer>(*write.layer)));
  if (write.active) put("active", Variant::boolean(*write.active));
  observe_layer();
  publish_state();
  publish_outlines_if_changed();
}

std::pair<std::string, long> Camera::pixel(int x, int y) {
  std::vector<MessageView> boxes;
  std::vector<MessageView>* outer = services_.collecting;
  services_.collecting = &boxes;
  services_.current_camera = id();
  control_->preview_mouse_down(1, 0, static_cast<float>(x * kTwipsPerPixel),
                               static_cast<float>(y * kTwipsPerPixel));
  services_.collecting = outer;
  if (outer) outer->insert(outer->end(), boxes.begin(), boxes.end());
  const long colour = GetPixel(control_->beeld().hDC(), x, y);
  return {boxes.empty() ? std::string() : boxes.back().text, colour};
}

void Camera::show_about() {
  std::vector<Variant> none;
  invoke("ShowAbout", MemberKind::Method, none);
}

}  // namespace zentrik

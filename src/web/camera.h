// One camera of the browser host: an `orvex` control over its own capture driver, driven by
// member name through the control's dispatch interface, its zones kept across restarts, its
// preview encoded once per frame while someone watches. Loop thread only, except feed().
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "host_services.h"
#include "live_feed.h"
#include "zentrik/capture/DriverRegistry.h"
#include "zentrik/config/ServeConfig.h"
#include "zentrik/events/WarmUp.h"
#include "zentrik/events/ZoneEvent.h"
#include "zentrik/imaging/cDIBSection.h"
#include "zentrik/mqtt/MqttPublisher.h"
#include "zentrik/platform/dispatch.h"
#include "zentrik/web/CameraView.h"
#include "zentrik/web/HttpMessage.h"

namespace zentrik {

class orvex;

class Camera {
 public:
  Camera(HostServices& services, CameraConfig config);
  ~Camera();
  Camera(const Camera&) = delete;
  Camera& operator=(const Camera&) = delete;

  // Makes the control, runs the camera's script and its kept edits, starts capture. Throws
  // std::runtime_error naming the script and line when a script is faulty.
  void start();
  // Stops capture and lets the control go.
  void stop();

  const std::string& id() const { return config_.name; }
  const std::string& snapshot_dir() const { return snapshot_dir_; }
  LiveFeed& feed() { return feed_; }  // any thread

  CameraView view(bool with_zones = true) const;
  void write(const PropertyWrite& write);
  // The control's pixel read-out at (x, y) of the processed picture: its text and the colour.
  std::pair<std::string, long> pixel(int x, int y);
  void add_zone(const ZoneEdit& edit);
  void remove_zone(int layer, int zone, bool color_kind);
  void clear_layer(int layer);
  std::string snapshot();  // the file name the next frame writes
  JpegBytes live_jpeg();   // the newest live picture, encoded at most once per frame
  std::vector<std::uint8_t> processed_bmp();
  // The About box's caption and lines, as ShowAbout shows them.
  void show_about();

  // Without real-time pacing: reads one frame now.
  void deliver_frame();
  // The host's one-second tick: labels that changed, a failed source due for another try.
  void tick();
  // The camera as the MQTT publisher sees it (after start()); `changed` runs after a command.
  MqttCamera mqtt_camera(std::function<void()> changed);

 private:
  class FrameTap;

  DriverRegistry::Entry driver_entry();
  void on_report(Long number, const std::string& description);
  void set_source(const std::string& state, const std::string& message);
  void frame_arrived();
  void after_frame();
  void run_scripts();
  void invoke(const char* member, MemberKind kind, std::vector<Variant>& args);
  void put(const char* member, Variant value);
  void set_zone(int layer, int zone, bool color_kind, int left, int top, int width, int height,
                long color, int percentage);
  void refresh_outlines(int edited_layer);
  void save_edits();
  std::vector<OutlineView> outlines() const;
  void publish_state();
  void publish_outlines_if_changed();
  void hand_over_snapshot();
  void on_zone_event(DispId id, std::span<Variant> args);
  void take_event_snapshot(const ZoneEvent& event);
  void observe_layer();

  HostServices& services_;
  CameraConfig config_;
  std::string snapshot_dir_;
  std::string edits_file_;
  std::string source_display_;
  DriverRegistry registry_;
  std::unique_ptr<orvex> control_;
  std::unique_ptr<FunctionSink> sink_;
  std::shared_ptr<Camera*> alive_;

  std::string source_state_ = "running";
  std::string source_message_;
  bool retry_due_ = false;
  int ticks_to_retry_ = 0;
  bool after_frame_posted_ = false;
  std::int64_t frame_unix_ms_ = 0;  // when the newest frame came from the driver

  LiveFeed feed_;
  cDIBSection picture_dib_;
  JpegBytes live_cache_;
  std::int64_t live_cache_frame_ = -1;

  std::set<std::pair<int, int>> edited_slots_;  // (layer, zone) the page has changed
  std::deque<std::string> pending_snapshots_;
  std::uint64_t snapshot_serial_ = 0;
  WarmUp warm_up_;
  std::map<std::pair<int, int>, std::int64_t> event_snapshot_ms_;  // the last per zone
  std::vector<OutlineView> published_outlines_;
  std::string published_state_;
};

}  // namespace zentrik

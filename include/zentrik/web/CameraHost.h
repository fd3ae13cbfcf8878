// The browser host's cameras: one `orvex` control per camera, all on the message-loop thread, as
// one form hosts several controls. Other threads (the HTTP workers) never touch a control: they
// hand work to the loop and wait a bounded time for its answer, or read what the loop publishes
// (the newest preview picture, the event stream).
//
// Message boxes the controls raise are answered at once with their default button, so an
// unattended camera never freezes; each box is sent as a `message` event and returned with the
// request that raised it.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "zentrik/config/ServeConfig.h"
#include "zentrik/mqtt/MqttSettings.h"
#include "zentrik/web/CameraView.h"
#include "zentrik/web/HttpMessage.h"

namespace zentrik {

class Camera;
class EventHub;
class LiveFeed;
class MqttPublisher;
class Presenter;
struct HostServices;
using JpegBytes = std::shared_ptr<const std::vector<std::uint8_t>>;

struct CameraHostOptions {
  std::string state_dir = "zentrik-state";
  std::string default_script_text;  // for cameras without a script (the built-in demo)
  std::string default_script_name;
  bool real_time = true;          // false: frames only when deliver_frames() asks (tests)
  double virtual_frame_rate = 0;  // above 0: the virtual camera's frames per second
  int retry_seconds = 5;          // pause before a failed source is tried again
  std::chrono::milliseconds call_timeout{3000};
  // The broker every camera publishes to (events, zone states, snapshots, commands, discovery);
  // nothing: no MQTT. `report` gets its messages for the user (connection trouble, commands
  // refused), on the loop thread.
  std::optional<MqttSettings> mqtt;
  std::function<void(const std::string&)> report;
};

class CameraHost {
 public:
  CameraHost(std::vector<CameraConfig> cameras, CameraHostOptions options);
  ~CameraHost();
  CameraHost(const CameraHost&) = delete;
  CameraHost& operator=(const CameraHost&) = delete;

  // Loop thread: the thread that calls start() is the host's loop thread. Makes every camera
  // and starts capture; throws std::runtime_error naming the faulty script.
  void start();
  // Any thread: from now on every request is answered with 503 and every stream ends; the
  // cameras go on until stop(). Call it before stopping the HTTP server, so that no worker waits
  // for a loop that no longer runs.
  void close();
  // Loop thread: close(), then stops every camera.
  void stop();
  // Loop thread, without real-time pacing: one frame of every camera, and the work it posts.
  void deliver_frames();

  // Any thread.
  std::size_t size() const { return ids_.size(); }
  std::optional<std::size_t> find(std::string_view id) const;
  const std::string& id(std::size_t camera) const { return ids_[camera]; }
  const std::string& snapshot_dir(std::size_t camera) const { return snapshot_dirs_[camera]; }
  EventHub& events();
  LiveFeed& feed(std::size_t camera);
  bool closing() const;

  // Any thread: the API's work, done on the loop thread. Throws ApiError (503 when the loop
  // does not answer within the call time-out or the host is stopping).
  std::vector<CameraView> cameras();
  CameraView camera(std::size_t camera);
  CameraView write_properties(std::size_t camera, const PropertyWrite& write);
  std::pair<std::string, long> pixel(std::size_t camera, int x, int y);
  CameraView add_zone(std::size_t camera, const ZoneEdit& edit);
  CameraView remove_zone(std::size_t camera, int layer, int zone, bool color_kind);
  CameraView clear_layer(std::size_t camera, int layer);
  std::string snapshot(std::size_t camera);
  JpegBytes live_jpeg(std::size_t camera);
  std::vector<std::uint8_t> processed_bmp(std::size_t camera);
  std::pair<std::string, std::vector<std::string>> about();

 private:
  // Runs `work` on the loop thread (at once when called there) and waits for it.
  void on_loop(const std::function<void()>& work);
  template <typename Result, typename Work>
  Result loop_call(Work work) {
    std::optional<Result> result;
    on_loop([&] { result.emplace(work()); });
    return std::move(*result);
  }
  CameraView with_messages(std::size_t camera, const std::function<void(Camera&)>& change);
  void tick();
  void start_mqtt();
  void zones_changed(std::size_t camera);

  struct Call;
  CameraHostOptions options_;
  std::vector<CameraConfig> configs_;
  std::vector<std::string> ids_;
  std::vector<std::string> snapshot_dirs_;
  std::unique_ptr<HostServices> services_;
  std::vector<std::unique_ptr<Camera>> cameras_;
  std::shared_ptr<Presenter> previous_presenter_;
  std::unique_ptr<MqttPublisher> mqtt_;
  std::uint64_t tick_timer_ = 0;
  std::uint64_t mqtt_timer_ = 0;
  std::thread::id loop_thread_;

  mutable std::mutex mutex_;
  std::condition_variable answered_;
  bool closing_ = false;
};

}  // namespace zentrik

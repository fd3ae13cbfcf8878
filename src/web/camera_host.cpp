// The cameras on the loop thread, the bounded hand-over of work from other threads, and the
// presenter that answers message boxes at once.
#include "zentrik/web/CameraHost.h"

#include <exception>

#include "api_json.h"
#include "camera.h"
#include "host_services.h"
#include "zentrik/about/frmAbout.h"
#include "zentrik/mqtt/MqttPublisher.h"
#include "zentrik/platform/message_box.h"
#include "zentrik/platform/message_loop.h"

namespace zentrik {
namespace {

constexpr Long kTickMs = 1000;
constexpr Long kMqttTickMs = 100;  // hold times run out within this

// The answer a person gets by pressing Enter: the box's default button.
Long default_answer(Long style) {
  constexpr Long kCancel = 2, kAbort = 3, kRetry = 4, kIgnore = 5;
  static const Long kButtons[6][3] = {{vbOK, vbOK, vbOK},        {vbOK, kCancel, kCancel},
                                      {kAbort, kRetry, kIgnore}, {vbYes, vbNo, kCancel},
                                      {vbYes, vbNo, vbNo},       {kRetry, kCancel, kCancel}};
  const Long buttons = style & 7;
  const Long which = (style >> 8) & 3;
  if (buttons > 5 || which > 2) return vbOK;
  return kButtons[buttons][which];
}

// Nobody sits at the server: every box is answered with its default button at once and shown on
// the page as a `message` event; modal forms (the About box) are read and closed.
class AnsweringPresenter : public Presenter {
 public:
  explicit AnsweringPresenter(HostServices& services) : services_(services) {}

  Long message_box(const std::string& text, Long style, const std::string& title) override {
    MessageView box{title, text};
    if (services_.collecting) services_.collecting->push_back(box);
    services_.publish("message", api_json::message_event(services_.current_camera, box));
    return default_answer(style);
  }

  void show_modal(ModalForm& form) override {
    form.RunModal();
    services_.about_title = form.Caption();
    services_.about_lines.clear();
    if (auto* about = dynamic_cast<frmAbout*>(&form)) {
      for (const Label* label :
           {&about->lblTitle, &about->lblVersion, &about->lblDescription, &about->lblDisclaimer[0],
            &about->lblDisclaimer[1], &about->lblDisclaimer[2]}) {
        services_.about_lines.push_back(label->Caption());
      }
    }
  }

 private:
  HostServices& services_;
};

}  // namespace

struct CameraHost::Call {
  bool abandoned = false;
  bool running = false;
  bool done = false;
  std::exception_ptr error;
};

CameraHost::CameraHost(std::vector<CameraConfig> cameras, CameraHostOptions options)
    : options_(std::move(options)), configs_(std::move(cameras)) {
  services_ = std::make_unique<HostServices>();
  services_->state_dir = options_.state_dir;
  services_->pacing =
      options_.real_time ? ezVidCap::Pacing::RealTime : ezVidCap::Pacing::AsFastAsConsumed;
  services_->default_script_text = options_.default_script_text;
  services_->default_script_name = options_.default_script_name;
  services_->virtual_frame_rate = options_.virtual_frame_rate;
  services_->retry_seconds = options_.retry_seconds;
  for (const CameraConfig& config : configs_) {
    cameras_.push_back(std::make_unique<Camera>(*services_, config));
    ids_.push_back(config.name);
    snapshot_dirs_.push_back(cameras_.back()->snapshot_dir());
  }
}

CameraHost::~CameraHost() {
  stop();
}

void CameraHost::start() {
  loop_thread_ = std::this_thread::get_id();
  previous_presenter_ = set_presenter(std::make_shared<AnsweringPresenter>(*services_));
  for (auto& camera : cameras_) {
    try {
      camera->start();
    } catch (const std::exception& e) {
      throw std::runtime_error("camera " + camera->id() + ": " + e.what());
    }
  }
  tick_timer_ = MessageLoop::instance().add_timer(kTickMs, [this] { tick(); });
  if (options_.mqtt) start_mqtt();
}

// One connection for every camera; broker trouble is reported and the cameras go on.
void CameraHost::start_mqtt() {
  auto report = options_.report ? options_.report : [](const std::string&) {};
  mqtt_ = std::make_unique<MqttPublisher>(*options_.mqtt, report);
  services_->mqtt = mqtt_.get();
  std::string error;
  for (auto& camera : cameras_) {
    if (!mqtt_->add_camera(camera->mqtt_camera(nullptr), &error)) break;
  }
  if (!error.empty() || !mqtt_->start(&error)) {
    report("MQTT: " + error + "; the cameras go on without MQTT");
    services_->mqtt = nullptr;
    mqtt_.reset();
    return;
  }
  mqtt_timer_ = MessageLoop::instance().add_timer(
      kMqttTickMs, [this] { mqtt_->tick(MessageLoop::instance().now_ms()); });
}

void CameraHost::zones_changed(std::size_t camera) {
  if (mqtt_) mqtt_->zones_changed(ids_.at(camera));
}

void CameraHost::close() {
  {
    std::lock_guard lock(mutex_);
    closing_ = true;
  }
  answered_.notify_all();
  services_->hub.close();
  for (auto& camera : cameras_) camera->feed().close();
}

void CameraHost::stop() {
  if (cameras_.empty()) return;
  close();
  MessageLoop& loop = MessageLoop::instance();
  if (tick_timer_) loop.remove_timer(tick_timer_);
  tick_timer_ = 0;
  if (mqtt_timer_) loop.remove_timer(mqtt_timer_);
  mqtt_timer_ = 0;
  loop.run_until_idle();     // calls still queued find the host closing
  if (mqtt_) mqtt_->stop();  // the final states and offline, while the controls are there
  services_->mqtt = nullptr;
  mqtt_.reset();
  for (auto& camera : cameras_) camera->stop();
  cameras_.clear();
  loop.run_until_idle();
  if (previous_presenter_) set_presenter(std::move(previous_presenter_));
}

void CameraHost::deliver_frames() {
  for (auto& camera : cameras_) camera->deliver_frame();
  MessageLoop::instance().run_until_idle();
}

void CameraHost::tick() {
  for (auto& camera : cameras_) camera->tick();
}

std::optional<std::size_t> CameraHost::find(std::string_view id) const {
  for (std::size_t i = 0; i < ids_.size(); ++i) {
    if (ids_[i] == id) return i;
  }
  return std::nullopt;
}

EventHub& CameraHost::events() {
  return services_->hub;
}

LiveFeed& CameraHost::feed(std::size_t camera) {
  return cameras_.at(camera)->feed();
}

bool CameraHost::closing() const {
  std::lock_guard lock(mutex_);
  return closing_;
}

void CameraHost::on_loop(const std::function<void()>& work) {
  if (std::this_thread::get_id() == loop_thread_) {
    if (cameras_.empty()) throw ApiError(503, "the server is stopping");
    work();
    return;
  }
  auto call = std::make_shared<Call>();
  std::unique_lock lock(mutex_);
  if (closing_) throw ApiError(503, "the server is stopping");
  // Posted under the lock, so stop() sees every call posted before it closed the host.
  MessageLoop::instance().post([this, call, &work] {
    {
      std::lock_guard inner(mutex_);
      if (call->abandoned || closing_) return;
      call->running = true;
    }
    try {
      work();
    } catch (...) {
      call->error = std::current_exception();
    }
    {
      std::lock_guard inner(mutex_);
      call->done = true;
    }
    answered_.notify_all();
  });
  answered_.wait_for(lock, options_.call_timeout,
                     [&] { return call->done || (closing_ && !call->running); });
  // Work that has begun is finished: it refers to the caller's values.
  answered_.wait(lock, [&] { return call->done || !call->running; });
  if (!call->done) {
    call->abandoned = true;
    throw ApiError(
        503, closing_ ? "the server is stopping" : "the cameras did not answer in time; try again");
  }
  lock.unlock();
  if (call->error) std::rethrow_exception(call->error);
}

CameraView CameraHost::with_messages(std::size_t camera,
                                     const std::function<void(Camera&)>& change) {
  return loop_call<CameraView>([&] {
    std::vector<MessageView> boxes;
    services_->collecting = &boxes;
    try {
      change(*cameras_.at(camera));
    } catch (...) {
      services_->collecting = nullptr;
      throw;
    }
    services_->collecting = nullptr;
    CameraView view = cameras_.at(camera)->view();
    view.messages = std::move(boxes);
    return view;
  });
}

std::vector<CameraView> CameraHost::cameras() {
  return loop_call<std::vector<CameraView>>([&] {
    std::vector<CameraView> views;
    for (auto& camera : cameras_) views.push_back(camera->view());
    return views;
  });
}

CameraView CameraHost::camera(std::size_t camera) {
  return loop_call<CameraView>([&] { return cameras_.at(camera)->view(); });
}

CameraView CameraHost::write_properties(std::size_t camera, const PropertyWrite& write) {
  return with_messages(camera, [&](Camera& c) {
    c.write(write);
    zones_changed(camera);  // the broker's layer, colordepth and active states too
  });
}

std::pair<std::string, long> CameraHost::pixel(std::size_t camera, int x, int y) {
  return loop_call<std::pair<std::string, long>>([&] { return cameras_.at(camera)->pixel(x, y); });
}

CameraView CameraHost::add_zone(std::size_t camera, const ZoneEdit& edit) {
  return with_messages(camera, [&](Camera& c) {
    c.add_zone(edit);
    zones_changed(camera);
  });
}

CameraView CameraHost::remove_zone(std::size_t camera, int layer, int zone, bool color_kind) {
  return with_messages(camera, [&](Camera& c) {
    c.remove_zone(layer, zone, color_kind);
    zones_changed(camera);
  });
}

CameraView CameraHost::clear_layer(std::size_t camera, int layer) {
  return with_messages(camera, [&](Camera& c) {
    c.clear_layer(layer);
    zones_changed(camera);
  });
}

std::string CameraHost::snapshot(std::size_t camera) {
  return loop_call<std::string>([&] { return cameras_.at(camera)->snapshot(); });
}

JpegBytes CameraHost::live_jpeg(std::size_t camera) {
  return loop_call<JpegBytes>([&] { return cameras_.at(camera)->live_jpeg(); });
}

std::vector<std::uint8_t> CameraHost::processed_bmp(std::size_t camera) {
  return loop_call<std::vector<std::uint8_t>>([&] { return cameras_.at(camera)->processed_bmp(); });
}

std::pair<std::string, std::vector<std::string>> CameraHost::about() {
  return loop_call<std::pair<std::string, std::vector<std::string>>>([&] {
    if (cameras_.empty()) throw ApiError(503, "no camera");
    cameras_.front()->show_about();
    return std::make_pair(services_->about_title, services_->about_lines);
  });
}

}  // namespace zentrik

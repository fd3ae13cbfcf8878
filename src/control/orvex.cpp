// The control's creation, start-up, fixed size, capture switching and frame-rate display.
#include "zentrik/control/orvex.h"

#include "SplashPicture.h"
#include "ZoneCounter.h"

#include "zentrik/about/frmAbout.h"
#include "zentrik/colourdepth/cDIBSectionSave.h"
#include "zentrik/control/DriverSearch.h"
#include "zentrik/imaging/cDIBSection.h"
#include "zentrik/platform/application.h"

namespace zentrik {
namespace {

constexpr ColorRef kBlue = RGB(0, 0, 255);
constexpr ColorRef kRed = RGB(255, 0, 0);
constexpr ColorRef kWhite = RGB(255, 255, 255);

}  // namespace

// Runs the frame pipeline for each frame_ready of the capture component.
class orvex::FrameSink : public EventSink {
 public:
  explicit FrameSink(orvex& owner) : owner_(owner) {}
  void on_event(DispId id, std::span<Variant>) override {
    if (id == ezVidCap::kFrameReady) owner_.frame_ready();
  }

 private:
  orvex& owner_;
};

orvex::orvex(const DriverRegistry& drivers) : orvex(std::make_unique<ezVidCap>(drivers)) {}

orvex::orvex(std::unique_ptr<ezVidCap> video)
    : video_(std::move(video)),
      tmp_(kFrameWidth, kFrameHeight, /*autoRedraw=*/true),
      beeld_(kFrameWidth, kFrameHeight, /*autoRedraw=*/false),
      counter_(std::make_unique<ZoneCounter>()),
      events_(OrvexTypeLibrary::event_info()),
      frameSink_(std::make_unique<FrameSink>(*this)) {
  create_children();
  video_->events().advise(frameSink_.get());
  start_up();
  apply_fixed_size();
}

orvex::~orvex() {
  if (video_->events().sink() == frameSink_.get()) video_->events().unadvise();
}

const TypeInfo& orvex::type_info() const {
  return OrvexTypeLibrary::interface_info();
}

void orvex::create_children() {
  background_ = make_splash_picture();

  // The component sits at the top left, hidden until capture is switched on.
  videoSite_.Move(0, 0, 2400, 1800);
  video_->put(ezVidCap::kVisible, Variant::from_boolean(vbFalse));
  videoSite_.SetVisible(false);

  tmp_.Move(4920, 0, 4800, 3600);
  tmp_.SetBackColor(kBlue);

  beeld_.Move(0, 3840, 4800, 3600);
  beeld_.SetBackColor(kWhite);
  beeld_.SetVisible(false);
  beeld_.OnMouseDown([this](Integer, Integer, float x, float y) { pixel_readout(x, y); });

  for (Shape& outline : zone_weergave_) outline.SetVisible(false);

  lblVersion_.Move(120, 3600, 4575, 255);
  lblVersion_.SetForeColor(kRed);
  lblVersion_.SetBackColor(kWhite);

  fps_display_.Move(120, 3600, 1575, 255);
  fps_display_.SetForeColor(kBlue);
  fps_display_.SetBackColor(kWhite);
  fps_display_.SetCaption("FPS = 0");
  fps_display_.SetVisible(false);

  informatie_.Move(2400, 3600, 2295, 255);
  informatie_.SetForeColor(kBlue);
  informatie_.SetBackColor(kWhite);
  informatie_.SetCaption("Preview mode");
  informatie_.SetVisible(false);

  timer_.OnTick([this] { timer_tick(); });
  timer_.SetInterval(kTimerIntervalMs);
  timer_.SetEnabled(true);
}

void orvex::start_up() {
  lblVersion_.SetCaption("Version " + Application::instance().version_text());
  state_.max_layers = kZoneLayers;
  depth_dib_ = std::make_unique<cDIBSection>();
  state_.colordepth = static_cast<Long>(e_colordepth::high);
  state_.active = vbFalse;
  state_.debugpreview = vbTrue;

  DriverChoice choice = search_capture_driver(video_->drivers());
  state_.device_id = choice.device_id;
  state_.videodevice = std::move(choice.videodevice);

  video_->put(ezVidCap::kDriverIndex, Variant(static_cast<Long>(state_.device_id)));
}

void orvex::on_property_changed(std::function<void(std::string_view)> handler) {
  propertyChanged_ = std::move(handler);
}

void orvex::notify(std::string_view property) {
  if (propertyChanged_) propertyChanged_(property);
}

void orvex::resize(Long widthTwips, Long heightTwips) {
  width_ = widthTwips;
  height_ = heightTwips;
  apply_fixed_size();
}

void orvex::apply_fixed_size() {
  width_ = kWidthTwips;
  height_ = state_.debugpreview != vbFalse ? kDebugHeightTwips : kPlainHeightTwips;
}

void orvex::set_colordepth(Long new_colordepth) {
  state_.colordepth = new_colordepth;
  notify("colordepth");
}

void orvex::set_active(Boolean new_active) {
  state_.active = new_active;
  if (new_active == vbTrue) {
    video_->put(ezVidCap::kVisible, Variant::from_boolean(vbTrue));
    videoSite_.SetVisible(true);
    video_->put(ezVidCap::kStreaming, Variant::from_boolean(vbTrue));
    beeld_.SetVisible(true);
    fps_display_.SetVisible(true);
    informatie_.SetVisible(true);
    lblVersion_.SetVisible(false);
    video_->put(ezVidCap::kDriverIndex, Variant(static_cast<Long>(state_.device_id)));
  } else {
    video_->put(ezVidCap::kVisible, Variant::from_boolean(vbFalse));
    videoSite_.SetVisible(false);
    video_->put(ezVidCap::kStreaming, Variant::from_boolean(vbFalse));
    beeld_.SetVisible(false);
    fps_display_.SetVisible(false);
    informatie_.SetVisible(false);
    lblVersion_.SetVisible(true);
  }
  notify("active");
}

void orvex::timer_tick() {
  frames_per_second_ = state_.frame_count;
  fps_display_.SetCaption("FPS = " + std::to_string(frames_per_second_));
  state_.frame_count = 0;
}

const Shape& orvex::zone_weergave(Integer index) const {
  if (index < 0 || index >= kOutlineCount)
    raise_error(errors::kSubscriptOutOfRange, ZENTRIK_MODULE_NAME);
  return zone_weergave_[static_cast<std::size_t>(index)];
}

void orvex::ShowAbout() {
  if (!about_) about_ = std::make_unique<frmAbout>();
  // The form is unloaded and the reference emptied however the modal run ends.
  struct Unload {
    std::unique_ptr<frmAbout>& form;
    ~Unload() { form.reset(); }
  } unload{about_};
  presenter().show_modal(*about_);
}

}  // namespace zentrik

// The `orvex` camera control: hosts the capture component `video`, copies each frame into `tmp`,
// previews it on `beeld` and raises `motion` and `color` for the zones of the active layer.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "zentrik/capture/ezVidCap.h"
#include "zentrik/control/OrvexState.h"
#include "zentrik/control/OrvexTypeLibrary.h"
#include "zentrik/control/e_colordepth.h"
#include "zentrik/platform/dispatch.h"
#include "zentrik/platform/forms.h"
#include "zentrik/platform/message_loop.h"

namespace zentrik {

class cDIBSection;
class cDIBSectionSave;
class frmAbout;
class ZoneCounter;

class orvex : public Dispatchable {
 public:
  // Size of the control in twips: always 4800 wide, 7445 high with the debug preview, else 3845.
  static constexpr Long kWidthTwips = 4800;
  static constexpr Long kDebugHeightTwips = 7445;
  static constexpr Long kPlainHeightTwips = 3845;
  static constexpr Long kTimerIntervalMs = 1000;  // the label shows frames per second
  static constexpr Integer kOutlineCount = 70;    // zone_weergave(0..69); 1..64 are zone outlines
  static constexpr Integer kUpperLayer = 64;      // highest layer the `layer` property accepts
  static constexpr Long kSnapshotQuality = 90;    // JPEG quality of every snapshot

  // Creates the control and runs start-up over a new capture component that searches and opens
  // the drivers of `drivers` (a list the host owns and keeps for the control's whole life).
  explicit orvex(const DriverRegistry& drivers);
  // The same over a capture component the host made (not null); the search runs over its list.
  explicit orvex(std::unique_ptr<ezVidCap> video);
  ~orvex() override;
  orvex(const orvex&) = delete;
  orvex& operator=(const orvex&) = delete;

  // Dispatch by identifier over `_orvex`.
  const TypeInfo& type_info() const override;
  Variant invoke(DispId id, MemberKind kind, std::span<Variant> args) override;
  using Dispatchable::invoke;  // and by name

  // The `__orvex` events: motion (1) and color (2), every argument by reference.
  EventSource& events() { return events_; }

  // Property-change notifications (exact lower-case names) reach this host callback.
  void on_property_changed(std::function<void(std::string_view)> handler);
  // The host resizes the control (twips); the control restores its fixed size.
  void resize(Long widthTwips, Long heightTwips);
  Long Width() const { return width_; }
  Long Height() const { return height_; }

  // _orvex, typed.
  Integer layer() const { return state_.layer; }
  void set_layer(Integer new_layer);
  Long colordepth() const { return state_.colordepth; }
  void set_colordepth(Long new_colordepth);
  Boolean active() const { return state_.active; }
  void set_active(Boolean new_active);
  const std::string& videodevice() const { return state_.videodevice; }
  Integer device_id() const { return state_.device_id; }
  Boolean debugpreview() const { return state_.debugpreview; }
  void set_debugpreview(Boolean new_debugpreview);
  PicturePtr picture(Boolean new_truecolor) const;
  void ShowAbout();
  void Clear(Integer& layer);
  void clear_all();
  void add_motion_detection(Integer& layer, Integer& zone, Integer& left, Integer& top,
                            Integer& Width, Integer& Height, Integer& percentage);
  void save_picture(std::string& filename, Boolean& truecolor);
  void add_color_detection(Integer& layer, Integer& zone, Integer& left, Integer& top,
                           Integer& Width, Integer& Height, Long& color, Integer& percentage);

  // A mouse button pressed over `beeld` (X and Y in twips), as the host forwards it.
  void preview_mouse_down(Integer button, Integer shift, float x, float y);

  // Read access for hosts and tests.
  const OrvexState& state() const { return state_; }
  ezVidCap& video() { return *video_; }
  const FormControl& video_site() const { return videoSite_; }
  const PictureBox& tmp() const { return tmp_; }
  const PictureBox& beeld() const { return beeld_; }
  const Shape& zone_weergave(Integer index) const;
  const Label& lblVersion() const { return lblVersion_; }
  const Label& fps_display() const { return fps_display_; }
  const Label& informatie() const { return informatie_; }
  const Timer& timer() const { return timer_; }
  // Frames counted in the last full timer interval, the figure `fps_display` shows.
  Integer frames_per_second() const { return frames_per_second_; }
  // The control's own background: the splash screen in the top-left 320 x 240 of 640 x 480.
  PicturePtr background() const { return background_; }

 private:
  class FrameSink;

  // Start-up and switching.
  void create_children();
  void start_up();
  void apply_fixed_size();
  void notify(std::string_view property);
  void timer_tick();

  // The frame pipeline.
  void frame_ready();
  void grab_frame();
  void full_colour_snapshot();
  void show_preview();
  void reduce_preview();
  void reduced_snapshot();
  void detect();
  void sample_preview();

  // Zones. A pass evaluates the zones of one kind: colour zones, then motion zones.
  struct ZonePass;
  void show_zones();
  void evaluate_zones(const ZonePass& pass);
  void evaluate_color_zones();
  void evaluate_motion_zones();
  // Applies the detected/not-detected transition of the zone being evaluated; true when the
  // state changed (and the outline was recoloured).
  bool transition(Integer layer, Integer zone, bool detected);
  Integer share_floor() const;
  bool share_reaches(Integer percentage) const;
  void fire_motion(Integer layer, Integer zone, Boolean status, Integer percentage);
  void fire_color(Integer layer, Integer zone, Boolean status, Integer percentage);
  void place_outline(Integer zone, Integer left, Integer top, Integer width, Integer height);
  void pixel_readout(float x, float y);

  // Snapshots.
  void write_snapshot(const PicturePtr& source);

  OrvexState state_;
  Long width_ = 0;
  Long height_ = 0;

  std::unique_ptr<ezVidCap> video_;
  FormControl videoSite_;
  PictureBox tmp_;
  PictureBox beeld_;
  std::array<Shape, kOutlineCount> zone_weergave_;
  Label lblVersion_;
  Label fps_display_;
  Label informatie_;
  Timer timer_;
  PicturePtr background_;
  Integer frames_per_second_ = 0;

  PicturePtr frame_picture_;
  std::unique_ptr<cDIBSection> snapshot_dib_;
  std::unique_ptr<cDIBSection> depth_dib_;
  std::unique_ptr<cDIBSectionSave> depth_writer_;
  // The picture (pixel identity, 0: none) and depth whose reduction depth_dib_ holds: a still
  // picture is reduced once.
  std::uint64_t reduced_identity_ = 0;
  Long reduced_depth_ = 0;
  std::unique_ptr<frmAbout> about_;

  std::unique_ptr<ZoneCounter> counter_;
  EventSource events_;
  std::function<void(std::string_view)> propertyChanged_;
  std::unique_ptr<FrameSink> frameSink_;
};

}  // namespace zentrik

// The control's surface: the interface table, start-up values and arrangement, dispatch of every
// member by identifier with by-reference arguments, notifications, the fixed size and the
// About box.
#include <string>
#include <vector>

#include "control_fixture.h"
#include "zentrik/capture/DriverRegistry.h"
#include "zentrik/platform/application.h"

namespace zentrik::test {
namespace {

using Lib = OrvexTypeLibrary;
using K = MemberKind;

struct MemberRow {
  const char* name;
  DispId id;
  MemberKind kind;
  std::vector<std::string> params;
  bool byRef;
};

TEST(OrvexTypeLibrary, InterfaceHasEveryMemberInSlotOrder) {
  const std::vector<MemberRow> expected = {
      {"layer", 0x68030006, K::PropertyGet, {}, false},
      {"colordepth", 0x68030005, K::PropertyGet, {}, false},
      {"colordepth", 0x68030005, K::PropertyPut, {"new_colordepth"}, false},
      {"layer", 0x68030006, K::PropertyPut, {"new_layer"}, false},
      {"active", 0x68030004, K::PropertyGet, {}, false},
      {"videodevice", 0x68030003, K::PropertyGet, {}, false},
      {"device_id", 0x68030002, K::PropertyGet, {}, false},
      {"debugpreview", 0x68030001, K::PropertyGet, {}, false},
      {"debugpreview", 0x68030001, K::PropertyPut, {"new_debugpreview"}, false},
      {"picture", 0x68030000, K::PropertyGet, {"new_truecolor"}, false},
      {"ShowAbout", -552, K::Method, {}, false},
      {"active", 0x68030004, K::PropertyPut, {"new_active"}, false},
      {"Clear", 0x60030008, K::Method, {"layer"}, true},
      {"clear_all", 0x60030009, K::Method, {}, false},
      {"add_motion_detection",
       0x6003000A,
       K::Method,
       {"layer", "zone", "left", "top", "Width", "Height", "percentage"},
       true},
      {"save_picture", 0x6003000B, K::Method, {"filename", "truecolor"}, true},
      {"add_color_detection",
       0x6003000C,
       K::Method,
       {"layer", "zone", "left", "top", "Width", "Height", "color", "percentage"},
       true},
  };
  const auto& members = Lib::interface_info().members();
  EXPECT_EQ(Lib::interface_info().name(), "_orvex");
  ASSERT_EQ(members.size(), expected.size());
  for (std::size_t i = 0; i < members.size(); ++i) {
    SCOPED_TRACE("slot " + std::to_string(i + 1));
    EXPECT_EQ(members[i].name, expected[i].name);
    EXPECT_EQ(members[i].id, expected[i].id);
    EXPECT_EQ(members[i].kind, expected[i].kind);
    ASSERT_EQ(members[i].params.size(), expected[i].params.size());
    for (std::size_t p = 0; p < members[i].params.size(); ++p) {
      EXPECT_EQ(members[i].params[p].name, expected[i].params[p]);
      EXPECT_EQ(members[i].params[p].by_ref, expected[i].byRef);
    }
  }
}

TEST(OrvexTypeLibrary, EventsPassEveryArgumentByReference) {
  const auto& events = Lib::event_info().members();
  EXPECT_EQ(Lib::event_info().name(), "__orvex");
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].name, "motion");
  EXPECT_EQ(events[0].id, 1);
  EXPECT_EQ(events[1].name, "color");
  EXPECT_EQ(events[1].id, 2);
  const std::vector<std::vector<std::string>> params = {
      {"layer", "zone", "status", "percentage"},
      {"layer", "zone", "status", "color", "percentage"}};
  for (std::size_t e = 0; e < 2; ++e) {
    ASSERT_EQ(events[e].params.size(), params[e].size());
    for (std::size_t p = 0; p < params[e].size(); ++p) {
      EXPECT_EQ(events[e].params[p].name, params[e][p]);
      EXPECT_TRUE(events[e].params[p].by_ref);
    }
  }
  EXPECT_EQ(static_cast<Long>(e_colordepth::low), 16);
  EXPECT_EQ(static_cast<Long>(e_colordepth::medium), 256);
  EXPECT_EQ(static_cast<Long>(e_colordepth::high), 65535);
}

using OrvexStartUp = ControlTest;

TEST_F(OrvexStartUp, SetsTheInitialValues) {
  orvex c(drivers);
  const OrvexState& s = c.state();
  EXPECT_EQ(c.layer(), 0);
  EXPECT_EQ(c.colordepth(), 65535);
  EXPECT_EQ(c.active(), vbFalse);
  EXPECT_EQ(c.debugpreview(), vbTrue);
  EXPECT_EQ(s.max_layers, 64);
  EXPECT_EQ(s.frame_count, 0);
  EXPECT_EQ(s.snapshot_file, "");
  EXPECT_EQ(c.device_id(), 0);
  EXPECT_EQ(c.video().driver_index(), 0);
  EXPECT_FALSE(c.video().streaming());
  EXPECT_EQ(c.picture(vbTrue)->Type(), Picture::Kind::None);
  EXPECT_EQ(c.picture(vbFalse)->Type(), Picture::Kind::None);
}

TEST_F(OrvexStartUp, LabelsTheVersionFromTheApplication) {
  const Application& app = Application::instance();
  orvex c(drivers);
  EXPECT_EQ(c.lblVersion().Caption(), "Version " + std::to_string(app.Major()) + "." +
                                          std::to_string(app.Minor()) + "." +
                                          std::to_string(app.Revision()));
}

struct Placement {
  const char* name;
  const FormControl& (*child)(const orvex&);
  Long left, top, width, height;
  bool visible;
};

TEST_F(OrvexStartUp, ArrangesTheChildrenInTwips) {
  orvex c(drivers);
  const std::vector<Placement> rows = {
      {"video", [](const orvex& o) -> const FormControl& { return o.video_site(); }, 0, 0, 2400,
       1800, false},
      {"tmp", [](const orvex& o) -> const FormControl& { return o.tmp(); }, 4920, 0, 4800, 3600,
       true},
      {"beeld", [](const orvex& o) -> const FormControl& { return o.beeld(); }, 0, 3840, 4800, 3600,
       false},
      {"lblVersion", [](const orvex& o) -> const FormControl& { return o.lblVersion(); }, 120, 3600,
       4575, 255, true},
      {"fps_display", [](const orvex& o) -> const FormControl& { return o.fps_display(); }, 120,
       3600, 1575, 255, false},
      {"informatie", [](const orvex& o) -> const FormControl& { return o.informatie(); }, 2400,
       3600, 2295, 255, false},
  };
  for (const Placement& p : rows) {
    const FormControl& child = p.child(c);
    EXPECT_EQ(child.Left(), p.left) << p.name;
    EXPECT_EQ(child.Top(), p.top) << p.name;
    EXPECT_EQ(child.Width(), p.width) << p.name;
    EXPECT_EQ(child.Height(), p.height) << p.name;
    EXPECT_EQ(child.Visible(), p.visible) << p.name;
  }
  EXPECT_FALSE(c.video().visible());
  EXPECT_EQ(c.tmp().BackColor(), RGB(0, 0, 255));
  EXPECT_TRUE(c.tmp().AutoRedraw());
  EXPECT_EQ(c.beeld().BackColor(), RGB(255, 255, 255));
  EXPECT_EQ(c.lblVersion().ForeColor(), RGB(255, 0, 0));
  EXPECT_EQ(c.lblVersion().BackColor(), RGB(255, 255, 255));
  EXPECT_EQ(c.fps_display().ForeColor(), RGB(0, 0, 255));
  EXPECT_EQ(c.fps_display().Caption(), "FPS = 0");
  EXPECT_EQ(c.informatie().ForeColor(), RGB(0, 0, 255));
  EXPECT_EQ(c.informatie().Caption(), "Preview mode");
  EXPECT_EQ(c.timer().Interval(), 1000);
  EXPECT_TRUE(c.timer().Enabled());
  for (Integer i = 0; i < orvex::kOutlineCount; ++i) EXPECT_FALSE(c.zone_weergave(i).Visible());
  EXPECT_THROW(c.zone_weergave(70), AutomationError);
  EXPECT_EQ(c.Width(), 4800);
  EXPECT_EQ(c.Height(), 7445);
}

TEST_F(OrvexStartUp, BackgroundHoldsTheSplashTopLeftAndWhiteElsewhere) {
  orvex c(drivers);
  const PicturePtr background = c.background();
  ASSERT_EQ(background->Width(), 640);
  ASSERT_EQ(background->Height(), 480);
  const HDC dc = CreateCompatibleDC(0);
  const HGDIOBJ old = SelectObject(dc, background->Handle());
  EXPECT_EQ(GetPixel(dc, 0, 0), RGB(0, 0, 128));  // the banner
  std::size_t coloured = 0;
  for (Long y = 0; y < 480; y += 3) {
    for (Long x = 0; x < 640; x += 3) {
      const ColorRef colour = GetPixel(dc, x, y);
      if (x >= 320 || y >= 240) {
        ASSERT_EQ(colour, RGB(255, 255, 255)) << x << "," << y;
      } else {
        coloured += colour != RGB(255, 255, 255);
      }
    }
  }
  EXPECT_GT(coloured, 1000u);
  SelectObject(dc, old);
  DeleteDC(dc);
}

TEST_F(OrvexStartUp, WithoutAnyDriverTheComponentIsGivenMinusOne) {
  drivers.clear();
  orvex c(drivers);
  std::vector<ezVidCap::Report> seen;
  c.video().on_report([&](const ezVidCap::Report& r) { seen.push_back(r); });
  EXPECT_EQ(c.device_id(), -1);
  EXPECT_EQ(c.videodevice(), "");
  EXPECT_EQ(c.video().driver_index(), -1);
  c.set_active(vbTrue);  // nothing to stream: the component says so, the control goes on
  EXPECT_EQ(c.video().driver_index(), -1);
  EXPECT_FALSE(seen.empty());
  EXPECT_TRUE(c.beeld().Visible());
}

TEST_F(OrvexStartUp, HighestMatchingDriverWins) {
  drivers.clear();
  for (const char* d : {"other", "tavo cam a", "x", "  Tavo Cam b", "y"}) {
    drivers.add({d, "1", [name = std::string(d)] {
                   return std::make_unique<PaintedDriver>(name, std::make_shared<PaintedFeed>());
                 }});
  }
  orvex c(drivers);
  EXPECT_EQ(c.device_id(), 3);
  EXPECT_EQ(c.video().driver_index(), 3);
  EXPECT_EQ(c.videodevice().substr(0, 12), "  Tavo Cam b");
  EXPECT_EQ(c.videodevice().size(), 100u);
}

TEST_F(OrvexStartUp, SearchesTheListOfTheComponentItIsGiven) {
  DriverRegistry own = DriverRegistry::standard();
  own.add(
      {"TAVO CAM x", "1", [f = feed] { return std::make_unique<PaintedDriver>("TAVO CAM x", f); }});
  orvex c(std::make_unique<ezVidCap>(own));
  EXPECT_EQ(c.device_id(), 1);
  EXPECT_EQ(c.video().driver_index(), 1);
  EXPECT_EQ(c.videodevice().substr(0, 10), "TAVO CAM x");
}

using OrvexSize = ControlTest;

TEST_F(OrvexSize, HostResizeRestoresTheFixedSize) {
  orvex c(drivers);
  c.resize(1000, 1000);
  EXPECT_EQ(c.Width(), 4800);
  EXPECT_EQ(c.Height(), 7445);
  c.set_debugpreview(vbFalse);
  EXPECT_EQ(c.Height(), 3845);
  c.resize(1000, 1000);
  EXPECT_EQ(c.Width(), 4800);
  EXPECT_EQ(c.Height(), 3845);
  c.set_debugpreview(vbTrue);
  EXPECT_EQ(c.Width(), 4800);
  EXPECT_EQ(c.Height(), 7445);
  c.set_debugpreview(7);  // any value but 0 shows the preview
  EXPECT_EQ(c.Height(), 7445);
  EXPECT_EQ(c.debugpreview(), 7);
}

using OrvexDispatch = ControlTest;

Variant call(orvex& c, DispId id, MemberKind kind, std::vector<Variant> args = {}) {
  return c.invoke(id, kind, args);
}

TEST_F(OrvexDispatch, PropertiesReadAndWriteByIdentifier) {
  orvex& c = control();
  std::vector<std::string> changed;
  c.on_property_changed([&](std::string_view name) { changed.emplace_back(name); });

  call(c, Lib::kColorDepth, K::PropertyPut, {Variant(Long{100})});
  EXPECT_EQ(call(c, Lib::kColorDepth, K::PropertyGet).to_long(), 100);
  call(c, Lib::kLayer, K::PropertyPut, {Variant(Integer{3})});
  EXPECT_EQ(call(c, Lib::kLayer, K::PropertyGet).to_integer(), 3);
  call(c, Lib::kDebugPreview, K::PropertyPut, {Variant::from_boolean(vbFalse)});
  EXPECT_EQ(call(c, Lib::kDebugPreview, K::PropertyGet).to_boolean_value(), vbFalse);
  call(c, Lib::kActive, K::PropertyPut, {Variant::from_boolean(1)});
  EXPECT_EQ(call(c, Lib::kActive, K::PropertyGet).to_integer(), 1);
  EXPECT_EQ(call(c, Lib::kDeviceId, K::PropertyGet).to_integer(), 0);
  const std::string device = call(c, Lib::kVideoDevice, K::PropertyGet).to_string();
  EXPECT_EQ(device.size(), 100u);
  EXPECT_EQ(device.substr(0, device.find('\0')), kCameraName);
  EXPECT_EQ(call(c, Lib::kPicture, K::PropertyGet, {Variant::from_boolean(vbTrue)}).to_picture(),
            c.tmp().Picture());
  EXPECT_EQ(changed, (std::vector<std::string>{"colordepth", "layer", "debugpreview", "active"}));
}

TEST_F(OrvexDispatch, MembersAreReachableByNameInAnyCase) {
  orvex& c = control();
  std::vector<Variant> args = {Variant(Integer{12})};
  c.invoke("LAYER", K::PropertyPut, args);
  EXPECT_EQ(c.invoke("layer", K::PropertyGet, {}).to_integer(), 12);
  std::vector<Variant> depth = {Variant(Long{256})};
  c.invoke("ColorDepth", K::PropertyPut, depth);
  EXPECT_EQ(c.colordepth(), 256);
  EXPECT_EQ(Lib::interface_info().id_of("showabout"), -552);
  EXPECT_EQ(Lib::interface_info().id_of("add_color_detection"), 0x6003000C);
  EXPECT_THROW(c.invoke("no_such_member", K::Method, {}), AutomationError);
}

TEST_F(OrvexDispatch, ActiveWithOneIsStoredButCountsAsOff) {
  orvex& c = control();
  ASSERT_TRUE(c.video().streaming());
  c.set_active(1);
  EXPECT_EQ(c.active(), 1);
  EXPECT_FALSE(c.video().streaming());
  EXPECT_FALSE(c.beeld().Visible());
  EXPECT_TRUE(c.lblVersion().Visible());
}

TEST_F(OrvexDispatch, UnknownMembersAndWrongArgumentCountsAreRefused) {
  orvex& c = control();
  try {
    call(c, 0x12345, K::Method);
    FAIL() << "no error";
  } catch (const AutomationError& e) {
    EXPECT_EQ(e.number(), errors::kMemberNotFound);
  }
  try {
    call(c, Lib::kClear, K::Method);
    FAIL() << "no error";
  } catch (const AutomationError& e) {
    EXPECT_EQ(e.number(), errors::kWrongArguments);
  }
  EXPECT_THROW(call(c, Lib::kVideoDevice, K::PropertyPut, {Variant("x")}), AutomationError);
}

TEST_F(OrvexDispatch, MethodsTakeTheirArgumentsByReference) {
  orvex& c = control();
  Integer layer = 2, zone = 7, left = 10, top = 20, width = 30, height = 40, pct = 55;
  std::vector<Variant> motionArgs = {Variant::ref(layer), Variant::ref(zone),  Variant::ref(left),
                                     Variant::ref(top),   Variant::ref(width), Variant::ref(height),
                                     Variant::ref(pct)};
  c.invoke(Lib::kAddMotionDetection, K::Method, motionArgs);
  EXPECT_EQ(c.state().motion_percentage(2, 7), 55);
  EXPECT_EQ(c.state().motion_left(2, 7), 10);
  EXPECT_EQ(c.state().motion_top(2, 7), 20);
  EXPECT_EQ(c.state().motion_width(2, 7), 30);
  EXPECT_EQ(c.state().motion_height(2, 7), 40);

  Long colour = 0x00FF00;
  std::vector<Variant> colourArgs = {Variant(Integer{2}),  Variant(Integer{8}), Variant(Integer{1}),
                                     Variant(Integer{2}),  Variant(Integer{3}), Variant(Integer{4}),
                                     Variant::ref(colour), Variant(Integer{60})};
  c.invoke(Lib::kAddColorDetection, K::Method, colourArgs);
  EXPECT_EQ(c.state().color_value(2, 8), 0x00FF00);
  EXPECT_EQ(c.state().color_percentage(2, 8), 60);
  EXPECT_EQ(c.state().color_left(2, 8), 1);
  EXPECT_EQ(c.state().color_top(2, 8), 2);
  EXPECT_EQ(c.state().color_width(2, 8), 3);
  EXPECT_EQ(c.state().color_height(2, 8), 4);

  std::vector<Variant> clearArgs = {Variant::ref(layer)};
  c.invoke(Lib::kClear, K::Method, clearArgs);
  EXPECT_EQ(c.state().motion_percentage(2, 7), 0);
  EXPECT_EQ(c.state().color_percentage(2, 8), 0);

  std::string name = "shot.bmp";
  Boolean truecolor = vbTrue;
  std::vector<Variant> saveArgs = {Variant::ref(name), Variant::ref_boolean(truecolor)};
  c.invoke(Lib::kSavePicture, K::Method, saveArgs);
  EXPECT_EQ(c.state().snapshot_file, "shot.bmp");
  EXPECT_EQ(c.state().snapshot_truecolor, vbTrue);

  call(c, Lib::kClearAll, K::Method);
  EXPECT_EQ(c.informatie().Caption(), "Preview mode");
}

TEST_F(OrvexDispatch, ShowAboutShowsAFreshBoxEachTime) {
  orvex& c = control();
  call(c, Lib::kShowAbout, K::Method);
  c.ShowAbout();
  EXPECT_EQ(presenter->forms().size(), 2u);
}

}  // namespace
}  // namespace zentrik::test

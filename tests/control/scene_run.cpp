#include "scene_run.h"

#include "zentrik/control/orvex.h"
#include "zentrik/platform/message_loop.h"

namespace zentrik::test {

void PrintTo(const SceneEvent& e, std::ostream* os) {
  *os << "frame " << e.frame << (e.colour ? " color " : " motion ") << e.zone << " " << e.status
      << " " << e.percentage;
}

void SceneTest::SetUp() {
  previous_ = set_presenter(std::make_shared<ScriptedPresenter>());
  MessageLoop::instance().reset();
  MessageLoop::instance().set_clock(std::make_shared<ManualClock>());
}

void SceneTest::TearDown() {
  MessageLoop::instance().reset();
  MessageLoop::instance().set_clock(nullptr);
  set_presenter(previous_);
}

std::vector<SceneEvent> SceneTest::run_scene(const DriverRegistry& drivers,
                                             const std::vector<SceneZone>& zones,
                                             std::size_t frames, Long colordepth) {
  orvex control(drivers);
  control.video().set_pacing(ezVidCap::Pacing::AsFastAsConsumed);
  control.video().on_report([](const ezVidCap::Report& r) { ADD_FAILURE() << r.description; });
  std::vector<SceneEvent> events;
  FunctionSink sink([&](DispId id, std::span<Variant> args) {
    const bool colour = id == OrvexTypeLibrary::kColorEvent;
    events.push_back({control.video().frames_delivered() - 1, colour, args[1].to_integer(),
                      args[2].to_boolean_value(), args[colour ? 4 : 3].to_integer()});
  });
  control.events().advise(&sink);
  for (const SceneZone& z : zones) {
    Integer layer = 1, zone = z.zone, percentage = z.percentage;
    Integer left = static_cast<Integer>(z.rect.left), top = static_cast<Integer>(z.rect.top);
    Integer width = static_cast<Integer>(z.rect.width);
    Integer height = static_cast<Integer>(z.rect.height);
    Long value = z.value;
    if (z.colour) {
      control.add_color_detection(layer, zone, left, top, width, height, value, percentage);
    } else {
      control.add_motion_detection(layer, zone, left, top, width, height, percentage);
    }
  }
  control.set_colordepth(colordepth);
  control.set_layer(1);
  control.set_active(vbTrue);
  EXPECT_EQ(control.video().deliver_frames(frames), frames);
  control.events().unadvise();
  return events;
}

bool object_covers(const VirtualScene& scene, std::int64_t frame, const SceneRect& zone) {
  for (const VirtualScene::Item& item : scene.items_at(frame)) {
    const SceneRect& r = item.rect;
    if (item.kind == VirtualScene::Item::Kind::Object && item.visible &&
        r.left < zone.left + zone.width && zone.left < r.left + r.width &&
        r.top < zone.top + zone.height && zone.top < r.top + r.height)
      return true;
  }
  return false;
}

}  // namespace zentrik::test

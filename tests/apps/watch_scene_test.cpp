// `zentrik watch --fast --format json` over the virtual camera: the events of a whole scene
// cycle against the zones evaluated over the scene's definition (patches on their schedules,
// objects on their paths), for the demo script built into the program and for a script of the
// test's own at every colour depth.
#include <gtest/gtest.h>

#include <sstream>

#include "apps/picture_files.h"
#include "apps/text_checks.h"
#include "apps/zentrik_program.h"
#include "sources/temp_folder.h"
#include "zentrik/capture/SceneScript.h"

namespace zentrik::testing {
namespace {

constexpr std::int64_t kCycle = 300;  // the standard scene repeats every 300 frames

using Kind = ZoneSpec::Kind;

// Zones over the standard scene (see SceneScript.h): colour zones on the four patches and on the
// green square's row, motion zones on the three paths and over the whole frame in a layer that
// never becomes active.
std::vector<ZoneSpec> scene_zones() {
  return {
      {Kind::Colour, 1, 1, 20, 20, 40, 30, 0x0000FF, 50},    // red patch: always
      {Kind::Colour, 1, 2, 260, 20, 40, 30, 0xFF0000, 50},   // blue patch: 30..119
      {Kind::Colour, 1, 3, 20, 190, 40, 30, 0x00FFFF, 50},   // yellow patch: 90..209
      {Kind::Colour, 1, 7, 260, 190, 40, 30, 0xFFFFFF, 60},  // white: 0..59, 150..239
      {Kind::Colour, 1, 8, 0, 100, 320, 32, 0x00FF00, 2},    // the green square's row
      {Kind::Motion, 1, 4, 100, 100, 40, 40, 0, 5},          // green square crosses
      {Kind::Motion, 1, 5, 140, 150, 40, 40, 0, 5},          // magenta square falls
      {Kind::Motion, 1, 6, 200, 52, 40, 32, 0, 5},           // cyan square passes
      {Kind::Motion, 1, 9, 60, 100, 200, 40, 0, 3},          // a long stretch of green's path
      {Kind::Motion, 2, 1, 0, 0, 320, 240, 0, 1},            // layer 2: never active
  };
}

std::string script_for(const std::vector<ZoneSpec>& zones, const std::string& colordepth) {
  std::string text = "' zones of the end-to-end test\n";
  for (const ZoneSpec& z : zones) text += z.script_line() + "\n";
  if (!colordepth.empty()) text += "colordepth = " + colordepth + "\n";
  return text + "layer = 1\nactive = True\n";
}

// The zones of a script made of add_color_detection / add_motion_detection lines (comments
// after ', as the examples write them).
std::vector<ZoneSpec> zones_of_script(const std::string& text) {
  std::vector<ZoneSpec> zones;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    line = line.substr(0, line.find('\''));
    std::istringstream words(line);
    std::string method;
    words >> method;
    if (method != "add_color_detection" && method != "add_motion_detection") continue;
    std::vector<std::string> args;
    for (std::string arg; std::getline(words, arg, ',');) {
      args.push_back(trim(arg));
    }
    ZoneSpec z;
    z.kind = method == "add_color_detection" ? Kind::Colour : Kind::Motion;
    z.layer = std::stoi(args.at(0));
    z.number = std::stoi(args.at(1));
    z.left = std::stoi(args.at(2));
    z.top = std::stoi(args.at(3));
    z.width = std::stoi(args.at(4));
    z.height = std::stoi(args.at(5));
    if (z.kind == Kind::Colour) {
      EXPECT_EQ(args.at(6).rfind("&H", 0), 0u) << line;
      z.colour = static_cast<std::uint32_t>(std::stoul(args.at(6).substr(2), nullptr, 16));
    }
    z.percentage = std::stoi(args.back());
    zones.push_back(z);
  }
  return zones;
}

TEST(WatchScene, StandardSceneIsStaticBehindItsPatchesAndObjects) {
  // The oracle's picture counts on a background that neither changes nor shows noise.
  const VirtualSceneOptions scene = standard_scene();
  EXPECT_FALSE(scene.noise);
  EXPECT_EQ(scene.light_change_frame, -1);
  EXPECT_EQ(scene.frame_limit, 0);
}

struct DepthCase {
  const char* name;
  std::string colordepth;  // script value; empty: the control's default (full colour)
};

class WatchSceneDepths : public ::testing::TestWithParam<DepthCase> {};

// Patches and objects have exact colours of both reduced palettes, and the background never
// turns into one of them, so every colour depth reports the same events.
TEST_P(WatchSceneDepths, EventsFollowTheSceneDefinition) {
  TempFolder folder;
  const auto zones = scene_zones();
  ASSERT_TRUE(write_text_file(folder / "zones.zentrik", script_for(zones, GetParam().colordepth)));
  const ProcessResult run =
      run_zentrik({"watch", "--script", (folder / "zones.zentrik").string(), "--fast", "--frames",
                   std::to_string(kCycle), "--format", "json", "--quiet-fps"});
  ASSERT_EQ(run.exit_code, 0) << describe(run);
  std::vector<std::string> unknown;
  const std::vector<ReportedEvent> events = json_events(run.out, &unknown);
  EXPECT_TRUE(unknown.empty()) << unknown.front();
  EXPECT_EQ(events, expected_events(zones, 1, standard_scene_picture(), kCycle));
  EXPECT_NE(run.err.find("300 frames, " + std::to_string(events.size()) + " events"),
            std::string::npos)
      << run.err;
}

INSTANTIATE_TEST_SUITE_P(Depths, WatchSceneDepths,
                         ::testing::Values(DepthCase{"Full", ""}, DepthCase{"High", "high"},
                                           DepthCase{"Medium", "medium"}, DepthCase{"Low", "low"}),
                         [](const auto& info) { return std::string(info.param.name); });

// The patches' schedules read straight off the scene's documentation: a patch shown from scene
// frame a to b - 1 turns its zone on at delivered frame a + 1 and off at b + 1.
struct PatchCase {
  const char* patch;
  int zone;
  std::vector<std::pair<std::int64_t, bool>> transitions;  // (frame, on)
};

class WatchScenePatches : public ::testing::TestWithParam<PatchCase> {
 protected:
  static void SetUpTestSuite() {
    folder_ = new TempFolder;
    ASSERT_TRUE(write_text_file(*folder_ / "zones.zentrik", script_for(scene_zones(), "")));
    run_ = new ProcessResult(
        run_zentrik({"watch", "--script", (*folder_ / "zones.zentrik").string(), "--fast",
                     "--frames", std::to_string(kCycle), "--format", "json", "--quiet-fps"}));
  }
  static void TearDownTestSuite() {
    delete run_;
    delete folder_;
  }
  static TempFolder* folder_;
  static ProcessResult* run_;
};
TempFolder* WatchScenePatches::folder_ = nullptr;
ProcessResult* WatchScenePatches::run_ = nullptr;

TEST_P(WatchScenePatches, ColourZoneFollowsThePatchSchedule) {
  ASSERT_EQ(run_->exit_code, 0) << describe(*run_);
  const PatchCase& c = GetParam();
  std::vector<std::pair<std::int64_t, bool>> seen;
  for (const ReportedEvent& e : json_events(run_->out)) {
    if (e.kind == "color" && e.zone == c.zone) seen.emplace_back(e.frame, e.status);
  }
  EXPECT_EQ(seen, c.transitions);

  // The same frames follow from the scene's own schedule.
  std::vector<std::pair<std::int64_t, bool>> from_schedule;
  for (const ScenePatch& p : standard_patches()) {
    if (p.name != c.patch) continue;
    if (p.schedule.ranges.empty()) from_schedule.emplace_back(1, true);  // always shown
    for (const FrameRange& r : p.schedule.ranges) {
      from_schedule.emplace_back(r.first + 1, true);
      if (r.end + 1 <= kCycle) from_schedule.emplace_back(r.end + 1, false);
    }
  }
  EXPECT_EQ(from_schedule, c.transitions);
}

INSTANTIATE_TEST_SUITE_P(
    Patches, WatchScenePatches,
    ::testing::Values(PatchCase{"red", 1, {{1, true}}},
                      PatchCase{"blue", 2, {{31, true}, {121, false}}},
                      PatchCase{"yellow", 3, {{91, true}, {211, false}}},
                      PatchCase{"white", 7, {{1, true}, {61, false}, {151, true}, {241, false}}}),
    [](const auto& info) { return std::string(info.param.patch); });

// With no script and no source, watch runs the demo: the zones of examples/demo.zentrik.
TEST(WatchDemo, BuiltInDemoReportsTheExampleScriptsZones) {
  TempFolder folder;
  const auto zones = zones_of_script(read_text_file(examples_folder() / "demo.zentrik"));
  ASSERT_EQ(zones.size(), 6u);
  const ProcessResult run = run_zentrik(
      {"watch", "--fast", "--frames", std::to_string(kCycle), "--format", "json", "--quiet-fps"},
      folder.path());
  ASSERT_EQ(run.exit_code, 0) << describe(run);
  EXPECT_EQ(json_events(run.out), expected_events(zones, 1, standard_scene_picture(), kCycle));
  EXPECT_NE(run.err.find("driver 0: Zentrik virtual camera"), std::string::npos) << run.err;
}

// The script for real cameras runs on the virtual one too: its zones report what the scene
// implies at 16 colours, and its snapshot of the first frame is written where it asks.
TEST(ExampleScripts, CameraScriptRunsOnTheVirtualCamera) {
  TempFolder folder;
  const auto script = examples_folder() / "camera.zentrik";
  const auto zones = zones_of_script(read_text_file(script));
  ASSERT_EQ(zones.size(), 4u);
  const ProcessResult run = run_zentrik({"watch", "--script", script.string(), "--fast", "--frames",
                                         std::to_string(kCycle), "--format", "json", "--quiet-fps"},
                                        folder.path());
  ASSERT_EQ(run.exit_code, 0) << describe(run);
  EXPECT_EQ(json_events(run.out), expected_events(zones, 1, standard_scene_picture(), kCycle));
  std::string why;
  const auto picture = decode_jpeg(folder / "camera-start.jpg", &why);
  ASSERT_TRUE(picture) << why;
  EXPECT_EQ(picture->width, 320);
  EXPECT_EQ(picture->height, 240);
}

// The script for noisy cameras runs steadied on the virtual camera: its three zones see the
// standard scene's objects pass and nothing else moves them.
TEST(ExampleScripts, StreetScriptRunsSteadied) {
  const auto script = examples_folder() / "street.zentrik";
  ASSERT_EQ(zones_of_script(read_text_file(script)).size(), 3u);
  const ProcessResult run =
      run_zentrik({"watch", "--script", script.string(), "--steady", "--fast", "--frames",
                   std::to_string(kCycle), "--format", "json", "--quiet-fps"});
  ASSERT_EQ(run.exit_code, 0) << describe(run);
  EXPECT_NE(run.err.find(std::to_string(kCycle) + " frames"), std::string::npos) << run.err;
  EXPECT_FALSE(json_events(run.out).empty());
}

// Running on past the cycle: the scene repeats, and so do the events, 300 frames later.
TEST(WatchScene, SecondCycleRepeatsTheFirst) {
  TempFolder folder;
  const auto zones = scene_zones();
  ASSERT_TRUE(write_text_file(folder / "zones.zentrik", script_for(zones, "")));
  const ProcessResult run =
      run_zentrik({"watch", "--script", (folder / "zones.zentrik").string(), "--fast", "--frames",
                   std::to_string(2 * kCycle), "--format", "json", "--quiet-fps"});
  ASSERT_EQ(run.exit_code, 0) << describe(run);
  const auto events = json_events(run.out);
  EXPECT_EQ(events, expected_events(zones, 1, standard_scene_picture(), 2 * kCycle));
  std::vector<ReportedEvent> first, second;
  for (const ReportedEvent& e : events) {
    // Frame 1 compares against black and frame 301 against frame 300, and each decides the
    // states the next frame starts from: from the third frame of a cycle on, both match.
    if (e.frame > 2 && e.frame <= kCycle) first.push_back(e);
    if (e.frame > kCycle + 2) {
      ReportedEvent shifted = e;
      shifted.frame -= kCycle;
      second.push_back(shifted);
    }
  }
  EXPECT_FALSE(first.empty());
  EXPECT_EQ(first, second);
}

}  // namespace
}  // namespace zentrik::testing

// What `zentrik watch` produces besides JSON events: snapshot files that decode at 320 x 240
// and show the triggering zone's colour, the event command with each event's fields in its
// environment, and readable event lines that say the same as the JSON ones.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>

#include "apps/picture_files.h"
#include "apps/text_checks.h"
#include "apps/zentrik_program.h"
#include "sources/temp_folder.h"

namespace zentrik::testing {
namespace {

using Kind = ZoneSpec::Kind;

const std::vector<ZoneSpec>& demo_like_zones() {
  static const std::vector<ZoneSpec> zones = {
      {Kind::Colour, 1, 1, 20, 20, 40, 30, 0x0000FF, 50},   // red patch: always
      {Kind::Colour, 1, 2, 260, 20, 40, 30, 0xFF0000, 50},  // blue patch: 30..119
      {Kind::Colour, 1, 3, 20, 190, 40, 30, 0x00FFFF, 50},  // yellow patch: 90..209
      {Kind::Motion, 1, 6, 200, 52, 40, 32, 0, 5},          // the cyan square passes
  };
  return zones;
}

std::string script_text() {
  std::string text;
  for (const ZoneSpec& z : demo_like_zones()) text += z.script_line() + "\n";
  return text + "layer = 1\nactive = True\n";
}

std::string snapshot_name(const ReportedEvent& e) {
  return e.kind + "-L" + std::to_string(e.layer) + "-Z" + std::to_string(e.zone) + "-f" +
         std::to_string(e.frame) + ".jpg";
}

// The snapshots in a folder by their names without the time.
std::map<std::string, std::filesystem::path> snapshots_in(const std::filesystem::path& folder) {
  std::map<std::string, std::filesystem::path> files;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    const std::string key = snapshot_key(entry.path().filename().string());
    EXPECT_FALSE(key.empty()) << entry.path();
    EXPECT_TRUE(files.emplace(key, entry.path()).second) << entry.path();
  }
  return files;
}

std::set<std::string> keys_of(const std::map<std::string, std::filesystem::path>& files) {
  std::set<std::string> keys;
  for (const auto& [key, path] : files) keys.insert(key);
  return keys;
}

// The snapshot names the events call for: each zone's first ON (every ON with --every-trigger).
std::set<std::string> snapshots_for(const std::vector<ReportedEvent>& events, bool every) {
  std::set<std::string> names;
  std::set<std::pair<int, int>> seen;
  for (std::size_t i = 0; i < events.size(); ++i) {
    const ReportedEvent& e = events[i];
    if (!e.status || is_warm_up(events, i)) continue;  // warm-up takes no snapshot
    if (seen.insert({e.layer, e.zone}).second || every) names.insert(snapshot_name(e));
  }
  return names;
}

struct SnapshotCase {
  const char* name;
  std::int64_t frames;
  bool every_trigger;
};

class WatchSnapshots : public ::testing::TestWithParam<SnapshotCase> {};

// Runs that end long after the last trigger, right on a trigger (the blue patch at 31), and a
// snapshot for every trigger; in each, one JPEG per trigger that calls for one, nothing else.
TEST_P(WatchSnapshots, OneDecodableSnapshotPerTrigger) {
  const SnapshotCase& c = GetParam();
  TempFolder folder;
  ASSERT_TRUE(write_text_file(folder / "zones.zentrik", script_text()));
  std::vector<std::string> args = {"watch",
                                   "--script",
                                   (folder / "zones.zentrik").string(),
                                   "--fast",
                                   "--frames",
                                   std::to_string(c.frames),
                                   "--format",
                                   "json",
                                   "--quiet-fps",
                                   "--snapshots",
                                   (folder / "shots").string()};
  if (c.every_trigger) args.push_back("--every-trigger");
  const ProcessResult run = run_zentrik(args);
  ASSERT_EQ(run.exit_code, 0) << describe(run);
  const auto events = json_events(run.out);
  ASSERT_EQ(events, expected_events(demo_like_zones(), 1, standard_scene_picture(), c.frames));

  const std::set<std::string> wanted = snapshots_for(events, c.every_trigger);
  if (c.frames > 2) {
    ASSERT_FALSE(wanted.empty());  // frames 1 and 2 are warm-up only
  }
  const auto files = snapshots_in(folder / "shots");
  EXPECT_EQ(keys_of(files), wanted);
  for (const auto& [name, path] : files) {
    std::string why;
    const auto picture = decode_jpeg(path, &why);
    ASSERT_TRUE(picture) << why;
    EXPECT_EQ(picture->width, 320) << name;
    EXPECT_EQ(picture->height, 240) << name;
  }
}

INSTANTIATE_TEST_SUITE_P(Runs, WatchSnapshots,
                         ::testing::Values(SnapshotCase{"WholeCycle", 300, false},
                                           SnapshotCase{"EndsOnATrigger", 31, false},
                                           SnapshotCase{"EndsOnTheFirstFrame", 1,
                                                        false},  // warm-up only: none
                                           SnapshotCase{"EveryTrigger", 240, true}),
                         [](const auto& info) { return std::string(info.param.name); });

// A colour zone's snapshot shows its patch: the JPEG's colours at the patch's centre are the
// patch's, within what JPEG compression allows.
TEST(WatchSnapshotPictures, ColourSnapshotsShowTheirPatch) {
  TempFolder folder;
  ASSERT_TRUE(write_text_file(folder / "zones.zentrik", script_text()));
  const ProcessResult run =
      run_zentrik({"watch", "--script", (folder / "zones.zentrik").string(), "--fast", "--frames",
                   "120", "--quiet-fps", "--snapshots", (folder / "shots").string()});
  ASSERT_EQ(run.exit_code, 0) << describe(run);
  struct Expect {
    const char* file;
    int x, y;
    Rgb colour;
  };
  for (const Expect& e : {Expect{"color-L1-Z2-f31.jpg", 280, 35, {0, 0, 255}},
                          Expect{"color-L1-Z3-f91.jpg", 40, 205, {255, 255, 0}}}) {
    std::string why;
    const auto files = snapshots_in(folder / "shots");
    ASSERT_TRUE(files.count(e.file)) << e.file;
    const auto picture = decode_jpeg(files.at(e.file), &why);
    ASSERT_TRUE(picture) << why;
    const Rgb got = picture->at(e.x, e.y);
    EXPECT_NEAR(got.r, e.colour.r, 24) << e.file;
    EXPECT_NEAR(got.g, e.colour.g, 24) << e.file;
    EXPECT_NEAR(got.b, e.colour.b, 24) << e.file;
  }
}

// --on-event: the command runs once per event with the event's fields in its environment; a
// ZENTRIK_ variable the program itself was given never reaches it.
TEST(WatchEventCommand, RunsOncePerEventWithTheEventsFields) {
  TempFolder folder;
  ASSERT_TRUE(write_text_file(folder / "zones.zentrik", script_text()));
  const std::string log = (folder / "events.log").string();
  const std::string command =
      "echo \"$ZENTRIK_EVENT $ZENTRIK_LAYER $ZENTRIK_ZONE $ZENTRIK_STATUS $ZENTRIK_PERCENTAGE "
      "$ZENTRIK_FRAME ${ZENTRIK_COLOR-none} $ZENTRIK_TIME\" >> '" +
      log + "'";
  const ProcessResult run =
      run_zentrik({"watch", "--script", (folder / "zones.zentrik").string(), "--fast", "--frames",
                   "300", "--format", "json", "--quiet-fps", "--on-event", command},
                  {}, {{"ZENTRIK_COLOR", "stale"}, {"ZENTRIK_ZONE", "stale"}});
  ASSERT_EQ(run.exit_code, 0) << describe(run);
  const auto events = json_events(run.out);
  ASSERT_EQ(events, expected_events(demo_like_zones(), 1, standard_scene_picture(), 300));

  // What each event's command should have written, with the time the JSON line gives.
  std::multiset<std::string> wanted;
  for (const std::string& line : split_lines(run.out)) {
    const auto e = parse_json_event(line);
    if (!e) continue;
    std::ostringstream text;
    text << e->kind << " " << e->layer << " " << e->zone << " " << (e->status ? "true" : "false")
         << " " << e->percentage << " " << e->frame << " "
         << (e->kind == "color" ? std::to_string(e->color) : "none") << " "
         << json_field(line, "time").value_or("?");
    wanted.insert(text.str());
  }
  const auto lines = split_lines(read_text_file(log));
  EXPECT_EQ(std::multiset<std::string>(lines.begin(), lines.end()), wanted);
  for (const std::string& line : lines) {
    EXPECT_TRUE(is_utc_time(line.substr(line.rfind(' ') + 1))) << line;
  }
}

// Two runs into one folder keep each other's snapshots (the names carry the time), and the event
// command of each triggering event gets the path of its snapshot, already written.
TEST(WatchSnapshotNames, UniqueAcrossRunsAndGivenToTheEventCommand) {
  TempFolder folder;
  ASSERT_TRUE(write_text_file(folder / "zones.zentrik", script_text()));
  const std::string log = (folder / "snapshots.log").string();
  const std::string command =
      "if [ -n \"$ZENTRIK_SNAPSHOT\" ]; then [ -s \"$ZENTRIK_SNAPSHOT\" ] && echo "
      "\"$ZENTRIK_SNAPSHOT\" >> '" +
      log + "'; fi";
  std::set<std::string> wanted;
  for (int run = 0; run < 2; ++run) {
    const ProcessResult r = run_zentrik({"watch", "--script", (folder / "zones.zentrik").string(),
                                         "--fast", "--frames", "40", "--quiet-fps", "--snapshots",
                                         (folder / "shots").string(), "--on-event", command});
    ASSERT_EQ(r.exit_code, 0) << describe(r);
    EXPECT_EQ(r.err.find("event command failed"), std::string::npos) << r.err;
  }
  std::set<std::string> written;
  std::map<std::string, int> runs_per_key;
  for (const auto& entry : std::filesystem::directory_iterator(folder / "shots")) {
    written.insert(entry.path().string());
    ++runs_per_key[snapshot_key(entry.path().filename().string())];
  }
  const auto told = split_lines(read_text_file(log));
  EXPECT_EQ(std::set<std::string>(told.begin(), told.end()), written);
  EXPECT_EQ(told.size(), written.size());
  // Each run writes one snapshot per zone that triggers; the second run's do not replace them.
  ASSERT_FALSE(runs_per_key.empty());
  for (const auto& [key, runs] : runs_per_key) EXPECT_EQ(runs, 2) << key;
}

// A disk that fills up while snapshots are written: the run goes on, says once which file could
// not be written and why, and counts the rest; no partial file is left.
TEST(WatchSnapshotNames, FullDiskIsOneMessageWithACount) {
  TempFolder folder;
  ASSERT_TRUE(write_text_file(folder / "zones.zentrik", script_text()));
  const ProcessResult r =
      run_zentrik({"watch", "--script", (folder / "zones.zentrik").string(), "--fast", "--frames",
                   "240", "--format", "json", "--quiet-fps", "--snapshots",
                   (folder / "shots").string(), "--every-trigger"},
                  {}, {{"ZENTRIK_WRITE_FAULT_AFTER", "0"}});
  ASSERT_EQ(r.exit_code, 0) << describe(r);
  const auto events = json_events(r.out);
  std::ptrdiff_t ons = 0;  // triggers that take a snapshot: warm-up takes none
  for (std::size_t i = 0; i < events.size(); ++i) ons += events[i].status && !is_warm_up(events, i);
  ASSERT_GT(ons, 2);
  const auto lines = split_lines(r.err);
  EXPECT_EQ(
      std::count_if(lines.begin(), lines.end(),
                    [](const std::string& l) { return l.find("snapshot") != std::string::npos; }),
      2)
      << r.err;  // the first failure, and the count
  EXPECT_NE(r.err.find("cannot write the snapshot " + (folder / "shots").string()),
            std::string::npos)
      << r.err;
  EXPECT_NE(r.err.find("No space left on device"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find(std::to_string(ons) + " snapshots could not be written"), std::string::npos)
      << r.err;
  EXPECT_TRUE(std::filesystem::is_empty(folder / "shots"));
}

// A command that fails does not stop watching, but the run says how often it failed.
TEST(WatchEventCommand, FailuresAreCountedAndWatchingGoesOn) {
  TempFolder folder;
  ASSERT_TRUE(write_text_file(folder / "zones.zentrik", script_text()));
  const ProcessResult run =
      run_zentrik({"watch", "--script", (folder / "zones.zentrik").string(), "--fast", "--frames",
                   "120", "--format", "json", "--quiet-fps", "--on-event", "exit 3"});
  ASSERT_EQ(run.exit_code, 0) << describe(run);
  const auto events = json_events(run.out);
  ASSERT_EQ(events, expected_events(demo_like_zones(), 1, standard_scene_picture(), 120));
  EXPECT_NE(run.err.find("the event command failed " + std::to_string(events.size()) + " times"),
            std::string::npos)
      << run.err;
}

// The readable form carries the same events as JSON; every line is an event or the frame rate.
TEST(WatchFormats, TextLinesSayWhatJsonLinesSay) {
  TempFolder folder;
  ASSERT_TRUE(write_text_file(folder / "zones.zentrik", script_text()));
  const std::vector<std::string> common = {
      "watch", "--script", (folder / "zones.zentrik").string(), "--fast", "--frames", "300"};
  auto with = [&](std::vector<std::string> extra) {
    std::vector<std::string> args = common;
    args.insert(args.end(), extra.begin(), extra.end());
    return run_zentrik(args);
  };
  const ProcessResult text = with({});
  const ProcessResult json = with({"--format", "json"});
  ASSERT_EQ(text.exit_code, 0) << describe(text);
  ASSERT_EQ(json.exit_code, 0) << describe(json);
  std::vector<std::string> unknown_text, unknown_json;
  const auto from_text = text_events(text.out, &unknown_text);
  EXPECT_TRUE(unknown_text.empty()) << unknown_text.front();
  EXPECT_EQ(from_text, json_events(json.out, &unknown_json));
  EXPECT_TRUE(unknown_json.empty()) << unknown_json.front();
  EXPECT_EQ(from_text, expected_events(demo_like_zones(), 1, standard_scene_picture(), 300));

  for (const std::string& line : split_lines(json.out)) {
    const auto time = json_field(line, "time");
    ASSERT_TRUE(time) << line;
    EXPECT_TRUE(is_utc_time(*time)) << line;
  }
}

}  // namespace
}  // namespace zentrik::testing

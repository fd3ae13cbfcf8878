// The HTTP API of the browser host, end to end over loopback: every endpoint on the virtual
// cameras with the demo zones, and every bad input refused with a 4xx and a clear message.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>

#include "web_host/served_cameras.h"
#include "zentrik/platform/files.h"

namespace zentrik::testing {
namespace {

using nlohmann::json;

std::string demo_script() {
  return *read_file(ZENTRIK_EXAMPLES "/demo.zentrik");
}

class Api : public ::testing::Test {
 protected:
  ServedOptions demo_options() {
    ServedOptions options;
    options.folder = folder_;
    options.script = demo_script();
    std::string error;
    EXPECT_TRUE(options.zone_names.set(1, 1, "red-patch", &error)) << error;
    return options;
  }
  void SetUp() override {
    folder_ = fresh_folder(::testing::UnitTest::GetInstance()->current_test_info()->name());
    served_ = std::make_unique<ServedCameras>(demo_options());
  }
  void TearDown() override {
    served_.reset();
    std::filesystem::remove_all(folder_);
  }

  json get_json(const std::string& path) {
    auto client = served_->client();
    auto response = client.Get(path);
    EXPECT_TRUE(response) << path;
    if (!response) return {};
    EXPECT_EQ(response->status, 200) << path << ": " << response->body;
    return json::parse(response->body);
  }
  httplib::Result send(const std::string& method, const std::string& path, const std::string& body,
                       const httplib::Headers& headers = {}) {
    auto client = served_->client();
    if (method == "POST") return client.Post(path, headers, body, "application/json");
    if (method == "PUT") return client.Put(path, headers, body, "application/json");
    if (method == "DELETE") return client.Delete(path, headers, body, "application/json");
    return client.Get(path, headers);
  }
  json camera(const std::string& id = "cam1") { return get_json("/api/cameras/" + id); }
  void wait_for_frames(std::int64_t count = 3) {
    ASSERT_TRUE(eventually([&] { return camera()["frame"].get<std::int64_t>() >= count; }));
  }

  std::filesystem::path folder_;
  std::unique_ptr<ServedCameras> served_;
};

TEST_F(Api, CamerasCarryTheControlsStateZonesAndOutlines) {
  wait_for_frames();
  const json list = get_json("/api/cameras");
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0]["id"], "cam1");
  EXPECT_EQ(list[1]["id"], "cam2");
  const json c = camera();
  EXPECT_TRUE(c["running"]);
  EXPECT_EQ(c["source_state"], "running");
  EXPECT_EQ(c["layer"], 1);
  EXPECT_EQ(c["colordepth"], 65535);
  EXPECT_TRUE(c["debugpreview"]);
  EXPECT_EQ(c["status_caption"], "Layer 1 activated ...");
  EXPECT_EQ(c["version_caption"].get<std::string>().rfind("Version ", 0), 0u);
  EXPECT_EQ(c["fps_caption"].get<std::string>().rfind("FPS = ", 0), 0u);
  ASSERT_EQ(c["zones"].size(), 6u);  // the demo's five colour zones and one motion zone
  EXPECT_EQ(c["zones"][0], json::parse(R"({"layer":1,"zone":1,"kind":"color","left":20,"top":20,
      "width":40,"height":30,"percentage":50,"color":255,"name":"red-patch"})"));
  EXPECT_FALSE(c["zones"][1].contains("name"));
  EXPECT_EQ(c["zones"][5]["kind"], "motion");
  // Outlines in pixels where the zones are; the red patch is always there, so zone 1 is white.
  ASSERT_TRUE(eventually([&] { return camera()["outlines"][0]["color"] == 0xFFFFFF; }));
  const json outline = camera()["outlines"][0];
  EXPECT_EQ(outline["zone"], 1);
  EXPECT_EQ(outline["left"], 20);
  EXPECT_EQ(outline["width"], 40);
  EXPECT_EQ(outline["height"], 30);
  EXPECT_TRUE(outline["visible"]);
  EXPECT_EQ(outline["css"], "#ffffff");
}

TEST_F(Api, PicturesAreAJpegAndAnExactBitmapWithAtMostSixteenColoursAtLowDepth) {
  wait_for_frames();
  auto client = served_->client();
  auto jpeg = client.Get("/api/cameras/cam2/live.jpg");
  ASSERT_TRUE(jpeg);
  EXPECT_EQ(jpeg->get_header_value("Content-Type"), "image/jpeg");
  EXPECT_EQ(jpeg->body.substr(0, 2), "\xFF\xD8");

  auto reduced = send("PUT", "/api/cameras/cam1/properties", R"({"colordepth":"low"})");
  ASSERT_EQ(reduced->status, 200) << reduced->body;
  const std::int64_t frame = camera()["frame"];
  ASSERT_TRUE(eventually([&] { return camera()["frame"].get<std::int64_t>() > frame + 1; }));
  auto bitmap = client.Get("/api/cameras/cam1/processed.bmp");
  ASSERT_TRUE(bitmap);
  EXPECT_EQ(bitmap->get_header_value("Content-Type"), "image/bmp");
  ASSERT_EQ(bitmap->body.size(), 54u + 320 * 240 * 3);
  EXPECT_EQ(bitmap->body.substr(0, 2), "BM");
  std::set<std::uint32_t> colours;
  for (std::size_t i = 54; i + 2 < bitmap->body.size(); i += 3) {
    colours.insert(static_cast<std::uint8_t>(bitmap->body[i]) |
                   static_cast<std::uint8_t>(bitmap->body[i + 1]) << 8 |
                   static_cast<std::uint8_t>(bitmap->body[i + 2]) << 16);
  }
  EXPECT_LE(colours.size(), 16u);
  EXPECT_GE(colours.size(), 4u);
}

TEST_F(Api, TheMjpegStreamSendsSuccessivePictures) {
  wait_for_frames();
  auto client = served_->client();
  std::string received;
  int parts = 0;
  client.Get("/api/cameras/cam1/live.mjpg", [&](const char* data, std::size_t length) {
    received.append(data, length);
    std::size_t at = 0;
    parts = 0;
    while ((at = received.find("--zentrikframe", at)) != std::string::npos) ++parts, ++at;
    return parts < 3;
  });
  EXPECT_GE(parts, 3);
  EXPECT_NE(received.find("Content-Type: image/jpeg"), std::string::npos);
  EXPECT_TRUE(eventually([&] { return served_->server().open_streams() == 0; }));
}

TEST_F(Api, PropertyWritesGoThroughTheControlAndReturnItsMessageBoxes) {
  auto rejected = send("PUT", "/api/cameras/cam1/properties", R"({"layer":0})");
  ASSERT_EQ(rejected->status, 200);
  json c = json::parse(rejected->body);
  EXPECT_EQ(c["layer"], 1);  // the control corrects the layer and says so
  ASSERT_EQ(c["messages"].size(), 1u);
  EXPECT_EQ(c["messages"][0]["text"], "Layer must be between 1 and 64");
  EXPECT_EQ(c["messages"][0]["title"], "Zentrik");

  c = json::parse(send("PUT", "/api/cameras/cam1/properties",
                       R"({"layer":2,"colordepth":256,"debugpreview":false,"active":false})")
                      ->body);
  EXPECT_EQ(c["layer"], 2);
  EXPECT_EQ(c["status_caption"], "Layer 2 activated ...");
  EXPECT_EQ(c["colordepth"], 256);
  EXPECT_FALSE(c["debugpreview"]);
  EXPECT_FALSE(c["active"]);
  EXPECT_FALSE(c["running"]);
  EXPECT_TRUE(c["messages"].empty());
  EXPECT_TRUE(camera("cam2")["active"]);  // the other camera goes on
}

TEST_F(Api, ThePixelReadOutIsTheControlsOwn) {
  wait_for_frames();
  auto answer = send("POST", "/api/cameras/cam1/pixel", R"({"x":30,"y":30})");
  ASSERT_EQ(answer->status, 200) << answer->body;
  const json j = json::parse(answer->body);
  EXPECT_EQ(j["text"], "X = 30 * Y = 30 * colorvalue =  255 (as long variable)");
  EXPECT_EQ(j["color"], 255);
}

TEST_F(Api, ZoneEditsShowInTheApiAndSurviveARestartInTheEditsFile) {
  auto added = send("POST", "/api/cameras/cam1/zones",
                    R"({"layer":1,"zone":9,"kind":"color","left":20,"top":20,"width":40,
                        "height":30,"percentage":50,"color":255})");
  ASSERT_EQ(added->status, 200) << added->body;
  json c = json::parse(added->body);
  EXPECT_EQ(c["zones"].size(), 7u);
  bool outlined = false;
  for (const json& o : c["outlines"]) outlined |= o["zone"] == 9 && o["visible"] == true;
  EXPECT_TRUE(outlined);  // on the active layer the outlines follow at once
  ASSERT_EQ(send("DELETE", "/api/cameras/cam1/zones/1/6?kind=motion", "")->status, 200);
  ASSERT_EQ(send("POST", "/api/cameras/cam1/clear", R"({"layer":3})")->status, 200);

  // A comment a person adds to the edits file is kept by the next edit.
  const auto edits = folder_ / "state" / "cam1.zentrik";
  std::ofstream(edits, std::ios::app) << "' my note\n";
  ASSERT_EQ(send("POST", "/api/cameras/cam1/zones",
                 R"({"layer":4,"zone":1,"kind":"motion","left":0,"top":0,"width":320,
                     "height":240,"percentage":5})")
                ->status,
            200);
  const std::string text = *read_file(edits.string());
  EXPECT_NE(text.find("' my note\n"), std::string::npos);
  EXPECT_NE(text.find("add_color_detection 1, 9, 20, 20, 40, 30, &H0000FF, 50\n"),
            std::string::npos);
  EXPECT_NE(text.find("add_motion_detection 1, 6, 200, 52, 40, 32, 0\n"), std::string::npos);

  served_.reset();  // restart on the same folder
  served_ = std::make_unique<ServedCameras>(demo_options());
  c = camera();
  std::set<std::string> zones;
  for (const json& z : c["zones"]) {
    zones.insert(std::to_string(z["layer"].get<int>()) + "/" +
                 std::to_string(z["zone"].get<int>()) + z["kind"].get<std::string>());
  }
  EXPECT_TRUE(zones.count("1/9color"));
  EXPECT_TRUE(zones.count("4/1motion"));
  EXPECT_FALSE(zones.count("1/6motion"));
  EXPECT_EQ(camera("cam2")["zones"].size(), 6u);  // only cam1 was edited
}

TEST_F(Api, ClearingTheActiveLayerTakesItsZonesOut) {
  auto cleared = send("POST", "/api/cameras/cam1/clear", R"({"layer":1})");
  ASSERT_EQ(cleared->status, 200) << cleared->body;
  const json c = json::parse(cleared->body);
  EXPECT_TRUE(c["zones"].empty());
  for (const json& o : c["outlines"]) EXPECT_FALSE(o["visible"]);
}

TEST_F(Api, EventsStreamZoneChangesInFrameOrder) {
  auto client = served_->client();
  std::string received;
  client.Get("/api/events", [&](const char* data, std::size_t length) {
    received.append(data, length);
    std::size_t count = 0, at = 0;
    while ((at = received.find("event: zone\n", at)) != std::string::npos) ++count, ++at;
    return count < 4;
  });
  std::vector<std::int64_t> frames;
  std::size_t at = 0;
  while ((at = received.find("event: zone\ndata: ", at)) != std::string::npos) {
    at += 18;
    const json e = json::parse(received.substr(at, received.find('\n', at) - at));
    EXPECT_TRUE(e["kind"] == "color" || e["kind"] == "motion");
    EXPECT_TRUE(e.contains("percentage") && e.contains("time") && e.contains("status"));
    if (e["camera"] == "cam1") frames.push_back(e["frame"]);
    EXPECT_EQ(e.value("name", ""), e["zone"] == 1 ? "red-patch" : "");
    // Frame 1 compares against black: warm-up, not a detection.
    EXPECT_EQ(e.value("warmup", false), e["frame"] == 1 || (e["frame"] == 2 && !e["status"])) << e;
  }
  EXPECT_TRUE(std::is_sorted(frames.begin(), frames.end()));
}

// The blue patch appears at frame 30: its trigger writes an event snapshot into the gallery and
// says so; the warm-up of frame 1 writes none.
TEST_F(Api, ATriggerWritesAnEventSnapshotIntoTheGallery) {
  const std::string kSaid = "event: snapshot\ndata: ";
  auto client = served_->client();
  std::string received;
  client.Get("/api/events", [&](const char* data, std::size_t length) {
    received.append(data, length);
    const std::size_t said = received.find(kSaid);
    return said == std::string::npos ||
           received.find('\n', said + kSaid.size()) == std::string::npos;
  });
  const std::size_t at = received.find(kSaid) + kSaid.size();
  const json said = json::parse(received.substr(at, received.find('\n', at) - at));
  const std::string name = said["name"];
  EXPECT_EQ(name.rfind("event-color-L1-Z2-", 0), 0u) << name;
  auto file =
      client.Get("/api/cameras/" + said["camera"].get<std::string>() + "/snapshots/" + name);
  ASSERT_EQ(file->status, 200);
  EXPECT_EQ(file->body.substr(0, 2), "\xFF\xD8");
}

TEST_F(Api, SnapshotsAreWrittenListedAndServedFromTheirFolderOnly) {
  auto taken = send("POST", "/api/cameras/cam1/snapshot", "");
  ASSERT_EQ(taken->status, 200) << taken->body;
  const std::string name = json::parse(taken->body)["name"];
  ASSERT_TRUE(eventually([&] {
    const json list = get_json("/api/cameras/cam1/snapshots");
    return !list.empty() && list[0]["name"] == name && list[0]["size"].get<int>() > 0;
  }));
  auto client = served_->client();
  auto file = client.Get("/api/cameras/cam1/snapshots/" + name);
  ASSERT_EQ(file->status, 200);
  EXPECT_EQ(file->get_header_value("Content-Type"), "image/jpeg");
  EXPECT_EQ(file->body.substr(0, 2), "\xFF\xD8");

  // Nothing outside the folder, nor links, folders or hidden files in it.
  const auto shots = folder_ / "state" / "snapshots" / "cam1";
  std::filesystem::create_symlink(folder_ / "state" / "cam1.zentrik", shots / "link.jpg");
  std::filesystem::create_directory(shots / "sub.jpg");
  std::ofstream(shots / ".hidden.jpg") << "x";
  for (const char* bad : {"../cam1.zentrik", "..%2Fcam1.zentrik", "%2Fetc%2Fpasswd", "link.jpg",
                          "sub.jpg", ".hidden.jpg", "..", "nothing.jpg"}) {
    auto refused = client.Get(std::string("/api/cameras/cam1/snapshots/") + bad);
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->status, 404) << bad;
    EXPECT_NE(refused->body.find("\"error\""), std::string::npos) << bad;
  }
  const json listed = get_json("/api/cameras/cam1/snapshots");  // event snapshots aside
  EXPECT_EQ(std::count_if(listed.begin(), listed.end(),
                          [](const json& f) { return f["name"].get<std::string>()[0] == 's'; }),
            1);
}

TEST_F(Api, TheAboutBoxTexts) {
  const json about = get_json("/api/about");
  EXPECT_EQ(about["title"], "About Zentrik");
  ASSERT_EQ(about["lines"].size(), 6u);
  EXPECT_EQ(about["lines"][1].get<std::string>().rfind("Version ", 0), 0u);
}

TEST_F(Api, ThePageAndItsFilesAreBuiltIn) {
  auto client = served_->client();
  auto page = client.Get("/");
  ASSERT_EQ(page->status, 200);
  EXPECT_EQ(page->get_header_value("Content-Type"), "text/html; charset=utf-8");
  EXPECT_EQ(client.Get("/static/app.js")->get_header_value("Content-Type"),
            "text/javascript; charset=utf-8");
  EXPECT_EQ(client.Get("/static/style.css")->status, 200);
  EXPECT_EQ(client.Get("/static/../CMakeLists.txt")->status, 404);
}

struct BadRequest {
  const char* method;
  const char* path;
  const char* body;
  int status;
  const char* says;  // part of the error message
};

TEST_F(Api, EveryBadInputIsRefusedWithAClearMessageAndChangesNothing) {
  const std::string big(70 * 1024, ' ');
  const BadRequest cases[] = {
      {"GET", "/api/cameras/cam9", "", 404, "no camera named 'cam9'"},
      {"GET", "/api/cameras/cam9/live.jpg", "", 404, "cam9"},
      {"GET", "/api/nothing", "", 404, "no such API"},
      {"GET", "/api/cameras/cam1/nothing", "", 404, "no such API"},
      {"GET", "/elsewhere", "", 404, "no such page"},
      {"POST", "/api/cameras", "{}", 405, "use GET"},
      {"GET", "/api/cameras/cam1/zones", "", 405, "use POST"},
      {"POST", "/api/cameras/cam1/properties", "{}", 405, "use PUT"},
      {"PUT", "/api/cameras/cam1/properties", "{layer:", 400, "not valid JSON"},
      {"PUT", "/api/cameras/cam1/properties", "[1]", 400, "JSON object"},
      {"PUT", "/api/cameras/cam1/properties", "{}", 400, "no property given"},
      {"PUT", "/api/cameras/cam1/properties", R"({"zoom":2})", 400, "unknown member 'zoom'"},
      {"PUT", "/api/cameras/cam1/properties", R"({"layer":"two"})", 400, "whole number"},
      {"PUT", "/api/cameras/cam1/properties", R"({"layer":40000})", 400, "between"},
      {"PUT", "/api/cameras/cam1/properties", R"({"active":1})", 400, "true or false"},
      {"PUT", "/api/cameras/cam1/properties", R"({"colordepth":"deep"})", 400, "low, medium"},
      {"POST", "/api/cameras/cam1/zones", R"({"layer":65,"zone":1})", 400,
       "'layer' must be between 1 and 64"},
      {"POST", "/api/cameras/cam1/zones", R"({"layer":0,"zone":1})", 400,
       "'layer' must be between 1 and 64"},
      {"POST", "/api/cameras/cam1/zones", R"({"layer":1,"zone":65})", 400,
       "'zone' must be between 1 and 64"},
      {"POST", "/api/cameras/cam1/zones", R"({"layer":1,"zone":1,"kind":"smell"})", 400, "'kind'"},
      {"POST", "/api/cameras/cam1/zones",
       R"({"layer":1,"zone":1,"kind":"motion","left":300,"top":0,"width":40,"height":10,"percentage":5})",
       400, "'width' must be between 1 and 20"},
      {"POST", "/api/cameras/cam1/zones",
       R"({"layer":1,"zone":1,"kind":"color","left":0,"top":0,"width":40,"height":10,"percentage":5})",
       400, "'color' is missing"},
      {"POST", "/api/cameras/cam1/zones",
       R"({"layer":1,"zone":1,"kind":"motion","left":0,"top":0,"width":4,"height":1,"percentage":101})",
       400, "'percentage' must be between 1 and 100"},
      {"DELETE", "/api/cameras/cam1/zones/0/1", "", 400, "the layer must be a number from 1 to 64"},
      {"DELETE", "/api/cameras/cam1/zones/1/65", "", 400, "the zone must be a number from 1 to 64"},
      {"DELETE", "/api/cameras/cam1/zones/1/x1", "", 400, "the zone"},
      {"DELETE", "/api/cameras/cam1/zones/1/1?kind=blue", "", 400, "kind must be motion or color"},
      {"DELETE", "/api/cameras/cam1/zones/1/40?kind=motion", "", 404,
       "no motion zone 40 in layer 1"},
      {"DELETE", "/api/cameras/cam1/zones/1/6?kind=color", "", 404, "no colour zone 6 in layer 1"},
      {"POST", "/api/cameras/cam1/clear", R"({"layer":99})", 400,
       "'layer' must be between 1 and 64"},
      {"POST", "/api/cameras/cam1/pixel", R"({"x":320,"y":0})", 400,
       "'x' must be between 0 and 319"},
      {"POST", "/api/cameras/cam1/pixel", R"({"x":1})", 400, "'y' is missing"},
      {"POST", "/api/cameras/cam1/zones", big.c_str(), 413, "larger than"},
  };
  const json before = camera();
  for (const BadRequest& c : cases) {
    auto answer = send(c.method, c.path, c.body);
    ASSERT_TRUE(answer) << c.method << " " << c.path;
    EXPECT_EQ(answer->status, c.status) << c.method << " " << c.path << ": " << answer->body;
    EXPECT_NE(answer->body.find(c.says), std::string::npos)
        << c.method << " " << c.path << ": " << answer->body;
    EXPECT_NO_THROW(json::parse(answer->body)["error"].get<std::string>()) << answer->body;
  }
  const json after = camera();
  EXPECT_EQ(after["zones"], before["zones"]);
  EXPECT_EQ(after["layer"], before["layer"]);
  EXPECT_EQ(after["colordepth"], before["colordepth"]);
}

TEST_F(Api, ChangesFromAnotherOriginAreRefused) {
  const httplib::Headers foreign = {{"Origin", "http://evil.example"}};
  auto refused = send("PUT", "/api/cameras/cam1/properties", R"({"layer":3})", foreign);
  EXPECT_EQ(refused->status, 403);
  EXPECT_EQ(
      send("POST", "/api/cameras/cam1/clear", R"({"layer":1})", {{"Sec-Fetch-Site", "cross-site"}})
          ->status,
      403);
  EXPECT_EQ(camera()["layer"], 1);
  EXPECT_EQ(send("GET", "/api/cameras/cam1", "", foreign)->status, 200);  // reading is fine
  const std::string own = "http://127.0.0.1:" + std::to_string(served_->port());
  EXPECT_EQ(
      send("PUT", "/api/cameras/cam1/properties", R"({"layer":3})", {{"Origin", own}})->status,
      200);
}

TEST(ApiToken, WithATokenEveryRequestNeedsItAndNothingChangesWithout) {
  const auto folder = fresh_folder("token");
  ServedOptions options;
  options.folder = folder;
  options.cameras = {"cam1"};
  options.token = "sesame";
  ServedCameras served(options);
  auto client = served.client();
  for (const char* path : {"/", "/api/cameras", "/api/cameras/cam1/live.jpg", "/api/events",
                           "/api/cameras/cam1/live.mjpg"}) {
    auto refused = client.Get(path);
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->status, 401) << path;
    EXPECT_EQ(refused->get_header_value("WWW-Authenticate"), "Bearer");
  }
  EXPECT_EQ(
      client.Put("/api/cameras/cam1/properties", R"({"layer":5})", "application/json")->status,
      401);
  EXPECT_EQ(client.Get("/api/cameras?token=wrong")->status, 401);
  EXPECT_EQ(client.Get("/api/cameras", {{"Authorization", "Bearer sesamE"}})->status, 401);
  auto allowed = client.Get("/api/cameras/cam1?token=sesame");
  ASSERT_EQ(allowed->status, 200);
  EXPECT_EQ(json::parse(allowed->body)["layer"], 0);  // no script: the control's start value
  EXPECT_EQ(client.Get("/api/cameras", {{"Authorization", "Bearer sesame"}})->status, 200);
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace zentrik::testing

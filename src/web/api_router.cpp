// Routes of the browser host's API; every refusal is a 4xx with {"error": "..."}.
#include "zentrik/web/ApiRouter.h"

#include <charconv>
#include <optional>
#include <vector>

#include "api_json.h"
#include "page_assets.h"
#include "snapshot_files.h"
#include "zentrik/platform/files.h"

namespace zentrik {
namespace {

constexpr std::size_t kMaxSnapshotBytes = 64 * 1024 * 1024;

HttpResponse json_answer(std::string body, int status = 200) {
  HttpResponse response;
  response.status = status;
  response.body = std::move(body);
  return response;
}

HttpResponse refuse(int status, const std::string& message) {
  return json_answer(api_json::error(message), status);
}

HttpResponse bytes_answer(std::string content_type, std::string body) {
  HttpResponse response;
  response.content_type = std::move(content_type);
  response.body = std::move(body);
  return response;
}

HttpResponse method_not_allowed(const std::string& allowed) {
  HttpResponse response = refuse(405, "use " + allowed + " here");
  response.headers.emplace_back("Allow", allowed);
  return response;
}

std::vector<std::string> split_path(const std::string& path) {
  std::vector<std::string> parts;
  std::size_t start = 1;  // after the leading '/'
  while (start <= path.size()) {
    const std::size_t end = path.find('/', start);
    parts.push_back(path.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return parts;
}

// A zone-slot number from the path: 1 to 64.
int slot_number(const std::string& text, const char* what) {
  int value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || value < 1 || value > 64) {
    throw ApiError(400, std::string(what) + " must be a number from 1 to 64, not '" + text + "'");
  }
  return value;
}

bool state_changing(const std::string& method) {
  return method == "POST" || method == "PUT" || method == "DELETE" || method == "PATCH";
}

bool equal_in_constant_time(const std::string& a, const std::string& b) {
  unsigned char difference = a.size() == b.size() ? 0 : 1;
  for (std::size_t i = 0; i < a.size(); ++i) {
    difference |= static_cast<unsigned char>(a[i] ^ (i < b.size() ? b[i] : 0));
  }
  return difference == 0;
}

std::string content_type_of(const std::string& name) {
  auto ends_with = [&](const char* tail) {
    const std::string t(tail);
    if (name.size() < t.size()) return false;
    for (std::size_t i = 0; i < t.size(); ++i) {
      if (std::tolower(static_cast<unsigned char>(name[name.size() - t.size() + i])) != t[i]) {
        return false;
      }
    }
    return true;
  };
  if (ends_with(".jpg") || ends_with(".jpeg")) return "image/jpeg";
  if (ends_with(".bmp")) return "image/bmp";
  return "application/octet-stream";
}

}  // namespace

ApiRouter::ApiRouter(CameraHost& host, RouterOptions options)
    : host_(host), options_(std::move(options)) {}

bool ApiRouter::authorised(const HttpRequest& request) const {
  if (options_.token.empty()) return true;
  const std::string bearer = "Bearer ";
  const std::string header = request.header("authorization");
  if (header.rfind(bearer, 0) == 0 &&
      equal_in_constant_time(header.substr(bearer.size()), options_.token)) {
    return true;
  }
  auto it = request.query.find("token");
  return it != request.query.end() && equal_in_constant_time(it->second, options_.token);
}

// A browser names the page a request comes from in Origin (and Sec-Fetch-Site); only the
// server's own page may change anything. Programs that send neither (curl) are not browsers.
bool ApiRouter::same_origin(const HttpRequest& request) const {
  if (request.header("sec-fetch-site") == "cross-site") return false;
  const std::string origin = request.header("origin");
  if (origin.empty()) return true;
  const std::string host = request.header("host");
  return !host.empty() && (origin == "http://" + host || origin == "https://" + host);
}

HttpResponse ApiRouter::handle(const HttpRequest& request) {
  HttpResponse response;
  if (!authorised(request)) {
    response = refuse(401,
                      "this server needs its token: add ?token=... or an Authorization: "
                      "Bearer header");
    response.headers.emplace_back("WWW-Authenticate", "Bearer");
  } else if (request.body.size() > options_.max_body) {
    response =
        refuse(413, "the body is larger than " + std::to_string(options_.max_body) + " bytes");
  } else if (state_changing(request.method) && !same_origin(request)) {
    response = refuse(403, "changes are accepted only from this server's own page");
  } else {
    try {
      response = route(request);
    } catch (const ApiError& e) {
      response = refuse(e.status(), e.what());
    } catch (const std::exception& e) {
      response = refuse(500, e.what());
    }
  }
  response.headers.emplace_back("X-Content-Type-Options", "nosniff");
  response.headers.emplace_back("Cache-Control", "no-store");
  return response;
}

HttpResponse ApiRouter::route(const HttpRequest& request) {
  const std::vector<std::string> parts = split_path(request.path);
  const bool get = request.method == "GET";
  if (request.path == "/" || (parts.size() == 2 && parts[0] == "static")) {
    if (!get) return method_not_allowed("GET");
    const PageAsset* asset = find_page_asset(request.path == "/" ? "index.html" : parts[1]);
    if (!asset) return refuse(404, "no such file: " + request.path);
    return bytes_answer(std::string(asset->content_type), std::string(asset->bytes));
  }
  if (parts.size() < 2 || parts[0] != "api") return refuse(404, "no such page: " + request.path);
  if (parts.size() == 2 && parts[1] == "about") {
    if (!get) return method_not_allowed("GET");
    auto [title, lines] = host_.about();
    return json_answer(api_json::about(title, lines));
  }
  if (parts.size() == 2 && parts[1] == "events") {
    if (!get) return method_not_allowed("GET");
    HttpResponse response;
    response.stream = StreamKind::Events;
    response.content_type = "text/event-stream";
    return response;
  }
  if (parts[1] != "cameras") return refuse(404, "no such API: " + request.path);
  if (parts.size() == 2) {
    if (!get) return method_not_allowed("GET");
    return json_answer(api_json::cameras(host_.cameras()));
  }
  const std::optional<std::size_t> camera = host_.find(parts[2]);
  if (!camera) return refuse(404, "no camera named '" + parts[2] + "'");
  std::string rest;
  for (std::size_t i = 3; i < parts.size(); ++i) rest += (i > 3 ? "/" : "") + parts[i];
  return camera_route(request, *camera, rest);
}

HttpResponse ApiRouter::camera_route(const HttpRequest& request, std::size_t camera,
                                     const std::string& rest) {
  const std::string& method = request.method;
  auto only = [&](const char* allowed) { return method == allowed; };
  if (rest.empty()) {
    if (!only("GET")) return method_not_allowed("GET");
    return json_answer(api_json::camera(host_.camera(camera)));
  }
  if (rest == "live.jpg" || rest == "live.mjpg" || rest == "processed.bmp" || rest == "snapshots") {
    if (!only("GET")) return method_not_allowed("GET");
    if (rest == "live.mjpg") {
      HttpResponse response;
      response.stream = StreamKind::Mjpeg;
      response.camera = camera;
      response.content_type = "multipart/x-mixed-replace; boundary=zentrikframe";
      return response;
    }
    if (rest == "snapshots") {
      return json_answer(api_json::snapshots(list_snapshots(host_.snapshot_dir(camera))));
    }
    if (rest == "live.jpg") {
      JpegBytes picture = host_.live_jpeg(camera);
      if (!picture) return refuse(503, "camera " + host_.id(camera) + " has no picture yet");
      return bytes_answer("image/jpeg", std::string(picture->begin(), picture->end()));
    }
    std::vector<std::uint8_t> bitmap = host_.processed_bmp(camera);
    return bytes_answer("image/bmp", std::string(bitmap.begin(), bitmap.end()));
  }
  if (rest.rfind("snapshots/", 0) == 0) {
    if (!only("GET")) return method_not_allowed("GET");
    const std::string name = rest.substr(std::string("snapshots/").size());
    const std::optional<std::string> path = snapshot_path(host_.snapshot_dir(camera), name);
    if (!path) return refuse(404, "no snapshot named '" + name + "'");
    Long error = 0;
    std::optional<std::string> bytes = read_file(*path, &error);
    if (!bytes) return refuse(404, "the snapshot '" + name + "' cannot be read");
    if (bytes->size() > kMaxSnapshotBytes) return refuse(413, "the snapshot is too large");
    return bytes_answer(content_type_of(name), std::move(*bytes));
  }
  if (rest == "pixel" || rest == "zones" || rest == "clear" || rest == "snapshot") {
    if (!only("POST")) return method_not_allowed("POST");
    if (rest == "pixel") {
      const auto [x, y] = api_json::read_point(request.body);
      const auto [text, colour] = host_.pixel(camera, x, y);
      return json_answer(api_json::pixel(text, colour));
    }
    if (rest == "zones") {
      return json_answer(
          api_json::camera(host_.add_zone(camera, api_json::read_zone_edit(request.body))));
    }
    if (rest == "clear") {
      return json_answer(
          api_json::camera(host_.clear_layer(camera, api_json::read_layer(request.body))));
    }
    return json_answer(api_json::snapshot_taken(host_.snapshot(camera)));
  }
  if (rest == "properties") {
    if (!only("PUT")) return method_not_allowed("PUT");
    return json_answer(api_json::camera(
        host_.write_properties(camera, api_json::read_property_write(request.body))));
  }
  const std::vector<std::string> parts = split_path("/" + rest);
  if (parts.size() == 3 && parts[0] == "zones") {
    if (!only("DELETE")) return method_not_allowed("DELETE");
    const int layer = slot_number(parts[1], "the layer");
    const int zone = slot_number(parts[2], "the zone");
    auto kind = request.query.find("kind");
    const std::string which = kind == request.query.end() ? "motion" : kind->second;
    if (which != "motion" && which != "color") {
      return refuse(400, "kind must be motion or color, not '" + which + "'");
    }
    return json_answer(api_json::camera(host_.remove_zone(camera, layer, zone, which == "color")));
  }
  return refuse(404, "no such API: " + request.path);
}

}  // namespace zentrik

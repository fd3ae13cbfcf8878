// Telling files, streams and cameras apart by the text that names them, and hiding passwords.
#include <algorithm>
#include <array>
#include <cctype>
#include <filesystem>

#include "zentrik/sources/MediaLocation.h"

namespace zentrik {
namespace {

std::string lower(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return out;
}

// The scheme of "scheme://rest" in lower case, or "" when the text has none.
std::string scheme_of(std::string_view text) {
  const auto colon = text.find("://");
  if (colon == std::string_view::npos || colon == 0) return {};
  const std::string_view scheme = text.substr(0, colon);
  if (!std::isalpha(static_cast<unsigned char>(scheme.front()))) return {};
  for (unsigned char c : scheme)
    if (!std::isalnum(c) && c != '+' && c != '-' && c != '.') return {};
  return lower(scheme);
}

}  // namespace

MediaLocation classify_location(std::string_view text) {
  MediaLocation location{std::string(text), MediaKind::File};
  const std::string scheme = scheme_of(text);
  if (!scheme.empty()) {
    if (scheme != "file") location.kind = MediaKind::Stream;
  } else if (text.rfind("/dev/", 0) == 0 && text.substr(5).rfind("video", 0) == 0 &&
             text.find('/', 5) == std::string_view::npos) {
    location.kind = MediaKind::Camera;
  }
  return location;
}

std::string redact_credentials(std::string_view url) {
  const auto scheme_end = url.find("://");
  if (scheme_end == std::string_view::npos) return std::string(url);
  const auto authority = scheme_end + 3;
  const auto authority_end = std::min(url.find_first_of("/?#", authority), url.size());
  const auto at = url.rfind('@', authority_end - 1);
  if (at == std::string_view::npos || at < authority) return std::string(url);
  const auto colon = url.find(':', authority);
  if (colon == std::string_view::npos || colon > at) return std::string(url);
  return std::string(url.substr(0, colon)) + std::string(url.substr(at));
}

std::string MediaLocation::display() const {
  return kind == MediaKind::Stream ? redact_credentials(text) : text;
}

std::string source_description(const MediaLocation& location) {
  switch (location.kind) {
    case MediaKind::File:
      return "File: " + std::filesystem::path(location.text).filename().string();
    case MediaKind::Stream:
      return "Stream: " + location.display();
    case MediaKind::Camera:
      return "Camera: " + location.text;
  }
  return location.display();
}

bool MediaLocation::is_live_protocol() const {
  if (kind != MediaKind::Stream) return kind == MediaKind::Camera;
  static constexpr std::array<std::string_view, 11> kLive = {
      "rtsp", "rtsps", "rtmp", "rtmps", "rtmpt", "rtp", "udp", "srt", "tcp", "mmsh", "mmst"};
  const std::string scheme = scheme_of(text);
  return std::find(kLive.begin(), kLive.end(), scheme) != kLive.end();
}

}  // namespace zentrik

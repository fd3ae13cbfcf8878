// Listing V4L2 cameras from a video4linux class folder.
#include "zentrik/sources/V4l2Devices.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <system_error>

namespace zentrik {
namespace {

// The first line of a small text file without its line end and trailing blanks; "" when the
// file cannot be read.
std::string first_line(const std::filesystem::path& file) {
  std::ifstream in(file);
  std::string line;
  if (!in || !std::getline(in, line)) return {};
  while (!line.empty() &&
         (line.back() == '\r' || line.back() == ' ' || line.back() == '\t' || line.back() == '\0'))
    line.pop_back();
  return line;
}

// N of "videoN" (digits only, no sign, at most 9 of them), or -1.
int device_number(const std::string& name) {
  constexpr std::string_view kPrefix = "video";
  if (name.size() <= kPrefix.size() || name.size() > kPrefix.size() + 9 ||
      name.compare(0, kPrefix.size(), kPrefix) != 0)
    return -1;
  int number = -1;
  const char* first = name.data() + kPrefix.size();
  const char* last = name.data() + name.size();
  if (!std::all_of(first, last, [](char c) { return c >= '0' && c <= '9'; })) return -1;
  const auto [end, error] = std::from_chars(first, last, number);
  return (error == std::errc{} && end == last) ? number : -1;
}

bool is_further_node(const std::filesystem::path& entry) {
  const std::string index = first_line(entry / "index");
  return !index.empty() && index != "0";
}

}  // namespace

std::vector<V4l2Device> list_v4l2_devices(const std::filesystem::path& class_root,
                                          const std::filesystem::path& device_root) {
  std::vector<V4l2Device> devices;
  std::error_code error;
  std::filesystem::directory_iterator it(class_root, error);
  if (error) return devices;
  for (; it != std::filesystem::directory_iterator(); it.increment(error)) {
    if (error) break;
    const std::string name = it->path().filename().string();
    const int number = device_number(name);
    if (number < 0 || is_further_node(it->path())) continue;
    devices.push_back({number, (device_root / name).string(), first_line(it->path() / "name")});
  }
  std::sort(devices.begin(), devices.end(),
            [](const V4l2Device& a, const V4l2Device& b) { return a.number < b.number; });
  return devices;
}

}  // namespace zentrik

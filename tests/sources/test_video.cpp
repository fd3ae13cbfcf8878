// Writes the known frames as raw RGB and encodes them with the ffmpeg command.
#include "test_video.h"

#include <cstdio>
#include <fstream>
#include <vector>

namespace zentrik::testing {
namespace {

void fill(std::vector<unsigned char>& rgb, int left, int top, int width, int height,
          unsigned char red, unsigned char green, unsigned char blue) {
  for (int y = top; y < top + height; ++y)
    for (int x = left; x < left + width; ++x) {
      unsigned char* pixel = &rgb[(static_cast<std::size_t>(y) * TestVideo::kWidth + x) * 3];
      pixel[0] = red;
      pixel[1] = green;
      pixel[2] = blue;
    }
}

}  // namespace

bool make_test_video(const std::filesystem::path& out, const std::string& encoder_arguments,
                     std::string& log) {
  const std::filesystem::path raw = out.string() + ".rgb";
  {
    std::ofstream file(raw, std::ios::binary);
    std::vector<unsigned char> rgb(static_cast<std::size_t>(TestVideo::kWidth) *
                                   TestVideo::kHeight * 3);
    for (int k = 0; k < TestVideo::kFrames; ++k) {
      std::fill(rgb.begin(), rgb.end(), 0);
      fill(rgb, 0, 0, 80, 40, 255, 0, 0);
      fill(rgb, 40 + 16 * k, 200, 40, 40, 255, 255, 255);
      file.write(reinterpret_cast<const char*>(rgb.data()),
                 static_cast<std::streamsize>(rgb.size()));
    }
    if (!file) {
      log = "cannot write " + raw.string();
      return false;
    }
  }
  const std::string command =
      "ffmpeg -hide_banner -nostdin -loglevel error -y -f rawvideo "
      "-pix_fmt rgb24 -s 640x480 -r 25 -i '" +
      raw.string() + "' " + encoder_arguments + " '" + out.string() + "' 2>&1";
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) {
    log = "cannot run ffmpeg";
    return false;
  }
  char buffer[256];
  while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) log += buffer;
  const int status = ::pclose(pipe);
  std::filesystem::remove(raw);
  return status == 0 && std::filesystem::exists(out);
}

}  // namespace zentrik::testing

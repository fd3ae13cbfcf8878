#include "apps/test_clip.h"

#include <fstream>
#include <vector>

#include "apps/child_process.h"

namespace zentrik::testing {

PointValue TestClip::picture() {
  return [](std::int64_t frame, int x, int y) -> std::uint64_t {
    return white(static_cast<int>(frame - 1), x, y) ? 0xFFFFFFu : 0u;
  };
}

bool make_test_clip(const std::filesystem::path& out, const std::string& encoder,
                    std::string& log) {
  constexpr int kWidth = 320, kHeight = 240;
  const std::filesystem::path raw = out.string() + ".bgr";
  {
    std::ofstream file(raw, std::ios::binary);
    std::vector<char> frame(static_cast<std::size_t>(kWidth) * kHeight * 3);
    for (int k = 0; k < TestClip::kFrames; ++k) {
      for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
          const char level = TestClip::white(k, x, y) ? '\xff' : '\0';
          char* pixel = &frame[(static_cast<std::size_t>(y) * kWidth + x) * 3];
          pixel[0] = pixel[1] = pixel[2] = level;
        }
      }
      file.write(frame.data(), static_cast<std::streamsize>(frame.size()));
    }
    if (!file) {
      log = "cannot write " + raw.string();
      return false;
    }
  }
  ProcessOptions options;
  options.args = {"/bin/sh", "-c",
                  "exec ffmpeg -hide_banner -nostdin -loglevel error -y -f rawvideo -pix_fmt "
                  "bgr24 -s 320x240 -r " +
                      std::to_string(TestClip::kRate) + " -i '" + raw.string() + "' " + encoder +
                      " '" + out.string() + "'"};
  options.limit = std::chrono::milliseconds(60000);
  const ProcessResult run = run_process(options);
  std::filesystem::remove(raw);
  log = run.out + run.err;
  return run.exit_code == 0 && std::filesystem::exists(out);
}

}  // namespace zentrik::testing

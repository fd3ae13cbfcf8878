// Short test videos made with the ffmpeg command from known frames: 640 x 480 at 25 frames per
// second, black, a red bar in the top-left corner (so that a flipped picture shows), and a white
// 40 x 40 square that moves 16 pixels to the right in every frame.
#pragma once

#include <filesystem>
#include <string>

namespace zentrik::testing {

struct TestVideo {
  static constexpr int kFrames = 30;
  static constexpr int kWidth = 640;
  static constexpr int kHeight = 480;
  static constexpr int kRate = 25;

  // Centre of the square in frame k, in pixels of the 320 x 240 frame, counted from the top.
  static double square_x(int k) { return (40.0 + 16.0 * k + 20.0) / 2.0; }
  static double square_y() { return (200.0 + 20.0) / 2.0; }
};

// Encodes the frames with the given encoder arguments ("-c:v ffv1", "-c:v mpeg4 -q:v 3") into
// `out`; false with ffmpeg's messages in `log` when it fails.
bool make_test_video(const std::filesystem::path& out, const std::string& encoder_arguments,
                     std::string& log);

}  // namespace zentrik::testing

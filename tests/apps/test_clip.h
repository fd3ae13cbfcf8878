// A short video file made from known frames with the ffmpeg command: 320 x 240 at 10 frames per
// second, 40 frames, black with a white 40 x 40 square that moves 8 pixels to the right in every
// frame along rows 60..99 (above the middle, so a picture upside down shows).
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "apps/zone_oracle.h"

namespace zentrik::testing {

struct TestClip {
  static constexpr int kFrames = 40;
  static constexpr int kRate = 10;
  static constexpr int kSize = 40;
  static constexpr int kTop = 60;
  static constexpr int kStep = 8;

  // Left edge of the square in clip frame k (from 0).
  static int left(int k) { return kStep * k; }
  static bool white(int k, int x, int y) {
    return x >= left(k) && x < left(k) + kSize && y >= kTop && y < kTop + kSize;
  }
  // The clip as the zones see it at delivered frame n (clip frame n - 1).
  static PointValue picture();
};

// Encodes the clip with `encoder` (ffmpeg arguments, e.g. "-c:v ffv1 -pix_fmt bgr0") into
// `out`; false with ffmpeg's messages in `log`.
bool make_test_clip(const std::filesystem::path& out, const std::string& encoder, std::string& log);

}  // namespace zentrik::testing

// Helpers of the imaging tests: scratch folders, decoding written files with programs that are
// not ours (libjpeg-turbo's djpeg, Python's PIL), reading JPEG quantisation tables, test images.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "zentrik/platform/automation.h"

namespace zentrik {

class cDIBSection;

namespace testing_support {

// A fresh folder under the system's temporary folder, removed with everything in it.
class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }
  std::vector<std::string> entries() const;  // names of everything in the folder, sorted

 private:
  std::string path_;
};

// A decoded picture, rows top-down, red, green, blue per pixel (grey files are expanded).
struct RgbImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgb;

  const std::uint8_t* at(int x, int y) const {
    return &rgb[(static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                 static_cast<std::size_t>(x)) *
                3];
  }
};

// Runs a shell command; its exit status (-1 when it could not run).
int run_command(const std::string& command);

// Decodes a JPEG file with djpeg; nullopt when djpeg fails or is missing.
std::optional<RgbImage> decode_with_djpeg(const std::string& path);
// Decodes any image file with PIL (the Debian python3); nullopt when that fails.
std::optional<RgbImage> decode_with_pil(const std::string& path);

// The quantisation tables of a JPEG file's DQT segments, in file order, 64 values each.
std::vector<std::vector<int>> jpeg_quant_tables(const std::string& path);
// The libjpeg quality (1 to 100) whose scaled standard luminance table is closest to `table`.
int estimate_jpeg_quality(const std::vector<int>& luminance);

std::vector<std::uint8_t> read_bytes(const std::string& path);
void write_bytes(const std::string& path, const std::string& bytes);

// Test pictures painted into a buffer (which must already be created), through its byte view.
// A camera-like frame: smooth gradients with a little noise, the same for the same seed.
void paint_camera_frame(cDIBSection& dib, std::uint32_t seed = 1);
// A red "F" on blue: shows flips (top/bottom, left/right) and red/blue swaps at a glance.
void paint_red_f_on_blue(cDIBSection& dib);
// The colour at (x, y) counted from the top row, as red, green, blue.
struct Rgb {
  int red, green, blue;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};
Rgb pixel_from_top(const cDIBSection& dib, int x, int y);
void set_pixel_from_top(cDIBSection& dib, int x, int y, Rgb colour);

}  // namespace testing_support
}  // namespace zentrik

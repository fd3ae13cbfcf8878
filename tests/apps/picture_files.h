// Picture files the imaging tests make and read back: uncompressed 24-bit bitmap files (written
// here byte by byte, read back with their header checked), and any picture file decoded by
// independent programs: djpeg, ImageMagick's convert and PIL.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace zentrik::testing {

struct Rgb {
  std::uint8_t r = 0, g = 0, b = 0;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};

// A decoded picture, rows top-down.
struct RgbImage {
  int width = 0;
  int height = 0;
  std::vector<Rgb> pixels;
  const Rgb& at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

// Writes a 24-bit bottom-up bitmap file with the colour `paint(x, y)` (y from the top).
bool write_bitmap24(const std::filesystem::path& path, int width, int height,
                    const std::function<Rgb(int x, int y)>& paint);

// Reads an uncompressed 24-bit bitmap file (either row order); nothing, with `why` set, when
// the file is not one.
std::optional<RgbImage> read_bitmap24(const std::filesystem::path& path, std::string* why);

// Decodes a JPEG file with djpeg; nothing, with `why` set, when it does not decode.
std::optional<RgbImage> decode_jpeg(const std::filesystem::path& path, std::string* why);

// Decodes any picture file with ImageMagick, transparency laid over white.
std::optional<RgbImage> decode_with_magick(const std::filesystem::path& path, std::string* why);

// A file as PIL reads it: its format ("PNG", "BMP"), mode ("P" when paletted), palette and
// pixels.
struct PalettedFile {
  std::string format;
  std::string mode;
  std::vector<Rgb> palette;
  RgbImage image;
};
std::optional<PalettedFile> read_with_pil(const std::filesystem::path& path, std::string* why);

}  // namespace zentrik::testing

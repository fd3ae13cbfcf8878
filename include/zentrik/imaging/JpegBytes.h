// JPEG bytes in memory from 24-bit blue-green-red pixels, for hosts that send pictures rather
// than write files (MQTT snapshots, the browser host).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace zentrik {

struct BgrView {
  const std::uint8_t* top_row = nullptr;  // the picture's top row
  std::ptrdiff_t row_step = 0;            // bytes from a row to the one below (negative: bottom-up)
  int width = 0;
  int height = 0;
};

// Empty when the view is empty or the encoder fails. `quality` 1 to 100.
std::vector<std::uint8_t> encode_jpeg_bytes(const BgrView& image, int quality);

}  // namespace zentrik

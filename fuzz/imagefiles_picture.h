// What every picture decoder promises on any bytes: a picture of the promised layout within the
// size limits, or the invalid-picture error and nothing else.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <span>

#include "zentrik/imagefiles/ImageFile.h"
#include "zentrik/platform/automation_error.h"

namespace zentrik::fuzzing {

template <typename Decode>
void check_picture(Decode decode, const std::uint8_t* data, std::size_t size) {
  try {
    const BitmapImage image = decode(std::span(data, size));
    if (image.width < 1 || image.width > kMaxBitmapSide || image.height < 1 ||
        image.height > kMaxBitmapSide)
      std::abort();
    if (image.stride != (image.width * 3 + 3) / 4 * 4) std::abort();
    if (image.pixels.size() != static_cast<std::size_t>(image.stride) * image.height) std::abort();
  } catch (const AutomationError& error) {
    if (error.number() != kInvalidPicture) std::abort();
  }
}

}  // namespace zentrik::fuzzing

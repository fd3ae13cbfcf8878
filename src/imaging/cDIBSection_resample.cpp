// Resample: a bilinear resize of the buffer into a second buffer that the source keeps. The
// arithmetic is single precision, vertical first, and every intermediate value is rounded to the
// nearest integer (halves to even) on its own, so results are reproducible to the byte.
#include "zentrik/imaging/cDIBSection.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace zentrik {

namespace {

// Where one target column or row samples the source: the lower source index, the upper one (the
// last index repeated at the edge, so nothing past the source is read) and the weight of the upper.
struct Tap {
  std::ptrdiff_t lower;
  std::ptrdiff_t upper;
  float weight;
};

std::vector<Tap> taps(Long sourceSize, Long targetSize) {
  const float scale = static_cast<float>(sourceSize - 1) / static_cast<float>(targetSize);
  std::vector<Tap> result(static_cast<std::size_t>(targetSize));
  for (Long i = 0; i < targetSize; ++i) {
    const float position = static_cast<float>(i) * scale;
    const float whole = std::floor(position);
    const auto lower = std::min<std::ptrdiff_t>(static_cast<std::ptrdiff_t>(whole), sourceSize - 1);
    result[static_cast<std::size_t>(i)] = {
        lower, std::min<std::ptrdiff_t>(lower + 1, sourceSize - 1), position - whole};
  }
  return result;
}

int nearest(float value) {
  return static_cast<int>(round_half_even(value));
}

Byte clamp_channel(int value) {
  return static_cast<Byte>(std::clamp(value, 0, 255));
}

}  // namespace

std::shared_ptr<cDIBSection> cDIBSection::Resample(Long lNewHeight, Long lNewWidth) {
  if (bitsPointer_ == nullptr) return nullptr;  // nothing to resize
  if (!resampleTarget_) resampleTarget_ = std::make_shared<cDIBSection>();
  if (!is_true(resampleTarget_->Create(lNewWidth, lNewHeight))) return nullptr;
  if (lNewWidth == Width() && lNewHeight == Height()) {
    resampleTarget_->LoadPictureBlt(memoryDc_, 0, 0, -1, -1, SRCCOPY);
  } else {
    ResampleInto(*resampleTarget_);
  }
  return resampleTarget_;
}

bool cDIBSection::ResampleInto(cDIBSection& target) const {
  const ByteView source = view();
  const ByteView out = target.view();
  if (source.empty() || out.empty()) return false;

  const std::vector<Tap> columns = taps(Width(), target.Width());
  const std::vector<Tap> rows = taps(Height(), target.Height());
  // The source columns that some target column reads, each once, in order.
  std::vector<bool> read(static_cast<std::size_t>(Width()), false);
  for (const Tap& column : columns) {
    read[static_cast<std::size_t>(column.lower)] = true;
    read[static_cast<std::size_t>(column.upper)] = true;
  }
  std::vector<std::size_t> used;
  for (std::size_t c = 0; c < read.size(); ++c) {
    if (read[c]) used.push_back(c);
  }
  // The vertical step of one target row for every used source column and channel: the "left"
  // and "right" values of the target pixels, computed once where several pixels share them.
  std::vector<int> vertical(3 * static_cast<std::size_t>(Width()));

  for (std::ptrdiff_t y = 0; y < out.rows(); ++y) {
    const Tap& row = rows[static_cast<std::size_t>(y)];
    const float fy = row.weight;
    const float gy = 1.0f - fy;
    const std::span<const Byte> below = source.row(row.lower);
    const std::span<const Byte> above = source.row(row.upper);
    for (const std::size_t c : used) {
      for (std::size_t at = 3 * c; at < 3 * c + 3; ++at) {
        vertical[at] =
            nearest(gy * static_cast<float>(below[at]) + fy * static_cast<float>(above[at]));
      }
    }
    const std::span<Byte> line = out.row(y);
    for (std::size_t x = 0; x < columns.size(); ++x) {
      const Tap& column = columns[x];
      const float fx = column.weight;
      const float gx = 1.0f - fx;
      const auto left = static_cast<std::size_t>(3 * column.lower);
      const auto right = static_cast<std::size_t>(3 * column.upper);
      for (std::size_t channel = 0; channel < 3; ++channel) {
        const int value = nearest(gx * static_cast<float>(vertical[left + channel]) +
                                  fx * static_cast<float>(vertical[right + channel]));
        line[3 * x + channel] = clamp_channel(value);
      }
    }
  }
  return false;
}

}  // namespace zentrik

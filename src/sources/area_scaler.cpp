// Area-average plane scaling: source rows are first summed with their row weights into one row
// of 16-bit sums (a loop the compiler vectorises), then each output sample sums its columns.
#include "AreaScaler.h"

#include <algorithm>
#include <cstdint>

namespace zentrik {

AxisWeights area_weights(int source, int target) {
  // In units of 1 / target of a source sample, output i covers [i * source, (i + 1) * source)
  // and source sample j covers [j * target, (j + 1) * target).
  constexpr int kOne = AxisWeights::kWeightOne;
  AxisWeights axis;
  const std::int64_t s = source, t = target;
  axis.first.resize(target);
  axis.count.resize(target);
  for (std::int64_t i = 0; i < t; ++i) {
    axis.first[i] = static_cast<int>(i * s / t);
    axis.count[i] = static_cast<int>(((i + 1) * s - 1) / t - axis.first[i] + 1);
    axis.taps = std::max(axis.taps, axis.count[i]);
  }
  axis.weight.assign(static_cast<std::size_t>(target) * axis.taps, 0);
  for (std::int64_t i = 0; i < t; ++i) {
    const std::int64_t begin = i * s, end = (i + 1) * s;
    const std::int64_t first = axis.first[i], last = first + axis.count[i] - 1;
    std::uint16_t* weight = axis.weight.data() + i * axis.taps;
    // Weights rounded from the running total, so that they add up to exactly kOne.
    std::int64_t covered = 0, given = 0;
    for (std::int64_t j = first; j <= last; ++j) {
      const std::int64_t from = j * t < begin ? begin : j * t;
      const std::int64_t to = (j + 1) * t > end ? end : (j + 1) * t;
      covered += to - from;
      const std::int64_t total = (covered * kOne + s / 2) / s;
      weight[j - first] = static_cast<std::uint16_t>(total - given);
      given = total;
    }
  }
  return axis;
}

void AreaScaler::prepare(const PlaneView& in, const PlaneTarget& out) {
  if (in.width == source_width_ && in.height == source_height_ && out.width == target_width_ &&
      out.height == target_height_)
    return;
  columns_ = area_weights(in.width, out.width);
  rows_ = area_weights(in.height, out.height);
  row_sums_.assign(static_cast<std::size_t>(in.width) + columns_.taps, 0);
  source_width_ = in.width;
  source_height_ = in.height;
  target_width_ = out.width;
  target_height_ = out.height;
}

namespace {

// sums[x] (+)= weight * row[x]; at most kWeightOne * 255 in all, so 16 bits hold it.
[[gnu::always_inline]] inline void add_row_body(std::uint16_t* sums, const std::uint8_t* row,
                                                int width, std::uint16_t weight, bool first) {
  if (first) {
    for (int x = 0; x < width; ++x) sums[x] = static_cast<std::uint16_t>(weight * row[x]);
  } else {
    for (int x = 0; x < width; ++x) sums[x] = static_cast<std::uint16_t>(sums[x] + weight * row[x]);
  }
}

using RowAdder = void (*)(std::uint16_t*, const std::uint8_t*, int, std::uint16_t, bool);

void add_row_plain(std::uint16_t* sums, const std::uint8_t* row, int width, std::uint16_t weight,
                   bool first) {
  add_row_body(sums, row, width, weight, first);
}

__attribute__((target("avx2"))) void add_row_vector(std::uint16_t* sums, const std::uint8_t* row,
                                                    int width, std::uint16_t weight, bool first) {
  add_row_body(sums, row, width, weight, first);
}

// Each output sample: its columns' sums by their weights, / kWeightOne^2, rounded. Taps known at
// compile time for the common ratios, so that the inner loop unrolls.
template <int kTaps>
void sum_columns(const std::uint16_t* sums, const AxisWeights& columns, std::uint8_t* out,
                 int width) {
  constexpr std::uint32_t kHalf = AxisWeights::kWeightOne * AxisWeights::kWeightOne / 2;
  const int taps = kTaps > 0 ? kTaps : columns.taps;
  const std::uint16_t* weight = columns.weight.data();
  for (int i = 0; i < width; ++i, weight += taps) {
    const std::uint16_t* from = sums + columns.first[i];
    std::uint32_t total = kHalf;
    for (int k = 0; k < taps; ++k) total += std::uint32_t{weight[k]} * from[k];
    out[i] = static_cast<std::uint8_t>(total >> 16);  // / (kWeightOne * kWeightOne)
  }
}

// The same for a whole number of columns per output sample, all of equal weight: a plain sum,
// divided exactly (the compiler vectorises it).
template <int kRatio>
[[gnu::always_inline]] inline void sum_column_groups(const std::uint16_t* sums, std::uint8_t* out,
                                                     int width) {
  constexpr std::uint32_t kDivisor = kRatio * AxisWeights::kWeightOne;
  for (int i = 0; i < width; ++i) {
    std::uint32_t total = kDivisor / 2;
    for (int k = 0; k < kRatio; ++k) total += sums[kRatio * i + k];
    out[i] = static_cast<std::uint8_t>(total / kDivisor);
  }
}

template <int kRatio>
void sum_column_groups_plain(const std::uint16_t* sums, const AxisWeights&, std::uint8_t* out,
                             int width) {
  sum_column_groups<kRatio>(sums, out, width);
}

template <int kRatio>
__attribute__((target("avx2"))) void sum_column_groups_vector(const std::uint16_t* sums,
                                                              const AxisWeights&, std::uint8_t* out,
                                                              int width) {
  sum_column_groups<kRatio>(sums, out, width);
}

using ColumnSummer = void (*)(const std::uint16_t*, const AxisWeights&, std::uint8_t*, int);

template <int kRatio>
ColumnSummer column_groups(KernelForm form) {
  return form == KernelForm::Vector ? &sum_column_groups_vector<kRatio>
                                    : &sum_column_groups_plain<kRatio>;
}

ColumnSummer column_summer(int source, int target, int taps, KernelForm form) {
  if (source % target == 0) {
    switch (source / target) {
      case 1:
        return column_groups<1>(form);
      case 2:
        return column_groups<2>(form);
      case 3:
        return column_groups<3>(form);
      case 4:
        return column_groups<4>(form);
      case 6:
        return column_groups<6>(form);
      case 8:
        return column_groups<8>(form);
      default:
        break;
    }
  }
  switch (taps) {
    case 2:
      return &sum_columns<2>;
    case 3:
      return &sum_columns<3>;
    case 4:
      return &sum_columns<4>;
    case 5:
      return &sum_columns<5>;
    case 6:
      return &sum_columns<6>;
    case 7:
      return &sum_columns<7>;
    case 8:
      return &sum_columns<8>;
    default:
      return &sum_columns<0>;
  }
}

}  // namespace

void AreaScaler::scale(const PlaneView& in, const PlaneTarget& out) {
  static_assert(AxisWeights::kWeightOne * AxisWeights::kWeightOne == 1 << 16);
  prepare(in, out);
  const ColumnSummer summer = column_summer(in.width, out.width, columns_.taps, form_);
  const RowAdder add_row = form_ == KernelForm::Vector ? &add_row_vector : &add_row_plain;
  for (int i = 0; i < out.height; ++i) {
    const std::uint16_t* weight = rows_.weight.data() + i * rows_.taps;
    for (int k = 0; k < rows_.count[i]; ++k) {
      const std::uint8_t* row = in.data + (rows_.first[i] + k) * in.stride;
      add_row(row_sums_.data(), row, in.width, weight[k], k == 0);
    }
    summer(row_sums_.data(), columns_, out.data + i * out.stride, out.width);
  }
}

}  // namespace zentrik

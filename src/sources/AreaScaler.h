// Area-average scaling of one 8-bit picture plane (luma or chroma) to a fixed size: every output
// sample is the mean of the source area it covers, in integer arithmetic, so a picture always
// scales to the same samples. Used on the decoder's own planes before one small colour conversion.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "KernelForm.h"

namespace zentrik {

// A read-only view of 8-bit samples, rows `stride` bytes apart.
struct PlaneView {
  const std::uint8_t* data = nullptr;
  int width = 0;
  int height = 0;
  std::ptrdiff_t stride = 0;
};

// A writable view of 8-bit samples.
struct PlaneTarget {
  std::uint8_t* data = nullptr;
  int width = 0;
  int height = 0;
  std::ptrdiff_t stride = 0;
};

// The source samples each output sample of one axis takes, with weights summing to kWeightOne.
// Every output has `taps` weights; those past its last source sample are 0.
struct AxisWeights {
  static constexpr int kWeightOne = 256;
  int taps = 0;
  std::vector<int> first;             // first source index of output i
  std::vector<int> count;             // source samples output i covers (taps or fewer)
  std::vector<std::uint16_t> weight;  // taps weights for each output, one output after another
};

// Weights of the area average from `source` samples to `target` samples (both above 0). A source
// sample straddling two outputs counts in each by the share it covers; with fewer source than
// target samples each output takes the one or two source samples under it.
AxisWeights area_weights(int source, int target);

class AreaScaler {
 public:
  explicit AreaScaler(KernelForm form = best_kernel_form()) : form_(form) {}
  // Scales `in` to `out` (sizes taken from the views; both above 0). The weights of the last
  // sizes are kept, so scaling a stream of equal pictures builds them once.
  void scale(const PlaneView& in, const PlaneTarget& out);

 private:
  void prepare(const PlaneView& in, const PlaneTarget& out);

  KernelForm form_;
  int source_width_ = 0, source_height_ = 0, target_width_ = 0, target_height_ = 0;
  AxisWeights columns_, rows_;
  // One output row summed over its source rows, then `taps` zeros for the last columns' reach.
  std::vector<std::uint16_t> row_sums_;
};

}  // namespace zentrik

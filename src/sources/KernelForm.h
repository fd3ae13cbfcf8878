// Which form of the scaler's and colour conversion's row loops runs: the plain one, or the same
// loop compiled for AVX2. Both forms come from one body each and give the same bytes.
#pragma once

namespace zentrik {

enum class KernelForm { Plain, Vector };

// Vector where the processor has AVX2, plain otherwise.
KernelForm best_kernel_form();

}  // namespace zentrik

// The processor is asked once; the answer never changes while the program runs.
#include "KernelForm.h"

namespace zentrik {

KernelForm best_kernel_form() {
  static const KernelForm form =
      __builtin_cpu_supports("avx2") ? KernelForm::Vector : KernelForm::Plain;
  return form;
}

}  // namespace zentrik

// The current kernel's tick for code outside the kernel.
#include "kernel/kernel_now.h"

#include "kernel/tsim.h"

uint64_t current_kernel_now(void) { return tsim_now(); }

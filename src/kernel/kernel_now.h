// The current tick of the current event kernel, for code outside the kernel.
#pragma once

#include <cstdint>

// The current kernel's current tick; all ones when there is no kernel.
uint64_t current_kernel_now(void);

// The MSR write of an instruction together with its new next-instruction address: declared one
// floor lower, in mmu/hooks/msr_with_pc.h, where the transactional-memory model calls it too.
#pragma once

#include "mmu/hooks/msr_with_pc.h"

// Stand-in of the instruction-cache read.
#include "mmu/icread.h"

// STAND-IN: the instruction-cache read (and its simulator-support encoding under
// ICREAD_IS_SIM_SUPPORT) is not built; the read has no effect and completes.
__attribute__((weak)) int core_icread(IOPDesc *)
{
    return 1;
}

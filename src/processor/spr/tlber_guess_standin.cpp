// Stand-in of the TLBER read-out.
#include "processor/spr/ex_spr.h"

// STAND-IN: the read-out of a TLB entry as the architected TLBER image (the inverse of the TLBER
// force, with the partition's segment-size bits) is not built; the row reads 0.
__attribute__((weak)) uint64_t xGUESS_TLBER(ThreadState *, int32_t)
{
    return 0;
}

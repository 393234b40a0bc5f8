// Stand-in of the split-core switch of a HID0 write.
#include "processor/smt.h"

// STAND-IN: split-core mode (partition views, re-scoped partition registers) is not built; a
// HID0 write never switches partitions.
__attribute__((weak)) int smt_TestPerformLPAR_1_To_2_4_Switch(ThreadState *)
{
    return 0;
}

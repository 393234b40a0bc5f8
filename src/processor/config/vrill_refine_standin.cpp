// Stand-in of the chip-revision refinement of the little-endian crossing rule.
#include "processor/config/vrill_refine.h"

// STAND-IN: the chip-control register bits and the row exceptions that relax the rule are not
// built; every such access must raise the interrupt.
__attribute__((weak)) int Vrill_LE_Align_DD2_1_Refine(IOPDesc *, AXD *)
{
    return 1;
}

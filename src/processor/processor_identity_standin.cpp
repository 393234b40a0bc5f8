// Stand-in of the PVR write.
#include "processor/processor_identity.h"
#include "processor/processor_state.h"

// STAND-IN: the chip-version table is not built, so a PVR never selects a chip version; the value
// is stored with its written flag.
__attribute__((weak)) void RAW_SET_PVR(ProcessorState *core, uint32_t value)
{
    core->PVR.value = value;
    core->PVR.written = 1;
}

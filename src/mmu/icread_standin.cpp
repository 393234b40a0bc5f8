// Stand-in of the instruction-cache read, with the old encoding of the sim-support call.
#include "mmu/icread.h"

#include "mmu/hooks/sim_support_call.h"
#include "processor/records/instruction_record.h"
#include "processor/config/processor_options.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "runtime/message.h"

// With ICREAD_IS_SIM_SUPPORT an "icread" whose RA, RB and bits 21-25 are all 0 is the old
// encoding of the sim-support call. STAND-IN: the instruction-cache read itself is not built;
// any other "icread" has no effect and completes.
__attribute__((weak)) int core_icread(IOPDesc *iop)
{
    ProcessorState *core = iop->thread ? iop->thread->processor : nullptr;
    if (core && core->options[PO_ICREAD_IS_SIM_SUPPORT] && (iop->word & 0x03FFF800u) == 0) {
        static bool warned = false;
        if (!warned) {
            warned = true;
            sim_warning(
                2, "OLD-SIM-SUPPORT encoding encountered (Conflicts with icread).   This should be updated.");
        }
        return SimSupport(iop);
    }
    return 1;
}

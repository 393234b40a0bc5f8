// The semantic routines of the support instructions: "support" calls the sim-support service,
// "support_halt" the halt.
#include "guest/sim_support.h"
#include "processor/hooks/sim_support_halt.h"
#include "interrupts/interrupt_raisers.h"
#include "decode/semantics.h"
#include "isa/semantics_helpers.h"
#include "processor/records/generic_machine.h"
#include "processor/records/thread_state.h"

namespace
{

bool sim_support_enabled(IOPDesc *iop)
{
    GenericMachine *machine = iop->thread->machine;
    return machine && machine->enable_sim_support;
}

} // namespace

int semantic_support(IOPDesc *iop)
{
    if (!sim_support_enabled(iop)) {
        interrupt_IllegalInstruction(iop, "support");
        return 0;
    }
    int completed = SimSupport(iop);
    if (completed != 1) return completed;
    IOP_Advance_NIA(iop);
    return 1;
}

int semantic_support_halt(IOPDesc *iop)
{
    if (!sim_support_enabled(iop)) {
        interrupt_IllegalInstruction(iop, "support_halt");
        return 0;
    }
    IOP_Advance_NIA(iop);
    SimBogusHalt(iop->thread);
    return 1;
}

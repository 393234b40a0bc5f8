// Machine checks and non-existent physical addresses.
#include "mmu/machine_check.h"

#include "interrupts/exception_types.h"
#include "interrupts/interrupt_raisers.h"
#include "mmu/checkers.h"
#include "mmu/physical_access.h"
#include "processor/prints/instruction_prints.h"
#include "processor/records/exception_record.h"
#include "processor/records/generic_machine.h"
#include "processor/records/instruction_record.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "processor/regs/ppc_bits.h"
#include "processor/regs/reg_triggers.h"
#include "processor/run/run_control.h"
#include "runtime/alloc.h"
#include "runtime/message.h"
#include "runtime/stop.h"

PowerPCException *interrupt_MachineCheck(IOPDesc *iop, uint64_t srr1_bits)
{
    ThreadState *thread = iop->thread;
    ProcessorState *core = thread ? thread->processor : nullptr;
    if (!iop->defer_side_effects && !(iGET_MSR(iop) & MSR_ME) &&
        !(core && core->options[PO_MACHINE_CHECK_WHEN_MSR_ME_0])) {
        sim_error("Check Stop for %s: Machine Check with ME bit of MSR off",
                  thread && thread->name ? thread->name : "");
        GenericMachine *machine = thread ? thread->machine : nullptr;
        if (!(machine && machine->we_bit_ignored)) {
            if (core) CPU_CheckStop(core);
            Stop_The_Simulation(STOP_MACHINE_CHECK);
            return nullptr;
        }
    }
    PowerPCException *record = IOP_New_Exception(iop, EXC_MACHINE_CHECK, 0);
    if (!record) return nullptr;
    record->srr1_set = srr1_bits;
    record->srr1_clear = MSR_RI;
    return Take_Care_Of_Exception(iop, record, "Machine Check");
}

PowerPCException *LIBSIM__Interrupt_MachineCheck(ThreadState *thread)
{
    if (!thread || !thread->current_iop) return nullptr;
    return interrupt_MachineCheck(thread->current_iop, 0);
}

PowerPCException *interrupt_BadAddress(IOPDesc *iop, uint64_t address, int is_store)
{
    const char *what = is_store ? "store" : "load";
    GenericMachine *machine = iop && iop->thread ? iop->thread->machine : nullptr;
    if (iop && iop->thread && machine && machine->machine_options[MO_STRICT]) {
        sim_warning(1, "Attempt to %s non-existent address 0x%016lX", what, (unsigned long)address);
        PrintInstruction(iop);
        return interrupt_MachineCheck(iop, 0);
    }
    sim_error("Attempt to %s non-existent address 0x%016lX", what, (unsigned long)address);
    if (iop) PrintInstruction(iop);
    return nullptr;
}

void *PageCacheableCheck_init(const char *name)
{
    PageCacheableCheck_s *check = QUARN_ZALLOC(1, PageCacheableCheck_s);
    if (!check) return nullptr;
    check->name = REMEMBER_STRING(name ? name : "");
    check->flags = 0;
    return check;
}

// Stand-ins of the exception records and raisers of the execution engine: records are made and
// filed on the instruction's IOPDesc, where the interpreter finds them when the instruction ends.
#include "exec/interrupt_raisers.h"

#include "exec/exception_types.h"
#include "exec/reg_triggers.h"
#include "isa/instr_info.h"
#include "isa/ppc_bits.h"
#include "mmu/htm_exception_standin.h"
#include "processor/exception_record.h"
#include "processor/instruction_record.h"
#include "processor/processor_state.h"
#include "processor/processor_time.h"
#include "processor/thread_state.h"

namespace
{

// The transactional-memory model's first chance at an exception raised inside a transaction;
// true when it took the exception.
bool taken_by_transaction(IOPDesc *iop, int32_t type)
{
    if (!iop->thread || OS_SUPPORTS_HTM(iop)) return false;
    if ((iGET_MSR(iop) & MSR_TS) == 0) return false;
    return htm_handle_exception(iop, type) != 0;
}

// A hypervisor-emulation-assist record: to HSRR0/HSRR1, the instruction word for HEIR.
PowerPCException *raise_emulation_assist(IOPDesc *iop, int32_t subtype, const char *text)
{
    if (taken_by_transaction(iop, EXC_HEA)) return nullptr;
    PowerPCException *record = IOP_New_Exception(iop, EXC_HEA, subtype);
    if (!record) return nullptr;
    record->hypervisor = 1;
    record->srr1_clear = 0x783F0000;
    record->save_to = 1;
    record->heir_valid = 1;
    record->heir = iop->word;
    return Take_Care_Of_Exception(iop, record, text ? text : "Hypervisor Emulation Assist");
}

} // namespace

// STAND-IN: the exception table (priorities and vector offsets) is not built: priority and vector
// are 0, so records keep the order in which they were raised.
__attribute__((weak)) PowerPCException *ThreadState__New_Exception(ThreadState *thread, int32_t type,
                                                                   int32_t subtype)
{
    PowerPCException *record = GetException(thread);
    if (!record) return nullptr;
    record->type = type;
    record->subtype = subtype;
    record->priority = 0;
    record->vector = 0;
    ProcessorState *core = thread ? thread->processor : nullptr;
    record->schedule_cycle = TD_get_current_cycles(core ? core->core_domain : nullptr);
    return record;
}

// STAND-IN: the instruction's recorded MSR image does not exist yet; the thread's MSR stands for it.
__attribute__((weak)) PowerPCException *IOP_New_Exception(IOPDesc *iop, int32_t type, int32_t subtype)
{
    ThreadState *thread = iop->thread;
    PowerPCException *record = ThreadState__New_Exception(thread, type, subtype);
    if (!record) return nullptr;
    if (thread) {
        record->instruction_address = iop->defer_side_effects ? iop->fetch.ea : thread->PC.value;
        record->msr_at_instruction = thread->MSR.value;
    }
    return record;
}

// STAND-IN: orders by priority only; the address order of option 234 and the reported-address
// adjustment of the data access (orig_ea from ea2, vector element alignment) are missing.
__attribute__((weak)) PowerPCException *Take_Care_Of_Exception(IOPDesc *iop, PowerPCException *record,
                                                               const char *text)
{
    record->detail = text;
    PowerPCException *head = iop->exceptions;
    if (!head) {
        record->next = record->prev = nullptr;
        iop->exceptions = record;
        return record;
    }
    if (record->priority < head->priority) {
        record->prev = nullptr;
        record->next = head;
        head->prev = record;
        iop->exceptions = record;
        return record;
    }
    PowerPCException *after = head;
    while (after->next && !(record->priority < after->next->priority))
        after = after->next;
    if (after->type == record->type && after->subtype == record->subtype &&
        after->instruction_address == record->instruction_address && record->instruction_address != ~0ull) {
        FreeException(record, __FILE__, __LINE__);
        return nullptr;
    }
    record->prev = after;
    record->next = after->next;
    if (after->next) after->next->prev = record;
    after->next = record;
    return record;
}

// STAND-IN: fills the SDAR from the address (low word in 32-bit mode); the row-specific
// exclusions (dcbt with TH 10/11, the data-stream and icswx rows, string forms of length 0) and the
// vector element alignment are missing.
__attribute__((weak)) void Exception_Set_DAR_From_Instruction(IOPDesc *iop, PowerPCException *record,
                                                              uint64_t address)
{
    if (!iop->row) return;
    uint64_t msr = iop->thread ? iop->thread->MSR.value : MSR_SF;
    record->sdar_valid = 1;
    record->sdar = (msr & MSR_SF) ? address : (address & 0xFFFFFFFFull);
}

// STAND-IN: the record of the execution engine's raiser, built with the stand-ins above.
__attribute__((weak)) PowerPCException *interrupt_IllegalInstruction(IOPDesc *iop, const char *text)
{
    // The reason text is kept as the record's detail while this stand-in serves, so that tests can
    // tell which rule raised it.
    return raise_emulation_assist(iop, EST_ILLEGAL_INSTRUCTION, text);
}

// STAND-IN: see interrupt_IllegalInstruction.
__attribute__((weak)) PowerPCException *interrupt_UnimplementedInstruction(IOPDesc *iop)
{
    return raise_emulation_assist(iop, EST_UNIMPLEMENTED_INSTRUCTION, nullptr);
}

// STAND-IN: see interrupt_IllegalInstruction.
__attribute__((weak)) PowerPCException *interrupt_FacilityUnavailable(IOPDesc *iop, uint64_t cause,
                                                                      const char *text)
{
    if (taken_by_transaction(iop, EXC_FACILITY_UNAVAILABLE)) return nullptr;
    PowerPCException *record = IOP_New_Exception(iop, EXC_FACILITY_UNAVAILABLE, 0);
    if (!record) return nullptr;
    record->fscr_valid = 1;
    record->fscr_cause = cause;
    return Take_Care_Of_Exception(iop, record, text);
}

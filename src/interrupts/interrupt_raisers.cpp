// Exception records of an instruction, their filing and flushing, and the synchronous raisers.
#include "interrupts/interrupt_raisers.h"

#include <cstdio>
#include <cstring>

#include "decode/instr_info.h"
#include "decode/instr_tables.h"
#include "decode/storage_rows.h"
#include "interrupts/exception_table.h"
#include "interrupts/exception_types.h"
#include "interrupts/instruction_raisers.h"
#include "interrupts/interrupt_msr.h"
#include "interrupts/interrupt_queue.h"
#include "processor/hooks/disassembler.h"
#include "processor/hooks/htm.h"
#include "processor/records/exception_record.h"
#include "processor/records/generic_machine.h"
#include "processor/records/instruction_record.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "processor/regs/ppc_bits.h"
#include "processor/regs/reg_accessors.h"
#include "processor/regs/reg_triggers.h"
#include "processor/run/run_control.h"
#include "runtime/message.h"
#include "runtime/stop.h"

namespace
{

constexpr uint64_t NO_ADDRESS = ~0ull;

// The transactional-memory model's first chance at an exception raised inside a transaction;
// true when it took the exception.
bool taken_by_transaction(IOPDesc *iop, int32_t type)
{
    if (!iop->thread || OS_SUPPORTS_HTM(iop)) return false;
    if ((iGET_MSR(iop) & MSR_TS) == 0) return false;
    return htm_handle_exception(iop, type) != 0;
}

// Whether x goes before y in an instruction's exception list.
bool goes_before(const PowerPCException *x, const PowerPCException *y, bool by_address)
{
    if (by_address && x->address_valid && y->address_valid && x->address != y->address) {
        // Addresses of the top 2^48 bytes (negative addresses) sort below the low 2^48 bytes.
        auto high = [](uint64_t a) { return a >= 0xFFFF000000000000ull; };
        auto low = [](uint64_t a) { return a < 0x1000000000000ull; };
        if (high(x->address) && low(y->address)) return true;
        if (low(x->address) && high(y->address)) return false;
        return x->address < y->address;
    }
    return x->priority < y->priority;
}

uint32_t row_id(const IOPDesc *iop)
{
    return iop->row ? iop->row->id : 0;
}

bool is_data_stream_row(uint32_t id)
{
    return id >= ROW_DSS && id <= ROW_DSTT;
}

const char *thread_name(ThreadState *thread)
{
    return thread && thread->name ? thread->name : "";
}

} // namespace

uint64_t IOP_Current_Instruction_Address(IOPDesc *iop)
{
    if (iop->defer_side_effects || !iop->thread) return iop->fetch.ea;
    return iop->thread->PC.value;
}

PowerPCException *ThreadState__New_Exception(ThreadState *thread, int32_t type, int32_t subtype)
{
    PowerPCException *record = GetException(thread);
    if (!record) return nullptr;
    record->type = type;
    record->subtype = subtype;
    record->priority = PowerPCException__Priority(record);
    record->vector = (type >= 0 && type < NUM_EXCEPTION_TYPES) ? ExceptionInterruptAddress(type) : 0;
    record->schedule_cycle = Exception_Current_Cycle(thread);
    record->deliver_cycle = 0;
    record->woke_thread = 0;
    record->no_relocation = 0;
    return record;
}

PowerPCException *IOP_New_Exception(IOPDesc *iop, int32_t type, int32_t subtype)
{
    PowerPCException *record = ThreadState__New_Exception(iop->thread, type, subtype);
    if (!record) return nullptr;
    record->instruction_address = IOP_Current_Instruction_Address(iop);
    record->msr_at_instruction = iop->msr;
    return record;
}

PowerPCException *Take_Care_Of_Exception(IOPDesc *iop, PowerPCException *record, const char *text)
{
    record->detail = text;
    PowerPCException *head = iop->exceptions;
    PowerPCException *filed = record;
    if (!head) {
        record->next = record->prev = nullptr;
        iop->exceptions = record;
    } else {
        ThreadState *thread = record->thread ? record->thread : iop->thread;
        bool by_address = thread && thread->processor &&
                          thread->processor->options[PO_EXCEPTION_ADDRESS_OVERRIDES_PRIORITY];
        if (goes_before(record, head, by_address)) {
            record->prev = nullptr;
            record->next = head;
            head->prev = record;
            iop->exceptions = record;
        } else {
            PowerPCException *after = head;
            while (after->next && !goes_before(record, after->next, by_address))
                after = after->next;
            if (after->type == record->type && after->subtype == record->subtype &&
                after->instruction_address == record->instruction_address &&
                record->instruction_address != NO_ADDRESS) {
                FreeException(record, __FILE__, __LINE__);
                filed = nullptr;
            } else {
                PowerPCException__InsertAfter(record, after);
            }
        }
    }
    // The address reported for the access is the start of the instruction's whole range, aligned
    // to the element for the vector element and quadword loads.
    uint64_t reported = iop->data.ea2;
    switch (row_id(iop)) {
    case ROW_LVEHX:
        reported &= ~1ull;
        break;
    case ROW_LVEWX:
        reported &= ~3ull;
        break;
    case ROW_LVX:
    case ROW_LVXL:
        reported &= ~15ull;
        break;
    default:
        break;
    }
    iop->data.orig_ea = reported;
    return filed;
}

void FlushException(IOPDesc *iop)
{
    PowerPCException *head = iop->exceptions;
    if (!head) return;
    iop->exceptions = head->next;
    if (head->next) head->next->prev = nullptr;
    head->next = head->prev = nullptr;
    if (head->dsisr_valid) Merge_DSISR_Values(iop, head, &head->dsisr, &head->dsisr_merged);
    ThreadState *thread = head->thread ? head->thread : iop->thread;
    ScheduleException(thread, head);
    if (iop->exceptions) Discard_Instruction_Bound_Exceptions(iop, 1);
}

void Exception_Set_DAR_From_Instruction(IOPDesc *iop, PowerPCException *record, uint64_t address)
{
    const InstrInfo *row = iop->row;
    if (!row) return;
    uint32_t id = row->id;
    bool cache_op = (row->class_flags & II_CACHE) != 0;
    if (id != ROW_PBT && id != ROW_PBT_DOT) {
        bool load_store = (row->class_flags & (II_LOAD | II_STORE | II_DCBZ)) != 0;
        if (!load_store && !cache_op) return;
        address = Vector_Element_Align(row, address);
        if (cache_op) {
            uint32_t th = (iop->word >> 21) & 0x1F;
            if ((id == ROW_DCBT && (th == 10 || th == 11)) || is_data_stream_row(id) || id == ROW_ICSWX)
                return;
        } else if (Is_String_Row(id) && iop->data.size2 == 0) {
            return;
        }
    }
    record->sdar_valid = 1;
    record->sdar = (iop->msr & MSR_SF) ? address : (address & 0xFFFFFFFFull);
}

PowerPCException *interrupt_HypervisorEmulationAssist(IOPDesc *iop, int32_t subtype)
{
    if (taken_by_transaction(iop, EXC_HEA)) return nullptr;
    PowerPCException *record = IOP_New_Exception(iop, EXC_HEA, subtype);
    if (!record) return nullptr;
    record->hypervisor = 1;
    record->srr1_clear = 0x783F0000;
    record->save_to = 1;
    record->heir_valid = 1;
    record->heir = iop->word;
    return Take_Care_Of_Exception(iop, record, "Hypervisor Emulation Assist");
}

PowerPCException *interrupt_IllegalInstruction(IOPDesc *iop, const char *)
{
    return interrupt_HypervisorEmulationAssist(iop, EST_ILLEGAL_INSTRUCTION);
}

PowerPCException *interrupt_UnimplementedInstruction(IOPDesc *iop)
{
    return interrupt_HypervisorEmulationAssist(iop, EST_UNIMPLEMENTED_INSTRUCTION);
}

PowerPCException *interrupt_Program(IOPDesc *iop, uint64_t srr1_bits, int32_t subtype)
{
    // The privileged-instruction form (SRR1 0x40000) is raised even inside a transaction.
    if (srr1_bits != 0x40000 && taken_by_transaction(iop, EXC_PROGRAM)) return nullptr;
    PowerPCException *record = IOP_New_Exception(iop, EXC_PROGRAM, subtype);
    if (!record) return nullptr;
    record->srr1_set = srr1_bits;
    return Take_Care_Of_Exception(iop, record, est_string(subtype));
}

PowerPCException *interrupt_PrivilegedInstruction(IOPDesc *iop)
{
    return interrupt_Program(iop, 0x40000, EST_PRIVILEGED_INSTRUCTION);
}

PowerPCException *interrupt_TrapInstruction(IOPDesc *iop)
{
    return interrupt_Program(iop, 0x20000, EST_TRAP_INSTRUCTION);
}

PowerPCException *interrupt_HTM_Bad_Thing(IOPDesc *iop, const char *)
{
    return interrupt_Program(iop, 0x200000, EST_TM_BAD_THING);
}

PowerPCException *interrupt_MMUBadThingException(IOPDesc *iop, int32_t subtype)
{
    return interrupt_Program(iop, 0x200000, subtype);
}

PowerPCException *interrupt_HvSystemCall(IOPDesc *iop)
{
    if (taken_by_transaction(iop, EXC_HV_SYSTEM_CALL)) return nullptr;
    PowerPCException *record = IOP_New_Exception(iop, EXC_HV_SYSTEM_CALL, 0);
    if (!record) return nullptr;
    if (record->instruction_address != NO_ADDRESS) record->instruction_address += iop->length;
    return Take_Care_Of_Exception(iop, record, "HV SysCall");
}

PowerPCException *interrupt_VectoredSystemCall(IOPDesc *iop, uint32_t lev)
{
    if (taken_by_transaction(iop, EXC_VECTORED_SYSTEM_CALL)) return nullptr;
    // Straight from the pool: no schedule cycle, no recorded MSR.
    PowerPCException *record = GetException(iop->thread);
    if (!record) return nullptr;
    record->type = EXC_VECTORED_SYSTEM_CALL;
    record->subtype = 0;
    record->vector = ExceptionInterruptAddress(EXC_VECTORED_SYSTEM_CALL) | ((uint64_t)(lev & 0x7F) * 32);
    uint64_t cia = IOP_Current_Instruction_Address(iop);
    record->instruction_address = cia == NO_ADDRESS ? cia : cia + iop->length;
    return Take_Care_Of_Exception(iop, record, "Vectored Syscall");
}

namespace
{

PowerPCException *simple_raise(IOPDesc *iop, int32_t type, const char *text, bool tm_check)
{
    if (tm_check && taken_by_transaction(iop, type)) return nullptr;
    PowerPCException *record = IOP_New_Exception(iop, type, 0);
    if (!record) return nullptr;
    return Take_Care_Of_Exception(iop, record, text);
}

} // namespace

PowerPCException *interrupt_FPUnavailable(IOPDesc *iop)
{
    return simple_raise(iop, EXC_FP_UNAVAILABLE, "FP Unavailable", true);
}

PowerPCException *interrupt_VMX_Assist(IOPDesc *iop)
{
    return simple_raise(iop, EXC_VMX_ASSIST, "VMX Assist", true);
}

PowerPCException *interrupt_VSXUnavailable(IOPDesc *iop)
{
    return simple_raise(iop, EXC_VSX_UNAVAILABLE, "VSX Unavailable", true);
}

PowerPCException *interrupt_TMUnavailable(IOPDesc *iop)
{
    return simple_raise(iop, EXC_TM_UNAVAILABLE, "TM Unavailable", false);
}

PowerPCException *interrupt_FacilityUnavailable(IOPDesc *iop, uint64_t cause, const char *text)
{
    if (taken_by_transaction(iop, EXC_FACILITY_UNAVAILABLE)) return nullptr;
    PowerPCException *record = IOP_New_Exception(iop, EXC_FACILITY_UNAVAILABLE, 0);
    if (!record) return nullptr;
    record->fscr_valid = 1;
    record->fscr_cause = cause;
    return Take_Care_Of_Exception(iop, record, text);
}

PowerPCException *interrupt_FloatingPointException(IOPDesc *iop, int kind)
{
    if (taken_by_transaction(iop, EXC_FLOATING_POINT)) return nullptr;
    PowerPCException *record = IOP_New_Exception(iop, EXC_FLOATING_POINT, 0);
    if (!record) return nullptr;
    record->srr1_set = kind == 1 ? 0x110000 : 0x100000;
    // The filed record, or null when it was a duplicate (and is back in its pool).
    return Take_Care_Of_Exception(iop, record, "Floating Point Exception");
}

PowerPCException *interrupt_HTM_Op_Failure(IOPDesc *iop, int32_t code, uint64_t address, int32_t flag,
                                           int32_t reason)
{
    PowerPCException *record = IOP_New_Exception(iop, EXC_TM_OP_FAILURE, EST_TM_OP_FAILURE);
    if (!record) return nullptr;
    record->address = address;
    record->tm_failure_code = code;
    record->tm_failure_flag = flag;
    record->tm_failure_reason = reason;
    return Take_Care_Of_Exception(iop, record, "TM OP FAILURE");
}

PowerPCException *interrupt_PreciseMachineCheck(IOPDesc *iop)
{
    ThreadState *thread = iop->thread;
    ProcessorState *core = thread ? thread->processor : nullptr;
    if (!(iGET_MSR(iop) & MSR_ME) && !(core && core->options[PO_MACHINE_CHECK_WHEN_MSR_ME_0])) {
        sim_error("Check Stop: Precise Machine Check with ME bit of MSR off");
        GenericMachine *machine = thread ? thread->machine : nullptr;
        if (!(machine && machine->we_bit_ignored)) {
            // The processor stays check-stopped ("Machine Check with MSR[ME] = 0") until reset.
            if (core) CPU_CheckStop(core);
            Stop_The_Simulation(STOP_MACHINE_CHECK);
            return nullptr;
        }
    }
    PowerPCException *record = IOP_New_Exception(iop, EXC_MACHINE_CHECK, 0);
    if (!record) return nullptr;
    record->srr1_set = 2;
    return Take_Care_Of_Exception(iop, record, "Precise Machine Check");
}

PowerPCException *interrupt_ForceAtAnyAddress(IOPDesc *iop, uint64_t vector, uint32_t flags, int hypervisor,
                                              uint64_t msr_value, uint64_t msr_mask)
{
    iop->msr = iGET_MSR(iop);
    int32_t type;
    int32_t save_to;
    if (flags & 0x1) {
        type = hypervisor ? EXC_IRPT_CTL_EBB_HYPER : EXC_IRPT_CTL_EBB;
        save_to = 2;
    } else {
        type = hypervisor ? EXC_IRPT_CTL_HYPER : EXC_IRPT_CTL;
        save_to = (hypervisor && vector != 0x100 && vector != 0x200) ? 1 : 0;
    }
    PowerPCException *record = IOP_New_Exception(iop, type, EST_IRPT_CTL);
    if (!record) return nullptr;
    record->save_to = save_to;
    if (flags & 0x2) record->no_relocation = 1;
    record->priority = 0;
    record->hypervisor = hypervisor;
    record->vector = vector;
    record->msr_override_value = msr_value;
    record->msr_override_mask = msr_mask;
    uint64_t base = vector & ~0xFull;
    if (base == 0x100 || base == 0x200) {
        // System reset and machine check always go to the hypervisor through SRR0/SRR1.
        record->hypervisor = 1;
        record->save_to = 0;
    }
    return Take_Care_Of_Exception(iop, record, est_string(EST_IRPT_CTL));
}

int TerminatePendingTransaction(IOPDesc *iop)
{
    ThreadState *thread = iop->thread;
    if ((iGET_MSR(iop) & MSR_TS) != MSR_TS_TRANSACTIONAL) return 0;
    if (htm_failure_recorded(thread)) return 0;
    interrupt_HTM_Op_Failure(iop, 0x1800000, IOP_Current_Instruction_Address(iop), 1, 0);
    return 1;
}

namespace
{

constexpr uint64_t Fscr_bits[10] = {0, 0, 0x4, 0, 0, 0, 0x40, 0x80, 0x100, 0x200};

} // namespace

int Check_Facility_Enabled(IOPDesc *iop, int32_t facility, const char *text)
{
    uint64_t msr = iGET_MSR(iop);
    if ((msr & MSR_HV) && !(msr & MSR_PR)) return 1;
    if (facility < 0 || facility > 9) return 1;
    uint64_t hfscr_bit = 1ull << facility;
    if (!(iGET_HFSCR(iop) & hfscr_bit)) {
        interrupt_HyperFacilityUnavailable(iop, (uint64_t)facility, text);
        return 0;
    }
    if ((msr & MSR_PR) && Fscr_bits[facility] && !(iGET_FSCR(iop) & Fscr_bits[facility])) {
        interrupt_FacilityUnavailable(iop, (uint64_t)facility, text);
        return 0;
    }
    return 1;
}

void execute_illegal_instruction(IOPDesc *iop)
{
    ThreadState *thread = iop->thread;
    char text[128];
    if (iop->row && iop->row->template_ && iop->row->template_[0]) {
        char assembly[100];
        disassemble(assembly, sizeof assembly, iop, 1);
        assembly[sizeof assembly - 1] = '\0';
        size_t length = strlen(assembly);
        while (length > 0 && assembly[length - 1] == ' ')
            assembly[--length] = '\0';
        snprintf(text, sizeof text, "[%s] ", assembly);
    } else {
        snprintf(text, sizeof text, "[invalid]");
    }
    GenericMachine *machine = thread ? thread->machine : nullptr;
    if (!(machine && machine->mode == MODE_CYCLE)) {
        sim_warning(1, "[%s]: Invalid/unsupported instr 0x%08X%s", thread_name(thread), iop->word, text);
        sim_warning(1, " PC(EA): 0x%016lX PC(RA):0x%016lX MSR: 0x%016lX LR: 0x%016lX",
                    (unsigned long)iop->fetch.ea, (unsigned long)iop->fetch.pa,
                    (unsigned long)(thread ? thread->MSR.value : 0),
                    (unsigned long)(thread ? thread->LR.value : 0));
    }
    ProcessorState *core = thread ? thread->processor : nullptr;
    if (core && core->options[PO_STOP_ON_ILLEGAL_INSTRUCTION]) {
        sim_error("Stopping execution.");
        return;
    }
    interrupt_IllegalInstruction(iop, "cannot decode instruction");
}

int StuffInstr(IOPDesc *iop)
{
    ThreadState *thread = iop->thread;
    iop->msr = thread ? thread->MSR.value : 0;
    iop->row = Processor_Decode_Instruction(thread ? thread->processor : nullptr, iop->word);
    iop->length = 0;
    iop->data.wimg = 0;
    if (iop->row && iop->row->semantic) {
        if (iop->row->semantic(iop) == 1) {
            iop->xlate_message = nullptr;
            return 1;
        }
        iop->xlate_message = "Instruction Failed";
        return 0;
    }
    execute_illegal_instruction(iop);
    iop->xlate_message = "Illegal Instruction";
    return 0;
}

int process_wolk_IRPT_CTL_interrupt(IOPDesc *iop)
{
    uint64_t control = iGET_IRPT_CTL(iop);
    uint64_t msr_value = iGET_IRPT_CTL_MSR(iop);
    if (control == 0) return 0;
    iSET_IRPT_CTL(iop, 0);
    uint64_t msr_mask = iGET_IRPT_CTL_MSR_MASK(iop);
    if (msr_mask != 0) {
        iSET_IRPT_CTL_MSR(iop, 0);
        iSET_IRPT_CTL_MSR_MASK(iop, 0);
    }
    uint64_t vector;
    uint32_t flags;
    int hypervisor;
    if (control & 0x1) {
        vector = control & ~3ull;
        flags = (uint32_t)(control & 3);
        hypervisor = 0;
    } else {
        vector = control & ~0xFull;
        flags = (uint32_t)(control & 7);
        hypervisor = (control & 0x8) ? 1 : 0;
    }
    interrupt_ForceAtAnyAddress(iop, vector, flags, hypervisor, msr_value, msr_mask);
    return 1;
}

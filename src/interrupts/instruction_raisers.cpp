// Interrupt raisers of the instruction semantics, the CIABR test and the thread-priority hint.
#include "interrupts/instruction_raisers.h"

#include <cstring>

#include "interrupts/exception_names.h"
#include "interrupts/exception_types.h"
#include "interrupts/interrupt_raisers.h"
#include "processor/hooks/htm.h"
#include "processor/records/exception_record.h"
#include "processor/regs/iop_registers.h"
#include "processor/regs/reg_accessors.h"
#include "processor/run/smt.h"
#include "runtime/message.h"

namespace
{

constexpr uint64_t LPCR_VPM0 = 0x8000000000000000ull;
constexpr uint64_t LPCR_VPM1 = 0x4000000000000000ull;
constexpr uint64_t ISI_CAUSE = 0x10000000;
constexpr uint64_t SOFTPATCH_DENORM = 0x100000;
constexpr uint64_t SOFTPATCH_SRR1_MASK = 0x782F0000;
constexpr uint64_t TSRL_PRIORITY = 0x1C000000000000ull; // bits 50-52

// The transaction rule: outside operating-system support for transactions, an interrupt raised
// in a transaction goes to the transactional-memory model first; true when it took it.
bool taken_by_transaction(IOPDesc *iop, int32_t type)
{
    if (OS_SUPPORTS_HTM(iop)) return false;
    if (!(iGET_MSR(iop) & MSR_TS)) return false;
    return htm_handle_exception(iop, type) != 0;
}

// The record's address moves past the instruction (unless it has none).
void advance_address(IOPDesc *iop, PowerPCException *record)
{
    if (record->instruction_address != ~0ull) record->instruction_address += iop ? iop->length : 4;
}

// The floating-point store rows whose soft patch is the cache-inhibited form.
bool is_uc_denorm_store(const IOPDesc *iop)
{
    static const char *const rows[] = {"stfdx", "stfdux", "stfiwx", "stxsdx", "stxsiwx"};
    if (!iop->row || !iop->row->mnemonic) return false;
    for (const char *name : rows)
        if (strcmp(iop->row->mnemonic, name) == 0) return true;
    return false;
}

// The partition the thread's registers belong to: 0 for the core, 1..3 for a sub-core view.
int partition_index(ThreadState *thread)
{
    ProcessorState *core = thread->processor;
    for (int v = 1; v < PARTITION_VIEW_COUNT; v++)
        if (core->partition_views[v] && core->partition_views[v] == thread->shared_processor) return v;
    return 0;
}

} // namespace

PowerPCException *interrupt_SystemCall(IOPDesc *iop)
{
    if (taken_by_transaction(iop, EXC_SYSTEM_CALL)) return nullptr;
    PowerPCException *record = IOP_New_Exception(iop, EXC_SYSTEM_CALL, 0);
    if (!record) return nullptr;
    advance_address(iop, record);
    record->srr1_set = 0;
    return Take_Care_Of_Exception(iop, record, "Syscall");
}

PowerPCException *interrupt_VMXUnavailable(IOPDesc *iop)
{
    if (taken_by_transaction(iop, EXC_VMX_UNAVAILABLE)) return nullptr;
    PowerPCException *record = IOP_New_Exception(iop, EXC_VMX_UNAVAILABLE, 0);
    if (!record) return nullptr;
    record->srr1_set = 0;
    return Take_Care_Of_Exception(iop, record, "VMX Unavailable");
}

PowerPCException *interrupt_HyperFacilityUnavailable(IOPDesc *iop, uint64_t cause, const char *name)
{
    if (taken_by_transaction(iop, EXC_FACILITY_UNAVAILABLE)) return nullptr;
    PowerPCException *record = IOP_New_Exception(iop, EXC_HYPER_FACILITY_UNAVAILABLE, 0);
    if (!record) return nullptr;
    record->srr1_set = 0;
    record->hfscr_valid = 1;
    record->hfscr_cause = cause;
    record->hypervisor = 1;
    record->save_to = 1;
    record->msr_at_instruction = iGET_MSR(iop);
    return Take_Care_Of_Exception(iop, record, name);
}

PowerPCException *interrupt_SoftPatch(IOPDesc *iop, uint64_t value, uint64_t cause)
{
    if (taken_by_transaction(iop, EXC_IMC_SOFTPATCH)) return nullptr;
    int32_t type = EXC_IMC_SOFTPATCH;
    if (cause == SOFTPATCH_DENORM)
        type = is_uc_denorm_store(iop) ? EXC_UC_DENORM_SOFTPATCH : EXC_DENORM_SOFTPATCH;
    PowerPCException *record = IOP_New_Exception(iop, type, 0);
    if (!record) return nullptr;
    record->dar_valid = 1;
    record->dar = value;
    advance_address(iop, record);
    record->srr1_set = cause;
    record->srr1_clear = SOFTPATCH_SRR1_MASK;
    record->hypervisor = 1;
    record->save_to = 1;
    bool data_access = iop->row && (iop->row->class_flags & (II_LOAD | II_STORE | II_CACHE));
    if (IOP_Option(iop, PO_NO_SIAR_SDAR_UNDEFINED_MASK) && cause == SOFTPATCH_DENORM && data_access)
        Exception_Set_DAR_From_Instruction(iop, record, iop->data.ea);
    record->heir_valid = 1;
    record->heir = iop->word;
    return Take_Care_Of_Exception(iop, record, "Softpatch");
}

PowerPCException *interrupt_InstStorage_ISI(IOPDesc *iop, int32_t subtype)
{
    uint64_t msr = iGET_MSR(iop);
    bool hypervisor_state = (msr & MSR_HV) && !(msr & MSR_PR);
    bool to_hypervisor = false;
    if (!hypervisor_state) to_hypervisor = (iGET_LPCR(iop) & ((msr & MSR_IR) ? LPCR_VPM1 : LPCR_VPM0)) != 0;
    int32_t type = to_hypervisor ? EXC_HV_ISI : EXC_INSTRUCTION_STORAGE;
    if (!OS_SUPPORTS_HTM(iop) && (msr & MSR_TS)) htm_handle_interrupt(iop, type);
    PowerPCException *record = IOP_New_Exception(iop, type, subtype);
    if (!record) return nullptr;
    record->srr1_set = ISI_CAUSE;
    record->hypervisor = to_hypervisor;
    record->save_to = to_hypervisor;
    const char *name = est_string(subtype);
    if (!name) name = Exception_Type_Name(type);
    return Take_Care_Of_Exception(iop, record, name);
}

int CheckCIABR(IOPDesc *iop, uint64_t address, uint32_t kind)
{
    uint64_t ciabr = iGET_CIABR(iop);
    uint64_t msr = iGET_MSR(iop);
    bool problem = (msr & MSR_PR) != 0;
    bool hv = (msr & MSR_HV) != 0;
    bool armed;
    switch (ciabr & 3) {
    case 1:
        armed = problem;
        break;
    case 2:
        armed = !problem && !hv;
        break;
    case 3:
        armed = hv && !problem;
        break;
    default:
        return 0;
    }
    if (!armed || kind != AXD_KIND_FETCH) return 0;
    if (msr & MSR_SF) return (address >> 2) == (ciabr >> 2);
    return ((address & 0xFFFFFFFFull) >> 2) == ((ciabr & 0xFFFFFFFFull) >> 2);
}

void GLENT_Set_Thread_Priority(IOPDesc *iop, uint32_t n)
{
    uint32_t priority;
    switch (n) {
    case 1:
        priority = 2;
        break;
    case 2:
        priority = 4;
        break;
    case 3:
        priority = 6;
        break;
    case 5:
        priority = 5;
        break;
    case 6:
        priority = 3;
        break;
    case 7:
        priority = 7;
        break;
    case 31:
        priority = 1;
        break;
    default:
        return;
    }
    ThreadState *thread = iop->thread;
    uint64_t tsrl = iGET_TSRL(iop);
    uint64_t msr = iGET_MSR(iop);
    bool problem = (msr & MSR_PR) != 0;
    bool hypervisor_state = (msr & MSR_HV) && !problem;

    if (problem && priority == 5 && (iGET_PCR(iop) & 0x4)) return;

    bool allowed_at_once = false;
    uint32_t allowed = 4;
    if (iGET_PSPB(iop) != 0) allowed = 5;
    if (problem && priority == 5 && allowed == 4) {
        priority = 4;
        allowed_at_once = true;
    }
    if (!allowed_at_once && priority > allowed) {
        bool privileged = !problem && !(msr & MSR_HV);
        if (!((privileged && priority != 7) || hypervisor_state)) return;
    }

    // The partition lock bit of HID1 keeps a problem-state thread from the lowest priority.
    int lock_bit = 52;
    if (IOP_Option(iop, PO_GLENT_EN_4_LPAR_SYSTEM)) {
        uint64_t hid0 = iGET_HID0(iop);
        int j = 0;
        if (hid0 & (1ull << 61))
            j = partition_index(thread);
        else if (hid0 & (1ull << 57))
            j = 2 * partition_index(thread);
        if (j >= 1 && j <= 3) lock_bit = 52 - j;
    }
    if (((iGET_HID1(iop) >> lock_bit) & 1) && priority == 1 && problem) {
        smt_WriteTSRL(thread, tsrl);
        return;
    }
    smt_WriteTSRL(thread, (tsrl & ~TSRL_PRIORITY) | ((uint64_t)priority << TSRL_PRIORITY_SHIFT));
}

int Invalid_Form(IOPDesc *iop, const char *reason)
{
    const char *name = !iop ? "no iop" : (!iop->row ? "no instruction" : iop->row->mnemonic);
    sim_warning(1, "Invalid Form of %s: %s", name, reason);
    if (!iop || !iop->thread || !IOP_Option(iop, PO_INVALID_FORMS_ARE_ILLEGAL)) return 0;
    interrupt_IllegalInstruction(iop, "illegal invalid form");
    return 1;
}

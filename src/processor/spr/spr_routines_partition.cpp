// SPR routines of the storage keys (AMR, UAMR, AMOR, UAMOR, IAMR), the partition and translation
// control registers (LPCR, LPIDR, SDR1, RMOR, HRMOR, PCR), the HIDs, the data-address watchpoint
// and DPDES. Writes that change translation advance the global translation version.
#include "processor/hooks/spr_interrupt_standins.h"
#include "processor/hooks/emat_invalidate.h"
#include "processor/hooks/emat_zap.h"
#include "processor/hooks/lpar_writes.h"
#include "processor/records/generic_machine.h"
#include "processor/records/instruction_record.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "processor/regs/handwritten_accessors.h"
#include "processor/regs/reg_accessors.h"
#include "processor/run/smt.h"
#include "processor/spr/spr_moves.h"
#include "processor/spr/spr_routines.h"
#include "processor/translation/xlate_version.h"
#include "runtime/device_manager.h"
#include "runtime/message.h"

namespace
{

constexpr uint64_t LOW_WORD = 0xFFFFFFFFull;

uint64_t stop_read(int32_t *leave)
{
    *leave = 1;
    return 0;
}

uint64_t merge_under(uint64_t value, uint64_t old, uint64_t mask)
{
    return (value & mask) | (old & ~mask);
}

// The first thread of the machine's processor 0, which decides a change of partitioning.
ThreadState *first_thread_of_processor_zero(ThreadState *thread)
{
    GenericMachine *machine = thread->machine;
    if (machine && machine->device_manager) {
        int32_t major = DeviceMgr__GetDeviceMajorNum(machine->device_manager, "Processor");
        if (major >= 0) {
            auto *core = (ProcessorState *)DeviceMgr__GetDevice(machine->device_manager, major, 0);
            if (core && core->num_threads) return &core->threads[0];
        }
    }
    return thread->processor && thread->processor->num_threads ? &thread->processor->threads[0] : thread;
}

bool translated_code_mode(ThreadState *thread)
{
    if (!thread->machine) return false;
    uint32_t mode = thread->machine->mode;
    return mode == MODE_TURBO || mode == MODE_PTURBO || mode == MODE_NAMELESS;
}

// The watchpoint write: triggers, masked store, a new translation version, and a flush of the
// translated code when the value changed in a translated-code mode.
void write_watchpoint(IOPDesc *iop, Reg64 *slot, uint64_t value, const char *reason)
{
    uint64_t old = slot->value;
    Invoke_SPR_Read_Triggers(iop, slot->trigger, old);
    Invoke_SPR_Write_Triggers(iop, slot->trigger, old, value);
    slot->value = value & Register_Entry_Mask(slot->rfe);
    slot->written = 1;
    current_xlate_version++;
    if (value != old && translated_code_mode(iop->thread)) EMAT_ZAP_(reason, __FILE__, __LINE__);
}

uint64_t clear_partition_doorbells(IOPDesc *iop, uint64_t value)
{
    if (SPR_Option(iop, PO_GLENT_EN_4_LPAR_SYSTEM) && (Fetch_HID0_Value(iop) & HID0_MULTI_PARTITION))
        value &= ~0xFCull;
    return value;
}

} // namespace

// ---- storage keys ----

void MT_AMR(IOPDesc *iop, uint64_t value)
{
    if (SPR_Assist_Write_Guard(iop, 0)) return;
    const int32_t spr = SPR_Number_Of_Word(iop->word);
    if (spr == 29 && !Check_Supervisor_State(iop)) return;
    if (SPR_Option(iop, PO_AMR_16KEYS)) value &= ~LOW_WORD;
    const uint64_t old = iGET_AMR(iop);
    if (spr == 13) {
        const bool problem = In_Problem_State(iop) != 0;
        if (problem && (iGET_PCR(iop) & 0x2)) {
            interrupt_IllegalInstruction(iop, "mtspr 13 with 205 disabled.");
            return;
        }
        if (problem)
            value = merge_under(value, old, iGET_UAMOR(iop));
        else if (!Is_Hypervisor_State(iop))
            value = merge_under(value, old, iGET_AMOR(iop));
    } else if (spr == 29) {
        if (!Is_Hypervisor_State(iop)) value = merge_under(value, old, iGET_AMOR(iop));
    }
    iSET_AMR(iop, value);
    current_xlate_version++;
}

uint64_t MF_UAMR(IOPDesc *iop, int32_t *leave)
{
    if (SPR_Assist_Read_Guard(iop)) return stop_read(leave);
    if (SPR_Number_Of_Word(iop->word) == 13 && In_Problem_State(iop) && (iGET_PCR(iop) & 0x2)) {
        interrupt_IllegalInstruction(iop, "mfamr (13) with 205 disabled.");
        return stop_read(leave);
    }
    return iGET_AMR(iop);
}

void MT_AMOR(IOPDesc *iop, uint64_t value)
{
    if (SPR_Assist_Write_Guard(iop, 0)) return;
    if (SPR_Option(iop, PO_AMR_16KEYS)) value &= ~LOW_WORD;
    iSET_AMOR(iop, value);
    current_xlate_version++;
}

void MT_UAMOR(IOPDesc *iop, uint64_t value)
{
    if (SPR_Assist_Write_Guard(iop, 0)) return;
    if (!Is_Hypervisor_State(iop)) value &= iGET_AMOR(iop);
    iSET_UAMOR(iop, value);
    current_xlate_version++;
}

void MT_IAMR(IOPDesc *iop, uint64_t value)
{
    if (SPR_Assist_Write_Guard(iop, 0)) return;
    if (!Is_Hypervisor_State(iop)) {
        uint64_t mask = In_Problem_State(iop) ? iGET_UAMOR(iop) : iGET_AMOR(iop);
        value = merge_under(value, iGET_IAMR(iop), mask);
    }
    iSET_IAMR(iop, value);
}

#define QUARN_GUARDED_READ(routine, reg)                                                                     \
    uint64_t routine(IOPDesc *iop, int32_t *leave)                                                           \
    {                                                                                                        \
        if (SPR_Assist_Read_Guard(iop)) return stop_read(leave);                                             \
        return iGET_##reg(iop);                                                                              \
    }
QUARN_GUARDED_READ(MF_AMOR, AMOR)
QUARN_GUARDED_READ(MF_UAMOR, UAMOR)
QUARN_GUARDED_READ(MF_IAMR, IAMR)
QUARN_GUARDED_READ(MF_LPCR, LPCR)
QUARN_GUARDED_READ(MF_LPIDR, LPIDR)
QUARN_GUARDED_READ(MF_SDR1, SDR1)
QUARN_GUARDED_READ(MF_RMOR, RMOR)
QUARN_GUARDED_READ(MF_HRMOR, HRMOR)
QUARN_GUARDED_READ(MF_PCR, PCR)
#undef QUARN_GUARDED_READ

// ---- partition and translation control ----

void MT_LPCR(IOPDesc *iop, uint64_t value)
{
    if (SPR_Assist_Write_Guard(iop, 0)) return;
    if (value & 0x400) {
        sim_warning(2, "MTLPCR: LPCR shouldn't set hardware page table walk disable mode since it's not fully "
                       "supported by orbelkit yet");
        value &= ~0x400ull;
    }
    if (value & 0x2) {
        sim_warning(3, "MTLPCR: LPCR shouldn't set RMI since it's been replaced by hypervisor real mode "
                       "cache-inhibited load/stores");
        value &= ~0x2ull;
    }
    WriteLPCR(iop, value);
    current_xlate_version++;
}

void MT_LPIDR(IOPDesc *iop, uint64_t value)
{
    if (SPR_Assist_Write_Guard(iop, 0)) return;
    WriteLPIDR(iop, (uint32_t)value);
    iop->thread->wake_send_pending = 1;
    EMAT_INVALIDATE_ALL(iop->thread, 0, "MT_LPIDR");
    current_xlate_version++;
}

void MT_SDR1(IOPDesc *iop, uint64_t value)
{
    if (SPR_Assist_Write_Guard(iop, 0)) return;
    iSET_SDR1(iop, value);
    EMAT_INVALIDATE_ALL(iop->thread, 0, "sdr1");
    current_xlate_version++;
}

void MT_RMOR(IOPDesc *iop, uint64_t value)
{
    if (SPR_Assist_Write_Guard(iop, 0)) return;
    iSET_RMOR(iop, value);
    current_xlate_version++;
}

void MT_HRMOR(IOPDesc *iop, uint64_t value)
{
    if (SPR_Assist_Write_Guard(iop, 0)) return;
    iSET_HRMOR(iop, value);
    current_xlate_version++;
}

void MT_PCR(IOPDesc *iop, uint64_t value)
{
    if (SPR_Assist_Write_Guard(iop, 0)) return;
    iSET_PCR(iop, value & iop->thread->processor->pcr_mask);
}

void MT_HID0(IOPDesc *iop, uint64_t value)
{
    ThreadState *thread = iop->thread;
    if (SPR_Option(iop, PO_HYPER_RESOURCE_HID0) && !Is_Hypervisor_State(iop)) {
        interrupt_PrivilegedInstruction(iop);
        return;
    }
    value &= 0xFE1FD3FF00000000ull;
    uint64_t old = COOKED_GET_HID0(thread, REG_ACCESS_INSTRUCTION);
    Invoke_SPR_Write_Triggers(iop, thread->processor->HID0.trigger, old, value);
    COOKED_SET_HID0(thread, value);
    smt_TestPerformLPAR_1_To_2_4_Switch(first_thread_of_processor_zero(thread));
}

void MT_HID1(IOPDesc *iop, uint64_t value)
{
    if (SPR_Option(iop, PO_HID1_READ_ONLY)) return;
    iSET_HID1(iop, value & ~LOW_WORD);
    current_xlate_version++;
}

uint64_t MF_HID4(IOPDesc *iop, int32_t *)
{
    return iGET_HID4(iop);
}

void MT_HID4(IOPDesc *iop, uint64_t value)
{
    iSET_HID4(iop, value);
    current_xlate_version++;
}

void MT_HID5(IOPDesc *iop, uint64_t value)
{
    iSET_HID5(iop, value);
}

void MT_DAWR0(IOPDesc *iop, uint64_t value)
{
    write_watchpoint(iop, &iop->thread->DAWR0, value, "MT_DAWR0");
}

void MT_DAWRX0(IOPDesc *iop, uint64_t value)
{
    if (!Is_Hypervisor_State(iop)) value &= 0x4;
    write_watchpoint(iop, &iop->thread->DAWRX0, value, "MT_DAWRX0");
}

uint64_t MF_DPDES(IOPDesc *iop, int32_t *)
{
    return clear_partition_doorbells(iop, iGET_DPDES(iop));
}

void MT_DPDES(IOPDesc *iop, uint64_t value)
{
    iSET_DPDES(iop, clear_partition_doorbells(iop, value));
}

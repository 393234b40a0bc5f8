// The reset of a processor and its threads, and the standalone-program initial state.
#include "processor/regs/processor_reset.h"

#include <cstring>

#include "processor/config/config_getters.h"
#include "processor/hooks/emat_zap.h"
#include "processor/hooks/interrupt_hooks.h"
#include "processor/records/exception_record.h"
#include "processor/records/generic_machine.h"
#include "processor/records/machine_access.h"
#include "processor/records/processor_identity.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "processor/regs/ctrl.h"
#include "processor/regs/handwritten_accessors.h"
#include "processor/regs/register_file.h"
#include "processor/regs/register_list.h"
#include "processor/run/run_control.h"
#include "processor/run/smt.h"
#include "processor/spr/instruction_match.h"
#include "processor/time/time_base.h"
#include "processor/time/time_registers.h"
#include "processor/translation/tlb_slb_erat.h"
#include "processor/translation/xlate_version.h"

namespace
{

constexpr uint64_t STANDALONE_MSR_BITS = 0x2802000ull; // FP, VEC, VSX

const reg_desc_table_entry *desc_of(const Register_File_Entry *entry)
{
    return entry ? entry->desc : nullptr;
}

template <typename Slot> uint64_t initial_of(const Slot &slot)
{
    const reg_desc_table_entry *desc = desc_of(slot.rfe);
    return desc ? desc->initial : 0;
}

template <typename Slot> uint64_t mask_of(const Slot &slot)
{
    return Register_Entry_Mask(slot.rfe);
}

template <typename Slot> uint64_t masked_initial(const Slot &slot)
{
    return initial_of(slot) & mask_of(slot);
}

template <typename Slot> void store(Slot &slot, uint64_t value)
{
    slot.value = (decltype(slot.value))value;
}

// value := initial AND mask, written flag := 1.
template <typename Slot> void standard_reset(Slot &slot)
{
    store(slot, masked_initial(slot));
    slot.written = 1;
}

// A partition register: the owning core's initial value, the partition core's mask, stored in the
// partition core's slot.
template <typename Slot> void shared_reset(const Slot &core_slot, Slot &partition_slot)
{
    store(partition_slot, initial_of(core_slot) & mask_of(partition_slot));
    partition_slot.written = 1;
}

// The processor registers after HDEC, in definition order: core registers on the core, partition
// registers on the thread's partition core.
void reset_remaining_processor_registers(ProcessorState *p, ProcessorState *sp)
{
    bool reached = false;
#define QUARN_RESET_C(member) standard_reset(p->member)
#define QUARN_RESET_P(member) shared_reset(p->member, sp->member)
#define QUARN_RESET_REMAINING(member, file_name, width, owner, family)                                       \
    reached = reached || strcmp(#member, "RMOR") == 0;                                                       \
    if (reached) QUARN_RESET_##owner(member);
    QUARN_CORE_REGISTERS(QUARN_RESET_REMAINING)
#undef QUARN_RESET_REMAINING
#undef QUARN_RESET_P
#undef QUARN_RESET_C
}

// One named thread register of the run LR ... TIDR.
template <typename Slot> void reset_named(ThreadState *t, const char *name, Slot &slot)
{
    uint64_t value = masked_initial(slot);
    if (strcmp(name, "DEC") == 0) {
        ThreadState__SetDEC(t, (uint32_t)value);
        ThreadState__GetDEC(t);
    } else if (strcmp(name, "PURR") == 0) {
        RAW_SET_PURR(t, value);
        RAW_GET_PURR(t);
    } else if (strcmp(name, "SPURR") == 0) {
        RAW_SET_SPURR(t, value);
        RAW_GET_SPURR(t);
    } else if (strcmp(name, "TFMR") == 0) {
        RAW_SET_TFMR(t, value);
        RAW_GET_TFMR(t);
    } else if (strcmp(name, "TSRL") == 0) {
        COOKED_SET_TSRL(t, initial_of(slot));
        COOKED_GET_TSRL(t, REG_ACCESS_INSTRUCTION);
    } else if (strcmp(name, "SIM_CTRL") == 0) {
        COOKED_SET_SIM_CTRL(t, initial_of(slot), REG_ACCESS_INSTRUCTION);
    } else {
        standard_reset(slot);
        if (strcmp(name, "PID") == 0) current_xlate_version++;
        if (strcmp(name, "TIR") == 0) COOKED_GET_TIR(t, REG_ACCESS_INSTRUCTION);
    }
}

void reset_named_thread_registers(ThreadState *t)
{
    bool done = false;
#define QUARN_RESET_NAMED(member, file_name, width, owner, family)                                           \
    done = done || strcmp(#member, "MSR") == 0;                                                              \
    if (!done) reset_named(t, #member, t->member);
    QUARN_THREAD_REGISTERS(QUARN_RESET_NAMED)
#undef QUARN_RESET_NAMED
}

void reset_hid0_and_hid1_4_5(ThreadState *t, ProcessorState *p)
{
    COOKED_SET_HID0(t, initial_of(p->HID0));
    COOKED_GET_HID0(t, REG_ACCESS_INSTRUCTION);
    standard_reset(p->HID1);
    standard_reset(p->HID4);
    standard_reset(p->HID5);
}

// Interrupts held by an external interrupt line stay queued; every other one is dropped.
void drop_queued_interrupts(ThreadState *t)
{
    PowerPCException *exception = t->interrupt_queue.head;
    while (exception) {
        PowerPCException *next = exception->next;
        if (!exception->persistent) {
            UnScheduleException(t, exception, "Reset");
            FreeException(exception, __FILE__, __LINE__);
        }
        exception = next;
    }
}

void reset_thread(ThreadState *t, uint64_t configured_pvr)
{
    ProcessorState *p = t->processor;
    ProcessorState *sp = t->shared_processor ? t->shared_processor : p;

    for (int n = 0; n < NUM_GPRS; n++)
        t->GPR[n].value = initial_of(t->GPR[n]);

    RAW_SET_PVR(sp, (uint32_t)(initial_of(p->PVR) & mask_of(sp->PVR)));
    RAW_SET_TB(sp, initial_of(p->TB) & mask_of(sp->TB));
    ProcessorState__GetTB(sp);
    RAW_SET_TBL(sp, (uint32_t)(initial_of(p->TBL) & mask_of(sp->TBL)));
    ProcessorState__GetTBL(sp);
    RAW_SET_TBU(sp, (uint32_t)(initial_of(p->TBU) & mask_of(sp->TBU)));
    ProcessorState__GetTBU(sp);

    COOKED_SET_HID0(t, initial_of(p->HID0));
    COOKED_GET_HID0(t, REG_ACCESS_INSTRUCTION);
    standard_reset(p->HID1);
    standard_reset(p->HID4);
    standard_reset(p->HID5);
    standard_reset(p->HMEER);
    standard_reset(p->MMCRH);
    standard_reset(p->RWMR);
    shared_reset(p->PMCR, sp->PMCR);
    standard_reset(p->IMC);

    struct {
        Reg64 *slot;
        int32_t number;
    } const imas[] = {{&p->IMA0, 0}, {&p->IMA1, 1}, {&p->IMA2, 2},   {&p->IMA3, 3},   {&p->IMA4, 4},
                      {&p->IMA8, 8}, {&p->IMA9, 9}, {&p->IMA10, 10}, {&p->IMA11, 11}, {&p->IMA12, 12}};
    for (const auto &ima : imas) {
        ima.slot->value = masked_initial(*ima.slot);
        Decide_if_we_want_to_check_IMC(p, ima.number, ima.slot->value);
    }

    standard_reset(p->SPR_MODEREG);
    shared_reset(p->SDR1, sp->SDR1);
    ProcessorState__SetHDEC(sp, (uint32_t)(initial_of(p->HDEC) & mask_of(sp->HDEC)));
    ProcessorState__GetHDEC(sp);
    reset_remaining_processor_registers(p, sp);

    reset_named_thread_registers(t);

    _WriteMSR(t, masked_initial(t->MSR), 0, 0, __FILE__, __LINE__);
    t->CR.value = (uint32_t)masked_initial(t->CR);
    t->FPSCR.value = masked_initial(t->FPSCR);
    t->FPSCR_CHANGE.value = masked_initial(t->FPSCR_CHANGE);
    t->VSCR.value = (uint32_t)masked_initial(t->VSCR);
    t->VSCR_CHANGE.value = (uint32_t)masked_initial(t->VSCR_CHANGE);
    t->FPR_INVALID_MAP.value = initial_of(t->FPR_INVALID_MAP);
    FORCE_CTRL(t, (uint32_t)initial_of(t->CTRL));

    t->pc_initial = initial_of(t->PC);
    standard_reset(t->PC);
    t->next_pc = t->PC.value;

    t->PIR.value =
        (uint32_t)((initial_of(t->PIR) | (uint64_t)(uint32_t)t->thread_id_in_core) & mask_of(t->PIR));
    t->PIR.written = 1;

    Reset_Decrementer(t);
    SMTA_Set_Power_On_Thread_Priority(t);
    SLB_Reset(t);

    drop_queued_interrupts(t);
    t->pending_HDEC = 0;
    t->wake_send_pending = 0;
    t->interrupt_queue.name = "active interrupt queue";
    t->interrupt_queue.mcm = t->mcm;

    for (Reg64 &entry : t->BHRBE) {
        entry.value = initial_of(entry);
        if (entry.rfe) entry.rfe->defined = entry.value != 0;
    }

    reset_hid0_and_hid1_4_5(t, p);
    RAW_SET_PVR(sp, (uint32_t)(configured_pvr & mask_of(sp->PVR)));
}

} // namespace

void ProcessorState__SetInitialState(ProcessorState *p)
{
    if (!p) return;
    uint64_t configured_pvr = Default_PVR_Value(p, MachineAccess_PropertyList(p->machine));
    for (uint32_t i = 0; p->threads && i < p->num_threads; i++)
        reset_thread(&p->threads[i], configured_pvr);

    CPU_InitState(p);
    p->tfmr_per_processor = 0;
    p->smt_mode = smt_InitialMode(p);
    if (p->num_threads > 1 && p->threads) SMTA_InitState(p, p->threads);
    Init_TimeBase(p);
    Update_PURR_state(p);
    Reset_HDecrementer(p);
}

void Processor_Reset(ProcessorState *processor)
{
    ProcessorState__SetInitialState(processor);
}

void GenericMachine__SetInitialState(GenericMachine *machine)
{
    if (!machine) return;
    int32_t count = GenericMachine__ProcessorCount(machine);
    for (int32_t n = 0; n < count; n++) {
        ProcessorState *p = GenericMachine__Processor(machine, n);
        if (!p) continue;
        ProcessorState__SetInitialState(p);
        if (!standalone_mode) continue;
        ProcessorState__SetStandaloneModeInitialState(p);
        for (uint32_t i = 0; p->threads && i < p->num_threads; i++)
            ThreadState__SetStandaloneModeInitialState(&p->threads[i]);
    }
}

void ThreadState__SetStandaloneModeInitialState(ThreadState *t)
{
    if (!t) return;
    if (reg_desc_table_entry *desc = t->GPR[5].rfe ? t->GPR[5].rfe->desc : nullptr) desc->initial = 0;

    uint64_t msr = t->MSR.value | STANDALONE_MSR_BITS;
    if (reg_desc_table_entry *desc = t->MSR.rfe ? t->MSR.rfe->desc : nullptr) desc->initial = msr;
    _WriteMSR(t, msr & mask_of(t->MSR), 0, 0, __FILE__, __LINE__);

    // Round to nearest (rounding-mode bits 00), the low word sign-extended: a Linux program starts
    // in the default rounding mode, and its C library formats and parses numbers in it.
    uint32_t fpscr = (uint32_t)t->FPSCR.value & ~3u;
    if (reg_desc_table_entry *desc = t->FPSCR.rfe ? t->FPSCR.rfe->desc : nullptr)
        desc->initial = (uint64_t)(int64_t)(int32_t)fpscr;

    if (reg_desc_table_entry *desc = t->LPCR.rfe ? t->LPCR.rfe->desc : nullptr) desc->initial = 0;
}

extern "C" void LIBSIM__Reset(ThreadState *thread)
{
    if (!thread) return;
    Processor_Reset(thread->processor);
    EMAT_ZAP_("LIBSIM__Reset", __FILE__, __LINE__);
}

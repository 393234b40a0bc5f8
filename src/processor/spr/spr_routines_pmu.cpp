// SPR routines of the performance monitor: the counters, their control and sampling registers,
// the problem-state aliases gated by MMCR0[PMCC] and HID5, the supervisor counters, and the
// counters' tool accessors.
#include <cstring>

#include "processor/hooks/spr_interrupt_standins.h"
#include "processor/records/instruction_record.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "processor/regs/reg_accessors.h"
#include "processor/spr/pmc_groups.h"
#include "processor/spr/spr_moves.h"
#include "processor/spr/spr_routines.h"

namespace
{

constexpr uint32_t FACILITY_PERFORMANCE_MONITOR = 3;

Reg32 *counter_slot(ThreadState *thread, int n)
{
    Reg32 *slots[] = {&thread->PMC1, &thread->PMC2, &thread->PMC3, &thread->PMC4, &thread->PMC5, &thread->PMC6};
    return slots[n - 1];
}

bool gated(IOPDesc *iop)
{
    return SPR_Option(iop, PO_GLENT_PMCC_GATED_ACCESSIBLITY) != 0;
}

// Protected and not in hypervisor state: the condition of the supervisor's masked writes.
bool protected_outside_hypervisor(IOPDesc *iop)
{
    return gated(iop) && check_value(iop) && !Is_Hypervisor_State(iop);
}

bool monitor_available(IOPDesc *iop)
{
    return Check_Facility_Available(iop, FACILITY_PERFORMANCE_MONITOR, SPR_Instruction_Name(iop)) != 0;
}

void monitor_unavailable(IOPDesc *iop)
{
    interrupt_FacilityUnavailable(iop, FACILITY_PERFORMANCE_MONITOR, SPR_Instruction_Name(iop));
}

uint64_t stop_read(int32_t *leave)
{
    *leave = 1;
    return 0;
}

uint64_t live_or_stored(IOPDesc *iop, int n)
{
    if (n >= 5 && Frozen_PMC(iop)) return counter_slot(iop->thread, n)->value;
    return PMC_get_counter(iop->thread, (uint32_t)n);
}

// Stores a counter (masked, written, no triggers) and hands it to the counting model.
void store_counter(IOPDesc *iop, int n, uint64_t value)
{
    static const char *const names[] = {"PMC1", "PMC2", "PMC3", "PMC4", "PMC5", "PMC6"};
    if (HTM_NON_CKPT_REG_MODIFIED(iop, names[n - 1])) return;
    Reg32 *slot = counter_slot(iop->thread, n);
    slot->value = (uint32_t)(value & Register_Entry_Mask(slot->rfe));
    slot->written = 1;
    PMC_set_counter(iop->thread, (uint32_t)n, value);
}

template <int N> uint64_t read_pmc(IOPDesc *iop, int32_t *leave)
{
    if (!monitor_available(iop) || SPR_Assist_Read_Guard(iop)) return stop_read(leave);
    return live_or_stored(iop, N);
}

template <int N> void write_pmc(IOPDesc *iop, uint64_t value)
{
    if (!monitor_available(iop) || SPR_Assist_Write_Guard(iop, 1)) return;
    store_counter(iop, N, value);
}

template <int N> uint64_t read_upmc(IOPDesc *iop, int32_t *leave)
{
    if (!monitor_available(iop) || SPR_Assist_Read_Guard(iop)) return stop_read(leave);
    if (In_Problem_State(iop) && gated(iop)) {
        uint32_t pmcc = Get_MMCR0_PMCC(iop);
        if (pmcc == 1 || (N >= 5 && pmcc == 3)) {
            monitor_unavailable(iop);
            return stop_read(leave);
        }
    }
    return live_or_stored(iop, N);
}

template <int N> void write_upmc(IOPDesc *iop, uint64_t value)
{
    static const char *const texts[] = {"mtpmc1 and MSR/PR=1", "mtpmc2 and MSR/PR=1", "mtpmc3 and MSR/PR=1",
                                        "mtpmc4 and MSR/PR=1", "mtpmc5 and MSR/PR=1", "mtpmc6 and MSR/PR=1"};
    if (!monitor_available(iop)) return;
    if (In_Problem_State(iop)) {
        uint32_t pmcc = gated(iop) ? Get_MMCR0_PMCC(iop) : 0;
        if (!gated(iop) || pmcc == 0) {
            interrupt_IllegalInstruction(iop, texts[N - 1]);
            return;
        }
        if (pmcc == 1 || (N >= 5 && pmcc == 3)) {
            monitor_unavailable(iop);
            return;
        }
    }
    if (!gated(iop)) return;
    store_counter(iop, N, value);
}

template <int N> uint64_t guess_pmc(ThreadState *thread, uint32_t)
{
    if (N >= 5) {
        IOPDesc blank;
        IOPDesc *iop = thread->current_iop;
        if (!iop) {
            memset(&blank, 0, sizeof blank);
            blank.thread = thread;
            iop = &blank;
        }
        return live_or_stored(iop, N);
    }
    if (thread->processor && thread->processor->options[PO_WOLK_FREEZE_PMCS]) return counter_slot(thread, N)->value;
    return PMC_get_counter(thread, (uint32_t)N);
}

template <int N> void force_pmc(ThreadState *thread, uint64_t value, uint32_t)
{
    Reg32 *slot = counter_slot(thread, N);
    slot->value = (uint32_t)(value & Register_Entry_Mask(slot->rfe));
    slot->written = 1;
}

// The MMCR0 write after its problem-state rules: the supervisor's protected bits, the transaction
// check, the write and the group choice.
void write_mmcr0(IOPDesc *iop, uint64_t value)
{
    ThreadState *thread = iop->thread;
    if (protected_outside_hypervisor(iop)) value = (value & ~0xE00ull) | (thread->MMCR0.value & 0xE00);
    if (HTM_NON_CKPT_REG_MODIFIED(iop, "MMCR0")) return;
    iSET_MMCR0(iop, value);
    PMC_set_group_id(thread);
}

void write_mmcr2(IOPDesc *iop, uint64_t value)
{
    if (protected_outside_hypervisor(iop)) value = (value & ~0x3FFull) | (iop->thread->MMCR2.value & 0x3FF);
    if (HTM_NON_CKPT_REG_MODIFIED(iop, "MMCR2")) return;
    iSET_MMCR2(iop, value);
}

void write_mmcra(IOPDesc *iop, uint64_t value)
{
    ThreadState *thread = iop->thread;
    if (protected_outside_hypervisor(iop)) {
        constexpr uint64_t taken = 0xFFFF77BFull;
        uint64_t merged = (value & taken) | (thread->MMCRA.value & ~taken);
        if (value & (0x8000 | 0x800)) merged &= ~0x70000ull;
        if (value & 0x40) merged &= ~1ull;
        value = merged;
    }
    if (HTM_NON_CKPT_REG_MODIFIED(iop, "MMCRA")) return;
    iSET_MMCRA(iop, value);
    PMC_set_group_id(thread);
}

} // namespace

uint32_t Get_MMCR0_PMCC(IOPDesc *iop)
{
    return (uint32_t)((iGET_MMCR0(iop) >> 18) & 3);
}

int check_value(IOPDesc *iop)
{
    if (!gated(iop)) return 0;
    ThreadState *thread = iop->thread;
    return (thread->processor->HID5.value & (0x80u >> SPR_Partition_Slot(thread))) ? 1 : 0;
}

int check_value2(IOPDesc *iop)
{
    if (!gated(iop)) return 0;
    ThreadState *thread = iop->thread;
    return (thread->processor->HID5.value & (0x08u >> SPR_Partition_Slot(thread))) ? 0 : 1;
}

int Frozen_PMC(IOPDesc *iop)
{
    uint64_t freeze = 0x80000000;
    if (Is_Hypervisor_State(iop)) freeze |= 0x40000000;
    if (In_Problem_State(iop)) freeze |= 0x20000000;
    freeze |= (Fetch_MSR_Value(iop) & 0x4) ? 0x10000000 : 0x08000000;
    return (iGET_MMCR0(iop) & freeze) ? 1 : 0;
}

uint64_t MF_PMC1(IOPDesc *iop, int32_t *leave) { return read_pmc<1>(iop, leave); }
uint64_t MF_PMC2(IOPDesc *iop, int32_t *leave) { return read_pmc<2>(iop, leave); }
uint64_t MF_PMC3(IOPDesc *iop, int32_t *leave) { return read_pmc<3>(iop, leave); }
uint64_t MF_PMC4(IOPDesc *iop, int32_t *leave) { return read_pmc<4>(iop, leave); }
uint64_t MF_PMC5(IOPDesc *iop, int32_t *leave) { return read_pmc<5>(iop, leave); }
uint64_t MF_PMC6(IOPDesc *iop, int32_t *leave) { return read_pmc<6>(iop, leave); }
void MT_PMC1(IOPDesc *iop, uint64_t value) { write_pmc<1>(iop, value); }
void MT_PMC2(IOPDesc *iop, uint64_t value) { write_pmc<2>(iop, value); }
void MT_PMC3(IOPDesc *iop, uint64_t value) { write_pmc<3>(iop, value); }
void MT_PMC4(IOPDesc *iop, uint64_t value) { write_pmc<4>(iop, value); }
void MT_PMC5(IOPDesc *iop, uint64_t value) { write_pmc<5>(iop, value); }
void MT_PMC6(IOPDesc *iop, uint64_t value) { write_pmc<6>(iop, value); }
uint64_t MF_UPMC1(IOPDesc *iop, int32_t *leave) { return read_upmc<1>(iop, leave); }
uint64_t MF_UPMC2(IOPDesc *iop, int32_t *leave) { return read_upmc<2>(iop, leave); }
uint64_t MF_UPMC3(IOPDesc *iop, int32_t *leave) { return read_upmc<3>(iop, leave); }
uint64_t MF_UPMC4(IOPDesc *iop, int32_t *leave) { return read_upmc<4>(iop, leave); }
uint64_t MF_UPMC5(IOPDesc *iop, int32_t *leave) { return read_upmc<5>(iop, leave); }
uint64_t MF_UPMC6(IOPDesc *iop, int32_t *leave) { return read_upmc<6>(iop, leave); }
void MT_UPMC1(IOPDesc *iop, uint64_t value) { write_upmc<1>(iop, value); }
void MT_UPMC2(IOPDesc *iop, uint64_t value) { write_upmc<2>(iop, value); }
void MT_UPMC3(IOPDesc *iop, uint64_t value) { write_upmc<3>(iop, value); }
void MT_UPMC4(IOPDesc *iop, uint64_t value) { write_upmc<4>(iop, value); }
void MT_UPMC5(IOPDesc *iop, uint64_t value) { write_upmc<5>(iop, value); }
void MT_UPMC6(IOPDesc *iop, uint64_t value) { write_upmc<6>(iop, value); }
uint64_t PGUESS_PMC1(ThreadState *thread, uint32_t argument) { return guess_pmc<1>(thread, argument); }
uint64_t PGUESS_PMC2(ThreadState *thread, uint32_t argument) { return guess_pmc<2>(thread, argument); }
uint64_t PGUESS_PMC3(ThreadState *thread, uint32_t argument) { return guess_pmc<3>(thread, argument); }
uint64_t PGUESS_PMC4(ThreadState *thread, uint32_t argument) { return guess_pmc<4>(thread, argument); }
uint64_t PGUESS_PMC5(ThreadState *thread, uint32_t argument) { return guess_pmc<5>(thread, argument); }
uint64_t PGUESS_PMC6(ThreadState *thread, uint32_t argument) { return guess_pmc<6>(thread, argument); }
void PFORCE_PMC1(ThreadState *thread, uint64_t value, uint32_t argument) { force_pmc<1>(thread, value, argument); }
void PFORCE_PMC2(ThreadState *thread, uint64_t value, uint32_t argument) { force_pmc<2>(thread, value, argument); }
void PFORCE_PMC3(ThreadState *thread, uint64_t value, uint32_t argument) { force_pmc<3>(thread, value, argument); }
void PFORCE_PMC4(ThreadState *thread, uint64_t value, uint32_t argument) { force_pmc<4>(thread, value, argument); }
void PFORCE_PMC5(ThreadState *thread, uint64_t value, uint32_t argument) { force_pmc<5>(thread, value, argument); }
void PFORCE_PMC6(ThreadState *thread, uint64_t value, uint32_t argument) { force_pmc<6>(thread, value, argument); }

// ---- control and sampling registers ----

#define QUARN_PLAIN_MONITOR_READ(routine, reg)                                                               \
    uint64_t routine(IOPDesc *iop, int32_t *leave)                                                           \
    {                                                                                                        \
        if (!monitor_available(iop) || SPR_Assist_Read_Guard(iop)) return stop_read(leave);                  \
        return iGET_##reg(iop);                                                                              \
    }
QUARN_PLAIN_MONITOR_READ(MF_MMCR0, MMCR0)
QUARN_PLAIN_MONITOR_READ(MF_MMCR1, MMCR1)
QUARN_PLAIN_MONITOR_READ(MF_MMCR2, MMCR2)
QUARN_PLAIN_MONITOR_READ(MF_SIAR, SIAR)
QUARN_PLAIN_MONITOR_READ(MF_SDAR, SDAR)
#undef QUARN_PLAIN_MONITOR_READ

uint64_t MF_MMCRA(IOPDesc *iop, int32_t *leave)
{
    if (!monitor_available(iop) || SPR_Assist_Read_Guard(iop)) return stop_read(leave);
    uint64_t value = iGET_MMCRA(iop);
    return protected_outside_hypervisor(iop) ? (uint32_t)value : value;
}

uint64_t MF_SIER(IOPDesc *iop, int32_t *leave)
{
    if (!monitor_available(iop) || SPR_Assist_Read_Guard(iop)) return stop_read(leave);
    uint64_t value = iGET_SIER(iop);
    return protected_outside_hypervisor(iop) ? (value & 0x3FFFFFF) : value;
}

void MT_MMCR0(IOPDesc *iop, uint64_t value)
{
    if (!monitor_available(iop) || SPR_Assist_Write_Guard(iop, 1)) return;
    if (!SPR_Option(iop, PO_Ervik_SPR_IMPLEMENTED_MASK)) value &= 0xFFC0F8FFull;
    write_mmcr0(iop, value);
}

void MT_MMCR1(IOPDesc *iop, uint64_t value)
{
    if (!monitor_available(iop)) return;
    if (protected_outside_hypervisor(iop)) {
        uint64_t merged = iop->thread->MMCR1.value & 0xFFFFFFFF00000000ull;
        for (int shift = 0; shift < 32; shift += 8) {
            uint64_t byte = (value >> shift) & 0xFF;
            if ((byte & 0xE0) == 0xE0) merged |= byte << shift;
        }
        value = merged;
    }
    if (SPR_Assist_Write_Guard(iop, 1)) return;
    if (HTM_NON_CKPT_REG_MODIFIED(iop, "MMCR1")) return;
    iSET_MMCR1(iop, value);
    PMC_set_group_id(iop->thread);
}

void MT_MMCR2(IOPDesc *iop, uint64_t value)
{
    if (!monitor_available(iop) || SPR_Assist_Write_Guard(iop, 1)) return;
    write_mmcr2(iop, value);
}

void MT_MMCRA(IOPDesc *iop, uint64_t value)
{
    if (!monitor_available(iop) || SPR_Assist_Write_Guard(iop, 1)) return;
    write_mmcra(iop, value);
}

#define QUARN_PLAIN_MONITOR_WRITE(routine, reg)                                                              \
    void routine(IOPDesc *iop, uint64_t value)                                                               \
    {                                                                                                        \
        if (!monitor_available(iop) || SPR_Assist_Write_Guard(iop, 1)) return;                               \
        if (HTM_NON_CKPT_REG_MODIFIED(iop, #reg)) return;                                                    \
        iSET_##reg(iop, value);                                                                              \
    }
QUARN_PLAIN_MONITOR_WRITE(MT_SIER, SIER)
QUARN_PLAIN_MONITOR_WRITE(MT_SIAR, SIAR)
QUARN_PLAIN_MONITOR_WRITE(MT_SDAR, SDAR)
#undef QUARN_PLAIN_MONITOR_WRITE

uint64_t MF_SPMC1(IOPDesc *iop, int32_t *) { return iGET_SPMC1(iop); }
uint64_t MF_SPMC2(IOPDesc *iop, int32_t *) { return iGET_SPMC2(iop); }
uint64_t MF_MMCRS(IOPDesc *iop, int32_t *) { return iGET_MMCRS(iop); }

void MT_SPMC1(IOPDesc *iop, uint64_t value)
{
    if (SPR_HID0_Write_Gate(iop)) return;
    iSET_SPMC1(iop, (uint32_t)value);
}

void MT_SPMC2(IOPDesc *iop, uint64_t value)
{
    if (SPR_HID0_Write_Gate(iop)) return;
    iSET_SPMC2(iop, (uint32_t)value);
}

void MT_MMCRS(IOPDesc *iop, uint64_t value)
{
    if (HTM_NON_CKPT_REG_MODIFIED(iop, "MMCRS")) return;
    if (SPR_HID0_Write_Gate(iop)) return;
    iSET_MMCRS(iop, value);
}

// ---- problem-state aliases of the control and sampling registers ----

uint64_t MF_UMMCR0(IOPDesc *iop, int32_t *leave)
{
    if (!monitor_available(iop) || SPR_Assist_Read_Guard(iop)) return stop_read(leave);
    uint64_t value = iGET_MMCR0(iop);
    if (!In_Problem_State(iop) || !gated(iop)) return value;
    switch (Get_MMCR0_PMCC(iop)) {
    case 0:
        return check_value2(iop) ? (value & ~0xE00ull) : value;
    case 1:
        monitor_unavailable(iop);
        return stop_read(leave);
    default:
        return check_value2(iop) ? (value & ~0x7BFFFF7Full) : value;
    }
}

uint64_t MF_UMMCR1(IOPDesc *iop, int32_t *leave)
{
    if (!monitor_available(iop) || SPR_Assist_Read_Guard(iop)) return stop_read(leave);
    uint64_t value = iGET_MMCR1(iop);
    if (!In_Problem_State(iop) || !gated(iop)) return value;
    if (Get_MMCR0_PMCC(iop) == 0) return check_value2(iop) ? (uint32_t)value : value;
    monitor_unavailable(iop);
    return stop_read(leave);
}

uint64_t MF_UMMCR2(IOPDesc *iop, int32_t *leave)
{
    if (SPR_Version_206_Gate(iop)) return stop_read(leave);
    uint64_t value = MF_MMCR2(iop, leave);
    if (*leave || iop->exceptions) return value;
    if (!In_Problem_State(iop) || !gated(iop)) return value;
    const bool masked = check_value2(iop) != 0;
    switch (Get_MMCR0_PMCC(iop)) {
    case 0:
        return masked ? (value & ~0x3FFull) : value;
    case 1:
        monitor_unavailable(iop);
        return stop_read(leave);
    case 2:
        return masked ? (value & 0x4020100804020000ull) : value;
    default:
        return masked ? (value & 0x4020100800000000ull) : value;
    }
}

uint64_t MF_UMMCRA(IOPDesc *iop, int32_t *leave)
{
    if (!In_Problem_State(iop) || !gated(iop)) return MF_MMCRA(iop, leave);
    if (!monitor_available(iop) || SPR_Assist_Read_Guard(iop)) return stop_read(leave);
    uint64_t value = iGET_MMCRA(iop);
    const bool masked = check_value2(iop) != 0;
    switch (Get_MMCR0_PMCC(iop)) {
    case 0:
        if (masked) value &= 0xFFFB7737ull;
        break;
    case 1:
        monitor_unavailable(iop);
        return stop_read(leave);
    default:
        if (masked) value &= 0x3FF80000ull;
        break;
    }
    return check_value(iop) ? (uint32_t)value : value;
}

uint64_t MF_USIER(IOPDesc *iop, int32_t *leave)
{
    if (SPR_Version_206_Gate(iop)) return stop_read(leave);
    uint64_t value = MF_SIER(iop, leave);
    if (*leave || iop->exceptions) return value;
    if (!In_Problem_State(iop) || !gated(iop)) return value;
    if (Get_MMCR0_PMCC(iop) == 1) {
        monitor_unavailable(iop);
        return stop_read(leave);
    }
    return check_value2(iop) ? (value & 0x7FFFFF) : value;
}

uint64_t MF_USIAR(IOPDesc *iop, int32_t *leave)
{
    if (!monitor_available(iop) || SPR_Assist_Read_Guard(iop)) return stop_read(leave);
    if (In_Problem_State(iop) && gated(iop) && Get_MMCR0_PMCC(iop) == 1) {
        monitor_unavailable(iop);
        return stop_read(leave);
    }
    return iGET_SIAR(iop);
}

uint64_t MF_USDAR(IOPDesc *iop, int32_t *leave)
{
    if (!monitor_available(iop) || SPR_Assist_Read_Guard(iop)) return stop_read(leave);
    if (In_Problem_State(iop) && gated(iop) && Get_MMCR0_PMCC(iop) == 1) {
        monitor_unavailable(iop);
        return stop_read(leave);
    }
    return iGET_SDAR(iop);
}

void MT_UMMCR0(IOPDesc *iop, uint64_t value)
{
    if (!monitor_available(iop)) return;
    if (In_Problem_State(iop)) {
        uint32_t pmcc = gated(iop) ? Get_MMCR0_PMCC(iop) : 0;
        if (!gated(iop) || pmcc == 0) {
            interrupt_IllegalInstruction(iop, "mtmmcr0 and MSR/PR=1");
            return;
        }
        if (pmcc == 1) {
            monitor_unavailable(iop);
            return;
        }
        value = (value & ~0x7BFFFF7Full) | (iop->thread->MMCR0.value & 0x7BFFFF7Full);
    }
    if (!gated(iop)) return;
    write_mmcr0(iop, value);
}

void MT_UMMCR1(IOPDesc *iop, uint64_t)
{
    if (In_Problem_State(iop)) interrupt_IllegalInstruction(iop, "mtmmcr1 and MSR/PR=1");
}

void MT_UMMCR2(IOPDesc *iop, uint64_t value)
{
    if (SPR_Version_206_Gate(iop) || !monitor_available(iop)) return;
    if (In_Problem_State(iop)) {
        uint32_t pmcc = gated(iop) ? Get_MMCR0_PMCC(iop) : 0;
        if (!gated(iop) || pmcc == 0) {
            interrupt_IllegalInstruction(iop, "mtmmcr2 and MSR/PR=1");
            return;
        }
        if (pmcc == 1) {
            monitor_unavailable(iop);
            return;
        }
        uint64_t taken = pmcc == 2 ? 0x4020100804020000ull : 0x4020100800000000ull;
        value = (value & taken) | (iop->thread->MMCR2.value & ~taken);
    }
    if (!gated(iop)) return;
    write_mmcr2(iop, value);
}

void MT_UMMCRA(IOPDesc *iop, uint64_t value)
{
    if (!monitor_available(iop)) return;
    if (In_Problem_State(iop)) {
        uint32_t pmcc = gated(iop) ? Get_MMCR0_PMCC(iop) : 0;
        if (gated(iop) && pmcc == 1)
            monitor_unavailable(iop);
        else if (!gated(iop) || pmcc == 0)
            interrupt_IllegalInstruction(iop, "mtmmcra and MSR/PR=1");
        return;
    }
    if (!gated(iop)) return;
    write_mmcra(iop, value);
}

void MT_USIER(IOPDesc *iop, uint64_t)
{
    if (SPR_Version_206_Gate(iop)) return;
    if (In_Problem_State(iop)) interrupt_IllegalInstruction(iop, "mtsier and MSR/PR=1");
}

void MT_USIAR(IOPDesc *iop, uint64_t)
{
    if (In_Problem_State(iop)) interrupt_IllegalInstruction(iop, "mtsiar and MSR/PR=1");
}

void MT_USDAR(IOPDesc *iop, uint64_t)
{
    if (In_Problem_State(iop)) interrupt_IllegalInstruction(iop, "mtsdar and MSR/PR=1");
}

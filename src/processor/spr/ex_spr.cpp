// Extended-SPR table and external register ids.
#include "processor/spr/ex_spr.h"

#include <cstdio>
#include <strings.h>

#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "processor/regs/reg_accessors.h"
#include "processor/regs/register_file.h"
#include "processor/translation/tlb.h"
#include "runtime/alloc.h"
#include "runtime/message.h"

namespace
{

// Tool accessors of a register as unique-row accessors: guesses and forces of the accessor family
// with the extended-SPR access kind.
template <typename V, V (*Guess)(ThreadState *, uint32_t)> uint64_t tool_guess(ThreadState *thread)
{
    return Guess(thread, REG_ACCESS_INSTRUCTION);
}
template <typename V, V (*Force)(ThreadState *, V, uint32_t)>
void tool_force(ThreadState *thread, uint64_t value, int32_t forced)
{
    Force(thread, (V)value, (uint32_t)forced);
}

#define EX_TOOL_GUESS(member) tool_guess<QUARN_EX_VALUE(member), tGUESS_##member>
#define EX_TOOL_FORCE(member) tool_force<QUARN_EX_VALUE(member), tFORCE_##member>
#define QUARN_EX_VALUE(member) decltype(tGUESS_##member(nullptr, 0))

// The change shadows and the invalid map, which have no tool accessors of their own.
uint64_t guess_FPSCR_CHANGE(ThreadState *thread)
{
    return thread->FPSCR_CHANGE.value;
}
void force_FPSCR_CHANGE(ThreadState *thread, uint64_t value, int32_t)
{
    thread->FPSCR_CHANGE.value = value & Register_Entry_Mask(thread->FPSCR_CHANGE.rfe);
}
uint64_t guess_FPR_INVALID_MAP(ThreadState *thread)
{
    return thread->FPR_INVALID_MAP.value;
}
void force_FPR_INVALID_MAP(ThreadState *thread, uint64_t value, int32_t)
{
    thread->FPR_INVALID_MAP.value = value;
}
uint64_t guess_VSCR_CHANGE(ThreadState *thread)
{
    return thread->VSCR_CHANGE.value;
}
void force_VSCR_CHANGE(ThreadState *thread, uint64_t value, int32_t)
{
    thread->VSCR_CHANGE.value = (uint32_t)(value & Register_Entry_Mask(thread->VSCR_CHANGE.rfe));
}

// The TLB entry of a row, or null when the core has no TLB or no such entry.
TLB_ENTRY_t *tlb_entry(ThreadState *thread, int32_t index)
{
    TLB *tlb = thread->processor ? thread->processor->tlb : nullptr;
    if (!tlb || !tlb->entries || index < 0 || index >= tlb->num_entries) return nullptr;
    return &tlb->entries[index];
}

uint64_t bit(uint64_t value, int n)
{
    return (value >> n) & 1;
}

constexpr uint64_t TLBEV_KEPT = 0xC00000000000007Full;  // upper-word bits 0-6 and 62-63
constexpr uint64_t TLBEV_VALUE = 0x00FFFFFFFFFFFFFFull; // the 56 bits a TLBEV value carries

ex_spr_reg *row_of(ProcessorState *core, int32_t row)
{
    if (!core || !core->ex_spr_table || row < 0 || row >= core->ex_spr_count) return nullptr;
    return &core->ex_spr_table[row];
}

void register_row(ProcessorState *core, const char *name, int32_t instance, int32_t size, ExSprGuess guess,
                  ExSprForce force)
{
    if (core->ex_spr_count >= core->ex_spr_capacity) {
        int32_t capacity = core->ex_spr_capacity * 2 + 32;
        core->ex_spr_table = QUARN_REALLOC(core->ex_spr_table, capacity, ex_spr_reg);
        core->ex_spr_capacity = capacity;
    }
    ex_spr_reg *row = &core->ex_spr_table[core->ex_spr_count++];
    row->valid = 1;
    if (instance != -1) {
        char indexed[32];
        snprintf(indexed, sizeof indexed, "%s%d", name, instance);
        row->name = REMEMBER_STRING(indexed);
    } else {
        row->name = REMEMBER_STRING(name);
    }
    row->instance = instance;
    row->size = size;
    row->guess = guess;
    row->force = force;
}

// SCOMD selections by d = index field - 8.
const char *const scomd_scratch[8] = {"SCRATCH0", "SCRATCH1", "SCRATCH2", "SCRATCH3",
                                      "SCRATCH4", "SCRATCH5", "SCRATCH6", "SCRATCH7"};
const char *const scomd_spattn[8] = {"SPATTN0", "SPATTN1", "SPATTN2", "SPATTN3",
                                     "SPATTN4", "SPATTN5", "SPATTN6", "SPATTN7"};
const char *const scomd_sdi[8] = {"SDI0", "SDI1", "SDI2", "SDI3", "SDI4", "SDI5", "SDI6", "SDI7"};

constexpr uint64_t HID0_SPLIT_IN_TWO = 1ull << 57;
constexpr uint64_t HID0_SPLIT_IN_FOUR = 1ull << 61;
constexpr uint64_t MMCRC_BHRB_ONE_THREAD = 0x20000; // bit 17

} // namespace

void Register_ex_SPR64_unique(ProcessorState *core, const char *name, ExSprGuessFn guess, ExSprForceFn force)
{
    register_row(core, name, -1, 8, guess, force);
}

void Register_ex_SPR64(ProcessorState *core, const char *name, int32_t instance, ExSprGuess guess,
                       ExSprForce force)
{
    register_row(core, name, instance, 8, guess, force);
}

void Register_ex_SPR32(ProcessorState *core, const char *name, int32_t instance, ExSprGuess guess,
                       ExSprForce force)
{
    register_row(core, name, instance, 4, guess, force);
}

void INIT_ex_spr_table(ProcessorState *core)
{
    core->ex_spr_count = 0;
    Register_ex_SPR64_unique(core, "PC", EX_TOOL_GUESS(PC), EX_TOOL_FORCE(PC));
    Register_ex_SPR64_unique(core, "MSR", EX_TOOL_GUESS(MSR), EX_TOOL_FORCE(MSR));
    Register_ex_SPR32(core, "CR", -1, EX_TOOL_GUESS(CR), EX_TOOL_FORCE(CR));
    Register_ex_SPR64_unique(core, "FPSCR", EX_TOOL_GUESS(FPSCR), EX_TOOL_FORCE(FPSCR));
    Register_ex_SPR32(core, "VSCR", -1, EX_TOOL_GUESS(VSCR), EX_TOOL_FORCE(VSCR));
#define EX_UNIQUE(member)                                                                                    \
    Register_ex_SPR64_unique(core, #member, EX_TOOL_GUESS(member), EX_TOOL_FORCE(member));
    EX_UNIQUE(IMA0)
    EX_UNIQUE(IMA1)
    EX_UNIQUE(IMA2)
    EX_UNIQUE(IMA3)
    EX_UNIQUE(IMA4)
    EX_UNIQUE(IMA8)
    EX_UNIQUE(IMA9)
    EX_UNIQUE(IMA10)
    EX_UNIQUE(IMA11)
    EX_UNIQUE(IMA12)
    EX_UNIQUE(SIM_CTRL)
    EX_UNIQUE(XER_CHANGE)
    Register_ex_SPR64_unique(core, "FPSCR_CHANGE", guess_FPSCR_CHANGE, force_FPSCR_CHANGE);
    Register_ex_SPR64_unique(core, "FPR_INVALID_MAP", guess_FPR_INVALID_MAP, force_FPR_INVALID_MAP);
    Register_ex_SPR32(core, "VSCR_CHANGE", -1, guess_VSCR_CHANGE, force_VSCR_CHANGE);
    EX_UNIQUE(SPR_MODEREG)
    EX_UNIQUE(SCRATCH0)
    EX_UNIQUE(SCRATCH1)
    EX_UNIQUE(SCRATCH2)
    EX_UNIQUE(SCRATCH3)
    EX_UNIQUE(SCRATCH4)
    EX_UNIQUE(SCRATCH5)
    EX_UNIQUE(SCRATCH6)
    EX_UNIQUE(SCRATCH7)
    EX_UNIQUE(SPATTN0)
    EX_UNIQUE(SPATTN1)
    EX_UNIQUE(SPATTN2)
    EX_UNIQUE(SPATTN3)
    EX_UNIQUE(SPATTN4)
    EX_UNIQUE(SPATTN5)
    EX_UNIQUE(SPATTN6)
    EX_UNIQUE(SPATTN7)
    EX_UNIQUE(SDI0)
    EX_UNIQUE(SDI1)
    EX_UNIQUE(SDI2)
    EX_UNIQUE(SDI3)
    EX_UNIQUE(SDI4)
    EX_UNIQUE(SDI5)
    EX_UNIQUE(SDI6)
    EX_UNIQUE(SDI7)
    EX_UNIQUE(PURR)
    EX_UNIQUE(SPURR)
#undef EX_UNIQUE
    for (int32_t n = 0; n < EX_SPR_TLB_ENTRIES; n++) {
        Register_ex_SPR64(core, "TLBER", n, xGUESS_TLBER, xFORCE_TLBER);
        Register_ex_SPR64(core, "TLBEV", n, xGUESS_TLBEV, xFORCE_TLBEV);
    }
    for (int32_t n = 0; n < NUM_BHRB_ENTRIES; n++)
        Register_ex_SPR64(core, "BHRBE", n, xGUESS_BHRBE, xFORCE_BHRBE);
}

void QUIT_ex_spr_table(ProcessorState *core)
{
    for (int32_t i = 0; i < core->ex_spr_count; i++)
        if (core->ex_spr_table[i].name) FORGET_STRING(core->ex_spr_table[i].name);
    if (core->ex_spr_table) QUARN_FREE(core->ex_spr_table);
    core->ex_spr_table = nullptr;
    core->ex_spr_capacity = 0;
    core->ex_spr_count = 0;
}

const char *Find_ex_SPR_Name(ProcessorState *core, int32_t row)
{
    ex_spr_reg *r = row_of(core, row);
    return r ? r->name : nullptr;
}

int32_t Valid_ex_SPR(ProcessorState *core, int32_t row)
{
    ex_spr_reg *r = row_of(core, row);
    return r ? r->valid : 0;
}

int32_t ex_SPR_size(ProcessorState *core, int32_t row)
{
    ex_spr_reg *r = row_of(core, row);
    return r ? r->size : 0;
}

int32_t Convert_ex_SPR_Name_To_Enum(ProcessorState *core, const char *name)
{
    if (!core || !name) return EX_SPR_NONE;
    for (int32_t i = 0; i < core->ex_spr_count; i++)
        if (core->ex_spr_table[i].name && !strcasecmp(core->ex_spr_table[i].name, name)) return i;
    return EX_SPR_NONE;
}

uint64_t GUESS_ex_spr(ThreadState *thread, int32_t row)
{
    ex_spr_reg *r = row_of(thread->processor, row);
    if (!r || !r->valid) return 0;
    uint64_t value;
    if (r->instance == -1) {
        if (!r->guess.unique) return 0;
        value = r->guess.unique(thread);
    } else {
        if (!r->guess.indexed) return 0;
        value = r->guess.indexed(thread, r->instance);
    }
    return r->size == 4 ? (uint32_t)value : value;
}

void FORCE_ex_spr(ThreadState *thread, int32_t row, uint64_t value)
{
    ex_spr_reg *r = row_of(thread->processor, row);
    if (!r || !r->valid) return;
    if (r->instance == -1) {
        if (r->force.unique) r->force.unique(thread, value, 1);
    } else {
        if (r->force.indexed) r->force.indexed(thread, r->instance, value, 1);
    }
}

const char *ex_spr_value(ThreadState *thread, int32_t row)
{
    static thread_local char text[20];
    ex_spr_reg *r = row_of(thread->processor, row);
    if (!r || !r->valid) return nullptr;
    uint64_t value = GUESS_ex_spr(thread, row);
    if (r->size == 4)
        snprintf(text, sizeof text, "0x%08X", (uint32_t)value);
    else
        snprintf(text, sizeof text, "0x%016lX", (unsigned long)value);
    return text;
}

Reg_Trigger_Desc **get_ex_spr_register_trig(ThreadState *thread, int32_t row)
{
    const char *name = Find_ex_SPR_Name(thread->processor, row);
    if (!name) return nullptr;
    if (!strcasecmp(name, "MSR")) return &thread->MSR.trigger;
    if (!strcasecmp(name, "CR")) return &thread->CR.trigger;
    if (!strcasecmp(name, "FPSCR")) return &thread->FPSCR.trigger;
    return nullptr;
}

// ---- TLB entries ----

uint64_t xGUESS_TLBEV(ThreadState *thread, int32_t index)
{
    TLB_ENTRY_t *entry = tlb_entry(thread, index);
    return entry ? (entry->pte_upper << 1) >> 8 : 0;
}

void xFORCE_TLBEV(ThreadState *thread, int32_t index, uint64_t value, int32_t)
{
    TLB_ENTRY_t *entry = tlb_entry(thread, index);
    if (!entry) return;
    // The kept bits win over the value: its bit 55 would land on the kept bit 62.
    entry->pte_upper = (entry->pte_upper & TLBEV_KEPT) | (((value & TLBEV_VALUE) << 7) & ~TLBEV_KEPT);
}

void xFORCE_TLBER(ThreadState *thread, int32_t index, uint64_t v, int32_t)
{
    TLB_ENTRY_t *entry = tlb_entry(thread, index);
    if (!entry) return;
    entry->seg_size = bit(v, 46) ? 40 : 28;
    uint64_t upper = entry->pte_upper & ~((1ull << 63) | (1ull << 2));
    entry->pte_upper = upper | bit(v, 46) << 63 | bit(v, 48) << 2;
    uint64_t lower = 0;
    lower |= bit(v, 58) << 63;
    lower |= bit(v, 55) << 62;
    lower |= ((v >> 8) & 0xFFFFFFF) << 20; // v bits 8-35
    lower |= (v & 0xFF) << 12;             // v bits 0-7
    lower |= ((v >> 59) & 7) << 9;         // v bits 59-61
    lower |= bit(v, 54) << 7;
    lower |= bit(v, 50) << 3 | bit(v, 51) << 4 | bit(v, 52) << 5;
    lower |= bit(v, 49) << 2;
    lower |= (v >> 56) & 3; // v bits 56-57
    entry->pte_lower = lower;
}

// ---- branch-history entries ----

uint64_t xGUESS_BHRBE(ThreadState *thread, int32_t index)
{
    if (index < 0 || index >= NUM_BHRB_ENTRIES) return 0;
    return thread->BHRBE[index].value;
}

void xFORCE_BHRBE(ThreadState *thread, int32_t index, uint64_t value, int32_t)
{
    if (index < 0 || index >= NUM_BHRB_ENTRIES) return;
    Reg64 *slot = &thread->BHRBE[index];
    slot->value = value;
    if (slot->rfe) slot->rfe->defined = value != 0 ? 1 : 0;
}

int32_t Get_BHRB_Range(ThreadState *thread, int32_t *remainder)
{
    ProcessorState *core = thread->processor;
    uint64_t mmcrc = core->MMCRC.value;
    if (mmcrc & MMCRC_BHRB_ONE_THREAD) {
        if (remainder) *remainder = 0;
        return (int64_t)((mmcrc >> 18) & 7) == thread->thread_id_in_core ? NUM_BHRB_ENTRIES : 0;
    }
    int32_t threads = core->num_threads > 0 ? (int32_t)core->num_threads : 1;
    if (remainder) *remainder = NUM_BHRB_ENTRIES % threads;
    return NUM_BHRB_ENTRIES / threads;
}

void Mark_Entire_BHRBE_Array_Undefined(ThreadState *thread)
{
    int32_t count = Get_BHRB_Range(thread, nullptr);
    for (int32_t n = 0; n < count && n < NUM_BHRB_ENTRIES; n++) {
        thread->BHRBE[n].value = 0;
        if (thread->BHRBE[n].rfe) thread->BHRBE[n].rfe->defined = 0;
    }
}

void SET_BHRBE_UNDEFINED_BITS(ThreadState *, int32_t, uint64_t) {}

// ---- SCOMD ----

const char *SCOMD_Register_Name(ThreadState *thread, uint64_t scomc)
{
    int32_t c = (int32_t)((scomc >> 3) & 0x7F);
    int32_t d = c - 8;
    ProcessorState *core = thread->processor;
    if (core && core->options[PO_GLENT_EN_4_LPAR_SYSTEM] &&
        (core->HID0.value & (HID0_SPLIT_IN_TWO | HID0_SPLIT_IN_FOUR)) &&
        ((c >= 32 && c <= 47) || (d >= 0 && d <= 7))) {
        int32_t t = core->partition_count == 1 ? thread->thread_id_in_core : thread->thread_id_in_partition;
        d = (t | (c & ~7)) - 8;
    }
    if (d >= 0 && d <= 7) return scomd_scratch[d];
    if (d >= 8 && d <= 15) return "PURR";
    if (d >= 16 && d <= 23) return "SPURR";
    if (d >= 24 && d <= 31) return scomd_spattn[d - 24];
    if (d >= 32 && d <= 39) return scomd_sdi[d - 32];
    if (d == 48) return "SPR_MODEREG";
    if (d == 49) return "AVP_OUTPUT";
    if (d == 50) return "CHECKSTOP";
    return nullptr;
}

uint64_t GUESS_SCOMD_Register(ThreadState *thread)
{
    uint64_t scomc = thread->SCOMC.value;
    const char *name = SCOMD_Register_Name(thread, scomc);
    if (!name) {
        sim_warning(2, "Illegal SCOMD index: 0x%016lX", (unsigned long)scomc);
        return 0;
    }
    int32_t row = Convert_ex_SPR_Name_To_Enum(thread->processor, name);
    if (row == EX_SPR_NONE) {
        sim_warning(2, "unknown SCOM name=%s, index=0x%016lX", name, (unsigned long)scomc);
        return 0;
    }
    return GUESS_ex_spr(thread, row);
}

void FORCE_SCOMD_Register(ThreadState *thread, uint64_t value)
{
    uint64_t scomc = thread->SCOMC.value;
    const char *name = SCOMD_Register_Name(thread, scomc);
    if (!name) {
        sim_warning(2, "Illegal SCOMD index: 0x%016lX", (unsigned long)scomc);
        return;
    }
    int32_t row = Convert_ex_SPR_Name_To_Enum(thread->processor, name);
    if (row != EX_SPR_NONE) FORCE_ex_spr(thread, row, value);
}

// ---- external register ids ----

// clang-format off
const char *const EXSR_Names[EXSR_COUNT] = {
    "PVR", "TB", "TBL", "TBU", "HID0", "HID1", "HID4", "HID5", "HMEER", "MMCRH", "RWMR", "PMCR", "IMC",
    "IMA0", "IMA1", "IMA2", "IMA3", "IMA4", "IMA8", "IMA9", "IMA10", "IMA11", "IMA12", "SPR_MODEREG",
    "SDR1", "HDEC", "RMOR", "HRMOR", "PCR", "TTR", "LPIDR", "HPMC1", "HPMC2", "HPMC3", "HPMC4", "TRACE",
    "AMOR", "CIR", "DPDES", "DHDES", "RPR", "WORC", "VTB", "TCSCR", "TACR", "LDBAR", "PMMAR", "PMICR",
    "PMSR", "TSCR", "CSIGR", "MPPR", "MMCRC", "AUTOINCREMENT", "CHECKSTOP", "AVP_OUTPUT", "SCRATCH0",
    "SCRATCH1", "SCRATCH2", "SCRATCH3", "SCRATCH4", "SCRATCH5", "SCRATCH6", "SCRATCH7", "SPATTN0",
    "SPATTN1", "SPATTN2", "SPATTN3", "SPATTN4", "SPATTN5", "SPATTN6", "SPATTN7", "SDI0", "SDI1", "SDI2",
    "SDI3", "SDI4", "SDI5", "SDI6", "SDI7", "L2HADSR", "L3HARPR", "L3HAWPR", "L2MVSR0", "L2MVSR1", "L2QOSR",
    "LR", "CTR", "XER", "XER_CHANGE", "PIR", "PID", "SRR0", "SRR1", "SPRG0", "SPRG1", "SPRG2", "SPRG3",
    "VRSAVE", "HDSISR", "HDAR", "DSISR", "DAR", "HSRR0", "HSRR1", "HSPRG0", "HSPRG1", "LPCR", "HEIR",
    "DAWR0", "DAWRX0", "CIABR", "AMR", "IAMR", "UAMOR", "DEC", "SIAR", "SDAR", "MMCR0", "MMCR1", "PMC1",
    "PMC2", "PMC3", "PMC4", "MMCRA", "PMC5", "PMC6", "SIER", "MMCR2", "BESCR", "EBBHR", "EBBRR", "PURR",
    "SPURR", "SCOMC", "SCOMD", "TFMR", "DSCR", "HMER", "CFAR", "TRIG0", "TRIG1", "TRIG2", "PPR", "TIR",
    "PPR", "ACOP", "HACOP", "SIM_CTRL", "SIM_CTRL1", "IRPT_CTL", "IRPT_CTL_MSR", "IRPT_CTL_MSR_MASK",
    "TFHAR", "TEXASR", "TFIAR", "TDOOMED", "APSCR", "TAR", "FSCR", "HFSCR", "EPID", "ELPIDR", "PSPB",
    "WORT", "ICR", "MMCRS", "SPMC1", "SPMC2", "TIDR", "MSR", "CR", "FPSCR", "FPSCR_CHANGE", "VSCR",
    "VSCR_CHANGE", "FPR_INVALID_MAP", "CTRL", "PC", "core_id", "processor_type", "x_cpuState",
    "num_threads", "tfmr_per_processor", "smt_mode", "hypervisor_read_restricted", "thread_id_in_core",
    "wake_me_up_if_my_priority_changes", "x_threadState", "manual_disable", "Instruction_Number",
    "inst_xlate_version", "x_smt_enable", "x_smt_priority", "x_smt_internal_priority", "x_smt_run_latch",
    "pending_decrementer_exception", "tfmr_per_thread", "pending_HDEC", "wake_send_pending",
};
// clang-format on

extern "C" int32_t LIBSIM__EXSR_Number(const char *name)
{
    if (!name) return -1;
    for (int32_t id = 0; id < EXSR_COUNT; id++)
        if (!strcasecmp(EXSR_Names[id], name)) return id;
    return -1;
}

// mfspr and mtspr over the SPR table: decoding, move events, level checks, the undefined-SPR
// rules of the processor options, the cycle-level core's entry points, tool access, and the
// guards the SPR routines share.
#include "processor/spr/spr_moves.h"

#include <cstring>

#include "decode/instr_info.h"
#include "decode/semantics.h"
#include "processor/hooks/htm.h"
#include "processor/hooks/reg_reader_queue.h"
#include "processor/hooks/semantics_hooks.h"
#include "processor/hooks/spr_interrupt_standins.h"
#include "processor/records/generic_machine.h"
#include "processor/records/instruction_record.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "processor/regs/handwritten_accessors.h"
#include "processor/regs/reg_accessors.h"
#include "processor/regs/reg_triggers.h"
#include "processor/regs/register_file.h"
#include "processor/run/smt.h"
#include "processor/spr/scom_blocks.h"
#include "processor/spr/spr_services.h"
#include "runtime/common.h"
#include "runtime/debug.h"
#include "runtime/message.h"

namespace
{

constexpr int32_t HTM_FAILURE_SPR_WRITE = 0x1800000;
constexpr int HTM_DEBUG_CATEGORY_FIRST = 222;
constexpr int HTM_DEBUG_CATEGORY_PRINT = 224;
constexpr uint64_t HA_STAT_NEW_FLUSH_WHILE_PENDING = 0x0800000000000000ull;

// Registers whose mtspr fails a transaction before any routine runs (aliases included).
constexpr bool in_transactional_check_set(int32_t id)
{
    switch (id) {
    case SPR_ID_ACOP: case SPR_ID_AMOR: case SPR_ID_CFAR: case SPR_ID_CTRL: case SPR_ID_DAWR0:
    case SPR_ID_DAWRX0: case SPR_ID_CIABR: case SPR_ID_DAR: case SPR_ID_DEC: case SPR_ID_DSISR:
    case SPR_ID_HACOP: case SPR_ID_HDAR: case SPR_ID_HDEC: case SPR_ID_HDSISR: case SPR_ID_HEIR:
    case SPR_ID_HID0: case SPR_ID_HID1: case SPR_ID_HID4: case SPR_ID_HID5: case SPR_ID_HMEER:
    case SPR_ID_HMER: case SPR_ID_HPMC1: case SPR_ID_HPMC2: case SPR_ID_HPMC3: case SPR_ID_HPMC4:
    case SPR_ID_HRMOR: case SPR_ID_HSPRG0: case SPR_ID_HSPRG1: case SPR_ID_HSRR0: case SPR_ID_HSRR1:
    case SPR_ID_IMC: case SPR_ID_LPCR: case SPR_ID_LPIDR: case SPR_ID_MMCRC: case SPR_ID_MMCRH:
    case SPR_ID_PCR: case SPR_ID_PID: case SPR_ID_PMCR: case SPR_ID_PURR: case SPR_ID_RMOR:
    case SPR_ID_RWMR: case SPR_ID_SCOMC: case SPR_ID_SCOMD: case SPR_ID_SDR1: case SPR_ID_SPRG0:
    case SPR_ID_SPRG1: case SPR_ID_SPRG2: case SPR_ID_SPRG3: case SPR_ID_SPURR: case SPR_ID_SRR0:
    case SPR_ID_SRR1: case SPR_ID_TB: case SPR_ID_TB40: case SPR_ID_TBL: case SPR_ID_TBU:
    case SPR_ID_TFMR: case SPR_ID_TRACE: case SPR_ID_TRIG0: case SPR_ID_TRIG1: case SPR_ID_TRIG2:
    case SPR_ID_TSCR: case SPR_ID_TTR: case SPR_ID_UAMOR: case SPR_ID_TIR: case SPR_ID_APSCR:
    case SPR_ID_CIR: case SPR_ID_FSCR: case SPR_ID_HFSCR: case SPR_ID_IAMR: case SPR_ID_DPDES:
    case SPR_ID_DHDES: case SPR_ID_PSPB: case SPR_ID_RPR: case SPR_ID_ICR: case SPR_ID_VTB:
    case SPR_ID_SPMC1: case SPR_ID_SPMC2: case SPR_ID_LDBAR: case SPR_ID_PMMAR: case SPR_ID_PMICR:
    case SPR_ID_TIDR:
        return true;
    default:
        return false;
    }
}

// The HFSCR and FSCR bits of the facilities 0-9 (an FSCR entry of 0: no FSCR test).
constexpr uint64_t spr_fscr_bits[10] = {0, 0, 0x4, 0, 0, 0, 0x40, 0x80, 0x100, 0x200};

bool core_option(const ProcessorState *core, uint32_t option)
{
    return core && core->options[option] != 0;
}

bool strict_machine(ThreadState *thread)
{
    return thread->machine && thread->machine->machine_options[MO_STRICT] != 0;
}

bool htm_debug_on()
{
    for (int category = HTM_DEBUG_CATEGORY_FIRST; category <= HTM_DEBUG_CATEGORY_PRINT; category++)
        if (get_debug_flag(category) > 0) return true;
    return false;
}

const char *htm_debug_tag()
{
    const char *name = debug_name[HTM_DEBUG_CATEGORY_PRINT].name;
    return name ? name : "HTM";
}

// Fails the thread's transaction for a write of a register that transactions do not checkpoint.
void fail_transaction(IOPDesc *iop, uint64_t msr, const char *format, const char *name)
{
    ThreadState *thread = iop->thread;
    if (htm_debug_on())
        sim_do_debug(htm_debug_tag(), nullptr, thread, format, thread->name ? thread->name : "",
                     htm_transaction_id(thread), name ? name : "");
    htm_record_failure(thread, HTM_FAILURE_SPR_WRITE, iGET_NEXT_PC(iop), 1, 0, msr);
}

bool is_transactional(uint64_t msr)
{
    return (msr & MSR_TS_MASK) == MSR_TS_TRANSACTIONAL;
}

bool has_alternative_read(const spr_table_entry *row)
{
    return row->rdte && row->rdte->alternative_read_spr;
}
bool has_alternative_write(const spr_table_entry *row)
{
    return row->rdte && row->rdte->alternative_write_spr;
}
bool is_64bit(const spr_table_entry *row)
{
    return row->rdte && row->rdte->size == 8;
}

// The unknown-SPR report: once per number and processor.
void report_unknown(IOPDesc *iop, spr_table_entry *row, int32_t spr, const char *format)
{
    if (!row || row->valid || row->unknown_reported) return;
    sim_warning(2, format, spr);
    if (sim_warning_level > 0) PrintInstruction(iop);
    row->unknown_reported = 1;
}

enum class Outcome { Raised, Zero, NoChange, AllOnes, GoOn };

// The undefined-SPR rules of mfspr; false when an interrupt was raised.
bool undefined_mfspr(IOPDesc *iop, spr_table_entry *row, int32_t spr, uint64_t *value, int32_t *leave)
{
    ThreadState *thread = iop->thread;
    ProcessorState *core = thread->processor;
    report_unknown(iop, row, spr, "Unknown SPR requested in mfspr: %d");
    const bool problem = In_Problem_State(iop) != 0;
    const bool strict = strict_machine(thread);
    const bool bit10 = (spr & 0x10) != 0;

    auto decide = [&]() -> Outcome {
        if (core_option(core, PO_UNKNOWN_SPR_IGNORE)) return Outcome::Zero;
        if (core_option(core, PO_UNKNOWN_SPR_ERROR)) {
            if (!strict) return Outcome::Zero;
            interrupt_IllegalInstruction(iop, "mfspr unknown spr");
            return Outcome::Raised;
        }
        if (core_option(core, PO_INVALID_SPR_0_4_5_6) && (spr == 0 || spr == 4 || spr == 5 || spr == 6)) {
            if (!strict) return Outcome::NoChange;
            interrupt_IllegalInstruction(iop, "mfspr 0,4,5, or 6");
            return Outcome::Raised;
        }
        if (core_option(core, PO_VALID_SPR_284_285) && (spr == 284 || spr == 285)) {
            if (!problem) return Outcome::NoChange;
            interrupt_PrivilegedInstruction(iop);
            return Outcome::Raised;
        }
        if (core_option(core, PO_INVALID_SPR_1010) && spr == 1010) {
            if (!strict) return Outcome::NoChange;
            interrupt_IllegalInstruction(iop, "mfspr 1010");
            return Outcome::Raised;
        }
        if (core_option(core, PO_VALID_SPR_808_811) && spr >= 808 && spr <= 811 && !Reserved_SPR_Is_Active(iop))
            return Outcome::NoChange;
        if (core_option(core, PO_VALID_SPR_912_927) && spr >= 912 && spr <= 927) {
            if (!problem) return Outcome::AllOnes;
            interrupt_PrivilegedInstruction(iop);
            return Outcome::Raised;
        }
        if (core_option(core, PO_TOP_HALF_SPRS_PRIVILEGED)) {
            if (!problem) return Outcome::NoChange;
            if (spr > 511)
                interrupt_PrivilegedInstruction(iop);
            else
                interrupt_IllegalInstruction(iop, "mfspr < 512 in user mode");
            return Outcome::Raised;
        }
        if (core_option(core, PO_UNKNOWN_SPR_BIT10)) {
            if (!problem) return Outcome::NoChange;
            if (bit10)
                interrupt_PrivilegedInstruction(iop);
            else
                interrupt_IllegalInstruction(iop, "mfspr bit 5=0 and user mode");
            return Outcome::Raised;
        }
        if (core_option(core, PO_USER_WRITE_TO_READ_ONLY_SPR_IS_INVALID) && row && row->valid && row->write) {
            if (!problem) return Outcome::Zero;
            if (row->write_level <= SPR_LEVEL_PRIVILEGED)
                interrupt_PrivilegedInstruction(iop);
            else
                interrupt_IllegalInstruction(iop, "mfspr write-only");
            return Outcome::Raised;
        }
        if (core_option(core, PO_UNKNOWN_SPR_BASE_CASE_DEPENDS_ON_USER_MODE)) {
            if (bit10 && problem)
                interrupt_PrivilegedInstruction(iop);
            else
                interrupt_IllegalInstruction(iop, "mfspr of invalid spr");
            return Outcome::Raised;
        }
        return Outcome::NoChange;
    };

    switch (decide()) {
    case Outcome::Raised:
        return false;
    case Outcome::Zero:
        *value = 0;
        *leave = 0;
        return true;
    case Outcome::AllOnes:
        *value = ~0ull;
        *leave = 0;
        return true;
    default:
        *leave = 1;
        return true;
    }
}

// The undefined-SPR rules of mtspr; false when an interrupt was raised (an ignored write is true).
bool undefined_mtspr(IOPDesc *iop, spr_table_entry *row, int32_t spr)
{
    ThreadState *thread = iop->thread;
    ProcessorState *core = thread->processor;
    report_unknown(iop, row, spr, "Unknown SPR requested in mtspr: %d");
    const bool problem = In_Problem_State(iop) != 0;
    const bool strict = strict_machine(thread);
    const bool bit10 = (spr & 0x10) != 0;

    if (core_option(core, PO_UNKNOWN_SPR_IGNORE)) return true;
    if (core_option(core, PO_UNKNOWN_SPR_ERROR)) {
        if (!strict) return true;
        interrupt_IllegalInstruction(iop, "mtspr unknown spr");
        return false;
    }
    if (core_option(core, PO_USER_WRITE_TO_READ_ONLY_SPR_IS_INVALID) && row && row->valid && row->read) {
        if (!problem) return true;
        if (row->read_level <= SPR_LEVEL_PRIVILEGED)
            interrupt_PrivilegedInstruction(iop);
        else
            interrupt_IllegalInstruction(iop, "mtspr read-only");
        return false;
    }
    if (core_option(core, PO_INVALID_SPR_0_4_5_6) && (spr == 0 || spr == 4 || spr == 5 || spr == 6) && strict) {
        interrupt_IllegalInstruction(iop, "mtspr 0, 4, 5 or 6");
        return false;
    }
    if (core_option(core, PO_INVALID_SPR_1010) && spr == 1010 && strict) {
        interrupt_IllegalInstruction(iop, "mtspr 1010");
        return false;
    }
    if (core_option(core, PO_VALID_SPR_808_811) && spr >= 808 && spr <= 811 && !Reserved_SPR_Is_Active(iop))
        return true;
    if (core_option(core, PO_VALID_SPR_912_927) && spr >= 912 && spr <= 927) {
        if (!problem) return true;
        interrupt_PrivilegedInstruction(iop);
        return false;
    }
    if (core_option(core, PO_TOP_HALF_SPRS_PRIVILEGED) && problem) {
        if (spr > 511)
            interrupt_PrivilegedInstruction(iop);
        else
            interrupt_IllegalInstruction(iop, "mtspr < 512 in user mode");
        return false;
    }
    if (core_option(core, PO_UNKNOWN_SPR_BIT10) && bit10) {
        if (!problem) return true;
        interrupt_PrivilegedInstruction(iop);
        return false;
    }
    if (core_option(core, PO_UNKNOWN_SPR_BIT08)) {
        if (spr & 0x08) return true;
        interrupt_IllegalInstruction(iop, "mtspr bit 5=1, bit 4=0");
        return false;
    }
    if (core_option(core, PO_UNKNOWN_SPR_BASE_CASE_DEPENDS_ON_USER_MODE)) {
        if (bit10) {
            if (problem)
                interrupt_PrivilegedInstruction(iop);
            else
                interrupt_IllegalInstruction(iop, "mtspr of invalid spr in Supervisor mode with bit 0x10=1");
            return false;
        }
        if (!problem) return true;
        interrupt_IllegalInstruction(iop, "mtspr of invalid spr with bit 0x10=0");
        return false;
    }
    return true;
}

bool is_wake_register(const spr_table_entry *row)
{
    const char *name = SPR_Name(const_cast<spr_table_entry *>(row));
    return name && (strcmp(name, "PID") == 0 || strcmp(name, "TIDR") == 0 || strcmp(name, "LPIDR") == 0);
}

// The HA flushes a HID5 write starts on the writer's partition (see SET_spr).
void start_ha_flushes(IOPDesc *iop, uint64_t value)
{
    ThreadState *writer = iop->thread;
    ProcessorState *core = writer->processor;
    if (!core) return;
    const int32_t writer_slot = SPR_Partition_Slot(writer);
    const uint64_t hid0 = COOKED_GET_HID0(writer, REG_ACCESS_INSTRUCTION);
    const bool four_lpar = core_option(core, PO_GLENT_EN_4_LPAR_SYSTEM);
    const bool multi = four_lpar && (hid0 & HID0_MULTI_PARTITION);
    uint64_t *status = core->ex_scom_regs ? &core->ex_scom_regs->regs[EX_SCOM_HA_STAT] : nullptr;

    for (uint32_t i = 0; i < core->num_threads; i++) {
        ThreadState *thread = &core->threads[i];
        if (SPR_Partition_Slot(thread) != writer_slot) continue;
        if (!core_option(thread->processor, PO_GLENT_PMCC_GATED_ACCESSIBLITY)) continue;
        uint64_t start = 0x8000;
        if (multi) {
            static constexpr uint64_t slot_start[4] = {0x8000, 0x2000, 0x800, 0x200};
            start = slot_start[SPR_Partition_Slot(thread) & 3];
        }
        if (!(value & start)) continue;
        if (thread->ha_flush_pending && status) *status |= HA_STAT_NEW_FLUSH_WHILE_PENDING;
        uint64_t done = 0x8000000000000000ull >> writer_slot;
        if (!multi)
            done |= done >> 1 | done >> 2 | done >> 3;
        else if (hid0 & HID0_TWO_PARTITIONS)
            done |= done >> 1;
        if (status && (*status & done))
            sim_error("Starting new HA flush but HA_STAT_TPID_DONE bits are asserted already! 0x%016lX",
                      (unsigned long)*status);
        thread->ha_flush_pending = 1;
    }
}

} // namespace

// ---- machine state ----

uint64_t Fetch_MSR_Value(IOPDesc *iop)
{
    return iGET_MSR(iop);
}

uint64_t Fetch_HID0_Value(IOPDesc *iop)
{
    return iGET_HID0(iop);
}

int In_Problem_State(IOPDesc *iop)
{
    return (Fetch_MSR_Value(iop) & MSR_PR) ? 1 : 0;
}

int Is_Hypervisor_State(IOPDesc *iop)
{
    uint64_t msr = Fetch_MSR_Value(iop);
    return (msr & MSR_HV) && !(msr & MSR_PR) ? 1 : 0;
}

int Check_Hypervisor_State(IOPDesc *iop)
{
    if (Is_Hypervisor_State(iop)) return 1;
    interrupt_PrivilegedInstruction(iop);
    return 0;
}

int Check_Supervisor_State(IOPDesc *iop)
{
    if (!In_Problem_State(iop)) return 1;
    interrupt_PrivilegedInstruction(iop);
    return 0;
}

int Reserved_SPR_Is_Active(IOPDesc *iop)
{
    if (!In_Problem_State(iop)) return 0;
    return (iGET_PCR(iop) & 0x4) ? 1 : 0;
}

void Invoke_SPR_Read_Triggers(IOPDesc *iop, Reg_Trigger_Desc *record, uint64_t value)
{
    Maybe_Invoke_Reg_Read_Triggers(iop, record, value);
}

void Invoke_SPR_Write_Triggers(IOPDesc *iop, Reg_Trigger_Desc *record, uint64_t old_value, uint64_t new_value)
{
    Maybe_Invoke_Reg_Write_Triggers(iop, record, old_value, new_value);
}

int SPR_Option(IOPDesc *iop, uint32_t option)
{
    return core_option(iop->thread->processor, option) ? 1 : 0;
}

// ---- guards ----

int32_t SPR_Partition_Slot(ThreadState *thread)
{
    ProcessorState *core = thread->processor;
    if (!core_option(core, PO_GLENT_EN_4_LPAR_SYSTEM)) return 0;
    uint64_t hid0 = COOKED_GET_HID0(thread, REG_ACCESS_INSTRUCTION);
    if (hid0 & HID0_FOUR_PARTITIONS) return thread->partition_index;
    if (hid0 & HID0_TWO_PARTITIONS) return 2 * thread->partition_index;
    return 0;
}

int SPR_Assist_Read_Guard(IOPDesc *iop)
{
    ThreadState *thread = iop->thread;
    if (!We_are_Assist_Thread(thread)) return 0;
    Stop_One_Assist_Thread(thread, thread);
    return 1;
}

int SPR_Assist_Write_Guard(IOPDesc *iop, int short_form)
{
    ThreadState *thread = iop->thread;
    if (!short_form && Assist_Thread_is_Running(thread)) Stop_All_Assist_Threads(iop);
    return SPR_Assist_Read_Guard(iop);
}

int SPR_Version_206_Gate(IOPDesc *iop)
{
    if (!In_Problem_State(iop) || !In_Problem_State(iop)) return 0;
    if (!(iGET_PCR(iop) & 0x4)) return 0;
    interrupt_IllegalInstruction(iop, "2.0.6  is disabled");
    return 1;
}

const char *SPR_Instruction_Name(IOPDesc *iop)
{
    if (!iop) return "no iop";
    if (!iop->row || !iop->row->mnemonic) return "no instruction";
    return iop->row->mnemonic;
}

int Check_Facility_Available(IOPDesc *iop, uint32_t facility, const char *name)
{
    if (Is_Hypervisor_State(iop)) return 1;
    if (facility < 10 && !(iGET_HFSCR(iop) & (1ull << facility))) {
        interrupt_HyperFacilityUnavailable(iop, facility, name);
        return 0;
    }
    if (In_Problem_State(iop) && facility < 10 && spr_fscr_bits[facility] &&
        !(iGET_FSCR(iop) & spr_fscr_bits[facility])) {
        interrupt_FacilityUnavailable(iop, facility, name);
        return 0;
    }
    return 1;
}

int HTM_NON_CKPT_REG_MODIFIED(IOPDesc *iop, const char *name)
{
    uint64_t msr = Fetch_MSR_Value(iop);
    if (!is_transactional(msr)) return 0;
    fail_transaction(iop, msr, "Thread %s, HTMTID_%08X. non TM checkpointed SPR: '%s' modified in Transactional mode.",
                     name);
    return 1;
}

int SPR_HID0_Write_Gate(IOPDesc *iop)
{
    if (Is_Hypervisor_State(iop)) return 0;
    return (Fetch_HID0_Value(iop) & 0x0400000000000000ull) ? 1 : 0;
}

int ExecuteMoveToFromThreadIdMatch(IOPDesc *iop)
{
    uint64_t mmcrc = iGET_MMCRC(iop);
    if (!(mmcrc & 0x20000)) return 0;
    return ((mmcrc >> 18) & 7) == (uint64_t)iop->thread->thread_id_in_core ? 1 : 0;
}

void SPR_Write_Target(IOPDesc *iop, uint64_t value)
{
    if (iop->use_slots) {
        iop->result_gpr2.value[0] = value;
        RegReaderQ_release(&iop->result_gpr2, iop->cthread);
        return;
    }
    Reg64 *rt = &iop->thread->GPR[(iop->word >> 21) & 0x1F];
    Invoke_SPR_Write_Triggers(iop, rt->trigger, rt->value, value);
    rt->value = value;
}

// ---- the moves ----

uint64_t Fetch_New_SPR_Value(IOPDesc *iop)
{
    if (iop->use_slots) return iop->operand_slot4[0];
    Reg64 *rs = &iop->thread->GPR[(iop->word >> 21) & 0x1F];
    Invoke_SPR_Read_Triggers(iop, rs->trigger, rs->value);
    return rs->value;
}

uint64_t GET_spr(IOPDesc *iop, int32_t spr, int32_t *leave_target)
{
    spr_table_entry *row = Index_SPR_Table(iop->thread->processor, spr);
    if (!row || !row->valid) return 0;
    if (iop->use_slots) return iop->operand_slot1[0];
    if (has_alternative_read(row))
        return row->rdte->alternative_read_spr(row->rdte->alternative_read_data, iop->thread, spr,
                                               REG_ACCESS_INSTRUCTION);
    if (row->read) {
        uint64_t value = row->read(iop, leave_target);
        return is_64bit(row) ? value : (uint32_t)value;
    }
    const char *name = SPR_Name(row) ? SPR_Name(row) : "";
    if (row->write)
        sim_warning(2, "Reading from a write only SPR: name=%s, number=%d", name, spr);
    else
        sim_warning(2, "Reading from an unsupported SPR: name=%s, number=%d", name, spr);
    return 0;
}

void SET_spr(IOPDesc *iop, int32_t spr, uint64_t value)
{
    spr_table_entry *row = Index_SPR_Table(iop->thread->processor, spr);
    if (!row) return;
    if (row->register_id == SPR_ID_HID5) start_ha_flushes(iop, value);
    if (iop->use_slots) {
        iop->result_gpr2.value[0] = value;
        if (iop->result_gpr2.pending > 0) iop->result_gpr2.pending--;
        return;
    }
    if (iop->defer_side_effects && !row->valid) return;
    if (in_transactional_check_set(row->register_id)) {
        uint64_t msr = Fetch_MSR_Value(iop);
        if (is_transactional(msr)) {
            fail_transaction(iop, msr, "Thread %s, HTMTID_%08X. Unsupported mtspr register: '%s' in Transactional mode.",
                             SPR_Name(row));
            return;
        }
    }
    if (has_alternative_write(row)) {
        row->rdte->alternative_write_spr(row->rdte->alternative_write_data, iop->thread, spr, value,
                                         REG_ACCESS_INSTRUCTION);
    } else if (row->write) {
        row->write(iop, is_64bit(row) ? value : (uint32_t)value);
    } else {
        const char *name = SPR_Name(row) ? SPR_Name(row) : "";
        if (row->read)
            sim_warning(2, "Writing to a read only SPR: name=%s, number=%d", name, spr);
        else
            sim_warning(2, "Writing to an unsupported SPR: name=%s, number=%d", name, spr);
    }
}

int core_mfspr(IOPDesc *iop)
{
    ThreadState *thread = iop->thread;
    const int32_t spr = SPR_Number_Of_Word(iop->word);
    spr_table_entry *row = Index_SPR_Table(thread->processor, spr);
    int32_t leave = 1;
    uint64_t value = 0;

    if (row && row->mf_event) row->mf_event_routine(thread, spr);

    if (row && row->valid && (row->read || has_alternative_read(row))) {
        if (row->read_level <= SPR_LEVEL_HYPERVISOR && !Check_Hypervisor_State(iop)) return 0;
        if (row->read_level <= SPR_LEVEL_PRIVILEGED && In_Problem_State(iop)) {
            interrupt_PrivilegedInstruction(iop);
            return 0;
        }
        if (row->only_64bit && !check_64bit_op_ok(iop)) return 0;
        leave = 0;
        value = GET_spr(iop, spr, &leave);
    } else if (!undefined_mfspr(iop, row, spr, &value, &leave)) {
        return 0;
    }

    if (iop->use_slots) leave = 0;
    if (iop->exceptions || leave == 1) return 1;
    SPR_Write_Target(iop, value);
    return 1;
}

int core_mtspr(IOPDesc *iop)
{
    ThreadState *thread = iop->thread;
    const int32_t spr = SPR_Number_Of_Word(iop->word);
    spr_table_entry *row = Index_SPR_Table(thread->processor, spr);

    if (row && row->mt_event) row->mt_event_routine(thread, spr, Fetch_New_SPR_Value(iop));

    if (row && row->valid && (row->write || has_alternative_write(row))) {
        if (row->write_level <= SPR_LEVEL_HYPERVISOR && !Check_Hypervisor_State(iop)) return 0;
        if (row->write_level <= SPR_LEVEL_PRIVILEGED && In_Problem_State(iop)) {
            interrupt_PrivilegedInstruction(iop);
            return 0;
        }
        if (row->only_64bit && !check_64bit_op_ok(iop)) return 0;
        if (!iop->exceptions) SET_spr(iop, spr, Fetch_New_SPR_Value(iop));
        if (is_wake_register(row)) thread->wake_send_pending = 1;
        return 1;
    }

    if (iop->use_slots) {
        iop->result_gpr2.value[0] = Fetch_New_SPR_Value(iop);
        if (iop->result_gpr2.pending > 0) iop->result_gpr2.pending--;
    }
    return undefined_mtspr(iop, row, spr) ? 1 : 0;
}

// ---- tool access and event requests ----

uint64_t GUESS_spr(ThreadState *thread, int32_t spr, uint32_t argument)
{
    spr_table_entry *row = Index_SPR_Table(thread->processor, spr);
    if (!row || !row->tool_read || !row->rdte) return 0;
    uint64_t value = row->tool_read(thread, argument);
    return is_64bit(row) ? value : (uint32_t)value;
}

void FORCE_spr(ThreadState *thread, int32_t spr, uint64_t value, uint32_t argument)
{
    spr_table_entry *row = Index_SPR_Table(thread->processor, spr);
    if (!row || !row->tool_write || !row->rdte) return;
    row->tool_write(thread, is_64bit(row) ? value : (uint32_t)value, argument);
}

void Request_MFSPR_Event(ProcessorState *core, int32_t spr, SPRMoveFromEventFn routine)
{
    spr_table_entry *row = Index_SPR_Table(core, spr);
    if (!row) return;
    row->mf_event_routine = routine;
    row->mf_event = 1;
    if (row->rdte) row->rdte->special = 1;
}

void Request_MTSPR_Event(ProcessorState *core, int32_t spr, SPRMoveToEventFn routine)
{
    spr_table_entry *row = Index_SPR_Table(core, spr);
    if (!row) return;
    row->mt_event_routine = routine;
    row->mt_event = 1;
    if (row->rdte) row->rdte->special = 1;
}

// ---- the semantic routines of the two instructions ----


// The MSR write and the trace interrupt.
#include "interrupts/msr_write.h"

#include <cstring>

#include "decode/instr_info.h"
#include "decode/storage_rows.h"
#include "interrupts/exception_table.h"
#include "interrupts/exception_types.h"
#include "interrupts/fp_exception_check.h"
#include "interrupts/hooks/erat_invalidate.h"
#include "interrupts/hooks/translator_hooks.h"
#include "interrupts/interrupt_queue.h"
#include "interrupts/interrupt_raisers.h"
#include "processor/hooks/emat_invalidate.h"
#include "processor/hooks/htm.h"
#include "processor/records/exception_record.h"
#include "processor/records/generic_machine.h"
#include "processor/records/instruction_record.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "processor/regs/msr_rules.h"
#include "processor/regs/ppc_bits.h"
#include "processor/regs/reg_accessors.h"
#include "processor/regs/reg_triggers.h"
#include "processor/run/thread_run_state.h"
#include "processor/time/time_registers.h"
#include "processor/translation/xlate_version.h"

namespace
{

constexpr uint64_t MSR_FE0 = 0x800;
constexpr uint64_t MSR_FE1 = 0x100;
constexpr uint64_t FPSCR_FEX = 0x40000000;

} // namespace

void WriteMSR_interrupts(IOPDesc *iop, uint64_t old_msr, uint64_t new_msr, uint64_t return_address,
                         uint64_t new_pc, const char *, int)
{
    ThreadState *thread = iop->thread;
    uint64_t changed = old_msr ^ new_msr;
    bool privilege_change = false;
    if (changed & MSR_HV) {
        if (!(new_msr & MSR_HV)) {
            CheckForMediatedInterrupt(iop);
            CheckForHDECInterrupt_Thread(thread, 0);
        }
        privilege_change = true;
    }
    if ((new_msr & MSR_ME) && !(old_msr & MSR_ME)) RestoreInterrupts(thread);
    if ((new_msr & MSR_EE) && !(old_msr & MSR_EE)) {
        RestoreInterrupts(thread);
        CheckForMediatedInterrupt(iop);
        CheckForHDECInterrupt_Thread(thread, 0);
        CheckForDECInterrupt(thread);
    }
    if (changed & MSR_PR) privilege_change = true;
    if ((new_msr & (MSR_FE0 | MSR_FE1)) && !(old_msr & (MSR_FE0 | MSR_FE1))) {
        iop->msr = new_msr;
        uint64_t msr = thread->MSR.value;
        bool resuming = (msr & MSR_SE) && iop->row && iop->row->id == ROW_TRESUME_DOT;
        if (htm_failure_recorded(thread) && (msr & MSR_TS) == MSR_TS_TRANSACTIONAL &&
            htm_handles_failures_at_once(thread) && !resuming && (htm_checkpointed_fpscr(thread) & FPSCR_FEX))
            interrupt_FloatingPointException(iop, 1);
        else
            FP_EXCEPTION_CHECK(iop, 1);
    }
    if (privilege_change) trc_mode_change(new_msr, return_address, new_pc);
}

void _WriteMSR(ThreadState *thread, uint64_t value, uint64_t return_address, uint64_t new_pc,
               const char *file, int line)
{
    if (!thread) return;
    IOPDesc *iop = thread->current_iop;
    IOPDesc blank;
    if (!iop || iop->thread != thread) {
        // A thread keeps a current instruction record; a write before its first one uses a no-op.
        INITIAL_IOP(&blank, thread);
        iop = &blank;
    }
    uint64_t old_msr = thread->MSR.value;
    // A core whose MSR mask has not been read from the configuration yet (0) keeps every bit.
    uint64_t new_msr =
        thread->processor && thread->processor->msr_mask ? WriteMSR_fixup(iop, old_msr, value) : value;
    Set_New_MSR(thread, new_msr);
    Update_RunState_for_MSR_change(thread, old_msr, new_msr);
    WriteMSR_interrupts(iop, old_msr, new_msr, return_address, new_pc, file, line);
    // Tags-active mode with big-endian data addresses 64 bits like SF (as interrupt delivery and
    // the return-from-interrupt instructions count it), so it keeps the high word of the PC too.
    bool tags = thread->processor && thread->processor->options[PO_TAGS_ACTIVE];
    auto wide = [tags](uint64_t msr) {
        return (msr & MSR_SF) || (tags && (msr & MSR_TA) && !(msr & MSR_LE));
    };
    if (wide(old_msr) && !wide(new_msr)) {
        if (iop->defer_side_effects)
            iop->next_address = (iop->fetch.ea + 4) & 0xFFFFFFFFull;
        else
            tFORCE_PC(thread, thread->PC.value & 0xFFFFFFFFull, 0);
    }
    if (tags && ((old_msr ^ new_msr) & MSR_TA)) {
        ERAT_InvalidateAll(thread, 5, "mtmsr");
        EMAT_INVALIDATE_ALL(thread, 0, "ta-change");
    }
    // Nothing outlives the stand-in record: what the re-checks filed on it goes back to the pool.
    if (iop == &blank) Discard_Instruction_Bound_Exceptions(&blank, 0);
    current_xlate_version++;
}

namespace
{

// lswx whose RT equals RA or RB, or lswi whose RT equals RA (RA non-zero): an invalid form.
bool overlapping_string_load(const IOPDesc *iop, uint32_t id)
{
    uint32_t rt = (iop->word >> 21) & 31, ra = (iop->word >> 16) & 31, rb = (iop->word >> 11) & 31;
    if (ra == 0) return false;
    if (id == ROW_LSWX) return rt == ra || rt == rb;
    if (id == ROW_LSWI) return rt == ra;
    return false;
}

} // namespace

PowerPCException *interrupt_TraceSingleStep(IOPDesc *iop, int32_t subtype)
{
    ThreadState *thread = iop->thread;
    if (!OS_SUPPORTS_HTM(iop) && (iGET_MSR(iop) & MSR_TS) && htm_handle_exception(iop, EXC_TRACE))
        return nullptr;
    PowerPCException *record = IOP_New_Exception(iop, EXC_TRACE, subtype);
    if (!record) return nullptr;
    record->srr1_set = 0x40000000;
    const InstrInfo *row = iop->row;
    uint32_t id = row ? row->id : 0;
    ProcessorState *core = thread ? thread->processor : nullptr;
    if (subtype == EST_TRACE_CIABR || subtype == EST_TRACE_CIABR_AND_STEP) {
        record->srr1_set = 0x40100000;
        if (core && core->options[PO_MTMSRD_W_TRACE_INT_SETS_SRR0_64_BITS] && id == ROW_MTMSRD)
            record->instruction_address = iop->fetch.xlate_ea + 4;
    }
    if (core && core->options[PO_TRACE_EXCEPTION_SETS_SIAR]) {
        record->siar_valid = 1;
        record->siar = iop->fetch.xlate_ea;
    }
    if (row) {
        uint64_t flags = row->class_flags;
        bool load = (flags & II_LOAD) != 0;
        bool store = (flags & (II_STORE | II_DCBZ)) != 0;
        bool cache = (flags & II_CACHE) != 0;
        uint32_t th = (iop->word >> 21) & 31;
        bool stream_touch = (id == ROW_DCBT || id == ROW_DCBTST) && (th == 10 || th == 11);
        bool no_address = false;
        if (load) {
            if (!overlapping_string_load(iop, id)) record->srr1_set |= 0x10000000;
        } else if (store) {
            record->srr1_set |= 0x8000000;
        }
        if (id == ROW_PBT || id == ROW_PBT_DOT) record->srr1_set |= 0x10000000;
        if (flags & II_ICSWX) record->srr1_set |= 0x8000000;
        if (cache) {
            if (flags & II_DCBZ)
                record->srr1_set |= 0x8000000;
            else if (id == ROW_DCBT || id == ROW_DCBTST) {
                if (!stream_touch) record->srr1_set |= 0x10000000;
            } else if (!(id >= ROW_DSS && id <= ROW_DSTT) && id != ROW_ICSWX)
                record->srr1_set |= 0x10000000;
            if (stream_touch || (id >= ROW_DSS && id <= ROW_DSTT) || id == ROW_ICSWX) no_address = true;
        }
        if (flags & II_RESERVE) record->srr1_set |= 0x200000;
        if (Is_String_Row(id) && iop->data.size2 == 0) {
            record->srr1_clear |= 0x18000000;
            no_address = true;
        }
        if ((load || store || cache) && !no_address) {
            uint64_t address = Vector_Element_Align(row, iop->data.ea2);
            if (!(iop->msr & MSR_SF)) address &= 0xFFFFFFFFull;
            record->sdar_valid = 1;
            record->sdar = address;
        }
        GenericMachine *machine = thread ? thread->machine : nullptr;
        if ((id == ROW_DCBT || id == ROW_DCBTST) && (iGET_MSR(iop) & MSR_TS) == MSR_TS_TRANSACTIONAL &&
            machine && machine->htm && (iop->data.wimg & 0x4)) {
            record->sdar_valid = 1;
            record->sdar = 0;
        }
    }
    if (subtype == EST_TRACE_CIABR) {
        record->srr1_set = 0x40100000;
        record->siar_valid = 0;
        record->sdar_valid = 0;
    } else if (subtype == EST_TRACE_CIABR_AND_STEP) {
        record->srr1_set = 0x40100000;
    }
    return Take_Care_Of_Exception(iop, record, est_string(subtype));
}

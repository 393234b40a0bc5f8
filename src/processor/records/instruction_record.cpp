// Instruction records: the free list, hand-out and return, blank no-op records, the next
// address and the program-counter write.
#include "processor/records/instruction_record.h"

#include <cstring>

#include "decode/decoder.h"
#include "decode/instr_info.h"
#include "decode/instr_tables.h"
#include "processor/hooks/pturbo_locks.h"
#include "processor/records/thread_state.h"
#include "processor/regs/reg_accessors.h"
#include "processor/regs/reg_triggers.h"
#include "processor/regs/register_file.h"
#include "runtime/alloc.h"
#include "runtime/message.h"

IOPDesc *IOP_Free_List = nullptr;
uint64_t IOP_Global_Sequence_Number = 0;
InstrInfo *IOP_Nop_Row = nullptr;

namespace
{

constexpr uint64_t MSR_SF = 0x8000000000000000ull;

IOPDesc *new_record(ThreadState *thread)
{
    bool parallel = thread && thread->turbo.in_pturbo;
    if (parallel) pturbo_acquire_malloc_lock();
    IOPDesc *iop = QUARN_ZALLOC(1, IOPDesc);
    if (parallel) pturbo_release_malloc_lock();
    if (!iop) return nullptr;
    iop->length = 4;
    iop->fetch = INITIAL_AXD;
    iop->fetch.iop = iop;
    iop->fetch.kind = AXD_KIND_FETCH;
    iop->fetch.size = 4;
    iop->data = INITIAL_AXD;
    iop->data.iop = iop;
    iop->result_gpr1.owner = iop;
    iop->result_gpr2.owner = iop;
    iop->result_cr.owner = iop;
    iop->result_xer.owner = iop;
    iop->result_fpscr.owner = iop;
    iop->core_next = iop;
    iop->core_prev = iop;
    return iop;
}

} // namespace

uint64_t New_IOP_Global_Sequence_Number(void)
{
    return IOP_Global_Sequence_Number++;
}

IOPDesc *get_Instruction(ThreadState *thread)
{
    IOPDesc *iop = IOP_Free_List;
    if (iop) {
        IOP_Free_List = iop->next_free;
    } else {
        iop = new_record(thread);
        if (!iop) {
            sim_error("Could not allocate an instruction record.");
            return nullptr;
        }
    }
    iop->next_free = nullptr;
    iop->thread = thread;
    iop->update_form = 0;
    iop->partial_done = 0;
    iop->addr_only = 0;
    iop->core_walk = 0;
    iop->algebraic = 0;
    iop->byte_reversed = 0;
    iop->counter = 0;
    iop->cthread = thread ? thread->cthread : nullptr;
    iop->finished = 0;
    iop->sequence_number = New_IOP_Global_Sequence_Number();
    iop->aux_word = 0;
    return iop;
}

void return_Instruction(IOPDesc *iop)
{
    if (!iop) return;
    iop->next_free = IOP_Free_List;
    IOP_Free_List = iop;
}

void INITIAL_IOP(IOPDesc *iop, ThreadState *thread)
{
    memset(iop, 0, sizeof *iop);
    iop->thread = thread;
    iop->cthread = thread ? thread->cthread : nullptr;
    iop->word = NOP_INSTRUCTION_WORD;
    if (IOP_Nop_Row) {
        iop->row = IOP_Nop_Row;
        return;
    }
    // Decoded once and kept; a row decoded before any decoder was selected (row 0) is not kept.
    iop->row = Processor_Decode_Instruction(thread ? thread->processor : nullptr, NOP_INSTRUCTION_WORD);
    if (DecodeInstr) IOP_Nop_Row = iop->row;
}

uint64_t iGET_NEXT_PC(IOPDesc *iop)
{
    uint64_t current = iop->defer_side_effects ? iop->fetch.ea : iop->thread->PC.value;
    return current + iop->length;
}

void iSET_PC(IOPDesc *iop, uint64_t address)
{
    ThreadState *thread = iop->thread;
    // The MSR's read triggers run at once, also for an instruction in flight.
    uint64_t msr = thread->MSR.value;
    if (Reg_Read_Triggers_Armed(thread->MSR.trigger)) Invoke_Reg_Read_Triggers(iop, thread->MSR.trigger, msr);
    if (!(msr & MSR_SF)) address &= 0xFFFFFFFFull;
    iSET_CFAR(iop, iop->defer_side_effects ? iop->fetch.ea : thread->PC.value);
    // Branch-unit rows (the branches, isel_rslv and the power-saving instructions) read MSR again.
    if (iop->row && (iop->row->optype == OPTYPE_BR || (iop->row->class_flags & II_POWER))) iGET_MSR(iop);
    if (iop->defer_side_effects) {
        iop->next_address = address;
        return;
    }
    thread->next_pc = address;
    thread->PC.value = address & Register_Entry_Mask(thread->PC.rfe);
    thread->PC.written = 1;
}

// The register path of an instruction: its thread's options and modes, and the GPRs, XER and CR
// as the instruction reads and writes them, with the move to the next instruction.
//
// For an instruction in flight in the cycle-level core (use_slots) operands come from the operand
// slots and results go to the result slots, whose waiting readers are released; otherwise the
// thread's slots are used with their read and write triggers, which an instruction that defers its
// side effects only notes in its action byte (deferred_triggers: 2 read, 4 write).
//
// Result slots of the cycle-model form: GPR results in result_gpr1 (a second GPR result, such as
// LR beside CTR, in result_gpr2), CR results in result_cr, XER results in result_xer.
#pragma once

#include <cstdint>

#include "processor/config/processor_options.h"
#include "processor/hooks/reg_reader_queue.h"
#include "processor/records/instruction_record.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "processor/regs/instruction_setters.h"
#include "processor/regs/ppc_bits.h"
#include "processor/regs/reg_triggers.h"
#include "processor/regs/register_file.h"
#include "processor/regs/shared_msr_text.h"

// ---- options and modes ----

// iGET_MSR without the call when no read trigger watches the MSR: the value, noted as the shared
// MSR text.
inline uint64_t IOP_Read_MSR(IOPDesc *iop)
{
    ThreadState *thread = iop->thread;
    if (Reg_Read_Triggers_Armed(thread->MSR.trigger)) return iGET_MSR(iop);
    uint64_t value = thread->MSR.value;
    Note_MSR_Deferred(value);
    return value;
}

// The value of a processor option of the instruction's thread.
inline uint32_t IOP_Option(const IOPDesc *iop, uint32_t option)
{
    return iop->thread->processor->options[option];
}

// MSR.TA when option TAGS_ACTIVE is on (read without triggers); 0 without a thread.
inline int Tags_Active(const IOPDesc *iop)
{
    if (!iop || !iop->thread) return 0;
    if (!IOP_Option(iop, PO_TAGS_ACTIVE)) return 0;
    return (iop->thread->MSR.value & MSR_TA) != 0;
}

// The current instruction address: the fetch address of an instruction that defers its side
// effects, else the thread's PC.
inline uint64_t IOP_Current_Address(const IOPDesc *iop)
{
    return iop->defer_side_effects ? iop->fetch.ea : iop->thread->PC.value;
}

// ---- GPRs ----

// GPR n with its read triggers (never from an operand slot).
inline uint64_t iGET_GPR(IOPDesc *iop, uint32_t n)
{
    Reg64 *gpr = &iop->thread->GPR[n];
    uint64_t value = gpr->value;
    if (Reg_Read_Triggers_Armed(gpr->trigger)) Maybe_Invoke_Reg_Read_Triggers(iop, gpr->trigger, value);
    return value;
}

// An operand GPR: the operand slot (0 A, 1 B, 2 C, 3 S) in the cycle-model form, else GPR n.
inline uint64_t IOP_Read_GPR(IOPDesc *iop, uint32_t n, int slot)
{
    if (iop->use_slots) {
        switch (slot) {
        case 0:
            return iop->operand_slot1[0];
        case 1:
            return iop->operand_slot2[0];
        case 2:
            return iop->operand_slot3[0];
        default:
            return iop->operand_slot4[0];
        }
    }
    return iGET_GPR(iop, n);
}
enum : int { OPERAND_A = 0, OPERAND_B = 1, OPERAND_C = 2, OPERAND_S = 3 };

// Hands a produced value to a result slot and releases its readers.
inline void IOP_Deliver_Result(IOPDesc *iop, IOPResultSlot *slot, uint64_t value)
{
    slot->value[0] = value;
    slot->ready_time = iop->time_stamp;
    RegReaderQ_release(slot, iop->cthread);
}

// Writes the target GPR n: the first GPR result slot in the cycle-model form, else SET_GPR.
inline void IOP_Write_GPR(IOPDesc *iop, uint32_t n, uint64_t value)
{
    if (iop->use_slots)
        IOP_Deliver_Result(iop, &iop->result_gpr1, value);
    else
        SET_GPR(iop, n, value);
}

// ---- XER ----

// Marks XER bits read or written by the instruction.
inline void XER_Mark_Read(IOPDesc *iop, uint64_t bits)
{
    RegBits_Mark(&iop->thread->XER.bits_read, bits);
}
inline void XER_Mark_Written(IOPDesc *iop, uint64_t bits)
{
    RegBits_Mark(&iop->thread->XER.bits_written, bits);
}

// The XER the instruction sees: the XER operand in the cycle-model form, else the thread's XER.
// The caller marks the bits it reads.
inline uint64_t IOP_XER_Value(const IOPDesc *iop)
{
    return iop->use_slots ? iop->xer_operand : iop->thread->XER.value;
}

// Stores the thread's XER (masked by its implemented bits, written flag set).
inline void Thread_Store_XER(ThreadState *thread, uint64_t value)
{
    Reg64 *xer = &thread->XER;
    xer->value = value & Register_Entry_Mask(xer->rfe);
    xer->written = 1;
}

// Writes the bits of one XER field: merged into the XER result slot and released in the
// cycle-model form, else merged into the thread's XER. The caller marks the bits it writes.
inline void IOP_Write_XER_Field(IOPDesc *iop, uint64_t field, uint64_t bits)
{
    if (iop->use_slots) {
        IOPResultSlot *slot = &iop->result_xer;
        slot->value[0] = (bits & field) | (slot->value[0] & ~field);
        slot->ready_time = iop->time_stamp;
        RegMaskReaderQ_release(slot, iop->cthread, 0);
        return;
    }
    ThreadState *thread = iop->thread;
    Thread_Store_XER(thread, (bits & field) | (thread->XER.value & ~field));
}

// The summary-overflow bit (0 or 1) for the instruction, marked read: the IOPDesc's SO value in
// the cycle-model form, else XER[SO].
inline uint32_t IOP_Read_SO(IOPDesc *iop)
{
    XER_Mark_Read(iop, XER_SO);
    if (iop->use_slots) return iop->so_value & 1;
    return (iop->thread->XER.value & XER_SO) ? 1 : 0;
}

// ---- CR ----

// The CR the instruction sees: the CR operand in the cycle-model form, else the thread's CR with
// its read triggers.
inline uint32_t IOP_Read_CR(IOPDesc *iop)
{
    if (iop->use_slots) return iop->cr_operand;
    Reg32 *cr = &iop->thread->CR;
    uint32_t value = cr->value;
    if (Reg_Read_Triggers_Armed(cr->trigger)) Maybe_Invoke_Reg_Read_Triggers(iop, cr->trigger, value);
    return value;
}

// Replaces the CR bits of the mask: merged into the CR result slot and released in the cycle-model
// form, else into the thread's CR. The caller marks the bits it writes.
inline void IOP_Write_CR_Bits(IOPDesc *iop, uint32_t mask, uint32_t bits)
{
    if (iop->use_slots) {
        IOPResultSlot *slot = &iop->result_cr;
        slot->value[0] = (uint32_t)((slot->value[0] & ~(uint64_t)mask) | (bits & mask));
        slot->ready_time = iop->time_stamp;
        Reg32ReaderQ_release(slot, iop->cthread);
        return;
    }
    Reg32 *cr = &iop->thread->CR;
    cr->value = (cr->value & ~mask) | (bits & mask);
}

inline void CR_Mark_Written(IOPDesc *iop, uint32_t bits)
{
    RegBits_Mark(&iop->thread->CR.bits_written, bits);
}

// Writes CR field f (0..7) with a 4-bit value and marks the field written.
inline void IOP_Write_CR_Field(IOPDesc *iop, uint32_t field, uint32_t value)
{
    uint32_t shift = 28 - 4 * field;
    IOP_Write_CR_Bits(iop, 0xFu << shift, value << shift);
    CR_Mark_Written(iop, 0xFu << shift);
}

// ---- the next instruction ----

// Moves the thread to the next instruction: PC + length, wrapped at 4 GB in 32-bit mode; the
// unmasked address goes to the thread's next_pc, the masked one to PC. Nothing for an instruction
// that defers its side effects.
void IOP_Advance_NIA(IOPDesc *iop);
// Sets the next-instruction address to a target: the IOPDesc's next_address for an instruction
// that defers its side effects, else next_pc and PC (masked, written).
void IOP_Set_NIA(IOPDesc *iop, uint64_t target);

// Hand-written register accessors.
#include "processor/regs/handwritten_accessors.h"

#include <cstring>

#include "processor/records/htm_data.h"
#include "processor/records/instruction_record.h"
#include "processor/records/machine_access.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "processor/regs/ctrl.h"
#include "processor/regs/register_file.h"
#include "processor/run/smt.h"

namespace
{

constexpr uint64_t SIM_CTRL_DSCR_WIDE = 0x0001000000000000ull;          // bit 48
constexpr uint64_t SIM_CTRL_TM_nesting_depth_4 = 0x4000000000000000ull; // bit 62
constexpr uint64_t SIM_CTRL_TM_nesting_depth_8 = 0x8000000000000000ull; // bit 63

} // namespace

uint32_t COOKED_GET_TIR(ThreadState *thread, uint32_t)
{
    return (uint32_t)thread->thread_id_in_core;
}

uint64_t COOKED_GET_HID0(ThreadState *thread, uint32_t)
{
    return thread->processor->HID0.value;
}

void COOKED_SET_HID0(ThreadState *thread, uint64_t value)
{
    Reg64 *hid0 = &thread->processor->HID0;
    hid0->value = value & Register_Entry_Mask(hid0->rfe);
    hid0->written = 1;
    smt_TestPerformLPAR_1_To_2_4_Switch(thread);
}

void Apply_Dravo_DSCR_Mask(ThreadState *thread, uint64_t value)
{
    ProcessorState *core = thread->processor;
    if (!core || !core->options[PO_Dravo_DSCR]) return;
    Register_File_Entry *entry = thread->DSCR.rfe;
    if (!entry || !entry->desc) return;
    entry->desc->mask = (value & SIM_CTRL_DSCR_WIDE) ? 0x3F : 0x1F;
}

void COOKED_SET_SIM_CTRL(ThreadState *thread, uint64_t value, uint32_t)
{
    uint64_t v = value & Register_Entry_Mask(thread->SIM_CTRL.rfe);
    Apply_Dravo_DSCR_Mask(thread, v);
    thread->SIM_CTRL.value = v;
    thread->SIM_CTRL.written = 1;
    htm_data *htm = MachineAccess_HTM(thread->machine);
    if (!htm || !htm->enabled) return;
    bool depth4 = (v & SIM_CTRL_TM_nesting_depth_4) != 0;
    bool depth8 = (v & SIM_CTRL_TM_nesting_depth_8) != 0;
    if (depth4 && depth8)
        htm->max_nesting_level = 1;
    else if (depth4)
        htm->max_nesting_level = 3;
    else if (depth8)
        htm->max_nesting_level = 7;
}

uint64_t COOKED_GET_TSRL(ThreadState *thread, uint32_t)
{
    return smt_ReadTSRL(thread, 0, 0);
}

void COOKED_SET_TSRL(ThreadState *thread, uint64_t value)
{
    smt_WriteTSRL(thread, value & Register_Entry_Mask(thread->TSRL.rfe));
}

uint64_t RAW_GET_TFMR(ThreadState *thread)
{
    uint64_t shared = thread->processor ? thread->processor->tfmr_per_processor : 0;
    return (thread->tfmr_per_thread & 0x7F) | (shared & ~0x7Full);
}

uint32_t cooked_get_CTRL(ThreadState *thread, uint32_t)
{
    IOPDesc blank;
    INITIAL_IOP(&blank, thread);
    return Read_CTRL(&blank);
}

uint32_t GUESS_CTRL(ThreadState *thread, uint32_t kind)
{
    return cooked_get_CTRL(thread, kind);
}

int Read_Register_CTRL(Register_File_Entry *entry, void *value)
{
    uint32_t v = GUESS_CTRL(entry->owner, REG_ACCESS_FILE);
    memcpy(value, &v, sizeof v);
    return 2;
}

void Write_Register_CTRL(Register_File_Entry *entry, const void *value, const void *)
{
    uint32_t v;
    memcpy(&v, value, sizeof v);
    if (entry->owner) CTRL_Force_Callback(entry, &v);
    ((Reg32 *)entry->slot)->value = v & (uint32_t)Register_Entry_Mask(entry);
}

void Set_FPSCR_With_Summary(IOPDesc *iop, const FPSCR_Pair *pair)
{
    uint64_t f = (pair->fpscr & 0xFFFFFFFF8007F8FFull) | (pair->fpscrUpdate & FPSCR_EXCEPTION_BITS);
    if (f & FPSCR_INVALID_BITS) f |= FPSCR_VX;
    static const uint64_t enabled_pairs[] = {FPSCR_VX | FPSCR_VE, FPSCR_OX | FPSCR_OE, FPSCR_UX | FPSCR_UE,
                                             FPSCR_ZX | FPSCR_ZE, FPSCR_XX | FPSCR_XE};
    for (uint64_t both : enabled_pairs)
        if ((f & both) == both) f |= FPSCR_FEX;
    if (f & FPSCR_EXCEPTION_BITS)
        f |= FPSCR_FX;
    else
        f &= ~(uint64_t)FPSCR_FX;
    Reg64 *change = &iop->thread->FPSCR_CHANGE;
    change->value = f & Register_Entry_Mask(change->rfe);
}

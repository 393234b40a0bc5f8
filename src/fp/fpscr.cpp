// FPSCR reads, writes, cache and summary of an instruction.
#include "fp/fpscr.h"

#include "interrupts/fp_exception_check.h"
#include "processor/regs/reg_triggers.h"
#include "processor/hooks/fpscr_text.h"
#include "decode/instr_info.h"
#include "processor/records/instruction_record.h"
#include "processor/regs/register_file.h"
#include "processor/records/thread_state.h"
#include "runtime/debug.h"
#include "runtime/message.h"
#include "runtime/utils.h"

namespace
{

constexpr int FPSCR_DEBUG = 16; // renderings of FPSCR on reads and writes

inline uint64_t exception_mask_of(const IOPDesc *iop)
{
    return iop->row ? (uint64_t)(iop->row->fpscr_mask & FPSCR_EXC_MASK_BITS) : 0;
}

// Rows whose FPSCR an instruction caches: floating point, not the simple moves.
inline bool caches_fpscr(const IOPDesc *iop)
{
    return iop->row && (iop->row->class_flags & II_FP) && !(iop->row->class_flags & II_FP_MOVE);
}

inline uint64_t enabled_summary(uint64_t f)
{
    const bool fex = ((f & FPSCR_VX) && (f & FPSCR_VE)) || ((f & FPSCR_OX) && (f & FPSCR_OE)) ||
                     ((f & FPSCR_UX) && (f & FPSCR_UE)) || ((f & FPSCR_ZX) && (f & FPSCR_ZE)) ||
                     ((f & FPSCR_XX) && (f & FPSCR_XE));
    return fex ? (uint64_t)FPSCR_FEX : 0;
}

} // namespace

uint64_t iGET_FPSCR(IOPDesc *iop)
{
    if (iop->fpscr_cache_on) return iop->fpscr_cache;
    if (iop->use_slots) return iop->fpscr_slot;
    Reg64 *reg = &iop->thread->FPSCR;
    const uint64_t value = reg->value;
    Maybe_Invoke_Reg_Read_Triggers(iop, reg->trigger, value);
    if (debug_state[FPSCR_DEBUG] > 0) Prepare_FPSCR(value);
    return value;
}

int iSET_FPSCR(IOPDesc *iop, uint64_t value)
{
    if (iop->fpscr_cache_on) {
        iop->fpscr_cache = value;
        return 1;
    }
    if (iop->use_slots) {
        iop->fpscr_slot = value;
        return 1;
    }
    Reg64 *reg = &iop->thread->FPSCR;
    Maybe_Invoke_Reg_Write_Triggers(iop, reg->trigger, reg->value, value);
    reg->value = value & Register_Entry_Mask(reg->rfe);
    if (debug_state[FPSCR_DEBUG] > 0) Prepare_FPSCR(reg->value);
    return 1;
}

void FPSCR_Set_Field(IOPDesc *iop, uint32_t b, uint32_t c, uint64_t v)
{
    const uint64_t m = MakeMask32(b, c);
    const uint64_t n = (v << (31 - c)) & m;
    const uint64_t old = iGET_FPSCR(iop);
    iSET_FPSCR(iop, n | (old & ~m));
    iop->fpscr_written |= m;
    if (n) iop->fpscr_new_exc |= n & iop->fpscr_exc_mask;
}

void FPSCR_Recompute_VX_FEX(IOPDesc *iop)
{
    FPSCR_Set_Field(iop, 2, 2, (iGET_FPSCR(iop) & FPSCR_INVALID_BITS) ? 1 : 0);
    FPSCR_Set_Field(iop, 1, 1, enabled_summary(iGET_FPSCR(iop)) ? 1 : 0);
}

void FPSCR_Set_Masked(IOPDesc *iop, uint64_t value, uint64_t mask)
{
    const uint64_t old = iGET_FPSCR(iop);
    iSET_FPSCR(iop, (value & mask) | (old & ~mask));
    FPSCR_Recompute_VX_FEX(iop);
    iop->fpscr_written |= mask;
    iop->fpscr_moved = 1;
    iop->fpscr_new_exc |= (value & mask & 0xFFF80700ull) & iop->fpscr_exc_mask;
}

int IOP_FP_Rounding_Mode(IOPDesc *iop)
{
    if (iop->row && (iop->row->class_flags & II_VMX)) return 0;
    return (int)(iGET_FPSCR(iop) & FPSCR_RN);
}

void FPSCR_Start_Instruction(IOPDesc *iop)
{
    iop->fpscr_new_exc = 0;
    iop->fpscr_exc_mask = exception_mask_of(iop);
}

void IOP_Cache_FPSCR(IOPDesc *iop)
{
    if (!caches_fpscr(iop)) return;
    iop->fpscr_cache_on = 0; // an active cache is dropped without writing it back
    const uint64_t f = iGET_FPSCR(iop);
    iop->fpscr_cache = f;
    iop->fpscr_saved = f;
    iop->fpscr_cache_on = 1;
    FPSCR_Start_Instruction(iop);
}

int SET_FPSCR_FROM_CACHE(IOPDesc *iop)
{
    if (!caches_fpscr(iop)) return 1;
    if (iop->fpscr_cache_on) {
        const uint64_t m = (uint64_t)iop->row->fpscr_mask | 0xE0000000ull;
        const uint64_t value = (iop->fpscr_cache & m) | (iop->fpscr_saved & ~m);
        iop->fpscr_cache_on = 0;
        iSET_FPSCR(iop, value);
    } else {
        sim_do_error(__FILE__, __LINE__, "FPSCR: SET_FPSCR_FROM_CACHE: Not cached to iop!");
    }
    return IOP_Update_FPSCR_Summary(iop);
}

int IOP_Update_FPSCR_Summary(IOPDesc *iop)
{
    uint64_t s = (iGET_FPSCR(iop) & FPSCR_CONTROL_BITS) | iop->fpscr_new_exc;
    if (s & FPSCR_INVALID_BITS) s |= FPSCR_VX;
    s |= enabled_summary(s);
    if (s & FPSCR_EXCEPTION_BITS)
        s |= FPSCR_FX;
    else
        s &= ~(uint64_t)FPSCR_FX;
    s &= ~(uint64_t)FPSCR_CONTROL_BITS;
    iop->fpscr_new_exc = s;
    Reg64 *change = &iop->thread->FPSCR_CHANGE;
    change->value = s & Register_Entry_Mask(change->rfe);
    return FP_EXCEPTION_CHECK(iop, 0);
}

// FPSCR status bits and result classes of an instruction.
#include "fp/fpscr_status.h"

#include "fp/fp160.h"
#include "fp/fp_options.h"
#include "fp/fpscr.h"
#include "decode/instr_info.h"

namespace
{

// Exception bits whose setting sets FX (VXSOFT does not).
constexpr uint64_t FX_SETTING_BITS = 0x1FF80300;

inline uint64_t row_mask(const IOPDesc *iop)
{
    return iop->row ? iop->row->fpscr_mask : 0;
}

inline bool enabled_exception(uint64_t f)
{
    return ((f & FPSCR_VX) && (f & FPSCR_VE)) || ((f & FPSCR_OX) && (f & FPSCR_OE)) ||
           ((f & FPSCR_UX) && (f & FPSCR_UE)) || ((f & FPSCR_ZX) && (f & FPSCR_ZE)) ||
           ((f & FPSCR_XX) && (f & FPSCR_XE));
}

} // namespace

uint64_t FPSCR_SetBit(IOPDesc *iop, uint64_t bits, int set)
{
    const uint64_t m = row_mask(iop);
    const uint64_t b = bits & m;
    uint64_t f = iGET_FPSCR(iop);
    iop->fpscr_written |= b;
    if (!set) {
        f &= ~b;
    } else {
        const bool force_fx = FP_Option(iop, PO_FP_EXCEPTIONS_FORCE_FX);
        if (bits & FPSCR_FI) {
            if (m & FPSCR_XX) {
                if ((m & FPSCR_FX) && (!(f & FPSCR_XX) || force_fx)) {
                    f |= FPSCR_FX;
                    iop->fpscr_written |= FPSCR_FX;
                }
                f |= FPSCR_XX;
                iop->fpscr_written |= FPSCR_XX;
                iop->fpscr_new_exc |= FPSCR_XX & iop->fpscr_exc_mask;
            }
        } else if ((b & FX_SETTING_BITS) && (m & FPSCR_FX) && (!(bits & f) || force_fx)) {
            f |= FPSCR_FX;
            iop->fpscr_written |= FPSCR_FX;
        }
        if ((b & FPSCR_VXCVI) && FP_Option(iop, PO_VXCVI_SETS_FR_FI_ZERO))
            f &= ~(uint64_t)(FPSCR_FR | FPSCR_FI);
        if (b) iop->fpscr_new_exc |= b & iop->fpscr_exc_mask;
        f |= b;
    }
    if (f & FPSCR_INVALID_BITS)
        f |= FPSCR_VX;
    else
        f &= ~(uint64_t)FPSCR_VX;
    if (enabled_exception(f))
        f |= FPSCR_FEX;
    else
        f &= ~(uint64_t)FPSCR_FEX;
    iop->fpscr_written |= FPSCR_VX | FPSCR_FEX;
    iSET_FPSCR(iop, f);
    return f;
}

void Set_FPSCR_FPRF_Code(IOPDesc *iop, uint32_t code)
{
    if (!(row_mask(iop) & FPSCR_FPRF)) return;
    const uint64_t field = (uint64_t)code << 12;
    iSET_FPSCR(iop, (iGET_FPSCR(iop) & ~(uint64_t)FPSCR_FPRF) | field);
    iop->fpscr_written |= FPSCR_FPRF;
    if (code) iop->fpscr_new_exc |= field & iop->fpscr_exc_mask;
}

void Set_DBL_FPSCR_FPRF_Bits(IOPDesc *iop, const uint64_t *value, int precision)
{
    if (!(row_mask(iop) & FPSCR_FPRF)) return;
    uint32_t code = micro_DBL_FPRF(*value, precision);
    if (precision == 2) code &= ~0x10u;
    Set_FPSCR_FPRF_Code(iop, code);
}

void Set_SGL_FPSCR_FPRF_Bits(IOPDesc *iop, uint32_t value)
{
    if (!(row_mask(iop) & FPSCR_FPRF)) return;
    Set_FPSCR_FPRF_Code(iop, micro_SGL_FPRF(value));
}

void Set_HALF_FPSCR_FPRF_Bits(IOPDesc *iop, uint16_t value)
{
    if (!(row_mask(iop) & FPSCR_FPRF)) return;
    Set_FPSCR_FPRF_Code(iop, micro_HALF_FPRF(value));
}

void Set_QUAD_FPSCR_FPRF_Bits(IOPDesc *iop, const uint64_t *value, int precision)
{
    if (!(row_mask(iop) & FPSCR_FPRF)) return;
    uint32_t code = micro_QUAD_FPRF(value, precision);
    if (precision == 2) code &= ~0x10u;
    Set_FPSCR_FPRF_Code(iop, code);
}

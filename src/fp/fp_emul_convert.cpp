// The conversion, rounding and test emulation cores: to and from integers, to single precision,
// to an integral value, and the divide and square-root tests.
#include "fp/fp160_arith.h"
#include "fp/fp160_round.h"
#include "fp/fp_convert.h"
#include "fp/fp_deliver.h"
#include "fp/fp_emul.h"
#include "fp/fp_emul_common.h"
#include "fp/fp_integer.h"
#include "fp/fp_options.h"
#include "fp/fpscr.h"
#include "fp/fpscr_status.h"

namespace
{

inline int RN(IOPDesc *iop)
{
    return IOP_FP_Rounding_Mode(iop);
}

// ---- to integer ----

enum class Sign { Signed, Unsigned };

// The high word of a word conversion's result by the processor options (the first one set wins).
uint64_t word_result(IOPDesc *iop, uint64_t value)
{
    const uint64_t low = value & 0xFFFFFFFFull;
    if (FP_Option(iop, PO_FCTIW_SETS_RT0_31)) return (0xFFF80000ull << 32) | low;
    if (FP_Option(iop, PO_FCTIW_SETS_RT1_31)) return (0x7FF80000ull << 32) | low;
    if (FP_Option(iop, PO_FCTIW_DOUBLES)) return (low << 32) | low;
    return value;
}

template <Sign sign, int width, bool toward_zero> int to_integer(IOPDesc *iop, const char *trace, const char *label)
{
    const uint64_t b = FP_Read_FRB(iop);
    FP_Emul_Trace(iop, trace, 1, b);
    const int mode = toward_zero ? FP_ROUND_ZERO : RN(iop);
    uint64_t out = 0;
    const int allowed = sign == Sign::Signed ? FloatConvertToSignedInteger(iop, &out, b, mode, width, label)
                                             : FloatConvertToUnsignedInteger(iop, &out, b, mode, width, label);
    if (allowed) {
        if (width == 32) out = word_result(iop, out);
        FP_Write_FRT(iop, out);
        if (FP_Option(iop, PO_FCTID_SETS_FPRF_ZERO)) FPSCR_Set_Field(iop, 15, 19, 0);
    }
    FP_Emul_Trace(iop, trace, 1, out);
    return 1;
}

// ---- from integer ----

template <Sign sign, bool single> int from_integer(IOPDesc *iop, const char *trace, const char *label)
{
    const uint64_t b = FP_Read_FRB(iop);
    FP_Emul_Trace(iop, trace, 1, b);
    FP160 v;
    if (sign == Sign::Signed)
        FP160_ConvertFromSI64(&v, (int64_t)b, label);
    else
        FP160_ConvertFromUI64(&v, b, label);
    FP160_CheckNaN_Operand(&v, &v);
    uint64_t out = 0;
    const int allowed = single ? FP160_Convert_to_32_as_DW(iop, &v, &out, 0, RN(iop))
                               : FP_Convert_ExceptionHandler64(iop, &v, &out, 0, RN(iop));
    if (allowed) FP_Write_FRT(iop, out);
    FP_Emul_Trace(iop, trace, 1, out);
    return 1;
}

// ---- to an integral value ----

int to_integral(IOPDesc *iop, int mode, const char *trace, const char *label)
{
    const uint64_t b = FP_Read_FRB(iop);
    FP_Emul_Trace(iop, trace, 1, b);
    FP160 v;
    FP160_ConvertFromDP(&v, &b, label);
    FP160_MakeIntegral(&v, mode, 0);
    uint64_t out = 0;
    // The value is integral already: the delivery's own rounding mode does not matter.
    if (FP_Convert_ExceptionHandler64(iop, &v, &out, 0, FP_ROUND_ZERO)) FP_Write_FRT(iop, out);
    FPSCR_SetBit(iop, FPSCR_FR | FPSCR_FI, 0);
    FPSCR_Recompute_VX_FEX(iop);
    FP_Emul_Trace(iop, trace, 1, out);
    return 1;
}

// ---- tests ----

struct Classified {
    bool nan, infinity, zero, denormal, negative;
    int32_t e; // biased exponent - 1023
};

Classified classify(uint64_t d)
{
    const uint32_t exponent = (uint32_t)(d >> 52) & 0x7FF;
    const uint64_t fraction = d & 0xFFFFFFFFFFFFFull;
    Classified c;
    c.nan = exponent == 0x7FF && fraction != 0;
    c.infinity = exponent == 0x7FF && fraction == 0;
    c.zero = exponent == 0 && fraction == 0;
    c.denormal = exponent == 0 && fraction != 0;
    c.negative = (d >> 63) != 0;
    c.e = (int32_t)exponent - 1023;
    return c;
}

uint32_t test_field(bool fg, bool fe)
{
    return 0x8 | (fg ? 0x4 : 0) | (fe ? 0x2 : 0);
}

} // namespace

int core_fctiw_emul(IOPDesc *iop)
{
    return to_integer<Sign::Signed, 32, false>(iop, "FCTIW", "fctiw::op_B");
}
int core_fctiwz_emul(IOPDesc *iop)
{
    return to_integer<Sign::Signed, 32, true>(iop, "FCTIWZ", "fctiwz::op_B");
}
int core_fctiwu_emul(IOPDesc *iop)
{
    return to_integer<Sign::Unsigned, 32, false>(iop, "FCTIWU", "fctiwu::op_B");
}
int core_fctiwuz_emul(IOPDesc *iop)
{
    return to_integer<Sign::Unsigned, 32, true>(iop, "FCTIWUZ", "fctiwuz::op_B");
}
int core_fctid_emul(IOPDesc *iop)
{
    return to_integer<Sign::Signed, 64, false>(iop, "FCTID", "fctid::op_B");
}
int core_fctidz_emul(IOPDesc *iop)
{
    return to_integer<Sign::Signed, 64, true>(iop, "FCTIDZ", "fctidz::op_B");
}
int core_fctidu_emul(IOPDesc *iop)
{
    return to_integer<Sign::Unsigned, 64, false>(iop, "FCTIDU", "fctidu::op_B");
}
int core_fctiduz_emul(IOPDesc *iop)
{
    return to_integer<Sign::Unsigned, 64, true>(iop, "FCTIDUZ", "fctiduz::op_B");
}

int core_fcfid_emul(IOPDesc *iop)
{
    return from_integer<Sign::Signed, false>(iop, "FCFID", "fcfid::op_B");
}
int core_fcfidu_emul(IOPDesc *iop)
{
    return from_integer<Sign::Unsigned, false>(iop, "FCFIDU", "fcfidu::op_B");
}
int core_fcfids_emul(IOPDesc *iop)
{
    return from_integer<Sign::Signed, true>(iop, "FCFIDS", "fcfids::op_B");
}
int core_fcfidus_emul(IOPDesc *iop)
{
    return from_integer<Sign::Unsigned, true>(iop, "FCFIDUS", "fcfidus::op_B");
}

int core_frsp_emul(IOPDesc *iop)
{
    const uint64_t b = FP_Read_FRB(iop);
    FP_Emul_Trace(iop, "FRSP", 1, b);
    FP160 v;
    FP160_ConvertFromDP(&v, &b, "frsp::op_B");
    FP160_CheckNaN_Operand(&v, &v);
    uint64_t out = 0;
    if (FP160_Convert_to_32_as_DW(iop, &v, &out, 0, RN(iop))) FP_Write_FRT(iop, out);
    FP_Emul_Trace(iop, "FRSP", 1, out);
    return 1;
}

int core_frin_emul(IOPDesc *iop)
{
    return to_integral(iop, FP_ROUND_NEAREST_AWAY, "FRIN", "core_frin_emul::op_B");
}
int core_friz_emul(IOPDesc *iop)
{
    return to_integral(iop, FP_ROUND_ZERO, "FRIZ", "core_friz_emul::op_B");
}
int core_frip_emul(IOPDesc *iop)
{
    return to_integral(iop, FP_ROUND_PLUS_INF, "FRIP", "core_frip_emul::op_B");
}
int core_frim_emul(IOPDesc *iop)
{
    return to_integral(iop, FP_ROUND_MINUS_INF, "FRIM", "core_frim_emul::op_B");
}

int core_ftsqrt_emul(IOPDesc *iop)
{
    const uint64_t b = FP_Read_FRB(iop);
    FP_Emul_Trace(iop, "FTSQRT", 1, b);
    const Classified B = classify(b);
    const bool fe = B.zero || B.infinity || B.nan || B.negative || B.e <= -970;
    const bool fg = B.zero || B.infinity || B.denormal;
    FP_Write_CR_Field(iop, FP_BF(iop), test_field(fg, fe));
    return 1;
}

int core_ftdiv_emul(IOPDesc *iop)
{
    const uint64_t a = FP_Read_FRA(iop);
    const uint64_t b = FP_Read_FRB(iop);
    FP_Emul_Trace(iop, "FTDIV", 2, a, b);
    const Classified A = classify(a), B = classify(b);
    bool fe = A.nan || A.infinity || B.nan || B.infinity || B.zero;
    if (!B.nan && !B.infinity && !B.zero && (B.e > 1020 || B.e < -1021)) fe = true;
    if (!A.zero) {
        const int32_t d = A.e - B.e;
        if (d > 1022 || d < -1020 || A.e < -969) fe = true;
    }
    const bool fg = A.infinity || B.zero || B.infinity || B.denormal;
    FP_Write_CR_Field(iop, FP_BF(iop), test_field(fg, fe));
    return 1;
}

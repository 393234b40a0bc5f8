// The VSX conversion cores (see vsx_convert_cores.h).
#include "vector/vsx_convert_cores.h"

#include "fp/fp160.h"
#include "fp/fp160_arith.h"
#include "fp/fp_convert.h"
#include "fp/fp_deliver.h"
#include "fp/fpscr.h"
#include "fp/fpscr_status.h"
#include "vector/vec_defs.h"
#include "vector/vector_registers.h"
#include "vector/vsx_fp_common.h"

using namespace vec;

namespace
{

void set_dword(Vec128 *v, int i, uint64_t x)
{
    (i == 0 ? v->high : v->low) = x;
}
void set_word_pair(Vec128 *v, int i, uint32_t x)
{
    set_dword(v, i, (uint64_t)x * 0x100000001ull);
}

// Rounds the working value to double precision into doubleword i.
uint32_t deliver_double(int i, IOPDesc *iop, FP160 *value, Vec128 *result)
{
    uint64_t out = 0;
    FP_Convert_ExceptionHandler64(iop, value, &out, 0, IOP_FP_Rounding_Mode(iop));
    set_dword(result, i, out);
    return value->exceptions;
}

// Rounds the working value to single precision (the single delivered in double format, then
// narrowed exactly); returns the word.
uint32_t to_single(IOPDesc *iop, FP160 *value, int mode, uint32_t *flags)
{
    uint32_t word = 0;
    int delivered;
    *flags = deliver_single(iop, value, &word, mode, true, &delivered);
    value->exceptions = *flags;
    return word;
}

} // namespace

// ---- integer and single to double ----

uint32_t scvuxwdp(int i, IOPDesc *iop, Vec128 source, Vec128 *result)
{
    FP160 value;
    FP160_ConvertFromUI32(&value, Vec_Word(source, 2 * i), "scvuxwdp::op_B");
    return deliver_double(i, iop, &value, result);
}

uint32_t scvsxwdp(int i, IOPDesc *iop, Vec128 source, Vec128 *result)
{
    FP160 value;
    FP160_ConvertFromSI32(&value, (int32_t)Vec_Word(source, 2 * i), "scvsxwdp::op_B");
    return deliver_double(i, iop, &value, result);
}

uint32_t scvuxddp(int i, IOPDesc *iop, Vec128 source, Vec128 *result)
{
    FP160 value;
    FP160_ConvertFromUI64(&value, Vec_Dword(source, i), "scvuxddp::op_B");
    return deliver_double(i, iop, &value, result);
}

uint32_t scvsxddp(int i, IOPDesc *iop, Vec128 source, Vec128 *result)
{
    FP160 value;
    FP160_ConvertFromSI64(&value, (int64_t)Vec_Dword(source, i), "scvsxddp::op_B");
    return deliver_double(i, iop, &value, result);
}

uint32_t scvspdp(int i, IOPDesc *iop, Vec128 source, Vec128 *result)
{
    FP160 value;
    FP160_VX_ConvertFromSP_Source(&value, Vec_Word(source, 2 * i), 0, 0, "scvspdp::op_B");
    FP160_CheckNaN_Operand(&value, &value);
    const uint32_t flags = deliver_double(i, iop, &value, result);
    // Every single is exactly a double: FR and FI end 0 whatever the delivery recorded.
    FPSCR_SetBit(iop, FPSCR_FR, 0);
    FPSCR_SetBit(iop, FPSCR_FI, 0);
    return flags;
}

// ---- to single ----

uint32_t scvdpsp(int i, IOPDesc *iop, Vec128 source, Vec128 *result)
{
    const uint64_t dw = Vec_Dword(source, i);
    FP160 value;
    FP160_ConvertFromDP(&value, &dw, "scvdpsp::op_B");
    FP160_CheckNaN_Operand(&value, &value);
    uint32_t flags;
    set_word_pair(result, i, to_single(iop, &value, IOP_FP_Rounding_Mode(iop), &flags));
    return flags;
}

uint32_t scvuxwsp(int i, IOPDesc *iop, Vec128 source, Vec128 *result)
{
    FP160 value;
    FP160_ConvertFromUI32(&value, Vec_Word(source, i), "scvuxwsp::op_B");
    uint32_t flags;
    Vec_Set_Word(result, i, to_single(iop, &value, IOP_FP_Rounding_Mode(iop), &flags));
    return flags;
}

uint32_t scvsxwsp(int i, IOPDesc *iop, Vec128 source, Vec128 *result)
{
    FP160 value;
    FP160_ConvertFromSI32(&value, (int32_t)Vec_Word(source, i), "scvsxwsp::op_B");
    uint32_t flags;
    Vec_Set_Word(result, i, to_single(iop, &value, IOP_FP_Rounding_Mode(iop), &flags));
    return flags;
}

uint32_t scvuxdsp(int i, IOPDesc *iop, Vec128 source, Vec128 *result)
{
    FP160 value;
    FP160_ConvertFromUI64(&value, Vec_Dword(source, i), "scvuxdsp::op_B");
    uint32_t flags;
    set_word_pair(result, i, to_single(iop, &value, IOP_FP_Rounding_Mode(iop), &flags));
    return flags;
}

uint32_t scvsxdsp(int i, IOPDesc *iop, Vec128 source, Vec128 *result)
{
    FP160 value;
    FP160_ConvertFromSI64(&value, (int64_t)Vec_Dword(source, i), "scvsxdsp::op_B");
    uint32_t flags;
    set_word_pair(result, i, to_single(iop, &value, IOP_FP_Rounding_Mode(iop), &flags));
    return flags;
}

uint32_t srspi(int i, IOPDesc *iop, Vec128 source, int mode, Vec128 *result)
{
    FP160 value;
    FP160_VX_ConvertFromSP_Source(&value, Vec_Word(source, i), 0, 0, "srspi::op_B");
    FP160_MakeIntegral(&value, mode, 0);
    uint32_t flags;
    Vec_Set_Word(result, i, to_single(iop, &value, 1, &flags));
    return flags;
}

// ---- floating to integer ----

namespace
{

enum Target { SIGNED32, UNSIGNED32, SIGNED64, UNSIGNED64 };

// The truncated, saturated integer of the value (overflow marked when saturated).
uint64_t make_integer(FP160 *value, Target target)
{
    switch (target) {
    case SIGNED32:
        return (uint32_t)FP160_Make_Int32(value);
    case UNSIGNED32:
        return FP160_Make_UInt32(value);
    case SIGNED64:
        return (uint64_t)FP160_Make_Int64(value, 1);
    case UNSIGNED64:
        return FP160_Make_UInt64(value, 1);
    }
    return 0;
}

uint64_t nan_result(Target target)
{
    switch (target) {
    case SIGNED32:
        return 0x80000000u;
    case SIGNED64:
        return 0x8000000000000000ull;
    default:
        return 0;
    }
}

// The conversion of a widened value; the result goes to the caller's positions.
uint64_t float_to_integer(IOPDesc *iop, FP160 *value, Target target, const char *routine, uint32_t *flags)
{
    uint64_t r;
    if (FP160_Is_NaN(value)) {
        r = nan_result(target);
        FPSCR_SetBit(iop, FPSCR_FR, 0);
        FPSCR_SetBit(iop, FPSCR_FI, 0);
        FPSCR_SetBit(iop, FPSCR_VXCVI, 1);
        if (!(value->sig_hi & FP160_QUIET_BIT)) {
            FP160_Mark_Exception(value, FP_SNAN_OPERAND, 0, routine, "SNaN operand");
            FPSCR_SetBit(iop, FPSCR_VXSNAN, 1);
        } else {
            FP160_Mark_Exception(value, FP_INVALID | FP_QNAN_OPERAND, INVALID_CONVERT, routine,
                                 "NaN operand");
        }
    } else {
        r = make_integer(value, target);
        if (value->exceptions & FP_OVERFLOW) {
            FPSCR_SetBit(iop, FPSCR_FR, 0);
            FPSCR_SetBit(iop, FPSCR_FI, 0);
            FPSCR_SetBit(iop, FPSCR_VXCVI, 1);
            FP160_UnMark_Exception(value, FP_INEXACT, routine, "Suppressing inexact for VXCVI");
            FP160_Mark_Exception(value, FP_INVALID, INVALID_CONVERT, routine, "Overflow in conversion");
        } else {
            FPSCR_SetBit(iop, FPSCR_FI, (value->exceptions & FP_INEXACT) != 0);
            FPSCR_SetBit(iop, FPSCR_FR, (value->exceptions & FP_ROUND_UP) != 0);
        }
    }
    *flags = value->exceptions;
    return r;
}

uint64_t from_double(IOPDesc *iop, uint64_t dw, Target target, const char *label, const char *routine,
                     uint32_t *flags)
{
    FP160 value;
    FP160_ConvertFromDP(&value, &dw, label);
    return float_to_integer(iop, &value, target, routine, flags);
}

uint64_t from_single(IOPDesc *iop, uint32_t word, Target target, const char *label, const char *routine,
                     uint32_t *flags)
{
    FP160 value;
    FP160_VX_ConvertFromSP_Source(&value, word, 0, 0, label);
    return float_to_integer(iop, &value, target, routine, flags);
}

} // namespace

uint32_t private_scvspuxws(int i, IOPDesc *iop, Vec128 source, Vec128 *result)
{
    uint32_t flags;
    Vec_Set_Word(result, i,
                 (uint32_t)from_single(iop, Vec_Word(source, i), UNSIGNED32, "scvspuxws::op_B",
                                       "private_scvspuxws", &flags));
    return flags;
}

uint32_t private_scvspsxws(int i, IOPDesc *iop, Vec128 source, Vec128 *result)
{
    uint32_t flags;
    Vec_Set_Word(result, i,
                 (uint32_t)from_single(iop, Vec_Word(source, i), SIGNED32, "scvspsxws::op_B",
                                       "private_scvspsxws", &flags));
    return flags;
}

uint32_t private_scvdpuxws(int i, IOPDesc *iop, Vec128 source, Vec128 *result)
{
    uint32_t flags;
    set_word_pair(result, i,
                  (uint32_t)from_double(iop, Vec_Dword(source, i), UNSIGNED32, "scvdpuxws::op_B",
                                        "private_scvdpuxws", &flags));
    return flags;
}

uint32_t private_scvdpsxws(int i, IOPDesc *iop, Vec128 source, Vec128 *result)
{
    uint32_t flags;
    set_word_pair(result, i,
                  (uint32_t)from_double(iop, Vec_Dword(source, i), SIGNED32, "scvdpsxws::op_B",
                                        "private_scvdpsxws", &flags));
    return flags;
}

uint32_t private_scvspuxds(int i, IOPDesc *iop, Vec128 source, Vec128 *result)
{
    uint32_t flags;
    set_dword(result, i,
              from_single(iop, Vec_Word(source, 2 * i), UNSIGNED64, "scvspuxds::op_B", "private_scvspuxds",
                          &flags));
    return flags;
}

uint32_t private_scvspsxds(int i, IOPDesc *iop, Vec128 source, Vec128 *result)
{
    uint32_t flags;
    set_dword(
        result, i,
        from_single(iop, Vec_Word(source, 2 * i), SIGNED64, "scvspsxds::op_B", "private_scvspsxds", &flags));
    return flags;
}

uint32_t private_scvdpuxds(int i, IOPDesc *iop, Vec128 source, Vec128 *result)
{
    uint32_t flags;
    set_dword(
        result, i,
        from_double(iop, Vec_Dword(source, i), UNSIGNED64, "scvdpuxds::op_B", "private_scvdpuxds", &flags));
    return flags;
}

uint32_t private_scvdpsxds(int i, IOPDesc *iop, Vec128 source, Vec128 *result)
{
    uint32_t flags;
    set_dword(
        result, i,
        from_double(iop, Vec_Dword(source, i), SIGNED64, "scvdpsxds::op_B", "private_scvdpsxds", &flags));
    return flags;
}

// Decimal exceptions into the status word.
#include "dfp/dfp_exceptions.h"

#include "dfp/decimal_compare.h"
#include "dfp/dfp_assert.h"

namespace
{
const char *const kPath = "common/dfp/DecimalFP_Status";

uint32_t resultClass(const DecimalNumber *r)
{
    switch (r->type) {
    case Infinity:
        return r->sign ? DFP_CLASS_MINUS_INFINITY : DFP_CLASS_PLUS_INFINITY;
    case QNaN:
        return DFP_CLASS_QNAN;
    case SNaN:
        return DFP_CLASS_SNAN;
    case Normal: {
        if (BCD_IsZero(&r->coefficient.bcdnumber))
            return r->sign ? DFP_CLASS_MINUS_ZERO : DFP_CLASS_PLUS_ZERO;
        DecimalNumber smallest;
        DFP_OpSetSpecificNumber(&smallest, r, 2);
        if (DFP_CompareOperandsByAbsValue(r, &smallest) < 0)
            return r->sign ? DFP_CLASS_MINUS_SUBNORMAL : DFP_CLASS_PLUS_SUBNORMAL;
        return r->sign ? DFP_CLASS_MINUS_NORMAL : DFP_CLASS_PLUS_NORMAL;
    }
    default:
        DFP_Assert("Undefined_DFP_Type_in_DFP_Add", kPath, __LINE__);
    }
}

void addClass(const DecimalNumber *result, uint32_t *status)
{
    if (result) DFP_set_post_operation_status(result, status);
}

} // namespace

void DFP_set_post_operation_status(const DecimalNumber *result, uint32_t *status)
{
    *status |= resultClass(result) | DFP_STATUS_WRITE_C;
}

void DFP_invalid_operation_exceptions(const DFP_Environment *env, int32_t operation, uint32_t cause,
                                      uint32_t *status, DecimalNumber *result)
{
    *status |= cause;
    if (env->enables & DFP_ENABLE_INVALID) {
        switch (operation) {
        case DFP_OPCLASS_ARITHMETIC:
        case DFP_OPCLASS_DECODE:
        case DFP_OPCLASS_ENCODE:
        case DFP_OPCLASS_ROUND_SHORTER:
        case DFP_OPCLASS_ROUND_INTEGER:
            *status |= DFP_STATUS_WRITE_FRFI;
            break;
        case DFP_OPCLASS_COMPARE:
            *status |= DFP_STATUS_FU;
            break;
        default:
            break;
        }
        return;
    }
    switch (operation) {
    case DFP_OPCLASS_ARITHMETIC:
    case DFP_OPCLASS_DECODE:
    case DFP_OPCLASS_ENCODE:
    case DFP_OPCLASS_REROUND:
    case DFP_OPCLASS_ROUND_SHORTER:
    case DFP_OPCLASS_QUANTIZE:
        if (result) DFP_OpSetDefaultQNaN(result);
        *status |= 0x80611000;
        if (!(*status & DFP_STATUS_VXSNAN)) *status |= DFP_STATUS_DEFAULT_QNAN;
        break;
    case DFP_OPCLASS_CONVERT:
    case DFP_OPCLASS_ROUND_INTEGER:
        *status |= 0x80611000;
        break;
    case DFP_OPCLASS_COMPARE:
        *status |= DFP_STATUS_FU;
        break;
    default:
        break;
    }
}

void DFP_Zero_Divide_exception(const DFP_Environment *env, uint32_t *status, const DecimalNumber *result)
{
    *status |= DFP_STATUS_ZERO_DIVIDE;
    if (env->enables & DFP_ENABLE_ZERO_DIVIDE) {
        *status |= DFP_STATUS_WRITE_FRFI;
        return;
    }
    *status |= DFP_STATUS_DELIVERED | DFP_STATUS_WRITE_FRFI;
    addClass(result, status);
}

void DFP_Overflow_exception(const DFP_Environment *env, uint32_t *status, const DecimalNumber *result)
{
    *status |= (env->enables & DFP_ENABLE_OVERFLOW) ? 0x80400800u : 0x80420800u;
    addClass(result, status);
}

void DFP_Underflow_exception(const DFP_Environment *env, uint32_t *status, const DecimalNumber *result)
{
    *status |= (env->enables & DFP_ENABLE_UNDERFLOW) ? 0x80400400u : 0x80420400u;
    addClass(result, status);
}

void DFP_Inexact_exception(const DFP_Environment *env, uint32_t *status, const DecimalNumber *result)
{
    if ((env->enables & DFP_ENABLE_UNDERFLOW) && (*status & DFP_STATUS_UNDERFLOW)) return;
    if ((env->enables & DFP_ENABLE_OVERFLOW) && (*status & DFP_STATUS_OVERFLOW)) return;
    *status |= 0x80420200;
    addClass(result, status);
}

void DFP_SetStatus(const DFP_Environment *env, int writeFrFi, const DecimalNumber *result, uint32_t *status)
{
    if (*status & DFP_STATUS_OVERFLOW) DFP_Overflow_exception(env, status, result);
    if (*status & DFP_STATUS_UNDERFLOW) DFP_Underflow_exception(env, status, result);
    if (*status & (DFP_STATUS_FI | DFP_STATUS_INEXACT)) DFP_Inexact_exception(env, status, result);
    if (!(*status & (DFP_STATUS_OVERFLOW | DFP_STATUS_UNDERFLOW | DFP_STATUS_INEXACT | DFP_STATUS_FI))) {
        addClass(result, status);
        *status |= writeFrFi ? 0x80400000u : 0x80000000u;
    }
}

void DFP_SetInfiniteResult(int32_t sign, DecimalNumber *result, uint32_t *status)
{
    DFP_OpSetInfinity(result);
    result->sign = sign;
    *status |= sign ? 0x80609000u : 0x80605000u;
}

void DFP_CoerceInfiniteResult(const DecimalNumber *from, DecimalNumber *result, uint32_t *status)
{
    DFP_CopyOperandValue(from, result);
    result->type = Infinity;
    *status |= result->sign ? 0x80609000u : 0x80605000u;
}

// Quantize, reround, round to integer and the conversions between the decimal formats.
#include "dfp/dfp_format_round.h"

#include "dfp/decimal_arith.h"
#include "dfp/decimal_round_ops.h"
#include "dfp/decimal_test_ops.h"
#include "dfp/dfp_format_common.h"

namespace
{

enum : int32_t {
    kIdRoundIntegerInexact = 31,
    kIdRoundIntegerExact = 33,
    kIdSingleToDouble = 35,
    kIdDoubleToQuad = 36,
    kIdQuadToDouble = 37,
    kIdDoubleToSingle = 38,
    kIdQuantize = 39,
    kIdQuantizeImmediate = 41,
    kIdReround = 43,
};

// The five-bit TE field as an exponent from -16 to 15.
int32_t signExtendTE(int te)
{
    const int32_t field = te & 0x1F;
    return (field ^ 0x10) - 0x10;
}

void quantize(const DFP_RegisterFormat &f, const uint64_t *aWords, const uint64_t *bWords, int rmc, int te,
              uint64_t *out, DFP_SystemEnvironment *sysEnv)
{
    DFP_Environment env{};
    Build_Environment(DFP_OPCLASS_QUANTIZE, sysEnv, &env);
    DecimalNumber b, reference, result;
    DFP_UnpackWords(f, bWords, &b);
    const bool immediate = te >= 0;
    if (immediate) {
        DFP_SetZeroOfFormat(b.format, &reference);
        reference.exponent = signExtendTE(te);
    } else {
        DFP_UnpackWords(f, aWords, &reference);
    }
    DFP_SetClearedOfFormat(b.format, &result);
    DecimalIntermediate intermediate;
    DFP_SetClearedIntermediate(f.wide, &intermediate);
    uint32_t status = 0;
    DFP_Quantize(&env, &reference, &b, (uint32_t)rmc, &result, &status, &sysEnv->coverage.roundingCase,
                 &intermediate);
    DFP_UpdateSystemStatus(&env, status, f.resultKind, &result, sysEnv);
    if (b.type != Normal || reference.type != Normal)
        sysEnv->auxResult = 3;
    else
        sysEnv->auxResult = b.exponent == reference.exponent ? 1 : b.exponent < reference.exponent ? 2 : 0;
    const int32_t id = (immediate ? kIdQuantizeImmediate : kIdQuantize) + f.quad;
    DFP_UpdateCoverageMetrics(id, &env, status, &reference, &b, &result, &intermediate, &sysEnv->coverage);
    DFP_PackWords(f, &result, out);
}

void reround(const DFP_RegisterFormat &f, uint64_t k, const uint64_t *bWords, int rmc, uint64_t *out,
             DFP_SystemEnvironment *sysEnv)
{
    DFP_Environment env{};
    Build_Environment(DFP_OPCLASS_REROUND, sysEnv, &env);
    DecimalNumber b, result;
    DFP_UnpackWords(f, bWords, &b);
    DFP_SetClearedOfFormat(b.format, &result);
    DecimalIntermediate intermediate;
    DFP_SetClearedIntermediate(f.wide, &intermediate);
    uint32_t status = 0;
    // Any significance from 64 on means "at least as many digits as there are".
    const uint32_t significance = k > 64 ? 64 : (uint32_t)k;
    DFP_Reround(&env, significance, &b, (uint32_t)rmc, &result, &status, &sysEnv->coverage.roundingCase,
                &intermediate);
    DFP_UpdateSystemStatus(&env, status, f.resultKind, &result, sysEnv);
    sysEnv->auxResult = DFP_GetPrecCmpField(&b, k);
    DFP_UpdateCoverageMetrics(kIdReround + f.quad, &env, status, &b, nullptr, &result, &intermediate,
                              &sysEnv->coverage);
    if (sysEnv->resultKind) DFP_PackWords(f, &result, out);
}

void roundInteger(const DFP_RegisterFormat &f, const uint64_t *bWords, int r, int rmc, int signalInexact,
                  uint64_t *out, DFP_SystemEnvironment *sysEnv)
{
    DFP_Environment built{}, env{};
    Build_Environment(DFP_OPCLASS_ROUND_INTEGER, sysEnv, &built);
    DFP_UpdateEnvironmentFromInput(&built, (uint32_t)r, (uint32_t)rmc, &env);
    DecimalNumber b, result;
    DFP_UnpackWords(f, bWords, &b);
    DFP_SetClearedOfFormat(b.format, &result);
    DecimalIntermediate intermediate;
    DFP_SetClearedIntermediate(f.wide, &intermediate);
    uint32_t status = 0;
    DFP_RoundFPInteger(&env, &b, signalInexact, &result, &status, &sysEnv->coverage.roundingCase,
                       &intermediate);
    DFP_UpdateSystemStatus(&env, status, f.resultKind, &result, sysEnv);
    const int32_t id = (signalInexact ? kIdRoundIntegerInexact : kIdRoundIntegerExact) + f.quad;
    DFP_UpdateCoverageMetrics(id, &env, status, &b, nullptr, &result, &intermediate, &sysEnv->coverage);
    DFP_PackWords(f, &result, out);
}

// Rounding to the shorter format. `wide` is b's format, `narrow` the target's (decimal64 or
// decimal32); shortKind and wideKind are the result kinds of the two outcomes.
struct Shortening {
    const DFP_RegisterFormat &source;
    DecimalFormat narrow;
    int32_t shortKind;
    int keepSNaN, canonicalInfinity;
    int32_t id;
};

void roundShorter(const Shortening &s, const uint64_t *bWords, int applyField, int field, uint64_t *out,
                  DFP_SystemEnvironment *sysEnv)
{
    DFP_Environment env{};
    Build_Environment(DFP_OPCLASS_ROUND_SHORTER, sysEnv, &env);
    DecimalNumber b, result;
    DFP_UnpackWords(s.source, bWords, &b);
    DFP_SetZeroOfFormat(s.narrow, &result);
    DecimalIntermediate intermediate;
    DFP_SetClearedIntermediate(s.source.wide, &intermediate);
    uint32_t status = 0;
    DFP_RoundTo_WithRM(&env, &b, applyField, (uint32_t)field, s.keepSNaN, s.canonicalInfinity, &result,
                       &status, &sysEnv->coverage.roundingCase, &intermediate);
    const bool trapped = ((status & DFP_STATUS_UNDERFLOW) && (env.enables & DFP_ENABLE_UNDERFLOW)) ||
                         ((status & DFP_STATUS_OVERFLOW) && (env.enables & DFP_ENABLE_OVERFLOW));
    DFP_UpdateSystemStatus(&env, status, trapped ? s.source.resultKind : s.shortKind, &result, sysEnv);
    sysEnv->auxResult = trapped ? 1 : 0;
    sysEnv->auxFlag = s.keepSNaN;
    if (trapped) {
        // The range is that of the rounding into the shorter format; the scaled result itself,
        // in the longer format, fits neither that format's ranges nor the intermediate's.
        DecimalNumber inShorter;
        DFP_SetZeroOfFormat(s.narrow, &inShorter);
        inShorter.sign = result.sign;
        DFP_UpdateCoverageMetrics(s.id, &env, status, &b, nullptr, &inShorter, &intermediate,
                                  &sysEnv->coverage);
        sysEnv->coverage.resultType = result.sign ? 6 : 5;
        DFP_PackWords(s.source, &result, out);
        return;
    }
    DFP_UpdateCoverageMetrics(s.id, &env, status, &b, nullptr, &result, &intermediate, &sysEnv->coverage);
    if (s.narrow.precision == DFP_FormatDecimal64.precision) {
        DFP_PackWords(DFP_Decimal64, &result, out);
        out[1] = 0;
    } else {
        DFP_Pack_Single(&result, sysEnv->system, out);
    }
}

} // namespace

void DFP_QuantizeDouble(uint64_t a, uint64_t b, int rmc, int te, uint64_t *result,
                        DFP_SystemEnvironment *sysEnv)
{
    quantize(DFP_Decimal64, &a, &b, rmc, te, result, sysEnv);
}

void DFP_QuantizeQuad(const uint64_t *a, const uint64_t *b, int rmc, int te, uint64_t *result,
                      DFP_SystemEnvironment *sysEnv)
{
    quantize(DFP_Decimal128, a, b, rmc, te, result, sysEnv);
}

void DFP_Quantize_Double(uint64_t a, uint64_t b, int rmc, uint64_t *result, DFP_SystemEnvironment *sysEnv)
{
    DFP_QuantizeDouble(a, b, rmc, -1, result, sysEnv);
}

void DFP_Quantize_Quad(const uint64_t *a, const uint64_t *b, int rmc, uint64_t *result,
                       DFP_SystemEnvironment *sysEnv)
{
    DFP_QuantizeQuad(a, b, rmc, -1, result, sysEnv);
}

void DFP_Quantize_Immediate_Double(int te, uint64_t b, int rmc, uint64_t *result,
                                   DFP_SystemEnvironment *sysEnv)
{
    DFP_QuantizeDouble(0, b, rmc, te & 0x1F, result, sysEnv);
}

void DFP_Quantize_Immediate_Quad(int te, const uint64_t *b, int rmc, uint64_t *result,
                                 DFP_SystemEnvironment *sysEnv)
{
    DFP_QuantizeQuad(nullptr, b, rmc, te & 0x1F, result, sysEnv);
}

void DFP_Reround_Double(uint64_t k, uint64_t b, int rmc, uint64_t *result, DFP_SystemEnvironment *sysEnv)
{
    reround(DFP_Decimal64, k, &b, rmc, result, sysEnv);
}

void DFP_Reround_Quad(uint64_t k, const uint64_t *b, int rmc, uint64_t *result, DFP_SystemEnvironment *sysEnv)
{
    reround(DFP_Decimal128, k, b, rmc, result, sysEnv);
}

void DFP_RoundFPIntegerDouble(uint64_t b, int r, int rmc, int signalInexact, uint64_t *result,
                              DFP_SystemEnvironment *sysEnv)
{
    roundInteger(DFP_Decimal64, &b, r, rmc, signalInexact, result, sysEnv);
}

void DFP_RoundFPIntegerQuad(const uint64_t *b, int r, int rmc, int signalInexact, uint64_t *result,
                            DFP_SystemEnvironment *sysEnv)
{
    roundInteger(DFP_Decimal128, b, r, rmc, signalInexact, result, sysEnv);
}

void DFP_RoundFPInteger_With_Inexact_Double(uint64_t b, int r, int rmc, uint64_t *result,
                                            DFP_SystemEnvironment *sysEnv)
{
    DFP_RoundFPIntegerDouble(b, r, rmc, 1, result, sysEnv);
}

void DFP_RoundFPInteger_With_Inexact_Quad(const uint64_t *b, int r, int rmc, uint64_t *result,
                                          DFP_SystemEnvironment *sysEnv)
{
    DFP_RoundFPIntegerQuad(b, r, rmc, 1, result, sysEnv);
}

void DFP_RoundFPInteger_Without_Inexact_Double(uint64_t b, int r, int rmc, uint64_t *result,
                                               DFP_SystemEnvironment *sysEnv)
{
    DFP_RoundFPIntegerDouble(b, r, rmc, 0, result, sysEnv);
}

void DFP_RoundFPInteger_Without_Inexact_Quad(const uint64_t *b, int r, int rmc, uint64_t *result,
                                             DFP_SystemEnvironment *sysEnv)
{
    DFP_RoundFPIntegerQuad(b, r, rmc, 0, result, sysEnv);
}

void DFP_Convert_Single_To_Double(uint64_t b, int, uint64_t *result, DFP_SystemEnvironment *sysEnv)
{
    DFP_Environment env{};
    Build_Environment(DFP_OPCLASS_CONVERT, sysEnv, &env);
    DecimalNumber source, number;
    DFP_Unpack_Single(b, sysEnv->system, &source);
    DFP_SetZeroOfFormat(DFP_FormatDecimal64, &number);
    uint32_t status = 0;
    DFP_ConvertTo(&env, &source, 1, 0, &number, &status, &sysEnv->coverage.roundingCase);
    status &= ~DFP_STATUS_WRITE_FRFI;
    DFP_UpdateSystemStatus(&env, status, DFP_Decimal64.resultKind, &number, sysEnv);
    sysEnv->auxResult = 1;
    DFP_UpdateCoverageMetrics(kIdSingleToDouble, &env, status, &source, nullptr, &number, nullptr,
                              &sysEnv->coverage);
    DFP_PackWords(DFP_Decimal64, &number, result);
}

void DFP_Convert_Double_To_Quad(uint64_t b, int, uint64_t *result, DFP_SystemEnvironment *sysEnv)
{
    DFP_Environment env{};
    Build_Environment(DFP_OPCLASS_CONVERT, sysEnv, &env);
    DecimalNumber source, number;
    DFP_Unpack_Double(b, &source);
    DFP_SetZeroOfFormat(DFP_FormatDecimal128, &number);
    uint32_t status = 0;
    DFP_ConvertTo(&env, &source, 0, 1, &number, &status, &sysEnv->coverage.roundingCase);
    status |= DFP_STATUS_WRITE_FRFI;
    DFP_UpdateSystemStatus(&env, status, DFP_Decimal128.resultKind, &number, sysEnv);
    sysEnv->auxResult = 0;
    DFP_UpdateCoverageMetrics(kIdDoubleToQuad, &env, status, &source, nullptr, &number, nullptr,
                              &sysEnv->coverage);
    DFP_PackWords(DFP_Decimal128, &number, result);
}

void DFP_Convert_No_M_Single_To_Double(uint64_t b, uint64_t *result, DFP_SystemEnvironment *sysEnv)
{
    DFP_Convert_Single_To_Double(b, 2, result, sysEnv);
}

void DFP_Convert_No_M_Double_To_Quad(uint64_t b, uint64_t *result, DFP_SystemEnvironment *sysEnv)
{
    DFP_Convert_Double_To_Quad(b, 2, result, sysEnv);
}

void DFP_Round_Double_To_Single(uint64_t b, int applyField, int field, int, uint64_t *result,
                                DFP_SystemEnvironment *sysEnv)
{
    const Shortening s{DFP_Decimal64, DFP_FormatDecimal32, 1, 1, 0, kIdDoubleToSingle};
    roundShorter(s, &b, applyField, field, result, sysEnv);
}

void DFP_Round_Quad_To_Double(const uint64_t *b, int applyField, int field, int, uint64_t *result,
                              DFP_SystemEnvironment *sysEnv)
{
    const Shortening s{DFP_Decimal128, DFP_FormatDecimal64, 2, 0, 1, kIdQuadToDouble};
    roundShorter(s, b, applyField, field, result, sysEnv);
}

void DFP_Round_No_M_Double_To_Single(uint64_t b, uint64_t *result, DFP_SystemEnvironment *sysEnv)
{
    DFP_Round_Double_To_Single(b, 0, 0, 2, result, sysEnv);
}

void DFP_Round_No_M_Quad_To_Double(const uint64_t *b, uint64_t *result, DFP_SystemEnvironment *sysEnv)
{
    DFP_Round_Quad_To_Double(b, 0, 0, 2, result, sysEnv);
}

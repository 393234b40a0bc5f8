// Integer and packed-BCD conversions by format.
#include "dfp/dfp_format_convert.h"

#include "dfp/decimal_fixed.h"
#include "dfp/dfp_exceptions.h"
#include "dfp/dfp_format_common.h"

namespace
{

enum : int32_t {
    kIdFromFixed = 13,
    kIdEncodeSigned = 15,
    kIdEncodeUnsigned = 17,
    kIdToFixed = 19,
    kIdDecodeSigned = 21,
    kIdDecodeUnsigned = 23,
};

void fromFixed(const DFP_RegisterFormat &f, uint64_t integer, int writeFrFi, uint64_t *out,
               DFP_SystemEnvironment *sysEnv)
{
    DFP_Environment env{};
    Build_Environment(DFP_OPCLASS_CONVERT, sysEnv, &env);
    DecimalNumber result;
    DFP_SetZeroOfFormat(f.format, &result);
    DecimalIntermediate intermediate;
    DFP_SetClearedIntermediate(f.wide, &intermediate);
    uint32_t status = 0;
    DFP_ConvertFromFixed(&env, (int64_t)integer, writeFrFi, &result, &status, &sysEnv->coverage.roundingCase,
                         &intermediate);
    DFP_UpdateSystemStatus(&env, status, f.resultKind, &result, sysEnv);
    DFP_UpdateCoverageMetrics(kIdFromFixed + f.quad, &env, status, nullptr, nullptr, &result, &intermediate,
                              &sysEnv->coverage);
    DFP_PackWords(f, &result, out);
}

int toFixed(const DFP_RegisterFormat &f, const uint64_t *bWords, uint64_t *out, DFP_SystemEnvironment *sysEnv)
{
    DFP_Environment env{};
    Build_Environment(DFP_OPCLASS_CONVERT, sysEnv, &env);
    DecimalNumber b;
    DFP_UnpackWords(f, bWords, &b);
    int64_t integer = (int64_t)*out;
    uint32_t status = 0;
    DFP_ConvertToFixed(&env, &b, &integer, &status, &sysEnv->coverage.roundingCase);
    *out = (uint64_t)integer;
    DFP_UpdateSystemStatus(&env, status, 4, nullptr, sysEnv);
    sysEnv->auxResult = (integer == INT64_MAX || integer == INT64_MIN) ? 1 : 0;
    DFP_UpdateCoverageMetrics(kIdToFixed + f.quad, &env, status, &b, nullptr, nullptr, nullptr,
                              &sysEnv->coverage);
    return sysEnv->auxResult;
}

void encode(const DFP_RegisterFormat &f, int s, const uint64_t *bWords, uint64_t *out,
            DFP_SystemEnvironment *sysEnv)
{
    const int words = f.quad ? 2 : 1;
    for (int i = 0; i < words; i++)
        out[i] = 0;
    DFP_Environment env{};
    Build_Environment(DFP_OPCLASS_ENCODE, sysEnv, &env);
    DFP_InitRoundingCase(&sysEnv->coverage.roundingCase);
    DecimalNumber result;
    DFP_SetZeroOfFormat(f.format, &result);
    uint32_t status = 0;
    const int digits = 16 * words - (s ? 1 : 0);
    const int signCode = s ? (int)(bWords[words - 1] & 0xF) : -1;
    if (DFP_ParsePackedBCD(signCode, digits, bWords, &result) != 0) {
        DFP_InvalidEncodeUpdateStatus(&env, &status, &result, sysEnv);
    } else {
        status = DFP_STATUS_DELIVERED | DFP_STATUS_WRITE_FRFI;
        DFP_SetStatus(&env, 1, &result, &status);
    }
    DFP_UpdateSystemStatus(&env, status, f.resultKind, &result, sysEnv);
    const int32_t id = (s ? kIdEncodeSigned : kIdEncodeUnsigned) + f.quad;
    DFP_UpdateCoverageMetrics(id, &env, status, nullptr, nullptr, &result, nullptr, &sysEnv->coverage);
    if (sysEnv->resultKind == f.resultKind) DFP_PackWords(f, &result, out);
}

void decode(const DFP_RegisterFormat &f, int sp, const uint64_t *bWords, uint64_t *out,
            DFP_SystemEnvironment *sysEnv)
{
    const int words = f.quad ? 2 : 1;
    for (int i = 0; i < words; i++)
        out[i] = 0;
    DFP_Environment env{};
    Build_Environment(DFP_OPCLASS_DECODE, sysEnv, &env);
    DecimalNumber b;
    DFP_UnpackWords(f, bWords, &b);
    DFP_InitRoundingCase(&sysEnv->coverage.roundingCase);
    const bool signedForm = (sp & 2) != 0;
    const int nibbles = 16 * words;
    const int first = signedForm ? 1 : 0; // nibbles counted from the last one
    // Nibble k from the end of the string.
    auto put = [&](int k, uint64_t value) { out[words - 1 - k / 16] |= value << (4 * (k % 16)); };
    for (int k = first; k < nibbles; k++)
        put(k, BCD_GetDigit(&b.coefficient.bcdnumber, (uint32_t)(k - first)));
    if (signedForm) put(0, b.sign ? 0xD : ((sp & 1) ? 0xF : 0xC));
    const uint32_t status = DFP_STATUS_DELIVERED;
    DFP_UpdateSystemStatus(&env, status, f.quad ? 6 : 5, nullptr, sysEnv);
    const int32_t id = (signedForm ? kIdDecodeSigned : kIdDecodeUnsigned) + f.quad;
    DFP_UpdateCoverageMetrics(id, &env, status, &b, nullptr, nullptr, nullptr, &sysEnv->coverage);
}

} // namespace

void DFP_Convert_From_Fixed_Double(uint64_t integer, uint64_t *result, DFP_SystemEnvironment *sysEnv)
{
    fromFixed(DFP_Decimal64, integer, 1, result, sysEnv);
}

void DFP_Convert_From_Fixed_Quad(uint64_t integer, uint64_t *result, DFP_SystemEnvironment *sysEnv)
{
    fromFixed(DFP_Decimal128, integer, 0, result, sysEnv);
}

int DFP_Convert_To_Fixed_Double(uint64_t b, uint64_t *result, DFP_SystemEnvironment *sysEnv)
{
    return toFixed(DFP_Decimal64, &b, result, sysEnv);
}

int DFP_Convert_To_Fixed_Quad(const uint64_t *b, uint64_t *result, DFP_SystemEnvironment *sysEnv)
{
    return toFixed(DFP_Decimal128, b, result, sysEnv);
}

void DFP_Encode_BCD_To_DPD_Double(int s, uint64_t b, uint64_t *result, DFP_SystemEnvironment *sysEnv)
{
    encode(DFP_Decimal64, s, &b, result, sysEnv);
}

void DFP_Encode_BCD_To_DPD_Quad(int s, const uint64_t *b, uint64_t *result, DFP_SystemEnvironment *sysEnv)
{
    encode(DFP_Decimal128, s, b, result, sysEnv);
}

void DFP_Decode_DPD_To_BCD_Double(int sp, uint64_t b, uint64_t *result, DFP_SystemEnvironment *sysEnv)
{
    decode(DFP_Decimal64, sp, &b, result, sysEnv);
}

void DFP_Decode_DPD_To_BCD_Quad(int sp, const uint64_t *b, uint64_t *result, DFP_SystemEnvironment *sysEnv)
{
    decode(DFP_Decimal128, sp, b, result, sysEnv);
}

// Tests, biased exponents and coefficient shifts by format.
#include "dfp/dfp_format_test.h"

#include "dfp/decimal_test_ops.h"
#include "dfp/dfp_format_common.h"

namespace
{

enum : int32_t {
    kIdExtractExponent = 25,
    kIdInsertExponent = 27,
    kIdShiftLeft = 45,
    kIdShiftRight = 47,
    kIdDataClass = 50,
    kIdDataGroup = 53,
    kIdTestExponent = 55,
    kIdSignificance = 57,
};

// The common tail of the tests: no result, the FPCC into the image and the condition field.
void finishTest(const DFP_Environment &env, uint32_t status, int32_t id, const DecimalNumber *a,
                const DecimalNumber *b, DFP_SystemEnvironment *sysEnv)
{
    DFP_UpdateSystemStatus(&env, status, 0, nullptr, sysEnv);
    DFP_UpdateCoverageMetrics(id, &env, status, a, b, nullptr, nullptr, &sysEnv->coverage);
}

void dataClass(const DFP_RegisterFormat &f, const uint64_t *aWords, int dcm, DFP_SystemEnvironment *sysEnv)
{
    DFP_Environment env{};
    Build_Environment(DFP_OPCLASS_TEST, sysEnv, &env);
    DecimalNumber a;
    DFP_UnpackWords(f, aWords, &a);
    uint32_t status = 0;
    DFP_Test_Data_Class(&env, (uint32_t)dcm, &a, &status, &sysEnv->coverage.roundingCase);
    finishTest(env, status, kIdDataClass + f.quad, &a, nullptr, sysEnv);
}

int dataGroup(const DFP_RegisterFormat &f, const uint64_t *aWords, int dgm, DFP_SystemEnvironment *sysEnv)
{
    DFP_Environment env{};
    Build_Environment(DFP_OPCLASS_TEST_GROUP, sysEnv, &env);
    DecimalNumber a;
    DFP_UnpackWords(f, aWords, &a);
    uint32_t status = 0, code = 0;
    DFP_Test_Data_Group(&env, (uint32_t)dgm, &a, &status, &code, &sysEnv->coverage.roundingCase);
    DFP_UpdateSystemStatus(&env, status, 0, nullptr, sysEnv);
    sysEnv->auxResult = (int32_t)code;
    DFP_UpdateCoverageMetrics(kIdDataGroup + f.quad, &env, status, &a, nullptr, nullptr, nullptr,
                              &sysEnv->coverage);
    return (int)code;
}

void testExponent(const DFP_RegisterFormat &f, const uint64_t *aWords, const uint64_t *bWords,
                  DFP_SystemEnvironment *sysEnv)
{
    DFP_Environment env{};
    Build_Environment(DFP_OPCLASS_TEST, sysEnv, &env);
    DecimalNumber a, b;
    DFP_UnpackWords(f, aWords, &a);
    DFP_UnpackWords(f, bWords, &b);
    uint32_t status = 0;
    DFP_Test_Exponent(&env, &a, &b, &status, &sysEnv->coverage.roundingCase);
    finishTest(env, status, kIdTestExponent + f.quad, &a, &b, sysEnv);
}

int significance(const DFP_RegisterFormat &f, uint64_t reference, const uint64_t *bWords,
                 DFP_SystemEnvironment *sysEnv)
{
    DFP_Environment env{};
    Build_Environment(DFP_OPCLASS_TEST_SIGNIFICANCE, sysEnv, &env);
    DecimalNumber b;
    DFP_UnpackWords(f, bWords, &b);
    uint32_t status = 0;
    DFP_Test_Significance(&env, &reference, &b, &status, &sysEnv->coverage.roundingCase);
    DFP_UpdateSystemStatus(&env, status, 0, nullptr, sysEnv);
    sysEnv->auxResult = (int32_t)(reference & 0x3F);
    DFP_UpdateCoverageMetrics(kIdSignificance + f.quad, &env, status, &b, nullptr, nullptr, nullptr,
                              &sysEnv->coverage);
    return sysEnv->auxResult;
}

void extractExponent(const DFP_RegisterFormat &f, const uint64_t *bWords, uint64_t *out,
                     DFP_SystemEnvironment *sysEnv)
{
    DFP_Environment env{};
    Build_Environment(DFP_OPCLASS_EXTRACT_EXPONENT, sysEnv, &env);
    DecimalNumber b;
    DFP_UnpackWords(f, bWords, &b);
    int64_t exponent = (int64_t)*out;
    uint32_t status = 0;
    DFP_Extract_Biased_Exponent(&env, &b, &exponent, &status, &sysEnv->coverage.roundingCase);
    *out = (uint64_t)exponent;
    DFP_UpdateSystemStatus(&env, status, 4, nullptr, sysEnv);
    DFP_UpdateCoverageMetrics(kIdExtractExponent + f.quad, &env, status, &b, nullptr, nullptr, nullptr,
                              &sysEnv->coverage);
}

void insertExponent(const DFP_RegisterFormat &f, uint64_t exponent, const uint64_t *bWords, uint64_t *out,
                    DFP_SystemEnvironment *sysEnv)
{
    DFP_Environment env{};
    Build_Environment(DFP_OPCLASS_INSERT_EXPONENT, sysEnv, &env);
    DecimalNumber b, result;
    DFP_UnpackWords(f, bWords, &b);
    DFP_SetClearedOfFormat(b.format, &result);
    const int64_t biased = (int64_t)exponent;
    uint32_t status = 0;
    DFP_Insert_Biased_Exponent(&env, &biased, &b, &result, &status, &sysEnv->coverage.roundingCase);
    DFP_UpdateSystemStatus(&env, status, f.resultKind, &result, sysEnv);
    sysEnv->auxResult = (int32_t)(uint32_t)exponent;
    sysEnv->auxFlag = (int32_t)(uint32_t)(exponent >> 32);
    sysEnv->auxValue = (uint64_t)(DFP_ExponentBias(&b) + b.format.UxMax);
    DFP_UpdateCoverageMetrics(kIdInsertExponent + f.quad, &env, status, &b, nullptr, &result, nullptr,
                              &sysEnv->coverage);
    DFP_PackWords(f, &result, out);
}

void shift(const DFP_RegisterFormat &f, int left, int sh, const uint64_t *aWords, uint64_t *out,
           DFP_SystemEnvironment *sysEnv)
{
    DFP_Environment env{};
    Build_Environment(DFP_OPCLASS_SHIFT, sysEnv, &env);
    DecimalNumber a, result;
    DFP_UnpackWords(f, aWords, &a);
    DFP_SetClearedOfFormat(a.format, &result);
    uint32_t status = 0;
    DFP_RoundingCase *rc = &sysEnv->coverage.roundingCase;
    if (left)
        DFP_Shift_Coefficient_Left(&env, (uint32_t)sh, &a, &result, &status, rc);
    else
        DFP_Shift_Coefficient_Right(&env, (uint32_t)sh, &a, &result, &status, rc);
    DFP_UpdateSystemStatus(&env, status, f.resultKind, &result, sysEnv);
    const int32_t id = (left ? kIdShiftLeft : kIdShiftRight) + f.quad;
    DFP_UpdateCoverageMetrics(id, &env, status, &a, nullptr, &result, nullptr, &sysEnv->coverage);
    DFP_PackWords(f, &result, out);
}

} // namespace

void DFP_Test_Data_Class_Double(uint64_t a, int dcm, DFP_SystemEnvironment *sysEnv)
{
    dataClass(DFP_Decimal64, &a, dcm, sysEnv);
}

void DFP_Test_Data_Class_Quad(const uint64_t *a, int dcm, DFP_SystemEnvironment *sysEnv)
{
    dataClass(DFP_Decimal128, a, dcm, sysEnv);
}

int DFP_Test_Data_Group_Double(uint64_t a, int dgm, DFP_SystemEnvironment *sysEnv)
{
    return dataGroup(DFP_Decimal64, &a, dgm, sysEnv);
}

int DFP_Test_Data_Group_Quad(const uint64_t *a, int dgm, DFP_SystemEnvironment *sysEnv)
{
    return dataGroup(DFP_Decimal128, a, dgm, sysEnv);
}

void DFP_Test_Exponent_Double(uint64_t a, uint64_t b, DFP_SystemEnvironment *sysEnv)
{
    testExponent(DFP_Decimal64, &a, &b, sysEnv);
}

void DFP_Test_Exponent_Quad(const uint64_t *a, const uint64_t *b, DFP_SystemEnvironment *sysEnv)
{
    testExponent(DFP_Decimal128, a, b, sysEnv);
}

int DFP_Test_Significance_Double(uint64_t reference, uint64_t b, DFP_SystemEnvironment *sysEnv)
{
    return significance(DFP_Decimal64, reference, &b, sysEnv);
}

int DFP_Test_Significance_Quad(uint64_t reference, const uint64_t *b, DFP_SystemEnvironment *sysEnv)
{
    return significance(DFP_Decimal128, reference, b, sysEnv);
}

void DFP_Extract_Biased_Exponent_Double(uint64_t b, uint64_t *result, DFP_SystemEnvironment *sysEnv)
{
    extractExponent(DFP_Decimal64, &b, result, sysEnv);
}

void DFP_Extract_Biased_Exponent_Quad(const uint64_t *b, uint64_t *result, DFP_SystemEnvironment *sysEnv)
{
    extractExponent(DFP_Decimal128, b, result, sysEnv);
}

void DFP_Insert_Biased_Exponent_Double(uint64_t exponent, uint64_t b, uint64_t *result,
                                       DFP_SystemEnvironment *sysEnv)
{
    insertExponent(DFP_Decimal64, exponent, &b, result, sysEnv);
}

void DFP_Insert_Biased_Exponent_Quad(uint64_t exponent, const uint64_t *b, uint64_t *result,
                                     DFP_SystemEnvironment *sysEnv)
{
    insertExponent(DFP_Decimal128, exponent, b, result, sysEnv);
}

void DFP_Shift_Coefficient_Left_Double(int sh, uint64_t a, uint64_t *result, DFP_SystemEnvironment *sysEnv)
{
    shift(DFP_Decimal64, 1, sh, &a, result, sysEnv);
}

void DFP_Shift_Coefficient_Left_Quad(int sh, const uint64_t *a, uint64_t *result,
                                     DFP_SystemEnvironment *sysEnv)
{
    shift(DFP_Decimal128, 1, sh, a, result, sysEnv);
}

void DFP_Shift_Coefficient_Right_Double(int sh, uint64_t a, uint64_t *result, DFP_SystemEnvironment *sysEnv)
{
    shift(DFP_Decimal64, 0, sh, &a, result, sysEnv);
}

void DFP_Shift_Coefficient_Right_Quad(int sh, const uint64_t *a, uint64_t *result,
                                      DFP_SystemEnvironment *sysEnv)
{
    shift(DFP_Decimal128, 0, sh, a, result, sysEnv);
}

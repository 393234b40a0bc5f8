// Add, subtract, multiply, divide and compare by format.
#include "dfp/dfp_format_arith.h"

#include "dfp/decimal_arith.h"
#include "dfp/decimal_divide.h"
#include "dfp/dfp_assert.h"
#include "dfp/dfp_format_common.h"

namespace
{

const char *const kOperationsPath = "common/dfp/DecimalFP_Operations";
constexpr uint64_t kSignBit = 1ull << 63;

// Operation identifiers of the decimal64 forms; the decimal128 form is one more.
enum : int32_t { kIdAdd = 1, kIdSubtract = 3, kIdMultiply = 5, kIdDivide = 7 };
enum : int32_t { kIdCompareUnordered = 9, kIdCompareOrdered = 11 };

// The arithmetic driver. `line` is where an unknown operation code is reported.
void runOperation(const DFP_RegisterFormat &f, int32_t code, const uint64_t *aWords, const uint64_t *bWords,
                  uint64_t *out, DFP_SystemEnvironment *sysEnv, int line)
{
    DFP_Environment env{};
    Build_Environment(DFP_OPCLASS_ARITHMETIC, sysEnv, &env);
    DecimalNumber a, b, result;
    DFP_UnpackWords(f, aWords, &a);
    DFP_UnpackWords(f, bWords, &b);
    DFP_SetZeroOfFormat(a.format, &result);
    DecimalIntermediate intermediate;
    DFP_SetClearedIntermediate(f.wide, &intermediate);
    uint32_t status = 0;
    DFP_RoundingCase *rc = &sysEnv->coverage.roundingCase;
    int32_t id = 0;
    switch (code) {
    case 1:
        DFP_Add(&env, &a, &b, &result, &status, rc, &intermediate);
        id = kIdAdd;
        break;
    case 2:
        DFP_Multiply(&env, &a, &b, &result, &status, rc, &intermediate);
        id = kIdMultiply;
        break;
    case 3:
        DFP_Divide(&env, &a, &b, &result, &status, rc, &intermediate);
        id = kIdDivide;
        break;
    default:
        DFP_Assert("Undefined_arithmetic_operation", kOperationsPath, line);
    }
    DFP_UpdateSystemStatus(&env, status, f.resultKind, &result, sysEnv);
    DFP_UpdateCoverageMetrics(id + f.quad, &env, status, &a, &b, &result, &intermediate, &sysEnv->coverage);
    DFP_PackWords(f, &result, out);
}

// An exact zero sum of operands of opposite signs gets its own range code.
void markOppositeZero(uint64_t aFirst, uint64_t bFirst, DFP_SystemEnvironment *sysEnv)
{
    if (sysEnv->coverage.resultRange == 7 && ((aFirst ^ bFirst) & kSignBit)) sysEnv->coverage.resultRange = 8;
}

// A NaN has the combination field 11111.
bool isNaNWord(uint64_t first)
{
    return ((first >> 58) & 0x1F) == 0x1F;
}

// The coverage record after a subtraction ran as an addition of the negated b.
void subtractCoverage(const DFP_RegisterFormat &f, uint64_t bFirst, bool bIsNaN,
                      DFP_SystemEnvironment *sysEnv)
{
    sysEnv->coverage.operationId = kIdSubtract + f.quad;
    if (!bIsNaN) sysEnv->coverage.operand2Type += (bFirst & kSignBit) ? 1 : -1;
}

void compare(const DFP_RegisterFormat &f, const uint64_t *aWords, const uint64_t *bWords, int ordered,
             DFP_SystemEnvironment *sysEnv)
{
    DFP_Environment env{};
    Build_Environment(DFP_OPCLASS_COMPARE, sysEnv, &env);
    DecimalNumber a, b;
    DFP_UnpackWords(f, aWords, &a);
    DFP_UnpackWords(f, bWords, &b);
    DecimalIntermediate intermediate;
    DFP_SetClearedIntermediate(f.wide, &intermediate);
    uint32_t status = 0;
    DFP_Compare(&env, ordered, &a, &b, &status, &sysEnv->coverage.roundingCase, &intermediate);
    DFP_UpdateSystemStatus(&env, status, 0, nullptr, sysEnv);
    // A compare has no result; the range of its difference is measured in a's format.
    DecimalNumber rangeFormat;
    DFP_SetZeroOfFormat(a.format, &rangeFormat);
    const int32_t id = (ordered ? kIdCompareOrdered : kIdCompareUnordered) + f.quad;
    DFP_UpdateCoverageMetrics(id, &env, status, &a, &b, &rangeFormat, &intermediate, &sysEnv->coverage);
}

} // namespace

void DFP_Operation_Double(int32_t operation, uint64_t a, uint64_t b, uint64_t *result,
                          DFP_SystemEnvironment *sysEnv)
{
    runOperation(DFP_Decimal64, operation, &a, &b, result, sysEnv, 583);
}

void DFP_Operation_Quad(int32_t operation, const uint64_t *a, const uint64_t *b, uint64_t *result,
                        DFP_SystemEnvironment *sysEnv)
{
    runOperation(DFP_Decimal128, operation, a, b, result, sysEnv, 653);
}

void DFP_Add_Double(uint64_t a, uint64_t b, uint64_t *result, DFP_SystemEnvironment *sysEnv)
{
    DFP_Operation_Double(1, a, b, result, sysEnv);
    markOppositeZero(a, b, sysEnv);
}

void DFP_Add_Quad(const uint64_t *a, const uint64_t *b, uint64_t *result, DFP_SystemEnvironment *sysEnv)
{
    DFP_Operation_Quad(1, a, b, result, sysEnv);
    markOppositeZero(a[0], b[0], sysEnv);
}

void DFP_Subtract_Double(uint64_t a, uint64_t b, uint64_t *result, DFP_SystemEnvironment *sysEnv)
{
    const bool nan = isNaNWord(b);
    DFP_Add_Double(a, nan ? b : b ^ kSignBit, result, sysEnv);
    subtractCoverage(DFP_Decimal64, b, nan, sysEnv);
}

void DFP_Subtract_Quad(const uint64_t *a, const uint64_t *b, uint64_t *result, DFP_SystemEnvironment *sysEnv)
{
    const bool nan = isNaNWord(b[0]);
    const uint64_t negated[2] = {nan ? b[0] : b[0] ^ kSignBit, b[1]};
    DFP_Add_Quad(a, negated, result, sysEnv);
    subtractCoverage(DFP_Decimal128, b[0], nan, sysEnv);
}

void DFP_Multiply_Double(uint64_t a, uint64_t b, uint64_t *result, DFP_SystemEnvironment *sysEnv)
{
    DFP_Operation_Double(2, a, b, result, sysEnv);
}

void DFP_Multiply_Quad(const uint64_t *a, const uint64_t *b, uint64_t *result, DFP_SystemEnvironment *sysEnv)
{
    DFP_Operation_Quad(2, a, b, result, sysEnv);
}

void DFP_Divide_Double(uint64_t a, uint64_t b, uint64_t *result, DFP_SystemEnvironment *sysEnv)
{
    DFP_Operation_Double(3, a, b, result, sysEnv);
}

void DFP_Divide_Quad(const uint64_t *a, const uint64_t *b, uint64_t *result, DFP_SystemEnvironment *sysEnv)
{
    DFP_Operation_Quad(3, a, b, result, sysEnv);
}

void DFP_Compare_Double(uint64_t a, uint64_t b, int ordered, DFP_SystemEnvironment *sysEnv)
{
    compare(DFP_Decimal64, &a, &b, ordered, sysEnv);
}

void DFP_Compare_Quad(const uint64_t *a, const uint64_t *b, int ordered, DFP_SystemEnvironment *sysEnv)
{
    compare(DFP_Decimal128, a, b, ordered, sysEnv);
}

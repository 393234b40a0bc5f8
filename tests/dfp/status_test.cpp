#include <gtest/gtest.h>

#include "dfp/dfp_coverage.h"
#include "dfp/dfp_environment.h"
#include "dfp/dfp_exceptions.h"
#include "dfp/dfp_status_map.h"
#include "dfp_test_util.h"

using namespace dfp_test;

namespace
{

DFP_Environment halvoEnv(int32_t operation, uint64_t fpscr = 0)
{
    DFP_SystemEnvironment sys{};
    sys.system = DFP_SYSTEM_HALVO;
    sys.fpscr = fpscr;
    DFP_Environment env{};
    Build_Environment(operation, &sys, &env);
    return env;
}

TEST(DfpStatus, HalvoEnvironmentRoundingModeAndEnables)
{
    DFP_SystemEnvironment sys{};
    sys.system = DFP_SYSTEM_HALVO;
    sys.fpscr = 0x0000000500000003ull | 0xF8; // DRN 5, RN 3, all five enables
    sys.fpscrUpdate = 0x1234;
    sys.crMask = 15;
    DFP_Environment env{};
    Build_Environment(DFP_OPCLASS_ARITHMETIC, &sys, &env);
    EXPECT_EQ(env.roundingMode, 3);
    EXPECT_EQ(env.enables, 0x1F);
    EXPECT_EQ(env.operation, 1);
    EXPECT_EQ(sys.fpscrUpdate, 0u);
    EXPECT_EQ(sys.crMask, 0);
    DFP_UserDirectivesInit(&sys);
    Build_Environment(DFP_OPCLASS_ARITHMETIC, &sys, &env);
    EXPECT_EQ(env.roundingMode, 5);
    sys.fpscr = 0x40 | 0x10; // OE, ZE
    Build_Environment(DFP_OPCLASS_ARITHMETIC, &sys, &env);
    EXPECT_EQ(env.enables, DFP_ENABLE_OVERFLOW | DFP_ENABLE_ZERO_DIVIDE);

    // Instruction rounding fields: R = 0 and R = 1 over RMC 0..3.
    const int32_t expected[2][4] = {{0, 1, 4, 6}, {2, 3, 6, 5}};
    DFP_Environment base = env, out;
    base.roundingMode = 6;
    for (uint32_t R = 0; R < 2; R++)
        for (uint32_t rmc = 0; rmc < 4; rmc++) {
            DFP_UpdateEnvironmentFromInput(&base, R, rmc, &out);
            EXPECT_EQ(out.roundingMode, expected[R][rmc]) << R << " " << rmc;
            EXPECT_EQ(base.roundingMode, 6);
        }
}

TEST(DfpStatus, OrvinEnvironment)
{
    DFP_SystemEnvironment sys{};
    sys.system = DFP_SYSTEM_ORVIN;
    sys.fpscr = 0x80000000 | 0x40000000 | 0x08000000 | (6 << 4) | 0x3; // invalid, zero divide, inexact masks
    sys.interruptCode = 7;
    sys.recordForm = 1;
    sys.crValue = 2;
    DFP_Environment env{};
    env.enables = 0xE0;
    Build_Environment(DFP_OPCLASS_ARITHMETIC, &sys, &env);
    EXPECT_EQ(env.roundingMode, 6);
    EXPECT_EQ(env.enables, 0xE0 | DFP_ENABLE_INVALID | DFP_ENABLE_ZERO_DIVIDE | DFP_ENABLE_INEXACT);
    EXPECT_EQ(sys.interruptCode, 0);
    EXPECT_EQ(sys.crValue, 0);
    sys.fpscr = 0x30000000; // overflow, underflow masks
    EXPECT_EQ(Orvin_GetExceptionEnableBits(sys.fpscr, &env),
              0xE0 | DFP_ENABLE_OVERFLOW | DFP_ENABLE_UNDERFLOW);
    DFP_Environment out;
    Orvin_UpdateEnvironmentByM(&env, 0xB, &out);
    EXPECT_EQ(out.roundingMode, 3);
    Orvin_UpdateEnvironmentByM(&env, 0x3, &out);
    EXPECT_EQ(out.roundingMode, 6);
}

TEST(DfpStatus, Status2HalvoTable)
{
    struct Case {
        const char *what;
        uint64_t F0;
        uint32_t status;
        int32_t operation, recordForm, frFiUndefined;
        uint64_t F, U;
        uint8_t crValue, crMask;
        int32_t resultKind;
    } cases[] = {
        {"inexact +normal", 0, 0x80624200, 1, 0, 0, 0x82024000, 0x82024000, 8, 0, 2},
        {"inexact +normal, record form", 0, 0x80624200, 1, 1, 0, 0x82024000, 0x82024000, 8, 15, 2},
        {"XX already set: FX not set", 0x02000000, 0x80624200, 1, 0, 0, 0x02024000, 0x82024000, 0, 0, 2},
        {"FR and FI undefined", 0, 0x80664200, 1, 0, 1, 0x00004000, 0x00004000, 0, 0, 2},
        {"FR follows the status", 0, 0x80664200, 1, 0, 0, 0x82064000, 0x82064000, 8, 0, 2},
        {"invalid enabled, signalling NaN", 0x80, 0x00400080, 1, 0, 0, 0xE1000080, 0xE1000080, 14, 0, 0},
        {"VX kept by VXCVI at entry", 0x20000100, 0x80604000, 1, 0, 0, 0x20004100, 0x00004000, 2, 0, 2},
        {"VX alone at entry is cleared", 0x20000000, 0x80604000, 1, 0, 0, 0x00004000, 0x00004000, 0, 0, 2},
        {"old OX with OE still sets FEX", 0x10000040, 0x80604000, 1, 0, 0, 0x50004040, 0x00004040, 5, 0, 2},
        {"compare writes the CR field", 0, 0x00008000, 2, 0, 0, 0x00008000, 0x00008000, 8, 15, 0},
        {"zero divide enabled", 0x00060010, 0x00400100, 1, 0, 0, 0xC4000010, 0xC4000010, 12, 0, 0},
        {"write C and FPCC zero", 0x0001F000, 0x80300000, 13, 0, 0, 0x00000000, 0x00000000, 0, 15, 2},
        {"control half and enables kept", 0x00000007000000F8ull, 0x80604000, 1, 0, 0, 0x00000007000040F8ull,
         0x00000007000040F8ull, 0, 0, 2},
    };
    for (const Case &c : cases) {
        DFP_SystemEnvironment sys{};
        sys.system = DFP_SYSTEM_HALVO;
        sys.fpscr = c.F0;
        sys.recordForm = c.recordForm;
        sys.frFiUndefined = c.frFiUndefined;
        DFP_Environment env = halvoEnv(c.operation, c.F0);
        DFP_UpdateSystemStatus(&env, c.status, 2, nullptr, &sys);
        EXPECT_EQ(sys.fpscr, c.F) << c.what;
        EXPECT_EQ(sys.fpscrUpdate, c.U) << c.what;
        EXPECT_EQ(sys.crMask, c.crMask) << c.what;
        if (c.crMask) {
            EXPECT_EQ(sys.crValue, c.crValue) << c.what;
        }
        EXPECT_EQ(sys.resultKind, c.resultKind) << c.what;
    }

    // A result is replaced by the default quiet NaN when the status asks for it.
    DecimalNumber r = num(DFP_FormatDecimal64, "5", 3);
    DFP_SystemEnvironment sys{};
    sys.system = DFP_SYSTEM_HALVO;
    DFP_Environment env = halvoEnv(1);
    DFP_Status2Halvo(&env, 0x80E11040, 2, &r, &sys);
    EXPECT_EQ(text(r), "NaN");
    EXPECT_EQ(r.exponent, -398);
    EXPECT_EQ(sys.fpscr, 0xA0811000u); // FX, VX, VXISI, quiet-NaN class
}

TEST(DfpStatus, Status2Orvin)
{
    auto run = [](uint64_t fpc, uint32_t status, int recordForm, uint8_t interruptCode = 0) {
        DFP_SystemEnvironment sys{};
        sys.system = DFP_SYSTEM_ORVIN;
        sys.fpscr = fpc;
        sys.recordForm = recordForm;
        DFP_Environment env{};
        Build_Environment(DFP_OPCLASS_ARITHMETIC, &sys, &env);
        sys.interruptCode = interruptCode;
        DFP_UpdateSystemStatus(&env, status, 2, nullptr, &sys);
        return sys;
    };
    // Overflow trapped, inexact and incremented: DXC 0x2C.
    DFP_SystemEnvironment s = run(0x20000000, 0x80664800, 1);
    EXPECT_EQ(s.interruptCode, 7);
    EXPECT_EQ((s.fpscr >> 8) & 0xFF, 0x2Cu);
    EXPECT_EQ(s.crMask, 3);
    EXPECT_EQ(s.crValue, 2);
    // Inexact trap alone: 0x08, or 0x0C with FR.
    s = run(0x08000000, 0x80624200, 0);
    EXPECT_EQ((s.fpscr >> 8) & 0xFF, 0x08u);
    EXPECT_EQ(s.interruptCode, 7);
    s = run(0x08000000, 0x80664200, 0);
    EXPECT_EQ((s.fpscr >> 8) & 0xFF, 0x0Cu);
    EXPECT_EQ(s.fpscrUpdate, 0xFF00u);
    // Invalid trapped: DXC 0x80 and no condition code.
    s = run(0x80000000, 0x00400080, 1);
    EXPECT_EQ((s.fpscr >> 8) & 0xFF, 0x80u);
    EXPECT_EQ(s.crMask, 0);
    EXPECT_EQ(s.resultKind, 0);
    // Nothing enabled: flags only, condition code from the class (FL gives 1).
    s = run(0x0, 0x80628200 | 0x800, 1);
    EXPECT_EQ(s.fpscr & 0xFF0000, 0x280000u);
    EXPECT_EQ(s.fpscrUpdate, 0x280000u);
    EXPECT_EQ(s.interruptCode, 0);
    EXPECT_EQ(s.crValue, 1);
    EXPECT_EQ(s.resultKind, 2);
    // A data exception already raised by this operation: the DXC is cleared and nothing else.
    s = run(0x00002C00 | 0x20000000, 0x80664800, 1, 7);
    EXPECT_EQ(s.fpscr & 0xFF00, 0u);
    EXPECT_EQ(s.fpscr & 0xFF0000, 0u);
    EXPECT_EQ(s.crMask, 0);
}

TEST(DfpStatus, ExceptionRoutines)
{
    const DecimalNumber plus = num(DFP_FormatDecimal64, "5", 0);
    const DecimalNumber inf = special(DFP_FormatDecimal64, Infinity);
    struct Case {
        const char *what;
        uint8_t enables;
        int32_t operation;
        uint32_t cause; // invalid cause, or 0 to run DFP_SetStatus on statusIn
        uint32_t statusIn, statusOut;
        const DecimalNumber *result;
    } cases[] = {
        {"invalid disabled, class 1", 0, 1, 0x40, 0, 0x80E11040, &plus},
        {"invalid disabled, class 1, VXSNAN", 0, 1, 0x80, 0, 0x80611080, &plus},
        {"invalid disabled, class 3", 0, 3, 0x1, 0, 0x80611001, &plus},
        {"invalid disabled, class 18", 0, 18, 0x1, 0, 0x80E11001, &plus},
        {"invalid disabled, class 2", 0, 2, 0x4, 0, 0x1004, &plus},
        {"invalid disabled, class 13", 0, 13, 0x1, 0, 0x1, &plus},
        {"invalid enabled, class 1", 1, 1, 0x8, 0, 0x400008, &plus},
        {"invalid enabled, class 2", 1, 2, 0x80, 0, 0x1080, &plus},
        {"invalid enabled, class 9", 1, 9, 0x1, 0, 0x1, &plus},
        {"overflow disabled: inexact too", 0, 1, 0, 0x60800, 0x80665A00, &inf},
        {"overflow enabled", 2, 1, 0, 0x800, 0x80604800, &plus},
        {"underflow enabled", 4, 1, 0, 0x400, 0x80604400, &plus},
        {"underflow disabled", 0, 1, 0, 0x20400, 0x80624600, &plus},
        {"inexact suppressed by enabled overflow", 2, 1, 0, 0x20800, 0x80624800, &plus},
        {"inexact suppressed by enabled underflow", 4, 1, 0, 0x20400, 0x80624400, &plus},
        {"inexact", 0, 1, 0, 0x20000, 0x80624200, &plus},
        {"exact", 0, 1, 0, 0x0, 0x80604000, &plus},
    };
    for (const Case &c : cases) {
        DFP_Environment env = halvoEnv(c.operation);
        env.enables = c.enables;
        uint32_t status = c.statusIn;
        DecimalNumber r = *c.result;
        if (c.cause) {
            DFP_invalid_operation_exceptions(&env, c.operation, c.cause, &status, &r);
            EXPECT_EQ(r.type, (c.statusOut & 0x80000000) && c.operation != 3 ? (int32_t)QNaN : c.result->type)
                << c.what;
        } else {
            DFP_SetStatus(&env, 1, &r, &status);
        }
        EXPECT_EQ(status, c.statusOut) << c.what;
    }
    DFP_Environment env = halvoEnv(1);
    uint32_t status = 0;
    DFP_Overflow_exception(&env, &status, &inf);
    EXPECT_EQ(status, 0x80625800u);
    status = 0;
    DFP_SetStatus(&env, 0, &plus, &status);
    EXPECT_EQ(status, 0x80204000u);
    status = 0;
    DecimalNumber r = plus;
    DFP_Zero_Divide_exception(&env, &status, &r);
    EXPECT_EQ(status, 0x80604100u);
    env.enables = DFP_ENABLE_ZERO_DIVIDE;
    status = 0;
    DFP_Zero_Divide_exception(&env, &status, &r);
    EXPECT_EQ(status, 0x400100u);
    status = 0;
    DFP_SetInfiniteResult(1, &r, &status);
    EXPECT_EQ(text(r), "-Inf");
    EXPECT_EQ(status, 0x80609000u);
    status = 0;
    DecimalNumber from = num(DFP_FormatDecimal64, "123", 4);
    DFP_CoerceInfiniteResult(&from, &r, &status);
    EXPECT_EQ(r.type, Infinity);
    EXPECT_EQ(str(r.coefficient.bcdnumber), "123");
    EXPECT_EQ(status, 0x80605000u);

    // Result classes.
    struct {
        DecimalNumber n;
        uint32_t bits;
    } classes[] = {
        {num(DFP_FormatDecimal64, "0", 5), 0x2000},          {num(DFP_FormatDecimal64, "-0", 5), 0x12000},
        {num(DFP_FormatDecimal64, "1", -398), 0x14000},      {num(DFP_FormatDecimal64, "-1", -384), 0x18000},
        {num(DFP_FormatDecimal64, "1", -383), 0x4000},       {num(DFP_FormatDecimal64, "-7", 0), 0x8000},
        {special(DFP_FormatDecimal64, Infinity, 1), 0x9000}, {special(DFP_FormatDecimal64, QNaN, 1), 0x11000},
        {special(DFP_FormatDecimal64, SNaN), 0x1080},
    };
    for (auto &c : classes) {
        uint32_t s = 0;
        DFP_set_post_operation_status(&c.n, &s);
        EXPECT_EQ(s, c.bits | 0x200000) << text(c.n);
    }
}

TEST(DfpStatus, CoverageRecord)
{
    const DecimalFormat f = DFP_FormatDecimal64;
    struct {
        DecimalNumber n;
        int32_t code;
    } types[] = {
        {num(f, "0", 0), 1},       {num(f, "-0", 0), 2},         {num(f, "1", -398), 3},
        {num(f, "-1", -390), 4},   {num(f, "1", 0), 5},          {num(f, "-9999999999999999", 369), 6},
        {special(f, Infinity), 7}, {special(f, Infinity, 1), 8}, {special(f, QNaN), 9},
        {special(f, QNaN, 1), 10}, {special(f, SNaN), 11},       {special(f, SNaN, 1), 12},
    };
    for (auto &c : types)
        EXPECT_EQ(GetDFP_DataType(&c.n), c.code) << text(c.n);
    EXPECT_EQ(GetDFP_DataType(nullptr), 0);

    uint32_t signals = 0xE0;
    DFP_ExtractExceptionSignals(0x80 | 0x800 | 0x400 | 0x100 | 0x200, &signals);
    EXPECT_EQ(signals, 0xFFu);
    signals = 0;
    DFP_ExtractExceptionSignals(0x20000, &signals); // FI alone is not the inexact signal
    EXPECT_EQ(signals, 0u);

    DFP_Environment env = halvoEnv(1);
    DFP_CoverageMetrics cov{};
    DecimalNumber a = num(f, "5", 0), r = num(f, "-1", -384);
    DecimalIntermediate im{};
    im.decimalNumber = num(DFP_FormatWide64, "-10", -384);
    DFP_UpdateCoverageMetrics(42, &env, 0x80618000, &a, nullptr, &r, &im, &cov);
    EXPECT_EQ(cov.operand1Type, 5);
    EXPECT_EQ(cov.operand2Type, 0);
    EXPECT_EQ(cov.resultType, 4);
    EXPECT_EQ(cov.resultSign, 1);
    EXPECT_EQ(cov.resultRange, 3);
    EXPECT_EQ(cov.operationId, 42);
    EXPECT_EQ(cov.status, 0x80618000u);
    EXPECT_EQ(cov.environment.operation, 1);
    DFP_UpdateCoverageMetrics(42, &env, 0x400080, &a, &a, &r, nullptr, &cov);
    EXPECT_EQ(cov.resultType, 0);
    EXPECT_EQ(cov.resultRange, 9);
    EXPECT_EQ(cov.exceptionSignals, 1u);
}

TEST(DfpStatusDeathTest, InvalidSystemAndRoundingField)
{
    DFP_Environment env = halvoEnv(1), out;
    EXPECT_EXIT(DFP_UpdateEnvironmentFromInput(&env, 0, 4, &out), testing::ExitedWithCode(129),
                "<Invalid_value_in_RMC_field>");
    EXPECT_EXIT(DFP_UpdateEnvironmentFromInput(&env, 1, 4, &out), testing::ExitedWithCode(129),
                "<Invalid_value_in_RMC_field>");
    DFP_SystemEnvironment sys{};
    sys.system = 3;
    EXPECT_EXIT(Build_Environment(1, &sys, &env), testing::ExitedWithCode(129),
                "<Build_Environment_invalid_system>");
    env.system = 3;
    EXPECT_EXIT(DFP_UpdateSystemStatus(&env, 0, 0, nullptr, &sys), testing::ExitedWithCode(129),
                "<Undefined_DFP_System_in_DFP_UpdateSystemStatus>");
    DecimalNumber u{};
    u.format = DFP_FormatDecimal64;
    uint32_t s = 0;
    EXPECT_EXIT(DFP_set_post_operation_status(&u, &s), testing::ExitedWithCode(129),
                "<Undefined_DFP_Type_in_DFP_Add>");
}

} // namespace

namespace
{

TEST(DfpStatus, ResultRangeOfTheIntermediate)
{
    const DecimalNumber final = num(DFP_FormatDecimal64, "0", 0);
    struct {
        const char *coef;
        int32_t e, sticky;
        uint32_t status;
        int32_t range;
    } cases[] = {
        {"10000000000000000", 370, 0, 0x800, 0}, // 1E385: above the largest finite
        {"10000000000000000", 370, 0, 0, 1},
        {"99999999999999990", 369, 0, 0, 2},
        {"10", -383, 0, 0, 2},
        {"99", -384, 0, 0, 3},
        {"10", -398, 0, 0, 3},
        {"6", -398, 0, 0, 4},
        {"5", -398, 1, 0, 4},
        {"5", -398, 0, 0, 5},
        {"4", -398, 1, 0, 6},
        {"0", 5, 1, 0, 6},
        {"0", 5, 0, 0, 7},
    };
    for (auto &c : cases) {
        DecimalIntermediate im{};
        im.decimalNumber = num(DFP_FormatWide64, c.coef, c.e);
        im.sticky = c.sticky;
        EXPECT_EQ(DFP_UpdateResultRange(c.status, &final, &im), c.range) << c.coef << "E" << c.e;
    }
    DecimalIntermediate inf{};
    inf.decimalNumber = special(DFP_FormatWide64, Infinity);
    EXPECT_EQ(DFP_UpdateResultRange(0, &final, &inf), 9);
}

TEST(DfpStatus, FamilySpecificSteps)
{
    // An invalid packed-decimal input: Halvo raises VXCVI for the encode class, Orvin a data
    // exception with code 0.
    DFP_Environment env = halvoEnv(DFP_OPCLASS_ENCODE);
    DecimalNumber r = num(DFP_FormatDecimal64, "5", 0);
    uint32_t status = 0;
    DFP_SystemEnvironment sys{};
    DFP_InvalidEncodeUpdateStatus(&env, &status, &r, &sys);
    EXPECT_EQ(status, 0x80E11001u);
    EXPECT_EQ(text(r), "NaN");
    env.system = DFP_SYSTEM_ORVIN;
    sys.fpscr = 0x1200;
    DFP_InvalidEncodeUpdateStatus(&env, &status, &r, &sys);
    EXPECT_EQ(sys.interruptCode, 7);
    EXPECT_EQ(sys.fpscr & 0xFF00, 0u);

    struct {
        DecimalNumber n;
        uint32_t in, out;
    } fixed[] = {{num(DFP_FormatDecimal64, "0", 0), 0, 0x2000},
                 {num(DFP_FormatDecimal64, "-3", 0), 0, 0x8000},
                 {num(DFP_FormatDecimal64, "3", 0), 0, 0x4000},
                 {num(DFP_FormatDecimal64, "3", 0), 0x1, 0x1001}};
    for (auto &c : fixed) {
        status = c.in;
        DFP_ConvertToFixedUpdateStatus(DFP_SYSTEM_ORVIN, &c.n, &status);
        EXPECT_EQ(status, c.out);
        status = c.in;
        DFP_ConvertToFixedUpdateStatus(DFP_SYSTEM_HALVO, &c.n, &status);
        EXPECT_EQ(status, c.in);
    }
}

} // namespace

#include <gtest/gtest.h>

#include "dfp/decimal_test_ops.h"
#include "dfp_test_util.h"

using namespace dfp_test;

namespace
{

const DecimalFormat &F64 = DFP_FormatDecimal64;

DFP_Environment envOf(int32_t system, int32_t operation)
{
    DFP_Environment env{};
    env.system = system;
    env.operation = operation;
    return env;
}

TEST(DfpTests, DataClass)
{
    struct {
        int32_t system;
        DecimalNumber a;
        uint32_t mask, status;
    } cases[] = {
        {1, n64("-0", 0), 0x20, 0xA000},
        {1, n64("-0", 0), 0x10, 0x8000},
        {1, n64("0", 0), 0x10, 0x100000},
        {1, n64("0", 0), 0x20, 0x2000},
        {1, n64("1", -398), 0x10, 0x2000},
        {1, n64("1", -383), 0x08, 0x2000},
        {1, special(F64, Infinity, 1), 0x04, 0xA000},
        {1, special(F64, QNaN), 0x02, 0x2000},
        {1, special(F64, SNaN), 0x01, 0x2000},
        {1, special(F64, SNaN), 0x3E, 0x100000},
        {2, n64("-0", 0), 0x400, 0x8000},
        {2, n64("-0", 0), 0x800, 0x2000},
        {2, n64("0", 0), 0x800, 0x8000},
        {2, n64("-5", 0), 0x40, 0x8000},
        {2, special(F64, SNaN, 1), 0x01, 0x8000},
    };
    for (auto &c : cases) {
        DFP_Environment env = envOf(c.system, 13);
        uint32_t status = 0xFFFF;
        DFP_RoundingCase rc;
        DFP_Test_Data_Class(&env, c.mask, &c.a, &status, &rc);
        EXPECT_EQ(status, c.status) << text(c.a) << " mask " << c.mask << " system " << c.system;
    }
    // The Halvo CR field comes from FPCC even without a record form.
    DFP_SystemEnvironment sys{};
    sys.system = 1;
    DFP_Environment env = envOf(1, 13);
    DFP_Status2Halvo(&env, 0xA000, 0, nullptr, &sys);
    EXPECT_EQ(sys.crValue, 0xA);
    EXPECT_EQ(sys.crMask, 15);
}

TEST(DfpTests, DataGroup)
{
    struct {
        DecimalNumber a;
        uint32_t halvo, orvin;
    } cases[] = {
        {n64("0", -398), 0x10, 0x200},
        {n64("0", 369), 0x10, 0x200},
        {n64("0", 5), 0x20, 0x800},
        {n64("1", 0), 0x04, 0x20},
        {n64("1234567890123456", 0), 0x02, 0x08},
        {n64("5", 369), 0x08, 0x80},
        {n64("1234567890123456", -398), 0x08, 0x80},
        {n64("5", -390), 0x08, 0x80},
        {special(F64, Infinity), 0x01, 0x02},
        {special(F64, QNaN), 0x01, 0x02},
    };
    for (auto &c : cases) {
        uint32_t status, code;
        DFP_RoundingCase rc;
        DFP_Environment env = envOf(1, 14);
        DFP_Test_Data_Group(&env, c.halvo, &c.a, &status, &code, &rc);
        EXPECT_EQ(code, c.halvo) << text(c.a);
        EXPECT_EQ(status, 0x2000u) << text(c.a);
        env = envOf(2, 14);
        DFP_Test_Data_Group(&env, 0, &c.a, &status, &code, &rc);
        EXPECT_EQ(code, c.orvin) << text(c.a);
        EXPECT_EQ(status, 0x2000u) << text(c.a);
    }
}

TEST(DfpTests, ExponentAndSignificance)
{
    const DecimalNumber q = special(F64, QNaN), s = special(F64, SNaN), i = special(F64, Infinity);
    struct {
        DecimalNumber a, b;
        uint32_t status;
    } exps[] = {
        {n64("1", 5), n64("999", 5), 0x2000},
        {n64("1", 6), n64("999", 5), 0x4000},
        {n64("1", 4), n64("999", 5), 0x8000},
        {n64("1", 5), i, 0x1000},
        {q, s, 0x2000},
        {q, i, 0x1000},
        {i, i, 0x2000},
        {i, n64("1", 0), 0x1000},
        {s, n64("1", 0), 0x1000},
    };
    for (auto &c : exps) {
        uint32_t status;
        DFP_RoundingCase rc;
        DFP_Environment env = envOf(1, 13);
        DFP_Test_Exponent(&env, &c.a, &c.b, &status, &rc);
        EXPECT_EQ(status, c.status) << text(c.a) << " " << text(c.b);
    }
    struct {
        DecimalNumber a;
        uint64_t k;
        uint32_t halvo, orvin;
    } sig[] = {
        {n64("123", 0), 0, 0x4000, 0x8000},
        {n64("123", 0), 3, 0x2000, 0x2000},
        {n64("123", 0), 2, 0x8000, 0x4000},
        {n64("123", 0), 4, 0x4000, 0x8000},
        {n64("0", 0), 3, 0x4000, 0x8000},
        {n64("0", 0), 0, 0x4000, 0x8000},
        {n64("12", 0), 0x42, 0x2000, 0x2000}, // only the low six bits count
        {q, 0, 0x1000, 0x1000},
        {i, 5, 0x1000, 0x1000},
    };
    for (auto &c : sig) {
        uint32_t status;
        DFP_RoundingCase rc;
        DFP_Environment env = envOf(1, 16);
        DFP_Test_Significance(&env, &c.k, &c.a, &status, &rc);
        EXPECT_EQ(status, c.halvo) << text(c.a) << " k " << c.k;
        env = envOf(2, 16);
        DFP_Test_Significance(&env, &c.k, &c.a, &status, &rc);
        EXPECT_EQ(status, c.orvin) << text(c.a) << " k " << c.k;
    }
    struct {
        DecimalNumber a;
        uint64_t ref;
        int field;
    } prec[] = {{q, 3, 4},
                {n64("12", 0), 0, 3},
                {n64("0", 0), 1, 2},
                {n64("12", 0), 3, 2},
                {n64("12", 0), 2, 1},
                {n64("123", 0), 2, 0}};
    for (auto &c : prec)
        EXPECT_EQ(DFP_GetPrecCmpField(&c.a, c.ref), c.field) << text(c.a) << " " << c.ref;
}

TEST(DfpTests, ExtractAndInsert)
{
    struct {
        DecimalNumber a;
        int64_t significance, exponent;
    } ex[] = {
        {n64("0", 5), 0, 403},        {n64("1200", 0), 4, 398},
        {n64("1", -398), 1, 0},       {special(F64, Infinity), -1, -1},
        {special(F64, QNaN), -2, -2}, {special(F64, SNaN), -3, -3},
    };
    for (auto &c : ex) {
        int64_t out;
        uint32_t status;
        DFP_RoundingCase rc;
        DFP_Environment env = envOf(1, 17);
        DFP_Extract_Significance(&env, &c.a, &out, &status, &rc);
        EXPECT_EQ(out, c.significance) << text(c.a);
        EXPECT_EQ(status, 0x80000000u);
        DFP_Extract_Biased_Exponent(&env, &c.a, &out, &status, &rc);
        EXPECT_EQ(out, c.exponent) << text(c.a);
    }
    const DecimalNumber a = n64("-123", 0);
    struct {
        int64_t e;
        const char *value;
        int32_t exponent;
    } ins[] = {{767, "-123E369", 369}, {0, "-123E-398", -398},     {768, "-NaN123", -398},
               {-1, "-Inf", -398},     {-2, "-NaN123", -398},      {-3, "-sNaN123", -398},
               {-4, "-NaN123", -398},  {-1000000, "-NaN123", -398}};
    for (auto &c : ins) {
        DecimalNumber r;
        uint32_t status;
        DFP_RoundingCase rc;
        DFP_Environment env = envOf(1, 8);
        DFP_Insert_Biased_Exponent(&env, &c.e, &a, &r, &status, &rc);
        EXPECT_EQ(text(r), c.value) << c.e;
        EXPECT_EQ(r.exponent, c.exponent) << c.e;
        EXPECT_EQ(str(r.coefficient.bcdnumber), "123") << c.e;
        EXPECT_EQ(status, 0x80000000u);
    }
}

TEST(DfpTests, CoefficientShifts)
{
    struct {
        DecimalNumber a;
        int left;
        uint32_t n;
        const char *value;
    } cases[] = {
        {n64("1234567890123456", 3), 1, 1, "2345678901234560E3"},
        {n64("1234567890123456", 3), 0, 20, "0E3"},
        {n64("1234567890123456", 3), 0, 3, "1234567890123E3"},
        {n64("-5", 0), 1, 15, "-5000000000000000E0"},
        {n64("5", 0), 1, 16, "0E0"},
        {n64("5", 0), 1, 63, "0E0"},
        {num(DFP_FormatDecimal128, "12", 0), 1, 32, "1200000000000000000000000000000000E0"},
        {special(F64, QNaN, 1, "123"), 1, 1, "-NaN1230"},
        {special(F64, SNaN, 0, "123"), 0, 2, "sNaN1"},
    };
    for (auto &c : cases) {
        DecimalNumber r;
        uint32_t status;
        DFP_RoundingCase rc;
        DFP_Environment env = envOf(1, 12);
        if (c.left)
            DFP_Shift_Coefficient_Left(&env, c.n, &c.a, &r, &status, &rc);
        else
            DFP_Shift_Coefficient_Right(&env, c.n, &c.a, &r, &status, &rc);
        EXPECT_EQ(text(r), c.value) << text(c.a) << (c.left ? " << " : " >> ") << c.n;
        EXPECT_EQ(status, 0x80000000u);
    }
    // The payload of 0x7C000000000000A3 shifted left by one is 1230.
    DecimalNumber nan = d64(0x7C000000000000A3), r;
    uint32_t status;
    DFP_RoundingCase rc;
    DFP_Environment env = envOf(1, 12);
    DFP_Shift_Coefficient_Left(&env, 1, &nan, &r, &status, &rc);
    uint64_t w;
    DFP_Pack_Double(&r, &w);
    EXPECT_EQ(w, 0x7C00000000000530ull);
}

TEST(DfpTestsDeathTest, UndefinedOperandsAndSystems)
{
    DecimalNumber u{};
    u.format = F64;
    DFP_Environment env = envOf(1, 13);
    uint32_t status, code;
    DFP_RoundingCase rc;
    EXPECT_EXIT(DFP_Test_Data_Class(&env, 1, &u, &status, &rc), testing::ExitedWithCode(129),
                "<Undefined_DFP_Type_in_DFP_Test_Data_Class>, file <common/dfp/DecimalFP_TestDataClass>");
    EXPECT_EXIT(DFP_Test_Data_Group(&env, 1, &u, &status, &code, &rc), testing::ExitedWithCode(129),
                "<Undefined_DFP_Type_in_DFP_Test_Data_Group>");
    int64_t out;
    EXPECT_EXIT(DFP_Extract_Biased_Exponent(&env, &u, &out, &status, &rc), testing::ExitedWithCode(129),
                "<Undefined_DFP_Type_in_DFP_Extract_Exponent>, file <common/dfp/DecimalFP_ExtractExponent>");
    EXPECT_EXIT(DFP_DataClassSetStatusFromSign(0, 3, 1, 1, &status), testing::ExitedWithCode(129),
                "<Undefined_DFP_System_in_DFP_DataClassSetSign>");
}

} // namespace

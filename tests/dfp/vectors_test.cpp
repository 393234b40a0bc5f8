#include <gtest/gtest.h>

#include <cstring>
#include <thread>
#include <vector>

#include "dfp/decimal_arith.h"
#include "dfp/decimal_divide.h"
#include "dfp/decimal_fixed.h"
#include "dfp/decimal_round_ops.h"
#include "dfp/dfp_entry_points.h"
#include "dfp_instr.h"
#include "dfp_test_util.h"

using namespace dfp_test;

namespace
{

struct Vector {
    const char *op;
    int mode;
    uint64_t a, b, result, fpscr;
};

const Vector kVectors[] = {
#include "vectors.inc"
};

// One line: unpack, run the generic operation, map the status into the FPSCR, pack.
void runVector(const Vector &v)
{
    const std::string op = v.op;
    const DecimalNumber a = d64(v.a), b = d64(v.b);
    const uint64_t fpscr = (uint64_t)v.mode << 32;
    const std::string what =
        op + " mode " + std::to_string(v.mode) + " " + text(a) +
        (op == "add" || op == "sub" || op == "mul" || op == "div" || op == "qua" ? ", " + text(b) : "");
    if (op == "fix") {
        int64_t out = 0;
        Outcome o = runOp(fpscr, 3, DFP_FormatDecimal64, [&](auto &env, auto &, auto &s, auto &rc, auto &) {
            DFP_ConvertToFixed(&env, &a, &out, &s, &rc);
        });
        EXPECT_EQ((uint64_t)out, v.result) << what;
        EXPECT_EQ(o.fpscr, v.fpscr) << what;
        return;
    }
    const DecimalFormat &format = op == "rsp" ? DFP_FormatDecimal32 : DFP_FormatDecimal64;
    const int32_t opclass = op == "qua" ? 18 : op == "rin" ? 11 : op == "rsp" ? 10 : op == "ffx" ? 3 : 1;
    Outcome o = runOp(fpscr, opclass, format, [&](auto &env, auto &r, auto &s, auto &rc, auto &im) {
        if (op == "add") {
            DFP_Add(&env, &a, &b, &r, &s, &rc, &im);
        } else if (op == "sub") {
            DecimalNumber nb = b;
            nb.sign = !nb.sign;
            DFP_Add(&env, &a, &nb, &r, &s, &rc, &im);
        } else if (op == "mul") {
            DFP_Multiply(&env, &a, &b, &r, &s, &rc, &im);
        } else if (op == "div") {
            DFP_Divide(&env, &a, &b, &r, &s, &rc, &im);
        } else if (op == "qua") {
            DFP_Quantize(&env, &a, &b, 3, &r, &s, &rc, &im);
        } else if (op == "rin") {
            DFP_RoundFPInteger(&env, &a, 1, &r, &s, &rc, &im);
        } else if (op == "rsp") {
            DFP_RoundTo(&env, &a, 0, 1, &r, &s, &rc, &im);
        } else if (op == "ffx") {
            DFP_ConvertFromFixed(&env, (int64_t)v.a, 1, &r, &s, &rc, &im);
        }
    });
    ASSERT_NE(o.resultKind, 0) << what;
    EXPECT_EQ(o.word[0], v.result) << what << " -> " << text(o.result);
    EXPECT_EQ(o.fpscr, v.fpscr) << what << " -> " << text(o.result);
}

TEST(DfpVectors, GenericOperationsAgainstAnIndependentReference)
{
    int counts[9] = {};
    const char *ops[9] = {"add", "sub", "mul", "div", "qua", "rin", "rsp", "fix", "ffx"};
    for (const Vector &v : kVectors) {
        runVector(v);
        for (int i = 0; i < 9; i++)
            if (!strcmp(v.op, ops[i])) counts[i]++;
    }
    for (int i = 0; i < 9; i++)
        EXPECT_GT(counts[i], 50) << ops[i];
}

struct Vector128 {
    const char *op;
    int mode;
    uint64_t a[2], b[2], result[2], fpscr;
};

const Vector128 kVectors128[] = {
#include "vectors128.inc"
};

// The decimal128 forms: arithmetic and quantize, the conversions to and from decimal64 and
// 64-bit integers.
TEST(DfpVectors, QuadEntryPoints)
{
    int checked = 0;
    for (const Vector128 &v : kVectors128) {
        DFP_SystemEnvironment env{};
        env.system = DFP_SYSTEM_HALVO;
        DFP_UserDirectivesInit(&env);
        env.fpscr = (uint64_t)v.mode << 32;
        uint64_t r[2] = {0, 0};
        const std::string op = v.op;
        if (op == "addq") daddq(v.a, v.b, r, &env);
        if (op == "subq") dsubq(v.a, v.b, r, &env);
        if (op == "mulq") dmulq(v.a, v.b, r, &env);
        if (op == "divq") ddivq(v.a, v.b, r, &env);
        if (op == "quaq") dquaq(v.a, v.b, 3, r, &env);
        if (op == "rdpq") drdpq(v.a, r, &env);
        if (op == "ctqpq") dctqpq(v.a[0], r, &env);
        if (op == "cffixq") dcffixq(v.a[0], r, &env);
        if (op == "ctfixq") dctfixq(v.a, r, &env);
        ASSERT_NE(env.resultKind, 0) << op;
        EXPECT_EQ(r[0], v.result[0]) << op << " mode " << v.mode << std::hex << " " << v.a[0] << " "
                                     << v.a[1];
        EXPECT_EQ(r[1], v.result[1]) << op << " mode " << v.mode << std::hex << " " << v.a[0] << " "
                                     << v.a[1];
        EXPECT_EQ(env.fpscr, v.fpscr)
            << op << " mode " << v.mode << std::hex << " " << v.a[0] << " " << v.a[1];
        checked++;
    }
    EXPECT_GT(checked, 600);
}

// One line through the entry point of its instruction; the result word (0 when nothing was
// delivered) and the FPSCR image.
struct EntryOutcome {
    uint64_t word, fpscr;
    bool operator==(const EntryOutcome &) const = default;
};

EntryOutcome viaEntryPoint(const Vector &v)
{
    DFP_SystemEnvironment env{};
    env.system = DFP_SYSTEM_HALVO;
    DFP_UserDirectivesInit(&env);
    env.fpscr = (uint64_t)v.mode << 32;
    uint64_t r[2] = {0, 0};
    const std::string op = v.op;
    if (op == "add") dadd(v.a, v.b, r, &env);
    if (op == "sub") dsub(v.a, v.b, r, &env);
    if (op == "mul") dmul(v.a, v.b, r, &env);
    if (op == "div") ddiv(v.a, v.b, r, &env);
    if (op == "qua") dqua(v.a, v.b, 3, r, &env);
    if (op == "rin") drintx(v.a, 0, 3, r, &env);
    if (op == "rsp") drsp(v.a, r, &env);
    if (op == "fix") dctfix(v.a, r, &env);
    if (op == "ffx") dcffix(v.a, r, &env);
    return {env.resultKind ? r[0] : 0, env.fpscr};
}

TEST(DfpVectors, EntryPoints)
{
    for (const Vector &v : kVectors) {
        const EntryOutcome o = viaEntryPoint(v);
        EXPECT_EQ(o.word, v.result) << v.op << " mode " << v.mode << std::hex << " " << v.a << " " << v.b;
        EXPECT_EQ(o.fpscr, v.fpscr) << v.op << " mode " << v.mode << std::hex << " " << v.a << " " << v.b;
    }
}

// The library keeps no shared state: eight host threads running the whole set at once agree.
TEST(DfpVectors, EightThreadsAgree)
{
    std::vector<EntryOutcome> expected;
    for (const Vector &v : kVectors)
        expected.push_back(viaEntryPoint(v));
    std::vector<std::vector<EntryOutcome>> outcomes(8);
    std::vector<std::thread> threads;
    for (auto &out : outcomes)
        threads.emplace_back([&out] {
            for (int pass = 0; pass < 4; pass++) {
                out.clear();
                for (const Vector &v : kVectors)
                    out.push_back(viaEntryPoint(v));
            }
        });
    for (std::thread &t : threads)
        t.join();
    for (const auto &out : outcomes)
        EXPECT_TRUE(out == expected);
}

// Every fifth line through the semantic routines: FRA 1, FRB 2, FRT 3, the FPSCR holding DRN.
TEST_F(DfpInstr, VectorsThroughTheRoutines)
{
    int n = 0;
    for (size_t i = 0; i < sizeof kVectors / sizeof kVectors[0]; i += 5, n++) {
        const Vector &v = kVectors[i];
        const std::string op = v.op;
        const uint32_t word = op == "add"   ? X("dadd", 3, 1, 2)
                              : op == "sub" ? X("dsub", 3, 1, 2)
                              : op == "mul" ? X("dmul", 3, 1, 2)
                              : op == "div" ? X("ddiv", 3, 1, 2)
                              : op == "qua" ? Z23("dqua", 3, 1, 2, 3)
                              : op == "rin" ? Z23("drintx", 3, 0, 1, 3)
                              : op == "rsp" ? X("drsp", 3, 0, 1)
                              : op == "fix" ? X("dctfix", 3, 0, 1)
                                            : X("dcffix", 3, 0, 1);
        fpr(1) = v.a;
        fpr(2) = v.b;
        fpr(3) = 0;
        fpscr() = (uint64_t)v.mode << 32;
        ASSERT_EQ(run(word), 1) << i;
        EXPECT_EQ(fpr(3), v.result) << i << " " << v.op;
        EXPECT_EQ(fpscr(), v.fpscr) << i << " " << v.op;
    }
    EXPECT_GT(n, 250);
}

} // namespace

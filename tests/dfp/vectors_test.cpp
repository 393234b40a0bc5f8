#include <gtest/gtest.h>

#include <cstring>

#include "dfp/decimal_arith.h"
#include "dfp/decimal_divide.h"
#include "dfp/decimal_fixed.h"
#include "dfp/decimal_round_ops.h"
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

} // namespace

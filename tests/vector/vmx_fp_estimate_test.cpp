// VMX single-precision estimates: the special values, the table estimators, NJ, the VMX Assist
// decision, and the Dravo_VMX path, whose scalar estimators leave FPSCR alone whatever it holds.
#include <cmath>
#include <cstring>

#include "fp/fp_emul.h"
#include "processor/regs/reg_triggers.h"
#include "vmx_cases.h"

namespace vec_test
{
namespace
{

enum Mode : int { PLAIN = 0, NJ = 1, ASSISTS = 2 };

struct EstimateCase {
    const char *mnemonic;
    bool dravo;
    int mode;
    Vec128 b;
    Vec128 t;
    bool assist;
};

Vec128 W(uint32_t w0, uint32_t w1 = 0x3F800000, uint32_t w2 = 0x3F800000, uint32_t w3 = 0x3F800000)
{
    return Vec_From_Words(w0, w1, w2, w3);
}

const EstimateCase kCases[] = {
    {"vrefp", false, PLAIN, Vec_From_Words(0, 0x80000000, 0x7F800000, 0xFF800000),
     Vec_From_Words(0x7F800000, 0xFF800000, 0, 0x80000000), false},
    {"vrefp", false, PLAIN, Vec_From_Words(0x7E800000, 0xFE800000, 0x7F800001, 0x40000000),
     Vec_From_Words(0x00800000, 0x80800000, 0x7FC00001, 0x3EFFF800), false},
    {"vrefp", false, NJ, Vec_From_Words(0x00000001, 0x7F000000, 0x3F800000, 0x80000002),
     Vec_From_Words(0x7F800000, 0, 0x3F7FF800, 0xFF800000), false},
    {"vrefp", false, ASSISTS, W(0x00000001), Vec128{0, 0}, true},
    {"vrefp", false, ASSISTS, W(0x7F000000), Vec128{0, 0}, true}, // a denormal estimate
    {"vrsqrtefp", false, PLAIN, Vec_From_Words(0xBF800000, 0xFF800000, 0x7F800000, 0x80000000),
     Vec_From_Words(0x7FC00000, 0x7FC00000, 0, 0xFF800000), false},
    {"vrsqrtefp", false, PLAIN, Vec_From_Words(0x3F800000, 0x40000000, 0x7F800001, 0),
     Vec_From_Words(0x3F7FF400, 0x3F34FD00, 0x7FC00001, 0x7F800000), false},
    {"vrsqrtefp", false, ASSISTS, W(0x00000004), Vec128{0, 0}, true},
    {"vexptefp", false, ASSISTS, Vec_From_Words(0, 0x80000000, 0x43000000, 0x00000001),
     Vec_From_Words(0x3F800000, 0x3F800000, 0x7F800000, 0x3F800000), false},
    {"vexptefp", true, PLAIN, Vec_From_Words(0xC3800000, 0xFF800000, 0x3F800000, 0xBF800000),
     Vec_From_Words(0, 0, 0x40000000, 0x3F000000), false},
    {"vlogefp", false, PLAIN, Vec_From_Words(0x80000000, 0xBF800000, 0x7F800000, 0x40000000),
     Vec_From_Words(0xFF800000, 0x7FC00000, 0x7F800000, 0x3F800000), false},
    {"vlogefp", false, ASSISTS, W(0x00000001), Vec128{0, 0}, true},
    {"vlogefp", false, NJ, W(0x00000001), W(0xFF800000, 0, 0, 0), false},
    // The scalar estimators count nothing; their special values.
    {"vrefp", true, ASSISTS, Vec_From_Words(0x00000001, 0, 0x7F800000, 0xFF800001),
     Vec_From_Words(0x7F800000, 0x7F800000, 0, 0xFFC00001), false},
    {"vrsqrtefp", true, ASSISTS, Vec_From_Words(0x00000004, 0, 0x7F800000, 0xBF800000),
     Vec_From_Words(0, 0x7F800000, 0, 0x7FC00000), false},
};

class VmxEstimate : public VmxTest
{
  protected:
    // The Ervik estimator variant and precision of the scalar estimates.
    VmxEstimate()
    {
        ew.core.core->fp_estimate_precision = 52;
        for (uint32_t o : {PO_FP_RE_Dravo_LIKE, PO_FP_RE_SP_DONE, PO_FRES_FRSQRTES_OUT_OF_SP_RANGE_SUPPORTED})
            ew.option(o);
    }

    void set_mode(int mode, bool scalar)
    {
        ew.t->VSCR.value = mode == NJ ? 0x10000 : 0;
        ew.option(PO_VMX_HANDLES_DENORMS, mode == ASSISTS ? 0 : 1);
        ew.option(PO_Dravo_VMX, scalar ? 1 : 0);
    }
};

TEST_F(VmxEstimate, SpecialValuesTablesAndAssists)
{
    for (size_t i = 0; i < std::size(kCases); i++) {
        const EstimateCase &c = kCases[i];
        set_mode(c.mode, c.dravo);
        const Vec128 before{0x1234, 0x5678};
        set_vr(2, c.b);
        set_vr(4, before);
        const int done = run(VX(c.mnemonic, 4, 0, 2));
        const std::string what = std::string(c.mnemonic) + " case " + std::to_string(i);
        if (c.assist) {
            EXPECT_EQ(done, 0) << what;
            EXPECT_EQ(raised_type(), EXC_VMX_ASSIST) << what;
            EXPECT_EQ(vr(4), before) << what;
            continue;
        }
        ASSERT_EQ(done, 1) << what;
        if (strcmp(c.mnemonic, "vrsqrtefp") == 0 && c.dravo) {
            // Element 0: 1/sqrt(2^-147) = 2^73.5, an estimate within 2^-12 of it.
            const uint32_t w0 = Vec_Word(vr(4), 0);
            float f;
            memcpy(&f, &w0, 4);
            EXPECT_NEAR(f / std::ldexp(std::sqrt(2.0), 73), 1.0, 1.0 / 4096) << what;
            EXPECT_EQ(Vec_Word(vr(4), 1), Vec_Word(c.t, 1)) << what;
            EXPECT_EQ(Vec_Word(vr(4), 2), Vec_Word(c.t, 2)) << what;
            EXPECT_EQ(Vec_Word(vr(4), 3), Vec_Word(c.t, 3)) << what;
        } else {
            EXPECT_EQ(vr(4), c.t) << what;
        }
    }
}

TEST_F(VmxEstimate, ScalarEstimatorsLeaveFpscrAlone)
{
    TclRecorder tcl;
    set_mode(PLAIN, true);
    ew.t->FPSCR.value = 0xF8 | 1; // every enable, round toward zero
    ew.t->FPSCR_CHANGE.value = 0;
    Attach_Write_Trigger(&ew.t->FPSCR.trigger, "FPSCR", "record", ~0ull);
    // Zero divides, NaNs and overflows would be enabled exceptions of the scalar instructions.
    set_vr(2, Vec_From_Words(0, 0x7F800001, 0x00000001, 0x3F800000));
    for (const char *m : {"vrefp", "vrsqrtefp"}) {
        ASSERT_EQ(run(VX(m, 4, 0, 2)), 1) << m;
        EXPECT_EQ(raised_type(), -1) << m;
        EXPECT_EQ(Vec_Word(vr(4), 0), 0x7F800000u) << m;
        EXPECT_EQ(Vec_Word(vr(4), 1), 0x7FC00001u) << m;
        // 1.0 estimates to within 2^-12 of 1.
        const uint32_t w3 = Vec_Word(vr(4), 3);
        float f;
        memcpy(&f, &w3, 4);
        EXPECT_NEAR(f, 1.0f, 1.0f / 4096) << m;
    }
    EXPECT_EQ(ew.t->FPSCR.value, 0xF9u);
    EXPECT_EQ(ew.t->FPSCR_CHANGE.value, 0u);
    EXPECT_EQ(tcl.count("FPSCR"), 0);
}

TEST(SpTableEstimates, Examples)
{
    EXPECT_EQ(one_over_x(0x3F800000), 0x3F7FF800u);
    EXPECT_EQ(one_over_x(0x40000000), 0x3EFFF800u);
    EXPECT_EQ(one_over_x(0x00000001), 0x7F800000u);
    EXPECT_EQ(one_over_x(0xC0000000), 0xBEFFF800u);
    EXPECT_EQ(one_over_sqrt_x(0x3F800000), 0x3F7FF400u);
    EXPECT_EQ(one_over_sqrt_x(0x40000000), 0x3F34FD00u);
    // Accuracy over a sweep of normal operands: within 2^-11 of the true values.
    for (uint32_t s = 0x00800000; s < 0x7F000000; s += 0x000F4243) {
        float x, r, q;
        memcpy(&x, &s, 4);
        const uint32_t rr = one_over_x(s), qq = one_over_sqrt_x(s);
        memcpy(&r, &rr, 4);
        memcpy(&q, &qq, 4);
        if (std::fpclassify(r) == FP_NORMAL) {
            EXPECT_NEAR(r * x, 1.0, 1.0 / 2048) << std::hex << s;
        }
        EXPECT_NEAR(q * std::sqrt((double)x), 1.0, 1.0 / 2048) << std::hex << s;
    }
}

} // namespace
} // namespace vec_test

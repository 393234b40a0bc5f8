// VMX single-precision floating point: arithmetic, rounding, conversions and compares against
// reference words, under VSCR[NJ] and with or without VMX_HANDLES_DENORMS (the VMX Assist
// interrupt, which writes nothing).
#include "vmx_cases.h"

namespace vec_test
{
namespace
{

constexpr uint32_t ONE = 0x3F800000, TWO = 0x40000000, THREE = 0x40400000, HALF = 0x3F000000;
constexpr uint32_t INF = 0x7F800000, NINF = 0xFF800000, QNAN = 0x7FC00000, MAXF = 0x7F7FFFFF;

enum Mode : int {
    PLAIN = 0,   // NJ = 0, VMX_HANDLES_DENORMS = 1
    NJ = 1,      // NJ = 1
    ASSISTS = 2, // NJ = 0, VMX_HANDLES_DENORMS = 0
};

struct FpCase {
    const char *mnemonic;
    uint32_t uimm; // the scale of the conversions (their VA field)
    Vec128 a, b, c;
    Vec128 t; // ignored when the Assist is expected
    int mode;
    bool assist;
    bool saturates;
};

Vec128 W(uint32_t w0, uint32_t w1 = 0, uint32_t w2 = 0, uint32_t w3 = 0)
{
    return Vec_From_Words(w0, w1, w2, w3);
}
const Vec128 Z = W(0);

const FpCase kCases[] = {
    {"vaddfp", 0, W(ONE, MAXF, INF, ONE), W(ONE, MAXF, NINF, 0xBF800000), Z, W(TWO, INF, QNAN, 0), PLAIN,
     false, false},
    // The first NaN, quieted, wins; a NaN subtrahend is not negated.
    {"vaddfp", 0, W(0x7F800001), W(0xFFC00000), Z, W(0x7FC00001), PLAIN, false, false},
    {"vsubfp", 0, W(ONE), W(0xFFC00005), Z, W(0xFFC00005), PLAIN, false, false},
    {"vsubfp", 0, W(INF), W(INF), Z, W(QNAN), PLAIN, false, false},
    // Denormals: flushed under NJ; counted only without NaNs; vsubfp counts a denormal result.
    {"vaddfp", 0, W(0x00000001), W(0x80000000), Z, W(0), NJ, false, false},
    {"vaddfp", 0, W(0, 0x00000001), W(0, 0), Z, Z, ASSISTS, true, false},
    {"vaddfp", 0, W(0x00000001), W(QNAN), Z, W(QNAN, 0, 0, 0), ASSISTS, false, false},
    {"vaddfp", 0, W(0x00800001), W(0x80800000), Z, W(1), ASSISTS, false, false},
    {"vsubfp", 0, W(0x00800001), W(0x00800000), Z, Z, ASSISTS, true, false},
    {"vsubfp", 0, W(0x00800001), W(0x00800000), Z, W(1), PLAIN, false, false},
    {"vsubfp", 0, W(0x00800001), W(0x00800000), Z, W(0), NJ, false, false},
    // Multiply-add: one rounding; infinity times zero on the raw or the flushed operands.
    {"vmaddfp", 0, W(0x3F800001, TWO, INF, INF), W(0xBF800002, ONE, ONE, NINF), W(0x3F800001, THREE, 0, ONE),
     W(0x28800000, 0x40E00000, QNAN, QNAN), PLAIN, false, false},
    {"vmaddfp", 0, W(INF, 0x7F800001, ONE, ONE), W(ONE, QNAN, 0xFF800003, 0x7F800009),
     W(0x00000001, ONE, 0x7F800002, ONE), W(QNAN, 0x7FC00001, 0xFFC00003, 0x7FC00009), NJ, false, false},
    {"vnmsubfp", 0, W(0x3F800001, TWO, INF, TWO), W(0xBF800002, ONE, ONE, 0xFFC00000),
     W(0x3F800001, THREE, 0, THREE), W(0xC0000002, 0xC0A00000, QNAN, 0xFFC00000), PLAIN, false, false},
    {"vnmsubfp", 0, W(TWO, TWO, INF, 0), W(0x40E00000, ONE, INF, 0), W(THREE, THREE, ONE, 0),
     W(0x3F800000, 0xC0A00000, QNAN, 0x80000000), PLAIN, false, false},
    {"vmaddfp", 0, W(ONE), W(0x80000001), W(ONE), Z, ASSISTS, true, false},
    // Maximum and minimum: +0 above -0 in either order, NaNs quieted, NJ flushes first.
    {"vmaxfp", 0, W(0, 0x80000000, NINF, 0x7F800001), W(0x80000000, 0, MAXF, ONE), Z,
     W(0, 0, MAXF, 0x7FC00001), PLAIN, false, false},
    {"vminfp", 0, W(0, 0x80000000, NINF, 0x7F800001), W(0x80000000, 0, MAXF, ONE), Z,
     W(0x80000000, 0x80000000, NINF, 0x7FC00001), PLAIN, false, false},
    {"vmaxfp", 0, W(0x00000001, 0xBF800000), W(0x80000000, 0xC0000000), Z, W(0, 0xBF800000), NJ, false,
     false},
    {"vminfp", 0, W(0x80000001, 0x00000002), W(0, 0x00000001), Z, W(0x80000000, 0), NJ, false, false},
    {"vminfp", 0, W(0x80000001, 0x00000002), W(0, 0x00000001), Z, W(0x80000001, 0x00000001), ASSISTS, false,
     false},
    // Round to integral.
    {"vrfin", 0, Z, W(0x40200000, 0xBF000000, 0x3FC00000, HALF), Z, W(TWO, 0x80000000, TWO, 0), PLAIN, false,
     false},
    {"vrfiz", 0, Z, W(0x40200000, 0xBF000000, 0x3FC00000, 0x7F800001), Z, W(TWO, 0x80000000, ONE, 0x7FC00001),
     PLAIN, false, false},
    {"vrfip", 0, Z, W(0x3F000001, 0xBF000001, NINF, 0x4B000001), Z, W(ONE, 0x80000000, NINF, 0x4B000001),
     PLAIN, false, false},
    {"vrfim", 0, Z, W(0x3F000001, 0xBF000001, 0x80000001, 0x00000001), Z, W(0, 0xBF800000, 0x80000000, 0), NJ,
     false, false},
    {"vrfim", 0, Z, W(0x3F000001, 0x80000001), Z, Z, ASSISTS, true, false},
    // Conversions from fixed point: exact, divided by 2^UIMM, rounded to nearest even.
    {"vcuxwfp", 0, Z, W(0xFFFFFFFF, 0x01000001, 1, 0), Z, W(0x4F800000, 0x4B800000, ONE, 0), PLAIN, false,
     false},
    {"vcsxwfp", 31, Z, W(1, 0xFFFFFFFF, 0, 0x7FFFFFFF), Z, W(0x30000000, 0xB0000000, 0, ONE), PLAIN, false,
     false},
    {"vcsxwfp", 0, Z, W(0xFFFFFFFF, 0x01000001), Z, W(0xBF800000, 0x4B800000), PLAIN, false, false},
    // Conversions to fixed point: truncation and saturation.
    {"vcfpsxws", 0, Z, W(0x4F000000, 0xCF000000, 0xCF000001, 0x3FC00000), Z,
     W(0x7FFFFFFF, 0x80000000, 0x80000000, 1), PLAIN, false, true},
    {"vcfpsxws", 0, Z, W(0xCF000000, 0xBFC00000, QNAN, NINF), Z, W(0x80000000, 0xFFFFFFFF, 0, 0x80000000),
     PLAIN, false, true},
    {"vcfpsxws", 0, Z, W(0xCF000000, 0xBFC00000, QNAN, 0x7F800001), Z, W(0x80000000, 0xFFFFFFFF, 0, 0), PLAIN,
     false, false},
    {"vcfpsxws", 31, Z, W(ONE), Z, W(0x7FFFFFFF), PLAIN, false, true},
    {"vcfpsxws", 30, Z, W(ONE), Z, W(0x40000000), PLAIN, false, false},
    {"vcfpuxws", 0, Z, W(ONE, 0x4B800001, 0xBF800000, 0x4F800000), Z, W(1, 0x01000002, 0, 0xFFFFFFFF), PLAIN,
     false, true},
    {"vcfpuxws", 0, Z, W(0xBF000000, 0x4F7FFFFF, 0x80000000, 0x3F7FFFFF), Z, W(0, 0xFFFFFF00, 0, 0), PLAIN,
     false, false},
    // SAT is recorded even when a denormal takes the Assist.
    {"vcfpsxws", 0, Z, W(0x00000001, 0x4F000000), Z, Z, ASSISTS, true, true},
    // Compares: +0 equals -0; NJ decides denormal against zero; NaNs compare false.
    {"vcmpeqfp", 0, W(0, 0x00000001, QNAN, ONE), W(0x80000000, 0x80000000, QNAN, ONE), Z,
     W(0xFFFFFFFF, 0, 0, 0xFFFFFFFF), PLAIN, false, false},
    {"vcmpeqfp", 0, W(0, 0x00000001, QNAN, ONE), W(0x80000000, 0x80000000, QNAN, ONE), Z,
     W(0xFFFFFFFF, 0xFFFFFFFF, 0, 0xFFFFFFFF), NJ, false, false},
    {"vcmpgefp", 0, W(INF, ONE, 0x80000001, QNAN), W(INF, TWO, 0x80000002, ONE), Z,
     W(0xFFFFFFFF, 0, 0xFFFFFFFF, 0), ASSISTS, false, false},
    {"vcmpgtfp", 0, W(INF, TWO, 0xBF800000, 0x00000002), W(INF, ONE, 0xC0000000, 0x00000001), Z,
     W(0, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF), PLAIN, false, false},
    {"vcmpbfp", 0, W(THREE | 0x80000000, THREE, ONE, QNAN), W(TWO, TWO, TWO, TWO), Z,
     W(0x40000000, 0x80000000, 0, 0xC0000000), PLAIN, false, false},
    {"vcmpbfp", 0, W(0, ONE, 0x80000000, INF), W(0xBF800000, INF, 0, INF), Z, W(0xC0000000, 0, 0, 0), PLAIN,
     false, false},
};

class VmxFp : public VmxTest
{
  protected:
    void set_mode(int mode)
    {
        ew.t->VSCR.value = mode == NJ ? 0x10000 : 0;
        ew.option(PO_VMX_HANDLES_DENORMS, mode == ASSISTS ? 0 : 1);
    }
};

TEST_F(VmxFp, ElementRules)
{
    for (size_t i = 0; i < std::size(kCases); i++) {
        const FpCase &c = kCases[i];
        set_mode(c.mode);
        ew.t->VSCR_CHANGE.value = 0;
        const Vec128 before{0x1111, 0x2222};
        set_vr(1, c.a);
        set_vr(2, c.b);
        set_vr(3, c.c);
        set_vr(4, before);
        // The conversions take UIMM in the VA field; the others read VA from v1.
        const bool conversion = strncmp(c.mnemonic, "vcfp", 4) == 0 || strcmp(c.mnemonic + 4, "wfp") == 0;
        uint32_t word = VX(c.mnemonic, 4, conversion ? c.uimm : 1, 2);
        if (strcmp(c.mnemonic, "vmaddfp") == 0 || strcmp(c.mnemonic, "vnmsubfp") == 0) word |= 3u << 6;
        const uint64_t pc_before = pc();
        const int done = run(word);
        const std::string what = std::string(c.mnemonic) + " case " + std::to_string(i);
        const uint32_t nj = c.mode == NJ ? 0x10000 : 0;
        EXPECT_EQ(vscr(), nj | (c.saturates ? 1u : 0u)) << what;
        if (c.assist) {
            EXPECT_EQ(done, 0) << what;
            EXPECT_EQ(raised_type(), EXC_VMX_ASSIST) << what;
            EXPECT_EQ(vr(4), before) << what;
            EXPECT_EQ(pc(), pc_before) << what;
        } else {
            EXPECT_EQ(done, 1) << what;
            EXPECT_EQ(vr(4), c.t) << what;
        }
    }
}

TEST_F(VmxFp, FpscrIsNeitherReadNorWritten)
{
    set_mode(PLAIN);
    ew.t->FPSCR.value = 0xF8 | 3; // every enable, rounding toward minus infinity
    set_vr(1, W(0x3F800001, ONE, 0x7F800001));
    set_vr(2, W(0x33800000, MAXF, ONE)); // 1 + 2^-23 + 2^-24: a tie that rounds to even (up)
    ASSERT_EQ(run(VX("vaddfp", 4, 1, 2)), 1);
    EXPECT_EQ(vr(4), W(0x3F800002, 0x7F7FFFFF + 0, 0x7FC00001));
    EXPECT_EQ(ew.t->FPSCR.value, 0xFBu);
}

struct CompareRecordCase {
    const char *mnemonic;
    Vec128 a, b;
    uint32_t cr6;
};

TEST_F(VmxFp, RecordFormCompares)
{
    const CompareRecordCase cases[] = {
        {"vcmpgtfp.", W(TWO, TWO, TWO, TWO), W(ONE, ONE, ONE, ONE), 0x8},
        {"vcmpgtfp.", W(ONE, ONE, ONE, ONE), W(ONE, ONE, ONE, ONE), 0x2},
        {"vcmpeqfp.", W(ONE, ONE, ONE, ONE), W(ONE, ONE, ONE, TWO), 0x0},
        {"vcmpbfp.", W(ONE, 0xBF800000, 0, HALF), W(ONE, ONE, ONE, ONE), 0x2},
        {"vcmpbfp.", W(ONE, THREE, 0, HALF), W(ONE, ONE, ONE, ONE), 0x0},
        {"vcmpbfp.", W(3, 4, 5, 6), W(QNAN, QNAN, QNAN, QNAN), 0x0}, // bounds never give 0b1000
    };
    set_mode(PLAIN);
    for (const CompareRecordCase &c : cases) {
        ew.cr() = 0x12345678;
        set_vr(1, c.a);
        set_vr(2, c.b);
        ASSERT_EQ(run(VX(c.mnemonic, 4, 1, 2)), 1) << c.mnemonic;
        EXPECT_EQ(ew.cr(), 0x12345608u | (c.cr6 << 4)) << c.mnemonic;
        std::string plain(c.mnemonic);
        plain.pop_back();
        ew.cr() = 0x12345678;
        ASSERT_EQ(run(VX(plain.c_str(), 4, 1, 2)), 1) << plain;
        EXPECT_EQ(ew.cr(), 0x12345678u) << plain;
    }
}

TEST_F(VmxFp, RefusedWhenVmxIsOff)
{
    msr() &= ~MSR_VMX;
    set_vr(4, W(7));
    for (const char *m : {"vaddfp", "vcfpsxws", "vcmpbfp.", "vrfin", "vmaxfp"}) {
        EXPECT_EQ(run(VX(m, 4, 1, 2)), 0) << m;
        EXPECT_EQ(raised_type(), EXC_VMX_UNAVAILABLE) << m;
        EXPECT_EQ(vr(4), W(7)) << m;
    }
}

} // namespace
} // namespace vec_test

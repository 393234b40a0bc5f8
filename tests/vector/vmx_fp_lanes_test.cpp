// The VMX floating-point instructions in the two- and four-lane double-precision modes of the
// machine's vmx_fake_mode: lane rules, the VMX Assist, saturation without VSCR_CHANGE, the record
// forms, and the upper lane slots of the four-lane mode.
#include <cstring>

#include "processor/records/generic_machine.h"
#include "vmx_cases.h"

namespace vec_test
{
namespace
{

constexpr uint64_t ONE = 0x3FF0000000000000, TWO = 0x4000000000000000, HALF = 0x3FE0000000000000;
constexpr uint64_t INF = 0x7FF0000000000000, NINF = 0xFFF0000000000000, DNAN = 0x7FF8000000000000;

enum Mode : int { PLAIN = 0, NJ = 1, ASSISTS = 2 };

struct LaneCase {
    const char *mnemonic;
    uint32_t va; // the VA field: VR 1, or the scale of the conversions
    Vec128 a, b, c, t;
    int mode;
    bool assist, saturates;
};

Vec128 D(uint64_t d0, uint64_t d1)
{
    return Vec128{d1, d0};
}

double third()
{
    volatile double three = 3.0;
    return 1.0 / three;
}
uint64_t bits(double d)
{
    uint64_t x;
    memcpy(&x, &d, 8);
    return x;
}

const Vec128 Z{0, 0};

const LaneCase kCases[] = {
    {"vaddfp", 1, D(ONE, TWO), D(HALF, INF), Z, D(0x3FF8000000000000, INF), PLAIN, false, false},
    {"vsubfp", 1, D(INF, ONE), D(INF, 0xFFF8000000000005), Z, D(DNAN, 0xFFF8000000000005), PLAIN, false,
     false},
    {"vaddfp", 1, D(1, 0), Z, Z, D(1, 0), ASSISTS, false, false}, // no count: completes
    {"vrfiz", 1, Z, D(1, 0), Z, Z, ASSISTS, true, false},
    {"vrfin", 1, Z, D(0x4004000000000000, 0xBFE0000000000000), Z, D(TWO, 0x8000000000000000), PLAIN, false,
     false},
    {"vmaddfp", 1, D(INF, ONE), D(ONE, NINF), D(0, INF), D(DNAN, DNAN), PLAIN, false, false},
    {"vmaddfp", 1, D(TWO, 0x7FF0000000000001), D(ONE, ONE), D(0x4008000000000000, ONE),
     D(0x401C000000000000, 0x7FF8000000000001), PLAIN, false, false},
    {"vnmsubfp", 1, D(TWO, INF), D(ONE, INF), D(0x4008000000000000, ONE), D(0xC014000000000000, DNAN), PLAIN,
     false, false},
    {"vmaxfp", 1, D(0, 0x8000000000000001), D(0x8000000000000000, 0x8000000000000000), Z,
     D(0, 0x8000000000000000), NJ, false, false},
    {"vminfp", 1, D(0, NINF), D(0x8000000000000000, ONE), Z, D(0x8000000000000000, NINF), PLAIN, false,
     false},
    {"vcfpsxws", 0, Z, D(ONE, 0x4270000000000000), Z, D(1, 0x0000010000000000), PLAIN, false, false},
    {"vcfpsxws", 0, Z, D(0xC3E0000000000000, 0x43E0000000000000), Z,
     D(0x8000000000000000, 0x7FFFFFFFFFFFFFFF), PLAIN, false, true},
    {"vcfpsxws", 0, Z, D(DNAN, 0xC3E0000000000000), Z, D(0, 0x8000000000000000), PLAIN, false, false},
    {"vcfpuxws", 0, Z, D(0xBFE0000000000000, 0x43F0000000000000), Z, D(0, ~0ull), PLAIN, false, true},
    {"vcfpuxws", 0, Z, D(0xBFF0000000000000, 0x3FF8000000000000), Z, D(0, 1), PLAIN, false, true},
    {"vcfpuxws", 0, Z, D(0xBFE0000000000000, 0x43EFFFFFFFFFFFFF), Z, D(0, 0xFFFFFFFFFFFFF800), PLAIN, false,
     false},
    {"vcfpsxws", 0, Z, D(1, 0x43E0000000000000), Z, Z, ASSISTS, true, true}, // SAT before the Assist
    {"vcsxwfp", 1, Z, D(~0ull, 1), Z, D(0xBFE0000000000000, 0x3FE0000000000000), PLAIN, false, false},
    {"vcuxwfp", 0, Z, D(~0ull, 0), Z, D(0x43F0000000000000, 0), PLAIN, false, false},
    {"vexptefp", 1, Z, D(0, 0x8000000000000000), Z, D(ONE, ONE), PLAIN, false, false},
    {"vexptefp", 1, Z, D(TWO, NINF), Z, D(0, 0), PLAIN, false, false},
    {"vlogefp", 1, Z, D(0x8000000000000000, 0x4020000000000000), Z, D(NINF, 0), PLAIN, false, false},
    {"vlogefp", 1, Z, D(0xC020000000000000, INF), Z, D(DNAN, INF), PLAIN, false, false},
    {"vlogefp", 1, Z, D(1, INF), Z, Z, ASSISTS, true, false},
    {"vrefp", 1, Z, D(0x4010000000000000, 0x4008000000000000), Z, D(0x3FD0000000000000, bits(third())), PLAIN,
     false, false},
    {"vrefp", 1, Z, D(ONE, 1), Z, Z, ASSISTS, true, false},
    {"vrefp", 1, Z, D(0, 1), Z, D(INF, INF), NJ, false, false},
    {"vrsqrtefp", 1, Z, D(0x4010000000000000, 0xC010000000000000), Z, D(HALF, DNAN), PLAIN, false, false},
    {"vrsqrtefp", 1, Z, D(NINF, INF), Z, D(DNAN, 0), PLAIN, false, false},
    {"vcmpeqfp", 1, D(0, DNAN), D(0x8000000000000000, DNAN), Z, D(~0ull, 0), PLAIN, false, false},
    {"vcmpgefp", 1, D(INF, 1), D(INF, 2), Z, D(~0ull, 0), PLAIN, false, false},
    {"vcmpgtfp", 1, D(INF, TWO), D(INF, ONE), Z, D(0, ~0ull), PLAIN, false, false},
    {"vcmpbfp", 1, D(ONE, 0xC008000000000000), D(TWO, TWO), Z, D(0, 0x4000000000000000), PLAIN, false, false},
    {"vcmpbfp", 1, D(DNAN, ONE), D(TWO, 0xBFF0000000000000), Z, D(0xC000000000000000, 0x8000000000000000),
     PLAIN, false, false},
};

class VmxLanes : public VmxTest
{
  protected:
    VmxLanes() { ew.t->machine->vmx_fake_mode = 1; }
    ~VmxLanes() override { ew.t->machine->vmx_fake_mode = 0; }
    void set_mode(int mode)
    {
        ew.t->VSCR.value = mode == NJ ? 0x10000 : 0;
        ew.option(PO_VMX_HANDLES_DENORMS, mode == ASSISTS ? 0 : 1);
    }
    uint32_t word(const char *m, uint32_t va)
    {
        uint32_t w = VX(m, 4, va, 2);
        if (strcmp(m, "vmaddfp") == 0 || strcmp(m, "vnmsubfp") == 0) w |= 3u << 6;
        return w;
    }
};

TEST_F(VmxLanes, TwoLaneRules)
{
    ASSERT_NE(ew.t->machine, nullptr);
    for (size_t i = 0; i < std::size(kCases); i++) {
        const LaneCase &c = kCases[i];
        set_mode(c.mode);
        ew.t->VSCR_CHANGE.value = 0;
        const Vec128 before{0x77, 0x88};
        set_vr(1, c.a);
        set_vr(2, c.b);
        set_vr(3, c.c);
        set_vr(4, before);
        const int done = run(word(c.mnemonic, c.va));
        const std::string what = std::string(c.mnemonic) + " case " + std::to_string(i);
        EXPECT_EQ(vscr(), (c.mode == NJ ? 0x10000u : 0u) | (c.saturates ? 1u : 0u)) << what;
        EXPECT_EQ(vscr_change(), 0u) << what;
        if (c.assist) {
            EXPECT_EQ(done, 0) << what;
            EXPECT_EQ(raised_type(), EXC_VMX_ASSIST) << what;
            EXPECT_EQ(vr(4), before) << what;
        } else {
            EXPECT_EQ(done, 1) << what;
            EXPECT_EQ(vr(4), c.t) << what;
        }
    }
}

TEST_F(VmxLanes, TwoLaneRecordForms)
{
    set_mode(PLAIN);
    struct {
        Vec128 a, b;
        const char *m;
        uint32_t cr6;
    } cases[] = {
        {D(ONE, 0xC008000000000000), D(TWO, TWO), "vcmpbfp.", 0x0},
        {D(ONE, 0xBFF0000000000000), D(TWO, TWO), "vcmpbfp.", 0x2},
        {D(TWO, TWO), D(ONE, ONE), "vcmpgtfp.", 0x8},
        {D(ONE, ONE), D(ONE, ONE), "vcmpgtfp.", 0x2},
    };
    for (const auto &c : cases) {
        ew.cr() = 0x12345678;
        set_vr(1, c.a);
        set_vr(2, c.b);
        ASSERT_EQ(run(word(c.m, 1)), 1) << c.m;
        EXPECT_EQ(ew.cr(), 0x12345608u | (c.cr6 << 4)) << c.m;
    }
}

TEST_F(VmxLanes, FourLanesUseTheUpperSlots)
{
    set_mode(PLAIN);
    ew.t->machine->vmx_fake_mode = 2;
    set_vr(1, D(ONE, TWO));
    set_vr(2, D(HALF, ONE));
    ew.t->vmx_upper_lanes[1][0] = TWO;
    ew.t->vmx_upper_lanes[1][1] = INF;
    ew.t->vmx_upper_lanes[2][0] = TWO;
    ew.t->vmx_upper_lanes[2][1] = ONE;
    ASSERT_EQ(run(word("vaddfp", 1)), 1);
    EXPECT_EQ(vr(4), D(0x3FF8000000000000, 0x4008000000000000));
    EXPECT_EQ(ew.t->vmx_upper_lanes[4][0], 0x4010000000000000u);
    EXPECT_EQ(ew.t->vmx_upper_lanes[4][1], INF);
    EXPECT_EQ(ew.t->vmx_upper_lanes[1][0], TWO); // sources unchanged
    EXPECT_EQ(ew.t->vmx_upper_lanes[2][1], ONE);

    // vcmpeqfp. is all true only when the upper lanes are equal too.
    set_vr(2, D(ONE, TWO));
    ew.t->vmx_upper_lanes[2][0] = TWO;
    ew.t->vmx_upper_lanes[2][1] = ONE;
    ew.cr() = 0;
    ASSERT_EQ(run(word("vcmpeqfp.", 1)), 1);
    EXPECT_EQ(ew.cr(), 0u);
    EXPECT_EQ(ew.t->vmx_upper_lanes[4][1], 0u);
    ew.t->vmx_upper_lanes[2][1] = INF;
    ASSERT_EQ(run(word("vcmpeqfp.", 1)), 1);
    EXPECT_EQ(ew.cr(), 0x80u);
    EXPECT_EQ(ew.t->vmx_upper_lanes[4][1], ~0ull);

    // The two-lane mode neither reads nor writes the upper slots.
    ew.t->machine->vmx_fake_mode = 1;
    ew.t->vmx_upper_lanes[4][0] = 5;
    ASSERT_EQ(run(word("vaddfp", 1)), 1);
    EXPECT_EQ(ew.t->vmx_upper_lanes[4][0], 5u);
}

TEST_F(VmxLanes, OtherModesAreSinglePrecision)
{
    set_mode(PLAIN);
    ew.t->machine->vmx_fake_mode = 3;
    set_vr(1, Vec_From_Words(0x3F800000, 0, 0, 0));
    set_vr(2, Vec_From_Words(0x3F800000, 0, 0, 0));
    ASSERT_EQ(run(word("vaddfp", 1)), 1);
    EXPECT_EQ(vr(4), Vec_From_Words(0x40000000, 0, 0, 0));
}

} // namespace
} // namespace vec_test

// VSX permutes and logical operations on whole registers: every immediate of xxpermdi, xxsldwi
// and xxspltw, the aliases that glibc's start-up uses (xxswapd, xxspltd, xxmr, xxlxor as zero),
// VSR 32-63 as the VMX registers, xxsel, and the level gate of the 2.07 logical forms.
#include "vec_fixture.h"

namespace vec_test
{
namespace
{

const Vec128 A = words(0xA0, 0xA1, 0xA2, 0xA3), B = words(0xB0, 0xB1, 0xB2, 0xB3);

struct PermuteCase {
    const char *what;
    uint32_t word;
    Vec128 expected;
};

TEST_F(VecTest, PermuteAndLogicalTable)
{
    const Vec128 ones{~0ull, ~0ull};
    const PermuteCase cases[] = {
        {"xxpermdi 0", XX3("xxpermdi", 5, 1, 2, 0), words(0xA0, 0xA1, 0xB0, 0xB1)},
        {"xxpermdi 1", XX3("xxpermdi", 5, 1, 2, 1), words(0xA0, 0xA1, 0xB2, 0xB3)},
        {"xxpermdi 2", XX3("xxpermdi", 5, 1, 2, 2), words(0xA2, 0xA3, 0xB0, 0xB1)},
        {"xxpermdi 3", XX3("xxpermdi", 5, 1, 2, 3), words(0xA2, 0xA3, 0xB2, 0xB3)},
        {"xxswapd", XX3("xxpermdi", 5, 1, 1, 2), words(0xA2, 0xA3, 0xA0, 0xA1)},
        {"xxspltd", XX3("xxpermdi", 5, 1, 1, 0), words(0xA0, 0xA1, 0xA0, 0xA1)},
        {"xxsldwi 0", XX3("xxsldwi", 5, 1, 2, 0), A},
        {"xxsldwi 1", XX3("xxsldwi", 5, 1, 2, 1), words(0xA1, 0xA2, 0xA3, 0xB0)},
        {"xxsldwi 2", XX3("xxsldwi", 5, 1, 2, 2), words(0xA2, 0xA3, 0xB0, 0xB1)},
        {"xxsldwi 3", XX3("xxsldwi", 5, 1, 2, 3), words(0xA3, 0xB0, 0xB1, 0xB2)},
        {"xxspltw 3", XX3("xxspltw", 5, 3, 2), words(0xB3, 0xB3, 0xB3, 0xB3)},
        {"xxspltw 7 uses 3", XX3("xxspltw", 5, 7, 2), words(0xB3, 0xB3, 0xB3, 0xB3)},
        {"xxmrghw", XX3("xxmrghw", 5, 1, 2), words(0xA0, 0xB0, 0xA1, 0xB1)},
        {"xxmrglw", XX3("xxmrglw", 5, 1, 2), words(0xA2, 0xB2, 0xA3, 0xB3)},
        {"xxlor (xxmr)", XX3("xxlor", 5, 1, 1), A},
        {"xxlxor same", XX3("xxlxor", 5, 1, 1), Vec128{0, 0}},
        {"xxland", XX3("xxland", 5, 1, 2), words(0xA0, 0xA1, 0xA2, 0xA3)},
        {"xxlandc", XX3("xxlandc", 5, 1, 2), words(0, 0, 0, 0)},
        {"xxlnor", XX3("xxlnor", 5, 1, 2), words(~0xB0u, ~0xB1u, ~0xB2u, ~0xB3u)},
        {"xxlorc", XX3("xxlorc", 5, 1, 2), words(~0x10u, ~0x10u, ~0x10u, ~0x10u)},
        {"xxlnand", XX3("xxlnand", 5, 1, 2), words(~0xA0u, ~0xA1u, ~0xA2u, ~0xA3u)},
        {"xxleqv", XX3("xxleqv", 5, 1, 2), words(~0x10u, ~0x10u, ~0x10u, ~0x10u)},
        {"xxsel ones", XX4("xxsel", 5, 1, 2, 3), B},
        {"xxsel zero", XX4("xxsel", 5, 1, 2, 4), A},
    };
    set_vsr(1, A);
    set_vsr(2, B);
    set_vsr(3, ones);
    set_vsr(4, Vec128{0, 0});
    for (const PermuteCase &c : cases) {
        ASSERT_EQ(run(c.word), 1) << c.what;
        EXPECT_EQ(vsr(5), c.expected) << c.what;
    }
}

TEST_F(VecTest, HighVsrsAreTheVmxRegisters)
{
    set_vr(1, A);
    set_vr(2, B);
    set_vr(3, Vec128{0x00000000FFFFFFFF, 0xFFFFFFFF00000000});
    ASSERT_EQ(run(XX4("xxsel", 63, 33, 34, 35)), 1);
    EXPECT_EQ(vr(31), words(0xB0, 0xA1, 0xA2, 0xB3));
}

TEST_F(VecTest, LogicalLevelGate)
{
    problem_state();
    pcr(4);
    EXPECT_EQ(run(XX3("xxleqv", 5, 1, 2)), 0);
    EXPECT_EQ(raised_type(), 28);
    EXPECT_EQ(run(XX3("xxlor", 5, 1, 2)), 1); // decided by the VSX check alone
    msr() &= ~MSR_VSX;
    EXPECT_EQ(run(XX3("xxlor", 5, 1, 2)), 0);
    EXPECT_EQ(raised_type(), EXC_VSX_UNAVAILABLE);
}

} // namespace
} // namespace vec_test

// fmrgew and fmrgow: the merged words, doubleword 1 cleared, the form marker kept, overlapping
// registers, and the compatibility and facility gates.
#include "vec_fixture.h"
#include "vector/vec_defs.h"

namespace vec_test
{
namespace
{

class FpWordMerge : public VecTest
{
  protected:
    // FRT 3 from FRA 1 and FRB 2.
    int merge(const char *mnemonic, uint32_t t = 3, uint32_t a = 1, uint32_t b = 2)
    {
        return run(VX(mnemonic, t, a, b));
    }
};

TEST_F(FpWordMerge, MergesWordsAndClearsDoubleword1)
{
    struct {
        const char *mnemonic;
        uint64_t result;
    } cases[] = {{"fmrgew", 0x11111111AAAAAAAA}, {"fmrgow", 0x22222222BBBBBBBB}};
    for (auto c : cases) {
        set_vsr(1, Vec128{0x5555, 0x1111111122222222});
        set_vsr(2, Vec128{0x6666, 0xAAAAAAAABBBBBBBB});
        set_vsr(3, Vec128{0x7777, 0x8888});
        ew.t->VSR[3].fpr_form = 3;
        ASSERT_EQ(merge(c.mnemonic), 1);
        EXPECT_EQ(vsr(3), (Vec128{0, c.result})) << c.mnemonic;
        EXPECT_EQ(ew.t->VSR[3].fpr_form, 3) << c.mnemonic;
    }
    // FRT = FRA: both words are read first.
    set_vsr(1, Vec128{0, 0x1111111122222222});
    set_vsr(2, Vec128{0, 0xAAAAAAAABBBBBBBB});
    ASSERT_EQ(merge("fmrgow", 1, 1, 2), 1);
    EXPECT_EQ(vsr(1), (Vec128{0, 0x22222222BBBBBBBB}));
}

TEST_F(FpWordMerge, Gates)
{
    set_vsr(3, Vec128{0x7777, 0x8888});
    problem_state();
    pcr(vec::PCR_V206);
    EXPECT_EQ(merge("fmrgew"), 0);
    EXPECT_EQ(raised_type(), vec::EXC_ILLEGAL);
    pcr(vec::PCR_VSX_OFF);
    ew.option(PO_PCR_DOES_NOT_DISABLE_VMX_VSX_INSTRUCTIONS, 0);
    EXPECT_EQ(merge("fmrgew"), 0);
    EXPECT_EQ(raised_type(), vec::EXC_ILLEGAL);
    pcr(0);
    msr() &= ~vec::MSR_FP;
    EXPECT_EQ(merge("fmrgow"), 0);
    EXPECT_EQ(raised_type(), vec::EXC_FP_UNAVAILABLE);
    EXPECT_EQ(vsr(3), (Vec128{0x7777, 0x8888}));
}

} // namespace
} // namespace vec_test

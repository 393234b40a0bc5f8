// The availability checks: one table over the machine state and options, then the soft-patch
// step and the order of the level gate before the VMX check.
#include "decode/instr_info.h"
#include "decode/semantics.h"
#include "processor/records/generic_machine.h"
#include "vec_fixture.h"
#include "vector/vector_facility.h"

namespace vec_test
{
namespace
{

constexpr int PASS = -1;
constexpr uint64_t HV = MSR_HV, PR = MSR_PR, VEC = MSR_VMX, VSX = MSR_VSX, FP = MSR_FP;

enum class Check { VMX, VSX, FP };

struct FacilityCase {
    const char *what;
    Check check;
    const char *mnemonic;
    uint64_t msr;
    uint64_t hfscr, fscr, pcr;
    bool pcr_does_not_disable; // PCR_DOES_NOT_DISABLE_VMX_VSX_INSTRUCTIONS
    bool ignore_vsx_bit;       // IGNORE_MSR_VSX_BIT
    int expected;              // exception type, or PASS
};

const FacilityCase kCases[] = {
    {"hypervisor ignores HFSCR", Check::VMX, "vaddubm", HV | VEC, 0, 0, 0, true, false, PASS},
    {"supervisor without the vector bit (VMX)", Check::VMX, "vaddubm", VEC, ~2ull, ~0ull, 0, true, false, 44},
    {"supervisor without the vector bit (VSX)", Check::VSX, "xxlor", VSX, ~2ull, ~0ull, 0, true, false, 44},
    {"supervisor without the FP bit", Check::FP, "mtvsrd", FP, ~1ull, ~0ull, 0, true, false, 44},
    {"FSCR 0 never refuses (VMX)", Check::VMX, "vaddubm", PR | VEC, ~0ull, 0, 0, true, false, PASS},
    {"FSCR 0 never refuses (VSX)", Check::VSX, "xxlor", PR | VSX, ~0ull, 0, 0, true, false, PASS},
    {"FSCR 0 never refuses (FP)", Check::FP, "mtvsrd", PR | FP, ~0ull, 0, 0, true, false, PASS},
    {"PCR VMX-off, option off", Check::VMX, "vaddubm", PR | VEC, ~0ull, ~0ull, 0x8000000000000000, false,
     false, 28},
    {"PCR VMX-off, option on", Check::VMX, "vaddubm", PR | VEC, ~0ull, ~0ull, 0x8000000000000000, true, false,
     PASS},
    {"PCR VMX-off outside problem state", Check::VMX, "vaddubm", VEC, ~0ull, ~0ull, 0x8000000000000000, false,
     false, PASS},
    {"PCR VSX-off, option off", Check::VSX, "xxlor", PR | VSX, ~0ull, ~0ull, 0x4000000000000000, false, false,
     28},
    {"PCR VSX-off, option on", Check::VSX, "xxlor", PR | VSX, ~0ull, ~0ull, 0x4000000000000000, true, false,
     PASS},
    {"PCR 2.05, allow-listed row", Check::VSX, "xsaddsp", PR | VSX, ~0ull, ~0ull, 2, true, false, PASS},
    {"PCR 2.05, other row", Check::VSX, "xsadddp", PR | VSX, ~0ull, ~0ull, 2, true, false, 28},
    {"PCR 2.05, allow-listed row, option off", Check::VSX, "xsaddsp", PR | VSX, ~0ull, ~0ull, 2, false, false,
     28},
    {"MSR[VEC] clear", Check::VMX, "vaddubm", HV, ~0ull, ~0ull, 0, true, false, 40},
    {"MSR[VSX] clear", Check::VSX, "xxlor", HV, ~0ull, ~0ull, 0, true, false, 42},
    {"MSR[VSX] clear, IGNORE_MSR_VSX_BIT", Check::VSX, "xxlor", HV, ~0ull, ~0ull, 0, true, true, PASS},
    {"IGNORE_MSR_VSX_BIT skips the PCR too", Check::VSX, "xxlor", PR, 0, 0, 0x4000000000000000, false, true,
     PASS},
    {"MSR[FP] clear", Check::FP, "mtvsrd", HV, ~0ull, ~0ull, 0, true, false, 21},
};

TEST_F(VecTest, FacilityTable)
{
    for (const FacilityCase &c : kCases) {
        ew.option(PO_PCR_DOES_NOT_DISABLE_VMX_VSX_INSTRUCTIONS, c.pcr_does_not_disable);
        ew.option(PO_IGNORE_MSR_VSX_BIT, c.ignore_vsx_bit);
        msr() = MSR_SF | c.msr;
        ew.t->HFSCR.value = c.hfscr;
        ew.t->FSCR.value = c.fscr;
        pcr(c.pcr);
        IOPDesc *iop = ew.prepare(encoding(c.mnemonic));
        int result = 0;
        switch (c.check) {
        case Check::VMX:
            result = Check_VMX_Available(iop);
            break;
        case Check::VSX:
            result = Check_VSX_Available(iop);
            break;
        case Check::FP:
            result = Check_FP_Facility(iop);
            break;
        }
        EXPECT_EQ(result, c.expected == PASS ? 1 : 0) << c.what;
        EXPECT_EQ(raised_type(), c.expected) << c.what;
        if (c.expected == 28) {
            EXPECT_EQ(raised()->subtype, 221) << c.what;
        }
        if (c.expected == 44) {
            EXPECT_EQ(raised()->hfscr_cause, c.check == Check::FP ? 0u : 1u) << c.what;
            EXPECT_STREQ(raised()->detail, c.mnemonic) << c.what;
        }
    }
}

// A soft-patch predicate installed on a row for the length of a test.
int predicate_calls = 0;
int fire(IOPDesc *)
{
    predicate_calls++;
    return 1;
}

class RowPredicate
{
  public:
    explicit RowPredicate(const char *mnemonic)
        : row_(Search_II_Table(instruction_info_table, mnemonic)), saved_(row_->softpatch)
    {
        row_->softpatch = fire;
        predicate_calls = 0;
    }
    ~RowPredicate() { row_->softpatch = saved_; }

  private:
    InstrInfo *row_;
    InstrSoftpatchFn saved_;
};

// The check lets a load or store go on after its soft-patch interrupt; the translation then
// refuses the access because an exception is pending, so the load ends with that interrupt.
TEST_F(VecTest, SoftPatchStopsArithmeticButNotLoads)
{
    ew.memory();
    RowPredicate load("lvx"), arithmetic("vaddubm");
    gpr(4) = 0x100;
    IOPDesc *iop = ew.prepare(VX("lvx", 1, 0, 4));
    EXPECT_EQ(Check_VMX_Available(iop), 1);
    EXPECT_EQ(raised_type(), 47);
    EXPECT_EQ(predicate_calls, 1);

    set_vr(1, words(1, 2, 3, 4));
    EXPECT_EQ(run(VX("lvx", 1, 0, 4)), 0);
    EXPECT_EQ(raised_type(), 47);
    EXPECT_EQ(raised()->next, nullptr);
    EXPECT_EQ(vr(1), words(1, 2, 3, 4));

    iop = ew.prepare(VX("vaddubm", 2, 3, 3));
    EXPECT_EQ(Check_VMX_Available(iop), 0);
    EXPECT_EQ(run(VX("vaddubm", 2, 3, 3)), 0);
    EXPECT_EQ(raised_type(), 47);
    EXPECT_EQ(pc(), 0x1000u);
    EXPECT_EQ(predicate_calls, 4);

    // The VMX check consults the predicate only under VMX_TAKES_SOFTPATCH.
    ew.option(PO_VMX_TAKES_SOFTPATCH, 0);
    EXPECT_EQ(run(VX("vaddubm", 2, 3, 3)), 1);
    EXPECT_EQ(predicate_calls, 4);
}

TEST_F(VecTest, StandaloneNeverAsksThePredicate)
{
    RowPredicate arithmetic("vaddubm");
    const int saved = standalone_mode;
    standalone_mode = 1;
    EXPECT_EQ(run(VX("vaddubm", 2, 3, 3)), 1);
    standalone_mode = saved;
    EXPECT_EQ(predicate_calls, 0);
}

TEST_F(VecTest, LevelGateComesBeforeTheVmxCheck)
{
    problem_state();
    msr() &= ~MSR_VMX;
    pcr(4);
    EXPECT_EQ(run(VX("vmrgew", 1, 2, 3)), 0);
    EXPECT_EQ(raised_type(), 28);
    pcr(0);
    EXPECT_EQ(run(VX("vmrgew", 1, 2, 3)), 0);
    EXPECT_EQ(raised_type(), 40);
}

} // namespace
} // namespace vec_test

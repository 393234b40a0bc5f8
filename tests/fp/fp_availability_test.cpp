// The availability checks of the floating-point instructions: MSR[FP], the hypervisor facility
// control before it, the option gates of the semantic routines, the 2.05 compatibility gate and
// the soft-patch assist.
#include "fp_machine.h"

namespace
{

// Every kind of floating-point routine raises FP unavailable with MSR[FP] = 0 and changes nothing.
TEST(FPAvailable, FloatingPointOffRaisesFpUnavailableBeforeAnythingIsRead)
{
    const uint32_t words[] = {
        A_FORM(63, XO_FADD, 3, 1, 2, 0),  A_FORM(59, XO_FMADD, 3, 1, 2, 4), X_FORM(63, XO_FCMPU, 0, 1, 2),
        X_FORM(63, XO_FCTIW, 3, 0, 2),    MTFSF(0xFF, 2),
        X_FORM(63, XO_MFFS, 3, 0, 0, 1),  X_FORM(63, XO_FMR, 3, 0, 2),     A_FORM(63, XO_FSEL, 3, 1, 2, 4),
        X_FORM(63, XO_MTFSB1, 3, 0, 0),   X_FORM(63, XO_FTDIV, 0, 1, 2),
    };
    FPMachine f;
    for (uint32_t word : words) {
        SCOPED_TRACE(testing::Message() << std::hex << word);
        f.t->MSR.value = MSR_SF | MSR_HV;
        f.fpr(1) = ONE;
        f.fpr(2) = ONE;
        f.fpr(3) = 0x77;
        f.fpscr() = 0;
        f.t->CR.value = 0;
        EXPECT_EQ(f.run(word), 0);
        EXPECT_EQ(f.raised(), EXC_FP_UNAVAILABLE);
        EXPECT_EQ(f.fpr(3), 0x77u);
        EXPECT_EQ(f.fpscr(), 0u);
        EXPECT_EQ(f.t->CR.value, 0u);
        EXPECT_EQ(f.t->PC.value, 0x1000u);
    }
}

TEST(FPAvailable, HypervisorFacilityControlComesFirstOutsideHypervisorState)
{
    FPMachine f;
    f.t->MSR.value = MSR_SF | MSR_PR; // problem state, MSR[FP] clear too
    f.t->HFSCR.value = ~0x1ull;
    EXPECT_EQ(f.run(A_FORM(63, XO_FADD, 3, 1, 2, 0)), 0);
    EXPECT_EQ(f.raised(), EXC_HYPER_FACILITY_UNAVAILABLE);
    // With the HFSCR bit set, problem state goes on to MSR[FP].
    f.t->HFSCR.value = 0x1;
    EXPECT_EQ(f.run(A_FORM(63, XO_FADD, 3, 1, 2, 0)), 0);
    EXPECT_EQ(f.raised(), EXC_FP_UNAVAILABLE);
    f.t->MSR.value |= MSR_FP;
    f.fpr(1) = ONE;
    f.fpr(2) = ONE;
    EXPECT_EQ(f.run(A_FORM(63, XO_FADD, 3, 1, 2, 0)), 1);
    EXPECT_EQ(f.fpr(3), bits_of(2.0));
}

// fctiwu is illegal in problem state under 2.05 compatibility (PCR 0x2), legal in privileged state.
TEST(FPAvailable, CompatibilityGateOfTheNewerConversions)
{
    FPMachine f;
    f.core->PCR.value = 0x2;
    f.t->HFSCR.value = 0x1;
    f.fpr(2) = bits_of(9.0);
    f.t->MSR.value = MSR_SF | MSR_PR | MSR_FP;
    EXPECT_EQ(f.run(X_FORM(63, XO_FCTIWU, 3, 0, 2)), 0);
    ASSERT_EQ(f.raised(), EXC_HEA);
    EXPECT_EQ(f.iop->exceptions->subtype, EST_ILLEGAL_INSTRUCTION);
    f.t->MSR.value = MSR_SF | MSR_FP;
    EXPECT_EQ(f.run(X_FORM(63, XO_FCTIWU, 3, 0, 2)), 1);
    EXPECT_EQ(f.fpr(3) & 0xFFFFFFFFu, 9u);
}

TEST(FPAvailable, OptionGatesOfTheSemanticRoutines)
{
    struct Case {
        int option;
        uint32_t word;
    } cases[] = {
        {PO_FLOATING_POINT_SUPPORTED, A_FORM(63, XO_FADD, 3, 1, 2, 0)},
        {PO_FP_GENERAL_PURPOSE_INSTRUCTIONS_SUPPORTED, A_FORM(63, XO_FSQRT, 3, 0, 2, 0)},
        {PO_FSQRT_SUPPORTED, A_FORM(59, XO_FSQRT, 3, 0, 2, 0)},
        {PO_OPTIONAL_FLOATING_POINT_SUPPORTED, A_FORM(63, XO_FSEL, 3, 1, 2, 4)},
        {PO_FP_FRE_SUPPORTED, A_FORM(63, XO_FRE, 3, 0, 2, 0)},
        {PO_POWERPC_V203, X_FORM(63, XO_FRIZ, 3, 0, 2)},
        {PO_FTDIV_SUPPORTED, X_FORM(63, XO_FTDIV, 0, 1, 2)},
        {PO_POWERPC_V202, X_FORM(63, XO_FCPSGN, 3, 1, 2)},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.option);
        FPMachine f;
        f.option(c.option, false);
        f.fpr(3) = 0x77;
        EXPECT_EQ(f.run(c.word), 0);
        EXPECT_EQ(f.raised(), EXC_HEA);
        EXPECT_EQ(f.fpr(3), 0x77u);
    }
}

// An instruction whose row's predicate finds a dirty operand takes the soft-patch assist instead
// of executing, unless the machine runs a standalone program.
TEST(FPAvailable, SoftPatchAssistForADirtyOperand)
{
    for (int standalone : {0, 1}) {
        FPMachine f;
        const int saved = standalone_mode;
        standalone_mode = standalone;
        f.t->FPR_INVALID_MAP.value = ~(1ull << (63 - 2)); // FPR 2 dirty
        f.fpr(2) = 5;
        f.fpr(3) = 0x77;
        const int done = f.run(X_FORM(63, XO_FCFID, 3, 0, 2));
        standalone_mode = saved;
        if (standalone) {
            EXPECT_EQ(done, 1);
            EXPECT_EQ(f.fpr(3), bits_of(5.0));
        } else {
            EXPECT_EQ(done, 0);
            EXPECT_EQ(f.raised(), EXC_DENORM_SOFTPATCH);
            EXPECT_EQ(f.fpr(3), 0x77u);
        }
    }
}

} // namespace

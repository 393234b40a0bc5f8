// The instruction-match check: the partial and full comparisons of the register pairs, the
// no-op action under the facility test, the soft-patch action outside hypervisor state, and the
// facility test's rules for floating point and the performance-monitor SPR moves.
#include <gtest/gtest.h>

#include "decode/semantics.h"
#include "exec/imc_check.h"
#include "exec/instruction_hooks.h"
#include "interrupts/exception_types.h"
#include "isa/exec_word.h"
#include "processor/regs/msr_rules.h"
#include "vector/imc_match.h"

namespace
{

constexpr uint32_t kFadd = 0xFC22182A; // fadd f1,f2,f3
constexpr uint32_t kAddi = 0x38600001; // li r3,1

struct Pair {
    uint64_t z, o;
};

// Partial entry A (upper half) matching the primary opcode and low eleven bits of word in any
// machine state, with the given kind; entry B (lower half) likewise.
Pair entry_a(uint32_t word, uint64_t kind)
{
    const uint64_t op = word >> 26, xo = word & 0x7FF;
    Pair p;
    p.z = ((~op & 0x3F) << 58) | ((~xo & 0x7FF) << 47) | (7ull << 44) | (1ull << 43) | (kind << 35);
    p.o = (op << 58) | (xo << 47) | (7ull << 44);
    return p;
}
Pair entry_b(uint32_t word, uint64_t kind)
{
    const uint64_t op = word >> 26, xo = word & 0x7FF;
    Pair p;
    p.z = ((~op & 0x3F) << 28) | ((~xo & 0x7FF) << 17) | (7ull << 14) | (1ull << 13) | (kind << 5);
    p.o = (op << 28) | (xo << 17) | (7ull << 14);
    return p;
}
// Full entry matching the whole word, in states whose HV bit is hv.
Pair entry_full(uint32_t word, uint64_t kind, int hv)
{
    Pair p;
    const uint64_t zs = hv ? 6 : 7, os = hv ? 7 : 6;
    p.z = ((uint64_t)~word << 32) | (zs << 14) | (1ull << 13) | (kind << 5);
    p.o = ((uint64_t)word << 32) | (os << 14);
    return p;
}

class ImcCheck : public ::testing::Test
{
  protected:
    ImcCheck()
    {
        ew.t->HFSCR.value = ~0ull;
        ew.t->FSCR.value = ~0ull;
        ew.t->MSR.value = MSR_SF | MSR_HV | MSR_FP;
        ew.core.core->check_imc = 1;
    }
    void arm(int n, Pair p)
    {
        decltype(&ew.core.core->IMA0) z[] = {&ew.core.core->IMA0, &ew.core.core->IMA1, &ew.core.core->IMA2, &ew.core.core->IMA3,
                      &ew.core.core->IMA4};
        decltype(&ew.core.core->IMA0) o[] = {&ew.core.core->IMA8, &ew.core.core->IMA9, &ew.core.core->IMA10, &ew.core.core->IMA11,
                      &ew.core.core->IMA12};
        z[n]->value = p.z;
        o[n]->value = p.o;
    }
    IOPDesc *fetched(uint32_t word)
    {
        IOPDesc *iop = ew.prepare(word);
        iop->fetch.ea = 0x1000;
        return iop;
    }
    ExecWord ew;
};

TEST_F(ImcCheck, PartialAndFullComparisons)
{
    IOPDesc *iop = fetched(kFadd);
    for (int n = 0; n < 5; n++)
        EXPECT_EQ(Part_IMC_Match(iop, n), 0);

    // Entry B answers only where A does not match; a kind field of 0 reads as 3.
    Pair a = entry_a(kAddi, 2), b = entry_b(kFadd, 0);
    arm(1, Pair{a.z | b.z, a.o | b.o});
    EXPECT_EQ(Part_IMC_Match(iop, 1), 3);
    a = entry_a(kFadd, 1);
    arm(1, Pair{a.z | b.z, a.o | b.o});
    EXPECT_EQ(Part_IMC_Match(iop, 1), 1);
    // Disabled, the entry never matches.
    arm(1, Pair{(a.z & ~(1ull << 43)) | (b.z & ~(1ull << 13)), a.o | b.o});
    EXPECT_EQ(Part_IMC_Match(iop, 1), 0);

    // The full form compares the whole word and the state.
    arm(2, entry_full(kFadd, 2, 1));
    EXPECT_EQ(Full_IMC_Match(iop, 2), 2);
    EXPECT_EQ(Part_IMC_Match(iop, 2), 0); // its upper half is no partial entry
    EXPECT_EQ(Full_IMC_Match(fetched(kFadd ^ 0x200000), 2), 0);
    ew.t->MSR.value &= ~MSR_HV;
    EXPECT_EQ(Full_IMC_Match(iop, 2), 0);
    EXPECT_EQ(Full_IMC_Match(iop, 7), 0);
}

TEST_F(ImcCheck, NoOpActionNeedsTheFacility)
{
    arm(0, entry_a(kFadd, 1));
    arm(4, entry_a(kFadd, 2)); // pair 0 wins
    ew.t->MSR.value |= MSR_PR;
    ew.t->MSR.value &= ~MSR_HV;
    IOPDesc *iop = fetched(kFadd);
    EXPECT_EQ(check_for_imc_match(iop), 1);
    EXPECT_EQ(iop->word, 0x60000000u);
    EXPECT_EQ(iop->exceptions, nullptr);
    // The replaced word runs as a no-op: only the PC moves.
    ew.t->VSR[1].value[1] = 7; // FPR1
    iop->row = DecodeInstr(instruction_info_table, iop->word);
    EXPECT_EQ(iop->row->semantic(iop), 1);
    EXPECT_EQ(ew.t->PC.value, 0x1004u);
    EXPECT_EQ(ew.t->VSR[1].value[1], 7u);

    // With MSR[FP] clear the word stays (its routine raises FP unavailable when it runs).
    ew.t->MSR.value &= ~MSR_FP;
    iop = fetched(kFadd);
    EXPECT_EQ(check_for_imc_match(iop), 1);
    EXPECT_EQ(iop->word, kFadd);
    EXPECT_EQ(iop->exceptions, nullptr);

    // Without the HFSCR bit the facility interrupt is raised here and the word stays.
    ew.t->MSR.value |= MSR_FP;
    ew.t->HFSCR.value = 0;
    iop = fetched(kFadd);
    EXPECT_EQ(check_for_imc_match(iop), 1);
    EXPECT_EQ(iop->word, kFadd);
    ASSERT_NE(iop->exceptions, nullptr);
    EXPECT_EQ(iop->exceptions->type, EXC_HYPER_FACILITY_UNAVAILABLE);
}

TEST_F(ImcCheck, SoftPatchActionOutsideHypervisorState)
{
    ew.t->SIM_CTRL.value = 0x10; // full comparisons
    Pair p = entry_full(kAddi, 2, 1);
    p.z |= 1ull << 14; // either HV state
    p.o |= 1ull << 14;
    arm(3, p);
    IOPDesc *iop = fetched(kAddi);
    EXPECT_EQ(check_for_imc_match(iop), 1);
    EXPECT_EQ(iop->exceptions, nullptr);
    EXPECT_EQ(iop->word, kAddi);

    ew.t->MSR.value = MSR_SF | MSR_FP; // guest state
    iop = fetched(kAddi);
    EXPECT_EQ(check_for_imc_match(iop), 0);
    ASSERT_NE(iop->exceptions, nullptr);
    EXPECT_EQ(iop->exceptions->type, EXC_IMC_SOFTPATCH);

    // Action 3 does nothing.
    arm(3, entry_full(kAddi, 3, 0));
    iop = fetched(kAddi);
    EXPECT_EQ(check_for_imc_match(iop), 1);
    EXPECT_EQ(iop->exceptions, nullptr);
}

uint32_t spr_move(uint32_t base, int spr)
{
    return base | (3u << 21) | ((uint32_t)(spr & 0x1F) << 16) | ((uint32_t)(spr >> 5) << 11);
}

TEST_F(ImcCheck, PerformanceMonitorMovesUnderPmcc)
{
    const uint32_t mfspr = 0x7C0002A6, mtspr = 0x7C0003A6;
    ew.t->MSR.value = MSR_SF | MSR_PR;
    struct Case {
        uint32_t base;
        int spr;
        uint64_t pmcc;
        uint32_t answer;
    } cases[] = {
        {mtspr, 782, 1, 0}, {mtspr, 768, 1, 0}, // writes are never refused here
        {mfspr, 782, 1, 1}, {mfspr, 782, 2, 1}, {mfspr, 782, 0, 0}, {mfspr, 768, 1, 1},
        {mfspr, 768, 2, 0}, {mfspr, 775, 3, 1}, {mfspr, 775, 2, 0}, {mfspr, 771, 1, 1},
        {mtspr, 771, 0, 0}, {mfspr, 1, 1, 0},
    };
    for (const Case &c : cases) {
        ew.t->MMCR0.value = c.pmcc << 18;
        IOPDesc *iop = fetched(spr_move(c.base, c.spr));
        EXPECT_EQ(InstructionAvailableInterrupt(iop), c.answer) << c.spr << " pmcc " << c.pmcc;
        if (c.answer) {
            ASSERT_NE(iop->exceptions, nullptr);
            EXPECT_EQ(iop->exceptions->type, EXC_FACILITY_UNAVAILABLE);
        } else {
            EXPECT_EQ(iop->exceptions, nullptr);
        }
    }
    // The facility's HFSCR bit comes first; in hypervisor state nothing is tested.
    ew.t->MMCR0.value = 0;
    ew.t->HFSCR.value = ~(1ull << 3);
    IOPDesc *iop = fetched(spr_move(mfspr, 784));
    EXPECT_EQ(InstructionAvailableInterrupt(iop), 1u);
    ASSERT_NE(iop->exceptions, nullptr);
    EXPECT_EQ(iop->exceptions->type, EXC_HYPER_FACILITY_UNAVAILABLE);
    ew.t->MSR.value = MSR_SF | MSR_HV;
    EXPECT_EQ(InstructionAvailableInterrupt(fetched(spr_move(mfspr, 784))), 0u);
}

} // namespace

// Page translation end to end: a guest page translated and entered, its slots, budget tests,
// exits, branches, self-modification check and the idle exits through turbo_go.
#include <gtest/gtest.h>
#include <tcl.h>

#include <cstring>
#include <string>

#include "processor/records/processor_identity.h"
#include "processor/records/processor_state.h"
#include "runtime/triggers.h"
#include "translator/page_rig.h"
#include "translator/x86/prologues.h"

namespace
{

using namespace ppc;

class PageTranslation : public PageRig
{
  public:

    // Whether the slot's prologue has a budget test (cmp edi, 20 after the self-modification check).
    bool has_budget_test(int slot)
    {
        xframe *x = translation();
        const uint8_t *code = reinterpret_cast<const uint8_t *>(x->entry[slot]);
        const uint8_t test[] = {0x81, 0xFF, 20, 0, 0, 0, 0x0F, 0x8C};
        return memcmp(code + 10 + 6 + 6, test, sizeof test) == 0;
    }
};

TEST_F(PageTranslation, AZeroPageHasOneExitingSlotPerWord)
{
    xframe *x = translation();
    ASSERT_NE(x, nullptr);
    for (int slot = 1; slot <= XFRAME_SLOTS; slot++)
        EXPECT_GT(x->entry[slot], x->entry[slot - 1]) << slot;
    for (int slot : {0, 1, 517, 1023}) {
        t->turbo.unknown_kind = -1;
        EXPECT_EQ(enter(slot, 100), 100u) << slot;
        EXPECT_EQ(t->turbo.reason, EXIT_UNKNOWN);
        EXPECT_EQ(t->turbo.unknown_kind, 0);
        EXPECT_EQ(t->turbo.pc, pc_of(slot));
    }
}

TEST_F(PageTranslation, TheLastSlotFallsThroughToTheFetcher)
{
    word(1023, NOP);
    xframe *x = translation();
    const uint8_t *end = reinterpret_cast<const uint8_t *>(x->entry[1024]);
    EXPECT_EQ(end[0], 0x41);
    EXPECT_EQ(end[1], 0xFF);
    EXPECT_EQ(end[2], 0xE6);
    EXPECT_EQ(enter(1023, 100), 99u);
    EXPECT_EQ(t->turbo.reason, EXIT_FETCH);
    EXPECT_EQ(t->turbo.pc, PAGE_PA + 0x1000);
}

TEST_F(PageTranslation, TheFramePrologueComesFirstAndTheStubsFollowInOrder)
{
    xframe *x = translation();
    const uint8_t *code = reinterpret_cast<const uint8_t *>(xframe_code(x));
    const uint8_t start[] = {0x55, 0x53, 0x41, 0x54, 0x41, 0x55, 0x41, 0x56,
                             0x41, 0x57, 0x48, 0x8B, 0xDF, 0x4C, 0x8B, 0xA3};
    EXPECT_EQ(memcmp(code, start, sizeof start), 0);
    // Each stub's address follows the previous one; the fetch stub is last, before slot 0.
    const uint64_t order[] = {exit_trap,
                              exit_write,
                              exit_read,
                              exit_align,
                              exit_eao_needed,
                              exit_dcbz,
                              exit_bit_accurate,
                              exit_invalid,
                              exit_mode,
                              exit_msr_notdone,
                              exit_delay_1000,
                              exit_priority_low_low,
                              exit_priority_change,
                              exit_msr_done,
                              exit_unknown,
                              exit_htm,
                              exit_synch_time,
                              exit_limit,
                              exit_xflush,
                              exit_fp,
                              exit_vmx,
                              exit_vsx,
                              exit_little_endian,
                              exit_ta,
                              exit_larx,
                              exit_bogus,
                              exit_load_test_loop_lbz,
                              exit_branch_self,
                              exit_interrupt,
                              exit_priv,
                              exit_hyper,
                              exit_fetch,
                              exit_pa_pctrigger,
                              exit_ea_pctrigger,
                              exit_msr_w_regtrigger,
                              fetch};
    EXPECT_GT(order[0], xframe_code(x));
    for (size_t i = 1; i < sizeof order / sizeof order[0]; i++)
        EXPECT_GT(order[i], order[i - 1]) << i;
    EXPECT_EQ(fetch + 3, x->entry[0]);
}

TEST_F(PageTranslation, BudgetTestsComeEveryBlockLengthAndAtBranches)
{
    for (int slot = 0; slot < 45; slot++)
        word(slot, oris(3, 3, 1));
    for (int slot = 0; slot < 45; slot++)
        EXPECT_EQ(has_budget_test(slot), slot == 0 || slot == 20 || slot == 40) << slot;

    frame_drop_xlate(&frame);
    word(25, bc(4, 2, 8)); // a branch carries its own test and restarts the count
    for (int slot = 0; slot < 50; slot++)
        EXPECT_EQ(has_budget_test(slot), slot == 0 || slot == 20 || slot == 25 || slot == 45) << slot;
}

TEST_F(PageTranslation, ABudgetOfTheMinimumRunsOneBlockAndLeavesWithLimit)
{
    for (int slot = 0; slot < 45; slot++)
        word(slot, oris(3, 3, 1));
    t->GPR[3].value = 0;
    EXPECT_EQ(enter(0, 20), 0u);
    EXPECT_EQ(t->turbo.reason, EXIT_LIMIT);
    EXPECT_EQ(t->turbo.pc, pc_of(20));
    EXPECT_EQ(t->GPR[3].value, 0x10000u);
}

TEST_F(PageTranslation, ImmediateFormsComputeTheirResults)
{
    t->GPR[4].value = 0x1234;
    word(0, addis(3, 4, -2));     // r3 = r4 + 0xFFFE0000
    word(1, addis(5, 0, 0x7FFF)); // r5 = 0x7FFF0000
    word(2, ori(6, 4, 0x8001));   // r6 = r4 | 0x8001 (not sign-extended)
    word(3, oris(7, 4, 0x8000));  // r7 = r4 | 0x80000000
    word(4, ori(4, 4, 0));        // the no-op ori
    EXPECT_EQ(enter(0, 100), 95u);
    EXPECT_EQ(t->turbo.pc, pc_of(5));
    EXPECT_EQ(t->GPR[3].value, 0x1234ull - 0x20000ull);
    EXPECT_EQ(t->GPR[5].value, 0x7FFF0000u);
    EXPECT_EQ(t->GPR[6].value, 0x9235u);
    EXPECT_EQ(t->GPR[7].value, 0x80001234u);
    EXPECT_EQ(t->GPR[4].value, 0x1234u);
}

TEST_F(PageTranslation, ABranchToItselfExitsOrIsLeftToTheTriggers)
{
    word(3, b(0));
    EXPECT_EQ(enter(3, 100), 100u);
    EXPECT_EQ(t->turbo.reason, EXIT_BRANCH_SELF);
    EXPECT_EQ(t->turbo.pc, pc_of(3));

    frame_drop_xlate(&frame);
    // Activated in place: setting it through Assoc_Trigger_Set would also drop the rig's frame.
    TriggerTable *table = r.m.machine->trigger_table;
    Tcl_HashSearch search;
    Assoc_TriggerEntry *entry = nullptr;
    for (Tcl_HashEntry *e = Assoc_Trigger_First(table, &search); e; e = Assoc_Trigger_Next(table, &search))
        if (strcmp(Assoc_Trigger_Entry(e)->name, "BRANCH_SELF") == 0) entry = Assoc_Trigger_Entry(e);
    ASSERT_NE(entry, nullptr);
    snprintf(entry->command, sizeof entry->command, "noop");
    entry->active = 1;
    table->assoc_count++;
    t->turbo.unknown_kind = -1;
    EXPECT_EQ(enter(3, 100), 100u);
    EXPECT_EQ(t->turbo.reason, EXIT_UNKNOWN);
    EXPECT_EQ(t->turbo.unknown_kind, 0);
}

TEST_F(PageTranslation, BranchesInsideThePageJumpAndOthersLeaveThroughTheFetcher)
{
    struct Case {
        const char *what;
        uint32_t branch;
        int slot;
        uint64_t pc; // where execution is left
        int32_t reason;
    };
    t->CR.value = 0x20000000; // CR bit 2 (EQ of field 0) set
    const Case cases[] = {
        {"b forward", b(16), 0, pc_of(4), EXIT_UNKNOWN},
        {"b backward", b(-8), 6, pc_of(4), EXIT_UNKNOWN},
        {"beq taken", bc(12, 2, 40), 0, pc_of(10), EXIT_UNKNOWN},
        {"bne not taken", bc(4, 2, 40), 0, pc_of(1), EXIT_UNKNOWN},
        {"beq to the next page", bc(12, 2, 0x1000 - 8), 2, PAGE_PA + 0x1000, EXIT_FETCH},
        {"beq below the page", bc(12, 2, -16), 2, PAGE_PA - 8, EXIT_FETCH},
        {"b out of the page", b(0x2000), 0, PAGE_PA + 0x2000, EXIT_FETCH},
        {"bc always (BO 0x14) to slot 3", bc(20, 0, 12), 0, pc_of(4), EXIT_UNKNOWN},
        {"ba", b(0x3000, true), 0, 0x3000, EXIT_FETCH},
    };
    for (const Case &c : cases) {
        frame_drop_xlate(&frame);
        memset(page, 0, 4096);
        for (int slot = 0; slot < 20; slot++)
            if (slot != c.slot) word(slot, NOP);
        word(4, 0);
        word(10, 0);
        word(c.slot, c.branch);
        word(1, c.slot == 0 ? 0 : NOP);
        t->CFAR.value = 0x77;
        uint32_t left = enter(c.slot, 100);
        EXPECT_EQ(t->turbo.reason, c.reason) << c.what;
        EXPECT_EQ(t->turbo.pc, c.pc) << c.what;
        EXPECT_LT(left, 100u) << c.what;
        bool taken = c.pc != pc_of(1);
        EXPECT_EQ(t->CFAR.value, taken ? pc_of(c.slot) : 0x77u) << c.what;
    }
}

TEST_F(PageTranslation, BdnzInThirtyTwoBitModeTestsTheLowWordOfCtr)
{
    t->MSR.value &= ~MSR_SF;
    t->CTR.value = 0x100000001ull;
    word(0, bc(16, 0, 40)); // bdnz
    word(1, 0);
    word(10, 0);
    enter(0, 100);
    EXPECT_EQ(t->CTR.value, 0x100000000ull);
    EXPECT_EQ(t->turbo.pc, PAGE_PA + 4); // not taken

    t->MSR.value |= MSR_SF;
    t->CTR.value = 0x100000001ull;
    enter(0, 100);
    EXPECT_EQ(t->turbo.pc, pc_of(10)); // in 64-bit mode the whole register decides
}

TEST_F(PageTranslation, LinkFormsSetTheLinkRegisterWhetherOrNotTheyBranch)
{
    struct Case {
        const char *what;
        uint32_t branch;
        uint64_t lr_before, ctr;
        uint64_t target; // where execution is left
    };
    // CR bit 2 clear: the "beq" forms do not branch.
    t->CR.value = 0;
    const Case cases[] = {
        {"bcl not taken", bc(12, 2, 40, false, true), 0x500, 0, pc_of(3)},
        {"bcl always", bc(20, 0, 40, false, true), 0x500, 0, pc_of(12)},
        {"bcctrl", bcctr(20, 0, true), 0x500, 0x6000, 0x6000},
        {"bclrl reads the old LR", bclr(20, 0, true), 0x7000, 0, 0x7000},
        {"bclrl not taken", bclr(12, 2, true), 0x7000, 0, pc_of(3)},
    };
    for (const Case &c : cases) {
        frame_drop_xlate(&frame);
        word(2, c.branch);
        t->LR.value = c.lr_before;
        t->CTR.value = c.ctr;
        enter(2, 100);
        EXPECT_EQ(t->LR.value, pc_of(3)) << c.what;
        EXPECT_EQ(t->turbo.pc, c.target) << c.what;
    }
    frame_drop_xlate(&frame);
    word(2, bc(20, 0, 40, true, true)); // bcla
    t->turbo.unknown_kind = -1;
    EXPECT_EQ(enter(2, 100), 100u);
    EXPECT_EQ(t->turbo.reason, EXIT_UNKNOWN);
    EXPECT_EQ(t->turbo.unknown_kind, 36);
}

TEST_F(PageTranslation, AChangedWordLeavesWithXflushAndIsRetranslated)
{
    t->GPR[3].value = 0;
    word(0, oris(3, 3, 1));
    word(1, oris(3, 3, 2));
    EXPECT_EQ(enter(0, 100), 98u);
    EXPECT_EQ(t->GPR[3].value, 0x30000u);

    word(1, oris(3, 3, 4));
    t->GPR[3].value = 0;
    EXPECT_EQ(enter(0, 100), 99u);
    EXPECT_EQ(t->turbo.reason, EXIT_XFLUSH);
    EXPECT_EQ(t->turbo.xflush_address, host_of(1));
    EXPECT_EQ(t->turbo.pc, pc_of(1));

    // turbo_go drops the stale translation after the exit; the next entry runs the new word.
    t->GPR[3].value = 0;
    t->PC.value = PAGE_PA;
    EXPECT_EQ(go(100), 1u);
    EXPECT_EQ(t->turbo.reason, EXIT_XFLUSH);
    EXPECT_EQ(t->PC.value, pc_of(1));
    EXPECT_EQ(frame.xframe64, 0u);
    EXPECT_EQ(go(100), 1u);
    EXPECT_EQ(t->GPR[3].value, 0x50000u);
}

TEST_F(PageTranslation, TheCheckComparesTheWordAsThePageStoresIt)
{
    auto check_word = [&]() {
        xframe *x = translation();
        const uint8_t *code = reinterpret_cast<const uint8_t *>(x->entry[5]);
        EXPECT_EQ(code[0], 0x48);
        EXPECT_EQ(code[1], 0xB8);
        uint64_t address;
        memcpy(&address, code + 2, 8);
        EXPECT_EQ(address, host_of(5));
        EXPECT_EQ(code[10], 0x81);
        EXPECT_EQ(code[11], 0x38);
        uint32_t compared;
        memcpy(&compared, code + 12, 4);
        return compared;
    };
    word(5, 0x11223344);
    EXPECT_EQ(check_word(), 0x44332211u); // big-endian page: the word byte-reversed

    frame_drop_xlate(&frame);
    frame.little_endian = 1;
    word(5, 0x11223344);
    EXPECT_EQ(check_word(), 0x11223344u); // little-endian page in TURBO: as is
    frame.little_endian = 0;

    // A standalone translation has no check.
    frame_drop_xlate(&frame);
    r.m.machine->turbo_standalone = 1;
    r.m.machine->memory_alloc_size = 0;
    xframe *x = translation();
    const uint8_t *code = reinterpret_cast<const uint8_t *>(x->entry[5]);
    EXPECT_NE(code[1], 0xB8);
    r.m.machine->turbo_standalone = 0;
}

TEST_F(PageTranslation, IdleExitsThroughTurboGo)
{
    // The halt: the support instruction with code 126 is done and the whole budget idles away.
    word(0, NOP);
    word(1, SUPPORT);
    t->GPR[3].value = 126;
    EXPECT_EQ(go(100), 100u);
    EXPECT_EQ(t->PC.value, pc_of(2));
    EXPECT_EQ(t->turbo.support_code, 126u);

    // The branch to itself: the whole budget, the PC on the branch.
    frame_drop_xlate(&frame);
    word(1, b(0));
    t->PC.value = PAGE_PA;
    EXPECT_EQ(go(100), 100u);
    EXPECT_EQ(t->PC.value, pc_of(1));

    // xori 0,0,0 with 5,000 left: 1,000 charged as idle, then a second pass.
    frame_drop_xlate(&frame);
    for (int slot = 0; slot < 1024; slot++)
        word(slot, NOP);
    word(0, xori(0, 0, 0));
    t->PC.value = PAGE_PA;
    uint32_t done = go(5001);
    EXPECT_EQ(t->turbo.reason, EXIT_FETCH); // the second pass ran off the page
    EXPECT_EQ(done, 1u + 1000u + 1023u);    // the no-op, the idle charge, the rest of the page
    EXPECT_EQ(t->PC.value, PAGE_PA + 0x1000);
}

TEST_F(PageTranslation, ParallelModeEmitsNothingForTheDelayNoop)
{
    word(0, xori(0, 0, 0));
    r.m.machine->mode = MODE_PTURBO;
    xframe *x = translation();
    r.m.machine->mode = MODE_TURBO;
    // The slot is its prologue alone: the self-modification check (22 bytes), the budget test
    // (12) and the PC and budget steps (7).
    EXPECT_EQ(x->entry[1] - x->entry[0], 22u + 12u + 7u);
}

TEST_F(PageTranslation, TransactionalKindsAndExternallyDecodedWordsExit)
{
    word(0, 0x7C00051D); // tbegin.
    EXPECT_EQ(enter(0, 100), 100u);
    EXPECT_EQ(t->turbo.reason, EXIT_TRANSACTIONAL_MEMORY);

    // A word an external decoder claims is left to the interpreter with "mode".
    frame_drop_xlate(&frame);
    word(0, NOP);
    ThreadState_register_decoder(
        t, [](void *, uint32_t word, uint32_t) -> uint32_t { return word == NOP; }, nullptr);
    EXPECT_EQ(enter(0, 100), 100u);
    EXPECT_EQ(t->turbo.reason, EXIT_MODE);
    ThreadState_free_decoders(t);
}

TEST_F(PageTranslation, AnUnusableTranslationIsNotEnteredAndNotRetried)
{
    // A translation whose code overflows its sink is discarded; fetches of the page are left to
    // the interpreter until its translations are dropped.
    xframe *x = xframe_new(t->mcm, &frame, 1, 1, 20);
    ASSERT_NE(x, nullptr);
    xframe_free(x);
    frame.untranslatable = 1;
    EXPECT_EQ(frame_xlate(&frame, 1), nullptr);
    frame_drop_xlate(&frame);
    EXPECT_NE(frame_xlate(&frame, 1), nullptr);
}

} // namespace

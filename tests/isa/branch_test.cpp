// Branches: targets by mode, counter and condition tests, link and count writes, the branch to
// the next instruction, the branch to itself, the bctar gates, the invalid decrementing bcctr, the
// in-flight form and the order of the side effects.
#include "processor/hooks/sim_support_halt.h"
#include <string>
#include <vector>

#include "exec_word.h"
#include "isa/hooks/branch_history.h"
#include "isa/hooks/trace_events.h"

// ---- test doubles: the trace library records what it sees ----

namespace
{

ThreadState *watched = nullptr;
std::vector<std::string> hook_log;
bool trace_listening = false;

std::string snapshot(const char *what)
{
    char text[160];
    snprintf(text, sizeof text, "%s lr=%lx ctr=%lx cfar=%lx pc=%lx", what, (unsigned long)watched->LR.value,
             (unsigned long)watched->CTR.value, (unsigned long)watched->CFAR.value,
             (unsigned long)watched->PC.value);
    return text;
}

} // namespace

int trc_is_active(int event)
{
    return trace_listening && event == TRC_EVENT_BRANCH;
}

prof_entry *prof_lookup(uint32_t, uint32_t, uint64_t)
{
    return nullptr;
}

void trc_branch(uint64_t from, uint64_t to, int taken, prof_entry *, uint32_t, int unconditional)
{
    char text[96];
    snprintf(text, sizeof text, "trace(%lx,%lx,%d,%d)", (unsigned long)from, (unsigned long)to, taken,
             unconditional);
    if (watched) hook_log.push_back(snapshot(text));
}

namespace
{

uint32_t b_word(int32_t displacement, uint32_t aa = 0, uint32_t lk = 0)
{
    return (18u << 26) | ((uint32_t)displacement & 0x03FFFFFC) | (aa << 1) | lk;
}
uint32_t bc_word(uint32_t bo, uint32_t bi, int32_t displacement, uint32_t aa = 0, uint32_t lk = 0)
{
    return (16u << 26) | (bo << 21) | (bi << 16) | ((uint32_t)displacement & 0xFFFC) | (aa << 1) | lk;
}
uint32_t xl_branch(uint32_t xo, uint32_t bo, uint32_t bi, uint32_t lk = 0)
{
    return (19u << 26) | (bo << 21) | (bi << 16) | (xo << 1) | lk;
}
constexpr uint32_t BCLR = 16, BCCTR = 528, BCTAR = 560;

class Branch : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        hook_log.clear();
        trace_listening = false;
    }
    void TearDown() override
    {
        watched = nullptr;
        trace_listening = false;
        Test_Assoc_Clear();
    }
};

TEST_F(Branch, TargetsCountersAndConditions)
{
    struct Case {
        const char *what;
        uint32_t word;
        bool mode64;
        uint64_t pc, ctr, lr, tar;
        uint32_t cr;
        uint64_t next, ctr_after, lr_after;
        uint8_t taken;
    } cases[] = {
        {"bdnz 32-bit sees the low word", bc_word(16, 0, -8), false, 0x1000, 0x100000001, 0, 0, 0, 0x1004,
         0x100000000, 0, 0},
        {"bdnz 64-bit", bc_word(16, 0, -8), true, 0x1000, 0x100000001, 0, 0, 0, 0xFF8, 0x100000000, 0, 1},
        {"bdz", bc_word(18, 0, 0x40), true, 0x1000, 1, 0, 0, 0, 0x1040, 0, 0, 1},
        {"beq taken", bc_word(12, 2, 0x40), true, 0x1000, 7, 0, 0, 0x20000000, 0x1040, 7, 0, 1},
        {"beq not taken", bc_word(12, 2, 0x40), true, 0x1000, 7, 0, 0, 0x40000000, 0x1004, 7, 0, 0},
        {"bne taken", bc_word(4, 2, 0x40), true, 0x1000, 7, 0, 0, 0x40000000, 0x1040, 7, 0, 1},
        {"bdnzt both", bc_word(8, 0, 0x40), true, 0x1000, 3, 0, 0, 0x80000000, 0x1040, 2, 0, 1},
        {"bca absolute", bc_word(20, 0, 0x100, 1), true, 0x1000, 0, 0, 0, 0, 0x100, 0, 0, 1},
        {"bcl links after the target", bc_word(20, 0, 0x40, 0, 1), true, 0x1000, 0, 0x7777, 0, 0, 0x1040, 0,
         0x1004, 1},
        {"b 32-bit wraps", b_word(8), false, 0xFFFFFFFC, 0, 0, 0, 0, 0x4, 0, 0, 1},
        {"b back", b_word(-0x10), true, 0x1000, 0, 0, 0, 0, 0xFF0, 0, 0, 1},
        {"bla", b_word(0x2000, 1, 1), true, 0x1000, 0, 0, 0, 0, 0x2000, 0, 0x1004, 1},
        {"bl 32-bit link wraps", b_word(0x10, 0, 1), false, 0xFFFFFFFC, 0, 0, 0, 0, 0xC, 0, 0, 1},
        {"blr", xl_branch(BCLR, 20, 0), true, 0x1000, 0, 0x2003, 0, 0, 0x2000, 0, 0x2003, 1},
        {"bclrl old LR then link", xl_branch(BCLR, 20, 0, 1), true, 0x1000, 0, 0x2000, 0, 0, 0x2000, 0,
         0x1004, 1},
        {"blr 32-bit", xl_branch(BCLR, 20, 0), false, 0x1000, 0, 0xFFFFFFFF00002000, 0, 0, 0x2000, 0,
         0xFFFFFFFF00002000, 1},
        {"bdnzlr", xl_branch(BCLR, 16, 0), true, 0x1000, 2, 0x3000, 0, 0, 0x3000, 1, 0x3000, 1},
        {"bctr", xl_branch(BCCTR, 20, 0), true, 0x1000, 0x5003, 0, 0, 0, 0x5000, 0x5003, 0, 1},
        {"bcctrl", xl_branch(BCCTR, 20, 0, 1), true, 0x1000, 0x5000, 0, 0, 0, 0x5000, 0x5000, 0x1004, 1},
        {"bdnzctr counts with the option", xl_branch(BCCTR, 16, 0), true, 0x1000, 0x5000, 0, 0, 0, 0x5000,
         0x4FFF, 0, 1},
        {"bctar", xl_branch(BCTAR, 20, 0), true, 0x1000, 0, 0, 0x6004, 0, 0x6004, 0, 0, 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        ExecWord ew;
        if (!c.mode64) ew.mode32();
        ew.t->PC.value = c.pc;
        ew.t->CTR.value = c.ctr;
        ew.t->LR.value = c.lr;
        ew.t->TAR.value = c.tar;
        ew.t->HFSCR.value = ~0ull;
        ew.cr() = c.cr;
        EXPECT_EQ(ew.run(c.word), 1);
        EXPECT_EQ(ew.t->PC.value, c.next);
        EXPECT_EQ(ew.t->next_pc, c.next);
        EXPECT_EQ(ew.t->CTR.value, c.ctr_after);
        EXPECT_EQ(ew.t->LR.value, c.lr_after);
        EXPECT_EQ(ew.iop->branch_taken, c.taken);
        EXPECT_EQ(ew.t->CFAR.value, c.taken && c.next != c.pc + 4 ? c.pc : 0u);
    }
}

TEST_F(Branch, BranchToTheNextInstructionRecordsNothing)
{
    ExecWord ew;
    watched = ew.t;
    ew.t->CFAR.value = 0x77;
    ew.t->MMCR0.value = 0x4000000; // branch history recording
    EXPECT_EQ(ew.run(bc_word(20, 31, 4, 0, 1)), 1); // bcl 20,31,$+4
    EXPECT_EQ(ew.t->LR.value, 0x1004u);
    EXPECT_EQ(ew.t->PC.value, 0x1004u);
    EXPECT_EQ(ew.iop->branch_taken, 1);
    EXPECT_EQ(ew.t->CFAR.value, 0x77u);
    EXPECT_TRUE(hook_log.empty());
    EXPECT_EQ(ew.t->BHRBE[0].value, 0u);
}

TEST_F(Branch, DecrementingBcctrWithoutTheOption)
{
    struct Case {
        uint64_t ctr;
        uint64_t next;
    } cases[] = {{1, 0x1004}, {5, 0x4}};
    for (const Case &c : cases) {
        ExecWord ew;
        ew.option(PO_BCCTR_CAN_DECREMENT_CTR, 0);
        ew.t->CTR.value = c.ctr;
        EXPECT_EQ(ew.run(xl_branch(BCCTR, 16, 0)), 1); // tests CTR = 1, leaves CTR
        EXPECT_EQ(ew.t->PC.value, c.next);
        EXPECT_EQ(ew.t->CTR.value, c.ctr);
        EXPECT_EQ(ew.raised(), nullptr);
    }
    ExecWord illegal;
    illegal.option(PO_BCCTR_CAN_DECREMENT_CTR, 0);
    illegal.option(PO_INVALID_FORMS_ARE_ILLEGAL);
    illegal.t->CTR.value = 5;
    EXPECT_EQ(illegal.run(xl_branch(BCCTR, 16, 0)), 0);
    ASSERT_NE(illegal.raised(), nullptr);
    EXPECT_EQ(illegal.raised()->subtype, 221);
    EXPECT_EQ(illegal.t->PC.value, 0x1000u);
}

// The halt of a thread in chunk mode adds 0x40000000 ticks to its chunk delay: the halts so far.
int halts(const ThreadState *t)
{
    return (int)(t->chunk_delay / 0x40000000);
}

TEST_F(Branch, BranchToItself)
{
    TclRecorder tcl;
    ExecWord ew;
    ew.t->chunk_mode = 1;
    EXPECT_EQ(ew.run(b_word(0)), 1);
    EXPECT_EQ(ew.iop->branch_taken, 1);
    EXPECT_EQ(ew.t->CFAR.value, 0x1000u);
    EXPECT_EQ(ew.t->PC.value, 0x1000u);
    EXPECT_EQ(halts(ew.t), 1);
    EXPECT_EQ(ew.iop->deferred_triggers, 0);

    Test_Assoc_Define("BRANCH_SELF", "record");
    EXPECT_EQ(ew.run(b_word(0)), 1);
    EXPECT_EQ(ew.iop->deferred_triggers, 8);
    EXPECT_EQ(halts(ew.t), 2);

    IOPDesc *iop = ew.prepare(b_word(0));
    iop->defer_side_effects = 1;
    iop->fetch.ea = 0x1000;
    EXPECT_EQ(iop->row->semantic(iop), 1);
    EXPECT_EQ(iop->next_address, 0x1000u);
    EXPECT_EQ(halts(ew.t), 2); // no idle-loop service without side effects
    EXPECT_EQ(iop->deferred_triggers, 8);
}

TEST_F(Branch, BctarGates)
{
    struct Case {
        const char *what;
        uint64_t msr, pcr, hfscr, fscr;
        int32_t type; // 0: taken
        int32_t subtype;
    } cases[] = {
        {"problem state, 2.06 compatibility", MSR_SF | MSR_PR, 0x4, ~0ull, ~0ull, 28, 221},
        {"privileged without HFSCR", MSR_SF, 0, ~0ull & ~0x100ull, ~0ull, 44, 0},
        {"hypervisor needs no HFSCR", MSR_SF | MSR_HV, 0, 0, 0, 0, 0},
        {"problem state without FSCR", MSR_SF | MSR_PR, 0, ~0ull, ~0ull & ~0x100ull, 43, 0},
        {"problem state with both", MSR_SF | MSR_PR, 0, 0x100, 0x100, 0, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        ExecWord ew;
        ew.t->MSR.value = c.msr;
        ew.core.core->PCR.value = c.pcr;
        ew.t->HFSCR.value = c.hfscr;
        ew.t->FSCR.value = c.fscr;
        ew.t->TAR.value = 0x8000;
        ew.t->LR.value = 0x1234;
        int result = ew.run(xl_branch(BCTAR, 20, 0, 1));
        if (c.type == 0) {
            EXPECT_EQ(result, 1);
            EXPECT_EQ(ew.t->PC.value, 0x8000u);
            EXPECT_EQ(ew.t->LR.value, 0x1004u);
            continue;
        }
        EXPECT_EQ(result, 0);
        ASSERT_NE(ew.raised(), nullptr);
        EXPECT_EQ(ew.raised()->type, c.type);
        EXPECT_EQ(ew.raised()->subtype, c.subtype);
        if (c.type == 44) {
            EXPECT_EQ(ew.raised()->hfscr_cause, 8u);
        }
        if (c.type == 43) {
            EXPECT_EQ(ew.raised()->fscr_cause, 8u);
        }
        EXPECT_EQ(ew.t->PC.value, 0x1000u);
        EXPECT_EQ(ew.t->LR.value, 0x1234u);
    }
}

TEST_F(Branch, InFlightFormUsesTheSlots)
{
    ExecWord ew;
    IOPDesc *iop = ew.prepare(bc_word(16, 0, 0x40, 0, 1)); // bdnzl
    iop->use_slots = 1;
    iop->defer_side_effects = 1;
    iop->fetch.ea = 0x3000;
    iop->operand_slot1[0] = 3; // CTR
    ew.t->CTR.value = 1;       // not read
    EXPECT_EQ(iop->row->semantic(iop), 1);
    EXPECT_EQ(iop->branch_taken, 1);
    EXPECT_EQ(iop->next_address, 0x3040u);
    EXPECT_EQ(iop->result_gpr1.value[0], 2u);      // CTR
    EXPECT_EQ(iop->result_gpr2.value[0], 0x3004u); // LR
    EXPECT_EQ(ew.t->PC.value, 0x1000u);
    EXPECT_EQ(ew.t->CTR.value, 1u);
}

TEST_F(Branch, SideEffectOrder)
{
    trace_listening = true;
    {
        ExecWord ew;
        watched = ew.t;
        ew.t->LR.value = 0x99;
        ew.t->MMCR0.value = 0x4000000;
        ew.run(b_word(0x40, 0, 1)); // bl: trace, LR, history, call signature, CFAR, NIA
        std::vector<std::string> expected = {"trace(1000,1040,1,1) lr=99 ctr=0 cfar=0 pc=1000"};
        EXPECT_EQ(hook_log, expected);
        EXPECT_EQ(ew.t->BHRBE[0].value, 0x1000u);
        EXPECT_EQ(ew.t->CFAR.value, 0x1000u);
    }
    hook_log.clear();
    {
        ExecWord ew;
        watched = ew.t;
        ew.t->CTR.value = 5;
        ew.t->MMCR0.value = 0x4000000;
        ew.run(bc_word(16, 0, 0x40, 0, 1)); // bdnzl: history, call signature, CFAR, NIA, trace, CTR, LR
        std::vector<std::string> expected = {"trace(1000,1040,1,0) lr=0 ctr=5 cfar=1000 pc=1040"};
        EXPECT_EQ(hook_log, expected);
        EXPECT_EQ(ew.t->BHRBE[0].value, 0x1000u);
        EXPECT_EQ(ew.t->CTR.value, 4u);
        EXPECT_EQ(ew.t->LR.value, 0x1004u);
    }
}

} // namespace

// The transactional-memory model run by the interpreter on a built machine: begin, commit, abort and
// rollback to the failure handler, nesting limits, the switched-off model, the Bad Thing cases,
// failure injection, trechkpt./treclaim., reservations across tsuspend./tresume., interrupts and
// exceptions inside transactions, the abort-all operation and the statistics.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "../exec/run_machine.h"
#include "interrupts/exception_types.h"
#include "memory/memory_map.h"
#include "mmu/tm/htm_checkpoint.h"
#include "mmu/tm/htm_stats.h"
#include "mmu/tm_operations.h"
#include "processor/hooks/htm.h"
#include "processor/hooks/interrupt_hooks.h"
#include "processor/records/htm_data.h"
#include "processor/records/htm_user_state.h"
#include "processor/records/instruction_record.h"
#include "processor/regs/msr_rules.h"
#include "processor/regs/ppc_bits.h"
#include "processor/regs/register_file.h"
#include "processor/time/time_registers.h"
#include "support/htm_record.h"
#include "support/sink_capture.h"

namespace
{

constexpr uint32_t TBEGIN = 0x7C00051D, TBEGIN_ROT = 0x7C20051D, TEND = 0x7C00055D, TENDOUTER = 0x7E00055D,
                   TSUSPEND = 0x7C0005DD, TRESUME = 0x7C2005DD, TRECHKPT = 0x7C0007DD, NOP = 0x60000000;
constexpr uint64_t TEXASR_EXACT = 0x4000000, TEXASR_FS = 0x8000000, TEXASR_ROT = 0x2000000;
constexpr uint64_t MSR_BASE = 0x9000000000000000ull | MSR_TM; // SF, HV, TM; relocation off
constexpr uint64_t SIM_CTRL_DEPTH_4 = 1ull << 62, SIM_CTRL_DEPTH_8 = 1ull << 63;
constexpr uint32_t CR_FAILED = 0b1010;

uint32_t li(uint32_t rt, uint32_t value)
{
    return 0x38000000 | rt << 21 | (value & 0xFFFF);
}
uint32_t beq(int32_t displacement)
{
    return 0x41820000 | ((uint32_t)displacement & 0xFFFC);
}
uint32_t tabort(uint32_t ra)
{
    return 0x7C00071D | ra << 16;
}
uint32_t treclaim(uint32_t ra)
{
    return 0x7C00075D | ra << 16;
}
uint32_t lwarx(uint32_t rt, uint32_t rb)
{
    return 0x7C000028 | rt << 21 | rb << 11;
}

class Htm : public ::testing::Test
{
  protected:
    explicit Htm(const BuiltMachine::Configure &configure = {}) : r(configure) {}
    void SetUp() override
    {
        ASSERT_TRUE(r.ok());
        r.t->MSR.value = MSR_BASE;
    }
    uint32_t cr0() const { return r.t->CR.value >> 28; }
    uint64_t ts() const { return r.t->MSR.value & MSR_TS; }
    uint64_t level() const { return r.t->TEXASR.value & 0xFFF; }
    int32_t in_transaction() const { return r.m.machine->threads_in_transaction; }
    htm_data *data() const { return r.m.machine->htm; }
    std::string stats()
    {
        SinkCapture sink;
        HTM_stats_print(nullptr, r.m.machine);
        return sink.text();
    }
    RunMachine r;
};

// tbegin. at 0x100 with its failure branch to 0x200; the transaction body follows at 0x108.
void transaction(RunMachine &r, std::initializer_list<uint32_t> body, uint32_t begin = TBEGIN)
{
    r.program(0x100, {begin, beq(0x200 - 0x104)});
    r.program(0x108, body);
    r.program(0x200, {li(6, 7)});
}

TEST_F(Htm, CommitKeepsTheTransactionsRegistersAndCounts)
{
    r.t->GPR[3].value = 0x33;
    transaction(r, {li(3, 5), TEND, NOP});
    r.program(0xFC, {NOP}); // a start count of 0 counts as none
    r.t->PC.value = 0xFC;
    r.run(3);
    EXPECT_EQ(ts(), MSR_TS_TRANSACTIONAL);
    EXPECT_EQ(in_transaction(), 1);
    EXPECT_EQ(level(), 1u);
    EXPECT_EQ(r.t->TFHAR.value, 0x104u);
    r.run(2);
    EXPECT_EQ(ts(), 0u);
    EXPECT_EQ(in_transaction(), 0);
    EXPECT_EQ(r.t->GPR[3].value, 5u);
    EXPECT_EQ(cr0(), 0b0100u); // tend. in T: 0 || TS || 0
    EXPECT_EQ(level(), 0u);
    EXPECT_EQ(r.t->PC.value, 0x110u);
    EXPECT_EQ(r.t->GPR[6].value, 0u);

    const std::string text = stats();
    EXPECT_NE(text.find("Tbegins : total: 1, outer: 1"), std::string::npos) << text;
    EXPECT_NE(text.find("Tends   : Transactional total: 1, outer: 1. Non-Transactional: 0"),
              std::string::npos)
        << text;
    // What the transaction ran (tbegin. to tend.) counts as instructions of successful transactions.
    EXPECT_GE(data()->instructions_succeeded, 2u);
    char line[80];
    snprintf(line, sizeof line, "%-34s : %ld", "Instrs in Trans that succeed",
             (long)data()->instructions_succeeded);
    EXPECT_NE(text.find(line), std::string::npos) << text;
}

// tabort. code 0x5A in T: the failure record, then the rollback to the handler with the checkpoint.
TEST_F(Htm, AbortRollsBackToTheFailureHandler)
{
    r.t->GPR[3].value = 0x33;
    r.t->GPR[4].value = 0x44;
    transaction(r, {li(3, 5), li(4, 0x5A), tabort(4), li(5, 1)});
    r.run(5);
    const uint64_t texasr = r.t->TEXASR.value;
    EXPECT_EQ(texasr >> 56, 0x5Au);                 // the failure code
    EXPECT_EQ((texasr >> 32) & 1, 1u);              // abort
    EXPECT_EQ(texasr & TEXASR_FS, TEXASR_FS);       // failure summary
    EXPECT_EQ(texasr & TEXASR_EXACT, TEXASR_EXACT); // TFIAR exact
    EXPECT_EQ(r.t->TFIAR.value, 0x110u | 2);        // the tabort.'s address | HV << 1
    EXPECT_EQ(ts(), 0u);
    EXPECT_EQ(in_transaction(), 0);
    EXPECT_EQ(r.t->GPR[3].value, 0x33u); // the checkpoint is back
    EXPECT_EQ(r.t->GPR[4].value, 0x44u);
    EXPECT_EQ(cr0(), CR_FAILED);
    EXPECT_EQ(r.t->PC.value, 0x104u); // TFHAR: the branch to the handler comes next
    r.run(2);
    EXPECT_EQ(r.t->GPR[6].value, 7u);
    EXPECT_EQ(r.t->GPR[5].value, 0u);
    EXPECT_EQ(data()->taborts_transactional, 1u);
    EXPECT_EQ(data()->failure_counts[0], 1u); // a non-zero code counts as "Unknown"
}

TEST_F(Htm, AbortWithCodeZeroCountsAsTabort)
{
    transaction(r, {tabort(0)});
    r.run(3);
    EXPECT_EQ(r.t->TEXASR.value >> 32, 1u);
    EXPECT_EQ(data()->failure_counts[11], 1u);
}

TEST(HtmStats, NeverUsedAndFailureLinesInTypeOrder)
{
    RunMachine r;
    ASSERT_TRUE(r.ok());
    {
        SinkCapture sink;
        HTM_stats_print(nullptr, r.m.machine);
        EXPECT_NE(sink.text().find("Never used"), std::string::npos) << sink.text();
        EXPECT_EQ(sink.text().find("Tbegins"), std::string::npos);
    }
    r.t->MSR.value = MSR_BASE;
    r.program(0x100, {TEND});
    r.run(1);
    SinkCapture sink;
    HTM_stats_print(nullptr, r.m.machine);
    const std::string text = sink.text();
    EXPECT_NE(text.find("Non-Transactional: 1"), std::string::npos) << text;
    size_t at = 0;
    for (const char *name :
         {" Unknown ", " Interrupt ", " Exception ", " Disallowed Instruction or Access ",
          " Max Nesting Depth Exceeded ", " Cache Overflow ", " Conflict Non-Transactional ",
          " Conflict Transactional ", " Self-Induced ", " Invalidation Conflict ",
          " Implementation Specific ", " Tabort/Treclaim ", " Instruction Fetch Conflict ",
          " ATTN op in T or S mode ", " tsuspend op with SIM_CTRL[TM_INT_FAIL]=1 ",
          " Fail all TM ops upon interrupt "}) {
        size_t next = text.find(name, at);
        ASSERT_NE(next, std::string::npos) << name << "\n" << text;
        at = next;
    }
    HTM_stats_reset(nullptr, r.m.machine);
    EXPECT_EQ(r.m.machine->htm->tends_non_transactional, 0u);
    EXPECT_NE(r.m.machine->htm->enabled, 0u);
}

// The deepest nesting: the default 63 levels, 3 with SIM_CTRL bit 62, 7 with bit 63, 1 with both.
TEST(HtmNesting, DepthLimits)
{
    struct Case {
        uint64_t sim_ctrl;
        uint32_t depth;
    } cases[] = {
        {0, 63}, {SIM_CTRL_DEPTH_4, 3}, {SIM_CTRL_DEPTH_8, 7}, {SIM_CTRL_DEPTH_4 | SIM_CTRL_DEPTH_8, 1}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.depth);
        RunMachine r;
        ASSERT_TRUE(r.ok());
        r.t->MSR.value = MSR_BASE;
        r.t->SIM_CTRL.value = c.sim_ctrl;
        for (uint32_t n = 0; n <= c.depth; n++)
            r.program(0x100 + 4 * n, {TBEGIN});
        r.run(c.depth);
        EXPECT_EQ(r.t->TEXASR.value & 0xFFF, c.depth);
        EXPECT_FALSE(HTM_Failure_Recorded(r.t));
        r.run(1); // one level too deep: the failure, then the rollback
        EXPECT_EQ(r.t->TEXASR.value >> 32, 0x1400000u);
        EXPECT_EQ(r.t->TEXASR.value & TEXASR_EXACT, TEXASR_EXACT);
        EXPECT_EQ(r.t->TFIAR.value & ~3ull, 0x100u + 4 * c.depth);
        EXPECT_EQ(r.t->MSR.value & MSR_TS, 0u);
        EXPECT_EQ(r.t->PC.value, 0x104u);
        EXPECT_EQ(r.m.machine->htm->failure_counts[4], 1u);
    }
}

TEST_F(Htm, InnerEndLowersTheLevelOuterEndCommitsAll)
{
    r.program(0x100, {TBEGIN, TBEGIN, TBEGIN, TEND, TENDOUTER});
    r.run(4);
    EXPECT_EQ(level(), 2u);
    EXPECT_EQ(ts(), MSR_TS_TRANSACTIONAL);
    r.run(1);
    EXPECT_EQ(level(), 0u);
    EXPECT_EQ(ts(), 0u);
    EXPECT_EQ(in_transaction(), 0);
    EXPECT_EQ(data()->tends_total, 2u);
    EXPECT_EQ(data()->tends_outer, 1u);
    EXPECT_EQ(data()->tbegins_total, 3u);
    EXPECT_EQ(data()->tbegins_outer, 1u);
}

TEST_F(Htm, SwitchedOffModelFailsTbeginAtOnce)
{
    global_htm_status = 0;
    r.t->TEXASR.value = 0x5;
    r.program(0x100, {TBEGIN});
    r.run(1);
    global_htm_status = 1;
    EXPECT_EQ(r.t->MSR.value, MSR_BASE);
    EXPECT_EQ(cr0(), CR_FAILED);
    EXPECT_EQ(r.t->TEXASR.value >> 32, 0x01100000u);
    EXPECT_EQ(r.t->TEXASR.value & 0xFFFFFFFF, 0x5u | TEXASR_FS | TEXASR_EXACT | 0x20000000u); // HV
    EXPECT_EQ(r.t->TFIAR.value, 0x100u);
    EXPECT_EQ(in_transaction(), 0);
}

TEST_F(Htm, TendInSuspendedStateIsABadThing)
{
    r.program(0x100, {TBEGIN, TSUSPEND, TEND});
    r.run(3);
    EXPECT_EQ(r.t->SRR0.value, 0x108u); // the program interrupt at the tend.
    EXPECT_EQ(r.t->PC.value, 0x700u);
    EXPECT_EQ(in_transaction(), 1);
}

TEST_F(Htm, TrechkptNeedsARecordedFailureAndEndsSuspendedAndDoomed)
{
    r.program(0x100, {TRECHKPT});
    r.run(1);
    EXPECT_EQ(r.t->PC.value, 0x700u); // Bad Thing
    EXPECT_EQ(in_transaction(), 0);

    r.t->MSR.value = MSR_BASE;
    r.t->PC.value = 0x100;
    r.t->TEXASR.value = TEXASR_FS;
    r.t->GPR[7].value = 0x77;
    r.run(1);
    EXPECT_EQ(ts(), MSR_TS_SUSPENDED);
    EXPECT_EQ(r.t->htm_failure_pending, 1);
    EXPECT_EQ(r.t->TDOOMED.value & 1, 1u);
    EXPECT_EQ(in_transaction(), 1);
    EXPECT_EQ(r.t->htm->GPR[7], 0x77u); // the current registers became the checkpoint
}

TEST_F(Htm, TreclaimRestoresTheCheckpointAndLeaves)
{
    r.t->GPR[3].value = 0x33;
    r.t->GPR[9].value = 0x12;
    transaction(r, {li(3, 5), treclaim(9)});
    r.run(4);
    EXPECT_EQ(ts(), 0u);
    EXPECT_EQ(in_transaction(), 0);
    EXPECT_EQ(r.t->GPR[3].value, 0x33u);
    EXPECT_EQ(r.t->TEXASR.value >> 32, 0x12000001u);
    EXPECT_EQ(cr0(), 0b0100u);
    EXPECT_EQ(r.t->PC.value, 0x110u); // no rollback: treclaim. goes on

    r.program(0x110, {treclaim(0)}); // outside a transaction: Bad Thing
    r.run(1);
    EXPECT_EQ(r.t->PC.value, 0x700u);
}

TEST_F(Htm, TsuspendWithTmIntFailDoomsAndStaysTransactional)
{
    r.t->SIM_CTRL.value = 1ull << 39;
    transaction(r, {TSUSPEND, NOP});
    r.run(3);
    EXPECT_EQ(r.t->TEXASR.value >> 32, 0x1010000u);
    EXPECT_EQ(ts(), 0u); // doomed in T: rolled back after the tsuspend.
    EXPECT_EQ(r.t->PC.value, 0x104u);
}

TEST_F(Htm, ReservationTakenInTSurvivesTresume)
{
    r.write(0x1000, 4, 0);
    r.t->GPR[9].value = 0x1000;
    r.program(0x100, {TBEGIN, lwarx(3, 9), TSUSPEND, TRESUME, TSUSPEND, lwarx(3, 9), TRESUME});
    r.run(4);
    EXPECT_EQ(ts(), MSR_TS_TRANSACTIONAL);
    EXPECT_EQ(r.t->memory_client->reservation_valid, 1u);
    r.run(3); // one taken in S does not survive
    EXPECT_EQ(ts(), MSR_TS_TRANSACTIONAL);
    EXPECT_EQ(r.t->memory_client->reservation_valid, 0u);
}

TEST_F(Htm, ExceptionInSuspendedStateRecordsAndReturnsToT)
{
    r.program(0x100, {TBEGIN, TSUSPEND});
    r.run(2);
    ASSERT_EQ(ts(), MSR_TS_SUSPENDED);
    IOPDesc *iop = r.t->current_iop;
    ASSERT_NE(iop, nullptr);
    EXPECT_EQ(htm_handle_exception(iop, EXC_PROGRAM), 1);
    EXPECT_EQ(ts(), MSR_TS_TRANSACTIONAL);
    EXPECT_EQ(r.t->TEXASR.value >> 32, 0x1600000u | (uint32_t)EXC_PROGRAM << 25);
    EXPECT_EQ(r.t->TEXASR.value & 0x80000000u, 0x80000000u); // failed in suspended state
    EXPECT_EQ(r.t->htm_failure_pending, 1);
}

TEST_F(Htm, AbortAllRefusesWhileAThreadIsSuspended)
{
    r.t->GPR[3].value = 0x33;
    r.program(0x100, {TBEGIN, li(3, 5), TSUSPEND});
    r.run(3);
    EXPECT_EQ(htm_rollback_all_transactions(r.m.machine, 0x80000), 0);
    EXPECT_EQ(ts(), MSR_TS_SUSPENDED);
    EXPECT_FALSE(HTM_Failure_Recorded(r.t));

    r.program(0x10C, {TRESUME});
    r.run(1);
    EXPECT_EQ(htm_rollback_all_transactions(r.m.machine, 0x80000), 1);
    EXPECT_EQ(ts(), 0u);
    EXPECT_EQ(in_transaction(), 0);
    EXPECT_EQ(r.t->TEXASR.value >> 32, 0x80000u);
    EXPECT_EQ(r.t->TEXASR.value & TEXASR_EXACT, 0u);
    EXPECT_EQ(r.t->GPR[3].value, 0x33u);
    EXPECT_EQ(cr0(), CR_FAILED);
    EXPECT_EQ(r.t->PC.value, 0x104u);
}

TEST_F(Htm, RollbackOnlyBitFollowsR)
{
    r.program(0x100, {TBEGIN_ROT, TBEGIN_ROT, TBEGIN});
    r.run(1);
    EXPECT_EQ(r.t->TEXASR.value & TEXASR_ROT, TEXASR_ROT);
    r.run(1);
    EXPECT_EQ(r.t->TEXASR.value & TEXASR_ROT, TEXASR_ROT);
    r.run(1);
    EXPECT_EQ(r.t->TEXASR.value & TEXASR_ROT, 0u);
}

class HtmInjected : public Htm
{
  protected:
    HtmInjected() : Htm([](BuiltMachine &b) { b.set("htm/inject_transaction_fail_rate", "1.0"); }) {}
};

TEST_F(HtmInjected, EveryOuterTendFails)
{
    r.t->TFIAR.value = 0x777;
    transaction(r, {TEND});
    r.run(3);
    EXPECT_EQ(r.t->TEXASR.value >> 32, 0x10000u);
    EXPECT_EQ(r.t->TEXASR.value & TEXASR_EXACT, 0u);
    EXPECT_EQ(r.t->TFIAR.value, 0x777u);
    EXPECT_EQ(ts(), 0u);
    EXPECT_EQ(cr0(), CR_FAILED);
    EXPECT_EQ(r.t->PC.value, 0x104u);
}

class HtmWithoutOsSupport : public Htm
{
  protected:
    HtmWithoutOsSupport() : Htm([](BuiltMachine &b) { b.set("htm/htm_os_supports_tm", "FALSE"); }) {}
};

// The operating system does not know transactions: an asynchronous interrupt in T first rolls the
// transaction back, so the saved MSR shows N and the saved address is the failure handler.
TEST_F(HtmWithoutOsSupport, AsynchronousInterruptRollsBackFirst)
{
    r.t->MSR.value = MSR_BASE | MSR_EE;
    transaction(r, {NOP, NOP, NOP});
    r.run(2);
    ASSERT_EQ(ts(), MSR_TS_TRANSACTIONAL);
    ThreadState__SetDEC(r.t, 0xFFFFFFFF); // negative: the decrementer interrupt is due
    interrupt_Decrementer(r.t);
    r.run(1);
    EXPECT_EQ(r.t->SRR0.value, 0x104u);
    EXPECT_EQ(r.t->SRR1.value & MSR_TS, 0u);
    EXPECT_EQ(r.t->PC.value, 0x900u);
    EXPECT_EQ(r.t->TEXASR.value >> 32, 0x1c00000u | (uint32_t)EXC_DECREMENTER << 25); // the type as reason
    EXPECT_EQ(in_transaction(), 0);
}

TEST_F(Htm, CheckpointRegisters)
{
    const struct {
        const char *name;
        bool kept;
    } cases[] = {{"GPR0", true},
                 {"GPR17", true},
                 {"GPR31", true},
                 {"VSR0", true},
                 {"VSR63", true},
                 {"FPSCR", true},
                 {"FPR_INVALID_MAP", true},
                 {"VSCR", true},
                 {"LR", true},
                 {"CTR", true},
                 {"XER", true},
                 {"CR", true},
                 {"VRSAVE", true},
                 {"AMR", true},
                 {"PPR", true},
                 {"TAR", true},
                 {"DSCR", true},
                 {"MSR", false},
                 {"PC", false},
                 {"TEXASR", false},
                 {"SRR0", false},
                 {"TFHAR", false},
                 {"HID0", false},
                 {"SPRG0", false}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        Register_File_Entry *entry = Find_Register_By_Name(r.t, c.name);
        ASSERT_NE(entry, nullptr);
        EXPECT_EQ(Is_HTM_Checkpoint_Register(entry), c.kept);
    }
    EXPECT_FALSE(Is_HTM_Checkpoint_Register(nullptr));
}

// The checkpoint takes the FPSCR an instruction is about to deliver over the thread's.
TEST_F(Htm, CheckpointTakesThePendingFpscr)
{
    IOPDesc iop{};
    iop.thread = r.t;
    r.t->FPSCR.value = 0x1000;
    htm_checkpoint_save(&iop);
    EXPECT_EQ(htm_checkpointed_fpscr(r.t), 0x1000u);
    iop.fpscr_cache_on = 1;
    iop.fpscr_cache = 0x2000;
    htm_checkpoint_save(&iop);
    EXPECT_EQ(htm_checkpointed_fpscr(r.t), 0x2000u);
}

} // namespace

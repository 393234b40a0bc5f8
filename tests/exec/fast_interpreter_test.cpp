// The fast interpreter (fast_go) on a one-thread machine in FAST mode: a short run in the chunk loop
// fills the effective-address maps for the code and data pages, then fast_go runs on its own.
#include <gtest/gtest.h>

#include <vector>

#include "exec/hooks/engines.h"
#include "exec/run_machine.h"
#include "memory/memory_bus.h"
#include "memory/reservations.h"
#include "processor/records/mcm.h"
#include "translator/emat.h"

namespace
{

constexpr uint64_t CODE = 0x2000;
constexpr uint64_t DATA = 0x5000;

constexpr uint32_t ADDI_R3_R3_1 = 0x38630001;
constexpr uint32_t SC = 0x44000002;
constexpr uint32_t LWZ_R4_0_R5 = 0x80850000;
constexpr uint32_t STW_R4_0_R5 = 0x90850000;
constexpr uint32_t LWARX_R4_0_R5 = 0x7C802828;
constexpr uint32_t ADDI_R4_R4_1 = 0x38840001;
constexpr uint32_t STWCX_R4_0_R5 = 0x7C80292D;

uint32_t mfspr(uint32_t rt, uint32_t spr)
{
    return 0x7C0002A6u | rt << 21 | (spr & 31) << 16 | (spr >> 5) << 11;
}

struct FastMachine : RunMachine {
    FastMachine()
    {
        if (!ok()) return;
        m.machine->mode = MODE_FAST;
        t->GPR[5].value = DATA;
    }
    // Runs count instructions from address through the chunk loop (which fills the maps it misses),
    // then puts the PC back there.
    void prime(uint64_t address, uint64_t count)
    {
        t->PC.value = address;
        run(count);
        Start_The_Simulation();
        t->PC.value = address;
    }
    MemoryMap *memory() const { return t->mcm->mbus->memory_map; }
};

TEST(FastInterpreter, RunsAWholeBudgetOfStraightLineCode)
{
    FastMachine r;
    ASSERT_TRUE(r.ok());
    std::vector<uint32_t> words(520, ADDI_R3_R3_1);
    for (size_t i = 0; i < words.size(); i++)
        r.write(CODE + 4 * i, 4, words[i]);
    r.prime(CODE, 2);
    r.t->GPR[3].value = 0;
    uint64_t count = r.t->Instruction_Number, machine_count = r.m.machine->instruction_count;

    EXPECT_EQ(fast_go(r.t, 500), 500u);
    EXPECT_EQ(r.t->GPR[3].value, 500u);
    EXPECT_EQ(r.t->PC.value, CODE + 4 * 500);
    EXPECT_EQ(r.t->Instruction_Number, count + 500);
    EXPECT_EQ(r.m.machine->instruction_count, machine_count + 500);
    EXPECT_EQ(r.t->emat_fill_request, 0);

    // In the chunk loop the run is timed once: 500 x (d + 1) cycles; with d = 1 the chunk halves.
    for (uint64_t d : {0u, 1u}) {
        SCOPED_TRACE(d);
        r.t->PC.value = CODE;
        r.t->smt_delay_factor = d;
        uint64_t before = r.t->job->proxy.tick;
        uint64_t k = 500 / (d + 1);
        r.run(k);
        Start_The_Simulation();
        EXPECT_EQ(r.t->PC.value, CODE + 4 * k);
        EXPECT_EQ(r.t->job->proxy.tick - before, k * (d + 1) * r.tpc());
    }
}

TEST(FastInterpreter, CyclesPerInstructionRoundToNearest)
{
    // k instructions cost k x cpi + 0.49999 cycles, truncated; cpi 0 means one cycle each.
    struct Case {
        float cpi;
        uint64_t k, cycles;
    } cases[] = {{1.5f, 3, 4}, {1.6f, 1, 2}, {0.0f, 3, 3}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.cpi);
        FastMachine r;
        ASSERT_TRUE(r.ok());
        r.program(CODE, {ADDI_R3_R3_1, ADDI_R3_R3_1, ADDI_R3_R3_1, ADDI_R3_R3_1, ADDI_R3_R3_1});
        r.prime(CODE, 2);
        r.m.machine->cpi = c.cpi;
        uint64_t before = r.t->job->proxy.tick;
        r.run(c.k); // one chunk of k
        EXPECT_EQ(r.t->PC.value, CODE + 4 * c.k);
        EXPECT_EQ(r.t->job->proxy.tick - before, c.cycles * r.tpc());
    }
}

TEST(FastInterpreter, LeavesBeforeWhatItDoesNotHandle)
{
    FastMachine r;
    ASSERT_TRUE(r.ok());
    r.program(CODE, {ADDI_R3_R3_1, ADDI_R3_R3_1, SC});
    r.write(DATA, 4, 0x11223344);
    r.prime(CODE, 2);

    // Two instructions, then "sc": the run stops at it.
    uint64_t count = r.t->Instruction_Number;
    EXPECT_EQ(fast_go(r.t, 10), 2u);
    EXPECT_EQ(r.t->PC.value, CODE + 8);
    // An unhandled first instruction: nothing executed, counted or requested.
    EXPECT_EQ(fast_go(r.t, 10), 0u);
    EXPECT_EQ(r.t->PC.value, CODE + 8);
    EXPECT_EQ(r.t->Instruction_Number, count + 2);
    EXPECT_EQ(r.t->emat_fill_request, 0);

    // A misaligned word load leaves before itself, after the load of the same page has been mapped.
    r.program(CODE + 0x100, {LWZ_R4_0_R5, ADDI_R3_R3_1, LWZ_R4_0_R5});
    r.prime(CODE + 0x100, 1);
    r.t->GPR[3].value = 0;
    r.t->GPR[4].value = 0;
    EXPECT_EQ(fast_go(r.t, 3), 3u);
    EXPECT_EQ(r.t->GPR[4].value, 0x11223344u);
    r.t->PC.value = CODE + 0x100;
    r.t->GPR[5].value = DATA + 2;
    EXPECT_EQ(fast_go(r.t, 3), 0u);
    EXPECT_EQ(r.t->PC.value, CODE + 0x100);
    EXPECT_EQ(r.t->GPR[3].value, 1u);
}

TEST(FastInterpreter, UnmappedPagesLeaveAFillRequest)
{
    FastMachine r;
    ASSERT_TRUE(r.ok());
    r.program(CODE, {ADDI_R3_R3_1, LWZ_R4_0_R5, STW_R4_0_R5});
    r.t->PC.value = CODE;
    EXPECT_EQ(fast_go(r.t, 5), 0u);
    EXPECT_EQ(r.t->emat_fill_request, EMAT_FILL_FETCH);
    // The interpreted instruction serves the request: the next run goes on to the load's miss.
    r.prime(CODE, 1);
    r.t->PC.value = CODE;
    EXPECT_EQ(fast_go(r.t, 5), 1u);
    EXPECT_EQ(r.t->emat_fill_request, EMAT_FILL_READ);
    EXPECT_EQ(r.t->PC.value, CODE + 4);
    r.prime(CODE + 4, 1);
    EXPECT_EQ(fast_go(r.t, 5), 1u);
    EXPECT_EQ(r.t->emat_fill_request, EMAT_FILL_WRITE);
    EXPECT_EQ(r.t->PC.value, CODE + 8);
}

TEST(FastInterpreter, ReservationsOfTheChip)
{
    FastMachine r;
    ASSERT_TRUE(r.ok());
    r.program(CODE, {LWARX_R4_0_R5, ADDI_R4_R4_1, STWCX_R4_0_R5, STW_R4_0_R5});
    r.write(DATA, 4, 41);
    r.prime(CODE, 4); // maps the load and the store
    MemoryClient *client = r.t->memory_client;
    ASSERT_EQ(client->reservation_valid, 0);
    ASSERT_EQ(r.memory()->reservation_count, 0);

    // lwarx and stwcx. in one run: stored, CR0 = EQ | SO, reservation gone.
    r.write(DATA, 4, 41);
    r.t->XER.value = 0x80000000;
    r.t->CR.value = 0;
    EXPECT_EQ(fast_go(r.t, 3), 3u);
    EXPECT_EQ(r.read(DATA, 4), 42u);
    EXPECT_EQ(r.t->CR.value >> 28, 0x3u);
    EXPECT_EQ(client->reservation_valid, 0);
    EXPECT_EQ(r.memory()->reservation_count, 0);

    // Another agent of the chip holds a reservation: a store leaves, for the one-instruction
    // interpreter to revoke it.
    MemoryClient other = {};
    other.mcm = r.t->mcm;
    create_reservation(&other, DATA, 4);
    r.t->PC.value = CODE + 12;
    EXPECT_EQ(fast_go(r.t, 1), 0u);
    EXPECT_EQ(r.t->PC.value, CODE + 12);
    r.prime(CODE + 12, 1);
    EXPECT_EQ(other.reservation_valid, 0);
    EXPECT_EQ(r.memory()->reservation_count, 0);
    clear_reservation_bit(&other);
}

TEST(FastInterpreter, SprMovesByPrivilege)
{
    struct Case {
        uint32_t spr;
        bool problem_state;
        bool runs;
    } cases[] = {
        {1, true, true}, {8, true, true},   {9, true, true},    {26, false, true},
        {26, true, false}, {256, false, false}, {287, true, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "SPR " << c.spr << (c.problem_state ? " PR=1" : " PR=0"));
        FastMachine r;
        ASSERT_TRUE(r.ok());
        r.program(CODE, {ADDI_R3_R3_1, mfspr(6, c.spr)});
        if (c.problem_state) r.t->MSR.value |= 0x4000; // PR: the problem-state maps
        r.prime(CODE, 1);
        r.t->LR.value = 0x1234;
        r.t->CTR.value = 0x5678;
        r.t->SRR0.value = 0x9ABC;
        r.t->GPR[6].value = 0;
        EXPECT_EQ(fast_go(r.t, 2), c.runs ? 2u : 1u);
        if (!c.runs) continue;
        uint64_t want = c.spr == 8 ? 0x1234 : c.spr == 9 ? 0x5678 : c.spr == 26 ? 0x9ABC : r.t->XER.value & 0xE00FFFFF;
        EXPECT_EQ(r.t->GPR[6].value, want);
    }
}

} // namespace

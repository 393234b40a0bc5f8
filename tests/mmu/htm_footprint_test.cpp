// The transactional footprint on a two-thread machine: a transaction's stores stay in its footprint
// until tend. writes the whole line, another thread's access fails the transaction, capacity limits
// (a full set, the store-line limit), loads and stores in suspended state, and dcbz.
#include <gtest/gtest.h>

#include "../exec/run_machine.h"
#include "mmu/tm/htm_footprint.h"
#include "processor/hooks/htm.h"
#include "processor/records/axd.h"
#include "processor/records/htm_data.h"
#include "processor/records/instruction_record.h"
#include "processor/regs/ppc_bits.h"
#include "support/htm_record.h"

namespace
{

constexpr uint32_t TBEGIN = 0x7C00051D, TEND = 0x7C00055D, TSUSPEND = 0x7C0005DD;
constexpr uint64_t MSR_BASE = 0x9000000100000000ull; // SF, HV, TM
constexpr uint64_t DATA = 0x2000;
constexpr uint32_t CAUSE_BITS = 0x1FFFFFF;

uint32_t stw(uint32_t rs, uint32_t ra, uint32_t d)
{
    return 0x90000000 | rs << 21 | ra << 16 | d;
}
uint32_t lwz(uint32_t rt, uint32_t ra, uint32_t d)
{
    return 0x80000000 | rt << 21 | ra << 16 | d;
}
uint32_t dcbz(uint32_t ra, uint32_t rb)
{
    return 0x7C0007EC | ra << 16 | rb << 11;
}

class Footprint : public ::testing::Test
{
  protected:
    explicit Footprint(const char *extra_key = nullptr, const char *extra_value = nullptr)
        : r([&](BuiltMachine &b) {
              b.set("processor/number_of_threads", "2");
              b.set("htm/TEXASR_extra_info", "TRUE");
              if (extra_key) b.set(extra_key, extra_value);
          })
    {
    }
    void SetUp() override
    {
        ASSERT_TRUE(r.ok());
        r.t->MSR.value = MSR_BASE;
        other = &r.core->threads[1];
        other->MSR.value = MSR_BASE;
        r.t->GPR[9].value = DATA;
        r.write(DATA, 4, 0x11111111);
        r.write(DATA + 4, 4, 0x22222222);
    }
    // An access of the other thread through the transactional path.
    uint64_t other_access(uint64_t pa, bool store, uint64_t value = 0)
    {
        IOPDesc iop{};
        iop.thread = other;
        iop.length = 4;
        AXD axd{};
        axd.pa = pa;
        axd.size = 4;
        axd.kind = store ? AXD_KIND_STORE : AXD_KIND_LOAD;
        uint64_t read = 0;
        if (store)
            EXPECT_EQ(HTM_PA_Write_Memory_Reg(&iop, &axd, value), 1);
        else
            EXPECT_EQ(HTM_PA_Read_Memory_Reg(&iop, &axd, &read), 1);
        return read;
    }
    uint32_t cause() const { return (uint32_t)(r.t->TEXASR.value >> 32) & CAUSE_BITS; }
    uint32_t reason() const { return (uint32_t)(r.t->TEXASR.value >> 57); }
    RunMachine r;
    ThreadState *other = nullptr;
};

TEST_F(Footprint, StoresStayInTheFootprintUntilTend)
{
    r.t->GPR[4].value = 0xABCD1234;
    r.program(0x100, {TBEGIN, stw(4, 9, 0), lwz(5, 9, 0), lwz(6, 9, 4), TEND});
    r.run(4);
    EXPECT_EQ(r.t->GPR[5].value, 0xABCD1234u); // the transaction sees its store
    EXPECT_EQ(r.t->GPR[6].value, 0x22222222u);
    EXPECT_EQ(r.read(DATA, 4), 0x11111111u); // memory does not yet
    EXPECT_EQ(Is_PA_To_HTM_Store_Footprint(r.t->current_iop, DATA + 0x40), 1);
    r.run(1);
    EXPECT_EQ(r.t->MSR.value & MSR_TS, 0u);
    EXPECT_EQ(r.read(DATA, 4), 0xABCD1234u);
    EXPECT_EQ(r.read(DATA + 4, 4), 0x22222222u); // the whole line went back
    EXPECT_EQ(r.m.machine->htm->caches[0].used_lines, 0);
}

TEST_F(Footprint, AnotherThreadsLoadFailsTheTransactionAndReadsMemory)
{
    r.t->GPR[4].value = 0xABCD1234;
    r.program(0x100, {TBEGIN, stw(4, 9, 0)});
    r.run(2);
    EXPECT_EQ(other_access(DATA, false), 0x11111111u);
    EXPECT_EQ(cause(), 0x80000u); // non-transactional conflict
    EXPECT_EQ(reason(), 7u);      // non-transactional load hit my store
    EXPECT_EQ(r.t->TEXASR.value & 0x4000000, 0u);
}

TEST_F(Footprint, ReadReadIsNoConflictStoreToAReadLineIs)
{
    r.program(0x100, {TBEGIN, lwz(5, 9, 0)});
    r.run(2);
    other_access(DATA, false);
    EXPECT_FALSE(HTM_Failure_Recorded(r.t));
    other_access(DATA + 8, true, 5);
    EXPECT_EQ(cause(), 0x80000u);
    EXPECT_EQ(reason(), 6u);
    EXPECT_EQ(r.read(DATA + 8, 4), 5u); // the non-transactional store reached memory
}

TEST_F(Footprint, FullSetIsACapacityFailure)
{
    r.program(0x100, {TBEGIN});
    r.run(1);
    for (uint64_t n = 0; n < 16; n++) // 64 lines in 4 sets of 16 ways: 0x200 apart share a set
        ASSERT_GE(htm_allocate_fill_new_line(r.t, DATA + n * 0x200, 0), 0) << n;
    EXPECT_FALSE(HTM_Failure_Recorded(r.t));
    EXPECT_EQ(htm_allocate_fill_new_line(r.t, DATA + 16 * 0x200, 0), -1);
    EXPECT_EQ(cause(), 0x1200000u);
    EXPECT_EQ(reason(), 1u);
    EXPECT_GE(htm_allocate_fill_new_line(r.t, DATA + 0x80, 0), 0); // another set has room
}

TEST_F(Footprint, SuspendedStoreToAReadLineFailsAndReachesMemory)
{
    r.t->GPR[4].value = 0x77;
    r.program(0x100, {TBEGIN, lwz(5, 9, 0), TSUSPEND, stw(4, 9, 0)});
    r.run(4);
    EXPECT_EQ(cause(), 0x1100000u);
    EXPECT_EQ(reason(), 15u);
    EXPECT_EQ(r.read(DATA, 4), 0x77u);
    EXPECT_EQ(r.m.machine->htm->caches[0].used_lines, 0); // released
}

TEST_F(Footprint, DcbzZeroesOnlyTheFootprint)
{
    r.t->GPR[0].value = 0;
    r.program(0x100, {TBEGIN, dcbz(0, 9), lwz(5, 9, 4)});
    r.run(3);
    EXPECT_FALSE(HTM_Failure_Recorded(r.t));
    EXPECT_EQ(r.t->GPR[5].value, 0u);
    EXPECT_EQ(r.read(DATA + 4, 4), 0x22222222u);
}

class FootprintStoreLimit : public Footprint
{
  protected:
    FootprintStoreLimit() : Footprint("htm/cache_store_lines_log2", "2") {}
};

TEST_F(FootprintStoreLimit, FifthStoredLineFails)
{
    r.program(0x100, {TBEGIN});
    r.run(1);
    for (uint64_t n = 0; n < 4; n++)
        ASSERT_GE(htm_allocate_fill_new_line(r.t, DATA + n * 0x80, 1), 0) << n;
    EXPECT_EQ(htm_allocate_fill_new_line(r.t, DATA + 4 * 0x80, 1), -1);
    EXPECT_EQ(cause(), 0x1200000u);
    EXPECT_EQ(reason(), 2u);
}

} // namespace

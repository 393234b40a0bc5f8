// The transactional footprint on a two-thread machine: a transaction's stores stay in its footprint
// until tend. writes the whole line, another thread's access fails the transaction, capacity limits
// (a full set, the store-line limit), loads and stores in suspended state, and dcbz.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../exec/run_machine.h"
#include "memory/memory_tags.h"
#include "mmu/tm/htm_footprint.h"
#include "mmu/tm/line_store.h"
#include "processor/hooks/htm.h"
#include "processor/records/axd.h"
#include "processor/records/htm_data.h"
#include "processor/records/instruction_record.h"
#include "processor/regs/ppc_bits.h"
#include "support/htm_record.h"
#include "support/sink_capture.h"

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
    // The footprint entry of the thread (the table is in the machine's thread order).
    htm_cache &footprint_of(ThreadState *thread)
    {
        htm_data *data = r.m.machine->htm;
        for (int32_t i = 0; i < data->thread_count; i++)
            if (data->caches[i].thread == thread) return data->caches[i];
        ADD_FAILURE() << "no footprint";
        return data->caches[0];
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
    EXPECT_EQ(footprint_of(r.t).used_lines, 0);
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
    EXPECT_EQ(footprint_of(r.t).used_lines, 0); // released
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

// Accesses of a thread put in a state by hand, through the transactional path.
struct Access {
    ThreadState *thread;
    IOPDesc iop{};
    explicit Access(ThreadState *t, uint64_t ts, uint32_t word = 0) : thread(t)
    {
        t->MSR.value = (t->MSR.value & ~MSR_TS) | ts;
        iop.thread = t;
        iop.length = 4;
        iop.word = word;
    }
    uint64_t load(uint64_t pa, int size, uint16_t kind = AXD_KIND_LOAD, uint8_t wimg = 0)
    {
        AXD axd{};
        axd.pa = pa;
        axd.size = (int16_t)size;
        axd.kind = kind;
        axd.wimg = wimg;
        uint64_t value = 0;
        EXPECT_EQ(HTM_PA_Read_Memory_Reg(&iop, &axd, &value), 1);
        return value;
    }
};

// A transactional load of a line another transaction stored into: the holder fails only when the
// loader has the priority bit and the holder has not; otherwise the loader fails.
TEST_F(Footprint, PriorityDecidesATransactionalConflict)
{
    struct Case {
        int32_t loader, holder;
        bool holder_fails;
    } cases[] = {{1, 0, true}, {0, 0, false}, {0, 1, false}, {1, 1, false}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.loader * 2 + c.holder);
        r.m.machine->threads_in_transaction = 2;
        Access a(r.t, MSR_TS_TRANSACTIONAL);
        Access b(other, MSR_TS_TRANSACTIONAL);
        ASSERT_GE(htm_allocate_fill_new_line(other, DATA, 1), 0);
        r.t->htm_priority = c.loader;
        other->htm_priority = c.holder;
        a.load(DATA, 4);
        EXPECT_EQ(HTM_Failure_Recorded(other), c.holder_fails);
        EXPECT_EQ(HTM_Failure_Recorded(r.t), !c.holder_fails);
        EXPECT_EQ((uint32_t)((c.holder_fails ? other : r.t)->TEXASR.value >> 32) & CAUSE_BITS, 0x40000u);
        for (ThreadState *t : {r.t, other}) {
            release_cache(&footprint_of(t));
            HTM_Clear_Failure(t);
        }
    }
}

TEST_F(Footprint, LoadsInTransactionalState)
{
    r.m.machine->threads_in_transaction = 1;
    Access a(r.t, MSR_TS_TRANSACTIONAL);

    // An 8-byte load across a line boundary fills both lines.
    r.write(DATA + 0x7C, 4, 0xAAAAAAAA);
    r.write(DATA + 0x80, 4, 0xBBBBBBBB);
    EXPECT_EQ(a.load(DATA + 0x7C, 8), 0xAAAAAAAABBBBBBBBull);
    htm_cache &mine = footprint_of(r.t); // the table exists once the model ran
    EXPECT_EQ(mine.used_lines, 2);

    // A cache-inhibited load dooms the transaction but still reads through the footprint.
    EXPECT_EQ(a.load(DATA, 4, AXD_KIND_LOAD, AXD_WIMG_I), 0x11111111u);
    EXPECT_EQ(cause(), 0x1800000u);
    EXPECT_EQ(reason(), 3u);
    release_cache(&mine);
    HTM_Clear_Failure(r.t);

    // A fetch of a line the transaction stored into fails it (my instruction fetch hit my store).
    ASSERT_GE(htm_allocate_fill_new_line(r.t, DATA + 0x200, 1), 0);
    a.load(DATA + 0x200, 4, AXD_KIND_FETCH);
    EXPECT_EQ(cause(), 0x8000u);
    EXPECT_EQ(reason(), 17u);
    release_cache(&mine);
    HTM_Clear_Failure(r.t);

    // A rollback-only transaction reads memory for a line it has not stored, leaving no entry.
    r.t->TEXASR.value = 0x2000001;
    EXPECT_EQ(a.load(DATA + 4, 4), 0x22222222u);
    EXPECT_EQ(mine.used_lines, 0);
}

// The cache-operation checks: a dcbf with L = 3 is no conflict, a dcbf or dcbi is.
TEST_F(Footprint, CacheOperationConflicts)
{
    r.m.machine->threads_in_transaction = 1;
    Access holder(r.t, MSR_TS_TRANSACTIONAL);
    ASSERT_GE(htm_allocate_fill_new_line(r.t, DATA, 0), 0);
    Access dcbf_l3(other, 0, 3u << 21);
    EXPECT_EQ(htm_check_touch_collision(&dcbf_l3.iop, 1, DATA, 0, HTM_TOUCH_DCBF), 1);
    EXPECT_FALSE(HTM_Failure_Recorded(r.t));
    Access dcbi(other, 0);
    EXPECT_EQ(htm_check_touch_collision(&dcbi.iop, 1, DATA, 0, HTM_TOUCH_DCBI), 1);
    EXPECT_EQ(cause(), 0x80000u);
    EXPECT_EQ(reason(), 14u); // other cache-op hit my load
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

// Capacity under each rule: the full set, and with SIM_CTRL1 bit 59 the Glent rule (8 lines sharing
// address bits 7-15, 16 sharing bits 7-8; a rollback-only transaction's read lines do not count).
TEST_F(Footprint, CapacityUnderEachRule)
{
    constexpr uint64_t GLENT = 1ull << 59, ROT = 0x2000000;
    struct Case {
        uint64_t sim_ctrl1, texasr, stride;
        int is_store;
        uint64_t lines_that_fit;
        uint32_t reason;
    } cases[] = {
        {0, 0, 0x200, 0, 16, 1},         // a set holds 16 ways
        {0, 0, 0x10000, 0, 16, 1},       // the same set, whatever bits 9-15 hold
        {GLENT, 0, 0x10000, 0, 8, 24},   // bits 7-15 alike
        {GLENT, 0, 0x200, 0, 16, 24},    // bits 7-8 alike: the Glent rule speaks before the full set
        {GLENT, ROT, 0x10000, 0, 16, 1}, // read lines of a rollback-only transaction do not count
        {GLENT, ROT, 0x10000, 1, 8, 24}, // its stored lines do
    };
    r.m.machine->threads_in_transaction = 1;
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.sim_ctrl1 << " " << c.texasr << " " << c.stride);
        Access a(r.t, MSR_TS_TRANSACTIONAL);
        r.t->SIM_CTRL1.value = c.sim_ctrl1;
        r.t->TEXASR.value = c.texasr;
        for (uint64_t n = 0; n < c.lines_that_fit; n++)
            ASSERT_GE(htm_allocate_fill_new_line(r.t, DATA + n * c.stride, c.is_store), 0) << n;
        EXPECT_FALSE(HTM_Failure_Recorded(r.t));
        EXPECT_EQ(htm_allocate_fill_new_line(r.t, DATA + c.lines_that_fit * c.stride, c.is_store), -1);
        EXPECT_EQ(cause(), 0x1200000u);
        EXPECT_EQ(reason(), c.reason);
        release_cache(&footprint_of(r.t));
        HTM_Clear_Failure(r.t);
    }
}

// The footprint keeps the memory tags of its lines: filled from memory, read and written there
// while the transaction runs, and never written back.
TEST_F(Footprint, MemoryTagsLiveInTheFootprint)
{
    r.m.machine->threads_in_transaction = 1;
    PA_Write_Memory_Tag(r.t, DATA + 0x20, 16, 1); // granule 2 tagged in memory
    Access a(r.t, MSR_TS_TRANSACTIONAL);
    int tag = -1;
    EXPECT_EQ(HTM_PA_Read_Memory_TAG(r.t, DATA + 0x20, &tag), 0); // not in the footprint yet
    a.load(DATA, 4);
    EXPECT_EQ(HTM_PA_Read_Memory_TAG(r.t, DATA + 0x20, &tag), 1);
    EXPECT_EQ(tag, 1);
    EXPECT_EQ(HTM_PA_Read_Memory_TAG(r.t, DATA + 0x10, &tag), 1);
    EXPECT_EQ(tag, 0);

    AXD granule{};
    granule.pa = DATA + 0x10;
    granule.size = 16;
    EXPECT_EQ(HTM_PA_Write_Memory_TAG(&a.iop, &granule, 1), 1);
    granule.pa = DATA + 0x20;
    EXPECT_EQ(HTM_PA_Write_Memory_TAG(&a.iop, &granule, 0), 1);
    EXPECT_EQ(PA_Read_Memory_Tag(r.t, DATA + 0x10, 0), 1); // the thread's view comes from the footprint
    EXPECT_EQ(PA_Read_Memory_Tag(r.t, DATA + 0x20, 0), 0);
    EXPECT_EQ(PA_Read_Memory_Tag_Raw(r.t, DATA + 0x10), 0); // memory is untouched
    EXPECT_EQ(PA_Read_Memory_Tag_Raw(r.t, DATA + 0x20), 1);

    // A tag write to a line not yet held fills it as a store.
    granule.pa = DATA + 0x400;
    EXPECT_EQ(HTM_PA_Write_Memory_TAG(&a.iop, &granule, 1), 1);
    EXPECT_EQ(Is_PA_To_HTM_Store_Footprint(&a.iop, DATA + 0x400), 1);

    commit_user_cache(&a.iop);
    EXPECT_EQ(PA_Read_Memory_Tag_Raw(r.t, DATA + 0x10), 0); // commit does not copy tags
    EXPECT_EQ(PA_Read_Memory_Tag_Raw(r.t, DATA + 0x400), 0);
    EXPECT_EQ(HTM_PA_Read_Memory_TAG(r.t, DATA + 0x10, &tag), 0);

    // Outside T, or doomed, the footprint takes no tag write.
    r.t->htm_failure_pending = 1;
    EXPECT_EQ(HTM_PA_Write_Memory_TAG(&a.iop, &granule, 1), 0);
    r.t->htm_failure_pending = 0;
    Access suspended(r.t, MSR_TS_SUSPENDED);
    EXPECT_EQ(HTM_PA_Write_Memory_TAG(&suspended.iop, &granule, 1), 0);
}

// A store by an agent outside the processors fails every transaction holding the line, read or
// stored, and no other.
TEST_F(Footprint, ExternalStoreDoomsTheHolders)
{
    r.m.machine->threads_in_transaction = 2;
    Access a(r.t, MSR_TS_TRANSACTIONAL);
    Access b(other, MSR_TS_TRANSACTIONAL);
    a.load(DATA, 4);
    ASSERT_GE(htm_allocate_fill_new_line(other, DATA + 0x1000, 1), 0);
    MemoryClient agent{};
    agent.machine = r.m.machine;
    agent.mcm = r.t->mcm;
    htm_check_store_collision_external(&agent, DATA + 0x1000 + 8);
    EXPECT_FALSE(HTM_Failure_Recorded(r.t));
    EXPECT_TRUE(HTM_Failure_Recorded(other));
    EXPECT_EQ((uint32_t)(other->TEXASR.value >> 32) & CAUSE_BITS, 0x80000u);
    EXPECT_EQ((uint32_t)(other->TEXASR.value >> 57), 6u);
    EXPECT_EQ(other->TEXASR.value & 0x4000000, 0u); // not exact: the holder's own PC
    htm_check_store_collision_external(&agent, DATA + 4);
    EXPECT_EQ(cause(), 0x80000u);
    htm_check_store_collision_external(nullptr, DATA); // no agent: nothing
}

// What a tool sees through the undo hook: each line once, before commit writes it back, while memory
// still holds the value from before the transaction; restoring those values undoes the commit.
struct UndoRecord {
    bool on = false;
    RunMachine *r = nullptr;
    struct Line {
        int32_t index;
        uint64_t paddr;
        uint64_t memory_word; // the line's first word in memory when the hook ran
        uint64_t footprint_word;
    };
    std::vector<Line> lines;
} undo;

} // namespace

void record_htm_cache_line_for_undo(ThreadState *, int32_t line, uint64_t paddr, cs_CacheStore_s *store)
{
    if (!undo.on) return;
    undo.lines.push_back(
        {line, paddr, undo.r->read(paddr, 8), cs_ReadPartialReg(store, line, paddr, paddr, 8)});
}

namespace
{

TEST_F(Footprint, UndoHookSeesEachLineBeforeItIsWrittenBack)
{
    undo = UndoRecord{};
    undo.on = true;
    undo.r = &r;
    r.write(DATA + 0x80, 8, 0x3333333333333333ull);
    r.t->GPR[4].value = 0xABCD1234;
    r.program(0x100, {TBEGIN, stw(4, 9, 0), stw(4, 9, 0x84), lwz(5, 9, 0x200), TEND});
    r.run(5);
    undo.on = false;
    ASSERT_EQ(undo.lines.size(), 3u); // two stored lines and a read one, in line order
    EXPECT_EQ(r.read(DATA, 4), 0xABCD1234u);
    for (const UndoRecord::Line &line : undo.lines) {
        SCOPED_TRACE(line.paddr);
        if (line.paddr == DATA) {
            EXPECT_EQ(line.memory_word, 0x1111111122222222ull);
            EXPECT_EQ(line.footprint_word, 0xABCD123422222222ull);
        }
        r.write(line.paddr, 8, line.memory_word);
    }
    EXPECT_EQ(r.read(DATA, 8), 0x1111111122222222ull); // undone
    EXPECT_EQ(r.read(DATA + 0x80, 8), 0x3333333333333333ull);
}

// A break of the four stores' agreement is a fatal error named by the operation and store.
TEST_F(Footprint, BrokenStoresAreFatal)
{
    r.m.machine->threads_in_transaction = 1;
    struct Case {
        int store; // 0 loads, 1 stores, 2 tags
        const char *operation;
        const char *text;
    } cases[] = {
        {0, "commit", "HTM_TRACK_STORED_LOADED_BYTES loads 2"},
        {2, "commit", "HTM_TRACK_STORED_LOADED_BYTES tags 2"},
        {1, "read", "HTM_TRACK_STORED_LOADED_BYTES stores 4"},
        {0, "write", "HTM_TRACK_STORED_LOADED_BYTES loads 6"},
        {1, "conflict", "HTM_TRACK_STORED_LOADED_BYTES stores 3"},
        {0, "dcbz", "HTM_TRACK_STORED_LOADED_BYTES loads 98"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text);
        Access a(r.t, MSR_TS_TRANSACTIONAL);
        const int32_t line = htm_allocate_fill_new_line(r.t, DATA, 1);
        ASSERT_GE(line, 0);
        htm_cache &mine = footprint_of(r.t);
        cs_CacheStore_s *broken[] = {mine.loads, mine.stores, mine.tags};
        cs_AbandonLine(broken[c.store], line, DATA, nullptr, cs_State_Invalid);
        SinkCapture sink;
        AXD axd{};
        axd.pa = DATA;
        axd.size = 4;
        uint64_t value = 0;
        const std::string operation = c.operation;
        if (operation == "commit") commit_user_cache(&a.iop);
        if (operation == "read") HTM_PA_Read_Memory_Reg(&a.iop, &axd, &value);
        if (operation == "write") HTM_PA_Write_Memory_Reg(&a.iop, &axd, 7);
        if (operation == "dcbz") HTM_PA_Clear_Memory_Directly(&a.iop, &axd, 128);
        if (operation == "conflict") {
            Access n(other, 0);
            htm_check_touch_collision(&n.iop, 1, DATA, 0, HTM_TOUCH_STORE);
        }
        EXPECT_NE(sink.text().find(std::string("FATAL ERROR: ") + c.text), std::string::npos) << sink.text();
        release_cache(&mine);
        HTM_Clear_Failure(r.t);
        Start_The_Simulation();
    }
    EXPECT_EQ(r.read(DATA, 4), 0x11111111u); // nothing broken reached memory
}

// With distributed SMP a chip sees only its own memory system: an access or outside store from a
// chip whose map reaches another device at the address is no conflict.
class DistributedFootprint : public ::testing::Test
{
  protected:
    DistributedFootprint()
        : r([](BuiltMachine &b) {
              b.set("htm/TEXASR_extra_info", "TRUE");
              b.set("enable_distributed_smp_support", "TRUE");
              b.set("number_of_MCMs", "2");
              b.set("chips", "2");
              b.set("mcm/0/dsmp_memory_system", "0");
              b.set("mcm/1/dsmp_memory_system", "1");
              b.set("dsmp_memory_system/0/memory_start", "0");
              b.set("dsmp_memory_system/0/memory_size", "16M");
              b.set("dsmp_memory_system/1/memory_start", "16M");
              b.set("dsmp_memory_system/1/memory_size", "16M");
          })
    {
    }
    RunMachine r;
};

TEST_F(DistributedFootprint, OnlyTheSameDeviceConflicts)
{
    ASSERT_TRUE(r.ok());
    ProcessorState *far_core = GenericMachine__Processor(r.m.machine, 1);
    ASSERT_NE(far_core, nullptr);
    ThreadState *far = &far_core->threads[0];
    ASSERT_NE(far->mcm, r.t->mcm);
    r.m.machine->threads_in_transaction = 1;
    r.t->MSR.value = MSR_BASE;
    far->MSR.value = MSR_BASE;
    Access holder(r.t, MSR_TS_TRANSACTIONAL);
    ASSERT_GE(htm_allocate_fill_new_line(r.t, DATA, 1), 0);

    Access remote(far, 0);
    EXPECT_EQ(htm_check_touch_collision(&remote.iop, 1, DATA, 0, HTM_TOUCH_STORE), 1);
    MemoryClient far_agent{};
    far_agent.machine = r.m.machine;
    far_agent.mcm = far->mcm;
    htm_check_store_collision_external(&far_agent, DATA);
    EXPECT_FALSE(HTM_Failure_Recorded(r.t));

    MemoryClient near_agent = far_agent;
    near_agent.mcm = r.t->mcm;
    htm_check_store_collision_external(&near_agent, DATA);
    EXPECT_EQ(HTM_Recorded_Cause(r.t) & CAUSE_BITS, 0x80000u);
}

} // namespace

// Cache-block and ordering instructions; also the test doubles of the cache model's entries and
// listeners of the plug-in events fired by the storage instructions (each call is recorded in
// test_storage_calls).
#include <algorithm>

#include "exec_word.h"
#include "isa/hooks/cache_entries.h"
#include "isa/semantics_cache.h"
#include "processor/records/axd.h"
#include "processor/records/generic_machine.h"
#include "runtime/device_manager.h"
#include "runtime/plugin_events.h"

std::vector<TestStorageCall> test_storage_calls;

void Test_Storage_Calls_Clear()
{
    test_storage_calls.clear();
}

std::vector<TestStorageCall> Test_Storage_Calls(const char *name)
{
    std::vector<TestStorageCall> calls;
    for (const TestStorageCall &call : test_storage_calls)
        if (call.name == name) calls.push_back(call);
    return calls;
}

namespace
{

int record_cache(const char *name, MemoryClient *client, AXD *axd)
{
    test_storage_calls.push_back({name, nullptr, client, axd->ea, axd->pa, axd->size});
    return 0;
}

int record_ordering(const char *name, MemoryClient *client)
{
    test_storage_calls.push_back({name, nullptr, client, 0, 0, 0});
    return 0;
}

} // namespace

int Cache_dcbt(MemoryClient *client, AXD *axd)
{
    return record_cache("Cache_dcbt", client, axd);
}

int Cache_dcbtst(MemoryClient *client, AXD *axd)
{
    return record_cache("Cache_dcbtst", client, axd);
}

int Cache_dcbst(MemoryClient *client, AXD *axd)
{
    return record_cache("Cache_dcbst", client, axd);
}

int Cache_dcbf(MemoryClient *client, AXD *axd)
{
    return record_cache("Cache_dcbf", client, axd);
}

int Cache_dcbz(MemoryClient *client, AXD *axd)
{
    return record_cache("Cache_dcbz", client, axd);
}

int Cache_icbi(MemoryClient *client, AXD *axd)
{
    return record_cache("Cache_icbi", client, axd);
}

int Cache_sync(MemoryClient *client, IOPDesc *)
{
    return record_ordering("Cache_sync", client);
}

int Cache_eieio(MemoryClient *client, IOPDesc *)
{
    return record_ordering("Cache_eieio", client);
}

int Cache_ptesync(MemoryClient *client, IOPDesc *)
{
    return record_ordering("Cache_ptesync", client);
}

namespace
{

// Listeners of the plug-in events fired by the storage instructions, registered for the whole
// test program.
int dcbz_listener(ThreadState *thread, uint64_t ea, uint64_t pa, uint32_t size)
{
    test_storage_calls.push_back({"Event_DCBZ_Start_End", thread, nullptr, ea, pa, size});
    return 0;
}

int sync_listener(ThreadState *thread, uint32_t kind)
{
    test_storage_calls.push_back({"Event_Core_Sync_Instruction", thread, nullptr, 0, 0, kind});
    return 0;
}

void attn_listener(ThreadState *thread, uint32_t code)
{
    test_storage_calls.push_back({"Event_Attn_Inst", thread, nullptr, 0, 0, code});
}

const bool storage_listeners_registered =
    RegisterListener("Event_DCBZ_Start_End", (void *)dcbz_listener, nullptr) &&
    RegisterListener("Event_Core_Sync_Instruction", (void *)sync_listener, nullptr) &&
    RegisterListener("Event_Attn_Inst", (void *)attn_listener, nullptr);

} // namespace

// ---- tests ----

namespace
{

uint32_t x_form(uint32_t xo, uint32_t rt, uint32_t ra, uint32_t rb)
{
    return XO_FORM(xo, rt, ra, rb);
}
uint32_t dcbz(uint32_t ra, uint32_t rb)
{
    return x_form(1014, 0, ra, rb);
}
uint32_t dcbt(uint32_t th, uint32_t ra, uint32_t rb)
{
    return x_form(278, th, ra, rb);
}
uint32_t sync_word(uint32_t level)
{
    return x_form(598, level, 0, 0);
}

class CacheOps : public ::testing::Test
{
  protected:
    void SetUp() override { Test_Storage_Calls_Clear(); }
    void TearDown() override
    {
        Test_Storage_Calls_Clear();
        standalone_mode = 0;
    }
};

TEST_F(CacheOps, DcbzZeroesOneBlockAndSignalsPageEdges)
{
    ExecWord ew;
    ew.memory();
    for (uint64_t a = 0xE80; a < 0x1100; a += 8)
        ew.write(a, 8, 0xFFFFFFFFFFFFFFFF);
    // A block in the middle of a page: zeroed, no event.
    ew.gpr(4) = 0xF00;
    ew.gpr(5) = 0x13;
    ASSERT_EQ(ew.run(dcbz(4, 5)), 1);
    EXPECT_STREQ(ew.mnemonic(), "dcbz");
    EXPECT_EQ(ew.read(0xEF8, 8), 0xFFFFFFFFFFFFFFFFu);
    EXPECT_EQ(ew.read(0xF00, 8), 0u);
    EXPECT_EQ(ew.read(0xF78, 8), 0u);
    EXPECT_EQ(ew.read(0xF80, 8), 0xFFFFFFFFFFFFFFFFu);
    EXPECT_TRUE(Test_Storage_Calls("Event_DCBZ_Start_End").empty());
    // The block ending on the page boundary and the one starting there each signal.
    for (uint64_t ea : {0xF80ull, 0x1000ull}) {
        ew.gpr(4) = ea;
        ew.gpr(5) = 4;
        ASSERT_EQ(ew.run(dcbz(4, 5)), 1);
        EXPECT_EQ(ew.read(ea, 8), 0u);
        EXPECT_EQ(ew.read(ea + 120, 8), 0u);
    }
    auto events = Test_Storage_Calls("Event_DCBZ_Start_End");
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].ea, 0xF80u);
    EXPECT_EQ(events[1].ea, 0x1000u);
    EXPECT_EQ(events[1].pa, 0x1000u);
    EXPECT_EQ(events[1].size, 128);
    EXPECT_EQ(events[1].thread, ew.t);
    EXPECT_EQ(ew.read(0x1080, 8), 0xFFFFFFFFFFFFFFFFu);
}

TEST_F(CacheOps, DcbzToCacheInhibitedStorageRaisesAlignmentAndZeroesNothing)
{
    standalone_mode = 1;
    ExecWord ew;
    ew.memory();
    const uint64_t window = 0xF00000EF000000;
    ew.more_memory("CI", window, 0x1000);
    ew.write(window + 0x100, 8, 0x5555555555555555);
    ew.gpr(4) = window + 0x100;
    ew.gpr(5) = 0;
    EXPECT_EQ(ew.run(dcbz(4, 5)), 0);
    ASSERT_NE(ew.raised(), nullptr);
    EXPECT_EQ(ew.raised()->type, 1);
    EXPECT_EQ(ew.raised()->subtype, 68);
    EXPECT_EQ(ew.read(window + 0x100, 8), 0x5555555555555555u);
    EXPECT_EQ(ew.t->PC.value, 0x1000u);
}

TEST_F(CacheOps, TouchesReachTheCacheModelOnlyForCacheableStorage)
{
    struct Case {
        const char *what;
        bool standalone; // outside standalone mode real-mode storage is guarded
        uint32_t th;
        bool extended;
        int result;
        size_t requests;
    };
    const Case cases[] = {
        {"cacheable", true, 0, false, 1, 1},
        {"guarded: no request", false, 0, false, 1, 0},
        {"stream hint TH = 10 goes straight to the model", false, 10, true, 1, 1},
        {"TH without the extended option is illegal", true, 8, false, 0, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        Test_Storage_Calls_Clear();
        standalone_mode = c.standalone;
        ExecWord ew;
        ew.memory();
        ew.core.test_machine.machine.mode = MODE_FULL;
        ew.option(PO_DCBT_EXTENDED_SUPPORTED, c.extended);
        ew.gpr(4) = 0x1234;
        ew.gpr(5) = 0;
        EXPECT_EQ(ew.run(dcbt(c.th, 4, 5)), c.result);
        EXPECT_STREQ(ew.mnemonic(), "dcbt");
        EXPECT_EQ(ew.t->PC.value, c.result ? 0x1004u : 0x1000u);
        auto requests = Test_Storage_Calls("Cache_dcbt");
        ASSERT_EQ(requests.size(), c.requests);
        if (!c.requests) continue;
        EXPECT_EQ(requests[0].client, ew.t->memory_client);
        if (c.th == 0) {
            EXPECT_EQ(requests[0].ea, 0x1200u); // the line, in the line's size
            EXPECT_EQ(requests[0].size, 128);
        }
    }
}

TEST_F(CacheOps, SyncLevelsAndLwsync)
{
    struct Case {
        const char *what;
        uint32_t word;
        bool two_bit;
        size_t requests;
    };
    const Case cases[] = {
        {"sync", sync_word(0), true, 1},
        {"lwsync (L = 1)", 0x7C2004AC, true, 1},
        {"L = 3 completes at once", sync_word(3), true, 0},
        {"one-bit L: 3 reads as 1", sync_word(3), false, 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        Test_Storage_Calls_Clear();
        ExecWord ew;
        ew.memory();
        ew.core.test_machine.machine.mode = MODE_FULL;
        ew.option(PO_POWERPC_V2);
        ew.option(PO_2BIT_SYNC, c.two_bit);
        ASSERT_EQ(ew.run(c.word), 1);
        EXPECT_STREQ(ew.mnemonic(), "sync");
        EXPECT_EQ(ew.t->PC.value, 0x1004u);
        EXPECT_EQ(Test_Storage_Calls("Cache_sync").size(), c.requests);
        auto events = Test_Storage_Calls("Event_Core_Sync_Instruction");
        ASSERT_EQ(events.size(), 1u);
        EXPECT_EQ(events[0].size, SYNC_EVENT_SYNC);
    }
    // In the untimed modes the cache model's entry is not called.
    Test_Storage_Calls_Clear();
    ExecWord ew;
    ew.memory();
    ASSERT_EQ(ew.run(sync_word(0)), 1);
    EXPECT_TRUE(Test_Storage_Calls("Cache_sync").empty());
}

TEST_F(CacheOps, OrderingGates)
{
    ExecWord ew;
    ew.memory();
    EXPECT_EQ(ew.run(x_form(854, 0, 0, 0)), 0); // eieio without EIEIO_SUPPORTED
    EXPECT_STREQ(ew.mnemonic(), "eieio");
    ASSERT_NE(ew.raised(), nullptr);
    EXPECT_EQ(ew.raised()->subtype, 221);
    ew.option(PO_EIEIO_SUPPORTED);
    EXPECT_EQ(ew.run(x_form(854, 0, 0, 0)), 1);
    EXPECT_EQ(ew.run(x_form(566, 0, 0, 0)), 1); // tlbsync in hypervisor state
    ew.t->MSR.value |= MSR_PR;
    EXPECT_EQ(ew.run(x_form(566, 0, 0, 0)), 0);
    EXPECT_STREQ(ew.mnemonic(), "tlbsync");
    ASSERT_NE(ew.raised(), nullptr);
    EXPECT_EQ(ew.raised()->type, 2);
    EXPECT_EQ(ew.run(0x4C00012C), 1); // isync
    EXPECT_STREQ(ew.mnemonic(), "isync");
}

TEST_F(CacheOps, TransactionGuardSkipsTheOperation)
{
    for (uint32_t word : {x_form(54, 0, 4, 5), x_form(86, 0, 4, 5), x_form(982, 0, 4, 5)}) {
        Test_Storage_Calls_Clear();
        ExecWord ew;
        ew.memory();
        ew.core.test_machine.machine.mode = MODE_FULL;
        ew.t->MSR.value |= MSR_TS_TRANSACTIONAL;
        ew.gpr(4) = 0x100;
        ASSERT_EQ(ew.run(word), 1);
        SCOPED_TRACE(ew.mnemonic());
        EXPECT_EQ(ew.t->PC.value, 0x1004u);
        EXPECT_TRUE(test_storage_calls.empty());
        // Outside a transaction the same instruction reaches the cache model.
        ew.t->MSR.value &= ~MSR_TS;
        ASSERT_EQ(ew.run(word), 1);
        EXPECT_EQ(test_storage_calls.size(), 1u);
    }
}

TEST_F(CacheOps, DcbfCanDropTheReservation)
{
    for (bool lost : {false, true}) {
        SCOPED_TRACE(lost ? "RESERVATION_LOST_FOR_DCBF" : "kept");
        ExecWord ew;
        ew.memory();
        ew.option(PO_RESERVATION_LOST_FOR_DCBF, lost);
        ew.gpr(4) = 0x100;
        ew.gpr(5) = 0;
        ASSERT_EQ(ew.run(XO_FORM(20, 3, 4, 5)), 1); // lwarx
        ASSERT_EQ(ew.run(x_form(86, 0, 4, 5)), 1);  // dcbf
        EXPECT_STREQ(ew.mnemonic(), "dcbf");
        EXPECT_EQ(ew.t->memory_client->reservation_valid != 0, !lost);
    }
}

TEST_F(CacheOps, IcbiIsReplayedOnTheThreadsOfOtherProcessors)
{
    ExecWord ew({}, 2);
    ew.memory();
    GenericMachine &machine = ew.core.test_machine.machine;
    machine.mode = MODE_FULL;
    ew.option(PO_SYNC_CACHE_OPERATIONS);
    // A second processor with two threads, and every thread in the machine's "Thread" class.
    ProcessorState other{};
    other.machine = &machine;
    ThreadState others[2] = {};
    machine.device_manager = DeviceMgr__New("machine");
    int32_t major = DeviceMgr__GetDeviceMajorNum(machine.device_manager, "Thread");
    for (int i = 0; i < 2; i++)
        DeviceMgr__AddDevice(machine.device_manager, ew.core.thread(i), major, -1, nullptr);
    for (int i = 0; i < 2; i++) {
        others[i].processor = &other;
        others[i].machine = &machine;
        others[i].mcm = ew.chip;
        others[i].memory_client = MemoryClientCreate(&machine, ew.chip, "other", (uint32_t)(10 + i));
        DeviceMgr__AddDevice(machine.device_manager, &others[i], major, -1, nullptr);
    }
    ew.gpr(4) = 0x2345;
    ew.gpr(5) = 0;
    ASSERT_EQ(ew.run(x_form(982, 0, 4, 5)), 1); // icbi
    EXPECT_STREQ(ew.mnemonic(), "icbi");
    auto requests = Test_Storage_Calls("Cache_icbi");
    ASSERT_EQ(requests.size(), 3u); // the issuing thread, then both threads of the other processor
    EXPECT_EQ(requests[0].client, ew.t->memory_client);
    std::vector<MemoryClient *> replayed = {requests[1].client, requests[2].client};
    EXPECT_NE(std::find(replayed.begin(), replayed.end(), others[0].memory_client), replayed.end());
    EXPECT_NE(std::find(replayed.begin(), replayed.end(), others[1].memory_client), replayed.end());
    EXPECT_EQ(requests[1].ea, 0x2300u);
    // Without the option nothing is replayed.
    Test_Storage_Calls_Clear();
    ew.option(PO_SYNC_CACHE_OPERATIONS, 0);
    ASSERT_EQ(ew.run(x_form(982, 0, 4, 5)), 1);
    EXPECT_EQ(Test_Storage_Calls("Cache_icbi").size(), 1u);
    DeviceMgr__Quit(machine.device_manager);
    machine.device_manager = nullptr;
}

} // namespace

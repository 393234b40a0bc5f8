#include <gtest/gtest.h>

#include <map>
#include <string>
#include <tcl.h>
#include <vector>

#include "memory/memory_bus.h"
#include "memory/memory_map.h"
#include "memory/overflow_agent.h"
#include "processor/records/thread_state.h"
#include "support/sink_capture.h"
#include "support/test_machine.h"

namespace
{

// A device that keeps its bytes in a std::map and records every call. Offsets at or above
// `phantom_from` are phantom registers: the device marks the access and fails it.
struct ProbeDevice {
    uint64_t start = 0, end = 0;
    std::map<uint64_t, uint8_t> bytes;
    std::vector<std::string> calls;
    uint64_t phantom_from = UINT64_MAX;
    int quits = 0;
};
std::vector<ProbeDevice *> probes;

void *probe_init(const char *, PropertyList *, InstanceLink *, uint64_t start, uint64_t end)
{
    ProbeDevice *probe = new ProbeDevice;
    probe->start = start;
    probe->end = end;
    probes.push_back(probe);
    return probe;
}
void probe_quit(void *instance)
{
    static_cast<ProbeDevice *>(instance)->quits++;
}
int probe_read(MMAPI_Access *access, void *instance, uint64_t offset, uint64_t *value, int length)
{
    ProbeDevice *probe = static_cast<ProbeDevice *>(instance);
    probe->calls.push_back("r" + std::to_string(offset) + "/" + std::to_string(length));
    if (offset >= probe->phantom_from) {
        access->status = 1;
        return 0;
    }
    uint64_t out = 0;
    for (int i = 0; i < length; i++)
        out = out << 8 | probe->bytes[offset + (uint64_t)i];
    *value = out;
    return 1;
}
int probe_write(MMAPI_Access *access, void *instance, uint64_t offset, uint64_t value, int length)
{
    ProbeDevice *probe = static_cast<ProbeDevice *>(instance);
    probe->calls.push_back("w" + std::to_string(offset) + "/" + std::to_string(length));
    if (offset >= probe->phantom_from) {
        access->status = 1;
        return 0;
    }
    for (int i = 0; i < length; i++)
        probe->bytes[offset + (uint64_t)i] = (uint8_t)(value >> (8 * (length - 1 - i)));
    return 1;
}
uint8_t probe_page[4096];
uint8_t *probe_resolve(MemoryClient *, void *, uint64_t)
{
    return probe_page;
}
MMAPIentry_s PROBE = {MMAPI_VERSION, probe_init, probe_quit, probe_read,
                      probe_write,   nullptr,    nullptr,    probe_resolve};

class MemoryMapTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        m.create_chips();
        client = MemoryClientCreate(&m.machine, m.chip(), "client", 7);
        thread.mcm = m.chip();
        thread.machine = &m.machine;
        thread.memory_client = client;
    }
    void TearDown() override
    {
        MemMap_DeleteAll(m.map()); // quits the probes before they go
        for (ProbeDevice *probe : probes)
            delete probe;
        probes.clear();
    }
    ProbeDevice *define(const char *name, uint64_t start, uint64_t end)
    {
        return static_cast<ProbeDevice *>(MemMap_Define(m.chip(), name, &PROBE, start, end, nullptr));
    }
    MapList *list() { return m.map()->map_list; }
    std::vector<std::string> order()
    {
        std::vector<std::string> names;
        for (MapListElement *e = MapList_First(list()); e; e = e->next)
            names.push_back(e->name);
        return names;
    }
    uint64_t read(uint64_t address, int length, int *ok = nullptr)
    {
        uint64_t value = 0xDEAD;
        int result = Read_Mapped_Memory_Reg(client, address, length, &value, 0, 1);
        if (ok) *ok = result;
        return value;
    }

    TestMachine m{"map", 1};
    MemoryClient *client = nullptr;
    ThreadState thread{};
};

TEST_F(MemoryMapTest, ElementsSortByEndWithNestedOnesFirst)
{
    ProbeDevice *ram = define("RAM0", 0, 0x3FFFFFFF);
    ProbeDevice *console = define("CONSOLE", 0x37FFF570, 0x37FFF577);
    define("HIGH", 0x40000000, 0x4000FFFF);
    define("LOW", 0, 0xFF); // shares RAM0's start, ends first
    EXPECT_EQ(order(), (std::vector<std::string>{"LOW", "CONSOLE", "RAM0", "HIGH"}));
    EXPECT_EQ(list()->count, 4);
    EXPECT_EQ(MemMap_SearchByAddr(m.map(), 0x37FFF574)->instance, console);
    EXPECT_EQ(MemMap_SearchByAddr(m.map(), 0x37FFF578)->instance, ram);
    EXPECT_EQ(MemMap_SearchByAddr(m.map(), 0x50000000), nullptr);
    EXPECT_EQ(MemMap_StartByName(m.map(), "HIGH"), 0x40000000u);
    EXPECT_EQ(MemMap_EndByName(m.map(), "HIGH"), 0x4000FFFFu);
    EXPECT_EQ(MemMap_EndByName(m.map(), "NONE"), 0u);
    // Moving an element re-sorts it.
    MLE_set_range(MemMap_SearchByName(m.map(), "HIGH"), 0x100, 0x10);
    EXPECT_EQ(order(), (std::vector<std::string>{"LOW", "HIGH", "CONSOLE", "RAM0"}));
    EXPECT_EQ(MemMap_EndByName(m.map(), "HIGH"), 0x10Fu);
}

// The search remembers its last element; an element added or removed later changes the answer.
TEST_F(MemoryMapTest, LastHitGivesWayToChangesOfTheList)
{
    ProbeDevice *ram = define("RAM0", 0, 0xFFFF);
    EXPECT_EQ(MemMap_SearchByAddr(m.map(), 0x180)->instance, ram);
    ProbeDevice *nested = define("NESTED", 0x100, 0x1FF);
    EXPECT_EQ(MemMap_SearchByAddr(m.map(), 0x180)->instance, nested);
    // RAM0 found outside the nested element must not answer for an address inside it.
    EXPECT_EQ(MemMap_SearchByAddr(m.map(), 0x300)->instance, ram);
    EXPECT_EQ(MemMap_SearchByAddr(m.map(), 0x100)->instance, nested);
    EXPECT_EQ(MemMap_SearchByAddr(m.map(), 0x200)->instance, ram);
    EXPECT_EQ(MemMap_SearchByAddr(m.map(), 0x1FF)->instance, nested);
    MemMap_Delete(m.map(), "NESTED");
    EXPECT_EQ(MemMap_SearchByAddr(m.map(), 0x180)->instance, ram);
    // Moved away, an element no longer answers for its old range.
    EXPECT_EQ(MemMap_SearchByAddr(m.map(), 0x20)->instance, ram);
    MLE_set_range(MemMap_SearchByName(m.map(), "RAM0"), 0x10000, 0x100);
    EXPECT_EQ(MemMap_SearchByAddr(m.map(), 0x20), nullptr);
    EXPECT_EQ(MemMap_SearchByAddr(m.map(), 0x10020)->instance, ram);
}

TEST_F(MemoryMapTest, AccessesMustEndInsideTheirElement)
{
    ProbeDevice *a = define("A", 0x1000, 0x1003);
    define("B", 0x1004, 0x1007);
    int ok = -1;
    Write_Mapped_Memory_Reg(client, 0x1000, 4, 0x01020304, 0);
    read(0x1000, 8, &ok);
    EXPECT_EQ(ok, 0);
    EXPECT_TRUE(a->calls.empty() || a->calls.back() != "r0/8");
    EXPECT_EQ(read(0x1000, 4, &ok), 0x01020304u);
    EXPECT_EQ(ok, 1);
    EXPECT_EQ(Write_Mapped_Memory_Reg(client, 0x1002, 4, 0, 0), 0);
    // The last byte of an access may not wrap past 2^64 - 1 either.
    ProbeDevice *top = define("TOP", 0xFFFFFFFFFFFFF000, 0xFFFFFFFFFFFFFFFF);
    read(0xFFFFFFFFFFFFFFFC, 8, &ok);
    EXPECT_EQ(ok, 0);
    EXPECT_EQ(Write_Mapped_Memory_Reg(client, 0xFFFFFFFFFFFFFFFE, 4, 0, 0), 0);
    EXPECT_TRUE(top->calls.empty());
    EXPECT_EQ(Write_Mapped_Memory_Reg(client, 0xFFFFFFFFFFFFFFF8, 8, 7, 0), 1);
    EXPECT_EQ(read(0xFFFFFFFFFFFFFFF8, 8), 7u);
    // No element and no overflow element: unknown addresses fail.
    EXPECT_EQ(Write_Mapped_Memory_Reg(client, 0x9000, 1, 0, 0), 0);
    read(0x9000, 1, &ok);
    EXPECT_EQ(ok, 0);
}

TEST_F(MemoryMapTest, OverflowElementCatchesEveryOtherAddress)
{
    define("DEV", 0x1000, 0x1FFF);
    EXPECT_EQ(MemMap_ValidAddr(m.map(), 0x5000), 0);
    void *agent = MemMap_Define_Overflow(list(), m.machine.property_list, "MEMORY_OVERFLOW",
                                         &G_MMAPI_MEMORY_OVERFLOW, 0, UINT64_MAX);
    ASSERT_NE(agent, nullptr);
    EXPECT_EQ(MemMap_ValidAddr(m.map(), 0x5000), 1);
    EXPECT_EQ(MemMap_SearchByAddr(m.map(), 0x5000), list()->overflow);
    EXPECT_EQ(MemMap_GetIptForPA(m.map(), 0x5000), m.map()->page_table);
    EXPECT_EQ(list()->count, 1); // the overflow element is not counted
    EXPECT_EQ(Write_Mapped_Memory_Reg(client, 0x10000000, 8, 0x1122334455667788, 0), 1);
    EXPECT_EQ(read(0x10000000, 8), 0x1122334455667788u);
    EXPECT_EQ(read(0x10000004, 2), 0x5566u);
}

TEST_F(MemoryMapTest, RedefinitionReturnsTheInstanceOrAddsAnElement)
{
    ProbeDevice *first = define("DEV", 0x1000, 0x1FFF);
    EXPECT_EQ(define("DEV", 0x1000, 0x1FFF), first);
    EXPECT_EQ(list()->count, 1);
    EXPECT_EQ(probes.size(), 1u);
    ProbeDevice *second = define("DEV", 0x3000, 0x3FFF); // (silent) duplicate-name warning
    EXPECT_NE(second, first);
    EXPECT_EQ(list()->count, 2);
    // The second "DEV" is found by the overlap check, past the first one of that name.
    EXPECT_EQ(define("DEV", 0x3000, 0x3FFF), second);
    EXPECT_EQ(list()->count, 2);
    // Another name over the same range overlaps (silently) and is added all the same.
    EXPECT_NE(define("OTHER", 0x1000, 0x1FFF), first);
    EXPECT_EQ(list()->count, 3);
    // A given instance is added as a duplicate element that quitting leaves alone.
    int shared = 0;
    EXPECT_EQ(MemMap_Define(m.chip(), "SHARED", &PROBE, 0x8000, 0x8FFF, &shared), &shared);
    MapListElement *dup = MemMap_SearchByName(m.map(), "SHARED");
    ASSERT_NE(dup, nullptr);
    EXPECT_EQ(dup->duplicate, 1);
    MemMap_Delete(m.map(), "SHARED");
    EXPECT_EQ(MemMap_SearchByName(m.map(), "SHARED"), nullptr);
}

TEST_F(MemoryMapTest, DeletingQuitsInstancesOnce)
{
    ProbeDevice *dev = define("DEV", 0x1000, 0x1FFF);
    MemMap_Delete(m.map(), "UNKNOWN");
    EXPECT_EQ(list()->count, 1);
    EXPECT_EQ(dev->quits, 0);
    MemMap_Delete(m.map(), "DEV");
    EXPECT_EQ(list()->count, 0);
    EXPECT_EQ(dev->quits, 1);

    ProbeDevice *a = define("A", 0, 0xFFF);
    MemMap_Define(m.chip(), "A-COPY", &PROBE, 0x2000, 0x2FFF, a);
    MemMap_Define_Overflow(list(), nullptr, "PROBE_OVERFLOW", &PROBE, 0, UINT64_MAX);
    ProbeDevice *overflow = probes.back();
    MemMap_DeleteAll(m.map());
    EXPECT_EQ(a->quits, 1); // not again for its duplicate
    EXPECT_EQ(overflow->quits, 1);
    EXPECT_EQ(list()->first, nullptr);
    EXPECT_EQ(list()->overflow, nullptr);
    EXPECT_EQ(list()->count, 0);
}

TEST_F(MemoryMapTest, UniqueSearchAndResolve)
{
    define("A", 0x1000, 0x17FF);
    define("B", 0x1800, 0x1FFF);
    ProbeDevice *c = define("C", 0x2000, 0x2FFF);
    EXPECT_EQ(MapList_SearchForUniqueByAddr(list(), 0x1000, 4096), nullptr);
    EXPECT_EQ(MapList_SearchForUniqueByAddr(list(), 0x2000, 4096)->instance, c);
    EXPECT_EQ(MapList_SearchForUniqueByAddr(list(), 0x3000, 4096), nullptr);
    EXPECT_EQ(Resolve_Mapped_Memory(client, 0x2ABC), probe_page);
    EXPECT_EQ(Resolve_Mapped_Memory(client, 0x1ABC), nullptr);
    // A device without a resolve operation gives none.
    static MMAPIentry_s no_resolve = PROBE;
    no_resolve.resolve = nullptr;
    MemMap_Define(m.chip(), "PLAIN", &no_resolve, 0x6000, 0x6FFF, nullptr);
    EXPECT_EQ(Resolve_Mapped_Memory(client, 0x6000), nullptr);
    // The overflow element serves a page only when it covers it.
    MemMap_Define_Overflow(list(), nullptr, "MEMORY_OVERFLOW", &G_MMAPI_MEMORY_OVERFLOW, 0, 0xFFFFFFFF);
    EXPECT_NE(MapList_SearchForUniqueByAddr(list(), 0x10000, 4096), nullptr);
    EXPECT_EQ(MapList_SearchForUniqueByAddr(list(), 0x100000000, 4096), nullptr);
}

TEST_F(MemoryMapTest, PhantomWritesAreReadBackWhenEnabled)
{
    ProbeDevice *dev = define("REGS", 0x1000, 0x1FFF);
    dev->phantom_from = 0x800;
    EXPECT_EQ(Write_Mapped_Memory_Reg(client, 0x1800, 8, 0xABCD, 0), 0);
    m.machine.phantom_mmio = 1;
    EXPECT_EQ(Write_Mapped_Memory_Reg(client, 0x1800, 8, 0xABCD, 0), 1);
    EXPECT_EQ(m.chip()->mbus->phantom_value, 0xABCDu);
    int ok = 0;
    EXPECT_EQ(read(0x1900, 4, &ok), 0xABCDu);
    EXPECT_EQ(ok, 1);
    // Ordinary registers are unaffected.
    Write_Mapped_Memory_Reg(client, 0x1000, 2, 0x4242, 0);
    EXPECT_EQ(read(0x1000, 2), 0x4242u);
}

TEST_F(MemoryMapTest, ListingsInTheInterpreterAndOnTheOutput)
{
    define("RAM0", 0, 0xFFFF);
    define("PHB", 0x10000, 0x1FFFF);
    MemMap_SearchByName(m.map(), "PHB")->extra = (char *)"bridge";
    Tcl_Interp *interp = Tcl_CreateInterp();
    MapList_TCL_Print(list(), interp, "NAME: %10s START:0x%016lX END:0x%016lX DESC:%s\n");
    EXPECT_STREQ(Tcl_GetStringResult(interp),
                 "NAME:       RAM0 START:0x0000000000000000 END:0x000000000000FFFF DESC:\n"
                 "NAME:        PHB START:0x0000000000010000 END:0x000000000001FFFF DESC:bridge\n");
    MemMap_Define_Overflow(list(), nullptr, "MEMORY_OVERFLOW", &G_MMAPI_MEMORY_OVERFLOW, 0, UINT64_MAX);
    Tcl_ResetResult(interp);
    MapList_TCL_Dump_Map_By_Name(interp, "memorymap for MAP", "{NAME {%s} START 0x%016lX END 0x%016lX} ");
    EXPECT_STREQ(Tcl_GetStringResult(interp),
                 "LIST: MemoryMap for map (Overflow: MEMORY_OVERFLOW)\n"
                 "{NAME {RAM0} START 0x0000000000000000 END 0x000000000000FFFF} "
                 "{NAME {PHB} START 0x0000000000010000 END 0x000000000001FFFF} \n");
    Tcl_DeleteInterp(interp);
    MemMap_SearchByName(m.map(), "PHB")->extra = nullptr;

    SinkCapture capture;
    MapList_Print(list());
    EXPECT_EQ(capture.text(), "RAM0: start: 0x0000000000000000, end: 0x000000000000FFFF\n"
                              "PHB: start: 0x0000000000010000, end: 0x000000000001FFFF\n"
                              "MEMORY_OVERFLOW (Overflow Agent): start: 0x0000000000000000, end: "
                              "0xFFFFFFFFFFFFFFFF\n");
}

TEST_F(MemoryMapTest, ByteWiseCopiesTurnFailedReadsIntoZeros)
{
    define("DEV", 0x1000, 0x1003);
    const uint8_t source[4] = {0x11, 0x22, 0x33, 0x44};
    EXPECT_EQ(PA_copy_buffer_directly_to_memory(client, 0x1000, source, 4, 0), 1);
    uint8_t out[6];
    memset(out, 0xEE, sizeof out);
    // 0x0FFF and 0x1004 are not mapped: their bytes come back as zeros and the copy goes on.
    EXPECT_EQ(PA_copy_buffer_directly_from_memory(client, 0x0FFF, out, 6, 0), 0);
    const uint8_t expected[6] = {0, 0x11, 0x22, 0x33, 0x44, 0};
    EXPECT_EQ(memcmp(out, expected, 6), 0);
    EXPECT_EQ(PA_copy_memory_directly_to_memory(client, 0x1002, 0x0FFF, 2, 0), 1);
    EXPECT_EQ(read(0x1000, 4), 0x11220011u);
    // Nothing for a length of 0 or less.
    EXPECT_EQ(PA_copy_buffer_directly_to_memory(client, 0x1000, source, -1, 0), 0);
    EXPECT_EQ(read(0x1000, 4), 0x11220011u);
}

TEST_F(MemoryMapTest, GatedFillsWriteEightBytesThenTheTail)
{
    ProbeDevice *dev = define("DEV", 0x1000, 0x1FFF);
    PA_set_memory_directly(&thread, 0x1100, 19, 0xAB, 1);
    EXPECT_EQ(read(0x1110, 2), 0xABABu);
    dev->calls.clear();
    EXPECT_EQ(PA_clear_memory_directly(&thread, 0x1100, 19, 1), 1);
    EXPECT_EQ(dev->calls, (std::vector<std::string>{"w256/8", "w264/8", "w272/3"}));
    EXPECT_EQ(read(0x1110, 2), 0u);
    EXPECT_EQ(m.map()->gate.count, 0u); // left again
    dev->calls.clear();
    PA_set_memory_directly(&thread, 0x1200, 3, 1, 1);
    EXPECT_EQ(dev->calls, (std::vector<std::string>{"w512/1", "w513/1", "w514/1"}));
    // No client or chip: nothing to fill.
    ThreadState bare{};
    EXPECT_EQ(PA_clear_memory_directly(&bare, 0x1100, 8, 1), 0);
}

TEST_F(MemoryMapTest, ClientsJoinAndLeaveTheirMap)
{
    MemoryClient *second = MemoryClientCreate(&m.machine, m.chip(), "second", 9);
    EXPECT_EQ(m.map()->clients, second);
    EXPECT_EQ(second->next, client);
    EXPECT_STREQ(second->name, "second");
    EXPECT_EQ(second->id, 9u);
    second->reservation_next = nullptr;
    m.map()->reservations = second;
    MemoryClientDelete(m.chip(), second);
    EXPECT_EQ(m.map()->clients, client);
    EXPECT_EQ(m.map()->reservations, nullptr);
    // A client of no chip's list is not freed.
    MemoryClient *loose = MemoryClientCreate(&m.machine, nullptr, "loose", 1);
    MemoryClientDelete(m.chip(), loose);
    EXPECT_STREQ(loose->name, "loose");
    loose->mcm = nullptr;
    FORGET_STRING(loose->name);
    QUARN_FREE(loose);
}

TEST_F(MemoryMapTest, DatalessMachinesMapOnlyRegionStarts)
{
    m.machine.memory_region_count = 1;
    m.machine.memory_region_id_shift = 32;
    m.machine.memory_regions[0] = {0, 0x3FFFFFF, 0x4000000};
    memoryDataless = 1;
    EXPECT_EQ(define("DEV", 0x1000, 0x1FFF), nullptr);
    EXPECT_NE(define("MEMORY-REGION-0", 0, 0x3FFFFFF), nullptr);
    EXPECT_EQ(define("FAR", 0x100000000, 0x100000FFF), nullptr); // region 1 does not exist
    memoryDataless = 0;
    EXPECT_EQ(order(), (std::vector<std::string>{"MEMORY-REGION-0"}));
}

TEST(MemoryMaps, DistributedMachinesGiveEachChipItsOwnMap)
{
    TestMachine m("dsmp", 2);
    m.machine.distributed_smp = 1;
    m.create_chips();
    EXPECT_NE(m.map(0), m.map(1));
    EXPECT_STREQ(m.map(0)->name, "MemoryMap for dsmp:0");
    EXPECT_STREQ(m.map(1)->map_list->name, "MemoryMap for dsmp:1");
    EXPECT_EQ(MemMap_Create(m.chip(1)), m.map(1));
    EXPECT_EQ(m.machine.memory_maps, m.map(1)); // newest first
    EXPECT_EQ(m.machine.memory_maps->next, m.map(0));
    MemoryMap *bare = MemMap_New(nullptr, nullptr);
    EXPECT_STREQ(bare->name, "MemoryMap for <null>");
    MemMap_DeleteMap(bare);
}

} // namespace

#include <gtest/gtest.h>

#include "memory/overflow_agent.h"
#include "machine/chip_setup.h"
#include "memory/memory_bus.h"
#include "memory/memory_map.h"
#include "memory/memory_region.h"
#include "processor/records/processor_state.h"
#include "runtime/device_manager.h"
#include "runtime/property_list.h"
#include "support/test_machine.h"

namespace
{

TEST(MemoryBus, UniqueNamesNeedTheChipOnlyWithSeveralChips)
{
    TestMachine one("solo", 1);
    one.create_chips();
    const char *name = "PHB";
    EXPECT_EQ(MCM_Unique_Name(one.chip(), name), name);

    TestMachine two("duo", 2);
    two.create_chips();
    const char *first = MCM_Unique_Name(two.chip(1), "PHB");
    EXPECT_STREQ(first, "duo:1:PHB");
    const char *second = MCM_Unique_Name(two.chip(0), "ICP");
    EXPECT_EQ(first, second); // one buffer, overwritten
    EXPECT_STREQ(first, "duo:0:ICP");
}

TEST(MemoryBus, DefaultsOfEveryConfiguration)
{
    PropertyList *list = PropertyList__New("bus-defaults-test");
    MBUS_Add_Default_Values(list, nullptr);
    const struct {
        const char *key;
        const char *value;
        int visible;
        const char *description;
    } cases[] = {
        {"memory_regions", "1", 0, "# of memory regions"},
        {"memory_start", "0", 1, "address of first byte of memory"},
        {"memory_size", "64M", 1, "number of bytes of memory"},
        {"memory_alloc_size", "256M", 0, "size of memory chunk to allocate"},
    };
    for (const auto &c : cases) {
        ConfigEntry *entry = PropertyList__FindEntry(list, c.key);
        ASSERT_NE(entry, nullptr) << c.key;
        EXPECT_STREQ(entry->value, c.value) << c.key;
        EXPECT_EQ(entry->visible, c.visible) << c.key;
        EXPECT_STREQ(entry->description, c.description) << c.key;
    }
    EXPECT_EQ(PropertyList__FindEntry(list, "memory_file"), nullptr); // no default text
    PropertyList__Delete(list);
}

TEST(MemoryBus, PopulateMapsTheRamWindowUnlessToldNot)
{
    const struct {
        int no_ram, standalone;
        bool has_ram;
    } cases[] = {{0, 0, true}, {1, 0, false}, {0, 1, false}};
    for (const auto &c : cases) {
        TestMachine m("bus");
        m.create_chips();
        m.machine.machine_options[MO_NO_RAM] = c.no_ram;
        m.machine.machine_options[MO_NO_ROM] = 1; // the ROM would end at 4 GB, over the window
        standalone_mode = c.standalone;
        MBUS_Memory_Map_Populate(m.chip()->mbus, m.machine.property_list);
        standalone_mode = 0;
        MapListElement *ram = MemMap_SearchByName(m.map(), "RAM");
        ASSERT_EQ(ram != nullptr, c.has_ram) << c.no_ram << c.standalone;
        if (!ram) continue;
        EXPECT_EQ(ram->start, MBUS_RAM_START);
        EXPECT_EQ(ram->end, MBUS_RAM_END);
        MemoryClient *client = MemoryClientCreate(&m.machine, m.chip(), "c", 0);
        EXPECT_EQ(Write_Mapped_Memory_Reg(client, 0xFFFFFFF8, 8, 0x0123456789ABCDEF, 0), 1);
        uint64_t value = 0;
        EXPECT_EQ(Read_Mapped_Memory_Reg(client, 0xFFFFFFFC, 4, &value, 0, 1), 1);
        EXPECT_EQ(value, 0x89ABCDEFu);
    }
}

TEST(MemoryBus, ProcessorsFindTheirChipsBus)
{
    TestMachine m("cores", 2, 2);
    m.create_chips();
    m.machine.device_manager = DeviceMgr__New("cores");
    int32_t major = DeviceMgr__GetDeviceMajorNum(m.machine.device_manager, "Processor");
    ProcessorState cores[2]{};
    for (int i = 0; i < 2; i++) {
        cores[i].mcm = m.chip(i);
        DeviceMgr__AddDevice(m.machine.device_manager, &cores[i], major, i, nullptr);
    }
    EXPECT_EQ(Assign_MBUS(&m.machine, 1), m.chip(1)->mbus);
    EXPECT_EQ(Assign_MBUS(&m.machine, 0), m.chip(0)->mbus);
    EXPECT_EQ(m.machine.processor_major, major);
    EXPECT_EQ(Assign_MBUS(&m.machine, 5), nullptr);
    DeviceMgr__Quit(m.machine.device_manager);
    m.machine.device_manager = nullptr;
}

// A chip's physical memory as a machine lays it out: a region of 64 MiB, the overflow agent
// behind it and the bus's RAM window.
TEST(MemoryBus, RegionOverflowAndWindowServeOneClient)
{
    TestMachine m("phys");
    m.machine.memory_alloc_size = 256 * 1024 * 1024;
    m.machine.machine_options[MO_MEMORY_OVERFLOW] = 1;
    m.create_chips();
    void *region = MemMap_Define(m.chip(), "MEMORY-REGION-0", &G_MMAPI_MEMORY, 0, 0x3FFFFFF, nullptr);
    MEMORY_SETUP_FUNCTION(&m.machine, region, 0);
    void *agent = MemMap_Define_Overflow(m.map()->map_list, m.machine.property_list, "MEMORY_OVERFLOW",
                                         &G_MMAPI_MEMORY_OVERFLOW, 0, UINT64_MAX);
    MEMORY_OVERFLOW_SETUP_FUNCTION(&m.machine, agent);
    MBUS_Memory_Map_Populate(m.chip()->mbus, m.machine.property_list);
    MemoryClient *client = MemoryClientCreate(&m.machine, m.chip(), "thread", 0);

    // A program linked at 0x10000000 on a 64M machine lands in the overflow agent.
    EXPECT_EQ(MemMap_ValidAddr(m.map(), 0x10000000), 1);
    EXPECT_EQ(Write_Mapped_Memory_Reg(client, 0x10000000, 4, 0x7C0802A6, 0), 1);
    EXPECT_EQ(Write_Mapped_Memory_Reg(client, 0x100, 8, 0x4E80002060000000, 0), 1);
    uint64_t value = 0;
    EXPECT_EQ(Read_Mapped_Memory_Reg(client, 0x10000000, 4, &value, 0, 1), 1);
    EXPECT_EQ(value, 0x7C0802A6u);
    // Resolve reaches the region's host bytes and the agent's page.
    uint8_t *page = Resolve_Mapped_Memory(client, 0x123);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page, MEM_PA_OFFSET_TO_SIM_MEMORY(&m.machine, region, 0, 4096));
    EXPECT_EQ(page[0x100], 0x4E);
    uint8_t *high = Resolve_Mapped_Memory(client, 0x10000000);
    ASSERT_NE(high, nullptr);
    EXPECT_EQ(high[0], 0x7C);
    // The window below 4 GB is its own device, found before the agent.
    EXPECT_STREQ(MemMap_SearchByAddr(m.map(), 0xFFFF1234)->name, "RAM");
    EXPECT_EQ(Resolve_Mapped_Memory(client, 0xFFFF1000), nullptr); // the RAM block has no resolve
}

} // namespace

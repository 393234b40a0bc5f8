#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <set>
#include <string>

#include "coproc/scom_sets.h"
#include "machine/mcm_lifecycle.h"
#include "memory/memory_bus.h"
#include "memory/memory_map.h"
#include "processor/records/instance_link.h"
#include "processor/spr/scom_blocks.h"
#include "runtime/alloc.h"
#include "runtime/callbacks.h"
#include "runtime/object_registry.h"
#include "runtime/property_list.h"
#include "runtime/psv.h"
#include "support/test_machine.h"

namespace
{

TEST(Chips, OneChipIsNamedAfterTheMachine)
{
    TestMachine m("solo", 1, 4);
    m.create_chips();
    MCM *chip = m.chip();
    EXPECT_STREQ(chip->name, "solo");
    EXPECT_STREQ(chip->path, "/MCM/0");
    EXPECT_STREQ(chip->path_copy, "/MCM/0");
    EXPECT_NE(chip->path, chip->path_copy);
    EXPECT_EQ(chip->number, 0);
    EXPECT_EQ(chip->cores_per_chip, 4u);
    EXPECT_EQ(BaseObject__GetType(chip->object_id), OBJECT_KIND_MEMORY_SPACE);
    EXPECT_STREQ(BaseObject__GetName(chip->object_id), "solo");
    // The chip's own link and its bus link both define devices in the chip's map.
    ASSERT_NE(chip->link, nullptr);
    EXPECT_EQ(chip->link->machine, &m.machine);
    EXPECT_EQ(chip->link->owner, chip);
    EXPECT_EQ(chip->link->define, &MemMap_Define);
    ASSERT_NE(chip->mbus, nullptr);
    EXPECT_STREQ(chip->mbus->name, "solo");
    EXPECT_EQ(chip->mbus->link->owner, chip);
    EXPECT_NE(chip->command_table, nullptr);
    // Every SCOM block exists, cleared, with its header.
    ASSERT_NE(chip->nx_scom_regs, nullptr);
    EXPECT_EQ(chip->nx_scom_regs->header, SCOM_SET_HEADER_BYTES);
    EXPECT_EQ(chip->nx_scom_regs->regs[51], 0u);
    EXPECT_EQ(chip->as_scom_regs->header, SCOM_SET_HEADER_BYTES);
    EXPECT_EQ(chip->phb_scom_regs->header, SCOM_SET_HEADER_BYTES);
    EXPECT_EQ(chip->pcie_scom_regs->header, SCOM_SET_HEADER_BYTES);
    EXPECT_EQ(chip->icp_scom_regs->header, SCOM_SET_HEADER_BYTES);
    EXPECT_EQ(chip->icp_scom_regs->extra, 0u);
    EXPECT_NE(chip->hca_scom_regs, nullptr);
}

// Allocation hooks that keep the type name of every live block.
std::map<void *, std::string> live_blocks;
void *tracked_malloc(size_t size, size_t, const char *type, const char *, int)
{
    void *p = malloc(size);
    live_blocks[p] = type ? type : "";
    return p;
}
void *tracked_zalloc(size_t size, size_t, const char *type, const char *, int)
{
    void *p = calloc(1, size ? size : 1);
    live_blocks[p] = type ? type : "";
    return p;
}
void tracked_free(void *p, const char *, int)
{
    live_blocks.erase(p);
    free(p);
}

TEST(Chips, TeardownReleasesEverythingTheChipOwns)
{
    TestMachine m("owner", 1);
    live_blocks.clear();
    mm_change_functions(tracked_free, tracked_malloc, tracked_zalloc, nullptr);
    m.machine.mcms[0] = MCM__Init(&m.machine, 0, m.machine.property_list);
    ASSERT_NE(m.chip(), nullptr);
    std::set<std::string> made;
    for (const auto &block : live_blocks)
        made.insert(block.second);
    MCM__Quit(m.chip());
    m.machine.mcms[0] = nullptr;
    mm_change_functions(nullptr, nullptr, nullptr, nullptr);
    for (const char *type :
         {"MCM", "MBUS", "InstanceLink", "nx_scom_registers_s", "as_scom_registers_s", "phb_scom_registers_s",
          "pcie_scom_registers_s", "icp_scom_registers_s", "hca_scom_registers_s"}) {
        EXPECT_TRUE(made.count(type)) << type;
        for (const auto &block : live_blocks)
            EXPECT_NE(block.second, type);
    }
    live_blocks.clear();
}

TEST(Chips, SeveralChipsAreNumberedAfterTheMachine)
{
    TestMachine m("m", 4, 8);
    m.create_chips();
    for (int i = 0; i < 4; i++) {
        std::string name = "m:" + std::to_string(i);
        std::string path = "/MCM/" + std::to_string(i);
        EXPECT_EQ(m.chip(i)->name, name);
        EXPECT_EQ(m.chip(i)->path, path);
        EXPECT_EQ(m.chip(i)->cores_per_chip, 2u);
        EXPECT_STREQ(BaseObject__GetName(m.chip(i)->object_id), name.c_str());
    }
    // Without distributed memory all chips share the first map.
    EXPECT_EQ(m.map(3), m.map(0));
}

TEST(Chips, RenameMovesTheRegistryEntry)
{
    TestMachine m("r", 1);
    m.create_chips();
    MCM *chip = m.chip();
    rename_mcm(chip, "renamed");
    EXPECT_STREQ(chip->name, "renamed");
    EXPECT_STREQ(BaseObject__GetName(chip->object_id), "renamed");
    rename_mcm(chip, nullptr);
    EXPECT_EQ(chip->name, nullptr);
    rename_mcm(chip, "again");
    EXPECT_STREQ(chip->name, "again");
}

TEST(Chips, FixTakesTheBaseDomainOnce)
{
    TestMachine m("f", 2);
    m.create_chips();
    time_domain base{}, other{};
    m.machine.base_domain = &base;
    EXPECT_EQ(MCM_Fix(m.chip(0)), 1);
    EXPECT_EQ(m.machine.cycle_domain, &base);
    EXPECT_EQ(m.chip(0)->fix_done, 1);
    m.machine.base_domain = &other;
    EXPECT_EQ(MCM_Fix(m.chip(0)), 1); // already fixed
    EXPECT_EQ(MCM_Fix(m.chip(1)), 1); // the machine already has a cycle domain
    EXPECT_EQ(m.machine.cycle_domain, &base);
    m.chip(0)->domain = &base;
    undeclare_MCM_time_domains(m.chip(0));
    EXPECT_EQ(m.chip(0)->domain, nullptr);
    m.machine.base_domain = nullptr;
}

struct DefineCall {
    MCM *owner;
    std::string name;
    uint64_t start, end;
    void *instance;
};
DefineCall last_define;

void *recording_define(MCM *owner, const char *name, MMAPIentry_s *, uint64_t start, uint64_t end,
                       void *instance)
{
    last_define = {owner, name, start, end, instance};
    return instance;
}

TEST(InstanceLinks, AccessorsCopiesAndDefinition)
{
    EXPECT_EQ(InstanceLink__GetMachine(nullptr), nullptr);
    EXPECT_EQ(InstanceLink__GetTsim(nullptr), nullptr);
    EXPECT_EQ(InstanceLink__GetMcm(nullptr), nullptr);

    TestMachine m("links", 1);
    m.create_chips();
    MCM *chip = m.chip();
    InstanceLink *link = InstanceLink__New(&m.machine, nullptr, chip, nullptr);
    EXPECT_EQ(InstanceLink__MemMap_Define(link, "X", nullptr, 0, 1, nullptr), nullptr);
    InstanceLink__SetMemMap_Func(link, recording_define);
    int device = 0;
    EXPECT_EQ(InstanceLink__MemMap_Define(link, "DEV", nullptr, 0x100, 0x1FF, &device), &device);
    EXPECT_EQ(last_define.owner, chip);
    EXPECT_EQ(last_define.name, "DEV");
    EXPECT_EQ(last_define.start, 0x100u);
    EXPECT_EQ(last_define.end, 0x1FFu);

    InstanceLink *copy = InstanceLink__NewCopy(link);
    EXPECT_NE(copy, link);
    EXPECT_EQ(InstanceLink__GetMachine(copy), &m.machine);
    EXPECT_EQ(InstanceLink__GetMcm(copy), chip);
    EXPECT_EQ(copy->define, &recording_define);
    InstanceLink__Free(copy);
    InstanceLink__Free(link);

    // Domains declared through a link belong to its machine.
    FreqSpec clock;
    Initialize_FreqSpec(&clock);
    Define_FreqSpec_Frequency(&clock, 1000000000);
    time_domain *domain = InstanceLink__NewTimeDomain(chip->link, "unit-clock", &clock);
    ASSERT_NE(domain, nullptr);
    EXPECT_EQ(TD_find_time_domain(&m.machine.time_domains, "unit-clock"), domain);
    TD_undeclare_time_domain(domain);
    EXPECT_EQ(InstanceLink__NewTimeDomain(nullptr, "none", &clock), nullptr);

    // A record whose first field is an instance link counts a started I/O on its machine.
    stat_startIO(chip);
    stat_startIO(chip->mbus);
    EXPECT_EQ(m.machine.stats.io_started, 2u);
}

int callback_runs = 0;
PropertyList *callback_list = nullptr;
void count_default_callback(void *data, PropertyList *list)
{
    callback_runs += *static_cast<int *>(data);
    callback_list = list;
}

TEST(ChipDefaults, KeysAreHiddenWithProcessorValues)
{
    PropertyList *list = PropertyList__New("chip-defaults-test");
    PropertyList__UpdatePropertyValue(list, "processor/type", "Ervik", nullptr, 1);
    static int weight = 1;
    callback_runs = 0;
    Callback_register_create_default_property_list(
        1, "chip-defaults-test", reinterpret_cast<CallbackFunction>(count_default_callback), &weight);
    MCM_Add_Default_Values(list, nullptr);
    Callback_Clear_function("chip-defaults-test");
    EXPECT_EQ(callback_runs, 1);
    EXPECT_EQ(callback_list, list);

    const struct {
        const char *key;
        const char *value; // null: the processor-specific value
        int visible;
        const char *description;
    } cases[] = {
        {"nodes", "1", 0, "number of nodes"},
        {"cpus", "1", 1, "number of cpus per MCM"},
        {"standalone_app", "off", 0, "is this a standalone simulation"},
        {"coherence_block_size", nullptr, 0, "coherence block size"},
        {"processor/cpu_frequency", nullptr, 0, "cpu frequency"},
        {"processor/TLB_associativity", nullptr, 0, "number of ways in the TLB"},
        {"processor/IERAT_mapped_base_page", "0x1000", 0, nullptr},
        {"processor/chip_version", nullptr, 0, "chip version number"},
    };
    for (const auto &c : cases) {
        ConfigEntry *entry = PropertyList__FindEntry(list, c.key);
        ASSERT_NE(entry, nullptr) << c.key;
        const char *expected = c.value ? c.value : Search_PSV_Value("Ervik", c.key);
        EXPECT_STREQ(entry->value, expected) << c.key;
        EXPECT_EQ(entry->visible, c.visible) << c.key;
        if (c.description) {
            EXPECT_STREQ(entry->description, c.description) << c.key;
        }
    }
    PropertyList__Delete(list);

    // Under a section, except the four ERAT page keys.
    list = PropertyList__New("chip-defaults-section");
    PropertyList__UpdatePropertyValue(list, "processor/type", "Ervik", nullptr, 1);
    MCM_Add_Default_Values(list, "cfg");
    EXPECT_NE(PropertyList__FindEntry(list, "cfg/chips"), nullptr);
    EXPECT_NE(PropertyList__FindEntry(list, "cfg/processor/number_of_threads"), nullptr);
    EXPECT_EQ(PropertyList__FindEntry(list, "chips"), nullptr);
    EXPECT_NE(PropertyList__FindEntry(list, "processor/DERAT_mapped_large_page"), nullptr);
    EXPECT_NE(PropertyList__FindEntry(list, "processor/DERAT_mapped_base_page"), nullptr);
    EXPECT_EQ(PropertyList__FindEntry(list, "cfg/processor/DERAT_mapped_base_page"), nullptr);
    PropertyList__Delete(list);
}

} // namespace

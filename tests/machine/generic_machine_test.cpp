// Machine creation and teardown, and the configuration it reads.
#include <gtest/gtest.h>
#include <tcl.h>

#include <string>
#include <vector>

#include <unistd.h>

#include "devices/console.h"
#include "devices/nvram.h"
#include "devices/ppcic.h"
#include "kernel/counter.h"
#include "kernel/tsim.h"
#include "machine/machine_config.h"
#include "machine/machine_lifecycle.h"
#include "memory/memory_bus.h"
#include "memory/memory_map.h"
#include "memory/memory_region.h"
#include "processor/records/mcm.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "runtime/callbacks.h"
#include "runtime/device_manager.h"
#include "runtime/object_registry.h"
#include "support/built_machine.h"
#include "support/sink_capture.h"

namespace
{

TEST(Machine, DefaultConfigurationGivesOneChipOneCoreOfEightThreads)
{
    BuiltMachine m("mm");
    GenericMachine *machine = m.machine;
    ASSERT_NE(machine, nullptr);
    EXPECT_EQ(currentMachine, machine);
    EXPECT_EQ(machine->machine_type, 4u);
    EXPECT_EQ(machine->num_mcms, 1u);
    EXPECT_EQ(machine->total_cores, 1u);
    EXPECT_EQ(machine->total_threads, 8u);
    EXPECT_EQ(GenericMachine__ProcessorCount(machine), 1);
    EXPECT_EQ(GenericMachine__ThreadCount(machine), 8);
    EXPECT_EQ(machine->mode, (uint32_t)MODE_SIMPLE);
    EXPECT_EQ(machine->property_list->is_mutable, 0);
    ProcessorState *core = GenericMachine__Processor(machine, 0);
    ASSERT_NE(core, nullptr);
    EXPECT_STREQ(core->name, "0:0");
    EXPECT_EQ(core->x_cpuState, (uint32_t)CPU_NOT_BOOTED);
    EXPECT_STREQ(core->threads[3].name, "0:0:3");
    EXPECT_EQ(GenericMachine__Thread(machine, 3), &core->threads[3]);
    EXPECT_EQ(core->mcm->reservation_granule, 128); // the Ervik granule is 0: the coherence block
    for (int v = 1; v < PARTITION_VIEW_COUNT; v++) {
        ASSERT_NE(core->partition_views[v], nullptr);
        EXPECT_EQ(core->partition_views[v]->partition_views[0], core);
    }
    // Base domain "base" at 2 GHz; the chip's interrupt controller serves all eight threads.
    ASSERT_NE(machine->base_domain, nullptr);
    EXPECT_EQ(evaluate_frequency_ratio(&machine->base_freq, nullptr), 2000000000u);
    ASSERT_NE(machine->mcms[0]->ppcic, nullptr);
    EXPECT_EQ(machine->mcms[0]->ppcic->num_pages, 8);
    EXPECT_EQ(machine->mcms[0]->int_handler, PPCIC__Incoming_IntHandler(machine->mcms[0]->ppcic));
    ASSERT_NE(machine->consoles, nullptr);
    EXPECT_STREQ(machine->consoles->name, "DefaultConsole");
    EXPECT_EQ(machine->consoles->next, nullptr);
    EXPECT_EQ(machine->default_console, machine->consoles);
    EXPECT_EQ(counter_get(machine->cycle_mode), 1);
    EXPECT_EQ(counter_get(machine->functional_mode), 0);
}

TEST(Machine, ASecondMachineIsRefusedBeforeAnythingIsMade)
{
    BuiltMachine first("first");
    ASSERT_NE(first.machine, nullptr);
    SinkCapture sink;
    int32_t objects = BaseObject__GetMax();
    BuiltMachine second("second");
    EXPECT_EQ(second.machine, nullptr);
    EXPECT_NE(sink.text().find("FATAL ERROR: The cycle mode doesn't support multiple current machines."),
              std::string::npos);
    EXPECT_EQ(Quarn_Machine_List, first.machine);
    EXPECT_EQ(first.machine->next, nullptr);
    EXPECT_EQ(BaseObject__GetMax(), objects); // nothing registered
    Start_The_Simulation();
}

TEST(Machine, ListAndFindWalkTheMachineListNewestFirst)
{
    Tcl_Interp *interp = Tcl_CreateInterp();
    List_All_Machines(interp);
    EXPECT_STREQ(Tcl_GetStringResult(interp), ""); // not even the newline

    GenericMachine older{}, newer{};
    older.name = const_cast<char *>("Alpha");
    newer.name = const_cast<char *>("beta");
    newer.next = &older;
    GenericMachine *saved = Quarn_Machine_List;
    Quarn_Machine_List = &newer;
    List_All_Machines(interp);
    EXPECT_STREQ(Tcl_GetStringResult(interp), "beta Alpha\n");
    EXPECT_EQ(Find_Machine_By_Name("Alpha"), &older);
    EXPECT_EQ(Find_Machine_By_Name("alpha"), nullptr);
    Quarn_Machine_List = saved;
    Tcl_DeleteInterp(interp);
}

TEST(Machine, SetMaxThreadsAddsWholeCoresOnlyWhenNeeded)
{
    BuiltMachine m("grow");
    ASSERT_NE(m.machine, nullptr);
    EXPECT_EQ(GenericMachine__SetMaxThreads(m.machine, 8), 8u);
    EXPECT_EQ(GenericMachine__ProcessorCount(m.machine), 1);
    EXPECT_EQ(GenericMachine__SetMaxThreads(m.machine, 9), 16u);
    EXPECT_EQ(GenericMachine__ProcessorCount(m.machine), 2);
    ProcessorState *added = GenericMachine__Processor(m.machine, 1);
    ASSERT_NE(added, nullptr);
    EXPECT_STREQ(added->name, "0:1"); // the last chip takes it
}

TEST(Machine, ActiveCountsNeverGoBelowZero)
{
    GenericMachine machine{};
    GenericMachine__ProcessorGoingInactive(&machine);
    EXPECT_EQ(machine.active_processors, 0);
    GenericMachine__ProcessorGoingActive(&machine);
    EXPECT_EQ(machine.active_processors, 1);
    EXPECT_EQ(machine.activity, 1);
    GenericMachine__ThreadGoingInactive(&machine, nullptr);
    EXPECT_EQ(machine.active_threads, 0);
}

TEST(Machine, NoDevicesMeansNoControllerBusDevicesClockOrRtasWindow)
{
    BuiltMachine m("bare", [](BuiltMachine &b) {
        b.set("machine_option/NO_DEVICES", "TRUE");
        b.set("rtc/start", "0xF1000000");
        b.set("memory_size", "1G");
        b.set("RTAS_CONSOLE_START", "0x37FFF000");
        b.set("RTAS_CONSOLE_END", "0x37FFFFFF");
    });
    ASSERT_NE(m.machine, nullptr);
    MemoryMap *map = m.machine->mcms[0]->mbus->memory_map;
    for (const char *name : {"PPCIC_0", "ROM", "RAM", "RTC", "RTAS_CONSOLE"})
        EXPECT_EQ(MemMap_SearchByName(map, name), nullptr) << name;
    EXPECT_NE(MemMap_SearchByName(map, "MEMORY-REGION-0"), nullptr);
    EXPECT_EQ(m.machine->rtc, nullptr);
    EXPECT_EQ(m.machine->mcms[0]->ppcic, nullptr);
}

int fix_calls = 0;
void add_console_at_fix(void *, GenericMachine *machine)
{
    fix_calls++;
    Set_Console(machine, Console_Init("Early", machine));
}

TEST(Machine, DefaultConsoleOnlyWhenTheListIsEmpty)
{
    fix_calls = 0;
    Callback_register_fix(99, "early-console", reinterpret_cast<CallbackFunction>(add_console_at_fix),
                          nullptr);
    {
        BuiltMachine m("console");
        ASSERT_NE(m.machine, nullptr);
        EXPECT_EQ(fix_calls, 1);
        ASSERT_NE(m.machine->consoles, nullptr);
        EXPECT_STREQ(m.machine->consoles->name, "Early");
        EXPECT_EQ(m.machine->consoles->next, nullptr);
        EXPECT_EQ(m.machine->default_console, nullptr);
    }
    Callback_Clear_function("early-console");
}

TEST(Machine, ClockFrequencyChangeKeepsTheClockContinuous)
{
    BuiltMachine m("clock");
    GenericMachine *machine = m.machine;
    ASSERT_NE(machine, nullptr);
    machine->rtc_base = 1000;
    machine->tsim->now = 3 * machine->time_domains.tick_rate; // 3 s
    Machine__ResetClockFreqHZ(machine, 2000000000ULL);
    EXPECT_EQ(machine->rtc_base, 1000);
    Machine__ResetClockFreqHZ(machine, 1000000000ULL);
    // 3 s before the change; the base cycles at the new rate give the time after it.
    EXPECT_EQ(machine->rtc_base, 1000 + 3 - (int64_t)(GenericMachine__BaseCycles(machine) / 1000000000ULL));
    EXPECT_EQ(evaluate_frequency_ratio(&machine->base_freq, nullptr), 1000000000u);
}

// Teardown order: what each phase still finds.
std::vector<std::string> teardown_log;
void on_undeclare(void *, GenericMachine *machine)
{
    MemoryMap *map = machine->memory_maps;
    teardown_log.push_back(std::string("undeclare maps:") + (map && map->map_list->first ? "full" : "empty"));
}
void on_quit(void *, GenericMachine *machine)
{
    MemoryMap *map = machine->memory_maps;
    teardown_log.push_back(std::string("quit maps:") + (map && map->map_list->first ? "full" : "empty") +
                           " chips:" + std::to_string(machine->mcms ? machine->num_mcms : 0) +
                           " processors:" + std::to_string(GenericMachine__ProcessorCount(machine)));
}

TEST(Machine, TeardownRunsItsPhasesInOrder)
{
    teardown_log.clear();
    Callback_register_undeclare_time_domain(99, "order", reinterpret_cast<CallbackFunction>(on_undeclare),
                                            nullptr);
    Callback_register_quit_machine(99, "order", reinterpret_cast<CallbackFunction>(on_quit), nullptr);
    std::string nvram;
    {
        BuiltMachine m("order");
        ASSERT_NE(m.machine, nullptr);
        ASSERT_NE(m.machine->nvram, nullptr);
        nvram = m.machine->nvram->name;
        EXPECT_EQ(access(nvram.c_str(), F_OK), 0);
    }
    Callback_Clear_function("order");
    EXPECT_EQ(teardown_log,
              (std::vector<std::string>{"undeclare maps:full", "quit maps:empty chips:1 processors:1"}));
    EXPECT_NE(access(nvram.c_str(), F_OK), 0); // the image goes with the machine
    EXPECT_EQ(currentMachine, nullptr);
    EXPECT_EQ(Quarn_Machine_List, nullptr);
    EXPECT_EQ(Get_Time_Machine(), nullptr);
}

TEST(Machine, DistributedSmpChipsOfOneMemorySystemShareOneRegion)
{
    BuiltMachine m("dsmp", [](BuiltMachine &b) {
        b.set("enable_distributed_smp_support", "TRUE");
        b.set("number_of_MCMs", "2");
        b.set("chips", "2");
        b.set("processor/number_of_threads", "1");
        b.set("mcm/0/dsmp_memory_system", "0");
        b.set("mcm/1/dsmp_memory_system", "0");
        b.set("dsmp_memory_system/0/memory_start", "0");
        b.set("dsmp_memory_system/0/memory_size", "16M");
    });
    ASSERT_NE(m.machine, nullptr);
    MemoryMap *map0 = m.machine->mcms[0]->mbus->memory_map;
    MemoryMap *map1 = m.machine->mcms[1]->mbus->memory_map;
    ASSERT_NE(map0, map1);
    MapListElement *first = MemMap_SearchByName(map0, "MEMORY-REGION-0");
    MapListElement *second = MemMap_SearchByName(map1, "MEMORY-REGION-0");
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(first->instance, second->instance);
    EXPECT_EQ(first->duplicate, 0);
    EXPECT_EQ(second->duplicate, 1);
    EXPECT_EQ(first->end, 0xFFFFFFu);
    EXPECT_STREQ(m.machine->mcms[1]->name, "dsmp:1");
}

// ---- configuration ----

TEST(MachineConfig, MemoryRegionsShiftAndLayout)
{
    const struct {
        const char *regions, *size;
        uint32_t count, shift;
    } cases[] = {{"20", "64M", 16, 32}, {"0", "64M", 1, 32}, {"2", "64M", 2, 32}, {"1", "16G", 1, 34}};
    for (const auto &c : cases) {
        BuiltMachine m("regions", [&](BuiltMachine &b) {
            b.set("memory_regions", c.regions);
            b.set("memory_size", c.size);
        });
        ASSERT_NE(m.machine, nullptr) << c.regions;
        EXPECT_EQ(m.machine->memory_region_count, c.count) << c.regions;
        EXPECT_EQ(m.machine->memory_region_id_shift, c.shift) << c.size;
        if (c.count > 1) {
            EXPECT_EQ(m.machine->memory_regions[1].start, uint64_t(1) << c.shift);
        }
    }
}

TEST(MachineConfig, RunTimeSwitches)
{
    BuiltMachine m("switches", [](BuiltMachine &b) {
        b.set("htm/cache_lines_log2", "7");
        b.set("pturbo_threads", "4");
        b.set("nodes", "3"); // more nodes than chips: every chip its own node
    });
    ASSERT_NE(m.machine, nullptr);
    EXPECT_EQ(m.machine->htm_cache_store_lines_log2, 7u); // 0 takes the cache lines
    EXPECT_EQ(m.machine->turbo_maximum, 100000u);
    EXPECT_EQ(m.machine->enable_sim_support, 1);
    EXPECT_EQ(m.machine->pturbo_workers, 3);
    EXPECT_EQ(m.machine->chip_configs[0].node, 0);
    EXPECT_EQ(m.machine->nvram_enabled, 1);
}

TEST(MachineConfig, StandaloneMachinesHaveNoNvram)
{
    BuiltMachine m("alone", [](BuiltMachine &b) { b.set("standalone_app", "true"); });
    ASSERT_NE(m.machine, nullptr);
    EXPECT_EQ(standalone_mode, 1);
    EXPECT_EQ(m.machine->nvram_enabled, 0);
    EXPECT_EQ(m.machine->nvram, nullptr);
    EXPECT_EQ(MemMap_SearchByName(m.machine->mcms[0]->mbus->memory_map, "RAM"), nullptr);
    standalone_mode = 0;
}

TEST(MachineConfig, ChipArrayGrowsAndNeverShrinks)
{
    BuiltMachine m("chips");
    GenericMachine *machine = m.machine;
    ASSERT_NE(machine, nullptr);
    MCM *first = machine->mcms[0];
    PropertyList *list = PropertyList__New("chips-more");
    PropertyList__UpdatePropertyValue(list, "number_of_MCMs", "3", nullptr, 1);
    SET_NUM_MCMS(machine, list);
    EXPECT_EQ(machine->num_mcms, 3u);
    EXPECT_EQ(machine->mcms[0], first);
    ASSERT_NE(machine->mcms[2], nullptr);
    EXPECT_EQ(machine->mcms[2]->number, 2);
    PropertyList__UpdatePropertyValue(list, "number_of_MCMs", "2", nullptr, 1);
    SET_NUM_MCMS(machine, list);
    EXPECT_EQ(machine->num_mcms, 3u);
    PropertyList__Delete(list);
}

TEST(MachineConfig, TablesAreClampedToTheirSixteenEntries)
{
    SinkCapture sink;
    BuiltMachine m("clamp", [](BuiltMachine &b) {
        b.set("enable_distributed_smp_support", "TRUE");
        b.set("fbar_regions", "17");
        b.set("mcm/0/dsmp_memory_system", "20");
        b.set("dsmp_memory_system/15/memory_size", "16M");
    });
    ASSERT_NE(m.machine, nullptr);
    EXPECT_EQ(m.machine->fbar_count, 16u);
    EXPECT_EQ(m.machine->memory_system_of_chip[0], 15u);
    EXPECT_EQ(m.machine->num_memory_systems, 16u);
    EXPECT_NE(sink.text().find("FATAL ERROR"), std::string::npos);
    Start_The_Simulation();
}

TEST(MachineConfig, MachineTypesAndOptions)
{
    EXPECT_EQ(MachineName_2_Type("myrrin"), 4u);
    EXPECT_EQ(MachineName_2_Type("nosuch"), 0u);
    EXPECT_STREQ(MachineType_2_Name(99), "Not-Found");
    EXPECT_STREQ(MachineType_2_Name(29), "PELK");
    EXPECT_STREQ(MachineType_2_Name(0), "Not-Found"); // the name lookup starts at row 1

    PropertyList *list = PropertyList__New("options-test");
    Machine_Option_Add_Default_Values(list, "sect");
    ConfigEntry *strict = PropertyList__FindEntry(list, "sect/machine_option/STRICT");
    ASSERT_NE(strict, nullptr);
    EXPECT_STREQ(strict->value, "TRUE");
    EXPECT_EQ(strict->visible, 0);
    Machine_Option_Add_Default_Values(list, "");
    PropertyList__UpdatePropertyValue(list, "machine_option/CONSOLE_CR", "on", nullptr, 1);
    int32_t values[MO_COUNT] = {};
    Machine_Options_Init(values, list);
    EXPECT_EQ(values[MO_STRICT], 1);
    EXPECT_EQ(values[MO_NO_ROM], 0);
    EXPECT_EQ(values[MO_MEMORY_OVERFLOW], 1);
    EXPECT_EQ(values[MO_CONSOLE_CR], 1);
    PropertyList__Delete(list);
}

} // namespace

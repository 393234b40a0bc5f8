// Machine creation and teardown, processors and the activity monitor.
#include "machine/machine_lifecycle.h"

#include <tcl.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <initializer_list>
#include <unistd.h>

#include "decode/instr_tables.h"
#include "devices/console.h"
#include "devices/nvram.h"
#include "devices/rtas_console.h"
#include "devices/rtc.h"
#include "exec/machine_triggers.h"
#include "fabric/bus_fix.h"
#include "guest/device_tree.h"
#include "guest/guest_locks.h"
#include "guest/guest_services.h"
#include "guest/process_tree.h"
#include "kernel/counter.h"
#include "kernel/delay.h"
#include "kernel/fault.h"
#include "kernel/hooks/domain_ticks.h"
#include "kernel/job.h"
#include "kernel/port.h"
#include "kernel/tsim.h"
#include "machine/chip_setup.h"
#include "machine/hooks/command_hooks.h"
#include "machine/machine_config.h"
#include "machine/mcm_lifecycle.h"
#include "machine/processor_lifecycle.h"
#include "memory/hole.h"
#include "memory/memory_bus.h"
#include "memory/memory_map.h"
#include "memory/memory_region.h"
#include "memory/memory_tags.h"
#include "memory/overflow_agent.h"
#include "mmu/checkers.h"
#include "processor/config/config_getters.h"
#include "processor/config/property_lookup.h"
#include "processor/hooks/htm.h"
#include "processor/records/htm_data.h"
#include "processor/records/processor_state.h"
#include "processor/records/processor_type.h"
#include "processor/records/thread_state.h"
#include "processor/regs/register_file.h"
#include "processor/spr/scom_blocks.h"
#include "processor/time/time_domain.h"
#include "runtime/alloc.h"
#include "runtime/callbacks.h"
#include "runtime/common.h"
#include "runtime/device_manager.h"
#include "runtime/message.h"
#include "runtime/object_registry.h"
#include "runtime/property_list.h"
#include "runtime/stop.h"
#include "runtime/tcl_output.h"

namespace
{

constexpr int CYCLES_TEXT_SIZE = 50;
constexpr int64_t ACTIVITY_TIMEOUT_SECONDS = 3;

// The body of the job "activity monitor": every simulated second, stops the run when no processor
// has been active for more than 3 seconds of wall-clock time. A running processor counts as active
// only when the machine executed an instruction since the last look, so that a run in which no
// thread makes progress (its jobs parked while periodic jobs advance time) ends too.
void activity_monitor(void *argument)
{
    auto *machine = static_cast<GenericMachine *>(argument);
    uint64_t period = (machine->base_domain ? evaluate_frequency_ratio(&machine->base_freq, nullptr) : 1) *
                      TD_ticks_per_cycle(machine->base_domain);
    uint64_t last_count = machine->instruction_count;
    for (;;) {
        current_delay_ticks(period);
        int64_t now = (int64_t)time(nullptr);
        uint64_t count = machine->instruction_count;
        bool progress = count != last_count;
        last_count = count;
        if (__atomic_load_n(&machine->active_processors, __ATOMIC_RELAXED) != 0 && progress) {
            machine->last_activity_time = now;
            continue;
        }
        if (machine->activity) {
            machine->activity = 0;
            machine->last_activity_time = now;
        } else if (now - machine->last_activity_time > ACTIVITY_TIMEOUT_SECONDS) {
            sim_warning(2, "No processor activity for %d seconds", (int)(now - machine->last_activity_time));
            sim_warning(2, "... Stopping simulation");
            Stop_The_Simulation(STOP_NO_ACTIVITY);
        }
    }
}

typedef void (*MachineCallback)(void *data, GenericMachine *machine);

void run_list(int index, GenericMachine *machine)
{
    for (Callback_Function *f = callBackFunctionLists[index].head; f; f = f->next)
        if (f->function) reinterpret_cast<MachineCallback>(f->function)(f->data, machine);
}

// Defines a memory region in the chip's map and sets it up as region `number`.
sim_memory *define_region(GenericMachine *machine, MCM *chip, uint32_t number, uint64_t start, uint64_t end)
{
    char name[64];
    snprintf(name, sizeof name, "MEMORY-REGION-%u", number);
    auto *region = static_cast<sim_memory *>(MemMap_Define(chip, name, &G_MMAPI_MEMORY, start, end, nullptr));
    if (region) {
        machine->region_instances[number] = region;
        MEMORY_SETUP_FUNCTION(machine, region, number);
    }
    Default_Init_Memory_Tag_Structures(machine);
    if (!machine->on_demand_tag_arrays) Define_Memory_Tag_Bit_Array(machine, start, end);
    return region;
}

// The devices of the first chip of a memory system (or of chip 0 without distributed SMP).
void populate_memory_system(GenericMachine *machine, MCM *chip, PropertyList *list, uint32_t system)
{
    if (machine->distributed_smp) {
        const MemorySystemDesc &memory = machine->memory_systems[system];
        define_region(machine, chip, system, memory.start, memory.end);
    } else {
        for (uint32_t i = 0; i < machine->memory_region_count; i++)
            define_region(machine, chip, i, machine->memory_regions[i].start, machine->memory_regions[i].end);
    }

    if (machine->machine_options[MO_MEMORY_OVERFLOW] && chip->mbus && chip->mbus->memory_map) {
        void *agent = MemMap_Define_Overflow(chip->mbus->memory_map->map_list, list, "MEMORY_OVERFLOW",
                                             &G_MMAPI_MEMORY_OVERFLOW, 0, ~uint64_t(0));
        MEMORY_OVERFLOW_SETUP_FUNCTION(machine, agent);
    }

    int devices = !machine->machine_options[MO_NO_DEVICES];
    if (devices) {
        machine->rtc_base = RTC_DEFAULT_BASE;
        machine->rtc_speedup = RTC_DEFAULT_SPEEDUP;
        uint64_t start = 0;
        if (get_conditional_mcm_property_uint64_t_rc(chip, list, "rtc/start", &start)) {
            uint64_t end = get_plist_int_wd(list, "rtc", 0, "end", start + 7);
            auto *rtc = static_cast<RTC *>(MemMap_Define(chip, "RTC", &G_MMAPI_RTC, start, end, nullptr));
            if (rtc) {
                machine->rtc = rtc;
                Set_RTC_Freq(rtc, machine);
            }
        }
    }

    BogusNetSetup(machine);
    BogusSocketSetup(machine);

    if (!machine->consoles) {
        ConsoleDevice *console = Console_Init("DefaultConsole", machine);
        Console_Activate(console, "DefaultConsole");
        Set_Console(machine, console);
        machine->default_console = console;
    }

    if (devices) Setup_RTAS_CONSOLE(list, chip);
}

uint32_t memory_system_of(GenericMachine *machine, uint32_t chip)
{
    return chip < MAX_DSMP_CHIPS ? machine->memory_system_of_chip[chip] : 0;
}

void populate_memory(GenericMachine *machine, PropertyList *list)
{
    uint32_t slots = machine->memory_region_count;
    if (machine->distributed_smp && machine->num_memory_systems > slots) slots = machine->num_memory_systems;
    machine->region_instances = QUARN_ZALLOC(slots ? slots : 1, sim_memory *);

    if (!machine->distributed_smp) {
        if (MCM *chip = GenericMachine__GetMCM(machine, 0)) populate_memory_system(machine, chip, list, 0);
        return;
    }
    for (uint32_t n = 0; n < machine->num_mcms; n++) {
        MCM *chip = GenericMachine__GetMCM(machine, (int32_t)n);
        if (!chip) continue;
        uint32_t system = memory_system_of(machine, n);
        int32_t earlier = -1;
        for (uint32_t m = 0; m < n; m++)
            if (memory_system_of(machine, m) == system) earlier = (int32_t)m;
        if (earlier < 0) {
            populate_memory_system(machine, chip, list, system);
            continue;
        }
        // Join the region of the earlier chip: both maps share one element instance.
        const MemorySystemDesc &memory = machine->memory_systems[system];
        char name[64];
        snprintf(name, sizeof name, "MEMORY-REGION-%u", system);
        MCM *first = GenericMachine__GetMCM(machine, earlier);
        void *region = MemMap_Define(first, name, &G_MMAPI_MEMORY, memory.start, memory.end, nullptr);
        MemMap_Define(chip, name, &G_MMAPI_MEMORY, memory.start, memory.end, region);
        machine->region_instances[system] = static_cast<sim_memory *>(region);
        if (!machine->on_demand_tag_arrays) Define_Memory_Tag_Bit_Array(machine, memory.start, memory.end);
    }
}

void populate_fbars(GenericMachine *machine)
{
    if (!machine->distributed_smp) return;
    for (uint32_t i = 0; i < machine->fbar_count; i++) {
        FbarRegionDesc &fbar = machine->fbars[i];
        MCM *near_chip = GenericMachine__GetMCM(machine, (int32_t)fbar.near_mcm);
        MCM *far_chip = GenericMachine__GetMCM(machine, (int32_t)fbar.far_mcm);
        if (!near_chip || !far_chip) continue;
        char name[64];
        snprintf(name, sizeof name, "FBAR-REGION-%u", i);
        void *region = MemMap_Define(near_chip, name, &G_MMAPI_FBAR, fbar.start, fbar.end, nullptr);
        FBAR_SETUP_FUNCTION(machine, region, i);
        MemMap_Define(far_chip, name, &G_MMAPI_FBAR, fbar.start, fbar.end, region);
        FBAR_SETUP_FUNCTION(machine, region, i);
        fbar.instance = static_cast<sim_memory *>(region);

        snprintf(name, sizeof name, "FBAR-HOLE-%u", i);
        uint32_t system = memory_system_of(machine, fbar.near_mcm);
        void *hole_instance = nullptr;
        for (uint32_t n = 0; n < machine->num_mcms; n++) {
            if (memory_system_of(machine, n) != system) continue;
            MCM *chip = GenericMachine__GetMCM(machine, (int32_t)n);
            if (!chip) continue;
            hole_instance =
                MemMap_Define(chip, name, &G_MMAPI_HOLE, fbar.hole_start, fbar.hole_end, hole_instance);
            HOLE_SETUP_FUNCTION(machine, hole_instance, n);
        }
    }
}

void free_cycles_text(GenericMachine *machine)
{
    if (!machine->cycles_text) return;
    if (quarn_common.interpreter) {
        Tcl_UnlinkVar(quarn_common.interpreter, machine->cycles_variable);
        Tcl_Free(machine->cycles_text);
    } else {
        QUARN_FREE(machine->cycles_text);
    }
    machine->cycles_text = nullptr;
}

} // namespace

GenericMachine *GenericMachine__New(const char *name, int32_t *object_id)
{
    if (!name) return nullptr;
    // One machine at a time: a second one is refused before anything is made.
    if (currentMachine) {
        sim_error("The cycle mode doesn't support multiple current machines.");
        return nullptr;
    }
    GenericMachine *machine = QUARN_ZALLOC(1, GenericMachine);
    if (!machine) {
        sim_error("Unable to allocate Generic Machine");
        return nullptr;
    }
    machine->stack_top = ~0ull;
    machine->name = REMEMBER_STRING(name);
    machine->next = Quarn_Machine_List;
    Quarn_Machine_List = machine;
    currentMachine = machine;
    int32_t id = BaseObject__New(machine->name, OBJECT_KIND_MACHINE, machine);
    if (object_id) *object_id = id;
    return machine;
}

GenericMachine *GenericMachine_Init(const char *name, PropertyList *list)
{
    uint32_t type = MachineName_2_Type(PropertyList__GetString(list, "machine_type"));
    if (type == 0) sim_warning(2, "creating machine without a machine_type (%s)", name ? name : "");
    GenericMachine *machine = GenericMachine__New(name, nullptr);
    if (!machine) return nullptr;

    standalone_mode = PropertyList__GetBoolean(list, "standalone_app");
    machine->machine_type = type;
    machine->property_list = list;
    Tcl_Interp *interpreter = quarn_common.interpreter;
    if (interpreter)
        Tcl_SetVar2(interpreter, "QuarnMachineType", machine->name, MachineType_2_Name(type),
                    TCL_GLOBAL_ONLY);
    machine->command_table = build_simtopCmd_table(machine->name);
    Initialize_Machine_Time_Domain_Variables(&machine->time_domains);

    machine->tsim = tsim_new(machine->name);
    if (machine->tsim) {
        machine->tsim->now = PropertyList__GetUint64(list, "start_tick");
        tsim_set_signal_action(machine->tsim, 1);
    }
    QuarnServer_Machine_Init(machine);
    if (machine->tsim) {
        if (!machine->generic_event) machine->generic_event = later_new(machine->tsim, "generic event");
        if (!machine->activity_monitor)
            machine->activity_monitor = job_new(machine->tsim, "activity monitor", activity_monitor, machine);
    }
    machine->device_manager = DeviceMgr__New(machine->name);
    machine->processor_major = -1;
    machine->thread_major = -1;

    Machine_Options_Init(machine->machine_options, list);
    GenericMachine_SimConfig_Init(machine, list);
    machine->cpi = (float)get_plist_float(list, "cpi");
    machine->memory_maps = nullptr;

    if (machine->nvram_enabled) {
        char nvram_name[64];
        snprintf(nvram_name, sizeof nvram_name, "halvo_nvram.%d.bin", (int)getpid());
        machine->nvram = halvo_nvram_open(nvram_name, MACHINE_NVRAM_SIZE);
        if (!machine->nvram && !standalone_mode) sim_error("Unable to allocate NVRAM for generic machine!");
    }

    machine->cycles_text = interpreter ? Tcl_Alloc(CYCLES_TEXT_SIZE) : QUARN_ZALLOC(CYCLES_TEXT_SIZE, char);
    long tick = 0;
    if (machine->tsim)
        tick = (long)machine->tsim->now;
    else
        sim_error("tsim in machine is NULL!!!!");
    snprintf(machine->cycles_text, CYCLES_TEXT_SIZE, "%ldt", tick);

    machine->bit_accurate = 0;
    machine->activity = 0;
    machine->active_processors = 0;
    machine->active_threads = 0;

    snprintf(machine->cycles_variable, sizeof machine->cycles_variable, "%s.Cycles", machine->name);
    if (interpreter)
        Tcl_LinkVar(interpreter, machine->cycles_variable, (char *)&machine->cycles_text, TCL_LINK_STRING);

    machine->trigger_table = Triggers_Init();
    Assoc_Trigger_Init(machine);
    GenericMachine_StatInit(machine);

    machine->mode = MODE_SIMPLE;
    machine->pending_mode = 0;
    if (machine->tsim) {
        machine->switch_mode_status = counter_new(machine->tsim, "switch-mode-status");
        machine->switch_mode_done = counter_new(machine->tsim, "switch-mode-done");
        machine->functional_mode = counter_new(machine->tsim, "functional-mode");
        machine->cycle_mode = counter_new(machine->tsim, "cycle-mode");
        if (machine->cycle_mode) counter_set(machine->cycle_mode, 1);
    }
    PropertyList__Set_Immutable(list);
    machine->htm =
        (htm_data *)quarn_zalloc(sizeof(htm_data), sizeof(htm_data), "struct htm_data", __FILE__, __LINE__);
    return machine;
}

GenericMachine *GenericMachine_Create(const char *name, PropertyList *list)
{
    // A topology the machine cannot hold is refused before anything is allocated.
    if (!Machine_Topology_Check(list)) return nullptr;
    GenericMachine *machine = GenericMachine_Init(name, list);
    if (!machine) return nullptr;

    run_list(CALLBACK_DECLARE_TIME_DOMAIN, machine);
    for (uint32_t i = 0; i < machine->num_mcms; i++) {
        MCM *chip = GenericMachine__GetMCM(machine, (int32_t)i);
        if (chip && chip->mbus) chip->mbus->memory_map = MemMap_Create(chip);
    }
    for (uint32_t n = 0; n < machine->total_cores; n++)
        Add_Processor(machine, (int32_t)n);
    Bus_fix(nullptr, machine);
    for (uint32_t i = 0; i < machine->num_mcms; i++) {
        MCM *chip = GenericMachine__GetMCM(machine, (int32_t)i);
        if (!chip) continue;
        MCM_Fix(chip);
        if (!machine->machine_options[MO_NO_DEVICES]) MCM_Memory_Map_Populate(chip, list);
    }
    machine->process_tree = PT_Init(machine);
    run_list(CALLBACK_FIX, machine);
    machine->on_demand_tag_arrays = get_plist_bit_wd(list, nullptr, -1, "on_demand_tag_arrays", 1);
    populate_memory(machine, list);
    populate_fbars(machine);
    if (!regress_mode) PropertyList__Print_Unused_Values(list);
    return machine;
}

void Add_Processor(GenericMachine *machine, int32_t n)
{
    if (!machine) return;
    PropertyList *list = machine->property_list;
    int32_t local = 0;
    MCM *chip = Assign_MCM(machine, n, &local);
    char name[64];
    snprintf(name, sizeof name, "%d:%d", chip ? chip->number : 0, local);
    ProcessorState *core = Processor_Create(list, name);
    if (!core) {
        sim_error("Add_Processor: failed to allocate a processor structure");
        return;
    }
    if (machine->processor_major < 0 && machine->device_manager)
        machine->processor_major = DeviceMgr__GetDeviceMajorNum(machine->device_manager, "Processor");
    int32_t major = machine->processor_major;
    core->core_id = (uint32_t)DeviceMgr__AddDevice(machine->device_manager, core, major, n, Processor_Quit);

    int32_t remainder = n;
    uint32_t k = 0;
    for (; k < machine->num_chip_configs; k++) {
        remainder -= (int32_t)machine->chip_configs[k].num_cores;
        if (remainder < 0) break;
    }
    core->chip_position = (int32_t)k;
    core->number_in_chip = (uint32_t)local;

    core->machine = machine;
    core->mcm = chip;
    core->mbus = chip ? chip->mbus : nullptr;
    core->partition_views[0] = core;
    Processor_Init(core, list);
    core->partition_count = 1;

    const char *type = PropertyList__GetString(list, "processor/type");
    for (int v = 1; v < PARTITION_VIEW_COUNT; v++) {
        ProcessorState *view = QUARN_ZALLOC(1, ProcessorState);
        if (!view) continue;
        view->is_copy = 1;
        view->name = core->name; // shared with the core, which owns it
        view->partition_views[0] = core;
        view->object_id = core->object_id;
        view->core_id = core->core_id;
        view->chip_position = core->chip_position;
        view->number_in_chip = core->number_in_chip;
        view->machine = machine;
        view->mcm = chip;
        view->mbus = core->mbus;
        view->processor_type = (uint32_t)(type ? ProcessorName_2_Type(type) : 0);
        if (view->processor_type == 0) sim_warning(2, "creating processor without a processor_type");
        view->type_name = core->type_name; // shared with the core, which owns it
        view->register_file = Init_Register_File();
        memcpy(view->options, core->options, sizeof view->options);
        view->chip_version = core->chip_version;
        view->core_domain = core->core_domain;
        view->core_freq = core->core_freq;
        view->num_threads = core->num_threads;
        view->threads = core->threads;
        Define_Processor_Registers(view);
        LPAR_CORRECT_RTI(view, core->num_threads ? &core->threads[0] : nullptr);
        view->is_copy = 0;
        core->partition_views[v] = view;
    }

    if (PropertyList__GetBoolean(list, "enable_cache_contained_checker"))
        core->cache_container = cc_CacheContainer_init(core->name, machine->cache_contained_checker_type);
    if (PropertyList__GetBoolean(list, "enable_page_cache_mode_checker"))
        core->page_cacheable_check = PageCacheableCheck_init(core->name);
    core->ex_scom_regs = (ex_scom_registers_s *)quarn_zalloc(
        sizeof(ex_scom_registers_s), sizeof(ex_scom_registers_s), "ex_scom_registers_s", __FILE__, __LINE__);
    ex_scom_init(core);
}

uint32_t GenericMachine__SetMaxThreads(GenericMachine *machine, uint32_t threads)
{
    if (!machine) return 0;
    for (;;) {
        uint32_t have = (uint32_t)GenericMachine__ThreadCount(machine);
        if (have >= threads) return have;
        int32_t cores = GenericMachine__ProcessorCount(machine);
        Add_Processor(machine, cores);
        // A processor without threads (or none at all) would never get there.
        if (GenericMachine__ProcessorCount(machine) == cores ||
            (uint32_t)GenericMachine__ThreadCount(machine) == have)
            return (uint32_t)GenericMachine__ThreadCount(machine);
    }
}

void Machine_Quit(GenericMachine *machine)
{
    if (!machine) return;
    Stop_The_Simulation(STOP_USER_TCL);
    PropertyList__Delete(machine->property_list);
    machine->property_list = nullptr;
    GenericMachine_Quit(machine);
}

void MemMap_Empty(GenericMachine *machine)
{
    if (!machine) return;
    for (MemoryMap *map = machine->memory_maps; map; map = map->next)
        MemMap_DeleteAll(map);
}

void GenericMachine_Quit(GenericMachine *machine)
{
    if (!machine) return;
    run_list(CALLBACK_UNDECLARE_TIME_DOMAIN, machine);
    GenericMachine__GetMCM(machine, 0); // a machine without chips reports it
    MemMap_Empty(machine);
    run_list(CALLBACK_QUIT_MACHINE, machine);
    Triggers_Quit(machine);
    DeviceMgr__Quit(machine->device_manager);
    machine->device_manager = nullptr;
    if (machine->activity_monitor) job_free(machine->activity_monitor);
    machine->activity_monitor = nullptr;
    free_cycles_text(machine);

    OpenFirmware_Quit(machine);
    GuestLocks_Quit_Machine(machine);
    PT_Quit(machine->process_tree);
    machine->process_tree = nullptr;
    BogusNetCleanup(machine);
    Bogus9pCleanup();
    BogusSocketCleanup(machine);

    Delete_Memory_Tag_Bit_Arrays(machine);
    QUARN_FREE(machine->region_instances);
    machine->region_instances = nullptr;
    while (MemoryMap *map = machine->memory_maps)
        MemMap_DeleteMap(map);

    Quit_Machine_Time_Domain(&machine->time_domains);
    machine->base_domain = nullptr;
    machine->cycle_domain = nullptr;
    machine->step_domain = nullptr;

    for (uint32_t i = machine->num_mcms; i-- > 0;) {
        MCM__Quit(machine->mcms[i]);
        machine->mcms[i] = nullptr;
    }
    QUARN_FREE(machine->mcms);
    machine->mcms = nullptr;
    machine->num_mcms = 0;

    halvo_nvram_close(machine->nvram);
    machine->nvram = nullptr;
    QUARN_FREE(machine->chip_configs);
    QUARN_FREE(machine->core_configs);
    machine->chip_configs = nullptr;
    machine->core_configs = nullptr;

    // The counters and the delayed-call object live in the kernel's storage: free them first.
    if (machine->generic_event) later_free(machine->generic_event);
    machine->generic_event = nullptr;
    machine->stop_after_ticks = nullptr;
    for (counter_s **counter : {&machine->switch_mode_status, &machine->switch_mode_done,
                                &machine->functional_mode, &machine->cycle_mode}) {
        if (*counter) counter_force_free(*counter);
        *counter = nullptr;
    }
    if (machine->tsim) tsim_free(machine->tsim);
    machine->tsim = nullptr;

    while (ConsoleDevice *console = machine->consoles) {
        machine->consoles = console->next;
        Console_Quit(console);
    }
    machine->default_console = nullptr;

    htm_free(machine->htm);
    QUARN_FREE(machine->htm);
    machine->htm = nullptr;

    Set_Time_Machine(nullptr);
    if (quarn_common.interpreter) Tcl_DeleteCommand(quarn_common.interpreter, machine->name);
    Quit_SimCmdTable(machine->command_table);
    machine->command_table = nullptr;

    for (GenericMachine **link = &Quarn_Machine_List; *link; link = &(*link)->next) {
        if (*link == machine) {
            *link = machine->next;
            break;
        }
    }
    if (currentMachine == machine) currentMachine = nullptr;
    int32_t id = BaseObject__Find_Object(OBJECT_KIND_MACHINE, machine);
    if (id >= 0) BaseObject__Delete(id);
    FORGET_STRING(machine->name);
    QUARN_FREE(machine);
    InstrInfo__Quit();
}

GenericMachine *Find_Machine_By_Name(const char *name)
{
    if (!name) return nullptr;
    for (GenericMachine *machine = Quarn_Machine_List; machine; machine = machine->next)
        if (strcmp(machine->name, name) == 0) return machine;
    return nullptr;
}

void List_All_Machines(Tcl_Interp *interpreter)
{
    for (GenericMachine *machine = Quarn_Machine_List; machine; machine = machine->next)
        SIM_TCLPRINT(interpreter, machine->next ? "%s " : "%s\n", machine->name);
}

void Machine_Add_Default_Values(PropertyList *) {}

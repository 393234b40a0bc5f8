// Machine configuration: machine options, machine types, and the configuration read.
#include "machine/machine_config.h"

#include <strings.h>

#include <algorithm>
#include <climits>
#include <cstdio>

#include "machine/mcm_lifecycle.h"
#include "mmu/checkers.h"
#include "processor/config/config_getters.h"
#include "processor/config/property_lookup.h"
#include "processor/records/generic_machine.h"
#include "processor/time/time_domain.h"
#include "runtime/alloc.h"
#include "runtime/callbacks.h"
#include "runtime/message.h"
#include "runtime/property_list.h"

const MachineOptionRow MO_list[] = {
    {MO_STRICT, "STRICT", 1, "strict enforcement of spec"},
    {MO_NO_ROM, "NO_ROM", 0, "No ROM"},
    {MO_NO_RAM, "NO_RAM", 0, "No RAM"},
    {MO_NO_PPCIC, "NO_PPCIC", 0, "No PPCIC"},
    {MO_NO_DEVICES, "NO_DEVICES", 0, "No Memory mapped devices"},
    {MO_MEMORY_OVERFLOW, "MEMORY_OVERFLOW", 1, "send extra addresses to the memory overflow agent"},
    {MO_ASSOCIATIVE, "ASSOCIATIVE", 0, "qzb,associativity in openfirmware tree"},
    {MO_CONSOLE_CR, "CONSOLE_CR", 0, "Add a CR at end of console output lines"},
    {MO_DO_READ_BUSY, "DO_READ_BUSY", 0, "The delay for a memory read depends on if it is busy."},
    {MO_COUNT, nullptr, 0, nullptr},
};

const IDNamePair Machine_Type_Name[] = {
    {0, "NONE"},         {1, "ZOLT"},        {2, "TOLMA"},      {3, "Dravo"},      {4, "MYRRIN"},
    {5, "Fosk"},         {6, "TARMIN"},      {7, "NOLDE"},      {8, "SORVA"},      {9, "MERIDU"},
    {10, "KOPRA"},       {11, "TILVE"},      {12, "FENDRA"},    {13, "DOLMAR"},    {14, "RISTEL"},
    {15, "GAVOT"},       {16, "ISSKAV"},     {17, "PUREPPC"},   {18, "PUREBOOKE"}, {19, "WOLKKolm"},
    {20, "WOLKKolmO"},   {21, "WOLKDravo"},  {22, "WOLKErvik"}, {23, "WOLKFosk"},  {24, "WOLKPELK"},
    {25, "SIMICSDravo"}, {26, "SIMICSKolm"}, {27, "CUSTRA"},    {28, "OMBRA"},     {29, "PELK"},
    {0, nullptr},
};

namespace
{

constexpr int MACHINE_TYPE_SCAN_ROWS = 31;

// The smallest n with 2^n >= value (0 for values up to 1).
uint32_t log2_rounded_up(uint64_t value)
{
    uint32_t bits = 0;
    while (bits < 64 && (uint64_t(1) << bits) < value)
        bits++;
    return bits;
}

uint64_t power_of_two_at_least(uint64_t value)
{
    uint32_t bits = log2_rounded_up(value);
    return bits >= 64 ? 0 : uint64_t(1) << bits;
}

// The text of the plain key as an integer, or the default when missing or bad.
uint64_t plain_int(PropertyList *list, const char *key, uint64_t default_value)
{
    uint64_t value = default_value;
    convert_plist_int(key, PropertyList__GetString(list, key), &value);
    return value;
}

// The count as a signed number: a value in 1..limit, else 0 after one error naming it.
bool count_in_range(const char *what, uint64_t value, int64_t limit)
{
    if ((int64_t)value >= 1 && (int64_t)value <= limit) return true;
    sim_error("Machine configuration: %s is %ld, not in 1..%ld", what, (long)(int64_t)value, (long)limit);
    return false;
}

} // namespace

int Machine_Topology_Check(PropertyList *list)
{
    // The same reading as the machine's topology below, with every count bounded before it
    // sizes anything.
    const int64_t limit = MACHINE_MAX_THREADS;
    uint64_t mcms = PropertyList__GetUint64(list, "number_of_MCMs");
    uint64_t nodes = PropertyList__GetUint64(list, "nodes");
    uint64_t chips = PropertyList__GetUint64(list, "chips");
    uint64_t cpus = PropertyList__GetUint64(list, "cpus");
    if (!count_in_range("number_of_MCMs", mcms, limit) || !count_in_range("nodes", nodes, limit) ||
        !count_in_range("chips", chips, limit) || !count_in_range("cpus", cpus, limit))
        return 0;
    int64_t threads = 0;
    int32_t k = 0;
    for (uint32_t i = 0; i < chips; i++) {
        uint64_t cores = mcms * cpus / chips;
        cores = plain_int(list, "cores_per_chip", cores);
        cores = get_plist_int_wd(list, "chip", (int32_t)i, "cores_per_chip", cores);
        if ((int64_t)cores < 0 || (int64_t)cores > limit) {
            sim_error("Machine configuration: chip %u has %ld cores, not in 0..%ld", i, (long)(int64_t)cores,
                      (long)limit);
            return 0;
        }
        for (uint64_t j = 0; j < cores; j++, k++) {
            uint64_t n = get_plist_int_wd(list, "processor", k, "number_of_threads", 1);
            if (!count_in_range("processor number_of_threads", n, limit)) return 0;
            threads += (int64_t)n;
            if (threads > limit) {
                sim_error("Machine configuration: more than %ld threads", (long)limit);
                return 0;
            }
        }
    }
    return 1;
}

namespace
{

void read_topology(GenericMachine *machine, PropertyList *list)
{
    uint64_t mcms = PropertyList__GetUint64(list, "number_of_MCMs");
    uint64_t nodes = PropertyList__GetUint64(list, "nodes");
    uint64_t chips = PropertyList__GetUint64(list, "chips");
    if (nodes == 0 || chips == 0) {
        sim_error("number of nodes (%d) or number of chips (%d) is zero", (int)nodes, (int)chips);
        if (nodes == 0) nodes = 1;
        if (chips == 0) chips = 1;
    }
    machine->num_nodes = (uint32_t)nodes;
    machine->num_chip_configs = (uint32_t)chips;
    machine->chip_configs = QUARN_ZALLOC(chips, ChipTopConfig);
    machine->total_cores = 0;
    // More nodes than chips would give a divisor of 0: every chip is then its own node.
    uint64_t chips_per_node = chips / nodes ? chips / nodes : 1;
    for (uint32_t i = 0; i < chips; i++) {
        ChipTopConfig &chip = machine->chip_configs[i];
        uint64_t cpus = PropertyList__GetUint64(list, "cpus");
        uint64_t c = mcms * cpus;
        if (c < chips) sim_warning(2, "%d chips with %d cpus gives 0 cores", (int)chips, (int)cpus);
        chip.node = (int32_t)(i / chips_per_node);
        uint64_t cores = c / chips;
        cores = plain_int(list, "cores_per_chip", cores);
        cores = get_plist_int_wd(list, "chip", (int32_t)i, "cores_per_chip", cores);
        chip.num_cores = (uint32_t)cores;
        machine->total_cores += (uint32_t)cores;
    }

    machine->core_configs =
        machine->total_cores ? QUARN_ZALLOC(machine->total_cores, CoreTopConfig) : nullptr;
    machine->total_threads = 0;
    uint32_t k = 0;
    for (uint32_t i = 0; i < chips; i++) {
        ChipTopConfig &chip = machine->chip_configs[i];
        chip.first_core = machine->core_configs ? &machine->core_configs[k] : nullptr;
        chip.num_threads = 0;
        for (uint32_t j = 0; j < chip.num_cores; j++, k++) {
            CoreTopConfig &core = machine->core_configs[k];
            core.num_threads =
                (int32_t)get_plist_int_wd(list, "processor", (int32_t)k, "number_of_threads", 1);
            chip.num_threads += (uint32_t)core.num_threads;
            Initialize_FreqSpec(&core.freq);
            get_plist_frequency_wd(list, "processor", (int32_t)k, "cpu_frequency", &core.freq, "1/1");
            char name[64];
            snprintf(name, sizeof name, "core-%u-%u", i, j);
            core.domain = TD_declare_time_domain(name, &machine->time_domains, &core.freq);
        }
        machine->total_threads += chip.num_threads;
    }
}

void read_switches(GenericMachine *machine, PropertyList *list)
{
    machine->enable_breakpoint_instruction = PropertyList__GetBoolean(list, "enable_breakpoint_instruction");
    machine->enable_sim_support = PropertyList__GetBoolean(list, "enable_sim_support");
    machine->enable_rtas_support = PropertyList__GetBoolean(list, "enable_rtas_support");
    machine->chunky_instructions_default = PropertyList__GetUint64(list, "chunky_instructions_default");
    machine->turbo_xlimit = PropertyList__GetUint64(list, "turbo/xlimit");
    machine->turbo_minimum = PropertyList__GetUint64(list, "turbo/minimum");
    machine->turbo_maximum = PropertyList__GetUint64(list, "turbo/maximum");
    machine->turbo_noop_delay = PropertyList__GetUint64(list, "turbo/noop_delay");
    machine->turbo_mftb_xtra = PropertyList__GetUint64(list, "turbo/mftb_xtra");
    machine->turbo_debug = PropertyList__GetBoolean(list, "turbo/debug");
    machine->turbo_dynamic_debug = PropertyList__GetBoolean(list, "turbo/dynamic_debug");
    machine->turbo_standalone = PropertyList__GetBoolean(list, "turbo/standalone");
    machine->turbo_fmadd = PropertyList__GetBoolean(list, "turbo/fmadd");
    machine->turbo_mftb = PropertyList__GetBoolean(list, "turbo/mftb");
    machine->turbo_nop = PropertyList__GetBoolean(list, "turbo/nop");
    machine->turbo_delay_on_priority_low = PropertyList__GetBoolean(list, "turbo/delay_on_priority_low");
    machine->enable_scalability_analysis = PropertyList__GetBoolean(list, "enable_scalability_analysis");
    machine->htm_max_tbegin_nesting = PropertyList__GetUint64(list, "htm/max_tbegin_nesting");
    machine->htm_cache_lines_log2 = PropertyList__GetUint64(list, "htm/cache_lines_log2");
    machine->htm_cache_set_size_log2 = PropertyList__GetUint64(list, "htm/cache_set_size_log2");
    machine->htm_os_supports_tm = PropertyList__GetBoolean(list, "htm/htm_os_supports_tm");
    machine->htm_texasr_extra_info = PropertyList__GetBoolean(list, "htm/TEXASR_extra_info");
    machine->htm_inject_transaction_fail_rate = get_plist_float(list, "htm/inject_transaction_fail_rate");
    machine->htm_cache_store_lines_log2 = PropertyList__GetUint64(list, "htm/cache_store_lines_log2");
    if (machine->htm_cache_store_lines_log2 == 0)
        machine->htm_cache_store_lines_log2 = machine->htm_cache_lines_log2;

    machine->nvram_enabled = standalone_mode ? 0 : PropertyList__GetBoolean(list, "enable_halvo_nvram");
    machine->emulate_fp = 0;
}

void read_memory(GenericMachine *machine, PropertyList *list)
{
    uint64_t count = PropertyList__GetUint64(list, "memory_regions");
    if (count == 0) count = 1;
    if (count > MAX_MEMORY_REGIONS) count = MAX_MEMORY_REGIONS;
    machine->memory_region_count = (uint32_t)count;
    uint64_t shift = plain_int(list, "memory_region_id_shift", 0);
    uint64_t start = get_plist_scaled_int(list, "memory_start", 1024);
    uint64_t size = get_plist_scaled_int(list, "memory_size", 1024);
    machine->memory_alloc_size = (int64_t)get_plist_scaled_int(list, "memory_alloc_size", 1024);
    machine->memory_per_chip = size / (machine->num_chip_configs ? machine->num_chip_configs : 1);
    if (shift == 0) {
        shift = log2_rounded_up(size);
        if (shift < 32) shift = 32;
    }
    // A region number must still fit above the shift.
    if (shift > 63) shift = 63;
    machine->memory_region_id_shift = (uint32_t)shift;
    machine->memory_region_id_mask = (uint32_t)(power_of_two_at_least(count) - 1);
    machine->memory_address_mask = ~((uint64_t)machine->memory_region_id_mask << shift);
    machine->total_memory = 0;
    for (uint32_t i = 0; i < count; i++) {
        MemoryRegionDesc &region = machine->memory_regions[i];
        region.start = i == 0 ? start : ((uint64_t)i << shift) + start;
        region.size = size;
        region.end = region.start + size - 1;
        machine->total_memory += size;
    }

    machine->coherence_block_size = PropertyList__GetUint64(list, "coherence_block_size");
    machine->cache_block_size = PropertyList__GetUint64(list, "cache_block_size");
    machine->page_cache_mode_checker = PropertyList__FindEntry(list, "enable_page_cache_mode_checker")
                                           ? PropertyList__GetBoolean(list, "enable_page_cache_mode_checker")
                                           : 0;
    machine->cache_contained_checker = PropertyList__GetBoolean(list, "enable_cache_contained_checker");
    machine->cache_contained_checker_type =
        cc_getCacheTypeByName(PropertyList__GetString(list, "cache_contained_checker_type"));
}

void read_distributed_smp(GenericMachine *machine, PropertyList *list)
{
    machine->distributed_smp = PropertyList__GetBoolean(list, "enable_distributed_smp_support");
    if (!machine->distributed_smp) return;
    char key[256];

    uint64_t fbars = PropertyList__GetUint64(list, "fbar_regions");
    if (fbars > MAX_FBAR_REGIONS) {
        sim_error("%d FBAR regions configured, only %d are supported", (int)fbars, MAX_FBAR_REGIONS);
        fbars = MAX_FBAR_REGIONS;
    }
    machine->fbar_count = (uint32_t)fbars;
    for (uint32_t i = 0; i < fbars; i++) {
        FbarRegionDesc &fbar = machine->fbars[i];
        snprintf(key, sizeof key, "fbar/%u/start", i);
        fbar.start = get_plist_scaled_int(list, key, 1024);
        snprintf(key, sizeof key, "fbar/%u/size", i);
        uint64_t size = get_plist_scaled_int(list, key, 1024);
        snprintf(key, sizeof key, "fbar/%u/hole", i);
        fbar.hole_start = get_plist_scaled_int(list, key, 1024);
        fbar.end = fbar.start + size - 1;
        fbar.hole_end = fbar.hole_start + size - 1;
        snprintf(key, sizeof key, "fbar/%u/near_mcm", i);
        fbar.near_mcm = (uint32_t)PropertyList__GetUint64(list, key);
        snprintf(key, sizeof key, "fbar/%u/far_mcm", i);
        fbar.far_mcm = (uint32_t)PropertyList__GetUint64(list, key);
        fbar.instance = nullptr;
    }

    uint64_t mcms = PropertyList__GetUint64(list, "number_of_MCMs");
    if (mcms > MAX_DSMP_CHIPS) {
        sim_error("%d chips with distributed SMP support, only %d are supported", (int)mcms, MAX_DSMP_CHIPS);
        mcms = MAX_DSMP_CHIPS;
    }
    machine->num_memory_systems = 0;
    for (uint32_t n = 0; n < mcms; n++) {
        snprintf(key, sizeof key, "mcm/%u/dsmp_memory_system", n);
        uint64_t system = PropertyList__GetUint64(list, key);
        if (system >= MAX_MEMORY_SYSTEMS) {
            sim_error("memory system %d of chip %d is out of range, using %d", (int)system, (int)n,
                      MAX_MEMORY_SYSTEMS - 1);
            system = MAX_MEMORY_SYSTEMS - 1;
        }
        machine->memory_system_of_chip[n] = (uint32_t)system;
        if (system + 1 > machine->num_memory_systems) machine->num_memory_systems = (uint32_t)system + 1;
    }
    for (uint32_t j = 0; j < machine->num_memory_systems; j++) {
        snprintf(key, sizeof key, "dsmp_memory_system/%u/memory_start", j);
        machine->memory_systems[j].start = get_plist_scaled_int(list, key, 1024);
        snprintf(key, sizeof key, "dsmp_memory_system/%u/memory_size", j);
        machine->memory_systems[j].end =
            machine->memory_systems[j].start + get_plist_scaled_int(list, key, 1024) - 1;
    }
}

} // namespace

void Machine_Options_Init(int32_t *values, PropertyList *list)
{
    char key[256];
    for (const MachineOptionRow *row = MO_list; row->index != MO_COUNT; row++) {
        snprintf(key, sizeof key, "machine_option/%s", row->name);
        values[row->index] = PropertyList__GetBoolean(list, key);
    }
}

void Machine_Option_Add_Default_Values(PropertyList *list, const char *prefix)
{
    char section[256];
    if (prefix && *prefix)
        snprintf(section, sizeof section, "%s/machine_option", prefix);
    else
        snprintf(section, sizeof section, "machine_option");
    for (const MachineOptionRow *row = MO_list; row->index != MO_COUNT; row++)
        PropertyList__AddDefaultString(list, section, row->name, row->default_value ? "TRUE" : "FALSE",
                                       row->description);
}

const char *MachineType_2_Name(uint32_t id)
{
    for (int row = 1; row <= MACHINE_TYPE_SCAN_ROWS && Machine_Type_Name[row].name; row++)
        if ((uint32_t)Machine_Type_Name[row].id == id) return Machine_Type_Name[row].name;
    return "Not-Found";
}

uint32_t MachineName_2_Type(const char *name)
{
    if (!name) return 0;
    for (int row = 0; row < MACHINE_TYPE_SCAN_ROWS && Machine_Type_Name[row].name; row++)
        if (strcasecmp(Machine_Type_Name[row].name, name) == 0) return (uint32_t)Machine_Type_Name[row].id;
    return 0;
}

void GenericMachine_SimConfig_Init(GenericMachine *machine, PropertyList *list)
{
    if (!machine) return;
    Initialize_FreqSpec(&machine->base_freq);
    get_plist_frequency(list, "processor", 0, "cpu_frequency", &machine->base_freq);
    get_plist_frequency(list, nullptr, 0, "base_frequency", &machine->base_freq);
    machine->base_domain = TD_declare_time_domain("base", &machine->time_domains, &machine->base_freq);

    read_topology(machine, list);
    read_switches(machine, list);
    read_memory(machine, list);
    read_distributed_smp(machine, list);

    typedef void (*ConfigInitFunction)(void *data, GenericMachine *machine, PropertyList *list);
    for (Callback_Function *f = callBackFunctionLists[CALLBACK_CONFIG_INIT].head; f; f = f->next)
        if (f->function) reinterpret_cast<ConfigInitFunction>(f->function)(f->data, machine, list);

    // Fewer than one host thread (or a negative count) means the simulating thread alone.
    const int64_t host_threads = (int64_t)PropertyList__GetUint64(list, "pturbo_threads");
    machine->pturbo_workers = host_threads < 1 ? 0 : (int32_t)std::min<int64_t>(host_threads - 1, INT_MAX);
    machine->phantom_mmio = 0;
    machine->max_smt_quanta = INT_MAX;
    machine->periodic_stats_flags = 1;
    machine->pteg_ra_search_mask = ~0ull;
    SET_NUM_MCMS(machine, list);
}

void SET_NUM_MCMS(GenericMachine *machine, PropertyList *list)
{
    if (!machine) return;
    uint64_t n = PropertyList__GetUint64(list, "number_of_MCMs");
    if (n < machine->num_mcms) return;
    MCM **chips = QUARN_ZALLOC(n ? n : 1, MCM *);
    if (!chips) return;
    uint32_t old_count = machine->num_mcms;
    for (uint32_t i = 0; i < old_count; i++)
        chips[i] = machine->mcms[i];
    QUARN_FREE(machine->mcms);
    machine->mcms = chips;
    // The chips being made see the machine's new chip count (their names depend on it).
    machine->num_mcms = (uint32_t)n;
    for (uint32_t i = old_count; i < n; i++)
        chips[i] = MCM__Init(machine, (int32_t)i, list);
}

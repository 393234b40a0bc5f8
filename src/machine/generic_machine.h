// The simulated machine record (GenericMachine), the machine-wide globals, and the few machine
// facts that message headers need. Creation, modes and teardown fill in the rest of the record.
#pragma once

#include <cstdint>

#include "processor/memory_tags.h"
#include "processor/time_domain.h"

struct DeviceMgr;
struct MCM;
struct MemoryMap;
struct PropertyList;
struct SimCmdTable;
struct Tcl_Interp;
struct sim_memory;
struct tsim_s;

// Machine options: flags indexed by option number, read from "machine_option/<name>".
enum : int32_t {
    MO_STRICT = 0,
    MO_NO_ROM = 1,
    MO_NO_RAM = 2,
    MO_NO_PPCIC = 3,
    MO_NO_DEVICES = 4,
    MO_MEMORY_OVERFLOW = 5,
    MO_ASSOCIATIVE = 6,
    MO_CONSOLE_CR = 7,
    MO_DO_READ_BUSY = 8,
    MO_COUNT = 9,
};

// Simulation modes (the machine's `mode`).
enum : uint32_t {
    MODE_TURBO = 1,
    MODE_PTURBO = 2,
    MODE_LOOSE = 3,
    MODE_FAST = 4,
    MODE_SIMPLE = 5,
    MODE_WARMUP = 6,
    MODE_SIMPLE_WARMUP = 7,
    MODE_NAMELESS = 8,
    MODE_FULL = 9,
    MODE_CACHE_ONLY = 10,
    MODE_CYCLE = 11,
};

constexpr int MAX_MEMORY_REGIONS = 16;

// One configured memory region.
struct MemoryRegionDesc {
    uint64_t start;
    uint64_t end; // inclusive
    uint64_t size;
};

// The machine's statistics block; always cleared as a whole.
struct GenericMachineStats {
    uint64_t cycles;
    uint64_t l1i_misses;
    uint64_t l1i_hits;
    uint64_t l1d_misses;
    uint64_t l1d_hits;
    uint64_t l2_misses;
    uint64_t l2_hits;
    uint64_t io_started; // I/O operations started by chip-level units (stat_startIO)
};

struct GenericMachine {
    GenericMachine *next; // next machine of Quarn_Machine_List
    char *name;           // interned
    uint32_t machine_type;

    // Topology.
    uint32_t total_cores;
    uint32_t total_threads;
    uint32_t num_mcms; // number of chips (MCM records)

    // Memory layout.
    uint32_t memory_region_count;
    uint32_t memory_region_id_shift;
    uint32_t memory_region_id_mask;
    uint64_t memory_per_chip;
    uint64_t memory_address_mask; // addresses without the region-id bits
    uint64_t total_memory;
    int64_t memory_alloc_size; // chunk size "memory_alloc_size"; 0 when not configured
    MemoryRegionDesc memory_regions[MAX_MEMORY_REGIONS];
    uint64_t coherence_block_size;
    uint64_t cache_block_size;
    int32_t distributed_smp; // each chip has its own memory map

    int32_t phantom_mmio; // devices may mark accesses as phantom (see Read_Mapped_Memory_Reg)

    PropertyList *property_list; // the machine's own frozen copy
    DeviceMgr *device_manager;
    int32_t processor_major; // cached class numbers of "Processor" and "Thread"; -1 until looked up
    int32_t thread_major;

    sim_memory **region_instances; // one per configured memory region
    MemoryMap *memory_maps;        // the machine's maps, linked through their first field
    MCM **mcms;                    // num_mcms chips, chip 0 first

    // Time.
    FreqSpec base_freq;
    time_domain *base_domain;
    machine_time_domains time_domains;
    time_domain *cycle_domain; // the domain in which the machine's time is counted and printed

    SimCmdTable *command_table; // the machine's top command table

    int32_t machine_options[MO_COUNT];
    int32_t on_demand_tag_arrays; // tag regions are created when first needed

    // Memory tags.
    tag_region *tag_regions; // search tree by start
    MemoryTagReadFunction tag_read;
    MemoryTagWriteFunction tag_write;
    MemoryTagResolveFunction tag_resolve;
    void *tag_data;

    tsim_s *tsim; // the machine's event-kernel instance

    uint32_t mode;         // MODE_*
    uint32_t pending_mode; // 0 when no switch is pending

    GenericMachineStats stats;
};

// The machine made current by the last creation; null while no machine exists.
extern GenericMachine *currentMachine;
// All machines, newest first.
extern GenericMachine *Quarn_Machine_List;
// Standalone programs are run (no firmware, no RAM window, no NVRAM).
extern int standalone_mode;
// Memory regions keep no data: every region is one 4 KB chunk and only regions are mapped.
extern int memoryDataless;

// STAND-IN: instructions executed by the machine's threads; 0 until threads count instructions.
uint64_t GenericMachine__InstructionCount(GenericMachine *machine);
// STAND-IN: number of devices of class "Processor" in the machine's device manager; 0 until
// machine creation adds processors.
int32_t GenericMachine__ProcessorCount(GenericMachine *machine);

// Builds a machine from the configuration copy (made immutable) or gives null; a second machine
// while one is current is a fatal internal error.
GenericMachine *GenericMachine_Create(const char *name, PropertyList *list);
// Stops the simulation ("user (tcl)"), deletes the machine's configuration copy and tears the
// machine down with its Tcl command and top command table.
void Machine_Quit(GenericMachine *machine);
void GenericMachine_Quit(GenericMachine *machine);
// The machine of that name (case-sensitive), or null.
GenericMachine *Find_Machine_By_Name(const char *name);
// The machine names, newest first, separated by blanks and ended by "\n", into the command result;
// nothing at all without machines.
void List_All_Machines(Tcl_Interp *interpreter);

// The simulated machine (GenericMachine): the record, the global machine list, the active
// processor and thread counts, and the small machine services other subsystems call (processors
// and threads by number, chip lookup, consoles, statistics, clock frequency). A machine's creation
// and teardown are machine/machine_lifecycle.h.
#pragma once

#include <cstdint>

#include "processor/time/time_domain.h"
#include "runtime/hooks/print_header_hooks.h" // currentMachine, the instruction and processor counts

struct BogusNet;
struct BogusSocketDevice;
struct ChipTopConfig;
struct ConsoleDevice;
struct CoreTopConfig;
struct DeviceMgr;
struct MCM;
struct MemoryMap;
struct OF_DeviceTree;
struct ProcessTree;
struct PropertyList;
struct RTC;
struct SimCmdTable;
struct Tcl_Interp;
struct ThreadState;
struct TriggerTable;
struct counter_s;
struct halvo_nvram;
struct htm_data;
struct job_s;
struct later_call_s;
struct later_s;
struct of_unclaimed_region;
struct sim_memory;
struct tag_region;
struct tsim_s;

// The machine's memory-tag functions (memory/memory_tags.h).
// (thread, address, data) → 0 or 1.
typedef int (*MemoryTagReadFunction)(ThreadState *thread, uint64_t address, void *data);
// (thread, address, tag, data).
typedef void (*MemoryTagWriteFunction)(ThreadState *thread, uint64_t address, int tag, void *data);
// (thread, address, data) → the tag bits of the address's 4 KB page, or null.
typedef uint8_t *(*MemoryTagResolveFunction)(ThreadState *thread, uint64_t address, void *data);

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
// Chips of the per-chip memory-system table, memory systems and FBAR regions.
constexpr int MAX_DSMP_CHIPS = 16;
constexpr int MAX_MEMORY_SYSTEMS = 16;
constexpr int MAX_FBAR_REGIONS = 16;

// The NVRAM image of a machine: "halvo_nvram.<pid>.bin", 0x1e000 bytes.
constexpr uint64_t MACHINE_NVRAM_SIZE = 0x1e000;

// One configured memory region.
struct MemoryRegionDesc {
    uint64_t start;
    uint64_t end; // inclusive
    uint64_t size;
};

// One memory system of distributed SMP support.
struct MemorySystemDesc {
    uint64_t start;
    uint64_t end; // inclusive
};

// One FBAR region: a window onto a far chip's memory with a hole in the near memory system.
struct FbarRegionDesc {
    uint64_t start;
    uint64_t end; // inclusive
    uint64_t hole_start;
    uint64_t hole_end; // inclusive
    uint32_t near_mcm;
    uint32_t far_mcm;
    sim_memory *instance;
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
    uint32_t num_nodes;
    uint32_t num_chip_configs; // "chips"
    ChipTopConfig *chip_configs;
    uint32_t total_cores;
    uint32_t total_threads;
    CoreTopConfig *core_configs; // one per core
    uint32_t num_mcms;           // number of chips (MCM records)

    // Run-time settings copied from the configuration.
    uint64_t chunky_instructions_default;
    uint64_t turbo_xlimit;
    uint64_t turbo_minimum;
    uint64_t turbo_maximum;
    uint64_t turbo_noop_delay;
    uint64_t turbo_mftb_xtra;
    int32_t turbo_debug;
    // The lane mode of the VMX floating-point instructions: 1 two double-precision lanes, 2 four
    // (with the threads' upper lane slots), any other value the four single-precision lanes.
    int32_t vmx_fake_mode;
    int32_t turbo_dynamic_debug;
    int32_t turbo_standalone;
    int32_t turbo_fmadd;
    int32_t turbo_mftb;
    int32_t turbo_nop;
    int32_t turbo_delay_on_priority_low;
    int32_t enable_scalability_analysis;
    uint64_t htm_max_tbegin_nesting;
    uint64_t htm_cache_lines_log2;
    uint64_t htm_cache_set_size_log2;
    int32_t htm_os_supports_tm;
    int32_t htm_texasr_extra_info;
    double htm_inject_transaction_fail_rate;
    uint64_t htm_cache_store_lines_log2;
    int32_t enable_breakpoint_instruction;
    int32_t enable_sim_support;
    int32_t enable_rtas_support;
    int32_t nvram_enabled;
    int32_t emulate_fp;
    int32_t pturbo_workers; // "pturbo_threads" - 1

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
    int32_t page_cache_mode_checker;
    int32_t cache_contained_checker;
    int32_t cache_contained_checker_type;

    // Distributed SMP: each chip (or memory system) has its own memory map.
    int32_t distributed_smp;
    uint32_t memory_system_of_chip[MAX_DSMP_CHIPS];
    uint32_t num_memory_systems;
    MemorySystemDesc memory_systems[MAX_MEMORY_SYSTEMS];
    uint32_t fbar_count;
    FbarRegionDesc fbars[MAX_FBAR_REGIONS];

    int32_t phantom_mmio;   // devices may mark accesses as phantom (see Read_Mapped_Memory_Reg)
    int32_t max_smt_quanta; // INT_MAX at creation; at least 1
    float cpi;              // cycles per instruction

    PropertyList *property_list; // the machine's own frozen copy
    DeviceMgr *device_manager;
    int32_t processor_major; // cached class numbers of "Processor" and "Thread"; -1 until looked up
    int32_t thread_major;

    sim_memory **region_instances; // one per configured memory region
    MemoryMap *memory_maps;        // the machine's maps, linked through their first field
    MCM **mcms;                    // num_mcms chips, chip 0 first

    // Consoles.
    ConsoleDevice *default_console;
    ConsoleDevice *consoles; // head of the console list

    ProcessTree *process_tree;           // the guest process tree
    uint64_t loader_high_memory;    // the loader's high-memory mark: the standalone program's break
    uint64_t program_break;         // the break as the program's brk last set it; 0: the mark stands for it
    uint64_t mapping_floor;         // the lowest anonymous mapping above the program's break; 0 when none
    uint64_t loader_lowest_address; // lowest address an ELF load wrote
    uint64_t stack_top;             // the loaded program's stack top; all ones until a program is loaded

    // Time.
    FreqSpec base_freq;
    time_domain *base_domain;
    machine_time_domains time_domains;
    time_domain *cycle_domain; // the domain in which the machine's time is counted and printed
    time_domain *step_domain;  // the domain of "cycle" and "to_cycle"; the base domain when null

    // The linked Tcl variable "%s.Cycles" and its text.
    char cycles_variable[101];
    char *cycles_text; // 50 bytes from the Tcl allocator

    SimCmdTable *command_table; // the machine's top command table

    int32_t machine_options[MO_COUNT];
    int32_t on_demand_tag_arrays; // tag regions are created when first needed

    // Memory tags.
    tag_region *tag_regions; // search tree by start
    MemoryTagReadFunction tag_read;
    MemoryTagWriteFunction tag_write;
    MemoryTagResolveFunction tag_resolve;
    void *tag_data;

    // Event kernel.
    tsim_s *tsim;                   // the machine's event-kernel instance
    later_s *generic_event;         // "generic event" delayed calls
    later_call_s *stop_after_ticks; // the armed stop-after-ticks call, or none

    // Activity.
    volatile int32_t activity;
    volatile int32_t active_processors; // changed atomically
    volatile int32_t active_threads;    // changed atomically
    int64_t last_activity_time;         // wall-clock seconds
    job_s *activity_monitor;

    // Mode.
    uint32_t mode;         // MODE_*
    uint32_t pending_mode; // 0 when no switch is pending
    int32_t bit_accurate;
    int32_t we_bit_ignored; // "WE bit has no effect": power saving leaves run states alone
    counter_s *switch_mode_status;
    counter_s *switch_mode_done;
    counter_s *functional_mode;
    counter_s *cycle_mode;

    // Run control.
    uint64_t instruction_count;  // instructions completed by all threads
    uint64_t instruction_limit;  // absolute; 0 when none
    uint64_t cycle_limit;        // absolute base cycles; 0 when none
    uint64_t heartbeat_interval; // cycles
    int64_t heartbeat_start_sec; // wall clock of the current run's start
    int64_t heartbeat_start_usec;
    // Periodic statistics: print flags, the "KIPS format" (1 at creation; 0x2: the rate line shows
    // the machine's instruction count),
    // print-header flags (0x1 simulated time, 0x4 wall-clock time), the I/O count at the last
    // rate line.
    uint32_t periodic_stats_flags;
    uint32_t print_header_flags;
    uint64_t rate_io_previous;

    GenericMachineStats stats;
    int32_t memory_trace;
    TriggerTable *trigger_table;
    halvo_nvram *nvram;

    // Real-time clock.
    int64_t rtc_base;    // seconds since 1970
    int32_t rtc_speedup; // clock speed-up divisor
    RTC *rtc;

    // Transactional memory.
    int32_t threads_in_transaction;
    htm_data *htm;

    int32_t exerciser_trace_mode; // non-zero: every executed instruction prints its exerciser line
    // Settings of the machine's "set" table: the running-hypervisor flag (off at creation) and the
    // real-address mask of the page-table-group search (all ones at creation).
    int32_t running_hypervisor;
    uint64_t pteg_ra_search_mask;

    // Guest services: the Open Firmware device tree (made on first use), the memory ranges still
    // available to the firmware's "claim", and the file the hex-dump call appends to (none: the
    // dump is printed).
    OF_DeviceTree *device_tree;
    of_unclaimed_region *of_available_regions;
    char *hexdump_file_name;
    // The paravirtual network devices (newest first) with their polling job, and the socket
    // devices with their job slot.
    BogusNet *bogus_net_list;
    job_s *bogus_net_job;
    BogusSocketDevice *bogus_socket_list;
    job_s *bogus_socket_job;
};

// Chip and core topology as read from the configuration.
struct ChipTopConfig {
    uint32_t num_cores;
    uint32_t num_threads;
    int32_t node;
    CoreTopConfig *first_core;
};

struct CoreTopConfig {
    int32_t num_threads;
    FreqSpec freq;
    time_domain *domain;
};

// All machines, newest first.
extern GenericMachine *Quarn_Machine_List;
// Standalone programs are run (no firmware, no RAM window, no NVRAM).
extern int standalone_mode;
// Memory regions keep no data: every region is one 4 KB chunk and only regions are mapped.
extern int memoryDataless;

// Number of devices of class "Thread" in the machine's device manager.
int32_t GenericMachine__ThreadCount(GenericMachine *machine);
// The processor or thread of that device number, or null.
struct ProcessorState;
ProcessorState *GenericMachine__Processor(GenericMachine *machine, int32_t number);
ThreadState *GenericMachine__Thread(GenericMachine *machine, int32_t number);

// The chip of that number; "bad mcm number: %d" and null when there is none.
MCM *GenericMachine__GetMCM(GenericMachine *machine, int32_t number);
// The head of the machine's console list (Set_Console, which appends one, is with the consoles).
ConsoleDevice *Get_Console(GenericMachine *machine);
// Both give the machine's one kernel instance.
tsim_s *MACHINE_GET_TSIM_BY_THREAD(GenericMachine *machine, ThreadState *thread);
tsim_s *MACHINE_GET_TSIM_BY_PROCESSOR(GenericMachine *machine, ProcessorState *processor);
// Sets the asynchronous flag of every machine's kernel (from a signal handler).
void GenericMachine_Schedule_All_Asynchronous_Jobs(void);
// Active counts; the decrements never go below 0.
void GenericMachine__ProcessorGoingActive(GenericMachine *machine);
void GenericMachine__ProcessorGoingInactive(GenericMachine *machine);
void GenericMachine__ThreadGoingActive(GenericMachine *machine, ThreadState *thread);
void GenericMachine__ThreadGoingInactive(GenericMachine *machine, ThreadState *thread);
void GenericMachine_MemTraceEnable(GenericMachine *machine);
void GenericMachine_MemTraceDisable(GenericMachine *machine);
void setemulateFPConfig(GenericMachine *machine, int32_t value);
void setbitaccuratemode(GenericMachine *machine, int32_t value);
void GenericMachine_StatInit(GenericMachine *machine);
void GenericMachine_StatClear(GenericMachine *machine);
void GenericMachine_StatDump(GenericMachine *machine);
// Changes the base frequency keeping the real-time clock continuous.
void Machine__ResetClockFreqHZ(GenericMachine *machine, uint64_t hz);
// The machine's current time in base cycles (rounded up; 0 at tick 0); "tsim in machine is
// NULL!!!!" and 0 without a kernel.
uint64_t GenericMachine__BaseCycles(GenericMachine *machine);

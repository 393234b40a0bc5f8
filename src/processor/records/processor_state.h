// The processor (core) record: identity and links, options, decoder, register descriptions and
// file, run state, clocks, threads, partition views, masks, the SPR table, the core's register
// slots with the time-base and decrementer state, ERATs and TLB. Partition views of a split core
// are records of the same type that share the core's threads.
#pragma once

#include <cstdint>

#include "decode/decoder.h"
#include "kernel/tsim.h"
#include "processor/config/processor_options.h"
#include "processor/regs/register_file.h"
#include "processor/regs/register_list.h"
#include "processor/regs/register_slot.h"
#include "processor/time/time_domain.h"

struct ERAT_Struct;
struct GenericMachine;
struct InstrInfo;
struct MBUS;
struct MCM;
struct SimCmdTable;
struct TLB;
struct ThreadState;
struct chip_version_info;
struct ex_scom_registers_s;
struct ex_spr_reg;
struct spr_table_entry;

// Processor run states (x_cpuState; threads also use CPU_WAIT).
enum : uint32_t {
    CPU_NOT_BOOTED = 0,
    CPU_CHECKSTOP = 1,
    CPU_STALLED = 2,
    CPU_RUNNING = 3,
    CPU_WAIT = 4,
};

constexpr int PARTITION_VIEW_COUNT = 4;

struct ProcessorState {
    // Identity.
    uint32_t object_id;      // object-registry id (kind 4)
    char *name;              // "%d:%d" (chip number, index within the chip)
    GenericMachine *machine; // owning machine
    MCM *mcm;                // owning chip
    MBUS *mbus;              // the chip's memory bus
    char *type_name;         // the value of "processor/type"
    uint32_t core_id;        // number in the machine's "Processor" device class
    int32_t chip_position;   // index of the processor group that holds this processor
    uint32_t processor_type; // type id of type_name (0 when unknown)
    chip_version_info *chip_version;
    uint32_t number_in_chip; // index within the chip (register-trigger texts)

    // Options: one word per processor option, indexed as PO_list.
    uint32_t options[PO_COUNT];

    // Decode.
    SimCmdTable *command_table;   // the per-type "ppc" command table
    DecodeInstrFn decoder;        // chosen by the processor type
    InstrInfo *instruction_table; // chosen by "private_ii_table"

    // Registers.
    reg_desc_table register_descriptions;
    Register_File *register_file; // processor-scope file

    // Run.
    uint32_t x_cpuState;
    uint32_t cpu_substate;

    // Clocks.
    FreqSpec *core_freq;          // the frequency of the processor's clock domain
    time_domain *core_domain;     // the processor's clock domain
    FreqSpec timebase_freq;       // "timebase_frequency"
    time_domain *timebase_domain; // "timebase" or "timebase-%d"

    // Threads.
    uint32_t num_threads;
    ThreadState *threads; // index = thread_id_in_core
    int32_t reserved_word;

    // Partitions: [0] the core itself (for a view: its core), [1]..[3] the views of a split core.
    ProcessorState *partition_views[PARTITION_VIEW_COUNT];
    int32_t partition_count; // 1, or 2 or 4 while split; 0 in a view
    int32_t is_copy;         // 1 while a partition view is being built

    // Masks.
    uint64_t mmcr0_interrupt_enabled_mask;
    uint64_t sim_msr_bit;
    uint64_t msr_mask;
    uint64_t real_mode_mask;
    uint64_t vsid_mask;
    uint32_t slbe_b_mask;
    uint64_t pcr_mask;
    uint64_t srr1_mask;
    uint64_t hsrr1_mask;
    uint64_t sr_vsid_mask; // VSID bits of a segment-register image taken from VSID-word bits 7 up

    // SPR table.
    spr_table_entry *spr_table;
    int32_t spr_count;
    uint32_t pir_spr_number;

    // Extended-SPR table: rows by number, grown as rows are registered.
    ex_spr_reg *ex_spr_table;
    int32_t ex_spr_capacity;
    int32_t ex_spr_count;

    uint64_t slbe_esid_mask;
    uint64_t slbe_vsid_mask;
    int32_t fp_estimate_precision;
    uint32_t storage_keys;
    int32_t machine_word;

    // Register slots, then the processor-wide TFMR bits and the core's own CTRL.
#define QUARN_CORE_SLOT(member, file_name, width, owner, family) Reg##width member;
    QUARN_CORE_REGISTERS(QUARN_CORE_SLOT)
#undef QUARN_CORE_SLOT
    uint64_t tfmr_per_processor; // TFMR bits 63..7 of every thread
    Reg32 CTRL;
    uint32_t smt_mode;
    int32_t check_imc; // instruction-match checking armed
    float cpi;          // cycles per instruction; 0: each row's throughput
    float cpi_fraction; // the fraction carried from one instruction to the next

    // Time-base and hypervisor-decrementer state.
    uint64_t tb_value;      // the time base as of tb_last_cycle
    uint64_t tb_last_cycle; // time-base-domain cycle at which tb_value was true
    int32_t tb_frozen;
    uint64_t tb_at_last_purr; // time base at the last PURR update
    int32_t hdec_value;
    uint64_t hdec_last_cycle;
    job_s *hdec_job;
    uint32_t hypervisor_read_restricted;

    // Performance monitor: the MMCR0 bits that enable counter-overflow alerts (0: MMCR0[PMAE]).
    uint64_t pmc_alert_mask;

    // ERATs and TLB.
    uint32_t ierat_count;
    uint32_t derat_count;
    int32_t ierat_entries;
    int32_t derat_entries;
    int32_t ierat_depth;
    int32_t derat_depth;
    int64_t ierat_large_page;
    int64_t derat_large_page;
    int64_t ierat_base_page;
    int64_t derat_base_page;
    ERAT_Struct *derats;
    ERAT_Struct *ierats;
    int64_t ierat_msr_mask;
    int64_t derat_msr_mask;
    TLB *tlb;

    // Kernel.
    counter_s ppu_counter; // "ppu counter"

    // Set by the machine and the timing models after Processor_Init.
    void *cycle_core;
    void *cache_container;
    void *page_cacheable_check;
    ex_scom_registers_s *ex_scom_regs; // the core's EX SCOM block
    uint64_t ha_write_offset;          // HA dirty table: the next entry's offset in the current segment
    uint64_t ha_phase;                 // HA dirty table: ORed into every entry (0x10 toggles on wrap)
    void *addon_word;
};

// The processor's instruction table (its `instruction_table`); null without a processor.
InstrInfo *ProcessorState__InstructionTable(ProcessorState *processor);

// The hardware-thread record: identity and links, its job and wake counter, the translator's
// per-thread state, run and assist state, counts, its register file and register slots (GPRs,
// the named registers, VSRs, branch-history entries), SMT state, SLB, decrementer, pending
// interrupts, locks, loops and transactional-memory state; and the small per-thread companion
// records: SLB entries, the decrementer record, the interrupt queue.
#pragma once

#include <cstdint>

#include "kernel/tsim.h"
#include "processor/hooks/pturbo_locks.h"
#include "processor/regs/register_list.h"
#include "processor/regs/register_slot.h"
#include "processor/records/turbo_state.h"

struct CThreadState;
struct ExternalDecoder_t;
struct GenericMachine;
struct IOPDesc;
struct MCM;
struct MemoryClient;
struct PMCInfo;
struct PowerPCException;
struct ProcessorState;
struct ThreadState;
struct Register_File;
struct SimCmdTable;
struct Xlate_Debug;
struct emat_s;
struct htm_user_state;
struct trackpid_s;
struct loop_s;

// GPR slots: 32 architected registers, then the scratch registers of the micro-coded forms.
constexpr int NUM_GPRS = 32;
constexpr int NUM_GPR_SLOTS = 36;
constexpr int NUM_VSRS = 64;
constexpr int NUM_BHRB_ENTRIES = 32;
constexpr int NUM_EMATS = 8;
constexpr int MAX_HELD_LOCKS = 4;
constexpr int NUM_PERSISTENT_EXCEPTIONS = 5;

// Byte orders of a thread (its byte_order field).
enum : int32_t { THREAD_LITTLE_ENDIAN = 0, THREAD_BIG_ENDIAN = 1, THREAD_ENDIAN_FROM_MSR = 2 };

// Translation-debug record: the narration of up to three translations of one instruction (its
// fetch and up to two data pages), each a text with the header values of its translation.
constexpr int XLATE_DEBUG_TEXTS = 3;
constexpr int XLATE_DEBUG_TEXT_SIZE = 10000; // characters of a text, its terminator included
struct Xlate_Debug_Text {
    int64_t ea;         // effective address, -1 while not started
    int32_t page_shift; // -1 while not started
    int32_t mode;       // translation mode (message type), 8 while unset
    int32_t reserved;   // 0
    int32_t failed;     // the translation failed
    char text[XLATE_DEBUG_TEXT_SIZE];
};
struct Xlate_Debug {
    int32_t current;  // the text being written; above 2 the record is full
    int32_t flush;    // 0 recording, above 0 dropping (nested), below 0 off
    int32_t paused;   // a nested translation is being narrated into the current text
    int64_t saved_ea; // the current text's header values while paused
    int32_t saved_page_shift;
    int32_t saved_mode;
    Xlate_Debug_Text texts[XLATE_DEBUG_TEXTS];
};

// One SLB entry.
struct SLB {
    ThreadState *thread;
    Reg64 SLBE;         // ESID word ("SLBE%d")
    Reg64 SLBV;         // VSID word ("SLBV%d")
    uint64_t esid_base; // ESID word with its low 28 bits cleared
    uint8_t valid;      // bit 27 of the ESID word
    uint8_t segment_size;
    uint64_t vsid;
    uint8_t ks, kp, n, l, c;
    uint8_t bit57;
    uint8_t lp;
    uint8_t noa[2];
};

// The thread's decrementer: its value as of last_cycle.
struct DECREMENTER {
    int32_t value;
    uint64_t last_cycle; // time-base-domain cycle of the thread's core
    int32_t frozen;
};

// The queue of pending interrupts, lowest priority value first.
struct InterruptQueue {
    const char *name; // "active interrupt queue"
    MCM *mcm;
    PowerPCException *head;
};

struct ThreadState {
    // Identity.
    uint32_t object_id;               // object-registry id (kind 5)
    ProcessorState *processor;        // owning processor (the core)
    MCM *mcm;                         // the processor's chip
    GenericMachine *machine;          // the processor's machine
    int32_t thread_id_in_core;        // index in the processor's thread array
    int32_t device_number;            // number in the machine's "Thread" device class
    char *name;                       // the processor's name, or "%s:%d" with the thread number
    ProcessorState *shared_processor; // the partition core: holds the thread's partition registers
                                      // (the core, or the view of its sub-core while split)

    // Kernel.
    job_s *job;
    counter_s wake_counter;

    // Translator.
    turbo_s turbo;
    SimCmdTable *command_table;

    // Run.
    uint32_t wake_me_up_if_my_priority_changes;
    uint32_t x_threadState;
    uint32_t manual_disable;
    int32_t stall_reason;
    int32_t power_mode;
    int32_t thread_id_in_partition; // number within its sub-core
    int32_t partition_index;        // its sub-core's number while the core is split, else 0
    int32_t rtas_stopped;           // 1 at set-up and after the RTAS stop-self call
    // Guest services: the guest process the thread runs (as the guest last reported it) and the
    // tag stack it used last.
    int64_t current_pid;
    int32_t current_tag_stack;
    uint64_t restart_address; // where a start resumes (read by the cycle-level core's fetch)
    int32_t ha_flush_pending; // flush request of the core's HA command register

    // Assist threads.
    uint32_t is_assist_thread;
    int32_t assist_thread_running; // the thread has started assist threads that still run
    ThreadState *assist_parent;
    ThreadState *next_assist;

    // Counts.
    uint64_t Instruction_Number;
    uint64_t stop_after_instructions; // absolute count that ends a run; 0 or all ones when none
    uint64_t inst_xlate_version;
    IOPDesc *current_iop;
    Xlate_Debug *xlate_debug;
    MemoryClient *memory_client; // the thread as a memory agent of its chip
    CThreadState *cthread;       // the cycle-level core's per-thread state
    // Program loaders: the thread's byte order (THREAD_BIG_ENDIAN, THREAD_LITTLE_ENDIAN or
    // THREAD_ENDIAN_FROM_MSR), the host-call hook that the interpreter offers a word without a
    // semantic routine (non-zero: the word was served), and the loader's state record.
    int32_t byte_order;
    int (*host_call_hook)(ThreadState *thread, uint32_t word);
    void *loader_state;

    // Registers.
    Register_File *register_file;
    uint64_t pc_initial;
    Reg64 GPR[NUM_GPR_SLOTS];
#define QUARN_THREAD_SLOT(member, file_name, width, owner, family) Reg##width member;
    QUARN_THREAD_REGISTERS(QUARN_THREAD_SLOT)
#undef QUARN_THREAD_SLOT
    uint64_t next_pc; // unmasked next-instruction address, set beside PC
    int32_t fpr_words[NUM_GPRS];
    Reg128 VSR[NUM_VSRS];
    // The upper lane slots of the four-lane double-precision VMX mode: lanes 2 and 3 of VR n are
    // vmx_upper_lanes[n][0] and [1] (doublewords 0 and 1). Not registers; zero at creation.
    uint64_t vmx_upper_lanes[32][2];
    Reg64 BHRBE[NUM_BHRB_ENTRIES];

    // SMT.
    uint32_t x_smt_enable;
    uint8_t x_smt_priority;
    uint8_t x_smt_internal_priority;
    int32_t x_smt_run_latch;
    uint64_t smt_delay_factor; // extra delay per cycle

    // Chunk mode: the delays of a chunk of instructions accumulate and are spent at its end.
    int32_t chunk_mode;
    uint64_t chunk_delay;     // accumulated ticks
    uint64_t chunk_delay_cap; // most ticks spent at once

    // External instruction decoders (newest first).
    ExternalDecoder_t *decoders;

    // Derived from the MSR by every MSR write.
    uint8_t address_width; // 64 or 32 (MSR[SF])
    uint8_t data_relocate; // MSR[DR]
    uint8_t problem_state; // MSR[PR]

    // SLB and decrementer.
    SLB *slb;
    int32_t slb_entries;
    DECREMENTER *decrementer;
    uint32_t pending_decrementer_exception;
    InterruptQueue interrupt_queue;
    // Level-style exceptions kept queued while their line is raised; slot 0 the external line.
    PowerPCException *persistent_exceptions[NUM_PERSISTENT_EXCEPTIONS];

    // Locks.
    pturbo_lock_s raise_lock; // "Raise Exception": guards interrupt_queue under PTURBO
    uint32_t pending_HDEC;
    uint32_t wake_send_pending;
    // Guest locks held: physical addresses of successful store-conditionals, released by a
    // plain store to the same address.
    uint16_t held_lock_count;
    uint64_t held_locks[MAX_HELD_LOCKS];
    // The tracking record of the guest process the thread runs (set by trackpid_resume).
    trackpid_s *trackpid;
    // The guest process and thread the thread runs, as the guest's OS reports them (osinfo set).
    uint64_t os_pid;
    uint64_t os_tid;

    // Loops and timers.
    loop_s *heartbeat_loop;
    uint64_t stats_interval;
    loop_s *stats_loop;
    // Progress statistics: the rate line's previous instruction count, core cycle and tick; the
    // scalability baseline; the periodic sample's last time (microseconds, 0 before the first),
    // start count, simulation id and start cycle.
    uint64_t rate_prev_instructions;
    uint64_t rate_prev_cycle;
    uint64_t rate_prev_tick;
    uint64_t concurrency_baseline;
    uint64_t sample_last_usec;
    uint64_t sample_start_instructions;
    int64_t sample_simulation_id;
    uint64_t sample_start_cycle;
    job_s *dec_job;
    emat_s *emat[NUM_EMATS];
    // What the next slow-path translation installs in the current address map after translated code
    // left for want of a mapping: 0 nothing, 1 a read, 2 a write, 3 a fetch.
    int32_t emat_fill_request;
    uint64_t tfmr_per_thread; // TFMR bits 6..0
    uint64_t instructions_at_last_purr;
    PMCInfo *pmc_info;

    // Exceptions: the thread's free list of exception records.
    PowerPCException *exception_pool;

    // Execution engine: the PC-trigger mark (all ones: none), the value of the latest physical
    // write, the HA dirty-table entry being written (0 outside that write; the walk request is
    // ha_flush_pending).
    uint64_t pc_trigger_mark;
    uint64_t last_store_value;
    uint64_t ha_table_address;
    int32_t interrupt_check_pending; // the chunk loop checks for interrupts before the next step

    // Transactional memory: a failure recorded for the transaction (pending flag, stage: -1
    // recorded by the instruction just run, -2 one instruction later; reason code).
    int32_t htm_failure_pending;
    int32_t htm_failure_stage;
    uint64_t htm_failure_reason;
    htm_user_state *htm;
    int32_t htm_reservation_in_T; // the reservation was taken in transactional state
    uint32_t htm_tid;             // the current transaction id (printed "HTMTID_%08X")
    int32_t htm_priority;         // priority bit of the last tbegin. (conflict resolution)
    int32_t htm_thread_index;     // index in the machine's footprint table
    int32_t texasr_upper;         // TEXASR was forced with a value beyond 32 bits
    uint64_t htm_words[2];
};

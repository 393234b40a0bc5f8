// The translator's per-thread state (ThreadState::turbo): exit reason and resume PC, budget and
// counts, cycle stamps, the translation routines and address-map tables that translated code uses,
// saved host control words and stack pointer, the byte-order latch, the parallel-mode and trace
// fields, and the working fields that translated code addresses as [rbx + disp32]: the CR as 32 flag
// bytes, the XER copy with its eight flag bytes, the floating-point tables, constants and the pending
// result-class record. Depends on nothing but the standard library.
#pragma once

#include <cstdint>

struct IOPDesc;
struct prof_entry;
struct ptask_s;
struct pturbo_lock_s;

// Host floating-point control words by FPSCR rounding mode (nearest, toward zero, toward
// +infinity, toward -infinity): SSE (MXCSR) and x87.
constexpr uint32_t TURBO_SSE_CONTROL_WORDS[4] = {0x1F80, 0x7F80, 0x5F80, 0x3F80};
constexpr uint32_t TURBO_X87_CONTROL_WORDS[4] = {0x37F, 0xF7F, 0xB7F, 0x77F};

// Instruction-mix tables of a thread: counters per operation kind (0 to 593 and one spare).
constexpr int NUM_INSTRUCTION_MIX_COUNTERS = 595;

// The XER flag bytes: byte k holds XER bit (31 - k) counted from the least significant bit.
enum : int { XER_FLAG_SO = 0, XER_FLAG_OV = 1, XER_FLAG_CA = 2, XER_FLAG_COUNT = 8 };

// turbo.big_endian: the byte order fixed at the thread's first translated run.
enum : int32_t { TURBO_LITTLE_ENDIAN = 0, TURBO_BIG_ENDIAN = 1, TURBO_ENDIAN_NOT_FIXED = 2 };

struct turbo_s {
    uint32_t pturbo_budget;     // budget of a PTURBO continuation after the exit stub's call-out
    int32_t in_pturbo;          // run by a PTURBO worker
    int32_t active;             // from just before entry until turbo_go returns
    uint32_t pturbo_togo;       // instructions left, stored by the exit stub's PTURBO path
    uint64_t pc;                // where execution resumes after an exit
    int32_t smt_priority;       // SMT priority as last applied
    int32_t low_priority_count; // countdown of repeated priority-2 requests
    uint64_t tb_at_entry[2];    // time base at entry ("turbo/mftb"); word 1: PTURBO supplied value
    int32_t dec_at_entry;       // DEC at entry

    // Trace records written by translated code.
    uint64_t *trace_cursor;  // where the next record goes
    prof_entry *trace_entry; // profile entry of the pending instruction, or null
    uint64_t trace_address;  // address of the pending instruction; 1: none
    uint64_t trace_word;     // its word, with the branch bit 32

    IOPDesc *last_debug_iop; // last instruction reported by instruction debugging
    int32_t debug_reason;
    int32_t debug_togo;
    uint64_t current_pc;  // address counted by translated code (instruction mix, profile); all ones: none
    uint64_t *imix_table; // the instruction-mix table for the MSR state
    int32_t instruction_debug;
    uint64_t support_code; // guest GPR3 at a "bogus" exit; 126: halt

    // Effective address to address-map key: key = (EA & mask) | base.
    uint64_t fetch_mask;
    uint64_t fetch_base;
    uint64_t data_mask;
    uint64_t data_base;

    int32_t mftb_rt;  // target GPR of an mftb left to turbo_go
    int32_t mftb_spr; // 268 or 269

    // Generated translation routines for the thread's current modes; the reader holds the host
    // address of guest physical 0 when "turbo/standalone" is on.
    void *writer;
    void *reader;
    void *fetcher;
    // Address-map tables as translated code walks them.
    void *fetch_emat;
    void *data_emat;
    int32_t simple_stores; // stores may use the simple writer routine

    uint32_t host_mxcsr; // host controls saved at entry, restored at exit
    uint16_t host_fpucw;
    uint32_t fp_control_zero; // 0: the word before the tables
    uint32_t mxcsr_by_rn[4];  // TURBO_SSE_CONTROL_WORDS
    uint32_t fpucw_by_rn[4];  // TURBO_X87_CONTROL_WORDS
    uint64_t zero;            // always 0: the memory operand that yields 0

    int32_t reason;          // turbo_exit of the last exit
    uint64_t xflush_address; // page whose translation went stale ("xflush")
    int32_t unknown_kind;    // operation kind of an "unknown" exit; -1 before entry
    int32_t unknown_detail;  // the SPR number for mfspr and mtspr
    int32_t unknown_code;    // the sim-support code (parallel mode)
    uint32_t togo;           // budget of the pass; after an exit the instructions left
    uint64_t not_reported;   // instructions of the last pass whose time is being charged
    uint64_t executed;       // instructions executed (or charged) by the current turbo_go
    uint64_t start_cycle;    // cycle at which the pass began
    uint64_t delay_to_cycle; // start_cycle plus the cycles charged for the pass
    uint64_t calls;          // turbo_go calls
    uint64_t fetch_exits;    // returns for want of a translation
    uint64_t no_emat_exits;  // returns for want of an address map
    uint64_t instructions;   // instructions executed in translated code
    int32_t in_callout;      // translated code is inside a call-out
    uint64_t host_sp;        // host stack pointer saved by the frame prologue
    int32_t big_endian;      // TURBO_BIG_ENDIAN, TURBO_LITTLE_ENDIAN, TURBO_ENDIAN_NOT_FIXED

    // Parallel mode.
    ptask_s *ptask;                        // the thread's task while pturbo_go runs
    int64_t pturbo_done;                   // instructions done in the current call; -1 abandoned
    uint64_t pturbo_run_to;                // tick the thread has reached or waits for
    int32_t pturbo_tb_supplied;            // the repeated mftb takes the supplied time base
    pturbo_lock_s *pturbo_page_lock;       // page spin lock held, or null
    volatile int32_t *pturbo_reader_count; // the serving host thread's reservation reader count
    volatile int32_t *pturbo_writer_count; // the memory map's reservation writer count
    int32_t pturbo_writer;                 // the thread has raised the writer count

    // Split forms of CR and XER while translated code runs.
    uint8_t cr[32];                    // byte k: CR bit k (bit 0 the most significant), 0 or 1
    uint64_t xer;                      // copy of XER
    uint8_t xer_flags[XER_FLAG_COUNT]; // SO, OV, CA and bits 28..24

    // Floating point.
    int32_t pending_fprf_register; // FPR whose value sets FPRF after the pass; -1 none
    uint64_t pending_fprf_value;   // its value (a binary double)
    int32_t pending_fpcc_field;    // CR field that sets FPCC after the pass; -1 none
    uint32_t conversion_save;      // MXCSR saved around a truncating conversion
    double one;                    // 1.0

    // Constants and tables set when the thread is created.
    int32_t minus_one;
    int32_t two;
    uint64_t srr1_bits;
    uint64_t *instruction_mix[3]; // NUM_INSTRUCTION_MIX_COUNTERS each, owned
};

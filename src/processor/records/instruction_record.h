// Instruction records (IOPDesc): the single argument of every semantic routine. The functional
// path keeps one per thread; the cycle-level core takes one per instruction in flight from a
// global free list and gives it back at retirement or flush.
#pragma once

#include <cstdint>

#include "processor/records/axd.h"

struct CThreadState;
struct InstrInfo;
struct PowerPCException;
struct RegReaderQ;
struct ThreadState;

// A result slot of the cycle-level core: the produced value (value[0] an integer, value[1] a
// floating-point register image), when it is ready, and the instructions waiting for it; what the
// slot stands for (IOP_RESULT_*) and the sequence number of the instruction that produced it.
struct IOPResultSlot {
    uint64_t value[2];
    uint64_t ready_time;
    IOPDesc *owner;
    RegReaderQ *readers; // instructions waiting for the value
    int32_t pending;     // producers still to deliver
    uint8_t kind;
    uint64_t producer_seq;
};

// Kinds of result slot.
enum : uint8_t {
    IOP_RESULT_GPR = 0,
    IOP_RESULT_FPR = 1,
    IOP_RESULT_CTR = 4,
    IOP_RESULT_LR = 5,
    IOP_RESULT_CR = 6,
    IOP_RESULT_XER = 7,
    IOP_RESULT_FPSCR = 8,
    IOP_RESULT_SPR = 9,
};

// The cycle-level core's record of an instruction's memory access, filled by the storage path
// when the core asks for the address only: the access kind (1 load, 2 store), the cache
// operation of a cache-block instruction, the translation result and flag bits.
struct IOPCoreRecord {
    uint8_t flags;
    uint8_t kind;
    uint8_t operation;
    uint8_t short_element; // the last element of a string access is shorter than its element size
    int32_t result;
};

// Field names used across the system for the cycle-level core's flags: `defer_side_effects` is
// the in-flight flag (also called no-side-effects), `use_slots` the operand-slot flag (also
// called cycle mode or has-mappings), `addr_only` the probe flag, `core_rec` the load/store-queue
// entry, operand_slot4 the target or store-source operand (also called slot D or S), time_stamp
// the operand-ready time. result_gpr2 is the vector, GPR and FPR result record (a 128-bit value
// with doubleword 0 in value[0] and doubleword 1 in value[1]); result_cr the CR result record.
struct IOPDesc {
    IOPDesc *next_free; // free-list link
    ThreadState *thread;
    InstrInfo *row;            // the decoded instruction-table row
    uint32_t word;             // the instruction word
    uint32_t aux_word;         // cleared at each hand-out
    const char *xlate_message; // why the translator handed the instruction back
    AXD fetch;                 // fetch descriptor: size 4, kind fetch; its ea is the address in flight
    AXD data;                  // data descriptor
    uint64_t fp_status;        // floating-point status bits raised, ORed in after each FPSCR update

    // Per-instruction flags, one byte each.
    uint8_t update_form;
    uint8_t partial_done; // an access failed after some of its bytes were done
    uint8_t addr_only;    // only the effective address is wanted
    uint8_t core_walk;
    uint8_t algebraic;          // sign-extend the loaded value
    uint8_t byte_reversed;      // byte-reversed access
    uint8_t length;             // instruction length in bytes
    uint8_t deferred_triggers;  // 2 a register read trigger is due, 4 a write trigger
    uint8_t defer_side_effects; // in flight in the cycle-level core: triggers only noted,
                                // the record carries its own next address
    uint8_t cycle_probe;        // probe flag of the cycle model
    uint8_t use_slots;          // operands come from the operand slots, results go to the
                                // result slots
    uint8_t ucode_id;           // position of a micro-operation within its instruction
    uint8_t branch_taken;
    uint8_t so_value; // summary overflow the core delivered, or the one the operation produced
    uint8_t sat_pending; // a saturating vector instruction run with use_slots: VSCR[SAT] is set
                         // when the core commits the instruction's vector result
    int16_t iid;      // counted back from the instruction's last micro-operation
    uint8_t misal_total; // misaligned pieces: the length of the whole access or element split
    uint32_t counter; // cleared at each hand-out; in a translated run, the instructions before it

    uint64_t expected_next_address; // the next address the core expected (cycle model)
    uint64_t next_address;          // the next address the instruction produced (cycle model)
    uint64_t sequence_number;       // global, from New_IOP_Global_Sequence_Number
    uint64_t time_stamp;            // copied into a result slot before its readers are released

    CThreadState *cthread;  // the thread's cycle-level core state
    IOPCoreRecord core_rec; // the core's record of the memory access (address-only runs)
    IOPDesc *partner;       // the address operation of a cracked store's data micro-operation
    IOPDesc *core_next;     // links of the core model (self when unlinked)
    IOPDesc *core_prev;

    // Source operands of the cycle model (A, B, C, S); a GPR value is doubleword 0, an FPR value
    // doubleword 1.
    uint64_t operand_slot1[2];
    uint64_t operand_slot2[2];
    uint64_t operand_slot3[2];
    uint64_t operand_slot4[2];
    uint64_t xer_operand;
    uint32_t cr_operand;
    uint64_t fpscr_operand;
    uint32_t src_read;     // operand-usage word: the operands the cycle-level core read
    uint8_t data_ea_valid; // the data address is known (cycle model)

    IOPResultSlot result_gpr1; // RA update
    IOPResultSlot result_gpr2; // RT
    IOPResultSlot result_cr;
    IOPResultSlot result_xer;
    IOPResultSlot result_fpscr;

    uint64_t fpscr_result;
    uint64_t fpscr_bits_set;
    uint64_t fpscr_bits_kept;

    // The instruction's FPSCR state: where FPSCR lives for it and what it changed.
    uint64_t fpscr_written;  // FPSCR bits the instruction wrote
    uint64_t fpscr_new_exc;  // exception bits it newly raised (within fpscr_exc_mask); the summary after it
    uint64_t fpscr_exc_mask; // the row's FPSCR mask AND 0x9FF80700, set when the instruction starts
    uint64_t fpscr_cache;    // working copy of FPSCR while the cache is active
    uint64_t fpscr_saved;    // FPSCR when the cache was activated
    uint64_t fpscr_slot;     // FPSCR of the instruction in the cycle-model form
    int32_t fpscr_cache_on;  // non-zero while the cache is active
    uint8_t fpscr_moved;     // the instruction moved whole FPSCR fields

    PowerPCException *exceptions; // raised by this instruction
    uint64_t new_msr;             // MSR the instruction is about to install
    uint64_t msr;                 // MSR recorded for the instruction
    uint64_t start_msr;           // MSR when the instruction began
    int32_t delivered_type;       // type of the exception this record last delivered
    uint8_t finished;             // cleared at each hand-out

    // The one-instruction interpreter's bookkeeping.
    int32_t cycles;          // cycles charged to the instruction (interpreter and semantics)
    const char *fail;        // why the last step failed; null when it succeeded
    uint64_t second_page_pa; // physical address of the second page of a crossing access
    uint8_t second_pass;     // a string or multiple instruction runs its second pass
};

// The global free list, the sequence counter and the kept row of the no-op word 0x60000000.
extern IOPDesc *IOP_Free_List;
extern uint64_t IOP_Global_Sequence_Number;
extern InstrInfo *IOP_Nop_Row;

constexpr uint32_t NOP_INSTRUCTION_WORD = 0x60000000;

// A record from the free list (or a new one) prepared for the thread.
IOPDesc *get_Instruction(ThreadState *thread);
void return_Instruction(IOPDesc *iop);
// Clears the record and makes it a no-op of the thread (the thread may be null).
void INITIAL_IOP(IOPDesc *iop, ThreadState *thread);
uint64_t New_IOP_Global_Sequence_Number(void);
// (Fetch address when in flight, else the thread's PC) + instruction length.
extern "C" uint64_t iGET_NEXT_PC(IOPDesc *iop);
// Writes the program counter for an instruction (the SPR "IAR"); CFAR gets the current address.
extern "C" void iSET_PC(IOPDesc *iop, uint64_t address);

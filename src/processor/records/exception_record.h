// Exception records (PowerPCException): one pending or raised interrupt each, drawn from a
// thread's free list or the host thread's global one, queued on a thread or on the instruction
// that raised it, and returned to a free list when delivered or discarded.
#pragma once

#include <cstdint>

struct IOPDesc;
struct ThreadState;

struct PowerPCException {
    PowerPCException *next; // list links; `next` also links the free lists
    PowerPCException *prev;
    ThreadState *thread; // owner; chooses the pool the record returns to
    int32_t type;        // row of the exception table
    int32_t subtype;     // subtype code; 0 none
    const char *detail;  // detail text given when raised
    int32_t priority;    // composed priority; lists keep the lowest first
    int32_t address_valid;
    uint64_t instruction_address; // instruction the interrupt refers to; all ones: none
    uint64_t vector;              // vector offset
    uint64_t msr_at_instruction;  // MSR when the instruction ran; all ones: not recorded
    uint64_t address;             // storage address of the fault
    uint64_t schedule_cycle;
    uint64_t deliver_cycle;
    int32_t woke_thread;
    int32_t persistent;
    int32_t hypervisor;
    int32_t save_to; // 0 SRR0/SRR1, 1 HSRR0/HSRR1, 2 EBBRR/BESCR
    uint64_t srr1_set;
    uint64_t srr1_clear;
    int32_t dar_valid;
    uint64_t dar;
    int32_t dsisr_valid;
    uint32_t dsisr;
    uint32_t dsisr_merged;
    int32_t fscr_valid;
    uint64_t fscr_cause;
    int32_t hfscr_valid;
    uint64_t hfscr_cause;
    int32_t heir_valid;
    uint32_t heir;
    int32_t siar_valid;
    uint64_t siar;
    int32_t sdar_valid;
    uint64_t sdar;
    int32_t no_relocation;
    uint64_t msr_override_value;
    uint64_t msr_override_mask;
    int32_t tm_failure_code;
    int32_t tm_failure_flag;
    int32_t tm_failure_reason;
};

// The global free list of the calling host thread (each parallel worker has its own).
extern thread_local PowerPCException *Free_Exception_Pool_Head;

void Init_ExceptionPool(PowerPCException **pool);
void Init_GlobalExceptionPool(void);
// Frees every record of the pool's free list.
void Quit_ExceptionPool(PowerPCException **pool);
void Quit_GlobalExceptionPool(void);

// The head of the thread's free list, else of the pool, else a new zeroed record; null (after
// the error "Could not allocate exception structures.") when none can be allocated.
PowerPCException *Get_Exception_From_Pool(ThreadState *thread, PowerPCException **pool);
// A record from the global pool reset for the thread; type and subtype are the caller's.
PowerPCException *GetException(ThreadState *thread);
// Clears detail and back link and pushes the record on its thread's free list (or the global one).
void FreeException(PowerPCException *exception, const char *file, int line);

// Frees every exception the instruction raised; with report set each is named in an
// information message.
void Discard_Instruction_Bound_Exceptions(IOPDesc *iop, int report);
// The first pending exception of that type on the thread, or null.
PowerPCException *FindException_ByType(ThreadState *thread, int32_t type);
// The subtype text, else the type name, else "TYPE (detail)" (a static buffer).
const char *Exception_Name(PowerPCException *exception);

void interrupt_FPAssist(IOPDesc *iop);

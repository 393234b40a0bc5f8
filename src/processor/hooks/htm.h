// What the rest of the simulator asks of the transactional-memory model: the machine-wide switch
// and rollback, the facility check and failure recording, the model's say in interrupts, the
// reservation checks, and the transactional storage accesses and footprint queries.
// Declared here for the floors that call it; defined by the transactional-memory model in mmu/tm.
#pragma once

#include <cstdint>

struct AXD;
struct GenericMachine;
struct IOPDesc;
struct ThreadState;
struct htm_data;

// ---- Machine-wide state

// 1 while transactions may start (initially 1).
extern int global_htm_status;
// Aborts every transaction of the machine with the failure code; non-zero on success.
int htm_rollback_all_transactions(GenericMachine *machine, uint64_t failure_code);
// The number of the machine's threads inside a transaction.
int32_t HTM_Threads_In_Transaction(GenericMachine *machine);
// Releases what the machine's transactional-memory block holds (the caller frees the block).
void htm_free(htm_data *data);

// ---- Facility check and failure recording

// Failure causes recorded by the load, store and cache instructions.
enum : uint64_t {
    HTM_FAILURE_STCX_TO_FOOTPRINT = 0x1100000, // failed store-conditional to the store footprint
    HTM_FAILURE_NOT_ALLOWED = 0x1800000,       // instruction not allowed in transactional state
    HTM_FAILURE_ATTN = 0x1010000,              // attn in a transaction
};

// 1 when transactional memory may be used; else raises (Hypervisor) Facility Unavailable (5), 0.
int HTM_ENABLED_CHECK(IOPDesc *iop);
// Records a transaction failure with the cause at the address (-1: none) when the MSR is
// transactional or suspended and no failure is recorded yet (TEXASR FS clear); 1 when recorded.
int htm_record_failure(ThreadState *thread, int32_t cause, uint64_t address, int32_t flag, uint32_t code,
                        uint64_t msr);
// Counts the instruction against the running transaction.
void HTM_INCR_INSTR_COUNT(IOPDesc *iop);

// ---- Interrupts: raising and delivery

// Whether the guest operating system takes interrupts inside transactions itself.
int OS_SUPPORTS_HTM(IOPDesc *iop);
// Records a transaction failure for an exception raised in a transaction; non-zero when the model
// took the exception (the raiser then raises nothing).
int htm_handle_exception(IOPDesc *iop, int32_t type);
// Records the failure of the transaction for an interrupt; the result is not used.
int htm_handle_interrupt(IOPDesc *iop, int32_t type);
// Whether the thread's transaction has recorded a failure.
int htm_failure_recorded(ThreadState *thread);
// Whether the machine hands a recorded failure over at once.
int htm_handles_failures_at_once(ThreadState *thread);
// Hands the recorded failure over: rolls the transaction back to its failure handler.
void htm_handle_failure(IOPDesc *iop);
// The FPSCR checkpointed when the transaction began.
uint64_t htm_checkpointed_fpscr(ThreadState *thread);

// ---- Reservations

// In suspended state with a reservation taken in transactional state: clears the reservation and
// gives 1; otherwise 0.
int htm_check_S_with_reservation_in_T(ThreadState *thread);
// Records whether the reservation just taken was taken in transactional state.
void htm_record_reservation_taken_state(IOPDesc *iop, AXD *axd);
// The thread's current transaction id (printed as "HTMTID_%08X").
uint32_t htm_transaction_id(ThreadState *thread);

// ---- Storage accesses and the footprint

// Transactional accesses (the footprint of the running transaction); 0 when the access failed.
int HTM_PA_Read_Memory_Reg(IOPDesc *iop, AXD *axd, uint64_t *value);
int HTM_PA_Write_Memory_Reg(IOPDesc *iop, AXD *axd, uint64_t value);
// Sets or clears the tag of the granule in the transaction's footprint: 1 when the footprint took
// it (a transactional thread whose transaction is not doomed), else 0.
int HTM_PA_Write_Memory_TAG(IOPDesc *iop, AXD *axd, int tag);
// 1 and the tag of the address's granule when the thread's transaction footprint holds the line;
// else 0.
int HTM_PA_Read_Memory_TAG(ThreadState *thread, uint64_t address, int *tag);
// Whether the physical address lies in the transaction's store footprint.
int Is_PA_To_HTM_Store_Footprint(IOPDesc *iop, uint64_t address);
// Checks a touched or cache-operated line against the footprints; 0 when it failed the toucher's
// own transaction.
int htm_check_touch_collision(IOPDesc *iop, int32_t thread_number, uint64_t address, int ignored, int kind);
// Zeroes the line at the descriptor's physical address through the transactional store path (size
// must be the footprint's line size); 0 when it failed the thread's own transaction or the size is
// wrong, else 1.
int HTM_PA_Clear_Memory_Directly(IOPDesc *iop, AXD *axd, int64_t size);

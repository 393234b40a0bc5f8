// What the transactional-memory instructions and the MSR writes ask of the transactional-memory
// model: its instruction operations (begin, end, abort, suspend, resume, check, recheckpoint), its
// MSR-transition check, its CR setter and its view of a tlbie.
#pragma once

#include <cstdint>

struct IOPDesc;
struct ThreadState;

// ---- transactional memory

// Checks the transactional-state change of an MSR write (may rewrite TS in *new_msr); 0 when the
// transition is refused (the caller raises the bad-thing interrupt).
int HTM_check_MSR_Transition(IOPDesc *iop, uint64_t *new_msr, uint64_t old_msr, const char *name);
// CR field := (msr >> 32) & 6, the transaction state as 0 || TS || 0.
void SET_TM_CR_From_MSR(IOPDesc *iop, uint64_t msr, uint32_t field);
void htm_tbegin(IOPDesc *iop, uint64_t msr);
// 0 when the end was refused (its bad-thing interrupt is queued), else 1.
int htm_tend(IOPDesc *iop, uint64_t msr, int32_t outer);
// Fails the running transaction with the 8-bit cause.
void htm_tabort(IOPDesc *iop, uint32_t cause);
void htm_tsuspend(IOPDesc *iop, uint64_t msr);
void htm_tresume(IOPDesc *iop, uint64_t msr);
// CR field bf := the transaction's doomed state.
void htm_tcheck(IOPDesc *iop, uint32_t bf);
// 1 done; otherwise the value trechkpt. returns.
int htm_trechkpt_dot(IOPDesc *iop, uint64_t msr);
// A tlbie seen by the transactional-memory model.
void HTM_tlbie(ThreadState *thread, uint64_t rb, int32_t page_shift, const char *name);

// ---- STAND-IN support: what the stand-ins of this header were asked (the transactional-memory
// model is not built). Tests set the *_answer fields to make the model refuse.
struct TMOperationsStandinLog {
    int transition_answer; // HTM_check_MSR_Transition (default 1)
    const char *tm_last;   // the last transactional operation's name ("tbegin", "tabort", ...)
    long tm_calls;
    uint64_t tm_argument; // its msr, cause or BF
    int tend_answer;      // htm_tend (default 1)
    int trechkpt_answer;  // htm_trechkpt_dot (default 1)
};
extern TMOperationsStandinLog tm_operations_standin_log;
// Back to the defaults.
void TM_Operations_Standin_Reset();

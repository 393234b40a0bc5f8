// What the transactional-memory instructions and the MSR writes ask of the transactional-memory
// model: its instruction operations (begin, end, abort, suspend, resume, recheckpoint) and its view
// of a tlbie. (The MSR-transition check is mmu/tm/htm_checks.h, the CR results and tcheck
// mmu/tm/htm_cr.h.)
#pragma once

#include <cstdint>

struct IOPDesc;
struct ThreadState;

// ---- transactional memory

void htm_tbegin(IOPDesc *iop, uint64_t msr);
// 0 when the end was refused (its bad-thing interrupt is queued), else 1.
int htm_tend(IOPDesc *iop, uint64_t msr, int32_t outer);
// Fails the running transaction with the 8-bit cause.
void htm_tabort(IOPDesc *iop, uint32_t cause);
void htm_tsuspend(IOPDesc *iop, uint64_t msr);
void htm_tresume(IOPDesc *iop, uint64_t msr);
// 1 done; otherwise the value trechkpt. returns.
int htm_trechkpt_dot(IOPDesc *iop, uint64_t msr);
// A tlbie seen by the transactional-memory model.
void HTM_tlbie(ThreadState *thread, uint64_t rb, int32_t page_shift, const char *name);

// ---- STAND-IN support: what the stand-ins of this header were asked (the transactional-memory
// model is not built). Tests set the *_answer fields to make the model refuse.
struct TMOperationsStandinLog {
    const char *tm_last; // the last transactional operation's name ("tbegin", "tabort", ...)
    long tm_calls;
    uint64_t tm_argument; // its msr, cause or BF
    int tend_answer;      // htm_tend (default 1)
    int trechkpt_answer;  // htm_trechkpt_dot (default 1)
};
extern TMOperationsStandinLog tm_operations_standin_log;
// Back to the defaults.
void TM_Operations_Standin_Reset();

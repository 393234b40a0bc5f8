// What the transactional-memory instructions and the MSR writes ask of the transactional-memory
// model: its instruction operations (begin, end, abort, suspend, resume, reclaim, recheckpoint) and
// its view of a tlbie. Defined in mmu/tm (htm_operations.cpp, htm_failure.cpp). (The
// MSR-transition check is mmu/tm/htm_checks.h, the CR results and tcheck mmu/tm/htm_cr.h.)
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
// 1 done; 0 after its bad-thing interrupt (outside a transaction).
int htm_treclaim_dot(IOPDesc *iop, uint32_t cause, uint64_t msr);
// 1 done; 0 after its bad-thing interrupt.
int htm_trechkpt_dot(IOPDesc *iop, uint64_t msr);
// A tlbie seen by the transactional-memory model.
void HTM_tlbie(ThreadState *thread, uint64_t rb, int32_t page_shift, const char *name);

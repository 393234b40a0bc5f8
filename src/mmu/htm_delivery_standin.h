// What interrupt raising and delivery ask of the transactional-memory model: whether the thread's
// transaction has recorded a failure, whether the machine handles failures at once, the failure
// hand-over, the checkpointed FPSCR and the transaction id.
#pragma once

#include "mmu/htm_reservation_standin.h"

#include <cstdint>

struct IOPDesc;
struct ThreadState;

int htm_failure_recorded(ThreadState *thread);
int htm_handles_failures_at_once(ThreadState *thread);
void htm_handle_failure(IOPDesc *iop);
uint64_t htm_checkpointed_fpscr(ThreadState *thread);

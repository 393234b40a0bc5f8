// The transactional-memory switch and the rollback of every transaction of a machine.
#pragma once

#include <cstdint>

struct GenericMachine;

// 1 while transactions may start (initially 1).
extern int global_htm_status;
// Aborts every transaction of the machine with the failure code; non-zero on success.
int htm_rollback_all_transactions(GenericMachine *machine, uint64_t failure_code);

struct htm_data;
// Releases what the machine's transactional-memory block holds (the caller frees the block).
void htm_free(htm_data *data);

// The event kernel seen from Tcl: the "job" table (list, freeze and thaw the machine's jobs, block
// their debug output, show the ready queues), the ready-queue functions an embedding host calls
// between runs, and the "ereader" table that starts an external reader program. Neither table is
// attached by the simulator; a host or plug-in attaches them with connect_subtable.
#pragma once

#include <cstdint>

struct GenericMachine;
struct SimCmdTable;
struct job_s;

// A name slot of readyq_job_positions: longer names are cut to 127 characters and a NUL.
constexpr int READYQ_NAME_SLOT = 128;

// Stores the number of proxies in all ready queues; 1, or 0 without a kernel (count untouched).
int readyq_job_count(GenericMachine *machine, int *count);
// For every proxy in ready-queue order: its job's name (a NUL-padded slot of READYQ_NAME_SLOT
// bytes), its tick and its place in its tick's queue. Answers the entries written; the arrays
// must hold readyq_job_count entries.
int readyq_job_positions(GenericMachine *machine, char *names, uint64_t *ticks, int *positions);
// Takes the first queued proxy of the job of that name out of its queue and puts it back into
// the queue of its tick (raised to now) behind every proxy of at least its priority. Answers
// the job, or null.
job_s *find_job_in_RQ_by_name(GenericMachine *machine, const char *name);
// find_job_in_RQ_by_name, then marks the job for re-initialisation at the tick; 1 when found.
int readyq_job_reposition(GenericMachine *machine, const char *name, uint64_t tick);

SimCmdTable *build_job_cmd_table(void *argument);
SimCmdTable *build_ereaderCmd_table(void *argument);

// What the physical data path calls besides the memory map and the transactional-memory model
// (processor/hooks/htm.h): the dirty-address table and the cache-containment checker.
#pragma once

#include <cstdint>

struct AXD;
struct GenericMachine;
struct IOPDesc;
struct ThreadState;

// Dirty-address table and reference history. The memory controllers' table ranges and the record of
// a hit (`mc_dirty_table_hit`, `ha_table_touch`) are stand-ins in data_path_hooks_standin.cpp;
// `ha_tracking_enabled` is vector/ha_tracking.cpp; the rest is ha_dirty_tracking.cpp and
// reference_history.cpp.
int mc_dirty_table_hit(GenericMachine *machine, uint64_t pa);
void ha_table_touch(ThreadState *thread, uint64_t pa, uint64_t value);
int ha_tracking_enabled(ThreadState *thread);
// A read of the line by the thread: an entry another thread made is written out and dropped.
void ha_read_address(ThreadState *thread, AXD *axd);
// A store by the thread: its line is recorded in the chip's list.
void ha_add_dirty_address(ThreadState *thread, AXD *axd);
// One step of the table walk the thread's processor was asked for (run at the end of a chunk).
void ha_walk(IOPDesc *iop);
// Told of every TLB fill: 1 done or nothing to do, 0 a page-table access failed.
int Reference_History_Array(IOPDesc *iop, uint64_t pte_address, uint64_t pa);

// Cache-containment checker: mode 1 fetch, 2 read, 4 write.
void cc_CheckAccess(IOPDesc *iop, AXD *axd, int mode);

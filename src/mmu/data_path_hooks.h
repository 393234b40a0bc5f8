// What the physical data path calls besides the memory map: the transactional reads and writes,
// the dirty-address table, the cache-containment checker and the transaction failure handling.
#pragma once

#include "mmu/htm_delivery_standin.h"

#include <cstdint>

struct AXD;
struct GenericMachine;
struct IOPDesc;
struct ThreadState;

// Transactional accesses (the footprint of the running transaction); 0 when the access failed.
int HTM_PA_Read_Memory_Reg(IOPDesc *iop, AXD *axd, uint64_t *value);
int HTM_PA_Write_Memory_Reg(IOPDesc *iop, AXD *axd, uint64_t value);
void HTM_PA_Write_Memory_TAG(IOPDesc *iop, AXD *axd, int tag);
// Failure handling of the running transaction and its instruction count.
void HTM_INCR_INSTR_COUNT(IOPDesc *iop);

// Dirty-address table and reference history.
int mc_dirty_table_hit(GenericMachine *machine, uint64_t pa);
void ha_table_touch(ThreadState *thread, uint64_t pa, uint64_t value);
int ha_tracking_enabled(ThreadState *thread);
void ha_read_address(IOPDesc *iop, AXD *axd);
void ha_add_dirty_address(IOPDesc *iop, AXD *axd);
void ha_walk(IOPDesc *iop);

// Cache-containment checker: mode 1 fetch, 2 read, 4 write.
void cc_CheckAccess(IOPDesc *iop, AXD *axd, int mode);

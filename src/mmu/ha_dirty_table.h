// The chip's HA dirty table: a list of the 128-byte lines the chip's threads stored to, filled by
// the storage path (mmu/ha_dirty_tracking.h), and the look-ups made in it.
#pragma once

#include <cstdint>

struct MCM;
struct ThreadState;

// Bits 7 to 49 of an entry's first word: the 128-byte line address.
constexpr uint64_t HA_LINE_ADDRESS_MASK = 0x3FFFFFFFFFF80ULL;

struct ha_dirty_table_entry_s {
    uint64_t word;       // a line entry: LPIDR << 52 | the line address in bits 7 to 49 | 8
    ThreadState *thread; // the thread that made the entry
    int32_t busy;        // 1 while the entry is being written to the table in memory
    ha_dirty_table_entry_s *next;
};

// The first entry whose line address equals the line of `line_address`, or null.
ha_dirty_table_entry_s *ha_find_entry(ha_dirty_table_entry_s *head, uint64_t line_address);
// 1 when the thread's chip's table has an entry for the line that is being written (busy); the entry (or
// null) goes to *entry when asked.
int ha_flush_check(ThreadState *thread, uint64_t line_address, ha_dirty_table_entry_s **entry);
// The same for a chip.
int ha_flush_check_mcm(MCM *chip, uint64_t line_address, ha_dirty_table_entry_s **entry);
// Unlinks and frees the entry when it is on the list under *head.
void ha_delete_entry(ha_dirty_table_entry_s **head, ha_dirty_table_entry_s *entry);

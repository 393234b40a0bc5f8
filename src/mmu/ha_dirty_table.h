// The chip's HA dirty table: a list of 128-byte line addresses with a flag each, filled by the
// storage path, and the look-ups the storage path and the flush check make in it.
#pragma once

#include <cstdint>

struct MCM;
struct ThreadState;

// Bits 7 to 49 of an entry's first word: the 128-byte line address.
constexpr uint64_t HA_LINE_ADDRESS_MASK = 0x3FFFFFFFFFF80ULL;

struct ha_dirty_entry {
    uint64_t word; // the line address in bits 7 to 49
    int32_t flag;
    ha_dirty_entry *next;
};

// The first entry whose line address equals the line of `line_address`, or null.
ha_dirty_entry *ha_find_entry(ha_dirty_entry *head, uint64_t line_address);
// 1 when the thread's chip's table has an entry for the line with its flag set; the entry (or
// null) goes to *entry when asked.
int ha_flush_check(ThreadState *thread, uint64_t line_address, ha_dirty_entry **entry);
// The same for a chip.
int ha_flush_check_mcm(MCM *chip, uint64_t line_address, ha_dirty_entry **entry);
// Unlinks and frees the entry when it is on the list under *head.
void ha_delete_entry(ha_dirty_entry **head, ha_dirty_entry *entry);

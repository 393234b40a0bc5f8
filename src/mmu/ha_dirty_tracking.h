// The hardware-assisted dirty-address table: the chip's list of stored-to lines (see
// mmu/ha_dirty_table.h) filled by stores and drained by reads of other threads, by stores of other
// processors and by the table walk, each drained entry written as 8 bytes into the table in guest
// memory that the core's EX SCOM registers place. The storage path and the chunk loop call it
// through mmu/data_path_hooks.h (`ha_add_dirty_address`, `ha_read_address`, `ha_walk`).
#pragma once

#include <cstdint>

struct ha_dirty_table_entry_s;

// Status bits of HA_STAT_REG.
constexpr uint64_t HA_STAT_NOT_ENABLED = 0x0200000000000000ULL;
constexpr uint64_t HA_STAT_ERROR = 0x0400000000000000ULL;
constexpr uint64_t HA_STAT_WALK_COMPLETE = 0xF000000000000000ULL;

// Merges a new entry into a chip's list: ORed into the entry of the same line made on the same
// processor, taking over (after writing it out) one made on another, else appended. The new
// entry is freed unless appended.
void ha_insert_dirty_address(ha_dirty_table_entry_s **head, ha_dirty_table_entry_s *entry);
// Writes the entry into the dirty-address table of its thread's processor and advances the write
// position; with check_full, a table that reaches the limit of the segment registers raises the
// hypervisor maintenance interrupt. Configuration faults only set HA_STAT_REG bits.
void ha_flush_entry(ha_dirty_table_entry_s *entry, int check_full);

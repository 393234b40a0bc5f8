// The translator's per-memory-map tables as the memory map sees them: the segment table and the
// translated-page table, created with the map, and the flush of one page's translated code.
// Declared here for the floors that call it; defined by the translator
// (translator/page_tables_standin.cpp).
#pragma once

#include <cstdint>

struct MCM;
struct MemoryClient;
struct segtab;
struct ipt;

// STAND-IN: no translated code exists yet; these keep empty records so that maps own a table.
segtab *segtab_new(void);
ipt *ipt_new(MCM *chip);
void ipt_free(ipt *table);
// STAND-IN: warns (silently) without a table; with one there is no translated code to drop.
void turbo_xlate_flush_for_pa(uint64_t physical_address, ipt *table, MemoryClient *client);

// The translator's per-memory-map tables as the memory map, the loaders and the storage path use
// them: the segment table and the translated-page table, made with the map and released with it,
// and the drop of the translations of a page that was written. Declared here for the floors that
// call them; defined by the translator (translator/emat.cpp, translator/page_tables.cpp).
#pragma once

#include <cstdint>

struct MCM;
struct MemoryClient;
struct segtab;
struct ipt;

segtab *segtab_new(void);
ipt *ipt_new(MCM *chip);
// Removes every frame (and its translations), unmaps; nothing for null.
void ipt_free(ipt *table);
// Drops the translations of the page that holds the physical address; without a table only warns.
void turbo_xlate_flush_for_pa(uint64_t physical_address, ipt *table, MemoryClient *client);

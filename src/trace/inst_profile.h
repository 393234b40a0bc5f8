// Instruction profiles: a count per distinct executed instruction, keyed by its physical address
// and its word, with one 64-bit slot per trace library in every entry; written as
// "iprofile.<pid>.txt" (and one file per library that prints its own records) when profiling is
// switched off.
#pragma once

#include <cstdint>

#include "isa/hooks/trace_events.h"

constexpr int PROF_HEADS = 1 << 20;
constexpr int PROF_PAGE_ENTRIES = 1024;

// A page chunk: the entries of the words of one physical page.
struct prof_entry_s {
    uint64_t page;
    prof_entry entries[PROF_PAGE_ENTRIES];
    prof_entry_s *next;
};

void TRC_PROF_ON(void);
void TRC_PROF_OFF(void);
void trc_prof_on(void);
void trc_prof_off(void);
int prof_is_on(void);
// The entry of (page, index, word), made when new.
prof_entry *prof_lookup(uint32_t word, uint32_t index, uint64_t page);

// SLB entries as the register file writes them.
#pragma once

#include <cstdint>

struct SLB;

// Sets an entry's VSID word and the fields derived from it.
void SLB_Set_VSID_Word(SLB *entry, uint64_t word);

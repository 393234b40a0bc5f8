// The branch scan's record of one scanned instruction, read by decode.
#pragma once

#include <cstdint>

struct AXD;
struct CThreadStats;
struct InstrInfo;

struct DecodedInst {
    uint64_t pc;         // the instruction's address
    uint32_t flags;      // 0x1 closes its EAT entry, 0x4 ends its dispatch group
    uint32_t eat_index;  // the thread's EAT tail when scanned
    uint64_t fetch_seq;  // its fetch sequence number
    InstrInfo *row;      // the decoded row, or null for an invalid word
    CThreadStats *stats; // the thread's statistics bucket of the fetch
    AXD *trace_axd;      // the saved fetch translation for a trace plug-in, or null
};

static_assert(sizeof(DecodedInst) == 48, "a scanned instruction is 48 bytes");

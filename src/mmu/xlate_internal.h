// Pieces of the translation shared by its stages and real mode.
#pragma once

#include <cstdint>

#include "runtime/debug.h"

struct AXD;
struct ERAT_Entry;
struct ERAT_Struct;
struct IOPDesc;
struct SLB;

constexpr int DEBUG_CATEGORY_XLATE_TEXT = 27;

// Translation-debug texts are formatted only while the category is on.
#define XLATE_DEBUG(thread, type, axd, ...)                                                                  \
    do {                                                                                                     \
        if (debug_state[DEBUG_CATEGORY_XLATE_TEXT] > 0)                                                      \
            Xlate_Debug_Printf((thread), (type), (axd), __VA_ARGS__);                                        \
    } while (0)

// The adjustment of WIMG for the cache-inhibited load/store instructions and the standalone
// window of cache-inhibited storage.
void Xlate_Inhibited_Adjust(IOPDesc *iop, AXD *axd);
// The page-crossing rules for pages of 2^shift bytes; result is the result decided so far. An
// access that stays in its page ends its narration with an End message when end_message is set
// (the ERAT-hit path sends none).
int Xlate_Page_Cross(int mode, IOPDesc *iop, AXD *axd, uint32_t shift, int result, bool end_message = true);
// The page stage of a translation with its segment (relocation on, or the virtual real mode area).
int PPC_MMU_Xlate_Page(int mode, IOPDesc *iop, AXD *axd, SLB *segment);
// The byte order of the access: MSR[LE], flipped by MSR[SLE] for data.
int Xlate_Little_Endian(uint64_t msr, const AXD *axd);
// Completes a translation from an ERAT entry (the first stage's hit path); the result code.
int Xlate_ERAT_Hit(int mode, IOPDesc *iop, AXD *axd, ERAT_Struct *erat, ERAT_Entry *hit);
// The page shift a page-table entry maps in a segment of large-page bit seg_l and base page shift
// base_shift; -1 (after the fatal error) when an entry without L disagrees with a large segment.
int32_t Xlate_Actual_Page_Shift(IOPDesc *iop, const uint64_t entry[2], uint32_t seg_l, int32_t base_shift);

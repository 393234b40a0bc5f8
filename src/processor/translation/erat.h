// Effective-to-real address translation caches (ERATs): rows of `ways` entries (row r starts at
// entry r × ways), each entry a finished translation; a row's valid entries are its first
// `row_count[r]` ways.
#pragma once

#include <cstdint>

#include "processor/records/axd.h"
#include "processor/translation/tlb.h"

struct ERAT_Entry {
    char *name;         // "%s[%d]": the ERAT's name and the entry's index (string store)
    AXD axd;            // the access that made the entry; ea the tag, pa the real page
    uint64_t pte[2];    // the page-table entry of the translation
    uint64_t msr_bits;  // MSR at insertion AND the ERAT's msr_mask
    uint32_t lpidr;     // LPIDR at insertion
    uint64_t sdr1;      // SDR1 at insertion
    int16_t page_shift; // log2 of the translated page
    int16_t erat_shift; // the page size used for tag and row
    uint16_t kind;      // access kind of the access that made the entry
    uint16_t thread;    // number of the thread that made the entry
    uint64_t last_use;  // tick of insertion or last hit; larger is more recent
};

typedef TLB_Trigger_Desc ERAT_Trigger_Desc;

struct ERAT_Struct {
    ERAT_Entry *entries; // rows × ways
    int32_t *row_count;  // valid ways per row
    int32_t rows;
    int32_t ways;
    int16_t way_bits;           // log2(ways)
    int16_t row_bits;           // log2(rows)
    int16_t large_shift;        // log2 of the large page mapped (12 when none)
    int16_t small_shift;        // 12
    uint64_t msr_mask;          // MSR bits an entry must match
    char name[64];              // "%s_%sERAT.%d"
    ERAT_Trigger_Desc *trigger; // null until a trigger is set
};

struct ProcessorState;

// Sets up ERAT index of the processor with rows × ways zeroed entries named "%s[%d]" after the
// ERAT "%s_%sERAT.%d" (processor name, "i" or "d", index). Rows or ways of 0 or less: the error
// "bad ERAT size: rows = %d, cols = %d" and the record stays unset.
void ERAT_Init(ProcessorState *processor, int32_t index, ERAT_Struct *erat, int32_t rows, int32_t ways,
               int32_t is_instruction);

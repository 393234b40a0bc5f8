#include "memory/hooks/page_tables_standin.h"

#include "runtime/alloc.h"
#include "runtime/message.h"

// STAND-IN: the segment table (buckets of segments) is not built yet; the record only keeps the
// global list of tables, which lives as long as the process.
struct segtab {
    segtab *next;
};

// STAND-IN: the translated-page table (frames and their chains) is not built yet.
struct ipt {
    MCM *chip;
};

namespace
{
segtab *all_segment_tables = nullptr;
} // namespace

// STAND-IN: an empty segment table pushed on the global list; never released.
segtab *segtab_new(void)
{
    segtab *table = QUARN_ZALLOC(1, segtab);
    table->next = all_segment_tables;
    all_segment_tables = table;
    return table;
}

// STAND-IN: an empty translated-page table for the chip.
ipt *ipt_new(MCM *chip)
{
    ipt *table = QUARN_ZALLOC(1, ipt);
    table->chip = chip;
    return table;
}

// STAND-IN: no frames to remove.
void ipt_free(ipt *table)
{
    if (table) QUARN_FREE(table);
}

// STAND-IN: nothing is translated yet, so a page with a table has nothing to drop.
void turbo_xlate_flush_for_pa(uint64_t physical_address, ipt *table, MemoryClient *)
{
    if (!table) {
        sim_warning(2, "Ignoring attempt to flush frame at 0x%016lX, which does not have an IPT",
                    (unsigned long)physical_address);
        return;
    }
}

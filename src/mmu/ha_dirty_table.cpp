// Look-ups in the chip's HA dirty table.
#include "mmu/ha_dirty_table.h"

#include "processor/records/mcm.h"
#include "processor/records/thread_state.h"
#include "runtime/alloc.h"

ha_dirty_table_entry_s *ha_find_entry(ha_dirty_table_entry_s *head, uint64_t line_address)
{
    uint64_t line = line_address & HA_LINE_ADDRESS_MASK;
    for (ha_dirty_table_entry_s *entry = head; entry; entry = entry->next)
        if ((entry->word & HA_LINE_ADDRESS_MASK) == line) return entry;
    return nullptr;
}

int ha_flush_check_mcm(MCM *chip, uint64_t line_address, ha_dirty_table_entry_s **entry)
{
    ha_dirty_table_entry_s *found = chip ? ha_find_entry(chip->ha_dirty_table, line_address) : nullptr;
    if (entry) *entry = found;
    return found && found->busy ? 1 : 0;
}

int ha_flush_check(ThreadState *thread, uint64_t line_address, ha_dirty_table_entry_s **entry)
{
    return ha_flush_check_mcm(thread ? thread->mcm : nullptr, line_address, entry);
}

void ha_delete_entry(ha_dirty_table_entry_s **head, ha_dirty_table_entry_s *entry)
{
    if (!head || !entry) return;
    for (ha_dirty_table_entry_s **link = head; *link; link = &(*link)->next) {
        if (*link == entry) {
            *link = entry->next;
            QUARN_FREE(entry);
            return;
        }
    }
}

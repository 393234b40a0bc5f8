// Translator statistics tables.
#include "translator/turbo_stats.h"

#include <cstring>

turbo_stats_s turbo_stats;

void turbo_stats_clear(void)
{
    memset(&turbo_stats, 0, sizeof turbo_stats);
}

void turbo_count_reason(int32_t reason)
{
    if (reason >= 0 && reason < TURBO_EXIT_REASONS) turbo_stats.counts.reasons[reason]++;
}

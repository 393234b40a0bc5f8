// Process-wide statistics of the translator: exits per reason, "unknown" exits per operation kind,
// sim-support codes, and "unknown" mfspr and mtspr exits per SPR number. Each table has a twin that
// the periodic report keeps for its deltas. Raised without locks (they are statistics).
#pragma once

#include <cstdint>

#include "translator/crack.h"
#include "translator/turbo_reason.h"

constexpr int TURBO_SUPPORT_CODES = 200;
constexpr int TURBO_SPR_NUMBERS = 1024;

struct turbo_counts_s {
    uint32_t reasons[TURBO_EXIT_REASONS];
    uint32_t unknown_kinds[CRACK_KINDS];
    uint32_t support_codes[TURBO_SUPPORT_CODES];
    uint32_t mfspr[TURBO_SPR_NUMBERS];
    uint32_t mtspr[TURBO_SPR_NUMBERS];
};

struct turbo_stats_s {
    turbo_counts_s counts;
    turbo_counts_s previous; // as of the last report
};

extern turbo_stats_s turbo_stats;

// Zeroes both the counts and their twins.
void turbo_stats_clear(void);
// Counts one exit for the reason (numbers outside 0 to 52 are not counted).
void turbo_count_reason(int32_t reason);

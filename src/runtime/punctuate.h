// Decimal rendering of 64-bit integers with thousands separators (1,234,567), used by the
// heartbeat line and the performance-monitor counter lines.
#pragma once

#include <cstdint>

// The buffer must hold at least PUNCTUATE_BUFFER_SIZE bytes.
constexpr int PUNCTUATE_BUFFER_SIZE = 27;

// Writes v into the buffer with a comma between every group of three digits counted from the
// right (a leading minus sign is not a digit); answers the buffer.
char *PunctuateLargeInteger(char *buffer, int64_t v);

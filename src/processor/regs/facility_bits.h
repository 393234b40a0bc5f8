// The HFSCR and FSCR bit of each facility number (0 to 9); a zero entry means no test.
#pragma once

#include <cstdint>

constexpr int FACILITY_COUNT = 10;

// Facility numbers with a fixed meaning.
enum : int {
    FACILITY_BHRB = 4,
    FACILITY_TM = 5,
    FACILITY_ASSIST = 6,
    FACILITY_EBB = 7,
    FACILITY_TAR = 8,
    FACILITY_PBT = 9
};

extern const uint64_t HFscr_bits[FACILITY_COUNT];
extern const uint64_t Fscr_bits[FACILITY_COUNT];

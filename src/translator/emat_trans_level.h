// How far the effective-address maps translate: 0 ERAT, 1 ERAT and TLB, 2 all levels.
#pragma once

#include <cstdint>

extern int32_t EMAT_TRANS_LEVEL;

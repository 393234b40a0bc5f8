// The transactional checkpoint of a hardware thread: the registers a failed transaction restores.
// One per thread, allocated zeroed with the thread.
#pragma once

#include <cstdint>

struct htm_user_state {
    uint64_t GPR[32];
    uint64_t LR;
    uint64_t CTR;
    uint64_t XER;
    uint32_t CR;
    uint64_t FPSCR;
    uint64_t FPR_INVALID_MAP;
    uint32_t VRSAVE;
    uint32_t VSCR;
    uint64_t VSR[64][2];
    uint64_t AMR;
    uint64_t PPR;
    uint64_t TAR;
    uint64_t DSCR;
};

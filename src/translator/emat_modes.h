// A thread's translation modes (xmode) for fetch and data, and the masks that turn an effective
// address into an address-map key: key = (EA & mask) | base.
#pragma once

#include <cstdint>

struct ThreadState;

enum : int {
    XMODE_PA = 0,      // never chosen; routines exist
    XMODE_EA0 = 1,     // real mode, hypervisor, HRMOR != 0
    XMODE_HRMOR0 = 2,  // real mode, hypervisor, HRMOR = 0
    XMODE_RMOR = 3,    // real mode, not hypervisor, RMOR != 0
    XMODE_RMOR0 = 4,   // real mode, not hypervisor, RMOR = 0
    XMODE_INVALID = 5, // real mode, not hypervisor, LPES1 clear and not removed
    XMODE_VRM = 6,     // real mode, not hypervisor, LPCR[VPM0] set
    XMODE_EMAT = 7,    // relocation on
};

constexpr uint64_t LPCR_VPM0 = 0x8000000000000000ull;
constexpr uint64_t LPCR_LPES1_BIT = 0x4;

// MSR[IR] for fetch, MSR[DR] for data.
int EMAT_XLATE_ON(ThreadState *thread, uint64_t msr, int fetch);
// The thread's mode now (1 to 7); HRMOR, RMOR and LPCR are read with their read triggers.
int EMAT_XLATE_MODE(ThreadState *thread, int fetch);
// The mask and base of the mode; an unknown mode is the error "unknown xmode, %s(%d)" and leaves
// both outputs as they were.
void EMAT_COMPUTE_MASKS(ThreadState *thread, int mode, uint64_t *mask, uint64_t *base);
// "PA", "EA0", "HRMOR0", "RMOR", "RMOR0", "INVALID", "VRM", "EMAT"; "?" for any other number.
const char *EMAT_XLATE_NAME(int mode);

// The choice of a thread's current effective-address map from its MSR (and, in supervisor real
// mode, LPCR[VPM0]), for instruction fetch or data; maps are made on first use.
#pragma once

#include <cstdint>

struct ThreadState;
struct emat_s;

// The map of the addressing state: relocation on (MSR[IR] for fetch, MSR[DR] for data): problem
// state 0, hypervisor 5, supervisor 2; off: problem state 1, hypervisor 6, supervisor 4 when
// LPCR[VPM0] is set else 3. Made with emat_new, prepared with emat_prep; listed when debug
// category 113 is above 0. Null only when the map cannot be made.
emat_s *GET_CURRENT_EMAT(ThreadState *thread, uint64_t msr, int fetch);

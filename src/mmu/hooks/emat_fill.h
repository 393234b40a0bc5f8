// The translator's effective-address maps as the storage path fills them: after a slow-path
// translation that translated code asked for (the thread's emat_fill_request), the result is
// installed in the thread's current map. Declared here for the floors that call it; defined by the
// translator (translator/current_emat.cpp, translator/emat.cpp).
#pragma once

#include <cstdint>

struct AXD;
struct ThreadState;
struct emat_s;

// The thread's current map for the MSR, for instruction fetch (non-zero) or data.
emat_s *GET_CURRENT_EMAT(ThreadState *thread, uint64_t msr, int fetch);
// Installs the page of a completed translation in the map.
int emat_add(emat_s *map, ThreadState *thread, AXD *axd);

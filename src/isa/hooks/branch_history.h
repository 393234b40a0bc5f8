// The taken-branch hooks of the branch-history rolling buffer and the call-signature filter, and
// the clearing of the branch history.
// Declared here for the floors that call it; defined by the execution engine
// (exec/branch_history.cpp).
#pragma once

#include <cstdint>

struct IOPDesc;

// Records a taken branch (from, to, link) in the thread's branch-history buffer when recording
// is enabled; the result is not used by the branches.
int BHRB_taken_branch_filter(IOPDesc *iop, uint64_t from, uint64_t to, uint32_t link);
// The call-signature filter of a taken branch; count is the decremented CTR (0 when none).
int CSIG_taken_branch_call_filter(IOPDesc *iop, uint64_t from, uint64_t to, uint32_t link, uint64_t count);
// Sets the 32 branch-history entries to 0; returns 1.
int core_clrbhrb(IOPDesc *iop);

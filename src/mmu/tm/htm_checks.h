// The transactional checks that instructions outside the transactional-memory group make: the
// rules for MSR writes that change the transaction state. The facility check, the OS-support flag
// and the reservation rules are defined here too; lower floors call them, so they are declared in
// processor/hooks/htm.h.
#pragma once

#include <cstdint>

struct IOPDesc;

// Checks the transaction-state change of an MSR write from old_msr to *new_msr (mtmsrd, rfid,
// hrfid, rfebb; name is the mnemonic). 1 allowed; a write from S0 asking for N0 is suppressed
// (*new_msr keeps S0) and allowed, except for rfebb. 0 refused: the caller raises its interrupt.
int HTM_check_MSR_Transition(IOPDesc *iop, uint64_t *new_msr, uint64_t old_msr, const char *name);

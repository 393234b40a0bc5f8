// The MSR an interrupt installs, and the merge of the DSISR bits of the exceptions one instruction
// raised.
#pragma once

#include <cstdint>

struct IOPDesc;
struct PowerPCException;

// The new MSR for an interrupt of the type taken from the old MSR; hv_call is set for a system
// call with LEV = 1.
uint64_t Compute_New_MSR_For_Exception(IOPDesc *iop, uint64_t old_msr, int32_t type, int hv_call);
// Folds into *dsisr the DSISR bits of the instruction's other exceptions that match exc, and
// leaves in *changed only the bits the merge newly set.
void Merge_DSISR_Values(IOPDesc *iop, PowerPCException *exc, uint32_t *dsisr, uint32_t *changed);

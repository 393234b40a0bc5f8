// The partition-register writes that the SPR moves of LPIDR and LPCR go through.
// Declared here for the floors that call it; defined by the command language
// (command/partition_writes.cpp).
#pragma once

#include <cstdint>

struct IOPDesc;

// Read triggers, write triggers, masked store into the partition core's LPIDR (written).
void WriteLPIDR(IOPDesc *iop, uint32_t value);
// Write triggers, masked store into the thread's LPCR (written), then the interrupt re-evaluation.
void WriteLPCR(IOPDesc *iop, uint64_t value);

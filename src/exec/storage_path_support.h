// What the storage checks ask of the execution engine: whether a pending transaction must end
// instead of an interrupt being raised, and the byte order of an access.
#pragma once

#include <cstdint>

struct IOPDesc;

// In transactional state (MSR[TS] = 0b10) with no failure recorded yet: fails the transaction for
// the instruction and returns 1; otherwise 0.
int TerminatePendingTransaction(IOPDesc *iop);
// 1 when the access is little-endian: MSR[LE], inverted by MSR bit 0x0400000000000000 for every
// access kind but a fetch (the MSR read with its read triggers).
int IOP_Access_Is_Little_Endian(IOPDesc *iop, uint32_t access_kind);

// The alignment and storage-attribute rules a translated access must satisfy before its data move:
// the generation-8 rules of every load and store, the cache-inhibited checks the translation makes,
// the translation of a partial access, the special-alignment rule, and the older rule sets kept
// as an exported interface. A violation raises an alignment or data-storage interrupt on the
// instruction.
#pragma once

#include <cstdint>

struct AXD;
struct IOPDesc;

// 1 passed, 0 an interrupt was raised: the generation-8 rules.
int PPC_MMU_CheckAlignment(IOPDesc *iop, AXD *axd);
int PPC_MMU_CheckGlentAlignment(IOPDesc *iop, AXD *axd);
// The cache-inhibited rules for a translation with attribute code wimg and the translation mode
// word; 1 when an interrupt was raised (or a transaction ended instead), else 0.
int CheckInhibitedFaults(IOPDesc *iop, AXD *axd, uint32_t wimg, int mode);
// Translates the first part of a partial access of size bytes at address; raise clear: without
// side effects and leaving no exception. The translation result, or 1 when the access is refused.
int Partial_Load_Translation(IOPDesc *iop, AXD *axd, uint64_t address, int64_t size, int raise);
// An access not aligned to the alignment it demands (align); 1 passed, 0 raised.
int Check_Special_Alignment(IOPDesc *iop, AXD *axd);

// The older rule sets (1 passed, 0 an interrupt was raised).
int PPC_MMU_CheckDravoAlignment(IOPDesc *iop, AXD *axd, int ignored);
int Check_Integer_Load_Alignment(IOPDesc *iop, AXD *axd);
int Check_Integer_Store_Alignment(IOPDesc *iop, AXD *axd);
int CheckLittleEndianAlignment(IOPDesc *iop, AXD *axd);
int Check_FloatingPoint_Load_Early_Alignment(IOPDesc *iop, AXD *axd);
int CheckAlignedReservationMultipleFloat(IOPDesc *iop, AXD *axd, int ignored);

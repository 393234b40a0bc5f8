// Effective-to-physical translation of one access: PPC_MMU_AddressTranslate with its mode bits
// and result codes.
#pragma once

#include <cstdint>

struct AXD;
struct IOPDesc;

// Mode bits.
enum : int {
    XLATE_NOSIDEEFFECT = 0x1, // no R/C, TLB, ERAT or map fill, no physical-address trigger
    XLATE_NOEXCEPTION = 0x2,  // no interrupt for the faults of the access
    XLATE_NOCHECK = 0x4,      // no fetch and protection checks
    XLATE_PARTIAL = 0x10,
    XLATE_PTE_CHANGED = 0x20,
    ADDRESS_TRANSLATE_DATA_NOEXCEPTION = 2,
    ADDRESS_TRANSLATE_DATA_NOSIDEEFFECT_NOEXCEPTION = 3,
};

// Results.
enum : int {
    XLATE_OK = 0,           // translated: pa, wimg, page_shift and le are valid
    XLATE_EXCEPTION = 1,    // an exception is pending on the instruction
    XLATE_CROSSES_PAGE = 2, // the access crosses into an accessible second page: done byte by byte
    XLATE_LE_BYTEWISE = 3,  // byte by byte in little-endian order (never produced)
    XLATE_ADDRESS_ONLY = 6, // the cycle-level core asked for the address only; nothing accessed
};

// Translates the access's effective address and completes the descriptor.
int PPC_MMU_AddressTranslate(int mode, IOPDesc *iop, AXD *axd);

// The storage interrupts the load, store and cache instructions raise: alignment, data storage
// for an unsupported access, data storage for a refused cache-inhibited load or store. Each
// returns the filed record, or null when nothing was filed.
#pragma once

#include <cstdint>

struct IOPDesc;
struct PowerPCException;

// Subtype codes the storage path raises.
enum : int32_t {
    EST_ALIGN_LOAD_CROSSES_PAGE = 6,
    EST_ALIGN_STORE_CROSSES_PAGE = 7,
    EST_ALIGN_LOAD_MULTIPLE_UNALIGNED = 22,
    EST_ALIGN_LOAD_MULTIPLE_WIMG = 23,
    EST_ALIGN_LOAD_CROSSES_BOUNDARY = 24,
    EST_ALIGN_CI_RESERVATION = 30,
    EST_ALIGN_STORE_MULTIPLE_UNALIGNED = 31,
    EST_ALIGN_STORE_MULTIPLE_WIMG = 32,
    EST_ALIGN_LOAD_STRING_WIMG = 38,
    EST_ALIGN_STORE_STRING_WIMG = 39,
    EST_ALIGN_CI_DCBZ = 68,
    EST_ALIGN_WRITE_THRU_RESERVATION = 83,
    EST_PROGRAM_PRIVILEGED = 218,
    EST_DSI_WRITE_THRU_RESERVATION = 227,
    EST_DSI_CI_RESERVATION = 228,
    EST_DSI_CI_LOAD_STORE = 280,
    EST_ALIGN_PELK_NOT_NATURAL = 302,
};

// Alignment interrupt (type 1) at the address; ignored: an alignment mask some callers pass.
PowerPCException *interrupt_AlignmentException(IOPDesc *iop, uint64_t address, uint64_t ignored,
                                               uint32_t kind, int32_t subtype);
// Data-storage interrupt (type 8) for an access the storage does not support.
PowerPCException *interrupt_DataStorageAccess(IOPDesc *iop, uint64_t address, uint32_t kind, int32_t subtype);
// Data-storage interrupt for a cache-inhibited load or store made with data relocation on.
PowerPCException *interrupt_DataStorageCILoadStore(IOPDesc *iop, uint64_t address, uint32_t kind);

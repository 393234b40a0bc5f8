// The storage interrupts: data and instruction storage, segment, key, protection, alignment and
// hypervisor TLB faults, the coprocessor, pbt, direct-store and AMO forms, and the common DAR and
// DSISR setter. A raiser decides the architected interrupt (for a partition's access possibly the
// hypervisor form), fills the record with the fault address, DAR/DSISR or the SRR1 bits, and files
// it on the instruction. Each returns the filed record, or null when nothing was filed (the
// transactional-memory model took the interrupt, or the record was a duplicate).
//
// kind is the access kind of the faulting access (AXD_KIND_*); Store and CacheSet are store-like
// and add DSISR bit 0x2000000.
#pragma once

#include <cstdint>

struct IOPDesc;
struct PowerPCException;

// Subtype codes the storage path and the load/store instructions raise (with those of
// interrupts/exception_types.h).
enum : int32_t {
    EST_ALIGN_LOAD_CROSSES_PAGE = 6,
    EST_ALIGN_STORE_CROSSES_PAGE = 7,
    EST_ALIGN_FP_LOAD_CROSSES_PAGE = 9,
    EST_ALIGN_LOAD_MULTIPLE_UNALIGNED = 22,
    EST_ALIGN_LOAD_MULTIPLE_WIMG = 23,
    EST_ALIGN_LOAD_CROSSES_BOUNDARY = 24,
    EST_ALIGN_LOAD_WIMG = 26,
    EST_ALIGN_CI_RESERVATION = 30,
    EST_ALIGN_STORE_MULTIPLE_UNALIGNED = 31,
    EST_ALIGN_STORE_MULTIPLE_WIMG = 32,
    EST_ALIGN_STORE_WIMG = 35,
    EST_ALIGN_LOAD_STRING_WIMG = 38,
    EST_ALIGN_STORE_STRING_WIMG = 39,
    EST_ALIGN_CI_NOT_NATURAL = 64,
    EST_ALIGN_CI_DCBZ = 68,
    EST_ALIGN_WRITE_THRU_RESERVATION = 83,
    EST_PROGRAM_PRIVILEGED = 218,
    EST_DSI_WRITE_THRU_RESERVATION = 227,
    EST_DSI_CI_RESERVATION = 228,
    EST_DSI_DIRECT_STORE = 232,
    EST_DSI_ICSWX_UNAVAILABLE = 238,
    EST_DSI_PAGE_FAULT = 248,
    EST_ISI_KEY = 251,
    EST_ISI_PAGE_FAULT = 252,
    EST_DSI_DAWR_MATCH = 278,
    EST_DSI_CI_LOAD_STORE = 280,
    EST_DSI_PBT = 281,
    EST_DSI_EAO_SEGMENT_CROSS = 285,
    EST_DSI_AMO = 299,
    EST_ALIGN_PELK_NOT_NATURAL = 302,
    EST_ISI_G_BIT = 222,
    EST_ISI_N_BIT = 224,
    EST_ISI_FETCH_GUARDED = 271,
    EST_ISI_FETCH_NO_EXECUTE = 272,
};

// Exception types of the storage interrupts.
enum : int32_t {
    EXC_TYPE_ALIGNMENT = 1,
    EXC_TYPE_DATA_STORAGE = 8,
    EXC_TYPE_DATA_STORAGE_KEY = 9,
    EXC_TYPE_DATA_PROTECTION = 10,
    EXC_TYPE_DATA_STORAGE_DAWR = 11,
    EXC_TYPE_DATA_SEG_FAULT = 12,
    EXC_TYPE_INSTRUCTION_STORAGE = 13,
    EXC_TYPE_INSTRUCTION_KEY = 14,
    EXC_TYPE_INSTRUCTION_PROTECTION = 15,
    EXC_TYPE_INST_SEG_FAULT = 16,
    EXC_TYPE_EAO_DATA_STORAGE = 20,
    EXC_TYPE_HV_DSI = 29,
    EXC_TYPE_HV_DSI_KEY = 30,
    EXC_TYPE_HV_DSI_PROTECTION = 31,
    EXC_TYPE_HV_DSI_DAWR = 32,
    EXC_TYPE_HV_ISI = 33,
    EXC_TYPE_HV_ISI_KEY = 34,
    EXC_TYPE_HV_ISI_PROTECTION = 35,
    EXC_TYPE_HV_DTLB = 36,
    EXC_TYPE_HV_ITLB = 37,
    EXC_TYPE_HV_EAO_DATA_STORAGE = 38,
};

// No page-table entry for the address.
PowerPCException *interrupt_DataStoragePageFault(IOPDesc *iop, uint64_t address, uint32_t kind);
// No SLB entry for the address; a non-zero message_subtype only replaces the subtype named in the
// translation debug text.
PowerPCException *interrupt_DataStorageSegmentFault(IOPDesc *iop, uint64_t address, uint32_t kind,
                                                    int32_t message_subtype);
// Storage-key violation: the DSISR value of a data access, the SRR1 bits of a fetch.
PowerPCException *interrupt_DataStorageKey(IOPDesc *iop, uint64_t address, uint32_t kind, uint32_t dsisr,
                                           uint64_t srr1_bits);
// Page or real-mode protection violation.
PowerPCException *interrupt_DataStorageProtection(IOPDesc *iop, uint64_t address, uint32_t kind,
                                                  int32_t subtype);
// An access the storage does not support (cache-inhibited or write-through restrictions).
PowerPCException *interrupt_DataStorageAccess(IOPDesc *iop, uint64_t address, uint32_t kind, int32_t subtype);
// A cache-inhibited load or store instruction refused.
PowerPCException *interrupt_DataStorageCILoadStore(IOPDesc *iop, uint64_t address, uint32_t kind);
// A fetch refused by its page's attributes (guarded or no-execute): the instruction-storage
// interrupt with the subtype and SRR1 bit 0x10000000.
PowerPCException *interrupt_InstructionStorage(IOPDesc *iop, uint64_t address, int32_t subtype);
// A TLB miss while the hardware page-table search is disabled.
PowerPCException *interrupt_HVTLBException(IOPDesc *iop, uint64_t address, uint32_t kind);
// A refused coprocessor request.
PowerPCException *interrupt_ICSWX(IOPDesc *iop, uint64_t address, uint32_t dsisr);
// The pbt instruction's data-storage interrupt; DAR is the low 12 bits of RS.
PowerPCException *interrupt_DataStoragePBT(IOPDesc *iop, uint64_t ignored, uint32_t kind);
// The alignment interrupt; ignored: an alignment mask some callers pass.
PowerPCException *interrupt_AlignmentException(IOPDesc *iop, uint64_t address, uint64_t ignored,
                                               uint32_t kind, int32_t subtype);
// The direct-store segment and AMO data-storage interrupts.
PowerPCException *interrupt_DirectStorage(IOPDesc *iop, uint64_t address, uint32_t kind);
PowerPCException *interrupt_DataStorageAMO(IOPDesc *iop, uint64_t address, uint32_t kind);

// Sets the record's DAR (the address, adjusted for page-crossing VSX accesses, vector elements
// and 32-bit mode) and DSISR by the two flags; a hypervisor record always gets both.
void Set_DSISR_DAR(IOPDesc *iop, PowerPCException *record, uint32_t kind, uint64_t address, uint32_t dsisr,
                   int dar_flag, int dsisr_flag);
// The alignment DSISR bits computed from the instruction word by its form (D, DS, X).
uint32_t Compute_DSISR_Bits_From_inst(IOPDesc *iop);
// The text of a subtype the storage path raises ("" for 0 or an unknown code).
const char *Storage_Subtype_Text(int32_t subtype);

// What translation asks of the protection, segment, alignment and watchpoint code and of the
// storage-interrupt raisers.
#pragma once

#include <cstdint>

struct AXD;
struct IOPDesc;
struct PowerPCException;
struct SLB;

// Protection decision for the descriptor's perm bits: 1 permitted, 0 refused.
int PPC_MMU_Check_Access(IOPDesc *iop, AXD *axd);
// Cache-inhibited rules of a translated access: 1 when an interrupt was raised.
int CheckInhibitedFaults(IOPDesc *iop, AXD *axd, uint32_t wimg, int mode);
// Effective-address overflow check of tags-active state: 2 fine, 1 overflow on a touch, 0 raised.
int CEA_CHECK_EAO_WITH_INTERRUPT(IOPDesc *iop);
// Storage interrupts.
PowerPCException *interrupt_DataStorageProtection(IOPDesc *iop, uint64_t address, uint32_t kind, int32_t subtype);
PowerPCException *interrupt_DataStorageSegmentFault(IOPDesc *iop, uint64_t address, uint32_t kind,
                                                    int32_t message_subtype);

// Subtype codes translation raises.
enum : int32_t {
    EST_ALIGN_CROSSES_PAGE = 15,
    EST_DSI_STORAGE_PROTECTION = 234,
    EST_DSI_REAL_MODE_PROTECTION = 239,
    EST_DSI_SEGMENT_FAULT = 247,
    EST_ISI_SEGMENT_FAULT = 250,
};

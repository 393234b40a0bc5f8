// The data-storage interrupts of translation faults: page fault, protection fault and segment
// fault. Each files its record on the instruction and returns it, or null.
#pragma once

#include <cstdint>

struct IOPDesc;
struct PowerPCException;

PowerPCException *interrupt_DataStoragePageFault(IOPDesc *iop, uint64_t address, uint32_t kind);
PowerPCException *interrupt_DataStorageProtection(IOPDesc *iop, uint64_t address, uint32_t kind,
                                                  int32_t subtype);
PowerPCException *interrupt_DataStorageSegmentFault(IOPDesc *iop, uint64_t address, uint32_t kind,
                                                    int32_t subtype);

// Stand-ins of the translation-fault data-storage interrupts.
#include "mmu/storage_fault_raisers.h"

#include "exec/interrupt_raisers.h"
#include "processor/exception_record.h"
#include "processor/instruction_record.h"

namespace
{

PowerPCException *file_fault(IOPDesc *iop, int32_t type, int32_t subtype, uint64_t address, uint32_t kind,
                             uint32_t dsisr, const char *detail)
{
    if (!iop || !iop->thread) return nullptr;
    PowerPCException *record = IOP_New_Exception(iop, type, subtype);
    if (!record) return nullptr;
    record->address = address;
    record->address_valid = 1;
    record->dar = address;
    record->dar_valid = 1;
    record->dsisr = dsisr | (kind == 1 ? 0x2000000u : 0u);
    record->dsisr_valid = 1;
    return Take_Care_Of_Exception(iop, record, detail);
}

} // namespace

// STAND-IN: the hypervisor routing, the fetch forms, the transactional-memory hand-off and the
// SDAR fill are missing; the data form is filed with its DSISR.
__attribute__((weak)) PowerPCException *interrupt_DataStoragePageFault(IOPDesc *iop, uint64_t address, uint32_t kind)
{
    return file_fault(iop, 8, 248, address, kind, 0x40000000u, "DSI: Page Fault");
}

// STAND-IN: see interrupt_DataStoragePageFault.
__attribute__((weak)) PowerPCException *interrupt_DataStorageProtection(IOPDesc *iop, uint64_t address,
                                                                        uint32_t kind, int32_t subtype)
{
    return file_fault(iop, 10, subtype, address, kind, 0x8000000u, "DSI: Protection");
}

// STAND-IN: see interrupt_DataStoragePageFault; the segment-fault DSISR options are missing.
__attribute__((weak)) PowerPCException *interrupt_DataStorageSegmentFault(IOPDesc *iop, uint64_t address,
                                                                          uint32_t kind, int32_t)
{
    return file_fault(iop, 12, 247, address, kind, 0, "DSI: Segment Fault");
}

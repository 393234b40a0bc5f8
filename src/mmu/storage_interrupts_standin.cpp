// Stand-ins of the storage interrupts of the load, store and cache instructions.
#include "mmu/storage_interrupts.h"

#include "exec/exception_names.h"
#include "exec/exception_types.h"
#include "exec/interrupt_raisers.h"
#include "isa/ppc_bits.h"
#include "mmu/axd.h"
#include "mmu/htm_exception_standin.h"
#include "processor/exception_record.h"
#include "processor/instruction_record.h"
#include "processor/thread_state.h"

namespace
{

// The subtype texts these raisers file, until the subtype table describes them.
const char *subtype_text(int32_t subtype)
{
    if (const char *text = est_string(subtype)) return text;
    switch (subtype) {
    case EST_ALIGN_LOAD_CROSSES_PAGE:
    case EST_ALIGN_LOAD_CROSSES_BOUNDARY:
        return "ALIGNMENT: load crosses page boundary";
    case EST_ALIGN_STORE_CROSSES_PAGE:
        return "ALIGNMENT: store crosses page boundary";
    case EST_ALIGN_LOAD_MULTIPLE_UNALIGNED:
        return "ALIGNMENT: load multiple from unaligned address.";
    case EST_ALIGN_LOAD_MULTIPLE_WIMG:
        return "ALIGNMENT: load multiple spans pages with different Storage Attributes (WIMG)";
    case EST_ALIGN_CI_RESERVATION:
        return "ALIGNMENT: Cache-inhibited: Reservation access";
    case EST_ALIGN_STORE_MULTIPLE_UNALIGNED:
        return "ALIGNMENT: store multiple from unaligned address.";
    case EST_ALIGN_STORE_MULTIPLE_WIMG:
        return "ALIGNMENT: store multiple spans pages with different Storage Attributes (WIMG)";
    case EST_ALIGN_LOAD_STRING_WIMG:
        return "ALIGNMENT: load string spans pages with different Storage Attributes (WIMG)";
    case EST_ALIGN_STORE_STRING_WIMG:
        return "ALIGNMENT: store string spans pages with different Storage Attributes (WIMG)";
    case EST_ALIGN_CI_DCBZ:
        return "ALIGNMENT: Cache-inhibited: dcbz (cirn)";
    case EST_ALIGN_WRITE_THRU_RESERVATION:
        return "ALIGNMENT: Write-thru: larx/stcx";
    case EST_DSI_WRITE_THRU_RESERVATION:
        return "DSI: Write-thru: Reservation";
    case EST_DSI_CI_RESERVATION:
        return "DSI: Cache-inhibited: Reservation";
    case EST_DSI_CI_LOAD_STORE:
        return "DSI: CI op w/DR=1 or to G=0 space";
    case EST_ALIGN_PELK_NOT_NATURAL:
        return "ALIGNMENT: PELK load/store not naturally aligned";
    default:
        return "";
    }
}

bool store_like(uint32_t kind)
{
    return kind == AXD_KIND_STORE || kind == AXD_KIND_CACHE_SET;
}

// The transactional-memory model's first chance at the interrupt.
bool taken_by_transaction(IOPDesc *iop, int32_t type)
{
    if (!iop->thread || OS_SUPPORTS_HTM(iop)) return false;
    if ((iop->thread->MSR.value & MSR_TS) == 0) return false;
    return htm_handle_exception(iop, type) != 0;
}

// DAR from the address (its low word in 32-bit mode) and, when given, DSISR.
void set_dar_dsisr(IOPDesc *iop, PowerPCException *record, uint64_t address, bool dsisr_valid, uint32_t dsisr)
{
    bool mode64 = (iop->thread->MSR.value & MSR_SF) != 0;
    record->dar_valid = 1;
    record->dar = mode64 ? address : (address & 0xFFFFFFFFull);
    record->dsisr_valid = dsisr_valid ? 1 : 0;
    if (dsisr_valid) record->dsisr = dsisr;
}

PowerPCException *data_storage(IOPDesc *iop, uint64_t address, int32_t subtype, uint32_t dsisr)
{
    PowerPCException *record = IOP_New_Exception(iop, EXC_DATA_STORAGE, subtype);
    if (!record) return nullptr;
    record->address = address;
    record->address_valid = 1;
    record->srr1_set = 0;
    set_dar_dsisr(iop, record, address, true, dsisr);
    return Take_Care_Of_Exception(iop, record, subtype_text(subtype));
}

} // namespace

// STAND-IN: the storage interrupts are not built. The alignment interrupt leaves DSISR as it was
// and sets DAR; the SDAR fill and the page-crossing DAR adjustments are missing.
__attribute__((weak)) PowerPCException *interrupt_AlignmentException(IOPDesc *iop, uint64_t address, uint64_t,
                                                                     uint32_t, int32_t subtype)
{
    if (taken_by_transaction(iop, EXC_ALIGNMENT)) return nullptr;
    PowerPCException *record = IOP_New_Exception(iop, EXC_ALIGNMENT, subtype);
    if (!record) return nullptr;
    record->address = address;
    record->address_valid = 1;
    record->srr1_set = 0;
    set_dar_dsisr(iop, record, address, false, 0);
    return Take_Care_Of_Exception(iop, record, subtype_text(subtype));
}

// STAND-IN: see interrupt_AlignmentException; the hypervisor routing (HV_DSI) is missing.
__attribute__((weak)) PowerPCException *interrupt_DataStorageAccess(IOPDesc *iop, uint64_t address,
                                                                    uint32_t kind, int32_t subtype)
{
    return data_storage(iop, address, subtype, store_like(kind) ? 0x6000000u : 0x4000000u);
}

// STAND-IN: see interrupt_AlignmentException.
__attribute__((weak)) PowerPCException *interrupt_DataStorageCILoadStore(IOPDesc *iop, uint64_t address,
                                                                         uint32_t kind)
{
    return data_storage(iop, address, EST_DSI_CI_LOAD_STORE, store_like(kind) ? 0x2000002u : 0x2u);
}

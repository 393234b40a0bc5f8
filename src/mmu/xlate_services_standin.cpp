// Stand-ins of the protection, segment, alignment and watchpoint services of translation.
#include "mmu/xlate_services.h"

#include "interrupts/interrupt_raisers.h"
#include "mmu/xlate_internal.h"
#include "processor/config/processor_options.h"
#include "processor/records/axd.h"
#include "processor/records/exception_record.h"
#include "processor/records/instruction_record.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"

namespace
{

PowerPCException *file_storage_record(IOPDesc *iop, int32_t type, int32_t subtype, uint64_t address,
                                      const char *text)
{
    PowerPCException *record = IOP_New_Exception(iop, type, subtype);
    if (!record) return nullptr;
    record->address = address;
    record->address_valid = 1;
    return Take_Care_Of_Exception(iop, record, text);
}

} // namespace

// STAND-IN: the protection tables are not built; every access is permitted.
__attribute__((weak)) int PPC_MMU_Check_Access(IOPDesc *, AXD *)
{
    return 1;
}

// STAND-IN: the SLB search is not built; no segment is found.
__attribute__((weak)) int PPC_MMU_Search_SLB(IOPDesc *, uint64_t, SLB *, AXD *)
{
    return 0;
}

// STAND-IN: the page stage of translation (ERAT, TLB, hashed page table, protection, R/C update
// and fills) is not built; a data (8, "DSI: Page Fault") or instruction (13, "ISI: Page Fault")
// storage record is filed unless interrupts are suppressed, and the result is 1.
__attribute__((weak)) int PPC_MMU_Xlate_Page(int mode, IOPDesc *iop, AXD *axd, SLB *)
{
    if (!(mode & 0x2)) {
        bool fetch = axd->kind == AXD_KIND_FETCH;
        file_storage_record(iop, fetch ? 13 : 8, fetch ? 252 : 248, axd->ea, fetch ? "ISI: Page Fault" : "DSI: Page Fault");
    }
    return 1;
}

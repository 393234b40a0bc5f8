// The instruction-cache read of "icread".
#include "mmu/icread.h"

#include "interrupts/interrupt_raisers.h"
#include "mmu/ea_access.h"
#include "mmu/hooks/cache_data_path.h"
#include "mmu/hooks/sim_support_call.h"
#include "mmu/storage_interrupts.h"
#include "processor/config/processor_options.h"
#include "processor/records/axd.h"
#include "processor/records/instruction_record.h"
#include "processor/regs/iop_registers.h"
#include "runtime/message.h"

namespace
{

constexpr int32_t EST_ALIGN_ICREAD = 77; // "ALIGNMENT: icread not 4-byte aligned"
constexpr uint32_t RT_RA_RB_FIELDS = 0x03FFF800;

bool old_support_call_seen = false;

} // namespace

int core_icread(IOPDesc *iop)
{
    if (IOP_Option(iop, PO_ICREAD_IS_SIM_SUPPORT) && !(iop->word & RT_RA_RB_FIELDS)) {
        if (!old_support_call_seen) {
            old_support_call_seen = true;
            sim_warning(
                2, "OLD-SIM-SUPPORT encoding encountered (Conflicts with icread).   This should be updated.");
        }
        return SimSupport(iop);
    }
    if (!IOP_Option(iop, PO_ICREAD_SUPPORTED)) {
        interrupt_IllegalInstruction(iop, "icread");
        return 0;
    }
    if (iGET_MSR(iop) & MSR_PR) {
        interrupt_PrivilegedInstruction(iop);
        return 0;
    }
    if (!EA_gen_x_loads_stores(iop)) return 0;
    AXD *axd = &iop->data;
    if (axd->ea & 3) {
        interrupt_AlignmentException(iop, axd->ea, 0, axd->kind, EST_ALIGN_ICREAD);
        return 0;
    }
    uint64_t line = cacheGlobalConfig_ICache_Line_Size();
    if (line) axd->ea &= ~(line - 1);
    // What the instruction cache would give is not modelled: the instruction only checks and aligns.
    sim_warning(2, "ICREAD: without semantics!");
    return 1;
}

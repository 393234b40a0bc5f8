// The instruction-match check and the facility test (see imc_check.h).
#include "exec/imc_check.h"

#include <strings.h>

#include "decode/instr_info.h"
#include "decode/instr_tables.h"
#include "exec/instruction_hooks.h"
#include "interrupts/instruction_raisers.h"
#include "interrupts/interrupt_raisers.h"
#include "processor/hooks/htm.h"
#include "processor/hooks/interrupt_hooks.h"
#include "processor/records/instruction_record.h"
#include "processor/records/thread_state.h"
#include "processor/regs/msr_rules.h"
#include "processor/regs/reg_accessors.h"
#include "processor/regs/reg_triggers.h"
#include "processor/spr/spr_table.h"
#include "vector/imc_match.h"

namespace
{

constexpr uint64_t kMsrTm = 0x100000000ull;
constexpr uint64_t kMmcr0Bhrba = 0x200000;
constexpr uint32_t kNop = 0x60000000; // ori 0,0,0

enum : int { FAC_FP = 0, FAC_VECTOR = 1, FAC_DSCR = 2, FAC_PMU = 3, FAC_BHRB = 4, FAC_TM = 5 };
enum : int { FAC_EBB = 7, FAC_TAR = 8, FAC_PBT = 9 };

bool problem_state(IOPDesc *iop)
{
    return (iGET_MSR(iop) & MSR_PR) != 0;
}

// MMCR0[PMCC].
uint64_t pmcc(IOPDesc *iop)
{
    return (iGET_MMCR0(iop) >> 18) & 3;
}

// An SPR move of the performance monitor refused in problem state under some PMCC values:
// facility 3 must pass, then the listed PMCC values raise facility-unavailable. 1 when refused.
uint32_t pmu_move(IOPDesc *iop, const char *name, unsigned refused_pmcc_mask)
{
    if (!Check_Facility_Enabled(iop, FAC_PMU, name)) return 1;
    if (problem_state(iop) && ((refused_pmcc_mask >> pmcc(iop)) & 1)) {
        interrupt_FacilityUnavailable(iop, FAC_PMU, name);
        return 1;
    }
    return 0;
}

uint32_t spr_move(IOPDesc *iop, const InstrInfo *row)
{
    const char *name = row->mnemonic;
    const uint32_t word = iop->word;
    const int32_t n = (int32_t)(((word >> 16) & 0x1F) | ((word >> 6) & 0x3E0));
    const bool is_mtspr = (row->class_flags & II_MTSPR) != 0;
    const char *spr = SPR_Name(Index_SPR_Table(iop->thread->processor, n));
    if (spr && (!strcasecmp(spr, "TFHAR") || !strcasecmp(spr, "TFIAR") || !strcasecmp(spr, "TEXASRU") ||
                !strcasecmp(spr, "TEXASR")))
        if (!HTM_ENABLED_CHECK(iop)) return 1;

    const auto facility = [&](int f) { return Check_Facility_Enabled(iop, f, name) ? 0u : 1u; };
    if ((n >= 784 && n <= 786) || (n >= 795 && n <= 798) || (n >= 787 && n <= 792)) return facility(FAC_PMU);
    if (n == 17) return facility(FAC_DSCR);
    if (n == 815) return facility(FAC_TAR);
    if (n >= 800 && n <= 806) return facility(FAC_EBB);
    // PMCC masks: bit v set refuses PMCC value v in problem state.
    if (n >= 771 && n <= 774) return pmu_move(iop, name, 1u << 1);
    if (n == 775 || n == 776) return pmu_move(iop, name, (1u << 1) | (1u << 3));
    if ((n >= 779 && n <= 781) || n == 769 || n == 770) return pmu_move(iop, name, 1u << 1);
    if (n == 782) return is_mtspr ? 0 : pmu_move(iop, name, (1u << 1) | (1u << 2) | (1u << 3));
    if (n == 768) return is_mtspr ? 0 : pmu_move(iop, name, 1u << 1);
    return 0;
}

} // namespace

uint32_t InstructionAvailableInterrupt(IOPDesc *iop)
{
    const InstrInfo *row = Processor_Decode_Instruction(iop->thread->processor, iop->word);
    if (!row || row->id == 0) return 0;
    const uint64_t cls = row->class_flags;
    const char *name = row->mnemonic;
    const auto needs = [&](uint64_t msr_bit, int f) {
        if (!(iGET_MSR(iop) & msr_bit)) return 1u;
        return Check_Facility_Enabled(iop, f, name) ? 0u : 1u;
    };

    if (cls & II_VSR_GPR_MOVE) {
        const uint32_t r = (iop->word & 1) ? needs(MSR_VMX, FAC_VECTOR) : needs(MSR_FP, FAC_FP);
        if (r) return 1;
    }
    if ((cls & (II_VMX | (1ull << 18) | II_VSX | II_CRYPTO | II_VMX207 | II_VSR_GPR_MOVE)) == II_VSX &&
        needs(MSR_VSX, FAC_VECTOR))
        return 1;
    if ((cls & (II_VMX | II_CRYPTO | II_VMX207)) && needs(MSR_VMX, FAC_VECTOR)) return 1;
    if ((cls & (II_FP | II_VMX | (1ull << 18) | II_VSX)) == II_FP && needs(MSR_FP, FAC_FP)) return 1;
    if ((cls & II_TM) && needs(kMsrTm, FAC_TM)) return 1;
    if ((cls & II_PBT) && !Check_Facility_Enabled(iop, FAC_PBT, name)) return 1;
    if (cls & II_BHRB) {
        if (!Check_Facility_Enabled(iop, FAC_BHRB, name)) return 1;
        if (problem_state(iop) && !(iGET_MMCR0(iop) & kMmcr0Bhrba)) return 1;
    }
    if (!(cls & (II_MTSPR | II_MFSPR))) return 0;
    return spr_move(iop, row);
}

int check_for_imc_match(IOPDesc *iop)
{
    const bool full = (iGET_SIM_CTRL(iop) & 0x10) != 0;
    int action = 0;
    for (int n = 0; n < 5 && !action; n++)
        action = full ? Full_IMC_Match(iop, n) : Part_IMC_Match(iop, n);

    if (action == 1) {
        if (InstructionAvailableInterrupt(iop) == 0) iop->word = kNop;
        return 1;
    }
    if (action == 2) {
        const uint64_t msr = iGET_MSR(iop);
        if ((msr & MSR_HV) && !(msr & MSR_PR)) return 1;
        interrupt_SoftPatch(iop, iop->fetch.ea, 0);
        return InstructionAvailableInterrupt(iop) == 1 ? 1 : 0;
    }
    return 1;
}

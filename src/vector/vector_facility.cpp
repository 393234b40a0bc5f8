// Availability checks of the vector units.
#include "vector/vector_facility.h"

#include <bitset>
#include <cstring>

#include "interrupts/interrupt_raisers.h"
#include "processor/regs/reg_triggers.h"
#include "decode/instr_info.h"
#include "interrupts/instruction_raisers.h"
#include "processor/regs/facility_bits.h"
#include "processor/records/instruction_record.h"
#include "processor/config/processor_options.h"
#include "processor/records/processor_state.h"
#include "processor/regs/reg_accessors.h"
#include "processor/records/thread_state.h"
#include "vector/fp_softpatch.h"
#include "vector/vec_defs.h"

namespace
{

using namespace vec;

uint32_t option(const IOPDesc *iop, uint32_t index)
{
    return iop->thread->processor->options[index];
}

const char *label(const IOPDesc *iop)
{
    if (!iop) return "no iop";
    return iop->row ? iop->row->mnemonic : "no instruction";
}

bool problem_state(IOPDesc *iop)
{
    return (iGET_MSR(iop) & MSR_PR) != 0;
}

// The hypervisor facility (outside hypervisor state) and the problem-state facility of facility f.
int facility_step(IOPDesc *iop, int f, const char *text)
{
    const uint64_t msr = iGET_MSR(iop);
    if ((msr & MSR_HV) && !(msr & MSR_PR)) return 1;
    if (HFscr_bits[f] && !(iGET_HFSCR(iop) & HFscr_bits[f])) {
        interrupt_HyperFacilityUnavailable(iop, (uint64_t)f, text);
        return 0;
    }
    if (problem_state(iop) && Fscr_bits[f] && !(iGET_FSCR(iop) & Fscr_bits[f])) {
        interrupt_FacilityUnavailable(iop, (uint64_t)f, text);
        return 0;
    }
    return 1;
}

// The soft-patch step and the rule that lets a load or store go on after its interrupt.
int softpatch_step(IOPDesc *iop)
{
    FP_Softpatch_Check(iop);
    if (!iop->exceptions) return 1;
    return iop->row && (iop->row->class_flags & (CLASS_LOAD | CLASS_STORE)) ? 1 : 0;
}

// The 28 vector-scalar rows of level 2.07, which run their own level test and so pass the
// level-2.05 gate of problem state.
const char *const kLevel207Rows[] = {
    "lxsiwax",   "lxsiwzx",    "lxsspx",     "stxsiwx",    "stxsspx",    "xsaddsp",    "xscvdpspn",
    "xscvspdpn", "xscvsxdsp",  "xscvuxdsp",  "xsdivsp",    "xsmaddasp",  "xsmaddmsp",  "xsmsubasp",
    "xsmsubmsp", "xsmulsp",    "xsnmaddasp", "xsnmaddmsp", "xsnmsubasp", "xsnmsubmsp", "xsresp",
    "xsrsp",     "xsrsqrtesp", "xssqrtsp",   "xssubsp",    "xxleqv",     "xxlnand",    "xxlorc",
};

bool in_level_207_list(const InstrInfo *row)
{
    static const std::bitset<NUM_II_ENTRIES> rows = [] {
        std::bitset<NUM_II_ENTRIES> ids;
        for (const char *name : kLevel207Rows)
            for (uint32_t i = 1; i < NUM_II_ENTRIES; i++)
                if (strcmp(instruction_info_table[i].mnemonic, name) == 0)
                    ids.set(instruction_info_table[i].id);
        return ids;
    }();
    return row->id < NUM_II_ENTRIES && rows.test(row->id);
}

} // namespace

int Check_VMX_Available(IOPDesc *iop)
{
    const char *text = label(iop);
    if (!facility_step(iop, FACILITY_VECTOR, text)) return 0;
    if (!option(iop, PO_PCR_DOES_NOT_DISABLE_VMX_VSX_INSTRUCTIONS) && problem_state(iop) &&
        (iGET_PCR(iop) & PCR_VMX_OFF)) {
        if (!iop->row || !(iop->row->class_flags & CLASS_GAMES)) {
            interrupt_IllegalInstruction(iop, TEXT_VMX_PCR);
            return 0;
        }
        if (option(iop, PO_VRLX_LOAD_STORE_IN_GAMES_ONLY)) {
            interrupt_IllegalInstruction(iop, TEXT_GAMES_ONLY);
            return 0;
        }
    }
    if (!(iGET_MSR(iop) & MSR_VEC)) {
        interrupt_VMXUnavailable(iop);
        return 0;
    }
    if (!option(iop, PO_VMX_TAKES_SOFTPATCH)) return 1;
    return softpatch_step(iop);
}

int Check_VSX_Available(IOPDesc *iop)
{
    if (!option(iop, PO_IGNORE_MSR_VSX_BIT)) {
        if (problem_state(iop)) {
            const bool pcr_disables = !option(iop, PO_PCR_DOES_NOT_DISABLE_VMX_VSX_INSTRUCTIONS);
            if (pcr_disables && problem_state(iop) && (iGET_PCR(iop) & PCR_VSX_OFF)) {
                interrupt_IllegalInstruction(iop, TEXT_VSX_PCR);
                return 0;
            }
            if (problem_state(iop) && (iGET_PCR(iop) & PCR_V205)) {
                if (pcr_disables || !iop->row || !in_level_207_list(iop->row)) {
                    interrupt_IllegalInstruction(iop, TEXT_VSX_PCR);
                    return 0;
                }
            }
        }
        const char *text = iop->row ? iop->row->mnemonic : "no instruction";
        if (!facility_step(iop, FACILITY_VECTOR, text)) return 0;
        if (!(iGET_MSR(iop) & MSR_VSX)) {
            interrupt_VSXUnavailable(iop);
            return 0;
        }
    }
    return softpatch_step(iop);
}

int Check_FP_Facility(IOPDesc *iop)
{
    if (!facility_step(iop, FACILITY_FP, label(iop))) return 0;
    if (!(iGET_MSR(iop) & MSR_FP)) {
        interrupt_FPUnavailable(iop);
        return 0;
    }
    if (!option(iop, PO_FP_VSX_TAKES_SOFTPATCH)) return 1;
    return softpatch_step(iop);
}

int Check_PCR_V206(IOPDesc *iop)
{
    if (!problem_state(iop)) return 1;
    if (!problem_state(iop)) return 1;
    if (iGET_PCR(iop) & PCR_V206) {
        interrupt_IllegalInstruction(iop, TEXT_V206_DISABLED);
        return 0;
    }
    return 1;
}

int Check_PCR_VSX_Disable(IOPDesc *iop)
{
    if (!problem_state(iop) || option(iop, PO_PCR_DOES_NOT_DISABLE_VMX_VSX_INSTRUCTIONS)) return 1;
    if (!problem_state(iop)) return 1;
    if (iGET_PCR(iop) & PCR_VSX_OFF) {
        interrupt_IllegalInstruction(iop, TEXT_VSX_PCR);
        return 0;
    }
    return 1;
}

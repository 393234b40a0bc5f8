// The SPR table: creation from the processor's options and property list, definition of one SPR,
// lookups by number and name, and teardown.
#include "processor/spr/spr_table.h"

#include <cstring>
#include <initializer_list>
#include <strings.h>

#include "processor/config/config_getters.h"
#include "processor/records/instruction_record.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "processor/regs/ctrl.h"
#include "processor/regs/handwritten_accessors.h"
#include "processor/regs/reg_accessors.h"
#include "processor/regs/register_file.h"
#include "processor/spr/spr_routines.h"
#include "processor/spr/spr_services.h"
#include "runtime/alloc.h"
#include "runtime/message.h"

namespace
{

// Adapters from the accessor families to the table's routine types: the instruction-level
// members ignore the leave-target flag, and 32-bit registers take and give 32-bit values.
template <auto F> uint64_t InstructionRead(IOPDesc *iop, int32_t *)
{
    return (uint64_t)F(iop);
}
template <auto F> void InstructionWrite(IOPDesc *iop, uint64_t value)
{
    F(iop, value);
}
template <auto F> uint64_t ToolRead(ThreadState *thread, uint32_t argument)
{
    return (uint64_t)F(thread, argument);
}
template <auto F> void ToolWrite(ThreadState *thread, uint64_t value, uint32_t argument)
{
    F(thread, value, argument);
}
void ForceCTRLTool(ThreadState *thread, uint64_t value, uint32_t)
{
    FORCE_CTRL(thread, (uint32_t)value);
}

#define IG(R) &InstructionRead<iGET_##R>
#define IMG(R) &InstructionRead<iMFGET_##R>
#define IS(R) &InstructionWrite<iSET_##R>
#define TG(R) &ToolRead<tGUESS_##R>
#define TF(R) &ToolWrite<tFORCE_##R>
#define NONE nullptr

// Where a row's number comes from: fixed, or one of the configured numbers.
enum NumberSource : uint8_t { FIXED, N_PID, N_PIR, N_HID4, N_HID5, N_SIAR, N_USIAR, N_TRIG0, N_TRIG1, N_TRIG2 };
// Conditions and rules that depend on processor options.
enum Rule : uint8_t { ALWAYS, IF_USPRG3_RO, IF_HACOP, IF_IAR, IF_EPID, IF_ELPIDR, TB_RULE, SPRG3_RULE, PVR_RULE, PIR_RULE };

struct SprDefinition {
    int32_t number;
    NumberSource source;
    SprRegId id;
    const char *name;
    int32_t width; // bytes
    SPRReadFn read;
    uint32_t read_level;
    SPRWriteFn write;
    uint32_t write_level;
    SPRToolReadFn tool_read;
    SPRToolWriteFn tool_write;
    Rule rule;
};

// The definitions in definition order: the order decides which of two definitions of one number
// stays. TB and TBU_ro carry their USER_CAN_READ_TB levels here; TB_RULE changes them without it.
const SprDefinition spr_definitions[] = {
    {1, FIXED, SPR_ID_XER, "XER", 8, MF_XER, 3, MT_XER, 3, TG(XER), TF(XER), ALWAYS},
    {8, FIXED, SPR_ID_LR, "LR", 8, MF_LR, 3, MT_LR, 3, TG(LR), TF(LR), ALWAYS},
    {9, FIXED, SPR_ID_CTR, "CTR", 8, IG(CTR), 3, IS(CTR), 3, TG(CTR), TF(CTR), ALWAYS},
    {256, FIXED, SPR_ID_VRSAVE, "VRSAVE", 4, MF_VRSAVE, 3, MT_VRSAVE, 3, TG(VRSAVE), TF(VRSAVE), ALWAYS},
    {259, FIXED, SPR_ID_SPRG3, "SPRG3_ro", 8, MF_SPRG3, 3, NONE, 0, TG(SPRG3), TF(SPRG3), IF_USPRG3_RO},
    {287, FIXED, SPR_ID_PVR, "PVR", 4, IG(PVR), 2, MT_PVR, 2, TG(PVR), TF(PVR), PVR_RULE},
    {48, N_PID, SPR_ID_PID, "PID", 8, IMG(PID), 2, IS(PID), 2, TG(PID), TF(PID), ALWAYS},
    {1023, N_PIR, SPR_ID_PIR, "PIR", 4, IG(PIR), 2, MT_PIR, 2, TG(PIR), TF(PIR), PIR_RULE},
    {26, FIXED, SPR_ID_SRR0, "SRR0", 8, IG(SRR0), 2, IS(SRR0), 2, TG(SRR0), TF(SRR0), ALWAYS},
    {27, FIXED, SPR_ID_SRR1, "SRR1", 8, MF_SRR1, 2, MT_SRR1, 2, TG(SRR1), TF(SRR1), ALWAYS},
    {28, FIXED, SPR_ID_CFAR, "CFAR", 8, MF_CFAR, 2, MT_CFAR, 2, TG(CFAR), TF(CFAR), ALWAYS},
    {272, FIXED, SPR_ID_SPRG0, "SPRG0", 8, IG(SPRG0), 2, IS(SPRG0), 2, TG(SPRG0), TF(SPRG0), ALWAYS},
    {273, FIXED, SPR_ID_SPRG1, "SPRG1", 8, IG(SPRG1), 2, IS(SPRG1), 2, TG(SPRG1), TF(SPRG1), ALWAYS},
    {274, FIXED, SPR_ID_SPRG2, "SPRG2", 8, IG(SPRG2), 2, IS(SPRG2), 2, TG(SPRG2), TF(SPRG2), ALWAYS},
    {275, FIXED, SPR_ID_SPRG3, "SPRG3", 8, MF_SPRG3, 2, MT_SPRG3, 2, TG(SPRG3), TF(SPRG3), SPRG3_RULE},
    {18, FIXED, SPR_ID_DSISR, "DSISR", 4, IG(DSISR), 2, IS(DSISR), 2, TG(DSISR), TF(DSISR), ALWAYS},
    {19, FIXED, SPR_ID_DAR, "DAR", 8, IG(DAR), 2, IS(DAR), 2, TG(DAR), TF(DAR), ALWAYS},
    {25, FIXED, SPR_ID_SDR1, "SDR1", 8, MF_SDR1, 1, MT_SDR1, 1, TG(SDR1), TF(SDR1), ALWAYS},
    {306, FIXED, SPR_ID_HDSISR, "HDSISR", 4, IG(HDSISR), 1, IS(HDSISR), 1, TG(HDSISR), TF(HDSISR), ALWAYS},
    {307, FIXED, SPR_ID_HDAR, "HDAR", 8, IG(HDAR), 1, IS(HDAR), 1, TG(HDAR), TF(HDAR), ALWAYS},
    {31, FIXED, SPR_ID_ACOP, "ACOP", 8, IG(ACOP), 2, IS(ACOP), 2, TG(ACOP), TF(ACOP), ALWAYS},
    {351, FIXED, SPR_ID_HACOP, "HACOP", 8, IG(HACOP), 2, IS(HACOP), 1, TG(HACOP), TF(HACOP), IF_HACOP},
    {1008, FIXED, SPR_ID_HID0, "HID0", 8, IMG(HID0), 1, MT_HID0, 1, TG(HID0), TF(HID0), ALWAYS},
    {1009, FIXED, SPR_ID_HID1, "HID1", 8, IMG(HID1), 1, MT_HID1, 1, TG(HID1), TF(HID1), ALWAYS},
    {1012, N_HID4, SPR_ID_HID4, "HID4", 8, MF_HID4, 1, MT_HID4, 1, TG(HID4), TF(HID4), ALWAYS},
    {1014, N_HID5, SPR_ID_HID5, "HID5", 8, IMG(HID5), 1, MT_HID5, 1, TG(HID5), TF(HID5), ALWAYS},
    {898, FIXED, SPR_ID_PPR32, "PPR", 8, MF_PPR32, 3, MT_PPR32, 3, TG(PPR32), TF(PPR32), ALWAYS},
    {268, FIXED, SPR_ID_TB, "TB", 8, MF_TB, 3, MT_TB, 0, TG(TB), TF(TB), TB_RULE},
    {269, FIXED, SPR_ID_TBU, "TBU_ro", 4, MF_TBU, 3, MT_TBU, 0, TG(TBU), TF(TBU), TB_RULE},
    {284, FIXED, SPR_ID_TBL, "TBL", 4, NONE, 0, MT_TBL, 1, TG(TBL), TF(TBL), ALWAYS},
    {285, FIXED, SPR_ID_TBU, "TBU", 4, NONE, 0, MT_TBU, 1, TG(TBU), TF(TBU), ALWAYS},
    {22, FIXED, SPR_ID_DEC, "DEC", 4, IMG(DEC), 2, IS(DEC), 2, xGUESS_DEC, xFORCE_DEC, ALWAYS},
    {304, FIXED, SPR_ID_HSPRG0, "HSPRG0", 8, IG(HSPRG0), 1, IS(HSPRG0), 1, TG(HSPRG0), TF(HSPRG0), ALWAYS},
    {305, FIXED, SPR_ID_HSPRG1, "HSPRG1", 8, IG(HSPRG1), 1, IS(HSPRG1), 1, TG(HSPRG1), TF(HSPRG1), ALWAYS},
    {310, FIXED, SPR_ID_HDEC, "HDEC", 4, IG(HDEC), 1, IS(HDEC), 1, TG(HDEC), TF(HDEC), ALWAYS},
    {314, FIXED, SPR_ID_HSRR0, "HSRR0", 8, IG(HSRR0), 1, IS(HSRR0), 1, TG(HSRR0), TF(HSRR0), ALWAYS},
    {315, FIXED, SPR_ID_HSRR1, "HSRR1", 8, MF_HSRR1, 1, MT_HSRR1, 1, TG(HSRR1), TF(HSRR1), ALWAYS},
    {312, FIXED, SPR_ID_RMOR, "RMOR", 8, MF_RMOR, 1, MT_RMOR, 1, TG(RMOR), TF(RMOR), ALWAYS},
    {313, FIXED, SPR_ID_HRMOR, "HRMOR", 8, MF_HRMOR, 1, MT_HRMOR, 1, TG(HRMOR), TF(HRMOR), ALWAYS},
    {318, FIXED, SPR_ID_LPCR, "LPCR", 8, MF_LPCR, 1, MT_LPCR, 1, TG(LPCR), TF(LPCR), ALWAYS},
    {319, FIXED, SPR_ID_LPIDR, "LPIDR", 4, MF_LPIDR, 1, MT_LPIDR, 1, TG(LPIDR), TF(LPIDR), ALWAYS},
    {338, FIXED, SPR_ID_PCR, "PCR", 8, MF_PCR, 1, MT_PCR, 1, TG(PCR), TF(PCR), ALWAYS},
    {339, FIXED, SPR_ID_HEIR, "HEIR", 4, IG(HEIR), 1, IS(HEIR), 1, TG(HEIR), TF(HEIR), ALWAYS},
    {316, FIXED, SPR_ID_MMCRH, "MMCRH", 8, IG(MMCRH), 1, IS(MMCRH), 1, TG(MMCRH), TF(MMCRH), ALWAYS},
    {187, FIXED, SPR_ID_CIABR, "CIABR", 8, IMG(CIABR), 1, IS(CIABR), 1, TG(CIABR), TF(CIABR), ALWAYS},
    {180, FIXED, SPR_ID_DAWR0, "DAWR0", 8, IMG(DAWR0), 1, MT_DAWR0, 1, TG(DAWR0), TF(DAWR0), ALWAYS},
    {188, FIXED, SPR_ID_DAWRX0, "DAWRX0", 8, IMG(DAWRX0), 1, MT_DAWRX0, 1, TG(DAWRX0), TF(DAWRX0), ALWAYS},
    {29, FIXED, SPR_ID_AMR, "AMR", 8, IMG(AMR), 2, MT_AMR, 2, TG(AMR), TF(AMR), ALWAYS},
    {349, FIXED, SPR_ID_AMOR, "AMOR", 8, MF_AMOR, 1, MT_AMOR, 1, TG(AMOR), TF(AMOR), ALWAYS},
    {13, FIXED, SPR_ID_AMR, "UAMR", 8, MF_UAMR, 3, MT_AMR, 3, TG(AMR), TF(AMR), ALWAYS},
    {157, FIXED, SPR_ID_UAMOR, "UAMOR", 8, MF_UAMOR, 2, MT_UAMOR, 2, TG(UAMOR), TF(UAMOR), ALWAYS},
    {61, FIXED, SPR_ID_IAMR, "IAMR", 8, MF_IAMR, 2, MT_IAMR, 2, TG(IAMR), TF(IAMR), ALWAYS},
    {799, FIXED, SPR_ID_IMC, "IMC", 8, MF_IMC, 1, MT_IMC, 1, TG(IMC), TF(IMC), ALWAYS},
    {136, FIXED, SPR_ID_CTRL_ro, "CTRL_ro", 4, MF_CTRL_ro, 3, MT_CTRL_ro, 2, TG(CTRL), ForceCTRLTool, ALWAYS},
    {152, FIXED, SPR_ID_CTRL, "CTRL", 4, MF_CTRL, 2, MT_CTRL, 2, TG(CTRL), ForceCTRLTool, ALWAYS},
    {896, FIXED, SPR_ID_TSRL, "PPR", 8, MF_TSRL, 3, MT_TSRL, 3, TG(TSRL), TF(TSRL), ALWAYS},
    {897, FIXED, SPR_ID_TSR1, "TSR1", 8, NONE, 0, NONE, 0, xGUESS_TSR1, xFORCE_TSR1, ALWAYS},
    {921, FIXED, SPR_ID_TSCR, "TSCR", 4, IMG(TSCR), 1, MT_TSCR, 1, TG(TSCR), TF(TSCR), ALWAYS},
    {922, FIXED, SPR_ID_TTR, "TTR", 8, IMG(TST), 1, MT_TTR, 1, TG(TST), TF(TST), ALWAYS},
    {796, N_SIAR, SPR_ID_SIAR, "SIAR", 8, MF_SIAR, 2, MT_SIAR, 2, TG(SIAR), TF(SIAR), ALWAYS},
    {780, N_USIAR, SPR_ID_SIAR, "USIAR", 8, MF_USIAR, 3, MT_USIAR, 3, TG(SIAR), TF(SIAR), ALWAYS},
    {797, FIXED, SPR_ID_SDAR, "SDAR", 8, MF_SDAR, 2, MT_SDAR, 2, TG(SDAR), TF(SDAR), ALWAYS},
    {781, FIXED, SPR_ID_SDAR, "USDAR", 8, MF_USDAR, 3, MT_USDAR, 3, TG(SDAR), TF(SDAR), ALWAYS},
    {795, FIXED, SPR_ID_MMCR0, "MMCR0", 8, MF_MMCR0, 2, MT_MMCR0, 2, TG(MMCR0), TF(MMCR0), ALWAYS},
    {798, FIXED, SPR_ID_MMCR1, "MMCR1", 8, MF_MMCR1, 2, MT_MMCR1, 2, TG(MMCR1), TF(MMCR1), ALWAYS},
    {779, FIXED, SPR_ID_MMCR0, "UMMCR0", 8, MF_UMMCR0, 3, MT_UMMCR0, 3, TG(MMCR0), TF(MMCR0), ALWAYS},
    {782, FIXED, SPR_ID_MMCR1, "UMMCR1", 8, MF_UMMCR1, 3, MT_UMMCR1, 3, TG(MMCR1), TF(MMCR1), ALWAYS},
    {787, FIXED, SPR_ID_PMC1, "PMC1", 4, MF_PMC1, 2, MT_PMC1, 2, PGUESS_PMC1, PFORCE_PMC1, ALWAYS},
    {788, FIXED, SPR_ID_PMC2, "PMC2", 4, MF_PMC2, 2, MT_PMC2, 2, PGUESS_PMC2, PFORCE_PMC2, ALWAYS},
    {789, FIXED, SPR_ID_PMC3, "PMC3", 4, MF_PMC3, 2, MT_PMC3, 2, PGUESS_PMC3, PFORCE_PMC3, ALWAYS},
    {790, FIXED, SPR_ID_PMC4, "PMC4", 4, MF_PMC4, 2, MT_PMC4, 2, PGUESS_PMC4, PFORCE_PMC4, ALWAYS},
    {771, FIXED, SPR_ID_PMC1, "UPMC1", 4, MF_UPMC1, 3, MT_UPMC1, 3, PGUESS_PMC1, PFORCE_PMC1, ALWAYS},
    {772, FIXED, SPR_ID_PMC2, "UPMC2", 4, MF_UPMC2, 3, MT_UPMC2, 3, PGUESS_PMC2, PFORCE_PMC2, ALWAYS},
    {773, FIXED, SPR_ID_PMC3, "UPMC3", 4, MF_UPMC3, 3, MT_UPMC3, 3, PGUESS_PMC3, PFORCE_PMC3, ALWAYS},
    {774, FIXED, SPR_ID_PMC4, "UPMC4", 4, MF_UPMC4, 3, MT_UPMC4, 3, PGUESS_PMC4, PFORCE_PMC4, ALWAYS},
    {786, FIXED, SPR_ID_MMCRA, "MMCRA", 8, MF_MMCRA, 2, MT_MMCRA, 2, TG(MMCRA), TF(MMCRA), ALWAYS},
    {770, FIXED, SPR_ID_MMCRA, "UMMCRA", 8, MF_UMMCRA, 3, MT_UMMCRA, 3, TG(MMCRA), TF(MMCRA), ALWAYS},
    {791, FIXED, SPR_ID_PMC5, "PMC5", 4, MF_PMC5, 2, MT_PMC5, 2, PGUESS_PMC5, PFORCE_PMC5, ALWAYS},
    {792, FIXED, SPR_ID_PMC6, "PMC6", 4, MF_PMC6, 2, MT_PMC6, 2, PGUESS_PMC6, PFORCE_PMC6, ALWAYS},
    {775, FIXED, SPR_ID_PMC5, "UPMC5", 4, MF_UPMC5, 3, MT_UPMC5, 3, PGUESS_PMC5, PFORCE_PMC5, ALWAYS},
    {776, FIXED, SPR_ID_PMC6, "UPMC6", 4, MF_UPMC6, 3, MT_UPMC6, 3, PGUESS_PMC6, PFORCE_PMC6, ALWAYS},
    {344, FIXED, SPR_ID_HPMC1, "HPMC1", 8, IG(HPMC1), 1, IS(HPMC1), 1, TG(HPMC1), TF(HPMC1), ALWAYS},
    {345, FIXED, SPR_ID_HPMC2, "HPMC2", 8, IG(HPMC2), 1, IS(HPMC2), 1, TG(HPMC2), TF(HPMC2), ALWAYS},
    {346, FIXED, SPR_ID_HPMC3, "HPMC3", 8, IG(HPMC3), 1, IS(HPMC3), 1, TG(HPMC3), TF(HPMC3), ALWAYS},
    {347, FIXED, SPR_ID_HPMC4, "HPMC4", 8, IG(HPMC4), 1, IS(HPMC4), 1, TG(HPMC4), TF(HPMC4), ALWAYS},
    {784, FIXED, SPR_ID_SIER, "SIER", 8, MF_SIER, 2, MT_SIER, 2, TG(SIER), TF(SIER), ALWAYS},
    {785, FIXED, SPR_ID_MMCR2, "MMCR2", 8, MF_MMCR2, 2, MT_MMCR2, 2, TG(MMCR2), TF(MMCR2), ALWAYS},
    {768, FIXED, SPR_ID_SIER, "SIER", 8, MF_USIER, 3, MT_USIER, 3, TG(SIER), TF(SIER), ALWAYS},
    {769, FIXED, SPR_ID_MMCR2, "MMCR2", 8, MF_UMMCR2, 3, MT_UMMCR2, 3, TG(MMCR2), TF(MMCR2), ALWAYS},
    {309, FIXED, SPR_ID_PURR, "PURR", 8, IG(PURR), 2, IS(PURR), 1, TG(PURR), TF(PURR), ALWAYS},
    {1006, FIXED, SPR_ID_TRACE, "TRACE", 8, NONE, 0, MT_TRACE, 3, TG(TRACE), TF(TRACE), ALWAYS},
    {884, FIXED, SPR_ID_PMCR, "PMCR", 8, IMG(PMCR), 2, MT_PMCR, 1, TG(PMCR), TF(PMCR), ALWAYS},
    {885, FIXED, SPR_ID_RWMR, "RWMR", 8, IMG(RWMR), 2, IS(RWMR), 1, TG(RWMR), TF(RWMR), ALWAYS},
    {283, FIXED, SPR_ID_CIR, "CIR", 4, IG(CIR), 2, NONE, 0, TG(CIR), TF(CIR), ALWAYS},
    {308, FIXED, SPR_ID_SPURR, "SPURR", 8, IG(SPURR), 2, IS(SPURR), 1, TG(SPURR), TF(SPURR), ALWAYS},
    {851, FIXED, SPR_ID_MMCRC, "MMCRC", 8, IMG(MMCRC), 1, IS(MMCRC), 1, TG(MMCRC), TF(MMCRC), ALWAYS},
    {848, FIXED, SPR_ID_ICR, "ICR", 8, IMG(ICR), 2, IS(ICR), 1, TG(ICR), TF(ICR), ALWAYS},
    {849, FIXED, SPR_ID_VTB, "VTB", 8, IMG(VTB), 2, IS(VTB), 1, TG(VTB), TF(VTB), ALWAYS},
    {888, FIXED, SPR_ID_TACR, "TACR", 8, MF_TACR, 2, MT_TACR, 2, TG(TACR), TF(TACR), ALWAYS},
    {889, FIXED, SPR_ID_TCSCR, "TCSCR", 8, MF_TCSCR, 2, MT_TCSCR, 2, TG(TCSCR), TF(TCSCR), ALWAYS},
    {850, FIXED, SPR_ID_LDBAR, "LDBAR", 8, IMG(LDBAR), 1, IS(LDBAR), 1, TG(LDBAR), TF(LDBAR), ALWAYS},
    {892, FIXED, SPR_ID_SPMC1, "SPMC1", 4, MF_SPMC1, 2, MT_SPMC1, 2, TG(SPMC1), TF(SPMC1), ALWAYS},
    {893, FIXED, SPR_ID_SPMC2, "SPMC2", 4, MF_SPMC2, 2, MT_SPMC2, 2, TG(SPMC2), TF(SPMC2), ALWAYS},
    {894, FIXED, SPR_ID_MMCRS, "MMCRS", 8, MF_MMCRS, 2, MT_MMCRS, 2, TG(MMCRS), TF(MMCRS), ALWAYS},
    {852, FIXED, SPR_ID_PMICR, "PMICR", 8, IMG(PMICR), 1, IS(PMICR), 1, TG(PMICR), TF(PMICR), ALWAYS},
    {854, FIXED, SPR_ID_PMMAR, "PMMAR", 8, IMG(PMMAR), 1, IS(PMMAR), 1, TG(PMMAR), TF(PMMAR), ALWAYS},
    {853, FIXED, SPR_ID_PMSR, "PMSR", 8, MF_PMSR, 1, MT_PMSR, 1, TG(PMSR), TF(PMSR), ALWAYS},
    {144, FIXED, SPR_ID_TIDR, "TIDR", 8, IMG(TIDR), 2, IS(TIDR), 2, TG(TIDR), TF(TIDR), ALWAYS},
    {184, FIXED, SPR_ID_MPPR, "MPPR", 8, MF_MPPR, 2, MT_MPPR, 2, TG(MPPR), TF(MPPR), ALWAYS},
    {276, FIXED, SPR_ID_SCOMC, "SCOMC", 8, IG(SCOMC), 1, MT_SCOMC, 1, TG(SCOMC), TF(SCOMC), ALWAYS},
    {277, FIXED, SPR_ID_SCOMD, "SCOMD", 8, MF_SCOMD, 1, MT_SCOMD, 1, TG(SCOMD), TF(SCOMD), ALWAYS},
    {286, FIXED, SPR_ID_TB40, "TB40", 8, MF_TB40, 2, MT_TB40, 1, xGUESS_TB40, xFORCE_TB40, ALWAYS},
    {17, FIXED, SPR_ID_DSCR, "DSCR", 8, MF_DSCR, 2, MT_DSCR, 2, TG(DSCR), TF(DSCR), ALWAYS},
    {3, FIXED, SPR_ID_DSCR, "DSCR", 8, MF_DSCR_user, 3, MT_DSCR_user, 3, TG(DSCR), TF(DSCR), ALWAYS},
    {317, FIXED, SPR_ID_TFMR, "TFMR", 8, MF_TFMR, 1, MT_TFMR, 1, TG(TFMR), TF(TFMR), ALWAYS},
    {336, FIXED, SPR_ID_HMER, "HMER", 8, IG(HMER), 1, MT_HMER, 1, TG(HMER), TF(HMER), ALWAYS},
    {337, FIXED, SPR_ID_HMEER, "HMEER", 8, IG(HMEER), 1, IS(HMEER), 1, TG(HMEER), TF(HMEER), ALWAYS},
    {880, N_TRIG0, SPR_ID_TRIG0, "TRIG0", 8, MF_TRIG, 2, MT_TRIG, 2, TG(TRIG0), TF(TRIG0), ALWAYS},
    {881, N_TRIG1, SPR_ID_TRIG1, "TRIG1", 8, MF_TRIG, 2, MT_TRIG, 2, TG(TRIG1), TF(TRIG1), ALWAYS},
    {882, N_TRIG2, SPR_ID_TRIG2, "TRIG2", 8, MF_TRIG, 2, MT_TRIG, 2, TG(TRIG2), TF(TRIG2), ALWAYS},
    {882, FIXED, SPR_ID_IAR, "IAR", 8, &InstructionRead<iGET_NEXT_PC>, 1, &InstructionWrite<iSET_PC>, 1, TG(PC),
     TF(PC), IF_IAR},
    {128, FIXED, SPR_ID_TFHAR, "TFHAR", 8, MF_TFHAR, 3, MT_TFHAR, 3, TG(TFHAR), TF(TFHAR), ALWAYS},
    {129, FIXED, SPR_ID_TFIAR, "TFIAR", 8, MF_TFIAR, 3, MT_TFIAR, 3, TG(TFIAR), TF(TFIAR), ALWAYS},
    {130, FIXED, SPR_ID_TEXASR, "TEXASR", 8, MF_TEXASR, 3, MT_TEXASR, 3, TG(TEXASR), xFORCE_TEXASR, ALWAYS},
    {131, FIXED, SPR_ID_TEXASRU, "TEXASRU", 8, MF_TEXASRU, 3, MT_TEXASRU, 3, xGUESS_TEXASRU, xFORCE_TEXASRU,
     ALWAYS},
    {138, FIXED, SPR_ID_APSCR, "APSCR", 8, IG(APSCR), 3, IS(APSCR), 3, TG(APSCR), TF(APSCR), ALWAYS},
    {139, FIXED, SPR_ID_APSCR, "APSCRU", 8, MF_APSCRU, 3, MT_APSCRU, 3, xGUESS_APSCRU, xFORCE_APSCRU, ALWAYS},
    {815, FIXED, SPR_ID_TAR, "TAR", 8, MF_TAR, 3, MT_TAR, 3, TG(TAR), TF(TAR), ALWAYS},
    {863, FIXED, SPR_ID_WORC, "WORC", 4, MF_WORC, 2, MT_WORC, 2, TG(WORC), TF(WORC), ALWAYS},
    {895, FIXED, SPR_ID_WORT, "WORT", 4, MF_WORT, 2, MT_WORT, 2, TG(WORT), TF(WORT), ALWAYS},
    {800, FIXED, SPR_ID_BESCR, "BESCR", 8, MF_BESCR, 3, MT_BESCRS, 3, TG(BESCR), TF(BESCR), ALWAYS},
    {801, FIXED, SPR_ID_BESCR, "BESCR", 8, MF_BESCRU, 3, MT_BESCRSU, 3, TG(BESCR), TF(BESCR), ALWAYS},
    {802, FIXED, SPR_ID_BESCR, "BESCR", 8, MF_BESCR, 3, MT_BESCRR, 3, TG(BESCR), TF(BESCR), ALWAYS},
    {803, FIXED, SPR_ID_BESCR, "BESCR", 8, MF_BESCRU, 3, MT_BESCRRU, 3, TG(BESCR), TF(BESCR), ALWAYS},
    {804, FIXED, SPR_ID_EBBHR, "EBBHR", 8, MF_EBBHR, 3, MT_EBBHR, 3, TG(EBBHR), TF(EBBHR), ALWAYS},
    {805, FIXED, SPR_ID_EBBRR, "EBBRR", 8, MF_EBBRR, 3, MT_EBBRR, 3, TG(EBBRR), TF(EBBRR), ALWAYS},
    {806, FIXED, SPR_ID_BESCR, "BESCR", 8, MF_BESCR, 3, MT_BESCR, 3, TG(BESCR), TF(BESCR), ALWAYS},
    {153, FIXED, SPR_ID_FSCR, "FSCR", 8, IG(FSCR), 2, MT_FSCR, 2, TG(FSCR), TF(FSCR), ALWAYS},
    {190, FIXED, SPR_ID_HFSCR, "HFSCR", 8, IG(HFSCR), 1, MT_HFSCR, 1, TG(HFSCR), TF(HFSCR), ALWAYS},
    {49, FIXED, SPR_ID_EPID, "EPID", 8, IG(EPID), 2, IS(EPID), 2, TG(EPID), TF(EPID), IF_EPID},
    {350, FIXED, SPR_ID_ELPIDR, "ELPIDR", 4, IG(ELPIDR), 1, IS(ELPIDR), 1, TG(ELPIDR), TF(ELPIDR), IF_ELPIDR},
    {176, FIXED, SPR_ID_DPDES, "DPDES", 8, MF_DPDES, 2, MT_DPDES, 1, TG(DPDES), TF(DPDES), ALWAYS},
    {177, FIXED, SPR_ID_DHDES, "DHDES", 8, IG(DHDES), 1, IS(DHDES), 1, TG(DHDES), TF(DHDES), ALWAYS},
    {446, FIXED, SPR_ID_TIR, "TIR", 8, MF_TIR, 2, NONE, 0, TG(TIR), TF(TIR), ALWAYS},
    {159, FIXED, SPR_ID_PSPB, "PSPB", 4, IG(PSPB), 2, IS(PSPB), 2, TG(PSPB), TF(PSPB), ALWAYS},
    {186, FIXED, SPR_ID_RPR, "RPR", 8, IG(RPR), 1, IS(RPR), 1, TG(RPR), TF(RPR), ALWAYS},
    {890, FIXED, SPR_ID_CSIGR, "CSIGR", 8, MF_CSIGR, 2, MT_CSIGR, 2, TG(CSIGR), TF(CSIGR), ALWAYS},
    {856, FIXED, SPR_ID_L2HADSR, "L2HADSR", 8, MF_L2HADSR, 1, MT_L2HADSR, 1, TG(L2HADSR), TF(L2HADSR), ALWAYS},
    {857, FIXED, SPR_ID_L3HARPR, "L3HARPR", 8, MF_L3HARPR, 1, MT_L3HARPR, 1, TG(L3HARPR), TF(L3HARPR), ALWAYS},
    {858, FIXED, SPR_ID_L3HAWPR, "L3HAWPR", 8, MF_L3HAWPR, 1, MT_L3HAWPR, 1, TG(L3HAWPR), TF(L3HAWPR), ALWAYS},
    {859, FIXED, SPR_ID_L2MVSR0, "L2MVSR0", 8, MF_L2MVSR0, 1, MT_L2MVSR0, 1, TG(L2MVSR0), TF(L2MVSR0), ALWAYS},
    {860, FIXED, SPR_ID_L2MVSR1, "L2MVSR1", 8, MF_L2MVSR1, 1, MT_L2MVSR1, 1, TG(L2MVSR1), TF(L2MVSR1), ALWAYS},
    {861, FIXED, SPR_ID_L2QOSR, "L2QOSR", 8, MF_L2QOSR, 1, MT_L2QOSR, 1, TG(L2QOSR), TF(L2QOSR), ALWAYS},
};

bool option(const ProcessorState *core, uint32_t index)
{
    return core->options[index] != 0;
}

} // namespace

spr_table_entry *Index_SPR_Table(ProcessorState *core, int32_t spr)
{
    if (!core || !core->spr_table || spr < 0 || spr >= core->spr_count) {
        sim_warning(2, "SPR number out of range for %d", spr);
        return nullptr;
    }
    return &core->spr_table[spr];
}

int valid_spr_number(ProcessorState *core, int32_t spr)
{
    return core && spr >= 0 && spr < core->spr_count ? 1 : 0;
}

void set_spre_valid(ProcessorState *core, int32_t spr, uint32_t value)
{
    if (spr_table_entry *entry = Index_SPR_Table(core, spr)) entry->valid = value;
}

uint32_t Valid_SPR(ProcessorState *core, int32_t spr)
{
    if (spr == SPR_NONE) return 0;
    spr_table_entry *entry = Index_SPR_Table(core, spr);
    return entry ? entry->valid : 0;
}

const char *SPR_Name(spr_table_entry *entry)
{
    return entry && entry->rdte ? entry->rdte->name : nullptr;
}

const char *Find_SPR_Name(ProcessorState *core, int32_t spr)
{
    return SPR_Name(Index_SPR_Table(core, spr));
}

int32_t Find_SPR_Number(ProcessorState *core, const char *name)
{
    if (!core || !core->spr_table || !name) return SPR_NONE;
    for (int32_t spr = 0; spr < core->spr_count; spr++) {
        const char *candidate = SPR_Name(&core->spr_table[spr]);
        if (candidate && strcasecmp(candidate, name) == 0) return spr;
    }
    return SPR_NONE;
}

int32_t Find_SPR_IDX(ProcessorState *core, int32_t spr)
{
    spr_table_entry *entry = Index_SPR_Table(core, spr);
    return entry ? entry->register_id : 0;
}

int32_t SPR_size(ProcessorState *core, int32_t spr)
{
    spr_table_entry *entry = Index_SPR_Table(core, spr);
    return entry && entry->rdte ? entry->rdte->size : 0;
}

uint64_t get_spr_register(ThreadState *, uint64_t, uint64_t)
{
    return 0;
}

void Define_Mapping_SPR(void) {}

void Change_Dravo_Chip_Version(ProcessorState *core)
{
    uint32_t valid = PROCESSOR_CHIP_VERSION(core) == 0x200 ? 0 : 1;
    for (int32_t spr : {955, 956, 957, 979, 980, 981})
        set_spre_valid(core, spr, valid);
}

spr_table_entry *Define_SPR(ProcessorState *core, int32_t spr, int32_t register_id, const char *name,
                            int32_t width, SPRReadFn read, uint32_t read_level, SPRWriteFn write,
                            uint32_t write_level, SPRToolReadFn tool_read, SPRToolWriteFn tool_write)
{
    spr_table_entry *entry = Index_SPR_Table(core, spr);
    if (!entry) return nullptr;
    if (entry->valid) {
        sim_warning(2, "Two SPRs for %d: %s and %s", spr, SPR_Name(entry) ? SPR_Name(entry) : "", name);
        return nullptr;
    }
    entry->valid = 1;
    entry->register_id = register_id;
    entry->read = read;
    entry->write = write;
    entry->tool_read = tool_read;
    entry->tool_write = tool_write;
    entry->read_level = read_level;
    entry->write_level = write_level;
    entry->only_64bit = 0;
    reg_desc_table_entry *desc = Find_Register_Table_Entry_By_Name(&core->register_descriptions, name);
    if (!desc)
        desc = Register_Table_Entry(&core->register_descriptions, name,
                                    width == 4 ? REG_TYPE_REG32 : REG_TYPE_REG64, width, spr, REG_SCOPE_OTHER,
                                    0);
    if (desc) desc->spr_number = spr;
    entry->rdte = desc;
    return entry;
}

spr_table_entry *Define_SPR32(ProcessorState *core, int32_t spr, int32_t register_id, const char *name,
                              SPRReadFn read, uint32_t read_level, SPRWriteFn write, uint32_t write_level,
                              SPRToolReadFn tool_read, SPRToolWriteFn tool_write)
{
    return Define_SPR(core, spr, register_id, name, 4, read, read_level, write, write_level, tool_read,
                      tool_write);
}

spr_table_entry *Define_SPR64(ProcessorState *core, int32_t spr, int32_t register_id, const char *name,
                              SPRReadFn read, uint32_t read_level, SPRWriteFn write, uint32_t write_level,
                              SPRToolReadFn tool_read, SPRToolWriteFn tool_write)
{
    return Define_SPR(core, spr, register_id, name, 8, read, read_level, write, write_level, tool_read,
                      tool_write);
}

void INIT_SPR_Table(ProcessorState *core, PropertyList *list)
{
    core->spr_count = SPR_TABLE_SIZE;
    core->spr_table = QUARN_ZALLOC(SPR_TABLE_SIZE, spr_table_entry);
    if (!core->spr_table) {
        core->spr_count = 0;
        return;
    }

    int32_t index = (int32_t)core->core_id;
    auto configured = [&](const char *key) { return (int32_t)get_plist_int(list, "processor", index, key); };
    const int32_t pid = configured("pid_spr_number");
    const int32_t pir = configured("pir_spr_number");
    const int32_t hid4 = configured("hid4_spr_number");
    const int32_t hid5 = configured("hid5_spr_number");
    const int32_t siar = configured("siar_spr_number");
    const int32_t trig0 = configured("trig0_spr_number");
    core->pir_spr_number = (uint32_t)pir;

    const bool user_reads_tb = option(core, PO_USER_CAN_READ_TB);
    const bool write_only_ignored = option(core, PO_WRITE_ONLY_SPR_IGNORE);

    for (const SprDefinition &d : spr_definitions) {
        switch (d.rule) {
        case IF_USPRG3_RO:
            if (!option(core, PO_USPRG3_RO)) continue;
            break;
        case IF_HACOP:
            if (!option(core, PO_HACOP_EXISTS)) continue;
            break;
        case IF_IAR:
            if (!option(core, PO_IAR)) continue;
            break;
        case IF_EPID:
            if (!option(core, PO_EPID_EXISTS)) continue;
            break;
        case IF_ELPIDR:
            if (!option(core, PO_ELPIDR_EXISTS)) continue;
            break;
        default:
            break;
        }

        int32_t number = d.number;
        switch (d.source) {
        case N_PID: number = pid; break;
        case N_PIR: number = pir; break;
        case N_HID4: number = hid4; break;
        case N_HID5: number = hid5; break;
        case N_SIAR: number = siar; break;
        case N_USIAR: number = siar - 16; break;
        case N_TRIG0: number = trig0; break;
        case N_TRIG1: number = trig0 + 1; break;
        case N_TRIG2: number = trig0 + 2; break;
        case FIXED: break;
        }

        uint32_t read_level = d.read_level;
        SPRWriteFn write = d.write;
        uint32_t write_level = d.write_level;
        if (d.rule == TB_RULE) {
            if (user_reads_tb) {
                write = nullptr;
                write_level = SPR_LEVEL_NONE;
            } else {
                read_level = SPR_LEVEL_PRIVILEGED;
                write_level = SPR_LEVEL_HYPERVISOR;
            }
        } else if (d.rule == SPRG3_RULE) {
            read_level = option(core, PO_SPRG3_USER_RO) ? SPR_LEVEL_ANY : SPR_LEVEL_PRIVILEGED;
        }

        spr_table_entry *entry = Define_SPR(core, number, d.id, d.name, d.width, d.read, read_level, write,
                                            write_level, d.tool_read, d.tool_write);
        if (!entry) continue;
        if (d.rule == PVR_RULE && !write_only_ignored) entry->write = nullptr;
        if (d.rule == PIR_RULE && !option(core, PO_PIR_IS_WRITABLE) && !write_only_ignored) entry->write = nullptr;
    }
}

void QUIT_SPR_Table(ProcessorState *core)
{
    if (!core) return;
    if (core->spr_table) QUARN_FREE(core->spr_table);
    core->spr_table = nullptr;
    core->spr_count = 0;
}

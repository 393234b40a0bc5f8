// What the scalar floating-point emulation cores share: the instruction fields, FPR operands and
// results in both instruction forms (the thread's registers, or the cycle-level core's operand and
// result slots), CR field results, the single-precision operand rules, the non-IEEE flush test, the
// illegal-instruction path of the optional instructions and the trace hooks.
#pragma once

#include <cstdint>

#include "fp/fp160.h"
#include "processor/records/instruction_record.h"

struct ThreadState;

// Instruction fields, word bits numbered from the most significant: FRT/FRS 6..10, FRA 11..15,
// FRB 16..20, FRC 21..25, BF 6..8.
inline uint32_t FP_FRT(const IOPDesc *iop)
{
    return (iop->word >> 21) & 0x1F;
}
inline uint32_t FP_FRA(const IOPDesc *iop)
{
    return (iop->word >> 16) & 0x1F;
}
inline uint32_t FP_FRB(const IOPDesc *iop)
{
    return (iop->word >> 11) & 0x1F;
}
inline uint32_t FP_FRC(const IOPDesc *iop)
{
    return (iop->word >> 6) & 0x1F;
}
inline uint32_t FP_BF(const IOPDesc *iop)
{
    return (iop->word >> 23) & 0x7;
}

// The operands: operand slots A, B, C (their FPR doubleword) in the cycle-model form, else the
// FPRs of the instruction's fields.
uint64_t FP_Read_FRA(IOPDesc *iop);
uint64_t FP_Read_FRB(IOPDesc *iop);
uint64_t FP_Read_FRC(IOPDesc *iop);
// FRT := value: the floating-point result slot (its readers released) in the cycle-model form,
// else WRITE_FPR_SIMPLE with the label "T" (the other doubleword cleared, the FPR invalid map
// updated).
void FP_Write_FRT(IOPDesc *iop, uint64_t value);
// CR field f := value (4 bits), recorded as changed; the CR result slot in the cycle-model form.
void FP_Write_CR_Field(IOPDesc *iop, uint32_t field, uint32_t value);

// 1 when option SUPPORT_NON_IEEE_MODE, FPSCR[NI] and option NI_SQUASH_DENORM_OUTPUT are all set.
int IOP_NI_Squash_Active(IOPDesc *iop);
// Whether the double may be used as a single-precision operand (options SP_OPS_CAN_HANDLE_DP_INPUTS,
// SP_DETERMINED_BY_EXPONENT; otherwise the exact round trip through single precision).
int Representable_As_Single_FP(ThreadState *thread, uint64_t value);
// The value when it is representable, else squeezed into single range.
uint64_t Adjust_to_SP(IOPDesc *iop, uint64_t value);
// The result of a single-precision operation whose operand is not representable and not
// squeezed: nothing without option SP_OPS_WITH_DP_EXPO_OUT_OF_RANGE_RETURN_DEFAULT_NAN, else
// FRA's or FRB's NaN as a single-precision NaN, or the default NaN, delivered in single precision.
// Returns whether *out is to be written.
int OutSP_SpecialVal_Process(IOPDesc *iop, uint64_t fra, uint64_t frb, uint64_t *out, const char *mnemonic);

// The illegal-instruction path of a core: the state dump, the error "<number>: Encountered illegal
// instruction "<mnemonic>" at address ...", the illegal-instruction interrupt. Returns 0.
int FP_Emul_Illegal(IOPDesc *iop, int number, const char *mnemonic);

// Trace hooks on entry and exit of a core (debug category 100): the mnemonic and up to four
// values are rendered into private buffers, with CR and FPSCR. They print nothing.
void FP_Emul_Trace_Values(IOPDesc *iop, const char *mnemonic, int count, uint64_t a, uint64_t b, uint64_t c,
                          uint64_t d);
inline void FP_Emul_Trace(IOPDesc *iop, const char *mnemonic, int count = 0, uint64_t a = 0, uint64_t b = 0,
                          uint64_t c = 0, uint64_t d = 0)
{
    if (FP160_Tracing()) FP_Emul_Trace_Values(iop, mnemonic, count, a, b, c, d);
}
// After a single-precision core wrote its result: the state dump when tracing.
void FP_Emul_Dump_After_Write(IOPDesc *iop);

// The default quiet NaN.
constexpr uint64_t FP_DEFAULT_QNAN = 0x7FF8000000000000ull;

// Exported entry points that do nothing and return 0.
extern "C" int Process_DP_Input(void);
extern "C" int Process_SP_Input(void);

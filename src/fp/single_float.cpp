// Single-precision load and store conversions.
#include "fp/single_float.h"

#include <cfenv>
#include <cstring>

#include "decode/instr_info.h"
#include "processor/records/instruction_record.h"
#include "processor/records/thread_state.h"
#include "processor/regs/reg_triggers.h"

uint64_t load_single_float(IOPDesc *, uint32_t word)
{
    const uint64_t sign = (uint64_t)(word >> 31) << 63;
    const uint32_t exponent = (word >> 23) & 0xFF;
    uint64_t fraction = word & 0x7FFFFF;
    if (exponent == 0xFF) return sign | (0x7FFull << 52) | (fraction << 29); // infinity, NaN
    if (exponent != 0) return sign | ((uint64_t)(exponent + 896) << 52) | (fraction << 29);
    if (fraction == 0) return sign; // zero
    // A denormal: normalise so that the leading one becomes the hidden bit.
    uint64_t biased = 897;
    while (!(fraction & 0x800000)) {
        fraction <<= 1;
        biased--;
    }
    return sign | (biased << 52) | ((fraction & 0x7FFFFF) << 29);
}

uint32_t ConvDPtoSP(uint64_t image, int rounding)
{
    const uint32_t sign = (uint32_t)(image >> 63) << 31;
    const uint32_t exponent = (uint32_t)(image >> 52) & 0x7FF;
    const uint64_t fraction = image & 0xFFFFFFFFFFFFFull;
    if (exponent == 0x7FF) return sign | 0x7F800000u | (uint32_t)(fraction >> 29); // infinity, NaN
    if (exponent == 0 && fraction == 0) return sign;
    static const int modes[4] = {FE_TONEAREST, FE_TOWARDZERO, FE_UPWARD, FE_DOWNWARD};
    const int saved = fegetround();
    fesetround(modes[rounding & 3]);
    volatile double value;
    double d;
    memcpy(&d, &image, sizeof d);
    value = d;
    volatile float narrowed = (float)value;
    fesetround(saved);
    float f = narrowed;
    uint32_t word;
    memcpy(&word, &f, sizeof word);
    return word;
}

uint32_t store_single_float(IOPDesc *iop, uint64_t image)
{
    int rounding = 0;
    if (!(iop->row && (iop->row->class_flags & (1ull << 63)))) {
        Reg64 *fpscr = &iop->thread->FPSCR;
        if (Reg_Read_Triggers_Armed(fpscr->trigger)) Maybe_Invoke_Reg_Read_Triggers(iop, fpscr->trigger, fpscr->value);
        rounding = (int)(fpscr->value & 3);
    }
    return ConvDPtoSP(image, rounding);
}

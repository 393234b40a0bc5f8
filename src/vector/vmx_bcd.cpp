// bcdadd. and bcdsub. (signed packed decimal on VMX registers, outcome in CR6) and the exported
// conversions between a signed packed-decimal quadword and a signed 128-bit integer.
#include "vector/vmx_bcd.h"

#include "decode/semantics.h"
#include "isa/bcd_helpers.h"
#include "isa/semantics_helpers.h"
#include "processor/regs/iop_registers.h"
#include "vector/vector_facility.h"
#include "vector/vector_registers.h"
#include "vector/vsx_micro_helpers.h"

namespace
{

int bcd_add_sub(IOPDesc *iop, int op)
{
    if (!Check_PCR_V206(iop)) return 0;
    if (!Check_PCR_VSX_Disable(iop)) return 0;
    if (!Check_VMX_Available(iop)) return 0;
    const Vec128 a = IOP_Read_VMXR_A(iop), b = IOP_Read_VMXR_B(iop);
    Vec128 result{0, 0};
    uint8_t condition = 0;
    bcdadd_sub(iop, &result, &condition, a, b, (iop->word & 0x200) ? 1 : 0, op);
    IOP_Write_VMXR_T(iop, result.low, result.high);
    IOP_Set_CR_Field(iop, 6, condition);
    IOP_Advance_NIA(iop);
    return 1;
}

// Digit position p (0 the most significant, 30 the least) of the little-endian 16-byte image.
uint8_t digit_at(const uint8_t *packed, int p)
{
    const uint8_t byte = packed[15 - p / 2];
    return (p & 1) ? byte & 0xF : byte >> 4;
}

void set_digit_at(uint8_t *packed, int p, uint8_t d)
{
    uint8_t &byte = packed[15 - p / 2];
    byte = (p & 1) ? (uint8_t)((byte & 0xF0) | d) : (uint8_t)((byte & 0x0F) | (d << 4));
}

} // namespace

int semantic_bcdadd_dot(IOPDesc *iop)
{
    return bcd_add_sub(iop, 0);
}

int semantic_bcdsub_dot(IOPDesc *iop)
{
    return bcd_add_sub(iop, 1);
}

extern "C" void BCD_ToSignedIntegerQuad(const uint8_t *packed, uint64_t *low, uint64_t *high,
                                        uint32_t *invalid)
{
    const uint8_t sign = packed[0] & 0xF;
    *invalid = sign <= 9 ? 1 : 0;
    unsigned __int128 value = 0;
    for (int p = 0; p < 31; p++) {
        const uint8_t d = digit_at(packed, p);
        if (d > 9) ++*invalid; // counted, and still used
        value = value * 10 + d;
    }
    if (sign == 0xB || sign == 0xD) value = 0 - value;
    *low = (uint64_t)value;
    *high = (uint64_t)(value >> 64);
}

extern "C" void BCD_FromSignedIntegerQuad(uint64_t low, uint64_t high, uint8_t *packed, int preferred_sign,
                                          uint32_t *overflow)
{
    constexpr uint64_t kUpper = 0x7FFFFF0000000000ull; // bits 1..23 of the high doubleword
    for (int i = 0; i < 16; i++)
        packed[i] = 0;
    *overflow = 0;
    const bool negative = high >> 63;
    if (negative) {
        packed[0] = 0xD;
        if ((high & kUpper) != kUpper) *overflow = 1;
        high |= kUpper;
    } else {
        packed[0] = preferred_sign ? 0xF : 0xC;
        if (high & kUpper) *overflow = 1;
        high &= ~kUpper;
    }
    unsigned __int128 value = ((unsigned __int128)high << 64) | low;
    if (negative) value = 0 - value;
    for (int p = 30;; p--) {
        const unsigned __int128 quotient = value / 10;
        set_digit_at(packed, p, (uint8_t)(value % 10));
        value = quotient;
        if (value == 0) break;
        if (p == 0) {
            *overflow += 1;
            break;
        }
    }
}

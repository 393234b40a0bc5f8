// The assignment test of the floating-point results and the packed-decimal digit normaliser.
#include "isa/fp_support_helpers.h"

#include "interrupts/hooks/fpscr_read.h"
#include "isa/fp_result_writes.h"

namespace
{

// FPSCR enable bits.
constexpr uint64_t VE = 0x80, OE = 0x40, UE = 0x20, ZE = 0x10, XE = 0x08;

} // namespace

int Allow_Assignment(IOPDesc *iop, uint32_t mask, uint32_t flags)
{
    const uint32_t e = mask & flags;
    if (!e) return 1;
    if (!(iGET_FPSCR(iop) & (VE | OE | UE | ZE | XE))) return 1;
    if ((e & 0x80) && (iGET_FPSCR(iop) & VE)) return 0;
    if ((e & 0x10) && (iGET_FPSCR(iop) & VE)) return 0;
    if ((e & 0x01) && (iGET_FPSCR(iop) & OE)) return 0;
    if ((e & 0x02) && (iGET_FPSCR(iop) & UE)) return 0;
    if ((e & 0x20) && (iGET_FPSCR(iop) & ZE)) return 0;
    if (e & 0x04) return (iGET_FPSCR(iop) & XE) ? 0 : 1;
    return 1;
}

void BCD_ConvertToValidBCD(const uint8_t value[16], uint8_t out[16])
{
    uint32_t carry = 0;
    for (int n = 1; n < 32; n++) {
        const int byte = n / 2, shift = (n & 1) ? 4 : 0;
        uint32_t d = ((value[byte] >> shift) & 0xF) + carry;
        carry = 0;
        if (d > 9) {
            d += 6;
            carry = 1;
        }
        out[byte] = (uint8_t)((out[byte] & ~(0xF << shift)) | ((d & 0xF) << shift));
    }
}

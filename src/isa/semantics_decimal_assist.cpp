// The decimal-assist instructions: cdtbcd and cbcdtd (densely packed decimal to and from BCD, word
// by word), and the tags-active dtcs. (sign code to CR0) and dsixes (the add-six correction word).
#include "decode/semantics.h"
#include "interrupts/interrupt_raisers.h"
#include "isa/select_instructions.h"
#include "isa/semantics_helpers.h"
#include "isa/xer_setters.h"

namespace
{

uint32_t bit(uint32_t value, int n)
{
    return (value >> n) & 1;
}

int assist_routine(IOPDesc *iop, bool tags_gate, const char *name, int (*worker)(IOPDesc *))
{
    if (tags_gate) {
        if (!Tags_Active(iop)) {
            interrupt_IllegalInstruction(iop, name);
            return 0;
        }
    } else if (!PCR_Gate_v2_05(iop)) {
        return 0;
    }
    worker(iop);
    IOP_Advance_NIA(iop);
    return 1;
}

} // namespace

uint32_t DPD_To_BCD(uint32_t declet)
{
    const uint32_t pqr = (declet >> 7) & 7, stu = (declet >> 4) & 7, wxy = declet & 7;
    const uint32_t pq = (declet >> 8) & 3, st = (declet >> 5) & 3;
    const uint32_t r = bit(declet, 7), u = bit(declet, 4), y = bit(declet, 0);
    uint32_t d1, d2, d3;
    if (!bit(declet, 3)) {
        d1 = pqr, d2 = stu, d3 = wxy;
    } else {
        switch ((declet >> 1) & 3) { // wx
        case 0:
            d1 = pqr, d2 = stu, d3 = 8 | y;
            break;
        case 1:
            d1 = pqr, d2 = 8 | u, d3 = (st << 1) | y;
            break;
        case 2:
            d1 = 8 | r, d2 = stu, d3 = (pq << 1) | y;
            break;
        default:
            switch (st) {
            case 0:
                d1 = 8 | r, d2 = 8 | u, d3 = (pq << 1) | y;
                break;
            case 1:
                d1 = 8 | r, d2 = (pq << 1) | u, d3 = 8 | y;
                break;
            case 2:
                d1 = pqr, d2 = 8 | u, d3 = 8 | y;
                break;
            default:
                d1 = 8 | r, d2 = 8 | u, d3 = 8 | y;
                break;
            }
            break;
        }
    }
    return (d1 << 8) | (d2 << 4) | d3;
}

uint32_t BCD_To_DPD(uint32_t g)
{
    const uint32_t a = bit(g, 11), b = bit(g, 10), c = bit(g, 9), d = bit(g, 8);
    const uint32_t e = bit(g, 7), f = bit(g, 6), gg = bit(g, 5), h = bit(g, 4);
    const uint32_t i = bit(g, 3), j = bit(g, 2), k = bit(g, 1), m = bit(g, 0);
    const uint32_t na = a ^ 1, ne = e ^ 1, ni = i ^ 1;
    const uint32_t p = (b & na) | (j & a & ni) | (f & a & i & ne);
    const uint32_t q = (c & na) | (k & a & ni) | (gg & a & i & ne);
    const uint32_t r = d;
    const uint32_t s = (j & na & e & ni) | (f & ni & ne) | (f & na & ne) | (e & i);
    const uint32_t t = (k & na & e & ni) | (gg & ni & ne) | (gg & na & ne) | (a & i);
    const uint32_t u = h;
    const uint32_t v = a | e | i;
    const uint32_t w = a | (e & i) | (j & ne & ni);
    const uint32_t x = e | (a & i) | (k & na & ni);
    const uint32_t y = m;
    return (p << 9) | (q << 8) | (r << 7) | (s << 6) | (t << 5) | (u << 4) | (v << 3) | (w << 2) | (x << 1) |
           y;
}

int core_cdtbcd(IOPDesc *iop)
{
    const uint64_t rs = IOP_Read_GPR(iop, FIELD_RS(iop->word), OPERAND_S);
    uint64_t result = 0;
    for (int half = 1; half >= 0; half--) {
        const uint32_t w = (uint32_t)(rs >> (32 * half));
        const uint32_t out = (DPD_To_BCD((w >> 10) & 0x3FF) << 12) | DPD_To_BCD(w & 0x3FF);
        result |= (uint64_t)out << (32 * half);
    }
    IOP_Write_GPR(iop, FIELD_RA(iop->word), result);
    return 1;
}

int core_cbcdtd(IOPDesc *iop)
{
    const uint64_t rs = IOP_Read_GPR(iop, FIELD_RS(iop->word), OPERAND_S);
    uint64_t result = 0;
    for (int half = 1; half >= 0; half--) {
        const uint32_t w = (uint32_t)(rs >> (32 * half));
        const uint32_t out = (BCD_To_DPD((w >> 12) & 0xFFF) << 10) | BCD_To_DPD(w & 0xFFF);
        result |= (uint64_t)out << (32 * half);
    }
    IOP_Write_GPR(iop, FIELD_RA(iop->word), result);
    return 1;
}

int core_dtcs_dot(IOPDesc *iop)
{
    const uint64_t rs = IOP_Read_GPR(iop, FIELD_RS(iop->word), OPERAND_S);
    const uint32_t sign = (uint32_t)rs & 0xF;
    const uint32_t c = (sign == 0xB || sign == 0xD) ? CR_LT : CR_GT;
    IOP_Write_GPR(iop, FIELD_RA(iop->word), rs & ~0xFull);
    SET_CR0_value(iop, c | IOP_Read_SO(iop));
    if (FXCC_Is_Written(iop)) {
        IOP_Write_XER_Field(iop, xr_mask[XR_FXCC], ((uint64_t)c << 24) & 0x0E000000ull);
        XER_Mark_Written(iop, XER_FXCC);
    }
    set_xer_ca(iop, 0);
    return 1;
}

int core_dsixes(IOPDesc *iop)
{
    XER_Mark_Read(iop, XER_NIBBLE_CARRIES);
    const uint64_t carries = iop->thread->XER.value >> 32;
    uint64_t result = 0;
    for (int i = 0; i < 16; i++)
        if (!bit((uint32_t)carries, i)) result |= 6ull << (4 * i);
    IOP_Write_GPR(iop, FIELD_RA(iop->word), result);
    return 1;
}

int semantic_cdtbcd(IOPDesc *iop)
{
    return assist_routine(iop, false, "cdtbcd", core_cdtbcd);
}
int semantic_cbcdtd(IOPDesc *iop)
{
    return assist_routine(iop, false, "cbcdtd", core_cbcdtd);
}
int semantic_dtcs_dot(IOPDesc *iop)
{
    return assist_routine(iop, true, "dtcs_dot", core_dtcs_dot);
}
int semantic_dsixes(IOPDesc *iop)
{
    return assist_routine(iop, true, "dsixes", core_dsixes);
}

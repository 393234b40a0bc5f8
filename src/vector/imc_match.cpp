// The instruction-match comparison (see imc_match.h).
#include "vector/imc_match.h"

#include "processor/records/instruction_record.h"
#include "processor/regs/msr_rules.h"
#include "processor/regs/reg_accessors.h"
#include "processor/regs/reg_triggers.h"

namespace
{

// Ternary rule: every bit of v is 1 where o has a 1, or 0 where z has a 1.
bool ternary(uint32_t v, uint32_t z, uint32_t o, uint32_t width_mask)
{
    return (((v & o) | (~v & z)) & width_mask) == width_mask;
}

int kind_of(uint64_t field)
{
    return field == 1 || field == 2 ? (int)field : 3;
}

// The pair's registers: Z = IMAn, O = IMAn+8.
bool pair(IOPDesc *iop, int n, uint64_t *z, uint64_t *o)
{
    switch (n) {
    case 0:
        *z = iGET_IMA0(iop), *o = iGET_IMA8(iop);
        return true;
    case 1:
        *z = iGET_IMA1(iop), *o = iGET_IMA9(iop);
        return true;
    case 2:
        *z = iGET_IMA2(iop), *o = iGET_IMA10(iop);
        return true;
    case 3:
        *z = iGET_IMA3(iop), *o = iGET_IMA11(iop);
        return true;
    case 4:
        *z = iGET_IMA4(iop), *o = iGET_IMA12(iop);
        return true;
    default:
        return false;
    }
}

// A partial entry whose opcode field starts at bit op (6 bits), extended opcode at bit xo (11
// bits) and state at bit st (3 bits), all counted from the least significant bit; instruction
// bits 25..11 are don't-care.
int partial(IOPDesc *iop, uint64_t z, uint64_t o, int op, int xo, int st)
{
    auto pattern = [&](uint64_t r) {
        return (uint32_t)(((r >> op) & 0x3F) << 26) | (uint32_t)((r >> xo) & 0x7FF) | 0x03FFF800u;
    };
    return IMC_Match_Pattern(iop, iop->word, pattern(z), pattern(o), (uint32_t)(z >> st) & 7,
                             (uint32_t)(o >> st) & 7);
}

} // namespace

int IMC_Match_Pattern(IOPDesc *iop, uint32_t word, uint32_t z, uint32_t o, uint32_t z_state, uint32_t o_state)
{
    if (!ternary(word, z, o, 0xFFFFFFFFu)) return 0;
    const uint64_t msr = iGET_MSR(iop);
    const uint32_t s = ((msr & MSR_TA) ? 4 : 0) | ((msr & MSR_PR) ? 2 : 0) | ((msr & MSR_HV) ? 1 : 0);
    return ternary(s, z_state, o_state, 7);
}

int Part_IMC_Match(IOPDesc *iop, int n)
{
    uint64_t z = 0, o = 0;
    if (!pair(iop, n, &z, &o)) return 0;
    if (((z >> 43) & 1) && partial(iop, z, o, 58, 47, 44)) return kind_of((z >> 35) & 3);
    if (((z >> 13) & 1) && partial(iop, z, o, 28, 17, 14)) return kind_of((z >> 5) & 3);
    return 0;
}

int Full_IMC_Match(IOPDesc *iop, int n)
{
    uint64_t z = 0, o = 0;
    if (!pair(iop, n, &z, &o)) return 0;
    if (((z >> 13) & 1) && IMC_Match_Pattern(iop, iop->word, (uint32_t)(z >> 32), (uint32_t)(o >> 32),
                                             (uint32_t)(z >> 14) & 7, (uint32_t)(o >> 14) & 7))
        return kind_of((z >> 5) & 3);
    return 0;
}

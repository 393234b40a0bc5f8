// VSX permute and logical instructions on whole vector-scalar registers (any of the 64): xxspltw,
// xxsldwi, xxsel, xxpermdi, xxmrghw, xxmrglw and the eight logical operations. They change no
// status register. xxlorc, xxlnand and xxleqv, of level 2.07, pass the level gate first.
#include "decode/semantics.h"
#include "isa/semantics_helpers.h"
#include "vector/vector_facility.h"
#include "vector/vector_registers.h"

namespace
{

Vec128 xa(IOPDesc *iop)
{
    return IOP_Read_VSR(iop, VSX_XA(iop->word), VSX_SLOT_A);
}
Vec128 xb(IOPDesc *iop)
{
    return IOP_Read_VSR(iop, VSX_XB(iop->word), VSX_SLOT_B);
}
Vec128 xc(IOPDesc *iop)
{
    return IOP_Read_VSR(iop, VSX_XC(iop->word), VSX_SLOT_C);
}

uint32_t field2(const IOPDesc *iop, int shift)
{
    return (iop->word >> shift) & 3;
}

int finish(IOPDesc *iop, Vec128 t)
{
    IOP_Write_VSR_T(iop, t.high, t.low);
    IOP_Advance_NIA(iop);
    return 1;
}

// The logical operations: op(a half, b half) on both doublewords.
template <bool level_207, typename Op> int logical(IOPDesc *iop, Op op)
{
    if (level_207 && !Check_PCR_V206(iop)) return 0;
    if (!Check_VSX_Available(iop)) return 0;
    const Vec128 a = xa(iop), b = xb(iop);
    return finish(iop, Vec128{op(a.low, b.low), op(a.high, b.high)});
}

} // namespace

int semantic_xxspltw(IOPDesc *iop)
{
    if (!Check_VSX_Available(iop)) return 0;
    const uint32_t w = Vec_Word(xb(iop), (int)field2(iop, 16));
    return finish(iop, Vec_From_Words(w, w, w, w));
}

int semantic_xxsldwi(IOPDesc *iop)
{
    if (!Check_VSX_Available(iop)) return 0;
    const Vec128 a = xa(iop), b = xb(iop);
    const uint32_t shw = field2(iop, 8);
    uint32_t words[8];
    for (int i = 0; i < 4; i++) {
        words[i] = Vec_Word(a, i);
        words[4 + i] = Vec_Word(b, i);
    }
    return finish(iop, Vec_From_Words(words[shw], words[shw + 1], words[shw + 2], words[shw + 3]));
}

int semantic_xxpermdi(IOPDesc *iop)
{
    if (!Check_VSX_Available(iop)) return 0;
    const Vec128 a = xa(iop), b = xb(iop);
    const uint32_t dm = field2(iop, 8);
    return finish(iop, Vec128{Vec_Dword(b, (int)(dm & 1)), Vec_Dword(a, (int)(dm >> 1))});
}

int semantic_xxmrghw(IOPDesc *iop)
{
    if (!Check_VSX_Available(iop)) return 0;
    const Vec128 a = xa(iop), b = xb(iop);
    return finish(iop, Vec_From_Words(Vec_Word(a, 0), Vec_Word(b, 0), Vec_Word(a, 1), Vec_Word(b, 1)));
}

int semantic_xxmrglw(IOPDesc *iop)
{
    if (!Check_VSX_Available(iop)) return 0;
    const Vec128 a = xa(iop), b = xb(iop);
    return finish(iop, Vec_From_Words(Vec_Word(a, 2), Vec_Word(b, 2), Vec_Word(a, 3), Vec_Word(b, 3)));
}

int semantic_xxsel(IOPDesc *iop)
{
    if (!Check_VSX_Available(iop)) return 0;
    const Vec128 a = xa(iop), b = xb(iop), c = xc(iop);
    return finish(iop, Vec128{(b.low & c.low) | (a.low & ~c.low), (b.high & c.high) | (a.high & ~c.high)});
}

int semantic_xxland(IOPDesc *iop)
{
    return logical<false>(iop, [](uint64_t a, uint64_t b) { return a & b; });
}
int semantic_xxlandc(IOPDesc *iop)
{
    return logical<false>(iop, [](uint64_t a, uint64_t b) { return a & ~b; });
}
int semantic_xxlor(IOPDesc *iop)
{
    return logical<false>(iop, [](uint64_t a, uint64_t b) { return a | b; });
}
int semantic_xxlnor(IOPDesc *iop)
{
    return logical<false>(iop, [](uint64_t a, uint64_t b) { return ~(a | b); });
}
int semantic_xxlxor(IOPDesc *iop)
{
    return logical<false>(iop, [](uint64_t a, uint64_t b) { return a ^ b; });
}
int semantic_xxlorc(IOPDesc *iop)
{
    return logical<true>(iop, [](uint64_t a, uint64_t b) { return a | ~b; });
}
int semantic_xxlnand(IOPDesc *iop)
{
    return logical<true>(iop, [](uint64_t a, uint64_t b) { return ~(a & b); });
}
int semantic_xxleqv(IOPDesc *iop)
{
    return logical<true>(iop, [](uint64_t a, uint64_t b) { return ~(a ^ b); });
}

// VMX pack, unpack, merge and splat. The packs narrow the elements of VA (result elements first)
// and VB into one register, modulo, with saturation (recorded once in VSCR[SAT]) or as 1:5:5:5
// pixels; the unpacks widen half of VB; the merges interleave elements of VA and VB; the splats
// replicate an element of VB or a 5-bit signed immediate.
#include "fp/fpr_invalid_map.h"
#include "decode/semantics.h"
#include "isa/semantics_helpers.h"
#include "processor/records/instruction_record.h"
#include "vector/vector_elements.h"
#include "vector/vector_facility.h"
#include "vector/vector_registers.h"
#include "vector/vscr.h"

namespace
{

using namespace vec;

uint32_t uimm(const IOPDesc *iop)
{
    return (iop->word >> 16) & 31;
}

// The 5-bit signed immediate sign-extended.
int64_t simm(const IOPDesc *iop)
{
    return sext<5>((iop->word >> 16) & 31);
}

int finish(IOPDesc *iop, Vec128 t, bool sat = false)
{
    IOP_Write_VMXR_T(iop, t.low, t.high);
    if (sat) IOP_Set_VSCR_SAT(iop);
    IOP_Advance_NIA(iop);
    return 1;
}

// Source element i (0..2n-1) of VA followed by VB, elements of SrcBits bits.
template <int SrcBits> uint64_t source(Vec128 a, Vec128 b, int i)
{
    constexpr int n = 128 / SrcBits;
    const Vec128 &v = i < n ? a : b;
    const int k = i % n;
    constexpr int per_half = 64 / SrcBits;
    const uint64_t half = k < per_half ? v.high : v.low;
    return (half >> (64 - SrcBits * (k % per_half + 1))) & lane_mask<SrcBits>();
}

// Packs 2n source elements of SrcBits bits into 2n result elements of SrcBits/2 bits.
template <int SrcBits, typename Narrow> int pack(IOPDesc *iop, Narrow narrow)
{
    if (!Check_VMX_Available(iop)) return 0;
    const Vec128 a = IOP_Read_VMXR_A(iop), b = IOP_Read_VMXR_B(iop);
    constexpr int DstBits = SrcBits / 2, count = 256 / SrcBits, per_half = 64 / DstBits;
    bool sat = false;
    Vec128 t{0, 0};
    for (int i = 0; i < count; i++) {
        const uint64_t x = narrow(source<SrcBits>(a, b, i), sat) & lane_mask<DstBits>();
        uint64_t &half = i < per_half ? t.high : t.low;
        half |= x << (64 - DstBits * (i % per_half + 1));
    }
    return finish(iop, t, sat);
}

// Saturation of x into [low, high].
uint64_t saturate(int64_t x, int64_t low, int64_t high, bool &sat)
{
    if (x < low) {
        sat = true;
        return (uint64_t)low;
    }
    if (x > high) {
        sat = true;
        return (uint64_t)high;
    }
    return (uint64_t)x;
}

// The high (first) or low half of VB widened: elements of SrcBits bits into 2 * SrcBits bits.
template <int SrcBits, typename Widen> int unpack(IOPDesc *iop, bool high, Widen widen)
{
    if (!Check_VMX_Available(iop)) return 0;
    const uint64_t half = high ? IOP_Read_VMXR_B(iop).high : IOP_Read_VMXR_B(iop).low;
    constexpr int DstBits = 2 * SrcBits, count = 64 / SrcBits, per_half = 64 / DstBits;
    Vec128 t{0, 0};
    for (int i = 0; i < count; i++) {
        const uint64_t x = (half >> (64 - SrcBits * (i + 1))) & lane_mask<SrcBits>();
        uint64_t &out = i < per_half ? t.high : t.low;
        out |= (widen(x) & lane_mask<DstBits>()) << (64 - DstBits * (i % per_half + 1));
    }
    return finish(iop, t);
}

// A 1:5:5:5 pixel halfword as a word of four bytes.
uint64_t pixel_word(uint64_t h)
{
    const uint64_t alpha = (h & 0x8000) ? 0xFF : 0;
    return (alpha << 24) | (((h >> 10) & 0x1F) << 16) | (((h >> 5) & 0x1F) << 8) | (h & 0x1F);
}

// Element-wise interleave: result elements 2i and 2i + 1 are element base + step * i of VA and VB.
template <int Bits> Vec128 interleave(Vec128 a, Vec128 b, int base, int step)
{
    constexpr int count = 128 / Bits, per_half = 64 / Bits;
    auto element = [](Vec128 v, int k) {
        const uint64_t half = k < per_half ? v.high : v.low;
        return (half >> (64 - Bits * (k % per_half + 1))) & lane_mask<Bits>();
    };
    Vec128 t{0, 0};
    for (int i = 0; i < count; i++) {
        const uint64_t x = element(i % 2 ? b : a, base + step * (i / 2));
        uint64_t &half = i < per_half ? t.high : t.low;
        half |= x << (64 - Bits * (i % per_half + 1));
    }
    return t;
}

template <int Bits> int merge(IOPDesc *iop, int base)
{
    if (!Check_VMX_Available(iop)) return 0;
    const Vec128 a = IOP_Read_VMXR_A(iop), b = IOP_Read_VMXR_B(iop);
    return finish(iop, interleave<Bits>(a, b, base, 1));
}

// vmrgew (first 0) and vmrgow (first 1), of level 2.07: the level gate, the PCR VSX-disable gate
// and the VMX check; on the functional path the VSR images are used and the target's FPR invalid
// map bit follows doubleword 1 of the result.
int merge_even_odd(IOPDesc *iop, int first)
{
    if (!Check_PCR_V206(iop)) return 0;
    if (!Check_PCR_VSX_Disable(iop)) return 0;
    if (!Check_VMX_Available(iop)) return 0;
    if (iop->use_slots) {
        const Vec128 t = interleave<32>(IOP_Read_VMXR_A(iop), IOP_Read_VMXR_B(iop), first, 2);
        IOP_Write_VMXR_T(iop, t.low, t.high);
    } else {
        const Vec128 a = READ_VSR_SIMPLE(iop, 32 + VMX_VA(iop->word), "A");
        const Vec128 b = READ_VSR_SIMPLE(iop, 32 + VMX_VB(iop->word), "B");
        const Vec128 t = interleave<32>(a, b, first, 2);
        const uint32_t target = 32 + VMX_VT(iop->word);
        WRITE_VMXR_SIMPLE(iop, VMX_VT(iop->word), t.low, t.high, "T");
        Update_FPR_Invalid_Map(iop, target, t.low);
    }
    IOP_Advance_NIA(iop);
    return 1;
}

template <int Bits> int splat(IOPDesc *iop)
{
    if (!Check_VMX_Available(iop)) return 0;
    const Vec128 b = IOP_Read_VMXR_B(iop);
    constexpr int count = 128 / Bits, per_half = 64 / Bits;
    const int k = (int)(uimm(iop) % count);
    const uint64_t x =
        ((k < per_half ? b.high : b.low) >> (64 - Bits * (k % per_half + 1))) & lane_mask<Bits>();
    const Vec128 t = map1<Bits>(Vec128{0, 0}, [x](uint64_t) { return x; });
    return finish(iop, t);
}

template <int Bits> int splat_immediate(IOPDesc *iop)
{
    if (!Check_VMX_Available(iop)) return 0;
    const uint64_t x = (uint64_t)simm(iop) & lane_mask<Bits>();
    return finish(iop, map1<Bits>(Vec128{0, 0}, [x](uint64_t) { return x; }));
}

} // namespace

// ---- packs ----

int semantic_vpkuhum(IOPDesc *iop)
{
    return pack<16>(iop, [](uint64_t x, bool &) { return x; });
}
int semantic_vpkuwum(IOPDesc *iop)
{
    return pack<32>(iop, [](uint64_t x, bool &) { return x; });
}
int semantic_vpkuhus(IOPDesc *iop)
{
    return pack<16>(iop, [](uint64_t x, bool &sat) { return saturate((int64_t)x, 0, 0xFF, sat); });
}
int semantic_vpkuwus(IOPDesc *iop)
{
    return pack<32>(iop, [](uint64_t x, bool &sat) { return saturate((int64_t)x, 0, 0xFFFF, sat); });
}
int semantic_vpkshus(IOPDesc *iop)
{
    return pack<16>(iop, [](uint64_t x, bool &sat) { return saturate(sext<16>(x), 0, 0xFF, sat); });
}
int semantic_vpkswus(IOPDesc *iop)
{
    return pack<32>(iop, [](uint64_t x, bool &sat) { return saturate(sext<32>(x), 0, 0xFFFF, sat); });
}
int semantic_vpkshss(IOPDesc *iop)
{
    return pack<16>(iop, [](uint64_t x, bool &sat) { return saturate(sext<16>(x), -128, 127, sat); });
}
int semantic_vpkswss(IOPDesc *iop)
{
    return pack<32>(iop, [](uint64_t x, bool &sat) { return saturate(sext<32>(x), -32768, 32767, sat); });
}
int semantic_vpkpx(IOPDesc *iop)
{
    return pack<32>(iop, [](uint64_t w, bool &) {
        return (((w >> 24) & 1) << 15) | (((w >> 19) & 0x1F) << 10) | (((w >> 11) & 0x1F) << 5) |
               ((w >> 3) & 0x1F);
    });
}

// ---- unpacks ----

int semantic_vupkhsb(IOPDesc *iop)
{
    return unpack<8>(iop, true, [](uint64_t x) { return (uint64_t)sext<8>(x); });
}
int semantic_vupklsb(IOPDesc *iop)
{
    return unpack<8>(iop, false, [](uint64_t x) { return (uint64_t)sext<8>(x); });
}
int semantic_vupkhsh(IOPDesc *iop)
{
    return unpack<16>(iop, true, [](uint64_t x) { return (uint64_t)sext<16>(x); });
}
int semantic_vupklsh(IOPDesc *iop)
{
    return unpack<16>(iop, false, [](uint64_t x) { return (uint64_t)sext<16>(x); });
}
int semantic_vupkhpx(IOPDesc *iop)
{
    return unpack<16>(iop, true, pixel_word);
}
int semantic_vupklpx(IOPDesc *iop)
{
    return unpack<16>(iop, false, pixel_word);
}

// ---- merges ----

int semantic_vmrghb(IOPDesc *iop)
{
    return merge<8>(iop, 0);
}
int semantic_vmrglb(IOPDesc *iop)
{
    return merge<8>(iop, 8);
}
int semantic_vmrghh(IOPDesc *iop)
{
    return merge<16>(iop, 0);
}
int semantic_vmrglh(IOPDesc *iop)
{
    return merge<16>(iop, 4);
}
int semantic_vmrghw(IOPDesc *iop)
{
    return merge<32>(iop, 0);
}
int semantic_vmrglw(IOPDesc *iop)
{
    return merge<32>(iop, 2);
}
int semantic_vmrgew(IOPDesc *iop)
{
    return merge_even_odd(iop, 0);
}
int semantic_vmrgow(IOPDesc *iop)
{
    return merge_even_odd(iop, 1);
}

// ---- splats ----

int semantic_vspltb(IOPDesc *iop)
{
    return splat<8>(iop);
}
int semantic_vsplth(IOPDesc *iop)
{
    return splat<16>(iop);
}
int semantic_vspltw(IOPDesc *iop)
{
    return splat<32>(iop);
}
int semantic_vspltisb(IOPDesc *iop)
{
    return splat_immediate<8>(iop);
}
int semantic_vspltish(IOPDesc *iop)
{
    return splat_immediate<16>(iop);
}
int semantic_vspltisw(IOPDesc *iop)
{
    return splat_immediate<32>(iop);
}

// VMX permute, select and octet shifts: vperm, vpermxor, vsel, vsldoi, vslo, vsro, vsl, vsr, the
// bit gather vbpermq and the 8 x 8 bit transpose vgbbd. Whole-register rearrangements; no VSCR or
// CR change and no look at the thread's byte order.
#include "decode/semantics.h"
#include "processor/config/processor_options.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "vector/vmx_frame.h"

namespace
{

using namespace vec;

// vsl (left) and vsr: the count is the low three bits of each byte of VB. When the counts differ
// and PARALLEL_VSL is on, each result byte comes from VA shifted by its own byte's count;
// otherwise the count of byte 15 shifts the whole register.
template <bool left> int shift_bits(IOPDesc *iop)
{
    const bool parallel = iop->thread->processor->options[PO_PARALLEL_VSL] != 0;
    return vmx_run<Gate::VMX, SRC_AB>(iop, [parallel](Vec128 a, Vec128 b, Vec128, bool &) {
        const Bytes16 counts = vmx_bytes(b);
        const unsigned s = counts.b[15] & 7;
        bool uniform = true;
        for (int k = 0; k < 16; k++)
            uniform = uniform && (counts.b[k] & 7) == s;
        if (uniform || !parallel) return left ? vmx_shift_left(a, s) : vmx_shift_right(a, s);
        Bytes16 t;
        for (int k = 0; k < 16; k++) {
            const unsigned c = counts.b[k] & 7;
            t.b[k] = vmx_bytes(left ? vmx_shift_left(a, c) : vmx_shift_right(a, c)).b[k];
        }
        return vmx_from_bytes(t);
    });
}

// vslo (left) and vsro: VA shifted by 8n bits, n = bits 121-124 of VB.
template <bool left> int shift_octets(IOPDesc *iop)
{
    return vmx_run<Gate::VMX, SRC_AB>(iop, [](Vec128 a, Vec128 b, Vec128, bool &) {
        const unsigned n = (unsigned)(b.low >> 3) & 15;
        return left ? vmx_shift_left(a, 8 * n) : vmx_shift_right(a, 8 * n);
    });
}

} // namespace

int semantic_vperm(IOPDesc *iop)
{
    return vmx_run<Gate::VMX, SRC_ABC>(iop, [](Vec128 a, Vec128 b, Vec128 c, bool &) {
        const Bytes16 ba = vmx_bytes(a), bb = vmx_bytes(b), bc = vmx_bytes(c);
        Bytes16 t;
        for (int i = 0; i < 16; i++) {
            const int k = bc.b[i] & 31;
            t.b[i] = k < 16 ? ba.b[k] : bb.b[k - 16];
        }
        return vmx_from_bytes(t);
    });
}

int semantic_vpermxor(IOPDesc *iop)
{
    return vmx_run<Gate::V206, SRC_ABC>(iop, [](Vec128 a, Vec128 b, Vec128 c, bool &) {
        const Bytes16 ba = vmx_bytes(a), bb = vmx_bytes(b), bc = vmx_bytes(c);
        Bytes16 t;
        for (int i = 0; i < 16; i++)
            t.b[i] = ba.b[bc.b[i] >> 4] ^ bb.b[bc.b[i] & 15];
        return vmx_from_bytes(t);
    });
}

int semantic_vsel(IOPDesc *iop)
{
    return vmx_run<Gate::VMX, SRC_ABC>(iop, [](Vec128 a, Vec128 b, Vec128 c, bool &) {
        return Vec128{(b.low & c.low) | (a.low & ~c.low), (b.high & c.high) | (a.high & ~c.high)};
    });
}

int semantic_vsldoi(IOPDesc *iop)
{
    const int shb = (iop->word >> 6) & 15;
    return vmx_run<Gate::VMX, SRC_AB>(iop, [shb](Vec128 a, Vec128 b, Vec128, bool &) {
        const Bytes16 ba = vmx_bytes(a), bb = vmx_bytes(b);
        Bytes16 t;
        for (int i = 0; i < 16; i++)
            t.b[i] = i + shb < 16 ? ba.b[i + shb] : bb.b[i + shb - 16];
        return vmx_from_bytes(t);
    });
}

int semantic_vslo(IOPDesc *iop)
{
    return shift_octets<true>(iop);
}
int semantic_vsro(IOPDesc *iop)
{
    return shift_octets<false>(iop);
}
int semantic_vsl(IOPDesc *iop)
{
    return shift_bits<true>(iop);
}
int semantic_vsr(IOPDesc *iop)
{
    return shift_bits<false>(iop);
}

int semantic_vbpermq(IOPDesc *iop)
{
    return vmx_run<Gate::Quad, SRC_AB>(iop, [](Vec128 a, Vec128 b, Vec128, bool &) {
        const Bytes16 index = vmx_bytes(b);
        uint64_t gathered = 0;
        for (int i = 0; i < 16; i++) {
            const unsigned k = index.b[i];
            const uint64_t bit = k < 128 ? ((k < 64 ? a.high : a.low) >> (63 - (k & 63))) & 1 : 0;
            gathered |= bit << (15 - i);
        }
        return Vec128{0, gathered};
    });
}

int semantic_vgbbd(IOPDesc *iop)
{
    auto transpose = [](uint64_t d) {
        // Bit j of result byte r = bit r of source byte j (bit 0 the most significant).
        uint64_t t = 0;
        for (int r = 0; r < 8; r++)
            for (int j = 0; j < 8; j++) {
                const uint64_t bit = (d >> (63 - (8 * j + r))) & 1;
                t |= bit << (63 - (8 * r + j));
            }
        return t;
    };
    return vmx_run<Gate::V206, SRC_B>(iop, [&](Vec128, Vec128 b, Vec128, bool &) {
        return Vec128{transpose(b.low), transpose(b.high)};
    });
}

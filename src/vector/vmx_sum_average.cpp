// VMX sums across, averages, minimum and maximum. The sums add elements of VA into word
// accumulators from VB exactly and clamp only the final word (saturation recorded once); the
// averages round half up; minimum and maximum compare at the element's own width. Only the sums
// touch VSCR.
#include "decode/semantics.h"
#include "vector/vector_elements.h"
#include "vector/vmx_frame.h"

namespace
{

using namespace vec;

uint32_t clamp(int64_t x, int64_t low, int64_t high, bool &sat)
{
    if (x < low) {
        sat = true;
        return (uint32_t)low;
    }
    if (x > high) {
        sat = true;
        return (uint32_t)high;
    }
    return (uint32_t)x;
}

int64_t sword(Vec128 v, int i)
{
    return (int32_t)Vec_Word(v, i);
}

// Word i = VB word i + the elements of VA inside word i, clamped.
template <int Bits, bool is_signed> int sum4(IOPDesc *iop)
{
    return vmx_run<Gate::VMX, SRC_AB>(iop, [](Vec128 a, Vec128 b, Vec128, bool &sat) {
        const int64_t low = is_signed ? INT32_MIN : 0, high = is_signed ? INT32_MAX : 0xFFFFFFFF;
        uint32_t w[4];
        for (int i = 0; i < 4; i++) {
            const uint32_t aw = Vec_Word(a, i);
            int64_t s = is_signed ? sword(b, i) : (int64_t)Vec_Word(b, i);
            for (int shift = 0; shift < 32; shift += Bits) {
                const uint64_t x = (aw >> shift) & lane_mask<Bits>();
                s += is_signed ? sext<Bits>(x) : (int64_t)x;
            }
            w[i] = clamp(s, low, high, sat);
        }
        return Vec_From_Words(w[0], w[1], w[2], w[3]);
    });
}

// (a + b + 1) >> 1, exact.
template <int Bits, bool is_signed> int average(IOPDesc *iop)
{
    return vmx_run<Gate::VMX, SRC_AB>(iop, [](Vec128 a, Vec128 b, Vec128, bool &) {
        return map2<Bits>(a, b, [](uint64_t x, uint64_t y) -> uint64_t {
            if constexpr (is_signed)
                return (uint64_t)((sext<Bits>(x) + sext<Bits>(y) + 1) >> 1);
            else
                return (x + y + 1) >> 1;
        });
    });
}

template <int Bits, bool is_signed, bool maximum> int min_max(IOPDesc *iop)
{
    return vmx_run<Gate::VMX, SRC_AB>(iop, [](Vec128 a, Vec128 b, Vec128, bool &) {
        return map2<Bits>(a, b, [](uint64_t x, uint64_t y) -> uint64_t {
            const bool x_less = is_signed ? sext<Bits>(x) < sext<Bits>(y) : x < y;
            return x_less == maximum ? y : x;
        });
    });
}

} // namespace

int semantic_vsumsws(IOPDesc *iop)
{
    return vmx_run<Gate::VMX, SRC_AB>(iop, [](Vec128 a, Vec128 b, Vec128, bool &sat) {
        const int64_t s = sword(a, 0) + sword(a, 1) + sword(a, 2) + sword(a, 3) + sword(b, 3);
        return Vec_From_Words(0, 0, 0, clamp(s, INT32_MIN, INT32_MAX, sat));
    });
}
int semantic_vsum2sws(IOPDesc *iop)
{
    return vmx_run<Gate::VMX, SRC_AB>(iop, [](Vec128 a, Vec128 b, Vec128, bool &sat) {
        const int64_t s1 = sword(a, 0) + sword(a, 1) + sword(b, 1);
        const int64_t s3 = sword(a, 2) + sword(a, 3) + sword(b, 3);
        return Vec_From_Words(0, clamp(s1, INT32_MIN, INT32_MAX, sat), 0,
                              clamp(s3, INT32_MIN, INT32_MAX, sat));
    });
}
int semantic_vsum4sbs(IOPDesc *iop)
{
    return sum4<8, true>(iop);
}
int semantic_vsum4ubs(IOPDesc *iop)
{
    return sum4<8, false>(iop);
}
int semantic_vsum4shs(IOPDesc *iop)
{
    return sum4<16, true>(iop);
}

int semantic_vavgub(IOPDesc *iop)
{
    return average<8, false>(iop);
}
int semantic_vavguh(IOPDesc *iop)
{
    return average<16, false>(iop);
}
int semantic_vavguw(IOPDesc *iop)
{
    return average<32, false>(iop);
}
int semantic_vavgsb(IOPDesc *iop)
{
    return average<8, true>(iop);
}
int semantic_vavgsh(IOPDesc *iop)
{
    return average<16, true>(iop);
}
int semantic_vavgsw(IOPDesc *iop)
{
    return average<32, true>(iop);
}

int semantic_vminub(IOPDesc *iop)
{
    return min_max<8, false, false>(iop);
}
int semantic_vminuh(IOPDesc *iop)
{
    return min_max<16, false, false>(iop);
}
int semantic_vminuw(IOPDesc *iop)
{
    return min_max<32, false, false>(iop);
}
int semantic_vminsb(IOPDesc *iop)
{
    return min_max<8, true, false>(iop);
}
int semantic_vminsh(IOPDesc *iop)
{
    return min_max<16, true, false>(iop);
}
int semantic_vminsw(IOPDesc *iop)
{
    return min_max<32, true, false>(iop);
}
int semantic_vmaxub(IOPDesc *iop)
{
    return min_max<8, false, true>(iop);
}
int semantic_vmaxuh(IOPDesc *iop)
{
    return min_max<16, false, true>(iop);
}
int semantic_vmaxuw(IOPDesc *iop)
{
    return min_max<32, false, true>(iop);
}
int semantic_vmaxsb(IOPDesc *iop)
{
    return min_max<8, true, true>(iop);
}
int semantic_vmaxsh(IOPDesc *iop)
{
    return min_max<16, true, true>(iop);
}
int semantic_vmaxsw(IOPDesc *iop)
{
    return min_max<32, true, true>(iop);
}

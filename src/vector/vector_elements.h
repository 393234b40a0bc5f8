// Element-wise work on 128-bit values: the lanes of each 64-bit half are taken out, combined and
// put back in place, with the per-element operation inlined (no calls through pointers).
#pragma once

#include <cstdint>

#include "processor/hooks/vsr_access.h"

namespace vec
{

template <int Bits> constexpr uint64_t lane_mask()
{
    return Bits >= 64 ? ~0ull : (1ull << Bits) - 1;
}

// Sign-extends the low Bits bits.
template <int Bits> inline int64_t sext(uint64_t x)
{
    if constexpr (Bits >= 64)
        return (int64_t)x;
    else
        return (int64_t)(x << (64 - Bits)) >> (64 - Bits);
}

// result element i = op(a element i, b element i); elements of Bits bits (8, 16, 32 or 64).
template <int Bits, typename Op> inline uint64_t map2_half(uint64_t a, uint64_t b, Op op)
{
    uint64_t result = 0;
    for (int shift = 0; shift < 64; shift += Bits)
        result |= (op((a >> shift) & lane_mask<Bits>(), (b >> shift) & lane_mask<Bits>()) & lane_mask<Bits>())
                  << shift;
    return result;
}

template <int Bits, typename Op> inline Vec128 map2(Vec128 a, Vec128 b, Op op)
{
    return Vec128{map2_half<Bits>(a.low, b.low, op), map2_half<Bits>(a.high, b.high, op)};
}

template <int Bits, typename Op> inline Vec128 map1(Vec128 a, Op op)
{
    auto one = [&](uint64_t x, uint64_t) { return op(x); };
    return Vec128{map2_half<Bits>(a.low, 0, one), map2_half<Bits>(a.high, 0, one)};
}

} // namespace vec

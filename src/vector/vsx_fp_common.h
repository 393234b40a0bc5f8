// Steps shared by the VSX floating-point element workers: NaN tests and quieting, sign inversion,
// and the single-precision delivery (one rounding to single precision into a double temporary,
// then the exact narrowing to a single word).
#pragma once

#include <cstdint>

#include "fp/fp160.h"
#include "fp/fp160_round.h"
#include "fp/fp_convert.h"
#include "fp/fp_deliver.h"
#include "vector/vec_defs.h"

struct IOPDesc;

namespace vec
{

inline bool FP160_Is_SNaN(const FP160 *v)
{
    return FP160_Is_NaN(v) && !(v->sig_hi & FP160_QUIET_BIT);
}

// Makes the NaN quiet: exponent all ones, headroom bit cleared, quiet bit set; sign and payload
// kept.
inline void quiet_nan(FP160 *v)
{
    v->exponent = FP160_EXP_MAX;
    v->sig_hi = (v->sig_hi & 0x7FFFFFFFFFFFFFFFull) | FP160_QUIET_BIT;
}

inline void invert_sign(FP160 *v)
{
    v->sign = v->sign ? 0 : 1;
}

// The single-precision result of a value: rounded once to single precision by
// FP160_Convert_to_32_as_DW (FPSCR recorded), then, unless the rounding forced the result into
// double format (flag 0x200), read back from its double form and narrowed exactly to a word.
// Returns the flags of the rounding ORed with those of the narrowing; *delivered is the rounding
// step's answer (0: an enabled invalid operation or zero-divide). The word goes to *out unless
// the answer is 0 and keep_refused is false.
inline uint32_t deliver_single(IOPDesc *iop, FP160 *value, uint32_t *out, int mode, bool keep_refused,
                               int *delivered)
{
    uint64_t temporary = 0;
    *delivered = FP160_Convert_to_32_as_DW(iop, value, &temporary, 0, mode);
    const uint32_t flags = value->exceptions;
    if (!*delivered && !keep_refused) return flags;
    if (!(flags & FP_FORCED_DOUBLE))
        FP160_ConvertFromDP(value, &temporary, "FP_Convert32_ExceptionHandler::tmp");
    *out = FP160_Convert32(value, FP_ROUND_ZERO, 0, 0, (flags & FP_FORCED_DOUBLE) != 0);
    return value->exceptions | flags;
}

} // namespace vec

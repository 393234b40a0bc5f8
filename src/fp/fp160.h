// The FP160 working value of the binary floating-point library: the record, its encodings and
// flags, the exception marks and their text, and the result-class codes (FPRF) of stored values.
//
// Bits of significands, words and FPSCR are numbered from the most significant (bit 0). The
// 128-bit significand is sig_hi:sig_lo; significand bit 0 (bit 63 of sig_hi) is carry headroom,
// bit 1 the integer bit, bits 2.. the fraction. A double's fraction is significand bits 2..53.
#pragma once

#include <cstddef>
#include <cstdint>

#include "runtime/debug.h"

struct FP160 {
    int32_t sign;            // 0 positive; any other value negative
    uint32_t exponent;       // biased by FP160_BIAS; 0 zero, all ones infinity and NaN
    uint64_t sig_lo;         // significand bits 64..127
    uint64_t sig_hi;         // significand bits 0..63
    uint64_t ext_lo;         // the low half of the 256-bit significand: product bits below the
    uint64_t ext_hi;         // kept 128, read from sig_hi down to ext_lo
    uint32_t exceptions;     // FP160_EXC_* flags
    uint32_t invalid_detail; // FP160_INV_* bits, added only with the invalid flag
    int32_t op_kind;         // FP160_OP_*: the operation that produced the value
    int32_t tiny_loss;       // denormalising shifted out non-zero bits
    int32_t eff_subtract;    // set by addition: the operands' signs differed
    int32_t src_format;      // FP_FORMAT_* the value came from, 0 when not set
    int32_t wide;            // the 256-bit significand is in use
    const char *name;        // debug label
};

constexpr uint32_t FP160_BIAS = 0x7FFFFFFF;
constexpr uint32_t FP160_EXP_MAX = 0xFFFFFFFF; // infinity and NaN

// Storage formats (src_format and the format argument of the narrowing operations).
enum : int32_t {
    FP_FORMAT_NONE = 0,
    FP_FORMAT_SP = 1,
    FP_FORMAT_DP = 3,
    FP_FORMAT_HP = 4,
    FP_FORMAT_QP = 5,
    FP_FORMAT_EP = 6
};

// Biased exponent of a storage format's exponent field e: e + offset.
constexpr uint32_t FP160_DP_OFFSET = 0x7FFFFC00;
constexpr uint32_t FP160_SP_OFFSET = 0x7FFFFF80;
constexpr uint32_t FP160_HP_OFFSET = 0x7FFFFFF0;
constexpr uint32_t FP160_QP_OFFSET = 0x7FFFC000;

// Exception flags.
enum : uint32_t {
    FP160_EXC_OVERFLOW = 0x1,
    FP160_EXC_UNDERFLOW = 0x2,
    FP160_EXC_INEXACT = 0x4,    // also the sticky bit of rounding
    FP160_EXC_ROUNDED_UP = 0x8, // rounding incremented the fraction
    FP160_EXC_INVALID = 0x10,
    FP160_EXC_ZERO_DIVIDE = 0x20,
    FP160_EXC_QNAN = 0x40,
    FP160_EXC_SNAN = 0x80,
    FP160_EXC_INEXACT_RE = 0x100, // inexact reported by an estimate
    FP160_EXC_FINAL_EXP = 0x200,  // the exponent holds the final stored exponent field
};

// Invalid-operation details.
enum : uint32_t {
    FP160_INV_INF_MINUS_INF = 0x2,
    FP160_INV_INF_DIV_INF = 0x4,
    FP160_INV_ZERO_DIV_ZERO = 0x8,
    FP160_INV_ZERO_TIMES_INF = 0x10,
    FP160_INV_SQRT_NEG = 0x20,
    FP160_INV_SQRT_NEG_INF = 0x40,
    FP160_INV_COMPARE = 0x80,
    FP160_INV_CONVERT = 0x100,
    FP160_INV_SOFTWARE = 0x200,
};

// Kinds of operation (op_kind).
enum : int32_t { FP160_OP_NONE = 0, FP160_OP_ADD = 1, FP160_OP_MULTIPLY = 2, FP160_OP_DIVIDE = 4 };

// Result classes (FPRF codes).
enum : uint32_t {
    FPRF_QNAN = 0x11,
    FPRF_NEG_INF = 0x09,
    FPRF_NEG_NORMAL = 0x08,
    FPRF_NEG_DENORMAL = 0x18,
    FPRF_NEG_ZERO = 0x12,
    FPRF_POS_ZERO = 0x02,
    FPRF_POS_DENORMAL = 0x14,
    FPRF_POS_NORMAL = 0x04,
    FPRF_POS_INF = 0x05,
};

// Significand bits as masks of sig_hi.
constexpr uint64_t FP160_HEADROOM_BIT = 1ull << 63; // significand bit 0
constexpr uint64_t FP160_INTEGER_BIT = 1ull << 62;  // significand bit 1
constexpr uint64_t FP160_QUIET_BIT = 1ull << 61;    // significand bit 2

// Debug categories the library reads: value traces and exception-mark texts.
constexpr int FP_DEBUG_TRACE = 100;
constexpr int FP_DEBUG_MARKS = 103;

inline bool FP160_Tracing(void)
{
    return debug_state[FP_DEBUG_TRACE] > 0;
}

// Zeroes every field and stores the label: +0.
inline void FP160_Init(FP160 *value, const char *name)
{
    *value = FP160{};
    value->name = name;
}

// The fraction (23 bits for format 1, else 52) placed under the integer bit in sig_hi; sig_lo 0.
void FP160_SetSignificand(FP160 *value, int32_t format, uint64_t fraction);
// Exponent all ones, quiet bit set and headroom bit cleared; the payload is kept.
void FP160_Make_Quiet_NaN(FP160 *value);
// Clears every significand bit but the headroom bit.
void FP160_Clear_Significand(FP160 *value);

// Value tests on the encodings.
inline bool FP160_Fraction_Zero(const FP160 *v) // significand bits 2..127
{
    return (v->sig_hi & 0x3FFFFFFFFFFFFFFFull) == 0 && v->sig_lo == 0;
}
inline bool FP160_Is_NaN(const FP160 *v)
{
    return v->exponent == FP160_EXP_MAX && !FP160_Fraction_Zero(v);
}
inline bool FP160_Is_Infinity(const FP160 *v)
{
    return v->exponent == FP160_EXP_MAX && FP160_Fraction_Zero(v);
}
inline bool FP160_Is_Zero(const FP160 *v) // exponent 0 and significand bits 1..127 zero
{
    return v->exponent == 0 && (v->sig_hi & ~FP160_HEADROOM_BIT) == 0 && v->sig_lo == 0;
}

// ORs flags into the exceptions (and details into invalid_detail with the invalid flag). The
// routine and the printf-style message describe the event for tracing only.
void FP160_Mark_Exception(FP160 *value, uint32_t flags, uint32_t details, const char *routine,
                          const char *message, ...) __attribute__((format(printf, 5, 6)));
void FP160_UnMark_Exception(FP160 *value, uint32_t flags, const char *routine, const char *message, ...)
    __attribute__((format(printf, 4, 5)));

// The flag names, comma-separated, within size bytes; "None" for no flags. Returns text.
char *Exceptions_To_String(char *text, size_t size, uint32_t flags, uint32_t details);

// Result classes of stored values. A signalling NaN is an internal error and answers 0.
// precision 1: the double carries a single-precision result (single denormal range is denormal).
uint32_t micro_DBL_FPRF(uint64_t value, int precision);
uint32_t micro_SGL_FPRF(uint32_t value);
uint32_t micro_HALF_FPRF(uint16_t value);
// value: low word first; precision 1 classes the single-precision denormal range as denormal.
uint32_t micro_QUAD_FPRF(const uint64_t *value, int precision);

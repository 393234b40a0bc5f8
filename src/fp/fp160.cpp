// The FP160 record: significand set-up, exception marks, flag texts and result classes.
#include "fp/fp160.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "runtime/message.h"

void FP160_SetSignificand(FP160 *value, int32_t format, uint64_t fraction)
{
    const int shift = format == FP_FORMAT_SP ? 39 : 10;
    value->sig_lo = 0;
    value->sig_hi = ((fraction << shift) & ~FP160_HEADROOM_BIT) | FP160_INTEGER_BIT;
}

void FP160_Make_Quiet_NaN(FP160 *value)
{
    value->exponent = FP160_EXP_MAX;
    value->sig_hi = (value->sig_hi | FP160_QUIET_BIT) & ~FP160_HEADROOM_BIT;
}

void FP160_Clear_Significand(FP160 *value)
{
    value->sig_lo = 0;
    value->sig_hi &= FP160_HEADROOM_BIT;
}

namespace
{

// The text of a mark, made only when exception marks are traced; nothing is written anywhere.
void trace_mark(const FP160 *value, const char *routine, const char *message, va_list args)
{
    char text[256];
    int n = snprintf(text, sizeof text, "%s: %s: ", routine ? routine : "", value->name ? value->name : "");
    if (n < 0 || (size_t)n >= sizeof text) return;
    if (message) vsnprintf(text + n, sizeof text - (size_t)n, message, args);
}

} // namespace

void FP160_Mark_Exception(FP160 *value, uint32_t flags, uint32_t details, const char *routine,
                          const char *message, ...)
{
    value->exceptions |= flags;
    if ((flags & FP160_EXC_INVALID) && details) value->invalid_detail |= details;
    if (debug_state[FP_DEBUG_MARKS] > 0) {
        va_list args;
        va_start(args, message);
        trace_mark(value, routine, message, args);
        va_end(args);
    }
}

void FP160_UnMark_Exception(FP160 *value, uint32_t flags, const char *routine, const char *message, ...)
{
    value->exceptions &= ~flags;
    if (debug_state[FP_DEBUG_MARKS] > 0) {
        va_list args;
        va_start(args, message);
        trace_mark(value, routine, message, args);
        va_end(args);
    }
}

namespace
{

struct FlagName {
    uint32_t bit;
    const char *name;
};

constexpr FlagName exception_names[] = {
    {FP160_EXC_OVERFLOW, "Overflow"},
    {FP160_EXC_UNDERFLOW, "Underflow"},
    {FP160_EXC_INEXACT, "Inexact"},
    {FP160_EXC_ROUNDED_UP, "Round-Up"},
    {FP160_EXC_INVALID, nullptr},
    {FP160_EXC_ZERO_DIVIDE, "Zero-Divide"},
    {FP160_EXC_QNAN, "QNaN"},
    {FP160_EXC_SNAN, "SNaN"},
    {FP160_EXC_INEXACT_RE, "Inexact-RE"},
};

constexpr FlagName detail_names[] = {
    {FP160_INV_INF_MINUS_INF, "Inf-Inf"}, {FP160_INV_INF_DIV_INF, "Inf/Inf"},
    {FP160_INV_ZERO_DIV_ZERO, "0/0"},     {FP160_INV_ZERO_TIMES_INF, "0*Inf"},
    {FP160_INV_SQRT_NEG, "SQRT(Neg)"},    {FP160_INV_SQRT_NEG_INF, "SQRT(-Inf)"},
    {FP160_INV_COMPARE, "Compare"},       {FP160_INV_CONVERT, "Convert"},
    {FP160_INV_SOFTWARE, "Software"},
};

// Appends as much of the piece as fits, always leaving the text terminated within size bytes.
void append(char *text, size_t size, const char *piece)
{
    size_t used = strlen(text);
    if (used + 1 >= size) return;
    size_t room = size - 1 - used;
    size_t n = strlen(piece);
    if (n > room) n = room;
    memcpy(text + used, piece, n);
    text[used + n] = '\0';
}

} // namespace

char *Exceptions_To_String(char *text, size_t size, uint32_t flags, uint32_t details)
{
    if (!text || size == 0) return text;
    text[0] = '\0';
    if (flags == 0) {
        append(text, size, "None");
        return text;
    }
    for (const FlagName &f : exception_names) {
        if (!(flags & f.bit)) continue;
        if (f.name) {
            append(text, size, f.name);
        } else {
            append(text, size, "Invalid(");
            bool first = true;
            for (const FlagName &d : detail_names) {
                if (!(details & d.bit)) continue;
                if (!first) append(text, size, ",");
                append(text, size, d.name);
                first = false;
            }
            append(text, size, ")");
        }
        append(text, size, ",");
    }
    size_t n = strlen(text);
    if (n > 0 && text[n - 1] == ',') text[n - 1] = '\0';
    return text;
}

namespace
{

// The class of a stored value from its fields; the denormal window applies to normal exponents.
uint32_t classify(bool negative, bool all_ones, bool exponent_zero, bool fraction_zero, bool quiet,
                  bool in_denormal_window, const char *routine)
{
    if (all_ones) {
        if (fraction_zero) return negative ? FPRF_NEG_INF : FPRF_POS_INF;
        if (quiet) return FPRF_QNAN;
        sim_do_error(__FILE__, __LINE__, "ERROR: %s(): SNaN result", routine);
        return 0;
    }
    if (exponent_zero) {
        if (fraction_zero) return negative ? FPRF_NEG_ZERO : FPRF_POS_ZERO;
        return negative ? FPRF_NEG_DENORMAL : FPRF_POS_DENORMAL;
    }
    if (in_denormal_window) return negative ? FPRF_NEG_DENORMAL : FPRF_POS_DENORMAL;
    return negative ? FPRF_NEG_NORMAL : FPRF_POS_NORMAL;
}

// Biased exponents of a double (and of a quad) that hold a single-precision denormal.
constexpr uint32_t DP_SP_DENORMAL_FIRST = 874, DP_SP_DENORMAL_LAST = 896;
constexpr uint32_t QP_SP_DENORMAL_FIRST = 16234, QP_SP_DENORMAL_LAST = 16256;

} // namespace

uint32_t micro_DBL_FPRF(uint64_t value, int precision)
{
    const uint32_t e = (uint32_t)(value >> 52) & 0x7FF;
    const uint64_t f = value & 0xFFFFFFFFFFFFFull;
    return classify(value >> 63, e == 0x7FF, e == 0, f == 0, (f >> 51) & 1,
                    precision == 1 && e >= DP_SP_DENORMAL_FIRST && e <= DP_SP_DENORMAL_LAST,
                    "micro_DBL_FPRF");
}

uint32_t micro_SGL_FPRF(uint32_t value)
{
    const uint32_t e = (value >> 23) & 0xFF;
    const uint32_t f = value & 0x7FFFFF;
    return classify(value >> 31, e == 0xFF, e == 0, f == 0, (f & 0x400000) != 0, false, "micro_SGL_FPRF");
}

uint32_t micro_HALF_FPRF(uint16_t value)
{
    const uint32_t e = value & 0x7C00;
    const uint32_t f = value & 0x3FF;
    return classify((value & 0x8000) != 0, e == 0x7C00, e == 0, f == 0, (f & 0x200) != 0, false,
                    "micro_HALF_FPRF");
}

uint32_t micro_QUAD_FPRF(const uint64_t *value, int precision)
{
    const uint64_t hi = value[1], lo = value[0];
    const uint32_t e = (uint32_t)(hi >> 48) & 0x7FFF;
    const bool fraction_zero = (hi & 0xFFFFFFFFFFFFull) == 0 && lo == 0;
    return classify(hi >> 63, e == 0x7FFF, e == 0, fraction_zero, (hi >> 47) & 1,
                    precision == 1 && e >= QP_SP_DENORMAL_FIRST && e <= QP_SP_DENORMAL_LAST,
                    "micro_QUAD_FPRF");
}

// Text renderings of doubles and FP160 values.
#include "fp/fp160_text.h"

#include <cmath>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "fp/fp160_round.h"
#include "runtime/message.h"

int Prepare_FPDouble(char *text, size_t size, double number)
{
    if (std::isnan(number)) return snprintf(text, size, "%s", std::signbit(number) ? "-NaN" : "+NaN");
    if (std::isinf(number)) return snprintf(text, size, "%s", number < 0 ? "-INF" : "+INF");
    return snprintf(text, size, "%G", number);
}

namespace
{

// The class text of a value (its format takes the sign character).
const char *class_format(const FP160 *v)
{
    if (v->exponent == 0) return FP160_Is_Zero(v) ? "%cZero" : "%cUnder(DP,SP)";
    if (v->exponent == FP160_EXP_MAX) {
        if (FP160_Fraction_Zero(v)) return "%cInf";
        return (v->sig_hi & FP160_QUIET_BIT) ? "%cQNaN" : "%cSNaN";
    }
    const int64_t u = (int64_t)v->exponent - (int64_t)FP160_BIAS;
    if (u > 1023) return "%cOver(DP,SP)";
    if (u >= 128) return "%cNorm(DP),Over(SP)";
    if (u >= -126) return "%cNorm(DP,SP)";
    if (u >= -150) return "%cNorm(DP),Denorm(SP)";
    if (u >= -1022) return "%cNorm(DP),Under(SP)";
    if (u >= -1075) return "%cDenorm(DP),Under(SP)";
    return "%cUnder(DP,SP)";
}

} // namespace

int FP160_ToString(char *text, size_t size, const char *label, const FP160 *value)
{
    if (!text || size == 0) return 0;
    FP160 copy = *value;
    uint64_t bits;
    FP160_Convert64_Untraced(&copy, FP_ROUND_NEAREST, &bits, 3);
    double number;
    memcpy(&number, &bits, sizeof number);
    char number_text[64];
    Prepare_FPDouble(number_text, sizeof number_text, number);
    const char sign = value->sign == 0 ? '+' : '-';
    char class_text[32];
    snprintf(class_text, sizeof class_text, class_format(value), sign);
    char label_text[128];
    snprintf(label_text, sizeof label_text, "%s%s", label ? label : "", label ? ":" : "");
    const int n =
        snprintf(text, size, "%s[s=%d(%c), e=0x%08X(%d), f=0x%016lX_%016lX]-> %s {%s}", label_text,
                 value->sign, sign, value->exponent, (int32_t)(value->exponent - FP160_BIAS),
                 (unsigned long)value->sig_hi, (unsigned long)value->sig_lo, number_text, class_text);
    text[size - 1] = '\0';
    return n;
}

void FP160_Trace(const FP160 *value, const char *label, const char *message, ...)
{
    if (!FP160_Tracing()) return;
    char rendering[256];
    FP160_ToString(rendering, sizeof rendering, label, value);
    char note[256];
    va_list args;
    va_start(args, message);
    vsnprintf(note, sizeof note, message, args);
    va_end(args);
}

int Error(int level, const char *format, ...)
{
    char text[1024];
    va_list args;
    va_start(args, format);
    const int n = vsnprintf(text, sizeof text, format, args);
    va_end(args);
    if (level == 0) {
        SIM_PRINT("FATAL ERROR : %s\n", text);
        exit(-1);
    }
    if (level == 1) SIM_PRINT("WARNING : %s\n", text);
    return n;
}

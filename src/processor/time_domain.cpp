// Frequency specifications.
#include "processor/time_domain.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "runtime/message.h"
#include "runtime/property_list.h"

void Initialize_FreqSpec(FreqSpec *spec)
{
    spec->is_absolute = 1;
    spec->hz = 0;
    spec->numerator = 0;
    spec->denominator = 0;
    spec->base = nullptr;
    spec->domain = nullptr;
}

uint64_t gcd(uint64_t a, uint64_t b)
{
    if (a < b) {
        uint64_t t = a;
        a = b;
        b = t;
    }
    while (b != 0) {
        uint64_t r = a % b;
        a = b;
        b = r;
    }
    return a;
}

namespace
{

// One number of a ratio: base prefixes honoured; false when nothing was read or it does not
// fit a positive 32-bit value (a zero term would make the ratio meaningless).
bool read_ratio_term(const char *text, int32_t *value, const char **end)
{
    char *stop = nullptr;
    errno = 0;
    unsigned long long v = strtoull(text, &stop, 0);
    *end = stop;
    if (stop == text || errno == ERANGE || v == 0 || v > 0x7FFFFFFF) return false;
    *value = (int32_t)v;
    return true;
}

} // namespace

int ConvertRatio(const char *text, int32_t *numerator, int32_t *denominator)
{
    *numerator = 1;
    *denominator = 1;
    if (!text) return 0;
    int32_t n, d = 1;
    const char *rest;
    if (!read_ratio_term(text, &n, &rest) || (*rest != '\0' && *rest != '*' && *rest != '/')) {
        sim_warning(2, "Bad numerator argument value: %s", text);
        return 0;
    }
    if (*rest == '/') {
        if (!read_ratio_term(rest + 1, &d, &rest) || (*rest != '\0' && *rest != '*')) {
            sim_warning(2, "Bad denominator argument value: %s", text);
            return 0;
        }
        uint64_t g = gcd((uint64_t)n, (uint64_t)d);
        if (g != 1) {
            n = (int32_t)((uint64_t)n / g);
            d = (int32_t)((uint64_t)d / g);
        }
    }
    *numerator = n;
    *denominator = d;
    return 1;
}

int convert_plist_frequency(time_domain *base_domain, const char *key, const char *text, FreqSpec *spec)
{
    if (!text) return 0;
    if (!strchr(text, '/') && !strchr(text, '*')) {
        int ok = 0;
        uint64_t hz = STRING2SCALED_INT_rc(text, &ok, 1000);
        if (ok) {
            spec->is_absolute = 1;
            spec->hz = hz;
            spec->base = nullptr;
            return 1;
        }
    } else {
        int32_t n, d;
        if (ConvertRatio(text, &n, &d)) {
            spec->is_absolute = 0;
            spec->numerator = n;
            spec->denominator = d;
            // STAND-IN: time domains (and re-evaluating the tick rate) come with the chips and
            // their clocks; until then a ratio keeps no base specification.
            (void)base_domain;
            spec->base = nullptr;
            return 1;
        }
    }
    sim_warning(2, "property list %s has bad frequency value %s", key, text);
    return 0;
}

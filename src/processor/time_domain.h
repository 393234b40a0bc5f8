// Frequency specifications: a frequency in Hz or a ratio of another specification's frequency,
// and their conversion from ratio texts and property values.
#pragma once

#include <cstdint>

struct time_domain;

struct FreqSpec {
    int32_t is_absolute; // 1 in Hz, 0 a ratio of base
    uint64_t hz;         // meaningful when absolute
    int32_t numerator;   // frequency = base x numerator / denominator
    int32_t denominator;
    FreqSpec *base;      // the specification a ratio refers to
    time_domain *domain; // the domain declared on it, or null
};

// A new specification: absolute, 0 Hz, ratio 0/0, no base, no domain.
void Initialize_FreqSpec(FreqSpec *spec);
uint64_t gcd(uint64_t a, uint64_t b);
// Reads "n", "n/d", "n*..." or "n/d*..." into a reduced ratio; 1 on success, 0 otherwise.
int ConvertRatio(const char *text, int32_t *numerator, int32_t *denominator);
// Sets a specification from a property value: a scaled integer (base 1000) in Hz, or a ratio
// of the base domain's frequency; 1 on success, 0 (specification unchanged) otherwise.
int convert_plist_frequency(time_domain *base_domain, const char *key, const char *text, FreqSpec *spec);

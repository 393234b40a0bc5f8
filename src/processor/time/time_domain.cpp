// Frequency settings, time domains and the machine's tick rate.
#include "processor/time/time_domain.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "kernel/tsim.h"
#include "processor/config/property_lookup.h"
#include "processor/records/generic_machine.h"
#include "processor/records/mcm.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "runtime/alloc.h"
#include "runtime/message.h"
#include "runtime/object_registry.h"
#include "runtime/property_list.h"
#include "runtime/tcl_output.h"

namespace
{

typedef unsigned __int128 u128;

constexpr uint64_t PICOSECONDS_PER_SECOND = 1000000000000ULL;
// Ratio chains are short (a domain on the base domain); a longer one is a loop.
constexpr int MAX_RATIO_DEPTH = 64;

GenericMachine *time_stamp_machine = nullptr;

u128 gcd128(u128 a, u128 b)
{
    while (b != 0) {
        u128 r = a % b;
        a = b;
        b = r;
    }
    return a;
}

uint64_t saturate(u128 value)
{
    return value > (u128)UINT64_MAX ? UINT64_MAX : (uint64_t)value;
}

uint64_t evaluate(const FreqSpec *spec, uint64_t *remainder, int depth)
{
    if (remainder) *remainder = 0;
    if (spec->is_absolute) return spec->hz;
    const FreqSpec *base = spec->base;
    if (!base || depth >= MAX_RATIO_DEPTH || spec->denominator == 0) return 0;
    uint64_t b = evaluate(base, nullptr, depth + 1);
    // Sign-extended terms as the definition says; only positive terms are ever stored.
    u128 product = (u128)b * (u128)(uint64_t)(int64_t)spec->numerator;
    u128 d = (u128)(uint64_t)(int64_t)spec->denominator;
    if (remainder) *remainder = (uint64_t)(product % d);
    return saturate(product / d);
}

// The frequency of a domain's frequency setting; 0 for none.
uint64_t spec_frequency(const FreqSpec *spec)
{
    return spec ? evaluate(spec, nullptr, 0) : 0;
}

// What a domain adds to the least common multiple: its Hz, or for a ratio n/d of base b the
// smallest multiple of b x n / d that is whole, (b x n) / gcd(b x n, d). Zero contributes nothing.
u128 contribution(const time_domain *domain)
{
    const FreqSpec *spec = domain->spec;
    if (!spec) return 0;
    if (spec->is_absolute) return spec->hz;
    if (!spec->base || spec->numerator <= 0 || spec->denominator <= 0) return 0;
    u128 product = (u128)spec_frequency(spec->base) * (u128)(uint32_t)spec->numerator;
    if (product == 0) return 0;
    return product / gcd128(product, (u128)(uint32_t)spec->denominator);
}

// Ticks per cycle of a domain at the set's tick rate (at least 1, never a division by zero).
uint64_t ticks_per_cycle(const machine_time_domains *set, const time_domain *domain)
{
    const FreqSpec *spec = domain->spec;
    uint64_t rate = set->tick_rate;
    uint64_t ticks = 0;
    if (spec && spec->is_absolute) {
        if (spec->hz) ticks = rate / spec->hz;
    } else if (spec && spec->base && spec->numerator > 0 && spec->denominator > 0) {
        uint64_t base = spec_frequency(spec->base);
        if (base)
            ticks = saturate((u128)(rate / base) * (uint32_t)spec->denominator / (uint32_t)spec->numerator);
    }
    return ticks ? ticks : 1;
}

// The current tick of the running kernel (the active job's, else the last one's); 0 without one.
uint64_t running_tick(void)
{
    tsim_s *tsim = tsim_current();
    return tsim ? tsim->now : 0;
}

uint64_t divide_up(u128 value, u128 divisor)
{
    if (divisor == 0) return 0;
    return saturate((value + divisor - 1) / divisor);
}

} // namespace

void Initialize_FreqSpec(FreqSpec *spec)
{
    spec->is_absolute = 1;
    spec->hz = 0;
    spec->numerator = 0;
    spec->denominator = 0;
    spec->base = nullptr;
    spec->domain = nullptr;
}

int Define_FreqSpec_Frequency(FreqSpec *spec, uint64_t hz)
{
    if (!spec || hz == 0) return 0;
    spec->is_absolute = 1;
    spec->hz = hz;
    spec->base = nullptr;
    if (spec->domain) Reevaluate_time_domain(spec->domain);
    return 1;
}

int Define_FreqSpec_Ratio(FreqSpec *spec, int32_t numerator, int32_t denominator, FreqSpec *base)
{
    if (!spec || !base || base == spec || numerator <= 0 || denominator <= 0) return 0;
    spec->is_absolute = 0;
    spec->numerator = numerator;
    spec->denominator = denominator;
    spec->base = base;
    if (spec->domain) Reevaluate_time_domain(spec->domain);
    return 1;
}

uint64_t evaluate_frequency_ratio(const FreqSpec *spec, uint64_t *remainder)
{
    if (!spec) sim_panic("Assertion failed: fs != 0");
    return evaluate(spec, remainder, 0);
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
        // A frequency of 0 would make every tick count meaningless: refused like a bad text.
        if (ok && hz != 0) {
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
            // Before the machine has a base domain a ratio keeps no base (it evaluates to 0 Hz
            // until a base is given).
            spec->base = base_domain ? base_domain->spec : nullptr;
            return 1;
        }
    }
    sim_warning(2, "property list %s has bad frequency value %s", key, text);
    return 0;
}

int get_mcm_plist_frequency(MCM *chip, PropertyList *list, const char *key, FreqSpec *spec)
{
    time_domain *base = chip && chip->machine ? chip->machine->base_domain : nullptr;
    return convert_plist_frequency(base, key, get_mcm_plist_string(chip, list, key), spec);
}

int Set_frequency(Tcl_Interp *interpreter, const char *name, FreqSpec *spec, const char *text, FreqSpec *base)
{
    int ok = 0;
    if (text && strchr(text, '/')) {
        int32_t n, d;
        ok = ConvertRatio(text, &n, &d) && Define_FreqSpec_Ratio(spec, n, d, base);
    } else if (text) {
        uint64_t hz = STRING2SCALED_INT_rc(text, &ok, 1000);
        ok = ok && Define_FreqSpec_Frequency(spec, hz);
    }
    if (!ok) {
        SIM_TCLPRINT(interpreter, "1: Error reading freq; got %s", text ? text : "");
        return 1;
    }
    SIM_TCLPRINT(interpreter, "Set %s frequency to %s", name, Prepare_FreqSpec(spec));
    return 0;
}

int Set_stepdown(Tcl_Interp *interpreter, const char *name, FreqSpec *spec, const char *text, FreqSpec *base)
{
    int32_t n, d;
    if (text && strchr(text, '/') && ConvertRatio(text, &n, &d) && Define_FreqSpec_Ratio(spec, n, d, base))
        SIM_TCLPRINT(interpreter, "Set %s frequency to %s", name, Prepare_FreqSpec(spec));
    else
        SIM_TCLPRINT(interpreter, "%s frequency left at %s", name, Prepare_FreqSpec(spec));
    return 0;
}

const char *Prepare_AbsoluteFrequency(uint64_t hz)
{
    static char text[32];
    if (hz % 1000000000ULL == 0)
        snprintf(text, sizeof text, "%ldGHz", (long)(hz / 1000000000ULL));
    else if (hz % 1000000ULL == 0)
        snprintf(text, sizeof text, "%ldMHz", (long)(hz / 1000000ULL));
    else if (hz % 1000ULL != 0)
        snprintf(text, sizeof text, "%ldHz", (long)hz);
    else
        snprintf(text, sizeof text, "%ldKHz", (long)(hz / 1000ULL));
    return text;
}

const char *Prepare_FreqSpec(const FreqSpec *spec)
{
    static char text[32];
    if (!spec) {
        text[0] = '\0';
    } else if (spec->is_absolute) {
        snprintf(text, sizeof text, "%s", Prepare_AbsoluteFrequency(spec->hz));
    } else {
        snprintf(text, sizeof text, "%d/%d", spec->numerator, spec->denominator);
    }
    return text;
}

void Initialize_Machine_Time_Domain_Variables(machine_time_domains *set)
{
    set->domains = nullptr;
    set->tick_rate = 1;
    set->cached = 0;
    set->pico_numerator = PICOSECONDS_PER_SECOND;
    set->pico_denominator = 1;
}

time_domain *TD_declare_time_domain(const char *name, machine_time_domains *set, FreqSpec *spec)
{
    if (!set || !spec) return nullptr;
    time_domain *domain = QUARN_ZALLOC(1, time_domain);
    if (!domain) return nullptr;
    domain->name = REMEMBER_STRING(name ? name : "");
    domain->set = set;
    domain->spec = spec;
    domain->ticks_per_cycle = 1;
    domain->next = set->domains;
    set->domains = domain;
    spec->domain = domain;
    domain->object_id = BaseObject__New(domain->name, OBJECT_KIND_TIME_DOMAIN, domain);
    Reevaluate_time_domain(domain);
    return domain;
}

void TD_undeclare_time_domain(time_domain *domain)
{
    if (!domain) return;
    BaseObject__Delete(domain->object_id);
    FORGET_STRING(domain->name);
    if (domain->spec && domain->spec->domain == domain) domain->spec->domain = nullptr;
    if (machine_time_domains *set = domain->set) {
        for (time_domain **link = &set->domains; *link; link = &(*link)->next) {
            if (*link == domain) {
                *link = domain->next;
                break;
            }
        }
    }
    QUARN_FREE(domain);
}

void Quit_Machine_Time_Domain(machine_time_domains *set)
{
    if (!set) return;
    while (set->domains)
        TD_undeclare_time_domain(set->domains);
}

time_domain *TD_find_time_domain(machine_time_domains *set, const char *name)
{
    if (!set || !name) return nullptr;
    for (time_domain *domain = set->domains; domain; domain = domain->next)
        if (strcmp(domain->name, name) == 0) return domain;
    return nullptr;
}

int TD_tick_range_bits(uint64_t tick_rate)
{
    if (tick_rate == 0) return 64;
    uint64_t x = UINT64_MAX / tick_rate;
    uint64_t below = x - 1;
    int bits = 0;
    while (below) {
        bits++;
        below >>= 1;
    }
    return bits;
}

void Reevaluate_time_domain(time_domain *domain)
{
    if (!domain || !domain->set) return;
    machine_time_domains *set = domain->set;
    uint64_t f = spec_frequency(domain->spec);
    domain->frequency = f;
    domain->ticks_per_cycle = f && set->tick_rate / f ? set->tick_rate / f : 1;
    set->cached = 0;
    // A domain without a frequency has nothing to add to the tick rate.
    if (f == 0 || set->tick_rate % f == 0) return;

    u128 h = 1;
    for (time_domain *e = set->domains; e; e = e->next) {
        u128 m = contribution(e);
        if (m == 0) continue;
        h = h * (m / gcd128(h, m));
        if (h > (u128)UINT64_MAX) break;
    }
    // A rate beyond 64 bits leaves no tick range at all: reported below as too large.
    uint64_t rate = saturate(h);
    if (rate != set->tick_rate) {
        set->tick_rate = rate;
        int bits = TD_tick_range_bits(rate);
        if (bits <= 6)
            sim_panic("Tick frequency (%s) (i.e., the Least Common Multiple of all the frequencies) is too "
                      "large to simulate. Please change some of the frequency specifications to reduce the "
                      "Least Common Multiple of all the frequencies.",
                      Prepare_AbsoluteFrequency(rate));
        if (bits <= 32)
            sim_warning(2, "%d bit clock (tick frequency %s, maximum simulated hours %.1f)", bits,
                        Prepare_AbsoluteFrequency(rate), (double)(UINT64_MAX / rate) / 3600.0);
        uint64_t g = gcd(PICOSECONDS_PER_SECOND, rate);
        set->pico_numerator = PICOSECONDS_PER_SECOND / g;
        set->pico_denominator = rate / g;
    }
    for (time_domain *e = set->domains; e; e = e->next)
        e->ticks_per_cycle = ticks_per_cycle(set, e);
}

uint64_t TD_convert_cycle_to_pico(machine_time_domains *set, uint64_t cycles, time_domain *domain)
{
    if (!set || cycles == 0) return 0;
    uint64_t ticks = domain && domain->ticks_per_cycle ? domain->ticks_per_cycle : 1;
    return divide_up((u128)cycles * set->pico_numerator * ticks, set->pico_denominator);
}

uint64_t TD_get_current_pico(machine_time_domains *set)
{
    if (!set) return 0;
    return divide_up((u128)running_tick() * set->pico_numerator, set->pico_denominator);
}

void Set_Time_Machine(GenericMachine *machine)
{
    time_stamp_machine = machine;
}

GenericMachine *Get_Time_Machine(void)
{
    return time_stamp_machine;
}

void Set_Time_Domain_For_Print(GenericMachine *machine, time_domain *domain)
{
    if (machine) machine->cycle_domain = domain;
}

extern "C" uint64_t LIBSIM__Get_ClockFreq_hz(ThreadState *thread)
{
    if (!thread || !thread->processor || !thread->processor->core_freq) return 0;
    return evaluate_frequency_ratio(thread->processor->core_freq, nullptr);
}

extern "C" uint64_t LIBSIM__Get_TimeBase_Frequency_hz(ThreadState *thread)
{
    if (!thread || !thread->processor) return 0;
    return evaluate_frequency_ratio(&thread->processor->timebase_freq, nullptr);
}

// Frequencies and time domains: frequency settings (Hz, or a ratio of another
// frequency setting), the named clock domains of a machine, the machine's tick rate (the least
// common multiple of the domains' frequencies) with each domain's ticks per cycle, the
// conversions to picoseconds, and the parsing, setting and printing of frequencies.
#pragma once

#include <cstdint>

struct GenericMachine;
struct MCM;
struct PropertyList;
struct Tcl_Interp;
struct ThreadState;
struct time_domain;
struct machine_time_domains;

struct FreqSpec {
    int32_t is_absolute; // 1 in Hz, 0 a ratio of base
    uint64_t hz;         // meaningful when absolute
    int32_t numerator;   // frequency = base x numerator / denominator
    int32_t denominator;
    FreqSpec *base;      // the frequency setting a ratio refers to
    time_domain *domain; // the domain declared on it, or null
};

// A named clock domain of a machine.
struct time_domain {
    int32_t object_id; // object registry, kind 8
    char *name;        // interned; compared exactly
    uint64_t ticks_per_cycle;
    uint64_t frequency;        // Hz at the domain's last evaluation
    time_domain *next;         // next (older) domain of the set
    machine_time_domains *set; // the machine's set it belongs to
    FreqSpec *spec;            // its frequency; owned by the declaring component
};

// The time domains of one machine and the tick rate they imply.
struct machine_time_domains {
    time_domain *domains;    // newest first
    uint64_t tick_rate;      // ticks per second
    uint64_t cached;         // reset to 0 by every re-evaluation
    uint64_t pico_numerator; // picoseconds per tick, reduced
    uint64_t pico_denominator;
};

// Frequency settings.
// A new frequency setting: absolute, 0 Hz, ratio 0/0, no base, no domain.
void Initialize_FreqSpec(FreqSpec *spec);
// Makes the frequency setting absolute (no base) and re-evaluates its domain. A frequency of 0 is
// refused (0, frequency setting unchanged); 1 otherwise.
int Define_FreqSpec_Frequency(FreqSpec *spec, uint64_t hz);
// Makes the frequency setting the ratio numerator/denominator of base and re-evaluates its domain.
// Terms below 1, a missing base or the frequency setting itself as its base are refused (0).
int Define_FreqSpec_Ratio(FreqSpec *spec, int32_t numerator, int32_t denominator, FreqSpec *base);
// The frequency setting's frequency in Hz: its Hz when absolute, else base x numerator / denominator
// (truncated; the remainder goes to *remainder when given). A ratio without a base is 0 Hz.
uint64_t evaluate_frequency_ratio(const FreqSpec *spec, uint64_t *remainder);
uint64_t gcd(uint64_t a, uint64_t b);
// Reads "n", "n/d", "n*..." or "n/d*..." into a reduced ratio; 1 on success, 0 otherwise.
int ConvertRatio(const char *text, int32_t *numerator, int32_t *denominator);

// Sets a frequency setting from a property value: a scaled integer (base 1000) in Hz, or a ratio
// of the base domain's frequency; 1 on success, 0 (frequency setting unchanged) otherwise. A
// frequency of 0 is refused.
int convert_plist_frequency(time_domain *base_domain, const char *key, const char *text, FreqSpec *spec);
// The chip lookup of key converted with the machine's base domain as the base of ratios.
int get_mcm_plist_frequency(MCM *chip, PropertyList *list, const char *key, FreqSpec *spec);
// Command forms: set a frequency (Hz or ratio) or a ratio only from text, reporting to the
// interpreter's result. Set_frequency returns 0 on success, 1 on error; Set_stepdown always 0.
int Set_frequency(Tcl_Interp *interpreter, const char *name, FreqSpec *spec, const char *text,
                  FreqSpec *base);
int Set_stepdown(Tcl_Interp *interpreter, const char *name, FreqSpec *spec, const char *text, FreqSpec *base);

// Texts in static buffers, each overwritten by its next call: "2GHz", "1500KHz", "1000500Hz";
// the absolute text or "%d/%d".
const char *Prepare_AbsoluteFrequency(uint64_t hz);
const char *Prepare_FreqSpec(const FreqSpec *spec);

// Domain sets.
// No domains, tick rate 1, picosecond fraction 10^12/1.
void Initialize_Machine_Time_Domain_Variables(machine_time_domains *set);
// Declares a domain on the frequency setting (linked first, registered as an object) and
// re-evaluates it; null without a frequency setting.
time_domain *TD_declare_time_domain(const char *name, machine_time_domains *set, FreqSpec *spec);
// Removes a domain without re-evaluating the tick rate.
void TD_undeclare_time_domain(time_domain *domain);
// Undeclares every domain of the set, newest first.
void Quit_Machine_Time_Domain(machine_time_domains *set);
time_domain *TD_find_time_domain(machine_time_domains *set, const char *name);
// Re-evaluates the domain, and the tick rate and every domain when the domain's frequency does
// not divide the rate.
void Reevaluate_time_domain(time_domain *domain);
// Significant bits left to the tick counter at a tick rate: the bits of (2^64-1)/rate, less one.
int TD_tick_range_bits(uint64_t tick_rate);

// Picoseconds of cycles of a domain (1 tick per cycle without one), rounded up.
uint64_t TD_convert_cycle_to_pico(machine_time_domains *set, uint64_t cycles, time_domain *domain);
// Picoseconds of the running kernel's current tick, rounded up.
uint64_t TD_get_current_pico(machine_time_domains *set);

// The machine whose time message headers print (also remembered by GetRawTime).
void Set_Time_Machine(GenericMachine *machine);
GenericMachine *Get_Time_Machine(void);
// Sets the domain in whose cycles the machine's time is counted and printed.
void Set_Time_Domain_For_Print(GenericMachine *machine, time_domain *domain);

// Embedding interface: the thread's core clock and time-base frequencies in Hz (0 without a
// thread or processor).
extern "C" uint64_t LIBSIM__Get_ClockFreq_hz(ThreadState *thread);
extern "C" uint64_t LIBSIM__Get_TimeBase_Frequency_hz(ThreadState *thread);

// The real-time clock (G_MMAPI_RTC, "RTC"): eight byte registers (century and control, seconds,
// minutes, hours, weekday, day, month, year) in BCD or binary, advanced by a kernel job.
#pragma once

#include <cstdint>

#include "memory/memory_map.h"

struct GenericMachine;
struct job_s;

struct RTC {
    GenericMachine *machine;
    char *name; // interned
    uint64_t start;
    uint64_t end;             // inclusive
    uint64_t cycles_per_step; // base cycles per clock step
    uint8_t control;
    uint8_t seconds;
    uint8_t minutes;
    uint8_t hours;
    uint8_t weekday; // 0-6
    uint8_t day;     // 0-based
    uint8_t month;   // 0-based
    uint8_t year;    // within the century, 0-99
    uint8_t century;
    uint8_t mode; // bit 2 set: registers are binary, clear: BCD
    job_s *job;   // "rtc"
};

// The clock base of every machine: 2002-06-13 22:26:59 UTC.
constexpr int64_t RTC_DEFAULT_BASE = 1024007219;
constexpr int32_t RTC_DEFAULT_SPEEDUP = 1000;

extern MMAPIentry_s G_MMAPI_RTC;

// Sets the clock registers from the machine's clock base, prints "Set RTC to ..." and starts the
// clock job.
void Set_RTC_Freq(RTC *rtc, GenericMachine *machine);
// Advances the clock by n seconds.
void RTC_Body(RTC *rtc, int64_t seconds);

void *RTC_INIT_MMAPI_FUNCTION(const char *name, PropertyList *list, InstanceLink *link, uint64_t start,
                              uint64_t end);
void RTC_QUIT_MMAPI_FUNCTION(void *instance);
int RTC_READ_MMAPI_FUNCTION(MMAPI_Access *access, void *instance, uint64_t offset, uint64_t *value,
                            int length);
int RTC_WRITE_MMAPI_FUNCTION(MMAPI_Access *access, void *instance, uint64_t offset, uint64_t value,
                             int length);

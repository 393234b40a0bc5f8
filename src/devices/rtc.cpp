// The real-time clock.
#include "devices/rtc.h"

#include "kernel/delay.h"
#include "kernel/job.h"
#include "processor/records/generic_machine.h"
#include "processor/records/instance_link.h"
#include "processor/time/time_domain.h"
#include "runtime/alloc.h"
#include "runtime/message.h"

MMAPIentry_s G_MMAPI_RTC = {
    MMAPI_VERSION,
    RTC_INIT_MMAPI_FUNCTION,
    RTC_QUIT_MMAPI_FUNCTION,
    RTC_READ_MMAPI_FUNCTION,
    RTC_WRITE_MMAPI_FUNCTION,
    nullptr,
    nullptr,
    nullptr,
};

namespace
{

const char *const REGISTER_NAMES[8] = {"century", "seconds", "minutes", "hours",
                                       "weekday", "day",     "month",   "year"};

bool leap_year(int year, int century)
{
    return year != 0 ? year % 4 == 0 : century % 4 == 0;
}

int month_length(int month, int year, int century)
{
    switch (month) {
    case 3:
    case 5:
    case 8:
    case 10:
        return 30;
    case 1:
        return leap_year(year, century) ? 29 : 28;
    default:
        return 31;
    }
}

uint64_t base_hz(GenericMachine *machine)
{
    return machine ? evaluate_frequency_ratio(&machine->base_freq, nullptr) : 0;
}

uint8_t encode(const RTC *rtc, int value)
{
    if (rtc->mode & 0x4) return (uint8_t)value;
    return (uint8_t)(((value / 10) << 4) | (value % 10));
}

int decode(const RTC *rtc, uint64_t value)
{
    if (rtc->mode & 0x4) return (int)(value & 0xFF);
    return (int)((value & 0xF) + ((value & 0xFF) / 16) * 10);
}

// The clock job: one step of the clock per interval of base cycles.
void rtc_job(void *argument)
{
    RTC *rtc = static_cast<RTC *>(argument);
    for (;;) {
        GenericMachine *machine = rtc->machine;
        uint64_t divisor = machine && machine->rtc_speedup > 0 ? (uint64_t)machine->rtc_speedup : 1;
        rtc->cycles_per_step = base_hz(machine) / divisor;
        uint64_t per_cycle = machine && machine->base_domain && machine->base_domain->ticks_per_cycle
                                 ? machine->base_domain->ticks_per_cycle
                                 : 1;
        // A clock slower than its speed-up would step every tick forever at one tick: at least one
        // tick passes per step.
        uint64_t delay = rtc->cycles_per_step * per_cycle;
        current_delay_ticks(delay ? delay : 1);
        RTC_Body(rtc, 1);
    }
}

} // namespace

void Set_RTC_Freq(RTC *rtc, GenericMachine *machine)
{
    if (!rtc || !machine) return;
    uint64_t divisor = machine->rtc_speedup > 0 ? (uint64_t)machine->rtc_speedup : 1;
    rtc->cycles_per_step = base_hz(machine) / divisor;
    int64_t base = machine->rtc_base;
    int64_t days = base / 86400;
    int64_t rest = base % 86400;
    rtc->hours = (uint8_t)(rest / 3600);
    rtc->minutes = (uint8_t)(rest % 3600 / 60);
    rtc->seconds = (uint8_t)(rest % 60);
    rtc->weekday = (uint8_t)(((days % 7) + 4) % 7);
    int year = 70, century = 19;
    for (;;) {
        int length = leap_year(year, century) ? 366 : 365;
        if (days < length) break;
        days -= length;
        if (++year > 99) {
            year = 0;
            century++;
        }
    }
    int month = 0;
    while (month < 11 && days >= month_length(month, year, century)) {
        days -= month_length(month, year, century);
        month++;
    }
    rtc->year = (uint8_t)year;
    rtc->century = (uint8_t)century;
    rtc->month = (uint8_t)month;
    rtc->day = (uint8_t)days;
    SIM_PRINT("Set RTC to %d:%d:%d of %d/%d/%d\n", rtc->hours, rtc->minutes, rtc->seconds, rtc->month + 1,
              rtc->day + 1, rtc->century * 100 + rtc->year);
    rtc->control = 0;
    rtc->mode = 0;
    if (!rtc->job && machine->tsim) rtc->job = job_new(machine->tsim, "rtc", rtc_job, rtc);
}

void RTC_Body(RTC *rtc, int64_t n)
{
    if (!rtc) return;
    if (n > 360) sim_error("RTC_Body: Why are we advancing clock so much ?");
    int64_t seconds = rtc->seconds + n;
    int64_t minutes = rtc->minutes;
    if (seconds >= 60) {
        minutes += seconds / 60;
        seconds %= 60;
    }
    int hours = rtc->hours;
    while (minutes >= 60) {
        minutes -= 60;
        hours++;
    }
    rtc->seconds = (uint8_t)seconds;
    rtc->minutes = (uint8_t)minutes;
    while (hours > 23) {
        hours -= 24;
        rtc->weekday = (uint8_t)(rtc->weekday >= 6 ? 0 : rtc->weekday + 1);
        int day = rtc->day + 1;
        int length = rtc->month == 11 ? 31 : month_length(rtc->month, rtc->year, rtc->century);
        if (day >= length) {
            day -= length;
            if (++rtc->month > 11) {
                rtc->month = 0;
                if (++rtc->year >= 100) {
                    rtc->year = 0;
                    rtc->century++;
                }
            }
        }
        rtc->day = (uint8_t)day;
    }
    rtc->hours = (uint8_t)hours;
}

void *RTC_INIT_MMAPI_FUNCTION(const char *name, PropertyList *, InstanceLink *link, uint64_t start,
                              uint64_t end)
{
    RTC *rtc = (RTC *)quarn_zalloc(sizeof(RTC), sizeof(RTC), "RTC", __FILE__, __LINE__);
    if (!rtc) return nullptr;
    rtc->machine = link ? link->machine : nullptr;
    rtc->name = REMEMBER_STRING(name ? name : "RTC");
    rtc->start = start;
    rtc->end = end;
    return rtc;
}

void RTC_QUIT_MMAPI_FUNCTION(void *instance)
{
    RTC *rtc = static_cast<RTC *>(instance);
    if (!rtc) return;
    if (rtc->machine && rtc->machine->rtc == rtc) rtc->machine->rtc = nullptr;
    if (rtc->job) job_free(rtc->job);
    FORGET_STRING(rtc->name);
    QUARN_FREE(rtc);
}

int RTC_READ_MMAPI_FUNCTION(MMAPI_Access *, void *instance, uint64_t offset, uint64_t *value, int)
{
    RTC *rtc = static_cast<RTC *>(instance);
    switch (offset) {
    case 0:
        *value = encode(rtc, rtc->century) | rtc->control;
        break;
    case 1:
        *value = encode(rtc, rtc->seconds);
        break;
    case 2:
        *value = encode(rtc, rtc->minutes);
        break;
    case 3:
        *value = encode(rtc, rtc->hours);
        break;
    case 4:
        *value = encode(rtc, rtc->weekday + 1) | 0x80;
        break;
    case 5:
        *value = encode(rtc, rtc->day + 1);
        break;
    case 6:
        *value = encode(rtc, rtc->month + 1);
        break;
    case 7:
        *value = encode(rtc, rtc->year);
        break;
    default:
        sim_error("1: RTC_Read: illegal offset 0x%016lX", (unsigned long)offset);
        return 0;
    }
    return 1;
}

int RTC_WRITE_MMAPI_FUNCTION(MMAPI_Access *, void *instance, uint64_t offset, uint64_t value, int)
{
    RTC *rtc = static_cast<RTC *>(instance);
    if (offset > 7) {
        sim_error("2: RTC_Read: illegal offset 0x%016lX", (unsigned long)offset);
        return 0;
    }
    if (offset == 0) {
        if (rtc->control == 0x80) rtc->century = (uint8_t)decode(rtc, value);
        rtc->control = (uint8_t)(value & 0xC0);
        return 1;
    }
    if (rtc->control != 0x80) {
        sim_warning(2, "RTC_Write: ignoring write to %s with control = %d", REGISTER_NAMES[offset],
                    rtc->control);
        return 1;
    }
    int v = decode(rtc, value);
    switch (offset) {
    case 1:
        rtc->seconds = (uint8_t)v;
        break;
    case 2:
        rtc->minutes = (uint8_t)v;
        break;
    case 3:
        rtc->hours = (uint8_t)v;
        break;
    case 4:
        rtc->weekday = (uint8_t)(v - 1);
        break;
    case 5:
        rtc->day = (uint8_t)(v - 1);
        break;
    case 6:
        rtc->month = (uint8_t)(v - 1);
        break;
    default:
        rtc->year = (uint8_t)v;
        break;
    }
    return 1;
}

/* A trace library for the tests: every exported function reports its call to the sink the test
 * sets through probe_sink. Which methods it exports is chosen at compile time:
 * PROBE_FULL exports every method and "cnt_ins"; PROBE_INS_ONLY exports "trc_ins" alone;
 * PROBE_PLAIN exports the load, command, on/off, flush and profile-print methods but no label. */
#include <stdint.h>
#include <stdio.h>

extern "C" {

typedef void (*probe_sink_fn)(const char *library, const char *method, const uint64_t *record, uint64_t *slot,
                              uint64_t value);

#ifndef PROBE_NAME
#define PROBE_NAME "probe"
#endif

probe_sink_fn probe_sink;

static void report(const char *method, const uint64_t *record, uint64_t *slot, uint64_t value)
{
    if (probe_sink) probe_sink(PROBE_NAME, method, record, slot, value);
}

#define EVENT(name)                                                                                               \
    void name(uint64_t data) { report(#name, 0, 0, data); }
#define RECORD(name)                                                                                              \
    void name(uint64_t data, uint64_t *record) { report(#name, record, 0, data); }
#define SLOTTED(name)                                                                                             \
    void name(uint64_t data, uint64_t *record, uint64_t *slot) { report(#name, record, slot, data); }

#if defined(PROBE_FULL) || defined(PROBE_PLAIN)
uint64_t evt_load(int32_t argument, void *pointer)
{
    report("evt_load", 0, 0, (uint64_t)argument);
    return pointer ? (uint64_t)(uintptr_t)pointer : 0x1000u + (uint64_t)argument;
}
EVENT(evt_unload)
EVENT(evt_flush)
EVENT(evt_on)
EVENT(evt_off)
int32_t evt_cmd(uint64_t data, int32_t command, void *pointer)
{
    (void)pointer;
    report("evt_cmd", 0, 0, data);
    return 100 + command;
}
void evt_print_prof_record(uint64_t data, FILE *file, uint64_t id, uint64_t ea, uint64_t pa, uint32_t word,
                           uint64_t count, uint64_t *slot)
{
    (void)data;
    fprintf(file, "%s %llu 0x%llx 0x%llx 0x%08x %llu %llu\n", PROBE_NAME, (unsigned long long)id,
            (unsigned long long)ea, (unsigned long long)pa, word, (unsigned long long)count,
            (unsigned long long)*slot);
}
#endif

#if defined(PROBE_FULL)
void evt_get_label(uint64_t data, char *buffer, int32_t size)
{
    (void)data;
    snprintf(buffer, (size_t)size, "full");
}
uint64_t evt_smt(uint64_t data, uint64_t value, uint64_t *record)
{
    report("evt_smt", record, 0, value);
    (void)data;
    return value + 1;
}
RECORD(evt_pid)
RECORD(evt_priv)
RECORD(evt_prob)
RECORD(evt_priv_hyp)
RECORD(evt_lpid)
RECORD(trc_tlbie)
RECORD(evt_turbo)
RECORD(evt_simple)
SLOTTED(trc_mem)
RECORD(trc_mem_read)
RECORD(trc_mem_write)
SLOTTED(trc_branch)
RECORD(evt_10M)
void cnt_ins(uint64_t data, uint64_t count)
{
    (void)data;
    report("cnt_ins", 0, 0, count);
}
#endif

#if defined(PROBE_FULL) || defined(PROBE_INS_ONLY)
SLOTTED(trc_ins)
#endif

} // extern "C"

// Statistics, configuration and dump printing: loose "key: value" texts turned into aligned
// lines (optionally prefixed by the current statistics tag), indented dump lines, the
// occupancy and cycle-event statistics records, and the dumps of event-kernel objects. All
// output is plain printing through the message sink.
#pragma once

#include <cstdint>

struct time_domain;
struct job_s;
struct jobq_s;
struct counter_s;
struct tagcount_s;
struct gate_s;
struct pgate_s;
struct port_s;
struct arbiter_s;

void Stat_print_head(const char *name);
void Stat_print_tail(const char *name);
// Sets the tag of the following statistics lines (at most 63 characters, blanks become '-').
void Stat_print_set_tag(const char *format, ...) __attribute__((format(printf, 1, 2)));
// One statistics line: the key (up to the first ':') padded to key_width (0: no key layout),
// values after ':' and '=' padded when a further field follows.
void Stat_print(int key_width, const char *format, ...) __attribute__((format(printf, 2, 3)));
// One configuration line: the key padded to column 26, the value from column 27.
void Config_print(const char *format, ...) __attribute__((format(printf, 1, 2)));
// 2 x indent blanks and the text.
void Dump_print(int indent, const char *format, ...) __attribute__((format(printf, 2, 3)));

struct ST_OCCUPANCY {
    uint64_t samples;
    uint64_t sum;
    int32_t maximum;
    int32_t minimum;
};

struct ST_CYCLE_EVENT {
    uint64_t count;
    uint64_t total;
    uint64_t maximum;
    uint64_t minimum;
};

void ST_OCCUPANCY_INIT(ST_OCCUPANCY *stat);
// Adds samples and sum (maximum and minimum are not merged).
void ST_OCCUPANCY_ADD(ST_OCCUPANCY *total, const ST_OCCUPANCY *part);
void ST_OCCUPANCY_PRINT(const ST_OCCUPANCY *stat, const char *name);
void ST_CYCLE_EVENT_INIT(ST_CYCLE_EVENT *stat);
void ST_CYCLE_EVENT_ADD(ST_CYCLE_EVENT *total, const ST_CYCLE_EVENT *part);
// Nothing for a record never added to; with a domain the ticks are shown in its cycles.
void ST_CYCLE_EVENT_PRINT(const ST_CYCLE_EVENT *stat, const char *name, const time_domain *domain);

// Dumps of kernel objects, each line through Dump_print at the indent.
typedef void (*Dump_printer_fn)(int indent, void *payload, void *argument);
void Job_dump(int indent, job_s *job);
void Jobq_dump(int indent, jobq_s *queue);
void Counter_dump(int indent, counter_s *counter);
void Tagcount_dump(int indent, tagcount_s *tagcount);
void Gate_dump(int indent, gate_s *gate, const char *name);
void PGate_dump(int indent, pgate_s *gate, const char *name);
void Port_dump(int indent, port_s *port, const char *name, Dump_printer_fn printer, void *argument);
void Arbiter_dump(int indent, arbiter_s *arbiter, const char *name, Dump_printer_fn printer, void *argument);

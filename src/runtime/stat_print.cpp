// Statistics, configuration and dump printing.
#include "runtime/stat_print.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "kernel/hooks/domain_ticks.h"
#include "runtime/message.h"

namespace
{

constexpr size_t LINE_BUFFER = 512;
constexpr int CONFIG_KEY_COLUMN = 26;

// The current statistics tag; empty when none.
char stat_tag[64];
// Shared by Config_print and Stat_print.
char format_buffer[LINE_BUFFER];
char output_buffer[LINE_BUFFER];

// The output line: characters beyond the buffer (less the terminator and a newline) are
// dropped.
struct Line {
    char *data;
    size_t length = 0;
    void put(char c)
    {
        if (length < LINE_BUFFER - 2) data[length++] = c;
    }
    void blanks(int n)
    {
        for (int i = 0; i < n; i++)
            put(' ');
    }
    const char *finish()
    {
        data[length] = '\0';
        return data;
    }
};

inline bool blank(char c)
{
    return c == ' ' || c == '\t';
}

// Lays out a formatted text. In key mode the text up to the first ':' is the key: its blanks
// become '_', it is padded with blanks to key_width plus one, and the ':' and the blanks after
// it are dropped. With value columns, '=' becomes ": ", ';' a blank, and a blank ends a value
// field of 12 (after the key) or 10 (after '=') columns.
const char *lay_out(const char *text, bool key_mode, int key_width, bool value_columns)
{
    Line line{output_buffer};
    const char *p = text;
    while (blank(*p)) {
        line.put(' ');
        p++;
    }
    int column = 0; // columns left in the current value field
    if (key_mode) {
        for (; *p && *p != ':'; p++)
            line.put(blank(*p) ? '_' : *p);
        if (*p == ':') {
            for (size_t i = line.length; i > 0 && line.data[i - 1] == '_'; i--)
                line.data[i - 1] = ' ';
            line.blanks(key_width - (int)line.length);
            line.put(' ');
            for (p++; blank(*p); p++) {
            }
            column = 12;
        }
    }
    for (; *p; p++) {
        char c = *p;
        if (!value_columns) {
            line.put(c);
            continue;
        }
        if (blank(c) && column > 1) {
            line.blanks(column - 1);
            line.put(c);
            column = 0;
            continue;
        }
        column--;
        if (c == '=') {
            line.put(':');
            line.put(' ');
            column = 10;
        } else if (c == ';') {
            line.put(' ');
        } else {
            line.put(c);
        }
    }
    return line.finish();
}

// No ':' after the first character: the text is copied.
inline bool has_key(const char *text)
{
    return text[0] && strchr(text + 1, ':') != nullptr;
}

} // namespace

void Stat_print_head(const char *name)
{
    SIM_PRINT("\n******Start of %s statistics******\n", name);
    SIM_PRINT("------------------------------------------");
    stat_tag[0] = '\0';
}

void Stat_print_tail(const char *name)
{
    SIM_PRINT("------------------------------------------\n");
    SIM_PRINT("******End of %s statistics******\n", name);
    stat_tag[0] = '\0';
}

void Stat_print_set_tag(const char *format, ...)
{
    va_list args;
    va_start(args, format);
    vsnprintf(stat_tag, sizeof(stat_tag), format, args);
    va_end(args);
    for (char *p = stat_tag; *p; p++)
        if (blank(*p)) *p = '-';
    SIM_PRINT("\n::::::%s stats:::::::\n", stat_tag);
}

void Stat_print(int key_width, const char *format, ...)
{
    va_list args;
    va_start(args, format);
    vsnprintf(format_buffer, sizeof(format_buffer), format, args);
    va_end(args);
    bool key_mode = key_width != 0 && has_key(format_buffer);
    const char *line = lay_out(format_buffer, key_mode, key_width, true);
    if (!stat_tag[0]) {
        SIM_PRINT("%s\n", line);
        return;
    }
    // Every newline-separated piece under the tag; the piece after the last newline only when
    // it is not empty.
    char piece[LINE_BUFFER];
    for (const char *start = line;;) {
        const char *end = strchr(start, '\n');
        if (!end) {
            if (*start) SIM_PRINT("%s:: %s\n", stat_tag, start);
            break;
        }
        size_t length = (size_t)(end - start);
        memcpy(piece, start, length);
        piece[length] = '\0';
        SIM_PRINT("%s:: %s\n", stat_tag, piece);
        start = end + 1;
    }
}

void Config_print(const char *format, ...)
{
    va_list args;
    va_start(args, format);
    vsnprintf(format_buffer, sizeof(format_buffer), format, args);
    va_end(args);
    bool copy = (format_buffer[0] == '\n' && format_buffer[1] == ':') || !has_key(format_buffer);
    lay_out(format_buffer, !copy, CONFIG_KEY_COLUMN, false);
    size_t length = strlen(output_buffer);
    output_buffer[length] = '\n';
    output_buffer[length + 1] = '\0';
    SIM_PRINT("%s", output_buffer);
}

void Dump_print(int indent, const char *format, ...)
{
    char buffer[LINE_BUFFER];
    size_t blanks = indent > 0 ? (size_t)indent * 2 : 0;
    if (blanks > sizeof(buffer) - 1) blanks = sizeof(buffer) - 1;
    memset(buffer, ' ', blanks);
    va_list args;
    va_start(args, format);
    vsnprintf(buffer + blanks, sizeof(buffer) - blanks, format, args);
    va_end(args);
    SIM_PRINT("%s", buffer);
}

// ---------------------------------------------------------------------------------------------
// Statistics records

void ST_OCCUPANCY_INIT(ST_OCCUPANCY *stat)
{
    stat->samples = 0;
    stat->sum = 0;
    stat->maximum = 0;
    stat->minimum = 2147483647;
}

void ST_OCCUPANCY_ADD(ST_OCCUPANCY *total, const ST_OCCUPANCY *part)
{
    total->samples += part->samples;
    total->sum += part->sum;
}

void ST_OCCUPANCY_PRINT(const ST_OCCUPANCY *stat, const char *name)
{
    if (!stat) return;
    double average = stat->samples ? (double)stat->sum / (double)stat->samples + 1.0 : 0.0;
    Stat_print(25, "%s: %ld; average=%.2f", name, (long)stat->samples, average);
}

void ST_CYCLE_EVENT_INIT(ST_CYCLE_EVENT *stat)
{
    stat->count = 0;
    stat->total = 0;
    stat->maximum = 0;
    stat->minimum = ~uint64_t(0);
}

void ST_CYCLE_EVENT_ADD(ST_CYCLE_EVENT *total, const ST_CYCLE_EVENT *part)
{
    total->count += part->count;
    total->total += part->total;
    if (part->maximum > total->maximum) total->maximum = part->maximum;
    if (part->minimum < total->minimum) total->minimum = part->minimum;
}

void ST_CYCLE_EVENT_PRINT(const ST_CYCLE_EVENT *stat, const char *name, const time_domain *domain)
{
    if (!stat || !stat->count) return;
    uint64_t total = stat->total, maximum = stat->maximum, minimum = stat->minimum;
    if (domain) {
        uint64_t ticks = TD_ticks_per_cycle(domain);
        if (ticks) {
            total /= ticks;
            maximum /= ticks;
            minimum /= ticks;
        }
    }
    Stat_print(22, "  %s: %ld; min=%ld max=%ld avrg=%.2f cycles", name, (long)stat->count, (long)minimum,
               (long)maximum, (double)total / (double)stat->count);
}

// Debug categories and debug messages.
#include "runtime/debug.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <strings.h>

#include "kernel/tsim.h"
#include "runtime/alloc.h"
#include "runtime/message.h"

int debug_state[DEBUG_CATEGORY_COUNT];
DebugName debug_name[DEBUG_CATEGORY_COUNT];

DebugNameRow debug_name_table[DEBUG_NAME_TABLE_ROWS] = {
    {"HELPFUL", 1, 0},
    {"BRANCH", 1, 122},
    {"DCACHE", 0, 130},
    {"MEM_REFS", 0, 77},
    {"KEPL", 0, 30},
    {"KEPL_MMIO", 0, 31},
    {"KEPL_SSTE", 0, 32},
    {"KEPL_NOSUP", 0, 33},
    {"KEPL_AUX2", 0, 34},
    {"KEPL_RESERVATIONS", 0, 35},
    {"KEPL_VERBOSE", 0, 36},
    {"KEPL_REG_SUPPORT", 0, 37},
    {"KEPL_FN", 0, 38},
    {"AFU", 0, 39},
    {"AFU_INSTRUCTIONS", 0, 40},
    {"AFU_PSL", 0, 41},
    {"AFU_GATHER", 0, 42},
    {"AFU_GATHER_REASON", 0, 43},
    {"AFU_QUEUE", 0, 44},
    {"AFU_REGISTER", 0, 45},
    {"AFU_REG_SUPPORT", 0, 46},
    {"PHB", 0, 47},
    {"PHB_REG_SUPPORT", 0, 48},
    {"PSL_FN", 0, 49},
    {nullptr, 13, 212},
    {nullptr, 13, 213},
    {nullptr, 13, 214},
    {nullptr, 13, 215},
    {nullptr, 13, 216},
    {nullptr, 13, 217},
    {nullptr, 13, 218},
    {nullptr, 13, 219},
    {nullptr, 13, 220},
    {nullptr, 13, 221},
};
const int n_debug_names = DEBUG_NAME_TABLE_ROWS;

char colorWanted = 'd';

namespace {

#define ESC "\x1b"
constexpr ColorEntry kColors[] = {
    {"Blue", "<B>", "</B>", ESC "[4;34m", ESC "[0;30m"},    {"Cyan", "<C>", "</C>", ESC "[4;36m", ESC "[0;30m"},
    {"Green", "<G>", "</G>", ESC "[4;32m", ESC "[0;30m"},   {"Black", "<K>", "</K>", ESC "[4;30m", ESC "[0;30m"},
    {"Magenta", "<M>", "</M>", ESC "[4;35m", ESC "[0;30m"}, {"Red", "<R>", "</R>", ESC "[4;31m", ESC "[0;30m"},
    {"Yellow", "<Y>", "</Y>", ESC "[4;33m", ESC "[0;30m"},  {"blue", "<b>", "</b>", ESC "[0;34m", ESC "[0;30m"},
    {"cyan", "<c>", "</c>", ESC "[0;36m", ESC "[0;30m"},    {"green", "<g>", "</g>", ESC "[0;32m", ESC "[0;30m"},
    {"black", "<k>", "</k>", ESC "[0;30m", ESC "[0;30m"},   {"magenta", "<m>", "</m>", ESC "[0;35m", ESC "[0;30m"},
    {"red", "<r>", "</r>", ESC "[0;31m", ESC "[0;30m"},     {"yellow", "<y>", "</y>", ESC "[0;33m", ESC "[0;30m"},
};
#undef ESC
constexpr char kColorLetters[] = "BCGKMRYbcgkmry";
static_assert(sizeof(kColorLetters) - 1 == sizeof(kColors) / sizeof(kColors[0]));

constexpr std::array<const ColorEntry *, 64> make_color_table()
{
    std::array<const ColorEntry *, 64> table{};
    for (size_t i = 0; i + 1 < sizeof(kColorLetters); i++) table[kColorLetters[i] & 63] = &kColors[i];
    return table;
}

constexpr bool valid_category(int category) { return category >= 0 && category < DEBUG_CATEGORY_COUNT; }

// Length at most max_length to which a format can be cut without ending inside a conversion
// (or between the two characters of "%%").
size_t safe_format_cut(const char *format, size_t length, size_t max_length)
{
    if (length <= max_length) return length;
    size_t i = 0;
    while (i < max_length) {
        if (format[i] != '%') {
            i++;
            continue;
        }
        size_t j = i + 1;
        if (j < length && format[j] == '%') {
            if (j >= max_length) return i;
            i = j + 1;
            continue;
        }
        while (j < max_length && strchr("-+ #0123456789.*'hlLqjzt", format[j]) && format[j] != '\0') j++;
        if (j >= max_length) return i;
        i = j + 1;
    }
    return max_length;
}

} // namespace

const ColorEntry color_k = kColors[10];
const std::array<const ColorEntry *, 64> ColorTable = make_color_table();

void Init_Debug_State(void)
{
    for (int i = 0; i < DEBUG_CATEGORY_COUNT; i++) {
        debug_state[i] = -1;
        debug_name[i] = {nullptr, -1};
    }
    // Named rows sorted by name, case-insensitively; free rows stay after them.
    std::stable_sort(std::begin(debug_name_table), std::end(debug_name_table),
                     [](const DebugNameRow &a, const DebugNameRow &b) {
                         if (!a.name || !b.name) return a.name != nullptr && b.name == nullptr;
                         return strcasecmp(a.name, b.name) < 0;
                     });
    for (int row = 0; row < n_debug_names; row++) {
        int category = debug_name_table[row].category;
        if (!valid_category(category)) continue;
        debug_state[category] = 0;
        debug_name[category] = {debug_name_table[row].name, row};
    }
    debug_state[DEBUG_CATEGORY_HELPFUL] = 1;
}

int get_debug_flag(int category) { return valid_category(category) ? debug_state[category] : -1; }

void set_debug_flag(int category, int level)
{
    if (valid_category(category)) debug_state[category] = level;
}

void set_all_debug_flags(int level)
{
    for (int i = 0; i < DEBUG_CATEGORY_COUNT; i++) debug_state[i] = level;
    debug_state[14] = 0;
    debug_state[15] = 0;
}

int search_debug_name(const char *name)
{
    if (!name) return DEBUG_NAME_NOT_FOUND;
    size_t length = strlen(name);
    int candidates = 0, found = DEBUG_NAME_NOT_FOUND;
    for (int row = 0; row < n_debug_names && debug_name_table[row].name; row++) {
        const DebugNameRow &entry = debug_name_table[row];
        if (strcasecmp(entry.name, name) == 0) return entry.category;
        if (strncasecmp(entry.name, name, length) == 0) {
            candidates++;
            found = entry.category;
        }
    }
    return candidates == 1 ? found : DEBUG_NAME_NOT_FOUND;
}

int debug_allocate_entry(const char *name, int flag)
{
    if (!name) return DEBUG_TABLE_FULL;
    for (int row = 0; row < n_debug_names; row++) {
        DebugNameRow &entry = debug_name_table[row];
        if (!entry.name) {
            entry.name = REMEMBER_STRING(name);
            entry.flag = flag;
            if (valid_category(entry.category)) {
                debug_state[entry.category] = 0;
                debug_name[entry.category] = {entry.name, row};
            }
            return entry.category;
        }
        if (strcasecmp(entry.name, name) == 0) return entry.category;
    }
    return DEBUG_TABLE_FULL;
}

void sim_do_debug(const char *tag, const char *label, ThreadState *thread, const char *format, ...)
{
    static thread_local char prefixed[DEBUG_FORMAT_BUFFER];
    static thread_local char coloured[DEBUG_FORMAT_BUFFER];

    job_s *job = tsim_active_job;
    if (job && job->debug_off) return;
    char letter = job && job->color ? job->color : 'k';
    const char *fmt = format ? format : "";

    if (job && job->debug_prefix && job->debug_prefix[0]) {
        // The prefix is text: its '%' are doubled so that it cannot consume arguments.
        size_t n = 0;
        for (const char *p = job->debug_prefix; *p; p++) {
            size_t need = *p == '%' ? 2 : 1;
            if (n + need > sizeof(prefixed) - 1) break;
            if (*p == '%') prefixed[n++] = '%';
            prefixed[n++] = *p;
        }
        size_t length = strlen(fmt);
        size_t keep = safe_format_cut(fmt, length, sizeof(prefixed) - 1 - n);
        memcpy(prefixed + n, fmt, keep);
        prefixed[n + keep] = '\0';
        fmt = prefixed;
    }

    if (colorWanted != 'n' && letter != 'k') {
        const ColorEntry *open_row = ColorTable[letter & 63];
        if (!open_row) {
            printf("Entry for %c not found.\n", letter);
            open_row = &color_k;
        }
        const ColorEntry *close_row = ColorTable[letter & 63];
        if (!close_row) {
            printf("Entry for %c not found.\n", letter);
            close_row = &color_k;
        }
        const char *open = colorWanted == 'p' ? open_row->open_tag : open_row->open_escape;
        const char *close = colorWanted == 'p' ? close_row->close_tag : close_row->close_escape;
        size_t open_length = strlen(open), close_length = strlen(close);
        size_t body = strlen(fmt);
        while (body > 0 && fmt[body - 1] == '\n') body--;
        body = safe_format_cut(fmt, body, sizeof(coloured) - 1 - open_length - close_length);
        memcpy(coloured, open, open_length);
        memmove(coloured + open_length, fmt, body);
        memcpy(coloured + open_length + body, close, close_length + 1);
        fmt = coloured;
    }

    va_list args;
    va_start(args, format);
    unsafe_vMessage(MSG_DEBUG, fmt, tag, label, thread, args);
    va_end(args);
}

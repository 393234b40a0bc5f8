// Debug categories: the process-wide table of numbered categories with their levels and
// names, lookup by name, and debug messages coloured and prefixed by the printing job.
#pragma once

#include <array>
#include <cstdint>

struct ThreadState;

enum : int {
    DEBUG_CATEGORY_COUNT = 227,   // categories 0 to 226
    DEBUG_NAME_NOT_FOUND = 228,   // search_debug_name's "not found"
    DEBUG_TABLE_FULL = 191,       // debug_allocate_entry with no free row
    DEBUG_NAME_TABLE_ROWS = 34,
    DEBUG_FORMAT_BUFFER = 512,    // per-thread buffers of sim_do_debug
};

// Categories with fixed meanings (the kernel's own, 4 and 5, are in kernel/hooks/kernel_adapter.h).
enum : int {
    DEBUG_CATEGORY_HELPFUL = 0,
};

// Levels: -1 the category has no name, 0 off, above 0 on.
extern int debug_state[DEBUG_CATEGORY_COUNT];

struct DebugName {
    const char *name; // null when unnamed
    int row;          // row in debug_name_table, -1 when unnamed
};
extern DebugName debug_name[DEBUG_CATEGORY_COUNT];

struct DebugNameRow {
    const char *name; // null for a free row
    int flag;         // an integer kept with the row
    int category;
};
extern DebugNameRow debug_name_table[DEBUG_NAME_TABLE_ROWS];
extern const int n_debug_names;

// 'd' colours as terminal escapes, 'p' colours as tags, 'n' no colour.
extern char colorWanted;

struct ColorEntry {
    const char *name;
    const char *open_tag;
    const char *close_tag;
    const char *open_escape;
    const char *close_escape;
};
// Indexed by a colour letter's low six bits.
extern const std::array<const ColorEntry *, 64> ColorTable;
// The row used for a letter without a row.
extern const ColorEntry color_k;

void Init_Debug_State(void);
// A category's level; -1 for a number outside 0 to 226.
int get_debug_flag(int category);
// Sets a category's level; a number outside 0 to 226 changes nothing.
void set_debug_flag(int category, int level);
#define SET_DEBUG(category, level) set_debug_flag((category), (level))
// Every category to the level, then 14 and 15 to 0.
void set_all_debug_flags(int level);
// The category of a name (exact, case-insensitive, else a unique prefix); 228 when not found.
int search_debug_name(const char *name);
// The category of a name, taking the first free row for a new one; 191 when the table is full.
int debug_allocate_entry(const char *name, int flag);

// A debug message (level 6) tagged with the category name, prefixed and coloured by the active
// job. The caller tests the category's level first.
void sim_do_debug(const char *tag, const char *label, ThreadState *thread, const char *format, ...)
    __attribute__((format(printf, 4, 5)));

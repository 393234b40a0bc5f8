// Command tables: building, entry order, lookup by exact word or unique prefix, dispatch with
// argument checks, listings, the reveal mask and teardown.
#include "command/cmd_table.h"

#include <strings.h>

#include <cstring>
#include <unordered_set>
#include <vector>

#include "runtime/alloc.h"
#include "runtime/callbacks.h"
#include "runtime/debug.h"
#include "runtime/message.h"
#include "runtime/tcl_output.h"
#include "runtime/utils.h"

uint32_t simcmd_reveal_mask = 0xFFFFFFFFu;
int32_t simcmd_nesting = 0;

namespace
{

constexpr int DEBUG_CATEGORY_COMMAND_INPUT = 9;
constexpr size_t HIDE_LIST_LENGTH = 1024;

constexpr const char *hide_reason_names[] = {"REVEALED", "DEPRECATED",  "EXPERIMENTAL",
                                             "GUI_ONLY", "HIDE_PUBLIC", "PRIVATE"};
constexpr int HIDE_LEVELS = sizeof hide_reason_names / sizeof hide_reason_names[0];

// Function-pointer conversion between the two handler forms (through the generic function type).
template <typename To, typename From> To handler_cast(From function)
{
    return reinterpret_cast<To>(reinterpret_cast<void (*)(void)>(function));
}

uint32_t hide_mask_of(int level)
{
    return level <= 0 ? 0 : 1u << (level - 1);
}

bool entry_listed(const SimCmdTableEntry *entry)
{
    return (simcmd_reveal_mask & entry->hide_mask) == 0;
}

SimCmdTableEntry *new_entry(const char *name, SimCmdHandler handler, int is_table, int hide_level,
                            int expected_count, const char *usage, SimCmdTable *subtable, void *user_data)
{
    SimCmdTableEntry *entry = QUARN_ZALLOC(1, SimCmdTableEntry);
    if (!entry) return nullptr;
    entry->name = REMEMBER_STRING(name ? name : "");
    entry->handler = handler;
    entry->is_table = is_table;
    entry->hide_mask = hide_mask_of(hide_level);
    entry->expected_count = expected_count;
    entry->usage = usage;
    entry->subtable = subtable;
    entry->user_data = user_data;
    return entry;
}

// Commands first in case-insensitive order, then tables in case-insensitive order; a new entry goes
// after existing entries of an equal name.
void Insert_SimCmdEntry(SimCmdTable *table, SimCmdTableEntry *entry)
{
    SimCmdTableEntry **link = &table->first;
    if (entry->is_table) {
        while (*link && (!(*link)->is_table || strcasecmp((*link)->name, entry->name) <= 0))
            link = &(*link)->next;
    } else {
        while (*link && !(*link)->is_table && strcasecmp((*link)->name, entry->name) <= 0)
            link = &(*link)->next;
    }
    entry->next = *link;
    *link = entry;
}

// The path of this activation: the context words before the leading word, then the leading word.
void build_path(char (&path)[SIMCMD_PATH_LENGTH], int context_count, char **context_vector, int count,
                char **vector)
{
    path[0] = '\0';
    int preceding = context_count - count;
    for (int i = 0; i < preceding; i++) {
        safe_strcat(path, context_vector[i], sizeof path);
        safe_strcat(path, " ", sizeof path);
    }
    safe_strcat(path, vector[0], sizeof path);
}

void Print_SimCmdTree_Level(Tcl_Interp *interpreter, SimCmdTable *table, int depth)
{
    table->mark = 1;
    bool first = true;
    for (SimCmdTableEntry *entry = table->first; entry; entry = entry->next) {
        if (!entry_listed(entry)) continue;
        SIM_TCLPRINT(interpreter, "%s%*s%s", first ? "" : "\n", 8 * depth, "", entry->name);
        first = false;
        if (entry->usage) SIM_TCLPRINT(interpreter, " %s", entry->usage);
        if (!entry->is_table) continue;
        SIM_TCLPRINT(interpreter, " ->");
        if (entry->subtable && entry->subtable->mark == 0) {
            entry->subtable->mark = 1;
            SIM_TCLPRINT(interpreter, "\n");
            Print_SimCmdTree_Level(interpreter, entry->subtable, depth + 1);
        }
    }
}

void Unmark_SimCmdTree(SimCmdTable *table)
{
    if (!table || table->mark == 0) return;
    table->mark = 0;
    for (SimCmdTableEntry *entry = table->first; entry; entry = entry->next) {
        entry->mark = 0;
        if (entry->subtable) Unmark_SimCmdTree(entry->subtable);
    }
}

// The names of the revealed hide levels, or "none" / "all".
void ListHideReasons(char (&buffer)[HIDE_LIST_LENGTH])
{
    buffer[0] = '\0';
    if (simcmd_reveal_mask == 0xFFFFFFFFu) {
        safe_strcat(buffer, "none", sizeof buffer);
        return;
    }
    if (simcmd_reveal_mask == 0) {
        safe_strcat(buffer, "all", sizeof buffer);
        return;
    }
    for (int level = 1; level < HIDE_LEVELS; level++) {
        if (simcmd_reveal_mask & hide_mask_of(level)) continue;
        const char *name = hide_reason_names[level];
        size_t needed = strlen(buffer) + (buffer[0] ? 1 : 0) + strlen(name);
        if (needed >= sizeof buffer) {
            sim_warning(2, "ListHideReasons: Truncated '%s' from list (insufficient buffer space)", name);
            continue;
        }
        if (buffer[0]) safe_strcat(buffer, " ", sizeof buffer);
        safe_strcat(buffer, name, sizeof buffer);
    }
}

// Frees the table and, depth first, the tables below it that this teardown has not freed yet. The
// set of freed tables is kept outside them: a table reached a second time has been freed, so its
// own mark cannot be read any more.
void Free_SimCmdTable_Marked(SimCmdTable *table, std::unordered_set<SimCmdTable *> &freed)
{
    freed.insert(table);
    table->mark = 1;
    std::vector<SimCmdTableEntry *> collected;
    while (SimCmdTableEntry *entry = table->first) {
        table->first = entry->next;
        if (entry->mark != 0) continue;
        entry->mark = 1;
        collected.push_back(entry);
        if (entry->is_table) {
            SimCmdTable *subtable = entry->subtable;
            entry->is_table = 0;
            entry->subtable = nullptr;
            if (subtable && !freed.count(subtable)) Free_SimCmdTable_Marked(subtable, freed);
        }
    }
    for (SimCmdTableEntry *entry : collected) {
        FORGET_STRING(entry->name);
        QUARN_FREE(entry);
    }
    FORGET_STRING(table->name);
    QUARN_FREE(table);
}

// Lowers the nesting count on every return of the dispatcher.
struct NestingGuard {
    NestingGuard() { simcmd_nesting++; }
    ~NestingGuard() { simcmd_nesting--; }
    NestingGuard(const NestingGuard &) = delete;
    NestingGuard &operator=(const NestingGuard &) = delete;
};

} // namespace

SimCmdTable *Init_SimCmdTable(const char *name)
{
    SimCmdTable *table = QUARN_ZALLOC(1, SimCmdTable);
    if (!table) return nullptr;
    table->name = REMEMBER_STRING(name ? name : "");
    return table;
}

void add_simcommand(SimCmdTable *table, const char *name, SimCmdHandler handler, const char *,
                    int expected_count, int hide_level, const char *usage)
{
    if (!table || !name) return;
    if (Search_SimCmdTable(table, name))
        sim_warning(2, "2: duplicate command entry %s in command table %s", name, table->name);
    SimCmdTableEntry *entry =
        new_entry(name, handler, 0, hide_level, expected_count, usage, nullptr, nullptr);
    if (entry) Insert_SimCmdEntry(table, entry);
}

void add_sim_obj_method(SimCmdTable *table, const char *name, SimCmdObjHandler handler, const char *,
                        void *user_data, int expected_count, int hide_level, const char *usage)
{
    if (!table || !name) return;
    if (Search_SimCmdTable(table, name))
        sim_warning(1, "1: duplicate command entry %s in command table %s", name, table->name);
    SimCmdTableEntry *entry = new_entry(name, handler_cast<SimCmdHandler>(handler), 0, hide_level,
                                        expected_count, usage, nullptr, user_data);
    if (entry) Insert_SimCmdEntry(table, entry);
}

void replace_sim_obj_method(SimCmdTable *table, const char *name, SimCmdObjHandler handler,
                            const char *handler_name, void *user_data, int expected_count, int hide_level,
                            const char *usage)
{
    SimCmdTableEntry *entry = Search_SimCmdTable(table, name);
    if (!entry) {
        add_sim_obj_method(table, name, handler, handler_name, user_data, expected_count, hide_level, usage);
        return;
    }
    entry->handler = handler_cast<SimCmdHandler>(handler);
    entry->is_table = 0;
    entry->hide_mask = hide_mask_of(hide_level);
    entry->mark = 0;
    entry->expected_count = expected_count;
    entry->subtable = nullptr;
    entry->user_data = user_data;
    entry->usage = usage;
}

void add_simtable(SimCmdTable *table, const char *name, SimCmdHandler handler, const char *,
                  SimCmdBuilder builder, void *builder_argument, int hide_level, const char *usage)
{
    if (!table || !name) return;
    if (Search_SimCmdTable(table, name)) {
        sim_warning(1, "1: duplicate table entry %s in command table %s", name, table->name);
        return;
    }
    SimCmdTable *subtable = builder ? builder(builder_argument) : nullptr;
    SimCmdTableEntry *entry = new_entry(name, handler, 1, hide_level, -1, usage, subtable, nullptr);
    if (entry) Insert_SimCmdEntry(table, entry);
}

void connect_subtable(SimCmdTable *table, const char *name, SimCmdTable *existing, int hide_level,
                      const char *usage)
{
    if (!table || !name) return;
    if (Search_SimCmdTable(table, name)) {
        sim_warning(2, "2: duplicate table entry %s in command table %s", name, table->name);
        return;
    }
    SimCmdTableEntry *entry = new_entry(name, nullptr, 1, hide_level, -1, usage, existing, nullptr);
    if (entry) Insert_SimCmdEntry(table, entry);
}

void SetHiddenNonPublic(SimCmdTableEntry *entry)
{
    if (entry) entry->hide_mask = 4;
}

void Callback_Add_Cmds(SimCmdTable *table)
{
    if (!table) return;
    for (Callback_Function *callback = callBackFunctionLists[CALLBACK_BUILD_PUBLIC_SIMCMD].head; callback;
         callback = callback->next) {
        if (!callback->name || Search_SimCmdTable(table, callback->name)) continue;
        add_simtable(table, callback->name, nullptr, nullptr, handler_cast<SimCmdBuilder>(callback->function),
                     (void *)"", 0, nullptr);
    }
}

SimCmdTable *SimCmd_Get_SubTable(SimCmdTable *table, const char *name)
{
    SimCmdTableEntry *entry = Search_SimCmdTable(table, name);
    if (!entry)
        sim_panic("No sub-table %s found in command table %s", name ? name : "(null)",
                  table ? table->name : "(null)");
    if (!entry->subtable) entry->subtable = Init_SimCmdTable(entry->name);
    return entry->subtable;
}

void Init_SimCmdContext(SimCmdContext *context, int count, char **vector)
{
    context->count = count;
    context->vector = vector;
}

SimCmdTableEntry *Search_SimCmdTable(SimCmdTable *table, const char *name)
{
    if (!table || !name) return nullptr;
    for (SimCmdTableEntry *entry = table->first; entry; entry = entry->next)
        if (strcasecmp(entry->name, name) == 0) return entry;
    return nullptr;
}

int Select_SimCmdTable(SimCmdTable *table, int context_count, char **context_vector, Selector *selector,
                       Tcl_Interp *interpreter, int count, char **vector)
{
    NestingGuard nesting;
    if (count < 1 || !vector || !table) return SIMCMD_NOT_FOUND;

    if (get_debug_flag(DEBUG_CATEGORY_COMMAND_INPUT) > 0) {
        SIM_PRINT("TCL input command(%d): %s", simcmd_nesting, vector[0]);
        for (int i = 1; i < count; i++)
            SIM_PRINT(" %s", vector[i]);
        SIM_PRINT("\n");
    }

    char path[SIMCMD_PATH_LENGTH];
    build_path(path, context_count, context_vector, count, vector);

    if (count <= 1) {
        List_SimCmdTable(interpreter, path, table);
        return SIMCMD_NOT_FOUND;
    }

    const char *word = vector[1];
    SimCmdTableEntry *match = Search_SimCmdTable(table, word);
    if (!match) {
        size_t length = strlen(word);
        for (SimCmdTableEntry *entry = table->first; entry; entry = entry->next) {
            if (strncasecmp(entry->name, word, length) != 0) continue;
            if (match) { // a second candidate: ambiguous
                match = nullptr;
                break;
            }
            match = entry;
        }
    }

    if (match) {
        if (match->expected_count != -1 && count - 2 != match->expected_count) {
            if (match->usage)
                SIM_TCLPRINT(interpreter, "Usage: %s %s %s", path, word, match->usage);
            else
                SIM_TCLPRINT(interpreter, "%s: incorrect number of arguments for %s", path, word);
            return SIMCMD_FAILED;
        }
        if (match->handler) {
            // The handler gets its own copy of the words, the matched word replaced by the path.
            std::vector<char *> words(vector + 1, vector + count);
            safe_strcat(path, " ", sizeof path);
            safe_strcat(path, word, sizeof path);
            words[0] = path;
            int rc;
            if (match->user_data)
                rc = handler_cast<SimCmdObjHandler>(match->handler)(selector, match->user_data, interpreter,
                                                                    count - 1, words.data());
            else
                rc = match->handler(selector, interpreter, count - 1, words.data());
            // The handler may have freed this very table (a machine's "quit"): nothing of it is read
            // after the call.
            return rc == 0 ? SIMCMD_OK : SIMCMD_FAILED;
        }
        if (match->is_table && match->subtable)
            return Select_SimCmdTable(match->subtable, context_count, context_vector, selector, interpreter,
                                      count - 1, vector + 1);
        return SIMCMD_FAILED;
    }

    if (strcasecmp(word, "help") == 0) {
        List_SimCmdTable(interpreter, path, table);
        return SIMCMD_OK;
    }
    if (strncasecmp(word, "helpr", 5) == 0) {
        Print_SimCmdTree(interpreter, table);
        return SIMCMD_OK;
    }
    if (strncasecmp(word, "reve", 4) == 0) {
        std::vector<char *> words(vector + 1, vector + count);
        if (toplevelreveal_Cmd(selector, interpreter, count - 1, words.data()) == 0) return SIMCMD_OK;
    }
    SIM_TCLPRINT(interpreter, "%s: command %s not found\n", path, word);
    List_SimCmdTable(interpreter, path, table);
    return SIMCMD_NOT_FOUND;
}

void List_SimCmdTable(Tcl_Interp *interpreter, const char *path, SimCmdTable *table)
{
    if (path && *path)
        SIM_TCLPRINT(interpreter, "%s: %s", path, "Available Commands");
    else
        SIM_TCLPRINT(interpreter, "Available Commands");
    if (!table) return;
    for (SimCmdTableEntry *entry = table->first; entry; entry = entry->next) {
        if (!entry_listed(entry)) continue;
        SIM_TCLPRINT(interpreter, "\n\t%s", entry->name);
        if (entry->usage) SIM_TCLPRINT(interpreter, " %s", entry->usage);
        if (entry->is_table) SIM_TCLPRINT(interpreter, " ->");
    }
}

void Print_SimCmdTree(Tcl_Interp *interpreter, SimCmdTable *table)
{
    if (!table) return;
    Print_SimCmdTree_Level(interpreter, table, 1);
    Unmark_SimCmdTree(table);
}

int toplevelreveal_Cmd(Selector *, Tcl_Interp *interpreter, int argc, char **argv)
{
    if (argc <= 1) {
        char buffer[HIDE_LIST_LENGTH];
        ListHideReasons(buffer);
        SIM_TCLPRINT(interpreter, "%s", buffer);
        return 0;
    }
    for (int i = 1; i < argc; i++) {
        const char *word = argv[i];
        if (strcasecmp(word, "all") == 0) {
            simcmd_reveal_mask = 0;
            continue;
        }
        if (strcasecmp(word, "none") == 0) {
            simcmd_reveal_mask = 0xFFFFFFFFu;
            continue;
        }
        int level = 0;
        while (level < HIDE_LEVELS && strcasecmp(word, hide_reason_names[level]) != 0)
            level++;
        if (level == HIDE_LEVELS) {
            SIM_TCLPRINT(interpreter, "%s: unknown hide reason '%s'", argv[0], word);
            return 1;
        }
        simcmd_reveal_mask &= ~hide_mask_of(level);
    }
    return 0;
}

void Quit_SimCmdTable(SimCmdTable *table)
{
    if (!table) return;
    std::unordered_set<SimCmdTable *> freed;
    Free_SimCmdTable_Marked(table, freed);
}

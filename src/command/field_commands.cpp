// The "field" commands of named bit-field values.
#include "command/field_commands.h"

#include <strings.h>

#include <cstdlib>

#include "command/cmd_table.h"
#include "runtime/tcl_output.h"
#include "runtime/field_val.h"

namespace
{

enum : unsigned { SHOW_VALUE = 1, SHOW_RANGE = 2, SHOW_LENGTH = 4, SHOW_ALL = 7 };

struct Option {
    const char *word;
    unsigned bits;
};
// Options of "display list" and of a field name.
constexpr Option list_options[] = {{"names", 0},
                                   {"values", SHOW_VALUE},
                                   {"ranges", SHOW_RANGE},
                                   {"lengths", SHOW_LENGTH},
                                   {"all", SHOW_ALL}};
constexpr Option field_options[] = {
    {"value", SHOW_VALUE}, {"range", SHOW_RANGE}, {"length", SHOW_LENGTH}, {"all", SHOW_ALL}};

template <size_t N> const Option *find_option(const Option (&options)[N], const char *word)
{
    for (const Option &option : options)
        if (strcasecmp(option.word, word) == 0) return &option;
    return nullptr;
}

int display_list(FieldVal *fv, Tcl_Interp *interpreter, int argc, char **argv)
{
    unsigned shown = 0;
    for (int i = 2; i < argc; i++) {
        const Option *option = find_option(list_options, argv[i]);
        if (!option) {
            SIM_TCLPRINT(interpreter, "%s: unknown list option '%s'", argv[0], argv[i]);
            return 1;
        }
        shown |= option->bits;
    }
    Tcl_HashSearch search;
    for (Tcl_HashEntry *entry = Tcl_FirstHashEntry(&fv->fields, &search); entry;
         entry = Tcl_NextHashEntry(&search)) {
        auto *name = static_cast<const char *>(Tcl_GetHashKey(&fv->fields, entry));
        auto *range = static_cast<const Range *>(Tcl_GetHashValue(entry));
        switch (shown) {
        case 0:
            SIM_TCLPRINT(interpreter, "%s ", name);
            break;
        case SHOW_VALUE:
            SIM_TCLPRINT(interpreter, "%s 0x%016lX ", name, (unsigned long)Range_Get(range, fv->value));
            break;
        case SHOW_RANGE:
            SIM_TCLPRINT(interpreter, "%s {%d %d} ", name, range->first, range->last);
            break;
        case SHOW_LENGTH:
            SIM_TCLPRINT(interpreter, "%s %d ", name, range->length);
            break;
        default:
            SIM_TCLPRINT(interpreter, "%s {", name);
            if (shown & SHOW_VALUE)
                SIM_TCLPRINT(interpreter, "val 0x%016lX ", (unsigned long)Range_Get(range, fv->value));
            if (shown & SHOW_RANGE) SIM_TCLPRINT(interpreter, "range {%d %d} ", range->first, range->last);
            if (shown & SHOW_LENGTH) SIM_TCLPRINT(interpreter, "len %d ", range->length);
            SIM_TCLPRINT(interpreter, "} ");
        }
    }
    return 0;
}

} // namespace

int TCL_Display(Selector *, void *data, Tcl_Interp *interpreter, int argc, char **argv)
{
    auto *fv = static_cast<FieldVal *>(data);
    if (fv->display_override) return fv->display_override(fv, interpreter, argc, argv);
    if (argc <= 1) {
        SIM_TCLPRINT(interpreter, "0x%016lX", (unsigned long)fv->value);
        return 0;
    }
    if (strcasecmp(argv[1], "list") == 0) return display_list(fv, interpreter, argc, argv);
    for (int i = 1; i < argc;) {
        const char *name = argv[i++];
        const Range *range = Field_Val_Find_Field(fv, name);
        if (!range) {
            SIM_TCLPRINT(interpreter, "%s: unknown field '%s'", argv[0], name);
            return 1;
        }
        unsigned shown = 0;
        bool braced = false;
        for (const Option *option; i < argc && (option = find_option(field_options, argv[i])); i++) {
            shown |= option->bits;
            braced = true;
        }
        uint64_t value = Range_Get(range, fv->value);
        if (!braced) {
            SIM_TCLPRINT(interpreter, "0x%016lX", (unsigned long)value);
            continue;
        }
        SIM_TCLPRINT(interpreter, "{val 0x%016lX ", (unsigned long)value);
        if (shown & SHOW_RANGE) SIM_TCLPRINT(interpreter, "range {%d %d} ", range->first, range->last);
        if (shown & SHOW_LENGTH) SIM_TCLPRINT(interpreter, "len %d ", range->length);
        SIM_TCLPRINT(interpreter, "}");
    }
    return 0;
}

int TCL_Set(Selector *, void *data, Tcl_Interp *interpreter, int argc, char **argv)
{
    auto *fv = static_cast<FieldVal *>(data);
    if (fv->set_override) return fv->set_override(fv, interpreter, argc, argv);
    if (argc <= 1) {
        SIM_TCLPRINT(interpreter, "usage: %s <value>", argv[0]);
        return 1;
    }
    for (int i = 1; i < argc; i += 2) {
        const char *name = argv[i];
        const Range *range = Field_Val_Find_Field(fv, name);
        if (!range) {
            SIM_TCLPRINT(interpreter, "%s: unknown field '%s'", argv[0], name);
            return 1;
        }
        if (i + 1 >= argc) {
            SIM_TCLPRINT(interpreter, "%s %s: expecting value", argv[0], name);
            return 1;
        }
        const char *text = argv[i + 1];
        char *end = nullptr;
        unsigned long long value = strtoull(text, &end, 0);
        if (*end) {
            SIM_TCLPRINT(interpreter, "%s %s: Error reading value got 0x%016lX from '%s'\n", argv[0], name,
                         (unsigned long)value, text);
            return 1;
        }
        fv->value = Range_Put(range, fv->value, value);
    }
    return 0;
}

SimCmdTable *Field_Val_TCL_Commands(FieldVal *fv, SimCmdTable *parent)
{
    if (!fv || !parent) return nullptr;
    SimCmdTable *table = Init_SimCmdTable("field");
    if (!table) return nullptr;
    connect_subtable(parent, "field", table, 0, nullptr);
    SimCmdTableEntry *entry = Search_SimCmdTable(parent, "field");
    if (!entry || entry->subtable != table) {
        Quit_SimCmdTable(table);
        return nullptr;
    }
    add_sim_obj_method(table, "display", TCL_Display, "TCL_Display", fv, -1, 0, "");
    add_sim_obj_method(table, "set", TCL_Set, "TCL_Set", fv, -1, 0, "");
    return table;
}

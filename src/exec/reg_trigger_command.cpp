// The register-trigger command words and the enabling of register triggers.
#include "exec/reg_trigger_command.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "exec/hooks/translator_triggers.h"
#include "processor/hooks/emat_zap.h"
#include "processor/records/generic_machine.h"
#include "processor/regs/register_file.h"
#include "runtime/alloc.h"
#include "runtime/tcl_output.h"

namespace
{

bool parse_signed(const char *word, int64_t *value)
{
    if (!word || !*word) return false;
    char *end = nullptr;
    errno = 0;
    *value = strtoll(word, &end, 0);
    return *end == '\0' && errno == 0;
}

bool parse_unsigned(const char *word, uint64_t *value)
{
    if (!word || !*word) return false;
    char *end = nullptr;
    errno = 0;
    *value = strtoull(word, &end, 0);
    return *end == '\0' && errno == 0;
}

char first_letter(const char *word)
{
    return (char)tolower((unsigned char)word[0]);
}

Reg_Trigger_Node *node_at(Reg_Trigger_List *list, int64_t index)
{
    if (index < 0) return nullptr;
    Reg_Trigger_Node *node = list->head;
    for (int64_t i = 0; node && i < index; i++) node = node->next;
    return node;
}

bool is_enabled(const Reg_Trigger_List *enabled, const void *data)
{
    for (Reg_Trigger_Node *node = enabled->head; node; node = node->next)
        if (node->data == data) return true;
    return false;
}

void copy_procedure(char (&field)[256], const char *procedure)
{
    snprintf(field, sizeof field, "%s", procedure ? procedure : "");
}

const char *status(const Reg_Trigger_List *enabled, const void *data)
{
    return is_enabled(enabled, data) ? "enabled" : "disabled";
}

void print_read_line(Tcl_Interp *interp, Reg_Trigger_Desc *desc, int index, Reg_Trigger_Node *node)
{
    const auto *trigger = (const Reg_Trigger_Read *)node->data;
    if (!trigger)
        SIM_TCLPRINT(interp, "[%d]: (READ) unassigned\n", index);
    else
        SIM_TCLPRINT(interp, "[%d]: (READ) proc '%s', status %s\n", index, trigger->procedure,
                     status(&desc->enabled_read, trigger));
}

void print_write_line(Tcl_Interp *interp, Reg_Trigger_Desc *desc, int index, Reg_Trigger_Node *node)
{
    const auto *trigger = (const Reg_Trigger_Write *)node->data;
    if (!trigger) {
        SIM_TCLPRINT(interp, "[%d]: (WRITE) unassigned\n", index);
        return;
    }
    const char *state = status(&desc->enabled_write, trigger);
    if (trigger->change_mask == ~0ull)
        SIM_TCLPRINT(interp, "[%d]: (WRITE) proc '%s', status %s\n", index, trigger->procedure, state);
    else if (trigger->change_mask != 0)
        SIM_TCLPRINT(interp, "[%d]: (CHANGE) proc '%s', mask 0x%016lX, status %s\n", index, trigger->procedure,
                     (unsigned long)trigger->change_mask, state);
    else
        SIM_TCLPRINT(interp, "[%d]: (MATCH) proc '%s', value 0x%016lX mask 0x%016lX, status %s\n", index,
                     trigger->procedure, (unsigned long)trigger->match_value, (unsigned long)trigger->match_mask,
                     state);
}

void print_read_list(Tcl_Interp *interp, Reg_Trigger_Desc *desc)
{
    SIM_TCLPRINT(interp, "READ Trigger List (%d entries):\n", desc->read.count);
    int index = 0;
    for (Reg_Trigger_Node *node = desc->read.head; node; node = node->next) print_read_line(interp, desc, index++, node);
}

void print_write_list(Tcl_Interp *interp, Reg_Trigger_Desc *desc)
{
    SIM_TCLPRINT(interp, "WRITE Trigger List (%d entries):\n", desc->write.count);
    int index = 0;
    for (Reg_Trigger_Node *node = desc->write.head; node; node = node->next)
        print_write_line(interp, desc, index++, node);
}

// The list, enable and disable operations on one part (read or write); false after an error.
bool part_operation(Tcl_Interp *interp, char **argv, const char *reg, Reg_Trigger_Desc *desc, char op, bool read,
                    int64_t id, bool named)
{
    Reg_Trigger_List *list = read ? &desc->read : &desc->write;
    Reg_Trigger_List *enabled = read ? &desc->enabled_read : &desc->enabled_write;
    const char *op_name = op == 'l' ? "list" : op == 'e' ? "enable" : "disable";
    Reg_Trigger_Node *node = nullptr;
    if (id >= 0) {
        node = node_at(list, id);
        if (!node) {
            if (!named) return true; // silent without a list word
            SIM_TCLPRINT(interp, "?%s: %s id %d %s %s -- bad trigger number (%d %s triggers defined)?", argv[0], reg,
                         (int)id, op_name, read ? "read" : "write", list->count, read ? "read" : "write");
            return false;
        }
    }
    switch (op) {
    case 'l':
        if (!node)
            read ? print_read_list(interp, desc) : print_write_list(interp, desc);
        else
            read ? print_read_line(interp, desc, (int)id, node) : print_write_line(interp, desc, (int)id, node);
        break;
    case 'e':
        if (node)
            Enable_Trigger(enabled, node, 1);
        else
            for (Reg_Trigger_Node *n = list->head; n; n = n->next) Enable_Trigger(enabled, n, 1);
        break;
    default:
        if (node)
            Enable_Trigger(enabled, node, 0);
        else
            Reg_Trigger_List_Clear(enabled);
        break;
    }
    return true;
}

} // namespace

void Enable_Trigger(Reg_Trigger_List *enabled, Reg_Trigger_Node *node, int on)
{
    if (!enabled || !node || !node->data) return;
    Reg_Trigger_Node *found = enabled->head;
    while (found && found->data != node->data) found = found->next;
    if (found) {
        if (on) return;
        if (found->prev)
            found->prev->next = found->next;
        else
            enabled->head = found->next;
        if (found->next)
            found->next->prev = found->prev;
        else
            enabled->tail = found->prev;
        enabled->count--;
        QUARN_FREE(found);
        for (GenericMachine *machine = Quarn_Machine_List; machine; machine = machine->next)
            tt_regtrigger_xlate_flush(machine);
        return;
    }
    if (!on) return;
    if (!Reg_Trigger_Append(enabled, node->data)) return;
    // Translated code tests which registers have triggers when it is generated.
    EMAT_ZAP_("Enable_Trigger", __FILE__, __LINE__);
}

void Reg_Trigger_Read_Set(Reg_Trigger_Desc *desc, Reg_Trigger_Node *node, const char *procedure)
{
    if (!node->data) node->data = QUARN_ZALLOC(1, Reg_Trigger_Read);
    auto *trigger = (Reg_Trigger_Read *)node->data;
    if (!trigger) return;
    copy_procedure(trigger->procedure, procedure);
    Enable_Trigger(&desc->enabled_read, node, 1);
}

void Reg_Trigger_Write_New(Reg_Trigger_Desc *desc, Reg_Trigger_Node *node, const char *procedure, uint64_t mask)
{
    if (!node->data) node->data = QUARN_ZALLOC(1, Reg_Trigger_Write);
    auto *trigger = (Reg_Trigger_Write *)node->data;
    if (!trigger) return;
    copy_procedure(trigger->procedure, procedure);
    trigger->change_mask = mask;
    trigger->match_mask = 0;
    Enable_Trigger(&desc->enabled_write, node, 1);
}

void Reg_Trigger_Match_Set(Reg_Trigger_Desc *desc, Reg_Trigger_Node *node, const char *procedure, uint64_t mask,
                           uint64_t value)
{
    if (!node->data) node->data = QUARN_ZALLOC(1, Reg_Trigger_Write);
    auto *trigger = (Reg_Trigger_Write *)node->data;
    if (!trigger) return;
    copy_procedure(trigger->procedure, procedure);
    trigger->change_mask = 0;
    trigger->match_mask = mask;
    trigger->match_value = value;
    Enable_Trigger(&desc->enabled_write, node, 1);
}

int Indexed_Reg_Trigger_Index(Tcl_Interp *interpreter, const char *kind, int limit, int argc, char **argv,
                              int *index)
{
    if (argc < 2) {
        SIM_TCLPRINT(interpreter, "?%s: need %s index?", argv[0], kind);
        return 1;
    }
    int64_t value = 0;
    if (!parse_signed(argv[1], &value)) {
        SIM_TCLPRINT(interpreter, "?%s: invalid %s number '%s'?", argv[0], kind, argv[1]);
        return 1;
    }
    if (value < 0 || value >= limit) {
        SIM_TCLPRINT(interpreter, "?%s: %s number %d outside range [0..%d]?", argv[0], kind, (int)value, limit);
        return 1;
    }
    *index = (int)value;
    return 0;
}

int Reg_Trigger_Command(Tcl_Interp *interp, const char *reg, Reg_Trigger_Desc **slot, int argc, char **argv,
                        int first)
{
    if (!slot) return 1;
    if (!*slot) *slot = QUARN_ZALLOC(1, Reg_Trigger_Desc);
    Reg_Trigger_Desc *desc = *slot;
    if (!desc) return 1;
    if (!reg) reg = "";

    int pos = first;
    if (pos >= argc) {
        print_read_list(interp, desc);
        print_write_list(interp, desc);
        return 0;
    }

    int64_t id = -1;
    const char *op_word = argv[pos];
    if (first_letter(op_word) == 'i') {
        if (pos + 1 >= argc) {
            SIM_TCLPRINT(interp, "?%s: %s id -- missing trigger number?", argv[0], reg);
            return 1;
        }
        if (!parse_signed(argv[pos + 1], &id)) {
            SIM_TCLPRINT(interp, "?%s: %s id %s -- error parsing value '%s'?", argv[0], reg, argv[pos + 1],
                         argv[pos + 1]);
            return 1;
        }
        if (id >= 0 && id >= desc->read.count && id >= desc->write.count) {
            char reads[32], writes[32];
            if (desc->read.count)
                snprintf(reads, sizeof reads, "read:[0..%d]", desc->read.count);
            else
                snprintf(reads, sizeof reads, "no read triggers");
            if (desc->write.count)
                snprintf(writes, sizeof writes, "write:[0..%d]", desc->write.count);
            else
                snprintf(writes, sizeof writes, "no write triggers");
            SIM_TCLPRINT(interp, "?%s: %s id %d -- trigger number is out of range (%s, %s)", argv[0], reg, (int)id,
                         reads, writes);
            return 1;
        }
        if (id < 0) id = -1;
        pos += 2;
        op_word = pos < argc ? argv[pos] : "list";
    }

    const char op = first_letter(op_word);
    switch (op) {
    case 'l':
    case 'e':
    case 'd': {
        const char *which = pos + 1 < argc ? argv[pos + 1] : nullptr;
        bool read_part = !which || first_letter(which) == 'r';
        bool write_part = !which || first_letter(which) == 'w';
        if (read_part && !part_operation(interp, argv, reg, desc, op, true, id, which != nullptr)) return 1;
        if (write_part && !part_operation(interp, argv, reg, desc, op, false, id, which != nullptr)) return 1;
        return 0;
    }
    case 'r':
    case 'w':
    case 'c':
    case 'm':
        break;
    default:
        SIM_TCLPRINT(interp, "?%s: %s -- unknown operation '%s'?", argv[0], reg, op_word);
        return 1;
    }

    const bool read = op == 'r';
    const char *op_name = op == 'r' ? "read" : op == 'w' ? "write" : op == 'c' ? "change" : "match";
    Reg_Trigger_List *list = read ? &desc->read : &desc->write;
    Reg_Trigger_List *enabled = read ? &desc->enabled_read : &desc->enabled_write;
    Reg_Trigger_Node *node = nullptr;
    if (id >= 0) {
        node = node_at(list, id);
        if (!node) {
            SIM_TCLPRINT(interp, "?%s: %s id %d %s -- bad trigger number (%d %s triggers defined)?", argv[0], reg,
                         (int)id, op_name, list->count, read ? "read" : "write");
            return 1;
        }
    }
    const char *procedure = pos + 1 < argc ? argv[pos + 1] : nullptr;
    if (!procedure) {
        if (node)
            Reg_Trigger_List_Remove(list, enabled, node);
        else
            Reg_Trigger_List_Free(list, enabled);
        return 0;
    }

    // The masks and the match value are read before anything changes.
    uint64_t mask = ~0ull, value = 0;
    if (op == 'c' && pos + 2 < argc && !parse_unsigned(argv[pos + 2], &mask)) {
        SIM_TCLPRINT(interp, "?%s: %s change %s -- error parsing mask '%s'?", argv[0], reg, procedure, argv[pos + 2]);
        return 1;
    }
    if (op == 'm') {
        if (pos + 2 >= argc) {
            SIM_TCLPRINT(interp, "?%s: %s match %s -- missing match value?", argv[0], reg, procedure);
            return 1;
        }
        if (!parse_unsigned(argv[pos + 2], &value)) {
            SIM_TCLPRINT(interp, "?%s: %s match %s -- error parsing value '%s'?", argv[0], reg, procedure,
                         argv[pos + 2]);
            return 1;
        }
        if (pos + 3 < argc && !parse_unsigned(argv[pos + 3], &mask)) {
            SIM_TCLPRINT(interp, "?%s: %s match %s %s -- error parsing mask '%s'?", argv[0], reg, procedure,
                         argv[pos + 2], argv[pos + 3]);
            return 1;
        }
    }

    int number = (int)id;
    if (!node) {
        if (!desc->name[0]) snprintf(desc->name, sizeof desc->name, "%s", reg);
        number = 0;
        for (node = list->head; node && node->data; node = node->next) number++;
        if (!node) {
            number = list->count;
            node = Reg_Trigger_Append(list, nullptr);
            if (!node) return 1;
        }
    }
    switch (op) {
    case 'r':
        Reg_Trigger_Read_Set(desc, node, procedure);
        break;
    case 'w':
        Reg_Trigger_Write_New(desc, node, procedure, ~0ull);
        break;
    case 'c':
        Reg_Trigger_Write_New(desc, node, procedure, mask);
        break;
    default:
        Reg_Trigger_Match_Set(desc, node, procedure, mask, value);
        break;
    }
    if (id < 0) SIM_TCLPRINT(interp, "%d", number);
    return 0;
}

// Aliases and the "alias" table.
#include "command/alias_commands.h"

#include <tcl.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "command/cmd_table.h"
#include "runtime/alloc.h"
#include "runtime/message.h"
#include "runtime/tcl_output.h"
#include "runtime/utils.h"

namespace
{

constexpr size_t ALIAS_NAME_LENGTH = 64;
constexpr size_t ALIAS_COMMAND_LENGTH = 256;

struct tcl_alias_info {
    tcl_alias_info *next;
    char name[ALIAS_NAME_LENGTH];
    char command[ALIAS_COMMAND_LENGTH];
    int32_t in_expansion;
};

// Every alias, newest first.
tcl_alias_info *alias_list = nullptr;
// Numbers the names made by create_unique.
int unique_alias_counter = 0;

tcl_alias_info *find_alias(const char *name)
{
    for (tcl_alias_info *alias = alias_list; alias; alias = alias->next)
        if (strcmp(alias->name, name) == 0) return alias;
    return nullptr;
}

void delete_alias(Tcl_Interp *interpreter, tcl_alias_info *alias)
{
    for (tcl_alias_info **link = &alias_list; *link; link = &(*link)->next) {
        if (*link == alias) {
            *link = alias->next;
            break;
        }
    }
    if (interpreter) Tcl_DeleteCommand(interpreter, alias->name);
    QUARN_FREE(alias);
}

// Appends the text, with its first word replaced by the expansion of the alias of that name when
// there is one that is not being expanded already. The result grows as needed.
void expand_text(const char *text, std::string &out)
{
    size_t word_length = strcspn(text, " ");
    char word[ALIAS_NAME_LENGTH];
    size_t kept = word_length < sizeof word - 1 ? word_length : sizeof word - 1;
    memcpy(word, text, kept);
    word[kept] = '\0';
    tcl_alias_info *alias = find_alias(word);
    if (!alias || alias->in_expansion) {
        out += text;
        return;
    }
    alias->in_expansion = 1;
    expand_text(alias->command, out);
    alias->in_expansion = 0;
    out += text + word_length;
}

int alias_proc(void *client_data, Tcl_Interp *interpreter, int argc, const char *argv[])
{
    tcl_alias_info *alias = (tcl_alias_info *)client_data;
    std::string script;
    alias->in_expansion = 1;
    expand_text(alias->command, script);
    for (int i = 1; i < argc; i++) {
        bool blank = strchr(argv[i], ' ') != nullptr;
        script += blank ? " {" : " ";
        script += argv[i];
        if (blank) script += '}';
    }
    alias->in_expansion = 0;
    // The alias may be deleted by its own script: the record is not touched after this point.
    return Tcl_Eval(interpreter, script.c_str());
}

// Makes an alias of the words; 0 on success.
int make_alias(Tcl_Interp *interpreter, const char *name, int count, char **words)
{
    char command[ALIAS_COMMAND_LENGTH] = "";
    size_t length = 0;
    for (int i = 0; i < count; i++) {
        length += (i ? 1 : 0) + strlen(words[i]);
        if (length >= ALIAS_COMMAND_LENGTH - 1) {
            SIM_PRINT("Error! Command string is too long.");
            return 1;
        }
        if (i) safe_strcat(command, " ", sizeof command);
        safe_strcat(command, words[i], sizeof command);
    }
    tcl_alias_info *alias = QUARN_ZALLOC(1, tcl_alias_info);
    if (!alias) return 1;
    snprintf(alias->name, sizeof alias->name, "%s", name);
    memcpy(alias->command, command, sizeof command);
    alias->next = alias_list;
    alias_list = alias;
    if (interpreter) Tcl_CreateCommand(interpreter, alias->name, alias_proc, alias, nullptr);
    SIM_TCLPRINT(interpreter, "%s", alias->name);
    return 0;
}

int alias_create_Cmd(Selector *, Tcl_Interp *interpreter, int argc, char **argv)
{
    if (argc < 3) {
        SIM_TCLPRINT(interpreter, "create {alias_name} {cmdstring}\n");
        return 0;
    }
    const char *name = argv[1];
    if (tcl_alias_info *old = find_alias(name)) delete_alias(interpreter, old);
    Tcl_CmdInfo info;
    if (interpreter && Tcl_GetCommandInfo(interpreter, name, &info)) {
        SIM_PRINT("Error! alias name %s is already a defined Tcl command.", name);
        return 1;
    }
    return make_alias(interpreter, name, argc - 2, argv + 2);
}

int alias_create_unique_Cmd(Selector *, Tcl_Interp *interpreter, int argc, char **argv)
{
    if (argc < 2) {
        SIM_TCLPRINT(interpreter, "create_unique {cmdstring}\n");
        return 0;
    }
    char name[ALIAS_NAME_LENGTH];
    snprintf(name, sizeof name, "AL_%d", unique_alias_counter++);
    return make_alias(interpreter, name, argc - 1, argv + 1);
}

int alias_delete_Cmd(Selector *, Tcl_Interp *interpreter, int, char **argv)
{
    if (tcl_alias_info *alias = find_alias(argv[1])) delete_alias(interpreter, alias);
    return 0;
}

int alias_list_Cmd(Selector *, Tcl_Interp *interpreter, int, char **)
{
    for (tcl_alias_info *alias = alias_list; alias; alias = alias->next)
        SIM_TCLPRINT(interpreter, "%s {%s} ", alias->name, alias->command);
    return 0;
}

} // namespace

SimCmdTable *build_aliasCmd_table(void)
{
    SimCmdTable *table = Init_SimCmdTable("alias");
    add_simcommand(table, "create", alias_create_Cmd, "alias_create_Cmd", -1, 0, "{alias_name} {cmdstring}");
    add_simcommand(table, "create_unique", alias_create_unique_Cmd, "alias_create_unique_Cmd", -1, 0,
                   "{cmdstring}");
    add_simcommand(table, "delete", alias_delete_Cmd, "alias_delete_Cmd", 1, 0, "{alias_name}");
    add_simcommand(table, "list", alias_list_Cmd, "alias_list_Cmd", 0, 0, nullptr);
    return table;
}

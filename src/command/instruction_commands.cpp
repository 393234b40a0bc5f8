// Instruction-table columns edited and shown from the command line.
#include "command/instruction_commands.h"

#include <cstring>

#include "command/cmd_table.h"
#include "command/tcl_numbers.h"
#include "decode/instr_info.h"
#include "decode/instr_tables.h"
#include "runtime/tcl_output.h"
#include "runtime/utils.h"

namespace
{

enum class Column { Throughput, Iops, Optype, Iflags, Attributes };

// The first row from row 1 on whose mnemonic is the name (case-sensitive), or null.
InstrInfo *find_row(InstrInfo *table, const char *mnemonic)
{
    uint32_t size = InstrInfo_Table_Size();
    for (uint32_t i = 1; i < size; i++)
        if (table[i].mnemonic && strcmp(table[i].mnemonic, mnemonic) == 0) return &table[i];
    return nullptr;
}

// Edits one column of the rows named by the mnemonic. "strict" is the "modify instruction" form,
// which reports bad values where the plain "modify" form fails silently or corrects them.
int modify_rows(Tcl_Interp *interpreter, InstrInfo *table, const char *mnemonic, const char *text,
                Column column, bool strict)
{
    if (!table) return 1;
    uint32_t size = InstrInfo_Table_Size();
    int value = 0;
    switch (column) {
    case Column::Throughput:
        if (!tclstr_to_int(interpreter, text, &value, "instruction time")) return 1;
        if (value < 0) {
            SIM_TCLPRINT(interpreter, "Can't set throughput time for %s to negative (%d)", mnemonic, value);
            return 1;
        }
        if (strcmp(mnemonic, "all") == 0 || strcmp(mnemonic, "branches") == 0) {
            bool branches_only = mnemonic[0] == 'b';
            for (uint32_t i = 1; i < size; i++)
                if (!branches_only || (table[i].class_flags & II_BRANCH))
                    table[i].throughput = (uint32_t)value;
            return 0;
        }
        break;
    case Column::Iops:
        if (!tclstr_to_int(interpreter, text, &value, "number of internal operations")) return 1;
        if (value < 0) {
            if (strict) {
                SIM_TCLPRINT(interpreter, "Can't set iops for %s to negative (%d)", mnemonic, value);
                return 1;
            }
            value = 0;
        }
        if (strcmp(mnemonic, "all") == 0) {
            for (uint32_t i = 1; i < size; i++)
                table[i].iops = (uint8_t)value;
            return 0;
        }
        break;
    case Column::Optype:
        value = Name2ID(opTypeName, text);
        if (value < 0) {
            if (strict)
                SIM_TCLPRINT(interpreter, "Can't set optype for %s to unknown type (%s)", mnemonic, text);
            return 1;
        }
        break;
    case Column::Iflags:
        if (strcmp(text, "FX_IN_LSU") != 0) {
            if (strict) SIM_TCLPRINT(interpreter, "Unsupported flag %s for %s", text, mnemonic);
            return 1;
        }
        break;
    case Column::Attributes:
        break;
    }

    InstrInfo *row = find_row(table, mnemonic);
    if (!row) {
        SIM_TCLPRINT(interpreter, "instruction \"%s\" is not found for this processor", mnemonic);
        return 0;
    }
    switch (column) {
    case Column::Throughput:
        row->throughput = (uint32_t)value;
        SIM_TCLPRINT(interpreter, "throughput time for %s is set to %d", mnemonic, value);
        break;
    case Column::Iops:
        row->iops = (uint8_t)value;
        break;
    case Column::Optype:
        row->optype = (uint32_t)value;
        break;
    case Column::Iflags:
        row->attributes |= II_ATTR_FX_IN_LSU;
        break;
    case Column::Attributes:
        if (strcmp(text, "fusable") == 0) row->attributes |= II_ATTR_FUSABLE;
        break;
    }
    return 0;
}

// "modify instruction <column> {table_id} {mnemonic} {value}".
int modify_keyed(Tcl_Interp *interpreter, char **argv, Column column)
{
    int id = 0;
    if (!tclstr_to_int(interpreter, argv[1], &id, "instruction table id")) return 1;
    return modify_rows(interpreter, InstrInfo__id2table(id), argv[2], argv[3], column, true);
}

int instruction_itimes_Cmd(Selector *, Tcl_Interp *interpreter, int, char **argv)
{
    return modify_keyed(interpreter, argv, Column::Throughput);
}

int instruction_iops_Cmd(Selector *, Tcl_Interp *interpreter, int, char **argv)
{
    return modify_keyed(interpreter, argv, Column::Iops);
}

int instruction_optype_Cmd(Selector *, Tcl_Interp *interpreter, int, char **argv)
{
    return modify_keyed(interpreter, argv, Column::Optype);
}

int instruction_iflags_Cmd(Selector *, Tcl_Interp *interpreter, int, char **argv)
{
    return modify_keyed(interpreter, argv, Column::Iflags);
}

int instruction_attributes_Cmd(Selector *, Tcl_Interp *interpreter, int, char **argv)
{
    return modify_keyed(interpreter, argv, Column::Attributes);
}

} // namespace

int itimes_Cmd(Selector *, Tcl_Interp *interpreter, int, char **argv)
{
    return modify_rows(interpreter, InstrInfo__id2table(0), argv[1], argv[2], Column::Throughput, false);
}

int iops_Cmd(Selector *, Tcl_Interp *interpreter, int, char **argv)
{
    return modify_rows(interpreter, InstrInfo__id2table(0), argv[1], argv[2], Column::Iops, false);
}

int optype_Cmd(Selector *, Tcl_Interp *interpreter, int, char **argv)
{
    return modify_rows(interpreter, InstrInfo__id2table(0), argv[1], argv[2], Column::Optype, false);
}

int iflags_Cmd(Selector *, Tcl_Interp *interpreter, int, char **argv)
{
    return modify_rows(interpreter, InstrInfo__id2table(0), argv[1], argv[2], Column::Iflags, false);
}

int attributes_Cmd(Selector *, Tcl_Interp *interpreter, int, char **argv)
{
    return modify_rows(interpreter, InstrInfo__id2table(0), argv[1], argv[2], Column::Attributes, false);
}

int display_itimes_Cmd(Selector *, Tcl_Interp *interpreter, int argc, char **argv)
{
    InstrInfo *table = InstrInfo__id2table(0);
    if (!table) return 1;
    bool first = true;
    auto print = [&](const InstrInfo *row) {
        SIM_TCLPRINT(interpreter, "%s%s: throughput %d", first ? "" : "\n", row->mnemonic,
                     (int)row->throughput);
        first = false;
    };
    if (argc <= 1) {
        uint32_t size = InstrInfo_Table_Size();
        for (uint32_t i = 1; i < size; i++)
            if (table[i].mnemonic) print(&table[i]);
        return 0;
    }
    for (int i = 1; i < argc; i++)
        if (InstrInfo *row = find_row(table, argv[i])) print(row);
    return 0;
}

SimCmdTable *build_instructionCmd_table(void *)
{
    SimCmdTable *table = Init_SimCmdTable("instruction");
    add_simcommand(table, "itimes", instruction_itimes_Cmd, "instruction_itimes_Cmd", 3, 0,
                   "{table_id} {mnemonic} {throughput}");
    add_simcommand(table, "iops", instruction_iops_Cmd, "instruction_iops_Cmd", 3, 0,
                   "{table_id} {mnemonic} {num_internal_ops}");
    add_simcommand(table, "optype", instruction_optype_Cmd, "instruction_optype_Cmd", 3, 0,
                   "{table_id} {mnemonic} {optype}");
    add_simcommand(table, "iflags", instruction_iflags_Cmd, "instruction_iflags_Cmd", 3, 0,
                   "{table_id} {mnemonic} {flagtype}");
    add_simcommand(table, "attributes", instruction_attributes_Cmd, "instruction_attributes_Cmd", 3, 0,
                   "{table_id} {mnemonic} {attributes}");
    return table;
}

// The unit-creation commands of the machine's top table: "kepl", "xscom", "cop" and "pbic", and
// the unattached "as" table. The "phb" table is in command/phb_commands.cpp.
#include <strings.h>

#include <cstdlib>
#include <cstring>

#include "accel/kepl.h"
#include "command/cmd_table.h"
#include "command/machine_vocabulary.h"
#include "command/selector.h"
#include "coproc/nest_units.h"
#include "processor/records/generic_machine.h"
#include "runtime/message.h"
#include "runtime/property_list.h"
#include "runtime/tcl_output.h"

namespace
{

uint32_t pbic_counter = 0; // the index of the next PBIC, process-wide

MCM *chip_zero(Selector *selector)
{
    return GenericMachine__GetMCM(select_machine(selector), 0);
}

int32_t number(const char *word, int *ok)
{
    return (int32_t)STRING2INT_rc(word, ok);
}

// The chip named by a number word; null after the error text.
MCM *chip_by_number(Selector *selector, Tcl_Interp *interpreter, const char *word)
{
    int ok = 0;
    int32_t n = number(word, &ok);
    if (!ok) {
        SIM_TCLPRINT(interpreter, "Error: chip number %s is invalid.", word);
        return nullptr;
    }
    MCM *chip = GenericMachine__GetMCM(select_machine(selector), n);
    if (!chip) SIM_TCLPRINT(interpreter, "Error: chip %s does not exit.", word);
    return chip;
}

PBICState *pbic_by_ci(Selector *selector, Tcl_Interp *interpreter, const char *word)
{
    int ok = 0;
    int32_t ci = number(word, &ok);
    if (!ok) {
        SIM_TCLPRINT(interpreter, "Error: PBIC with ci %s is invalid.", word);
        return nullptr;
    }
    PBICState *pbic = search_pbic_by_ci(select_machine(selector), ci);
    if (!pbic) SIM_TCLPRINT(interpreter, "PBIC with CI %d is not created before.", ci);
    return pbic;
}

PBICState *pbic_by_index(Selector *selector, Tcl_Interp *interpreter, const char *word)
{
    int ok = 0;
    int32_t index = number(word, &ok);
    if (!ok) {
        SIM_TCLPRINT(interpreter, "Error: PBIC index %s is invalid.", word);
        return nullptr;
    }
    PBICState *pbic = search_pbic_by_index(select_machine(selector), index);
    if (!pbic) SIM_TCLPRINT(interpreter, "PBIC index %d is not created before.", index);
    return pbic;
}

// The coprocessor type of an engine name or a number; false when the word is neither.
bool cop_type_of(const char *word, int32_t *type)
{
    if (CoprocessorTypeEntry *entry = Search_Coprocessor_Table_by_Name(Coprocessor_Table, word)) {
        *type = entry->type;
        return true;
    }
    int ok = 0;
    *type = number(word, &ok);
    return ok != 0;
}

// The non-zero coprocessor ci of a word; false after the error text.
bool cop_ci_of(Tcl_Interp *interpreter, const char *word, int32_t *ci)
{
    int ok = 0;
    *ci = number(word, &ok);
    if (ok && *ci != 0) return true;
    SIM_TCLPRINT(interpreter, "Error: coprocessor ci %s is invalid.", word);
    return false;
}

} // namespace

int KEPL_cmd_create(Selector *selector, Tcl_Interp *, int, char **argv)
{
    MCM *chip = chip_zero(selector);
    int ok = 0;
    uint64_t p1 = strtoull(argv[1], nullptr, 0), p2 = strtoull(argv[2], nullptr, 0);
    return chip && kepl_create(chip, p1, p2, number(argv[3], &ok)) ? 0 : 1;
}

int KEPL_cmd_connect(Selector *selector, Tcl_Interp *, int, char **argv)
{
    MCM *chip = chip_zero(selector);
    int ok = 0;
    int32_t slice = number(argv[1], &ok);
    uint64_t frequency = STRING2INT_rc(argv[2], &ok);
    int32_t port = number(argv[4], &ok);
    if (!chip) return 1;
    char *host = strdup(argv[3]); // kept by the slice
    if (!host) return 1;
    if (kepl_connect(chip, slice, frequency, host, port)) return 0;
    free(host);
    return 1;
}

int KEPL_cmd_attach(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    int32_t type;
    if (!strcmp(argv[1], "quezil_dedicated"))
        type = 1;
    else if (!strcmp(argv[1], "memcopy_dedicated") || !strcmp(argv[1], "memcopy"))
        type = 2;
    else if (!strcmp(argv[1], "memcopy_directed"))
        type = 3;
    else {
        SIM_TCLPRINT(interpreter,
                     "Error reading type: got '%s', must be one of (quezil_dedicated | memcopy_dedicated | "
                     "memcopy_directed)\n",
                     argv[1]);
        return 1;
    }
    int ok = 0;
    int32_t slice = number(argv[2], &ok);
    if (!ok) {
        SIM_TCLPRINT(interpreter, "Error reading slice: got %d from %s\n", slice, argv[2]);
        return 1;
    }
    uint64_t frequency = STRING2INT_rc(argv[3], &ok);
    if (!ok) {
        SIM_TCLPRINT(interpreter, "Error reading frequency: got 0x%016lX from %s\n", (unsigned long)frequency,
                     argv[3]);
        return 1;
    }
    MCM *chip = chip_zero(selector);
    return chip && kepl_attach(chip, slice, frequency, type) ? 0 : 1;
}

int KEPL_cmd_display(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    const char *attribute = argv[1];
    if (!strcasecmp(attribute, "enable")) {
        SIM_TCLPRINT(interpreter, "%s", kepl_get_enable_new_features() ? "on" : "off");
        return 0;
    }
    // Without a unit there is nothing to show.
    KEPL_State *unit = kepl_of_chip(chip_zero(selector));
    if (!unit) return 0;
    if (!strcasecmp(attribute, "p1_base"))
        SIM_TCLPRINT(interpreter, "0x%016lX", (unsigned long)kepl_get_p1_base(unit));
    else if (!strcasecmp(attribute, "p2_base"))
        SIM_TCLPRINT(interpreter, "0x%016lX", (unsigned long)kepl_get_p2_base(unit));
    else if (!strcasecmp(attribute, "slices"))
        SIM_TCLPRINT(interpreter, "%d", kepl_get_slices(unit));
    else if (!strcasecmp(attribute, "lock_timeout"))
        SIM_TCLPRINT(interpreter, "%d", kepl_get_max_lock_timeout(unit));
    return 0;
}

int KEPL_cmd_dtranslate(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    int ok = 0;
    int32_t slice = number(argv[1], &ok);
    uint64_t ea = strtoull(argv[2], nullptr, 0), pa = 0;
    KEPL_State *unit = kepl_of_chip(chip_zero(selector));
    if (unit && kepl_EA2PA(unit, slice, ea, &pa))
        SIM_TCLPRINT(interpreter, "0x%016lX", (unsigned long)pa);
    else
        SIM_TCLPRINT(interpreter, "Translation failed");
    return 0;
}

int KEPL_cmd_dump(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    MCM *chip = chip_zero(selector);
    int ok = 0;
    if (!chip) {
        SIM_TCLPRINT(interpreter, "KEPL dump failed");
        return 1;
    }
    kepl_dump(chip, number(argv[1], &ok));
    return 0;
}

int KEPL_cmd_enable(Selector *, Tcl_Interp *interpreter, int, char **argv)
{
    if (strcasecmp(argv[1], "new") != 0) return 0;
    if (!strcmp(argv[2], "on") || !strcmp(argv[2], "true")) {
        kepl_set_enable_new_features(1);
        SIM_TCLPRINT(interpreter, "Enabled KEPL new features");
    } else if (!strcmp(argv[2], "off") || !strcmp(argv[2], "false")) {
        kepl_set_enable_new_features(0);
        SIM_TCLPRINT(interpreter, "Disabled KEPL new features");
    }
    return 0;
}

int KEPL_cmd_debug(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    MCM *chip = chip_zero(selector);
    int ok = 0;
    if (!chip) {
        SIM_TCLPRINT(interpreter, "setting KEPL debug level failed");
        return 1;
    }
    kepl_debug(chip, number(argv[1], &ok));
    return 0;
}

int XSCOM_cmd_create(Selector *selector, Tcl_Interp *, int, char **argv)
{
    MCM *chip = chip_zero(selector);
    return chip && xscom_create(chip, strtoull(argv[1], nullptr, 0)) ? 0 : 1;
}

int AS_cmd_create(Selector *selector, Tcl_Interp *, int, char **argv)
{
    MCM *chip = select_mcm(selector);
    return chip && as_create(chip, strtoull(argv[1], nullptr, 0), 200000000) ? 0 : 1;
}

int COP_cmd_list(Selector *selector, Tcl_Interp *interpreter, int, char **)
{
    if (show_cop_pbic_list(select_machine(selector))) return 0;
    SIM_TCLPRINT(interpreter, "Error: failed to show coprocessor list.");
    return 1;
}

int COP_cmd_create_pbic(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    MCM *chip = chip_by_number(selector, interpreter, argv[1]);
    if (!chip) return 1;
    int ok = 0;
    int32_t ci = number(argv[2], &ok);
    if (!ok || ci == 0) {
        SIM_TCLPRINT(interpreter, "Error: PBIC CI %s is invalid.", argv[2]);
        return 1;
    }
    if (search_pbic_by_ci(select_machine(selector), ci)) {
        SIM_TCLPRINT(interpreter, "PBIC with CI(%d) has been created before.", ci);
        return 0;
    }
    uint64_t start = STRING2PA_rc(argv[3], &ok), stop = STRING2PA_rc(argv[4], &ok);
    int32_t index = (int32_t)pbic_counter++;
    PBICState *pbic = new_pbic(chip, index, ci, start, stop);
    if (!pbic) {
        SIM_TCLPRINT(interpreter, "Error: failed to create PBIC %d.", (int32_t)pbic_counter);
        return 1;
    }
    SIM_TCLPRINT(interpreter, "%s created on chip %s.", pbic->name, argv[1]);
    return 0;
}

int COP_cmd_create_cop(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv)
{
    if (argc != 4 && argc != 5) {
        SIM_TCLPRINT(interpreter, "Usage: pbic_ci cop_type cop_ci [is_gbif - default: false]");
        return 1;
    }
    PBICState *pbic = pbic_by_ci(selector, interpreter, argv[1]);
    if (!pbic) return 1;
    int32_t type = 0, ci = 0;
    if (!cop_type_of(argv[2], &type)) {
        SIM_TCLPRINT(interpreter, "Error: coprocessor type %s is invalid.", argv[2]);
        return 1;
    }
    if (!cop_ci_of(interpreter, argv[3], &ci)) return 1;
    int is_gbif = 0;
    if (argc == 5) {
        int ok = 0;
        is_gbif = STRING2BOOLEAN_rc(argv[4], &ok);
        if (!ok) {
            SIM_TCLPRINT(interpreter, "Error: is_gbif %s is invalid.", argv[4]);
            return 1;
        }
    }
    GenericMachine *machine = select_machine(selector);
    for (uint32_t n = 0; machine && n < machine->num_mcms; n++) {
        for (PBICState *p = machine->mcms[n] ? PBIC_List_Of_Chip(machine->mcms[n]) : nullptr; p;
             p = p->next) {
            if (search_cop_by_type(p, type, ci)) {
                SIM_TCLPRINT(interpreter,
                             "Co-Processor of ct(%d) and ci(%d) has been created before on pbic(ci:%d) in "
                             "chip(%u).",
                             type, ci, p->ci, n);
                return 1;
            }
        }
    }
    COProcessorState *cop = new_cop(pbic, type, ci, is_gbif);
    if (!cop) {
        SIM_TCLPRINT(interpreter, "Error: failed to create co-processor of type %d.", type);
        return 1;
    }
    SIM_TCLPRINT(interpreter, "Co-Processor %s created under %s and %s use GBIF", cop->name, pbic->name,
                 is_gbif ? "does" : "does NOT");
    return 0;
}

int COP_cmd_mmio_cop(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    if (!pbic_by_ci(selector, interpreter, argv[1])) return 1;
    int32_t type = 0, ci = 0;
    if (!cop_type_of(argv[2], &type)) {
        SIM_TCLPRINT(interpreter, "Error: coprocessor type %s is invalid.", argv[2]);
        return 1;
    }
    if (!cop_ci_of(interpreter, argv[3], &ci)) return 1;
    SIM_TCLPRINT(interpreter, "Note: coprocessor ci %s does not support MMIO; ignored.", argv[3]);
    return 0;
}

int PBIC_cmd_get_number(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    MCM *chip = chip_by_number(selector, interpreter, argv[1]);
    if (!chip) return 1;
    int count = 0;
    for (PBICState *p = PBIC_List_Of_Chip(chip); p; p = p->next)
        count++;
    SIM_TCLPRINT(interpreter, "%d", count);
    return 0;
}

int PBIC_cmd_get_instances(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    MCM *chip = chip_by_number(selector, interpreter, argv[1]);
    if (!chip) return 1;
    for (PBICState *p = PBIC_List_Of_Chip(chip); p; p = p->next)
        SIM_TCLPRINT(interpreter, "%d ", p->ci);
    return 0;
}

int PBIC_Display(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    PBICState *pbic = pbic_by_index(selector, interpreter, argv[1]);
    if (!pbic) return 1;
    SIM_PRINT("%s: MMIO(0x%016lX --> 0x%016lX)\n", pbic->name, (unsigned long)pbic->mmio_start,
              (unsigned long)pbic->mmio_stop);
    for (COProcessorState *c = pbic->cops; c; c = c->next)
        SIM_PRINT("\tCoProcessor %s, type = %d\n", c->name, c->type);
    return 0;
}

int PBIC_Display_CI(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    PBICState *pbic = pbic_by_index(selector, interpreter, argv[1]);
    if (!pbic) return 1;
    SIM_TCLPRINT(interpreter, "%d", pbic->ci);
    return 0;
}

int PBIC_Display_MMIOStart(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    PBICState *pbic = pbic_by_ci(selector, interpreter, argv[1]);
    if (!pbic) return 1;
    SIM_TCLPRINT(interpreter, "0x%016lX", (unsigned long)pbic->mmio_start);
    return 0;
}

int PBIC_Display_MMIOStop(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    PBICState *pbic = pbic_by_ci(selector, interpreter, argv[1]);
    if (!pbic) return 1;
    SIM_TCLPRINT(interpreter, "0x%016lX", (unsigned long)pbic->mmio_stop);
    return 0;
}

int PBIC_Display_COPNum(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    PBICState *pbic = pbic_by_ci(selector, interpreter, argv[1]);
    if (!pbic) return 1;
    SIM_TCLPRINT(interpreter, "%d", pbic->cop_count);
    return 0;
}

namespace
{

// The coprocessor of the index word on the PBIC of the ci word: -1 failed, 0 none (text given).
int cop_by_index(Selector *selector, Tcl_Interp *interpreter, char **argv, COProcessorState **cop)
{
    PBICState *pbic = pbic_by_ci(selector, interpreter, argv[1]);
    if (!pbic) return -1;
    int ok = 0;
    int32_t index = number(argv[2], &ok);
    if (!ok) {
        SIM_TCLPRINT(interpreter, "Error: COP index %s is invalid.", argv[2]);
        return -1;
    }
    *cop = search_cop_by_index(pbic, index);
    if (!*cop) SIM_TCLPRINT(interpreter, "COP%d is not created before.", index);
    return *cop ? 1 : 0;
}

} // namespace

int PBIC_Display_COP_CT(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    COProcessorState *cop = nullptr;
    int found = cop_by_index(selector, interpreter, argv, &cop);
    if (found > 0) SIM_TCLPRINT(interpreter, "%d", cop->type);
    return found < 0 ? 1 : 0;
}

int PBIC_Display_COP_CI(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    COProcessorState *cop = nullptr;
    int found = cop_by_index(selector, interpreter, argv, &cop);
    if (found > 0) SIM_TCLPRINT(interpreter, "%d", cop->ci);
    return found < 0 ? 1 : 0;
}

SimCmdTable *build_kepl_table(void *)
{
    SimCmdTable *table = Init_SimCmdTable("kepl");
    add_simcommand(table, "create", KEPL_cmd_create, "KEPL_cmd_create", 3, 0, "{p1_base} {p2_base} {slices}");
    add_simcommand(table, "connect", KEPL_cmd_connect, "KEPL_cmd_connect", 4, 0,
                   "{slice} {freq} {server_host} {port}");
    add_simcommand(table, "attach", KEPL_cmd_attach, "KEPL_cmd_attach", 3, 0, "{type} {slice} {freq}");
    add_simcommand(table, "display", KEPL_cmd_display, "KEPL_cmd_display", 1, 0, "{attribute}");
    add_simcommand(table, "dtranslate", KEPL_cmd_dtranslate, "KEPL_cmd_dtranslate", 2, 0, "{slice} {ea}");
    add_simcommand(table, "dump", KEPL_cmd_dump, "KEPL_cmd_dump", 1, 0, "{slice}");
    add_simcommand(table, "enable", KEPL_cmd_enable, "KEPL_cmd_enable", 2, 0, "{feature} {on/off}");
    add_simcommand(table, "debug", KEPL_cmd_debug, "KEPL_cmd_debug", 1, 0, "{level}");
    return table;
}

SimCmdTable *build_xscom_table(void *)
{
    SimCmdTable *table = Init_SimCmdTable("xscom");
    add_simcommand(table, "create", XSCOM_cmd_create, "XSCOM_cmd_create", 1, 0, "{base}");
    return table;
}

SimCmdTable *build_accel_switchboard_table(void *)
{
    SimCmdTable *table = Init_SimCmdTable("as");
    add_simcommand(table, "create", AS_cmd_create, "AS_cmd_create", 1, 0, "{base} [freq]");
    return table;
}

namespace
{

void add_create_pbic(SimCmdTable *table)
{
    SimCmdTable *create = SimCmd_Get_SubTable(table, "create");
    add_simcommand(create, "pbic", COP_cmd_create_pbic, "COP_cmd_create_pbic", 4, 0,
                   "{chip number} {pbic ci} {start pa} {stop pa}");
}

} // namespace

SimCmdTable *build_cop_table(void *)
{
    SimCmdTable *table = Init_SimCmdTable("cop");
    add_simcommand(table, "list", COP_cmd_list, "COP_cmd_list", -1, 0, nullptr);
    add_simtable(table, "create", nullptr, nullptr, nullptr, nullptr, 0, nullptr);
    add_create_pbic(table);
    add_simcommand(SimCmd_Get_SubTable(table, "create"), "cop", COP_cmd_create_cop, "COP_cmd_create_cop", -1,
                   0, "{pbic ci} {cop type} {cop ci} {is_gbif}");
    add_simtable(table, "mmio", nullptr, nullptr, nullptr, nullptr, 0, nullptr);
    add_simcommand(SimCmd_Get_SubTable(table, "mmio"), "cop", COP_cmd_mmio_cop, "COP_cmd_mmio_cop", 5, 0,
                   "{pbic ci} {cop type} {cop ci} {cop pa_start} {cop pa_stop}");
    add_simtable(table, "connect", nullptr, nullptr, nullptr, nullptr, 0, nullptr);
    add_simtable(table, "set", nullptr, nullptr, nullptr, nullptr, 0, nullptr);
    add_simtable(table, "display", nullptr, nullptr, nullptr, nullptr, 0, nullptr);
    return table;
}

SimCmdTable *build_pbic_table(void *)
{
    SimCmdTable *table = Init_SimCmdTable("pbic");
    add_simtable(table, "create", nullptr, nullptr, nullptr, nullptr, 0, nullptr);
    add_create_pbic(table);
    add_simtable(table, "set", nullptr, nullptr, nullptr, nullptr, 0, nullptr);
    add_simcommand(table, "get_number", PBIC_cmd_get_number, "PBIC_cmd_get_number", 1, 0, "{chip number}");
    add_simcommand(table, "get_instances", PBIC_cmd_get_instances, "PBIC_cmd_get_instances", 1, 0,
                   "{chip number}");
    add_simtable(table, "display", nullptr, nullptr, nullptr, nullptr, 0, nullptr);
    SimCmdTable *display = SimCmd_Get_SubTable(table, "display");
    add_simcommand(display, "pbic", PBIC_Display, "PBIC_Display", 1, 0, "{pbic index}");
    add_simcommand(display, "ci", PBIC_Display_CI, "PBIC_Display_CI", 1, 0, "{pbic index}");
    add_simcommand(display, "mmio_start", PBIC_Display_MMIOStart, "PBIC_Display_MMIOStart", 1, 0,
                   "{pbic ci}");
    add_simcommand(display, "mmio_stop", PBIC_Display_MMIOStop, "PBIC_Display_MMIOStop", 1, 0, "{pbic ci}");
    add_simcommand(display, "cop_num", PBIC_Display_COPNum, "PBIC_Display_COPNum", 1, 0, "{pbic ci}");
    add_simcommand(display, "cop_ct", PBIC_Display_COP_CT, "PBIC_Display_COP_CT", 2, 0,
                   "{pbic ci} {cop index}");
    add_simcommand(display, "cop_ci", PBIC_Display_COP_CI, "PBIC_Display_COP_CI", 2, 0,
                   "{pbic ci} {cop index}");
    return table;
}

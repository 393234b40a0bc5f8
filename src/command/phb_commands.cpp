// The PCI host bridge commands.
#include "command/phb_commands.h"

#include <strings.h>

#include <cstdlib>

#include "command/cmd_table.h"
#include "command/selector.h"
#include "devices/phb.h"
#include "devices/ppcic.h"
#include "processor/records/generic_machine.h"
#include "runtime/message.h"
#include "runtime/tcl_output.h"

int PHB_cmd_create(Selector *selector, Tcl_Interp *, int, char **argv)
{
    uint64_t base = strtoull(argv[1], nullptr, 0);
    SIM_PRINT("will call phb_create(0x%016lX)\n", (unsigned long)base);
    MCM *chip = GenericMachine__GetMCM(select_machine(selector), 0);
    return chip && phb_create(chip, base) ? 0 : 1;
}

int PHB_cmd_display(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    MCM *chip = GenericMachine__GetMCM(select_machine(selector), 0);
    PPCIC_s *controller = PPCIC_Of_Chip(chip);
    // Without a bridge there is nothing to show.
    if (!controller || !controller->phb.created) return 0;
    const PHB_State &phb = controller->phb;
    const char *attribute = argv[1];
    if (!strcasecmp(attribute, "phb_base"))
        SIM_TCLPRINT(interpreter, "0x%016lX", (unsigned long)phb.base);
    else if (!strcasecmp(attribute, "ivt_bar"))
        SIM_TCLPRINT(interpreter, "0x%016lX", (unsigned long)phb.ivt_bar);
    else if (!strcasecmp(attribute, "ivc_invlt"))
        SIM_TCLPRINT(interpreter, "0x%016lX", (unsigned long)phb.ivc_invalidate);
    return 0;
}

SimCmdTable *build_phb_table(void *)
{
    SimCmdTable *table = Init_SimCmdTable("phb");
    add_simcommand(table, "create", PHB_cmd_create, "PHB_cmd_create", 1, 0, "{phb_base}");
    add_simcommand(table, "display", PHB_cmd_display, "PHB_cmd_display", 1, 0, "{attribute}");
    return table;
}

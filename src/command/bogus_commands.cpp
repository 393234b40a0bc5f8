// The paravirtual device and halt commands.
#include "command/bogus_commands.h"

#include <tcl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>

#include "command/cmd_table.h"
#include "command/later_tables.h"
#include "command/selector.h"
#include "guest/bogus_disk.h"
#include "guest/bogus_net.h"
#include "guest/cow_overlay.h"
#include "processor/hooks/sim_support_halt.h"
#include "processor/records/generic_machine.h"
#include "runtime/device_manager.h"
#include "runtime/message.h"
#include "runtime/property_list.h"
#include "runtime/tcl_output.h"

SimCmdTable *BDS_config_table = nullptr;

namespace
{

// Copies a word into a field of size bytes; false (nothing copied) when it does not fit.
bool copy_word(char *field, size_t size, const char *word)
{
    if (strlen(word) >= size) return false;
    memcpy(field, word, strlen(word) + 1);
    return true;
}

int32_t disk_class(GenericMachine *machine)
{
    return machine && machine->device_manager
               ? DeviceMgr__GetDeviceMajorNum(machine->device_manager, "bogus_disk")
               : -1;
}

int init_bogusdisk_Cmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv)
{
    if (argc - 1 < 3) {
        SIM_TCLPRINT(
            interpreter,
            "%s : Wrong number of arguments - [minor] [imagepath] [r|w|rw|cow|newcow|restcow] [cowpath] "
            "[hashsize]",
            argv[0]);
        return 1;
    }
    GenericMachine *machine = select_machine(selector);
    if (!machine) return 1;
    BogusDiskSpec spec{};
    int32_t minor = (int32_t)strtol(argv[1], nullptr, 10);
    // Words longer than their fields are refused, not cut or overflowed.
    if (!copy_word(spec.path, sizeof spec.path, argv[2]) || !copy_word(spec.mode, sizeof spec.mode, argv[3]))
        return 1;
    const char *mode = argv[3];
    if (strcasecmp(mode, "cow") == 0 || strcasecmp(mode, "newcow") == 0 || strcasecmp(mode, "restcow") == 0) {
        if (argc - 1 >= 4 && !copy_word(spec.cow_path, sizeof spec.cow_path, argv[4])) return 1;
        if (argc - 1 >= 5) spec.hash_size = (int32_t)strtol(argv[5], nullptr, 10);
    }
    return init_bogusdisk(machine->device_manager, minor, &spec) == 1 ? 0 : 1;
}

// Each disk of the machine, in index order.
template <typename Show> void for_each_disk(GenericMachine *machine, Show show)
{
    int32_t major = disk_class(machine);
    if (major < 0) return;
    int32_t count = DeviceMgr__GetDeviceCount(machine->device_manager, major);
    for (int32_t index = 0; index < count; index++) {
        int32_t minor = DeviceMgr__GetIndexMinor(machine->device_manager, major, index);
        if (BogusDisk *disk = BogusDisk_Find(machine->device_manager, minor)) show(minor, disk);
    }
}

int display_bogusdisk_Cmd(Selector *selector, Tcl_Interp *interpreter, int, char **)
{
    for_each_disk(select_machine(selector), [&](int32_t minor, BogusDisk *disk) {
        SIM_TCLPRINT(interpreter, "{ ");
        SIM_TCLPRINT(interpreter, "minor %d ", minor);
        SIM_TCLPRINT(interpreter, "path %s ", disk->path);
        SIM_TCLPRINT(interpreter, "blksz %ld ", (long)disk->blksz);
        SIM_TCLPRINT(interpreter, "devsz %ld ", (long)disk->devsz);
        SIM_TCLPRINT(interpreter, "cow_flags %s ", disk->mode);
        SIM_TCLPRINT(interpreter, "cow_path %s ", disk->cow ? disk->cow->path : "(null)");
        SIM_TCLPRINT(interpreter, "} ");
    });
    return 0;
}

int display_bogusdiskstat_Cmd(Selector *selector, Tcl_Interp *interpreter, int, char **)
{
    for_each_disk(select_machine(selector), [&](int32_t minor, BogusDisk *disk) {
        SIM_TCLPRINT(interpreter, "{ ");
        SIM_TCLPRINT(interpreter, "minor %d ", minor);
        SIM_TCLPRINT(interpreter, "path %s ", disk->path);
        SIM_TCLPRINT(interpreter, "reads %lu ", (unsigned long)disk->bytes_read);
        SIM_TCLPRINT(interpreter, "writes %lu ", (unsigned long)disk->bytes_written);
        SIM_TCLPRINT(interpreter, "} ");
    });
    return 0;
}

int sync_bogusdisk_Cmd(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    GenericMachine *machine = select_machine(selector);
    int32_t minor = (int32_t)strtol(argv[1], nullptr, 10);
    BogusDisk *disk = machine ? BogusDisk_Find(machine->device_manager, minor) : nullptr;
    if (!disk) {
        SIM_TCLPRINT(interpreter, "%s : bad minor", argv[0]);
        return 1;
    }
    if (!BogusDisk_Sync(disk) && disk->cow) {
        SIM_TCLPRINT(interpreter, "%s : sync failed", argv[0]);
        return 1;
    }
    SIM_TCLPRINT(interpreter, "ok");
    return 0;
}

int cleanup_bogusdisk_Cmd(Selector *selector, Tcl_Interp *interpreter, int, char **)
{
    if (GenericMachine *machine = select_machine(selector)) BogusDiskCleanup(machine->device_manager);
    SIM_TCLPRINT(interpreter, "ok");
    return 0;
}

int init_bogusnet_Cmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv)
{
    int words = argc - 1;
    if (words < 2) {
        SIM_TCLPRINT(interpreter,
                     "%s : Wrong number of arguments - {minor} {macaddr} {socketpath} [IRQ IRQ_offset]",
                     argv[0]);
        return 1;
    }
    if (words == 4) {
        SIM_TCLPRINT(interpreter, "%s : Must specify both IRQ and IRQOFFSET", argv[0]);
        return 1;
    }
    const char *path = words == 2 ? "/tmp/serversocketh0" : argv[3];
    int32_t irq = 0, offset = 0;
    if (words == 5) {
        irq = (int32_t)strtol(argv[4], nullptr, 10);
        offset = (int32_t)strtol(argv[5], nullptr, 10);
    }
    SIM_PRINT("bogus init using minor %s, mac %s, and path %s and irq %d and irqoffset %d\n", argv[1],
              argv[2], path, irq, offset);
    if (!init_bogusnet(select_machine(selector), (int32_t)strtol(argv[1], nullptr, 10), argv[2], path, irq,
                       offset)) {
        SIM_TCLPRINT(interpreter, "%s : couldn't init net", argv[0]);
        return 1;
    }
    SIM_TCLPRINT(interpreter, "ok");
    return 0;
}

int cleanup_bogusnet_Cmd(Selector *selector, Tcl_Interp *interpreter, int, char **)
{
    if (GenericMachine *machine = select_machine(selector)) BogusNetCleanup(machine);
    SIM_TCLPRINT(interpreter, "ok");
    return 0;
}

int BogusHalt_tcl_cmd_display(Selector *, Tcl_Interp *interpreter, int, char **)
{
    if (Get_BogusHalt()) {
        SIM_TCLPRINT(interpreter, "Bogus halt is currently enabled");
        SIM_TCLPRINT(interpreter, " with a delay of %ld\n", (long)BogusHaltDelay);
    } else {
        SIM_TCLPRINT(interpreter, "Bogus halt is currently disabled");
        SIM_TCLPRINT(interpreter, "\n");
    }
    return 0;
}

int BogusHalt_tcl_cmd_enable(Selector *, Tcl_Interp *interpreter, int, char **)
{
    Set_BogusHalt(1);
    SIM_TCLPRINT(interpreter, "Bogus halt enabled\n");
    return 0;
}

int BogusHalt_tcl_cmd_disable(Selector *, Tcl_Interp *interpreter, int, char **)
{
    Set_BogusHalt(0);
    SIM_TCLPRINT(interpreter, "Bogus halt disabled\n");
    return 0;
}

int BogusHalt_tcl_cmd_delay(Selector *, Tcl_Interp *interpreter, int, char **argv)
{
    int ok = 0;
    BogusHaltDelay = STRING2INT_rc(argv[1], &ok);
    SIM_TCLPRINT(interpreter, "Bogus halt delay set to %s ticks\n", argv[1]);
    if (!Get_BogusHalt()) SIM_TCLPRINT(interpreter, "WARNING: Bogus halt is currently disabled\n");
    return 0;
}

// "Common BDS Config": the selector argument is the caller's disk settings.
BogusDiskSpec *spec_of(Selector *selector)
{
    return reinterpret_cast<BogusDiskSpec *>(selector);
}

int bds_config_path_Cmd(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    if (!copy_word(spec_of(selector)->path, sizeof spec_of(selector)->path, argv[1])) return 1;
    SIM_TCLPRINT(interpreter, "%s", argv[1]);
    return 0;
}

int bds_config_cow_mode_Cmd(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    if (!copy_word(spec_of(selector)->mode, sizeof spec_of(selector)->mode, argv[1])) return 1;
    SIM_TCLPRINT(interpreter, "%s", argv[1]);
    return 0;
}

int bds_config_cow_path_Cmd(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    if (!copy_word(spec_of(selector)->cow_path, sizeof spec_of(selector)->cow_path, argv[1])) return 1;
    SIM_TCLPRINT(interpreter, "%s", argv[1]);
    return 0;
}

int bds_config_hash_size_Cmd(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    int ok = 0;
    spec_of(selector)->hash_size = (int32_t)STRING2INT_rc(argv[1], &ok);
    SIM_TCLPRINT(interpreter, "%s", argv[1]);
    return 0;
}

SimCmdTable *build_bogusDisk_table(void *)
{
    SimCmdTable *table = Init_SimCmdTable("bogusDisk");
    add_simcommand(table, "init", init_bogusdisk_Cmd, "init_bogusdisk_Cmd", -1, 0,
                   "{minor} {imagepath} {r|w|rw|cow|newcow} [{cowpath} {hashsize}]");
    add_simcommand(table, "display", display_bogusdisk_Cmd, "display_bogusdisk_Cmd", 0, 0, nullptr);
    add_simcommand(table, "stat", display_bogusdiskstat_Cmd, "display_bogusdiskstat_Cmd", 0, 0, nullptr);
    add_simcommand(table, "sync", sync_bogusdisk_Cmd, "sync_bogusdisk_Cmd", 1, 0, "{minor}");
    add_simcommand(table, "cleanup", cleanup_bogusdisk_Cmd, "cleanup_bogusdisk_Cmd", 0, 0, nullptr);
    return table;
}

SimCmdTable *build_bogusNet_table(void *)
{
    SimCmdTable *table = Init_SimCmdTable("bogusNet");
    add_simcommand(table, "init", init_bogusnet_Cmd, "init_bogusnet_Cmd", -1, 0,
                   "{minor} {macaddr} {socket_file} [IRQ IRQ_offset]");
    add_simcommand(table, "cleanup", cleanup_bogusnet_Cmd, "cleanup_bogusnet_Cmd", 0, 0, nullptr);
    return table;
}

} // namespace

SimCmdTable *build_bogusCmd_table(void *argument)
{
    SimCmdTable *table = Init_SimCmdTable("bogus");
    add_simtable(table, "disk", nullptr, "build_bogusDisk_table", build_bogusDisk_table, argument, 0,
                 nullptr);
    add_simtable(table, "net", nullptr, "build_bogusNet_table", build_bogusNet_table, argument, 0, nullptr);
    return table;
}

SimCmdTable *build_bogushaltCmd_table(void *)
{
    SimCmdTable *table = Init_SimCmdTable("bogushalt");
    add_simcommand(table, "display", BogusHalt_tcl_cmd_display, "BogusHalt_tcl_cmd_display", 0, 0, nullptr);
    add_simcommand(table, "enable", BogusHalt_tcl_cmd_enable, "BogusHalt_tcl_cmd_enable", 0, 0, nullptr);
    add_simcommand(table, "disable", BogusHalt_tcl_cmd_disable, "BogusHalt_tcl_cmd_disable", 0, 0, nullptr);
    add_simcommand(table, "delay", BogusHalt_tcl_cmd_delay, "BogusHalt_tcl_cmd_delay", 1, 0, nullptr);
    return table;
}

SimCmdTable *build_BDS_config_table(void *)
{
    SimCmdTable *table = Init_SimCmdTable("Common BDS Config");
    add_simcommand(table, "path", bds_config_path_Cmd, "bds_config_path_Cmd", 1, 0, "{imagepath}");
    add_simcommand(table, "cow_mode", bds_config_cow_mode_Cmd, "bds_config_cow_mode_Cmd", 1, 0,
                   "{r|w|rw|cow|newcow}");
    add_simcommand(table, "cow_path", bds_config_cow_path_Cmd, "bds_config_cow_path_Cmd", 1, 0, "{cowpath}");
    add_simcommand(table, "hash_size", bds_config_hash_size_Cmd, "bds_config_hash_size_Cmd", 1, 0,
                   "{hashsize}");
    BDS_config_table = table;
    return table;
}

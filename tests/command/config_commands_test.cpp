// Configurations, machine definition and the commands of configurations and machines.
#include <cstring>

#include "command/config_commands.h"
#include "command/global_commands.h"
#include "command_fixture.h"
#include "machine/machine_lifecycle.h"
#include "machine/processor_lifecycle.h"
#include "runtime/alloc.h"
#include "runtime/callbacks.h"
#include "runtime/object_registry.h"

namespace
{

using ConfigCommandsTest = CommandLanguageTest;

TEST_F(ConfigCommandsTest, DefineConfigTakesOnlyFreeNames)
{
    EXPECT_EQ(ok("define config myconf"), "myconf");
    EXPECT_TRUE(command_exists("myconf"));
    PropertyList *list = Find_PropertyList_By_Name("myconf");
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->is_mutable, 1);
    EXPECT_NE(PropertyList__FindEntry(list, "processor/number_of_threads"), nullptr); // the defaults

    struct Case {
        const char *script;
        const char *fatal;  // the fatal-error line on the output
        const char *result; // the failed command's result
    } cases[] = {
        {"define config myconf", "Name myconf already in use as a property list",
         "new config name myconf already in use"},
        {"define config MYCONF", "Name MYCONF already in use as a property list",
         "new config name MYCONF already in use"},
        {"define config set", "Name set is a TCL command", "new config name set already in use"},
        {"define dup myrrin ervik", "Name ervik already in use as a property list",
         "new config name ervik already in use"},
    };
    for (const Case &c : cases) {
        SinkCapture local;
        Start_The_Simulation();
        EXPECT_EQ(fails(c.script), c.result);
        EXPECT_EQ(local.text(), std::string("FATAL ERROR: ") + c.fatal + "\n");
        EXPECT_EQ(stop_simulation, STOP_QUARN_ERROR) << c.script;
    }
    EXPECT_EQ(fails("define dup nosuch x"), "property list nosuch does not exist");
    EXPECT_EQ(fails("define config"), "Usage: define config {config-name}");
}

TEST_F(ConfigCommandsTest, DuplicatesAreMutableCopiesOfTheirSource)
{
    PropertyList *myrrin = Find_PropertyList_By_Name("myrrin");
    ASSERT_NE(myrrin, nullptr);
    EXPECT_EQ(ok("define dup myrrin big"), "big");
    PropertyList *big = Find_PropertyList_By_Name("big");
    ASSERT_NE(big, nullptr);
    EXPECT_EQ(big->is_mutable, 1);
    // Same keys, values, descriptions and visibility.
    ConfigEntry *a = myrrin->entries, *b = big->entries;
    for (; a && b; a = a->next, b = b->next) {
        EXPECT_STREQ(a->key, b->key);
        EXPECT_STREQ(a->value, b->value);
        EXPECT_EQ(a->visible, b->visible) << a->key;
        EXPECT_EQ(a->description == nullptr, b->description == nullptr);
    }
    EXPECT_EQ(a, nullptr);
    EXPECT_EQ(b, nullptr);

    ok("big config memory_size 1G");
    EXPECT_EQ(ok("big query memory_size"), "1G");
    ok("big config cpu 0 processor type Ervik"); // words joined with "/"
    EXPECT_EQ(ok("big query cpu 0 processor type"), "Ervik");
    EXPECT_EQ(ok("big query nosuch"), "");
    EXPECT_EQ(fails("big query"), "Please specify a name");
    EXPECT_EQ(fails("big config memory_size"), "Please specify a property name and a value");

    ok("myrrin config memory_size 1G"); // immutable: nothing changes
    EXPECT_EQ(ok("myrrin query memory_size"), "64M");
}

TEST_F(ConfigCommandsTest, ListingAndQuittingAConfiguration)
{
    ok("define config small");
    PropertyList *small = Find_PropertyList_By_Name("small");
    ASSERT_NE(small, nullptr);
    while (ConfigEntry *e = small->entries) // start from an empty list
        PropertyList__DeleteValue(small, e->key);
    ok("small config memory_size 1G");
    ok("small config memory_start 0");
    PropertyList__UpdatePropertyValue(small, "memory/hidden", "x", "a hidden one", 1)->visible = 0;
    PropertyList__UpdatePropertyValue(small, "described", "d", "with text", 1);

    EXPECT_EQ(ok("small list"), "described d memory_size 1G memory_start 0 ");
    EXPECT_EQ(ok("small list SIZE"), "memory_size 1G ");
    EXPECT_EQ(ok("small display memory"), "small:\n    memory_size = 1G\n    memory_start = 0\n");
    EXPECT_EQ(ok("small display desc"), "small:\n    described = d  (with text)\n");

    EXPECT_EQ(ok("small quit"), "");
    EXPECT_EQ(Find_PropertyList_By_Name("small"), nullptr);
    EXPECT_FALSE(command_exists("small"));

    EXPECT_EQ(ok("myrrin exit"), ""); // an immutable default stays
    EXPECT_NE(Find_PropertyList_By_Name("myrrin"), nullptr);
    EXPECT_TRUE(command_exists("myrrin"));

    // A command whose configuration is gone.
    const char *words[] = {"gone", "list"};
    Tcl_ResetResult(interp);
    EXPECT_EQ(PropertyList_Cmd(nullptr, interp, 2, words), TCL_ERROR);
    EXPECT_STREQ(Tcl_GetStringResult(interp), "No known property list named: gone");
    Tcl_ResetResult(interp);
    EXPECT_EQ(SimTop_Cmd(nullptr, interp, 2, words), TCL_ERROR);
    EXPECT_STREQ(Tcl_GetStringResult(interp), "No known machine named: gone");
}

TEST_F(ConfigCommandsTest, DefineMachineMakesOneMachineWithItsCommand)
{
    EXPECT_EQ(ok("define machine myrrin alpha"), "alpha");
    EXPECT_TRUE(command_exists("alpha"));
    GenericMachine *alpha = Find_Machine_By_Name("alpha");
    ASSERT_NE(alpha, nullptr);
    EXPECT_EQ(currentMachine, alpha);
    ASSERT_NE(alpha->property_list, nullptr);
    EXPECT_STREQ(alpha->property_list->name, "alpha");
    EXPECT_EQ(alpha->property_list->is_mutable, 0);
    EXPECT_STREQ(PropertyList__GetString(alpha->property_list, "machine_type"), "myrrin");
    EXPECT_EQ(ok("display machines"), "alpha\n");
    EXPECT_EQ(ok("define list"), "alpha\n");

    EXPECT_EQ(fails("define machine myrrin alpha"), "machine name alpha already in use");
    EXPECT_EQ(fails("define machine nosuch beta"), "property list nosuch does not exist");
    // A second machine is refused before anything is made; the process goes on.
    EXPECT_EQ(fails("define machine ervik beta"), "Failed to create beta");
    EXPECT_NE(sink.text().find("FATAL ERROR: The cycle mode doesn't support multiple current machines."),
              std::string::npos);
    EXPECT_EQ(Find_PropertyList_By_Name("beta"), nullptr);
    EXPECT_EQ(Quarn_Machine_List, alpha);
    EXPECT_EQ(alpha->next, nullptr);
    EXPECT_EQ(fails("define config alpha"), "new config name alpha already in use");

    // The machine's command reaches its top table; quit tears it all down.
    EXPECT_EQ(fails("alpha"), "alpha: Available Commands\n\tconfig_on\n\tcycle {number}\n\tdtranslate \n\texit\n"
                              "\tgo\n\titranslate \n\tmode {turbo|simple}\n\tquit\n\tsetargs [args list]\n\tstall\n"
                              "\tstart_thread {PC_address}\n\tstep {number of instructions}\n\tstop_thread\n"
                              "\ttick {number}\n\tto_cycle {number}\n\tbogus ->\n\tbogushalt ->\n\tconsole ->\n"
                              "\tcpu {cpu-number} ->\n\tdisplay ->\n\tinterrupt ->\n\tkepl ->\n\tload ->\n"
                              "\tmcm {mcm-number} ->\n\tmemory ->\n\tof ->\n\tprocess ->\n"
                              "\tthread {thread-number} ->\n\tutil ->");
    Start_The_Simulation();
    EXPECT_EQ(ok("alpha quit"), "");
    EXPECT_EQ(stop_simulation, STOP_USER_TCL);
    EXPECT_FALSE(command_exists("alpha"));
    EXPECT_EQ(Quarn_Machine_List, nullptr);
    EXPECT_EQ(currentMachine, nullptr);
    EXPECT_EQ(Find_PropertyList_By_Name("alpha"), nullptr);
    EXPECT_EQ(ok("display machines"), "");
    EXPECT_EQ(ok("define machine ervik beta"), "beta"); // the slot is free again
}

// Makes the allocation of the machine record fail.
void *refuse_machines(size_t size, size_t, const char *type_name, const char *, int)
{
    return strcmp(type_name, "GenericMachine") == 0 ? nullptr : calloc(1, size);
}

TEST_F(ConfigCommandsTest, FailedMachineCreationFreesTheName)
{
    mm_change_functions(nullptr, nullptr, refuse_machines, nullptr);
    EXPECT_EQ(fails("define machine myrrin gamma"), "Failed to create gamma");
    mm_change_functions(nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(Find_PropertyList_By_Name("gamma"), nullptr);
    EXPECT_FALSE(command_exists("gamma"));
    EXPECT_EQ(ok("define machine myrrin gamma"), "gamma");
}

TEST_F(ConfigCommandsTest, DefineCpuMakesAProcessorRecordOutsideAnyMachine)
{
    EXPECT_EQ(fails("define cpu nosuch c0"), "property list nosuch does not exist");
    EXPECT_EQ(fails("define cpu myrrin ervik"), "processor name ervik already in use");
    EXPECT_EQ(ok("define cpu myrrin c0"), "c0");
    int32_t id = BaseObject__Get_By_Name("c0");
    ASSERT_GE(id, 0);
    EXPECT_EQ(BaseObject__GetType(id), OBJECT_KIND_PROCESSOR);
    Processor_Quit(BaseObject__GetObj(id));
}

int hidden_sections_seen = 0;
void add_section_defaults(void *, PropertyList *list)
{
    hidden_sections_seen++;
    for (const char *key : {"core/width", "mu/size", "bus/speed", "cache/size", "coreish"})
        PropertyList__UpdatePropertyValue(list, key, "1", nullptr, 1);
}

TEST_F(ConfigCommandsTest, DefaultConfigurationsHideCoreMuAndBus)
{
    EXPECT_TRUE(command_exists("myrrin"));
    EXPECT_TRUE(command_exists("ervik"));
    Callback_register_create_default_property_list(
        1, "test", reinterpret_cast<CallbackFunction>(add_section_defaults), nullptr);
    PropertyList *list = Make_Default_Property_List(interp, "Extra", "Ervik");
    Callback_Lists_Quit();
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(hidden_sections_seen, 1);
    EXPECT_STREQ(list->name, "extra");
    EXPECT_EQ(list->is_mutable, 0);
    for (const char *key : {"core/width", "mu/size", "bus/speed"})
        EXPECT_EQ(PropertyList__FindEntry(list, key)->visible, 0) << key;
    for (const char *key : {"cache/size", "coreish", "machine_type", "processor/type"})
        EXPECT_EQ(PropertyList__FindEntry(list, key)->visible, 1) << key;
    EXPECT_EQ(Make_Default_Property_List(interp, "EXTRA", "Ervik"), nullptr); // the name is taken
}

TEST_F(ConfigCommandsTest, ShutdownQuitsMachinesAndFreesTheTables)
{
    quiet_mode = 1;
    ok("define machine myrrin alpha");
    tcl_shutdown(nullptr);
    EXPECT_EQ(Quarn_Machine_List, nullptr);
    EXPECT_FALSE(command_exists("alpha"));
    for (SimCmdTable *table :
         {simCmd_table, defineCmd_table, debugCmd_table, triggerCmd_table, simstopCmd_table, versionCmd_table,
          modifyCmd_table, displayCmd_table, aliasCmd_table, simtopPropertyListCmd_table})
        EXPECT_EQ(table, nullptr);
    EXPECT_EQ(sink.text(), "");
}

} // namespace

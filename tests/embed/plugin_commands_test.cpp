// Plug-ins loaded into a machine with the "plugin" table.
#include "command/command_fixture.h"

#include <dlfcn.h>

#include <filesystem>

#include "command/plugin_commands.h"
#include "runtime/plugin_events.h"

#if defined(TEST_PLUGIN_NORMAL) && defined(TEST_PLUGIN_DEVICE)

namespace
{

// The test holds each plug-in open itself, so its counters outlive the simulator's dlclose.
class PluginCommandsTest : public CommandLanguageTest
{
  protected:
    void SetUp() override
    {
        CommandLanguageTest::SetUp();
        ASSERT_EQ(ok("define machine myrrin alpha"), "alpha");
        normal = dlopen(TEST_PLUGIN_NORMAL, RTLD_NOW);
        device = dlopen(TEST_PLUGIN_DEVICE, RTLD_NOW);
        ASSERT_NE(normal, nullptr);
        ASSERT_NE(device, nullptr);
    }
    void TearDown() override
    {
        while (plugin_info_list) eval(std::string("alpha plugin unload ") + plugin_info_list->name);
        dlclose(normal);
        dlclose(device);
        CommandLanguageTest::TearDown();
    }
    int counter(void *library, const char *name)
    {
        return *static_cast<int *>(dlsym(library, name));
    }
    std::string load(const char *type, const std::string &path, const std::string &words = "")
    {
        eval("alpha plugin load " + std::string(type) + " " + path + (words.empty() ? "" : " " + words));
        return out;
    }

    void *normal = nullptr;
    void *device = nullptr;
    const std::string normal_path = TEST_PLUGIN_NORMAL;
    const std::string device_path = TEST_PLUGIN_DEVICE;
};

TEST_F(PluginCommandsTest, NormalPluginLifeCycle)
{
    EXPECT_EQ(load("normal", normal_path),
              "\tFind event: Event_Instruction_Commit\nPlugin " + normal_path + " loaded");
    EXPECT_TRUE(AnyoneListening("Event_Instruction_Commit"));
    EXPECT_EQ(counter(normal, "np_event_inits"), 1);
    EXPECT_EQ(load("normal", normal_path),
              "Error: plugin " + normal_path + " is already loaded\nLoad plugin " + normal_path + " fail");
    EXPECT_EQ(ok("alpha plugin list filename"), "\t" + normal_path + "\nTotally 1 files");
    EXPECT_EQ(ok("alpha plugin list event " + normal_path),
              normal_path + "\n\tEvent_Instruction_Commit\nTotally 1 events");
    EXPECT_EQ(ok("alpha plugin signal " + normal_path + " one two"), "");
    EXPECT_EQ(counter(normal, "np_signals"), 3);
    EXPECT_STREQ(static_cast<char *>(dlsym(normal, "np_last_signal")), "two");
    EXPECT_EQ(ok("alpha plugin unload " + normal_path), "plugin " + normal_path + " unloaded");
    EXPECT_EQ(counter(normal, "np_event_quits"), 1);
    EXPECT_EQ(counter(normal, "np_plugin_quits"), 1);
    EXPECT_FALSE(AnyoneListening("Event_Instruction_Commit"));
    EXPECT_EQ(ok("alpha plugin list filename"), "No plugin loaded");
    EXPECT_EQ(fails("alpha plugin unload " + normal_path), "Error: plugin " + normal_path + " is not loaded");
}

TEST_F(PluginCommandsTest, FailedNormalLoadsLeaveNoListener)
{
    struct Case {
        const char *words;
        std::string error;
    };
    // The first name's listener is made (and removed again) before the second fails.
    const std::string found = "\tFind event: Event_Instruction_Commit\n";
    const Case cases[] = {
        // The second name is not exported by the library: dlerror's text.
        {"Event_Instruction_Commit Event_Core_Exception", found + "Error: " + normal_path + ": undefined symbol: Event_Core_Exception\n"},
        // Exported, but no event of the simulator.
        {"Event_Instruction_Commit plugin_quit", found + "Error: event plugin_quit in plugin " + normal_path + " is not provided by quarn\n"},
        {"Event_Instruction_Commit Event_Instruction_Commit",
         "Error: plugin " + normal_path + " has duplicate name string Event_Instruction_Commit\n"},
    };
    int quits = counter(normal, "np_plugin_quits");
    for (const Case &c : cases) {
        EXPECT_EQ(load("normal", normal_path, c.words), c.error + "Load plugin " + normal_path + " fail") << c.words;
        EXPECT_FALSE(AnyoneListening("Event_Instruction_Commit")) << c.words;
        EXPECT_EQ(counter(normal, "np_plugin_quits"), ++quits) << c.words;
    }
    EXPECT_EQ(plugin_info_list, nullptr);
    EXPECT_EQ(load("bogus", normal_path), "Error: unknown plugin type bogus for plugin " + normal_path +
                                              "\nLoad plugin " + normal_path + " fail");
    EXPECT_EQ(fails("alpha plugin load normal"),
              "Usage:\nplugin load {plugin-type} {plugin-fullpath-name} {optional-args}");
}

TEST_F(PluginCommandsTest, NameLengthLimit)
{
    std::string name100(100, 'n');
    std::string name101(101, 'n');
    // 100 printable characters pass the check (the class then has no init function).
    EXPECT_EQ(load("device", device_path, "C " + name100),
              "\tFind event: Event_Core_Exception\n\tFind device class: C\nWarning: cannot find function " + name100 +
                  "_init in plugin " + device_path + "\nPlugin " + device_path + " loaded");
    ok("alpha plugin unload " + device_path);
    EXPECT_EQ(load("device", device_path, "C " + name101),
              "Error: the 2th name string is too long or non-printable in plugin " + device_path + "\nLoad plugin " +
                  device_path + " fail");
}

TEST_F(PluginCommandsTest, DeviceClassesAndTheirDevices)
{
    ASSERT_NE(load("device", device_path, "C a dud").find("Plugin " + device_path + " loaded"), std::string::npos);
    EXPECT_NE(out.find("Warning: cannot get MMAPI for device class dud in plugin " + device_path), std::string::npos);
    EXPECT_EQ(counter(device, "dp_dud_quits"), 1);
    EXPECT_EQ(ok("alpha plugin list device-class"),
              "\tC(" + device_path + ")\n\ta(" + device_path + ")\nTotally 2 device classes");

    // A one-byte device of class C.
    EXPECT_EQ(ok("alpha plugin new device C dev 0x1000 0x1000"), "");
    EXPECT_EQ(ok("alpha memory display 0x1000 1"), "0x5A");
    EXPECT_EQ(fails("alpha plugin new device C dev 0x3000 0x3000"), "Error: device dev exists");
    EXPECT_EQ(fails("alpha plugin new device C d2 0x3000 0x2000"),
              "Error: device d2 has start address 0x0000000000003000 > end address 0x0000000000002000");
    EXPECT_EQ(fails("alpha plugin new device C d2 zz 0x2000"), "Error: device d2 has invalid start-addr(hex) zz");
    EXPECT_EQ(fails("alpha plugin new device Q d2 0x1 0x2"), "Error: unknown device classes Q");
    EXPECT_EQ(fails("alpha plugin unload " + device_path),
              "Error: plugin " + device_path + " has devices\nDelete these devices first");

    // Renaming a class keeps its load name for its quit function.
    EXPECT_EQ(ok("alpha plugin rename a z"), "Device class name a is changed to z");
    EXPECT_EQ(fails("alpha plugin rename z C"),
              "Error: new device class name C already exists in plugin " + device_path + "\n");
    EXPECT_EQ(ok("alpha plugin new device z zdev 0x2000 0x2FFF"), "");
    EXPECT_EQ(ok("alpha plugin rename z b"), "Device class name z is changed to b");
    EXPECT_EQ(fails("alpha plugin rename z y"), "Error: device class name z is not found");

    EXPECT_EQ(ok("alpha plugin delete device dev"), "");
    EXPECT_EQ(ok("alpha plugin delete device zdev"), "");
    EXPECT_EQ(fails("alpha plugin delete device dev"), "Error: cannot find device dev");
    EXPECT_EQ(ok("alpha plugin unload " + device_path), "plugin " + device_path + " unloaded");
    EXPECT_EQ(counter(device, "dp_a_quits"), 1);
    EXPECT_EQ(counter(device, "dp_c_quits"), 1);
    EXPECT_EQ(ok("alpha plugin list device-class"), "No device class");
}

TEST_F(PluginCommandsTest, ASecondPluginDoesNotGetATakenClassName)
{
    // The same library under another path is another plug-in.
    std::filesystem::copy_file(device_path, "copy.so", std::filesystem::copy_options::overwrite_existing);
    std::string copy = std::filesystem::absolute("copy.so").string();
    load("device", device_path);
    EXPECT_EQ(load("device", copy), "\tFind event: Event_Core_Exception\nWarning: another plugin " + device_path +
                                        " has the same device class name C\nWarning: no device class found in plugin " +
                                        copy + "\nPlugin " + copy + " loaded");
    EXPECT_EQ(ok("alpha plugin list device-class " + copy), copy + "\nNo device class");
    EXPECT_EQ(ok("alpha plugin list device-class /not/loaded.so"), "Error: cannot find plugin /not/loaded.so");
    std::filesystem::remove("copy.so");
}

} // namespace

#endif

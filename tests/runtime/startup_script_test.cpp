// The search for the start-up script and the debug channel's port.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "guest/startup_script.h"
#include "runtime_test_util.h"

namespace fs = std::filesystem;

namespace
{

class ScriptSearchTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        reset_runtime_options();
        quarn_common.print_flags = 0;
        old_dir = fs::current_path();
        char pattern[] = "/tmp/quarn_script_XXXXXX";
        dir = mkdtemp(pattern);
        fs::create_directories(dir / "work");
        fs::create_directories(dir / "lib/myrrin");
        fs::current_path(dir / "work");
        unsetenv("QUARN_FILE");
        unsetenv("LIB_DIR");
    }
    void TearDown() override
    {
        fs::current_path(old_dir);
        fs::remove_all(dir);
        unsetenv("QUARN_FILE");
        unsetenv("LIB_DIR");
        reset_runtime_options();
    }
    void touch(const fs::path &path) { std::ofstream(path) << "exit\n"; }
    std::string search()
    {
        const char *found = get_initial_tcl_file_name();
        return found ? found : "<none>";
    }
    fs::path old_dir, dir;
    SinkCapture capture;
};

TEST_F(ScriptSearchTest, NoScriptAnywhereIsNoScriptAndNoMessage)
{
    setenv("LIB_DIR", (dir / "lib").c_str(), 1);
    EXPECT_EQ(search(), "<none>");
    EXPECT_EQ(quarn_initial_tcl_file_name, nullptr);
    EXPECT_EQ(capture.text(), "");
}

TEST_F(ScriptSearchTest, SearchOrder)
{
    std::string lib = (dir / "lib").string();
    struct Case {
        const char *option;     // -f name or null
        const char *quarn_file; // $QUARN_FILE or null
        bool with_lib_dir;
        std::vector<std::string> files; // relative to the temporary directory
        std::string expected;
    } cases[] = {
        {"run.tcl", nullptr, true, {"work/run.tcl", "lib/myrrin/run.tcl"}, "run.tcl"},
        {"run.tcl", nullptr, true, {"lib/myrrin/run.tcl", "lib/run.tcl"}, lib + "/myrrin/run.tcl"},
        {"run.tcl", nullptr, true, {"lib/run.tcl"}, lib + "/run.tcl"},
        {nullptr, "env.tcl", false, {"work/env.tcl", "work/.tervalink.tcl"}, "env.tcl"},
        {nullptr, "", false, {"work/.tervalink.tcl"}, ".tervalink.tcl"}, // empty counts as unset
        {nullptr, nullptr, true, {"work/.tervalink.tcl", "lib/tervalink.tcl"}, ".tervalink.tcl"},
        {nullptr,
         nullptr,
         true,
         {"lib/myrrin/tervalink.tcl", "lib/tervalink.tcl"},
         lib + "/myrrin/tervalink.tcl"},
    };
    for (const Case &c : cases) {
        SinkCapture local;
        reset_runtime_options();
        quarn_initial_tcl_file_name = (char *)c.option;
        if (c.quarn_file)
            setenv("QUARN_FILE", c.quarn_file, 1);
        else
            unsetenv("QUARN_FILE");
        if (c.with_lib_dir)
            setenv("LIB_DIR", lib.c_str(), 1);
        else
            unsetenv("LIB_DIR");
        for (const std::string &file : c.files)
            touch(dir / file);
        EXPECT_EQ(search(), c.expected);
        EXPECT_EQ(local.text(), "Using initial run script " + c.expected + "\n");
        for (const std::string &file : c.files)
            fs::remove(dir / file);
    }
}

TEST_F(ScriptSearchTest, NamedScriptMissingEverywhereExitsWithOne)
{
    setenv("LIB_DIR", (dir / "lib").c_str(), 1);
    EXPECT_EXIT(
        {
            Quarn_Output_File = stderr;
            quarn_initial_tcl_file_name = (char *)"nosuch.tcl";
            get_initial_tcl_file_name();
        },
        ::testing::ExitedWithCode(1), "^FATAL ERROR: Could not find initial run script nosuch.tcl\n\n$");
}

TEST_F(ScriptSearchTest, AScriptThatIsNoRegularFileIsNotFound)
{
    // A device or a directory would be read without end or not at all.
    for (const char *name : {"/dev/zero", "/tmp"}) {
        SCOPED_TRACE(name);
        EXPECT_EXIT(
            {
                Quarn_Output_File = stderr;
                setenv("QUARN_FILE", name, 1);
                get_initial_tcl_file_name();
            },
            ::testing::ExitedWithCode(1),
            std::string("^FATAL ERROR: Could not find initial run script ") + name + "\n\n$");
    }
}

TEST(SliplaneTest, ListenPortAndEnvironmentDefaults)
{
    Setup_Sliplane();
    EXPECT_EQ(sliplane_listen_port, 2101);
    setenv("QUARN_TEST_VALUE", "", 1);
    EXPECT_STREQ(get_menv_str("QUARN_TEST_VALUE", "dflt"), "dflt");
    setenv("QUARN_TEST_VALUE", "set", 1);
    EXPECT_STREQ(get_menv_str("QUARN_TEST_VALUE", "dflt"), "set");
    unsetenv("QUARN_TEST_VALUE");
    EXPECT_EQ(get_menv_str("QUARN_TEST_VALUE", nullptr), nullptr);
}

} // namespace

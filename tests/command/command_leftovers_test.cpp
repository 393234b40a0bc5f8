// The exported leftovers: the number converters (attached by the test as a plug-in would) and the
// address-range search.
#include <unistd.h>

#include <filesystem>
#include <string>

#include "command/command_leftovers.h"
#include "command_fixture.h"

namespace
{

class LeftoversTest : public CommandLanguageTest
{
  protected:
    void SetUp() override
    {
        CommandLanguageTest::SetUp();
        ASSERT_EQ(ok("define machine myrrin alpha"), "alpha");
        SimCmdTable *top = Find_Machine_By_Name("alpha")->command_table;
        add_simcommand(top, "to_float", UTIL_uint32_to_float, "UTIL_uint32_to_float", -1, 0, nullptr);
        add_simcommand(top, "update", UTIL_QuarnUpdate, "UTIL_QuarnUpdate", -1, 0, nullptr);
    }
};

TEST_F(LeftoversTest, NumberConverters)
{
    EXPECT_EQ(ok("alpha to_float 0x3F800000"), "1.000000");
    EXPECT_EQ(ok("alpha to_float 0xC0000000"), "-2.000000");
    EXPECT_EQ(ok("alpha to_float 0xFFFFFFFF3F800000"), "1.000000"); // the upper bits do not count
    EXPECT_EQ(fails("alpha to_float 12z"), "Error reading value got 0x000000000000000C from 12z\n");
    EXPECT_EQ(fails("alpha to_float 1 2"), "Usage : alpha to_float <arg1> (Num Args Passed: 3)");
    EXPECT_EQ(ok("alpha update 255"), "0x00000000000000FF");
    fails("alpha update x");
}

TEST_F(LeftoversTest, MemoryTraceSwitch)
{
    SimCmdTable *top = Find_Machine_By_Name("alpha")->command_table;
    add_simcommand(top, "memtrace", memtrace_bogus_Cmd, "memtrace_bogus_Cmd", -1, 0, nullptr);
    const std::string file =
        std::filesystem::temp_directory_path() / ("quarn_memtrace_" + std::to_string(getpid()));
    for (const char *size : {"0", "-4", "x", "99999999999"})
        EXPECT_EQ(fails("alpha memtrace " + file + " " + size), "Usage: alpha memtrace file block-size")
            << size;
    EXPECT_EQ(FM_enabled, 0);

    SinkCapture capture;
    EXPECT_EQ(ok("alpha memtrace " + file + " 16"), "ok");
    EXPECT_NE(capture.text().find("memtrace output going to " + file + " in blocks of 16 units\n"),
              std::string::npos);
    EXPECT_EQ(FM_enabled, 1);
    EXPECT_EQ(FM_maxlog, 16);
    EXPECT_NE(FM_logentry, nullptr);
    EXPECT_GE(FM_memlog_fd, 0);
    EXPECT_TRUE(std::filesystem::exists(file));
    close(FM_memlog_fd);
    FM_memlog_fd = -1;
    FM_enabled = 0;
    std::filesystem::remove(file);
}

TEST(FindPtNode, Ranges)
{
    int linked = 1;
    PT_Range ranges[] = {
        {0x100, 0x1FF, nullptr},
        {0x2000, 0x2FFF, &linked},
        {0x4000, 0x4FFF, &linked},
        {0xC000000000000000ull, 0xC0000000000000FFull, nullptr},
    };
    const struct {
        uint64_t address;
        int index; // -1: none
    } cases[] = {
        {0x100, 0},
        {0x1FF, 0},
        {0x2800, 1},
        {0x4FFF, 2},
        {0x3000, -1},
        {0x50, -1},
        {0x500, 0},                 // unlinked range below a low address
        {0xC000000000000100ull, 3}, // unlinked last range below a high address
    };
    for (const auto &c : cases) {
        PT_Range *found = find_pt_node(ranges, 4, c.address);
        EXPECT_EQ(found, c.index < 0 ? nullptr : &ranges[c.index]) << std::hex << c.address;
    }
    EXPECT_EQ(find_pt_node(nullptr, 0, 0x100), nullptr);
}

} // namespace

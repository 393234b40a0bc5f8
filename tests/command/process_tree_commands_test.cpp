// The "ProcessTree" table, attached by the test as a host would: process texts, pid bounds and
// the statistics views.
#include <string>

#include "command/process_tree_commands.h"
#include "command_fixture.h"

namespace
{

class ProcessTreeCommandsTest : public CommandLanguageTest
{
  protected:
    void SetUp() override
    {
        CommandLanguageTest::SetUp();
        ASSERT_EQ(ok("define machine myrrin alpha"), "alpha");
        connect_subtable(Find_Machine_By_Name("alpha")->command_table, "ProcessTree",
                         build_ProcessTree_table(nullptr), 0, nullptr);
    }
};

TEST_F(ProcessTreeCommandsTest, ProcessLifeAndTexts)
{
    ok("alpha ProcessTree newproc 5 0 0");
    EXPECT_EQ(ok("alpha ProcessTree display process 5"),
              "execname  pid     5 ppid     0 files {} stats { } state CREATED");
    ok("alpha ProcessTree execproc 5 ls");
    ok("alpha ProcessTree addfile 5 /bin/ls 0x10000000 4096 5 1 0");
    EXPECT_EQ(
        ok("alpha ProcessTree display process 5"),
        "execname ls pid     5 ppid     0 files {{filename /bin/ls clock 0t ea 0x0000000010000000 length "
        "4096 protection 0x5 flags 0x1 file_offset 0 file_index 0} } stats { } state EXECD");
    EXPECT_EQ(ok("alpha ProcessTree display tcl_stats process_indices 0"), "    0     5");
    EXPECT_EQ(ok("alpha ProcessTree display tcl_stats process_indices 1"), " ls"); // the root has no name
    EXPECT_EQ(fails("alpha ProcessTree display tcl_stats proc_file_info 5 1"),
              "Invalid file index specified");
    ok("alpha ProcessTree killproc 5");
    EXPECT_NE(ok("alpha ProcessTree display process 5").find("state KILLED"), std::string::npos);
    EXPECT_EQ(ok("alpha ProcessTree display process 7"), "{}");
}

TEST_F(ProcessTreeCommandsTest, BoundsAndErrors)
{
    EXPECT_EQ(fails("alpha ProcessTree display process 40000"), "pid=40000 is larger than MAX_PID=32768");
    EXPECT_EQ(fails("alpha ProcessTree display process -1"), "pid=   -1 is larger than MAX_PID=32768");
    EXPECT_EQ(fails("alpha ProcessTree addfile 40000 f 0 0 0 0 0"), "pid=40000 is larger than MAX_PID=32768");
    EXPECT_EQ(fails("alpha ProcessTree addfile 9 f 0 0 0 0 0"), "AddFile Error PID 9 not found");
    EXPECT_EQ(fails("alpha ProcessTree display tcl_stats proc_range_info 5 0x1000 0x2000"),
              "Inst_Profile not enabled for this build");
    EXPECT_EQ(fails("alpha ProcessTree display tcl_stats proc_range_info 5 0x1000 zz"),
              "Error reading memory start; got zz");
    EXPECT_EQ(fails("alpha ProcessTree display tcl_stats process_indices 17"),
              "Error: process stat_index 17 > max stat_index");
    EXPECT_EQ(ok("alpha ProcessTree display tcl_stats process_columns").substr(0, 34),
              "PID_INDEX EXECNAME L1I_CACHE_MISS ");
}

} // namespace

// The unit-creation words of the machine's top table: the order of their checks and their texts
// while the nest units themselves cannot be made yet.
#include <string>

#include "command_fixture.h"

namespace
{

class UnitCommandsTest : public CommandLanguageTest
{
  protected:
    void SetUp() override
    {
        CommandLanguageTest::SetUp();
        ASSERT_EQ(ok("define machine myrrin alpha"), "alpha");
    }
};

TEST_F(UnitCommandsTest, PbicChecksComeInOrder)
{
    EXPECT_EQ(fails("alpha pbic create pbic 0 0 0x1000 0x2000"), "Error: PBIC CI 0 is invalid.");
    EXPECT_EQ(fails("alpha pbic create pbic x 5 0x1000 0x2000"), "Error: chip number x is invalid.");
    EXPECT_EQ(fails("alpha pbic get_number 9"), "Error: chip 9 does not exit.");
    EXPECT_EQ(ok("alpha pbic get_number 0"), "0");
    EXPECT_EQ(fails("alpha pbic display ci 3"), "PBIC index 3 is not created before.");
    EXPECT_EQ(fails("alpha pbic display mmio_start 5"), "PBIC with CI 5 is not created before.");
    EXPECT_EQ(fails("alpha pbic display cop_ct q 1"), "Error: PBIC with ci q is invalid.");
    // The creation itself fails while no PBIC can be made; the counter still moves on.
    EXPECT_EQ(fails("alpha cop create pbic 0 5 0x1000 0x2000"), "Error: failed to create PBIC 1.");
    EXPECT_EQ(fails("alpha pbic create pbic 0 6 0x1000 0x2000"), "Error: failed to create PBIC 2.");
}

TEST_F(UnitCommandsTest, CopCreationChecks)
{
    EXPECT_EQ(fails("alpha cop create cop 5 1"), "Usage: pbic_ci cop_type cop_ci [is_gbif - default: false]");
    EXPECT_EQ(fails("alpha cop create cop 5 1 1 maybe"), "PBIC with CI 5 is not created before.");
    EXPECT_EQ(fails("alpha cop mmio cop 5 1 1 0 0"), "PBIC with CI 5 is not created before.");
    EXPECT_EQ(fails("alpha cop list"), "Error: failed to show coprocessor list.");
}

TEST_F(UnitCommandsTest, KeplWords)
{
    EXPECT_EQ(fails("alpha kepl attach gpu 0 1"),
              "Error reading type: got 'gpu', must be one of (quezil_dedicated | memcopy_dedicated | "
              "memcopy_directed)\n");
    EXPECT_EQ(fails("alpha kepl attach memcopy x 1"), "Error reading slice: got 0 from x\n");
    EXPECT_EQ(ok("alpha kepl enable new on"), "Enabled KEPL new features");
    EXPECT_EQ(ok("alpha kepl display enable"), "on");
    EXPECT_EQ(ok("alpha kepl enable new off"), "Disabled KEPL new features");
    EXPECT_EQ(ok("alpha kepl display ENABLE"), "off");
    // Without a unit the display shows nothing and the translation fails.
    EXPECT_EQ(ok("alpha kepl display p1_base"), "");
    EXPECT_EQ(ok("alpha kepl dtranslate 0 0x1000"), "Translation failed");
    fails("alpha kepl create 0x1000 0x2000 4");
    fails("alpha xscom create 0x800000000");
}

} // namespace

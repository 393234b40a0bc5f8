// Statistics, configuration and dump printing.
#include <gtest/gtest.h>

#include <string>

#include "runtime/stat_print.h"
#include "runtime_test_util.h"

namespace
{

std::string blanks(size_t n)
{
    return std::string(n, ' ');
}

// Every test leaves the tag cleared.
class StatPrint : public ::testing::Test
{
  protected:
    void TearDown() override
    {
        SinkCapture discard;
        Stat_print_tail("test");
    }
};

TEST_F(StatPrint, ConfigLinesPutTheValueAtColumn27)
{
    struct Case {
        std::string text, line;
    };
    const Case cases[] = {
        {"  num slices:4", "  num_slices" + blanks(14) + " 4\n"},
        {"Number_of_Nodes:4", "Number_of_Nodes" + blanks(11) + " 4\n"},
        {"key :\t  value with: colon",
         "key" + blanks(23) + " value with: colon\n"}, // '_' before ':' back to blank
        {"\ta\tb:1", " a_b" + blanks(22) + " 1\n"},    // leading tab, inner tab
        {"a_key_longer_than_26_columns:9", "a_key_longer_than_26_columns 9\n"},
        {" --L2-EDRAM--", " --L2-EDRAM--\n"}, // no ':': copied
        {":only a leading colon", ":only a leading colon\n"},
        {"\n:section: title", "\n:section: title\n"}, // newline and ':' first: copied
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text);
        SinkCapture out;
        Config_print("%s", c.text.c_str());
        EXPECT_EQ(out.text(), c.line);
    }
    SinkCapture out;
    Config_print("  num slices:%d", 4);
    EXPECT_EQ(out.text().find('4'), 27u);
}

TEST_F(StatPrint, StatLinesPadKeysAndValueFields)
{
    struct Case {
        int width;
        std::string text, line;
    };
    const Case cases[] = {
        {25, " L2 count:5", " L2_count" + blanks(16) + " 5"},
        // A value followed by another field fills 12 columns; after '=' 10.
        {25, "occ: 4; average=3.50", "occ" + blanks(23) + "4" + blanks(11) + "average: 3.50"},
        {22, "  lat: 3; min=2 max=9 avrg=5.00 cycles",
         "  lat" + blanks(18) + "3" + blanks(11) + "min: 2" + blanks(9) + "max: 9" + blanks(9) +
             "avrg: 5.00" + blanks(6) + "cycles"},
        {0, " a b:c d", " a b:c d"}, // no key layout, no '_'
        {25, "no colon here", "no colon here"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text);
        SinkCapture out;
        Stat_print(c.width, "%s", c.text.c_str());
        EXPECT_EQ(out.text(), c.line + "\n");
    }
}

TEST_F(StatPrint, TaggedLinesCarryTheTagOnEveryPiece)
{
    SinkCapture out;
    Stat_print_set_tag("L2 %d", 0);
    EXPECT_EQ(out.text(), "\n::::::L2-0 stats:::::::\n");
    SinkCapture lines;
    Stat_print(25, " %s count:%ld", "hits", 5L);
    Stat_print(0, "\nfirst\nsecond\n");
    EXPECT_EQ(lines.text(),
              "L2-0::  hits_count" + blanks(14) + " 5\n" + "L2-0:: \nL2-0:: first\nL2-0:: second\n");
    SinkCapture tail;
    Stat_print_tail("L2");
    Stat_print(0, "untagged");
    EXPECT_EQ(tail.text(),
              "------------------------------------------\n******End of L2 statistics******\nuntagged\n");
}

TEST_F(StatPrint, TagIsBoundedAndHeadClearsIt)
{
    SinkCapture out;
    Stat_print_set_tag("%s", std::string(100, 'x').c_str());
    EXPECT_EQ(out.text(), "\n::::::" + std::string(63, 'x') + " stats:::::::\n");
    Stat_print(0, "%s", std::string(600, 'y').c_str()); // beyond the line buffer: cut, not overrun
    std::string text = out.text();
    size_t line = text.find(std::string(63, 'x') + ":: ");
    ASSERT_NE(line, std::string::npos);
    EXPECT_LT(text.size() - line, 512u + 70u);
    SinkCapture head;
    Stat_print_head("Bus");
    Stat_print(0, "plain");
    EXPECT_EQ(head.text(),
              "\n******Start of Bus statistics******\n------------------------------------------plain\n");
}

TEST_F(StatPrint, OccupancyAndCycleEventRecords)
{
    ST_OCCUPANCY occupancy, part;
    ST_OCCUPANCY_INIT(&occupancy);
    EXPECT_EQ(occupancy.minimum, 2147483647);
    ST_OCCUPANCY_INIT(&part);
    part.samples = 4;
    part.sum = 10;
    part.maximum = 9;
    ST_OCCUPANCY_ADD(&occupancy, &part);
    EXPECT_EQ(occupancy.samples, 4u);
    EXPECT_EQ(occupancy.maximum, 0); // not merged
    {
        SinkCapture out;
        ST_OCCUPANCY_PRINT(&occupancy, "depth");
        ST_OCCUPANCY_PRINT(nullptr, "none");
        EXPECT_EQ(out.text(), "depth" + blanks(21) + "4" + blanks(11) + "average: 3.50\n");
    }

    ST_CYCLE_EVENT events, a, b;
    ST_CYCLE_EVENT_INIT(&events);
    {
        SinkCapture out;
        ST_CYCLE_EVENT_PRINT(&events, "lat", nullptr); // never added to
        ST_CYCLE_EVENT_PRINT(nullptr, "lat", nullptr);
        EXPECT_EQ(out.text(), "");
    }
    a = {2, 7, 5, 2};
    b = {1, 8, 8, 8};
    ST_CYCLE_EVENT_ADD(&events, &a);
    ST_CYCLE_EVENT_ADD(&events, &b);
    EXPECT_EQ(events.count, 3u);
    EXPECT_EQ(events.total, 15u);
    EXPECT_EQ(events.maximum, 8u);
    EXPECT_EQ(events.minimum, 2u);
    SinkCapture out;
    ST_CYCLE_EVENT_PRINT(&events, "lat", nullptr);
    EXPECT_EQ(out.text(), "  lat" + blanks(18) + "3" + blanks(11) + "min: 2" + blanks(9) + "max: 8" +
                              blanks(9) + "avrg: 5.00" + blanks(6) + "cycles\n");
}

TEST_F(StatPrint, DumpLinesAreIndentedTwoBlanksPerLevel)
{
    SinkCapture out;
    Dump_print(0, "a%d\n", 1);
    Dump_print(2, "b\n");
    Dump_print(-3, "c\n");
    EXPECT_EQ(out.text(), "a1\n    b\nc\n");
    SinkCapture deep;
    Dump_print(1000, "lost");
    EXPECT_EQ(deep.text(), blanks(511));
}

} // namespace

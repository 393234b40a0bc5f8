// Debug categories and debug messages.
#include <algorithm>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "kernel/hooks/kernel_adapter.h"
#include "kernel/tsim.h"
#include "runtime/alloc.h"
#include "runtime/debug.h"
#include "support/sink_capture.h"

namespace {

// Each test starts from a freshly initialised table and leaves the table as it found it.
class DebugTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        std::copy(std::begin(debug_name_table), std::end(debug_name_table), saved_rows);
        saved_color = colorWanted;
        Init_Debug_State();
    }
    void TearDown() override
    {
        for (const DebugNameRow &row : debug_name_table) // names given to free rows by the test
            if (row.name && std::none_of(std::begin(saved_rows), std::end(saved_rows),
                                         [&](const DebugNameRow &saved) { return saved.name == row.name; }))
                FORGET_STRING(row.name);
        std::copy(std::begin(saved_rows), std::end(saved_rows), debug_name_table);
        colorWanted = saved_color;
        tsim_active_job = nullptr;
        Init_Debug_State();
    }
    // A job record that only carries the debug fields sim_do_debug reads.
    job_s *active_job(char color, const char *prefix = nullptr, int off = 0)
    {
        job = job_s{};
        job.color = color;
        job.debug_prefix = prefix;
        job.debug_off = off;
        tsim_active_job = &job;
        return &job;
    }

    DebugNameRow saved_rows[DEBUG_NAME_TABLE_ROWS];
    char saved_color;
    job_s job{};
};

TEST_F(DebugTest, AfterInitOnlyHelpfulIsOn)
{
    for (int category = 0; category < DEBUG_CATEGORY_COUNT; category++) {
        SCOPED_TRACE(category);
        EXPECT_EQ(get_debug_flag(category) > 0, category == 0);
    }
    EXPECT_EQ(get_debug_flag(0), 1);
    EXPECT_EQ(get_debug_flag(42), 0);  // named
    EXPECT_EQ(get_debug_flag(4), -1);  // unnamed
    EXPECT_EQ(get_debug_flag(212), 0); // a free row's category
    EXPECT_STREQ(debug_name[42].name, "AFU_GATHER");
    EXPECT_EQ(debug_name[4].name, nullptr);
    // Named rows sorted case-insensitively, free rows after them.
    const char *sorted[] = {"AFU",         "AFU_GATHER",  "AFU_GATHER_REASON", "AFU_INSTRUCTIONS",
                            "AFU_PSL",     "AFU_QUEUE",   "AFU_REG_SUPPORT",   "AFU_REGISTER",
                            "BRANCH",      "DCACHE",      "HELPFUL",           "KEPL",
                            "KEPL_AUX2",   "KEPL_FN",     "KEPL_MMIO",         "KEPL_NOSUP",
                            "KEPL_REG_SUPPORT", "KEPL_RESERVATIONS", "KEPL_SSTE", "KEPL_VERBOSE",
                            "MEM_REFS",    "PHB",         "PHB_REG_SUPPORT",   "PSL_FN"};
    for (int row = 0; row < 24; row++) EXPECT_STREQ(debug_name_table[row].name, sorted[row]) << row;
    for (int row = 24; row < DEBUG_NAME_TABLE_ROWS; row++) EXPECT_EQ(debug_name_table[row].name, nullptr);
    EXPECT_EQ(debug_name[42].row, 1);
    EXPECT_EQ(debug_name[0].row, 10);
}

TEST_F(DebugTest, SearchPrefersAnExactMatchElseAUniquePrefix)
{
    const std::pair<const char *, int> cases[] = {
        {"help", 0},     {"HELPFUL", 0},     {"AFU_G", 228}, {"afu_gather", 42}, {"kepl", 30},
        {"psl", 49},     {"nothing", 228},   {"", 228},      {"dcache", 130},    {"AFU_GATHER_R", 43},
    };
    for (auto [name, category] : cases) {
        SCOPED_TRACE(name);
        EXPECT_EQ(search_debug_name(name), category);
    }
    EXPECT_EQ(search_debug_name(nullptr), 228);
}

TEST_F(DebugTest, SetAllLeavesFourteenAndFifteenOff)
{
    set_all_debug_flags(1);
    for (int category = 0; category < DEBUG_CATEGORY_COUNT; category++) {
        SCOPED_TRACE(category);
        EXPECT_EQ(get_debug_flag(category), category == 14 || category == 15 ? 0 : 1);
    }
}

TEST_F(DebugTest, OutOfRangeCategoriesAreIgnored)
{
    int levels[DEBUG_CATEGORY_COUNT];
    std::copy(std::begin(debug_state), std::end(debug_state), levels);
    for (int category : {-1, 227, 228, 100000}) {
        SET_DEBUG(category, 5);
        set_debug_flag(category, 5);
        EXPECT_EQ(get_debug_flag(category), -1);
    }
    EXPECT_TRUE(std::equal(std::begin(levels), std::end(levels), std::begin(debug_state)));
    set_debug_flag(226, 3);
    EXPECT_EQ(get_debug_flag(226), 3);
}

TEST_F(DebugTest, AllocatedNamesTakeFreeRowsUntilTheTableIsFull)
{
    EXPECT_EQ(debug_allocate_entry("MY_PLUGIN", 7), 212);
    EXPECT_EQ(get_debug_flag(212), 0);
    EXPECT_EQ(search_debug_name("my_plug"), 212);
    EXPECT_EQ(debug_allocate_entry("my_plugin", 0), 212); // same name
    EXPECT_EQ(debug_allocate_entry("BRANCH", 0), 122);    // an existing row
    for (int i = 1; i < 10; i++) EXPECT_EQ(debug_allocate_entry(("EXTRA" + std::to_string(i)).c_str(), 0), 212 + i);
    EXPECT_EQ(debug_allocate_entry("ONE_TOO_MANY", 0), 191);
}

TEST_F(DebugTest, JobColourPrefixAndOffFlagShapeTheMessage)
{
    struct Case {
        char wanted, letter;
        const char *prefix;
        int off;
        const char *line;
    };
    const Case cases[] = {
        {'p', 'r', nullptr, 0, "DEBUG: TAG : <r>value 7</r>\n"},
        {'p', 'R', nullptr, 0, "DEBUG: TAG : <R>value 7</R>\n"},
        {'n', 'r', nullptr, 0, "DEBUG: TAG : value 7\n\n"},
        {'d', 'g', nullptr, 0, "DEBUG: TAG : \x1b[0;32mvalue 7\x1b[0;30m\n"},
        {'d', 'B', nullptr, 0, "DEBUG: TAG : \x1b[4;34mvalue 7\x1b[0;30m\n"},
        {'p', 'k', nullptr, 0, "DEBUG: TAG : value 7\n\n"},
        {'p', 0, nullptr, 0, "DEBUG: TAG : value 7\n\n"},
        {'p', 'r', "cpu0:", 0, "DEBUG: TAG : <r>cpu0:value 7</r>\n"},
        {'n', 0, "50% ", 0, "DEBUG: TAG : 50% value 7\n\n"},
        {'p', 'r', nullptr, 1, ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.line);
        SinkCapture out;
        colorWanted = c.wanted;
        active_job(c.letter, c.prefix, c.off);
        sim_do_debug("TAG", nullptr, nullptr, "value %d\n", 7);
        EXPECT_EQ(out.text(), c.line);
    }
}

TEST_F(DebugTest, NoJobMeansNoColour)
{
    SinkCapture out;
    colorWanted = 'p';
    sim_do_debug("TAG", nullptr, nullptr, "plain\n");
    EXPECT_EQ(out.text(), "DEBUG: TAG : plain\n\n"); // only colouring strips the format's newline
}

TEST_F(DebugTest, LetterWithoutRowUsesBlack)
{
    SinkCapture out;
    colorWanted = 'p';
    active_job('z');
    testing::internal::CaptureStdout();
    sim_do_debug("TAG", nullptr, nullptr, "x\n");
    std::string direct = testing::internal::GetCapturedStdout();
    EXPECT_EQ(direct, "Entry for z not found.\nEntry for z not found.\n");
    EXPECT_EQ(out.text(), "DEBUG: TAG : <k>x</k>\n");
}

TEST_F(DebugTest, OverlongFormatsAreCutNotOverflowed)
{
    SinkCapture out;
    colorWanted = 'p';
    active_job('r', "prefix:");
    std::string format(600, 'a');
    format += "%s\n";
    sim_do_debug("TAG", nullptr, nullptr, format.c_str(), "never printed");
    std::string text = out.text();
    EXPECT_EQ(text.rfind("</r>\n"), text.size() - 5) << text;
    EXPECT_LT(text.size(), 600u);
    EXPECT_EQ(text.find("never"), std::string::npos);

    // A cut that would split a conversion drops the whole conversion.
    std::string split(DEBUG_FORMAT_BUFFER - 1 - 7 - 3 - 4 - 1, 'b');
    split += "%d";
    SinkCapture again;
    sim_do_debug("TAG", nullptr, nullptr, split.c_str(), 12345);
    EXPECT_EQ(again.text().find("1234"), std::string::npos);
    EXPECT_NE(again.text().find("b</r>\n"), std::string::npos);
}

TEST_F(DebugTest, KernelAdapterDebugFollowsCategoryFour)
{
    auto vdebug = [](const char *format, ...) {
        va_list args;
        va_start(args, format);
        mist_vdebug(format, args);
        va_end(args);
    };
    {
        SinkCapture out;
        vdebug("hidden %d\n", 1);
        EXPECT_EQ(out.text(), "");
        EXPECT_FALSE(mist_debug_on(DEBUG_CATEGORY_KERNEL));
    }
    set_debug_flag(DEBUG_CATEGORY_KERNEL, 1);
    SinkCapture out;
    vdebug("shown %d", 2);
    EXPECT_EQ(out.text(), "DEBUG: TASK : shown 2\n");
    EXPECT_TRUE(mist_debug_on(DEBUG_CATEGORY_KERNEL));
}

} // namespace

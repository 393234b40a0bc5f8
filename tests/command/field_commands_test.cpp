// The "field" command table of a named bit-field value.
#include <gtest/gtest.h>
#include <tcl.h>

#include <string>
#include <vector>

#include "command/cmd_table.h"
#include "command/field_commands.h"
#include "runtime/field_val.h"

namespace
{

class FieldCommandsTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        interp = Tcl_CreateInterp();
        parent = Init_SimCmdTable("dev");
        Field_Val_Init(&fv);
        Field_Val_Declare(&fv, "unit", "ctl", 0xA0000000, 32, nullptr, nullptr, nullptr, "A", 0, 3, "B", 4, 7,
                          (const char *)nullptr);
        ASSERT_NE(Field_Val_TCL_Commands(&fv, parent), nullptr);
    }
    void TearDown() override
    {
        Quit_SimCmdTable(parent);
        Field_Val_Cleanup(&fv);
        Tcl_DeleteInterp(interp);
    }
    // Dispatches "dev field <words>"; returns the dispatcher's result and leaves the text in out.
    int run(std::vector<std::string> words)
    {
        words.insert(words.begin(), {"dev", "field"});
        std::vector<char *> vector;
        for (std::string &w : words)
            vector.push_back(w.data());
        Tcl_ResetResult(interp);
        int rc = Select_SimCmdTable(parent, (int)vector.size(), vector.data(), nullptr, interp,
                                    (int)vector.size(), vector.data());
        out = Tcl_GetStringResult(interp);
        return rc;
    }
    Tcl_Interp *interp = nullptr;
    SimCmdTable *parent = nullptr;
    FieldVal fv;
    std::string out;
};

TEST_F(FieldCommandsTest, TableIsAttachedOnceWithItsTwoCommands)
{
    SimCmdTableEntry *entry = Search_SimCmdTable(parent, "field");
    ASSERT_NE(entry, nullptr);
    ASSERT_TRUE(entry->is_table);
    EXPECT_EQ(entry->hide_mask, 0u);
    for (const char *name : {"display", "set"}) {
        SimCmdTableEntry *command = Search_SimCmdTable(entry->subtable, name);
        ASSERT_NE(command, nullptr) << name;
        EXPECT_EQ(command->expected_count, -1);
        EXPECT_EQ(command->user_data, &fv);
    }
    FieldVal other;
    Field_Val_Init(&other);
    EXPECT_EQ(Field_Val_TCL_Commands(&other, parent), nullptr); // "field" is taken
    Field_Val_Cleanup(&other);
}

TEST_F(FieldCommandsTest, DisplayShowsTheValueAndFieldsInTheirForms)
{
    Field_Val_Put_Field(&fv, "B", 2);
    struct Case {
        std::vector<std::string> words;
        std::string text;
    } cases[] = {
        {{"display"}, "0x00000000A2000000"},
        {{"display", "A"}, "0x000000000000000A"},
        {{"display", "A", "B"}, "0x000000000000000A0x0000000000000002"},
        {{"display", "A", "range"}, "{val 0x000000000000000A range {0 3} }"},
        {{"display", "A", "VALUE"}, "{val 0x000000000000000A }"},
        {{"display", "B", "length", "A"}, "{val 0x0000000000000002 len 4 }0x000000000000000A"},
        {{"display", "B", "all"}, "{val 0x0000000000000002 range {4 7} len 4 }"},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(run(c.words), SIMCMD_OK) << c.words.back();
        EXPECT_EQ(out, c.text);
    }
    Field_Val_Put_Scalar(&fv, 0xFF000000A2000000ULL); // the whole 64-bit value is shown
    run({"display"});
    EXPECT_EQ(out, "0xFF000000A2000000");
}

TEST_F(FieldCommandsTest, DisplayListGivesOneItemPerField)
{
    // The listing order is the field table's own: either order of the two items will do.
    auto listed = [&](std::vector<std::string> words, const std::string &a, const std::string &b) {
        EXPECT_EQ(run(words), SIMCMD_OK);
        EXPECT_TRUE(out == a + b || out == b + a) << out;
    };
    listed({"display", "list", "ranges"}, "A {0 3} ", "B {4 7} ");
    listed({"display", "list", "values"}, "A 0x000000000000000A ", "B 0x0000000000000000 ");
    listed({"display", "LIST", "lengths"}, "A 4 ", "B 4 ");
    listed({"display", "list", "values", "ranges"}, "A {val 0x000000000000000A range {0 3} } ",
           "B {val 0x0000000000000000 range {4 7} } ");
    listed({"display", "list", "all"}, "A {val 0x000000000000000A range {0 3} len 4 } ",
           "B {val 0x0000000000000000 range {4 7} len 4 } ");
    listed({"display", "list", "names"}, "A ", "B ");
    listed({"display", "list"}, "A ", "B ");
    // Every option is checked before anything is shown.
    EXPECT_EQ(run({"display", "list", "ranges", "sizes"}), SIMCMD_FAILED);
    EXPECT_EQ(out, "dev field display: unknown list option 'sizes'");
}

TEST_F(FieldCommandsTest, UnknownFieldsFailAfterTheEarlierOutput)
{
    EXPECT_EQ(run({"display", "A", "Z"}), SIMCMD_FAILED);
    EXPECT_EQ(out, "0x000000000000000Adev field display: unknown field 'Z'");
    // A field named list cannot be shown as the first argument.
    Field_Val_Declare_Bit(&fv, "list", 31, nullptr);
    EXPECT_EQ(run({"display", "list", "A"}), SIMCMD_FAILED);
    EXPECT_EQ(out, "dev field display: unknown list option 'A'");
    EXPECT_EQ(run({"display", "A", "list"}), SIMCMD_OK);
    EXPECT_EQ(out, "0x000000000000000A0x0000000000000000");
}

TEST_F(FieldCommandsTest, SetStoresPairsUntilTheFirstBadOne)
{
    struct Case {
        std::vector<std::string> words;
        int rc;
        std::string text;
        uint64_t value;
    } cases[] = {
        {{"set", "A", "3"}, SIMCMD_OK, "", 0x30000000},
        {{"set", "A", "0x15", "B", "017"}, SIMCMD_OK, "", 0x5F000000}, // excess high bits are dropped
        {{"set", "A", "5", "Z", "1"}, SIMCMD_FAILED, "dev field set: unknown field 'Z'", 0x5F000000},
        {{"set", "B", "1", "A"}, SIMCMD_FAILED, "dev field set A: expecting value", 0x51000000},
        {{"set", "A", "12x"},
         SIMCMD_FAILED,
         "dev field set A: Error reading value got 0x000000000000000C from '12x'\n",
         0x51000000},
        {{"set", "A", ""}, SIMCMD_OK, "", 0x01000000},
        {{"set"}, SIMCMD_FAILED, "usage: dev field set <value>", 0x01000000},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(run(c.words), c.rc);
        EXPECT_EQ(out, c.text);
        EXPECT_EQ(fv.value, c.value);
    }
}

int override_calls = 0;
int record_override(FieldVal *, Tcl_Interp *interpreter, int argc, char **argv)
{
    override_calls++;
    Tcl_SetResult(interpreter, (char *)(argc == 2 && std::string(argv[1]) == "x" ? "overridden" : "?"),
                  TCL_VOLATILE);
    return 1;
}

TEST_F(FieldCommandsTest, OverridesReplaceBothCommands)
{
    fv.display_override = record_override;
    fv.set_override = record_override;
    EXPECT_EQ(run({"display", "x"}), SIMCMD_FAILED);
    EXPECT_EQ(out, "overridden");
    EXPECT_EQ(run({"set", "x"}), SIMCMD_FAILED);
    EXPECT_EQ(override_calls, 2);
    EXPECT_EQ(fv.value, 0xA0000000u);
}

} // namespace

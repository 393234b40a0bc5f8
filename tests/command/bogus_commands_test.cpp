// The table "Common BDS Config", attached by a host: its commands fill the caller's disk
// settings, refusing words longer than their fields.
#include <gtest/gtest.h>
#include <tcl.h>

#include <string>
#include <vector>

#include "command/bogus_commands.h"
#include "command/cmd_table.h"
#include "guest/bogus_disk.h"
#include "support/sink_capture.h"

namespace
{

int run(SimCmdTable *table, BogusDiskSpec *spec, Tcl_Interp *interp, std::vector<std::string> words,
        std::string *out)
{
    Tcl_ResetResult(interp);
    std::vector<char *> vector;
    for (std::string &w : words)
        vector.push_back(w.data());
    int rc = Select_SimCmdTable(table, (int)vector.size(), vector.data(), reinterpret_cast<Selector *>(spec),
                                interp, (int)vector.size(), vector.data());
    *out = Tcl_GetStringResult(interp);
    return rc;
}

} // namespace

TEST(BdsConfig, FillsTheCallersDiskSettingsWordByWord)
{
    SinkCapture sink;
    Tcl_Interp *interp = Tcl_CreateInterp();
    SimCmdTable *table = build_BDS_config_table(nullptr);
    ASSERT_EQ(BDS_config_table, table);
    BogusDiskSpec spec{};
    std::string out;
    EXPECT_EQ(run(table, &spec, interp, {"bds", "path", "/images/root.disk"}, &out), SIMCMD_OK);
    EXPECT_EQ(out, "/images/root.disk");
    EXPECT_EQ(run(table, &spec, interp, {"bds", "cow_mode", "newcow"}, &out), SIMCMD_OK);
    EXPECT_EQ(run(table, &spec, interp, {"bds", "cow_path", "root.cow"}, &out), SIMCMD_OK);
    EXPECT_EQ(run(table, &spec, interp, {"bds", "hash_size", "0x40"}, &out), SIMCMD_OK);
    EXPECT_EQ(out, "0x40");
    EXPECT_STREQ(spec.path, "/images/root.disk");
    EXPECT_STREQ(spec.mode, "newcow");
    EXPECT_STREQ(spec.cow_path, "root.cow");
    EXPECT_EQ(spec.hash_size, 64);
    // Words that do not fit are refused and leave the fields as they were.
    EXPECT_NE(run(table, &spec, interp, {"bds", "cow_mode", "restcow-long"}, &out), SIMCMD_OK);
    EXPECT_NE(run(table, &spec, interp, {"bds", "path", std::string(4096, 'p')}, &out), SIMCMD_OK);
    EXPECT_STREQ(spec.mode, "newcow");
    EXPECT_STREQ(spec.path, "/images/root.disk");
    EXPECT_EQ(run(table, &spec, interp, {"bds", "path", std::string(4095, 'p')}, &out), SIMCMD_OK);
    EXPECT_EQ(std::string(spec.path), std::string(4095, 'p'));
    Quit_SimCmdTable(table);
    Tcl_DeleteInterp(interp);
}

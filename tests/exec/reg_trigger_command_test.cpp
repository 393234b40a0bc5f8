// The register-trigger command words: numbering, enabling by number and list, errors, and the
// firing of WRITE, CHANGE and MATCH triggers.
#include <gtest/gtest.h>
#include <tcl.h>

#include <sstream>
#include <string>
#include <vector>

#include "exec/reg_trigger_command.h"
#include "processor/records/instruction_record.h"
#include "processor/regs/register_file.h"
#include "runtime/alloc.h"
#include "runtime/common.h"

namespace
{

class RegTriggerCommand : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        saved_ = quarn_common.interpreter;
        interp_ = Tcl_CreateInterp();
        quarn_common.interpreter = interp_;
        Tcl_Eval(interp_, "set fired {}; proc rec {args} { lappend ::fired $args }");
    }
    void TearDown() override
    {
        if (desc_) {
            Reg_Trigger_List_Free(&desc_->read, &desc_->enabled_read);
            Reg_Trigger_List_Free(&desc_->write, &desc_->enabled_write);
            QUARN_FREE(desc_);
        }
        quarn_common.interpreter = saved_;
        Tcl_DeleteInterp(interp_);
    }
    // Runs "cmd gpr:3 <words>"; the code and the text left in the result.
    int run(const std::string &words, std::string *text = nullptr)
    {
        std::vector<std::string> parts{"cmd", "gpr:3"};
        std::istringstream in(words);
        for (std::string w; in >> w;) parts.push_back(w);
        std::vector<char *> argv;
        for (std::string &p : parts) argv.push_back(p.data());
        Tcl_ResetResult(interp_);
        int code = Reg_Trigger_Command(interp_, "gpr:3", &desc_, (int)argv.size(), argv.data(), 2);
        if (text) *text = Tcl_GetStringResult(interp_);
        return code;
    }
    std::string out(const std::string &words)
    {
        std::string text;
        EXPECT_EQ(run(words, &text), 0) << words;
        return text;
    }
    std::string fired() { return Tcl_GetVar(interp_, "fired", TCL_GLOBAL_ONLY); }

    Tcl_Interp *interp_ = nullptr;
    Tcl_Interp *saved_ = nullptr;
    Reg_Trigger_Desc *desc_ = nullptr;
};

TEST_F(RegTriggerCommand, ListingsNumberingAndReuse)
{
    EXPECT_EQ(out(""), "READ Trigger List (0 entries):\nWRITE Trigger List (0 entries):\n");
    EXPECT_EQ(out("write rec"), "0");
    EXPECT_EQ(out("Change rec 0xFF"), "1"); // keywords by their first letter, any case
    EXPECT_EQ(out("match rec 5"), "2");
    EXPECT_EQ(out("read rec"), "0");
    EXPECT_EQ(out("list w"), "WRITE Trigger List (3 entries):\n"
                             "[0]: (WRITE) proc 'rec', status enabled\n"
                             "[1]: (CHANGE) proc 'rec', mask 0x00000000000000FF, status enabled\n"
                             "[2]: (MATCH) proc 'rec', value 0x0000000000000005 mask 0xFFFFFFFFFFFFFFFF, "
                             "status enabled\n");
    // Deleting trigger 0 and creating a new one gives number 0 again.
    EXPECT_EQ(out("id 0 write"), "");
    EXPECT_EQ(out("id 0 list write"), "[0]: (WRITE) unassigned\n");
    EXPECT_EQ(out("w rec"), "0");
    // Disabled triggers keep their slot.
    out("id 1 disable w");
    // Read trigger 1 does not exist: silent without a list word.
    EXPECT_EQ(out("id 1 list"), "[1]: (CHANGE) proc 'rec', mask 0x00000000000000FF, status disabled\n");
    EXPECT_EQ(desc_->enabled_write.count, 2);
    // Deleting a whole list numbers from 0 again.
    out("write");
    EXPECT_EQ(desc_->write.count, 0);
    EXPECT_EQ(out("write rec"), "0");
}

TEST_F(RegTriggerCommand, EnablingByNumberReachesOnlyTheListsThatHaveIt)
{
    for (int i = 0; i < 2; i++) out("read rec");
    for (int i = 0; i < 7; i++) out("write rec");
    out("disable");
    EXPECT_EQ(desc_->enabled_read.count, 0);
    EXPECT_EQ(desc_->enabled_write.count, 0);
    EXPECT_EQ(out("id 5 enable"), ""); // read trigger 5 missing: silent without a list word
    EXPECT_EQ(desc_->enabled_write.count, 1);
    EXPECT_EQ(desc_->enabled_read.count, 0);
    out("enable");
    EXPECT_EQ(desc_->enabled_read.count, 2);
    EXPECT_EQ(desc_->enabled_write.count, 7);
}

TEST_F(RegTriggerCommand, ErrorsChangeNothing)
{
    out("write rec");
    struct Case {
        const char *words;
        const char *message;
    } cases[] = {
        {"xyz", "?cmd: gpr:3 -- unknown operation 'xyz'?"},
        {"id", "?cmd: gpr:3 id -- missing trigger number?"},
        {"id 1x", "?cmd: gpr:3 id 1x -- error parsing value '1x'?"},
        {"id 4", "?cmd: gpr:3 id 4 -- trigger number is out of range (no read triggers, write:[0..1])"},
        {"id 0 list read", "?cmd: gpr:3 id 0 list read -- bad trigger number (0 read triggers defined)?"},
        {"id 0 read rec", "?cmd: gpr:3 id 0 read -- bad trigger number (0 read triggers defined)?"},
        {"change rec 0xZZ", "?cmd: gpr:3 change rec -- error parsing mask '0xZZ'?"},
        {"match rec", "?cmd: gpr:3 match rec -- missing match value?"},
        {"match rec five", "?cmd: gpr:3 match rec -- error parsing value 'five'?"},
        {"match rec 5 m", "?cmd: gpr:3 match rec 5 -- error parsing mask 'm'?"},
    };
    for (const Case &c : cases) {
        std::string text;
        EXPECT_EQ(run(c.words, &text), 1) << c.words;
        EXPECT_EQ(text, c.message);
    }
    EXPECT_EQ(desc_->write.count, 1);
    EXPECT_EQ(desc_->read.count, 0);
}

TEST_F(RegTriggerCommand, WriteChangeAndMatchFiring)
{
    out("write rec");
    out("change rec 0xFF");
    out("match rec 0x105");
    IOPDesc iop = {};
    uint64_t old = 0x105;
    Invoke_Reg_Write_Triggers(&iop, desc_, &old, 0x105); // unchanged: only MATCH
    EXPECT_EQ(fired(), "{mcm 0 cpu 0 thread 0 reg gpr:3 val 0x0000000000000105 match 0x0000000000000105}");
    Tcl_Eval(interp_, "set fired {}");
    out("id 2 disable");
    Invoke_Reg_Write_Triggers(&iop, desc_, &old, 0x205); // high byte only: WRITE, not CHANGE
    EXPECT_EQ(fired(), "{mcm 0 cpu 0 thread 0 reg gpr:3 val 0x0000000000000205 old 0x0000000000000105}");
    Tcl_Eval(interp_, "set fired {}");
    Invoke_Reg_Write_Triggers(&iop, desc_, &old, 0x106); // low byte: WRITE and CHANGE
    EXPECT_EQ(fired(), "{mcm 0 cpu 0 thread 0 reg gpr:3 val 0x0000000000000106 old 0x0000000000000105} "
                       "{mcm 0 cpu 0 thread 0 reg gpr:3 val 0x0000000000000106 old 0x0000000000000105}");
}

} // namespace

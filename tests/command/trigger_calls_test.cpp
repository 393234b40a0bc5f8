// Trigger calls into Tcl: console matches on the written line, process-id map and unmap calls,
// the cut of the error-list callbacks, and the TLB trigger call on an added entry.
#include <cstring>
#include <string>

#include "command_fixture.h"
#include "devices/console.h"
#include "devices/hooks/console_triggers.h"
#include "exec/pc_triggers.h"
#include "mmu/tlb.h"
#include "processor/records/generic_machine.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "processor/translation/tlb.h"
#include "runtime/callbacks.h"
#include "runtime/triggers.h"

namespace
{

class TriggerCallsTest : public CommandLanguageTest
{
  protected:
    void SetUp() override
    {
        CommandLanguageTest::SetUp();
        // The global table lives for the process, as its error-list callbacks do.
        Global_Assoc_Trigger_Init();
        ok("set calls {}; proc p {args} { lappend ::calls $args }");
    }
    std::string calls() { return ok("set calls"); }
};

TEST_F(TriggerCallsTest, ConsoleTriggerFiresOncePerLineWithTheLineSoFar)
{
    ok("define dup myrrin one; one config cpus 1; define machine one alpha");
    ConsoleDevice *console = Get_Console(Quarn_Machine_List);
    ASSERT_NE(console, nullptr);
    ok("alpha trigger set console login: p");
    for (const char *c = "abc login: x login:\nlogin:\n"; *c; c++)
        Console_Write(console, *c);
    EXPECT_EQ(calls(), "{sim alpha match login: linenum 1 line {abc login:}} "
                       "{sim alpha match login: linenum 2 line login:}");
}

TEST(TriggerCheckConsole, FirstTriggerInListWhoseTextOccursInTheLine)
{
    Console_Trigger tab{}, login{};
    strcpy(tab.match, "a^Ib");
    tab.match_length = 4;
    strcpy(login.match, "login:");
    login.match_length = 6;
    tab.next = &login;
    EXPECT_EQ(Trigger_Check_Console(&tab, "xa^Ibx"), &tab);
    EXPECT_EQ(Trigger_Check_Console(&tab, "xlogin:ya^Ib"), &tab);
    EXPECT_EQ(Trigger_Check_Console(&tab, "xlogin:y"), &login);
    EXPECT_EQ(Trigger_Check_Console(&tab, "a\tb login"), nullptr);
    EXPECT_EQ(Trigger_Check_Console(&tab, ""), nullptr);
}

TEST_F(TriggerCallsTest, ProcessIdTriggerMapsThenMovesAndStaysQuietForTheSameThread)
{
    ok("define dup myrrin two; two config cpus 2; define machine two alpha");
    GenericMachine *machine = Quarn_Machine_List;
    ProcessorState *a = GenericMachine__Processor(machine, 0), *b = GenericMachine__Processor(machine, 1);
    ASSERT_TRUE(a && b);
    ok("alpha trigger set pid 42 p");
    EXPECT_EQ(Trigger_PID__Check(machine, &a->threads[0], 42), 1);
    EXPECT_EQ(Trigger_PID__Check(machine, &b->threads[0], 42), 1);
    std::string after_move = calls();
    EXPECT_EQ(after_move, "{{map pid 42 mcm 0 cpu 0 thread 0}} {{unmap pid 42 mcm 0 cpu 0 thread 0}} "
                          "{{map pid 42 mcm 0 cpu 1 thread 0}}");
    EXPECT_EQ(Trigger_PID__Check(machine, &b->threads[0], 42), 1);
    EXPECT_EQ(calls(), after_move);
    // A failing unmap call keeps the old mapping and reports failure.
    ok("proc p {args} { lappend ::calls $args; error no }");
    EXPECT_EQ(Trigger_PID__Check(machine, &a->threads[0], 42), 0);
    ok("proc p {args} { lappend ::calls $args }; set calls {}");
    EXPECT_EQ(Trigger_PID__Check(machine, &a->threads[0], 42), 1);
    EXPECT_EQ(calls(), "{{unmap pid 42 mcm 0 cpu 1 thread 0}} {{map pid 42 mcm 0 cpu 0 thread 0}}");
}

TEST_F(TriggerCallsTest, ErrorListCallbacksCutTheirTextAt255Characters)
{
    ok("trigger set assoc WARNING p");
    // The message closes the call and appends a long word, so the cut shows as that word's length:
    // 255 characters less "p { WARNING \"a\" }; lappend ::calls " (35).
    std::string message = "a\" }; lappend ::calls " + std::string(400, 'm');
    Callback_Run_Message_List(CALLBACK_WARNING, message.c_str());
    EXPECT_EQ(ok("llength $calls"), "2");
    EXPECT_EQ(ok("string length [lindex $calls end]"), "220");
    // An inactive trigger's callback stays registered and idle.
    ok("trigger set assoc WARNING {}; set calls {}");
    Callback_Run_Message_List(CALLBACK_WARNING, "idle");
    EXPECT_EQ(calls(), "");
}

TEST_F(TriggerCallsTest, TlbTriggerCallsItsProcedureOnlyWhileArmed)
{
    ok("define dup myrrin one; one config cpus 1; define machine one alpha");
    TLB *tlb = GenericMachine__Processor(Quarn_Machine_List, 0)->tlb;
    ASSERT_NE(tlb, nullptr);
    const uint64_t pte[2] = {1, 0x5000};
    auto add = [&] { TLB_AddIndexedMapping(tlb, 3, pte, 0x1000, 0, 12, 28, 0, 0); };
    ok("alpha cpu 0 trigger tlb set . p");
    add();
    EXPECT_EQ(ok("llength $calls"), "1");
    EXPECT_EQ(ok("string match {sim alpha mcm 0 cpu 0 tlb 0:0_uTLB op add ea 0x0000000000001000 entry 3 tag 0x* "
                 "lpidr 0 pte {0x0000000000000001 0x0000000000005000}} [lindex $calls 0]"),
              "1");
    ok("alpha cpu 0 trigger tlb disable .");
    add();
    ok("alpha cpu 0 trigger tlb clear .; alpha cpu 0 trigger tlb enable .");
    add();
    EXPECT_EQ(ok("llength $calls"), "1");
}

} // namespace

// The sim-support dispatcher and the small services of its code table; also the associative
// triggers that the guest-services tests set on their machines.
#include <map>
#include <string>

#include "exec/interpreter.h"
#include "runtime/triggers.h"
#include "guestsvc/guest_call.h"
#include "runtime/callbacks.h"
#include "support/sink_capture.h"

// ---- associative triggers of the guest machines ----

namespace
{

std::map<std::string, std::string> defined_triggers;

} // namespace

void Test_Assoc_Define(const char *name, const char *command)
{
    defined_triggers[name] = command;
}

void Test_Assoc_Clear()
{
    defined_triggers.clear();
}

void Test_Assoc_Apply(GenericMachine *machine)
{
    for (const auto &[name, command] : defined_triggers)
        Assoc_Trigger_Set(machine->trigger_table, name.c_str(), command.c_str());
}

// ---- tests ----

namespace
{

class Dispatch : public ::testing::Test
{
  protected:
    void SetUp() override { Test_Assoc_Define("CALLTHRU", "record"); }
    void TearDown() override
    {
        Test_Assoc_Clear();
        Callback_Clear("callthru");
    }
    TclRecorder tcl;
};

TEST_F(Dispatch, CallthruFiresWithTheArgumentsReadBeforeTheService)
{
    GuestCall g;
    ASSERT_TRUE(g.ok());
    // Code 25 does nothing; code 38 writes GPR3 = 0, after the arguments were taken.
    EXPECT_EQ(g.call(25, 0x44, 0x55, 0x66), 1);
    EXPECT_EQ(g.result(), 25);
    EXPECT_EQ(tcl.fired(), "{{ cpu " + std::string(g.t->name) +
                               " code 25 gpr4 0x0000000000000044 gpr5 0x0000000000000055 gpr6 "
                               "0x0000000000000066 }}");
    tcl.clear();
    EXPECT_EQ(g.call(42, 1, 2, 3), 1);
    EXPECT_NE(tcl.fired().find("code 42 gpr4 0x0000000000000001"), std::string::npos);
}

TEST_F(Dispatch, CodesWithoutArgumentReadsNeverFire)
{
    GuestCall g;
    ASSERT_TRUE(g.ok());
    SinkCapture sink;
    for (uint64_t code : {0, 60, 104, 121, 187}) {
        SCOPED_TRACE(code);
        EXPECT_EQ(g.call(code, 0x2000, 0, 0), 1);
    }
    EXPECT_EQ(tcl.fired(), "");
}

int taken_code = -1;
int take_500(IOPDesc *iop, uint64_t code)
{
    if (code != 500) return 0;
    taken_code = (int)code;
    SimSupport_Result(iop, 77);
    return 1;
}

TEST_F(Dispatch, UnservedCodesGoToTheCallbacks)
{
    GuestCall g;
    ASSERT_TRUE(g.ok());
    g.t->PC.value = 0x100;
    // No callback takes 190: GPR3 keeps the code, no trigger, and the call completes.
    EXPECT_EQ(g.call(190, 1, 2, 3), 1);
    EXPECT_EQ(g.result(), 190);
    EXPECT_EQ(tcl.fired(), "");
    Callback_register_callthru(1, "test", reinterpret_cast<CallbackFunction>(take_500), nullptr);
    EXPECT_EQ(g.call(500), 1);
    EXPECT_EQ(taken_code, 500);
    EXPECT_EQ(g.result(), 77);
    EXPECT_NE(tcl.fired().find("code 500"), std::string::npos);
    // A code of the callback group is offered like one above 189.
    EXPECT_EQ(g.call(1), 1);
    EXPECT_EQ(g.result(), 1);
}

TEST(SupportInstruction, AdvancesOnlyWhenEnabledAndCompleted)
{
    GuestCall g;
    ASSERT_TRUE(g.ok());
    g.gpr(3) = 42;
    EXPECT_EQ(g.iop->row->semantic(g.iop), 1);
    EXPECT_EQ(g.result(), 0x1000202);
    EXPECT_EQ(g.t->PC.value, 0x104u);
    g.m.machine->enable_sim_support = 0;
    g.gpr(3) = 42;
    EXPECT_EQ(g.iop->row->semantic(g.iop), 0);
    EXPECT_EQ(g.result(), 42);
    EXPECT_EQ(g.t->PC.value, 0x104u);
    EXPECT_NE(g.iop->exceptions, nullptr);
}

TEST(SimSupportCodes, InterruptWordsAndCounts)
{
    GuestCall g;
    ASSERT_TRUE(g.ok());
    z93_pending_IPIs = 0;
    g.call(65, 40);
    EXPECT_EQ(z93_pending_IPIs, 0u);
    g.call(65, 0);
    EXPECT_EQ(z93_pending_IPIs, 0x80000000u);
    z93_pending_IPIs = 0;

    // Levels: mask 3 and 7 pending, raise 3 then 7; take gives 3 (lowest number first), then 7,
    // then none; EOI of 3 frees it to be taken again.
    pending_external_mask = pending_external_interrupts = temp_external_mask = 0;
    g.call(12, 0x11000000);
    g.call(13, 0x11000000);
    g.call(11);
    EXPECT_EQ(g.result(), 3);
    g.call(11);
    EXPECT_EQ(g.result(), 7);
    g.call(11);
    EXPECT_EQ(g.result(), -1);
    g.call(21, 3);
    g.call(11);
    EXPECT_EQ(g.result(), 3);
    pending_external_mask = pending_external_interrupts = temp_external_mask = 0;

    g.call(67);
    EXPECT_EQ(g.result(), 1);
    g.call(68, 1);
    EXPECT_EQ((uint64_t)g.result(), g.m.machine->total_memory);
}

TEST(SimSupportCodes, ErrorsStopTheRunAndAnswerMinusOne)
{
    GuestCall g;
    ASSERT_TRUE(g.ok());
    SinkCapture sink;
    EXPECT_EQ(g.call(68, 2), 1);
    EXPECT_EQ(g.result(), -1);
    EXPECT_NE(stop_simulation & STOP_QUARN_ERROR, 0u);
    EXPECT_NE(sink.text().find("FATAL ERROR: simulator: error: unknown mcm attribute request"),
              std::string::npos);
    Start_The_Simulation();
    // The unsupported services complete with -1 so that the guest is never stuck on the call.
    for (uint64_t code : {20, 110, 114}) {
        EXPECT_EQ(g.call(code), 1);
        EXPECT_EQ(g.result(), -1);
    }
    EXPECT_EQ(stop_simulation, 0u);
    g.call(31);
    EXPECT_NE(stop_simulation & STOP_SIM_SUPPORT_EXIT, 0u);
}

TEST(SimSupportCodes, PrintsAndTclEvaluation)
{
    GuestCall g;
    ASSERT_TRUE(g.ok());
    TclRecorder tcl;
    SinkCapture sink;
    g.call(183, (uint64_t)-2);
    g.put_string(0x2000, "label");
    g.gpr(0) = 0;
    g.call(85, 0x2000, 5);
    EXPECT_EQ(sink.text(), "GPR4 contents = 0xFFFFFFFFFFFFFFFE, -2\nLOG-STATS: label:5 : INSTS:0\n");
    g.put_string(0x3000, "set ::gx 7; this part is cut off");
    EXPECT_EQ(g.call(86, 0x3000, 10), 1);
    EXPECT_EQ(g.result(), 1);
    EXPECT_STREQ(Tcl_GetVar(tcl.interp, "gx", TCL_GLOBAL_ONLY), "7");
    g.put_string(0x3000, "error boom");
    g.call(86, 0x3000, 10);
    EXPECT_EQ(g.result(), 0);
}

} // namespace

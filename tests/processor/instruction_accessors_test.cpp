// The instruction-level accessors: register triggers fired or deferred around reads and writes,
// and the hand-written instruction-level readers.
#include <gtest/gtest.h>
#include <tcl.h>

#include <string>

#include "decode/decoder.h"
#include "decode/instr_tables.h"
#include "processor/regs/handwritten_accessors.h"
#include "register_fixture.h"
#include "runtime/common.h"

namespace
{

ThreadState *current_thread = nullptr;

// "lr" returns the LR slot of the current thread, as the register stands when a trigger runs.
int LrCommand(ClientData, Tcl_Interp *interp, int, Tcl_Obj *const[])
{
    Tcl_SetObjResult(interp, Tcl_NewWideIntObj((Tcl_WideInt)current_thread->LR.value));
    return TCL_OK;
}

class InstructionAccessors : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        interp = Tcl_CreateInterp();
        quarn_common.interpreter = interp;
        // Each firing appends its arguments and the LR seen at that moment to ::fired.
        Tcl_Eval(interp, "set ::fired {}; proc record {args} { lappend ::fired [list $args [lr]] }");
        Tcl_CreateObjCommand(interp, "lr", LrCommand, nullptr, nullptr);
    }
    void TearDown() override
    {
        quarn_common.interpreter = nullptr;
        Tcl_DeleteInterp(interp);
    }
    std::string fired() { return Tcl_GetVar(interp, "fired", TCL_GLOBAL_ONLY); }
    void clear() { Tcl_SetVar(interp, "fired", "", TCL_GLOBAL_ONLY); }
    Tcl_Interp *interp = nullptr;
};

TEST_F(InstructionAccessors, ReadTriggersFireOrAreNotedWhileInFlight)
{
    TestCore fixture(2);
    fixture.build();
    ThreadState *t = fixture.thread(1);
    current_thread = t;
    t->SRR0.value = 0x700;
    Attach_Read_Trigger(&t->SRR0.trigger, "SRR0", "record");

    IOPDesc *iop = fixture.iop(1);
    EXPECT_EQ(iGET_SRR0(iop), 0x700u);
    EXPECT_EQ(fired(), "{{mcm 0 cpu 0 thread 1 reg SRR0 val 0x0000000000000700} 0}");
    EXPECT_EQ(iop->deferred_triggers, 0);

    clear();
    IOPDesc *in_flight = fixture.iop(1);
    in_flight->defer_side_effects = 1;
    EXPECT_EQ(iMFGET_SRR0(in_flight), 0x700u);
    EXPECT_EQ(fired(), "");
    EXPECT_EQ(in_flight->deferred_triggers, DEFERRED_READ_TRIGGER);

    // A register without triggers, or with only disabled ones, costs no trigger work.
    EXPECT_EQ(iGET_SRR1(in_flight), 0u);
    Reg_Trigger_List_Clear(&t->SRR0.trigger->enabled_read);
    EXPECT_EQ(iGET_SRR0(iop), 0x700u);
    EXPECT_EQ(fired(), "");
}

TEST_F(InstructionAccessors, WriteTriggersRunBeforeTheRegisterChanges)
{
    TestCore fixture(1);
    fixture.set("processor/mask/LR", "0xFFFFFFFFFFFFFFFC");
    fixture.build();
    ThreadState *t = fixture.thread();
    current_thread = t;
    t->LR.value = 0x1000;
    Attach_Write_Trigger(&t->LR.trigger, "LR", "record", 0xFF);
    IOPDesc *iop = fixture.iop();

    iSET_LR(iop, 0x2000); // no masked bit changes
    EXPECT_EQ(fired(), "");
    EXPECT_EQ(t->LR.value, 0x2000u);

    iSET_LR(iop, 0x2013);
    EXPECT_EQ(fired(), "{{mcm 0 cpu 0 thread 0 reg LR val 0x0000000000002013 old 0x0000000000002000} 8192}");
    EXPECT_EQ(t->LR.value, 0x2010u); // masked after the trigger ran
    EXPECT_EQ(t->LR.written, 1);

    clear();
    Attach_Write_Trigger(&t->CTR.trigger, "CTR", "record", 0, ~0ull, 5);
    iSET_CTR(iop, 4);
    EXPECT_EQ(fired(), "");
    iSET_CTR(iop, 5);
    iSET_CTR(iop, 5); // a match fires each time the value is written
    EXPECT_EQ(fired(),
              "{{mcm 0 cpu 0 thread 0 reg CTR val 0x0000000000000005 match 0x0000000000000005} 8208} "
              "{{mcm 0 cpu 0 thread 0 reg CTR val 0x0000000000000005 match 0x0000000000000005} 8208}");

    clear();
    IOPDesc *in_flight = fixture.iop();
    in_flight->defer_side_effects = 1;
    iSET_LR(in_flight, 0x3000);
    EXPECT_EQ(fired(), "");
    EXPECT_EQ(in_flight->deferred_triggers, DEFERRED_WRITE_TRIGGER);
    EXPECT_EQ(t->LR.value, 0x3000u); // written all the same
}

TEST_F(InstructionAccessors, WriteTriggerWithoutOldValueAndDirectFiring)
{
    TestCore fixture(1);
    fixture.build();
    ThreadState *t = fixture.thread();
    current_thread = t;
    Attach_Write_Trigger(&t->GPR[3].trigger, "gpr:3", "record", ~0ull);
    IOPDesc *iop = fixture.iop();
    Invoke_Reg_Write_Triggers(iop, t->GPR[3].trigger, nullptr, 0); // no old value: new AND mask is 0
    EXPECT_EQ(fired(), "");
    Invoke_Reg_Write_Triggers(iop, t->GPR[3].trigger, nullptr, 9);
    EXPECT_EQ(fired(), "{{mcm 0 cpu 0 thread 0 reg gpr:3 val 0x0000000000000009} 0}");
    clear();
    uint64_t same = 9;
    Invoke_Reg_Write_Triggers(iop, t->GPR[3].trigger, &same, 9); // a WRITE trigger needs a change
    EXPECT_EQ(fired(), "");
}

TEST_F(InstructionAccessors, CountersFireNoTriggers)
{
    TestCore fixture(1);
    fixture.set("processor/mask/PMC3", "0x7FFFFFFF");
    fixture.build();
    ThreadState *t = fixture.thread();
    current_thread = t;
    Attach_Read_Trigger(&t->PMC3.trigger, "PMC3", "record");
    Attach_Write_Trigger(&t->PMC3.trigger, "PMC3", "record", ~0ull);
    IOPDesc *iop = fixture.iop();
    iSET_PMC3(iop, 0xFFFFFFFF);
    EXPECT_EQ(t->PMC3.value, 0x7FFFFFFFu);
    EXPECT_EQ(iGET_PMC3(iop), 0x7FFFFFFFu);
    EXPECT_EQ(fired(), "");
}

TEST_F(InstructionAccessors, GprOperandsFromTheSlotsSkipTriggers)
{
    TestCore fixture(1);
    fixture.build();
    ThreadState *t = fixture.thread();
    current_thread = t;
    t->GPR[4].value = 44;
    t->GPR[5].value = 55;
    Attach_Read_Trigger(&t->GPR[5].trigger, "gpr:5", "record");
    IOPDesc *iop = fixture.iop();
    iop->use_slots = 1;
    iop->operand_slot1[0] = 111;
    iop->operand_slot2[0] = 222;
    EXPECT_EQ(Read_GPR_RA_Operand(iop, 4), 111u);
    EXPECT_EQ(Read_GPR_RB_Operand(iop, 5), 222u);
    EXPECT_EQ(fired(), "");
    iop->use_slots = 0;
    EXPECT_EQ(Read_GPR_RA_Operand(iop, 4), 44u);
    EXPECT_EQ(Read_GPR_RB_Operand(iop, 5), 55u);
    EXPECT_EQ(fired(), "{{mcm 0 cpu 0 thread 0 reg gpr:5 val 0x0000000000000037} 0}");
}

TEST_F(InstructionAccessors, BranchHistoryFilter)
{
    ASSERT_NE(SelectDecoder("Ervik"), nullptr);
    TestCore fixture(1);
    fixture.build();
    ThreadState *t = fixture.thread();
    struct Case {
        uint32_t mode;
        uint32_t word;
        int filtered;
        uint32_t target_only;
    } cases[] = {
        {0, 0x48000000, 0, 0}, // b: every branch recorded
        {1, 0x48000000, 1, 0}, // b without link
        {1, 0x48000001, 0, 0}, // bl
        {1, 0x4E800020, 1, 0}, // blr has no link
        {2, 0x48000001, 1, 0}, // I-form
        {2, 0x42800000, 1, 0}, // bc BO 0x14
        {2, 0x41820000, 0, 0}, // bc BO 0x0C
        {2, 0x4E800020, 0, 1}, // bclr BO 0x14: target only
        {2, 0x4D820020, 1, 0}, // bclr BO 0x0C
        {3, 0x42800000, 1, 0}, // bc, BO test holds
        {3, 0x40800000, 0, 0}, // bc BO 0x04
        {3, 0x4E800020, 0, 1}, // bclr BO 0x14
        {3, 0x4C800020, 0, 0}, // bclr BO 0x04
        {3, 0x7C0802A6, 1, 0}, // not a branch form
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(::testing::Message() << "mode " << c.mode << " word " << std::hex << c.word);
        IOPDesc *iop = fixture.iop();
        iop->word = c.word;
        iop->row = Processor_Decode_Instruction(nullptr, c.word);
        t->MMCRA.value = (uint64_t)c.mode << 30;
        uint32_t target_only = 7;
        EXPECT_EQ(BHRB_Field_Filtered(iop, c.word & 1, &target_only) != 0, c.filtered != 0);
        EXPECT_EQ(target_only, c.target_only);
    }
}

TEST_F(InstructionAccessors, ReadersOverOtherRegisters)
{
    TestCore fixture(3, 1);
    fixture.build();
    ThreadState *t = fixture.thread(0);
    current_thread = t;
    IOPDesc *iop = fixture.iop(0);

    for (int n : {0, 8, 3, 11}) {
        int bit = 47 - (n & 3);
        fixture.core->HID1.value = 1ull << bit;
        EXPECT_EQ(ENABLED_IMA_WRITE(iop, n), 0) << n;
        fixture.core->HID1.value = ~(1ull << bit);
        EXPECT_EQ(ENABLED_IMA_WRITE(iop, n), 1) << n;
    }

    t->MMCR0.value = 0xC0000ull | 0x30000ull;
    EXPECT_EQ(Get_MMCR0_Bits_18_19(iop), 3u);

    fixture.split(0, 1);
    fixture.view(1)->LPIDR.value = 12;
    Attach_Read_Trigger(&fixture.view(1)->LPIDR.trigger, "LPIDR", "record");
    EXPECT_EQ(Fetch_LPIDR(iop), 12u);
    EXPECT_EQ(fired(), "{{mcm 0 cpu 0 thread 0 reg LPIDR val 0x000000000000000C} 0}");

    for (int i : {0, 1}) { // the executing thread and its sibling run
        fixture.thread(i)->x_threadState = CPU_RUNNING;
        fixture.thread(i)->x_smt_enable = 1;
    }
    EXPECT_EQ(Select_Available_Assist_Thread(iop), fixture.thread(2));
    t->APSCR.value = 0x100000000ull;
    EXPECT_EQ(Select_Available_Assist_Thread(iop), nullptr);
    t->APSCR.value = 0;
    t->is_assist_thread = 1;
    EXPECT_EQ(Select_Available_Assist_Thread(iop), nullptr);
}

TEST_F(InstructionAccessors, ProgramCounterWriteAndNextAddress)
{
    TestCore fixture(1);
    fixture.build();
    ThreadState *t = fixture.thread();
    current_thread = t;
    t->PC.value = 0x100;
    IOPDesc *iop = fixture.iop();
    EXPECT_EQ(iGET_NEXT_PC(iop), 0x104u);

    t->MSR.value = 0; // 32-bit mode: the address is cut
    iSET_PC(iop, 0x1234567890ull);
    EXPECT_EQ(t->PC.value, 0x34567890u);
    EXPECT_EQ(t->next_pc, 0x34567890u);
    EXPECT_EQ(t->CFAR.value, 0x100u);

    IOPDesc *in_flight = fixture.iop();
    in_flight->defer_side_effects = 1;
    in_flight->fetch.ea = 0x800;
    EXPECT_EQ(iGET_NEXT_PC(in_flight), 0x804u);
    t->MSR.value = 0x8000000000000000ull;
    iSET_PC(in_flight, 0x1234567890ull);
    EXPECT_EQ(in_flight->next_address, 0x1234567890ull);
    EXPECT_EQ(t->PC.value, 0x34567890u); // the thread's PC is the core's business then
    EXPECT_EQ(t->CFAR.value, 0x800u);
}

} // namespace

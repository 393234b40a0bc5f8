// The semantic-routine convention: the next-instruction advance, the register path under
// no-side-effects, CR0 and FXCC, the invalid-form and 64-bit gates, held locks, the lazy MSR
// text, the stub routines and the VSR target write.
#include "exec_word.h"
#include "decode/semantics.h"
#include "isa/semantics_helpers.h"
#include "processor/regs/iop_registers.h"
#include "processor/regs/shared_msr_text.h"
#include "runtime/stop.h"
#include "support/sink_capture.h"

namespace
{

constexpr uint32_t ADD_R3_R4_R5 = 0x7C642A14;
constexpr uint32_t ADD_DOT_R3_R4_R5 = 0x7C642A15;
constexpr uint32_t STWCX_DOT = 0x7C00012D;

TEST(Convention, AdvanceWrapsAt4GBIn32BitMode)
{
    struct Case {
        bool mode64;
        uint64_t pc, next;
    } cases[] = {
        {false, 0xFFFFFFFC, 0},
        {true, 0xFFFFFFFC, 0x100000000},
        {false, 0x1000, 0x1004},
    };
    for (const Case &c : cases) {
        ExecWord ew;
        if (!c.mode64) ew.mode32();
        ew.t->PC.value = c.pc;
        EXPECT_EQ(ew.run(ADD_R3_R4_R5), 1);
        EXPECT_EQ(ew.t->PC.value, c.next);
        EXPECT_EQ(ew.t->next_pc, c.next);
        EXPECT_EQ(ew.t->PC.written, 1);
    }
}

TEST(Convention, WithoutSideEffectsTriggersAreOnlyNotedAndThePcStays)
{
    TclRecorder tcl;
    ExecWord ew;
    ew.gpr(4) = 7;
    ew.gpr(5) = 8;
    Attach_Read_Trigger(&ew.t->GPR[4].trigger, "GPR4", "record");

    IOPDesc *iop = ew.prepare(ADD_R3_R4_R5);
    iop->defer_side_effects = 1;
    ew.t->next_pc = 0x1234;
    EXPECT_EQ(iop->row->semantic(iop), 1);
    EXPECT_EQ(ew.gpr(3), 15u);
    EXPECT_EQ(ew.t->PC.value, 0x1000u);
    EXPECT_EQ(ew.t->next_pc, 0x1234u);
    EXPECT_EQ(iop->deferred_triggers, DEFERRED_READ_TRIGGER);
    EXPECT_EQ(tcl.fired(), "");

    EXPECT_EQ(ew.run(ADD_R3_R4_R5), 1);
    EXPECT_EQ(ew.iop->deferred_triggers, 0);
    EXPECT_EQ(tcl.fired(), "{mcm 0 cpu 0 thread 0 reg GPR4 val 0x0000000000000007}");
}

TEST(Convention, SetCr0ComparesByModeAndAddsSo)
{
    struct Case {
        bool mode64;
        uint64_t value;
        bool so;
        uint32_t cr0;
    } cases[] = {
        {false, 0xFFFFFFFF00000000, false, CR_EQ},
        {true, 0xFFFFFFFF00000000, false, CR_LT},
        {false, 0x0000000080000000, false, CR_LT},
        {true, 0x0000000080000000, false, CR_GT},
        {true, 5, true, CR_GT | CR_SO},
        {true, 0, true, CR_EQ | CR_SO},
        {false, 0x80000000, true, CR_LT | CR_SO},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(::testing::Message() << c.mode64 << " " << std::hex << c.value);
        ExecWord ew;
        if (!c.mode64) ew.mode32();
        ew.xer() = c.so ? XER_SO : 0;
        ew.cr() = 0x0ABCDEF1;
        IOPDesc *iop = ew.prepare(ADD_DOT_R3_R4_R5);
        SET_CR0(iop, c.value, 0);
        EXPECT_EQ(ew.cr(), (c.cr0 << 28) | 0x0ABCDEF1);
        EXPECT_EQ(ew.t->CR.bits_written.mask, 0xF0000000u);
        EXPECT_EQ(ew.t->XER.bits_read.mask, XER_SO);
        EXPECT_EQ(ew.xer(), c.so ? XER_SO : 0); // tags inactive: no FXCC for add.
    }
}

TEST(Convention, FxccFollowsTheRowTagsAndOptions)
{
    struct Case {
        uint32_t word;
        bool field_in_xer, always, tags;
        bool written;
    } cases[] = {
        {STWCX_DOT, true, false, false, true},         {STWCX_DOT, false, false, false, false},
        {ADD_DOT_R3_R4_R5, true, false, false, false}, {ADD_DOT_R3_R4_R5, true, true, false, true},
        {ADD_DOT_R3_R4_R5, true, false, true, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(::testing::Message()
                     << std::hex << c.word << " " << c.field_in_xer << c.always << c.tags);
        ExecWord ew;
        ew.option(PO_FXCC_FIELD_IN_XER, c.field_in_xer);
        ew.option(PO_FXCC_ALWAYS_SET, c.always);
        if (c.tags) ew.t->MSR.value |= MSR_TA;
        ew.xer() = XER_SO | 0x01000000; // FXCC's SO position set: a write clears it
        SET_CR0(ew.prepare(c.word), (uint64_t)-1, 0);
        EXPECT_EQ(ew.cr() >> 28, CR_LT | CR_SO);
        EXPECT_EQ(ew.xer(), c.written ? XER_SO | 0x08000000 : XER_SO | 0x01000000);
        EXPECT_EQ(ew.t->XER.bits_written.valid != 0, c.written);
    }
}

TEST(Convention, InvalidFormAndSixtyFourBitGates)
{
    ExecWord ew;
    IOPDesc *iop = ew.prepare(ADD_R3_R4_R5);
    EXPECT_EQ(Invalid_Form(iop, "reason"), 0);
    EXPECT_EQ(ew.raised(), nullptr);
    EXPECT_EQ(Invalid_Form(nullptr, "reason"), 0);
    ew.option(PO_INVALID_FORMS_ARE_ILLEGAL);
    EXPECT_EQ(Invalid_Form(iop, "reason"), 1);
    ASSERT_NE(ew.raised(), nullptr);
    EXPECT_EQ(ew.raised()->type, 28);
    EXPECT_EQ(ew.raised()->subtype, 221);

    struct Case {
        bool option, mode64;
        int allowed;
    } cases[] = {{false, false, 1}, {false, true, 1}, {true, true, 1}, {true, false, 0}};
    for (const Case &c : cases) {
        ExecWord gate;
        gate.option(PO_NO_64BIT_OPS_IN_32BIT_MODE, c.option);
        if (!c.mode64) gate.mode32();
        EXPECT_EQ(check_64bit_op_ok(gate.prepare(ADD_R3_R4_R5)), c.allowed);
        if (c.allowed) {
            EXPECT_EQ(gate.raised(), nullptr);
        } else {
            ASSERT_NE(gate.raised(), nullptr);
            EXPECT_EQ(gate.raised()->subtype, 220); // unimplemented instruction
        }
    }
}

TEST(Convention, HeldLocks)
{
    ExecWord ew;
    ThreadState *t = ew.t;
    for (uint64_t a : {0xA0, 0xB0, 0xC0, 0xD0, 0xE0})
        Record_a_successful_lock(t, a);
    EXPECT_EQ(t->held_lock_count, 4); // the fifth is not recorded
    Check_lock_release(t, 0xE0);
    EXPECT_EQ(t->held_lock_count, 4);
    Check_lock_release(t, 0xD0);
    Check_lock_release(t, 0xB0);
    ASSERT_EQ(t->held_lock_count, 2);
    EXPECT_EQ(t->held_locks[0], 0xA0u);
    EXPECT_EQ(t->held_locks[1], 0xC0u);
    Check_lock_release(t, 0xA0);
    Check_lock_release(t, 0xC0);
    EXPECT_EQ(t->held_lock_count, 0);
    Check_lock_release(t, 0xC0);
    EXPECT_EQ(t->held_lock_count, 0);
}

TEST(Convention, MsrReadsNoteTheSharedTextRenderedWhenRead)
{
    ExecWord ew;
    ew.t->MSR.value = MSR_SF | MSR_HV | MSR_ME;
    iGET_MSR(ew.iop);
    char expected[MSR_TEXT_SIZE];
    EXPECT_STREQ(Shared_MSR_Text(), Prepare_MSR(expected, MSR_SF | MSR_HV | MSR_ME));
    ew.mode32();
    EXPECT_EQ(ew.run(ADD_R3_R4_R5), 1); // the advance reads the MSR
    EXPECT_STREQ(Shared_MSR_Text(), Prepare_MSR(expected, MSR_HV | MSR_ME));
    // The inline read notes like iGET_MSR: back to the first value, read again unchanged.
    ew.t->MSR.value = MSR_SF | MSR_HV | MSR_ME;
    EXPECT_EQ(IOP_Read_MSR(ew.iop), MSR_SF | MSR_HV | MSR_ME);
    EXPECT_STREQ(Shared_MSR_Text(), Prepare_MSR(expected, MSR_SF | MSR_HV | MSR_ME));
    EXPECT_EQ(IOP_Read_MSR(ew.iop), MSR_SF | MSR_HV | MSR_ME);
    EXPECT_STREQ(Shared_MSR_Text(), Prepare_MSR(expected, MSR_SF | MSR_HV | MSR_ME));
}

TEST(Convention, StubRoutines)
{
    ExecWord ew;
    EXPECT_EQ(ew.run(0x24000000 | (1 << 21)), 0); // emask
    ASSERT_NE(ew.raised(), nullptr);
    EXPECT_EQ(ew.raised()->subtype, 221);
    EXPECT_EQ(ew.t->PC.value, 0x1000u);

    for (int (*routine)(IOPDesc *) :
         {semantic_stmprofile, semantic_wclr, semantic_wchkall, semantic_ldawx_dot}) {
        IOPDesc *iop = ew.prepare(0);
        EXPECT_EQ(routine(iop), 0);
        EXPECT_NE(iop->exceptions, nullptr);
    }
    IOPDesc *iop = ew.prepare(0);
    EXPECT_EQ(semantic_rfgi(iop), 0);
    EXPECT_EQ(semantic_ehpriv(iop), 1);
    EXPECT_EQ(iop->exceptions, nullptr);
    EXPECT_EQ(ew.t->PC.value, 0x1000u);
}

TEST(Convention, VsrTargetWrite)
{
    ExecWord ew;
    IOPDesc *iop = ew.prepare((60u << 26) | (3u << 21) | 1); // T = 3 + 32
    IOP_Write_VSR_T(iop, 0x1111, 0x2222);
    EXPECT_EQ(ew.t->VSR[35].value[1], 0x1111u);
    EXPECT_EQ(ew.t->VSR[35].value[0], 0x2222u);

    iop = ew.prepare((60u << 26) | (4u << 21));
    iop->use_slots = 1;
    iop->time_stamp = 77;
    iop->result_gpr2.pending = 1;
    IOP_Write_VSR_T(iop, 0x3333, 0x4444);
    EXPECT_EQ(iop->result_gpr2.value[0], 0x3333u);
    EXPECT_EQ(iop->result_gpr2.value[1], 0x4444u);
    EXPECT_EQ(iop->result_gpr2.ready_time, 77u);
    EXPECT_EQ(iop->result_gpr2.pending, 0); // released
    EXPECT_EQ(ew.t->VSR[4].value[0], 0u);
}

} // namespace

// The reset of a processor and its threads and the standalone initial state.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "processor/records/exception_record.h"
#include "processor/records/generic_machine.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "processor/regs/msr_rules.h"
#include "processor/regs/processor_reset.h"
#include "processor/regs/register_file.h"
#include "runtime/common.h"
#include "support/built_machine.h"

namespace
{

ProcessorState *core_of(BuiltMachine &m, int n = 0)
{
    return m.machine ? GenericMachine__Processor(m.machine, n) : nullptr;
}

// Initial values of 0x1FF under masks of 0xF: the reset masks them except where it stores the
// initial value as it is.
TEST(Reset, InitialValuesAreMaskedExceptForTheUnmaskedRegisters)
{
    BuiltMachine m("masked", [](BuiltMachine &b) {
        for (const char *name : {"DAR", "GPR3", "BHRBE2", "FPR_INVALID_MAP", "SRR0", "HID1", "IMA9", "CR",
                                 "PMCR", "SDR1", "L2QOSR", "TIDR"}) {
            b.set((std::string("processor/initial/") + name).c_str(), "0x1FF");
            b.set((std::string("processor/mask/") + name).c_str(), "0xF");
        }
    });
    ProcessorState *core = core_of(m);
    ASSERT_NE(core, nullptr);
    ThreadState *t = &core->threads[2];
    const struct {
        const char *name;
        uint64_t value;
        uint64_t expected;
    } rows[] = {
        {"DAR", t->DAR.value, 0xF},           {"SRR0", t->SRR0.value, 0xF},
        {"TIDR", t->TIDR.value, 0xF},         {"CR", t->CR.value, 0xF},
        {"HID1", core->HID1.value, 0xF},      {"IMA9", core->IMA9.value, 0xF},
        {"PMCR", core->PMCR.value, 0xF},      {"SDR1", core->SDR1.value, 0xF},
        {"L2QOSR", core->L2QOSR.value, 0xF},  {"GPR3", t->GPR[3].value, 0x1FF},
        {"BHRBE2", t->BHRBE[2].value, 0x1FF}, {"FPR_INVALID_MAP", t->FPR_INVALID_MAP.value, 0x1FF},
    };
    for (const auto &row : rows)
        EXPECT_EQ(row.value, row.expected) << row.name;
    EXPECT_EQ(t->BHRBE[2].rfe->defined, 1);
    EXPECT_EQ(t->BHRBE[3].rfe->defined, 0);
    EXPECT_EQ(t->DAR.rfe->desc->initial, 0x1FFu); // descriptions keep the value
}

TEST(Reset, WrittenFlagsOfTheUnflaggedRegistersAreKept)
{
    BuiltMachine m("flags");
    ProcessorState *core = core_of(m);
    ASSERT_NE(core, nullptr);
    ThreadState *t = &core->threads[0];
    Reg64 *flagged64[] = {&t->FPSCR, &t->FPSCR_CHANGE, &t->GPR[0], &t->GPR[31], &core->IMA0, &core->IMA12};
    Reg32 *flagged32[] = {&t->CR, &t->VSCR, &t->VSCR_CHANGE};
    for (int written : {0, 1}) {
        for (Reg64 *r : flagged64)
            r->written = written;
        for (Reg32 *r : flagged32)
            r->written = written;
        t->DAR.written = 0;
        core->HID4.written = 0;
        t->PIR.written = 0;
        t->PC.written = 0;
        Processor_Reset(core);
        for (Reg64 *r : flagged64)
            EXPECT_EQ(r->written, written);
        for (Reg32 *r : flagged32)
            EXPECT_EQ(r->written, written);
        EXPECT_EQ(t->DAR.written, 1);
        EXPECT_EQ(core->HID4.written, 1);
        EXPECT_EQ(t->PIR.written, 1);
        EXPECT_EQ(t->PC.written, 1);
    }
}

TEST(Reset, PirTakesTheThreadNumber)
{
    BuiltMachine m("pir", [](BuiltMachine &b) { b.set("processor/mask/PIR", "0xFF"); });
    ProcessorState *core = core_of(m);
    ASSERT_NE(core, nullptr);
    core->threads[0].PIR.rfe->desc->initial = 0x10; // one description for every thread
    Processor_Reset(core);
    EXPECT_EQ(core->threads[3].PIR.value, 0x13u);
    EXPECT_EQ(core->threads[0].PIR.value, 0x10u);
    core->threads[0].PIR.rfe->desc->initial = 0x1F0;
    Processor_Reset(core);
    EXPECT_EQ(core->threads[7].PIR.value, 0xF7u);
}

TEST(Reset, MsrAndPcFollowTheirInitialRules)
{
    BuiltMachine m("msr", [](BuiltMachine &b) { b.set("processor/mask/MSR", "0xFFFFFFFFFFFFFFFF"); });
    ProcessorState *core = core_of(m);
    ASSERT_NE(core, nullptr);
    ThreadState *t = &core->threads[1];
    EXPECT_EQ(t->MSR.value, 0x9000000000000000ull);
    EXPECT_EQ(t->PC.value, 0x100u);
    EXPECT_EQ(t->pc_initial, 0x100u);

    // ME from an SRR0 with bits 0x30000, kept by the next reset.
    t->SRR0.value = 0x10000;
    Set_Initial_MSR(t);
    Processor_Reset(core);
    EXPECT_EQ(t->MSR.value, 0x9000000000001000ull);
    // With MSR[IP] the PC starts at 0xFFF00100.
    t->MSR.value |= 0x40;
    Set_Initial_PC(t);
    Processor_Reset(core);
    EXPECT_EQ(t->PC.value, 0xFFF00100u);
    EXPECT_EQ(t->next_pc, 0xFFF00100u);
}

TEST(Reset, StandaloneThreadsGetTheirOwnInitialState)
{
    int saved = standalone_mode;
    {
        BuiltMachine m("standalone", [](BuiltMachine &b) {
            b.set("standalone_app", "on");
            b.set("processor/initial/GPR5", "7");
            b.set("processor/initial/LPCR", "0x20");
        });
        ProcessorState *core = core_of(m);
        ASSERT_NE(core, nullptr);
        ThreadState *t = &core->threads[0];
        EXPECT_EQ(t->MSR.value, 0x9000000002802000ull);
        EXPECT_EQ(t->GPR[5].value, 0u);
        EXPECT_EQ(t->LPCR.value, 0u);
        EXPECT_EQ(t->FPSCR.rfe->desc->initial, 0u); // round to nearest

        // FP, VEC and VSX reach the MSR at once; the FPSCR takes effect at the next reset.
        t->MSR.value = 0x8000000000000000ull;
        t->FPSCR.value = 0x80000000;
        ThreadState__SetStandaloneModeInitialState(t);
        EXPECT_EQ(t->MSR.value, 0x8000000002802000ull);
        EXPECT_EQ(t->FPSCR.rfe->desc->initial, 0xFFFFFFFF80000000ull);
        EXPECT_EQ(t->FPSCR.value, 0x80000000u);
        GenericMachine__SetInitialState(m.machine);
        EXPECT_EQ(t->FPSCR.value & 0xFFFFFFFFull, 0x80000000u);
        EXPECT_EQ(t->MSR.value, 0x8000000002802000ull);
    }
    standalone_mode = saved;
}

TEST(Reset, OnlyInterruptsHeldByAnInterruptLineStayQueued)
{
    BuiltMachine m("queue");
    ProcessorState *core = core_of(m);
    ASSERT_NE(core, nullptr);
    ThreadState *t = &core->threads[4];
    std::vector<PowerPCException *> queued;
    for (int i = 0; i < 4; i++) {
        PowerPCException *e = GetException(t);
        e->type = 10 + i;
        e->persistent = i == 2; // the external interrupt line holds this one
        e->prev = queued.empty() ? nullptr : queued.back();
        if (!queued.empty()) queued.back()->next = e;
        queued.push_back(e);
    }
    t->interrupt_queue.head = queued[0];
    t->pending_HDEC = 1;
    t->wake_send_pending = 1;
    Processor_Reset(core);
    ASSERT_EQ(t->interrupt_queue.head, queued[2]);
    EXPECT_EQ(queued[2]->next, nullptr);
    EXPECT_EQ(queued[2]->prev, nullptr);
    EXPECT_STREQ(t->interrupt_queue.name, "active interrupt queue");
    EXPECT_EQ(t->interrupt_queue.mcm, t->mcm);
    EXPECT_EQ(t->pending_HDEC, 0u);
    EXPECT_EQ(t->wake_send_pending, 0u);
    // The dropped records went back to the thread's pool.
    int pooled = 0;
    for (PowerPCException *e = t->exception_pool; e; e = e->next)
        pooled += e == queued[0] || e == queued[1] || e == queued[3];
    EXPECT_EQ(pooled, 3);
    t->interrupt_queue.head = nullptr;
    FreeException(queued[2], __FILE__, __LINE__);
}

TEST(Reset, SlbAndProcessorStateAreCleared)
{
    BuiltMachine m("slb");
    ProcessorState *core = core_of(m);
    ASSERT_NE(core, nullptr);
    ThreadState *t = &core->threads[0];
    uint64_t esid = 0x12345000ull | 0x8000000ull;
    t->slb[5].SLBE.rfe->desc->generic_write(t->slb[5].SLBE.rfe, &esid, nullptr);
    t->slb[5].SLBE.written = 1;
    ASSERT_EQ(t->slb[5].valid, 1);
    core->tfmr_per_processor = 0x1234;
    core->x_cpuState = CPU_RUNNING;
    Processor_Reset(core);
    EXPECT_EQ(t->slb[5].valid, 0);
    EXPECT_EQ(t->slb[5].esid_base, 0u);
    EXPECT_EQ(t->slb[5].SLBE.value, 0u);
    EXPECT_EQ(t->slb[5].SLBE.written, 1); // written flags stay
    EXPECT_EQ(core->tfmr_per_processor, 0u);
    EXPECT_EQ(core->x_cpuState, (uint32_t)CPU_NOT_BOOTED);
    EXPECT_EQ(t->decrementer->value, 0x7FFFFFFF);
    EXPECT_EQ(core->hdec_value, 0x7FFFFFFF);
    EXPECT_EQ(t->x_smt_priority, 4);
    // The configured PVR ends up in the PVR whatever the description says.
    EXPECT_EQ(core->PVR.value, 0x004B0100u);
}

} // namespace

// SMT state: code texts, SMT-mode conversions, the initial SMT mode, TSRL, priorities and boosts,
// the CTRL image, the idle and sibling threads.
#include <gtest/gtest.h>

#include "processor/hooks/sim_support_halt.h"
#include "processor/regs/msr_rules.h"
#include "processor/run/smt.h"
#include "register_fixture.h"

namespace
{

TEST(SmtCodes, Texts)
{
    struct {
        int32_t reason, mode;
        const char *text;
    } stall[] = {{0, 0, "NA"},
                 {4, 0, "MSR[WE]"},
                 {14, 0, "SCOM THRCTL"},
                 {15, 1, "Stall instruction: winkle"},
                 {15, 2, "Stall instruction: sleep"},
                 {15, 3, "Stall instruction: nap"},
                 {15, 4, "Stall instruction: doze"},
                 {15, 5, "Stall instruction"},
                 {16, 0, "Unknown"},
                 {17, 0, "waitasec instruction"},
                 {18, 0, "Unknown"},
                 {-1, 0, "Unknown"}};
    for (const auto &c : stall)
        EXPECT_STREQ(Thread_StallReasonName(c.reason, c.mode), c.text) << c.reason << "/" << c.mode;
    EXPECT_STREQ(Thread_StallReasonName(16), "Unknown");
    EXPECT_STREQ(Power_Mode_Name(0), "POWER_OFF");
    EXPECT_STREQ(Power_Mode_Name(5), "ACTIVE_POWER");
    EXPECT_STREQ(Power_Mode_Name(6), "Unknown");
    EXPECT_STREQ(Thread_State_Name(3), "running");
    EXPECT_STREQ(Thread_State_Name(4), "unknown");
    EXPECT_STREQ(Prepare_SMT_Mode(3), "SMT4");
    EXPECT_STREQ(Prepare_SMT_Mode(5), "unknown SMT_mode");
}

TEST(SmtCodes, Conversions)
{
    const int32_t or_values[32] = {-1, 2,  4,  6,  -1, 5,  3,  7,  -1, -1, -1, -1, -1, -1, -1, -1,
                                   -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, 1};
    for (uint32_t r = 0; r < 32; r++)
        EXPECT_EQ(SMTA_CONVERT_OR_VALUE(r), or_values[r]) << r;
    const uint32_t bits_of_mode[6] = {0, 8, 4, 2, 1, 0};
    for (uint32_t mode = 0; mode < 6; mode++)
        EXPECT_EQ(SMT_2_BITS(mode), bits_of_mode[mode]) << mode;
    const uint32_t mode_of_bits[10] = {0, 4, 3, 0, 2, 0, 0, 0, 1, 0};
    for (uint32_t bits = 0; bits < 10; bits++)
        EXPECT_EQ(BITS_2_SMT(bits), mode_of_bits[bits]) << bits;
    for (uint32_t mode = 1; mode <= 4; mode++)
        EXPECT_EQ(BITS_2_SMT(SMT_2_BITS(mode)), mode);
}

TEST(Smt, InitialMode)
{
    struct {
        int threads;
        bool option;
        uint64_t hid0;
        uint32_t mode;
    } cases[] = {
        {1, false, 0, 1},         {2, false, 0, 2},          {4, false, 0, 3},
        {8, false, 0, 4},         {4, false, 1ull << 61, 3}, // HID0 counts only with the option
        {4, true, 1ull << 61, 2}, {8, true, 1ull << 57, 3},  {8, true, (1ull << 57) | (1ull << 61), 3},
        {4, true, 0, 3},          {3, false, 0, 3}, // an illegal count warns and gives SMT4
    };
    for (const auto &c : cases) {
        ProcessorState core{};
        core.num_threads = (uint32_t)c.threads;
        core.options[PO_GLENT_EN_4_LPAR_SYSTEM] = c.option;
        core.HID0.value = c.hid0;
        EXPECT_EQ(smt_InitialMode(&core), c.mode)
            << c.threads << " " << c.option << " " << std::hex << c.hid0;
    }
}

TEST(Smt, TsrlWrite)
{
    TestCore fixture(2);
    fixture.set("processor/mask/TSRL", "0x001C000000000000");
    fixture.build();
    ThreadState *t = fixture.thread(0);
    SMTA_Set_Power_On_Thread_Priority(t);
    SMTA_Set_Thread_Enabled(t);
    t->TSRL.value = 0x123;
    t->chunk_mode = 1; // the halt of a thread in chunk mode adds 0x40000000 ticks to its delay
    t->chunk_delay = 0;

    smt_WriteTSRL(t, 0xFFF0000000000000ull & ~(7ull << TSRL_PRIORITY_SHIFT)); // priority field 0
    EXPECT_EQ(t->TSRL.value, 0x123u);
    EXPECT_EQ(t->TSRL.written, 0);
    EXPECT_EQ(t->x_smt_priority, 4);

    smt_WriteTSRL(t, (2ull << TSRL_PRIORITY_SHIFT) | 0xFF);
    EXPECT_EQ(t->x_smt_priority, 2);
    EXPECT_EQ(t->x_smt_internal_priority, 2);
    EXPECT_EQ(t->TSRL.value, 2ull << TSRL_PRIORITY_SHIFT); // masked
    EXPECT_EQ(t->TSRL.written, 1);
    EXPECT_EQ(t->chunk_delay, 0x40000000u); // lowered below 3: the thread yields
    EXPECT_EQ(smt_ReadTSRL(t, 0, 0), 2ull << TSRL_PRIORITY_SHIFT);

    // Raising, or lowering to 3 or more, does not yield.
    smt_WriteTSRL(t, 6ull << TSRL_PRIORITY_SHIFT);
    smt_WriteTSRL(t, 3ull << TSRL_PRIORITY_SHIFT);
    EXPECT_EQ(t->chunk_delay, 0x40000000u);
    smt_SetPriority(t, -1);
    EXPECT_EQ(t->x_smt_priority, 3);

    SMTA_Set_Thread_Disabled(t);
    EXPECT_EQ(smt_ReadTSRL(t, 0, 0), 0u);
    EXPECT_EQ(smt_ReadTSRL(t, 0, 1), 3ull << TSRL_PRIORITY_SHIFT);
    // The register accessors go through the same rules.
    EXPECT_EQ(tCOOKED_GET_TSRL(t, 7), 0u);
}

TEST(Smt, Boosts)
{
    TestCore fixture(1);
    fixture.build();
    ThreadState *t = fixture.thread(0);
    auto boosted = [&](uint8_t priority, int32_t reason, uint32_t tscr, uint64_t msr) {
        t->x_smt_priority = priority;
        t->x_smt_internal_priority = priority;
        fixture.core->TSCR.value = tscr;
        t->MSR.value = msr;
        smt_BoostPriority(t, reason);
        EXPECT_EQ(t->x_smt_priority, priority); // the architected priority never changes
        return t->x_smt_internal_priority == 4 && priority != 4;
    };
    constexpr uint32_t on = 0x80000;
    EXPECT_FALSE(boosted(5, 0, on, 0)); // above 3: nothing
    EXPECT_TRUE(boosted(2, 0, 0, 0));   // reason 0 always
    EXPECT_FALSE(boosted(2, 8, on, ~0ull));
    EXPECT_FALSE(boosted(2, 1, 0, MSR_EE)); // other reasons need TSCR bit 19
    struct {
        int32_t reason;
        uint64_t msr;
        bool boost;
    } cases[] = {
        {1, MSR_EE, true},          {1, 0, false},
        {2, MSR_EE, true},          {4, 0, false},
        {3, MSR_HV, false},         {3, MSR_HV | MSR_EE, true},
        {5, MSR_HV | MSR_PR, true}, {7, 0, true},
        {6, MSR_ME, true},          {6, MSR_EE, false},
    };
    for (const auto &c : cases)
        EXPECT_EQ(boosted(3, c.reason, on, c.msr), c.boost) << c.reason << " " << std::hex << c.msr;

    // Exception types by the reason they boost for: EE for 5 (4), 17 (1) and 18 (2); ME for 7 (6);
    // a hypervisor MSR without EE stops 26 (3) and 39 (7); 6 (0) always.
    struct {
        int32_t type;
        uint64_t msr;
        bool boost;
    } exceptions[] = {
        {5, MSR_EE, true},   {5, MSR_ME, false},          {17, MSR_EE, true},  {17, 0, false},
        {18, MSR_EE, true},  {18, MSR_ME, false},         {7, MSR_ME, true},   {7, MSR_EE, false},
        {26, MSR_HV, false}, {26, MSR_HV | MSR_EE, true}, {39, MSR_HV, false}, {39, 0, true},
        {6, MSR_HV, true},   {8, MSR_EE | MSR_ME, false}, {25, MSR_EE, false},
    };
    for (const auto &c : exceptions) {
        t->x_smt_internal_priority = 1;
        t->MSR.value = c.msr;
        fixture.core->TSCR.value = on;
        smt_BoostPriorityForException(t, c.type);
        EXPECT_EQ(t->x_smt_internal_priority == 4, c.boost) << c.type << " " << std::hex << c.msr;
    }
}

TEST(Smt, CtrlImage)
{
    TestCore fixture(8);
    fixture.build();
    fixture.core->smt_mode = SMT_MODE_8;
    for (int i = 0; i < 8; i++) {
        fixture.thread(i)->x_smt_enable = 1;
        fixture.thread(i)->x_smt_run_latch = 1;
        fixture.thread(i)->x_threadState = CPU_RUNNING;
    }
    uint32_t expected = 0xFF00 | 0xFF0000 | (1u << 29) | (1u << 4) | 1;
    EXPECT_EQ(Read_CTRL(fixture.iop(2)), expected);
    // Thread 2 not latched, thread 5 disabled, SMT4 (bits 2 << 4).
    fixture.thread(2)->x_smt_run_latch = 0;
    fixture.thread(5)->x_smt_enable = 0;
    fixture.core->smt_mode = SMT_MODE_4;
    EXPECT_EQ(Read_CTRL(fixture.iop(2)),
              (0xFF00u & ~(1u << 13)) | (0xFF0000u & ~(1u << 18)) | (1u << 29) | (2u << 4));
    // The option makes CTRL the core's value.
    fixture.core->options[PO_GLENT_STYLE_CTRL] = 1;
    fixture.core->CTRL.value = 0xABCD;
    EXPECT_EQ(Read_CTRL(fixture.iop(2)), 0xABCDu);
}

TEST(Smt, IdleAndSiblingThreads)
{
    TestCore fixture(4);
    fixture.build();
    // 0 running and enabled, 1 an assist thread, 2 running but disabled, 3 idle.
    fixture.thread(0)->x_threadState = CPU_RUNNING;
    fixture.thread(0)->x_smt_enable = 1;
    fixture.thread(1)->is_assist_thread = 1;
    fixture.thread(2)->x_threadState = CPU_RUNNING;
    EXPECT_EQ(Select_Idle_Thread(fixture.iop(0)), fixture.thread(3));
    fixture.thread(3)->x_smt_enable = 1;
    EXPECT_EQ(Select_Idle_Thread(fixture.iop(0)), nullptr);

    TestCore pair(2);
    pair.build();
    EXPECT_EQ(OTHER_THREAD(pair.thread(0)), pair.thread(1));
    EXPECT_EQ(OTHER_THREAD(pair.thread(1)), pair.thread(0));
    TestCore single(1);
    single.build();
    EXPECT_EQ(OTHER_THREAD(single.thread(0)), nullptr); // no sibling to give
}

TEST(Smt, ThreadFlags)
{
    ThreadState t{};
    t.x_smt_enable = 1;
    EXPECT_EQ(LIBSIM__Thread_GetRunMode(&t), 1);
    Thread_Set_Manual_Disable(&t, 1);
    EXPECT_EQ(Thread_Check_Manual_Disable(&t), 1u);
    EXPECT_EQ(LIBSIM__Thread_GetRunMode(&t), 0);
    t.stall_reason = STALL_INSTRUCTION;
    t.power_mode = POWER_NAP;
    t.x_threadState = CPU_RUNNING;
    EXPECT_EQ(Thread_StallReason(&t), 0);
    t.x_threadState = CPU_WAIT;
    EXPECT_EQ(Thread_StallReason(&t), STALL_INSTRUCTION);
    EXPECT_EQ(Thread_Power_Mode(&t), POWER_NAP);
    t.stall_reason = STALL_WAIT;
    EXPECT_EQ(Thread_Power_Mode(&t), POWER_ACTIVE);
    EXPECT_EQ(SMTA_Start_Thread_On_Interrupt(), 1);
}

TEST(Smt, TstKeepsTwentyBits)
{
    TestCore fixture(1);
    fixture.build();
    smt_WriteTST(fixture.thread(0), 0xFFFFFFFFull);
    EXPECT_EQ(ReadTST(fixture.thread(0)), 0xFFFFFu);
    EXPECT_EQ(fixture.core->TST.written, 1);
}

} // namespace

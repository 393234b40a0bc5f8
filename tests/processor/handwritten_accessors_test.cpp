// Hand-written register accessors: SIM_CTRL with its DSCR and nesting-level effects, TFMR's
// per-thread and per-core parts, the FPSCR summary.
#include <gtest/gtest.h>

#include "processor/records/htm_data.h"
#include "processor/regs/handwritten_accessors.h"
#include "register_fixture.h"

namespace
{

constexpr uint64_t BIT48 = 0x0001000000000000ull;
constexpr uint64_t BIT62 = 0x4000000000000000ull;
constexpr uint64_t BIT63 = 0x8000000000000000ull;

TEST(HandWrittenAccessors, SimCtrlSetsTheSharedDscrMaskUnderDravoDscr)
{
    TestCore fixture(2);
    fixture.build();
    fixture.core->options[PO_Dravo_DSCR] = 1;
    ThreadState *t0 = fixture.thread(0), *t1 = fixture.thread(1);

    tCOOKED_SET_SIM_CTRL(t0, 0, 7);
    tCOOKED_SET_DSCR(t1, 0x3F, 7); // another thread of the core
    EXPECT_EQ(t1->DSCR.value, 0x1Fu);
    tCOOKED_SET_SIM_CTRL(t0, BIT48, 7);
    tCOOKED_SET_DSCR(t1, 0x3F, 7);
    EXPECT_EQ(t1->DSCR.value, 0x3Fu);
    tRAW_SET_SIM_CTRL(t0, 0); // the raw write takes the same step
    EXPECT_EQ(tFORCE_DSCR(t0, 0x3F, 7), 0x1Fu);

    fixture.core->options[PO_Dravo_DSCR] = 0;
    fixture.desc("DSCR")->mask = 0xFFFF;
    tCOOKED_SET_SIM_CTRL(t0, BIT48, 7);
    tRAW_SET_SIM_CTRL(t0, 0);
    EXPECT_EQ(fixture.desc("DSCR")->mask, 0xFFFFu);
}

TEST(HandWrittenAccessors, SimCtrlSetsTheNestingLevelWhileTheModelRuns)
{
    htm_data htm{};
    htm.enabled = 1;
    TestCore fixture(1);
    fixture.set("processor/mask/SIM_CTRL", "0xFFFFFFFFFFFFFF00");
    fixture.build();
    machine_register_standin.htm = &htm;
    ThreadState *t = fixture.thread();
    const struct {
        uint64_t value;
        int32_t level;
    } steps[] = {{BIT62 | BIT63, 1}, {0, 1}, {BIT62, 3}, {BIT63, 7}, {0x10, 7}, {BIT62 | BIT63 | 0xFF, 1}};
    for (const auto &step : steps) {
        tCOOKED_SET_SIM_CTRL(t, step.value, 7);
        EXPECT_EQ(htm.max_nesting_level, step.level) << std::hex << step.value;
    }
    EXPECT_EQ(t->SIM_CTRL.value, BIT62 | BIT63); // masked, written
    EXPECT_EQ(t->SIM_CTRL.written, 1);

    tRAW_SET_SIM_CTRL(t, BIT62); // the raw write leaves the level
    EXPECT_EQ(htm.max_nesting_level, 1);

    htm.enabled = 0;
    for (uint64_t value : {BIT62, BIT63, BIT62 | BIT63})
        iSET_SIM_CTRL(fixture.iop(), value);
    EXPECT_EQ(htm.max_nesting_level, 1);
}

TEST(HandWrittenAccessors, TfmrThreadsOfOneCoreDifferOnlyInTheirOwnBits)
{
    TestCore fixture(2);
    fixture.build();
    ThreadState *t0 = fixture.thread(0), *t1 = fixture.thread(1);
    tFORCE_TFMR(t0, 0xABCD000000000F15ull, 7);
    tFORCE_TFMR(t1, 0xABCD000000000F2Aull, 7);
    EXPECT_EQ(RAW_GET_TFMR(t0), 0xABCD000000000F15ull);
    EXPECT_EQ(RAW_GET_TFMR(t0) ^ RAW_GET_TFMR(t1), 0x3Fu);
    tRAW_SET_TFMR(t1, 0x1234000000000000ull);
    EXPECT_EQ((RAW_GET_TFMR(t0) ^ RAW_GET_TFMR(t1)) & ~0x7Full, 0u);
    EXPECT_EQ(iGET_TFMR(fixture.iop(0)), 0x1234000000000015ull);
}

TEST(HandWrittenAccessors, FpscrSummary)
{
    TestCore fixture(1);
    fixture.build();
    ThreadState *t = fixture.thread();
    const struct {
        uint64_t old_fpscr, new_bits, stored;
    } cases[] = {
        {FPSCR_FX, 0, 0},
        {FPSCR_VE, FPSCR_VXSNAN, FPSCR_VXSNAN | FPSCR_VX | FPSCR_FEX | FPSCR_FX | FPSCR_VE},
        {0, FPSCR_OX, FPSCR_OX | FPSCR_FX}, // not enabled: no FEX
        {FPSCR_ZE | FPSCR_VX | 0x3, FPSCR_ZX,
         FPSCR_ZX | FPSCR_FEX | FPSCR_FX | FPSCR_ZE | 0x3}, // old VX replaced
        {0xFFFFFFFF00000000ull | FPSCR_XE, FPSCR_XX | 0x80000000,
         0xFFFFFFFF00000000ull | FPSCR_XE | FPSCR_XX | FPSCR_FEX | FPSCR_FX},
    };
    for (const auto &c : cases) {
        FPSCR_Pair pair{c.old_fpscr, c.new_bits};
        Set_FPSCR_With_Summary(fixture.iop(), &pair);
        EXPECT_EQ(t->FPSCR_CHANGE.value, c.stored) << std::hex << c.old_fpscr << " " << c.new_bits;
    }
    EXPECT_EQ(t->FPSCR_CHANGE.written, 0);
    fixture.desc("FPSCR_CHANGE")->mask = 0xFFFFFFFF;
    FPSCR_Pair pair{0xFFFFFFFF00000000ull, FPSCR_OX};
    Set_FPSCR_With_Summary(fixture.iop(), &pair);
    EXPECT_EQ(t->FPSCR_CHANGE.value, FPSCR_OX | FPSCR_FX);
}

TEST(HandWrittenAccessors, CtrlThroughTheRegisterFile)
{
    TestCore fixture(2);
    fixture.build();
    // The image thread 0 reads: its own bit 31, its run latch at bits 0 and 15.
    fixture.thread(0)->x_smt_run_latch = 1;
    Register_File_Entry *entry = Search_Register_File(fixture.core->register_file, "CTRL");
    ASSERT_NE(entry, nullptr);
    uint32_t value = 0;
    EXPECT_EQ(entry->desc->generic_read(entry, &value), 2);
    EXPECT_EQ(value, 0x80008001u);
    EXPECT_EQ(tGUESS_CTRL(fixture.thread(0), 7), 0x80008001u);
    // Thread and core CTRL share one description; the core's definition came last.
    EXPECT_EQ(Search_Register_File(fixture.thread(1)->register_file, "CTRL")->desc, entry->desc);
    EXPECT_EQ(entry->desc->generic_read, Read_Register_CTRL);
}

} // namespace

// The PCI host bridge: its register page and the interrupt sources the chip's interrupt
// controller takes from its interrupt vector table.
#include <gtest/gtest.h>

#include "devices/interrupt_hook.h"
#include "devices/phb.h"
#include "devices/ppcic.h"
#include "loader_machine.h"

namespace
{

constexpr uint64_t PHB_BASE = 0x0003FFFE00000000ull;
constexpr uint64_t TABLE = 0x100000; // a multiple of 0x8000, inside memory
constexpr uint64_t ENABLE = 1ull << 63;

uint64_t table_entry(uint32_t server, uint32_t priority)
{
    return (uint64_t)server << 42 | (uint64_t)priority << 32;
}

class PhbTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        controller = PPCIC_Of_Chip(m.chip);
        ASSERT_NE(controller, nullptr);
        ASSERT_EQ(phb_create(m.chip, PHB_BASE), 1);
    }
    int reg_read(uint64_t offset, int length, uint64_t *value)
    {
        return Read_Mapped_Memory_Reg(m.client, PHB_BASE + offset, length, value, 0, 0);
    }
    int reg_write(uint64_t offset, int length, uint64_t value)
    {
        return Write_Mapped_Memory_Reg(m.client, PHB_BASE + offset, length, value, 0);
    }
    void raise(int32_t irq) { PPCIC__Interrupt(controller, INT_RAISE, 0, (uint64_t)irq); }
    PPC_Int_Source_s *source(int32_t irq)
    {
        for (PPC_Int_Source_s *s = controller->sources; s; s = s->next)
            if (s->irq == irq) return s;
        return nullptr;
    }
    int count_sources()
    {
        int n = 0;
        for (PPC_Int_Source_s *s = controller->sources; s; s = s->next)
            n++;
        return n;
    }

    LoaderMachine m;
    PPCIC_s *controller = nullptr;
};

TEST_F(PhbTest, RegistersTakeOnlyAlignedEightByteAccesses)
{
    uint64_t value = 0xDEAD;
    EXPECT_EQ(reg_read(PHB_IVT_BAR, 4, &value), 0);
    EXPECT_EQ(reg_read(0x154, 8, &value), 0);
    EXPECT_EQ(reg_write(PHB_REG_238, 4, 1), 0);
    EXPECT_EQ(reg_read(0x100, 8, &value), 1);
    EXPECT_EQ(value, 0u);
    for (uint64_t offset : {PHB_REG_238, PHB_REG_240, PHB_REG_2A8, PHB_REG_810, PHB_IVT_BAR}) {
        EXPECT_EQ(reg_write(offset, 8, 0x1000 + offset), 1);
        EXPECT_EQ(reg_read(offset, 8, &value), 1);
        EXPECT_EQ(value, 0x1000 + offset);
    }
    EXPECT_EQ(reg_write(0x300, 8, 5), 1); // not a register: accepted and forgotten
    EXPECT_EQ(reg_read(0x300, 8, &value), 1);
    EXPECT_EQ(value, 0u);
    EXPECT_EQ(m.sink.text(), "");                         // the warnings are silent
    EXPECT_EQ(phb_create(m.chip, PHB_BASE + 0x10000), 0); // one bridge per chip
}

TEST_F(PhbTest, UnknownInterruptTakesItsSourceFromTheVectorTable)
{
    m.write(TABLE + 5 * 16, 8, table_entry(1, 5));
    ASSERT_EQ(reg_write(PHB_IVT_BAR, 8, ENABLE | TABLE | 16), 1);
    raise(21); // 21 & 15 = 5: the entry of another interrupt number, with warnings only
    PPC_Int_Source_s *s = source(21);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->server, 1u);
    EXPECT_EQ(s->priority, 5u);
    EXPECT_EQ(s->enabled, 1);
    ASSERT_NE(controller->threads[1].presented, nullptr);
    EXPECT_EQ(controller->threads[1].presented->irq, 21);

    // Priority 0xFF is a masked source; 128-byte entries with bit 39 of register 0x810.
    m.write(TABLE + 3 * 128, 8, table_entry(0, 0xFF));
    ASSERT_EQ(reg_write(PHB_REG_810, 8, 1ull << 39), 1);
    raise(3);
    ASSERT_NE(source(3), nullptr);
    EXPECT_EQ(source(3)->enabled, 0);
    EXPECT_EQ(source(3)->priority, 0xFFu);
    EXPECT_EQ(m.sink.text(), "");
}

TEST_F(PhbTest, InvalidateDiscardsTheSourcesSoTheTableIsReadAgain)
{
    m.write(TABLE + 5 * 16, 8, table_entry(1, 5));
    ASSERT_EQ(reg_write(PHB_IVT_BAR, 8, ENABLE | TABLE | 16), 1);
    raise(5);
    ASSERT_NE(controller->threads[1].presented, nullptr);
    EXPECT_EQ(count_sources(), 1);

    m.write(TABLE + 5 * 16, 8, table_entry(1, 7));
    ASSERT_EQ(reg_write(PHB_IVC_INVALIDATE, 8, 1), 1);
    EXPECT_EQ(controller->sources, nullptr);
    // The presented request outlives its source: accepting it frees it instead of requeueing
    // through the discarded source.
    uint64_t page = MemMap_StartByName(m.map(), "PPCIC_0") + 0x1000;
    EXPECT_EQ(m.read(page + 4, 4), 0xFF000005u); // old CPPR 0xFF << 24 | XISR 5 (chip 0)
    EXPECT_EQ(controller->threads[1].presented, nullptr);
    for (PIR_s *queue : controller->threads[1].queues)
        EXPECT_EQ(queue, nullptr);

    raise(5);
    ASSERT_NE(source(5), nullptr);
    EXPECT_EQ(source(5)->priority, 7u);
}

TEST_F(PhbTest, DisabledOrBadTableGivesDefaultOrFirstEntries)
{
    raise(9); // the table is not enabled: a default, masked source
    ASSERT_NE(source(9), nullptr);
    EXPECT_EQ(source(9)->priority, 0xFFu);
    EXPECT_EQ(source(9)->enabled, 0);

    // A length that is no power of two masks every interrupt to entry 0.
    m.write(TABLE, 8, table_entry(0, 4));
    ASSERT_EQ(reg_write(PHB_IVT_BAR, 8, ENABLE | TABLE | 3), 1);
    raise(6);
    ASSERT_NE(source(6), nullptr);
    EXPECT_EQ(source(6)->priority, 4u);
    EXPECT_EQ(m.sink.text(), "");
}

TEST_F(PhbTest, ServerBeyondTheThreadPagesIsDropped)
{
    m.write(TABLE + 2 * 16, 8, table_entry(0x3FFFFF, 5));
    ASSERT_EQ(reg_write(PHB_IVT_BAR, 8, ENABLE | TABLE | 16), 1);
    raise(2 + 16);
    ASSERT_NE(source(18), nullptr);
    EXPECT_EQ(source(18)->server, 0x3FFFFFu);
    for (const PPCIC_Thread_s &entry : controller->threads)
        EXPECT_EQ(entry.presented, nullptr);
}

TEST(PhbAbsentTest, WithoutABridgeTheControllerMakesDefaultSources)
{
    LoaderMachine m;
    PPCIC_s *controller = PPCIC_Of_Chip(m.chip);
    ASSERT_NE(controller, nullptr);
    EXPECT_EQ(PPC_PHB_IVT_Read(controller, 4), nullptr);
    PPCIC__Interrupt(controller, INT_RAISE, 0, 4);
    ASSERT_NE(controller->sources, nullptr);
    EXPECT_EQ(controller->sources->irq, 4);
    EXPECT_EQ(controller->sources->priority, 0xFFu);
    EXPECT_EQ(controller->sources->enabled, 0);
}

} // namespace

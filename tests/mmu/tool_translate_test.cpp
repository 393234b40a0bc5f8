// Side-effect-free translation for tools and the embedding interface's translation.
#include <gtest/gtest.h>

#include "../exec/run_machine.h"
#include "../support/sink_capture.h"
#include "interrupts/hooks/erat_invalidate.h"
#include "mmu/erat.h"
#include "mmu/page_table.h"
#include "mmu/tool_translate.h"
#include "mmu/tlb.h"
#include "processor/config/processor_options.h"
#include "processor/records/axd.h"
#include "processor/records/exception_record.h"
#include "processor/records/instruction_record.h"
#include "processor/regs/msr_rules.h"
#include "processor/translation/slb.h"
#include "processor/translation/tlb.h"
#include "processor/translation/tlb_slb_erat.h"
#include "runtime/common.h"
#include "runtime/stop.h"

namespace
{

class ToolTranslate : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        ASSERT_TRUE(r.ok());
        iop = r.t->current_iop;
        r.t->MSR.value = 0x9000000000000000ull | MSR_IR | MSR_DR;
        r.core->SDR1.value = 0x1000000;
        TLB_Clear(iop, r.core->tlb);
        ERAT_InvalidateAll(r.t, 0, "test");
        SLB *e = &r.t->slb[0];
        SLBE_Init(e, r.t);
        e->valid = 1;
        SLB_Set_VSID_Word(e, 0x45000);
        group = 0x1000000 + ((0x45ull ^ 0x9) << 7);
        r.write(group, 8, 0x45000 | PTE_V);
        r.write(group + 8, 8, 0x300000 | 0x3); // PP 11: read only
    }
    int query(uint64_t ea, uint16_t kind)
    {
        axd = INITIAL_AXD;
        axd.ea = ea;
        axd.kind = kind;
        axd.size = 1;
        return Straight_EA2PA(iop, &axd);
    }
    RunMachine r;
    IOPDesc *iop = nullptr;
    AXD axd{};
    uint64_t group = 0;
};

TEST_F(ToolTranslate, PageTableOnlyPageWithoutSideEffects)
{
    ASSERT_EQ(query(0x9123, AXD_KIND_LOAD), 1);
    EXPECT_EQ(axd.pa, 0x300123u);
    EXPECT_EQ(r.read(group + 8, 8), 0x300003u) << "R and C unchanged";
    EXPECT_EQ(ERAT_FindMapping(r.t, Thread_ERAT(r.t, AXD_KIND_LOAD), 0x9000, AXD_KIND_LOAD), nullptr);
    EXPECT_EQ(TLB_FindMapping(r.core->tlb, 0x45000, 0x9000, 12, 0, 28, 0, nullptr, nullptr, 0, nullptr),
              nullptr);
    EXPECT_EQ(query(0x9123, AXD_KIND_STORE), 0) << "read-only page";
    EXPECT_EQ(query(0x20000000, AXD_KIND_LOAD), 0) << "no segment";
    EXPECT_EQ(iop->exceptions, nullptr);
}

TEST_F(ToolTranslate, VirtualRealModeGivesNothing)
{
    r.core->options[PO_LPES_1_REMOVED] = 0;
    r.t->MSR.value = 0x8000000000000000ull; // partition, relocation off
    r.t->LPCR.value = 0x8000000000000000ull | 0x4;
    EXPECT_EQ(query(0x1000, AXD_KIND_LOAD), 0);
}

TEST_F(ToolTranslate, LittleEndianMungeAndThreadTranslate)
{
    AXD access = INITIAL_AXD;
    for (auto [size, expected] : {std::pair{1, 0x1007u}, {2, 0x1006u}, {4, 0x1004u}, {8, 0x1000u}}) {
        access.size = (int16_t)size;
        EXPECT_EQ(Version1_LE_Address_Munge(iop, &access, 0x1000), expected) << size;
    }
    uint64_t pa = 0;
    EXPECT_EQ(LIBSIM__ThreadTranslate(r.t, 0x9010, &pa, LIBSIM_LOAD), 1);
    EXPECT_EQ(pa, 0x300010u);
    EXPECT_EQ(r.read(group + 8, 8), 0x300003u);
    {
        SinkCapture sink;
        EXPECT_EQ(LIBSIM__ThreadTranslate(r.t, 0x9010, &pa, 5), 0);
        EXPECT_NE(sink.text().find(
                      "FATAL ERROR: LIBSIM__ThreadTranslate: got passed an invalid func of 5 (should be "
                      "LIBSIM_LOAD, LIBSIM_STORE, or LIBSIM_IFETCH)"),
                  std::string::npos)
            << sink.text();
    }
    Start_The_Simulation();
}

} // namespace

// The data address watchpoint's range and filters, and the effective-address overflow check of
// tags-active state.
#include "isa/exec_word.h"
#include "decode/storage_rows.h"
#include "mmu/dawr_eao.h"
#include "mmu/ea_access.h"
#include "processor/records/axd.h"
#include "processor/regs/msr_rules.h"
#include "processor/regs/reg_accessors.h"

namespace
{

// DAWRX0 fields.
constexpr uint64_t DW = 0x40, DR = 0x20, WT = 0x10, HYP = 0x4;
constexpr uint64_t mrd(uint64_t doublewords)
{
    return doublewords << 10;
}

AXD *access(ExecWord &ew, uint16_t row, uint64_t ea, int16_t size, uint32_t kind)
{
    ew.prepare(0);
    ew.iop->row = &instruction_info_table[row];
    AXD *data = &ew.iop->data;
    data->iop = ew.iop;
    data->row = ew.iop->row;
    data->ea = data->orig_ea = data->ea2 = data->xlate_ea = ea;
    data->size = size;
    data->size2 = -1;
    data->kind = (uint16_t)kind;
    data->page_shift = 12;
    return data;
}

} // namespace

TEST(Watchpoint, RangeOfTheWatchedDoublewords)
{
    struct Case {
        const char *what;
        uint64_t dawr, dawrx, ea;
        int check_end;
        int match;
        uint64_t reported;
    };
    const Case cases[] = {
        {"MRD 1: the second doubleword matches", 0x1000, DR | HYP | mrd(1), 0x1008, 0, 1, 0x1008},
        {"MRD 1: the third does not", 0x1000, DR | HYP | mrd(1), 0x1010, 0, 0, 0},
        {"MRD 63 stops at the 512-byte block: its last doubleword", 0x1180, DR | HYP | mrd(63), 0x11F8, 0, 1, 0x11F8},
        {"MRD 63 stops at the 512-byte block: beyond", 0x1180, DR | HYP | mrd(63), 0x1200, 0, 0, 0},
        {"an access ending in the range, without check_end", 0x2008, DR | HYP, 0x2004, 0, 0, 0},
        {"an access ending in the range, with check_end", 0x2008, DR | HYP, 0x2004, 1, 1, 0x2008},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        ExecWord ew;
        tRAW_SET_DAWR0(ew.t, c.dawr);
        tRAW_SET_DAWRX0(ew.t, c.dawrx);
        AXD *data = access(ew, ROW_LD, c.ea, 8, AXD_KIND_LOAD);
        uint64_t dar = c.ea, match = 0;
        EXPECT_EQ(TestDawrEaMatch(ew.iop, data, &dar, &match, c.check_end), c.match);
        EXPECT_EQ(CheckDAWR(ew.iop, c.ea, data, c.check_end), c.match);
        if (c.match) {
            EXPECT_EQ(match, c.reported);
            ASSERT_NE(ew.raised(), nullptr);
            EXPECT_EQ(ew.raised()->type, 11);
            EXPECT_EQ(ew.raised()->dar, c.reported);
            EXPECT_EQ(ew.raised()->dsisr, 0x400000u);
        } else {
            EXPECT_EQ(ew.raised(), nullptr);
        }
    }
}

TEST(Watchpoint, Filters)
{
    struct Case {
        const char *what;
        uint16_t row;
        uint32_t kind;
        uint64_t dawrx, msr;
        int match;
    };
    const uint64_t hv = MSR_SF | MSR_HV;
    const Case cases[] = {
        {"load watched for reads", ROW_LD, AXD_KIND_LOAD, DR | HYP, hv, 1},
        {"store not watched for writes", ROW_STD, AXD_KIND_STORE, DR | HYP, hv, 0},
        {"store watched for writes", ROW_STD, AXD_KIND_STORE, DW | HYP, hv, 1},
        {"dcbf never matches", ROW_DCBF, AXD_KIND_LOAD, DW | DR | HYP, hv, 0},
        {"WT 1, WTI 0 with DR 0: nothing", ROW_LD, AXD_KIND_LOAD, DR | HYP | WT, hv, 0},
        {"WT 1 with DR 1", ROW_LD, AXD_KIND_LOAD, DR | HYP | WT, hv | MSR_DR, 1},
        {"hypervisor-only watch, problem state", ROW_LD, AXD_KIND_LOAD, DR | HYP, MSR_SF | MSR_PR, 0},
        {"problem-state watch", ROW_LD, AXD_KIND_LOAD, DR | 0x1, MSR_SF | MSR_PR, 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        ExecWord ew;
        ew.t->MSR.value = c.msr;
        tRAW_SET_DAWR0(ew.t, 0x3000);
        tRAW_SET_DAWRX0(ew.t, c.dawrx);
        AXD *data = access(ew, c.row, 0x3000, 8, c.kind);
        EXPECT_EQ(CheckDAWR(ew.iop, 0x3000, data, 1), c.match);
    }
}

TEST(Overflow, TagsActiveEffectiveAddressOverflow)
{
    ExecWord ew;
    ew.t->MSR.value = MSR_SF | MSR_HV | MSR_TA | MSR_DR;
    ew.gpr(4) = 0x0000FFFFFFFFFFFC;
    IOPDesc *iop = ew.prepare(D_FORM(32, 3, 4, 8)); // lwz r3,8(r4)
    EXPECT_EQ(EA_gen_d_loads_stores(iop), 0);
    ASSERT_NE(ew.raised(), nullptr);
    EXPECT_EQ(ew.raised()->type, 20);
    EXPECT_EQ(ew.raised()->subtype, 268);
    EXPECT_EQ(ew.raised()->dar, 0x1000000000004u);

    // Inside the 48-bit space: fine.
    ew.gpr(4) = 0x0000FFFFFFFFFF00;
    iop = ew.prepare(D_FORM(32, 3, 4, 8));
    EXPECT_EQ(EA_gen_d_loads_stores(iop), 2);
    EXPECT_EQ(ew.raised(), nullptr);

    // A touch hint overflowing reports 1 without an interrupt.
    ew.gpr(5) = 8;
    iop = ew.prepare(XO_FORM(278, 0, 4, 5)); // dcbt r4,r5
    ASSERT_EQ(iop->row, &instruction_info_table[ROW_DCBT]);
    ew.gpr(4) = 0x0000FFFFFFFFFFFC;
    iop->data.ea = 0x1000000000004;
    EXPECT_EQ(CEA_CHECK_EAO_WITH_INTERRUPT(iop), 1);
    EXPECT_EQ(ew.raised(), nullptr);

    // Without tags-active state nothing is tested.
    ew.t->MSR.value = MSR_SF | MSR_HV | MSR_DR;
    iop = ew.prepare(D_FORM(32, 3, 4, 8));
    EXPECT_EQ(EA_gen_d_loads_stores(iop), 2);
    EXPECT_EQ(ew.raised(), nullptr);
}

// The alignment rules on hand-made accesses: the generation-8 rules, the cache-inhibited rules of
// translation, the partial-load translation and the transactional guard.
#include <vector>

#include "decode/storage_rows.h"
#include "interrupts/exception_types.h"
#include "isa/exec_word.h"
#include "mmu/alignment.h"
#include "processor/records/axd.h"
#include "processor/records/generic_machine.h"
#include "processor/regs/msr_rules.h"

namespace
{

// A translated access of the row with the attributes.
AXD *access(ExecWord &ew, uint16_t row, uint64_t ea, int16_t size, uint32_t kind, uint32_t wimg)
{
    ew.prepare(0);
    ew.iop->row = &instruction_info_table[row];
    AXD *data = &ew.iop->data;
    data->iop = ew.iop;
    data->row = ew.iop->row;
    data->ea = data->orig_ea = data->ea2 = data->xlate_ea = ea;
    data->size = size;
    data->size2 = -1;
    data->row_size = (int16_t)ew.iop->row->access_size;
    data->kind = (uint16_t)kind;
    data->wimg = wimg;
    return data;
}

std::vector<int32_t> subtypes(const ExecWord &ew)
{
    std::vector<int32_t> list;
    for (PowerPCException *e = ew.iop->exceptions; e; e = e->next)
        list.push_back(e->subtype);
    return list;
}

struct StandaloneMode {
    int saved = standalone_mode;
    StandaloneMode() { standalone_mode = 1; }
    ~StandaloneMode() { standalone_mode = saved; }
};

} // namespace

TEST(Alignment, FetchesAndStandaloneModePassEveryRule)
{
    ExecWord ew;
    access(ew, ROW_LD, 0x1003, 8, AXD_KIND_FETCH, AXD_WIMG_I);
    EXPECT_EQ(PPC_MMU_CheckAlignment(ew.iop, &ew.iop->data), 1);
    EXPECT_EQ(PPC_MMU_CheckDravoAlignment(ew.iop, &ew.iop->data, 0), 1);
    StandaloneMode standalone;
    access(ew, ROW_LD, 0x1003, 8, AXD_KIND_LOAD, AXD_WIMG_I);
    EXPECT_EQ(PPC_MMU_CheckAlignment(ew.iop, &ew.iop->data), 1);
    EXPECT_EQ(ew.iop->exceptions, nullptr);
}

TEST(Alignment, GenerationEightRules)
{
    struct Case {
        const char *what;
        uint16_t row;
        uint64_t ea;
        int16_t size;
        uint32_t kind, wimg;
        int result;
        std::vector<int32_t> raised; // subtypes, in the order filed
    };
    const Case cases[] = {
        {"cacheable unaligned ld", ROW_LD, 0x1003, 8, AXD_KIND_LOAD, 0, 1, {}},
        {"inhibited aligned ld", ROW_LD, 0x1008, 8, AXD_KIND_LOAD, AXD_WIMG_I, 1, {}},
        {"inhibited unaligned ld", ROW_LD, 0x1003, 8, AXD_KIND_LOAD, AXD_WIMG_I, 0, {87}},
        {"lq from inhibited storage", ROW_LQ, 0x1000, 16, AXD_KIND_LOAD, AXD_WIMG_I, 0, {236}},
        {"lmw unaligned", ROW_LMW, 0x1002, 4, AXD_KIND_LOAD, 0, 0, {80}},
        {"pbt to write-through storage", ROW_PBT, 0x1000, 1, AXD_KIND_LOAD, AXD_WIMG_W, 0, {284}},
        {"pbt unaligned", ROW_PBT, 0x1010, 1, AXD_KIND_LOAD, 0, 0, {282}},
        {"dcbz is a cache operation", ROW_DCBZ, 0x1003, 8, AXD_KIND_STORE, AXD_WIMG_I, 1, {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        ExecWord ew;
        access(ew, c.row, c.ea, c.size, c.kind, c.wimg);
        EXPECT_EQ(PPC_MMU_CheckGlentAlignment(ew.iop, &ew.iop->data), c.result);
        std::vector<int32_t> got = subtypes(ew);
        std::sort(got.begin(), got.end());
        std::vector<int32_t> want = c.raised;
        std::sort(want.begin(), want.end());
        EXPECT_EQ(got, want);
    }
}

TEST(Alignment, QuadwordFromInhibitedStorageIsALoadKindDsi)
{
    ExecWord ew;
    ew.option(PO_DSISR_BITS_ARE_DEFINED_FOR_ALL_INTERRUPTS);
    access(ew, ROW_LQ, 0x1008, 16, AXD_KIND_LOAD, AXD_WIMG_I);
    EXPECT_EQ(PPC_MMU_CheckGlentAlignment(ew.iop, &ew.iop->data), 0);
    PowerPCException *dsi = nullptr;
    for (PowerPCException *e = ew.iop->exceptions; e; e = e->next)
        if (e->subtype == 236) dsi = e;
    ASSERT_NE(dsi, nullptr);
    EXPECT_EQ(dsi->type, 8);
    EXPECT_EQ(dsi->dsisr, 0x4000000u);
    EXPECT_STREQ(dsi->detail, "DSI: Cache-inhibited: stq");
    // Misaligned as well: the natural-alignment rules fire too.
    std::vector<int32_t> got = subtypes(ew);
    EXPECT_NE(std::find(got.begin(), got.end(), 87), got.end());
    EXPECT_NE(std::find(got.begin(), got.end(), 80), got.end());
}

TEST(Alignment, EndingTransactionSkipsGuardedRules)
{
    ExecWord ew;
    ew.t->MSR.value |= MSR_TS_TRANSACTIONAL;
    access(ew, ROW_LQ, 0x1000, 16, AXD_KIND_LOAD, AXD_WIMG_I);
    EXPECT_EQ(PPC_MMU_CheckGlentAlignment(ew.iop, &ew.iop->data), 1);
    // The transaction fails instead: its failure is the only record filed, no alignment fault.
    ASSERT_NE(ew.iop->exceptions, nullptr);
    for (PowerPCException *e = ew.iop->exceptions; e; e = e->next)
        EXPECT_NE(e->type, EXC_ALIGNMENT) << e->subtype;
}

TEST(Alignment, InhibitedFaultsOfTranslation)
{
    ExecWord ew;
    ew.option(PO_INHIBITED_MEMORY_MUST_BE_ALIGNED);
    AXD *data = access(ew, ROW_LD, 0x1003, 8, AXD_KIND_LOAD, AXD_WIMG_I);
    data->align = -1;
    EXPECT_EQ(CheckInhibitedFaults(ew.iop, data, AXD_WIMG_I, 0), 1);
    EXPECT_EQ(subtypes(ew), std::vector<int32_t>{265});
    // The same access cacheable, or translated without side effects: nothing.
    access(ew, ROW_LD, 0x1003, 8, AXD_KIND_LOAD, 0);
    EXPECT_EQ(CheckInhibitedFaults(ew.iop, &ew.iop->data, 0, 0), 0);
    data = access(ew, ROW_LD, 0x1003, 8, AXD_KIND_LOAD, AXD_WIMG_I);
    EXPECT_EQ(CheckInhibitedFaults(ew.iop, data, AXD_WIMG_I, 1), 0);
    EXPECT_EQ(ew.iop->exceptions, nullptr);
    // Stores name the store subtypes; the demanded alignment replaces the size.
    data = access(ew, ROW_STVX, 0x1008, 16, AXD_KIND_STORE, AXD_WIMG_I);
    data->align = 4;
    EXPECT_EQ(CheckInhibitedFaults(ew.iop, data, AXD_WIMG_I, 0), 0);
    data = access(ew, ROW_STVX, 0x1002, 16, AXD_KIND_STORE, AXD_WIMG_I);
    data->align = 4;
    EXPECT_EQ(CheckInhibitedFaults(ew.iop, data, AXD_WIMG_I, 0), 1);
    EXPECT_EQ(subtypes(ew), std::vector<int32_t>{266});
}

TEST(Alignment, PartialLoadTranslation)
{
    StandaloneMode standalone;
    constexpr uint64_t CI_WINDOW = 0xF00000EF000000ull;
    for (int raise : {0, 1}) {
        SCOPED_TRACE(raise ? "raising" : "quiet");
        ExecWord ew;
        ew.memory();
        ew.option(PO_INHIBITED_MEMORY_MUST_BE_ALIGNED);
        AXD *data = access(ew, ROW_LWZ, CI_WINDOW + 2, 1, AXD_KIND_LOAD, 0);
        EXPECT_EQ(Partial_Load_Translation(ew.iop, data, CI_WINDOW + 2, 4, raise), 1);
        if (raise)
            EXPECT_EQ(subtypes(ew), std::vector<int32_t>{64});
        else
            EXPECT_EQ(ew.iop->exceptions, nullptr);
        // Aligned: the translation's result.
        data = access(ew, ROW_LWZ, CI_WINDOW + 4, 1, AXD_KIND_LOAD, 0);
        EXPECT_EQ(Partial_Load_Translation(ew.iop, data, CI_WINDOW + 4, 4, raise), 0);
        EXPECT_EQ(ew.iop->exceptions, nullptr);
    }
}

// The TLB: lookup with its retries, insertion and replacement, indexed access and invalidations,
// and the TLB in translation.
#include <gtest/gtest.h>

#include "../exec/run_machine.h"
#include "interrupts/hooks/erat_invalidate.h"
#include "mmu/address_translate.h"
#include "mmu/page_table.h"
#include "mmu/tlb.h"
#include "processor/config/processor_options.h"
#include "processor/records/axd.h"
#include "processor/records/exception_record.h"
#include "processor/records/instruction_record.h"
#include "processor/regs/msr_rules.h"
#include "processor/translation/slb.h"
#include "processor/translation/tlb.h"
#include "processor/translation/tlb_slb_erat.h"
#include "processor/translation/xlate_version.h"
#include "runtime/common.h"

namespace
{

constexpr uint64_t VSID_WORD = 0x123000; // VSID 0x123 of a 256 MB segment

class TlbOps : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        tlb = TLB_new(TLB_Geometry{512, 4, TLB_REPL_LRU, 0}, nullptr, 'u', TLB_HASH_GEN8);
    }
    void TearDown() override { TLB_Quit(tlb); }
    // A 4 KB (or, with L and an LP code, larger) page-table entry of the segment for ea.
    static void entry_of(uint64_t ea, uint64_t rpn, uint64_t pte[2], uint64_t large_code = ~0ull)
    {
        pte[0] = VSID_WORD | ((ea >> 16) & 0xF80) | PTE_V | (large_code != ~0ull ? PTE_L : 0);
        pte[1] = rpn | 0x2 | (large_code != ~0ull ? large_code << 12 : 0);
    }
    TLB_ENTRY_t *find(uint64_t ea, int32_t p)
    {
        return TLB_FindMapping(tlb, VSID_WORD, ea, p, 0, 28, 0, nullptr, nullptr, 0, nullptr);
    }
    TLB_ENTRY_t *add(uint64_t ea, int32_t p, const uint64_t pte[2], uint64_t address = 0x1000)
    {
        return TLB_AddMapping(tlb, VSID_WORD, ea, 12, p, 0, 28, 0, pte, address);
    }
    TLB *tlb = nullptr;
};

TEST_F(TlbOps, LargerPageFoundByRetry)
{
    uint64_t pte[2];
    entry_of(0x40000, 0x800000, pte, 7); // LP code 7: 4 KB base, 64 KB page
    TLB_ENTRY_t *e = add(0x4A000, 16, pte);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->page_shift, 16);
    // The lookup at the segment's 4 KB base size misses, the retry at 64 KB hits.
    EXPECT_EQ(TLB_FindMapping_In_Set(tlb, e->index & ~3, 0, 0, 0, 28, 12, nullptr, 0, nullptr), nullptr);
    EXPECT_EQ(find(0x4B123, 12), e);
    EXPECT_EQ(find(0x5B123, 12), nullptr);
}

TEST_F(TlbOps, ReinsertionRefreshesOrRewrites)
{
    uint64_t pte[2];
    entry_of(0x7000, 0x100000, pte);
    TLB_ENTRY_t *e = add(0x7000, 12, pte);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(find(0x7000, 12), e); // a hit takes stamp 0 and moves the counter on
    uint64_t version = current_xlate_version;
    EXPECT_EQ(add(0x7000, 12, pte), e);
    EXPECT_EQ(e->stamp, tlb->lru_counter);
    EXPECT_EQ(current_xlate_version, version) << "identical: nothing rewritten";
    uint64_t changed[2] = {pte[0], 0x200000 | 0x2};
    EXPECT_EQ(add(0x7000, 12, changed), e);
    EXPECT_EQ(e->pte_lower, changed[1]);
    EXPECT_EQ(current_xlate_version, version + 1);
    EXPECT_EQ(find(0x7000, 12), e);
}

TEST_F(TlbOps, LruReplacementAndRandomRotation)
{
    // Five pages of one class (class bits from EA bits 12-13 and 14-18 XOR the VSID): the fifth
    // replaces the least recently used.
    uint64_t pte[2];
    TLB_ENTRY_t *first = nullptr;
    for (int i = 0; i < 4; i++) {
        uint64_t ea = 0x100000ull * (uint64_t)i << 4; // bits 24-25 vary: same class
        entry_of(ea, 0x100000 * (uint64_t)(i + 1), pte);
        TLB_ENTRY_t *e = add(ea, 12, pte);
        if (!first) first = e;
        ASSERT_EQ(e->index & ~3, first->index & ~3);
    }
    for (int i = 1; i < 4; i++)
        find(0x100000ull * (uint64_t)i << 4, 12);
    entry_of(0x4000000, 0x900000, pte);
    EXPECT_EQ(add(0x4000000, 12, pte), first);

    tlb->repl_policy = TLB_REPL_RANDOM;
    int32_t way = tlb->rr_way;
    EXPECT_EQ(find(0x7770000, 12), nullptr);
    EXPECT_EQ(tlb->rr_way, way) << "a miss never moves the way";
    find(0x4000000, 12);
    EXPECT_EQ(tlb->rr_way, (way + 1) % 4);
}

TEST_F(TlbOps, TlbieClassesByLargeBit)
{
    struct Case {
        const char *name;
        int32_t p;
        uint64_t code;
        uint64_t rb_l;
        bool gone;
    };
    for (const Case &c : {Case{"L=0: 4 KB", 12, ~0ull, 0, true}, Case{"L=0: 64 KB", 16, 1, 0, true},
                          Case{"L=1: 64 KB", 16, 1, 1, true}, Case{"L=1: 16 MB", 24, 0, 1, true},
                          Case{"L=0 keeps 16 MB", 24, 0, 0, false}}) {
        SCOPED_TRACE(c.name);
        TLB_Clear(nullptr, tlb);
        uint64_t ea = 0x3000000;
        uint64_t pte[2];
        entry_of(ea, 0x5000000, pte, c.code);
        TLB_ENTRY_t *e = add(ea, c.p, pte);
        ASSERT_TRUE(e && e->valid);
        uint64_t rb = (VSID_WORD >> 12) << 28 | ea | c.rb_l;
        TLB_tlbie(tlb, rb, 0, 0, 0, 0, 0, "tlbie");
        EXPECT_EQ(e->valid == 0, c.gone);
    }
}

TEST_F(TlbOps, TlbielClassZeroFormsAndIndexedAccess)
{
    uint64_t pte[2] = {PTE_V | VSID_WORD, 0x2};
    for (int32_t k = 0; k < 8; k++)
        TLB_AddIndexedMapping(tlb, k, pte, 0, k & 1, 12, 28, 0, 0);
    TLB_InvalidateEntry(tlb, 0x123456789ull, 0, 2, 1, 0, 0, "tlbiel", 0); // class 0 of partition 1
    EXPECT_EQ(tlb->entries[0].valid, 1);
    EXPECT_EQ(tlb->entries[1].valid, 0);
    TLB_InvalidateEntry(tlb, 0x123456789ull, 0, 3, 0, 0, 0, "tlbiel", 0); // class 0, whatever RB
    for (int32_t k = 0; k < 8; k++)
        EXPECT_EQ(tlb->entries[k].valid, k >= 4 ? 1 : 0) << k;

    uint64_t version = current_xlate_version;
    uint64_t invalid[2] = {VSID_WORD, 0x2}; // V = 0
    TLB_AddIndexedMapping(tlb, 9, invalid, 0, 0, 12, 28, 0, 0);
    EXPECT_EQ(tlb->entries[9].valid, 0);
    EXPECT_EQ(current_xlate_version, version + 1);

    EXPECT_EQ(TLB_Get_Entry_Index(tlb, 0x6), 2);            // ways 0b0110: bit 1, way 2
    EXPECT_EQ(TLB_Get_Entry_Index(tlb, 5u << 4 | 0x8), 20); // class 5, way 0
    EXPECT_EQ(TLB_Get_Entry_Index(tlb, 0), 3);              // no way bit: way 3 of class 0
    EXPECT_EQ(TLB_Get_Entry_Index(tlb, TLB_Define_Replacement_Hint(tlb, 40)),
              40 + (tlb->entries[40].valid ? 1 : 0));
}

TEST_F(TlbOps, WideInvalidationStopsAtTableEnd)
{
    uint64_t pte[2] = {PTE_V | VSID_WORD, 0x2};
    for (int32_t k = 0; k < tlb->num_entries; k++)
        TLB_AddIndexedMapping(tlb, k, pte, 0, 0, 12, 28, 0, 0);
    // LP 0xA selects the wide form; a class near the end scans only to the last entry.
    TLB_tlbie(tlb, 0xFFFF000, 0, 0, 0, 0xA, 0, "tlbie");
    int32_t valid = 0;
    for (int32_t k = 0; k < tlb->num_entries; k++)
        valid += tlb->entries[k].valid;
    EXPECT_EQ(valid, tlb->num_entries)
        << "tags differ: nothing matched, and nothing past the end was touched";
}

TEST(TlbTranslation, StoreToEntryWithoutChangeBitRereadsPageTable)
{
    RunMachine r;
    ASSERT_TRUE(r.ok());
    IOPDesc *iop = r.t->current_iop;
    r.t->MSR.value = 0x9000000000000000ull | MSR_IR | MSR_DR;
    r.core->SDR1.value = 0x1000000;
    r.core->options[PO_CHECK_FOR_STALE_TLB_ENTRIES] = 0;
    r.core->options[PO_CONFIG_NO_WIMG_RC_CHANGE] = 0;
    TLB_Clear(iop, r.core->tlb);
    SLB *e = &r.t->slb[0];
    e->esid_base = 0;
    e->valid = 1;
    SLB_Set_VSID_Word(e, 0x45000);
    uint64_t group = 0x1000000 + ((0x45ull ^ 0x9) << 7);
    r.write(group, 8, 0x45000 | PTE_V);
    r.write(group + 8, 8, 0x300000 | 0x2);
    auto translate = [&](uint16_t kind) {
        Discard_Instruction_Bound_Exceptions(iop, 0);
        ERAT_InvalidateAll(r.t, 0, "test"); // reach the TLB every time
        AXD axd = INITIAL_AXD;
        axd.ea = axd.orig_ea = 0x9010;
        axd.size = 4;
        axd.kind = kind;
        axd.iop = iop;
        EXPECT_EQ(PPC_MMU_AddressTranslate(0, iop, &axd), XLATE_OK);
        return axd.pa;
    };
    EXPECT_EQ(translate(AXD_KIND_LOAD), 0x300010u);
    TLB_ENTRY_t *cached =
        TLB_FindMapping(r.core->tlb, 0x45000, 0x9000, 12, 0, 28, 0, nullptr, nullptr, 0, nullptr);
    ASSERT_NE(cached, nullptr);
    EXPECT_EQ(cached->pte_lower & PTE_C, 0u);
    // The page table changes behind the TLB: a load still uses the cached entry, a store re-reads.
    r.write(group + 8, 8, 0x400000 | 0x2 | PTE_R);
    EXPECT_EQ(translate(AXD_KIND_LOAD), 0x300010u);
    EXPECT_EQ(translate(AXD_KIND_STORE), 0x400010u);
    EXPECT_EQ(r.read(group + 8, 8), 0x400000u | 0x2 | PTE_R | PTE_C | PTE_M);
    EXPECT_EQ(cached->pte_lower, 0x400000u | 0x2 | PTE_R | PTE_C | PTE_M) << "refilled in place";
    EXPECT_EQ(translate(AXD_KIND_STORE), 0x400010u);
}

} // namespace

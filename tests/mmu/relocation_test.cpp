// Translation with relocation on: SLB search, hashed page table, R/C update, faults, ERATs, page
// sizes, protection and storage keys.
#include <gtest/gtest.h>

#include <cstdlib>

#include "../exec/run_machine.h"
#include "../support/sink_capture.h"
#include "decode/instr_info.h"
#include "interrupts/hooks/erat_invalidate.h"
#include "memory/reservations.h"
#include "mmu/address_translate.h"
#include "mmu/erat.h"
#include "mmu/page_size.h"
#include "mmu/page_table.h"
#include "mmu/protection.h"
#include "mmu/slb_search.h"
#include "mmu/xlate_internal.h"
#include "processor/config/processor_options.h"
#include "processor/records/axd.h"
#include "processor/records/exception_record.h"
#include "processor/records/instruction_record.h"
#include "processor/regs/msr_rules.h"
#include "processor/translation/erat.h"
#include "processor/translation/slb.h"
#include "processor/translation/tlb_slb_erat.h"
#include "runtime/common.h"
#include "runtime/stop.h"

namespace
{

constexpr uint64_t HTABORG = 0x1000000; // HTABSIZE 0: 2048 groups of 128 bytes
constexpr uint64_t HTAB_LAST_GROUP = HTABORG + 0x3FF80;
constexpr uint64_t MSR_HV_RELOCATED = 0x9000000000000000ull | MSR_IR | MSR_DR;
constexpr uint64_t SLBV_KS = 0x800, SLBV_KP = 0x400, SLBV_L = 0x100, SLBV_NOA_D = 0x4;
constexpr uint64_t PP_RW = 0x2; // PP 10: read/write for both keys

class Relocation : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        ASSERT_TRUE(r.ok());
        iop = r.t->current_iop;
        r.t->MSR.value = MSR_HV_RELOCATED;
        r.core->SDR1.value = HTABORG;
        saved_standalone = standalone_mode;
        standalone_mode = 0;
        ERAT_InvalidateAll(r.t, 0, "test");
        unsetenv("WOLK_SIM_ERROR_IGNORE");
    }
    void TearDown() override
    {
        Discard_Instruction_Bound_Exceptions(iop, 0);
        standalone_mode = saved_standalone;
        Start_The_Simulation();
    }
    void option(uint32_t index, uint32_t value = 1) { r.core->options[index] = value; }
    // SLB entry i for the segment holding ea (256 MB, or 1 TB with B in the VSID word).
    void slb(int i, uint64_t ea, uint64_t vsid_word)
    {
        SLB *e = &r.t->slb[i];
        e->esid_base = ea & ~0xFFFFFFFull;
        e->valid = 1;
        e->SLBE.value = e->esid_base | 0x8000000;
        SLB_Set_VSID_Word(e, vsid_word);
    }
    void pte(uint64_t address, uint64_t dw0, uint64_t dw1)
    {
        r.write(address, 8, dw0);
        r.write(address + 8, 8, dw1);
    }
    // The primary group of a 4 KB page of a 256 MB segment, and its first doubleword.
    static uint64_t group_of(uint64_t vsid, uint64_t ea)
    {
        return HTABORG + (((vsid ^ ((ea >> 12) & 0xFFFF)) << 7) & 0x3FF80);
    }
    static uint64_t dw0_of(uint64_t vsid, uint64_t ea) { return vsid << 12 | ((ea >> 16) & 0xF80) | PTE_V; }
    // Maps the 4 KB page of ea (segment VSID vsid, in SLB entry 0) to real page rpn.
    uint64_t map(uint64_t vsid, uint64_t ea, uint64_t rpn, uint64_t flags = PP_RW, int slot = 0)
    {
        slb(0, ea, vsid << 12);
        uint64_t address = group_of(vsid, ea) + 16 * (uint64_t)slot;
        pte(address, dw0_of(vsid, ea), rpn | flags);
        return address;
    }
    int translate(uint64_t ea, int size, uint16_t kind = AXD_KIND_LOAD, int mode = 0, bool keep = false)
    {
        if (!keep) Discard_Instruction_Bound_Exceptions(iop, 0);
        iop->row = nullptr;
        axd = INITIAL_AXD;
        axd.ea = axd.orig_ea = ea;
        axd.size = (int16_t)size;
        axd.kind = kind;
        axd.iop = iop;
        return PPC_MMU_AddressTranslate(mode, iop, &axd);
    }
    int32_t raised_type() const { return iop->exceptions ? iop->exceptions->type : -1; }
    int32_t raised_subtype() const { return iop->exceptions ? iop->exceptions->subtype : 0; }
    ERAT_Struct *derat() { return Thread_ERAT(r.t, AXD_KIND_LOAD); }

    RunMachine r;
    IOPDesc *iop = nullptr;
    AXD axd{};
    int saved_standalone = 0;
};

TEST_F(Relocation, TranslatesThroughSlbAndHashedPageTable)
{
    uint64_t entry = map(0x123, 0x10005000, 0x200000);
    ASSERT_EQ(translate(0x10005ABC, 4), XLATE_OK);
    EXPECT_EQ(axd.pa, 0x200ABCu);
    EXPECT_EQ(axd.vsid, 0x123000u);
    EXPECT_EQ(axd.page_shift, 12);
    EXPECT_EQ(axd.xlate_mode, 2);
    EXPECT_EQ(r.read(entry + 8, 8), 0x200000u | PP_RW | PTE_R); // a load sets R only
}

TEST_F(Relocation, HashGroupsOfA256MBSegment)
{
    SLB segment;
    SLBE_Init(&segment, r.t);
    segment.valid = 1;
    uint64_t entry[2], address = 0;
    // VSID 0, page index 0: the primary group is the table's first, the secondary its last.
    pte(HTAB_LAST_GROUP + 16 * 2, PTE_V | PTE_H, 0x300000 | PP_RW);
    ASSERT_EQ(
        PPC_MMU_Search_Page_Table(entry, iop, nullptr, 0, 0, 28, 0, 12, &address, AXD_KIND_LOAD, 0, &segment),
        1);
    EXPECT_EQ(address, HTAB_LAST_GROUP + 32);
    // Present in both groups: the primary wins, and within a group the lowest slot.
    pte(HTABORG + 16 * 5, PTE_V, 0x500000 | PP_RW);
    pte(HTABORG + 16 * 3, PTE_V, 0x400000 | PP_RW);
    ASSERT_EQ(
        PPC_MMU_Search_Page_Table(entry, iop, nullptr, 0, 0, 28, 0, 12, &address, AXD_KIND_LOAD, 0, &segment),
        1);
    EXPECT_EQ(address, HTABORG + 48);
    EXPECT_EQ(entry[1], 0x400000u | PP_RW);
}

TEST_F(Relocation, OneTerabyteSegmentHashAndMatch)
{
    // VSID word 0x1000000 (h2 = 1), page index 5: hash 1 ^ 1 << 25 ^ 5, group offset 0x200.
    slb(0, 0, 1ull << 62 | 0x1000000);
    uint64_t dw0 = 1ull << 62 | 0x1000000 | PTE_V;
    pte(HTABORG + 0x200, dw0, 0x600000 | PP_RW);
    ASSERT_EQ(translate(0x5010, 4), XLATE_OK);
    EXPECT_EQ(axd.pa, 0x600010u);
    EXPECT_EQ(axd.seg_b, 1);
    // The segment covers every address equal in bits 40 and up, whatever bits 28-39 hold.
    EXPECT_NE(PPC_MMU_Search_SLB(iop, 0xFFF0000000ull, AXD_KIND_LOAD, nullptr), nullptr);
    EXPECT_EQ(PPC_MMU_Search_SLB(iop, 0x10000000000ull, AXD_KIND_LOAD, nullptr), nullptr);
}

TEST_F(Relocation, FirstStoreSetsReferenceAndChange)
{
    constexpr uint64_t W = PTE_W;
    struct Case {
        const char *name;
        uint32_t no_wimg_change;
        uint64_t before, after;
    };
    for (const Case &c : {Case{"W=1 I=0 becomes M=1 W=0", 0, W, PTE_M | PTE_R | PTE_C},
                          Case{"I=1 keeps W", 0, W | PTE_I, W | PTE_I | PTE_M | PTE_R | PTE_C},
                          Case{"CONFIG_NO_WIMG_RC_CHANGE", 1, W, W | PTE_R | PTE_C}}) {
        SCOPED_TRACE(c.name);
        option(PO_CONFIG_NO_WIMG_RC_CHANGE, c.no_wimg_change);
        ERAT_InvalidateAll(r.t, 0, "test");
        uint64_t entry = map(0x40, 0x3000, 0x700000, PP_RW | c.before);
        ASSERT_EQ(translate(0x3008, 8, AXD_KIND_STORE), XLATE_OK);
        EXPECT_EQ(r.read(entry + 8, 8), 0x700000u | PP_RW | c.after);
    }
}

TEST_F(Relocation, PageTableIsWrittenOnlyWhenRCChange)
{
    // With the option, every write of an entry clears the reservation: it shows each write.
    option(PO_RESERVATION_LOST_WHEN_R_C_CHANGED);
    MemoryClient *client = r.t->memory_client;
    map(0x41, 0x4000, 0x710000, PP_RW | PTE_R);
    set_reservation_bit(client);
    ASSERT_EQ(translate(0x4000, 4), XLATE_OK);
    EXPECT_EQ(client->reservation_valid, 1) << "R already set: nothing written";
    ASSERT_EQ(translate(0x4000, 4, AXD_KIND_STORE), XLATE_OK);
    EXPECT_EQ(client->reservation_valid, 0) << "C written";
    clear_reservation_bit(client);
}

TEST_F(Relocation, NoSideEffectLeavesEntryAndErat)
{
    uint64_t entry = map(0x42, 0x5000, 0x720000);
    ASSERT_EQ(translate(0x5000, 8, AXD_KIND_STORE, XLATE_NOSIDEEFFECT), XLATE_OK);
    EXPECT_EQ(axd.pa, 0x720000u);
    EXPECT_EQ(r.read(entry + 8, 8), 0x720000u | PP_RW);
    EXPECT_EQ(ERAT_FindMapping(r.t, derat(), 0x5000, AXD_KIND_LOAD), nullptr);
    // The same store with side effects fills the data ERAT with a Store entry.
    ASSERT_EQ(translate(0x5000, 8, AXD_KIND_STORE), XLATE_OK);
    ERAT_Entry *hit = ERAT_FindMapping(r.t, derat(), 0x5000, AXD_KIND_STORE);
    ASSERT_NE(hit, nullptr);
    EXPECT_EQ(hit->axd.pa, 0x720000u);
}

TEST_F(Relocation, SegmentAndPageFaults)
{
    option(PO_DSISR_BITS_ARE_DEFINED_FOR_SEGMENT_FAULT_INTERRUPTS, 0);
    option(PO_ZENK_DSISR_BIT10, 0);
    struct Case {
        const char *name;
        uint64_t ea;
        uint16_t kind;
        int32_t type;
        uint32_t dsisr;
    };
    map(0x43, 0x6000, 0x730000); // segment 0 only; page 0x7000 unmapped
    for (const Case &c : {Case{"no SLB entry, load", 0x20000000, AXD_KIND_LOAD, 12, 0},
                          Case{"no SLB entry, fetch", 0x20000000, AXD_KIND_FETCH, 16, 0},
                          Case{"no PTE, load", 0x7000, AXD_KIND_LOAD, 8, 0x40000000},
                          Case{"no PTE, store", 0x7000, AXD_KIND_STORE, 8, 0x42000000},
                          Case{"no PTE, fetch", 0x7000, AXD_KIND_FETCH, 13, 0}}) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(translate(c.ea, 4, c.kind), XLATE_EXCEPTION);
        ASSERT_NE(iop->exceptions, nullptr);
        EXPECT_EQ(raised_type(), c.type);
        if (c.kind != AXD_KIND_FETCH) {
            EXPECT_EQ(iop->exceptions->dsisr, c.dsisr);
        }
        EXPECT_EQ(translate(c.ea, 4, c.kind, XLATE_NOEXCEPTION), XLATE_EXCEPTION);
        EXPECT_EQ(iop->exceptions, nullptr);
    }
}

TEST_F(Relocation, HardwareTableSearchDisabledRaisesHypervisorTlbMiss)
{
    map(0x44, 0x8000, 0x740000);
    r.t->LPCR.value |= 0x400;
    EXPECT_EQ(translate(0x8000, 4), XLATE_EXCEPTION);
    EXPECT_EQ(raised_type(), 36); // HV_DTLB: the table was not walked
    r.t->LPCR.value &= ~0x400ull;
    EXPECT_EQ(translate(0x8000, 4), XLATE_OK);
}

TEST_F(Relocation, PendingExceptionMakesResultOne)
{
    map(0x45, 0x9000, 0x750000);
    Discard_Instruction_Bound_Exceptions(iop, 0);
    ASSERT_EQ(translate(0x20000000, 4), XLATE_EXCEPTION); // leaves a segment fault pending
    EXPECT_EQ(translate(0x9000, 4, AXD_KIND_LOAD, 0, true), XLATE_EXCEPTION);
    EXPECT_EQ(axd.pa, 0x750000u); // translated all the same
}

TEST_F(Relocation, EratFetchOfGuardedPage)
{
    option(PO_POWERPC_V2);
    ERAT_Struct *ierat = Thread_ERAT(r.t, AXD_KIND_FETCH);
    ASSERT_NE(ierat, nullptr);
    AXD made = INITIAL_AXD;
    made.kind = AXD_KIND_FETCH;
    made.pa = 0x760000;
    made.wimg = AXD_WIMG_G;
    made.perm = PP_RW;
    made.xlate_mode = 2;
    uint64_t entry[2] = {0, 0x760000 | PP_RW | PTE_R};
    ERAT_AddMapping(r.t, ierat, &made, 0xA000, 12, entry);
    EXPECT_EQ(translate(0xA000, 4, AXD_KIND_FETCH, XLATE_NOEXCEPTION), XLATE_EXCEPTION);
    EXPECT_EQ(raised_subtype(), 222); // "ISI: G bit is set", raised even without exceptions
    EXPECT_EQ(translate(0xA000, 4, AXD_KIND_FETCH, XLATE_NOCHECK), XLATE_OK);
    EXPECT_EQ(iop->exceptions, nullptr);
    EXPECT_EQ(axd.pa, 0x760000u);
}

TEST_F(Relocation, EratLoadEntryDoesNotServeStores)
{
    map(0x46, 0xB000, 0x770000);
    ASSERT_EQ(translate(0xB010, 4), XLATE_OK);
    ERAT_Struct *erat = derat();
    int32_t row = ERAT_Row(erat, 0xB000, 12);
    ERAT_Entry *load_entry = ERAT_FindMapping(r.t, erat, 0xB000, AXD_KIND_LOAD);
    ASSERT_NE(load_entry, nullptr);
    EXPECT_EQ(load_entry->kind, AXD_KIND_LOAD);
    EXPECT_EQ(ERAT_FindMapping(r.t, erat, 0xB000, AXD_KIND_STORE), nullptr);
    ASSERT_EQ(translate(0xB010, 4, AXD_KIND_STORE), XLATE_OK);
    EXPECT_EQ(erat->row_count[row], 1);
    EXPECT_EQ(ERAT_FindMapping(r.t, erat, 0xB000, AXD_KIND_STORE), load_entry); // same way, now a Store entry
    EXPECT_EQ(ERAT_FindMapping(r.t, erat, 0xB000, AXD_KIND_LOAD), load_entry);
}

TEST_F(Relocation, ErrorsOnSlbMultipleMatches)
{
    map(0x47, 0xC000, 0x780000);
    slb(5, 0xC000, 0x999000); // a second entry for the same segment
    ASSERT_EQ(translate(0xC000, 4), XLATE_OK);
    EXPECT_EQ(axd.vsid, 0x47000u) << "detection off: the lower entry";

    r.t->SIM_CTRL.value |= SIM_CTRL_SLB_MULTI_MATCH;
    ERAT_InvalidateAll(r.t, 0, "test"); // the first translation's entry would hide the SLB
    {
        SinkCapture sink;
        EXPECT_EQ(translate(0xC000, 4), XLATE_EXCEPTION);
        EXPECT_EQ(raised_type(), 12);
        EXPECT_NE(sink.text().find("FATAL ERROR: SLB0 and SLB5 both match ea=0x000000000000C000, "
                                   "ea_esid=0x0000000000000000and SIM_CTRL SLB_Multi_Match_Detection =1"),
                  std::string::npos)
            << sink.text();
        EXPECT_NE(stop_simulation & STOP_QUARN_ERROR, 0u);
    }
    Start_The_Simulation();
    setenv("WOLK_SIM_ERROR_IGNORE", "1", 1);
    ERAT_InvalidateAll(r.t, 0, "test");
    EXPECT_EQ(translate(0xC000, 4), XLATE_OK);
    EXPECT_EQ(stop_simulation, 0u);
}

TEST_F(Relocation, NoDataAccessEntryServesFetchesOnly)
{
    slb(0, 0xD000, 0x48000 | SLBV_NOA_D);
    pte(group_of(0x48, 0xD000), dw0_of(0x48, 0xD000), 0x790000 | PP_RW);
    EXPECT_EQ(translate(0xD000, 4), XLATE_EXCEPTION);
    EXPECT_EQ(raised_type(), 12);
    EXPECT_EQ(translate(0xD000, 4, AXD_KIND_FETCH), XLATE_OK);
    EXPECT_EQ(axd.pa, 0x790000u);
}

TEST_F(Relocation, TagsActiveSegmentOfHighAddress)
{
    SLB segment;
    Tags_Active_Segment(iop, 0x0001000000000000ull, &segment);
    EXPECT_EQ(segment.vsid, 0x100000000u);
    EXPECT_EQ(segment.valid, 1);
    EXPECT_EQ(segment.segment_size, 0);
}

TEST_F(Relocation, LargePageOfA64KSegment)
{
    option(PO_DEFINE_PAGE_SIZE_Ervik_FIXED);
    option(PO_DEFINE_PAGE_SIZE_Fosk_FIXED, 0);
    // Segment with L = 1, LP = 1 (64 KB base pages); entry with L and LP code 8 (16 MB page).
    uint64_t ea = 0x10ABCDEF;
    slb(0, ea, 0x50000 | SLBV_L | 0x10);
    uint64_t page_ea = ea & ~0xFFFFull;
    uint64_t hash = 0x50 ^ ((page_ea >> 16) & 0xFFF);
    pte(HTABORG + ((hash << 7) & 0x3FF80), 0x50000 | ((page_ea >> 16) & 0xF80) | PTE_L | PTE_V,
        0x2000000 | 8 << 12 | PP_RW);
    ASSERT_EQ(translate(ea, 4), XLATE_OK);
    EXPECT_EQ(axd.page_shift, 24);
    EXPECT_EQ(axd.pa, 0x2000000u | (ea & 0xFFFFFF));
}

TEST(PageSizes, SegmentAndEntryEncodings)
{
    RunMachine r;
    ASSERT_TRUE(r.ok());
    IOPDesc *iop = r.t->current_iop;
    uint32_t *o = r.core->options;
    o[PO_DEFINE_PAGE_SIZE_HID_LB] = 0;
    o[PO_DEFINE_PAGE_SIZE_MERIDU_FIXED] = 0;
    o[PO_DEFINE_PAGE_SIZE_Ervik_FIXED] = 1;
    o[PO_SLB_1M] = 0;
    EXPECT_EQ(SLBE_page_size_bits(iop, 1, 3), 24);
    o[PO_SLB_1M] = 1;
    EXPECT_EQ(SLBE_page_size_bits(iop, 1, 3), 20);
    EXPECT_EQ(SLBE_page_size_bits(iop, 1, 1), 16);
    EXPECT_EQ(SLBE_page_size_bits(iop, 0, 3), 12);
    EXPECT_EQ(MMU_Compute_Size_Index_from_PTE_LP_field(0xFF), 8);
    EXPECT_EQ(MMU_Compute_Size_Index_from_PTE_LP_field(0x0E), 0);
    // Index 2: 1 MB in the generation-7 table, no size in the generation-9 table.
    EXPECT_EQ(Dravo_base_page_size[2][1], 20);
    EXPECT_EQ(Fosk_base_page_size[2][1], 0);
    EXPECT_EQ(Dravo_base_page_size[8][0], 16);
    EXPECT_EQ(Dravo_base_page_size[8][1], 24);
    EXPECT_EQ(TLBIE_page_encoding_bits(iop, 1, 8, 0, 0), 16);
    EXPECT_EQ(TLBIE_page_encoding_bits(iop, 1, 8, 0, 1), 24);
    EXPECT_EQ(TLBIE_page_encoding_bits(iop, 0, 4, 0, 1), 24);
}

TEST(PageSizes, EntryWithoutLargeBitInLargeSegmentIsFatal)
{
    RunMachine r;
    ASSERT_TRUE(r.ok());
    r.core->options[PO_DEFINE_PAGE_SIZE_Ervik_FIXED] = 1;
    r.core->options[PO_DEFINE_PAGE_SIZE_Fosk_FIXED] = 0;
    uint64_t entry[2] = {PTE_V, 0x100000}; // no L; LP code 0 names 16 MB
    SinkCapture sink;
    EXPECT_EQ(Xlate_Actual_Page_Shift(r.t->current_iop, entry, 1, 16), -1);
    EXPECT_NE(
        sink.text().find("FATAL ERROR: for L=1, PTE entry page size (24) not the same as SLB page size (16)"),
        std::string::npos)
        << sink.text();
    EXPECT_EQ(Xlate_Actual_Page_Shift(r.t->current_iop, entry, 1, 24), 24);
    Start_The_Simulation();
}

class Protection : public Relocation
{
  protected:
    int check(uint64_t msr, uint8_t perm, uint16_t kind)
    {
        r.t->MSR.value = msr;
        axd = INITIAL_AXD;
        axd.perm = perm;
        axd.kind = kind;
        return PPC_MMU_Check_Access(iop, &axd);
    }
};

TEST_F(Protection, PageProtectionTable)
{
    option(PO_PP_IS_3_BITS, 0);
    option(PO_TAGS_ACTIVE, 0);
    const uint64_t SUP = MSR_HV_RELOCATED, PROB = MSR_HV_RELOCATED | MSR_PR;
    const uint8_t KS = 0x8, KP = 0x4, PP0 = 0x20;
    struct Case {
        const char *name;
        uint64_t msr;
        uint8_t perm;
        uint16_t kind;
        int permitted;
    };
    for (const Case &c : {
             Case{"problem load, Kp=1, PP=00", PROB, KP, AXD_KIND_LOAD, 0},
             Case{"privileged load, Ks=0, PP=00", SUP, KP, AXD_KIND_LOAD, 1},
             Case{"privileged store, PP=11, key 0", SUP, 0x3, AXD_KIND_STORE, 0},
             Case{"privileged store, PP=11, key 1", SUP, KS | 0x3, AXD_KIND_STORE, 0},
             Case{"privileged load, PP=11, key 1", SUP, KS | 0x3, AXD_KIND_LOAD, 1},
             Case{"store, PP=10, key 1", SUP, KS | 0x2, AXD_KIND_STORE, 1},
             Case{"PP0 ignored without the option", SUP, PP0 | 0x2, AXD_KIND_STORE, 1},
         }) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(check(c.msr, c.perm, c.kind), c.permitted);
    }
    option(PO_PP_IS_3_BITS);
    EXPECT_EQ(check(SUP, PP0 | 0x2, AXD_KIND_STORE), 0);
    EXPECT_EQ(check(SUP, PP0 | 0x2, AXD_KIND_LOAD), 1);
    EXPECT_EQ(check(SUP, KS | PP0 | 0x2, AXD_KIND_LOAD), 0);
}

TEST_F(Protection, CacheTouchTables)
{
    option(PO_PP_IS_3_BITS);
    for (int index = 0; index < 64; index++) {
        uint64_t msr = MSR_HV_RELOCATED | ((index & 0x10) ? MSR_PR : 0);
        uint8_t perm = (uint8_t)((index & 0x20) | (index & 0xF));
        option(PO_TAGS_ACTIVE, 0);
        EXPECT_EQ(check(msr, perm, AXD_KIND_CACHE_TOUCH), 0) << index;
        option(PO_TAGS_ACTIVE);
        EXPECT_EQ(check(msr | MSR_TA | ((index & 1) ? 0x80 : 0), perm, AXD_KIND_CACHE_TOUCH), 1) << index;
    }
}

TEST_F(Protection, VirtualRealModeAreaUsesKeyZero)
{
    option(PO_POWERPC_V206);
    option(PO_TAGS_ACTIVE, 0);
    option(PO_LPES_1_REMOVED, 0);
    const uint64_t partition = MSR_SF;             // HV 0, relocation off
    r.t->LPCR.value = 0x8000000000000000ull | 0x4; // VPM0, LPES1
    EXPECT_EQ(check(partition, 0x8, AXD_KIND_STORE), 1);
    r.t->LPCR.value = 0x4;
    EXPECT_EQ(check(partition, 0x8, AXD_KIND_STORE), 0);
}

TEST_F(Protection, StorageKeys)
{
    axd = INITIAL_AXD;
    axd.kind = AXD_KIND_LOAD;
    r.t->AMR.value = 0x1; // key 31 may not be read
    EXPECT_EQ(Storage_Key_Violation(iop, &axd, 31), (uint64_t)KEY_CAUSE_AMR);
    EXPECT_EQ(Storage_Key_Violation(iop, &axd, 30), 0u);
    axd.kind = AXD_KIND_STORE;
    EXPECT_EQ(Storage_Key_Violation(iop, &axd, 31), 0u);
    r.t->AMR.value = 0x8000000000000000ull; // key 0 may not be written
    EXPECT_EQ(Storage_Key_Violation(iop, &axd, 0), (uint64_t)KEY_CAUSE_AMR);
    axd.kind = AXD_KIND_FETCH;
    r.t->IAMR.value = 0x4000000000000000ull; // key 0 may not be fetched
    EXPECT_EQ(Storage_Key_Violation(iop, &axd, 0), (uint64_t)KEY_CAUSE_IAMR);
    EXPECT_EQ(PTE_Storage_Key(3ull << 60 | 7 << 9), 31u);
}

TEST_F(Protection, KeyAndProtectionFaultsOfATranslation)
{
    option(PO_PP_IS_3_BITS, 0);
    // Key 1 (bits 9-11 of the second doubleword), AMR forbidding its writes.
    uint64_t entry = map(0x49, 0xE000, 0x7A0000, PP_RW | 1 << 9);
    r.t->AMR.value = 0x2000000000000000ull;
    ASSERT_EQ(translate(0xE000, 4), XLATE_OK);
    EXPECT_EQ(translate(0xE000, 4, AXD_KIND_STORE), XLATE_EXCEPTION);
    EXPECT_EQ(raised_type(), 9);
    EXPECT_EQ(iop->exceptions->dsisr, 0x2200000u);
    EXPECT_EQ(r.read(entry + 8, 8) & PTE_C, 0u) << "no change bit after a key fault";
    // A problem-state load from Kp = 1, PP = 00.
    r.t->AMR.value = 0;
    slb(0, 0xE000, 0x49000 | SLBV_KP);
    pte(entry, dw0_of(0x49, 0xE000), 0x7A0000);
    r.t->MSR.value = MSR_HV_RELOCATED | MSR_PR;
    EXPECT_EQ(translate(0xE000, 4), XLATE_EXCEPTION);
    EXPECT_EQ(raised_subtype(), 234);
    EXPECT_EQ(iop->exceptions->dsisr, 0x08000000u);
}

class EratTest : public ::testing::Test
{
  protected:
    explicit EratTest(const BuiltMachine::Configure &configure = {}) : r(configure) {}
    void SetUp() override
    {
        ASSERT_TRUE(r.ok());
        ERAT_InvalidateAll(r.t, 0, "test");
    }
    void add(ThreadState *thread, uint64_t ea, uint64_t pa, int32_t shift = 12, uint16_t kind = AXD_KIND_LOAD)
    {
        AXD made = INITIAL_AXD;
        made.kind = kind;
        made.pa = pa;
        uint64_t entry[2] = {0, pa};
        ERAT_AddMapping(thread, erat(), &made, ea, shift, entry);
    }
    ERAT_Struct *erat() { return &r.core->derats[0]; }
    RunMachine r;
};

class ThreeThreadErat : public EratTest
{
  protected:
    ThreeThreadErat()
        : EratTest([](BuiltMachine &b) {
              b.set("processor/number_of_threads", "4");
              b.set("processor/derat_msr_mask", "0x4000");
          })
    {
    }
};

TEST_F(ThreeThreadErat, RowReplacementMsrMaskAndMatchInvalidation)
{
    ASSERT_GE(r.core->num_threads, 3u);
    ASSERT_EQ(erat()->ways, 2);
    ThreadState *t0 = &r.core->threads[0], *t1 = &r.core->threads[1], *t2 = &r.core->threads[2];
    int32_t row = ERAT_Row(erat(), 0x7000, 12);
    add(t0, 0x7000, 0x100000);
    r.m.machine->tsim->now += 10;
    add(t1, 0x7000, 0x200000);
    r.m.machine->tsim->now += 10;
    ERAT_FindMapping(t0, erat(), 0x7000, AXD_KIND_LOAD)->last_use = r.m.machine->tsim->now; // t0 used last
    add(t2, 0x7000, 0x300000);
    EXPECT_EQ(erat()->row_count[row], 2);
    EXPECT_NE(ERAT_FindMapping(t0, erat(), 0x7000, AXD_KIND_LOAD), nullptr);
    EXPECT_EQ(ERAT_FindMapping(t1, erat(), 0x7000, AXD_KIND_LOAD), nullptr) << "least recently used";
    EXPECT_NE(ERAT_FindMapping(t2, erat(), 0x7000, AXD_KIND_LOAD), nullptr);

    // Only the first entry with the tag goes, whichever thread made it.
    ERAT_InvalidateMatch(t0, erat(), 0x7123, ERAT_REASON_TLBIE, "test");
    EXPECT_EQ(erat()->row_count[row], 1);
    EXPECT_EQ(ERAT_FindMapping(t0, erat(), 0x7000, AXD_KIND_LOAD), nullptr);
    EXPECT_NE(ERAT_FindMapping(t2, erat(), 0x7000, AXD_KIND_LOAD), nullptr);

    // An entry made in problem state is hidden once the thread leaves it.
    t0->MSR.value |= MSR_PR;
    add(t0, 0x9000, 0x400000);
    EXPECT_NE(ERAT_FindMapping(t0, erat(), 0x9000, AXD_KIND_LOAD), nullptr);
    t0->MSR.value &= ~MSR_PR;
    EXPECT_EQ(ERAT_FindMapping(t0, erat(), 0x9000, AXD_KIND_LOAD), nullptr);

    ERAT_InvalidateAll(t1, ERAT_REASON_SLBIA, "test");
    EXPECT_EQ(ERAT_FindMapping(t2, erat(), 0x7000, AXD_KIND_LOAD), nullptr);
}

class LargePageErat : public EratTest
{
  protected:
    LargePageErat()
        : EratTest([](BuiltMachine &b) { b.set("processor/DERAT_mapped_large_page", "16777216"); })
    {
    }
};

TEST_F(LargePageErat, MissAtSmallRowSearchesLargeShift)
{
    EXPECT_EQ(erat()->large_shift, 24);
    add(r.t, 0x3000000, 0x5000000, 24); // a 16 MB translation is entered at shift 24
    ERAT_Entry *hit = ERAT_FindMapping(r.t, erat(), 0x3ABC000, AXD_KIND_LOAD);
    ASSERT_NE(hit, nullptr);
    EXPECT_EQ(hit->erat_shift, 24);
    add(r.t, 0x6000, 0x8000, 12); // a 4 KB one at shift 12
    EXPECT_EQ(ERAT_FindMapping(r.t, erat(), 0x6000, AXD_KIND_LOAD)->erat_shift, 12);
}

TEST(EratInit, RefusesCountsThatAreNotPowersOfTwo)
{
    struct Case {
        int32_t rows, ways;
        bool ok;
    };
    for (const Case &c : {Case{128, 2, true}, Case{0, 2, false}, Case{96, 2, false}, Case{64, 3, false}}) {
        SCOPED_TRACE(c.rows * 10 + c.ways);
        ERAT_Struct erat{};
        SinkCapture sink;
        ERAT_Init(nullptr, 0, &erat, c.rows, c.ways, 0);
        EXPECT_EQ(erat.entries != nullptr, c.ok);
        if (!c.ok) {
            EXPECT_NE(sink.text().find("bad ERAT size: rows = " + std::to_string(c.rows)), std::string::npos);
            EXPECT_EQ(ERAT_FindMapping(nullptr, &erat, 0x1000, AXD_KIND_LOAD), nullptr);
        } else {
            EXPECT_STREQ(erat.name, "<unknown>_dERAT.0");
        }
        ERAT_Destroy(&erat);
        Start_The_Simulation();
    }
}

} // namespace

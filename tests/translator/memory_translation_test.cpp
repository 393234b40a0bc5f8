// Guest memory in translated code and the maps behind it: misses that fault into exits and the
// slow path that fills them, the slots a store, load and fetch installation set, aliases,
// invalidation by terabyte, TLB invalidation of segment pages, the mapping limit, the translation
// modes of the routines, page-crossing and overflow tests, frames and their flushes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "memory/reservations.h"
#include "mmu/address_translate.h"
#include "processor/records/instruction_record.h"
#include "processor/regs/msr_rules.h"
#include "runtime/utils_mmap.h"
#include "support/sink_capture.h"
#include "translator/emat_modes.h"
#include "translator/jit_stubs.h"
#include "translator/page_rig.h"
#include "translator/turbo_stats.h"

namespace
{

using namespace ppc;

std::vector<std::string> warnings;

class MemoryTranslation : public PageRig
{
  public:
    static constexpr uint64_t DATA_PA = 0x20000;

    MemoryTranslation()
    {
        warnings.clear();
        translator_warning_hook = [](const char *text) { warnings.push_back(text); };
    }
    ~MemoryTranslation() override { translator_warning_hook = nullptr; }

    emat_s *data_map() { return GET_CURRENT_EMAT(t, t->MSR.value, 0); }
    emat_s *fetch_map() { return GET_CURRENT_EMAT(t, t->MSR.value, 1); }
    emat_page_entry *entry(emat_s *map, uint64_t ea)
    {
        segment *seg = emat_get_segment(map, ea);
        return seg ? &seg->pages[(ea >> 12) & 0xFFFF] : nullptr;
    }
    // A translated (relocated) installation of EA at the physical address.
    void install_translated(uint64_t ea, uint64_t pa, uint16_t kind, uint64_t vsid = 0x123)
    {
        AXD axd = INITIAL_AXD;
        axd.kind = kind;
        axd.xlate_mode = 2;
        axd.ea = axd.xlate_ea = ea;
        axd.pa = pa;
        axd.vsid = vsid << 12;
        emat_add(kind == AXD_KIND_FETCH ? fetch_map() : data_map(), t, &axd);
    }
    // The slow path of a data access with the fill request of the exit, as the interpreter runs it.
    void slow_path(uint64_t ea, uint16_t kind, int32_t request)
    {
        t->emat_fill_request = request;
        AXD axd = INITIAL_AXD;
        axd.kind = kind;
        axd.ea = axd.orig_ea = ea;
        axd.size = 4;
        axd.iop = t->current_iop;
        ASSERT_EQ(PPC_MMU_AddressTranslate(0, t->current_iop, &axd), 0);
        EXPECT_EQ(t->emat_fill_request, 0);
    }
};

TEST_F(MemoryTranslation, AMissFaultsIntoAnExitAndTheSlowPathFillsTheMap)
{
    r.write(DATA_PA + 0x10, 4, 0xCAFEF00D);
    t->GPR[4].value = DATA_PA;
    t->GPR[5].value = 0x11223344;
    word(0, NOP);
    word(1, NOP);
    word(2, lwz(3, 4, 0x10));
    word(4, stw(5, 4, 0x20));
    EXPECT_EQ(enter(0, 100), 98u); // the third instruction is undone
    EXPECT_EQ(t->turbo.reason, EXIT_READ);
    EXPECT_EQ(t->turbo.pc, pc_of(2));

    slow_path(DATA_PA + 0x10, AXD_KIND_LOAD, EMAT_FILL_READ);
    EXPECT_EQ(enter(2, 100), 99u);
    EXPECT_EQ(t->GPR[3].value, 0xCAFEF00Du);
    EXPECT_EQ(t->turbo.reason, EXIT_UNKNOWN); // slot 3 holds a zero word

    // A store misses until a write installation; it then reaches guest memory.
    EXPECT_EQ(enter(4, 100), 100u);
    EXPECT_EQ(t->turbo.reason, EXIT_WRITE);
    slow_path(DATA_PA + 0x20, AXD_KIND_STORE, EMAT_FILL_WRITE);
    EXPECT_EQ(enter(4, 100), 99u);
    EXPECT_EQ(r.read(DATA_PA + 0x20, 4), 0x11223344u);
}

TEST_F(MemoryTranslation, EachInstallationKindSetsItsSlots)
{
    install(DATA_PA, AXD_KIND_STORE);
    emat_page_entry *e = entry(data_map(), DATA_PA);
    ASSERT_NE(e, nullptr);
    EXPECT_NE(e->store_frame, 0u);
    EXPECT_NE(e->read_page, 0u);
    EXPECT_EQ(e->fetch_frame, 0u);
    EXPECT_EQ(e->frame, e->store_frame);

    // A load now hits the read slot; a fetch still misses.
    r.write(DATA_PA, 4, 77);
    t->GPR[4].value = DATA_PA;
    word(0, lwz(3, 4, 0));
    EXPECT_EQ(enter(0, 100), 99u);
    EXPECT_EQ(t->GPR[3].value, 77u);
    EXPECT_EQ(emat_xframe(fetch_map(), DATA_PA, 1), nullptr);
    install(DATA_PA, AXD_KIND_FETCH);
    EXPECT_NE(e->fetch_frame, 0u);
    EXPECT_NE(emat_xframe(fetch_map(), DATA_PA, 1), nullptr);
}

TEST_F(MemoryTranslation, AnAliasedEntryIsLeftEmpty)
{
    const uint64_t ea = 0x0000000740000000ull;
    install_translated(ea, DATA_PA, AXD_KIND_LOAD);
    ASSERT_NE(entry(data_map(), ea)->read_page, 0u);
    install_translated(ea, DATA_PA + 0x1000, AXD_KIND_LOAD);
    emat_page_entry *e = entry(data_map(), ea);
    EXPECT_EQ(e->read_page | e->store_frame | e->fetch_frame | e->frame, 0u);
    ASSERT_EQ(warnings.size(), 4u);
    EXPECT_EQ(warnings[0].rfind("old frame = <", 0), 0u) << warnings[0];
    EXPECT_NE(warnings[0].find("KNVB_vsid = 0x0020000000000123"), std::string::npos) << warnings[0];
    EXPECT_EQ(warnings[1].rfind("    ea = 0x0000000740000000, axd->ea = ", 0), 0u) << warnings[1];
    EXPECT_EQ(warnings[2].rfind("    old->pa = 0x0000000000020000, old->ma = <", 0), 0u) << warnings[2];
    EXPECT_EQ(warnings[3].rfind("    new->pa = 0x0000000000021000, new->ma = <", 0), 0u) << warnings[3];
}

TEST_F(MemoryTranslation, InvalidatingAnEffectiveAddressDropsItsWholeTerabyte)
{
    const uint64_t same[] = {0x0000010000000000ull, 0x0000012345678000ull, 0x000001FFF0000000ull};
    const uint64_t other = 0x0000020000000000ull;
    for (uint64_t ea : same)
        install_translated(ea, DATA_PA, AXD_KIND_LOAD);
    install_translated(other, DATA_PA, AXD_KIND_LOAD);
    EMAT_INVALIDATE_EA(t, 0x0000012345678000ull, "test");
    for (uint64_t ea : same)
        EXPECT_EQ(emat_get_segment(data_map(), ea), nullptr) << std::hex << ea;
    EXPECT_NE(emat_get_segment(data_map(), other), nullptr);
    // The records went to the spare list and serve the next installation.
    ASSERT_NE(data_map()->free_regions, nullptr);
    install_translated(same[0], DATA_PA, AXD_KIND_LOAD);
    EXPECT_NE(emat_get_segment(data_map(), same[0]), nullptr);
}

TEST_F(MemoryTranslation, TlbInvalidationClearsThePagesOfItsRange)
{
    segtab *table = t->mcm->mbus->memory_map->segment_table;
    const uint64_t vsid = 0x4567;
    segment *seg = segtab_lookup(table, t, vsid, 0, 0, 0, 1, 0, 1);
    ASSERT_NE(seg, nullptr);
    auto fill = [&] {
        for (emat_page_entry &e : seg->pages)
            e = {1, 2, 3, 4};
    };
    auto cleared = [&] {
        int n = 0;
        for (const emat_page_entry &e : seg->pages)
            n += e.read_page == 0;
        return n;
    };
    struct Case {
        int shift;
        int cleared;
        size_t warnings;
    };
    const Case cases[] = {{24, 4096, 0}, {12, 1, 0}, {8, 1, 1}, {30, 65536, 1}};
    for (const Case &c : cases) {
        fill();
        warnings.clear();
        segtab_tlbie(table, t, vsid << 28 | 0x1234000, 20, c.shift, 0);
        EXPECT_EQ(cleared(), c.cleared) << c.shift;
        ASSERT_EQ(warnings.size(), c.warnings) << c.shift;
        if (c.warnings) {
            EXPECT_EQ(warnings[0], "offset_bits = " + std::to_string(c.shift));
        }
    }
    // The 16 MB pages from 0x1000000 on.
    fill();
    segtab_tlbie(table, t, vsid << 28 | 0x1234000, 20, 24, 0);
    EXPECT_EQ(seg->pages[0x1000].read_page, 0u);
    EXPECT_EQ(seg->pages[0x1FFF].read_page, 0u);
    EXPECT_EQ(seg->pages[0xFFF].read_page, 2u);
    EXPECT_EQ(seg->pages[0x2000].read_page, 2u);

    // IS != 0: every map of the machine is emptied and the segments go.
    install(DATA_PA, AXD_KIND_LOAD);
    ASSERT_NE(emat_get_segment(data_map(), DATA_PA), nullptr);
    segtab_tlbie(table, t, 0, 20, 12, 1);
    EXPECT_EQ(emat_get_segment(data_map(), DATA_PA), nullptr);
    EXPECT_EQ(table->first_nonempty, nullptr);
}

TEST_F(MemoryTranslation, TheMappingLimitZapsEverything)
{
    r.m.machine->turbo_xlimit = 1;
    utils_leak_baseline = utils_mapping_count;
    const long long zaps = emat_zaps;
    install(DATA_PA, AXD_KIND_LOAD);
    EXPECT_EQ(r.m.machine->turbo_xlimit, 8u); // raised to 8 per thread first
    EXPECT_EQ(emat_zaps, zaps);
    // More than 8 mappings since the last limit zap: the next installation zaps everything first.
    utils_leak_baseline = utils_mapping_count - 9;
    install(DATA_PA + 0x1000, AXD_KIND_LOAD);
    EXPECT_EQ(emat_zaps, zaps + 1);
    EXPECT_EQ(entry(data_map(), DATA_PA)->read_page, 0u) << "the earlier installation is gone";
    EXPECT_NE(entry(data_map(), DATA_PA + 0x1000)->read_page, 0u);
}

TEST_F(MemoryTranslation, TheHypervisorOffsetIsAddedBelowBit63)
{
    r.core->HRMOR.value = 0x1000000;
    r.write(0x1002000, 8, 0x1111);
    r.write(0x2000, 8, 0x2222);
    install(0x1002000, AXD_KIND_LOAD);
    install(0x2000, AXD_KIND_LOAD);
    word(0, ld(3, 4, 0));
    t->GPR[4].value = 0x2000;
    EXPECT_EQ(enter(0, 100), 99u);
    EXPECT_EQ(t->GPR[3].value, 0x1111u);
    t->GPR[4].value = 0x8000000000002000ull;
    EXPECT_EQ(enter(0, 100), 99u);
    EXPECT_EQ(t->GPR[3].value, 0x2222u);
}

TEST_F(MemoryTranslation, AccessesThatCrossAPageLeaveWithAlign)
{
    install(DATA_PA, AXD_KIND_LOAD);
    install(DATA_PA + 0x1000, AXD_KIND_LOAD);
    word(0, lwz(3, 4, 0));
    word(1, lbz(3, 4, 0));
    struct Case {
        int slot;
        uint64_t offset;
        int32_t reason;
    };
    const Case cases[] = {{0, 0xFFD, EXIT_ALIGN}, {0, 0xFFC, EXIT_UNKNOWN}, {1, 0xFFF, EXIT_UNKNOWN}};
    for (const Case &c : cases) {
        t->GPR[4].value = DATA_PA + c.offset;
        enter(c.slot, 100);
        EXPECT_EQ(t->turbo.reason, c.reason) << std::hex << c.offset;
    }
}

TEST_F(MemoryTranslation, ThirtyTwoBitModeTruncatesTheAddress)
{
    t->MSR.value &= ~MSR_SF;
    r.write(DATA_PA + 8, 4, 0x5A5A);
    install(DATA_PA, AXD_KIND_LOAD);
    word(0, lwz(3, 4, 8));
    t->GPR[4].value = 0x100000000ull | DATA_PA;
    EXPECT_EQ(enter(0, 100), 99u);
    EXPECT_EQ(t->GPR[3].value, 0x5A5Au);
}

TEST_F(MemoryTranslation, AFrameWithoutFastWriteSendsStoresToTheInterpreter)
{
    r.write(DATA_PA, 4, 5);
    install(DATA_PA, AXD_KIND_STORE);
    frame_s *data =
        ipt_lookup(chip_table(), reinterpret_cast<uint64_t>(Resolve_Mapped_Memory(t->memory_client, DATA_PA)),
                   0, 0, nullptr);
    ASSERT_NE(data, nullptr);
    data->fast_write = 0;
    t->GPR[4].value = DATA_PA;
    word(0, stw(5, 4, 0));
    word(1, lwz(3, 4, 0));
    EXPECT_EQ(enter(0, 100), 100u);
    EXPECT_EQ(t->turbo.reason, EXIT_WRITE);
    EXPECT_EQ(enter(1, 100), 99u);
    EXPECT_EQ(t->GPR[3].value, 5u);
}

TEST_F(MemoryTranslation, TheOverflowTestOfTagsActiveMode)
{
    t->MSR.value |= 0x4000000000000000ull | MSR_DR;
    word(0, lwzx(3, 4, 5));
    t->GPR[4].value = 0x0FFFF000;
    t->GPR[5].value = 0x0001000000000000ull - 0x0FFFF000;
    EXPECT_EQ(enter(0, 100), 100u);
    EXPECT_EQ(t->turbo.reason, EXIT_EAO_NEEDED);
    t->GPR[5].value = 0x100;
    EXPECT_EQ(enter(0, 100), 100u);
    EXPECT_EQ(t->turbo.reason, EXIT_READ); // past the test, a miss in the empty relocated map
}

TEST_F(MemoryTranslation, TheRoutineTablesAreFilledAndTheFetcherChainsPages)
{
    for (int i = 0; i < 32; i++) {
        for (uint64_t *table :
             {jit_readers, jit_fetchers, jit_simple_writers, jit_complex_writers, jit_pturbo_writers})
            EXPECT_NE(table[i], 0u) << i;
        EXPECT_EQ(jit_fetchers[i + 32], jit_fetchers[i]);
    }
    EXPECT_NE(jit_readers[2], jit_readers[3]);

    // A branch to another page continues there through the fetcher, within one pass.
    word(0, b(0x1000 + 8)); // to the third word of the next page
    uint8_t *next_page = Resolve_Mapped_Memory(t->memory_client, PAGE_PA + 0x1000);
    const uint32_t oris3 = __builtin_bswap32(oris(3, 3, 0x44));
    memcpy(next_page + 8, &oris3, 4);
    ASSERT_NE(install(PAGE_PA + 0x1000), nullptr); // translated as it is installed
    t->GPR[3].value = 0;
    EXPECT_EQ(go(100), 2u);
    EXPECT_EQ(t->GPR[3].value, 0x440000u);
    EXPECT_EQ(t->PC.value, PAGE_PA + 0x1000 + 12);
}

TEST_F(MemoryTranslation, StandaloneAccessesPastMemoryGoToTheInterpreter)
{
    r.m.machine->turbo_standalone = 1;
    r.m.machine->memory_alloc_size = 0;
    r.write(DATA_PA, 4, 0x99);
    word(0, lwz(3, 4, 0));
    t->GPR[4].value = DATA_PA;
    EXPECT_EQ(enter(0, 100), 99u); // direct addressing, no map needed
    EXPECT_EQ(t->GPR[3].value, 0x99u);
    t->GPR[4].value = 0x7FFFFFFFFFF0ull; // far beyond the machine's memory
    EXPECT_EQ(enter(0, 100), 100u);
    EXPECT_EQ(t->turbo.reason, EXIT_READ);
    r.m.machine->turbo_standalone = 0;
}

TEST_F(MemoryTranslation, AStoreThroughTheComplexWriterRevokesOtherReservations)
{
    MemoryClient *other = MemoryClientCreate(r.m.machine, t->mcm, "other", 99);
    create_reservation(other, DATA_PA + 0x40, 8);
    install(DATA_PA, AXD_KIND_STORE);
    t->GPR[4].value = DATA_PA;
    t->GPR[5].value = 0x77;
    word(0, stw(5, 4, 0x40));
    enter(0, 100);
    EXPECT_EQ(t->turbo.simple_stores, 1); // nobody holds a reservation any more
    EXPECT_EQ(other->reservation_valid, 0);
    EXPECT_EQ(r.read(DATA_PA + 0x40, 4), 0x77u);
    EXPECT_EQ(t->turbo.writer, reinterpret_cast<void *>(jit_simple_writers[XMODE_HRMOR0 + 16]));
    MemoryClientDelete(t->mcm, other);
}

TEST_F(MemoryTranslation, AnInstallationWithoutASegmentTableInstallsNothing)
{
    MemoryMap *memory = t->mcm->mbus->memory_map;
    segtab *table = memory->segment_table;
    ASSERT_NE(Resolve_Mapped_Memory(t->memory_client, DATA_PA + 0x10000000), nullptr);
    memory->segment_table = nullptr; // as after a failed mapping
    install(DATA_PA + 0x10000000, AXD_KIND_LOAD);
    EXPECT_EQ(emat_get_segment(data_map(), DATA_PA + 0x10000000), nullptr);
    memory->segment_table = table;
}

TEST_F(MemoryTranslation, FramesSharedByHostPageAndTheirTranslations)
{
    ipt *table = chip_table();
    uint64_t host = reinterpret_cast<uint64_t>(Resolve_Mapped_Memory(t->memory_client, DATA_PA));
    AXD first = INITIAL_AXD, second = INITIAL_AXD;
    first.pa = DATA_PA;
    second.pa = 0x40000000;
    frame_s *f = ipt_lookup(table, host, 1, 0, &first);
    EXPECT_EQ(ipt_lookup(table, host + 0x800, 1, 0, &second), f);
    EXPECT_EQ(f->pa, DATA_PA);

    EXPECT_NE(frame_xlate(f, 0), nullptr);
    const uint64_t narrow = f->xframe32;
    EXPECT_NE(frame_xlate(f, 1), nullptr);
    EXPECT_EQ(f->xframe32, narrow);
    EXPECT_NE(f->xframe64, 0u);
    f->fast_write = 0;
    frame_drop_xlate(f);
    EXPECT_EQ(f->xframe32 | f->xframe64, 0u);
    EXPECT_EQ(f->fast_write, host - reinterpret_cast<uint64_t>(EMAT_GET_BIAS()));

    // The register-trigger flush keeps unmarked frames; the whole flush drops them.
    frame_xlate(f, 1);
    frame_xlate(&frame, 1);
    frame.regtrigger_flush = 1;
    tt_regtrigger_xlate_flush(r.m.machine);
    EXPECT_NE(f->xframe64, 0u);
    EXPECT_EQ(frame.xframe64, 0u);
    turbo_xlate_flush(r.m.machine);
    EXPECT_EQ(f->xframe64, 0u);
}

TEST_F(MemoryTranslation, FlushingAPhysicalPage)
{
    frame_xlate(&frame, 1);
    turbo_xlate_flush_for_pa(PAGE_PA + 0x44, chip_table(), t->memory_client);
    EXPECT_EQ(frame.xframe64, 0u);
    turbo_xlate_flush_for_pa(0x123000, nullptr, t->memory_client);
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(warnings[0],
              "Ignoring attempt to flush frame at 0x0000000000123000, which does not have an IPT");
}

TEST_F(MemoryTranslation, StatisticsFragments)
{
    xframe_new_count = 3;
    xframe_free_count = 0;
    emat_zaps = 2;
    emat_pa_zaps = 0;
    utils_leak_baseline = 40;
    utils_leak_printed = 0;
    SinkCapture sink;
    XFRAME_KIPS();
    EMAT_KIPS();
    EMAT_KIPS();
    EXPECT_EQ(sink.text(), "===== xframe ======\n    xframe_new  = 3\n [2 Zaps  0 PA-Zaps] [40 leaks]");
    EXPECT_EQ(xframe_new_count, 0);
    EXPECT_EQ(emat_zaps, 0);
}

// Guest code that rewrites an instruction it then executes, run by the machine in TURBO mode.
TEST_F(MemoryTranslation, GuestSelfModificationIsSeen)
{
    // r4 = the address of slot 8; r5 = "li 3,42"; stw; then slot 8 ("li 3,7") runs.
    const uint32_t li3_7 = dform(14, 3, 0, 7), li3_42 = dform(14, 3, 0, 42);
    const uint32_t words[] = {addis(4, 0, (int32_t)(PAGE_PA >> 16)),
                              ori(4, 4, 32),
                              addis(5, 0, (int32_t)(li3_42 >> 16)),
                              ori(5, 5, li3_42 & 0xFFFF),
                              stw(5, 4, 0),
                              NOP,
                              NOP,
                              NOP,
                              li3_7,
                              b(0)};
    for (int i = 0; i < 10; i++)
        word(i, words[i]);
    install(PAGE_PA, AXD_KIND_STORE); // the store is done in translated code
    t->PC.value = PAGE_PA;
    const uint32_t xflushes = turbo_stats.counts.reasons[EXIT_XFLUSH];
    // Translated once before the store: the first pass runs the stale slot 8 until its check.
    r.run(1000); // the branch to itself at the end idles the rest
    EXPECT_EQ(t->GPR[3].value, 42u);
    EXPECT_GE(turbo_stats.counts.reasons[EXIT_XFLUSH], xflushes + 1);
}

// A write through the memory map drops the page's translation; the next run executes the new word.
TEST_F(MemoryTranslation, AWriteThroughTheMemoryMapDropsTheTranslation)
{
    word(0, ori(4, 4, 1));
    word(1, b(-4));
    t->GPR[4].value = 0;
    t->PC.value = PAGE_PA;
    r.run(100);
    EXPECT_EQ(t->GPR[4].value, 1u);
    ASSERT_NE(frame.xframe64, 0u);
    r.write(PAGE_PA, 4, ori(4, 4, 2));
    EXPECT_EQ(frame.xframe64, 0u);
    r.run(100);
    EXPECT_EQ(t->GPR[4].value, 3u);
}

} // namespace

// TLB creation and geometry checks, replacement hints, class printing, SLB segment-register images
// and ERAT replacement ways.
#include <gtest/gtest.h>

#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "processor/translation/erat.h"
#include "processor/translation/tlb.h"
#include "processor/translation/tlb_slb_erat.h"
#include "runtime/alloc.h"
#include "support/sink_capture.h"

namespace
{

TLB_Geometry geometry(int32_t entries, int32_t assoc, int32_t policy = TLB_REPL_LRU)
{
    return TLB_Geometry{entries, assoc, policy, 0};
}

TEST(Tlb, Creation)
{
    ProcessorState core{};
    core.name = const_cast<char *>("0:1");
    TLB *tlb = TLB_new(geometry(512, 4), &core, 'u', 0);
    EXPECT_STREQ(tlb->name, "0:1_uTLB");
    EXPECT_EQ(tlb->processor, &core);
    EXPECT_EQ(tlb->num_entries, 512);
    EXPECT_EQ(tlb->assoc, 4);
    EXPECT_EQ(tlb->entry_bits, 9);
    EXPECT_EQ(tlb->assoc_bits, 2);
    EXPECT_EQ(tlb->repl_policy, TLB_REPL_LRU);
    for (int32_t i = 0; i < 512; i++) {
        EXPECT_EQ(tlb->entries[i].index, i);
        EXPECT_EQ(tlb->entries[i].valid, 0);
    }
    TLB_Quit(tlb);
    TLB_Quit(nullptr);

    TLB *unowned = TLB_new(geometry(512, 4), nullptr, 'x', 1); // exactly the 128 classes of its hash
    EXPECT_STREQ(unowned->name, "<unknown>_xTLB");
    EXPECT_EQ(unowned->hash_kind, 1);
    TLB_Quit(unowned);
    EXPECT_STREQ(ID2Name(TLB_REPL_POLICY_NAMES, 0), "RANDOM");
    EXPECT_STREQ(ID2Name(TLB_REPL_POLICY_NAMES, 1), "LRU");
}

TEST(TlbDeathTest, BadGeometry)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    struct {
        TLB_Geometry g;
        int32_t hash_kind;
        const char *message;
    } cases[] = {
        {geometry(500, 4), 1, "<unknown>_uTLB entries=500 is not a power of two"},
        {geometry(0, 4), 1, "<unknown>_uTLB entries=0 is not a power of two"},
        {geometry(512, 3), 1, "<unknown>_uTLB associativity=3 is not a power of two"},
        {geometry(512, 0), 1, "<unknown>_uTLB associativity=0 is not a power of two"},
        {geometry(32, 4), 0, "<unknown>_uTLB entries=32 is not at least 16 times associativity=4"},
        {geometry(256, 4), 1, "<unknown>_uTLB entries=256 is not at least 128 times associativity=4"},
    };
    for (const auto &c : cases) {
        EXPECT_DEATH(
            {
                Quarn_Output_File = stderr;
                TLB_new(c.g, nullptr, 'u', c.hash_kind);
            },
            c.message);
    }
}

TEST(Tlb, ReplacementHint)
{
    TLB *tlb = TLB_new(geometry(64, 4), nullptr, 'u', 0);
    auto way_of = [&](uint64_t hint, int32_t first) {
        // 2^(4 - way - 1) + first × 2^(4 - 2)
        uint64_t bit = hint - (uint64_t)first * 4;
        for (int way = 0; way < 4; way++)
            if (bit == 1ull << (3 - way)) return way;
        return -1;
    };
    int32_t first = 8; // class 2
    TLB_ENTRY_t *e = &tlb->entries[first];
    EXPECT_EQ(way_of(TLB_Define_Replacement_Hint(tlb, first), first), 0); // entry 0 invalid
    e[0].valid = 1;
    e[2].valid = 1;
    EXPECT_EQ(way_of(TLB_Define_Replacement_Hint(tlb, first), first), 1); // the first invalid way
    e[1].valid = 1;
    EXPECT_EQ(way_of(TLB_Define_Replacement_Hint(tlb, first), first), 3);
    e[3].valid = 1;
    const uint32_t stamps[4] = {5, 3, 3, 9};
    for (int k = 0; k < 4; k++)
        e[k].stamp = stamps[k];
    EXPECT_EQ(TLB_Define_Replacement_Hint(tlb, first), 4u + 8u * 4u); // way 1: the earliest smallest
    e[0].stamp = 1;
    EXPECT_EQ(way_of(TLB_Define_Replacement_Hint(tlb, first), first), 0);

    tlb->repl_policy = TLB_REPL_RANDOM;
    tlb->rr_way = 2;
    EXPECT_EQ(way_of(TLB_Define_Replacement_Hint(tlb, first), first), 2);
    tlb->rr_way = 4; // out of range: warned, the way's bit is a fraction and drops out
    EXPECT_EQ(TLB_Define_Replacement_Hint(tlb, first), 32u);
    TLB_Quit(tlb);
}

TEST(Tlb, PrintClass)
{
    TLB *tlb = TLB_new(geometry(64, 4), nullptr, 'u', 0);
    TLB_ENTRY_t *e = &tlb->entries[4];
    for (int k = 0; k < 4; k++) {
        e[k].valid = k != 2;
        e[k].pte_upper = 0x100 + k;
        e[k].pte_lower = 0x200 + k;
        e[k].tag = 0xABC;
        e[k].lpidr = 3;
        e[k].seg_size = 28;
        e[k].page_shift = 12;
    }
    {
        SinkCapture capture;
        TLB_print_class(tlb, 6, 0);
        std::vector<std::string> lines = capture.lines();
        ASSERT_EQ(lines.size(), 4u);
        EXPECT_EQ(lines[0],
                  "@ tlbe 4: upper:0x0000000000000100, lower:0x0000000000000200, tag:0x0000000000000ABC, "
                  "lpidr:3 , segment size: 28, hash page offset bits: 12");
        EXPECT_EQ(lines[2], "@ tlbe 6: invalid");
    }
    {
        // Duplicates only: nothing while a way is invalid or no two entries agree.
        SinkCapture capture;
        TLB_print_class(tlb, 5, 1);
        e[2].valid = 1;
        TLB_print_class(tlb, 5, 1);
        EXPECT_EQ(capture.text(), "");
        e[3].pte_upper = e[1].pte_upper;
        e[3].pte_lower = e[1].pte_lower;
        TLB_print_class(tlb, 5, 1);
        EXPECT_EQ(capture.lines().size(), 4u);
    }
    TLB_Quit(tlb);
}

TEST(Slb, SegmentRegisterImage)
{
    ProcessorState core{};
    ThreadState thread{};
    thread.processor = &core;
    EXPECT_EQ(ReadSR(&thread, 0), 0u); // no SLB
    thread.slb_entries = 4;
    thread.slb = QUARN_ZALLOC(4, SLB);
    for (int i = 0; i < 4; i++)
        SLBE_Init(&thread.slb[i], &thread);
    EXPECT_EQ(thread.slb[3].thread, &thread);
    SLB *entry = &thread.slb[1];
    entry->SLBV.value = 0x0000012345678000ull | 0xF80;
    entry->ks = 1;
    entry->n = 1;
    uint32_t image = (uint32_t)((0x0000012345678F80ull >> 12) & 0x7FFFFFF) | 1u << 30 | 1u << 28;
    EXPECT_EQ(ReadSR(&thread, 5), image); // slot 5 AND 3
    core.sr_vsid_mask = 0x7FFFFFFF;
    EXPECT_EQ(ReadSR(&thread, 1), (uint32_t)((0x0000012345678F80ull >> 7) & 0x7FFFFFFF) | image);
    core.sr_vsid_mask = 0;
    // An invalid entry reads 0 with INVALID_SR_IS_ZERO, its stale image without.
    core.options[PO_INVALID_SR_IS_ZERO] = 1;
    EXPECT_EQ(ReadSR(&thread, 1), 0u);
    entry->valid = 1;
    EXPECT_EQ(ReadSR(&thread, 1), image);
    SLB_Quit(&thread);
    EXPECT_EQ(thread.slb, nullptr);
}

TEST(Erat, LruWayAndDestroy)
{
    ERAT_Struct erat{};
    erat.rows = 2;
    erat.ways = 4;
    erat.entries = QUARN_ZALLOC(8, ERAT_Entry);
    erat.row_count = QUARN_ZALLOC(2, int32_t);
    erat.entries[4].name = REMEMBER_STRING("erat[4]");
    erat.trigger = QUARN_ZALLOC(1, ERAT_Trigger_Desc);
    erat.trigger->procedure = REMEMBER_STRING("proc");
    const uint64_t uses[4] = {7, 4, 4, 1};
    for (int k = 0; k < 4; k++)
        erat.entries[4 + k].last_use = uses[k];
    erat.row_count[1] = 1;
    EXPECT_EQ(ERAT_LRU_Way(&erat, 1), 0); // one valid way
    erat.row_count[1] = 3;
    EXPECT_EQ(ERAT_LRU_Way(&erat, 1), 1); // among the valid ways only, the first on ties
    erat.row_count[1] = 4;
    EXPECT_EQ(ERAT_LRU_Way(&erat, 1), 3);
    EXPECT_EQ(ERAT_LRU_Way(&erat, 0), 0);
    ERAT_Destroy(&erat);
    EXPECT_EQ(erat.entries, nullptr);
    EXPECT_EQ(erat.row_count, nullptr);
    EXPECT_EQ(erat.trigger, nullptr);
}

} // namespace

// TLB, SLB and segment-register instructions: the SLB index wrap, the slbm* read-backs, the local
// and machine-wide TLB invalidations with their page-size decoding, the reference-bit clearing, the
// segment-register moves, and the translation version every change raises. Effects are read from
// the TLBs, ERATs and SLBs themselves.
#include "support/built_machine.h"
#include "decode/semantics.h"
#include "exec_word.h"
#include "isa/translation_instructions.h"
#include "mmu/erat.h"
#include "mmu/page_table.h"
#include "mmu/tlb.h"
#include "mmu/tm_operations.h"
#include "processor/hooks/htm.h"
#include "processor/records/axd.h"
#include "processor/records/generic_machine.h"
#include "processor/records/instruction_record.h"
#include "processor/records/processor_state.h"
#include "processor/translation/erat.h"
#include "processor/translation/slb.h"
#include "processor/translation/tlb.h"
#include "processor/translation/tlb_slb_erat.h"
#include "processor/translation/xlate_version.h"
#include "support/htm_record.h"

namespace
{

constexpr uint32_t TLBIA = 0x7C0002E4;

uint32_t x31(uint32_t xo, uint32_t rt, uint32_t ra, uint32_t rb)
{
    return 31u << 26 | rt << 21 | ra << 16 | rb << 11 | xo << 1;
}
uint32_t slbmte(uint32_t rs, uint32_t rb)
{
    return x31(402, rs, 0, rb);
}
uint32_t slbmfee(uint32_t rt, uint32_t rb)
{
    return x31(915, rt, 0, rb);
}
uint32_t slbmfev(uint32_t rt, uint32_t rb)
{
    return x31(851, rt, 0, rb);
}
uint32_t tlbie(uint32_t rb, uint32_t l = 0)
{
    return x31(306, l, 0, rb);
}
uint32_t tlbiel(uint32_t rb, uint32_t l = 0)
{
    return x31(274, l, 0, rb);
}
uint32_t mtsrin(uint32_t rs, uint32_t rb)
{
    return x31(242, rs, 0, rb);
}
uint32_t mtsr(uint32_t rs, uint32_t sr)
{
    return x31(210, rs, sr, 0);
}
uint32_t mfsrin(uint32_t rt, uint32_t rb)
{
    return x31(659, rt, 0, rb);
}

class Translation : public ::testing::Test
{
};

// A thread with an SLB of n entries.
struct SlbThread {
    explicit SlbThread(int n) : entries(n)
    {
        for (SLB &entry : entries)
            SLBE_Init(&entry, ew.t);
        ew.t->slb = n ? entries.data() : nullptr;
        ew.t->slb_entries = n;
        ew.core.core->vsid_mask = ~0ull;
        ew.core.core->slbe_b_mask = 3;
    }
    ~SlbThread() { ew.t->slb = nullptr; }
    ExecWord ew;
    std::vector<SLB> entries;
};

TEST_F(Translation, SlbmteWrapsTheIndexAndSlbmfReadsBack)
{
    SlbThread s(32);
    ExecWord &ew = s.ew;
    ew.gpr(4) = 0x4000000000000C80ull;                   // B = 01, Ks, Kp, C
    ew.gpr(5) = 0x0000000120000000ull | 0x08000000 | 40; // ESID, V, index 40
    const uint64_t version = current_xlate_version;
    ASSERT_EQ(ew.run(slbmte(4, 5)), 1);
    EXPECT_GT(current_xlate_version, version);
    const SLB &entry = s.entries[8];
    EXPECT_EQ(entry.valid, 1);
    EXPECT_EQ(entry.SLBE.value, 0x0000000128000000ull);
    EXPECT_EQ(entry.SLBV.value, 0x4000000000000C80ull);
    EXPECT_EQ(entry.segment_size, 1);
    EXPECT_EQ(ew.t->PC.value, 0x1004u);

    ew.gpr(6) = 8;
    ASSERT_EQ(ew.run(slbmfee(7, 6)), 1);
    EXPECT_EQ(ew.gpr(7), 0x0000000128000000ull);
    ASSERT_EQ(ew.run(slbmfev(7, 6)), 1);
    EXPECT_EQ(ew.gpr(7), 0x4000000000000C80ull);

    // An invalid entry reads 0 through slbmfev, its ESID word through slbmfee.
    s.entries[9].SLBE.value = 0x5000000;
    s.entries[9].SLBV.value = 0x1234;
    ew.gpr(6) = 9 + 64; // wraps as well
    ASSERT_EQ(ew.run(slbmfev(7, 6)), 1);
    EXPECT_EQ(ew.gpr(7), 0u);
    ASSERT_EQ(ew.run(slbmfee(7, 6)), 1);
    EXPECT_EQ(ew.gpr(7), 0x5000000u);
    ew.option(PO_INVALID_SLB_IS_ZERO);
    ASSERT_EQ(ew.run(slbmfee(7, 6)), 1);
    EXPECT_EQ(ew.gpr(7), 0u);
}

TEST_F(Translation, AnSlbWithoutEntriesIsNeitherWrittenNorRead)
{
    SlbThread s(0);
    ExecWord &ew = s.ew;
    ew.gpr(4) = 0x1234;
    ew.gpr(5) = 0x08000005;
    ASSERT_EQ(ew.run(slbmte(4, 5)), 1);
    EXPECT_EQ(ew.t->PC.value, 0x1004u);
    ew.gpr(7) = 99;
    ASSERT_EQ(ew.run(slbmfev(7, 5)), 1);
    EXPECT_EQ(ew.gpr(7), 0u);
    ew.gpr(7) = 99;
    ASSERT_EQ(ew.run(slbmfee(7, 5)), 1);
    EXPECT_EQ(ew.gpr(7), 0u);
}

TEST_F(Translation, SlbAndSegmentInstructionsArePrivilegedAndGuarded)
{
    SlbThread s(32);
    ExecWord &ew = s.ew;
    ew.option(PO_TLBIA_SUPPORTED);
    ew.option(PO_TLBIE_SUPPORTED);
    for (uint32_t word : {slbmte(4, 5), slbmfee(7, 5), x31(434, 0, 0, 5), x31(498, 0, 0, 0), mtsr(4, 3),
                          x31(595, 7, 3, 0), tlbiel(5), tlbie(5), TLBIA}) {
        SCOPED_TRACE(word);
        ew.t->MSR.value = MSR_SF | MSR_PR;
        EXPECT_EQ(ew.run(word), 0);
        ASSERT_NE(ew.raised(), nullptr);
        EXPECT_EQ(ew.raised()->subtype, 218);
    }
    // tlbie outside hypervisor state too.
    ew.t->MSR.value = MSR_SF;
    EXPECT_EQ(ew.run(tlbie(5)), 0);
    EXPECT_EQ(ew.raised()->subtype, 218);

    // In transactional state they fail the transaction and move on.
    for (uint32_t word : {slbmte(4, 5), x31(434, 0, 0, 5), x31(498, 0, 0, 0), mtsr(4, 3), tlbiel(5)}) {
        SCOPED_TRACE(word);
        ew.t->MSR.value = MSR_SF | MSR_HV | MSR_TS_TRANSACTIONAL;
        ew.t->PC.value = 0x1000;
        HTM_Clear_Failure(ew.t);
        EXPECT_EQ(ew.run(word), 1);
        EXPECT_EQ(HTM_Recorded_Cause(ew.t), 0x1800000u);
        EXPECT_EQ(ew.t->PC.value, 0x1004u);
    }
    // Nothing was written: every entry is still the empty one.
    for (const SLB &entry : s.entries)
        EXPECT_EQ(entry.valid, 0);
}

TEST_F(Translation, MtsrinInThirtyTwoBitModeWritesTheLowWord)
{
    SlbThread s(16);
    ExecWord &ew = s.ew;
    ew.mode32();
    ew.gpr(4) = 0xAAAAAAAA12345678ull; // N (bit 28) and VSID 0x2345678
    ew.gpr(5) = 0xFFFFFFFF7FFFFFFFull; // SR 7
    const uint64_t version = current_xlate_version;
    ASSERT_EQ(ew.run(mtsrin(4, 5)), 1);
    EXPECT_GT(current_xlate_version, version);
    const SLB &entry = s.entries[7];
    EXPECT_EQ(entry.valid, 1);
    EXPECT_EQ(entry.esid_base, 0x70000000u);
    EXPECT_EQ(entry.n, 1);
    EXPECT_EQ(entry.vsid, 0x2345678ull << 12);
    ASSERT_EQ(ew.run(mfsrin(6, 5)), 1);
    EXPECT_EQ(ew.gpr(6), 0x12345678u);

    // mtsr in 64-bit mode takes the low word of RS as well; other registers stay.
    ew.mode64();
    ew.gpr(4) = 0xAAAAAAAA00000ABCull;
    ASSERT_EQ(ew.run(mtsr(4, 11)), 1);
    EXPECT_EQ(s.entries[11].esid_base, 0xB0000000u);
    EXPECT_EQ(s.entries[11].vsid, 0xABCull << 12);
    EXPECT_EQ(s.entries[7].vsid, 0x2345678ull << 12);
}

TEST_F(Translation, TlbiePageSize)
{
    ExecWord ew;
    IOPDesc *iop = ew.prepare(tlbie(5));
    struct Case {
        const char *name;
        uint32_t rfc_form, l;
        uint64_t rb;
        int32_t shift;
    } cases[] = {
        {"L = 0: 4 KB", 0, 0, 0x1000, 12},
        {"L = 1, LP 8: the base size", 0, 1, 0x8000, 16},
        {"L = 1, LP 0: 16 MB", 0, 1, 0x0000, 24},
        {"new form, L = 1, LP 8: the actual size", 1, 1, 0x8000, 24},
        {"new form, L = 0, AP 5: 64 KB", 1, 0, 5u << 5, 16},
        {"new form, L = 0, AP 7 (no such size): 4 KB", 1, 0, 7u << 5, 12},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        ew.option(PO_RFC2141_TLBIE_FORM, c.rfc_form);
        int32_t shift = -1;
        uint32_t lp = 0, b = 0;
        TLBIE_Page_Size(iop, c.rb | 0x300, c.l, &shift, &lp, &b);
        EXPECT_EQ(shift, c.shift);
        EXPECT_EQ(b, 3u); // RB bits 9:8
    }
}

// A machine of two processors with two threads each, with real TLBs and ERATs; every processor's
// TLB and every thread's data ERAT hold a translation of one page.
class TwoProcessors : public Translation
{
  protected:
    static constexpr uint64_t VSID_WORD = 0x123000; // VSID 0x123 of a 256 MB segment
    static constexpr uint64_t EA = 0x3000000;

    void SetUp() override
    {
        Translation::SetUp();
        ASSERT_NE(built.machine, nullptr);
        ASSERT_EQ(GenericMachine__ThreadCount(built.machine), 4);
        for (int n = 0; n < 4; n++) {
            ThreadState *t = thread(n);
            t->MSR.value = MSR_SF | MSR_HV;
            t->processor->options[PO_TLBIE_SUPPORTED] = 1;
            t->processor->options[PO_TLBIA_SUPPORTED] = 1;
            t->processor->options[PO_RFC2141_TLBIE_FORM] = 0;
            ASSERT_NE(t->processor->tlb, nullptr);
        }
        const uint64_t pte[2] = {VSID_WORD | ((EA >> 16) & 0xF80) | PTE_V, 0x5000000 | 0x100 | 0x2};
        for (int p = 0; p < 2; p++) {
            entry[p] =
                TLB_AddMapping(thread(2 * p)->processor->tlb, VSID_WORD, EA, 12, 12, 0, 28, 0, pte, 0x1000);
            ASSERT_TRUE(entry[p] && entry[p]->valid);
        }
        for (int n = 0; n < 4; n++) {
            AXD made = {};
            made.ea = EA;
            made.pa = 0x5000000;
            made.kind = AXD_KIND_LOAD;
            ERAT_AddMapping(thread(n), Thread_ERAT(thread(n), AXD_KIND_LOAD), &made, EA, 12, pte);
            ASSERT_TRUE(erat_holds(n));
        }
    }
    ThreadState *thread(int n) { return GenericMachine__Thread(built.machine, n); }
    bool erat_holds(int n)
    {
        return ERAT_FindMapping(thread(n), Thread_ERAT(thread(n), AXD_KIND_LOAD), EA, AXD_KIND_LOAD) !=
               nullptr;
    }
    // Runs a word (or a row-less routine with that word) on thread 0.
    int run(uint32_t word, int (*routine)(IOPDesc *) = nullptr)
    {
        IOPDesc iop;
        INITIAL_IOP(&iop, thread(0));
        iop.word = word;
        iop.length = 4;
        iop.row = routine ? nullptr : DecodeInstr(instruction_info_table, word);
        int result = routine ? routine(&iop) : iop.row->semantic(&iop);
        raised_type = iop.exceptions ? iop.exceptions->type : -1;
        Discard_Instruction_Bound_Exceptions(&iop, 0);
        return result;
    }
    static constexpr uint64_t RB = (VSID_WORD >> 12) << 28 | EA; // the page, L = 0

    BuiltMachine built{"tlbie", [](BuiltMachine &b) {
                           b.set("cpus", "2");
                           b.set("processor/number_of_threads", "2");
                       }};
    TLB_ENTRY_t *entry[2] = {};
    int raised_type = -1;
};

TEST_F(TwoProcessors, TlbielInvalidatesOnlyItsOwnProcessor)
{
    thread(0)->GPR[5].value = RB;
    const uint64_t pc = thread(0)->PC.value, version = current_xlate_version;
    ASSERT_EQ(run(tlbiel(5)), 1);
    EXPECT_EQ(thread(0)->PC.value, pc + 4);
    EXPECT_GT(current_xlate_version, version);
    EXPECT_EQ(entry[0]->valid, 0u);
    EXPECT_EQ(entry[1]->valid, 1u);
    EXPECT_FALSE(erat_holds(0));
    EXPECT_FALSE(erat_holds(1)); // the processor's ERATs serve both its threads
    EXPECT_TRUE(erat_holds(2));
    EXPECT_TRUE(erat_holds(3));
}

TEST_F(TwoProcessors, TlbieReachesEveryProcessor)
{
    thread(0)->GPR[5].value = RB;
    ASSERT_EQ(run(tlbie(5)), 1);
    EXPECT_EQ(entry[0]->valid, 0u);
    EXPECT_EQ(entry[1]->valid, 0u);
    for (int n = 0; n < 4; n++)
        EXPECT_FALSE(erat_holds(n)) << n;
}

// A tlbie fails the suspended transaction of its own thread and, with option 389, the transactions
// of the other threads of its processor (not exact, at the tlbie's address); other processors'
// threads and a tlbiel are not the transactional model's business.
TEST_F(TwoProcessors, TlbieFailsTheProcessorsTransactions)
{
    constexpr uint64_t TEXASR_EXACT = 0x4000000;
    thread(0)->processor->options[PO_HTM_TLBIE_ON_OTHER_THREAD_FAILS_TRANSACTION] = 1;
    thread(0)->GPR[5].value = RB;
    thread(1)->MSR.value |= MSR_TS_TRANSACTIONAL;
    thread(2)->MSR.value |= MSR_TS_TRANSACTIONAL;
    ASSERT_EQ(run(tlbiel(5)), 1);
    EXPECT_FALSE(HTM_Failure_Recorded(thread(1)));

    thread(0)->MSR.value |= MSR_TS_SUSPENDED;
    const uint64_t pc = thread(0)->PC.value;
    ASSERT_EQ(run(tlbie(5)), 1);
    for (int n : {0, 1}) {
        SCOPED_TRACE(n);
        EXPECT_EQ(HTM_Recorded_Cause(thread(n)), 0x20000u);
        EXPECT_EQ(thread(n)->TEXASR.value & TEXASR_EXACT, 0u);
        EXPECT_EQ(thread(n)->TFIAR.value & ~3ull, pc);
    }
    EXPECT_EQ(thread(0)->TEXASR.value & 0x80000000u, 0x80000000u); // failed in suspended state
    EXPECT_FALSE(HTM_Failure_Recorded(thread(2)));

    // Without the option only the executing thread's own transaction is failed.
    for (int n : {0, 1})
        HTM_Clear_Failure(thread(n));
    thread(0)->processor->options[PO_HTM_TLBIE_ON_OTHER_THREAD_FAILS_TRANSACTION] = 0;
    ASSERT_EQ(run(tlbie(5)), 1);
    EXPECT_EQ(HTM_Recorded_Cause(thread(0)), 0x20000u);
    EXPECT_FALSE(HTM_Failure_Recorded(thread(1)));
}

TEST_F(TwoProcessors, TlbieOfAnotherPageKeepsTheEntries)
{
    thread(0)->GPR[5].value = RB + 0x100000; // another megabyte: no class of the page is hit
    ASSERT_EQ(run(tlbie(5)), 1);
    EXPECT_EQ(entry[0]->valid, 1u);
    EXPECT_EQ(entry[1]->valid, 1u);
    // The ERATs go whatever the page.
    EXPECT_FALSE(erat_holds(0));
    EXPECT_FALSE(erat_holds(3));
}

TEST_F(TwoProcessors, TlbiaClearsItsProcessorsTlbOnly)
{
    thread(0)->processor->options[PO_TLBIA_SUPPORTED] = 0;
    EXPECT_EQ(run(TLBIA), 0);
    EXPECT_EQ(raised_type, 28); // illegal instruction
    EXPECT_EQ(entry[0]->valid, 1u);

    thread(0)->processor->options[PO_TLBIA_SUPPORTED] = 1;
    const uint64_t version = current_xlate_version;
    ASSERT_EQ(run(TLBIA), 1);
    EXPECT_GT(current_xlate_version, version);
    EXPECT_EQ(entry[0]->valid, 0u);
    EXPECT_EQ(entry[1]->valid, 1u);
    EXPECT_FALSE(erat_holds(0));
    EXPECT_TRUE(erat_holds(2));
}

TEST_F(TwoProcessors, TlberrAndTlberrlClearReferenceBits)
{
    constexpr uint64_t R = 0x100;
    ASSERT_TRUE(entry[0]->pte_lower & R);
    thread(0)->GPR[5].value = RB + 0x1000; // another page: nothing cleared
    ASSERT_EQ(run(tlbiel(5), semantic_tlberr), 1);
    EXPECT_TRUE(entry[0]->pte_lower & R);
    EXPECT_FALSE(erat_holds(0));
    thread(0)->GPR[5].value = RB;
    ASSERT_EQ(run(tlbiel(5), semantic_tlberr), 1);
    EXPECT_FALSE(entry[0]->pte_lower & R);
    EXPECT_EQ(entry[0]->valid, 1u); // only the reference bit goes

    // tlberrl: RB names the congruence class; other processors keep theirs.
    entry[0]->pte_lower |= R;
    const int32_t set = entry[0]->index / thread(0)->processor->tlb->assoc;
    thread(0)->GPR[5].value = (uint64_t)(set + 1) << 12;
    ASSERT_EQ(run(tlbiel(5), semantic_tlberrl), 1);
    EXPECT_TRUE(entry[0]->pte_lower & R);
    thread(0)->GPR[5].value = (uint64_t)set << 12;
    ASSERT_EQ(run(tlbiel(5), semantic_tlberrl), 1);
    EXPECT_FALSE(entry[0]->pte_lower & R);
    EXPECT_TRUE(entry[1]->pte_lower & R);

    // tlberr is for the hypervisor; both are privileged.
    thread(0)->MSR.value = MSR_SF;
    EXPECT_EQ(run(tlbiel(5), semantic_tlberr), 0);
    EXPECT_EQ(raised_type, 2); // privileged
    thread(0)->MSR.value = MSR_SF | MSR_PR;
    EXPECT_EQ(run(tlbiel(5), semantic_tlberrl), 0);
}

} // namespace

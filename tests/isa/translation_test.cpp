// TLB, SLB and segment-register instructions: the SLB index wrap, the slbm* read-backs, the local
// and machine-wide TLB invalidations with their page-size decoding, the segment-register moves, and
// the translation version every change raises.
#include "support/built_machine.h"
#include "decode/semantics.h"
#include "exec_word.h"
#include "isa/translation_instructions.h"
#include "mmu/privileged_services.h"
#include "processor/hooks/htm.h"
#include "processor/records/generic_machine.h"
#include "processor/records/instruction_record.h"
#include "processor/records/processor_state.h"
#include "processor/translation/tlb_slb_erat.h"
#include "processor/translation/xlate_version.h"

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

class Translation : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        Privileged_Services_Standin_Reset();
        htm_failure_standin_log = {0, nullptr, 0, 0};
    }
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
        long before = htm_failure_standin_log.calls;
        EXPECT_EQ(ew.run(word), 1);
        EXPECT_EQ(htm_failure_standin_log.calls, before + 1);
        EXPECT_EQ(ew.t->PC.value, 0x1004u);
    }
    EXPECT_EQ(privileged_services_standin_log.tlbie_calls, 0);
    EXPECT_EQ(privileged_services_standin_log.writesr_calls, 0);
}

TEST_F(Translation, MtsrinInThirtyTwoBitModeWritesTheLowWord)
{
    ExecWord ew;
    ew.mode32();
    ew.gpr(4) = 0xAAAAAAAA12345678ull;
    ew.gpr(5) = 0xFFFFFFFF7FFFFFFFull; // SR 7
    const uint64_t version = current_xlate_version;
    ASSERT_EQ(ew.run(mtsrin(4, 5)), 1);
    EXPECT_EQ(privileged_services_standin_log.writesr_n, 7u);
    EXPECT_EQ(privileged_services_standin_log.writesr_value, 0x12345678u);
    EXPECT_EQ(privileged_services_standin_log.writesr_rb, 0x7FFFFFFFu);
    EXPECT_GT(current_xlate_version, version);

    ew.mode64();
    ASSERT_EQ(ew.run(mtsr(4, 11)), 1);
    EXPECT_EQ(privileged_services_standin_log.writesr_n, 11u);
    EXPECT_EQ(privileged_services_standin_log.writesr_value, 0xAAAAAAAA12345678ull);
    EXPECT_EQ(privileged_services_standin_log.writesr_rb, 0u);
}

TEST_F(Translation, TlbiePageSize)
{
    ExecWord ew;
    IOPDesc *iop = ew.prepare(tlbie(5));
    struct Case {
        const char *name;
        uint32_t rfc_form, l;
        uint64_t rb;
        int32_t encoding; // what the page-encoding table answers
        int32_t shift;
    } cases[] = {
        {"L = 0: 4 KB", 0, 0, 0x1000, 24, 12},         {"L = 1: the base size", 0, 1, 0x1000, 24, 24},
        {"L = 1, invalid: 4 KB", 0, 1, 0x1000, 0, 12}, {"new form, valid", 1, 0, 0x1000, 16, 16},
        {"new form, invalid", 1, 1, 0x1000, 0, 12},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        ew.option(PO_RFC2141_TLBIE_FORM, c.rfc_form);
        privileged_services_standin_log.page_encoding_answer = c.encoding;
        int32_t shift = -1;
        uint32_t lp = 0, ap = 0;
        TLBIE_Page_Size(iop, c.rb, c.l, &shift, &lp, &ap);
        EXPECT_EQ(shift, c.shift);
    }
}

TEST_F(Translation, TlbieReachesEveryProcessorAndTlbielOnlyItsOwn)
{
    BuiltMachine built("tlbie", [](BuiltMachine &b) {
        b.set("cpus", "2");
        b.set("processor/number_of_threads", "2");
    });
    ASSERT_NE(built.machine, nullptr);
    ThreadState *thread = GenericMachine__Thread(built.machine, 0);
    ASSERT_NE(thread, nullptr);
    ASSERT_EQ(GenericMachine__ThreadCount(built.machine), 4);
    thread->processor->options[PO_TLBIE_SUPPORTED] = 1;
    thread->MSR.value = MSR_SF | MSR_HV;
    const uint64_t pc = thread->PC.value;
    auto run = [&](uint32_t word) {
        IOPDesc iop;
        INITIAL_IOP(&iop, thread);
        iop.word = word;
        iop.length = 4;
        iop.row = DecodeInstr(instruction_info_table, word);
        return iop.row->semantic(&iop);
    };
    thread->GPR[5].value = 0x1000;
    const uint64_t version = current_xlate_version;
    ASSERT_EQ(run(tlbiel(5)), 1);
    EXPECT_EQ(privileged_services_standin_log.tlbie_calls, 1);
    EXPECT_EQ(privileged_services_standin_log.tlbie_tlb, thread->processor->tlb);
    EXPECT_EQ(privileged_services_standin_log.tm_calls, 0); // tlbiel is not the model's business
    EXPECT_GT(current_xlate_version, version);

    Privileged_Services_Standin_Reset();
    ASSERT_EQ(run(tlbie(5)), 1);
    // Its own processor once, then once for each of the other processor's two threads.
    EXPECT_EQ(privileged_services_standin_log.tlbie_calls, 3);
    EXPECT_EQ(privileged_services_standin_log.tlbie_tlb,
              GenericMachine__Thread(built.machine, 2)->processor->tlb);
    EXPECT_NE(privileged_services_standin_log.tlbie_tlb, thread->processor->tlb);
    EXPECT_STREQ(privileged_services_standin_log.tm_last, "tlbie");
    EXPECT_EQ(thread->PC.value, pc + 8);
}

TEST_F(Translation, Tlbia)
{
    ExecWord ew;
    EXPECT_EQ(ew.run(TLBIA), 0);
    EXPECT_EQ(ew.raised()->type, 28);
    ew.option(PO_TLBIA_SUPPORTED);
    const uint64_t version = current_xlate_version;
    ASSERT_EQ(ew.run(TLBIA), 1);
    EXPECT_EQ(privileged_services_standin_log.tlb_clear_calls, 1);
    EXPECT_GT(current_xlate_version, version);
}

} // namespace

// SLB maintenance (slbie, slbia, segment-register writes) and the slbfee., slbie and icread workers.
#include <gtest/gtest.h>

#include "../exec/run_machine.h"
#include "decode/instr_info.h"
#include "mmu/hooks/sim_support_call.h"
#include "runtime/callbacks.h"
#include "mmu/icread.h"
#include "mmu/slb_maintenance.h"
#include "processor/config/processor_options.h"
#include "processor/hooks/htm.h"
#include "processor/records/exception_record.h"
#include "processor/records/instruction_record.h"
#include "processor/regs/msr_rules.h"
#include "processor/regs/ppc_bits.h"
#include "processor/translation/slb.h"
#include "processor/translation/tlb_slb_erat.h"
#include "processor/translation/xlate_version.h"
#include "support/htm_record.h"

namespace
{

constexpr uint64_t SLBV_B_1T = 1ull << 62;
constexpr uint64_t RB_NOT_FETCH = 0x800000, RB_NOT_DATA = 0x400000;

class SlbMaintenance : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        ASSERT_TRUE(r.ok());
        iop = r.t->current_iop;
        for (int i = 0; i < r.t->slb_entries; i++)
            SLBE_Init(&r.t->slb[i], r.t);
    }
    void TearDown() override { Discard_Instruction_Bound_Exceptions(iop, 0); }
    void slb(int i, uint64_t esid, uint64_t vsid_word)
    {
        SLB *e = &r.t->slb[i];
        e->esid_base = esid;
        e->valid = 1;
        e->SLBE.value = esid | 0x8000000;
        SLB_Set_VSID_Word(e, vsid_word);
    }
    bool valid(int i) const { return r.t->slb[i].valid != 0; }
    // Runs slbfee. with RB in GPR4 and RT 3: the worker's result.
    int slbfee(uint64_t rb)
    {
        Discard_Instruction_Bound_Exceptions(iop, 0);
        iop->row = &instruction_info_table[ROW_SLBFEE_DOT];
        iop->word = 0x7C0007A7 | 3u << 21 | 4u << 11;
        r.t->GPR[4].value = rb;
        r.t->GPR[3].value = 0xDEAD;
        return core_slbfee_dot(iop);
    }
    RunMachine r;
    IOPDesc *iop = nullptr;
};

TEST_F(SlbMaintenance, SlbieMatchingRules)
{
    struct Case {
        const char *name;
        uint64_t esid, vsid_word, rb;
        bool gone;
    };
    for (const Case &c : {
             Case{"256 MB: same ESID", 0x30000000, 0x1000, 0x30000000, true},
             Case{"256 MB: ESID bits 28-39 differ", 0x30000000, 0x1000, 0x40000000, false},
             Case{"1 TB ignores bits 28-39", 0x10000000000, SLBV_B_1T | 0x1000,
                  0x1F0000000ull | 0x10000000000 | 1 << 25, true},
             Case{"segment size differs", 0x30000000, SLBV_B_1T | 0x1000, 0x30000000, false},
             Case{"class differs", 0x30000000, 0x1000 | 0x80, 0x30000000, false},
             Case{"both no-access selectors set", 0x30000000, 0x1000, 0x30000000 | RB_NOT_FETCH | RB_NOT_DATA,
                  false},
             Case{"no-data entry, fetch side not selected", 0x30000000, 0x1000 | 0x4,
                  0x30000000 | RB_NOT_FETCH, false},
             Case{"no-data entry, fetch side selected", 0x30000000, 0x1000 | 0x4, 0x30000000 | RB_NOT_DATA,
                  true},
         }) {
        SCOPED_TRACE(c.name);
        slb(0, c.esid, c.vsid_word);
        uint64_t version = current_xlate_version;
        micro_slbie(r.t, c.rb);
        EXPECT_EQ(!valid(0), c.gone);
        if (c.gone) {
            EXPECT_EQ(r.t->slb[0].SLBE.value, c.esid);
        }
        EXPECT_EQ(current_xlate_version, version + 1);
    }
    // An ESID held twice goes twice; slbia keeps entry 0.
    slb(2, 0x50000000, 0x2000);
    slb(7, 0x50000000, 0x3000);
    micro_slbie(r.t, 0x50000000);
    EXPECT_FALSE(valid(2));
    EXPECT_FALSE(valid(7));
    slb(0, 0x60000000, 0x4000);
    slb(1, 0x70000000, 0x5000);
    ASSERT_EQ(core_slbia(iop), 1);
    EXPECT_TRUE(valid(0));
    EXPECT_FALSE(valid(1));
}

TEST_F(SlbMaintenance, SlbiaPrivilegedAndTransactional)
{
    slb(1, 0x70000000, 0x5000);
    r.t->MSR.value = 0x8000000000000000ull | MSR_PR;
    EXPECT_EQ(core_slbia(iop), 0);
    EXPECT_EQ(iop->exceptions ? iop->exceptions->subtype : 0, 218); // "PROGRAM: Privileged Instruction"
    Discard_Instruction_Bound_Exceptions(iop, 0);
    r.t->MSR.value = 0x9000000000000000ull | MSR_TS_TRANSACTIONAL;
    HTM_Clear_Failure(r.t);
    EXPECT_EQ(core_slbia(iop), 1);
    EXPECT_EQ(HTM_Recorded_Cause(r.t), 0x1800000u);
    EXPECT_TRUE(valid(1));
}

TEST_F(SlbMaintenance, SegmentRegisterWrites)
{
    int32_t size = r.t->slb_entries;
    r.t->MSR.value = 0x9000000000000000ull;
    r.core->options[PO_SEGMENT_INSTRS_USE_WHOLE_GRB] = 0;
    WriteSR(r.t, (uint32_t)size + 3, 0x78123456, 0);
    SLB *e = &r.t->slb[3];
    EXPECT_EQ(e->valid, 1);
    EXPECT_EQ(e->esid_base, ((uint64_t)size + 3) << 28 & 0xFFFFFFFF);
    EXPECT_EQ(e->ks, 1);
    EXPECT_EQ(e->kp, 1);
    EXPECT_EQ(e->n, 1);
    EXPECT_EQ(e->l, 1);
    EXPECT_EQ(e->vsid & 0x7FFFFFF000ull, 0x0123456000ull);
    // 32-bit mode keeps 39 bits of the VSID word; HID4's bit forces a small-page segment.
    r.core->slbe_esid_mask = 0xFFFFFFFF;
    r.t->MSR.value = 0x1000000000000000ull;
    r.core->HID4.value = 0x0100000000000000ull;
    WriteSR(r.t, 5, 0x0FFFFFFF, 0);
    EXPECT_EQ(r.t->slb[5].vsid,
              (((uint64_t)0x7FFFFFF << 12) | ((uint64_t)0x0FFFFFFF << 7)) & 0x7FFFFFFFFFull);
    EXPECT_EQ(r.t->slb[5].l, 0);
    EXPECT_EQ(r.t->slb[5].SLBV.value, r.t->slb[5].vsid);
}

TEST_F(SlbMaintenance, SlbfeeResults)
{
    r.t->XER.value = 0x80000000; // SO
    ASSERT_EQ(slbfee(0x30000000), 1);
    EXPECT_EQ(r.t->GPR[3].value, 0u);
    EXPECT_EQ(r.t->CR.value >> 28, 0x1u) << "no entry: LT, GT, EQ clear, SO from XER";

    r.t->XER.value = 0;
    slb(4, 0x10000000000, SLBV_B_1T | 0x1234567000ull | 0x400);
    ASSERT_EQ(slbfee(0x10000000000 | 0x30000000), 1);
    EXPECT_EQ(r.t->GPR[3].value, (SLBV_B_1T | 0x1234567000ull | 0x400) & ~0xFFF000ull);
    EXPECT_EQ(r.t->CR.value >> 28, 0x2u);

    // Two matches: with a no-access selector the first is returned, else a machine check.
    r.t->MSR.value |= 0x1000; // ME: the machine check is taken, not a check-stop
    slb(6, 0x10000000000, SLBV_B_1T | 0x2000000);
    ASSERT_EQ(slbfee(0x10000000000 | RB_NOT_FETCH), 1);
    EXPECT_EQ(r.t->GPR[3].value, (SLBV_B_1T | 0x1234567000ull | 0x400) & ~0xFFF000ull);
    EXPECT_EQ(slbfee(0x10000000000), 0);
    EXPECT_EQ(iop->exceptions ? iop->exceptions->type : -1, 7); // MACHINE_CHECK
    EXPECT_EQ(r.t->GPR[3].value, 0xDEADu);
}

TEST_F(SlbMaintenance, SlbieWorkerUsesLowWordIn32BitMode)
{
    slb(1, 0x30000000, 0x1000);
    r.t->MSR.value = 0x1000000000000000ull; // SF clear
    iop->word = 4u << 11;
    r.t->GPR[4].value = 0xFFFFFFFF30000000ull;
    EXPECT_EQ(core_slbie(iop), 1);
    EXPECT_FALSE(valid(1));
}

// Counts the support calls of a code outside the code table, which the call-through callbacks serve.
constexpr uint64_t ICREAD_TEST_CODE = 1000;
long icread_support_calls = 0;

int count_icread_support_call(IOPDesc *, uint64_t code)
{
    if (code != ICREAD_TEST_CODE) return 0;
    icread_support_calls++;
    return 1;
}

TEST_F(SlbMaintenance, Icread)
{
    static Callback_Function *registered = Callback_register_callthru(
        0, "icread test", reinterpret_cast<CallbackFunction>(count_icread_support_call), nullptr);
    ASSERT_NE(registered, nullptr);
    r.core->options[PO_ICREAD_IS_SIM_SUPPORT] = 1;
    iop->word = 0x7C0007CC; // icread 0,0: the old encoding of the support call
    r.t->GPR[3].value = ICREAD_TEST_CODE;
    long calls = icread_support_calls;
    EXPECT_EQ(core_icread(iop), 1);
    EXPECT_EQ(icread_support_calls, calls + 1);

    r.core->options[PO_ICREAD_SUPPORTED] = 1;
    iop->row = &instruction_info_table[ROW_ICREAD];
    iop->word = 0x7C0007CC | 5u << 11; // icread 0,r5
    r.t->GPR[5].value = 0x1002;
    EXPECT_EQ(core_icread(iop), 0);
    EXPECT_EQ(iop->exceptions ? iop->exceptions->subtype : 0, 77); // "ALIGNMENT: icread not 4-byte aligned"
    Discard_Instruction_Bound_Exceptions(iop, 0);
    r.t->GPR[5].value = 0x1084;
    EXPECT_EQ(core_icread(iop), 1);
    EXPECT_EQ(iop->data.ea, 0x1080u);
    EXPECT_EQ(iop->exceptions, nullptr);
    EXPECT_EQ(icread_support_calls, calls + 1);
}

} // namespace

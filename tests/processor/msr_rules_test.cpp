// MSR rules: write fix-up, mtmsr and mtmsrd, installing MSRs, initial MSR and PC, interrupt
// enables, instruction-mix tables, and the MSR, CR and WIMG texts.
#include <gtest/gtest.h>

#include "decode/instr_info.h"
#include "decode/instr_tables.h"
#include "processor/records/exception_record.h"
#include "processor/records/generic_machine.h"
#include "processor/regs/msr_rules.h"
#include "register_fixture.h"

namespace
{

class MsrRules : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        fixture.build();
        core()->msr_mask = ~0ull;
    }
    ProcessorState *core() { return fixture.core; }
    ThreadState *thread() { return fixture.thread(0); }
    TestCore fixture{1};
};

TEST_F(MsrRules, MtmsrWithLOneTakesOnlyEEAndRI)
{
    uint64_t old_msr = MSR_SF | MSR_PR | MSR_IR | MSR_RI;
    uint64_t result = micro_mtmsr(core(), 1, old_msr, 0xFFFFFFFFu & ~(uint32_t)MSR_RI);
    EXPECT_EQ(result, (old_msr & ~MSR_RI) | MSR_EE);
    // No mask applies with L = 1.
    core()->msr_mask = 0;
    EXPECT_EQ(micro_mtmsr(core(), 1, old_msr, (uint32_t)MSR_EE), (old_msr & ~MSR_RI) | MSR_EE);
}

TEST_F(MsrRules, MtmsrWithLZero)
{
    uint64_t old_msr = MSR_SF | MSR_HV | MSR_ME | MSR_LE;
    // The upper half stays, LE is the old one, problem state brings EE, IR and DR.
    EXPECT_EQ(micro_mtmsr(core(), 0, old_msr, (uint32_t)MSR_PR),
              MSR_SF | MSR_HV | MSR_LE | MSR_PR | MSR_EE | MSR_IR | MSR_DR);
    // ME may be changed unless both version-2 options hold it.
    EXPECT_EQ(micro_mtmsr(core(), 0, old_msr, 0) & MSR_ME, 0u);
    core()->options[PO_POWERPC_V2] = 1;
    core()->options[PO_POWERPC_V2_MSR_LIMITS] = 1;
    EXPECT_EQ(micro_mtmsr(core(), 0, old_msr, 0) & MSR_ME, MSR_ME);
    core()->msr_mask = ~MSR_LE;
    EXPECT_EQ(micro_mtmsr(core(), 0, old_msr, 0), MSR_SF | MSR_HV | MSR_ME);
}

TEST_F(MsrRules, MtmsrdWithoutVersion2LimitsInstallsTheValueUnmasked)
{
    core()->msr_mask = 0xFF;
    EXPECT_EQ(micro_mtmsrd(core(), 0, MSR_HV, MSR_PR | MSR_TA), MSR_PR | MSR_TA);
}

TEST_F(MsrRules, MtmsrdWithVersion2Limits)
{
    core()->options[PO_POWERPC_V2] = 1;
    core()->options[PO_POWERPC_V2_MSR_LIMITS] = 1;
    uint64_t hypervisor = MSR_SF | MSR_HV | MSR_ME;
    // HV and ME come from the old MSR; problem state brings IR and DR.
    EXPECT_EQ(micro_mtmsrd(core(), 0, hypervisor, MSR_SF | MSR_PR),
              MSR_SF | MSR_HV | MSR_ME | MSR_PR | MSR_IR | MSR_DR);
    EXPECT_EQ(micro_mtmsrd(core(), 0, MSR_SF, MSR_SF | MSR_HV | MSR_ME), MSR_SF);
    core()->options[PO_AKRA_PLUS] = 1;
    EXPECT_EQ(micro_mtmsrd(core(), 0, hypervisor, MSR_SF | MSR_PR),
              MSR_SF | MSR_HV | MSR_ME | MSR_PR | MSR_IR | MSR_DR | MSR_EE);
    core()->options[PO_AKRA_PLUS] = 0;
    // TA sets SF; an old LE clears TA.
    EXPECT_EQ(micro_mtmsrd(core(), 0, 0, MSR_TA), MSR_TA | MSR_SF);
    EXPECT_EQ(micro_mtmsrd(core(), 0, MSR_LE, MSR_TA), MSR_LE);
    // L = 1: only EE and RI, HV in the new value ignored.
    EXPECT_EQ(micro_mtmsrd(core(), 1, MSR_SF, MSR_EE | MSR_RI | MSR_HV | MSR_PR), MSR_SF | MSR_EE | MSR_RI);
}

TEST_F(MsrRules, WriteFixup)
{
    IOPDesc *iop = fixture.iop();
    EXPECT_EQ(WriteMSR_fixup(iop, 0, MSR_WE | MSR_TA), MSR_WE | MSR_TA);
    core()->options[PO_RESERVE_MSR_WE_BIT] = 1;
    core()->options[PO_TAGS_ACTIVE] = 1;
    // LE clears TA and then SF is not forced; TA alone forces SF.
    EXPECT_EQ(WriteMSR_fixup(iop, 0, MSR_LE | MSR_TA | MSR_WE), MSR_LE);
    EXPECT_EQ(WriteMSR_fixup(iop, 0, MSR_TA), MSR_TA | MSR_SF);
    // SLE survives TA except on rfid, hrfid and mtmsrd.
    EXPECT_EQ(WriteMSR_fixup(iop, 0, MSR_TA | MSR_SLE), MSR_TA | MSR_SF | MSR_SLE);
    InstrInfo *table = InstrInfo__id2table(0);
    for (const char *mnemonic : {"rfid", "hrfid", "mtmsrd"}) {
        for (uint32_t i = 0; i < NUM_II_ENTRIES; i++)
            if (table[i].mnemonic && !strcmp(table[i].mnemonic, mnemonic)) iop->row = &table[i];
        ASSERT_STREQ(iop->row->mnemonic, mnemonic);
        EXPECT_EQ(WriteMSR_fixup(iop, 0, MSR_TA | MSR_SLE), MSR_TA | MSR_SF) << mnemonic;
    }
    core()->msr_mask = ~MSR_SF;
    EXPECT_EQ(WriteMSR_fixup(iop, 0, MSR_TA), MSR_TA);
}

TEST_F(MsrRules, SetNewMsrDerivesTheThreadFlags)
{
    Set_New_MSR(thread(), MSR_SF | MSR_DR | MSR_PR);
    EXPECT_EQ(thread()->MSR.value, MSR_SF | MSR_DR | MSR_PR);
    EXPECT_EQ(thread()->MSR.written, 1);
    EXPECT_EQ(thread()->address_width, 64);
    EXPECT_EQ(thread()->data_relocate, 1);
    EXPECT_EQ(thread()->problem_state, 1);
    Set_New_MSR(thread(), MSR_IR);
    EXPECT_EQ(thread()->address_width, 32);
    EXPECT_EQ(thread()->data_relocate, 0);
    EXPECT_EQ(thread()->problem_state, 0);
}

TEST_F(MsrRules, InitialMsrAndPc)
{
    Set_Initial_MSR(thread());
    EXPECT_EQ(thread()->MSR.value, 0x9000000000000000ull);
    EXPECT_EQ(fixture.desc("MSR")->initial, 0x9000000000000000ull);
    EXPECT_EQ(thread()->MSR.written, 1);
    // ME from the current MSR or from SRR0 bits 0x30000.
    thread()->MSR.value = MSR_ME;
    Set_Initial_MSR(thread());
    EXPECT_EQ(thread()->MSR.value, 0x9000000000001000ull);
    thread()->MSR.value = 0;
    thread()->SRR0.value = 0x10000;
    Set_Initial_MSR(thread());
    EXPECT_EQ(thread()->MSR.value, 0x9000000000001000ull);
    thread()->SRR0.value = 0;
    thread()->MSR.value = 0;
    standalone_mode = 1;
    Set_Initial_MSR(thread());
    standalone_mode = 0;
    EXPECT_EQ(thread()->MSR.value, 0x9000000002802000ull);
    EXPECT_EQ(Stand_Alone_MSR(1), 0x2802001u);

    Set_Initial_PC(thread());
    EXPECT_EQ(fixture.desc("PC")->initial, 0x100u);
    thread()->MSR.value |= MSR_IP;
    Set_Initial_PC(thread());
    EXPECT_EQ(fixture.desc("PC")->initial, 0xFFF00100u);
    EXPECT_EQ(thread()->pc_initial, 0xFFF00100u);
}

TEST_F(MsrRules, InterruptEnables)
{
    ThreadState *t = thread();
    t->pending_HDEC = 1;
    EXPECT_EQ(enabled_HDEC_Interrupt(t), 0); // LPCR bit 0x1 clear
    t->LPCR.value = 1;
    EXPECT_EQ(enabled_HDEC_Interrupt(t), 1);
    t->MSR.value = MSR_HV;
    EXPECT_EQ(enabled_HDEC_Interrupt(t), 0);
    t->MSR.value = MSR_HV | MSR_EE;
    EXPECT_EQ(enabled_HDEC_Interrupt(t), 1);
    t->pending_HDEC = 0;
    EXPECT_EQ(enabled_HDEC_Interrupt(t), 0);

    PowerPCException mediated{};
    mediated.type = 25;
    t->MSR.value = MSR_EE;
    EXPECT_EQ(EnabledMediatedExternalInterrupt(t, &mediated), 1);
    t->MSR.value = MSR_EE | MSR_HV;
    EXPECT_EQ(EnabledMediatedExternalInterrupt(t, &mediated), 0);
    mediated.type = 17;
    t->MSR.value = MSR_EE;
    EXPECT_EQ(EnabledMediatedExternalInterrupt(t, &mediated), 0);
}

TEST_F(MsrRules, InstructionMixTables)
{
    uint64_t tables[3][1];
    for (int i = 0; i < 3; i++)
        thread()->turbo.instruction_mix[i] = tables[i];
    EXPECT_EQ(SelectImixTable(thread(), MSR_PR | MSR_HV), tables[IMIX_PROBLEM_STATE]);
    EXPECT_EQ(SelectImixTable(thread(), MSR_HV), tables[IMIX_HYPERVISOR]);
    EXPECT_EQ(SelectImixTable(thread(), 0), tables[IMIX_PRIVILEGED]);
    for (int i = 0; i < 3; i++)
        thread()->turbo.instruction_mix[i] = nullptr;
}

TEST(MsrText, PrepareMsr)
{
    EXPECT_STREQ(Prepare_MSR(nullptr, 0x9000000000001033ull), "0x9000000000001033  OS,SF,HV,ME,IR,DR,RI,LE");
    EXPECT_STREQ(Prepare_MSR(nullptr, 0), "0x0000000000000000  32,OS");
    EXPECT_STREQ(Prepare_MSR(nullptr, MSR_SF | MSR_PR), "0x8000000000004000  SF,PR");
    // Unnamed bits print as their number.
    EXPECT_STREQ(Prepare_MSR(nullptr, MSR_SF | MSR_PR | 0x0800000000000000ull | 0x80000000ull),
                 "0x8800000080004000  SF,BTAE,?32,PR");
    EXPECT_STREQ(Prepare_MSR(nullptr, MSR_SF | MSR_PR | 0x0100000000000000ull),
                 "0x8100000000004000  SF,?7,PR");
    char buffer[MSR_TEXT_SIZE];
    EXPECT_EQ(Prepare_MSR(buffer, MSR_SF | MSR_PR | MSR_LE), buffer);
    EXPECT_STREQ(buffer, "0x8000000000004001  SF,PR,LE");
    // Every bit set fits.
    std::string all = Prepare_MSR(nullptr, ~0ull);
    EXPECT_EQ(all.rfind("RI,LE"), all.size() - 5);
}

TEST(MsrText, PrepareCrAndWimg)
{
    EXPECT_STREQ(Prepare_CR(0x20000000), "0x20000000  =.......");
    EXPECT_STREQ(Prepare_CR(0x84218300), "0x84218300  <>=S<X..");
    EXPECT_STREQ(WIMG_String(0x5), "0101");
    EXPECT_STREQ(WIMG_String(0xA), "1010");
    EXPECT_STREQ(WIMG_String(0x80000000), "SAO");
    EXPECT_STREQ(Prepare_WIMG(0x5), "0x05 Cache-Inhibited, Guarded");
    EXPECT_STREQ(Prepare_WIMG(0xF), "0x0F Write-Through, Cache-Inhibited, Coherent-Memory, Guarded");
    EXPECT_STREQ(Prepare_WIMG(0), "0x00");
}

} // namespace

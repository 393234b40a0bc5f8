// The storage interrupts: hypervisor routing, the SRR1 bits of fetches, the DSISR of segment
// faults and alignment interrupts under the processor's options, and the DAR adjustments.
#include "isa/exec_word.h"
#include "decode/storage_rows.h"
#include "mmu/storage_interrupts.h"
#include "processor/records/axd.h"
#include "processor/regs/msr_rules.h"
#include "processor/regs/reg_accessors.h"

namespace
{

constexpr uint64_t LPCR_VPM0 = 0x8000000000000000ull;
constexpr uint64_t LPCR_VPM1 = 0x4000000000000000ull;

// The storage options of the Ervik processor type.
void ervik_storage_options(ExecWord &ew)
{
    ew.option(PO_DSISR_BITS_ARE_DEFINED_FOR_ALL_INTERRUPTS);
    ew.option(PO_NO_SIAR_SDAR_UNDEFINED_MASK);
    ew.option(PO_DSISR_BITS_ARE_UNCHANGED_FOR_ALIGNMENT_INTERRUPTS);
    ew.option(PO_DAR_BITS_ARE_DEFINED_FOR_ALIGNMENT_INTERRUPTS);
    ew.option(PO_GLENT_ALIGNMENT_INTERRUPTS);
}

} // namespace

TEST(StorageInterrupts, PageFaultRouting)
{
    struct Case {
        const char *what;
        uint64_t msr, lpcr;
        uint32_t kind;
        int32_t type, subtype;
        int hypervisor;
        uint32_t dsisr;
    };
    const Case cases[] = {
        {"guest store, relocation on, VPM1", MSR_SF | MSR_DR, LPCR_VPM1, AXD_KIND_STORE, 29, 248, 1, 0x42000000},
        {"guest load, relocation on, VPM0 only", MSR_SF | MSR_DR, LPCR_VPM0, AXD_KIND_LOAD, 8, 248, 0, 0x40000000},
        {"guest load, relocation off, VPM0", MSR_SF, LPCR_VPM0, AXD_KIND_LOAD, 29, 248, 1, 0x40000000},
        {"hypervisor store", MSR_SF | MSR_HV | MSR_DR, LPCR_VPM0 | LPCR_VPM1, AXD_KIND_STORE, 8, 248, 0, 0x42000000},
        {"problem state under HV is a guest", MSR_SF | MSR_HV | MSR_PR | MSR_DR, LPCR_VPM1, AXD_KIND_CACHE_SET, 29,
         248, 1, 0x42000000},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        ExecWord ew;
        ervik_storage_options(ew);
        ew.t->MSR.value = c.msr;
        ew.t->LPCR.value = c.lpcr;
        ew.prepare(D_FORM(36, 3, 4, 0));
        PowerPCException *e = interrupt_DataStoragePageFault(ew.iop, 0x12345678, c.kind);
        ASSERT_NE(e, nullptr);
        EXPECT_EQ(e->type, c.type);
        EXPECT_EQ(e->subtype, c.subtype);
        EXPECT_EQ(e->hypervisor, c.hypervisor);
        EXPECT_EQ(e->save_to, c.hypervisor);
        EXPECT_EQ(e->address, 0x12345678u);
        EXPECT_EQ(e->dar_valid, 1);
        EXPECT_EQ(e->dar, 0x12345678u);
        EXPECT_EQ(e->dsisr_valid, 1);
        EXPECT_EQ(e->dsisr, c.dsisr);
        EXPECT_STREQ(e->detail, "DSI: Page Fault");
    }
}

TEST(StorageInterrupts, FetchFaultsSetSrr1AndNoDataRegisters)
{
    ExecWord ew;
    ervik_storage_options(ew);
    ew.prepare(0);
    PowerPCException *e = interrupt_DataStoragePageFault(ew.iop, 0x7000, AXD_KIND_FETCH);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->type, 13);
    EXPECT_EQ(e->subtype, 252);
    EXPECT_EQ(e->srr1_set, 0x40000000u);
    EXPECT_EQ(e->dar_valid, 0);
    EXPECT_EQ(e->dsisr_valid, 0);

    ExecWord seg;
    seg.prepare(0);
    e = interrupt_DataStorageSegmentFault(seg.iop, 0x7000, AXD_KIND_FETCH, 0);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->type, 16);
    EXPECT_EQ(e->dar_valid, 0);
    EXPECT_EQ(e->dsisr_valid, 0);
}

TEST(StorageInterrupts, SegmentFaultDsisr)
{
    for (uint32_t kind : {AXD_KIND_LOAD, AXD_KIND_STORE}) {
        ExecWord ew;
        ervik_storage_options(ew);
        ew.prepare(0);
        PowerPCException *e = interrupt_DataStorageSegmentFault(ew.iop, 0x9000, kind, 0);
        ASSERT_NE(e, nullptr);
        EXPECT_EQ(e->type, 12);
        EXPECT_EQ(e->subtype, 247);
        EXPECT_EQ(e->dsisr_valid, 1);
        EXPECT_EQ(e->dsisr, kind == AXD_KIND_STORE ? 0x2000000u : 0u);
        EXPECT_EQ(e->dsisr_merged, 0u);
        EXPECT_EQ(e->dar, 0x9000u);
    }
}

TEST(StorageInterrupts, AlignmentDsisrByOptions)
{
    const uint32_t stw = D_FORM(36, 3, 4, 8); // stw r3,8(r4)
    // Ervik: DAR set, DSISR left as it was.
    ExecWord ervik;
    ervik_storage_options(ervik);
    ervik.prepare(stw);
    PowerPCException *e = interrupt_AlignmentException(ervik.iop, 0x1003, 0, AXD_KIND_STORE, 7);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->type, 1);
    EXPECT_EQ(e->dar_valid, 1);
    EXPECT_EQ(e->dar, 0x1003u);
    EXPECT_EQ(e->dsisr_valid, 0);

    // DSISR defined and computed from the D-form word: RA, RS and the opcode bits.
    ExecWord computed;
    computed.option(PO_DSISR_BITS_ARE_DEFINED_FOR_ALIGNMENT_INTERRUPTS);
    computed.prepare(stw);
    e = interrupt_AlignmentException(computed.iop, 0x1003, 0, AXD_KIND_STORE, 7);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->dar_valid, 0);
    EXPECT_EQ(e->dsisr_valid, 1);
    EXPECT_EQ(e->dsisr, 0x864u);
    EXPECT_EQ(e->dsisr_merged, 0x1Fu);
    EXPECT_EQ(Compute_DSISR_Bits_From_inst(computed.iop), 0x864u);

    // Defined and unchanged: the thread's current DSISR.
    ExecWord unchanged;
    unchanged.option(PO_DSISR_BITS_ARE_DEFINED_FOR_ALIGNMENT_INTERRUPTS);
    unchanged.option(PO_DSISR_BITS_ARE_UNCHANGED_FOR_ALIGNMENT_INTERRUPTS);
    tRAW_SET_DSISR(unchanged.t, 0xABCD);
    unchanged.prepare(stw);
    e = interrupt_AlignmentException(unchanged.iop, 0x1003, 0, AXD_KIND_STORE, 7);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->dsisr, 0xABCDu);
    EXPECT_EQ(e->dsisr_merged, 0u);
}

TEST(StorageInterrupts, DarAdjustments)
{
    struct Case {
        const char *what;
        uint16_t row;
        bool mode64;
        uint64_t address, dar;
    };
    const Case cases[] = {
        {"lvx rounds to the quadword", ROW_LVX, true, 0x1007, 0x1000},
        {"lvewx rounds to the word", ROW_LVEWX, true, 0x1007, 0x1004},
        {"lvehx rounds to the halfword", ROW_LVEHX, true, 0x1007, 0x1006},
        {"lwz keeps the address", ROW_LWZ, true, 0x123456789, 0x123456789},
        {"32-bit mode keeps the low word", ROW_LWZ, false, 0x123456789, 0x23456789},
        {"lvx in 32-bit mode", ROW_LVX, false, 0x100001007, 0x1000},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        ExecWord ew;
        ervik_storage_options(ew);
        if (!c.mode64) ew.mode32();
        ew.prepare(0);
        ew.iop->row = &instruction_info_table[c.row];
        PowerPCException *e = interrupt_DataStoragePageFault(ew.iop, c.address, AXD_KIND_LOAD);
        ASSERT_NE(e, nullptr);
        EXPECT_EQ(e->dar, c.dar);
    }
}

TEST(StorageInterrupts, HypervisorOnlyForms)
{
    ExecWord ew;
    ervik_storage_options(ew);
    ew.gpr(3) = 0x12345;
    ew.prepare(0);
    ew.iop->word = D_FORM(31, 3, 0, 0); // RS = 3
    PowerPCException *e = interrupt_DataStoragePBT(ew.iop, 0, AXD_KIND_STORE);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->type, 29);
    EXPECT_EQ(e->hypervisor, 1);
    EXPECT_EQ(e->dar, 0x345u);
    EXPECT_EQ(e->dsisr, 0x2000004u);

    ExecWord tlb;
    tlb.prepare(0);
    e = interrupt_HVTLBException(tlb.iop, 0x8000, AXD_KIND_LOAD);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->type, 36);
    EXPECT_EQ(e->save_to, 1);
    EXPECT_EQ(e->dsisr, 0x8000000u);
    EXPECT_STREQ(e->detail, "Hypervisor TLB Exception: TLB miss when hardware PTE search disabled");
}

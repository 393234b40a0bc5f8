// Interrupt raisers of the instruction semantics, the CIABR test and the thread-priority hints.
#include <cstring>

#include "exec_word.h"
#include "interrupts/instruction_raisers.h"

namespace
{

TEST(Raisers, CiabrPrivilegeFieldModeAndKind)
{
    struct Case {
        const char *what;
        uint64_t ciabr, msr, address;
        uint32_t kind;
        int match;
    } cases[] = {
        {"field 0 never", 0x1000, MSR_SF | MSR_PR, 0x1000, AXD_KIND_FETCH, 0},
        {"field 1 in problem state, low bits ignored", 0x1001, MSR_SF | MSR_PR, 0x1003, AXD_KIND_FETCH, 1},
        {"field 1 not privileged", 0x1001, MSR_SF, 0x1000, AXD_KIND_FETCH, 0},
        {"field 2 privileged", 0x1002, MSR_SF, 0x1000, AXD_KIND_FETCH, 1},
        {"field 2 not hypervisor", 0x1002, MSR_SF | MSR_HV, 0x1000, AXD_KIND_FETCH, 0},
        {"field 3 hypervisor", 0x1003, MSR_SF | MSR_HV, 0x1000, AXD_KIND_FETCH, 1},
        {"field 3 not problem state", 0x1003, MSR_SF | MSR_HV | MSR_PR, 0x1000, AXD_KIND_FETCH, 0},
        {"fetches only", 0x1001, MSR_SF | MSR_PR, 0x1000, AXD_KIND_LOAD, 0},
        {"other address", 0x1001, MSR_SF | MSR_PR, 0x1004, AXD_KIND_FETCH, 0},
        {"32-bit ignores the high word", 0xFFFFFFFF00001001, MSR_PR, 0x1000, AXD_KIND_FETCH, 1},
        {"64-bit compares it", 0xFFFFFFFF00001001, MSR_SF | MSR_PR, 0x1000, AXD_KIND_FETCH, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        ExecWord ew;
        ew.t->CIABR.value = c.ciabr;
        ew.t->MSR.value = c.msr;
        EXPECT_EQ(CheckCIABR(ew.iop, c.address, c.kind), c.match);
    }
}

TEST(Raisers, SoftPatchTypeByCauseAndRow)
{
    struct Case {
        uint32_t word;
        const char *row;
        uint64_t cause;
        int32_t type;
    } cases[] = {
        {XO_FORM(983, 1, 2, 3), "stfiwx", 0x100000, 48}, {XO_FORM(727, 1, 2, 3), "stfdx", 0x100000, 48},
        {D_FORM(48, 1, 2, 8), "lfs", 0x100000, 47},      {D_FORM(48, 1, 2, 8), "lfs", 0x200000, 46},
        {XO_FORM(983, 1, 2, 3), "stfiwx", 0x80000, 46},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.row);
        ExecWord ew;
        ew.option(PO_NO_SIAR_SDAR_UNDEFINED_MASK);
        IOPDesc *iop = ew.prepare(c.word);
        ASSERT_STREQ(iop->row->mnemonic, c.row);
        iop->data.ea = 0x4008;
        PowerPCException *record = interrupt_SoftPatch(iop, 0x5000, c.cause);
        ASSERT_NE(record, nullptr);
        EXPECT_EQ(record, ew.raised());
        EXPECT_EQ(record->type, c.type);
        EXPECT_EQ(record->dar_valid, 1);
        EXPECT_EQ(record->dar, 0x5000u);
        EXPECT_EQ(record->instruction_address, 0x1004u);
        EXPECT_EQ(record->srr1_set, c.cause);
        EXPECT_EQ(record->srr1_clear, 0x782F0000u);
        EXPECT_EQ(record->hypervisor, 1);
        EXPECT_EQ(record->heir, c.word);
        EXPECT_STREQ(record->detail, "Softpatch");
        // The storage operand goes to the SDAR only for the denormal cause of a data access.
        EXPECT_EQ(record->sdar_valid, c.cause == 0x100000 ? 1 : 0);
    }
}

TEST(Raisers, SystemCallVmxAndHypervisorFacility)
{
    ExecWord ew;
    PowerPCException *call = interrupt_SystemCall(ew.prepare(0x44000002));
    ASSERT_NE(call, nullptr);
    EXPECT_EQ(call->type, 3);
    EXPECT_EQ(call->instruction_address, 0x1004u);
    EXPECT_STREQ(call->detail, "Syscall");

    PowerPCException *vmx = interrupt_VMXUnavailable(ew.prepare(0x10000000));
    ASSERT_NE(vmx, nullptr);
    EXPECT_EQ(vmx->type, 40);
    EXPECT_EQ(vmx->instruction_address, 0x1000u);
    EXPECT_STREQ(vmx->detail, "VMX Unavailable");

    ew.t->MSR.value = MSR_SF | MSR_PR | MSR_EE;
    PowerPCException *facility = interrupt_HyperFacilityUnavailable(ew.prepare(0), 8, "bctar");
    ASSERT_NE(facility, nullptr);
    EXPECT_EQ(facility->type, 44);
    EXPECT_EQ(facility->hfscr_valid, 1);
    EXPECT_EQ(facility->hfscr_cause, 8u);
    EXPECT_EQ(facility->hypervisor, 1);
    EXPECT_EQ(facility->save_to, 1);
    EXPECT_EQ(facility->msr_at_instruction, MSR_SF | MSR_PR | MSR_EE);
    EXPECT_STREQ(facility->detail, "bctar");
}

TEST(Raisers, InstructionStorageGoesToTheHypervisorByLpcr)
{
    struct Case {
        const char *what;
        uint64_t msr, lpcr;
        int32_t type;
    } cases[] = {
        {"hypervisor state", MSR_SF | MSR_HV | MSR_IR, ~0ull, 13},
        {"relocated, VPM1", MSR_SF | MSR_IR, 0x4000000000000000, 33},
        {"relocated, VPM0 only", MSR_SF | MSR_IR, 0x8000000000000000, 13},
        {"real mode, VPM0", MSR_SF, 0x8000000000000000, 33},
        {"problem state in HV", MSR_SF | MSR_HV | MSR_PR | MSR_IR, 0x4000000000000000, 33},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        ExecWord ew;
        ew.t->MSR.value = c.msr;
        ew.t->LPCR.value = c.lpcr;
        PowerPCException *record = interrupt_InstStorage_ISI(ew.iop, 252);
        ASSERT_NE(record, nullptr);
        EXPECT_EQ(record->type, c.type);
        EXPECT_EQ(record->subtype, 252);
        EXPECT_EQ(record->srr1_set, 0x10000000u);
        EXPECT_EQ(record->hypervisor, c.type == 33 ? 1 : 0);
        EXPECT_NE(record->detail, nullptr);
    }
}

TEST(Raisers, PriorityHints)
{
    struct Case {
        const char *what;
        uint64_t msr;
        uint32_t pspb;
        uint64_t pcr, hid1;
        uint32_t n;
        uint8_t priority; // 3: unchanged
    } cases[] = {
        {"4 is no hint", MSR_SF, 0, 0, 0, 4, 3},
        {"5 in problem state without PSPB", MSR_SF | MSR_PR, 0, 0, 0, 5, 4},
        {"5 in problem state with PSPB", MSR_SF | MSR_PR, 1, 0, 0, 5, 5},
        {"5 under 2.06 compatibility", MSR_SF | MSR_PR, 1, 0x4, 0, 5, 3},
        {"6 privileged", MSR_SF, 0, 0, 0, 3, 6},
        {"7 privileged", MSR_SF, 0, 0, 0, 7, 3},
        {"7 hypervisor", MSR_SF | MSR_HV, 0, 0, 0, 7, 7},
        {"6 problem state", MSR_SF | MSR_PR, 1, 0, 0, 3, 3},
        {"2 problem state", MSR_SF | MSR_PR, 0, 0, 0, 1, 2},
        {"1 problem state", MSR_SF | MSR_PR, 0, 0, 0, 31, 1},
        {"1 problem state, locked", MSR_SF | MSR_PR, 0, 0, 1ull << 52, 31, 3},
        {"1 privileged, lock ignored", MSR_SF, 0, 0, 1ull << 52, 31, 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        ExecWord ew;
        ew.t->MSR.value = c.msr;
        ew.t->PSPB.value = c.pspb;
        ew.core.core->PCR.value = c.pcr;
        ew.core.core->HID1.value = c.hid1;
        ew.t->x_smt_enable = 1;
        ew.t->x_smt_priority = ew.t->x_smt_internal_priority = 3;
        GLENT_Set_Thread_Priority(ew.iop, c.n);
        EXPECT_EQ(ew.t->x_smt_priority, c.priority);
    }
}

TEST(Raisers, PartitionLockBitOfASplitCore)
{
    struct Case {
        uint64_t hid0, hid1;
        uint8_t priority;
    } cases[] = {
        {1ull << 61, 1ull << 51, 3}, // two partitions: slot 1 uses bit 51
        {1ull << 61, 1ull << 52, 1},
        {1ull << 57, 1ull << 50, 3}, // four partitions: twice the index
        {0, 1ull << 52, 3},
    };
    for (const Case &c : cases) {
        ExecWord ew({}, 2, 1);
        ew.option(PO_GLENT_EN_4_LPAR_SYSTEM);
        ew.core.split(0, 1);
        ew.t->MSR.value = MSR_SF | MSR_PR;
        ew.core.core->HID0.value = c.hid0;
        ew.core.core->HID1.value = c.hid1;
        ew.t->x_smt_enable = 1;
        ew.t->x_smt_priority = ew.t->x_smt_internal_priority = 3;
        GLENT_Set_Thread_Priority(ew.iop, 31);
        EXPECT_EQ(ew.t->x_smt_priority, c.priority) << std::hex << c.hid0 << " " << c.hid1;
    }
}

} // namespace

// The MSR an interrupt installs and the DSISR merge of an instruction's exceptions.
#include "exec_word.h"
#include "interrupts/interrupt_msr.h"

namespace
{

struct MsrCase {
    const char *what;
    int32_t type;
    uint64_t old_msr;
    std::vector<uint32_t> options;
    uint64_t lpcr, pcr, sim_ctrl, sim_ctrl1, hid0;
    int hv_call;
    uint64_t expected; // 0: only the transaction state is checked
};

TEST(InterruptMsr, ComputeNewMsr)
{
    const uint64_t busy = MSR_TA | MSR_VMX | MSR_EE | MSR_PR | MSR_FP | MSR_ME | MSR_IR | MSR_DR | MSR_RI |
                          MSR_LE | MSR_US | MSR_IP | MSR_ILE;
    const uint64_t sim_ctrl1_hile = 0x0400000000000000ull;
    std::vector<MsrCase> cases = {
        {"system reset", 6, busy, {}, 0, 0, 0, 0, 0, 0, 0x9000000000000040},
        {"program from problem state",
         2,
         MSR_ME | MSR_PR | MSR_EE | MSR_IR,
         {},
         0,
         0,
         0,
         0,
         0,
         0,
         MSR_SF | MSR_HV | MSR_ME},
        {"program, LPCR LPES1 keeps HV clear", 2, MSR_ME | MSR_PR, {}, 0x4, 0, 0, 0, 0, 0, MSR_SF | MSR_ME},
        {"program, LPES1 removed",
         2,
         MSR_ME | MSR_PR,
         {PO_LPES_1_REMOVED},
         0,
         0,
         0,
         0,
         0,
         0,
         MSR_SF | MSR_ME},
        {"program keeps HV with LPES1", 2, MSR_HV | MSR_PR, {}, 0x4, 0, 0, 0, 0, 0, MSR_SF | MSR_HV},
        {"machine check drops ME", 7, MSR_ME | MSR_EE, {}, 0, 0, 0, 0, 0, 0, MSR_SF | MSR_HV},
        {"external to the OS", 17, MSR_ME | MSR_PR, {}, 0xC, 0, 0, 0, 0, 0, MSR_SF | MSR_ME},
        {"external to the hypervisor", 17, MSR_PR, {}, 0x4, 0, 0, 0, 0, 0, MSR_SF | MSR_HV},
        {"mediated external", 25, MSR_PR, {}, 0, 0, 0, 0, 0, 0, MSR_SF | MSR_HV},
        {"hypervisor decrementer keeps RI",
         26,
         MSR_RI | MSR_PR,
         {},
         0x4,
         0,
         0,
         0,
         0,
         0,
         MSR_SF | MSR_HV | MSR_RI},
        {"doorbell", 50, MSR_PR, {}, 0x4, 0, 0, 0, 0, 0, MSR_SF | MSR_HV},
        {"hypervisor call keeps RI",
         27,
         MSR_RI | MSR_PR,
         {PO_HYPER_EXCEPTIONS_PRESERVE_HYPER},
         0x4,
         0,
         0,
         0,
         0,
         1,
         MSR_SF | MSR_HV | MSR_RI},
        {"hypervisor call without the option", 27, MSR_RI | MSR_PR, {}, 0x4, 0, 0, 0, 0, 1, MSR_SF | MSR_HV},
        {"IP and ILE kept by option",
         2,
         MSR_IP | MSR_ILE,
         {PO_MSR_IP_BIT, PO_MSR_ILE_BIT},
         0,
         0,
         0,
         0,
         0,
         0,
         MSR_SF | MSR_HV | MSR_IP | MSR_ILE},
        {"tags active keeps TA and US",
         2,
         MSR_TA | MSR_US | MSR_PR,
         {PO_TAGS_ACTIVE},
         0,
         0,
         0,
         0,
         0,
         0,
         MSR_SF | MSR_HV | MSR_TA | MSR_US},
        {"OS little-endian from LPCR", 2, MSR_PR, {}, 0x2000004, 0, 0, 0, 0, 0, MSR_SF | MSR_LE},
        {"hypervisor little-endian from HID0",
         2,
         MSR_PR,
         {PO_HYPER_HILE},
         0,
         0,
         0,
         sim_ctrl1_hile,
         0x100000000000,
         0,
         MSR_SF | MSR_HV | MSR_LE},
        {"HID0 decides once SIM_CTRL1 says so",
         2,
         MSR_PR,
         {PO_HYPER_HILE},
         0,
         0,
         0x40000,
         sim_ctrl1_hile,
         0,
         0,
         MSR_SF | MSR_HV},
        {"hypervisor little-endian from SIM_CTRL",
         2,
         MSR_PR,
         {PO_HYPER_HILE},
         0,
         0,
         0x40000,
         0,
         0,
         0,
         MSR_SF | MSR_HV | MSR_LE},
        {"no HILE without the option", 2, MSR_PR, {}, 0x2000000, 0, 0x40000, 0, 0, 0, MSR_SF | MSR_HV},
        {"vectored system call",
         45,
         MSR_PR | MSR_SE | MSR_BE | MSR_EE | MSR_FP | MSR_VMX | MSR_HV,
         {},
         0,
         0,
         0,
         0,
         0,
         0,
         MSR_SF | MSR_HV | MSR_EE | MSR_FP | MSR_VMX | MSR_IR | MSR_DR},
        {"vectored system call under 2.05 compatibility",
         45,
         MSR_EE | MSR_FP | MSR_VMX,
         {},
         0,
         0x2,
         0,
         0,
         0,
         0,
         MSR_SF | MSR_EE | MSR_IR | MSR_DR},
    };
    // From a transaction every interrupt suspends it and clears TM, except the vectored system call.
    for (int32_t type : {2, 3, 6, 7, 17, 26, 27, 50})
        cases.push_back(
            {"transactional", type, MSR_TS_TRANSACTIONAL | MSR_TM | MSR_PR, {}, 0x4, 0, 0, 0, 0, 0, 0});
    cases.push_back({"suspended stays suspended",
                     2,
                     MSR_TS_SUSPENDED,
                     {},
                     0x4,
                     0,
                     0,
                     0,
                     0,
                     0,
                     MSR_SF | MSR_TS_SUSPENDED});
    cases.push_back({"transactional system call",
                     45,
                     MSR_TS_TRANSACTIONAL | MSR_TM,
                     {},
                     0,
                     0,
                     0,
                     0,
                     0,
                     0,
                     MSR_SF | MSR_IR | MSR_DR | MSR_TS_SUSPENDED | MSR_TM});

    for (const MsrCase &c : cases) {
        SCOPED_TRACE(::testing::Message() << c.what << " type " << c.type);
        ExecWord ew;
        ew.option(PO_TAGS_ACTIVE, 0);
        for (uint32_t option : c.options)
            ew.option(option);
        ew.t->LPCR.value = c.lpcr;
        ew.core.core->PCR.value = c.pcr;
        ew.t->SIM_CTRL.value = c.sim_ctrl;
        ew.t->SIM_CTRL1.value = c.sim_ctrl1;
        ew.core.core->HID0.value = c.hid0;
        uint64_t msr = Compute_New_MSR_For_Exception(ew.iop, c.old_msr, c.type, c.hv_call);
        if (c.expected) {
            EXPECT_EQ(msr, c.expected);
        } else {
            EXPECT_EQ(msr & MSR_TS, MSR_TS_SUSPENDED);
            EXPECT_EQ(msr & MSR_TM, 0u);
        }
    }
}

PowerPCException dsi(int32_t type, int32_t subtype, uint64_t address, int hv, uint32_t dsisr)
{
    PowerPCException e{};
    e.type = type;
    e.subtype = subtype;
    e.address = address;
    e.hypervisor = hv;
    e.dsisr_valid = dsisr != 0;
    e.dsisr = dsisr;
    return e;
}

// Merges the DSISR of `exc` against the others, linked as the instruction's list.
std::pair<uint32_t, uint32_t> merge(ExecWord &ew, PowerPCException exc, std::vector<PowerPCException> others,
                                    uint32_t changed)
{
    for (size_t i = 0; i < others.size(); i++)
        others[i].next = i + 1 < others.size() ? &others[i + 1] : nullptr;
    ew.iop->exceptions = others.empty() ? nullptr : &others[0];
    uint32_t dsisr = exc.dsisr;
    Merge_DSISR_Values(ew.iop, &exc, &dsisr, &changed);
    ew.iop->exceptions = nullptr;
    return {dsisr, changed};
}

TEST(InterruptMsr, MergeDsisr)
{
    using Result = std::pair<uint32_t, uint32_t>;
    ExecWord ew;
    // No other matching exception: DSISR kept, bits it held dropped from the changed word.
    EXPECT_EQ(merge(ew, dsi(8, 248, 0x100, 0, 0x42000000), {}, 0x42000001), Result(0x42000000, 0x1));
    EXPECT_EQ(merge(ew, dsi(8, 248, 0x100, 0, 0x40000000),
                    {dsi(8, 250, 0x200, 0, 0x1000), dsi(29, 248, 0x100, 1, 0x2000), dsi(8, 248, 0x100, 0, 0)},
                    0),
              Result(0x40000000, 0));

    // Same type, flag and address: bits merged, the new ones reported as changed.
    EXPECT_EQ(merge(ew, dsi(8, 248, 0x100, 0, 0x40000000),
                    {dsi(8, 251, 0x100, 0, 0x08000000), dsi(8, 252, 0x100, 0, 0x40000001)}, 0),
              Result(0x48000001, 0x08000001));

    // Never merged.
    for (int32_t subtype : {239, 268})
        EXPECT_EQ(merge(ew, dsi(8, subtype, 0x100, 0, 0x40000000), {dsi(8, 248, 0x100, 0, 0x1)}, 0x40000000),
                  Result(0x40000000, 0x40000000));

    // Any type but alignment with the option.
    ew.option(PO_MERGE_DSISR_UNDEFINED_MASK_FOR_ALL_INTERRUPT_TYPES);
    EXPECT_EQ(merge(ew, dsi(8, 248, 0x100, 0, 0x40000000),
                    {dsi(12, 0, 0x100, 0, 0x10), dsi(1, 0, 0x100, 0, 0x20), dsi(8, 248, 0x100, 0, 0x40)}, 0),
              Result(0x40000050, 0x50));
}

TEST(InterruptMsr, StorageKeyUnderKbvIsNotMerged)
{
    struct Case {
        bool option;
        uint64_t lpcr, msr;
        uint32_t dsisr;
    } cases[] = {
        {true, 0x1000000000000000, MSR_SF | MSR_DR, 0x200000},
        {false, 0x1000000000000000, MSR_SF | MSR_DR, 0x200001},
        {true, 0, MSR_SF | MSR_DR, 0x200001},
        {true, 0x1000000000000000, MSR_SF, 0x200001},
    };
    for (const Case &c : cases) {
        ExecWord ew;
        ew.option(PO_LPCR_KBV_ENABLE_BIT, c.option);
        ew.t->LPCR.value = c.lpcr;
        ew.t->MSR.value = c.msr;
        EXPECT_EQ(merge(ew, dsi(29, 249, 0x100, 1, 0x200000), {dsi(29, 248, 0x100, 1, 0x1)}, 0).first,
                  c.dsisr);
    }
}

} // namespace

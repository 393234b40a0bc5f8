// Real-mode translation and page crossing through PPC_MMU_AddressTranslate.
#include <gtest/gtest.h>

#include "exec/run_machine.h"
#include "mmu/address_translate.h"
#include "mmu/real_mode.h"
#include "processor/config/processor_options.h"
#include "processor/records/axd.h"
#include "processor/records/exception_record.h"
#include "processor/records/instruction_record.h"
#include "processor/regs/msr_rules.h"
#include "runtime/common.h"

namespace
{

constexpr uint64_t LPCR_LPES1 = 0x4;
constexpr uint64_t LPCR_RMLS_256M = 4ull << 26;

class Translate : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        ASSERT_TRUE(r.ok());
        iop = r.t->current_iop;
        saved_standalone = standalone_mode;
        standalone_mode = 0;
        option(PO_SUPPORTS_RMSC, 0);
        option(PO_SUPPORTS_WIMG_M_BIT, 0);
        option(PO_LPES_1_REMOVED, 0);
    }
    void TearDown() override
    {
        Discard_Instruction_Bound_Exceptions(iop, 0);
        standalone_mode = saved_standalone;
    }
    void option(uint32_t index, uint32_t value = 1) { r.core->options[index] = value; }
    int translate(uint64_t ea, int size, uint16_t kind = AXD_KIND_LOAD, int mode = 0)
    {
        Discard_Instruction_Bound_Exceptions(iop, 0);
        iop->row = nullptr;
        axd = INITIAL_AXD;
        axd.ea = axd.orig_ea = ea;
        axd.size = (int16_t)size;
        axd.kind = kind;
        axd.iop = iop;
        return PPC_MMU_AddressTranslate(mode, iop, &axd);
    }
    int32_t raised_subtype() const { return iop->exceptions ? iop->exceptions->subtype : 0; }

    RunMachine r;
    IOPDesc *iop = nullptr;
    AXD axd{};
    int saved_standalone = 0;
};

TEST_F(Translate, HypervisorRealMode)
{
    r.core->HRMOR.value = 0x40000000;
    ASSERT_EQ(translate(0x8000000000001000ull, 4), XLATE_OK);
    EXPECT_EQ(axd.pa, 0x1000u); // bit 63 set: no offset, whatever HRMOR holds
    EXPECT_EQ(axd.xlate_mode, 1);
    ASSERT_EQ(translate(0x1000, 4, AXD_KIND_FETCH), XLATE_OK);
    EXPECT_EQ(axd.pa, 0x40001000u);
}

TEST_F(Translate, PartitionRealModeLimitOffsetAndRefusals)
{
    r.t->MSR.value = MSR_SF; // HV 0
    r.core->RMOR.value = 0x20000000;
    r.t->LPCR.value = LPCR_LPES1 | LPCR_RMLS_256M;
    ASSERT_EQ(translate(0xFFFFFFF, 1), XLATE_OK);
    EXPECT_EQ(axd.pa, 0x2FFFFFFFu);

    struct Refused {
        const char *name;
        uint64_t lpcr, ea;
        uint16_t kind;
    };
    for (const Refused &c : {Refused{"at the limit", LPCR_LPES1 | LPCR_RMLS_256M, 0x10000000, AXD_KIND_LOAD},
                             Refused{"LPES1 clear", LPCR_RMLS_256M, 0, AXD_KIND_STORE},
                             Refused{"LPES1 clear, fetch", LPCR_RMLS_256M, 0x100, AXD_KIND_FETCH}}) {
        SCOPED_TRACE(c.name);
        r.t->LPCR.value = c.lpcr;
        EXPECT_EQ(translate(c.ea, 4, c.kind), XLATE_EXCEPTION);
        EXPECT_EQ(raised_subtype(), 239); // "DSI: Real-Mode Data Storage Protection Fault"
        EXPECT_EQ(translate(c.ea, 4, c.kind, XLATE_NOEXCEPTION), XLATE_EXCEPTION);
        EXPECT_EQ(iop->exceptions, nullptr);
    }
    // The processor without LPES1 never refuses for it.
    option(PO_LPES_1_REMOVED);
    r.t->LPCR.value = LPCR_RMLS_256M;
    EXPECT_EQ(translate(0x100, 4), XLATE_OK);
}

TEST_F(Translate, GuardedOutsideStandaloneWithoutStorageControl)
{
    ASSERT_EQ(translate(0x2000, 8), XLATE_OK);
    EXPECT_EQ(axd.wimg, AXD_WIMG_G);
    option(PO_SUPPORTS_WIMG_M_BIT);
    ASSERT_EQ(translate(0x2000, 8, AXD_KIND_FETCH), XLATE_OK);
    EXPECT_EQ(axd.wimg, AXD_WIMG_G | AXD_WIMG_M);
    standalone_mode = 1;
    ASSERT_EQ(translate(0x2000, 8), XLATE_OK);
    EXPECT_EQ(axd.wimg, AXD_WIMG_M);
}

TEST_F(Translate, RealModeStorageControl)
{
    constexpr uint64_t HID4_EN_RMSC = 0x40000000;
    constexpr uint64_t HID4_RMSC_256M = 1ull << 59; // applies from 2^28 up
    constexpr uint64_t LPCR_RMI = 0x2;
    option(PO_SUPPORTS_RMSC);
    option(PO_SUPPORTS_RMSC_FOR_IFETCH, 0);
    option(PO_RMSC_IFETCH_FORCES_G_0, 0);
    option(PO_GLENT_EN_RMSC_HV_CACHE_INHIB_LD_ST_G_1, 0);
    struct Case {
        const char *name;
        uint64_t msr, hid4, lpcr, ea;
        uint16_t kind;
        uint32_t wimg;
        uint8_t perm;
    };
    const uint64_t HV = 0x9000000000000000ull, HV_PR = HV | MSR_PR;
    for (const Case &c : {
             Case{"hypervisor load, RMSC on, RMI", HV, HID4_EN_RMSC, LPCR_RMI, 0x1000, AXD_KIND_LOAD, 0x5,
                  0xA},
             Case{"fetch: RMI only with the fetch option", HV, HID4_EN_RMSC, LPCR_RMI, 0x1000, AXD_KIND_FETCH,
                  0x1, 0xA},
             Case{"below the RMSC size: guarded, not inhibited", HV, HID4_RMSC_256M, LPCR_RMI, 0x1000,
                  AXD_KIND_LOAD, 0x1, 0xA},
             Case{"above the RMSC size", HV, HID4_RMSC_256M, LPCR_RMI, 0x10000000, AXD_KIND_STORE, 0x5, 0xA},
             Case{"problem state within the limit", HV_PR, HID4_EN_RMSC, LPCR_LPES1 | LPCR_RMLS_256M, 0x1000,
                  AXD_KIND_LOAD, 0x1, 0x6},
         }) {
        SCOPED_TRACE(c.name);
        r.t->MSR.value = c.msr;
        r.core->HID4.value = c.hid4;
        r.t->LPCR.value = c.lpcr;
        ASSERT_EQ(translate(c.ea, 4, c.kind), XLATE_OK);
        EXPECT_EQ(axd.wimg, c.wimg);
        EXPECT_EQ(axd.perm, c.perm);
    }
    // Problem state without LPES1 gets Kp with PP 00: the page protection refuses the load.
    r.t->MSR.value = HV_PR;
    r.t->LPCR.value = LPCR_RMLS_256M;
    EXPECT_EQ(translate(0x1000, 4), XLATE_EXCEPTION);
    EXPECT_EQ(axd.perm, 0x4);
    EXPECT_EQ(raised_subtype(), 234); // "DSI: Storage Protection Fault"
    option(PO_RMSC_IFETCH_FORCES_G_0);
    r.t->MSR.value = HV;
    r.core->HID4.value = HID4_EN_RMSC;
    ASSERT_EQ(translate(0x1000, 4, AXD_KIND_FETCH), XLATE_OK);
    EXPECT_EQ(axd.wimg, 0u);
}

TEST_F(Translate, PageCrossing)
{
    option(PO_POWERPC_V2);
    option(PO_PAGE_CROSS_ALIGNMENT, 0);
    ASSERT_EQ(translate(0xFFC, 8), XLATE_CROSSES_PAGE);
    EXPECT_EQ(axd.pa, 0xFFCu); // the descriptor describes the first page
    EXPECT_EQ(axd.size, 8);
    EXPECT_EQ(axd.crosses, 1);
    EXPECT_EQ(iop->second_page_pa, 0x1000u);
    EXPECT_EQ(translate(0xFF8, 8), XLATE_OK);

    // 32-bit mode: the access wraps past 4 GB.
    r.t->MSR.value &= ~MSR_SF;
    ASSERT_EQ(translate(0xFFFFFFFEull, 4), XLATE_CROSSES_PAGE);
    EXPECT_EQ(axd.crosses, 1);
    r.t->MSR.value |= MSR_SF;

    option(PO_PAGE_CROSS_ALIGNMENT);
    EXPECT_EQ(translate(0xFFC, 8), XLATE_EXCEPTION);
    EXPECT_EQ(raised_subtype(), 15); // "ALIGNMENT: crosses page boundary"
    option(PO_PAGE_CROSS_ALIGNMENT, 0);

    // Without the second-page rule a crossing is an alignment interrupt at the second page.
    option(PO_POWERPC_V2, 0);
    EXPECT_EQ(translate(0xFFC, 8), XLATE_EXCEPTION);
    EXPECT_EQ(raised_subtype(), 15);
    ASSERT_NE(iop->exceptions, nullptr);
    EXPECT_EQ(iop->exceptions->address, 0x1000u);
}

TEST_F(Translate, PendingExceptionFailsASuccessfulTranslation)
{
    ASSERT_EQ(translate(0x10000000, 4, AXD_KIND_STORE), XLATE_OK);
    r.t->MSR.value = MSR_SF;
    r.t->LPCR.value = 0;
    ASSERT_EQ(translate(0x100, 4), XLATE_EXCEPTION);
    r.t->MSR.value = 0x9000000000000000ull;
    axd = INITIAL_AXD; // the exception stays on the record
    axd.ea = axd.orig_ea = 0x200;
    axd.size = 4;
    axd.iop = iop;
    EXPECT_EQ(PPC_MMU_AddressTranslate(0, iop, &axd), XLATE_EXCEPTION);
    EXPECT_EQ(axd.pa, 0x200u);
}

TEST_F(Translate, RealModeLimitTable)
{
    const uint64_t limits[16] = {0x4000000000, 0x400000000, 0x40000000, 0x4000000, 0x10000000, 0x1000000,
                                 0x800000,     0x8000000,   0x2000000,  0x400000,  0x200000,   0x100000,
                                 0x100000,     0x100000,    0x100000,   0x100000};
    for (uint64_t rmls = 0; rmls < 16; rmls++) {
        r.t->LPCR.value = rmls << 26;
        EXPECT_EQ(Get_RMLR(iop), limits[rmls]) << rmls;
    }
}

} // namespace

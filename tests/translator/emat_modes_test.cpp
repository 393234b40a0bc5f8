// Translation modes of a thread's addressing state, their address-map key masks, and the choice of
// the current address map.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cerrno>
#include <string>

#include "exec/run_machine.h"
#include "processor/config/processor_options.h"
#include "processor/regs/msr_rules.h"
#include "runtime/stop.h"
#include "support/sink_capture.h"
#include "translator/current_emat.h"
#include "translator/emat.h"
#include "translator/emat_modes.h"

namespace
{

class EmatModes : public ::testing::Test
{
  public:
    EmatModes() { t = r.t; }
    void state(uint64_t msr, uint64_t lpcr = 0, uint64_t hrmor = 0, uint64_t rmor = 0,
               uint32_t lpes1_removed = 0)
    {
        t->MSR.value = msr;
        t->LPCR.value = lpcr;
        r.core->HRMOR.value = hrmor;
        r.core->RMOR.value = rmor;
        r.core->options[PO_LPES_1_REMOVED] = lpes1_removed;
    }
    RunMachine r;
    ThreadState *t = nullptr;
};

TEST_F(EmatModes, TheAddressingStateSelectsTheMode)
{
    struct Case {
        const char *what;
        uint64_t msr, lpcr, hrmor, rmor;
        uint32_t lpes1_removed;
        int fetch, data;
    };
    const uint64_t HV = MSR_SF | MSR_HV, OS = MSR_SF;
    const Case cases[] = {
        {"relocation on", HV | MSR_IR | MSR_DR, 0, 0x1000000, 0, 0, XMODE_EMAT, XMODE_EMAT},
        {"fetch relocated, data real", HV | MSR_IR, 0, 0, 0, 0, XMODE_EMAT, XMODE_HRMOR0},
        {"hypervisor real, HRMOR 0", HV, 0, 0, 0, 0, XMODE_HRMOR0, XMODE_HRMOR0},
        {"hypervisor real with HRMOR", HV, 0, 0x1000000, 0, 0, XMODE_EA0, XMODE_EA0},
        {"supervisor real, LPES1 clear", OS, 0, 0, 0x2000000, 0, XMODE_INVALID, XMODE_INVALID},
        {"supervisor real, LPES1 removed", OS, 0, 0, 0, 1, XMODE_RMOR0, XMODE_RMOR0},
        {"supervisor real, LPES1 set", OS, LPCR_LPES1_BIT, 0, 0, 0, XMODE_RMOR0, XMODE_RMOR0},
        {"supervisor real with RMOR", OS, LPCR_LPES1_BIT, 0, 0x2000000, 0, XMODE_RMOR, XMODE_RMOR},
        {"virtual real mode", OS, LPCR_LPES1_BIT | LPCR_VPM0, 0, 0x2000000, 0, XMODE_VRM, XMODE_VRM},
        {"virtual real mode, LPES1 removed", OS, LPCR_VPM0, 0, 0, 1, XMODE_VRM, XMODE_VRM},
    };
    for (const Case &c : cases) {
        state(c.msr, c.lpcr, c.hrmor, c.rmor, c.lpes1_removed);
        EXPECT_EQ(EMAT_XLATE_MODE(t, 1), c.fetch) << c.what;
        EXPECT_EQ(EMAT_XLATE_MODE(t, 0), c.data) << c.what;
    }
}

TEST_F(EmatModes, MasksTurnAddressesIntoKeys)
{
    state(MSR_SF | MSR_HV, 0, 0x1000000, 0x2000000);
    const uint64_t real = t->processor->real_mode_mask;
    auto key = [&](int mode, uint64_t ea) {
        uint64_t mask = 0, base = 0;
        EMAT_COMPUTE_MASKS(t, mode, &mask, &base);
        return (ea & mask) | base;
    };
    EXPECT_EQ(key(XMODE_EA0, 0x2000), (0x1002000 & real));
    EXPECT_EQ(key(XMODE_HRMOR0, 0xF000000000002000ull), 0x2000 & real);
    EXPECT_EQ(key(XMODE_RMOR, 0x2000), 0x2002000 & real);
    EXPECT_EQ(key(XMODE_RMOR0, 0x2000), 0x2000 & real);
    EXPECT_EQ(key(XMODE_PA, 0xF000000000002000ull), 0xF000000000002000ull & real);
    EXPECT_EQ(key(XMODE_INVALID, 0xF000000000002000ull), 0xF000000000002000ull & real);
    EXPECT_EQ(key(XMODE_VRM, 0xFFFF123456789000ull), 0x123456789000ull & 0xFFFFFFFFFFull);
    EXPECT_EQ(key(XMODE_EMAT, 0xFFFF123456789000ull), 0xFFFF123456789000ull);

    uint64_t mask = 5, base = 6;
    {
        SinkCapture sink;
        EMAT_COMPUTE_MASKS(t, 9, &mask, &base);
        EXPECT_EQ(sink.text(), "FATAL ERROR: unknown xmode, ?(9)\n");
    }
    Start_The_Simulation();
    EXPECT_EQ(mask, 5u);
    EXPECT_EQ(base, 6u);

    const char *names[] = {"PA", "EA0", "HRMOR0", "RMOR", "RMOR0", "INVALID", "VRM", "EMAT"};
    for (int mode = 0; mode < 8; mode++)
        EXPECT_STREQ(EMAT_XLATE_NAME(mode), names[mode]);
    EXPECT_STREQ(EMAT_XLATE_NAME(8), "?");
    EXPECT_STREQ(EMAT_XLATE_NAME(-1), "?");
}

TEST_F(EmatModes, TheCurrentMapFollowsTheMsrAndIsMadeOnce)
{
    struct Case {
        const char *what;
        uint64_t msr, lpcr;
        int fetch;
        int32_t kind;
        const char *name;
    };
    const Case cases[] = {
        {"problem state wins over HV, relocated", MSR_HV | MSR_PR | MSR_IR, 0, 1, EMAT_USER_XLATE,
         "user_xlate"},
        {"problem state, real", MSR_HV | MSR_PR | MSR_IR, 0, 0, EMAT_USER_REAL, "user_real"},
        {"hypervisor, relocated data", MSR_HV | MSR_DR, 0, 0, EMAT_HYPER_XLATE, "hyper_xlate"},
        {"hypervisor, real fetch", MSR_HV | MSR_DR, 0, 1, EMAT_HYPER_REAL, "hyper_real"},
        {"supervisor, relocated", MSR_IR, 0, 1, EMAT_SUPER_XLATE, "super_xlate"},
        {"supervisor, real", MSR_IR, 0, 0, EMAT_SUPER_REAL, "super_real"},
        {"supervisor, real, VPM0", MSR_IR, LPCR_VPM0, 0, EMAT_SUPER_REAL_VRM, "super_real"},
    };
    for (const Case &c : cases) {
        t->LPCR.value = c.lpcr;
        emat_s *map = GET_CURRENT_EMAT(t, MSR_SF | c.msr, c.fetch);
        ASSERT_NE(map, nullptr) << c.what;
        EXPECT_EQ(map->kind, c.kind) << c.what;
        EXPECT_EQ(t->emat[c.kind], map) << c.what;
        EXPECT_STREQ(emat_name(map), c.name) << c.what;
        EXPECT_NE(map->top, nullptr) << c.what;
        EXPECT_EQ(GET_CURRENT_EMAT(t, MSR_SF | c.msr, c.fetch), map) << c.what;
    }
    EXPECT_NE(t->emat[EMAT_SUPER_REAL], t->emat[EMAT_SUPER_REAL_VRM]);
    EXPECT_EQ(emat_num(t->emat[EMAT_SUPER_REAL]), 0);
    EXPECT_EQ(emat_num(t->emat[EMAT_SUPER_REAL_VRM]), 1);

    // Every map is on the process list until it is freed; a cleared map is prepared again.
    emat_s *map = t->emat[EMAT_USER_REAL];
    bool listed = false;
    for (emat_s *m = all_emats; m; m = m->next)
        listed |= m == map;
    EXPECT_TRUE(listed);
    emat_clear(map);
    EXPECT_EQ(map->top, nullptr);
    emat_prep(map);
    EXPECT_NE(map->top, nullptr);
    t->emat[EMAT_USER_REAL] = nullptr;
    emat_free(map);
    for (emat_s *m = all_emats; m; m = m->next)
        EXPECT_NE(m, map);
    emat_free(nullptr);
}

TEST(EmatBias, TheBiasRegionIsMadeOnceAndInaccessible)
{
    void *bias = EMAT_GET_BIAS();
    ASSERT_NE(bias, nullptr);
    EXPECT_EQ(EMAT_GET_BIAS(), bias);
    // The kernel refuses to read from it (a write from it fails with EFAULT instead of faulting).
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    for (size_t offset : {(size_t)0, (size_t)EMAT_BIAS_SIZE - 1}) {
        errno = 0;
        EXPECT_EQ(write(fds[1], static_cast<char *>(bias) + offset, 1), -1);
        EXPECT_EQ(errno, EFAULT);
    }
    close(fds[0]);
    close(fds[1]);
}

} // namespace

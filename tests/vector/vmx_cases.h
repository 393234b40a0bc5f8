// A table runner for the VMX integer tests: each case runs one instruction on VA = v1, VB = v2
// and (three-source forms) VC = v3 into v4, and checks VT and whether VSCR[SAT] was set.
#pragma once

#include <cstring>

#include "vec_fixture.h"
#include "vector/vmx_frame.h"

namespace vec_test
{

struct VmxCase {
    const char *mnemonic;
    Vec128 a, b, c;
    Vec128 t;
    bool saturates;
};

inline Vec128 dwords(uint64_t d0, uint64_t d1)
{
    return Vec128{d1, d0};
}

// The VA-form rows, whose bits 21-25 name VC.
inline bool va_form(const char *m)
{
    for (const char *name :
         {"vperm", "vpermxor", "vsel", "vmhaddshs", "vmhraddshs", "vmladduhm", "vmsumubm", "vmsummbm",
          "vmsumuhm", "vmsumshm", "vmsumuhs", "vmsumshs", "vaddeuqm", "vaddecuq", "vsubeuqm", "vsubecuq"})
        if (strcmp(m, name) == 0) return true;
    return false;
}

class VmxTest : public VecTest
{
  protected:
    VmxTest()
    {
        ew.t->SIM_CTRL1.value = 0x4600000000000000;
        ew.t->SIM_CTRL.value = 0;
    }

    // Runs the case; returns the routine's result.
    int run_case(const VmxCase &c)
    {
        set_vr(1, c.a);
        set_vr(2, c.b);
        set_vr(3, c.c);
        uint32_t word = VX(c.mnemonic, 4, 1, 2);
        if (va_form(c.mnemonic)) word |= 3u << 6;
        return run(word);
    }

    void check_table(const VmxCase *cases, size_t n)
    {
        for (size_t i = 0; i < n; i++) {
            const VmxCase &c = cases[i];
            ew.t->VSCR.value = 0x10000;
            ew.t->VSCR_CHANGE.value = 0;
            ASSERT_EQ(run_case(c), 1) << c.mnemonic << " case " << i;
            EXPECT_EQ(vr(4), c.t) << c.mnemonic << " case " << i;
            EXPECT_EQ(vscr(), c.saturates ? 0x10001u : 0x10000u) << c.mnemonic << " case " << i;
            EXPECT_EQ(vscr_change(), c.saturates ? 1u : 0u) << c.mnemonic << " case " << i;
        }
    }
};

} // namespace vec_test

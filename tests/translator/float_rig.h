// A page rig for floating-point and vector words: the VSRs, FPSCR, CR and VSCR as one state, run
// once by the one-instruction interpreter and once as translated code (with the pending FPRF record
// applied at the end of the run, as turbo_go does), and one data page for the loads and stores.
#pragma once

#include <cstring>

#include "fp/fp160.h"
#include "processor/regs/reg_accessors.h"
#include "translator/page_rig.h"

struct FloatState {
    uint64_t vsr[64][2]; // [n][0] doubleword 1, [n][1] doubleword 0 (the FPR)
    uint64_t gpr[32];
    uint32_t fpscr;
    uint32_t cr;
    uint32_t vscr;
    uint64_t msr;
    uint8_t data[64]; // the start of the data page
};

class FloatRig : public PageRig
{
  public:
    static constexpr uint64_t DATA_PA = 0x20000;
    static constexpr uint64_t MSR_FP_VEC_VSX = 0x2000 | 0x2000000 | 0x800000;

    FloatRig()
    {
        t->MSR.value |= MSR_FP_VEC_VSX;
        install(DATA_PA, AXD_KIND_STORE);
    }
    uint8_t *data() { return Resolve_Mapped_Memory(t->memory_client, DATA_PA); }
    uint64_t &fpr(int n) { return t->VSR[n].value[1]; }

    FloatState capture()
    {
        FloatState s{};
        for (int i = 0; i < 64; i++) {
            s.vsr[i][0] = t->VSR[i].value[0];
            s.vsr[i][1] = t->VSR[i].value[1];
        }
        for (int i = 0; i < 32; i++)
            s.gpr[i] = t->GPR[i].value;
        s.fpscr = (uint32_t)t->FPSCR.value;
        s.cr = tRAW_GET_CR(t);
        s.vscr = (uint32_t)t->VSCR.value;
        s.msr = t->MSR.value;
        memcpy(s.data, data(), sizeof s.data);
        return s;
    }
    void restore(const FloatState &s)
    {
        for (int i = 0; i < 64; i++) {
            t->VSR[i].value[0] = s.vsr[i][0];
            t->VSR[i].value[1] = s.vsr[i][1];
        }
        for (int i = 0; i < 32; i++)
            t->GPR[i].value = s.gpr[i];
        t->FPSCR.value = s.fpscr;
        tCOOKED_SET_CR(t, s.cr, 0);
        t->VSCR.value = s.vscr;
        t->MSR.value = s.msr; // an interrupt the interpreter took changed it
        memcpy(data(), s.data, sizeof s.data);
    }
    // The interpreter's result of one word.
    FloatState interpret(uint32_t w, const FloatState &from)
    {
        word(0, w);
        restore(from);
        t->PC.value = PAGE_PA;
        r.m.machine->mode = MODE_SIMPLE;
        r.run(1);
        r.m.machine->mode = MODE_TURBO;
        return capture();
    }
    // Runs the words as one translated pass from the state; true when all of them completed (else
    // the exit reason is in t->turbo.reason).
    bool translate(std::initializer_list<uint32_t> words, const FloatState &from, FloatState *result)
    {
        frame_drop_xlate(&frame);
        int n = 0;
        for (uint32_t w : words)
            word(n++, w);
        word(n, 0);
        restore(from);
        t->turbo.pending_fprf_register = -1;
        t->turbo.pending_fpcc_field = -1;
        enter(0, 100);
        turbo_update_FPSCR(t, 0, 0, 0);
        *result = capture();
        return t->turbo.pc == pc_of(n);
    }
    bool translate(uint32_t w, const FloatState &from, FloatState *result) { return translate({w}, from, result); }
};

namespace fpw
{
// A-form (primary 63, or 59 for the single kinds) and X-form words of the FP unit.
constexpr uint32_t a(int op, int xo, int frt, int fra, int frb, int frc)
{
    return (uint32_t)op << 26 | (uint32_t)frt << 21 | (uint32_t)fra << 16 | (uint32_t)frb << 11 |
           (uint32_t)frc << 6 | (uint32_t)xo << 1;
}
constexpr uint32_t x(int xo, int frt, int fra, int frb)
{
    return 63u << 26 | (uint32_t)frt << 21 | (uint32_t)fra << 16 | (uint32_t)frb << 11 | (uint32_t)xo << 1;
}
constexpr uint32_t fadd(int t, int a_, int b) { return a(63, 21, t, a_, b, 0); }
constexpr uint32_t fadds(int t, int a_, int b) { return a(59, 21, t, a_, b, 0); }
constexpr uint32_t fsub(int t, int a_, int b) { return a(63, 20, t, a_, b, 0); }
constexpr uint32_t fmul(int t, int a_, int c) { return a(63, 25, t, a_, 0, c); }
constexpr uint32_t fdiv(int t, int a_, int b) { return a(63, 18, t, a_, b, 0); }
constexpr uint32_t fsel(int t, int a_, int b, int c) { return a(63, 23, t, a_, b, c); }
constexpr uint32_t fmadd(int t, int a_, int b, int c) { return a(63, 29, t, a_, b, c); }
constexpr uint32_t fnmsub(int t, int a_, int b, int c) { return a(63, 30, t, a_, b, c); }
constexpr uint32_t fmr(int t, int b) { return x(72, t, 0, b); }
constexpr uint32_t fneg(int t, int b) { return x(40, t, 0, b); }
constexpr uint32_t fctiwz(int t, int b) { return x(15, t, 0, b); }
constexpr uint32_t fctidz(int t, int b) { return x(815, t, 0, b); }
constexpr uint32_t fcmpu(int bf, int a_, int b) { return x(0, bf << 2, a_, b); }
constexpr uint32_t mffs(int t) { return x(583, t, 0, 0); }
constexpr uint32_t lfd(int t, int ra, int d) { return ppc::dform(50, t, ra, d); }
constexpr uint32_t lfs(int t, int ra, int d) { return ppc::dform(48, t, ra, d); }
constexpr uint32_t stfs(int t, int ra, int d) { return ppc::dform(52, t, ra, d); }
} // namespace fpw

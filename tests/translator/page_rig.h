// A one-thread machine in TURBO mode and one guest page of big-endian words at guest physical
// PAGE_PA whose translation turbo_go finds through its lookup seam: tests write words, enter the
// translation directly (enter) or through turbo_go inside a kernel job (go).
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "exec/run_machine.h"
#include "kernel/job.h"
#include "kernel/tsim.h"
#include "memory/memory_bus.h"
#include "memory/memory_map.h"
#include "processor/records/axd.h"
#include "processor/records/mcm.h"
#include "processor/regs/msr_rules.h"
#include "processor/run/modes.h"
#include "runtime/stop.h"
#include "translator/crack.h"
#include "translator/current_emat.h"
#include "translator/emat.h"
#include "translator/frame.h"
#include "translator/jit_stubs.h"
#include "translator/page_tables.h"
#include "translator/run_boundary.h"
#include "translator/turbo_go.h"
#include "translator/turbo_reason.h"
#include "translator/xframe.h"

class PageRig : public ::testing::Test
{
  public:
    static constexpr uint64_t PAGE_PA = 0x10000;

    PageRig() : t(prepare()), page(Resolve_Mapped_Memory(t->memory_client, PAGE_PA)), frame(*install(PAGE_PA))
    {
        frame_drop_xlate(&frame); // translated afresh from what the test writes
        t->PC.value = PAGE_PA;
    }
    ~PageRig() override { Start_The_Simulation(); }

    ThreadState *prepare()
    {
        crack_init();
        jit_init(1);
        r.m.machine->mode = MODE_TURBO;
        r.m.machine->turbo_minimum = 20;
        r.m.machine->turbo_noop_delay = 1000;
        r.core->x_cpuState = CPU_RUNNING;
        r.t->x_smt_enable = 1;
        r.t->manual_disable = 0;
        return r.t;
    }

    // Installs the real-mode page at the physical address in the thread's current map for the access
    // kind (a fetch installation translates the page); the page's frame.
    frame_s *install(uint64_t pa, uint16_t kind = AXD_KIND_FETCH)
    {
        AXD axd = INITIAL_AXD;
        axd.kind = kind;
        axd.xlate_mode = 1;
        axd.ea = axd.xlate_ea = axd.pa = pa;
        axd.size = 4;
        axd.le = frame_le;
        emat_add(GET_CURRENT_EMAT(t, t->MSR.value, kind == AXD_KIND_FETCH), t, &axd);
        uint8_t *host = Resolve_Mapped_Memory(t->memory_client, pa & ~0xFFFull);
        return ipt_lookup(chip_table(), reinterpret_cast<uint64_t>(host), 0, 0, nullptr);
    }

    // The chip's translated-page table.
    ipt *chip_table() { return r.t->mcm->mbus->memory_map->page_table; }

    // Guest word w at slot (stored big-endian, or as is in a little-endian frame).
    void word(int slot, uint32_t w)
    {
        uint32_t stored = frame.little_endian ? w : __builtin_bswap32(w);
        memcpy(page + 4 * slot, &stored, 4);
    }
    uint64_t host_of(int slot) const { return frame.host + 4ull * (uint64_t)slot; }
    uint64_t pc_of(int slot) const { return PAGE_PA + 4ull * (uint64_t)slot; }
    xframe *translation() { return frame_xlate(&frame, (t->MSR.value & MSR_SF) ? 1 : 0); }

    // Enters the translation at slot with the budget, outside turbo_go (but inside a kernel job, as
    // translated code always runs, so that host faults reach the fault hook); returns what was left.
    uint32_t enter(int slot, uint32_t budget)
    {
        uint32_t left = budget;
        in_job([&] {
            const uint64_t msr = t->MSR.value;
            emat_s *data = GET_CURRENT_EMAT(t, msr, 0);
            emat_s *fetch = GET_CURRENT_EMAT(t, msr, 1);
            turbo_update_xlate(t);
            xframe *x = translation();
            EXPECT_NE(x, nullptr);
            if (!x) return;
            t->turbo.pc = pc_of(slot);
            t->turbo.reason = -1;
            jit_before(t, x);
            old_sig11_handler = tsim_set_handler(turbo_handler);
            turbo_running_thread = t;
            left = xframe_entry(x, t, pc_of(slot), budget, data, EMAT_GET_BIAS(), fetch);
            tsim_set_handler(old_sig11_handler);
            turbo_running_thread = nullptr;
            left = jit_after(t, left);
        });
        return left;
    }

    // turbo_go inside a job of a kernel of its own; the ticks that passed are in `ticks`. A stop
    // raised meanwhile returns the kernel early: it is kept in `stopped` and the run resumed.
    uint32_t go(uint32_t budget)
    {
        uint32_t result = 0;
        in_job([&] { result = turbo_go(t, budget); });
        return result;
    }

    // Runs the body in a job of a kernel of its own.
    template <typename Body> void in_job(Body body)
    {
        struct Call {
            Body *body;
            bool done;
        } call{&body, false};
        tsim_s *tsim = tsim_new("page-test");
        job_new(
            tsim, "turbo",
            [](void *a) {
                auto *c = static_cast<Call *>(a);
                (*c->body)();
                c->done = true;
            },
            &call);
        stopped = 0;
        while (!call.done) {
            tsim_run(tsim, &stop_simulation);
            stopped |= stop_simulation;
            Start_The_Simulation();
        }
        ticks = tsim->now;
        tsim_free(tsim);
    }

    RunMachine r;
    int frame_le = 0;
    ThreadState *t = nullptr;
    uint8_t *page = nullptr;
    frame_s &frame;
    uint64_t ticks = 0;
    uint32_t stopped = 0; // stop causes raised during go
};

// Instruction words.
namespace ppc
{
constexpr uint32_t oris(int ra, int rs, uint32_t ui)
{
    return 25u << 26 | (uint32_t)rs << 21 | (uint32_t)ra << 16 | (ui & 0xFFFF);
}
constexpr uint32_t ori(int ra, int rs, uint32_t ui)
{
    return 24u << 26 | (uint32_t)rs << 21 | (uint32_t)ra << 16 | (ui & 0xFFFF);
}
constexpr uint32_t addis(int rt, int ra, int32_t si)
{
    return 15u << 26 | (uint32_t)rt << 21 | (uint32_t)ra << 16 | ((uint32_t)si & 0xFFFF);
}
constexpr uint32_t b(int32_t li, bool aa = false, bool lk = false)
{
    return 18u << 26 | ((uint32_t)li & 0x03FFFFFC) | (aa ? 2u : 0u) | (lk ? 1u : 0u);
}
constexpr uint32_t bc(int bo, int bi, int32_t bd, bool aa = false, bool lk = false)
{
    return 16u << 26 | (uint32_t)bo << 21 | (uint32_t)bi << 16 | ((uint32_t)bd & 0xFFFC) | (aa ? 2u : 0u) |
           (lk ? 1u : 0u);
}
constexpr uint32_t bclr(int bo, int bi, bool lk = false)
{
    return 19u << 26 | (uint32_t)bo << 21 | (uint32_t)bi << 16 | 16u << 1 | (lk ? 1u : 0u);
}
constexpr uint32_t bcctr(int bo, int bi, bool lk = false)
{
    return 19u << 26 | (uint32_t)bo << 21 | (uint32_t)bi << 16 | 528u << 1 | (lk ? 1u : 0u);
}
constexpr uint32_t xori(int ra, int rs, uint32_t ui)
{
    return 26u << 26 | (uint32_t)rs << 21 | (uint32_t)ra << 16 | (ui & 0xFFFF);
}
constexpr uint32_t or_(int ra, int rs, int rb)
{
    return 31u << 26 | (uint32_t)rs << 21 | (uint32_t)ra << 16 | (uint32_t)rb << 11 | 444u << 1;
}
constexpr uint32_t dform(int op, int rt, int ra, int32_t d)
{
    return (uint32_t)op << 26 | (uint32_t)rt << 21 | (uint32_t)ra << 16 | ((uint32_t)d & 0xFFFF);
}
constexpr uint32_t xform(int rt, int ra, int rb, int xo)
{
    return 31u << 26 | (uint32_t)rt << 21 | (uint32_t)ra << 16 | (uint32_t)rb << 11 | (uint32_t)xo << 1;
}
constexpr uint32_t lwz(int rt, int ra, int32_t d)
{
    return dform(32, rt, ra, d);
}
constexpr uint32_t lbz(int rt, int ra, int32_t d)
{
    return dform(34, rt, ra, d);
}
constexpr uint32_t stw(int rs, int ra, int32_t d)
{
    return dform(36, rs, ra, d);
}
constexpr uint32_t ld(int rt, int ra, int32_t ds)
{
    return dform(58, rt, ra, ds & ~3);
}
constexpr uint32_t std_(int rs, int ra, int32_t ds)
{
    return dform(62, rs, ra, ds & ~3);
}
constexpr uint32_t lwzx(int rt, int ra, int rb)
{
    return xform(rt, ra, rb, 23);
}
constexpr uint32_t SUPPORT = 0x000006B0;
constexpr uint32_t NOP = 0x60000000;
} // namespace ppc

// Triggers in translated code: PC-trigger guards and exits, the system-call exit, the memory-trigger
// routines (the 16-byte window, real and effective phases, the dense-span rule) and when they are
// made and chosen.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "exec/memory_triggers.h"
#include "exec/pc_triggers.h"
#include "processor/regs/reg_triggers.h"
#include "runtime/alloc.h"
#include "translator/jit_stubs.h"
#include "translator/page_rig.h"
#include "translator/tt_triggers.h"
#include "translator/x86/memory_access.h"

namespace
{

using namespace ppc;

class TranslatedTriggers : public PageRig
{
  public:
    static constexpr uint64_t DATA_PA = 0x20000;

    ~TranslatedTriggers() override
    {
        Trigger_Memory__Free_All(r.m.machine->trigger_table);
        Trigger_PC__Clear_All(r.m.machine);
        Trigger_RealPC__Clear_All(r.m.machine);
    }
    void watch(uint64_t start, uint64_t end, int effective, uint32_t kinds)
    {
        ASSERT_NE(Trigger_Memory__Add(r.m.machine, start, end, effective, kinds, 0, nullptr, nullptr),
                  nullptr);
    }
    // enter() on a frame installed after the rig's own was dropped.
    uint32_t enter_frame(frame_s *f, int slot, uint32_t budget)
    {
        uint32_t left = budget;
        EXPECT_NE(f, nullptr);
        if (!f) return left;
        in_job([&] {
            emat_s *data = GET_CURRENT_EMAT(t, t->MSR.value, 0);
            emat_s *fetch = GET_CURRENT_EMAT(t, t->MSR.value, 1);
            turbo_update_xlate(t);
            xframe *x = frame_xlate(f, 1);
            ASSERT_NE(x, nullptr);
            t->turbo.pc = pc_of(slot);
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
    // How many range tests gen_memtrigger_tests emits for the phase and reason: each ends in a jump
    // to the trigger stub, whose address appears once per test.
    int range_tests(int phase, int reason)
    {
        EXPECT_EQ(tt_has_memtriggers(t->mcm), 1);
        tt_handle_memtriggers(t->mcm);
        std::vector<uint8_t> code(4096);
        sink s;
        sink_init(&s, code.data(), code.size());
        gen_memtrigger_tests(&s, 0, phase, 1, reason);
        const uint64_t stub = phase ? ea_memtrigger_stub : pa_memtrigger_stub;
        int n = 0;
        for (size_t i = 0; i + 8 <= code.size() - s.remaining; i++)
            if (memcmp(&code[i], &stub, 8) == 0) n++;
        return n;
    }
};

TEST_F(TranslatedTriggers, TheSixteenByteWindowOfAnAccessDecidesTheExit)
{
    install(DATA_PA, AXD_KIND_LOAD);
    install(DATA_PA + 0x1000, AXD_KIND_LOAD);
    install(DATA_PA, AXD_KIND_STORE);
    word(0, lwz(3, 4, 0)); // each followed by a zero word, which leaves "unknown"
    word(2, ld(3, 4, 0));
    word(4, stw(5, 4, 0));
    struct Case {
        int slot;
        uint64_t start, end, address;
        int effective;
        uint32_t kinds;
        int32_t reason;
    };
    const uint64_t S = DATA_PA + 0x800;
    const Case cases[] = {
        {0, S, S + 3, S - 15, 1, MEMORY_TRIGGER_READ, EXIT_EA_MEMTRIGGER},
        {0, S, S + 3, S - 16, 1, MEMORY_TRIGGER_READ, EXIT_UNKNOWN},
        {0, S, S + 3, S + 4, 1, MEMORY_TRIGGER_READ, EXIT_UNKNOWN},
        {0, S, S + 3, S - 15, 0, MEMORY_TRIGGER_READ, EXIT_PA_MEMTRIGGER},
        {0, S, S + 3, S - 16, 0, MEMORY_TRIGGER_READ, EXIT_UNKNOWN},
        // [0x1000, 0x1FFF] of the page pair: 8 bytes at 0xFF8 reach it, at 0xFF0 they do not.
        {2, DATA_PA + 0x1000, DATA_PA + 0x1FFF, DATA_PA + 0xFF8, 1, MEMORY_TRIGGER_READ, EXIT_EA_MEMTRIGGER},
        {2, DATA_PA + 0x1000, DATA_PA + 0x1FFF, DATA_PA + 0xFF0, 1, MEMORY_TRIGGER_READ, EXIT_UNKNOWN},
        // Loads do not see write triggers, stores do not see read triggers.
        {0, S, S + 3, S, 1, MEMORY_TRIGGER_WRITE, EXIT_UNKNOWN},
        {4, S, S + 3, S, 1, MEMORY_TRIGGER_WRITE, EXIT_EA_MEMTRIGGER},
        {4, S, S + 3, S, 0, MEMORY_TRIGGER_WRITE, EXIT_PA_MEMTRIGGER},
        {4, S, S + 3, S, 1, MEMORY_TRIGGER_READ, EXIT_UNKNOWN},
    };
    for (const Case &c : cases) {
        watch(c.start, c.end, c.effective, c.kinds);
        t->GPR[4].value = c.address;
        t->GPR[5].value = 0x77;
        const uint32_t left = enter(c.slot, 100);
        EXPECT_EQ(t->turbo.reason, c.reason) << "slot " << c.slot << " at " << std::hex << c.address;
        if (c.reason != EXIT_UNKNOWN) {
            EXPECT_EQ(left, 100u) << "the instruction is undone for the interpreter";
            EXPECT_EQ(t->turbo.pc, pc_of(c.slot));
        }
        Trigger_Memory__Free_All(r.m.machine->trigger_table);
    }
    // The stores that left were not made; the last one, without a write trigger, was.
    EXPECT_EQ(r.read(S, 4), 0x77u);
}

TEST_F(TranslatedTriggers, DenseSpansCollapseIntoOneTest)
{
    watch(0x1000, 0x10FF, 1, MEMORY_TRIGGER_READ);
    watch(0x1180, 0x11FF, 1, MEMORY_TRIGGER_READ);
    EXPECT_EQ(range_tests(1, EXIT_READ), 1); // a 128-byte gap
    EXPECT_EQ(range_tests(0, EXIT_READ), 0); // no real-address trigger
    EXPECT_EQ(range_tests(1, EXIT_WRITE), 0);
    EXPECT_EQ(range_tests(1, EXIT_FETCH), 0);
    Trigger_Memory__Free_All(r.m.machine->trigger_table);

    watch(0x1000, 0x10FF, 1, MEMORY_TRIGGER_READ);
    watch(0x1181, 0x11FF, 1, MEMORY_TRIGGER_READ);
    EXPECT_EQ(range_tests(1, EXIT_READ), 2); // 129 bytes
    EXPECT_EQ(tt_mtrig_span_is_dense(1, 1, 0x1000, 0x11FF), 0);
    Trigger_Memory__Free_All(r.m.machine->trigger_table);

    // Overlapping ranges count their bytes once; one trigger spanning it all is dense at once.
    watch(0x0, 0x1FF, 1, MEMORY_TRIGGER_WRITE);
    watch(0x100, 0x2FF, 1, MEMORY_TRIGGER_WRITE);
    watch(0x380, 0x3FF, 1, MEMORY_TRIGGER_WRITE);
    EXPECT_EQ(range_tests(1, EXIT_WRITE), 1);
    watch(0x500, 0x5FF, 1, MEMORY_TRIGGER_WRITE);
    EXPECT_EQ(range_tests(1, EXIT_WRITE), 4);
    watch(0x0, 0x5FF, 1, MEMORY_TRIGGER_WRITE);
    EXPECT_EQ(range_tests(1, EXIT_WRITE), 1);
    // Disabled triggers take no part.
    EXPECT_EQ(tt_get_num_memtriggers(1, 0), 5);
    tt_mtrig_iter(1, 0)->disabled = 1;
    EXPECT_EQ(tt_get_num_memtriggers(1, 0), 4);
}

TEST_F(TranslatedTriggers, AnAccessInTheGapOfADenseSpanLeavesAndOneOutsideItDoesNot)
{
    install(DATA_PA, AXD_KIND_LOAD);
    word(0, lbz(3, 4, 0));
    watch(DATA_PA + 0x100, DATA_PA + 0x10F, 0, MEMORY_TRIGGER_READ);
    watch(DATA_PA + 0x180, DATA_PA + 0x18F, 0, MEMORY_TRIGGER_READ);
    const struct {
        uint64_t offset;
        int32_t reason;
    } cases[] = {
        {0x140, EXIT_PA_MEMTRIGGER}, {0x190, EXIT_UNKNOWN}, {0xF0, EXIT_UNKNOWN}, {0xF1, EXIT_PA_MEMTRIGGER}};
    for (const auto &c : cases) {
        t->GPR[4].value = DATA_PA + c.offset;
        enter(0, 100);
        EXPECT_EQ(t->turbo.reason, c.reason) << std::hex << c.offset;
    }
}

TEST_F(TranslatedTriggers, TheRoutinesAreMadeAtTheNextSelectionAndDroppedWithTheLastTrigger)
{
    turbo_update_xlate(t);
    const void *plain = t->turbo.reader;
    const uint64_t made = tt_memtrigger_generations();

    watch(0x5000, 0x5007, 1, MEMORY_TRIGGER_READ);
    EXPECT_FALSE(tt_memtriggers_current());
    EXPECT_EQ(tt_memtrigger_generations(), made) << "made lazily";
    turbo_update_xlate(t);
    EXPECT_EQ(tt_memtrigger_generations(), made + 1);
    EXPECT_TRUE(tt_memtriggers_current());
    EXPECT_NE(t->turbo.reader, plain);
    bool found = false;
    for (int i = 32; i < 64; i++)
        found |= reinterpret_cast<void *>(jit_readers[i]) == t->turbo.reader;
    EXPECT_TRUE(found) << "a routine of the set with triggers";
    turbo_update_xlate(t);
    EXPECT_EQ(tt_memtrigger_generations(), made + 1) << "still current";

    watch(0x6000, 0x6007, 1, MEMORY_TRIGGER_WRITE);
    turbo_update_xlate(t);
    EXPECT_EQ(tt_memtrigger_generations(), made + 2);

    ASSERT_NE(Trigger_Memory__Remove(r.m.machine, 0x5000, 0x5007, MEMORY_TRIGGER_READ), nullptr);
    ASSERT_NE(Trigger_Memory__Remove(r.m.machine, 0x6000, 0x6007, MEMORY_TRIGGER_WRITE), nullptr);
    turbo_update_xlate(t);
    EXPECT_EQ(t->turbo.reader, plain);
}

TEST_F(TranslatedTriggers, AnEffectiveAddressPcTriggerGuardsEverySlotAtItsOffset)
{
    const int slot = 0x230 / 4;
    for (int i = 0; i < 4; i++)
        word(slot - 2 + i, ori(3, 3, 1));
    // Adding a PC trigger drops every frame: the page is installed again.
    Trigger_PC__Add(r.m.machine, 0xC000000000000230ull, nullptr, nullptr);
    EXPECT_EQ(tt_has_pctriggers(t->mcm, PAGE_PA + 0x230), 1);
    EXPECT_EQ(tt_has_pctriggers(t->mcm, 0x7000230), 1);
    EXPECT_EQ(tt_has_pctriggers(t->mcm, PAGE_PA + 0x234), 0);
    // The guard is there but the PC is not the trigger's: the instructions run.
    t->GPR[3].value = 0;
    EXPECT_EQ(enter_frame(install(PAGE_PA), slot - 2, 100), 96u);
    EXPECT_EQ(t->GPR[3].value, 1u);

    Trigger_PC__Add(r.m.machine, PAGE_PA + 0x230, nullptr, nullptr);
    EXPECT_EQ(enter_frame(install(PAGE_PA), slot - 2, 100), 98u);
    EXPECT_EQ(t->turbo.reason, EXIT_EA_PCTRIGGER);
    EXPECT_EQ(t->turbo.pc, pc_of(slot));
}

TEST_F(TranslatedTriggers, ARealAddressPcTriggerMakesTheInstructionAnExit)
{
    for (int i = 0; i < 6; i++)
        word(i, ori(3, 3, 1));
    Trigger_RealPC__Add(r.m.machine, pc_of(3), nullptr, nullptr);
    EXPECT_EQ(tt_has_pctriggers(t->mcm, pc_of(3)), 1);
    EXPECT_EQ(tt_has_pctriggers(t->mcm, pc_of(4)), 0);
    EXPECT_EQ(enter_frame(install(PAGE_PA), 0, 100), 97u);
    EXPECT_EQ(t->turbo.reason, EXIT_PA_PCTRIGGER);
    EXPECT_EQ(t->turbo.pc, pc_of(3));
}

TEST_F(TranslatedTriggers, SystemCallAndMsrWriteTriggersMakeTheirInstructionsExits)
{
    const uint32_t sc = 0x44000002, mtmsrd = 31u << 26 | 5u << 21 | 178u << 1, rfid = 19u << 26 | 18u << 1;
    for (uint32_t w : {sc, mtmsrd, rfid}) {
        word(0, w);
        frame_drop_xlate(&frame);
        enter(0, 100);
        EXPECT_NE(t->turbo.reason, EXIT_MSR_W_REGTRIGGER) << std::hex << w << " without triggers";
        EXPECT_EQ(frame.regtrigger_flush, 0);
    }

    auto *entry = QUARN_ZALLOC(1, Syscall_Trigger_Entry);
    entry->hash.key0 = 20;
    EXPECT_EQ(tt_has_sctrigger(t->mcm), 0);
    Trigger_Syscall__Add(r.m.machine, entry);
    EXPECT_EQ(tt_has_sctrigger(t->mcm), 1);
    word(0, sc);
    frame_drop_xlate(&frame);
    EXPECT_EQ(enter(0, 100), 100u);
    EXPECT_EQ(t->turbo.reason, EXIT_MSR_W_REGTRIGGER);
    EXPECT_EQ(frame.regtrigger_flush, 1) << "dropped with the register-trigger flush";
    EXPECT_EQ(Trigger_Syscall__Remove(r.m.machine, 20), entry);
    QUARN_FREE(entry);

    // A write trigger on the MSR of any thread of the machine.
    Reg_Trigger_Desc desc{};
    int marker = 0;
    Reg_Trigger_Append(&desc.enabled_write, &marker);
    t->MSR.trigger = &desc;
    EXPECT_EQ(tt_has_msr_w_regtrigger(t->mcm), 1);
    for (uint32_t w : {sc, mtmsrd, rfid}) {
        word(0, w);
        frame_drop_xlate(&frame);
        EXPECT_EQ(enter(0, 100), 100u);
        EXPECT_EQ(t->turbo.reason, EXIT_MSR_W_REGTRIGGER) << std::hex << w;
    }
    t->MSR.trigger = nullptr;
    EXPECT_EQ(tt_has_msr_w_regtrigger(t->mcm), 0);
    QUARN_FREE(desc.enabled_write.head);
}

} // namespace

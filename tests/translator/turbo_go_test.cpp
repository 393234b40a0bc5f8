// The translator's run loop: refusals at a pass start, the missing translation, and the accounting
// and reason actions after the exits of a scripted translation (whose every slot asks a script
// for its exit); the delta-instruction share; exit-reason names; start-up.
#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include <sys/mman.h>

#include "interrupts/exception_types.h"
#include "interrupts/interrupt_delivery.h"
#include "interrupts/interrupt_queue.h"
#include "interrupts/interrupt_raisers.h"
#include "processor/records/exception_record.h"
#include "processor/time/time_registers.h"
#include "processor/translation/xlate_version.h"
#include "runtime/message.h"
#include "runtime/utils_mmap.h"
#include "support/sink_capture.h"
#include "translator/crack.h"
#include "translator/page_rig.h"
#include "translator/turbo_callbacks.h"
#include "translator/turbo_stats.h"
#include "translator/x86/branches.h"
#include "translator/x86/encoder.h"
#include "translator/x86/host_regs.h"
#include "translator/x86/prologues.h"
#include "translator/x86/state_disp.h"

namespace
{

// What the scripted translation does on one entry.
struct Exit {
    int32_t reason;
    uint32_t left;
    uint64_t pc = 0; // turbo.pc after the exit; 0: entry PC + 4 x executed
    uint64_t support_code = 0;
    int32_t mftb_rt = 0, mftb_spr = 0;
    int32_t unknown_kind = -1, unknown_detail = 0;
    bool drop_maps = false; // the thread's maps are emptied: the next pass finds no translation
};

struct Entry {
    uint64_t pc;
    uint32_t budget;
};

std::deque<Exit> script;
std::vector<Entry> entries;

// The call-out of every slot of the scripted translation: the next exit of the script.
uint64_t scripted_exit(ThreadState *thread, uint64_t, uint64_t, uint64_t) noexcept
{
    turbo_s &turbo = thread->turbo;
    const uint64_t pc = turbo.pc;
    const uint32_t budget = turbo.togo;
    entries.push_back({pc, budget});
    Exit e = script.empty() ? Exit{EXIT_LIMIT, 0} : script.front();
    if (!script.empty()) script.pop_front();
    turbo.reason = e.reason;
    turbo.pc = e.pc ? e.pc : pc + 4ull * (budget - std::min(e.left, budget));
    turbo.support_code = e.support_code;
    turbo.mftb_rt = e.mftb_rt;
    turbo.mftb_spr = e.mftb_spr;
    turbo.unknown_kind = e.unknown_kind;
    turbo.unknown_detail = e.unknown_detail;
    if (e.drop_maps) EMAT_INVALIDATE_ALL(thread, 0, "test");
    return e.left;
}

// A translation whose every slot runs the script: call-out, then edi = left, rsi = turbo.pc and
// the common exit.
xframe *scripted_translation(MCM *chip, frame_s *frame)
{
    auto *x = static_cast<xframe *>(
        utils_mmap("xframe_new", XFRAME_MAPPING_SIZE, PROT_READ | PROT_WRITE | PROT_EXEC, 0, nullptr));
    x->frame = frame;
    x->chip = chip;
    x->machine64 = x->mode64 = 1;
    sink_init(&x->code_sink, reinterpret_cast<void *>(xframe_code(x)), XFRAME_CODE_SIZE);
    sink *s = &x->code_sink;
    jit_start_frame(x);
    const uint64_t body = sink_xpc(s);
    for (uint64_t &entry : x->entry)
        entry = body;
    jit_callout(s, HOST_R9, reinterpret_cast<const void *>(scripted_exit));
    emit_mov_reg(s, JIT_TOGO, HOST_R9, 0);
    emit_mov_load(s, JIT_PC, disp_turbo(pc), JIT_THREAD, 1);
    emit_jmp(s, exit_common);
    return x;
}

class TurboGo : public PageRig
{
  public:
    TurboGo()
    {
        script.clear();
        entries.clear();
        turbo_stats_clear();
        plant(&frame);
    }
    // The page of the frame runs the script in 64-bit mode.
    void plant(frame_s *f)
    {
        frame_drop_xlate(f);
        f->xframe64 = xframe_bias(scripted_translation(t->mcm, f));
    }
    uint64_t tpc() const { return r.tpc(); }
};

TEST_F(TurboGo, PassStartRefusalsEnterNothing)
{
    struct Refusal {
        const char *what;
        std::function<void(TurboGo &)> set, reset;
        uint32_t budget;
        int32_t reason;
    };
    const Refusal refusals[] = {
        {"budget below turbo/minimum", [](TurboGo &) {}, [](TurboGo &) {}, 19, EXIT_AMOUNT_TOO_SMALL},
        {"a thread of the machine in a transaction",
         [](TurboGo &f) { f.r.m.machine->threads_in_transaction = 1; },
         [](TurboGo &f) { f.r.m.machine->threads_in_transaction = 0; }, 100, EXIT_TRANSACTIONAL_MEMORY},
        {"dirty FPRs", [](TurboGo &f) { f.t->FPR_INVALID_MAP.value = ~2ull; },
         [](TurboGo &f) { f.t->FPR_INVALID_MAP.value = ~0ull; }, 100, EXIT_DIRTY_FPRS},
    };
    for (const Refusal &refusal : refusals) {
        refusal.set(*this);
        EXPECT_EQ(go(refusal.budget), 0u) << refusal.what;
        EXPECT_EQ(t->turbo.reason, refusal.reason) << refusal.what;
        EXPECT_EQ(turbo_stats.counts.reasons[refusal.reason], 1u) << refusal.what;
        EXPECT_EQ(t->turbo.active, 0);
        refusal.reset(*this);
    }
    EXPECT_TRUE(entries.empty());
    EXPECT_EQ(t->PC.value, PAGE_PA);
}

TEST_F(TurboGo, ADeliverableInterruptReturnsAtOnce)
{
    PowerPCException *reset = ThreadState__New_Exception(t, EXC_SYSTEM_RESET, 0);
    ScheduleException(t, reset);
    ASSERT_NE(CheckInterrupts(t->current_iop, 0), 0);
    EXPECT_EQ(go(100), 0u);
    EXPECT_EQ(t->turbo.reason, EXIT_INTERRUPT);
    EXPECT_EQ(t->emat_fill_request, 0);
    EXPECT_TRUE(entries.empty());
    UnScheduleException(t, reset, "test");
    FreeException(reset, __FILE__, __LINE__);
}

TEST_F(TurboGo, TheByteOrderIsFixedAtTheFirstCall)
{
    EXPECT_EQ(t->turbo.big_endian, TURBO_ENDIAN_NOT_FIXED);
    script = {{EXIT_LIMIT, 0}};
    EXPECT_EQ(go(100), 100u);
    EXPECT_EQ(t->turbo.big_endian, TURBO_BIG_ENDIAN);
    t->MSR.value |= MSR_LE;
    for (int call = 0; call < 3; call++) {
        EXPECT_EQ(go(100), 0u);
        EXPECT_EQ(t->turbo.reason, EXIT_LITTLE_ENDIAN);
    }
    EXPECT_EQ(entries.size(), 1u);
    // A translation whose page has the other byte order is not entered either.
    t->MSR.value &= ~MSR_LE;
    frame.little_endian = 1;
    EXPECT_EQ(go(100), 0u);
    EXPECT_EQ(t->turbo.reason, EXIT_FETCH);
    EXPECT_EQ(entries.size(), 1u);
}

TEST_F(TurboGo, AMissingTranslationAsksForAFetchFill)
{
    EMAT_INVALIDATE_ALL(t, 0, "test");
    uint64_t version = current_xlate_version;
    EXPECT_EQ(go(100), 0u);
    EXPECT_EQ(t->turbo.reason, EXIT_FETCH);
    EXPECT_EQ(t->emat_fill_request, EMAT_FILL_FETCH);
    EXPECT_EQ(current_xlate_version, version + 1);
    EXPECT_EQ(t->turbo.fetch_exits, 1u);
    EXPECT_TRUE(entries.empty());

    // After the slow path's fetch installation the translation is found.
    install(PAGE_PA);
    EXPECT_EQ(go(100), 100u);
    EXPECT_EQ(entries.size(), 1u);
}

TEST_F(TurboGo, APlainExitChargesTheExecutedInstructions)
{
    script = {{EXIT_READ, 30}};
    uint64_t before = t->Instruction_Number, machine_before = r.m.machine->instruction_count;
    EXPECT_EQ(go(100), 70u);
    EXPECT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].pc, PAGE_PA);
    EXPECT_EQ(entries[0].budget, 100u);
    EXPECT_EQ(t->PC.value, PAGE_PA + 4 * 70);
    EXPECT_EQ(t->Instruction_Number, before + 70);
    EXPECT_EQ(r.m.machine->instruction_count, machine_before + 70);
    EXPECT_EQ(t->turbo.instructions, 70u);
    EXPECT_EQ(t->turbo.togo, 30u);
    EXPECT_EQ(t->emat_fill_request, EMAT_FILL_READ);
    EXPECT_EQ(ticks, 70 * tpc());
    EXPECT_EQ(t->turbo.delay_to_cycle, t->turbo.start_cycle + 70);
    EXPECT_EQ(t->turbo.not_reported, 0u);
    EXPECT_EQ(t->turbo.active, 0);
}

TEST_F(TurboGo, HaltAndBranchToItselfIdleAwayTheBudget)
{
    // The halt is done: PC past it, the whole budget returned.
    script = {{EXIT_BOGUS, 61, PAGE_PA + 4 * 39, TURBO_SUPPORT_HALT}};
    EXPECT_EQ(go(100), 100u);
    EXPECT_EQ(t->PC.value, PAGE_PA + 4 * 40);
    EXPECT_EQ(t->turbo.togo, 0u);
    EXPECT_EQ(ticks, 100 * tpc());
    EXPECT_EQ(t->Instruction_Number, 40u); // only the executed ones are counted

    // Any other support code is left to the interpreter.
    t->PC.value = PAGE_PA;
    script = {{EXIT_BOGUS, 61, PAGE_PA + 4 * 39, 5}};
    EXPECT_EQ(go(100), 39u);
    EXPECT_EQ(t->PC.value, PAGE_PA + 4 * 39);

    // A branch to itself counts as executed; the PC stays on it.
    t->PC.value = PAGE_PA;
    script = {{EXIT_BRANCH_SELF, 91, PAGE_PA + 4 * 9}};
    EXPECT_EQ(go(100), 100u);
    EXPECT_EQ(t->PC.value, PAGE_PA + 4 * 9);

    // In chunky mode there is no idling.
    t->PC.value = PAGE_PA;
    t->chunk_mode = 1;
    script = {{EXIT_BRANCH_SELF, 91, PAGE_PA + 4 * 9}};
    EXPECT_EQ(go(100), 9u);
    t->chunk_mode = 0;
}

TEST_F(TurboGo, TheNoopDelayIdlesAndRunsAnotherPass)
{
    script = {{EXIT_DELAY_1000, 5000, PAGE_PA + 4 * 50}, {EXIT_LIMIT, 0}};
    EXPECT_EQ(go(10000), 10000u);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[1].budget, 4000u);
    EXPECT_EQ(entries[1].pc, PAGE_PA + 4 * 50);
    EXPECT_EQ(t->Instruction_Number, 5000u + 4000u);
    EXPECT_EQ(ticks, 10000 * tpc()); // 5,000 run + 1,000 idle + 4,000 run
    EXPECT_EQ(t->PC.value, PAGE_PA + 4 * 50 + 4 * 4000);

    // With a shorter noop delay fewer are idled; a later pass without a translation returns what
    // the earlier passes did.
    r.m.machine->turbo_noop_delay = 300;
    t->PC.value = PAGE_PA;
    entries.clear();
    script = {{EXIT_DELAY_1000, 5000, PAGE_PA + 4 * 50, 0, 0, 0, -1, 0, true}};
    EXPECT_EQ(go(10000), 5300u);
    EXPECT_EQ(entries.size(), 1u);
    EXPECT_EQ(t->turbo.reason, EXIT_FETCH);
    EXPECT_EQ(t->emat_fill_request, EMAT_FILL_FETCH);
}

TEST_F(TurboGo, MftbCompletionWritesTheTimeBase)
{
    ThreadState__SetTB(t, 0x123456789ABCDEF0ull);
    script = {{EXIT_MFTB, 0, PAGE_PA + 4 * 50, 0, 7, 269}};
    t->GPR[7].value = ~0ull;
    EXPECT_EQ(go(50), 50u);
    EXPECT_EQ(t->GPR[7].value, ThreadState__GetTB(t) >> 32);
    EXPECT_EQ(t->GPR[7].value, 0x12345678u);
    EXPECT_EQ(t->PC.value, PAGE_PA + 4 * 50);

    t->PC.value = PAGE_PA;
    script = {{EXIT_MFTB, 0, PAGE_PA + 4 * 50, 0, 8, 268}};
    EXPECT_EQ(go(50), 50u);
    EXPECT_EQ(t->GPR[8].value, ThreadState__GetTB(t));
}

TEST_F(TurboGo, MftbOfAnotherSprIsAnInternalError)
{
    script = {{EXIT_MFTB, 0, PAGE_PA + 4 * 50, 0, 7, 270}};
    EXPECT_DEATH(
        {
            Quarn_Output_File = stderr;
            go(50);
        },
        "unknown tbr 270");
}

TEST_F(TurboGo, MoreLeftThanGivenIsReportedAndNotCounted)
{
    script = {{EXIT_READ, 150, 0x2000}};
    SinkCapture sink;
    EXPECT_EQ(go(100), 0u);
    EXPECT_NE(sink.text().find("togo = 150, not_reported = 100"), std::string::npos) << sink.text();
    EXPECT_EQ(t->Instruction_Number, 0u);
    EXPECT_EQ(t->turbo.togo, 100u);
}

TEST_F(TurboGo, InstructionCountStops)
{
    script = {{EXIT_LIMIT, 0}};
    EXPECT_EQ(go(60), 60u);
    EXPECT_EQ(stopped, 0u);

    StopAfterThreadInstructions(t, 60);
    script = {{EXIT_LIMIT, 0}};
    EXPECT_EQ(go(60), 60u);
    EXPECT_EQ(stopped, (uint32_t)STOP_INSTRUCTION_COUNT);
    EXPECT_EQ(t->stop_after_instructions, ~0ull);

    r.m.machine->instruction_limit = r.m.machine->instruction_count + 30;
    script = {{EXIT_LIMIT, 70}};
    EXPECT_EQ(go(100), 30u);
    EXPECT_EQ(stopped, (uint32_t)STOP_INSTRUCTION_COUNT);
    EXPECT_EQ(r.m.machine->instruction_limit, ~0ull);
}

TEST_F(TurboGo, UnknownExitsAreCountedByKindAndSpr)
{
    script = {{EXIT_UNKNOWN, 10, 0, 0, 0, 0, (int32_t)KIND_MFSPR, 8},
              {EXIT_UNKNOWN, 10, 0, 0, 0, 0, (int32_t)KIND_MTSPR, 5000}, // no such SPR: kind only
              {EXIT_UNKNOWN, 10, 0, 0, 0, 0, -1, 0}};                    // no kind: not counted
    for (int i = 0; i < 3; i++)
        go(100);
    EXPECT_EQ(turbo_stats.counts.reasons[EXIT_UNKNOWN], 3u);
    EXPECT_EQ(turbo_stats.counts.unknown_kinds[KIND_MFSPR], 1u);
    EXPECT_EQ(turbo_stats.counts.mfspr[8], 1u);
    EXPECT_EQ(turbo_stats.counts.unknown_kinds[KIND_MTSPR], 1u);
    uint32_t total = 0;
    for (uint32_t c : turbo_stats.counts.mtspr)
        total += c;
    EXPECT_EQ(total, 0u);
}

TEST_F(TurboGo, FetchKeysFollowTheTranslationMode)
{
    // Hypervisor real mode with an HRMOR: the offset is added below bit 63 only. EA 0x2000 fetches
    // from the page at 0x1002000, EA 0x8000000000002000 from the page at 0x2000.
    r.core->HRMOR.value = 0x1000000;
    EMAT_INVALIDATE_ALL(t, 0, "test");
    plant(install(0x1002000));
    t->PC.value = 0x2000;
    EXPECT_EQ(go(100), 100u);
    EXPECT_EQ(entries.size(), 1u);

    EMAT_TLBIA(t, "test"); // the shared segment goes too
    plant(install(0x2000));
    t->PC.value = 0x2000;
    EXPECT_EQ(go(100), 0u);
    EXPECT_EQ(t->turbo.reason, EXIT_FETCH);
    t->PC.value = 0x8000000000002000ull;
    EXPECT_EQ(go(100), 100u);
    EXPECT_EQ(entries.size(), 2u);
}

TEST(TurboDelta, InstructionsShareOfACycleWindow)
{
    ThreadState t{};
    t.turbo.active = 1;
    t.turbo.start_cycle = 100;
    t.turbo.delay_to_cycle = 200;
    t.turbo.not_reported = 1000;
    EXPECT_EQ(turbo_get_delta_instructions(&t, 150, 150), 0u);
    EXPECT_EQ(turbo_get_delta_instructions(&t, 100, 200), 1000u);
    EXPECT_EQ(turbo_get_delta_instructions(&t, 150, 300), 500u);
    EXPECT_EQ(turbo_get_delta_instructions(&t, 200, 300), 0u);
    EXPECT_EQ(turbo_get_delta_instructions(&t, 0, 100), 0u);
    {
        SinkCapture sink;
        EXPECT_EQ(turbo_get_delta_instructions(&t, 190, 120), 0u);
        EXPECT_EQ(sink.text(),
                  "FATAL ERROR: turbo_get_delta_instructions: to_cycle 120 less than from_cycle 190.\n");
    }
    Start_The_Simulation();
    t.turbo.active = 0;
    EXPECT_EQ(turbo_get_delta_instructions(&t, 100, 200), 0u);
}

TEST(TurboReason, Names)
{
    EXPECT_STREQ(turbo_reason(0), "align");
    EXPECT_STREQ(turbo_reason(40), "xflush");
    EXPECT_STREQ(turbo_reason(52), "dirty fprs");
    EXPECT_STREQ(turbo_reason(27), "unknown");
    EXPECT_STREQ(turbo_reason(50), "Wait on memory to change");
    for (unsigned code : {8u, 24u, 31u, 53u, 1000u})
        EXPECT_STREQ(turbo_reason(code), "not sure") << code;
}

TEST(TurboInit, FillsTheCrackTablesAndClearsTheStatistics)
{
    turbo_stats.counts.reasons[3] = 9;
    turbo_stats.previous.mfspr[1] = 2;
    turbo_init();
    EXPECT_EQ(turbo_stats.counts.reasons[3], 0u);
    EXPECT_EQ(turbo_stats.previous.mfspr[1], 0u);
    EXPECT_EQ(turbo_id(0x7C642A14), 1u);
}

} // namespace

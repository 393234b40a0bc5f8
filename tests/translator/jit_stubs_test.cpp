// The shared stub area and the fault hook: exit_common, the host flags file, the string stubs, the
// call-out as run, host faults turned into exits, and CR and XER around a pass.
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <ucontext.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>

#include "processor/records/thread_state.h"
#include "processor/regs/reg_accessors.h"
#include "translator/jit_stubs.h"
#include "translator/page_rig.h"
#include "translator/run_boundary.h"
#include "translator/turbo_reason.h"
#include "translator/x86/branches.h"
#include "translator/x86/encoder.h"
#include "translator/x86/host_regs.h"
#include "translator/x86/prologues.h"
#include "translator/x86/state_disp.h"

namespace
{

// Read-write-execute memory for small generated functions.
class CodeArea
{
  public:
    CodeArea()
    {
        area_ = mmap(nullptr, kSize, PROT_READ | PROT_WRITE | PROT_EXEC, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        sink_init(&s, area_, kSize);
    }
    ~CodeArea() { munmap(area_, kSize); }
    CodeArea(const CodeArea &) = delete;
    CodeArea &operator=(const CodeArea &) = delete;
    void *start() const { return area_; }
    sink s;

  private:
    static constexpr size_t kSize = 8192;
    void *area_;
};

void push_frame_registers(sink *s)
{
    for (int r : {HOST_RBP, HOST_RBX, HOST_R12, HOST_R13, HOST_R14, HOST_R15})
        emit_push(s, r);
}
void pop_frame_registers(sink *s)
{
    for (int r : {HOST_R15, HOST_R14, HOST_R13, HOST_R12, HOST_RBX, HOST_RBP})
        emit_pop(s, r);
}

TEST(JitInit, TheStubAreaStartsWithExitCommonAndStaysReadable)
{
    EXPECT_EQ(jit_init(1), 0);
    EXPECT_EQ(exit_common, jit_stub_area);
    EXPECT_LT(jit_stub_area_end - jit_stub_area, JIT_STUB_AREA_SIZE);
    // exit_common begins by storing rsi as the resume PC.
    const uint8_t *code = reinterpret_cast<const uint8_t *>(exit_common);
    EXPECT_EQ(code[0], 0x48);
    EXPECT_EQ(code[1], 0x89);
    EXPECT_EQ(code[2], 0xB3);
    int32_t disp;
    memcpy(&disp, code + 3, 4);
    EXPECT_EQ(disp, disp_turbo(pc));

    std::ifstream maps("/proc/self/maps");
    std::string line, perms;
    char start_text[32];
    snprintf(start_text, sizeof start_text, "%lx-", (unsigned long)jit_stub_area);
    while (std::getline(maps, line))
        if (line.rfind(start_text, 0) == 0) perms = line.substr(line.find(' ') + 1, 4);
    EXPECT_EQ(perms, "r-xp");
    EXPECT_EQ(jit_init(1), 0); // once only
}

TEST(JitInit, TheSsse3FlagComesFromTheFlagsLine)
{
    jit_init(1);
    EXPECT_EQ(turbo_host_has_SSSE3, jit_read_ssse3_flag("/proc/cpuinfo"));
    struct Case {
        const char *text;
        int flag;
    };
    const Case cases[] = {
        {"processor\t: 0\nflags\t\t: fpu sse2 ssse3 sse4_1\n", 1},
        {"processor\t: 0\nflags\t\t: fpu sse2 sse3\nflags\t\t: ssse3\n", 0}, // only the first flags line
        {"processor\t: 0\n", 0},
    };
    for (const Case &c : cases) {
        FILE *f = fopen("cpuinfo", "w");
        fputs(c.text, f);
        fclose(f);
        EXPECT_EQ(jit_read_ssse3_flag("cpuinfo"), c.flag) << c.text;
    }
    remove("cpuinfo");
    EXPECT_EQ(jit_read_ssse3_flag("no-such-cpuinfo"), 0);
}

// A string stub called with rbx = thread state and r10 = guest bytes; returns r10 afterwards.
class StringStubs : public ::testing::Test
{
  public:
    StringStubs()
    {
        jit_init(1);
        state = std::make_unique<ThreadState>();
        memset(guest, 0xEE, sizeof guest);
        // uint64_t f(ThreadState *state, uint8_t *bytes, uint64_t stub)
        sink *s = &code.s;
        emit_push(s, HOST_RBX);
        emit_mov_reg(s, HOST_RBX, HOST_RDI, 1);
        emit_mov_reg(s, HOST_R10, HOST_RSI, 1);
        sink_emit1(s, 0xFF); // call rdx
        sink_emit1(s, 0xD2);
        emit_mov_reg(s, HOST_RAX, HOST_R10, 1);
        emit_pop(s, HOST_RBX);
        sink_emit1(s, 0xC3);
    }
    uint64_t run(uint64_t stub, uint8_t *bytes)
    {
        auto fn = reinterpret_cast<uint64_t (*)(ThreadState *, uint8_t *, uint64_t)>(code.start());
        return fn(state.get(), bytes, stub);
    }
    CodeArea code;
    std::unique_ptr<ThreadState> state;
    uint8_t guest[256];
};

TEST_F(StringStubs, WordLoadsWrapFromR31ToR0AndLeftJustifyTheLastBytes)
{
    const uint8_t bytes[] = {0x11, 0x22, 0x33, 0x44, 0x55};
    memcpy(guest, bytes, sizeof bytes);
    state->GPR[31].value = ~0ull;
    state->GPR[0].value = ~0ull;
    uint64_t after = run(lsw_stubs[31][5], guest);
    EXPECT_EQ(state->GPR[31].value, 0x11223344u);
    EXPECT_EQ(state->GPR[0].value, 0x55000000u);
    EXPECT_EQ(after, reinterpret_cast<uint64_t>(guest) + 4); // past the last whole word only
}

TEST_F(StringStubs, DoublewordLoadsKeepTheMostSignificantBytes)
{
    for (int i = 0; i < 12; i++)
        guest[i] = (uint8_t)(i + 1);
    run(lsd_stubs[3][11], guest);
    EXPECT_EQ(state->GPR[3].value, 0x0102030405060708ull);
    EXPECT_EQ(state->GPR[4].value, 0x090A0B0000000000ull);
}

TEST_F(StringStubs, PartialStoresMergeWithTheBytesInMemory)
{
    state->GPR[5].value = 0xFFFFFFFFAABBCCDDull;
    uint64_t after = run(stsw_stubs[5][3], guest);
    EXPECT_EQ(guest[0], 0xAA);
    EXPECT_EQ(guest[1], 0xBB);
    EXPECT_EQ(guest[2], 0xCC);
    EXPECT_EQ(guest[3], 0xEE); // the fourth byte stays
    EXPECT_EQ(after, reinterpret_cast<uint64_t>(guest));

    state->GPR[30].value = 0x0102030405060708ull;
    state->GPR[31].value = 0x1112131415161718ull;
    state->GPR[0].value = 0x2122232425262728ull;
    run(stsd_stubs[30][18], guest + 8);
    const uint8_t expected[] = {1,    2,    3,    4,    5,    6,    7,    8,    0x11, 0x12,
                                0x13, 0x14, 0x15, 0x16, 0x17, 0x18, 0x21, 0x22, 0xEE};
    EXPECT_EQ(memcmp(guest + 8, expected, sizeof expected), 0);
}

TEST_F(StringStubs, ALengthOfZeroMovesNothing)
{
    state->GPR[7].value = 0x99;
    for (auto *table : {lsw_stubs, lsd_stubs, stsd_stubs, stsw_stubs})
        EXPECT_EQ(run(table[7][0], guest), reinterpret_cast<uint64_t>(guest));
    EXPECT_EQ(state->GPR[7].value, 0x99u);
    EXPECT_EQ(guest[0], 0xEE);
}

// The call-out as the frame prologue leaves the stack: six pushes, then the call-out sequence.
struct CalloutSeen {
    ThreadState *thread;
    uint64_t a, b, c;
    uint64_t frame_address;
    int32_t in_callout;
};
CalloutSeen seen;

__attribute__((noinline)) uint64_t test_routine(ThreadState *thread, uint64_t a, uint64_t b,
                                                uint64_t c) noexcept
{
    seen = {
        thread, a, b, c, reinterpret_cast<uint64_t>(__builtin_frame_address(0)), thread->turbo.in_callout};
    return 0xABCD;
}

TEST(Callout, TheRoutineSeesItsArgumentsOnAnAlignedStack)
{
    for (int result_reg : {(int)HOST_R9, -1}) {
        CodeArea code;
        sink *s = &code.s;
        // uint64_t f(ThreadState *state, r9, r10, r11) → r9 after the call-out
        push_frame_registers(s);
        emit_mov_reg(s, HOST_RBX, HOST_RDI, 1);
        emit_mov_reg(s, HOST_R9, HOST_RSI, 1);
        emit_mov_reg(s, HOST_R10, HOST_RDX, 1);
        emit_mov_reg(s, HOST_R11, HOST_RCX, 1);
        jit_callout(s, result_reg, reinterpret_cast<const void *>(test_routine));
        emit_mov_reg(s, HOST_RAX, HOST_R9, 1);
        pop_frame_registers(s);
        sink_emit1(s, 0xC3);
        auto state = std::make_unique<ThreadState>();
        auto fn = reinterpret_cast<uint64_t (*)(ThreadState *, uint64_t, uint64_t, uint64_t)>(code.start());
        seen = {};
        uint64_t r9 = fn(state.get(), 1, 2, 3);
        EXPECT_EQ(seen.thread, state.get());
        EXPECT_EQ(seen.a, 1u);
        EXPECT_EQ(seen.b, 2u);
        EXPECT_EQ(seen.c, 3u);
        EXPECT_EQ(seen.frame_address % 16, 0u); // rsp was 16-byte aligned at the call
        EXPECT_EQ(seen.in_callout, 1);
        EXPECT_EQ(state->turbo.in_callout, 0);
        if (result_reg >= 0) {
            EXPECT_EQ(r9, 0xABCDu);
        }
    }
}

// A synthetic fault context for the hook.
class FaultHook : public ::testing::Test
{
  public:
    FaultHook()
    {
        jit_init(1);
        state = std::make_unique<ThreadState>();
        memset(&uc, 0, sizeof uc);
        saved = uc.uc_mcontext.gregs;
        saved[REG_RBX] = (greg_t)state.get();
        saved[REG_RSI] = 0x1008;
        saved[REG_RDI] = 50;
        saved[REG_RSP] = 0x7000;
        saved[REG_RIP] = 0x4242;
        state->turbo.host_sp = 0x9000;
        turbo_running_thread = state.get();
        old_sig11_handler = nullptr;
    }
    ~FaultHook() override
    {
        turbo_running_thread = nullptr;
        tsim_set_handler(nullptr);
    }
    int fault(int signal) { return jit_handler(signal, nullptr, &uc); }

    std::unique_ptr<ThreadState> state;
    ucontext_t uc;
    greg_t *saved;
};

TEST_F(FaultHook, SegmentationFaultsBecomeTheStoredReason)
{
    struct Case {
        int signal;
        int32_t stored, reason;
        greg_t rsi, rdi;
    };
    const Case cases[] = {
        {SIGSEGV, EXIT_READ, EXIT_READ, 0x1004, 51},
        {SIGSEGV, EXIT_WRITE, EXIT_WRITE, 0x1004, 51},
        {SIGSEGV, EXIT_FETCH, EXIT_FETCH, 0x1008, 50}, // rsi already the address to fetch
        {SIGFPE, EXIT_READ, EXIT_SIGFPE, 0x1004, 51},
    };
    for (const Case &c : cases) {
        saved[REG_RSI] = 0x1008;
        saved[REG_RDI] = 50;
        saved[REG_RSP] = 0x7000;
        saved[REG_RIP] = 0x4242;
        state->turbo.reason = c.stored;
        tsim_set_handler(turbo_handler);
        EXPECT_EQ(fault(c.signal), 1);
        EXPECT_EQ(state->turbo.reason, c.reason);
        EXPECT_EQ(saved[REG_RSI], c.rsi);
        EXPECT_EQ(saved[REG_RDI], c.rdi);
        EXPECT_EQ((uint64_t)saved[REG_RSP], 0x9000u);
        EXPECT_EQ((uint64_t)saved[REG_RIP], exit_common);
        EXPECT_EQ(tsim_set_handler(nullptr), nullptr); // the previous hook is back
    }
}

TEST_F(FaultHook, OtherSignalsAndCallOutsAreNotTranslatedCodes)
{
    state->turbo.reason = EXIT_READ;
    EXPECT_EQ(fault(SIGBUS), 0);
    EXPECT_EQ(state->turbo.reason, EXIT_SIGNAL);
    EXPECT_EQ(saved[REG_RIP], 0x4242);

    state->turbo.reason = EXIT_READ;
    state->turbo.in_callout = 1;
    tsim_set_handler(turbo_handler);
    EXPECT_EQ(fault(SIGSEGV), 0);
    EXPECT_EQ(state->turbo.reason, EXIT_READ);
    EXPECT_EQ(saved[REG_RSI], 0x1008);
    EXPECT_EQ(saved[REG_RIP], 0x4242);
    EXPECT_EQ(tsim_set_handler(nullptr), turbo_handler); // left alone

    // A saved rbx that is not the running thread's state.
    state->turbo.in_callout = 0;
    turbo_running_thread = nullptr;
    EXPECT_EQ(fault(SIGSEGV), 0);
    EXPECT_EQ(saved[REG_RIP], 0x4242);
}

// A real fault: a page whose slot loads through the bias region after storing "read".
class RealFault : public PageRig
{
};

TEST_F(RealFault, ALoadFromTheBiasRegionLeavesWithTheStoredReason)
{
    xframe *x = static_cast<xframe *>(mmap(nullptr, XFRAME_MAPPING_SIZE, PROT_READ | PROT_WRITE | PROT_EXEC,
                                           MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
    x->frame = &frame;
    x->chip = t->mcm;
    x->machine64 = x->mode64 = 1;
    x->cursor = frame.host;
    sink_init(&x->code_sink, reinterpret_cast<void *>(xframe_code(x)), XFRAME_CODE_SIZE);
    jit_start_frame(x);
    for (int slot = 0; slot < 3; slot++) {
        x->entry[slot] = sink_xpc(&x->code_sink);
        jit_start_inst(x, 0x60000000, 256, slot == 0 ? 20 : -1);
        x->cursor += 4;
    }
    emit_mov_store_imm32(&x->code_sink, disp_turbo(reason), JIT_THREAD, EXIT_READ, 0);
    sink_emit1(&x->code_sink, 0x49); // mov rax, [r8]
    sink_emit1(&x->code_sink, 0x8B);
    sink_emit1(&x->code_sink, 0x00);
    jit_end_frame(x);
    for (int slot = 0; slot < 3; slot++)
        word(slot, 0x60000000);

    const uint64_t msr = t->MSR.value;
    emat_s *data = GET_CURRENT_EMAT(t, msr, 0), *fetch = GET_CURRENT_EMAT(t, msr, 1);
    turbo_update_xlate(t);
    t->turbo.pc = PAGE_PA;
    old_sig11_handler = tsim_set_handler(turbo_handler);
    turbo_running_thread = t;
    uint32_t left = xframe_entry(x, t, PAGE_PA, 100, data, EMAT_GET_BIAS(), fetch);
    turbo_running_thread = nullptr;
    EXPECT_EQ(tsim_set_handler(nullptr), old_sig11_handler);
    EXPECT_EQ(left, 98u); // the third instruction is undone
    EXPECT_EQ(t->turbo.reason, EXIT_READ);
    EXPECT_EQ(t->turbo.pc, pc_of(2));
    munmap(x, XFRAME_MAPPING_SIZE);
}

TEST(RunBoundary, CrAndXerSurviveASplitAndMerge)
{
    RunMachine r;
    ThreadState *t = r.t;
    tCOOKED_SET_CR(t, 0x8A5C3E01, 0);
    tCOOKED_SET_XER(t, 0xFF00007Full, 0);
    const uint64_t xer = tRAW_GET_XER(t), cr = tRAW_GET_CR(t);
    jit_before(t, nullptr);
    EXPECT_EQ(t->turbo.cr[0], 1);
    EXPECT_EQ(t->turbo.cr[1], 0);
    EXPECT_EQ(t->turbo.cr[31], 1);
    for (int k = 0; k < 8; k++)
        EXPECT_EQ(t->turbo.xer_flags[k], (xer >> (31 - k)) & 1) << k;
    EXPECT_EQ(jit_after(t, 17), 17u);
    EXPECT_EQ(tRAW_GET_CR(t), cr);
    EXPECT_EQ(tRAW_GET_XER(t), xer);

    // A flag byte changed by translated code reaches its bit.
    jit_before(t, nullptr);
    t->turbo.xer_flags[XER_FLAG_CA] = 0;
    t->turbo.cr[4] = 1;
    jit_after(t, 0);
    EXPECT_EQ(tRAW_GET_XER(t), xer & ~0x20000000ull);
    EXPECT_EQ(tRAW_GET_CR(t), cr | 0x08000000u);
}

} // namespace

// Faults on job stacks and job stack traces.
#include <csignal>
#include <cstdio>
#include <regex>
#include <sys/mman.h>

#include "app/startup.h"
#include "kernel/fault.h"
#include "kernel/hooks/kernel_adapter.h"
#include "kernel_fixture.h"
#include "runtime/debug.h"
#include "runtime/message.h"
#include "runtime/stop.h"
#include "support/sink_capture.h"

// Frame-pointer functions for the trace tests; one exported (found by the dynamic loader), one
// local (found in the executable's own symbol table).
extern "C" __attribute__((noinline, optimize("no-omit-frame-pointer"))) void fault_test_traced_outer(void);

namespace
{

__attribute__((noinline, optimize("no-omit-frame-pointer"))) void traced_inner(void)
{
    tsim_calling_job_stack_trace();
    __asm__ volatile("" ::: "memory"); // not a tail call
}

__attribute__((noinline)) int local_function(int x)
{
    __asm__ volatile("" : "+r"(x));
    return x * 3 + 1;
}

// Restores the stop word that fatal reports set.
class FaultTest : public KernelTest
{
  protected:
    void SetUp() override
    {
        saved_stop = stop_simulation;
        KernelTest::SetUp();
    }
    void TearDown() override
    {
        KernelTest::TearDown();
        stop_simulation = saved_stop;
        tsim_set_handler(nullptr);
    }
    uint32_t saved_stop = 0;
};

} // namespace

extern "C" void fault_test_traced_outer(void)
{
    traced_inner();
    __asm__ volatile("" ::: "memory");
}

namespace
{

TEST(FaultSymbols, TracerPidOfAStatusText)
{
    const std::pair<const char *, int> cases[] = {
        {"Name:\tquarn\nTracerPid:\t0\nUid:\t1\n", 0},
        {"Name:\tquarn\nTracerPid:\t4711\nUid:\t1\n", 4711},
        {"TracerPid: 12", 12},
        {"Name:\tquarn\n", 0},
    };
    for (auto [text, pid] : cases)
        EXPECT_EQ(tsim_tracer_pid(text), pid) << text;
}

TEST(FaultSymbols, DebuggerCheckAgreesWithTheProcessStatus)
{
    FILE *file = fopen("/proc/self/status", "r");
    ASSERT_NE(file, nullptr);
    char text[8192] = {};
    fread(text, 1, sizeof(text) - 1, file);
    fclose(file);
    EXPECT_EQ(tsim_debugger_attached(), tsim_tracer_pid(text) != 0 ? 1 : 0);
}

TEST(FaultSymbols, FrameLinesNameTheSymbol)
{
    char buffer[32];
    struct Case {
        const char *name;
        void *address;
        std::string pattern;
    };
    auto address_text = [&](void *address) {
        snprintf(buffer, sizeof buffer, "%p", address);
        return std::string(buffer);
    };
    void *exported = reinterpret_cast<char *>(&fault_test_traced_outer) + 1;
    void *local = reinterpret_cast<char *>(&local_function) + 4;
    void *nowhere = reinterpret_cast<void *>(0x10);
    const Case cases[] = {
        {"exported", exported,
         "#3\t" + address_text(exported) + " in <fault_test_traced_outer>:.*kernel_test"},
        {"local", local, "#4\t" + address_text(local) + " in <.*local_function.* \\+ 0x4> "},
        {"no object", nowhere, "#5\t0x10 in < \\?\\?\\?\\?\\? > "},
    };
    int number = 3;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        SinkCapture out;
        tsim_print_frame_line(number++, c.address);
        EXPECT_TRUE(std::regex_search(out.text(), std::regex("FATAL ERROR: jobs : " + c.pattern + "\n")))
            << out.text();
    }
    stop_simulation = 0;
}

TEST_F(FaultTest, CallingJobTraceWalksTheFramePointers)
{
    SinkCapture out;
    spawn("traced", [] { fault_test_traced_outer(); });
    run();
    std::string text = out.text();
    std::regex inner("#0\t0x[0-9a-f]+ in <.*traced_inner.* \\+ 0x[0-9A-F]+> \n");
    std::regex outer("#1\t0x[0-9a-f]+ in <fault_test_traced_outer>:");
    EXPECT_TRUE(std::regex_search(text, inner)) << text;
    EXPECT_TRUE(std::regex_search(text, outer)) << text;
    // Nothing outside a job.
    SinkCapture none;
    tsim_calling_job_stack_trace();
    EXPECT_EQ(none.text(), "");
}

// A hook that makes a protected page usable and claims the fault.
struct HookRecord {
    int signal = 0;
    void *address = nullptr;
    void *page = nullptr;
};
HookRecord hook_record;
int fixing_hook(int signal, siginfo_t *information, void *)
{
    hook_record.signal = signal;
    hook_record.address = get_fault_address(information);
    if (signal == SIGSEGV) mprotect(hook_record.page, 4096, PROT_READ | PROT_WRITE);
    return 1;
}

TEST_F(FaultTest, HookThatHandlesTheFaultContinuesSilently)
{
    ASSERT_TRUE(tsim_handlers_installed);
    struct Case {
        const char *name;
        bool in_job;
        int signal;
    };
    const Case cases[] = {
        {"job, SIGSEGV", true, SIGSEGV}, {"job, SIGFPE", true, SIGFPE}, {"no job, SIGSEGV", false, SIGSEGV}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        hook_record = {};
        hook_record.page = mmap(nullptr, 4096, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        ASSERT_NE(hook_record.page, MAP_FAILED);
        auto *cell = static_cast<volatile int *>(hook_record.page) + 3;
        EXPECT_EQ(tsim_set_handler(fixing_hook), nullptr);
        SinkCapture out;
        auto fault = [&] {
            if (c.signal == SIGSEGV)
                *cell = 42;
            else
                raise(SIGFPE);
        };
        if (c.in_job) {
            spawn("translated", fault);
            run();
        } else {
            fault();
        }
        EXPECT_EQ(tsim_set_handler(nullptr), fixing_hook);
        EXPECT_EQ(out.text(), "");
        EXPECT_EQ(hook_record.signal, c.signal);
        if (c.signal == SIGSEGV) {
            EXPECT_EQ(hook_record.address, (void *)cell);
            EXPECT_EQ(*cell, 42);
        }
        EXPECT_TRUE(tsim_handlers_installed);
        munmap(hook_record.page, 4096);
    }
}

TEST_F(FaultTest, StartUpSignalHandlersLeaveTheKernelsHandlersAlone)
{
    ASSERT_TRUE(tsim_handlers_installed);
    const int signals[] = {SIGINT, SIGQUIT, SIGPIPE, SIGABRT, SIGTERM, SIGFPE, SIGILL, SIGTRAP, SIGSEGV};
    struct sigaction saved[std::size(signals)];
    for (size_t i = 0; i < std::size(signals); i++)
        sigaction(signals[i], nullptr, &saved[i]);
    Setup_Signal_Handlers(); // also what the start-up handler does after every signal
    for (int number : {SIGSEGV, SIGFPE}) {
        struct sigaction now;
        sigaction(number, nullptr, &now);
        EXPECT_TRUE(now.sa_flags & SA_SIGINFO) << number;
        EXPECT_EQ(now.sa_sigaction, segv_handler) << number;
    }
    struct sigaction interrupt;
    sigaction(SIGINT, nullptr, &interrupt);
    EXPECT_EQ(interrupt.sa_handler, Sigusr); // the others are taken
    for (size_t i = 0; i < std::size(signals); i++)
        sigaction(signals[i], &saved[i], nullptr);
}

TEST_F(FaultTest, GuardedStackGrowsPageByPageAndReportsNewMaxima)
{
    if (tsim_page_size() != 4096) GTEST_SKIP() << "the pages below are 4096 bytes";
    int saved_level = get_debug_flag(DEBUG_CATEGORY_STACK_CHECK);
    set_debug_flag(DEBUG_CATEGORY_STACK_CHECK, 1);
    SinkCapture out;
    spawn("grower", [&] {
        job_s *self = tsim_active_job;
        EXPECT_EQ(self->guarded_pages, 1u);
        char *top = self->stack + self->stack_size;
        for (int page = 2; page <= 5; page++)
            *reinterpret_cast<volatile char *>(top - page * 4096 + 64) = 1;
        EXPECT_EQ(self->guarded_pages, 5u);
    });
    run();
    tsim_free(tsim);
    tsim = nullptr;
    set_debug_flag(DEBUG_CATEGORY_STACK_CHECK, saved_level);
    std::string text = out.text();
    size_t at = 0;
    for (int pages = 2; pages <= 5; pages++) {
        std::string line =
            "New stack fault usage maximum (" + std::to_string(pages) + " pages) by job 'grower'\n";
        size_t found = text.find(line, at);
        ASSERT_NE(found, std::string::npos) << line << text;
        // each followed by the fault stack trace
        EXPECT_EQ(text.compare(found + line.size(), 43, "FATAL ERROR: jobs : Segmentation info> BP: "), 0);
        at = found + line.size();
    }
    EXPECT_NE(text.find("STACK Utilization. Total Stack Pages Used: 5, Observed Job Count: 1, Biggest Stack "
                        "Size: 5 (by Job: 'grower'), (Exec) Stack Pages: 16, Page Size: 4096\n"),
              std::string::npos)
        << text;
}

// ---------------------------------------------------------------------------------------------
// Unrecoverable faults end the process.

__attribute__((noinline)) int recurse(int depth)
{
    volatile char frame[256];
    frame[0] = (char)depth;
    if (depth == INT32_MAX) return 0; // never: the guard page comes first
    return recurse(depth + 1) + frame[0];
}

// An address no process maps.
volatile int *bad_address(uintptr_t value)
{
    volatile int *volatile address = reinterpret_cast<volatile int *>(value);
    return address;
}

int faulting_hook(int, siginfo_t *, void *)
{
    return *bad_address(0x10);
}

class FaultDeathTest : public FaultTest
{
  protected:
    void SetUp() override
    {
        GTEST_FLAG_SET(death_test_style, "threadsafe");
        FaultTest::SetUp();
    }
    // The kernel's messages on the standard error, and the handlers installed over the default
    // actions (a sanitizer's own handlers would otherwise be what a give-up restores).
    void prepare(int signal_action)
    {
        Quarn_Output_File = stderr;
        signal(SIGSEGV, SIG_DFL);
        signal(SIGFPE, SIG_DFL);
        tsim_handlers_installed = 0;
        tsim_install_fault_handlers();
        tsim_set_signal_action(tsim, signal_action);
    }
    // Runs the body in a job.
    void die_in_job(const char *name, std::function<void()> body, int signal_action)
    {
        prepare(signal_action);
        spawn(name, std::move(body));
        run();
    }
};

TEST_F(FaultDeathTest, StackOverflowIsReportedWithATraceAndEndsTheProcess)
{
    EXPECT_EXIT(
        die_in_job(
            "deep", [] { recurse(0); }, 1),
        testing::KilledBySignal(SIGSEGV),
        "Stack overflow in job 'deep'\n.*unhandled signal \\(11\\) in job 'deep'\n.*Segmentation info> "
        "BP: 0x[0-9a-f]+, SP: 0x[0-9a-f]+, IP: 0x[0-9a-f]+\n.*#0\t0x[0-9a-f]+ in <.*recurse.*Restored "
        "previous handler\\.\n");
}

TEST_F(FaultDeathTest, WithoutDebuggerCheckADefaultPreviousActionTrapsFirst)
{
    // SIGTRAP ignored: the faulting access then runs again under the restored default action.
    EXPECT_EXIT(
        {
            signal(SIGTRAP, SIG_IGN);
            die_in_job(
                "deep", [] { recurse(0); }, 0);
        },
        testing::KilledBySignal(SIGSEGV),
        "Restored previous handler\\.\n.*If you continue from here, the original signal will be "
        "raised\n.*You "
        "might want to do things like\n.*    handle 11 stop\n.*    handle 11 print\n.*before you continue\n");
}

TEST_F(FaultDeathTest, FloatingPointSignalWithoutHookIsUnhandled)
{
    EXPECT_EXIT(die_in_job(
                    "fpe", [] { raise(SIGFPE); }, 1),
                testing::KilledBySignal(SIGFPE),
                "job sig11_handler null\n.*unhandled signal \\(8\\) in job 'fpe'\n");
}

TEST_F(FaultDeathTest, FaultInsideTheHandlerGivesUp)
{
    EXPECT_EXIT(
        {
            tsim_set_handler(faulting_hook);
            die_in_job(
                "fpe", [] { raise(SIGFPE); }, 1);
        },
        testing::KilledBySignal(SIGSEGV),
        "Recursive segmentation fault in segv_handler on addres 0x10\\. Giving up\\.\n.*Segmentation info> "
        ".*Restored previous handler\\.\n");
}

TEST_F(FaultDeathTest, FaultOutsideAnyJob)
{
    EXPECT_EXIT(
        {
            prepare(1);
            *bad_address(0x18) = 1;
        },
        testing::KilledBySignal(SIGSEGV),
        "no job sig11_handler null\n.*No tsim_active_job \\(or _proxy\\)\\. Segmentation fault on address "
        "0x18\n.*Segmentation info> ");
}

} // namespace

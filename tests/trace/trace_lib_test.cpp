// Trace libraries loaded from shared objects built for the tests: loading and its messages, the
// library limit, stages and commands, tracing on and off, the records each library receives and
// the counts records; the room translated code writes into.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <string>
#include <vector>

#include "processor/records/thread_state.h"
#include "trace/trace_lib.h"
#include "translator/turbo_reason.h"

namespace
{

struct Call {
    std::string library, method;
    std::vector<uint64_t> words;
    uint64_t *slot;
    uint64_t value;
};
std::vector<Call> calls;
// For long runs: only the number of trc_ins records and whether their addresses came in order.
bool count_only;
uint64_t counted_records, next_address;
bool in_order = true;

typedef void (*probe_sink_fn)(const char *, const char *, const uint64_t *, uint64_t *, uint64_t);

void sink(const char *library, const char *method, const uint64_t *record, uint64_t *slot, uint64_t value)
{
    if (count_only) {
        in_order = in_order && record && record[2] == next_address;
        next_address += 4;
        counted_records++;
        return;
    }
    Call c{library, method, {}, slot, value};
    if (record) {
        int32_t words = trc_methods()[record[0]].args + 1;
        c.words.assign(record, record + words);
    }
    calls.push_back(c);
}

// Loads the library and points its sink at the test's.
int32_t load(const char *path, int32_t argument = 0)
{
    int32_t index = TRC_LOAD_LIB(path, argument, nullptr);
    if (index >= 0) {
        void *handle = dlopen(path, RTLD_LAZY | RTLD_NOLOAD);
        auto *sink_slot = static_cast<probe_sink_fn *>(dlsym(handle, "probe_sink"));
        if (sink_slot) *sink_slot = sink;
        dlclose(handle);
    }
    return index;
}

std::vector<std::string> methods_of(const char *library)
{
    std::vector<std::string> out;
    for (const Call &c : calls)
        if (c.library == library) out.push_back(c.method);
    return out;
}

const Call *first(const char *method)
{
    for (const Call &c : calls)
        if (c.method == method) return &c;
    return nullptr;
}

} // namespace

TEST(TraceLib, LoadingPrintsEveryBoundNameAndAFailureReturnsMinusOne)
{
    testing::internal::CaptureStdout();
    EXPECT_EQ(TRC_LOAD_LIB("/nonexistent/libnothing.so", 0, nullptr), -1);
    int32_t index = TRC_LOAD_LIB(TRC_PROBE_INS_ONLY, 0, nullptr);
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(index, 0);
    EXPECT_NE(out.find("loading /nonexistent/libnothing.so\nload /nonexistent/libnothing.so -> "), std::string::npos);
    EXPECT_NE(out.find(std::string("loading ") + TRC_PROBE_INS_ONLY + "\n   ... loaded trc_ins\n"), std::string::npos);
    EXPECT_EQ(out.find("loaded evt_"), std::string::npos);
    EXPECT_TRUE(trc_is_active(TRC_INS) == 0) << "tracing is off";
}

// Indexes are never reused: the ninth load of the process is refused even after unloads, and the
// refused library binds nothing.
TEST(TraceLib, NinthLibraryIsRefusedEvenAfterUnloads)
{
    for (int i = 0; i < MAX_TRC_LIBS; i++) {
        ASSERT_EQ(load(TRC_PROBE_PLAIN), i);
        if (i % 2) {
            EXPECT_EQ(TRC_UNLOAD_LIB(i), 1);
        }
    }
    EXPECT_EQ(TRC_UNLOAD_LIB(1), 0) << "already gone";
    testing::internal::CaptureStdout();
    EXPECT_EQ(load(TRC_PROBE_FULL), -1);
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("error loaded more than MAX_TRC_LIBS=8 libraries.   Need to increase the compile time "
                       "define of MAX_TRC_LIBS\n"),
              std::string::npos);
    EXPECT_EQ(out.find("... loaded"), std::string::npos);
    TRC_SET_ON();
    EXPECT_FALSE(trc_is_active(TRC_INS)) << "no method of the refused library is active";
    TRC_SET_OFF();
}

TEST(TraceLib, StagesAreAssignedRoundRobinAndCommandsReachTheirLibrary)
{
    TRC_THREADS(3);
    for (int i = 0; i < 5; i++)
        ASSERT_EQ(load(TRC_PROBE_PLAIN, i), i);
    // Stage 1 holds 3 then 0 (pushed at the front), stage 2 holds 4 then 1, stage 3 holds 2.
    EXPECT_EQ(trc_stage_count(), 4);
    EXPECT_EQ(trc_stage_lib(0, 0), nullptr);
    const int expected[4][2] = {{-1, -1}, {3, 0}, {4, 1}, {2, -1}};
    for (int s = 1; s <= 3; s++)
        for (int i = 0; i < 2; i++) {
            lib_s *lib = trc_stage_lib(s, i);
            EXPECT_EQ(lib ? lib->index : -1, expected[s][i]) << "stage " << s << " position " << i;
        }
    // Library 0 is the second of stage 1.
    calls.clear();
    EXPECT_EQ(TRC_LIB_CMD(0, 7, nullptr), 107);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].value, 0x1000u) << "the data evt_load returned for argument 0";
    EXPECT_EQ(TRC_LIB_CMD(9, 7, nullptr), 1) << "no such library";

    char label[512];
    trc_get_label(trc_stage_lib(3, 0), label, sizeof label);
    EXPECT_STREQ(label, "trc_probe_plain.so_2");

    // Back to one stage: every library moves to stage 0.
    TRC_THREADS(0);
    int n = 0;
    while (trc_stage_lib(0, n))
        n++;
    EXPECT_EQ(n, 5);
}

TEST(TraceLib, OnAndOffNestAndOnlyTheLastOffActs)
{
    ASSERT_EQ(load(TRC_PROBE_FULL), 0);
    calls.clear();
    TRC_SET_ON();
    TRC_SET_ON();
    TRC_SET_OFF();
    EXPECT_EQ(TRC_IS_ON(), 1);
    trc_pid(42);
    TRC_SET_OFF();
    EXPECT_EQ(TRC_IS_ON(), 0);
    // evt_on once; the start passes one empty buffer (one flush); the pid record; then evt_off.
    std::vector<std::string> got = methods_of("full");
    std::vector<std::string> want = {"evt_on", "evt_flush", "evt_pid", "evt_flush", "evt_off"};
    EXPECT_EQ(got, want);
    ASSERT_NE(first("evt_pid"), nullptr);
    EXPECT_EQ(first("evt_pid")->words, (std::vector<uint64_t>{TRC_EVT_PID, 42}));
}

TEST(TraceLib, InterpretedInstructionRecordCarriesTheBranchBitAndNoSlot)
{
    ASSERT_EQ(load(TRC_PROBE_INS_ONLY), 0);
    TRC_SET_ON();
    calls.clear();
    trc_ins(0x48000010, 0x1000, nullptr); // b +16: a branch
    trc_ins(0x7C642A14, 0x1004, nullptr); // add
    TRC_SET_OFF();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].words, (std::vector<uint64_t>{TRC_INS, 0x148000010ull, 0x1000, 0}));
    EXPECT_EQ(calls[0].slot, nullptr);
    EXPECT_EQ(calls[1].words[1], 0x7C642A14u);
}

TEST(TraceLib, CountsArriveBeforeTheNextEventAndAtTheLastOff)
{
    ASSERT_EQ(load(TRC_PROBE_FULL), 0);
    TRC_SET_ON();
    calls.clear();
    for (int i = 0; i < 3; i++)
        trc_ins(0x60000000, 0x100 + 4 * i, nullptr);
    trc_pid(7);
    trc_ins(0x60000000, 0x200, nullptr);
    TRC_SET_OFF();
    std::vector<std::string> got;
    std::vector<uint64_t> counted;
    for (const Call &c : calls) {
        if (c.method == "evt_flush" || c.method == "evt_10M" || c.method == "evt_off") continue;
        got.push_back(c.method);
        if (c.method == "cnt_ins") counted.push_back(c.value);
    }
    std::vector<std::string> want = {"trc_ins", "trc_ins", "trc_ins", "cnt_ins", "evt_pid", "trc_ins", "cnt_ins"};
    EXPECT_EQ(got, want);
    EXPECT_EQ(counted, (std::vector<uint64_t>{3, 1}));
}

// Translated code writes records at the thread's cursor one instruction late: the first record of a
// run carries address 1 and reaches no library; a run ending with "fetch" writes the pending one.
TEST(TraceLib, TranslatedRunRecordsAndThePendingInstruction)
{
    ASSERT_EQ(load(TRC_PROBE_FULL), 0);
    TRC_SET_ON();
    static ThreadState thread;
    thread.device_number = 3;
    thread.turbo.togo = 100;
    calls.clear();
    trc_before(&thread, 100);
    ASSERT_NE(thread.turbo.trace_cursor, nullptr);
    EXPECT_EQ(thread.turbo.trace_address, 1u);
    // What two instruction prologues write.
    uint64_t *w = thread.turbo.trace_cursor;
    const uint64_t first_record[4] = {TRC_INS, 0, 1, 0};
    const uint64_t second_record[4] = {TRC_INS, 0x7C642A14, 0x2000, 0};
    std::copy(first_record, first_record + 4, w);
    std::copy(second_record, second_record + 4, w + 4);
    thread.turbo.trace_cursor = w + 8;
    thread.turbo.trace_word = 0x60000000;
    thread.turbo.trace_address = 0x2004;
    thread.turbo.reason = EXIT_FETCH;
    trc_after(&thread, 2);
    TRC_SET_OFF();

    std::vector<uint64_t> addresses;
    for (const Call &c : calls)
        if (c.method == "trc_ins") addresses.push_back(c.words[2]);
    EXPECT_EQ(addresses, (std::vector<uint64_t>{0x2000, 0x2004}));
    ASSERT_NE(first("evt_smt"), nullptr);
    EXPECT_EQ(first("evt_smt")->words[1], 3u);
    ASSERT_NE(first("evt_turbo"), nullptr);
    EXPECT_EQ(first("evt_turbo")->words[1], 100u);
    ASSERT_NE(first("evt_simple"), nullptr);
    EXPECT_EQ(first("evt_simple")->words[1], 2u);
}

TEST(TraceLib, PrivilegeEventFollowsTheNewMsrAndBranchOutcome)
{
    ASSERT_EQ(load(TRC_PROBE_FULL), 0);
    TRC_SET_ON();
    calls.clear();
    trc_mode_change(0x4000, 1, 2);
    trc_mode_change(1ull << 60, 3, 4);
    trc_mode_change(0, 5, 6);
    trc_branch(0x100, 0x200, 1, nullptr, 0x41820010, 1);
    trc_branch(0x100, 0x104, 0, nullptr, 0x41820010, 1);
    TRC_SET_OFF();
    std::vector<std::string> got;
    for (const Call &c : calls)
        if (c.method.rfind("evt_pr", 0) == 0 || c.method == "trc_branch") got.push_back(c.method);
    EXPECT_EQ(got, (std::vector<std::string>{"evt_prob", "evt_priv_hyp", "evt_priv", "trc_branch", "trc_branch"}));
    std::vector<uint64_t> outcomes;
    for (const Call &c : calls)
        if (c.method == "trc_branch") outcomes.push_back(c.words[4]);
    EXPECT_EQ(outcomes, (std::vector<uint64_t>{2, 1}));
}

// With pipeline threads the records are processed on the stage threads, and stopping drains them.
TEST(TraceLib, RecordsPassThroughPipelineThreads)
{
    TRC_THREADS(2);
    ASSERT_EQ(load(TRC_PROBE_INS_ONLY), 0);
    count_only = true;
    next_address = 0x1000;
    testing::internal::CaptureStdout();
    TRC_SET_ON();
    // Enough records to fill more than one buffer.
    const uint64_t n = TRC_BUFFER_BYTES / 32 + 10;
    for (uint64_t i = 0; i < n; i++)
        trc_ins(0x60000000, 0x1000 + 4 * i, nullptr);
    TRC_SET_OFF();
    std::string out = testing::internal::GetCapturedStdout();
    count_only = false;
    EXPECT_NE(out.find("stage_child called for idx 1\n"), std::string::npos);
    EXPECT_NE(out.find("stage_child called for idx 2\n"), std::string::npos);
    EXPECT_EQ(counted_records, n);
    EXPECT_TRUE(in_order);
}

// Every code of the sim-support table, and the client interface and RTAS blocks, with hostile
// arguments: addresses outside memory, lengths of -1 and 2^63 - 1, counts that overflow. Each call
// must complete (or report a storage interrupt) without touching host memory it does not own.
#include "decode/semantics.h"
#include "guest/open_firmware.h"
#include "guest/rtas.h"
#include "processor/time/time_domain.h"
#include "guestsvc/guest_call.h"
#include "support/sink_capture.h"

namespace
{

// Codes that block the calling kernel job (gates, locks, the barrier, delays, the halt): they
// need a running job and are exercised by the lock tests.
bool blocks(uint64_t code)
{
    return code == 126 || code == 131 || code == 134 || code == 138 || code == 140 || code == 145;
}

const uint64_t hostile[] = {0, 0x1000, 0xFFFFFFF0ull, 0x7FFFFFFFFFFFFFFFull, ~0ull};

TEST(HostileCalls, EveryCodeCompletesWithBadArguments)
{
    GuestCall g;
    ASSERT_TRUE(g.ok());
    TclRecorder tcl;
    SinkCapture sink;
    // The debug channel gives up after a second when no tool connects.
    setenv("Z93_QUARN_USE_SLIPLANE", "0", 1);
    for (uint64_t code = 0; code < 192; code++) {
        if (blocks(code)) continue;
        for (uint64_t a : hostile)
            for (uint64_t b : hostile) {
                // Lengths, counts and file numbers come from GPR5 to GPR10.
                for (int n = 7; n <= 10; n++)
                    g.gpr(n) = b;
                g.prepare(g.t);
                int completed = g.call(code, a, b, b);
                // 0 only when a storage interrupt was raised on the call.
                EXPECT_TRUE(completed == 1 || (completed == 0 && g.iop->exceptions))
                    << "code " << code << " gpr4 " << a << " gpr5 " << b;
                Start_The_Simulation();
            }
    }
}

// A clock frequency the machine cannot tick at is refused and leaves the frequency as it was; a
// sound one is taken.
TEST(HostileCalls, ClockFrequencyTheMachineCannotTickAtIsRefused)
{
    GuestCall g;
    ASSERT_TRUE(g.ok());
    GenericMachine *machine = g.m.machine;
    uint64_t before = evaluate_frequency_ratio(&machine->base_freq, nullptr);
    for (uint64_t khz : {0ull, 0xFFFFFFF0ull, 0x7FFFFFFFFFFFFFFFull}) {
        EXPECT_EQ(g.call(157, khz), 1);
        EXPECT_EQ(g.result(), -1) << khz;
        EXPECT_EQ(evaluate_frequency_ratio(&machine->base_freq, nullptr), before) << khz;
    }
    g.call(157, 3000000);
    EXPECT_EQ(g.result(), 0);
    EXPECT_EQ(evaluate_frequency_ratio(&machine->base_freq, nullptr), 3000000000ull);
}

// The client interface and RTAS read their blocks from guest memory; blocks full of extreme cells
// (lengths and counts of 0xFFFFFFFF, addresses at the end of memory) are answered, not followed.
TEST(HostileCalls, FirmwareBlocksWithExtremeCells)
{
    GuestCall g;
    ASSERT_TRUE(g.ok());
    SinkCapture sink;
    const uint32_t cells[] = {0, 1, 0x2000, 0x7FFFFFFF, 0xFFFFFFFF};
    for (const OF_ServiceRow &row : of_services)
        for (uint32_t cell : cells) {
            const char *service = row.name;
            g.put_string(0x1000, service);
            g.write(0x2000, 4, 0x1000);
            for (uint64_t n = 1; n < 10; n++)
                g.write(0x2000 + 4 * n, 4, cell);
            g.prepare(g.t);
            EXPECT_EQ(g.call(99, 0x2000), 1) << service << " " << cell;
            // A write longer than the memory is refused: actual length -1.
            if (strcmp(service, "write") == 0 && cell > 0x7FFFFFF) {
                EXPECT_EQ(g.read(0x2000 + 4 * 6, 4), 0xFFFFFFFFu) << cell;
            }
            Start_The_Simulation();
        }
    // RTAS: every token with argument counts from 0 to 0xFFFFFFFF and extreme argument cells.
    for (int32_t token = 999; token <= 1060; token++)
        for (uint32_t cell : cells) {
            g.write(0x3000, 4, (uint32_t)token);
            g.write(0x3004, 4, cell);
            g.write(0x3008, 4, cell);
            for (uint64_t n = 3; n < 12; n++)
                g.write(0x3000 + 4 * n, 4, cell);
            g.prepare(g.t);
            g.gpr(3) = 0x3000;
            int completed = core_rtascall(g.iop);
            EXPECT_TRUE(completed == 1 || (completed == 0 && g.iop->exceptions)) << token << " " << cell;
            Start_The_Simulation();
        }
}

} // namespace

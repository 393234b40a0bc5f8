// System call, traps and power saving: sc and scv in and out of standalone mode, the trap
// conditions (with the tagged-address rules of td in tags-active mode), txer, the power-saving
// instructions with their gates, waitasec and the wait instruction.
#include "isa/hooks/linux_syscall.h"
#include "decode/semantics.h"
#include "exec_word.h"
#include "interrupts/decrementer_wakeup.h"
#include "exec/pc_triggers.h"
#include "isa/system_instructions.h"
#include "memory/memory_map.h"
#include "processor/hooks/htm.h"
#include "processor/records/generic_machine.h"
#include "processor/run/smt.h"
#include "support/htm_record.h"

namespace
{

constexpr uint32_t SC = 0x44000002, SC_LEV1 = 0x44000022, SC00 = 0x44000000, SCV = 0x44000001;
constexpr uint32_t NAP = 0x4C000364, DOZE = 0x4C000324, SLEEP = 0x4C0003A4, WINKLE = 0x4C0003E4;
constexpr uint32_t WAITASEC = 0x7C00003C, TXER = 0x7C00021C;

uint32_t tw(uint32_t to, uint32_t ra, uint32_t rb)
{
    return 0x7C000008 | to << 21 | ra << 16 | rb << 11;
}
uint32_t td(uint32_t to, uint32_t ra, uint32_t rb)
{
    return 0x7C000088 | to << 21 | ra << 16 | rb << 11;
}
uint32_t twi(uint32_t to, uint32_t ra, uint32_t si)
{
    return 0x0C000000 | to << 21 | ra << 16 | (si & 0xFFFF);
}
uint32_t tdi(uint32_t to, uint32_t ra, uint32_t si)
{
    return 0x08000000 | to << 21 | ra << 16 | (si & 0xFFFF);
}

// A thread that runs: SMT-enabled and in the running state.
void running(ExecWord &ew)
{
    ew.t->x_smt_enable = 1;
    ew.t->x_threadState = CPU_RUNNING;
}

// ---- system calls ----

// A system-call trigger on the ExecWord machines that counts its calls and declines them.
struct SyscallProbe {
    explicit SyscallProbe(uint64_t number)
    {
        entry.hash.key0 = number;
        entry.callback = record;
        entry.data = this;
        machine.trigger_table = Test_Assoc_Table();
        Trigger_Syscall__Add(&machine, &entry);
    }
    ~SyscallProbe() { Trigger_Syscall__Remove(&machine, entry.hash.key0); }
    static int32_t record(void *data, ThreadState *, uint64_t number, int64_t, int32_t, uint64_t)
    {
        auto *probe = static_cast<SyscallProbe *>(data);
        probe->calls++;
        probe->number = number;
        return 0;
    }
    GenericMachine machine{};
    Syscall_Trigger_Entry entry{};
    long calls = 0;
    uint64_t number = 0;
};

class SystemCall : public ::testing::Test
{
  protected:
    void TearDown() override { standalone_mode = 0; }
};

TEST_F(SystemCall, ScRaisesTheInterruptThatReturnsAfterIt)
{
    SyscallProbe probe(45);
    ExecWord ew;
    ew.gpr(0) = 45;
    EXPECT_EQ(ew.run(SC), 1);
    ASSERT_NE(ew.raised(), nullptr);
    EXPECT_EQ(ew.raised()->type, 3);
    EXPECT_EQ(ew.raised()->instruction_address, 0x1004u);
    EXPECT_EQ(ew.t->PC.value, 0x1000u);
    EXPECT_EQ(probe.calls, 1);
    EXPECT_EQ(probe.number, 45u);

    EXPECT_EQ(ew.run(SC_LEV1), 1);
    ASSERT_NE(ew.raised(), nullptr);
    EXPECT_EQ(ew.raised()->type, 27);
    EXPECT_EQ(ew.raised()->instruction_address, 0x1004u);
    EXPECT_EQ(probe.calls, 1); // no trigger test for the hypervisor call
}

TEST_F(SystemCall, StandaloneProgramsAreServedByTheEmulation)
{
    standalone_mode = 1;
    SyscallProbe probe(20);
    ExecWord ew;
    ew.gpr(0) = 20; // getpid answers 1
    for (uint32_t word : {SC, SC_LEV1}) {
        ew.gpr(3) = 77;
        EXPECT_EQ(ew.run(word), 1);
        EXPECT_EQ(ew.raised(), nullptr);
        EXPECT_EQ(ew.gpr(3), 1u);
    }
    EXPECT_EQ(ew.t->PC.value, 0x1008u);
    EXPECT_EQ(probe.calls, 2); // the emulation asks the triggers first
    EXPECT_EQ(probe.number, 20u);
}

TEST_F(SystemCall, Sc00FormNeedsItsOption)
{
    ExecWord ew;
    EXPECT_STREQ((ew.prepare(SC00), ew.mnemonic()), "sc");
    EXPECT_EQ(ew.run(SC00), 1);
    EXPECT_EQ(ew.raised()->type, 3);

    ew.option(PO_SC00_FORM_SUPPORTED, 0);
    EXPECT_EQ(ew.run(SC00), 0);
    ASSERT_NE(ew.raised(), nullptr);
    EXPECT_EQ(ew.raised()->type, 28);
    EXPECT_EQ(ew.raised()->subtype, 221);
    EXPECT_EQ(ew.run(SC), 1); // a word with a low bit set is no SC00 form
    EXPECT_EQ(ew.raised()->type, 3);
}

TEST_F(SystemCall, AssistThreadStopsItself)
{
    for (uint32_t word : {SC, SCV, NAP}) {
        ExecWord ew;
        running(ew);
        ew.t->is_assist_thread = 1;
        EXPECT_EQ(ew.run(word), 0);
        EXPECT_EQ(ew.raised(), nullptr);
        EXPECT_EQ(ew.t->x_threadState, (uint32_t)CPU_STALLED);
        EXPECT_EQ(ew.t->stall_reason, STALL_ASSIST_STOPPED);
        EXPECT_EQ(ew.t->PC.value, 0x1000u);
    }
}

TEST_F(SystemCall, ScvOnlyInTagsActiveMode)
{
    struct Case {
        const char *what;
        bool supported, tags_active, standalone;
        int result, type;
    } cases[] = {
        {"not supported", false, true, false, 0, 28},
        {"tags inactive", true, false, false, 0, 28},
        {"vectored", true, true, false, 1, 45},
        {"standalone", true, true, true, 1, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        standalone_mode = c.standalone;
        ExecWord ew;
        ew.gpr(0) = 20;
        ew.gpr(3) = 77;
        ew.option(PO_SCV_SUPPORTED, c.supported);
        if (c.tags_active) ew.t->MSR.value |= MSR_TA;
        EXPECT_EQ(ew.run(SCV | 0x85 << 5), c.result);
        if (c.type) {
            ASSERT_NE(ew.raised(), nullptr);
            EXPECT_EQ(ew.raised()->type, c.type);
            EXPECT_EQ(ew.t->PC.value, 0x1000u);
        } else {
            EXPECT_EQ(ew.raised(), nullptr);
            EXPECT_EQ(ew.gpr(3), 1u); // served: getpid answers 1
            EXPECT_EQ(ew.t->PC.value, 0x1004u);
        }
        if (c.type == 45) {
            EXPECT_EQ(ew.raised()->vector, 0x5u * 32);
            EXPECT_EQ(ew.raised()->instruction_address, 0x1004u);
        }
    }
}

// ---- traps ----

TEST(Trap, ConditionsOfTheWordAndDoublewordForms)
{
    struct Case {
        const char *what;
        uint32_t word; // RA 4, RB 5
        uint64_t ra, rb;
        bool tags_active;
        bool trap;
    } cases[] = {
        {"tw 31 always", tw(31, 4, 5), 1, 2, false, true},
        {"twi 0 never", twi(0, 4, 1), 1, 0, false, false},
        {"tw equal on the low words", tw(4, 4, 5), 0x100000005, 5, false, true},
        {"tw signed less", tw(16, 4, 5), 0xFFFFFFFF, 1, false, true},
        {"tw unsigned less", tw(2, 4, 5), 0xFFFFFFFF, 1, false, false},
        {"tw unsigned greater", tw(1, 4, 5), 0xFFFFFFFF, 1, false, true},
        {"twi signed greater", twi(8, 4, 0xFFFF), 5, 0, false, true},
        {"twi unsigned greater", twi(1, 4, 0xFFFF), 0xFFFFFFFE, 0, false, false},
        {"td equal on all bits", td(4, 4, 5), 0x100000005, 5, false, false},
        {"td signed less", td(16, 4, 5), ~0ull, 1, false, true},
        {"tdi unsigned less", tdi(2, 4, 10), 5, 0, false, true},
        // Tagged addresses (high 16 bits the tag, bits 47:24 the object).
        {"td 28 equal untagged", td(28, 4, 5), 0x1234, 0x1234, true, false},
        {"td 28 untagged, less", td(28, 4, 5), 0x1234, 0x5678, true, false},
        {"td 28 different tags", td(28, 4, 5), 0x0001000000001234, 0x0002000000001234, true, true},
        {"td 28 one object, below", td(28, 4, 5), 0x0001000001000010, 0x0001000001000020, true, true},
        {"td 28 one object, at or above", td(28, 4, 5), 0x0001000001000020, 0x0001000001000010, true, false},
        {"td 29 tagged, other object", td(29, 4, 5), 0x0001000001000000, 0x0001000002000000, true, true},
        {"td 29 untagged", td(29, 4, 5), 0x10, 0x20, true, false},
        {"td 30 other object", td(30, 4, 5), 0x0000000001000000, 0x0000000002000000, true, true},
        {"td 30 signed less still traps", td(30, 4, 5), 0x10, 0x20, true, true},
        {"td 30 greater does not", td(30, 4, 5), 0x20, 0x10, true, false},
        {"td 28 outside tags-active mode", td(28, 4, 5), 0x1234, 0x1234, false, true},
        {"td 31 in tags-active mode", td(31, 4, 5), 0x1234, 0x1234, true, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        ExecWord ew;
        if (c.tags_active) ew.t->MSR.value |= MSR_TA;
        ew.gpr(4) = c.ra;
        ew.gpr(5) = c.rb;
        EXPECT_EQ(ew.run(c.word), 1);
        if (c.trap) {
            ASSERT_NE(ew.raised(), nullptr);
            EXPECT_EQ(ew.raised()->type, 2);
            EXPECT_EQ(ew.raised()->subtype, 219);
            EXPECT_EQ(ew.raised()->srr1_set, 0x20000u);
            EXPECT_EQ(ew.t->PC.value, 0x1000u);
        } else {
            EXPECT_EQ(ew.raised(), nullptr);
            EXPECT_EQ(ew.t->PC.value, 0x1004u);
        }
    }
}

TEST(Trap, DoublewordTrapsAreGatedIn32BitMode)
{
    for (uint32_t word : {td(31, 4, 5), tdi(31, 4, 0)}) {
        ExecWord ew;
        ew.option(PO_NO_64BIT_OPS_IN_32BIT_MODE);
        ew.mode32();
        EXPECT_EQ(ew.run(word), 0);
        ASSERT_NE(ew.raised(), nullptr);
        EXPECT_EQ(ew.raised()->subtype, 220);
    }
}

TEST(Trap, TxerTestsOneXerBit)
{
    struct Case {
        const char *what;
        uint32_t n, expected;
        uint64_t xer;
        bool tags_active;
        int result;
        uint64_t read_mask;
    } cases[] = {
        {"OV set, expected 1", 1, 1, XER_OV, true, 0, XER_OV},
        {"OV set, expected 0", 1, 0, XER_OV, true, 1, XER_OV},
        {"FXCC bit", 5, 1, 0x04000000, true, 0, 0x04000000},
        {"SO in the wide mask", 0, 1, XER_SO, true, 0, 0x808FFFFF},
        {"bit 23 in the wide mask", 8, 0, 0, true, 0, 0x808FFFFF},
        {"TGCC bit", 11, 1, 0x100000, true, 0, 0x100000},
        {"beyond 11 reads 0", 12, 0, ~0ull, true, 0, 0},
        {"tags inactive", 1, 1, XER_OV, false, 0, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        ExecWord ew;
        if (c.tags_active) ew.t->MSR.value |= MSR_TA;
        ew.xer() = c.xer;
        // The row's encoding (31/270) fixes word bits 7-10, which carry n: the routine is run on
        // the word directly.
        IOPDesc *iop = ew.prepare((TXER & ~0x780u) | c.expected << 21 | c.n << 7);
        iop->row = &instruction_info_table[ROW_TXER];
        ASSERT_STREQ(ew.mnemonic(), "txer");
        EXPECT_EQ(semantic_txer(iop), c.result);
        EXPECT_EQ(ew.t->XER.bits_read.valid ? ew.t->XER.bits_read.mask : 0u, c.read_mask);
        if (c.result) {
            EXPECT_EQ(ew.raised(), nullptr);
            EXPECT_EQ(ew.t->PC.value, 0x1004u);
        } else {
            ASSERT_NE(ew.raised(), nullptr);
            EXPECT_EQ(ew.raised()->subtype, c.tags_active ? 219 : 221);
        }
    }
}

// ---- power saving ----

class PowerSaving : public ::testing::Test
{
};

TEST_F(PowerSaving, StopsTheThreadInItsModeWithoutAdvancing)
{
    struct Case {
        uint32_t word;
        int32_t mode;
    } cases[] = {{NAP, 3}, {DOZE, 4}, {SLEEP, 2}, {WINKLE, 1}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.mode);
        ExecWord ew;
        running(ew);
        EXPECT_EQ(ew.run(c.word), 1);
        EXPECT_EQ(ew.raised(), nullptr);
        EXPECT_EQ(ew.t->x_smt_enable, 0u);
        EXPECT_EQ(ew.t->x_threadState, (uint32_t)CPU_STALLED);
        EXPECT_EQ(ew.t->stall_reason, STALL_INSTRUCTION);
        EXPECT_EQ(ew.t->power_mode, c.mode);
        EXPECT_EQ(ew.t->PC.value, 0x1000u);
    }
}

TEST_F(PowerSaving, WhoMayUseIt)
{
    struct Case {
        const char *what;
        uint64_t msr, hid1;
        bool v202, hv_only;
        int result, type; // type 0: stopped
    } cases[] = {
        {"hypervisor", MSR_SF | MSR_HV, 0, true, true, 1, 0},
        {"privileged with HID1 bit 25", MSR_SF, 0x2000000, true, true, 1, 0},
        {"privileged with HID1 bit 55", MSR_SF, 0x0080000000000000, true, true, 1, 0},
        {"privileged without HID1", MSR_SF, 0, true, true, 0, 2},
        {"privileged without HID1, illegal", MSR_SF, 0, true, false, 0, 28},
        {"problem state in hypervisor", MSR_SF | MSR_HV | MSR_PR, 0, true, true, 0, 2},
        {"no version 2.02", MSR_SF | MSR_HV, 0, false, true, 0, 2},
        {"no version 2.02, illegal", MSR_SF | MSR_HV, 0, false, false, 0, 28},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        ExecWord ew;
        running(ew);
        ew.t->MSR.value = c.msr;
        ew.core.core->HID1.value = c.hid1;
        ew.option(PO_POWERPC_V202, c.v202);
        ew.option(PO_NAP_OPS_VALID_HV_MODE_ONLY, c.hv_only);
        EXPECT_EQ(ew.run(NAP), c.result);
        if (c.type) {
            ASSERT_NE(ew.raised(), nullptr);
            EXPECT_EQ(ew.raised()->type, c.type);
            EXPECT_EQ(ew.t->x_smt_enable, 1u);
        } else {
            EXPECT_EQ(ew.t->x_smt_enable, 0u);
        }
        EXPECT_EQ(ew.t->PC.value, 0x1000u);
    }
}

TEST_F(PowerSaving, WaitSwitchOffAndTransactions)
{
    {
        ExecWord ew;
        running(ew);
        ew.t->machine->we_bit_ignored = 1;
        EXPECT_EQ(ew.run(SLEEP), 1);
        EXPECT_EQ(ew.t->x_smt_enable, 1u);
        EXPECT_EQ(ew.t->x_threadState, (uint32_t)CPU_RUNNING);
        EXPECT_EQ(ew.t->PC.value, 0x1004u);
    }
    {
        ExecWord ew;
        running(ew);
        ew.t->MSR.value |= MSR_TS_TRANSACTIONAL;
        EXPECT_EQ(ew.run(NAP), 1);
        EXPECT_EQ(HTM_Recorded_Cause(ew.t), 0x1800000u);
        EXPECT_EQ(ew.t->TFIAR.value & ~3ull, 0x1000u);
        EXPECT_EQ(ew.t->x_smt_enable, 1u);
        EXPECT_EQ(ew.t->PC.value, 0x1004u);
    }
    {
        ExecWord ew;
        running(ew);
        ew.t->machine->htm_os_supports_tm = 1; // the Bad Thing reaches the operating system
        ew.t->MSR.value |= MSR_TS_SUSPENDED;
        EXPECT_EQ(ew.run(NAP), 0);
        ASSERT_NE(ew.raised(), nullptr);
        EXPECT_EQ(ew.raised()->subtype, 277);
        EXPECT_EQ(ew.t->x_smt_enable, 1u);
        EXPECT_EQ(ew.t->PC.value, 0x1000u);
    }
}

TEST_F(PowerSaving, WaitasecWaitsUnlessAWakeIsPending)
{
    struct Case {
        const char *what;
        uint64_t sim_ctrl, sim_ctrl1, ts;
        bool problem_pcr206;
        uint32_t wake_pending;
        int result;
        bool waits;
        long failures;
        uint64_t pc;
    } cases[] = {
        {"waits", 0, 0, 0, false, 0, 1, true, 0, 0x1004},
        {"wake pending", 0, 0, 0, false, 1, 1, false, 0, 0x1004},
        {"disabled by SIM_CTRL", 0x400000000, 0, 0, false, 0, 0, false, 0, 0x1000},
        {"version 2.06 compatibility", 0, 0, 0, true, 0, 0, false, 0, 0x1000},
        {"transactional", 0, 0, MSR_TS_TRANSACTIONAL, false, 0, 1, false, 1, 0x1000},
        {"suspended", 0, 0, MSR_TS_SUSPENDED, false, 0, 1, true, 1, 0x1004},
        {"suspended, allowed", 0, 0x8000000000000000, MSR_TS_SUSPENDED, false, 0, 1, true, 0, 0x1004},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        ExecWord ew;
        running(ew);
        ew.t->SIM_CTRL.value = c.sim_ctrl;
        ew.t->SIM_CTRL1.value = c.sim_ctrl1;
        ew.t->MSR.value |= c.ts;
        if (c.problem_pcr206) {
            ew.t->MSR.value |= MSR_PR;
            ew.core.core->PCR.value = 0x4;
        }
        ew.t->wake_send_pending = c.wake_pending;
        EXPECT_EQ(ew.run(WAITASEC), c.result);
        EXPECT_EQ(ew.t->x_threadState, c.waits ? (uint32_t)CPU_WAIT : (uint32_t)CPU_RUNNING);
        EXPECT_EQ(ew.t->x_smt_enable, c.waits ? 0u : 1u);
        if (c.waits) {
            EXPECT_EQ(ew.t->stall_reason, STALL_WAITASEC);
        }
        EXPECT_EQ(ew.t->wake_send_pending, 0u);
        EXPECT_EQ(HTM_Failure_Recorded(ew.t) ? 1 : 0, c.failures);
        EXPECT_EQ(ew.t->PC.value, c.pc);
        EXPECT_EQ(ew.raised() != nullptr, c.result == 0);
    }
}

TEST_F(PowerSaving, WaitInstruction)
{
    struct Case {
        const char *what;
        uint32_t wc;
        bool option, reservation;
        uint64_t ts;
        int32_t reason; // 0: keeps running
    } cases[] = {
        {"WC 3 only advances", 3, true, true, 0, 0},
        {"WC 0 waits", 0, false, false, 0, STALL_WAIT},
        {"WC 1 without the option", 1, false, true, 0, STALL_WAIT},
        {"WC 1 with a reservation", 1, true, true, 0, STALL_WAITRSV},
        {"WC 1 without a reservation", 1, true, false, 0, 0},
        {"transactional", 0, false, false, MSR_TS_TRANSACTIONAL, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        ExecWord ew;
        running(ew);
        ew.option(PO_CAN_WAIT_FOR_RESERVERATION, c.option);
        ew.t->MSR.value |= c.ts;
        MemoryClient client{};
        client.reservation_valid = c.reservation;
        ew.t->memory_client = &client;
        IOPDesc *iop = ew.prepare(0x7C00007C | c.wc << 21);
        EXPECT_EQ(semantic_wait(iop), 1);
        ew.t->memory_client = nullptr;
        EXPECT_EQ(ew.t->x_threadState, c.reason ? (uint32_t)CPU_STALLED : (uint32_t)CPU_RUNNING);
        EXPECT_EQ(ew.t->x_smt_enable, c.reason ? 0u : 1u);
        if (c.reason) {
            EXPECT_EQ(ew.t->stall_reason, c.reason);
        }
        EXPECT_EQ(ew.t->PC.value, 0x1004u);
    }
}

} // namespace

// Traps, mfmsr, the time base and the decrementer in translated code: traps leave with "trap"
// exactly when the interpreter takes the program interrupt, mfmsr agrees with it, and the time
// base and DEC are counted within the pass.
#include <gtest/gtest.h>

#include <string>

#include "interrupts/exception_types.h"
#include "interrupts/interrupt_delivery.h"
#include "interrupts/interrupt_queue.h"
#include "interrupts/interrupt_raisers.h"
#include "processor/config/processor_options.h"
#include "processor/records/exception_record.h"
#include "processor/records/instruction_record.h"
#include "runtime/debug.h"
#include "processor/regs/msr_rules.h"
#include "processor/run/modes.h"
#include "translator/callouts.h"
#include "translator/page_rig.h"

namespace
{

using namespace ppc;

constexpr uint32_t tw(int to, int ra, int rb)
{
    return xform(to, ra, rb, 4);
}
constexpr uint32_t td(int to, int ra, int rb)
{
    return xform(to, ra, rb, 68);
}
constexpr uint32_t twi(int to, int ra, int32_t si)
{
    return dform(3, to, ra, si);
}
constexpr uint32_t tdi(int to, int ra, int32_t si)
{
    return dform(2, to, ra, si);
}
constexpr uint32_t mfmsr(int rt)
{
    return xform(rt, 0, 0, 83);
}
constexpr uint32_t mftb(int rt, int tbr)
{
    return 31u << 26 | (uint32_t)rt << 21 | (uint32_t)(tbr & 31) << 16 | (uint32_t)(tbr >> 5) << 11 |
           371u << 1;
}
constexpr uint32_t mfspr(int rt, int spr)
{
    return 31u << 26 | (uint32_t)rt << 21 | (uint32_t)(spr & 31) << 16 | (uint32_t)(spr >> 5) << 11 |
           339u << 1;
}

constexpr uint32_t mtmsrd(int rs, int l)
{
    return xform(rs, l, 0, 178);
}
constexpr uint32_t mtmsr(int rs, int l)
{
    return xform(rs, l, 0, 146);
}
constexpr uint32_t sc(int lev)
{
    return 0x44000002u | (uint32_t)lev << 5;
}

class SystemForms : public PageRig
{
  public:
    // Whether the interpreter completes the word at the page start (rather than taking an
    // interrupt), from the registers given.
    bool interpreter_completes(uint32_t w, uint64_t r3, uint64_t r4)
    {
        word(0, w);
        t->GPR[3].value = r3;
        t->GPR[4].value = r4;
        const uint64_t msr = t->MSR.value;
        t->PC.value = PAGE_PA;
        r.m.machine->mode = MODE_SIMPLE;
        r.run(1);
        r.m.machine->mode = MODE_TURBO;
        const bool completed = t->PC.value == PAGE_PA + 4;
        t->MSR.value = msr;
        return completed;
    }
    // Translated code's run of the word followed by a zero word: true when it got past the word.
    bool translated_completes(uint32_t w, uint64_t r3, uint64_t r4)
    {
        frame_drop_xlate(&frame);
        word(0, w);
        word(1, 0);
        t->GPR[3].value = r3;
        t->GPR[4].value = r4;
        enter(0, 100);
        return t->turbo.pc == PAGE_PA + 4;
    }
};

TEST_F(SystemForms, TrapsLeaveExactlyWhenTheInterpreterTraps)
{
    struct Case {
        const char *what;
        uint32_t word;
        uint64_t r3, r4;
        bool traps;
    };
    const uint64_t minus_one = ~0ull;
    const Case cases[] = {
        {"tw 31 always", tw(31, 0, 0), 0, 0, true},
        {"twi 0 never", twi(0, 3, 5), 5, 0, false},
        {"tw lt on the low words", tw(0x10, 3, 4), 0x7FFFFFFFFFFFFFFFull << 32 | 0xFFFFFFFF, 1, true},
        {"td lt on the doublewords", td(0x10, 3, 4), 0x7FFFFFFF00000000ull | 0xFFFFFFFF, 1, false},
        {"tw ltu", tw(0x02, 3, 4), 0xFFFFFFFF00000001ull, 2, true},
        {"td ltu", td(0x02, 3, 4), 0xFFFFFFFF00000001ull, 2, false},
        {"tdi gt", tdi(0x08, 3, -3), 5, 0, true},
        {"twi eq of the low word", twi(0x04, 3, 7), 0x100000007ull, 0, true},
        {"tdi eq of the doubleword", tdi(0x04, 3, 7), 0x100000007ull, 0, false},
        {"tw gtu", tw(0x01, 3, 4), 1, minus_one, false},
        {"td gt", td(0x08, 3, 4), 1, minus_one, true},
        {"tw lt|gt of equal values", tw(0x18, 3, 4), 9, 9, false},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(!interpreter_completes(c.word, c.r3, c.r4), c.traps) << c.what << " (interpreter)";
        EXPECT_EQ(!translated_completes(c.word, c.r3, c.r4), c.traps) << c.what;
        if (c.traps) {
            EXPECT_EQ(t->turbo.reason, EXIT_TRAP) << c.what;
        }
    }
}

TEST_F(SystemForms, MfmsrAddsTheMarkerBitsAndIsPrivileged)
{
    r.core->sim_msr_bit = 0x0000000000400000ull;
    const uint64_t msr = t->MSR.value;
    ASSERT_TRUE(translated_completes(mfmsr(5), 0, 0));
    EXPECT_EQ(t->GPR[5].value, msr | 0x400000u);
    t->GPR[5].value = 0;
    interpreter_completes(mfmsr(5), 0, 0);
    EXPECT_EQ(t->GPR[5].value, msr | 0x400000u);
    t->MSR.value |= MSR_PR;
    EXPECT_FALSE(translated_completes(mfmsr(5), 0, 0));
    EXPECT_EQ(t->turbo.reason, EXIT_PRIV);
    t->MSR.value = msr;
    r.core->sim_msr_bit = 0;
}

// With "turbo/mftb" the time base advances one per instruction of the pass; without it mftb leaves
// for the run loop with its target and TBR recorded, counted as executed.
TEST_F(SystemForms, TheTimeBaseInAPass)
{
    const uint64_t tb = 0x00000001FFFFFFF0ull;
    for (int slot = 0; slot < 10; slot++)
        word(slot, NOP);
    word(10, mftb(3, 268));
    word(11, mftb(4, 269));
    word(12, mfspr(5, 268));
    word(13, 0);
    r.m.machine->turbo_mftb = 1;
    t->turbo.tb_at_entry[0] = tb;
    t->turbo.togo = 100;
    enter(0, 100);
    EXPECT_EQ(t->GPR[3].value, tb + 11);
    EXPECT_EQ(t->GPR[4].value, (tb + 12) >> 32);
    EXPECT_EQ(t->GPR[5].value, tb + 13);
    EXPECT_EQ(t->turbo.tb_at_entry[1], tb + 13);

    r.m.machine->turbo_mftb = 0;
    frame_drop_xlate(&frame);
    EXPECT_EQ(enter(0, 100), 89u); // ten no-ops and the mftb
    EXPECT_EQ(t->turbo.reason, EXIT_MFTB);
    EXPECT_EQ(t->turbo.mftb_rt, 3);
    EXPECT_EQ(t->turbo.mftb_spr, 268);
    EXPECT_EQ(t->turbo.pc, pc_of(11));
}

TEST_F(SystemForms, DecCountsDownWithinThePass)
{
    for (int slot = 0; slot < 10; slot++)
        word(slot, NOP);
    word(10, mfspr(3, 22));
    word(11, 0);
    t->turbo.dec_at_entry = 1000;
    t->turbo.togo = 100;
    enter(0, 100);
    EXPECT_EQ(t->GPR[3].value, 990u); // the eleventh instruction
    r.core->options[PO_FREEZE_TIME_BASE_AND_DEC] = 1;
    t->turbo.togo = 100;
    enter(0, 100);
    EXPECT_EQ(t->GPR[3].value, 1000u);
    r.core->options[PO_FREEZE_TIME_BASE_AND_DEC] = 0;
}

// mtmsr and mtmsrd: refused (the interpreter redoes them) when the byte order would flip, left
// "done" when an interrupt becomes deliverable, continued in translated code otherwise, also across
// a change of the addressing mode.
TEST_F(SystemForms, MsrWritesLeaveOrGoOnAsTheChangeRequires)
{
    const uint64_t msr = t->MSR.value; // SF, HV, real mode
    auto run = [&](uint32_t w, uint64_t rs) {
        frame_drop_xlate(&frame);
        t->MSR.value = msr;
        word(0, w);
        word(1, 0);
        t->GPR[3].value = rs;
        t->turbo.togo = 100;
        return enter(0, 100);
    };

    // A change of the byte order (which this processor's mtmsrd keeps from the old MSR, so only
    // the shared change can be asked for it) or of the transactional state is refused untouched.
    for (uint64_t flip : {(uint64_t)MSR_LE, (uint64_t)0x100000000ull}) {
        t->MSR.value = msr;
        EXPECT_EQ(jit_do_msr_change(t, msr, msr ^ flip, 50, 0), 0u);
        EXPECT_EQ(t->MSR.value, msr);
    }

    // Only EE, nothing pending: on at the next word, which exits "unknown".
    run(mtmsrd(3, 1), msr | MSR_EE);
    EXPECT_EQ(t->turbo.reason, EXIT_UNKNOWN);
    EXPECT_EQ(t->turbo.pc, pc_of(1));
    EXPECT_EQ(t->MSR.value, msr | MSR_EE);

    // EE with an external interrupt waiting: done, and translated code leaves.
    PowerPCException *external = ThreadState__New_Exception(t, EXC_EXTERNAL, 0);
    ScheduleException(t, external);
    run(mtmsrd(3, 1), msr | MSR_EE);
    EXPECT_EQ(t->turbo.reason, EXIT_MSR_DONE);
    EXPECT_EQ(t->turbo.pc, pc_of(1));
    EXPECT_EQ(t->MSR.value, msr | MSR_EE);
    UnScheduleException(t, external, "test");
    FreeException(external, __FILE__, __LINE__);

    // mtmsrd clearing SF: the change is made and the run goes on through the fetch routine of the
    // 32-bit mode.
    run(mtmsrd(3, 0), msr & ~MSR_SF);
    EXPECT_EQ(t->MSR.value & MSR_SF, 0u);
    EXPECT_EQ(t->turbo.reason, EXIT_FETCH); // the new mode's fetch routine, at the next word
    EXPECT_EQ(t->turbo.pc, pc_of(1));

    // The MSR that translated code installs is the interpreter's.
    int compared = 0;
    for (uint32_t w : {mtmsrd(3, 1), mtmsrd(3, 0), mtmsr(3, 0), mtmsr(3, 1)}) {
        for (uint64_t rs : {msr | MSR_EE, msr & ~MSR_SF, (uint64_t)(msr | 0x30u),
                            (uint64_t) ~(MSR_LE | MSR_PR | (uint64_t)0x700000000u)}) {
            word(0, w);
            t->MSR.value = msr;
            t->GPR[3].value = rs;
            t->PC.value = PAGE_PA;
            r.m.machine->mode = MODE_SIMPLE;
            r.run(1);
            r.m.machine->mode = MODE_TURBO;
            const uint64_t interpreted = t->MSR.value;
            run(w, rs);
            if (t->turbo.reason == EXIT_MSR_NOT_DONE) continue;
            EXPECT_EQ(t->MSR.value, interpreted) << std::hex << w << " " << rs;
            compared++;
        }
    }
    EXPECT_GE(compared, 12);

    // Problem state: the privilege guard exits before the call-out.
    run(mtmsr(3, 1), msr | MSR_PR);
    EXPECT_EQ(t->MSR.value, msr);
    t->MSR.value = msr | MSR_PR;
    frame_drop_xlate(&frame);
    enter(0, 100);
    EXPECT_EQ(t->turbo.reason, EXIT_PRIV);
    t->MSR.value = msr;
}

// Instruction debugging keeps a decoded record of the instruction running; the record pending when
// a pass ends is dropped (or reported, for the reasons that complete it) and the field cleared.
TEST_F(SystemForms, InstructionDebuggingKeepsTheRunningInstruction)
{
    word(0, NOP);
    word(1, ori(3, 3, 5));
    word(2, 0);
    const int saved = get_debug_flag(12);
    set_debug_flag(12, 1);
    r.m.machine->turbo_debug = 1;
    enter(0, 100);
    IOPDesc *pending = t->turbo.last_debug_iop;
    ASSERT_NE(pending, nullptr);
    EXPECT_EQ(pending->word, 0u); // the zero word, whose exit ended the pass
    EXPECT_EQ(pending->fetch.ea, pc_of(2));
    t->turbo.reason = EXIT_UNKNOWN;
    INSTR_DEBUG_AFTER(t);
    EXPECT_EQ(t->turbo.last_debug_iop, nullptr);
    EXPECT_EQ(t->turbo.debug_reason, EXIT_UNKNOWN);

    // A page translated without debugging calls nothing.
    r.m.machine->turbo_debug = 0;
    set_debug_flag(12, saved);
    frame_drop_xlate(&frame);
    enter(0, 100);
    EXPECT_EQ(t->turbo.last_debug_iop, nullptr);
    EXPECT_EQ(t->GPR[3].value & 5, 5u);
}

// rfid in translated code returns as the interpreter does (MSR, resume address, CFAR), goes on at
// SRR0 when nothing else is due, and leaves returns to problem state to the interpreter.
TEST_F(SystemForms, RfidReturnsLikeTheInterpreter)
{
    const uint64_t msr = t->MSR.value; // SF, HV
    const uint32_t rfid = 0x4C000024;
    struct Case {
        const char *what;
        uint64_t srr0, srr1;
        int32_t reason; // of the translated run
    };
    const Case cases[] = {
        {"same MSR, on at SRR0", PAGE_PA + 0x10, msr, EXIT_UNKNOWN},
        {"to 32-bit mode: SRR0 truncated", 0xFFFFFFFF00000000ull | (PAGE_PA + 0x12), msr & ~MSR_SF,
         EXIT_FETCH},
        {"to problem state: the interpreter's", PAGE_PA + 0x10, msr | MSR_PR, EXIT_MSR_NOT_DONE},
    };
    for (const Case &c : cases) {
        word(0, rfid);
        t->MSR.value = msr;
        t->SRR0.value = c.srr0;
        t->SRR1.value = c.srr1;
        t->PC.value = PAGE_PA;
        r.m.machine->mode = MODE_SIMPLE;
        r.run(1);
        r.m.machine->mode = MODE_TURBO;
        const uint64_t pc = t->PC.value, end_msr = t->MSR.value, cfar = t->CFAR.value;

        t->MSR.value = msr;
        t->SRR0.value = c.srr0;
        t->SRR1.value = c.srr1;
        t->CFAR.value = 0;
        frame_drop_xlate(&frame);
        word(0, rfid);
        word(4, 0);
        t->turbo.togo = 100;
        enter(0, 100);
        EXPECT_EQ(t->turbo.reason, c.reason) << c.what;
        if (c.reason == EXIT_MSR_NOT_DONE) {
            EXPECT_EQ(t->MSR.value, msr) << c.what;
            EXPECT_EQ(t->turbo.pc, pc_of(0)) << c.what;
            continue;
        }
        EXPECT_EQ(t->MSR.value, end_msr) << c.what;
        EXPECT_EQ(t->turbo.pc, pc) << c.what; // the exit at the target leaves it undone
        EXPECT_EQ(t->CFAR.value, cfar) << c.what;
    }
    t->MSR.value = msr;
}

// sc in translated code enters the system-call interrupt as the interpreter does: the same PC,
// SRR0 (the address after the sc), SRR1 and MSR, for both levels.
TEST_F(SystemForms, SystemCallEntersItsVectorLikeTheInterpreter)
{
    ASSERT_EQ(standalone_mode, 0);
    const uint64_t msr = t->MSR.value & ~MSR_HV; // from supervisor state, so LEV 1 changes HV
    for (int lev : {0, 1}) {
        struct End {
            uint64_t pc, srr0, srr1, msr;
        } interpreted{}, translated{};
        word(0, sc(lev));
        word(1, 0);
        t->MSR.value = msr;
        t->PC.value = PAGE_PA;
        r.m.machine->mode = MODE_SIMPLE;
        r.run(1);
        r.m.machine->mode = MODE_TURBO;
        interpreted = {t->PC.value, t->SRR0.value, t->SRR1.value, t->MSR.value};

        t->SRR0.value = t->SRR1.value = 0;
        t->MSR.value = msr;
        install(PAGE_PA);
        frame_drop_xlate(&frame);
        enter(0, 100);
        translated = {t->turbo.pc, t->SRR0.value, t->SRR1.value, t->MSR.value};
        EXPECT_EQ(translated.srr0, pc_of(1)) << lev;
        EXPECT_EQ(translated.pc, interpreted.pc) << lev;
        EXPECT_EQ(translated.srr0, interpreted.srr0) << lev;
        EXPECT_EQ(translated.srr1, interpreted.srr1) << lev;
        EXPECT_EQ(translated.msr, interpreted.msr) << lev;
    }
    t->MSR.value = msr | MSR_HV;
}

} // namespace

namespace
{

constexpr uint32_t mtspr(int rs, int spr)
{
    return 31u << 26 | (uint32_t)rs << 21 | (uint32_t)(spr & 31) << 16 | (uint32_t)(spr >> 5) << 11 |
           467u << 1;
}

} // namespace

// Moves of registers with a slot and a plain read are loaded in line (thread and processor scope),
// the thread number and the priority register have their own forms, and AMR goes through its move
// routine: each completes in translated code with the interpreter's value.
TEST_F(SystemForms, SprMovesAgreeWithTheInterpreter)
{
    r.t->thread_id_in_core = 0;
    r.core->PVR.value = 0x004E1200;
    const uint64_t msr = t->MSR.value;
    struct Case {
        const char *what;
        uint32_t word;
    };
    const Case cases[] = {
        {"mfspr TIR", mfspr(5, 446)},   {"mfspr PVR (processor scope)", mfspr(5, 287)},
        {"mfspr TSRL", mfspr(5, 896)},  {"mfspr SPRG3", mfspr(5, 275)},
        {"mfspr AMR", mfspr(5, 29)},    {"mfspr HSPRG0", mfspr(5, 304)},
    };
    r.t->thread_id_in_core = 3;
    r.core->HID0.value = 0;
    t->SPRG3.value = 0x1234;
    t->HSPRG0.value = 0xABCDEF;
    for (const Case &c : cases) {
        t->GPR[5].value = 0x5A5A;
        ASSERT_TRUE(interpreter_completes(c.word, 0, 0)) << c.what;
        const uint64_t expected = t->GPR[5].value;
        t->GPR[5].value = 0x5A5A;
        EXPECT_TRUE(translated_completes(c.word, 0, 0)) << c.what << " left with " << turbo_reason(t->turbo.reason);
        EXPECT_EQ(t->GPR[5].value, expected) << c.what;
    }
    // Without the partition fold TIR is loaded in line.
    const uint32_t fold = r.core->options[PO_GLENT_EN_4_LPAR_SYSTEM];
    r.core->options[PO_GLENT_EN_4_LPAR_SYSTEM] = 0;
    EXPECT_TRUE(translated_completes(mfspr(5, 446), 0, 0));
    EXPECT_EQ(t->GPR[5].value, 3u);
    r.core->options[PO_GLENT_EN_4_LPAR_SYSTEM] = fold;
    // AMR in privileged state keeps the bits AMOR does not open, as the move routine does.
    r.core->AMOR.value = 0xF0F0F0F0F0F0F0F0ull;
    t->MSR.value = msr & ~0x1000000000000000ull; // privileged, not hypervisor
    install(PAGE_PA);
    t->AMR.value = 0;
    ASSERT_TRUE(interpreter_completes(mtspr(3, 29), ~0ull, 0));
    const uint64_t interpreted = t->AMR.value;
    t->AMR.value = 0;
    EXPECT_TRUE(translated_completes(mtspr(3, 29), ~0ull, 0));
    EXPECT_EQ(t->AMR.value, interpreted);
    EXPECT_NE(interpreted, ~0ull);
    // mfspr of a privileged SPR in problem state leaves with "priv" before the move.
    t->MSR.value = msr | MSR_PR;
    install(PAGE_PA);
    t->GPR[5].value = 7;
    EXPECT_FALSE(translated_completes(mfspr(5, 287), 0, 0));
    EXPECT_EQ(t->turbo.reason, EXIT_PRIV);
    EXPECT_EQ(t->GPR[5].value, 7u);
    t->MSR.value = msr;
}

// slbmte, slbmfee and slbmfev through their call-outs write and read the entry as the interpreter
// does; tlbiel completes, tlbie leaves with "hyper" outside hypervisor state.
TEST_F(SystemForms, SlbAndTlbInstructionsCallOut)
{
    ASSERT_GT(t->slb_entries, 2);
    const uint32_t slbmte = xform(3, 0, 4, 402), slbmfee = xform(5, 0, 4, 915), slbmfev = xform(6, 0, 4, 851);
    const uint64_t rs = 0x0000123456789000ull, rb = 0xC000000008000002ull; // valid, entry 2
    word(0, slbmte);
    word(1, slbmfee);
    word(2, slbmfev);
    word(3, 0);
    t->GPR[3].value = rs;
    t->GPR[4].value = rb;
    enter(0, 100);
    EXPECT_EQ(t->turbo.pc, pc_of(3));
    const uint64_t esid = t->GPR[5].value, vsid = t->GPR[6].value;
    EXPECT_EQ(esid, 0xC000000008000000ull);
    EXPECT_EQ(t->slb[2].SLBE.value, esid);
    EXPECT_EQ(t->slb[2].SLBV.value, vsid);
    // The interpreter reads back the same words from what the translated slbmte wrote.
    t->GPR[5].value = t->GPR[6].value = 0;
    interpreter_completes(slbmfee, rs, rb);
    interpreter_completes(slbmfev, rs, rb);
    EXPECT_EQ(t->GPR[5].value, esid);
    EXPECT_EQ(t->GPR[6].value, vsid);
    // The interpreter's slbmte writes the same entry.
    t->slb[2].SLBE.value = t->slb[2].SLBV.value = 0;
    t->slb[2].valid = 0;
    interpreter_completes(slbmte, rs, rb);
    EXPECT_EQ(t->slb[2].SLBE.value, esid);
    EXPECT_EQ(t->slb[2].SLBV.value, vsid);

    const uint64_t msr = t->MSR.value;
    EXPECT_TRUE(translated_completes(xform(0, 0, 4, 274), 0, 0x1000)) << turbo_reason(t->turbo.reason); // tlbiel
    t->MSR.value = msr & ~0x1000000000000000ull;
    install(PAGE_PA);
    EXPECT_FALSE(translated_completes(xform(0, 0, 4, 306), 0, 0x1000)); // tlbie
    EXPECT_EQ(t->turbo.reason, EXIT_HYPER);
    t->MSR.value = msr;
}

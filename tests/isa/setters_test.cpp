// Instruction-level register writes: masked setters with their write triggers, in-flight
// instructions, PID and TIR, SET_GPR and the move from a branch-history entry.
#include "exec_word.h"
#include "processor/regs/instruction_setters.h"
#include "processor/regs/reg_accessors.h"
#include "processor/translation/xlate_version.h"

namespace
{

TEST(Setters, TriggersSeeTheUnmaskedValueTheSlotTheMaskedOne)
{
    TclRecorder tcl;
    ExecWord ew({{"processor/mask/SRR0", "0x00000000FFFFFFFF"}});
    Attach_Write_Trigger(&ew.t->SRR0.trigger, "SRR0", "record", 0xFFFFFFFF00000000ull);
    iSET_SRR0(ew.iop, ~0ull);
    EXPECT_EQ(tcl.fired(), "{mcm 0 cpu 0 thread 0 reg SRR0 val 0xFFFFFFFFFFFFFFFF old 0x0000000000000000}");
    EXPECT_EQ(ew.t->SRR0.value, 0x00000000FFFFFFFFull);
    EXPECT_EQ(ew.t->SRR0.written, 1);

    // An instruction in flight in the cycle-level core only notes the trigger; the write happens.
    tcl.clear();
    IOPDesc *in_flight = ew.prepare(0);
    in_flight->use_slots = 1;
    in_flight->defer_side_effects = 1;
    iSET_SRR0(in_flight, 0x1234);
    EXPECT_EQ(tcl.fired(), "");
    EXPECT_EQ(in_flight->deferred_triggers, DEFERRED_WRITE_TRIGGER);
    EXPECT_EQ(ew.t->SRR0.value, 0x1234u);
}

TEST(Setters, PidRaisesTheTranslationVersionEvenUnchanged)
{
    ExecWord ew;
    iSET_PID(ew.iop, 0x100000005ull);
    EXPECT_EQ(ew.t->PID.value, 5u); // 32 bits
    uint64_t before = current_xlate_version;
    iSET_PID(ew.iop, 5);
    EXPECT_EQ(current_xlate_version, before + 1);
}

TEST(Setters, TirKeepsReadingTheThreadNumber)
{
    ExecWord ew({}, 2);
    IOPDesc *iop = ew.core.iop(1);
    EXPECT_EQ(iSET_TIR(iop, 7), 1u);
    EXPECT_EQ(iGET_TIR(iop), 1u);
    EXPECT_EQ(ew.core.thread(1)->TIR.value, 7u);
}

TEST(Setters, SetGprStoresTheWholeValueAfterItsTriggers)
{
    TclRecorder tcl;
    ExecWord ew({{"processor/mask/GPR3", "0xFF"}});
    ew.gpr(3) = 0x11;
    Attach_Write_Trigger(&ew.t->GPR[3].trigger, "GPR3", "record", ~0ull);
    SET_GPR(ew.iop, 3, ~0ull);
    EXPECT_EQ(ew.gpr(3), ~0ull);
    EXPECT_EQ(ew.t->GPR[3].written, 0);
    EXPECT_EQ(tcl.fired(), "{mcm 0 cpu 0 thread 0 reg GPR3 val 0xFFFFFFFFFFFFFFFF old 0x0000000000000011}");
}

TEST(Setters, MoveFromBranchHistoryWithinTheThreadsRange)
{
    struct Case {
        int threads, thread;
        uint64_t mmcrc;
        uint32_t index;
        bool read;
    } cases[] = {
        {2, 0, 0, 15, true},
        {2, 0, 0, 16, false}, // 32 / 2 entries
        {1, 0, 0, 31, true},
        {2, 1, (1ull << 17) | (1ull << 18), 20, true}, // MMCRC gives all 32 to thread 1
        {2, 0, (1ull << 17) | (1ull << 18), 0, false},
        {1, 0, 0, 1000, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(::testing::Message() << c.threads << " " << c.thread << " " << c.index);
        ExecWord ew({}, c.threads);
        ThreadState *t = ew.core.thread(c.thread);
        ew.core.core->MMCRC.value = c.mmcrc;
        for (int i = 0; i < 32; i++) {
            t->BHRBE[i].value = 0x1000 + i;
            if (t->BHRBE[i].rfe) t->BHRBE[i].rfe->defined = 1;
        }
        t->GPR[9].value = 0xDEAD;
        IOPDesc *iop = ew.core.iop(c.thread);
        iop->word = (31u << 26) | (9u << 21) | (c.index << 11) | (302u << 1);
        EXPECT_EQ(core_mfbhrbe(iop), 1);
        EXPECT_EQ(t->GPR[9].value, c.read ? 0x1000u + c.index : 0u);
    }
}

} // namespace

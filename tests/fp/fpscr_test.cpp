// FPSCR on the instruction record: where it lives (register, cache, cycle-model slot), field and
// masked writes, FPSCR_SetBit with its FX, VX and FEX rules, the FPRF setters, the summary step
// with the enabled-exception interrupt, and the FPSCR text.
#include <gtest/gtest.h>

#include <string>

#include "processor/regs/reg_triggers.h"
#include "fp/fpscr.h"
#include "fp/fpscr_status.h"
#include "processor/hooks/fpscr_text.h"
#include "fp_thread.h"
#include "processor/records/exception_record.h"
#include "support/sink_capture.h"

namespace
{

constexpr uint64_t MSR_FE0 = 0x800, MSR_FE1 = 0x100;

TEST(FPSCRState, WritesGoWhereTheInstructionKeepsFPSCR)
{
    FPThread fp;
    IOPDesc *iop = fp.iop("fadd");
    fp.fpscr() = FPSCR_OE | 1;
    EXPECT_EQ(iGET_FPSCR(iop), (uint64_t)(FPSCR_OE | 1));
    // The thread's register takes the value masked by its implemented bits.
    const uint64_t implemented = Register_Entry_Mask(fp.thread()->FPSCR.rfe);
    EXPECT_EQ(implemented, 0x00000007FFFFF7FFull);
    EXPECT_EQ(iSET_FPSCR(iop, ~0ull), 1);
    EXPECT_EQ(fp.fpscr(), implemented);

    // With the cache active only the cache changes.
    fp.fpscr() = 0;
    IOPDesc *vsx = fp.iop("xsadddp");
    IOP_Cache_FPSCR(vsx);
    EXPECT_EQ(vsx->fpscr_cache_on, 1);
    iSET_FPSCR(vsx, FPSCR_XX | FPSCR_VE | 2);
    EXPECT_EQ(iGET_FPSCR(vsx), (uint64_t)(FPSCR_XX | FPSCR_VE | 2));
    EXPECT_EQ(fp.fpscr(), 0u);

    // The cycle-model form uses its slot and never the register.
    IOPDesc *cyc = fp.iop("fadd");
    cyc->use_slots = 1;
    cyc->fpscr_slot = FPSCR_ZE;
    FPSCR_SetBit(cyc, FPSCR_ZX, 1);
    EXPECT_EQ(cyc->fpscr_slot & FPSCR_ZX, 0u); // fadd's mask has no ZX
    FPSCR_SetBit(cyc, FPSCR_OX, 1);
    EXPECT_EQ(cyc->fpscr_slot, (uint64_t)(FPSCR_ZE | FPSCR_OX | FPSCR_FX));
    EXPECT_EQ(fp.fpscr(), 0u);
}

TEST(FPSCRState, TriggersAreDeferredWithoutSideEffects)
{
    FPThread fp;
    Attach_Write_Trigger(&fp.thread()->FPSCR.trigger, "FPSCR", "proc", ~0ull);
    IOPDesc *iop = fp.iop("fadd");
    iop->defer_side_effects = 1;
    iSET_FPSCR(iop, FPSCR_XE);
    EXPECT_EQ(iop->deferred_triggers & DEFERRED_WRITE_TRIGGER, DEFERRED_WRITE_TRIGGER);
    EXPECT_EQ(fp.fpscr(), (uint64_t)FPSCR_XE);
}

TEST(FPSCRState, CacheWriteBackKeepsBitsOutsideTheMask)
{
    FPThread fp;
    fp.fpscr() = FPSCR_ZX | FPSCR_ZE;
    IOPDesc *iop = fp.iop("xsadddp"); // mask 0x9B87F000: no ZX
    IOP_Cache_FPSCR(iop);
    iSET_FPSCR(iop, FPSCR_OX | FPSCR_FX | FPSCR_FEX); // ZX dropped in the cache
    iop->fpscr_new_exc = FPSCR_OX;
    EXPECT_EQ(SET_FPSCR_FROM_CACHE(iop), 1);
    EXPECT_EQ(iop->fpscr_cache_on, 0);
    EXPECT_EQ(fp.fpscr(), (uint64_t)(FPSCR_OX | FPSCR_FX | FPSCR_FEX | FPSCR_ZX | FPSCR_ZE));
    EXPECT_EQ(fp.thread()->FPSCR_CHANGE.value, (uint64_t)(FPSCR_OX | FPSCR_FX));

    // Rows that do not cache: simple moves and non-floating-point rows.
    IOPDesc *move = fp.iop("fmr");
    IOP_Cache_FPSCR(move);
    EXPECT_EQ(move->fpscr_cache_on, 0);

    // Closing a cache that is not active is an error; the summary still runs.
    SinkCapture sink;
    IOPDesc *again = fp.iop("xsadddp");
    again->fpscr_new_exc = FPSCR_XX;
    EXPECT_EQ(SET_FPSCR_FROM_CACHE(again), 1);
    EXPECT_NE(sink.text().find("FPSCR: SET_FPSCR_FROM_CACHE: Not cached to iop!"), std::string::npos);
    EXPECT_EQ(fp.thread()->FPSCR_CHANGE.value, (uint64_t)(FPSCR_XX | FPSCR_FX));
}

TEST(FPSCRState, SetFieldRecomputeAndMaskedWrites)
{
    FPThread fp;
    IOPDesc *iop = fp.iop("mtfsf");
    FPSCR_Set_Field(iop, 15, 19, 0x14); // FPRF
    EXPECT_EQ(fp.fpscr(), 0x14000u);
    EXPECT_EQ(iop->fpscr_written, 0x1F000u);
    EXPECT_EQ(iop->fpscr_new_exc, 0u);

    // VX and FEX follow the invalid bits and the enables; FX is left alone.
    fp.fpscr() = FPSCR_VXSNAN | FPSCR_VE | FPSCR_FEX;
    FPSCR_Recompute_VX_FEX(iop);
    EXPECT_EQ(fp.fpscr(), (uint64_t)(FPSCR_VXSNAN | FPSCR_VE | FPSCR_VX | FPSCR_FEX));
    fp.fpscr() = FPSCR_VX | FPSCR_FEX | FPSCR_FX;
    FPSCR_Recompute_VX_FEX(iop);
    EXPECT_EQ(fp.fpscr(), (uint64_t)FPSCR_FX);

    // mtfsf of VXSNAN and VE under a mask of fields 1 and 6: VX and FEX by recomputation, FX kept;
    // the summary nevertheless reports FX, since every set exception bit counts as new.
    fp.fpscr() = FPSCR_VXSNAN; // already set before: still counted as new
    IOPDesc *mtfsf = fp.iop("mtfsf");
    FPSCR_Set_Masked(mtfsf, FPSCR_VXSNAN | FPSCR_VE, 0x0F0000F0);
    EXPECT_EQ(fp.fpscr(), (uint64_t)(FPSCR_VXSNAN | FPSCR_VE | FPSCR_VX | FPSCR_FEX));
    EXPECT_EQ(mtfsf->fpscr_moved, 1);
    EXPECT_EQ(mtfsf->fpscr_new_exc, (uint64_t)FPSCR_VXSNAN);
    EXPECT_EQ(IOP_Update_FPSCR_Summary(mtfsf), 1);
    EXPECT_EQ(fp.thread()->FPSCR_CHANGE.value, (uint64_t)(FPSCR_VXSNAN | FPSCR_VX | FPSCR_FEX | FPSCR_FX));
}

TEST(FPSCRState, SetBitSetsXXAndFXOnce)
{
    FPThread fp;
    IOPDesc *iop = fp.iop("fadd");
    FPSCR_SetBit(iop, FPSCR_FI, 1);
    EXPECT_EQ(fp.fpscr(), (uint64_t)(FPSCR_FI | FPSCR_XX | FPSCR_FX));
    EXPECT_EQ(iop->fpscr_new_exc, (uint64_t)FPSCR_XX);
    fp.fpscr() &= ~(uint64_t)FPSCR_FX;
    FPSCR_SetBit(iop, FPSCR_FI, 1);
    EXPECT_EQ(fp.fpscr() & FPSCR_FX, 0u); // XX was already set
    fp.option(PO_FP_EXCEPTIONS_FORCE_FX, true);
    FPSCR_SetBit(iop, FPSCR_FI, 1);
    EXPECT_TRUE(fp.fpscr() & FPSCR_FX);

    // An exception bit sets FX unless it was set already; VX and FEX follow.
    fp.option(PO_FP_EXCEPTIONS_FORCE_FX, false);
    fp.fpscr() = FPSCR_VE;
    FPSCR_SetBit(iop, FPSCR_VXISI, 1);
    EXPECT_EQ(fp.fpscr(), (uint64_t)(FPSCR_VE | FPSCR_VXISI | FPSCR_VX | FPSCR_FEX | FPSCR_FX));
    fp.fpscr() &= ~(uint64_t)FPSCR_FX;
    FPSCR_SetBit(iop, FPSCR_VXISI, 1);
    EXPECT_EQ(fp.fpscr() & FPSCR_FX, 0u);
    FPSCR_SetBit(iop, FPSCR_VXISI, 0);
    EXPECT_EQ(fp.fpscr(), (uint64_t)FPSCR_VE); // VX and FEX recomputed
    EXPECT_TRUE(iop->fpscr_written & FPSCR_VXISI);
}

TEST(FPSCRState, SetBitStaysWithinTheRowMask)
{
    FPThread fp;
    IOPDesc *fre = fp.iop("fre"); // mask 0x9D07F000: no XX, no VXCVI
    fp.fpscr() = FPSCR_XX;
    FPSCR_SetBit(fre, FPSCR_XX, 0);
    EXPECT_EQ(fp.fpscr(), (uint64_t)FPSCR_XX);
    FPSCR_SetBit(fre, FPSCR_FI, 1); // FI is in the mask, XX is not: no XX, no FX from it
    EXPECT_EQ(fp.fpscr(), (uint64_t)(FPSCR_XX | FPSCR_FI));
    // Outside the mask only VX and FEX are recomputed.
    fp.fpscr() = FPSCR_VX | FPSCR_XE | FPSCR_XX;
    FPSCR_SetBit(fre, FPSCR_VXCVI, 1);
    EXPECT_EQ(fp.fpscr(), (uint64_t)(FPSCR_XE | FPSCR_XX | FPSCR_FEX));

    // VXCVI clears FR and FI with VXCVI_SETS_FR_FI_ZERO.
    IOPDesc *fctid = fp.iop("fctid");
    fp.option(PO_VXCVI_SETS_FR_FI_ZERO, true);
    fp.fpscr() = FPSCR_FR | FPSCR_FI;
    FPSCR_SetBit(fctid, FPSCR_VXCVI, 1);
    EXPECT_EQ(fp.fpscr(), (uint64_t)(FPSCR_VXCVI | FPSCR_VX | FPSCR_FX));
}

TEST(FPSCRState, ResultClassSetters)
{
    FPThread fp;
    IOPDesc *iop = fp.iop("fadd");
    const uint64_t minus_inf = 0xFFF0000000000000ull, qnan = 0x7FF8000000000000ull;
    Set_DBL_FPSCR_FPRF_Bits(iop, &minus_inf, 3);
    EXPECT_EQ(fp.fpscr(), 0x09000u);
    Set_DBL_FPSCR_FPRF_Bits(iop, &qnan, 2); // precision 2 drops C
    EXPECT_EQ(fp.fpscr(), 0x01000u);
    Set_SGL_FPSCR_FPRF_Bits(iop, 0x00000001);
    EXPECT_EQ(fp.fpscr(), 0x14000u);
    Set_HALF_FPSCR_FPRF_Bits(iop, 0x8000);
    EXPECT_EQ(fp.fpscr(), 0x12000u);
    const uint64_t quad_one[2] = {0, 0x3FFF000000000000ull};
    Set_QUAD_FPSCR_FPRF_Bits(iop, quad_one, 5);
    EXPECT_EQ(fp.fpscr(), 0x04000u);
    EXPECT_EQ(iop->fpscr_written & 0x1F000u, 0x1F000u);
    // A row without FPRF in its mask is left alone.
    IOPDesc *fsel = fp.iop("fsel");
    Set_DBL_FPSCR_FPRF_Bits(fsel, &minus_inf, 3);
    EXPECT_EQ(fp.fpscr(), 0x04000u);
}

TEST(FPSCRState, SummaryRaisesTheEnabledExceptionInterrupt)
{
    struct Case {
        uint64_t msr;
        int answer;
    } cases[] = {{MSR_FE0, 0}, {MSR_FE1, 0}, {0, 1}};
    for (const Case &c : cases) {
        FPThread fp;
        fp.thread()->MSR.value = c.msr;
        fp.fpscr() = FPSCR_ZE;
        IOPDesc *iop = fp.iop("fdiv");
        FPSCR_SetBit(iop, FPSCR_ZX, 1);
        EXPECT_EQ(fp.fpscr(), (uint64_t)(FPSCR_ZE | FPSCR_ZX | FPSCR_FX | FPSCR_FEX));
        EXPECT_EQ(IOP_Update_FPSCR_Summary(iop), c.answer);
        EXPECT_EQ(fp.thread()->FPSCR_CHANGE.value, (uint64_t)(FPSCR_FX | FPSCR_FEX | FPSCR_ZX));
        EXPECT_EQ(iop->fpscr_new_exc, (uint64_t)(FPSCR_FX | FPSCR_FEX | FPSCR_ZX));
        if (c.answer == 0) {
            ASSERT_NE(iop->exceptions, nullptr);
            EXPECT_EQ(iop->exceptions->srr1_set, 0x100000u);
        } else {
            EXPECT_EQ(iop->exceptions, nullptr);
        }
    }
}

TEST(FPSCRState, RoundingModeOfAnInstruction)
{
    FPThread fp;
    fp.fpscr() = 3;
    EXPECT_EQ(IOP_FP_Rounding_Mode(fp.iop("fadd")), 3);
    EXPECT_EQ(IOP_FP_Rounding_Mode(fp.iop("vaddfp")), 0); // vector class: nearest
}

TEST(FPSCRText, NamesTheSetBits)
{
    EXPECT_STREQ(Prepare_FPSCR(0), "0x0000000000000000");
    EXPECT_STREQ(Prepare_FPSCR(0xFFFFF7FF),
                 "0x00000000FFFFF7FF FX FEX VX OX UX ZX XX VXSNAN VXISI VXIDI VXZDZ VXIMZ "
                 "VXVC FR FI C FL FG FE FU VXSOFT VXSQRT VXCVI VE OE UE ZE XE NI RN(-)");
    EXPECT_STREQ(Prepare_FPSCR(0x100000801ull), "0x0000000100000801 RN(0)");
    EXPECT_STREQ(Prepare_FPSCR(0xA2002), "0x00000000000A2002 VXVC FI FE RN(+)");
}

} // namespace

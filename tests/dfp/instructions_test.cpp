// The decimal instructions on a test thread: results, FPSCR, FPSCR_CHANGE and CR writes, the
// availability gates, the form fix-ups, the enabled-exception path, the cycle-level hand-over and
// the binding of all 88 rows.
#include <set>
#include <vector>

#include "processor/hooks/reg_reader_queue.h"
#include "dfp_instr.h"
#include "decode/instr_info.h"
#include "processor/records/generic_machine.h"

using namespace dfp_test;

namespace
{

constexpr uint64_t MSR_FE0 = 0x800;

TEST_F(DfpInstr, DaddWritesTheFprClearsTheVsrHalfAndSetsFpscr)
{
    fpr(1) = kD64One;
    fpr(2) = 0x2230000000000001; // 0.01
    low(3) = 0x1234;
    EXPECT_EQ(run(X("dadd", 3, 1, 2)), 1);
    EXPECT_EQ(fpr(3), 0x2230000000000081u); // 101E-2
    EXPECT_EQ(low(3), 0u);
    EXPECT_EQ(fpscr(), 0x4000u); // +normal, exact
    EXPECT_EQ(pc(), 0x1004u);
    EXPECT_EQ(cr(), 0u);
}

TEST_F(DfpInstr, DdivInexactSetsFxXxFi)
{
    fpr(1) = kD64One;
    fpr(2) = kD64Three;
    EXPECT_EQ(run(X("ddiv", 3, 1, 2)), 1);
    EXPECT_EQ(fpr(3), 0x2DF9B36CDB36CDB3u);
    EXPECT_EQ(fpscr(), 0x82024000u);
    EXPECT_EQ(change(), 0x82024000u); // the new image, every exception bit this instruction's
}

TEST_F(DfpInstr, RecordFormCopiesTheNewSummaryBitsToCrField1)
{
    fpr(1) = 0x6E38FF3FCFF3FCFF; // 9999999999999999
    fpr(2) = 0x21E8000000000001; // 1E-20
    EXPECT_EQ(run(X("dadd.", 3, 1, 2)), 1);
    EXPECT_EQ(fpr(3), 0x6E38FF3FCFF3FCFFu);
    EXPECT_EQ(fpscr(), 0x82024000u);
    EXPECT_EQ(cr(), 0x08000000u);
    EXPECT_TRUE(ew.t->CR.bits_written.valid);
    EXPECT_EQ(ew.t->CR.bits_written.mask, 0x0F000000u);

    // Away from zero (DRN 6) the sum rounds up and FR is set as well.
    fpscr() = 0x0000000600000000;
    cr() = 0;
    EXPECT_EQ(run(X("dadd.", 3, 1, 2)), 1);
    EXPECT_EQ(fpr(3), 0x263C000000000000u); // 1000000000000000E1
    EXPECT_EQ(fpscr(), 0x0000000682064000u);
    EXPECT_EQ(cr(), 0x08000000u);
}

TEST_F(DfpInstr, RecordFormCopiesAnFxLeftByAnEarlierInstruction)
{
    fpscr() = 0x80000000; // FX from before, nothing new
    fpr(1) = kD64One;
    fpr(2) = kD64One;
    EXPECT_EQ(run(X("dadd.", 3, 1, 2)), 1);
    EXPECT_EQ(fpscr() & 0xFFFFFFFF, 0x80004000u);
    EXPECT_EQ(cr(), 0x08000000u);
    EXPECT_EQ(change(), 0x4000u); // FX is not this instruction's
}

TEST_F(DfpInstr, QuadFormsUseRegisterPairs)
{
    // FRT = 7 writes 6 and 7; FRA = 3 reads 2 and 3.
    fpr(2) = kQuadOneHigh;
    fpr(3) = kQuadOneLow;
    fpr(6) = kQuadOneHigh;
    fpr(7) = kQuadOneLow;
    EXPECT_EQ(run(X("daddq", 7, 3, 6)), 1);
    EXPECT_EQ(fpr(6), 0x2208000000000000u);
    EXPECT_EQ(fpr(7), 2u);
    EXPECT_EQ(low(6), 2u); // result word 1 is the other doubleword of both VSRs
    EXPECT_EQ(low(7), 2u);
    EXPECT_EQ(fpscr(), 0x4000u);
}

TEST_F(DfpInstr, CompareAndTestWriteOnlyFieldBf)
{
    fpr(1) = kD64One;
    fpr(2) = kD64Three;
    cr() = 0x0F000000; // field 1 set beforehand: untouched
    EXPECT_EQ(run(BFX("dcmpu", 6, 1, 2)), 1);
    EXPECT_EQ(cr(), 0x0F000080u); // field 6 = FL
    EXPECT_EQ(fpscr(), 0x8000u);
    EXPECT_EQ(ew.t->CR.bits_written.mask, 0x000000F0u);

    // dtstex 1E0 against 1E-2: A's exponent is greater.
    fpr(2) = 0x2230000000000001;
    EXPECT_EQ(run(BFX("dtstex", 0, 1, 2)), 1);
    EXPECT_EQ(cr(), 0x4F000080u);
    EXPECT_EQ(fpscr(), 0x4000u);
    EXPECT_EQ(ew.t->CR.bits_written.mask, 0xF00000F0u);
}

TEST_F(DfpInstr, EnabledExceptionWritesThenInterruptsWithoutAdvancing)
{
    fpscr() = 0x80; // VE
    ew.t->MSR.value |= MSR_FE0;
    fpr(1) = 0x2238000000000000; // 0
    fpr(2) = 0x2238000000000000;
    fpr(3) = 0x1111;
    EXPECT_EQ(run(X("ddiv", 3, 1, 2)), 0);
    EXPECT_EQ(fpr(3), 0x1111u); // suppressed
    EXPECT_EQ(fpscr(), 0xE0200080u);
    ASSERT_NE(raised(), nullptr);
    EXPECT_EQ(raised()->type, EXC_FLOATING_POINT);
    EXPECT_EQ(raised()->srr1_set, 0x100000u);
    EXPECT_EQ(pc(), 0x1000u);

    // A trapped overflow delivers the scaled result; with FE0 clear the instruction completes.
    fpscr() = 0x40; // OE
    ew.t->MSR.value &= ~MSR_FE0;
    fpr(1) = 0x77FCFF3FCFF3FCFF; // 9999999999999999E369
    fpr(2) = 0x2238000000000010; // 10
    EXPECT_EQ(run(X("dmul", 3, 1, 2)), 1);
    EXPECT_EQ(fpr(3), 0x6700FF3FCFF3FCFFu); // 9999999999999999E-206
    EXPECT_EQ(fpscr(), 0xD0004040u);
    EXPECT_EQ(raised(), nullptr);
    EXPECT_EQ(pc(), 0x1004u);

    // The same with FE0: the result and FPSCR are written, then the interrupt.
    ew.t->MSR.value |= MSR_FE0;
    fpscr() = 0x40;
    fpr(3) = 0;
    EXPECT_EQ(run(X("dmul", 3, 1, 2)), 0);
    EXPECT_EQ(fpr(3), 0x6700FF3FCFF3FCFFu);
    EXPECT_EQ(fpscr(), 0xD0004040u);
    ASSERT_NE(raised(), nullptr);
    EXPECT_EQ(raised()->type, EXC_FLOATING_POINT);
    EXPECT_EQ(pc(), 0x1004u); // unchanged since the last completed instruction
}

TEST_F(DfpInstr, FpscrChangeHoldsOnlyThisInstructionsExceptions)
{
    fpscr() = 0x02000000; // XX from before
    fpr(1) = kD64One;
    fpr(2) = kD64One;
    EXPECT_EQ(run(X("dadd", 3, 1, 2)), 1);
    EXPECT_EQ(fpscr() & 0xFFFFFFFF, 0x02004000u);
    EXPECT_EQ(change() & (0x02000000 | 0x80000000), 0u);
}

// Every gate: the routine answers 0, raises the expected interrupt (the illegal-instruction texts
// are not kept, so the order of the gates shows in which interrupt wins) and changes no register.
TEST_F(DfpInstr, AvailabilityGates)
{
    struct Case {
        const char *what;
        uint32_t word;
        void (*setup)(ExecWord &);
        int32_t type, subtype;
    };
    const Case cases[] = {
        {"unsupported", X("dadd", 3, 1, 2), [](ExecWord &w) { w.option(PO_DFP_SUPPORTED, 0); }, EXC_HEA,
         EST_ILLEGAL_INSTRUCTION},
        {"unsupported, problem state", X("dtstsfq", 0, 1, 2),
         [](ExecWord &w) {
             w.option(PO_DFP_SUPPORTED, 0);
             w.t->MSR.value = MSR_SF | MSR_PR | MSR_FP;
         },
         EXC_HEA, EST_ILLEGAL_INSTRUCTION},
        {"unsupported, before FP unavailable", X("dcffix", 3, 0, 2),
         [](ExecWord &w) {
             w.option(PO_DFP_SUPPORTED, 0);
             w.t->MSR.value &= ~MSR_FP;
         },
         EXC_HEA, EST_ILLEGAL_INSTRUCTION},
        {"dcffix PCR 2.05 in problem state, before FP unavailable", X("dcffix", 3, 0, 2),
         [](ExecWord &w) {
             w.t->MSR.value = MSR_SF | MSR_PR;
             w.t->shared_processor->PCR.value = 0x2;
         },
         EXC_HEA, EST_ILLEGAL_INSTRUCTION},
        {"dcffix PCR 2.05 with FP on", X("dcffix.", 3, 0, 2),
         [](ExecWord &w) {
             w.t->MSR.value = MSR_SF | MSR_PR | MSR_FP;
             w.t->shared_processor->PCR.value = 0x2;
         },
         EXC_HEA, EST_ILLEGAL_INSTRUCTION},
        {"HID1 bit 0x02000000 alone", X("dadd", 3, 1, 2),
         [](ExecWord &w) { w.core.core->HID1.value = 0x0000000002000000; }, EXC_HEA, EST_ILLEGAL_INSTRUCTION},
        {"HID1, before FP unavailable", X("dsubq", 2, 4, 6),
         [](ExecWord &w) {
             w.core.core->HID1.value = 0x0040000000000000;
             w.t->MSR.value &= ~MSR_FP;
         },
         EXC_HEA, EST_ILLEGAL_INSTRUCTION},
        {"HFSCR FP clear in problem state", X("dadd", 3, 1, 2),
         [](ExecWord &w) {
             w.t->MSR.value = MSR_SF | MSR_PR | MSR_FP;
             w.t->HFSCR.value &= ~1ull;
         },
         EXC_HYPER_FACILITY_UNAVAILABLE, 0},
        {"MSR FP clear", X("daddq", 2, 4, 6), [](ExecWord &w) { w.t->MSR.value &= ~MSR_FP; },
         EXC_FP_UNAVAILABLE, 0},
        {"dirty FRA", X("dadd", 3, 1, 2),
         [](ExecWord &w) { w.t->FPR_INVALID_MAP.value = ~(1ull << (63 - 1)); }, EXC_DENORM_SOFTPATCH, 0},
        {"dirty odd half of the FRB pair", X("dcmpuq", 0, 2, 4),
         [](ExecWord &w) { w.t->FPR_INVALID_MAP.value = ~(1ull << (63 - 5)); }, EXC_DENORM_SOFTPATCH, 0},
        {"dirty FRA without FP_VSX_TAKES_SOFTPATCH (the row's predicate)", X("dscri", 3, 1, 2),
         [](ExecWord &w) {
             w.option(PO_FP_VSX_TAKES_SOFTPATCH, 0);
             w.t->FPR_INVALID_MAP.value = ~(1ull << (63 - 1));
         },
         EXC_DENORM_SOFTPATCH, 0},
        {"dcffixq without POWERPC_V202", X("dcffixq", 2, 0, 1),
         [](ExecWord &w) { w.option(PO_POWERPC_V202, 0); }, EXC_HEA, EST_ILLEGAL_INSTRUCTION},
        {"dcffixq: FP unavailable before POWERPC_V202", X("dcffixq", 2, 0, 1),
         [](ExecWord &w) {
             w.option(PO_POWERPC_V202, 0);
             w.t->MSR.value &= ~MSR_FP;
         },
         EXC_FP_UNAVAILABLE, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        // A fresh thread per case, set up as the fixture's.
        ExecWord w;
        DfpInstr::ervik_thread(w);
        for (int n = 0; n < 8; n++)
            w.t->VSR[n].value[1] = kD64One;
        w.t->FPSCR.value = 0x4000;
        c.setup(w);
        const uint64_t msr = w.t->MSR.value;
        EXPECT_EQ(w.run(c.word), 0);
        ASSERT_NE(w.raised(), nullptr);
        EXPECT_EQ(w.raised()->type, c.type);
        EXPECT_EQ(w.raised()->subtype, c.subtype);
        if (c.type == EXC_DENORM_SOFTPATCH) {
            EXPECT_EQ(w.raised()->srr1_set, 0x100000u);
        }
        EXPECT_EQ(w.raised()->next, nullptr) << "one interrupt only";
        for (int n = 0; n < 8; n++) {
            EXPECT_EQ(w.t->VSR[n].value[1], kD64One) << n;
            EXPECT_EQ(w.t->VSR[n].value[0], 0u) << n;
        }
        EXPECT_EQ(w.t->FPSCR.value, 0x4000u);
        EXPECT_EQ(w.t->FPSCR_CHANGE.value, 0u);
        EXPECT_EQ(w.t->CR.value, 0u);
        EXPECT_EQ(w.t->MSR.value, msr);
        EXPECT_EQ(w.t->PC.value, 0x1000u);
    }
}

TEST_F(DfpInstr, SoftPatchIsNotConsultedForStandalonePrograms)
{
    ew.t->FPR_INVALID_MAP.value = ~(1ull << (63 - 1));
    fpr(1) = kD64One;
    fpr(2) = kD64One;
    const int saved = standalone_mode;
    standalone_mode = 1;
    EXPECT_EQ(run(X("dadd", 3, 1, 2)), 1);
    standalone_mode = saved;
    EXPECT_EQ(fpr(3), 0x2238000000000002u);
}

TEST_F(DfpInstr, WrittenRegistersAreMarkedCleanInTheInvalidMap)
{
    ew.t->FPR_INVALID_MAP.value = 0;
    fpr(2) = kQuadOneHigh;
    fpr(3) = kQuadOneLow;
    ew.option(PO_FP_VSX_TAKES_SOFTPATCH, 0);
    ew.option(PO_DISABLE_FP_SOFTPATCH_SCALARS); // the dirty operands take no assist
    EXPECT_EQ(run(X("daddq", 4, 2, 2)), 1);
    EXPECT_EQ(run(X("dadd", 9, 8, 8)), 1);
    EXPECT_EQ(ew.t->FPR_INVALID_MAP.value, (1ull << (63 - 4)) | (1ull << (63 - 5)) | (1ull << (63 - 9)));
}

TEST_F(DfpInstr, DctdpClearsFrFiWhateverHappens)
{
    fpscr() = 0x60000;   // FR, FI
    fpr(1) = 0x22500001; // decimal32 1
    EXPECT_EQ(run(X("dctdp", 3, 0, 1)), 1);
    EXPECT_EQ(fpr(3), kD64One);
    EXPECT_EQ(fpscr(), 0x4000u);

    // With VE, a signalling NaN source still goes through unchanged (dctdp keeps it).
    fpscr() = 0x60080;
    fpr(1) = 0x7E000000; // decimal32 sNaN
    EXPECT_EQ(run(X("dctdp", 3, 0, 1)), 1);
    EXPECT_EQ(fpr(3), 0x7E00000000000000u);
    EXPECT_EQ(fpscr() & 0x60000, 0u);
}

TEST_F(DfpInstr, DcffixqFrFiFollowTheOption)
{
    fpr(1) = 12345;
    for (uint32_t option : {1u, 0u}) {
        SCOPED_TRACE(option);
        ew.option(PO_DFP_DCTFIX_LEAVES_FPRF_ZERO, option);
        fpscr() = 0x60000;
        EXPECT_EQ(run(X("dcffixq", 2, 0, 1)), 1);
        EXPECT_EQ(fpr(2), 0x2208000000000000u);
        EXPECT_EQ(fpr(3), 0x00000000000049C5u); // 12345
        EXPECT_EQ(fpscr(), option ? 0x4000u : 0x64000u);
    }
}

TEST_F(DfpInstr, DctfixLeavesFprfZeroWhenItWrites)
{
    fpr(1) = 0x2238000000000007; // 7
    for (uint32_t option : {1u, 0u}) {
        SCOPED_TRACE(option);
        ew.option(PO_DFP_DCTFIX_LEAVES_FPRF_ZERO, option);
        fpscr() = 0x1F000;
        EXPECT_EQ(run(X("dctfix", 3, 0, 1)), 1);
        EXPECT_EQ(fpr(3), 7u);
        EXPECT_EQ(fpscr() & 0x1F000, option ? 0u : 0x1F000u);
    }
    // The quad form writes a single FPR.
    fpr(4) = kQuadOneHigh;
    fpr(5) = kQuadOneLow;
    fpr(7) = 0x5555;
    EXPECT_EQ(run(X("dctfixq", 6, 0, 4)), 1);
    EXPECT_EQ(fpr(6), 1u);
    EXPECT_EQ(fpr(7), 0x5555u);
}

TEST_F(DfpInstr, FieldsOfTheImmediateForms)
{
    // dquai TE = 31 (exponent -1) of 1.
    fpr(1) = kD64One;
    EXPECT_EQ(run(Z23("dquai", 3, 31, 1, 0)), 1);
    EXPECT_EQ(fpr(3), 0x2234000000000010u); // 10E-1
    // drrnd passes the low six bits of FRA: 0x41 gives 1 digit; 35 rounded to 1 digit, RMC 1 (toward zero).
    fpr(2) = 0x41;
    fpr(4) = 0x2238000000000035;
    EXPECT_EQ(run(Z23("drrnd", 3, 2, 4, 1)), 1);
    EXPECT_EQ(fpr(3), 0x223C000000000003u); // 3E1
    // drintx with R = 1, RMC = 0 rounds toward +inf: 1.1 -> 2.
    fpr(4) = 0x2234000000000011;
    EXPECT_EQ(run(Z23("drintx", 3, 1, 4, 0)), 1);
    EXPECT_EQ(fpr(3), 0x2238000000000002u);
    // dscli by SH = 2: 1 -> 100.
    EXPECT_EQ(run(Z22("dscli", 3, 1, 2)), 1);
    EXPECT_EQ(fpr(3), 0x2238000000000080u);
    // ddedpd SP = 3 (bits 11-12) of +5; denbcd S = 1 (bit 11) back.
    fpr(4) = 0x2238000000000005;
    EXPECT_EQ(run(X("ddedpd", 3, 3 << 3, 4)), 1);
    EXPECT_EQ(fpr(3), 0x5Fu);
    EXPECT_EQ(run(X("denbcd", 5, 1 << 4, 3)), 1);
    EXPECT_EQ(fpr(5), 0x2238000000000005u);
    // dtstdc field BF = 2, DCM 0x08 (normal) of 1: match.
    EXPECT_EQ(run(Z22("dtstdc", 2 << 2, 1, 0x08)), 1);
    EXPECT_EQ(cr(), 0x00200000u);
}

TEST_F(DfpInstr, DdedpdLeavesFpscrUnchanged)
{
    fpscr() = 0x0000000382064000; // DRN 3, FX, XX, FR, FI, +normal
    fpr(4) = 0xA238000000000005;  // -5
    EXPECT_EQ(run(X("ddedpd", 3, 2 << 3, 4)), 1);
    EXPECT_EQ(fpr(3), 0x5Du);
    EXPECT_EQ(fpscr(), 0x0000000382064000u);
    EXPECT_EQ(change(), 0x0000000300064000u); // the same image without its exception bits
}

// A cycle-level instruction hands the quad result twice through its vector result slot and
// writes a 64-bit result straight into the FPR; CR goes through the CR result slot.
TEST_F(DfpInstr, CycleLevelResultsGoThroughTheSlots)
{
    fpr(2) = kQuadOneHigh;
    fpr(3) = kQuadOneLow;
    IOPDesc *iop = ew.prepare(X("daddq.", 4, 2, 2));
    iop->use_slots = 1;
    iop->time_stamp = 77;
    EXPECT_EQ(iop->row->semantic(iop), 1);
    EXPECT_EQ(iop->result_gpr2.value[0], 2u); // the odd register's value, last
    EXPECT_EQ(iop->result_gpr2.value[1], 2u);
    EXPECT_EQ(iop->result_gpr2.ready_time, 77u);
    EXPECT_EQ(iop->result_gpr2.pending, 0); // released
    EXPECT_EQ(fpr(4), 0u);                  // the architected pair is the core's to write
    EXPECT_EQ(iop->result_cr.value[0], 0u);
    EXPECT_EQ(iop->result_cr.ready_time, 77u);
    EXPECT_EQ(ew.t->CR.bits_written.mask, 0x0F000000u);

    fpr(1) = kD64One;
    iop = ew.prepare(X("dadd", 3, 1, 1));
    iop->use_slots = 1;
    EXPECT_EQ(iop->row->semantic(iop), 1);
    EXPECT_EQ(fpr(3), 0x2238000000000002u);
}

// Every decimal row, "dadd" to "dxexq.", has a routine of its own: with decimal floating point
// off each refuses with the illegal-instruction interrupt, and with it on each completes, the
// record forms writing CR field 1, the compares and tests field BF, the others no field.
TEST_F(DfpInstr, EveryDecimalRowHasItsOwnRoutine)
{
    std::vector<const RowEncoding *> rows;
    bool inside = false;
    for (const RowEncoding &r : kRowEncodings) {
        if (strcmp(r.mnemonic, "dadd") == 0) inside = true;
        if (inside && r.fpscr_mask) rows.push_back(&r); // the cache-block rows among them have none
        if (strcmp(r.mnemonic, "dxexq.") == 0) break;
    }
    ASSERT_EQ(rows.size(), 88u);
    std::set<InstrSemanticFn> routines;
    for (const RowEncoding *r : rows) {
        SCOPED_TRACE(r->mnemonic);
        // FRT 8 (BF 2), FRA 2 (RMC, SH, TE and the rest 0), FRB 6: pairs and single registers all hold
        // decimal64 1s, which every form accepts.
        const uint32_t word = r->value | (8u << 21) | (2u << 16) | (6u << 11);
        IOPDesc *iop = ew.prepare(word);
        ASSERT_NE(iop->row, nullptr);
        EXPECT_STREQ(iop->row->mnemonic, r->mnemonic);
        routines.insert(iop->row->semantic);

        ew.option(PO_DFP_SUPPORTED, 0);
        for (int n = 0; n < 10; n++)
            fpr(n) = kD64One;
        cr() = 0;
        ew.t->CR.bits_written = RegBits32{};
        pc() = 0x1000;
        EXPECT_EQ(iop->row->semantic(iop), 0);
        ASSERT_NE(iop->exceptions, nullptr);
        EXPECT_EQ(iop->exceptions->subtype, EST_ILLEGAL_INSTRUCTION);
        EXPECT_EQ(fpr(8), kD64One);

        ew.option(PO_DFP_SUPPORTED, 1);
        fpscr() = 0;
        iop = ew.prepare(word);
        EXPECT_EQ(iop->row->semantic(iop), 1);
        EXPECT_EQ(iop->exceptions, nullptr);
        EXPECT_EQ(pc(), 0x1004u);
        const std::string m = r->mnemonic;
        const bool record = m.back() == '.';
        const bool test = m.rfind("dcmp", 0) == 0 || m.rfind("dtst", 0) == 0;
        const uint32_t field = record ? 0x0F000000 : test ? 0x00F00000u : 0;
        EXPECT_EQ(ew.t->CR.bits_written.valid ? ew.t->CR.bits_written.mask : 0, field);
    }
    EXPECT_EQ(routines.size(), 88u);
}

} // namespace

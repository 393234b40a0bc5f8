// The cycle-level core's internal operations run by hand: ucode_id, iid, the operand slots and the
// cycle-model flag set on a decoded IOPDesc, on the thread's registers or through the slots.
#include "exec_word.h"
#include "decode/semantics.h"
#include "isa/internal_operations.h"
#include "support/sink_capture.h"

namespace
{

constexpr uint32_t OE = 512;
constexpr uint32_t MFCR = 0x7C000026, MFXER = 0x7C0102A6, MTXER = 0x7C0103A6;

uint32_t mtcrf(uint32_t fxm, uint32_t rs)
{
    return (31u << 26) | (rs << 21) | (fxm << 12) | (144u << 1);
}
uint32_t mfocrf(uint32_t rt, uint32_t fxm)
{
    return (31u << 26) | (rt << 21) | (1u << 20) | (fxm << 12) | (19u << 1);
}
uint32_t isel(uint32_t rt, uint32_t ra, uint32_t rb, uint32_t bc)
{
    return (31u << 26) | (rt << 21) | (ra << 16) | (rb << 11) | (bc << 6) | (15u << 1);
}
uint32_t x_form(uint32_t xo, uint32_t rt, uint32_t ra, uint32_t rb)
{
    return (31u << 26) | (rt << 21) | (ra << 16) | (rb << 11) | (xo << 1);
}

// A step of the word with its place in the sequence.
IOPDesc *step(ExecWord &ew, uint32_t word, uint8_t ucode_id, int16_t iid = 0)
{
    IOPDesc *iop = ew.prepare(word);
    iop->ucode_id = ucode_id;
    iop->iid = iid;
    return iop;
}

void width(ExecWord &ew, bool mode64)
{
    if (mode64)
        ew.mode64();
    else
        ew.mode32();
    ew.t->address_width = mode64 ? 64 : 32;
}

TEST(Mtxer, OvStepSetsSoStraightIntoTheThreadXer)
{
    struct Case {
        const char *what;
        uint64_t rs, xer_in;
        bool reports_so, cycle;
        uint64_t xer, result_slot, marked;
        uint8_t so_value;
    } cases[] = {
        {"OV 1", XER_OV, 0, false, false, XER_SO | XER_OV, 0, XER_SO | XER_OV, 1},
        {"OV 1 in flight", XER_OV, 0, false, true, XER_SO, XER_OV, XER_SO | XER_OV, 1},
        {"OV 0 keeps SO", 0, XER_SO | XER_OV, false, false, XER_SO, 0, XER_OV, 0},
        {"OV 0 reports SO", 0, XER_SO | XER_OV, true, false, XER_SO, 0, XER_SO | XER_OV, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        ExecWord ew;
        ew.option(PO_XER_SET_OV_REPORTS_SO, c.reports_so);
        ew.xer() = c.xer_in;
        ew.gpr(4) = c.rs;
        IOPDesc *iop = step(ew, MTXER | 4 << 21, 0);
        if (c.cycle) {
            iop->use_slots = 1;
            iop->operand_slot4[0] = c.rs;
        }
        EXPECT_EQ(semantic_mtxer0(iop), 1);
        EXPECT_EQ(ew.xer(), c.xer);
        EXPECT_EQ(iop->result_xer.value[0], c.result_slot);
        EXPECT_EQ(ew.t->XER.bits_written.mask, c.marked);
        EXPECT_EQ(iop->so_value, c.so_value);
        EXPECT_EQ(ew.t->PC.value, 0x1000u);
    }
}

// The mtxer row carries the FXCC class bit, so the gate is open whenever the option is on.
TEST(Mtxer, FourStepsWriteTheGroupsUnderTheFxccGate)
{
    constexpr uint64_t RS = 0xFFFFFFFF;
    struct Case {
        const char *what;
        bool fxcc_in_xer, tags;
        uint64_t xer;
    } cases[] = {
        {"FXCC option off", false, true, 0xF5FFFFFF},
        {"gate open: lowest FXCC bit 0", true, true, 0xFEFFFFFF},
        {"gate open by the row", true, false, 0xFEFFFFFF},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        ExecWord ew;
        ew.option(PO_FXCC_FIELD_IN_XER, c.fxcc_in_xer);
        if (c.tags) ew.t->MSR.value |= MSR_TA;
        ew.xer() = 0x05000000;
        ew.gpr(4) = RS;
        for (uint8_t k = 0; k < 4; k++)
            EXPECT_EQ(semantic_mtxer_ucode(step(ew, MTXER | 4 << 21, k)), 1);
        EXPECT_EQ(ew.xer(), c.xer);
    }
}

TEST(MicroCode, MfcrAndMfxerSequencesEqualThePlainInstructions)
{
    ExecWord ew;
    ew.t->MSR.value |= MSR_TA;
    ew.cr() = 0x9ABCDEF1;
    ew.xer() = 0xF5A5A5A5;
    const uint32_t word = MFCR | 3 << 21;
    for (uint8_t k = 0; k < 7; k++) {
        IOPDesc *iop = step(ew, word, k);
        iop->operand_slot1[0] = ew.cr();
        iop->operand_slot2[0] = ew.cr();
        EXPECT_EQ(k == 2 || k >= 5 ? semantic_mfcr_add(iop) : semantic_mfcr_ucode(iop), 1);
    }
    const uint64_t cracked_cr = ew.gpr(3);
    EXPECT_EQ(ew.run(word), 1);
    EXPECT_EQ(cracked_cr, ew.gpr(3));
    EXPECT_EQ(cracked_cr, 0x9ABCDEF1u);

    for (uint8_t k = 0; k < 7; k++) {
        IOPDesc *iop = step(ew, MFXER | 5 << 21, k);
        EXPECT_EQ(k == 2 || k == 4 || k == 6 ? semantic_mfxer_add(iop) : semantic_mfxer_ucode(iop), 1);
    }
    EXPECT_EQ(ew.run(MFXER | 6 << 21), 1);
    EXPECT_EQ(ew.gpr(5), ew.gpr(6));
    EXPECT_EQ(ew.gpr(5), 0xF5A5A5A5u);

    // A step outside its sequence is only a warning.
    ew.gpr(5) = 7;
    EXPECT_EQ(semantic_mfxer_add(step(ew, MFXER | 5 << 21, 3)), 1);
    EXPECT_EQ(semantic_mfxer_ucode(step(ew, MFXER | 5 << 21, 2)), 1);
    EXPECT_EQ(ew.gpr(5), 7u);
}

TEST(MicroCode, MtcrfStepsWriteTheirFieldsOnly)
{
    for (uint32_t fxm : {0x00u, 0xFFu, 0x42u}) {
        SCOPED_TRACE(fxm);
        ExecWord ew;
        ew.cr() = 0x12345678;
        ew.gpr(4) = 0xFFFFFFFF9ABCDEF0;
        for (int16_t iid = -7; iid <= 0; iid++)
            EXPECT_EQ(semantic_mtcrf_ucode(step(ew, mtcrf(fxm, 4), (uint8_t)(iid + 7), iid)), 1);
        uint32_t mask = 0;
        for (int k = 0; k < 8; k++)
            if (fxm & (0x80u >> k)) mask |= 0xF0000000u >> (4 * k);
        EXPECT_EQ(ew.cr(), (0x12345678u & ~mask) | (0x9ABCDEF0u & mask));
        EXPECT_EQ(ew.t->CR.bits_written.valid, mask ? 1 : 0);
        EXPECT_EQ(ew.t->CR.bits_written.mask, mask);
    }
}

TEST(MicroCode, CrackedMfcrfCopiesTheLowestNumberedField)
{
    struct Case {
        uint32_t fxm;
        uint64_t rt;
    } cases[] = {{0x00, 0}, {0x80, 0x90000000}, {0x24, 0x00B00000}, {0x01, 0x1}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.fxm);
        ExecWord ew;
        ew.gpr(3) = 0xBAD;
        IOPDesc *iop = step(ew, mfocrf(3, c.fxm), 0);
        iop->cr_operand = 0x9ABCDEF1;
        EXPECT_EQ(semantic_mfcrf_ucode(iop), 1);
        EXPECT_EQ(ew.gpr(3), c.rt);
    }
}

TEST(Cracked, IselMoveByTheResolvedCondition)
{
    struct Case {
        const char *what;
        uint32_t ra_field, condition;
        uint64_t rt;
    } cases[] = {
        {"condition 1, RA field 0", 0, 1, 0},
        {"condition 1, RA", 4, 1, 0x4444},
        {"condition 0", 4, 0, 0x5555},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        ExecWord ew;
        ew.gpr(0) = 0x1111;
        ew.gpr(4) = 0x4444;
        ew.gpr(5) = 0x5555;
        IOPDesc *iop = step(ew, isel(3, c.ra_field, 5, 2), 1);
        iop->cr_operand = c.condition;
        EXPECT_EQ(semantic_isel_cmov(iop), 1);
        EXPECT_EQ(ew.gpr(3), c.rt);
    }
}

TEST(Cracked, RlwimiPiecesKeepTheBitsOutsideTheMask)
{
    struct Case {
        uint32_t sh, mb, me;
    } cases[] = {{8, 8, 23}, {0, 0, 31}, {31, 28, 3}, {4, 16, 16}};
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.sh << " " << c.mb << " " << c.me);
        const uint32_t word = M_FORM(20, 4, 3, c.sh, c.mb, c.me);
        ExecWord whole, cracked;
        for (ExecWord *ew : {&whole, &cracked}) {
            ew->gpr(3) = 0xDEADBEEF12345678;
            ew->gpr(4) = 0x01020304AABBCCDD;
        }
        EXPECT_EQ(whole.run(word), 1);
        EXPECT_EQ(semantic_rlwinm_i(step(cracked, word, 0)), 1);
        EXPECT_EQ(semantic_wi(step(cracked, word, 1)), 1);
        EXPECT_EQ(cracked.gpr(3), whole.gpr(3));
        if (c.mb <= c.me) { // a wrapping mask covers the high word
            EXPECT_EQ(cracked.gpr(3) >> 32, 0xDEADBEEFu);
        }
    }
}

TEST(Cracked, OverflowPiecesAgreeWithTheWholeInstructions)
{
    struct Form {
        const char *name;
        uint32_t xo;
        int (*piece)(IOPDesc *);
    } forms[] = {
        {"addeo", 138, semantic_adde_ov},  {"subfeo", 136, semantic_subfe_ov},
        {"addmeo", 234, semantic_addm_ov}, {"subfmeo", 232, semantic_subfm_ov},
        {"addzeo", 202, semantic_addz_ov}, {"subfzeo", 200, semantic_subfz_ov},
        {"addco", 10, semantic_addc_ov},   {"subfco", 8, semantic_subfc_ov},
    };
    const uint64_t values[] = {
        0, 1, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF, 0x7FFFFFFFFFFFFFFF, 0x8000000000000000, ~0ull, 0x123456789};
    for (const Form &f : forms) {
        for (bool mode64 : {false, true}) {
            for (uint64_t ca : {(uint64_t)0, XER_CA}) {
                for (uint64_t a : values) {
                    for (uint64_t b : values) {
                        SCOPED_TRACE(testing::Message() << f.name << " mode64 " << mode64 << " CA " << ca
                                                        << " a " << a << " b " << b);
                        ExecWord whole, cracked;
                        for (ExecWord *ew : {&whole, &cracked}) {
                            width(*ew, mode64);
                            ew->gpr(4) = a;
                            ew->gpr(5) = b;
                            ew->xer() = ca;
                        }
                        const uint32_t word = XO_FORM(f.xo + OE, 3, 4, 5);
                        EXPECT_EQ(whole.run(word), 1);
                        EXPECT_EQ(f.piece(step(cracked, word, 0)), 1);
                        EXPECT_EQ(cracked.xer() & (XER_OV | XER_SO), whole.xer() & (XER_OV | XER_SO));
                        EXPECT_EQ(cracked.gpr(3), 0u); // the piece writes no GPR
                    }
                }
            }
        }
    }
}

TEST(Cracked, CarryPiecesAgreeWithAddcAndSubfc)
{
    struct Case {
        uint64_t ra, rb;
    } cases[] = {
        {0x10000000FFFFFF, 1}, // RA >= 2^48: OC from the low 24 bits
        {0xFFFFFF, 1},         // below 2^48: no carry out of 48 bits
        {0xFFFFFFFFFFFF, 1},   // carry out of 48 bits
        {~0ull, 1},            // CA
        {0xFFFFFFFF, 1},       // CA in 32-bit width only
        {5, 5},
        {0x1000000000000, 0x2000000},
    };
    for (bool mode64 : {false, true}) {
        for (const Case &c : cases) {
            for (bool subtract : {false, true}) {
                SCOPED_TRACE(testing::Message()
                             << "mode64 " << mode64 << " sub " << subtract << " ra " << c.ra);
                const uint32_t word = XO_FORM(subtract ? 8 : 10, 3, 4, 5);
                ExecWord whole, cracked, with_rt;
                for (ExecWord *ew : {&whole, &cracked, &with_rt}) {
                    width(*ew, mode64);
                    ew->gpr(4) = c.ra;
                    ew->gpr(5) = c.rb;
                }
                EXPECT_EQ(whole.run(word), 1);
                EXPECT_EQ((subtract ? semantic_subfc_caoc : semantic_addc_caoc)(step(cracked, word, 0)), 1);
                EXPECT_EQ((subtract ? semantic_subf_caoc : semantic_add_caoc)(step(with_rt, word, 0)), 1);
                EXPECT_EQ(cracked.xer(), whole.xer());
                EXPECT_EQ(with_rt.xer(), whole.xer());
                EXPECT_EQ(cracked.gpr(3), 0u);
                EXPECT_EQ(with_rt.gpr(3), whole.gpr(3));
            }
        }
    }
    ExecWord ew;
    ew.gpr(4) = 0x10000000FFFFFF;
    ew.gpr(5) = 1;
    EXPECT_EQ(semantic_addc_caoc(step(ew, XO_FORM(10, 3, 4, 5), 0)), 1);
    EXPECT_EQ(ew.xer(), XER_OC);
}

TEST(Cracked, LoadSignExtensionAndRecordPieces)
{
    struct Case {
        const char *what;
        uint32_t word;
        uint64_t rt;
    } cases[] = {
        {"lha", D_FORM(42, 3, 4, 0), 0xFFFFFFFFFFFF8001},
        {"lhaux", x_form(375, 3, 4, 5), 0xFFFFFFFFFFFF8001},
        {"lwa", DS_FORM(58, 3, 4, 0, 2), 0x0000000000008001},
        {"lwax", x_form(341, 3, 4, 5), 0x0000000000008001},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        ExecWord ew;
        ew.gpr(3) = 0x1234567800008001;
        EXPECT_EQ(semantic_ld_exts(step(ew, c.word, 1)), 1);
        EXPECT_EQ(ew.gpr(3), c.rt);
    }
    // In flight: the source is operand A, the result goes to the second result slot.
    ExecWord ew;
    ew.gpr(3) = 0x11;
    IOPDesc *iop = step(ew, D_FORM(42, 3, 4, 0), 1);
    iop->use_slots = 1;
    iop->operand_slot1[0] = 0xFFFF;
    EXPECT_EQ(semantic_ld_exts(iop), 1);
    EXPECT_EQ(iop->result_gpr2.value[0], ~0ull);
    EXPECT_EQ(iop->result_gpr1.value[0], 0u);
    EXPECT_EQ(ew.gpr(3), 0x11u);

    // cmpxi_rt / cmpxi_ra: CR0 from RT or RA.
    ExecWord cr;
    cr.gpr(3) = (uint64_t)-5;
    cr.gpr(4) = 7;
    cr.xer() = XER_SO;
    EXPECT_EQ(semantic_cmpxi_rt(step(cr, x_form(266, 3, 4, 5), 1)), 1);
    EXPECT_EQ(cr.cr() >> 28, CR_LT | CR_SO);
    EXPECT_EQ(semantic_cmpxi_ra(step(cr, x_form(266, 3, 4, 5), 1)), 1);
    EXPECT_EQ(cr.cr() >> 28, CR_GT | CR_SO);
}

TEST(MisalignedSteps, ShiftSteps)
{
    struct Case {
        const char *what;
        bool left;
        uint32_t word;
        uint8_t step;
        int16_t size;
        uint32_t target;
        uint64_t value;
        int result;
    } cases[] = {
        {"srw step 0 from RT", false, D_FORM(32, 3, 4, 0), 0, 2, 32, 0x0000112233445566, 1},
        {"srw 8 bytes yields 0", false, D_FORM(32, 3, 4, 0), 0, 8, 32, 0, 1},
        {"srw 15 bytes yields 0", false, D_FORM(32, 3, 4, 0), 0, 15, 32, 0, 1},
        {"srw 9 bytes: 72 bits has bit 6 set", false, D_FORM(32, 3, 4, 0), 0, 9, 32, 0, 1},
        {"srw 16 bytes: 128 bits modulo 64", false, D_FORM(32, 3, 4, 0), 0, 16, 32, 0x1122334455667788, 1},
        {"srw step 2 scratch 33", false, D_FORM(32, 3, 4, 0), 2, 1, 33, 0x00AABB0000000000, 1},
        {"srw step 5 nothing", false, D_FORM(32, 3, 4, 0), 5, 1, 32, 0xEEEE, 0},
        {"slw step 0 from RS", true, D_FORM(36, 3, 4, 0), 0, 1, 32, 0x2233445566778800, 1},
        {"slw step 12 scratch 33", true, D_FORM(36, 3, 4, 0), 12, 1, 33, 0xBB00000000000000, 1},
        {"slw step 8 string register", true, D_FORM(36, 3, 4, 0), 8, 1, 32, 0x0000000000000400, 1},
        {"slw step 5 nothing", true, D_FORM(36, 3, 4, 0), 5, 1, 32, 0xEEEE, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        ExecWord ew;
        ew.gpr(3) = 0x1122334455667788;
        ew.gpr(4) = 4; // RS + 8 / 4 - 1 = GPR 4
        ew.gpr(32) = 0xEEEE;
        ew.gpr(33) = 0xAABB000000000000;
        IOPDesc *iop = step(ew, c.word, c.step);
        iop->data.size = c.size;
        EXPECT_EQ((c.left ? semantic_misal_slw : semantic_misal_srw)(iop), c.result);
        EXPECT_EQ(ew.gpr(c.target), c.value);
    }
}

TEST(MisalignedSteps, AddressAndCombiningSteps)
{
    const uint32_t lwzx = x_form(23, 3, 4, 5), lxvd2x = x_form(844, 3, 4, 5), lswx = x_form(533, 3, 4, 5);
    struct Case {
        const char *what;
        int (*routine)(IOPDesc *);
        uint32_t word;
        uint8_t step;
        uint32_t target;
        uint64_t value;
        int result;
    } cases[] = {
        {"add 0 EA", semantic_misal_add, lwzx, 0, 32, 0x150, 1},
        {"add 0 VSX indexed", semantic_misal_add, lxvd2x, 0, 33, 0x150, 1},
        {"add 0 RA field 0", semantic_misal_add, x_form(23, 3, 0, 5), 0, 32, 0x50, 1},
        {"add 1 lswx", semantic_misal_add, lswx, 1, 33, 0x150, 1},
        {"add 1 other", semantic_misal_add, lwzx, 1, 34, 0x150, 1},
        {"add 4 RB", semantic_misal_add, lwzx, 4, 34, 0x50, 1},
        {"add 5 scratch 33 to RA", semantic_misal_add, lwzx, 5, 4, 0x3333, 1},
        {"add 7 nothing", semantic_misal_add, lwzx, 7, 34, 0x3434, 0},
        {"addi 1", semantic_misal_addi, D_FORM(32, 3, 4, 0xFFF8), 1, 34, 0xF8, 1},
        {"addi 2 RA = RT", semantic_misal_addi, D_FORM(33, 4, 4, 8), 2, 4, 0x100, 0},
        {"addi 2 update", semantic_misal_addi, D_FORM(33, 3, 4, 8), 2, 4, 0x108, 1},
        {"addi 6 RA + scratch 34", semantic_misal_addi, D_FORM(33, 3, 4, 8), 6, 4, 0x3534, 1},
        {"add_ds 1", semantic_misal_add_ds, DS_FORM(62, 3, 4, -8, 0), 1, 34, 0xF8, 1},
        {"add_ds 2 update", semantic_misal_add_ds, DS_FORM(62, 3, 4, 16, 1), 2, 4, 0x110, 1},
        {"add_ds 2 plain", semantic_misal_add_ds, DS_FORM(62, 3, 4, 16, 0), 2, 33, 0x110, 1},
        {"add_ds 3 nothing", semantic_misal_add_ds, DS_FORM(62, 3, 4, 16, 0), 3, 33, 0x3333, 0},
        {"or 3", semantic_misal_or, D_FORM(32, 3, 4, 0), 3, 3, 0x3333 | 0x3232, 1},
        {"or 4 lfd", semantic_misal_or, D_FORM(50, 3, 4, 0), 4, 32, 0x3333 | 0x3232, 1},
        {"or 10 stbrx-like 534", semantic_misal_or, x_form(534, 3, 4, 5), 10, 3, 0x3333 | 0x3434, 1},
        {"or string", semantic_misal_or, lswx, 9, 4, 0x3434 | 0x3232, 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        ExecWord ew;
        ew.gpr(3) = 0x3;
        ew.gpr(4) = 0x100;
        ew.gpr(5) = 0x50;
        ew.gpr(32) = 0x3232;
        ew.gpr(33) = 0x3333;
        ew.gpr(34) = 0x3434;
        EXPECT_EQ(c.routine(step(ew, c.word, c.step)), c.result);
        EXPECT_EQ(ew.gpr(c.target), c.value);
    }
}

TEST(MicroCodeDeath, UnknownStepsAreFatalInternalErrors)
{
    ExecWord ew;
    auto dies = [&](int (*routine)(IOPDesc *), uint32_t word, uint8_t k, const char *text) {
        IOPDesc *iop = step(ew, word, k);
        EXPECT_DEATH(
            {
                Quarn_Output_File = stderr;
                routine(iop);
            },
            text);
    };
    dies(semantic_mfcr_ucode, MFCR, 2, "mfcr_ucode: Wrong ucode_id: 2");
    dies(semantic_mfcr_add, MFCR, 4, "mfcr_add: Wrong ucode_id: 4");
    dies(semantic_misal_or, D_FORM(32, 3, 4, 0), 6, "semantic_misal_or wrong ucode_id=6");
    dies(semantic_misal_add_ds, DS_FORM(58, 3, 4, 0, 0), 2, "semantic_misal_add_ds: OPCD=0x3a");
    dies(semantic_misal_add_ds, DS_FORM(62, 3, 0, 0, 1), 2, "semantic_misal_add_ds: RA=0");
    ew.option(PO_OMFCR_ALLOW_MULTIPLE_FIELDS);
    dies(semantic_mfcrf_ucode, mfocrf(3, 0x80), 0, "semantic_mfcr: cracked mfcrf encountered");
}

TEST(ListingText, LoadAndStoreMultiples)
{
    struct Case {
        uint32_t word;
        bool store;
        const char *text;
    } cases[] = {
        {D_FORM(46, 3, 4, 0xFFF8), false, "lmw     r3,-8(r4)"},
        {DS_FORM(58, 5, 1, -16, 3), false, "lmd     r5,-16(r1)"},
        {D_FORM(50, 2, 1, 0x10), false, "lfd     f2,16(r1)"},
        {DS_FORM(58, 5, 1, -16, 0), false, "*unrecognized* 0xE8A1FFF0"},
        {D_FORM(47, 30, 1, 8), true, "stmw    r30,8(r1)"},
        {DS_FORM(62, 5, 1, 32, 3), true, "stmd    r5,32(r1)"},
        {D_FORM(54, 2, 1, 0x10), true, "stfd    f2,16(r1)"},
        {D_FORM(46, 3, 4, 0), true, "*unrecognized* 0xB8640000"},
    };
    for (const Case &c : cases) {
        IOPDesc iop{};
        iop.word = c.word;
        char text[64];
        (c.store ? Disassemble_Store_Multiple_Ucode : Disassemble_Load_Multiple_Ucode)(text, sizeof text,
                                                                                       &iop);
        EXPECT_STREQ(text, c.text);
    }
}

} // namespace

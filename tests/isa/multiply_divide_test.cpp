// Multiply and divide: exact products and high halves, overflow of the "o" forms, the high-word
// options, the defined results of division by zero and of quotients that do not fit, the word
// result options, CR0 of the record forms and the gates.
#include "exec_word.h"
#include "isa/integer_workers.h"

namespace
{

constexpr uint32_t OE = 512;
enum : uint32_t { MULLW = 235, MULHW = 75, MULHWU = 11, MULLD = 233, MULHD = 73, MULHDU = 9 };
enum : uint32_t {
    DIVW = 491,
    DIVWU = 459,
    DIVD = 489,
    DIVDU = 457,
    DIVWE = 427,
    DIVWEU = 395,
    DIVDE = 425,
    DIVDEU = 393
};

// XO-form words RT 3, RA 4, RB 5.
uint32_t xo(uint32_t code, uint32_t rc = 0)
{
    return XO_FORM(code, 3, 4, 5, rc);
}

constexpr uint64_t ONES = ~0ull;
constexpr uint64_t OV = XER_SO | XER_OV;

struct Case {
    const char *mnemonic;
    uint32_t word;
    uint64_t ra, rb;
    uint64_t rt;
    uint64_t xer; // XER afterwards (from 0)
};

void run_cases(const Case *cases, size_t count,
               std::initializer_list<std::pair<uint32_t, uint32_t>> options = {})
{
    for (size_t i = 0; i < count; i++) {
        const Case &c = cases[i];
        for (bool mode64 : {true, false}) {
            SCOPED_TRACE(::testing::Message() << c.mnemonic << " #" << i << (mode64 ? " 64" : " 32"));
            ExecWord ew;
            for (auto [option, value] : options)
                ew.option(option, value);
            if (!mode64) ew.mode32();
            ew.gpr(4) = c.ra;
            ew.gpr(5) = c.rb;
            ew.gpr(3) = 0x5A5A;
            EXPECT_EQ(ew.run(c.word), 1);
            EXPECT_STREQ(ew.mnemonic(), c.mnemonic);
            EXPECT_EQ(ew.gpr(3), c.rt);
            EXPECT_EQ(ew.xer(), c.xer);
            EXPECT_EQ(ew.t->PC.value, 0x1004u);
        }
    }
}

// ---- multiply ----

TEST(Multiply, ProductsAndOverflowDoNotDependOnTheMode)
{
    const Case cases[] = {
        {"mulli", D_FORM(7, 3, 4, 0xFFFD), 0x100000000, 0, 0xFFFFFFFD00000000, 0},
        {"mullw", xo(MULLW), 0xFFFFFFFF, 2, 0xFFFFFFFFFFFFFFFE, 0},
        {"mullwo", xo(MULLW + OE), 0x12345678FFFFFFFF, 2, 0xFFFFFFFFFFFFFFFE, 0},
        {"mullwo", xo(MULLW + OE), 0x10000, 0x10000, 0x0000000100000000, OV},
        {"mullwo", xo(MULLW + OE), 0x80000000, 1, 0xFFFFFFFF80000000, 0},
        {"mullwo", xo(MULLW + OE), 0x80000000, 0xFFFFFFFF, 0x0000000080000000, OV},
        {"mulhw", xo(MULHW), 0x80000000, 0x80000000, 0x4000000040000000, 0},
        {"mulhw", xo(MULHW), 0xFFFFFFFF, 1, ONES, 0},
        {"mulhwu", xo(MULHWU), 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFEFFFFFFFE, 0},
        {"mulld", xo(MULLD), 0x123456789, 0x100000000, 0x2345678900000000, 0},
        {"mulldo", xo(MULLD + OE), 0x8000000000000000, ONES, 0x8000000000000000, OV},
        {"mulldo", xo(MULLD + OE), 0x8000000000000000, 1, 0x8000000000000000, 0},
        {"mulldo", xo(MULLD + OE), 0x100000000, 0x80000000, 0x8000000000000000, OV},
        {"mulldo", xo(MULLD + OE), 0xFFFFFFFF00000000, 0x80000000, 0x8000000000000000, 0},
        {"mulhd", xo(MULHD), 0x8000000000000000, 0x8000000000000000, 0x4000000000000000, 0},
        {"mulhd", xo(MULHD), ONES, 1, ONES, 0},
        {"mulhd", xo(MULHD), 0, (uint64_t)-5, 0, 0},
        {"mulhd", xo(MULHD), 0x8000000000000000, 3, 0xFFFFFFFFFFFFFFFE, 0},
        {"mulhdu", xo(MULHDU), ONES, ONES, 0xFFFFFFFFFFFFFFFE, 0},
    };
    run_cases(cases, std::size(cases));
}

TEST(Multiply, HighWordOptions)
{
    struct Option {
        uint32_t doubles, zeros;
        uint64_t min_squared, minus_one;
    } settings[] = {
        {1, 0, 0x4000000040000000, ONES},
        {0, 0, 0x0000000040000000, ONES},
        {0, 1, 0x0000000040000000, 0x00000000FFFFFFFF},
        {1, 1, 0x0000000040000000, 0x00000000FFFFFFFF},
    };
    for (const Option &o : settings) {
        const Case cases[] = {
            {"mulhw", xo(MULHW), 0x80000000, 0x80000000, o.min_squared, 0},
            {"mulhw", xo(MULHW), ONES, 1, o.minus_one, 0},
        };
        run_cases(cases, std::size(cases), {{PO_MULHW_DOUBLES, o.doubles}, {PO_MULHW_ZEROS, o.zeros}});
    }
}

TEST(Multiply, RecordFormsSetCr0FromTheModesView)
{
    struct RecordCase {
        uint32_t word;
        uint64_t ra, rb;
        uint32_t cr0_64, cr0_32;
    } cases[] = {
        // mulhw. with the doubled high word 0xFFFFFFFF_FFFFFFFF; in 32-bit mode the low word.
        {xo(MULHW, 1), ONES, 1, CR_LT, CR_LT},
        // mulhwu.: 0x00000001_00000001 doubled is positive; its low word too.
        {xo(MULHWU, 1), 0x80000000, 2, CR_GT, CR_GT},
        // mullw. of 0x10000 x 0x10000 = 2^32: positive in 64-bit, zero in 32-bit mode.
        {xo(MULLW, 1), 0x10000, 0x10000, CR_GT, CR_EQ},
        {xo(MULLD + OE, 1), 0x8000000000000000, ONES, CR_LT | CR_SO, CR_EQ | CR_SO},
    };
    for (const RecordCase &c : cases) {
        for (bool mode64 : {true, false}) {
            ExecWord ew;
            if (!mode64) ew.mode32();
            ew.gpr(4) = c.ra;
            ew.gpr(5) = c.rb;
            EXPECT_EQ(ew.run(c.word), 1);
            EXPECT_EQ(ew.cr() >> 28, mode64 ? c.cr0_64 : c.cr0_32) << ew.mnemonic() << " " << mode64;
        }
    }
}

TEST(Multiply, DoublewordRowsAreGatedIn32BitMode)
{
    for (uint32_t code : {(uint32_t)MULLD, MULLD + OE, (uint32_t)MULHD, (uint32_t)MULHDU}) {
        ExecWord ew;
        ew.option(PO_NO_64BIT_OPS_IN_32BIT_MODE);
        ew.mode32();
        ew.gpr(3) = 0x5A;
        EXPECT_EQ(ew.run(xo(code, 1)), 0);
        ASSERT_NE(ew.raised(), nullptr);
        EXPECT_EQ(ew.raised()->subtype, 220);
        EXPECT_EQ(ew.gpr(3), 0x5Au);
        EXPECT_EQ(ew.cr(), 0u);
    }
    ExecWord ew;
    ew.option(PO_NO_64BIT_OPS_IN_32BIT_MODE);
    ew.mode32();
    EXPECT_EQ(ew.run(xo(MULHW)), 1);
}

// ---- divide ----

TEST(Divide, WordRowsWithTheErvikDefaults)
{
    const Case cases[] = {
        {"divw", xo(DIVW), 7, (uint64_t)-2, 0x00000000FFFFFFFD, 0},
        {"divw", xo(DIVW), 0x1234567800000007, 0xFFFFFFFF00000002, 3, 0},
        {"divw", xo(DIVW), 7, 0, 0, 0},
        {"divwo", xo(DIVW + OE), 7, 0, 0, OV},
        {"divwo", xo(DIVW + OE), 0x80000000, ONES, 0, OV},
        {"divwo", xo(DIVW + OE), 0x80000000, 1, 0x80000000, 0},
        {"divwu", xo(DIVWU), 0xFFFFFFFF, 2, 0x7FFFFFFF, 0},
        {"divwuo", xo(DIVWU + OE), 0x80000000, 0xFFFFFFFF, 0, 0},
        {"divwuo", xo(DIVWU + OE), 5, 0, 0, OV},
        {"divwe", xo(DIVWE), 1, 4, 0x40000000, 0},
        {"divweo", xo(DIVWE + OE), 1, 2, 0, OV},
        {"divweo", xo(DIVWE + OE), (uint64_t)-1, 2, 0x80000000, 0},
        {"divweo", xo(DIVWE + OE), 0x80000000, ONES, 0, OV},
        {"divweo", xo(DIVWE + OE), 1, 0, 0, OV},
        {"divweu", xo(DIVWEU), 1, 2, 0x80000000, 0},
        {"divweuo", xo(DIVWEU + OE), 2, 2, 0, OV},
        {"divweuo", xo(DIVWEU + OE), 0xFFFFFFFE, 0xFFFFFFFF, 0xFFFFFFFE, 0},
    };
    run_cases(cases, std::size(cases));
}

TEST(Divide, WordResultOptions)
{
    // Without DIVW_CLEARS_RT0_31 a signed word result stays sign-extended; a copied RA is whole.
    const Case sign_extended[] = {
        {"divw", xo(DIVW), 7, (uint64_t)-2, 0xFFFFFFFFFFFFFFFD, 0},
        {"divwe", xo(DIVWE), (uint64_t)-1, 2, 0xFFFFFFFF80000000, 0},
    };
    run_cases(sign_extended, std::size(sign_extended), {{PO_DIVW_CLEARS_RT0_31, 0}});

    const Case copies_ra[] = {
        {"divwo", xo(DIVW + OE), 0x1234567887654321, 0, 0x87654321, OV},
        {"divduo", xo(DIVDU + OE), 0x1234567887654321, 0, 0x1234567887654321, OV},
        {"divweo", xo(DIVWE + OE), 0x1234567887654321, 0, 0, OV}, // not for the extended rows
        {"divdeo", xo(DIVDE + OE), 0x1234567887654321, 0, 0, OV},
    };
    run_cases(copies_ra, std::size(copies_ra), {{PO_DIV_BY_ZERO_COPIES_RA, 1}});
    const Case copies_whole_ra[] = {
        {"divwuo", xo(DIVWU + OE), 0x1234567887654321, 0, 0x1234567887654321, OV},
    };
    run_cases(copies_whole_ra, std::size(copies_whole_ra),
              {{PO_DIV_BY_ZERO_COPIES_RA, 1}, {PO_DIVW_CLEARS_RT0_31, 0}});

    // divwuo of 0x80000000 by 0xFFFFFFFF reports overflow only without the update option.
    const Case update[] = {
        {"divwuo", xo(DIVWU + OE), 0x80000000, 0xFFFFFFFF, 0, OV},
        {"divduo", xo(DIVDU + OE), 0x8000000000000000, ONES, 0, 0},
        {"divduo", xo(DIVDU + OE), 1, 0, 0, OV},
    };
    run_cases(update, std::size(update), {{PO_DIVIDE_W_UPDATE_DO_NOT_SET_XER_OV, 0}});
}

TEST(Divide, DoublewordRows)
{
    const Case cases[] = {
        {"divd", xo(DIVD), (uint64_t)-7, 2, (uint64_t)-3, 0},
        {"divdo", xo(DIVD + OE), 0x8000000000000000, ONES, 0, OV},
        {"divdo", xo(DIVD + OE), 5, 0, 0, OV},
        {"divdu", xo(DIVDU), ONES, 2, 0x7FFFFFFFFFFFFFFF, 0},
        {"divduo", xo(DIVDU + OE), 0x8000000000000000, ONES, 0, 0},
        {"divduo", xo(DIVDU + OE), 5, 0, 0, OV},
        {"divde", xo(DIVDE), 1, 4, 0x4000000000000000, 0},
        {"divdeo", xo(DIVDE + OE), 1, 2, 0, OV},
        {"divdeo", xo(DIVDE + OE), ONES, 2, 0x8000000000000000, 0},
        {"divdeo", xo(DIVDE + OE), 0x8000000000000000, 0x8000000000000000, 0, OV},
        {"divdeo", xo(DIVDE + OE), 0x8000000000000000, 3, 0, OV},
        {"divdeo", xo(DIVDE + OE), 1, 0x8000000000000000, 0xFFFFFFFFFFFFFFFE, 0},
        {"divdeo", xo(DIVDE + OE), 0, 0, 0, OV},
        {"divdeu", xo(DIVDEU), 1, 2, 0x8000000000000000, 0},
        {"divdeuo", xo(DIVDEU + OE), 7, 7, 0, OV},
        {"divdeuo", xo(DIVDEU + OE), 0xFFFFFFFFFFFFFFFE, ONES, 0xFFFFFFFFFFFFFFFE, 0},
        {"divdeuo", xo(DIVDEU + OE), 1, 0x8000000000000001, 1, 0},
        {"divdeuo", xo(DIVDEU + OE), 0x8000000000000000, 0x8000000000000001, 0xFFFFFFFFFFFFFFFE, 0},
    };
    run_cases(cases, std::size(cases));
}

TEST(Divide, RecordFormsTakeCr0FromTheWholeRtIn64BitMode)
{
    struct RecordCase {
        uint32_t word;
        uint64_t ra, rb, xer_in;
        uint32_t cr0_64, cr0_32;
    } cases[] = {
        {xo(DIVW, 1), (uint64_t)-6, 3, 0, CR_GT, CR_LT}, // RT 0x00000000FFFFFFFE
        {xo(DIVW, 1), 0x80000000, ONES, 0, CR_EQ, CR_EQ},
        {xo(DIVW + OE, 1), 0x80000000, ONES, 0, CR_EQ | CR_SO, CR_EQ | CR_SO},
        {xo(DIVDU, 1), 5, 0, XER_SO, CR_EQ | CR_SO, CR_EQ | CR_SO},
        {xo(DIVDE, 1), ONES, 2, 0, CR_LT, CR_EQ},
    };
    for (const RecordCase &c : cases) {
        for (bool mode64 : {true, false}) {
            ExecWord ew;
            if (!mode64) ew.mode32();
            ew.gpr(4) = c.ra;
            ew.gpr(5) = c.rb;
            ew.xer() = c.xer_in;
            EXPECT_EQ(ew.run(c.word), 1);
            EXPECT_EQ(ew.cr() >> 28, mode64 ? c.cr0_64 : c.cr0_32) << ew.mnemonic() << " " << mode64;
        }
    }
}

// The extended rows need their option, then, in problem state, no version 2.05 compatibility;
// the doubleword rows pass the 64-bit check. Nothing is read or written when refused.
TEST(Divide, GatesComeBeforeAnyRead)
{
    struct GateCase {
        const char *what;
        uint32_t word;
        uint32_t option_off;
        bool problem_pcr, no64;
        int subtype;
    } cases[] = {
        {"divde off", xo(DIVDE), PO_DIVDE_SUPPORTED, false, false, 221},
        {"divdeuo. off", xo(DIVDEU + OE, 1), PO_DIVDE_SUPPORTED, false, false, 221},
        {"divwe off", xo(DIVWE), PO_DIVWE_SUPPORTED, false, false, 221},
        {"divweu with divde off", xo(DIVWEU), PO_DIVDE_SUPPORTED, false, false, 0},
        {"divwe pcr", xo(DIVWE), 0, true, false, 221},
        {"divde pcr", xo(DIVDE), 0, true, false, 221},
        {"divw pcr", xo(DIVW), 0, true, false, 0},
        {"divd 32-bit", xo(DIVD), 0, false, true, 220},
        {"divduo. 32-bit", xo(DIVDU + OE, 1), 0, false, true, 220},
        {"divde 32-bit", xo(DIVDE), 0, false, true, 0},
        {"divw 32-bit", xo(DIVW), 0, false, true, 0},
    };
    for (const GateCase &c : cases) {
        SCOPED_TRACE(c.what);
        TclRecorder tcl;
        ExecWord ew;
        if (c.option_off) ew.option(c.option_off, 0);
        if (c.problem_pcr) {
            ew.t->MSR.value |= MSR_PR;
            ew.core.core->PCR.value = 0x2;
        }
        if (c.no64) {
            ew.option(PO_NO_64BIT_OPS_IN_32BIT_MODE);
            ew.mode32();
        }
        Attach_Read_Trigger(&ew.t->GPR[4].trigger, "GPR4", "record");
        ew.gpr(3) = 0x5A;
        ew.gpr(4) = 8;
        ew.gpr(5) = 2;
        EXPECT_EQ(ew.run(c.word), c.subtype ? 0 : 1);
        if (c.subtype) {
            ASSERT_NE(ew.raised(), nullptr);
            EXPECT_EQ(ew.raised()->subtype, c.subtype);
            EXPECT_EQ(tcl.count("GPR4"), 0);
            EXPECT_EQ(ew.gpr(3), 0x5Au);
            EXPECT_EQ(ew.xer(), 0u);
            EXPECT_EQ(ew.cr(), 0u);
            EXPECT_EQ(ew.t->PC.value, 0x1000u);
        } else {
            EXPECT_EQ(tcl.count("GPR4"), 1);
        }
    }
}

TEST(Divide, InFlightFormUsesTheSlots)
{
    ExecWord ew;
    IOPDesc *iop = ew.prepare(xo(DIVWU + OE));
    iop->use_slots = 1;
    iop->defer_side_effects = 1;
    iop->operand_slot1[0] = 100;
    iop->operand_slot2[0] = 0;
    EXPECT_EQ(iop->row->semantic(iop), 1);
    EXPECT_EQ(iop->result_gpr1.value[0], 0u);
    EXPECT_EQ(iop->result_xer.value[0] & XER_OV, XER_OV);
    EXPECT_EQ(iop->so_value, 1);
    EXPECT_EQ(ew.t->PC.value, 0x1000u);
}

} // namespace

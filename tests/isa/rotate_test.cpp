// Rotate and shift instructions: masks that wrap, amounts taken from the low bits of RB, the
// algebraic shifts with CA and OC, the 64-bit gate and the magic-instruction hook of rlwimi.
#include "exec_word.h"
#include "runtime/plugin_events.h"

namespace
{

enum : uint32_t { RLWIMI = 20, RLWINM = 21, RLWNM = 23 };
enum : uint32_t { SLW = 24, SRW = 536, SRAW = 792, SRAWI = 824, SLD = 27, SRD = 539, SRAD = 794 };
enum : uint32_t { RLDICL = 0, RLDICR = 1, RLDIC = 2, RLDIMI = 3, RLDCL = 8, RLDCR = 9 };

// X-form shifts: RS 4, RA 3, RB 5 (or SH for srawi).
uint32_t shift(uint32_t xo, uint32_t rb = 5, uint32_t rc = 0)
{
    return XO_FORM(xo, 4, 3, rb, rc);
}

constexpr uint64_t ONES = ~0ull;
constexpr uint64_t XER_IN = XER_SO | XER_OC; // OC set to see the algebraic shifts clear it

struct Case {
    const char *mnemonic;
    uint32_t word;
    uint64_t rs, rb, ra_in;
    uint64_t ra;
    uint64_t xer; // XER afterwards
    int cr0;      // -1: no CR0
};

void run_cases(const Case *cases, size_t count, bool mode64 = true)
{
    for (size_t i = 0; i < count; i++) {
        const Case &c = cases[i];
        SCOPED_TRACE(::testing::Message() << c.mnemonic << " #" << i);
        ExecWord ew;
        if (!mode64) ew.mode32();
        ew.gpr(4) = c.rs;
        ew.gpr(5) = c.rb;
        ew.gpr(3) = c.ra_in;
        ew.xer() = XER_IN;
        EXPECT_EQ(ew.run(c.word), 1);
        EXPECT_STREQ(ew.mnemonic(), c.mnemonic);
        EXPECT_EQ(ew.gpr(3), c.ra);
        EXPECT_EQ(ew.xer(), c.xer);
        EXPECT_EQ(ew.cr() >> 28, c.cr0 < 0 ? 0u : (uint32_t)c.cr0);
        EXPECT_EQ(ew.t->PC.value, 0x1004u);
    }
}

TEST(Rotate, WordRotatesDoubleTheWordUnderTheMask)
{
    const Case cases[] = {
        {"rlwinm", M_FORM(RLWINM, 4, 3, 0, 0, 31), 0xAAAAAAAA12345678, 0, 0, 0x12345678, XER_IN, -1},
        // MB 31, ME 0: the mask 0xFFFFFFFF80000001 on the doubled word.
        {"rlwinm", M_FORM(RLWINM, 4, 3, 0, 31, 0), 0x0000000080000003, 0, 0, 0x8000000380000001, XER_IN, -1},
        {"rlwinm.", M_FORM(RLWINM, 4, 3, 8, 24, 31, 1), 0x12345678, 0, 0, 0x12, XER_IN, CR_GT | CR_SO},
        // Only RB & 0x1F rotates: 33 rotates by 1.
        {"rlwnm", M_FORM(RLWNM, 4, 3, 5, 0, 31), 0x80000001, 33, 0, 0x00000003, XER_IN, -1},
        {"rlwimi", M_FORM(RLWIMI, 4, 3, 8, 16, 23), 0x000000AB, 0, ONES, 0xFFFFFFFFFFFFABFF, XER_IN, -1},
        // MB > ME: the mask covers the whole high half, which receives the rotated word.
        {"rlwimi", M_FORM(RLWIMI, 4, 3, 0, 24, 7), 0x11223344, 0, ONES, 0x1122334411FFFF44, XER_IN, -1},
    };
    run_cases(cases, std::size(cases));
}

TEST(Rotate, DoublewordRotates)
{
    const Case cases[] = {
        {"rldicl", MD_FORM(RLDICL, 4, 3, 0, 32), 0xFFFFFFFF12345678, 0, 0, 0x12345678, XER_IN, -1},
        {"rldicl.", MD_FORM(RLDICL, 4, 3, 60, 0, 1), 0x8000000000000001, 0, 0, 0x1800000000000000, XER_IN,
         CR_GT | CR_SO},
        {"rldicr", MD_FORM(RLDICR, 4, 3, 4, 59), 0xF000000000001234, 0, 0, 0x12340, XER_IN, -1},
        {"rldic", MD_FORM(RLDIC, 4, 3, 8, 48), 0xCD000000000000AB, 0, 0, 0xAB00, XER_IN, -1},
        // mb > 63 - sh: the mask wraps.
        {"rldic", MD_FORM(RLDIC, 4, 3, 8, 60), 0x0F00000000000001, 0, 0, 0x10F, XER_IN, -1},
        {"rldimi", MD_FORM(RLDIMI, 4, 3, 16, 32), 0x1234, 0, ONES, 0xFFFFFFFF1234FFFF, XER_IN, -1},
        {"rldcl", MDS_FORM(RLDCL, 4, 3, 5, 0), 0x8000000000000001, 68, 0, 0x18, XER_IN, -1},
        {"rldcr", MDS_FORM(RLDCR, 4, 3, 5, 7), 0x123456789ABCDEF0, 8, 0, 0x3400000000000000, XER_IN, -1},
    };
    run_cases(cases, std::size(cases));
}

TEST(Rotate, LogicalShiftsUseTheLowBitsOfRb)
{
    const Case cases[] = {
        {"slw", shift(SLW), 0x80000001, 4, 0, 0x10, XER_IN, -1},
        {"slw", shift(SLW), 0x80000001, 32, 7, 0, XER_IN, -1},
        {"slw", shift(SLW), 0xFFFFFFFF80000001, 64, 7, 0x80000001, XER_IN, -1},
        {"srw", shift(SRW), 0xFFFFFFFF80000000, 4, 0, 0x08000000, XER_IN, -1},
        {"srw", shift(SRW), 0x80000001, 32, 7, 0, XER_IN, -1},
        {"srw", shift(SRW), 0xFFFFFFFF80000001, 64, 7, 0x80000001, XER_IN, -1},
        {"srw.", shift(SRW, 5, 1), 0x80000000, 0x100, 7, 0x80000000, XER_IN, CR_GT | CR_SO},
        {"sld", shift(SLD), 0x8000000000000001, 4, 0, 0x10, XER_IN, -1},
        {"sld", shift(SLD), 0x8000000000000001, 64, 7, 0, XER_IN, -1},
        {"sld", shift(SLD), 0x8000000000000001, 128, 7, 0x8000000000000001, XER_IN, -1},
        {"srd", shift(SRD), 0x8000000000000010, 4, 0, 0x0800000000000001, XER_IN, -1},
        {"srd", shift(SRD), 0x8000000000000001, 64, 7, 0, XER_IN, -1},
        {"srd", shift(SRD), 0x8000000000000001, 128, 7, 0x8000000000000001, XER_IN, -1},
    };
    run_cases(cases, std::size(cases));
}

TEST(Rotate, AlgebraicShiftsSetCarryFromShiftedOutOnes)
{
    const uint64_t ca = XER_SO | XER_CA, no_ca = XER_SO; // OC cleared by every algebraic shift
    const Case cases[] = {
        {"srawi", shift(SRAWI, 0), 0x0000000080000000, 0, 0, 0xFFFFFFFF80000000, no_ca, -1},
        {"srawi", shift(SRAWI, 4), 0x0000000180000000, 0, 0, 0xFFFFFFFFF8000000, no_ca, -1},
        {"srawi", shift(SRAWI, 1), 0x00000000FFFFFFFF, 0, 0, ONES, ca, -1},
        {"srawi", shift(SRAWI, 4), 0xFFFFFFFF7FFFFFFF, 0, 0, 0x07FFFFFF, no_ca, -1},
        {"sraw", shift(SRAW), 0x80000000, 32, 0, ONES, ca, -1},
        {"sraw", shift(SRAW), 0x80000000, 63, 0, ONES, ca, -1},
        {"sraw", shift(SRAW), 0x7FFFFFFF, 32, 7, 0, no_ca, -1},
        {"sraw", shift(SRAW), 0xFFFFFFF0, 0x44, 0, 0xFFFFFFFFFFFFFFFF, no_ca, -1}, // RB 0x44: by 4
        {"sraw.", shift(SRAW, 5, 1), 0x80000001, 1, 0, 0xFFFFFFFFC0000000, ca, CR_LT | CR_SO},
        {"sradi", SRADI(4, 3, 63), ONES, 0, 0, ONES, ca, -1},
        {"sradi", SRADI(4, 3, 4), 0x8000000000000000, 0, 0, 0xF800000000000000, no_ca, -1},
        {"sradi.", SRADI(4, 3, 1, 1), 0x10, 0, 0, 0x8, no_ca, CR_GT | CR_SO},
        {"srad", shift(SRAD), 0x8000000000000000, 64, 0, ONES, ca, -1},
        {"srad", shift(SRAD), 0x7000000000000000, 127, 7, 0, no_ca, -1},
    };
    run_cases(cases, std::size(cases));
}

TEST(Rotate, SrawiRecordFormAgreesInBothModes)
{
    const Case cases[] = {
        {"srawi.", shift(SRAWI, 1, 1), 0x80000002, 0, 0, 0xFFFFFFFFC0000001, XER_SO, CR_LT | CR_SO},
        {"srawi.", shift(SRAWI, 1, 1), 0xFFFFFFFF00000002, 0, 0, 1, XER_SO, CR_GT | CR_SO},
    };
    run_cases(cases, std::size(cases), true);
    run_cases(cases, std::size(cases), false);
}

// OC is cleared only outside tags-active mode and with ARITHMETIC_SHIFT_FORCES_XER_OC_ZERO and
// XER_OC_BEHAVIOR both on.
TEST(Rotate, OffsetCarryRuleOfTheAlgebraicShifts)
{
    struct Setting {
        bool force, oc_behavior, tags_active;
        uint64_t xer;
    } settings[] = {
        {true, true, false, XER_CA},
        {true, true, true, XER_CA | XER_OC},
        {false, true, false, XER_CA | XER_OC},
        {true, false, false, XER_CA | XER_OC},
    };
    for (const Setting &s : settings) {
        SCOPED_TRACE(::testing::Message() << s.force << s.oc_behavior << s.tags_active);
        ExecWord ew;
        ew.option(PO_ARITHMETIC_SHIFT_FORCES_XER_OC_ZERO, s.force);
        ew.option(PO_XER_OC_BEHAVIOR, s.oc_behavior);
        if (s.tags_active) ew.t->MSR.value |= MSR_TA;
        ew.xer() = XER_OC;
        ew.gpr(4) = ONES;
        EXPECT_EQ(ew.run(shift(SRAWI, 1)), 1);
        EXPECT_EQ(ew.xer(), s.xer);
    }
}

TEST(Rotate, DoublewordFormsAreRefusedIn32BitModeWithTheOption)
{
    const uint32_t words[] = {MD_FORM(RLDICL, 4, 3, 1, 0),
                              MD_FORM(RLDICR, 4, 3, 1, 63),
                              MD_FORM(RLDIC, 4, 3, 1, 0),
                              MD_FORM(RLDIMI, 4, 3, 1, 0),
                              MDS_FORM(RLDCL, 4, 3, 5, 0),
                              MDS_FORM(RLDCR, 4, 3, 5, 63),
                              shift(SLD),
                              shift(SRD),
                              shift(SRAD),
                              SRADI(4, 3, 1, 1)};
    for (uint32_t word : words) {
        SCOPED_TRACE(::testing::Message() << std::hex << word);
        ExecWord ew;
        ew.option(PO_NO_64BIT_OPS_IN_32BIT_MODE);
        ew.mode32();
        ew.gpr(4) = 0x80000001;
        ew.gpr(5) = 1;
        ew.gpr(3) = 0x5A;
        ew.xer() = XER_OC;
        EXPECT_EQ(ew.run(word), 0);
        ASSERT_NE(ew.raised(), nullptr);
        EXPECT_EQ(ew.raised()->subtype, 220);
        EXPECT_EQ(ew.gpr(3), 0x5Au);
        EXPECT_EQ(ew.xer(), XER_OC);
        EXPECT_EQ(ew.cr(), 0u);
        EXPECT_EQ(ew.t->PC.value, 0x1000u);
    }
    // The word forms have no gate.
    ExecWord ew;
    ew.option(PO_NO_64BIT_OPS_IN_32BIT_MODE);
    ew.mode32();
    EXPECT_EQ(ew.run(shift(SRAWI, 1)), 1);
}

TEST(Rotate, MagicRlwimiReportsItsCodeBeforeRunning)
{
    struct MagicCase {
        uint32_t word;
        long calls;
        uint32_t code;
    } cases[] = {
        {M_FORM(RLWIMI, 5, 5, 0, 3, 20), 1, 0x534},     // 5 x 256 + 3 x 16 + 4
        {M_FORM(RLWIMI, 31, 31, 0, 15, 31), 1, 0x1FFF}, // the largest code
        {M_FORM(RLWIMI, 5, 5, 0, 3, 20, 1), 0, 0},      // rlwimi.: no hook
        {M_FORM(RLWIMI, 5, 5, 1, 3, 20), 0, 0},         // SH != 0
        {M_FORM(RLWIMI, 5, 6, 0, 3, 20), 0, 0},         // RA != RS
        {M_FORM(RLWIMI, 5, 5, 0, 16, 20), 0, 0},        // MB >= 16
        {M_FORM(RLWIMI, 5, 5, 0, 3, 15), 0, 0},         // ME < 16
    };
    // The listener sees RA before the instruction runs.
    struct MagicCall {
        ThreadState *thread;
        uint32_t code;
        uint64_t ra;
    };
    static std::vector<MagicCall> calls;
    static ThreadState *current;
    auto listener = +[](ThreadState *thread, uint32_t code, uint64_t) -> int {
        calls.push_back({thread, code, current->GPR[code >> 8].value});
        return 0;
    };
    ASSERT_TRUE(RegisterListener("Event_Magic_Inst", (void *)listener, nullptr));
    for (const MagicCase &c : cases) {
        SCOPED_TRACE(::testing::Message() << std::hex << c.word);
        calls.clear();
        ExecWord ew;
        current = ew.t;
        ew.gpr(5) = 0x0123456789ABCDEF;
        ew.gpr(31) = 0x0123456789ABCDEF;
        EXPECT_EQ(ew.run(c.word), 1);
        EXPECT_EQ((long)calls.size(), c.calls);
        if (c.calls) {
            EXPECT_EQ(calls[0].code, c.code);
            EXPECT_EQ(calls[0].thread, ew.t);
            EXPECT_EQ(calls[0].ra, 0x0123456789ABCDEFu);
            EXPECT_EQ(ew.gpr(FIELD_RA(c.word)), 0x0123456789ABCDEFu); // RA inserted into itself
        }
    }
    EXPECT_EQ(UnRegisterListener("Event_Magic_Inst", (void *)listener), 1);
}

} // namespace

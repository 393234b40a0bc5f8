// Fixed-point, condition-register and SPR instructions in translated code against the interpreter:
// each word runs once through the one-instruction interpreter and once as a translated page, from
// the same registers, and the GPRs, CR and XER must agree (in bit-accurate mode, where translated
// code is exact); then the fast-mode forms and exits that differ on purpose.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "processor/config/processor_options.h"
#include "processor/regs/reg_accessors.h"
#include "processor/run/modes.h"
#include "translator/page_rig.h"

namespace
{

using namespace ppc;

constexpr uint32_t a_form(int op, int rt, int ra, int rb, int xo, int rc)
{
    return (uint32_t)op << 26 | (uint32_t)rt << 21 | (uint32_t)ra << 16 | (uint32_t)rb << 11 |
           (uint32_t)xo << 1 | (uint32_t)rc;
}
// X and XO forms of primary opcode 31.
constexpr uint32_t x31(int rt, int ra, int rb, int xo, int rc = 0)
{
    return a_form(31, rt, ra, rb, xo, rc);
}
constexpr uint32_t rlw(int op, int ra, int rs, int sh, int mb, int me, int rc = 0)
{
    return (uint32_t)op << 26 | (uint32_t)rs << 21 | (uint32_t)ra << 16 | (uint32_t)sh << 11 |
           (uint32_t)mb << 6 | (uint32_t)me << 1 | (uint32_t)rc;
}
// MD form: rldicl (xo 0), rldicr (1), rldic (2), rldimi (3).
constexpr uint32_t md(int xo, int ra, int rs, int sh, int mb, int rc = 0)
{
    return 30u << 26 | (uint32_t)rs << 21 | (uint32_t)ra << 16 | (uint32_t)(sh & 31) << 11 |
           (uint32_t)(mb & 31) << 6 | (uint32_t)(mb >> 5) << 5 | (uint32_t)xo << 2 |
           (uint32_t)(sh >> 5) << 1 | (uint32_t)rc;
}
// MDS form: rldcl (xo 8), rldcr (9).
constexpr uint32_t mds(int xo, int ra, int rs, int rb, int mb, int rc = 0)
{
    return 30u << 26 | (uint32_t)rs << 21 | (uint32_t)ra << 16 | (uint32_t)rb << 11 |
           (uint32_t)(mb & 31) << 6 | (uint32_t)(mb >> 5) << 5 | (uint32_t)xo << 1 | (uint32_t)rc;
}
constexpr uint32_t sradi(int ra, int rs, int sh, int rc = 0)
{
    return 31u << 26 | (uint32_t)rs << 21 | (uint32_t)ra << 16 | (uint32_t)(sh & 31) << 11 | 413u << 2 |
           (uint32_t)(sh >> 5) << 1 | (uint32_t)rc;
}
constexpr uint32_t cmp_form(int op, int bf, int l, int ra, int rb_or_imm, int xo)
{
    return (uint32_t)op << 26 | (uint32_t)bf << 23 | (uint32_t)l << 21 | (uint32_t)ra << 16 |
           (op == 31 ? ((uint32_t)rb_or_imm << 11 | (uint32_t)xo << 1) : ((uint32_t)rb_or_imm & 0xFFFF));
}
constexpr uint32_t mspr(int xo, int rt, int spr)
{
    return 31u << 26 | (uint32_t)rt << 21 | (uint32_t)(spr & 31) << 16 | (uint32_t)(spr >> 5) << 11 |
           (uint32_t)xo << 1;
}

struct State {
    uint64_t gpr[32];
    uint32_t cr;
    uint64_t xer;
};

class FixedPoint : public PageRig
{
  public:
    State capture()
    {
        State s{};
        for (int i = 0; i < 32; i++)
            s.gpr[i] = t->GPR[i].value;
        s.cr = tRAW_GET_CR(t);
        s.xer = tRAW_GET_XER(t);
        return s;
    }
    void restore(const State &s)
    {
        for (int i = 0; i < 32; i++)
            t->GPR[i].value = s.gpr[i];
        tCOOKED_SET_CR(t, s.cr, 0);
        tCOOKED_SET_XER(t, s.xer, 0);
    }
    // The interpreter's result of one instruction at the page's first word.
    State interpret(uint32_t w, const State &from)
    {
        word(0, w);
        restore(from);
        t->PC.value = PAGE_PA;
        r.m.machine->mode = MODE_SIMPLE;
        r.run(1);
        r.m.machine->mode = MODE_TURBO;
        return capture();
    }
    // Translated code's result, or false when it left the instruction to the interpreter.
    bool translate(uint32_t w, const State &from, State *result)
    {
        frame_drop_xlate(&frame);
        word(0, w);
        word(1, 0);
        restore(from);
        enter(0, 100);
        *result = capture();
        return t->turbo.pc == PAGE_PA + 4;
    }
};

std::string hex(uint64_t v)
{
    char text[32];
    snprintf(text, sizeof text, "0x%016llx", (unsigned long long)v);
    return text;
}

// Every word below in both modes, except, outside bit-accurate mode, the forms whose fast code
// differs on purpose (CR0 of overflowing additions from the host flags, wrapping rotate masks and
// mulhw without the upper word).
const uint32_t words[] = {
    x31(3, 4, 5, 266),
    x31(3, 4, 5, 266, 1),
    x31(3, 4, 5, 10),
    x31(3, 4, 5, 138),
    x31(3, 4, 5, 138, 1),
    dform(14, 3, 4, -7),
    dform(12, 3, 4, 5),
    dform(13, 3, 4, -1),
    x31(3, 4, 0, 234),
    x31(3, 4, 0, 202),
    x31(3, 4, 0, 202, 1),
    x31(4, 3, 5, 28),
    x31(4, 3, 5, 28, 1),
    x31(4, 3, 5, 60),
    dform(28, 4, 3, 0x8F0F),
    dform(29, 4, 3, 0xF00F),
    cmp_form(31, 1, 0, 4, 5, 0),
    cmp_form(31, 2, 1, 4, 5, 0),
    cmp_form(31, 3, 0, 4, 5, 32),
    cmp_form(31, 4, 1, 4, 5, 32),
    cmp_form(11, 5, 0, 4, -3, 0),
    cmp_form(11, 6, 1, 4, 77, 0),
    cmp_form(10, 7, 0, 4, 0x9000, 0),
    cmp_form(10, 0, 1, 4, 12, 0),
    x31(4, 3, 0, 58),
    x31(4, 3, 0, 26),
    x31(3, 4, 5, 489),
    x31(3, 4, 5, 457),
    x31(3, 4, 5, 457, 1),
    x31(3, 4, 5, 491),
    x31(3, 4, 5, 459),
    x31(4, 3, 5, 284),
    x31(4, 3, 0, 954),
    x31(4, 3, 0, 954, 1),
    x31(4, 3, 0, 922),
    x31(4, 3, 0, 986),
    x31(4, 3, 0, 986, 1),
    x31(3, 4, 5, 73),
    x31(3, 4, 5, 9),
    x31(3, 4, 5, 75),
    x31(3, 4, 5, 11),
    x31(3, 4, 5, 233),
    dform(7, 3, 4, -300),
    x31(3, 4, 5, 235),
    x31(3, 4, 5, 235, 1),
    x31(4, 3, 5, 476),
    x31(3, 4, 0, 104),
    x31(3, 4, 0, 104, 1),
    x31(4, 3, 5, 124),
    x31(4, 3, 5, 124, 1),
    x31(4, 3, 5, 444),
    x31(4, 3, 5, 444, 1),
    x31(4, 3, 5, 412),
    mds(8, 4, 3, 5, 7),
    mds(9, 4, 3, 5, 40, 1),
    md(2, 4, 3, 13, 7),
    md(2, 4, 3, 13, 7, 1),
    md(0, 4, 3, 60, 4),
    md(0, 4, 3, 3, 61),
    md(1, 4, 3, 8, 55),
    md(1, 4, 3, 5, 33, 1),
    md(3, 4, 3, 17, 9),
    rlw(20, 4, 3, 5, 3, 20),
    rlw(20, 4, 3, 5, 28, 2, 1),
    rlw(21, 4, 3, 7, 0, 31),
    rlw(21, 4, 3, 9, 30, 1),
    rlw(21, 4, 3, 0, 16, 31, 1),
    rlw(23, 4, 3, 5, 8, 23),
    rlw(23, 4, 3, 5, 24, 7),
    x31(4, 3, 5, 27),
    x31(4, 3, 5, 27, 1),
    x31(4, 3, 5, 24),
    x31(4, 3, 5, 794),
    x31(4, 3, 5, 794, 1),
    x31(4, 3, 5, 792),
    x31(4, 3, 7, 824),
    x31(4, 3, 0, 824, 1),
    x31(4, 3, 31, 824),
    sradi(4, 3, 0),
    sradi(4, 3, 37, 1),
    x31(4, 3, 5, 539),
    x31(4, 3, 5, 539, 1),
    x31(4, 3, 5, 536),
    x31(4, 3, 5, 536, 1),
    x31(3, 4, 5, 40),
    x31(3, 4, 5, 40, 1),
    x31(3, 4, 5, 136),
    x31(3, 4, 5, 136, 1),
    x31(3, 4, 5, 8),
    dform(8, 3, 4, 123),
    x31(3, 4, 0, 200),
    x31(4, 3, 5, 316),
    x31(4, 3, 5, 316, 1),
    dform(26, 4, 3, 0x8001),
    dform(27, 4, 3, 0x8000),
    dform(27, 4, 3, 0x1234),
    a_form(19, 5, 6, 7, 257, 0),
    a_form(19, 2, 3, 9, 129, 0),
    a_form(19, 5, 5, 5, 33, 0),
    a_form(19, 8, 6, 7, 289, 0),
    a_form(19, 9, 6, 7, 225, 0),
    a_form(19, 10, 6, 7, 449, 0),
    a_form(19, 11, 6, 7, 417, 0),
    a_form(19, 12, 6, 7, 193, 0),
    a_form(19, 4, 12, 0, 0, 0) /* mcrf */,
    x31(3, 0, 0, 19),
    31u << 26 | 4u << 21 | 0x81u << 12 | 144u << 1 /* mtcrf */,
    mspr(339, 3, 8),
    mspr(339, 3, 9),
    mspr(339, 3, 26),
    mspr(467, 4, 8),
    mspr(467, 4, 9),
    mspr(467, 4, 272),
    mspr(339, 3, 1),
    mspr(467, 4, 1),
};
const uint32_t fast_mode_differs[] = {
    x31(3, 4, 5, 266, 1),       dform(13, 3, 4, -1),     x31(3, 4, 0, 202, 1),
    x31(3, 4, 5, 40, 1),        x31(3, 4, 5, 75),        x31(3, 4, 5, 11),
    rlw(20, 4, 3, 5, 28, 2, 1), rlw(21, 4, 3, 9, 30, 1), rlw(23, 4, 3, 5, 24, 7)};

class BothModes : public FixedPoint, public ::testing::WithParamInterface<int>
{
};

// The words above, each also with random register, immediate and shift fields (bits 6-20; the SPR
// and CR-field moves keep theirs), from random operands, CR and XER, in 64- and 32-bit mode: the
// translated result equals the interpreter's wherever translated code completes the word.
TEST_P(BothModes, TranslatedInstructionsAgreeWithTheInterpreter)
{
    r.m.machine->bit_accurate = GetParam();
    std::mt19937_64 random(42);
    const uint64_t edges[] = {0,
                              1,
                              ~0ull,
                              0x7FFFFFFFull,
                              0x80000000ull,
                              0xFFFFFFFFull,
                              0x7FFFFFFFFFFFFFFFull,
                              0x8000000000000000ull,
                              0x00000001FFFFFFFFull,
                              0xFFFFFFFF80000000ull};
    const uint64_t msr = t->MSR.value;
    int compared[2] = {0, 0};
    for (int width : {64, 32}) {
        t->MSR.value = width == 64 ? msr : msr & ~MSR_SF;
        install(PAGE_PA);
        const uint64_t mode_msr = t->MSR.value;
        for (uint32_t listed : words) {
            if (!GetParam() && std::find(std::begin(fast_mode_differs), std::end(fast_mode_differs),
                                         listed) != std::end(fast_mode_differs))
                continue;
            const bool keeps_fields =
                (listed >> 26) == 31 && (((listed >> 1) & 0x3FF) == 339 || ((listed >> 1) & 0x3FF) == 467 ||
                                         ((listed >> 1) & 0x3FF) == 144);
            for (int round = 0; round < 12; round++) {
                uint32_t w = listed;
                if (round >= 8 && !keeps_fields) w = (w & ~0x03FFF800u) | ((uint32_t)random() & 0x03FFF800u);
                State from{};
                for (int i = 0; i < 32; i++)
                    from.gpr[i] = random();
                const uint64_t pick[] = {edges[random() % 10], edges[random() % 10], random(),
                                         random() & 0x7F};
                from.gpr[3] = round < 6 ? pick[random() % 2] : pick[2];
                from.gpr[4] = round % 3 == 0 ? pick[random() % 2] : random();
                from.gpr[5] = round % 2 ? pick[3] : pick[random() % 3];
                from.gpr[7] = 40;
                from.cr = (uint32_t)random();
                from.xer = random() & 0xFF00007Full;
                State interpreted = interpret(w, from), translated{};
                t->MSR.value = mode_msr;
                if (!translate(w, from, &translated)) continue;
                EXPECT_EQ(t->MSR.value & MSR_SF, mode_msr & MSR_SF);
                compared[width == 32]++;
                std::string where =
                    "word " + hex(w) + " round " + std::to_string(round) + " width " + std::to_string(width);
                for (int i = 0; i < 32; i++)
                    ASSERT_EQ(hex(translated.gpr[i]), hex(interpreted.gpr[i])) << where << " GPR " << i;
                ASSERT_EQ(hex(translated.cr), hex(interpreted.cr)) << where << " CR";
                ASSERT_EQ(hex(translated.xer), hex(interpreted.xer)) << where << " XER";
            }
        }
    }
    t->MSR.value = msr;
    EXPECT_GT(compared[0], 1000);
    EXPECT_GT(compared[1], 1000);
}

INSTANTIATE_TEST_SUITE_P(FixedPoint, BothModes, ::testing::Values(0, 1),
                         [](const ::testing::TestParamInfo<int> &info) {
                             return info.param ? std::string("BitAccurate") : std::string("Fast");
                         });

TEST_F(FixedPoint, FastModeFormsAndExits)
{
    struct Case {
        const char *what;
        uint32_t word;
        uint64_t r3, r4, r5;
        int32_t reason; // EXIT_UNKNOWN: done (the next word exits)
        uint64_t result;
        uint32_t cr0;
    };
    const Case cases[] = {
        // add. with signed overflow: CR0 describes the exact sum (GT), from the host flags.
        {"add. overflowing", x31(3, 4, 5, 266, 1), 0, 0x7FFFFFFFFFFFFFFFull, 1, EXIT_UNKNOWN,
         0x8000000000000000ull, 0x4},
        {"divw by zero", x31(3, 4, 5, 491), 0, 7, 0, EXIT_INVALID, 0, 0},
        {"mulhw: zero above", x31(3, 4, 5, 75), 0, 0x80000000ull, 2, EXIT_UNKNOWN, 0xFFFFFFFFull, 0},
        {"rlwinm wrap: zero above", rlw(21, 3, 4, 0, 30, 1), 0, 0xFFFFFFFFFFFFFFFFull, 0, EXIT_UNKNOWN,
         0xC0000003ull, 0},
        {"cntlzw of 0", x31(4, 3, 0, 26), 0, 0, 0, EXIT_UNKNOWN, 32, 0},
        {"cntlzd of 0", x31(4, 3, 0, 58), 0, 0, 0, EXIT_UNKNOWN, 64, 0},
    };
    for (const Case &c : cases) {
        frame_drop_xlate(&frame);
        word(0, c.word);
        word(1, 0);
        t->GPR[3].value = c.r3;
        t->GPR[4].value = c.r4;
        t->GPR[5].value = c.r5;
        tCOOKED_SET_XER(t, 0, 0);
        enter(0, 100);
        EXPECT_EQ(t->turbo.reason, c.reason) << c.what;
        if (c.reason != EXIT_UNKNOWN) continue;
        const uint64_t rt = (c.word >> 21 & 31) == 3 ? t->GPR[3].value : t->GPR[(c.word >> 16) & 31].value;
        EXPECT_EQ(hex(rt), hex(c.result)) << c.what;
        if (c.word & 1) {
            EXPECT_EQ(tRAW_GET_CR(t) >> 28, c.cr0) << c.what;
        }
    }

    // In bit-accurate mode the record forms of add exit, addc exits in every form.
    r.m.machine->bit_accurate = 1;
    for (uint32_t w : {x31(3, 4, 5, 266, 1), x31(3, 4, 5, 10)}) {
        frame_drop_xlate(&frame);
        word(0, w);
        EXPECT_EQ(enter(0, 100), 100u);
        EXPECT_EQ(t->turbo.reason, EXIT_BIT_ACCURATE) << hex(w);
    }
}

TEST_F(FixedPoint, TheSignedDivisionOverflowEndsThePassThroughTheHostFault)
{
    word(0, x31(3, 4, 5, 491)); // divw
    word(1, 0);
    t->GPR[4].value = 0x80000000ull;
    t->GPR[5].value = ~0ull;
    EXPECT_EQ(go(100), 0u);
    EXPECT_EQ(t->turbo.reason, EXIT_SIGFPE);
    EXPECT_EQ(t->PC.value, PAGE_PA);
}

TEST_F(FixedPoint, SpecialRegistersWithoutAnInlineFormExit)
{
    word(0, mspr(339, 3, 1000)); // mfspr of a number without an SPR
    t->turbo.unknown_detail = 0;
    EXPECT_EQ(enter(0, 100), 100u);
    EXPECT_EQ(t->turbo.reason, EXIT_UNKNOWN);
    EXPECT_EQ(t->turbo.unknown_kind, 224);
    EXPECT_EQ(t->turbo.unknown_detail, 1000);
    frame_drop_xlate(&frame);
    word(0, mspr(467, 3, 1000)); // mtspr of a number without an SPR
    EXPECT_EQ(enter(0, 100), 100u);
    EXPECT_EQ(t->turbo.unknown_kind, 226);
    EXPECT_EQ(t->turbo.unknown_detail, 1000);
}

// mfocrf and mtocrf follow the processor's options in both modes: translated inline where the
// options give a plain result, left to the interpreter otherwise, and agreeing with it either way.
TEST_F(FixedPoint, OneFieldMovesFollowTheProcessorOptions)
{
    const uint32_t one_field = 1u << 20;
    const uint32_t moves[] = {
        x31(3, 0, 0, 19) | one_field | 0x20u << 12,  // mfocrf r3, cr2
        x31(3, 0, 0, 19) | one_field | 0x01u << 12,  // mfocrf r3, cr7
        x31(3, 0, 0, 19) | one_field,                // no field
        x31(3, 0, 0, 19) | one_field | 0x21u << 12,  // two fields
        x31(4, 0, 0, 144) | one_field | 0x08u << 12, // mtocrf cr4, r4
        x31(4, 0, 0, 144) | one_field | 0x41u << 12, // two fields
    };
    const std::vector<std::vector<int>> settings = {
        {},
        {PO_OMFCR_BITS_ZERO},
        {PO_OMFCR_DEFINES_ALL_FIELDS},
        {PO_OMFCR_IGNORE},
        {PO_OMFCR_REPLICATES_VALUE, PO_OMFCR_BITS_ZERO},
        {PO_OMFCR_ALLOW_MULTIPLE_FIELDS, PO_MTCRF_ALLOW_MULTIPLE_FIELDS},
    };
    const int touched[] = {PO_MFOCRF_SUPPORTED,
                           PO_MTOCRF_SUPPORTED,
                           PO_OMFCR_BITS_ZERO,
                           PO_OMFCR_DEFINES_ALL_FIELDS,
                           PO_OMFCR_IGNORE,
                           PO_OMFCR_REPLICATES_VALUE,
                           PO_OMFCR_ALLOW_MULTIPLE_FIELDS,
                           PO_MTCRF_ALLOW_MULTIPLE_FIELDS};
    std::vector<uint32_t> saved;
    for (int o : touched)
        saved.push_back(r.core->options[o]);
    int inline_count = 0;
    for (int accurate = 0; accurate < 2; accurate++) {
        r.m.machine->bit_accurate = accurate;
        for (const std::vector<int> &on : settings) {
            for (int o : touched)
                r.core->options[o] = 0;
            r.core->options[PO_MFOCRF_SUPPORTED] = r.core->options[PO_MTOCRF_SUPPORTED] = 1;
            for (int o : on)
                r.core->options[o] = 1;
            for (uint32_t w : moves) {
                State from{};
                for (int i = 0; i < 32; i++)
                    from.gpr[i] = 0x0123456789ABCDEFull * (uint64_t)(i + 1);
                from.cr = 0x9A5C3E71u;
                State interpreted = interpret(w, from), translated{};
                if (translate(w, from, &translated)) {
                    inline_count++;
                } else {
                    EXPECT_EQ(t->turbo.reason, EXIT_INVALID) << hex(w);
                    continue;
                }
                const std::string where = "word " + hex(w) + " setting " + std::to_string(&on - &settings[0]);
                EXPECT_EQ(hex(translated.gpr[3]), hex(interpreted.gpr[3])) << where;
                EXPECT_EQ(hex(translated.cr), hex(interpreted.cr)) << where;
            }
        }
    }
    EXPECT_GT(inline_count, 20);

    // Without the one-field forms both are left to the interpreter (which makes them illegal).
    r.core->options[PO_MFOCRF_SUPPORTED] = r.core->options[PO_MTOCRF_SUPPORTED] = 0;
    for (uint32_t w : {moves[0], moves[4]}) {
        State ignored{};
        EXPECT_FALSE(translate(w, State{}, &ignored)) << hex(w);
        EXPECT_EQ(t->turbo.reason, EXIT_INVALID) << hex(w);
    }
    for (size_t i = 0; i < std::size(touched); i++)
        r.core->options[touched[i]] = saved[i];
}

} // namespace

// Loads and stores through exec_word on a machine with RAM in real mode: the plain, update,
// algebraic and byte-reversed rows in both byte orders, the invalid update forms, page crossings,
// multiples, strings, the quadword forms with their tags and atomicity validation, the
// cache-inhibited forms and attn.
#include <cstring>

#include "decode/semantics.h"
#include "exec_word.h"
#include "isa/semantics_load_store.h"
#include "mmu/load_store_path.h"
#include "processor/prints/instruction_prints.h"
#include "runtime/stop.h"

namespace
{

// Exception type, subtype and detail text of the first interrupt an instruction raised.
struct Raised {
    int32_t type, subtype;
    const char *detail;
};
void expect_raised(const ExecWord &ew, Raised expected)
{
    PowerPCException *e = ew.raised();
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->type, expected.type);
    EXPECT_EQ(e->subtype, expected.subtype);
    if (expected.detail) {
        EXPECT_STREQ(e->detail, expected.detail);
    }
}
constexpr Raised ILLEGAL{28, 221, nullptr};
constexpr Raised PRIVILEGED{2, 218, "PROGRAM: Privileged Instruction"};

uint32_t x_form(uint32_t xo, uint32_t rt, uint32_t ra, uint32_t rb, uint32_t rc = 0)
{
    return XO_FORM(xo, rt, ra, rb, rc);
}

constexpr uint64_t BASE = 0x1000, EA = 0x1010;

struct LoadCase {
    const char *mnemonic;
    uint32_t word; // RT 3, RA 4 (= BASE), RB 5 (= 0x10) or D/DS 0x10
    uint64_t memory;
    int bytes;
    bool little_endian;
    int32_t option; // > 0: set it; < 0: clear the two doubleword-reversal options; 0: defaults
    uint64_t rt;
    bool updates_ra;
};

TEST(LoadStore, LoadsByFormOrderAndExtension)
{
    const LoadCase cases[] = {
        {"lbz", D_FORM(34, 3, 4, 0x10), 0x80, 1, false, 0, 0x80, false},
        {"lbzu", D_FORM(35, 3, 4, 0x10), 0x80, 1, false, 0, 0x80, true},
        {"lbzux", x_form(119, 3, 4, 5), 0x7F, 1, false, 0, 0x7F, true},
        {"lhz", D_FORM(40, 3, 4, 0x10), 0x8001, 2, false, 0, 0x8001, false},
        {"lha", D_FORM(42, 3, 4, 0x10), 0x8001, 2, false, 0, 0xFFFFFFFFFFFF8001, false},
        {"lhaux", x_form(375, 3, 4, 5), 0x8001, 2, false, 0, 0xFFFFFFFFFFFF8001, true},
        {"lwz", D_FORM(32, 3, 4, 0x10), 0x89ABCDEF, 4, false, 0, 0x89ABCDEF, false},
        {"lwzx", x_form(23, 3, 4, 5), 0x89ABCDEF, 4, false, 0, 0x89ABCDEF, false},
        {"lwa", DS_FORM(58, 3, 4, 0x10, 2), 0x89ABCDEF, 4, false, 0, 0xFFFFFFFF89ABCDEF, false},
        {"lwaux", x_form(373, 3, 4, 5), 0x89ABCDEF, 4, false, 0, 0xFFFFFFFF89ABCDEF, true},
        {"ld", DS_FORM(58, 3, 4, 0x10, 0), 0x0123456789ABCDEF, 8, false, 0, 0x0123456789ABCDEF, false},
        {"ldu", DS_FORM(58, 3, 4, 0x10, 1), 0x0123456789ABCDEF, 8, false, 0, 0x0123456789ABCDEF, true},
        {"lhbrx", x_form(790, 3, 4, 5), 0x1234, 2, false, 0, 0x3412, false},
        {"lwbrx", x_form(534, 3, 4, 5), 0x12345678, 4, false, 0, 0x78563412, false},
        {"ldbrx", x_form(532, 3, 4, 5), 0x0123456789ABCDEF, 8, false, PO_POWERPC_V206, 0xEFCDAB8967452301,
         false},
        // Without either reversal option ldbrx is a plain doubleword load.
        {"ldbrx", x_form(532, 3, 4, 5), 0x0123456789ABCDEF, 8, false, -1, 0x0123456789ABCDEF, false},
        {"lwz", D_FORM(32, 3, 4, 0x10), 0x12345678, 4, true, 0, 0x78563412, false},
        {"ld", DS_FORM(58, 3, 4, 0x10, 0), 0x0123456789ABCDEF, 8, true, 0, 0xEFCDAB8967452301, false},
        // In little-endian mode the two reversals of lhbrx cancel.
        {"lhbrx", x_form(790, 3, 4, 5), 0x1234, 2, true, 0, 0x1234, false},
        // Reversal first, then sign extension: bytes 00 80 are -32768.
        {"lha", D_FORM(42, 3, 4, 0x10), 0x0080, 2, true, 0, 0xFFFFFFFFFFFF8000, false},
    };
    for (const LoadCase &c : cases) {
        SCOPED_TRACE(std::string(c.mnemonic) + (c.little_endian ? " LE" : " BE"));
        ExecWord ew;
        ew.memory();
        if (c.option > 0) ew.option((uint32_t)c.option);
        if (c.option < 0) {
            ew.option(PO_POWERPC_V206, 0);
            ew.option(PO_DOUBLE_BYTE_REVERSE_INSTS_SUPPORTED, 0);
        }
        if (c.little_endian) ew.little_endian();
        ew.gpr(4) = BASE;
        ew.gpr(5) = 0x10;
        ew.write(EA, c.bytes, c.memory);
        ASSERT_EQ(ew.run(c.word), 1);
        EXPECT_STREQ(ew.mnemonic(), c.mnemonic);
        EXPECT_EQ(ew.gpr(3), c.rt);
        EXPECT_EQ(ew.gpr(4), c.updates_ra ? EA : BASE);
        EXPECT_EQ(ew.t->PC.value, 0x1004u);
    }
}

struct StoreCase {
    const char *mnemonic;
    uint32_t word; // RS 6, RA 4, RB 5 or D/DS 0x10
    int bytes;
    bool little_endian;
    uint32_t option;
    uint64_t memory;
    bool updates_ra;
};

TEST(LoadStore, StoresByFormAndOrder)
{
    const StoreCase cases[] = {
        {"stb", D_FORM(38, 6, 4, 0x10), 1, false, 0, 0xEF, false},
        {"sth", D_FORM(44, 6, 4, 0x10), 2, false, 0, 0xCDEF, false},
        {"stw", D_FORM(36, 6, 4, 0x10), 4, false, 0, 0x89ABCDEF, false},
        {"stwu", D_FORM(37, 6, 4, 0x10), 4, false, 0, 0x89ABCDEF, true},
        {"stwx", x_form(151, 6, 4, 5), 4, false, 0, 0x89ABCDEF, false},
        {"stbux", x_form(247, 6, 4, 5), 1, false, 0, 0xEF, true},
        {"std", DS_FORM(62, 6, 4, 0x10, 0), 8, false, 0, 0x0123456789ABCDEF, false},
        {"stdu", DS_FORM(62, 6, 4, 0x10, 1), 8, false, 0, 0x0123456789ABCDEF, true},
        {"sthbrx", x_form(918, 6, 4, 5), 2, false, 0, 0xEFCD, false},
        {"stwbrx", x_form(662, 6, 4, 5), 4, false, 0, 0xEFCDAB89, false},
        {"stdbrx", x_form(660, 6, 4, 5), 8, false, PO_DOUBLE_BYTE_REVERSE_INSTS_SUPPORTED, 0xEFCDAB8967452301,
         false},
        {"stw", D_FORM(36, 6, 4, 0x10), 4, true, 0, 0xEFCDAB89, false},
        {"stwbrx", x_form(662, 6, 4, 5), 4, true, 0, 0x89ABCDEF, false},
    };
    for (const StoreCase &c : cases) {
        SCOPED_TRACE(std::string(c.mnemonic) + (c.little_endian ? " LE" : " BE"));
        ExecWord ew;
        ew.memory();
        if (c.option) ew.option(c.option);
        if (c.little_endian) ew.little_endian();
        ew.gpr(4) = BASE;
        ew.gpr(5) = 0x10;
        ew.gpr(6) = 0x0123456789ABCDEF;
        ew.write(EA - 8, 8, 0x5555555555555555);
        ew.write(EA, 8, 0x5555555555555555);
        ew.write(EA + 8, 8, 0x5555555555555555);
        ASSERT_EQ(ew.run(c.word), 1);
        EXPECT_STREQ(ew.mnemonic(), c.mnemonic);
        EXPECT_EQ(ew.read(EA, c.bytes), c.memory);
        // Nothing around the stored bytes changes.
        EXPECT_EQ(ew.read(EA - 8, 8), 0x5555555555555555u);
        if (c.bytes < 8) {
            EXPECT_EQ(ew.read(EA + (uint64_t)c.bytes, 1), 0x55u);
        }
        EXPECT_EQ(ew.gpr(4), c.updates_ra ? EA : BASE);
    }
}

TEST(LoadStore, StoredWordReloadsAndThirtyTwoBitModeUsesTheLowWord)
{
    ExecWord ew;
    ew.memory();
    ew.mode32();
    ew.gpr(4) = 0xFFFFFFFF00002000; // only the low word addresses storage in 32-bit mode
    ew.gpr(6) = 0xDEADBEEFCAFEF00D;
    ASSERT_EQ(ew.run(D_FORM(36, 6, 4, 8)), 1); // stw r6,8(r4)
    EXPECT_EQ(ew.read(0x2008, 4), 0xCAFEF00Du);
    ASSERT_EQ(ew.run(D_FORM(32, 7, 4, 8)), 1); // lwz r7,8(r4)
    EXPECT_EQ(ew.gpr(7), 0xCAFEF00Du);
    EXPECT_EQ(ew.t->PC.value, 0x1008u);
}

TEST(LoadStore, UpdateFormsWithRaEqualToRtOrZero)
{
    struct Case {
        const char *what;
        uint32_t option;
        int result;
        uint64_t r3;
    };
    // lwzu r3,8(r3) with r3 = 0x3000 and the word 0x11223344 at 0x3008.
    const Case lwzu[] = {
        {"allowed: RT loaded, then RA gets the address", 0, 1, 0x3008},
        {"Dravo update: the loaded word plus D", PO_SUPPORTS_Dravo_LD_ST_UPDATE, 1, 0x11223344 + 8},
        {"illegal invalid form", PO_INVALID_FORMS_ARE_ILLEGAL, 0, 0x3000},
    };
    for (const Case &c : lwzu) {
        SCOPED_TRACE(c.what);
        ExecWord ew;
        ew.memory();
        if (c.option) ew.option(c.option);
        ew.gpr(3) = 0x3000;
        ew.write(0x3008, 4, 0x11223344);
        EXPECT_EQ(ew.run(D_FORM(33, 3, 3, 8)), c.result);
        EXPECT_EQ(ew.gpr(3), c.r3);
        if (!c.result) expect_raised(ew, ILLEGAL);
    }
    // stwu r6,0x20(0): stores and writes GPR0 with the address, unless the form is illegal.
    for (bool illegal : {false, true}) {
        SCOPED_TRACE(illegal ? "illegal" : "allowed");
        ExecWord ew;
        ew.memory();
        ew.option(PO_INVALID_FORMS_ARE_ILLEGAL, illegal);
        ew.gpr(0) = 0x77;
        ew.gpr(6) = 0xA1B2C3D4;
        EXPECT_EQ(ew.run(D_FORM(37, 6, 0, 0x20)), illegal ? 0 : 1);
        EXPECT_EQ(ew.read(0x20, 4), illegal ? 0u : 0xA1B2C3D4u);
        EXPECT_EQ(ew.gpr(0), illegal ? 0x77u : 0x20u);
        if (illegal) expect_raised(ew, ILLEGAL);
    }
}

TEST(LoadStore, PageCrossingIsBytewiseOrAnAlignmentInterrupt)
{
    for (bool refuse : {false, true}) {
        SCOPED_TRACE(refuse ? "crossing option on" : "crossing option off");
        ExecWord ew;
        ew.memory();
        ew.option(PO_LOADS_STORES_CROSSING_4K_BOUNDARY_CAUSE_ALIGNMENT_EXCEPTION, refuse);
        ew.option(PO_DAR_BITS_ARE_DEFINED_FOR_ALIGNMENT_INTERRUPTS);
        ew.option(PO_POWERPC_V2); // a crossing into an accessible page is done piecewise
        ew.write(0xFFE, 4, 0x11223344);
        ew.gpr(3) = 0x99;
        ew.gpr(6) = 0xAABBCCDD;
        EXPECT_EQ(ew.run(D_FORM(32, 3, 0, 0xFFE)), refuse ? 0 : 1); // lwz r3,0xFFE(0)
        EXPECT_EQ(ew.gpr(3), refuse ? 0x99u : 0x11223344u);
        if (refuse) expect_raised(ew, {1, 6, "ALIGNMENT: load crosses page boundary"});
        EXPECT_EQ(ew.run(D_FORM(36, 6, 0, 0x1FFD)), refuse ? 0 : 1); // stw r6,0x1FFD(0)
        EXPECT_EQ(ew.read(0x1FFD, 4), refuse ? 0u : 0xAABBCCDDu);
        if (refuse) {
            expect_raised(ew, {1, 7, "ALIGNMENT: store crosses page boundary"});
            EXPECT_EQ(ew.raised()->dar, 0x1FFDu);
        }
    }
}

TEST(LoadStore, LoadAndStoreMultiple)
{
    ExecWord ew;
    ew.memory();
    ew.write(0x100, 4, 0x11111111);
    ew.write(0x104, 4, 0x22222222);
    ew.write(0x108, 4, 0x33333333);
    ew.gpr(4) = 0x100;
    ASSERT_EQ(ew.run(D_FORM(46, 29, 4, 0)), 1); // lmw r29,0(r4)
    EXPECT_EQ(ew.gpr(29), 0x11111111u);
    EXPECT_EQ(ew.gpr(30), 0x22222222u);
    EXPECT_EQ(ew.gpr(31), 0x33333333u);
    ew.gpr(30) = 0xFFFFFFFFAAAAAAAA;
    ew.gpr(31) = 0xBBBBBBBB;
    ASSERT_EQ(ew.run(D_FORM(47, 30, 4, 0x40)), 1); // stmw r30,0x40(r4)
    EXPECT_EQ(ew.read(0x140, 8), 0xAAAAAAAABBBBBBBBu);

    // RA inside the registers loaded is the invalid form "lmw with RT <= RA".
    for (bool illegal : {false, true}) {
        SCOPED_TRACE(illegal ? "illegal" : "allowed");
        ExecWord e2;
        e2.memory();
        e2.option(PO_INVALID_FORMS_ARE_ILLEGAL, illegal);
        e2.write(0x100, 4, 0x11111111);
        e2.write(0x104, 4, 0x22222222);
        e2.write(0x108, 4, 0x33333333);
        e2.gpr(30) = 0x100;
        EXPECT_EQ(e2.run(D_FORM(46, 29, 30, 0)), illegal ? 0 : 1); // lmw r29,0(r30)
        EXPECT_EQ(e2.gpr(30), illegal ? 0x100u : 0x22222222u);
        if (illegal) expect_raised(e2, ILLEGAL);
    }
}

TEST(LoadStore, StringsFillRegistersFromTheTop)
{
    ExecWord ew;
    ew.memory();
    ew.option(PO_MOVE_ASSIST_INSTRUCTIONS_SUPPORTED);
    ew.write(0x200, 8, 0x4142434445464748); // "ABCDEFGH"
    ew.gpr(10) = 0x200;
    ew.gpr(4) = 0xFFFFFFFFFFFFFFFF;
    ASSERT_EQ(ew.run(x_form(597, 3, 10, 5)), 1); // lswi r3,r10,5
    EXPECT_STREQ(ew.mnemonic(), "lswi");
    EXPECT_EQ(ew.gpr(3), 0x41424344u);
    EXPECT_EQ(ew.gpr(4), 0x45000000u);

    // stswi r5,r10,6: r5's low word and the two high bytes of r6's low word.
    ew.gpr(5) = 0xAAAAAAAA11223344;
    ew.gpr(6) = 0xBBBBBBBB55667788;
    ew.write(0x300, 8, 0);
    ew.gpr(10) = 0x300;
    ASSERT_EQ(ew.run(x_form(725, 5, 10, 6)), 1);
    EXPECT_EQ(ew.read(0x300, 8), 0x1122334455660000u);
}

TEST(LoadStore, LoadStringWrapsToGpr0AndMarksRa0AsInRange)
{
    for (bool illegal : {false, true}) {
        SCOPED_TRACE(illegal ? "illegal" : "allowed");
        ExecWord ew;
        ew.memory();
        ew.option(PO_MOVE_ASSIST_INSTRUCTIONS_SUPPORTED);
        ew.option(PO_INVALID_FORMS_ARE_ILLEGAL, illegal);
        ew.write(0, 8, 0x0102030405060708);
        ew.write(8, 4, 0x090A0B0C);
        ew.gpr(0) = 0x5A;
        EXPECT_EQ(ew.run(x_form(597, 30, 0, 12)), illegal ? 0 : 1); // lswi r30,0,12
        EXPECT_EQ(ew.gpr(30), illegal ? 0u : 0x01020304u);
        EXPECT_EQ(ew.gpr(31), illegal ? 0u : 0x05060708u);
        EXPECT_EQ(ew.gpr(0), illegal ? 0x5Au : 0x090A0B0Cu);
    }
}

TEST(LoadStore, LoadStringFailingPartWay)
{
    // lswi r3,r10,8 from 0x3FFFE: two bytes load, the third lies past the end of RAM.
    for (bool undefined : {false, true}) {
        SCOPED_TRACE(undefined ? "GPRS_UNDEFINED_FOR_LOAD_STRING_EXCEPTION" : "registers kept");
        ExecWord ew;
        ew.memory(0x40000);
        ew.option(PO_MOVE_ASSIST_INSTRUCTIONS_SUPPORTED);
        ew.option(PO_GPRS_UNDEFINED_FOR_LOAD_STRING_EXCEPTION, undefined);
        // A hole is a machine check only on a strict machine, and taken only with MSR[ME].
        ew.core.test_machine.machine.machine_options[MO_STRICT] = 1;
        ew.t->MSR.value |= MSR_ME;
        ew.write(0x3FFFE, 2, 0x4142);
        ew.gpr(3) = 0x33;
        ew.gpr(4) = 0x44;
        ew.gpr(10) = 0x3FFFE;
        EXPECT_EQ(ew.run(x_form(597, 3, 10, 8)), 0);
        ASSERT_NE(ew.raised(), nullptr);
        EXPECT_EQ(ew.raised()->type, 7); // machine check: no device at 0x40000
        EXPECT_EQ(ew.iop->partial_done, 1);
        EXPECT_EQ(ew.iop->data.ea, 0x40000u); // the failing byte, for DAR
        EXPECT_EQ(ew.gpr(3), undefined ? 0u : 0x33u);
        EXPECT_EQ(ew.gpr(4), undefined ? 0u : 0x44u);
        EXPECT_EQ(ew.t->PC.value, 0x1000u);
    }
}

TEST(LoadStore, ZeroLengthLoadStringOptions)
{
    struct Case {
        const char *what;
        uint32_t option;
        uint64_t rt;
        int16_t size;
    };
    const Case cases[] = {
        {"neither option: RT kept, size 1", 0, 0x1234, 1},
        {"ZERO_OUTPUT_FOR_ZERO_LENGTH_STRING_LOAD", PO_ZERO_OUTPUT_FOR_ZERO_LENGTH_STRING_LOAD, 0, 0},
        {"NO_OUTPUT_FOR_ZERO_LENGTH_STRING_LOAD", PO_NO_OUTPUT_FOR_ZERO_LENGTH_STRING_LOAD, 0x1234, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        ExecWord ew;
        ew.memory();
        ew.option(PO_MOVE_ASSIST_INSTRUCTIONS_SUPPORTED);
        if (c.option) ew.option(c.option);
        ew.xer() = 0; // byte count 0
        ew.gpr(3) = 0x1234;
        ew.gpr(10) = 0x200;
        ASSERT_EQ(ew.run(x_form(533, 3, 10, 11)), 1); // lswx r3,r10,r11
        EXPECT_STREQ(ew.mnemonic(), "lswx");
        EXPECT_EQ(ew.gpr(3), c.rt);
        EXPECT_EQ(ew.iop->data.size, c.size);
        EXPECT_EQ(ew.t->PC.value, 0x1004u);
    }
    ExecWord ew;
    ew.memory();
    EXPECT_EQ(ew.run(x_form(533, 3, 10, 11)), 0); // without the move-assist option
    expect_raised(ew, {28, 220, nullptr});
}

TEST(LoadStore, LoadStringLength)
{
    struct Case {
        int bytes, ra, rb, rt, unit;
        bool shortened, finish;
        int length;
    };
    const Case cases[] = {
        {16, 0, 1, 30, 4, true, false, 12}, // registers 30, 31, 0, 1: RB = 1 reached after the wrap
        {16, 0, 1, 30, 4, false, false, 16}, {16, 7, 33, 5, 4, true, false, 8}, // no RB: stops before RA = 7
        {10, 7, 33, 5, 4, true, true, 8},    // 10 - 4 = 6, finished to whole registers
        {16, 0, 33, 5, 4, true, false, 16},  // no RA and no RB
        {12, 12, 20, 5, 4, true, false, 12}, // RA and RB outside 5..7
        {32, 1, 33, 30, 8, true, false, 24}, // 30, 31, 0, 1: RA = 1 reached after the wrap
    };
    ExecWord ew;
    for (const Case &c : cases) {
        SCOPED_TRACE(::testing::Message()
                     << c.bytes << " bytes from r" << c.rt << " ra " << c.ra << " rb " << c.rb);
        ew.option(PO_LSWX_SHORTENED, c.shortened);
        ew.option(PO_LSWX_FINISHS_REGISTERS, c.finish);
        EXPECT_EQ(Load_String_Length(ew.iop, c.bytes, c.ra, c.rb, c.rt, c.unit), c.length);
    }
}

TEST(LoadStore, QuadwordLoadRegistersAndGates)
{
    struct Case {
        const char *what;
        uint32_t rt;
        bool little_endian, backup, must_be_even;
        int result;
        uint64_t r4, r5;
    };
    const uint64_t low = 0x1111111122222222, high = 0x3333333344444444;
    const Case cases[] = {
        {"even RT", 4, false, false, false, 1, low, high},
        {"odd RT backed up", 5, false, true, false, 1, low, high},
        {"little-endian: registers swap, each reversed", 4, true, false, false, 1, 0x4444444433333333,
         0x2222222211111111},
        {"odd RT that must be even", 5, false, true, true, 0, 0, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        ExecWord ew;
        ew.memory();
        ew.option(PO_LQ_STQ_SUPPORTED);
        ew.option(PO_LQ_STQ_BACKUP_ON_ODD, c.backup);
        ew.option(PO_LQ_MUST_BE_EVEN, c.must_be_even);
        if (c.little_endian) ew.little_endian();
        ew.write(0x100, 8, low);
        ew.write(0x108, 8, high);
        ew.gpr(3) = 0x100;
        EXPECT_EQ(ew.run(D_FORM(56, c.rt, 3, 0)), c.result); // lq rt,0(r3)
        EXPECT_STREQ(ew.mnemonic(), "lq");
        EXPECT_EQ(ew.gpr(4), c.r4);
        EXPECT_EQ(ew.gpr(5), c.r5);
        if (!c.result) expect_raised(ew, ILLEGAL);
    }
    ExecWord ew;
    ew.memory();
    ew.option(PO_LQ_STQ_SUPPORTED);
    ew.gpr(4) = 0x100;
    EXPECT_EQ(ew.run(D_FORM(56, 4, 4, 0)), 0); // lq r4,0(r4): "lq: RA=RT"
    expect_raised(ew, ILLEGAL);
    EXPECT_EQ(ew.gpr(4), 0x100u);
    ew.option(PO_LQ_STQ_SUPPORTED, 0);
    EXPECT_EQ(ew.run(D_FORM(56, 6, 4, 0)), 0); // without lq/stq support
    expect_raised(ew, ILLEGAL);
}

// A device whose every read returns the next number: memory that changes under lq.
struct Churning {
    uint64_t reads = 0;
};
int churning_read(MMAPI_Access *, void *instance, uint64_t, uint64_t *value, int)
{
    *value = static_cast<Churning *>(instance)->reads++;
    return 1;
}
int churning_write(MMAPI_Access *, void *, uint64_t, uint64_t, int)
{
    return 1;
}

TEST(LoadStore, QuadwordLoadRetriesElevenTimesThenKeepsTheLastValues)
{
    ExecWord ew;
    ew.memory();
    ew.option(PO_LQ_STQ_SUPPORTED);
    static MMAPIentry_s churning_ops = {MMAPI_VERSION,  nullptr, nullptr, churning_read,
                                        churning_write, nullptr, nullptr, nullptr};
    Churning device;
    MemMap_Define(ew.chip, "CHURN", &churning_ops, 0x100000, 0x100FFF, &device);
    ew.gpr(3) = 0x100000;
    ASSERT_EQ(ew.run(D_FORM(56, 4, 3, 0)), 1);
    // Each attempt: two validation reads, the two loads, two reads again.
    EXPECT_EQ(device.reads, 66u);
    EXPECT_EQ(ew.gpr(4), 62u);
    EXPECT_EQ(ew.gpr(5), 63u);
    EXPECT_EQ(ew.raised(), nullptr);
}

TEST(LoadStore, QuadwordTags)
{
    // stq with STQ_ALWAYS_STORES_TAG and tags inactive: the tag comes from XER bit 20.
    for (uint64_t tag_bit : {0x100000ull, 0ull}) {
        SCOPED_TRACE(tag_bit ? "XER tag bit set" : "XER tag bit clear");
        ExecWord ew;
        ew.memory();
        ew.option(PO_LQ_STQ_SUPPORTED);
        ew.option(PO_STQ_ALWAYS_STORES_TAG);
        ew.option(PO_TAGS_ACTIVE, 0);
        PA_Write_Memory_Tag(ew.t, 0x200, 16, tag_bit ? 0 : 1);
        ew.xer() = tag_bit;
        ew.gpr(6) = 0xAAAAAAAAAAAAAAAA;
        ew.gpr(7) = 0xBBBBBBBBBBBBBBBB;
        ew.gpr(3) = 0x200;
        ASSERT_EQ(ew.run(DS_FORM(62, 6, 3, 0, 2)), 1); // stq r6,0(r3)
        EXPECT_STREQ(ew.mnemonic(), "stq");
        EXPECT_EQ(ew.read(0x200, 8), 0xAAAAAAAAAAAAAAAAu);
        EXPECT_EQ(ew.read(0x208, 8), 0xBBBBBBBBBBBBBBBBu);
        EXPECT_EQ(PA_Read_Memory_Tag(ew.t, 0x200, 0), tag_bit ? 1 : 0);
        EXPECT_EQ(End_Quadword_Store(ew.iop, &ew.iop->data), 1);
    }
    // Without the option (and tags inactive, BTAE clear) the tag is cleared and the answer is 0.
    ExecWord ew;
    ew.memory();
    ew.option(PO_LQ_STQ_SUPPORTED);
    ew.option(PO_TAGS_ACTIVE, 0);
    ew.xer() = 0x100000;
    ew.gpr(3) = 0x200;
    ASSERT_EQ(ew.run(DS_FORM(62, 6, 3, 0, 2)), 1);
    EXPECT_EQ(PA_Read_Memory_Tag(ew.t, 0x200, 0), 0);
    EXPECT_EQ(End_Quadword_Store(ew.iop, &ew.iop->data), 0);

    // lq of a tagged quadword sets TGCC: the tag, and 2 when RT's top byte is 0xA0 | the word's low bits.
    ExecWord lq;
    lq.memory();
    lq.option(PO_LQ_STQ_SUPPORTED);
    lq.write(0x300, 8, 0xA000000000000001);
    lq.write(0x308, 8, 2);
    lq.gpr(3) = 0x300;
    lq.xer() = XER_TGCC;
    ASSERT_EQ(lq.run(D_FORM(56, 4, 3, 0)), 1);
    EXPECT_EQ(lq.xer() & XER_TGCC, 0u);
    PA_Write_Memory_Tag(lq.t, 0x300, 16, 1);
    ASSERT_EQ(lq.run(D_FORM(56, 4, 3, 0)), 1);
    EXPECT_EQ(lq.xer() & XER_TGCC, 3u << 20);
}

TEST(LoadStore, CacheInhibitedFormsNeedHypervisorRealMode)
{
    struct Case {
        const char *what;
        uint64_t msr;
        uint32_t option;
        int result;
        Raised raised;
    };
    const Case cases[] = {
        {"hypervisor, relocation off: performed", MSR_SF | MSR_HV, 0, 1, {}},
        {"relocation on: privileged", MSR_SF | MSR_HV | MSR_DR, 0, 0, PRIVILEGED},
        {"relocation on with the DSI option",
         MSR_SF | MSR_HV | MSR_DR,
         PO_CACHE_INHIBITED_LOAD_STORE_CAUSE_DSI,
         0,
         {8, 280, "DSI: CI op w/DR=1 or to G=0 space"}},
        {"problem state: privileged", MSR_SF | MSR_HV | MSR_PR, 0, 0, PRIVILEGED},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        ExecWord ew;
        ew.memory();
        if (c.option) ew.option(c.option);
        ew.t->MSR.value = c.msr;
        ew.write(0x400, 8, 0x0102030405060708);
        ew.gpr(4) = 0x400;
        ew.gpr(6) = 0xCAFE;
        EXPECT_EQ(ew.run(x_form(789, 3, 0, 4)), c.result); // lwzcix r3,0,r4
        EXPECT_STREQ(ew.mnemonic(), "lwzcix");
        EXPECT_EQ(ew.gpr(3), c.result ? 0x01020304u : 0u);
        if (!c.result) expect_raised(ew, c.raised);
        EXPECT_EQ(ew.run(x_form(1013, 6, 0, 4)), c.result); // stdcix r6,0,r4
        EXPECT_EQ(ew.read(0x400, 8), c.result ? 0xCAFEu : 0x0102030405060708u);
        if (!c.result) expect_raised(ew, c.raised);
    }
}

TEST(LoadStore, ExternalPidStoresArePrivileged)
{
    ExecWord ew;
    ew.memory();
    ew.gpr(4) = 0x500;
    ew.gpr(6) = 0x1234;
    // No row of this table names stwepx: its word runs with the row of stwx.
    InstrInfo *stwx = Search_II_Table(instruction_info_table, "stwx");
    ew.prepare(x_form(159, 6, 0, 4))->row = stwx;
    EXPECT_EQ(semantic_stwepx(ew.iop), 1);
    EXPECT_EQ(ew.read(0x500, 4), 0x1234u);
    ew.t->MSR.value |= MSR_PR;
    ew.gpr(6) = 0x5678;
    ew.prepare(x_form(159, 6, 0, 4))->row = stwx;
    EXPECT_EQ(semantic_stwepx(ew.iop), 0);
    expect_raised(ew, PRIVILEGED);
    EXPECT_EQ(ew.read(0x500, 4), 0x1234u);
}

TEST(LoadStore, LwdsIsAZeroExtendingWordLoadInBothByteOrders)
{
    for (bool little : {false, true}) {
        SCOPED_TRACE(little ? "little-endian" : "big-endian");
        ExecWord ew;
        ew.memory();
        if (little) ew.little_endian();
        ew.write(0x120, 4, 0x89ABCDEF);
        ew.gpr(4) = 0x100;
        // lwds has no encoding of its own (cracked lwa issues it): its row runs on a DS-form word.
        ew.prepare(DS_FORM(58, 3, 4, 0x20, 2))->row = Search_II_Table(instruction_info_table, "lwds");
        ASSERT_EQ(semantic_lwds(ew.iop), 1);
        EXPECT_EQ(ew.gpr(3), little ? 0xEFCDAB89u : 0x89ABCDEFu);
    }
}

TEST(LoadStore, StoreDataMicroOperationsFeedTheirAddressOperation)
{
    ExecWord ew;
    InstrInfo *misaligned = Search_II_Table(instruction_info_table, "misal_stb");
    ASSERT_NE(misaligned->attributes & 0x200000, 0u);
    struct Case {
        const char *what;
        int (*routine)(IOPDesc *);
        InstrInfo *partner_row;
        uint8_t partner_ucode;
        uint64_t high, low;
    };
    const uint64_t first = 0x1111222233334444, second = 0x5555666677778888;
    const Case cases[] = {
        {"st_data", semantic_st_data, nullptr, 0, first, 0},
        {"st_fpdata", semantic_st_fpdata, nullptr, 0, 0, second},
        {"st_fpdata to a misaligned element 0", semantic_st_fpdata, misaligned, 0, 0, second >> 4},
        {"st_vmdata", semantic_st_vmdata, nullptr, 0, first, second},
        {"st_vsdata", semantic_st_vsdata, nullptr, 4, first, second},
        {"st_vsdata to misaligned element 4", semantic_st_vsdata, misaligned, 4, first, first},
        {"st_vsdata to misaligned element 5", semantic_st_vsdata, misaligned, 5, first, second << 32},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        IOPDesc *address_op = ew.prepare(0);
        address_op->row = c.partner_row;
        address_op->ucode_id = c.partner_ucode;
        IOPDesc *data_op = ew.prepare(0);
        data_op->partner = address_op;
        data_op->operand_slot4[0] = first;
        data_op->operand_slot4[1] = second;
        EXPECT_EQ(c.routine(data_op), 1);
        EXPECT_EQ(address_op->operand_slot4[0], c.high);
        EXPECT_EQ(address_op->operand_slot4[1], c.low);
        EXPECT_EQ(ew.t->PC.value, 0x1000u);
    }
    // x_ls_update writes RA from the scratch register the address micro-operation filled.
    ew.t->GPR[32].value = 0x4321;
    EXPECT_EQ(semantic_x_ls_update(ew.prepare(XO_FORM(0, 0, 7, 0))), 1);
    EXPECT_EQ(ew.gpr(7), 0x4321u);
}

TEST(LoadStore, AttnNeedsHid0AndStopsTheRunWithAttnStop)
{
    ExecWord ew;
    ew.memory();
    Test_Storage_Calls_Clear();
    EXPECT_EQ(ew.run(0x00000200 | (0x1234 << 11)), 0);
    EXPECT_STREQ(ew.mnemonic(), "attn");
    expect_raised(ew, ILLEGAL);

    auto saved = stop_simulation;
    stop_simulation = 0;
    ew.core.core->HID0.value = 0x100000000ull;
    ew.option(PO_ATTN_STOP);
    ew.option(PO_ATTN_ADVANCE_NIA);
    ASSERT_EQ(ew.run(0x00000200 | (0x1234 << 11)), 1);
    EXPECT_EQ(ew.t->PC.value, 0x1004u);
    EXPECT_EQ(ew.iop->deferred_triggers & AFTER_ATTN, AFTER_ATTN);
    auto events = Test_Storage_Calls("Event_Attn_Inst");
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].size, 0x1234);
    Handle_Trigger_After_Instruction(ew.iop);
    EXPECT_TRUE(stop_simulation & STOP_ATTN);
    EXPECT_NE(strstr(SimStopText(), "ATTN signal to service processor"), nullptr);
    stop_simulation = saved;
}

} // namespace

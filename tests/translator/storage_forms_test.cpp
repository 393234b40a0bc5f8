// Load/store multiple, string, dcbz, load-and-reserve and store-conditional instructions in
// translated code: each multiple and string word runs once through the interpreter and once
// translated, from the same registers, XER and data pages; the GPRs and the data pages must agree,
// or translated code must leave the word to the interpreter with the expected exit. Then the
// reservations under a block store, the guards, and reservation pairs.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "memory/memory_map.h"
#include "memory/reservations.h"
#include "processor/regs/msr_rules.h"
#include "processor/regs/reg_accessors.h"
#include "translator/page_rig.h"

namespace
{

using namespace ppc;

constexpr uint64_t DATA_PA = 0x20000;

constexpr uint32_t lmw(int rt, int ra, int32_t d)
{
    return dform(46, rt, ra, d);
}
constexpr uint32_t stmw(int rs, int ra, int32_t d)
{
    return dform(47, rs, ra, d);
}
constexpr uint32_t lmd(int rt, int ra, int32_t ds)
{
    return dform(58, rt, ra, (ds & ~3) | 3);
}
constexpr uint32_t lswi(int rt, int ra, int nb)
{
    return xform(rt, ra, nb, 597);
}
constexpr uint32_t stswi(int rs, int ra, int nb)
{
    return xform(rs, ra, nb, 725);
}
constexpr uint32_t lswx(int rt, int ra, int rb)
{
    return xform(rt, ra, rb, 533);
}
constexpr uint32_t stswx(int rs, int ra, int rb)
{
    return xform(rs, ra, rb, 661);
}
constexpr uint32_t lsdx(int rt, int ra, int rb)
{
    return xform(rt, ra, rb, 565);
}
constexpr uint32_t dcbz(int ra, int rb)
{
    return xform(0, ra, rb, 1014);
}
constexpr uint32_t lwarx(int rt, int ra, int rb)
{
    return xform(rt, ra, rb, 20);
}
constexpr uint32_t ldarx(int rt, int ra, int rb)
{
    return xform(rt, ra, rb, 84);
}
constexpr uint32_t stwcx(int rs, int ra, int rb)
{
    return xform(rs, ra, rb, 150) | 1;
}
constexpr uint32_t stdcx(int rs, int ra, int rb)
{
    return xform(rs, ra, rb, 214) | 1;
}
constexpr uint32_t addi(int rt, int ra, int32_t si)
{
    return dform(14, rt, ra, si);
}

struct State {
    uint64_t gpr[32];
    std::vector<uint8_t> data; // the two data pages
};

class StorageForms : public PageRig
{
  public:
    StorageForms()
    {
        r.m.machine->cache_block_size = 128;
        t->mcm->reservation_granule = 128;
        install(DATA_PA, AXD_KIND_STORE);
        install(DATA_PA + 0x1000, AXD_KIND_STORE);
        install(0x7000, AXD_KIND_LOAD); // reached with RA = 0
    }
    uint8_t *data(int page) { return Resolve_Mapped_Memory(t->memory_client, DATA_PA + 0x1000ull * page); }
    State capture()
    {
        State s{};
        for (int i = 0; i < 32; i++)
            s.gpr[i] = t->GPR[i].value;
        s.data.resize(0x2000);
        memcpy(s.data.data(), data(0), 0x1000);
        memcpy(s.data.data() + 0x1000, data(1), 0x1000);
        return s;
    }
    void restore(const State &s)
    {
        for (int i = 0; i < 32; i++)
            t->GPR[i].value = s.gpr[i];
        memcpy(data(0), s.data.data(), 0x1000);
        memcpy(data(1), s.data.data() + 0x1000, 0x1000);
    }
    State initial(uint64_t xer_count)
    {
        State s{};
        for (int i = 0; i < 32; i++)
            s.gpr[i] = 0x0123456789ABCDEFull * (uint64_t)(i + 1);
        s.data.resize(0x2000);
        for (size_t i = 0; i < s.data.size(); i++)
            s.data[i] = (uint8_t)(i * 7 + 1);
        tCOOKED_SET_XER(t, xer_count, 0);
        return s;
    }
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
    // Translated code's result; false when it left the word with an exit (reason in the thread).
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

struct Case {
    const char *what;
    uint32_t word;
    uint64_t r4, r5; // base and index
    uint64_t xer_count;
    int exit;            // -1: runs and agrees with the interpreter
    bool changes = true; // the word changes a register or memory
};

TEST_F(StorageForms, TranslatedFormsAgreeWithTheInterpreterOrLeaveWithTheirExit)
{
    const uint64_t D = DATA_PA;
    const Case cases[] = {
        {"lmw r29,8(r4)", lmw(29, 4, 8), D, 0, 0, -1},
        {"lmw r30,0(r31): RA not below RT", lmw(30, 31, 0), D, 0, 0, EXIT_INVALID},
        {"lmw ending at the page end", lmw(28, 4, 0xFF0), D, 0, 0, -1},
        {"lmw across the page", lmw(28, 4, 0xFF4), D, 0, 0, EXIT_ALIGN},
        {"lmw with RA = 0", lmw(30, 0, 0x7000), 0, 0, 0, -1},
        {"stmw r27,0x20(r4)", stmw(27, 4, 0x20), D, 0, 0, -1},
        {"stmw r0 (all 32)", stmw(0, 4, 0x100), D, 0, 0, -1},
        {"stmw across the page", stmw(28, 4, 0xFF4), D, 0, 0, EXIT_ALIGN},
        {"lswi r30,r4,8", lswi(30, 4, 8), D + 0x10, 0, 0, -1},
        {"lswi r30,r31,8: RA among the registers", lswi(30, 31, 8), D, 0, 0, EXIT_INVALID},
        {"lswi NB = 0: 32 bytes", lswi(5, 4, 0), D + 0x40, 0, 0, -1},
        {"lswi of 7 bytes", lswi(5, 4, 7), D + 0x31, 0, 0, -1},
        {"lswi r3,r4,7: RA among the registers", lswi(3, 4, 7), D, 0, 0, EXIT_INVALID},
        {"lswi wrapping to r0", lswi(30, 4, 12), D + 0x50, 0, 0, -1},
        {"lswi r30,0,12: r0 among the registers", lswi(30, 0, 12), 0, 0, 0, EXIT_INVALID},
        {"lswi across the page", lswi(5, 4, 8), D + 0xFFC, 0, 0, EXIT_ALIGN},
        {"stswi of 7 bytes", stswi(3, 4, 7), D + 0x61, 0, 0, -1},
        {"stswi NB = 0 from r28", stswi(28, 4, 0), D + 0x80, 0, 0, -1},
        {"stswi with RA = 0", stswi(3, 0, 4), 0, 0, 0, EXIT_INVALID},
        {"lswx of 10 bytes", lswx(6, 4, 5), D, 0x23, 10, -1},
        {"lswx of 0 bytes", lswx(3, 4, 5), D, 0x23, 0, -1, false},
        {"lswx of 120 bytes (r6 to r3)", lswx(6, 4, 5), D, 0x200, 120, -1},
        {"lswx of 121 bytes: RA among the registers", lswx(6, 4, 5), D, 0x200, 121, EXIT_INVALID},
        {"lswx of 9 bytes: RB among the registers", lswx(3, 4, 5), D, 0x200, 9, EXIT_INVALID},
        {"lswx with RA = 0", lswx(6, 0, 5), 0, D + 0x44, 9, -1},
        {"lswx with r0 among the registers", lswx(30, 0, 5), 0, D + 0x44, 9, EXIT_INVALID},
        {"lswx ending at the page end", lswx(6, 4, 5), D, 0xFF6, 10, -1},
        {"lswx across the page", lswx(6, 4, 5), D, 0xFF8, 10, EXIT_INVALID},
        {"stswx of 3 bytes", stswx(3, 4, 5), D, 0x71, 3, -1},
        {"stswx of 0 bytes", stswx(3, 4, 5), D, 0x71, 0, -1, false},
        {"stswx of 33 bytes", stswx(20, 4, 5), D, 0x300, 33, -1},
        {"stswx across the page", stswx(3, 4, 5), D, 0xFFA, 10, EXIT_INVALID},
        {"dcbz inside a page", dcbz(4, 5), D, 0x93, 0, -1},
        {"dcbz of a page's first block", dcbz(4, 5), D + 0x1000, 0x7F, 0, EXIT_DCBZ},
        {"lsdx outside tags-active mode", lsdx(3, 4, 5), D, 0, 8, EXIT_TA},
        {"lmd outside tags-active mode", lmd(30, 4, 0), D, 0, 0, EXIT_TA},
    };
    // In 64-bit mode, then in 32-bit mode with junk in the upper words of the base and index (the
    // effective address keeps its low word only).
    const uint64_t msr = t->MSR.value;
    for (const uint64_t upper : {0ull, 0xABCD000000000000ull}) {
        t->MSR.value = upper ? msr & ~MSR_SF : msr | MSR_SF;
        for (const Case &c : cases) {
            const std::string what = std::string(c.what) + (upper ? " (32-bit)" : "");
            State from = initial(c.xer_count);
            from.gpr[4] = c.r4 | upper;
            from.gpr[5] = c.r5 | upper;
            State interpreted = c.exit < 0 ? interpret(c.word, from) : State{};
            State translated{};
            const bool ran = translate(c.word, from, &translated);
            if (c.exit >= 0) {
                EXPECT_FALSE(ran) << what;
                EXPECT_EQ(t->turbo.reason, c.exit) << what;
                EXPECT_EQ(translated.data, from.data) << what << ": nothing stored before the exit";
                continue;
            }
            ASSERT_TRUE(ran) << what << ": left with reason " << t->turbo.reason;
            for (int i = 0; i < 32; i++)
                EXPECT_EQ(translated.gpr[i], interpreted.gpr[i]) << what << ": r" << i;
            EXPECT_EQ(translated.data, interpreted.data) << what;
            const bool changed =
                interpreted.data != from.data || memcmp(interpreted.gpr, from.gpr, sizeof from.gpr) != 0;
            EXPECT_EQ(changed, c.changes) << what;
        }
    }
    t->MSR.value = msr;
}

// Moves in little-endian mode are the interpreter's; so is a dcbz over a block size translated code
// cannot zero in line.
TEST_F(StorageForms, GuardsAndUnusualBlockSizes)
{
    t->GPR[4].value = DATA_PA;
    t->MSR.value |= MSR_LE;
    for (uint32_t w : {lmw(29, 4, 0), stswi(3, 4, 4), lswx(3, 4, 5)}) {
        frame_drop_xlate(&frame);
        word(0, w);
        enter(0, 100);
        EXPECT_EQ(t->turbo.reason, EXIT_LITTLE_ENDIAN) << std::hex << w;
    }
    t->MSR.value &= ~MSR_LE;
    for (uint64_t block : {0ull, 4ull, 96ull, 8192ull}) {
        r.m.machine->cache_block_size = block;
        frame_drop_xlate(&frame);
        word(0, dcbz(4, 5));
        enter(0, 100);
        EXPECT_EQ(t->turbo.reason, EXIT_INVALID) << block;
    }
}

// A block store over two reservation granules revokes another thread's reservation on the second
// one, as the interpreter's word-by-word stores do.
TEST_F(StorageForms, ABlockStoreRevokesReservationsOnEveryGranuleItWrites)
{
    MemoryClient *other = MemoryClientCreate(r.m.machine, t->mcm, "other", 99);
    struct Case {
        const char *what;
        uint32_t word;
        uint64_t r4, r5, xer_count;
    };
    // Each block ends in the granule at 0x80 and starts below it.
    const Case cases[] = {
        {"stmw", stmw(8, 4, 0x60), DATA_PA, 0, 0},
        {"stswi", stswi(3, 4, 0), DATA_PA + 0x70, 0, 0}, // 32 bytes
        {"stswx", stswx(3, 4, 5), DATA_PA, 0x70, 20},
    };
    for (const Case &c : cases) {
        create_reservation(other, DATA_PA + 0x80, 8);
        t->GPR[4].value = c.r4;
        t->GPR[5].value = c.r5;
        t->GPR[3].value = t->GPR[20].value = 0x1122334455667788ull;
        tCOOKED_SET_XER(t, c.xer_count, 0);
        turbo_update_simple_store_flag(t);
        turbo_update_writer(t);
        frame_drop_xlate(&frame);
        word(0, c.word);
        word(1, 0);
        enter(0, 100);
        EXPECT_EQ(t->turbo.pc, PAGE_PA + 4) << c.what;
        EXPECT_EQ(other->reservation_valid, 0) << c.what;
    }
    MemoryClientDelete(t->mcm, other);
}

// lwarx, an increment and stwcx. in one pass store and report success; the thread then holds no
// reservation. The doubleword pair does the same.
TEST_F(StorageForms, AReservationPairStoresAndSetsEq)
{
    struct Case {
        uint32_t load, store;
        int size;
    };
    for (const Case &c : {Case{lwarx(3, 4, 5), stwcx(3, 4, 5), 4}, Case{ldarx(3, 4, 5), stdcx(3, 4, 5), 8}}) {
        frame_drop_xlate(&frame);
        r.write(DATA_PA + 0x48, c.size, 41);
        t->GPR[4].value = DATA_PA;
        t->GPR[5].value = 0x48;
        tCOOKED_SET_XER(t, 0x80000000ull, 0); // SO
        word(0, c.load);
        word(1, addi(3, 3, 1));
        word(2, c.store);
        word(3, 0);
        EXPECT_EQ(enter(0, 100), 97u);
        EXPECT_EQ(t->turbo.pc, pc_of(3));
        EXPECT_EQ(r.read(DATA_PA + 0x48, c.size), 42u) << c.size;
        EXPECT_EQ(tRAW_GET_CR(t) >> 28, 0x3u) << "EQ and SO"; // 0b0011
        EXPECT_EQ(t->memory_client->reservation_valid, 0);
    }
}

// A store-conditional without the reservation, or after another thread's store to the granule,
// stores nothing into guest memory and clears EQ; the value goes to the junk word.
TEST_F(StorageForms, AStoreConditionalWithoutTheReservationFails)
{
    MemoryClient *other = MemoryClientCreate(r.m.machine, t->mcm, "other", 99);
    r.write(DATA_PA + 0x48, 4, 7);
    t->GPR[4].value = DATA_PA;
    t->GPR[5].value = 0x48;
    t->GPR[3].value = 0x5555;
    tCOOKED_SET_XER(t, 0, 0);
    word(0, lwarx(6, 4, 5));
    word(1, 0);
    word(2, stwcx(3, 4, 5));
    word(3, 0);
    enum Between { NOTHING_RESERVED, OTHER_STORE, RESERVED_ELSEWHERE };
    for (Between between : {NOTHING_RESERVED, OTHER_STORE, RESERVED_ELSEWHERE}) {
        frame_drop_xlate(&frame);
        tCOOKED_SET_CR(t, 0xF0000000u, 0);
        if (between != NOTHING_RESERVED) {
            enter(0, 100); // lwarx, then the zero word exits
            EXPECT_EQ(t->GPR[6].value, 7u);
            EXPECT_EQ(t->memory_client->reservation_valid, 1);
        }
        if (between == OTHER_STORE) revoke_core_reservations(t->mcm, other, DATA_PA + 0x4C);
        if (between == RESERVED_ELSEWHERE) create_reservation(t->memory_client, DATA_PA + 0x400, 4);
        stcx_junk = 0;
        EXPECT_EQ(enter(2, 100), 99u) << between;
        EXPECT_EQ(r.read(DATA_PA + 0x48, 4), 7u) << between;
        EXPECT_EQ(stcx_junk & 0xFFFFFFFFu, __builtin_bswap32(0x5555)) << between;
        EXPECT_EQ(tRAW_GET_CR(t) >> 28, 0u) << between;
        EXPECT_EQ(t->memory_client->reservation_valid, 0) << between;
    }
    MemoryClientDelete(t->mcm, other);
}

// Misaligned reservation forms are the interpreter's (it raises the alignment interrupt), and so
// is every reservation form in a standalone translation.
TEST_F(StorageForms, MisalignedAndStandaloneReservationFormsExit)
{
    t->GPR[4].value = DATA_PA;
    for (uint32_t w : {lwarx(3, 4, 5), stwcx(3, 4, 5), ldarx(3, 4, 5), stdcx(3, 4, 5)}) {
        t->GPR[5].value = 0x42;
        frame_drop_xlate(&frame);
        word(0, w);
        EXPECT_EQ(enter(0, 100), 100u);
        EXPECT_EQ(t->turbo.reason, EXIT_ALIGN) << std::hex << w;
    }
    const uint64_t alloc = r.m.machine->memory_alloc_size;
    r.m.machine->turbo_standalone = 1;
    r.m.machine->memory_alloc_size = 0;
    for (uint32_t w : {lwarx(3, 4, 5), stwcx(3, 4, 5)}) {
        t->GPR[5].value = 0x40;
        frame_drop_xlate(&frame);
        word(0, w);
        enter(0, 100);
        EXPECT_EQ(t->turbo.reason, EXIT_UNKNOWN) << std::hex << w;
    }
    r.m.machine->turbo_standalone = 0;
    r.m.machine->memory_alloc_size = alloc;
}

} // namespace

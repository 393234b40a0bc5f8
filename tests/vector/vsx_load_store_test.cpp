// Vector-scalar loads and stores: element placement across a page boundary, the little-endian
// element order and LE_REVERSE_REG, the word conversions, the extended word-scalar forms, the
// PCR gate before any address, the update forms, and the address-only stop of the cycle-level
// core; the scalar target writes of the floating-point results.
#include "decode/semantics.h"
#include "interrupts/exception_types.h"
#include "isa/fp_result_writes.h"
#include "runtime/stop.h"
#include "vec_fixture.h"
#include "vector/vsx_load_store.h"

namespace vec_test
{
namespace
{

class VsxMemory : public VecTest
{
  protected:
    VsxMemory() { ew.memory(); }
    ~VsxMemory() override { Start_The_Simulation(); }

    uint64_t mem(uint64_t address, int size) { return ew.read(address, size); }
    // X-form word: XT (6 bits), RA, RB.
    static uint32_t X(const char *m, uint32_t t, uint32_t ra, uint32_t rb)
    {
        return encoding(m) | ((t & 31) << 21) | (ra << 16) | (rb << 11) | (t >> 5);
    }
    // Runs a routine (one without a row included) on the word of the base row.
    int call(int (*routine)(IOPDesc *), const char *base, uint32_t t, uint32_t ra, uint32_t rb)
    {
        return routine(ew.prepare(X(base, t, ra, rb)));
    }
};

TEST_F(VsxMemory, VectorLoadAcrossAPageBoundaryAndBack)
{
    for (uint32_t i = 0; i < 4; i++)
        ew.write(0x1FF8 + 4 * i, 4, 0xA0000000u + i);
    gpr(4) = 0x1FF8;
    ASSERT_EQ(run(X("lxvw4x", 33, 0, 4)), 1);
    EXPECT_EQ(vsr(33), words(0xA0000000, 0xA0000001, 0xA0000002, 0xA0000003));
    EXPECT_EQ(ew.iop->data.crosses, 1);
    EXPECT_EQ(ew.iop->data.ea, 0x1FF8u);
    EXPECT_EQ(pc(), 0x1004u);

    gpr(4) = 0x2FF8;
    ASSERT_EQ(run(X("stxvd2x", 33, 0, 4)), 1);
    EXPECT_EQ(mem(0x2FF8, 8), 0xA0000000A0000001u);
    EXPECT_EQ(mem(0x3000, 8), 0xA0000002A0000003u);
    ASSERT_EQ(run(X("lxvd2x", 2, 0, 4)), 1);
    EXPECT_EQ(vsr(2), vsr(33));
}

TEST_F(VsxMemory, LittleEndianElementOrderAndTheReversalOption)
{
    set_vsr(1, words(0x00010203, 0x04050607, 0x08090A0B, 0x0C0D0E0F));
    struct Case {
        bool little, reverse_reg;
        uint64_t first8; // memory at EA after stxvw4x
    } cases[] = {
        {false, false, 0x0001020304050607}, {false, true, 0x0001020304050607},
        {true, false, 0x0302010007060504}, // each word little-endian, element 0 at EA
        {true, true, 0x0001020304050607},
    };
    for (const Case &c : cases) {
        if (c.little)
            ew.little_endian();
        else
            msr() &= ~1ull;
        ew.option(PO_LE_REVERSE_REG, c.reverse_reg);
        gpr(4) = 0x1100;
        ASSERT_EQ(run(X("stxvw4x", 1, 0, 4)), 1);
        EXPECT_EQ(mem(0x1100, 8), c.first8) << c.little << c.reverse_reg;
        ASSERT_EQ(run(X("lxvw4x", 2, 0, 4)), 1); // the load undoes the store
        EXPECT_EQ(vsr(2), vsr(1)) << c.little << c.reverse_reg;
    }
    // lxsdx in little-endian mode reads the doubleword's little-endian value.
    ew.option(PO_LE_REVERSE_REG, 0);
    ew.write(0x1200, 8, 0x0001020304050607);
    gpr(4) = 0x1200;
    ASSERT_EQ(run(X("lxsdx", 3, 0, 4)), 1);
    EXPECT_EQ(vsr(3), (Vec128{0, 0x0706050403020100}));
}

TEST_F(VsxMemory, ScalarWordsAndDoublewords)
{
    ew.write(0x1000, 4, 0x80000000);
    ew.write(0x1004, 4, 0x3F800000); // 1.0f
    ew.write(0x1008, 8, 0x1122334455667788);
    set_vsr(5, Vec128{~0ull, ~0ull});
    struct Case {
        const char *m;
        uint64_t address;
        Vec128 expected;
    } cases[] = {
        {"lxsiwax", 0x1000, Vec128{0, 0xFFFFFFFF80000000}},
        {"lxsiwzx", 0x1000, Vec128{0, 0x0000000080000000}},
        {"lxsspx", 0x1004, Vec128{0, 0x3FF0000000000000}},
        {"lxsdx", 0x1008, Vec128{0, 0x1122334455667788}},
        {"lxvdsx", 0x1008, Vec128{0x1122334455667788, 0x1122334455667788}},
    };
    for (const Case &c : cases) {
        set_vsr(5, Vec128{~0ull, ~0ull});
        gpr(4) = c.address;
        ASSERT_EQ(run(X(c.m, 5, 0, 4)), 1) << c.m;
        EXPECT_EQ(vsr(5), c.expected) << c.m;
    }

    // Stores of doubleword 0: its low word, its single-precision value, all of it.
    set_vsr(6, Vec128{0x5555555555555555, 0x3FF00000DEADBEEF});
    gpr(4) = 0x1100;
    ASSERT_EQ(run(X("stxsiwx", 6, 0, 4)), 1);
    EXPECT_EQ(mem(0x1100, 4), 0xDEADBEEFu);
    set_vsr(6, Vec128{0x5555555555555555, 0x3FF0000000000000});
    ASSERT_EQ(run(X("stxsspx", 6, 0, 4)), 1);
    EXPECT_EQ(mem(0x1100, 4), 0x3F800000u);
    ASSERT_EQ(run(X("stxsdx", 6, 0, 4)), 1);
    EXPECT_EQ(mem(0x1100, 8), 0x3FF0000000000000u);
    EXPECT_EQ(mem(0x1108, 8), 0u);
}

TEST_F(VsxMemory, WordScalarFormsNeedTheExtendedOption)
{
    ew.write(0x1000, 4, 0xCAFEF00D);
    gpr(4) = 0x1000;
    set_vsr(7, Vec128{1, 2});
    EXPECT_EQ(call(semantic_lxswx, "lxsdx", 7, 0, 4), 1);
    EXPECT_EQ(vsr(7), (Vec128{0, 0xCAFEF00D00000000}));
    gpr(4) = 0x1010;
    EXPECT_EQ(call(semantic_stxswx, "stxsdx", 7, 0, 4), 1);
    EXPECT_EQ(mem(0x1010, 4), 0xCAFEF00Du);

    ew.option(PO_EXTENDED_VSX_INSTRUCTIONS_SUPPORTED, 0);
    const struct {
        int (*routine)(IOPDesc *);
        const char *base, *name;
    } gated[] = {{semantic_lxswx, "lxsdx", "lxswx"},
                 {semantic_lxswux, "lxsdx", "lxswux"},
                 {semantic_stxswx, "stxsdx", "stxswx"},
                 {semantic_stxswux, "stxsdx", "stxswux"}};
    for (const auto &g : gated) {
        EXPECT_EQ(call(g.routine, g.base, 7, 0, 4), 0) << g.name;
        ASSERT_NE(raised(), nullptr) << g.name;
        EXPECT_EQ(raised()->subtype, EST_ILLEGAL_INSTRUCTION) << g.name;
    }
    EXPECT_EQ(vsr(7), (Vec128{0, 0xCAFEF00D00000000}));
}

TEST_F(VsxMemory, CompatibilityGateComesBeforeTheAddress)
{
    problem_state();
    pcr(0x4);
    for (const char *m : {"stxsiwx", "stxsspx", "lxsiwax", "lxsiwzx", "lxsspx"}) {
        gpr(4) = 0x1000;
        EXPECT_EQ(run(X(m, 1, 0, 4)), 0) << m;
        ASSERT_NE(raised(), nullptr) << m;
        EXPECT_EQ(raised()->subtype, EST_ILLEGAL_INSTRUCTION) << m;
        EXPECT_EQ(ew.iop->data.ea, 0u) << m; // no address was formed
    }
    // Without the compatibility mode they run.
    pcr(0);
    msr() = (msr() & ~MSR_PR) | MSR_HV;
    EXPECT_EQ(run(X("stxsiwx", 1, 0, 4)), 1);
}

TEST_F(VsxMemory, UpdateFormsWriteTheAddressToRa)
{
    ew.write(0x1040, 8, 0x0102030405060708);
    ew.write(0x1048, 8, 0x1112131415161718);
    gpr(3) = 0x1000;
    gpr(4) = 0x40;
    EXPECT_EQ(call(semantic_lxvd2ux, "lxvd2x", 8, 3, 4), 1);
    EXPECT_EQ(vsr(8), (Vec128{0x1112131415161718, 0x0102030405060708}));
    EXPECT_EQ(gpr(3), 0x1040u);
    gpr(4) = 0x100;
    EXPECT_EQ(call(semantic_stxsdux, "stxsdx", 8, 3, 4), 1);
    EXPECT_EQ(mem(0x1140, 8), 0x0102030405060708u);
    EXPECT_EQ(gpr(3), 0x1140u);
    // The base forms leave RA alone.
    EXPECT_EQ(run(X("lxvd2x", 9, 3, 4)), 1);
    EXPECT_EQ(gpr(3), 0x1140u);
}

TEST_F(VsxMemory, AddressOnlyRunsStopBeforeTheData)
{
    set_vsr(1, Vec128{1, 2});
    ew.write(0x1000, 8, 0x0102030405060708);
    struct Case {
        int (*routine)(IOPDesc *);
        const char *base;
        int kind;
        bool updates_ra;
    } cases[] = {
        {semantic_lxvd2ux, "lxvd2x", 1, true},
        {semantic_lxsdux, "lxsdx", 1, true},
        {semantic_stxsdux, "stxsdx", 2, true},
        {semantic_stxvd2ux, "stxvd2x", 2, false}, // the vector store does not update here
        {semantic_lxsiwzx, "lxsiwzx", 1, false},
    };
    for (const Case &c : cases) {
        gpr(3) = 0xF00;
        gpr(4) = 0x100;
        IOPDesc *iop = ew.prepare(X(c.base, 1, 3, 4));
        iop->addr_only = 1;
        iop->core_rec.result = -1;
        EXPECT_EQ(c.routine(iop), 0) << c.base;
        EXPECT_EQ(iop->core_rec.kind, c.kind) << c.base;
        EXPECT_EQ(iop->core_rec.result, 0) << c.base;
        EXPECT_EQ(gpr(3), c.updates_ra ? 0x1000u : 0xF00u) << c.base;
        EXPECT_EQ(raised(), nullptr) << c.base;
    }
    EXPECT_EQ(vsr(1), (Vec128{1, 2}));
    EXPECT_EQ(mem(0x1000, 8), 0x0102030405060708u);
    EXPECT_EQ(pc(), 0x1000u);
}

TEST_F(VsxMemory, VsxOffRaisesBeforeAnyAccess)
{
    msr() &= ~MSR_VSX;
    set_vsr(1, Vec128{1, 2});
    gpr(4) = 0x1000;
    for (const char *m : {"lxvd2x", "stxvd2x", "lxsdx", "stxsdx", "lxvdsx", "stxsiwx"}) {
        EXPECT_EQ(run(X(m, 1, 0, 4)), 0) << m;
        EXPECT_NE(raised(), nullptr) << m;
    }
    EXPECT_EQ(mem(0x1000, 8), 0u);
    EXPECT_EQ(vsr(1), (Vec128{1, 2}));
}

TEST_F(VsxMemory, ScalarTargetWrites)
{
    set_vsr(33, Vec128{~0ull, ~0ull});
    IOPDesc *iop = ew.prepare(X("lxsdx", 33, 0, 4));
    IOP_Write_VSR_T_Word(iop, ~0ull, 0x12345678DEADBEEF);
    EXPECT_EQ(vsr(33), (Vec128{0, 0x1234567812345678}));
    IOP_Write_VSR_T_Low(iop, ~0ull, 0x12345678DEADBEEF);
    EXPECT_EQ(vsr(33), (Vec128{0, 0x12345678DEADBEEF}));
    EXPECT_EQ(pc(), 0x1000u);

    // The cycle-level core's form hands the value to the result slot instead.
    iop->use_slots = 1;
    IOP_Write_VSR_T_Word(iop, 0, 0xCAFEF00D00000001);
    EXPECT_EQ(iop->result_gpr2.value[0], 0xCAFEF00DCAFEF00Du);
    EXPECT_EQ(iop->result_gpr2.value[1], 0u);
    EXPECT_EQ(vsr(33), (Vec128{0, 0x12345678DEADBEEF}));
}

} // namespace
} // namespace vec_test

// VSX conversions: the element cores on their own (exactness, rounding modes, saturation, NaNs
// and the FPSCR requests each makes) and the instructions around them (which words they read,
// how they place the result, suppression under the enables, FPRF := 0 of the scalar
// floating-to-integer forms, the extended forms and their option).
#include "fp/fpscr.h"
#include "vec_fixture.h"
#include "vector/vec_defs.h"
#include "vector/vsx_convert_cores.h"
#include "vector/vsx_extended.h"

namespace vec_test
{
namespace
{

using namespace vec;

constexpr uint64_t FR = FPSCR_FR, FI = FPSCR_FI;

class VsxConversion : public VecTest
{
  protected:
    IOPDesc *open(const char *mnemonic, uint64_t fpscr = 0)
    {
        ew.t->FPSCR.value = fpscr;
        IOPDesc *iop = ew.prepare(encoding(mnemonic));
        IOP_Cache_FPSCR(iop);
        return iop;
    }
    uint64_t &fpscr() { return ew.t->FPSCR.value; }
    // XT = 35 preset, XB = 34.
    int run2(const char *mnemonic, Vec128 b, Vec128 t = Vec128{0xEEEE, 0xEEEE})
    {
        set_vsr(34, b);
        set_vsr(35, t);
        return run(XX3(mnemonic, 35, 0, 34));
    }
};

Vec128 dw(uint64_t dw0, uint64_t dw1 = 0)
{
    return Vec128{dw1, dw0};
}

TEST_F(VsxConversion, IntegerAndSingleToDouble)
{
    Vec128 r{0, 0};
    IOPDesc *iop = open("xvcvsxwdp");
    EXPECT_EQ(scvsxwdp(0, iop, words(0x80000000, 0x1234, 7, 0), &r), 0u);
    EXPECT_EQ(r.high, 0xC1E0000000000000u); // -2^31 exactly
    EXPECT_EQ(scvsxwdp(1, iop, words(0x80000000, 0x1234, 7, 0), &r), 0u);
    EXPECT_EQ(r.low, 0x401C000000000000u); // word 2, not word 1

    // 2^64 - 1: rounded up to 2^64 under RN 0, down to 2^64 - 2^11 under RN 1.
    struct {
        uint64_t rn, expected, fr;
    } modes[] = {{0, 0x43F0000000000000, FR}, {1, 0x43EFFFFFFFFFFFFF, 0}};
    for (auto m : modes) {
        iop = open("xscvuxddp", m.rn);
        const uint32_t flags = scvuxddp(0, iop, dw(~0ull), &r);
        EXPECT_EQ(r.high, m.expected);
        EXPECT_TRUE(flags & FP_INEXACT);
        EXPECT_EQ(iop->fpscr_cache & (FR | FI | FPSCR_XX), m.fr | FI | FPSCR_XX) << m.rn;
    }

    // The smallest single denormal is a double exactly; a signalling NaN keeps its fraction on top.
    iop = open("xscvspdp", FR | FI);
    EXPECT_EQ(scvspdp(0, iop, words(1, 0, 0, 0), &r), 0u);
    EXPECT_EQ(r.high, 0x36A0000000000000u); // 2^-149
    EXPECT_EQ(iop->fpscr_cache & (FR | FI | FPSCR_UX), 0u);
    iop = open("xscvspdp");
    EXPECT_EQ(scvspdp(0, iop, words(0x7F800001, 0, 0, 0), &r) & FP_SNAN_OPERAND, FP_SNAN_OPERAND);
    EXPECT_EQ(r.high, 0x7FF8000020000000u);
    EXPECT_EQ(iop->fpscr_cache & (FR | FI | FPSCR_VXSNAN), FPSCR_VXSNAN);
}

TEST_F(VsxConversion, ToSinglePrecision)
{
    Vec128 r{0, 0};
    IOPDesc *iop = open("xscvdpsp");
    EXPECT_TRUE(scvdpsp(0, iop, dw(0x3FF0000010000000), &r) & FP_INEXACT); // 1 + 2^-24: ties to even
    EXPECT_EQ(r.high, 0x3F8000003F800000u);

    // 2^32 - 1 needs 32 bits: toward zero 2^32 - 2^8, to nearest 2^32; both inexact.
    struct {
        uint64_t rn;
        uint32_t expected;
    } modes[] = {{1, 0x4F7FFFFF}, {0, 0x4F800000}};
    for (auto m : modes) {
        r = Vec128{0, 0};
        iop = open("xvcvuxwsp", m.rn);
        EXPECT_TRUE(scvuxwsp(1, iop, words(0, 0xFFFFFFFF, 0, 0), &r) & FP_INEXACT);
        EXPECT_EQ(r, words(0, m.expected, 0, 0)) << m.rn; // word 1 only
    }
}

TEST_F(VsxConversion, FloatToIntegerCores)
{
    typedef uint32_t (*Core)(int, IOPDesc *, Vec128, Vec128 *);
    struct Case {
        const char *row;
        Core core;
        Vec128 source;
        Vec128 expected;
        uint32_t flags;  // of 0x95 (overflow, inexact, invalid, SNaN)
        uint64_t status; // of FR, FI, VXCVI, VXSNAN in the cache
    } cases[] = {
        {"xscvdpsxws", private_scvdpsxws, dw(0x41DFFFFFFFF9999A), dw(0x7FFFFFFF7FFFFFFF), FP_INEXACT,
         FI}, // 2147483647.9
        {"xscvdpsxws", private_scvdpsxws, dw(0x41E0000000000000), dw(0x7FFFFFFF7FFFFFFF),
         FP_OVERFLOW | FP_INVALID, FPSCR_VXCVI}, // 2^31
        {"xscvdpsxws", private_scvdpsxws, dw(0xC1E00000001CCCCD), dw(0x8000000080000000), FP_INEXACT, FI},
        {"xscvdpuxws", private_scvdpuxws, dw(0xBFE0000000000000), dw(0), FP_INEXACT, FI}, // -0.5
        {"xscvdpuxws", private_scvdpuxws, dw(0xBFF0000000000000), dw(0), FP_OVERFLOW | FP_INVALID,
         FPSCR_VXCVI},
        {"xscvdpuxds", private_scvdpuxds, dw(0x7FF0000000000000), dw(~0ull), FP_OVERFLOW | FP_INVALID,
         FPSCR_VXCVI},
        {"xscvdpuxds", private_scvdpuxds, dw(0x7FF8000000000000), dw(0), FP_INVALID, FPSCR_VXCVI},
        {"xscvdpsxds", private_scvspsxds, words(0x7F800001, 0, 0, 0), dw(0x8000000000000000), FP_SNAN_OPERAND,
         FPSCR_VXCVI | FPSCR_VXSNAN},
        {"xvcvspsxws", private_scvspsxws, words(0x7FC00000, 0, 0, 0), words(0x80000000, 0, 0, 0), FP_INVALID,
         0},
        {"xvcvspuxds", private_scvspuxds, words(0xFF800000, 0, 0, 0), dw(0), FP_OVERFLOW | FP_INVALID, 0},
    };
    for (const Case &c : cases) {
        Vec128 r{0, 0};
        IOPDesc *iop = open(c.row, FR | FI);
        const uint32_t flags = c.core(0, iop, c.source, &r);
        EXPECT_EQ(r, c.expected) << c.row << " " << c.source;
        EXPECT_EQ(flags & 0x95, c.flags) << c.row << " " << c.source;
        if (c.flags & (FP_INVALID | FP_SNAN_OPERAND)) {
            EXPECT_FALSE(flags & FP_INEXACT);
        }
        // Rows without FR/FI in their mask (the vector ones) keep the preset FR and FI.
        if (iop->row->fpscr_mask & FI) {
            EXPECT_EQ(iop->fpscr_cache & (FR | FI | FPSCR_VXCVI | FPSCR_VXSNAN), c.status)
                << c.row << " " << c.source;
        }
    }
}

TEST_F(VsxConversion, VectorToWordsKeepsFrFiFprfAndObeysVe)
{
    const Vec128 b = dw(0x7FF8000000000000, 0x3FF8000000000000); // (QNaN, 1.5)
    const uint64_t preset = FR | FI | 0x4000;
    fpscr() = preset;
    ASSERT_EQ(run2("xvcvdpsxws", b), 1);
    EXPECT_EQ(vsr(35), words(0x80000000, 0x80000000, 1, 1));
    EXPECT_EQ(fpscr(), preset | FPSCR_VXCVI | FPSCR_XX | FPSCR_FX | FPSCR_VX);

    fpscr() = preset | FPSCR_VE;
    ASSERT_EQ(run2("xvcvdpsxws", b), 1);
    EXPECT_EQ(vsr(35), (Vec128{0xEEEE, 0xEEEE}));
    EXPECT_EQ(fpscr(), preset | FPSCR_VE | FPSCR_VXCVI | FPSCR_XX | FPSCR_FX | FPSCR_VX | FPSCR_FEX);
}

TEST_F(VsxConversion, ScalarToIntegerClearsFprfOnlyWhenWritten)
{
    fpscr() = 0x4000;
    ASSERT_EQ(run2("xscvdpsxws", dw(0x3FF8000000000000, 5)), 1); // 1.5
    EXPECT_EQ(vsr(35), dw(0x0000000100000001, 0));
    EXPECT_EQ(fpscr(), FI | FPSCR_XX | FPSCR_FX);

    fpscr() = 0x4000 | FPSCR_VE;
    ASSERT_EQ(run2("xscvdpuxws", dw(0xC008000000000000)), 1); // -3.0
    EXPECT_EQ(vsr(35), (Vec128{0xEEEE, 0xEEEE}));
    EXPECT_EQ(fpscr(), 0x4000 | FPSCR_VE | FPSCR_VXCVI | FPSCR_VX | FPSCR_FX | FPSCR_FEX);
}

TEST_F(VsxConversion, WordSourcesAreWords0And2)
{
    ASSERT_EQ(run2("xvcvsxwdp", words(0xFFFFFFFF, 0xDEAD, 3, 0xBEEF)), 1);
    EXPECT_EQ(vsr(35), dw(0xBFF0000000000000, 0x4008000000000000));
    ASSERT_EQ(run2("xvcvspdp", words(0x3F800000, 0x7F800001, 0xC0000000, 0xFFFFFFFF)), 1);
    EXPECT_EQ(vsr(35), dw(0x3FF0000000000000, 0xC000000000000000));
    EXPECT_EQ(fpscr(), 0u);
}

TEST_F(VsxConversion, SuppressionOfInexactAndOverflow)
{
    // 2^53 + 1 is inexact as a double: the scalar form writes under XE, the vector form does not.
    fpscr() = FPSCR_XE;
    ASSERT_EQ(run2("xscvsxddp", dw(0x0020000000000001)), 1);
    EXPECT_EQ(vsr(35), dw(0x4340000000000000, 0));
    fpscr() = FPSCR_XE;
    ASSERT_EQ(run2("xvcvsxddp", dw(0x0020000000000001, 1)), 1);
    EXPECT_EQ(vsr(35), (Vec128{0xEEEE, 0xEEEE}));
    EXPECT_TRUE(fpscr() & FPSCR_FEX);

    // 1e39 overflows a single: under OE the scalar form writes the exponent-adjusted single.
    fpscr() = FPSCR_OE;
    ASSERT_EQ(run2("xscvdpsp", dw(0x48078287F49C4A1D)), 1);
    EXPECT_EQ(vsr(35), dw(0x203C1440203C1440, 0));
    EXPECT_TRUE(fpscr() & FPSCR_OX);
    fpscr() = FPSCR_OE;
    ASSERT_EQ(run2("xvcvdpsp", dw(0x48078287F49C4A1D, 0x3FF0000000000000)), 1);
    EXPECT_EQ(vsr(35), (Vec128{0xEEEE, 0xEEEE}));
}

TEST_F(VsxConversion, ExtendedFormsNeedTheirOption)
{
    typedef int (*Routine)(IOPDesc *);
    const Routine routines[] = {semantic_xscvuxwdp,  semantic_xscvsxwsp,  semantic_xscvuxwsp,
                                semantic_xscvspsxws, semantic_xscvspuxws, semantic_xscvspsxds,
                                semantic_xscvspuxds};
    for (Routine routine : routines) {
        set_vsr(34, words(0x40400000, 0, 0, 0));
        set_vsr(35, Vec128{0xEEEE, 0xEEEE});
        fpscr() = 0;
        ew.option(PO_EXTENDED_VSX_INSTRUCTIONS_SUPPORTED, 0);
        ew.prepare(XX3("xscvdpsxds", 35, 0, 34)); // a floating-point VSX row
        EXPECT_EQ(routine(ew.iop), 0);
        EXPECT_EQ(raised_type(), EXC_ILLEGAL);
        EXPECT_EQ(vsr(35), (Vec128{0xEEEE, 0xEEEE}));
        ew.option(PO_EXTENDED_VSX_INSTRUCTIONS_SUPPORTED, 1);
        ew.prepare(XX3("xscvdpsxds", 35, 0, 34));
        EXPECT_EQ(routine(ew.iop), 1);
        EXPECT_EQ(vsr(35).low, 0u);
    }
    // Their results: word 0 of B (3.0 as a single, or the integer 0x40400000).
    struct {
        Routine routine;
        uint64_t dw0;
    } results[] = {{semantic_xscvuxwdp, 0x41D0100000000000},
                   {semantic_xscvsxwsp, 0x4E8080004E808000},
                   {semantic_xscvspsxws, 0x0000000300000003},
                   {semantic_xscvspuxds, 3}};
    for (auto r : results) {
        set_vsr(34, words(0x40400000, 0, 0, 0));
        ew.prepare(XX3("xscvdpsxds", 35, 0, 34));
        ASSERT_EQ(r.routine(ew.iop), 1);
        EXPECT_EQ(vsr(35), dw(r.dw0, 0));
    }
}

} // namespace
} // namespace vec_test

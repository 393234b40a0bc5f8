// Tags-active selects and the decimal-assist instructions: selection by XER bit, read triggers,
// CR0 of the record forms, the gates, the DPD/BCD conversions, dtcs. and dsixes.
#include "exec_word.h"
#include "isa/select_instructions.h"

namespace
{

// sel* word: low five bits 0x18 | first-is-register << 2 | second-is-register << 1 | Rc.
uint32_t sel(bool rs, bool rb, uint32_t s, uint32_t ra, uint32_t b, uint32_t xbi, bool rc = false)
{
    return (30u << 26) | (s << 21) | (ra << 16) | (b << 11) | (xbi << 7) | 0x18 | (rs << 2) | (rb << 1) | rc;
}
uint32_t x31(uint32_t xo, uint32_t rs, uint32_t ra, uint32_t rc = 0)
{
    return (31u << 26) | (rs << 21) | (ra << 16) | (xo << 1) | rc;
}

ExecWord *tags_active(ExecWord &ew)
{
    ew.t->MSR.value |= MSR_TA;
    return &ew;
}

TEST(Select, ChoosesByTheXerBit)
{
    struct Case {
        const char *what;
        uint32_t word;
        uint64_t xer, ra;
    } cases[] = {
        {"selri CA 1 copies RS", sel(true, false, 4, 3, 0x1F, 2), XER_CA, 0x4444},
        {"selri CA 0 writes IB", sel(true, false, 4, 3, 0x1F, 2), 0, ~0ull},
        {"selii XBI 12 always IB", sel(false, false, 5, 3, 7, 12), ~0ull, 7},
        {"selii XBI 15 always IB", sel(false, false, 5, 3, 0x10, 15), ~0ull, (uint64_t)-16},
        {"selir XBI 4 tests 0x08000000", sel(false, true, 0xF, 3, 5, 4), 0x08000000, 15},
        {"selir XBI 4 bit clear", sel(false, true, 0xF, 3, 5, 4), 0x07000000, 0x5555},
        {"selrr XBI 0 SO", sel(true, true, 4, 3, 5, 0), XER_SO, 0x4444},
        {"selrr XBI 8 summary", sel(true, true, 4, 3, 5, 8), 0x00800000, 0x4444},
        {"selrr XBI 11", sel(true, true, 4, 3, 5, 11), 0x00100000, 0x4444},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        ExecWord ew;
        tags_active(ew);
        ew.gpr(4) = 0x4444;
        ew.gpr(5) = 0x5555;
        ew.xer() = c.xer;
        EXPECT_EQ(ew.run(c.word), 1);
        EXPECT_EQ(ew.gpr(3), c.ra);
        EXPECT_EQ(ew.t->PC.value, 0x1004u);
    }
}

TEST(Select, ReadsOnlyTheSelectedRegisterAndMarksTheXerBits)
{
    TclRecorder tcl;
    ExecWord ew;
    tags_active(ew);
    ew.gpr(4) = 1;
    ew.gpr(5) = 2;
    Attach_Read_Trigger(&ew.t->GPR[4].trigger, "GPR4", "record");
    Attach_Read_Trigger(&ew.t->GPR[5].trigger, "GPR5", "record");
    ew.xer() = 0;
    EXPECT_EQ(ew.run(sel(true, true, 4, 3, 5, 5)), 1);
    EXPECT_EQ(tcl.count("GPR4"), 0);
    EXPECT_EQ(tcl.count("GPR5"), 1);
    EXPECT_EQ(ew.t->XER.bits_read.mask, 0x0F000000u);
    EXPECT_EQ(ew.t->CR.bits_written.valid, 0); // not a record form
}

TEST(Select, RecordFormSetsCr0)
{
    ExecWord ew;
    tags_active(ew);
    ew.xer() = XER_SO;
    EXPECT_EQ(ew.run(sel(false, false, 0x10, 3, 0, 0, true)), 1); // SO set: IS = -16
    EXPECT_EQ(ew.gpr(3), (uint64_t)-16);
    EXPECT_EQ(ew.cr() >> 28, CR_LT | CR_SO);
}

TEST(Select, IllegalOutsideTagsActiveMode)
{
    for (bool option : {false, true}) {
        SCOPED_TRACE(option);
        ExecWord ew;
        ew.option(PO_TAGS_ACTIVE, option);
        if (option)
            ew.t->MSR.value &= ~MSR_TA; // MSR.TA clear
        else
            ew.t->MSR.value |= MSR_TA;
        ew.gpr(3) = 0xBAD;
        EXPECT_EQ(ew.run(sel(true, true, 4, 3, 5, 0)), 0);
        ASSERT_NE(ew.raised(), nullptr);
        EXPECT_EQ(ew.raised()->subtype, 221);
        EXPECT_EQ(ew.gpr(3), 0xBADu);
        EXPECT_EQ(ew.t->PC.value, 0x1000u);
        for (uint32_t word : {x31(93, 4, 3, 1), x31(61, 0, 3)}) { // dtcs., dsixes
            EXPECT_EQ(ew.run(word), 0);
            EXPECT_NE(ew.raised(), nullptr);
        }
    }
}

TEST(DecimalAssist, DeclatConversions)
{
    struct Case {
        const char *what;
        uint32_t xo;
        uint64_t rs, ra;
    } cases[] = {
        {"cdtbcd non-canonical and canonical 999", 282, 0x000003FF000000FF, 0x0000099900000999},
        {"cbcdtd", 314, 0x0000000000123456, 0x0000000000028E56},
        {"cdtbcd back", 282, 0x0000000000028E56, 0x0000000000123456},
        {"cbcdtd ignores the top byte", 314, 0xFF123456FF123456, 0x00028E5600028E56},
        {"cbcdtd digit above 9", 314, 0x000000000000000A, 0x0000000000000008},
        {"cdtbcd ignores bits 20-31", 282, 0xFFF00000FFF00000, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        ExecWord ew; // not tags-active: both exist outside it
        ew.gpr(4) = c.rs;
        EXPECT_EQ(ew.run(x31(c.xo, 4, 3)), 1);
        EXPECT_EQ(ew.gpr(3), c.ra);
    }
    EXPECT_EQ(DPD_To_BCD(0x008), 0x008u);
    for (uint32_t d1 = 0; d1 < 10; d1++)
        for (uint32_t d2 = 0; d2 < 10; d2++)
            for (uint32_t d3 = 0; d3 < 10; d3++) {
                const uint32_t group = d1 << 8 | d2 << 4 | d3;
                ASSERT_EQ(DPD_To_BCD(BCD_To_DPD(group)), group) << std::hex << group;
            }
}

TEST(DecimalAssist, DtcsSetsCr0FromTheSignCode)
{
    struct Case {
        uint64_t rs;
        bool so;
        uint32_t cr0;
    } cases[] = {
        {0x123D, true, CR_LT | CR_SO}, {0x123B, false, CR_LT}, {0x123C, false, CR_GT},
        {0x123F, false, CR_GT},        {0x1230, false, CR_GT}, {0, false, CR_GT},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.rs);
        ExecWord ew;
        tags_active(ew);
        ew.gpr(4) = c.rs;
        ew.xer() = XER_CA | (c.so ? XER_SO : 0);
        EXPECT_EQ(ew.run(x31(93, 4, 3, 1)), 1);
        EXPECT_EQ(ew.gpr(3), c.rs & ~0xFull);
        EXPECT_EQ(ew.cr() >> 28, c.cr0);
        EXPECT_EQ(ew.xer() & XER_CA, 0u);
        EXPECT_EQ(ew.xer() & XER_FXCC, (uint64_t)(c.cr0 & 0xE) << 24);
        EXPECT_EQ(ew.t->CR.bits_written.mask, 0xF0000000u);
    }
}

TEST(DecimalAssist, DsixesFromTheNibbleCarries)
{
    struct Case {
        uint64_t carries, ra;
    } cases[] = {
        {0, 0x6666666666666666}, {0xFFFF, 0}, {0x0001, 0x6666666666666660}, {0x8000, 0x0666666666666666}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.carries);
        ExecWord ew;
        tags_active(ew);
        ew.xer() = c.carries << 32;
        EXPECT_EQ(ew.run(x31(61, 0, 3)), 1);
        EXPECT_EQ(ew.gpr(3), c.ra);
        EXPECT_EQ(ew.t->XER.bits_read.mask, XER_NIBBLE_CARRIES);
    }
}

} // namespace

#include "isa/icswx.h"

namespace
{

TEST(IcswxCondition, Cr0FromTheOutcomeWithSoAndFxcc)
{
    struct Case {
        const char *what;
        int outcome;
        bool so_option, tags;
        uint32_t cr0;
        uint64_t fxcc;
    } cases[] = {
        {"0", 0, false, false, CR_LT, 0x08000000}, // the icswx. row opens the FXCC gate
        {"1 with SO", 1, true, false, CR_GT | CR_SO, 0x04000000},
        {"2 tags-active: FXCC", 2, true, true, CR_EQ | CR_SO, 0x02000000},
        {"3 changes nothing", 3, true, true, 0x5, 0x05000000},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        ExecWord ew;
        ew.option(PO_ICSWX_SETS_CR_FROM_XER_SO, c.so_option);
        if (c.tags) ew.t->MSR.value |= MSR_TA;
        ew.cr() = 0x50000000;
        ew.xer() = XER_SO | 0x05000000;
        IOP_Set_CR0_For_Icswx(ew.prepare(0x7C00032D), c.outcome); // icswx.
        EXPECT_EQ(ew.cr() >> 28, c.cr0);
        EXPECT_EQ(ew.xer() & XER_FXCC, c.fxcc);
    }
}

} // namespace

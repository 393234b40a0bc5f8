// The cycle-level core's VSX data placement and the misaligned micro-operations between the
// scratch slot and the vector-scalar registers.
#include <cstring>

#include "decode/semantics.h"
#include "runtime/message.h"
#include "support/sink_capture.h"
#include "vec_fixture.h"
#include "vector/vsx_data_placement.h"

namespace vec_test
{
namespace
{

const uint8_t kBytes[16] = {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF,
                            0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17};

class VsxPlacement : public VecTest
{
};

TEST_F(VsxPlacement, LoadedBytesReachTheTarget)
{
    struct Case {
        const char *row;
        int size;
        Vec128 expected;
    } cases[] = {
        {"lxvd2x", 16, Vec128{0x1011121314151617, 0x0123456789ABCDEF}},
        {"lxvw4x", 16, Vec128{0x1011121314151617, 0x0123456789ABCDEF}},
        {"lxvdsx", 8, Vec128{0x0123456789ABCDEF, 0x0123456789ABCDEF}}, // splat
        {"lxsdx", 8, Vec128{0, 0x0123456789ABCDEF}},
        {"lxsiwzx", 4, Vec128{0, 0x0123456700000000}}, // word 0, nothing converted
    };
    for (const Case &c : cases) {
        set_vsr(35, Vec128{~0ull, ~0ull});
        IOPDesc *iop = ew.prepare(XX3(c.row, 35, 0, 4));
        EXPECT_EQ(VSX_Load_Data_To_Reg(iop, kBytes, c.size), iop->row) << c.row;
        EXPECT_EQ(vsr(35), c.expected) << c.row;
    }
    // In flight: the vector result record gets the value, the register keeps its own.
    set_vsr(3, Vec128{7, 7});
    IOPDesc *iop = ew.prepare(XX3("lxvd2x", 3, 0, 4));
    iop->use_slots = 1;
    VSX_Load_Data_To_Reg(iop, kBytes, 16);
    EXPECT_EQ(iop->result_gpr2.value[0], 0x0123456789ABCDEFu);
    EXPECT_EQ(iop->result_gpr2.value[1], 0x1011121314151617u);
    EXPECT_EQ(vsr(3), (Vec128{7, 7}));
}

TEST_F(VsxPlacement, StoreBytesComeFromXsInMemoryOrder)
{
    set_vsr(40, Vec128{0x1011121314151617, 0x0123456789ABCDEF});
    struct Case {
        const char *row;
        int size;
    } cases[] = {{"stxvd2x", 16}, {"stxvw4x", 16}, {"stxsdx", 8}, {"stxsiwx", 4}};
    for (const Case &c : cases) {
        uint8_t out[16] = {};
        IOPDesc *iop = ew.prepare(XX3(c.row, 40, 0, 4));
        VSX_Prepare_Store_Data(iop, out, c.size);
        EXPECT_EQ(memcmp(out, kBytes, (size_t)c.size), 0) << c.row;
    }
    SinkCapture sink;
    uint8_t out[4] = {9, 9, 9, 9};
    VSX_Prepare_Store_Data(ew.prepare(XX3("stxsdx", 40, 0, 4)), out, 2);
    EXPECT_EQ(out[0], 9);
    EXPECT_NE(sink.text().find("VSX_Prepare_Store_Data: bad N = 2"), std::string::npos) << sink.text();
}

TEST_F(VsxPlacement, WrongSizesOrRowsEndTheProgram)
{
    EXPECT_DEATH(
        {
            Quarn_Output_File = stderr;
            VSX_Load_Data_To_Reg(ew.prepare(XX3("lxsdx", 1, 0, 4)), kBytes, 16);
        },
        "VSX_Load_Data_To_Reg: wrong size 16");
    EXPECT_DEATH(
        {
            Quarn_Output_File = stderr;
            VSX_Load_Data_To_Reg(ew.prepare(XX3("lxvdsx", 1, 0, 4)), kBytes, 4);
        },
        "VSX_Load_Data_To_Reg: wrong size 4");
    EXPECT_DEATH(
        {
            Quarn_Output_File = stderr;
            uint8_t out[16];
            VSX_Prepare_Store_Data(ew.prepare(XX3("stxsdx", 1, 0, 4)), out, 16);
        },
        "VSX_Prepare_Store_Data: wrong size 16");
}

TEST_F(VsxPlacement, ScratchSlotMoves)
{
    // lfd's word: FPR 6 gets the scratch value, doubleword 1 of its VSR becomes 0.
    gpr(32) = 0x400921FB54442D18;
    set_vsr(6, Vec128{5, 5});
    IOPDesc *iop = ew.prepare((50u << 26) | (6u << 21));
    iop->ucode_id = 5;
    EXPECT_EQ(semantic_misal_gprtofpr(iop), 1);
    EXPECT_EQ(vsr(6), (Vec128{0, 0x400921FB54442D18}));
    // lxsdx's word: VSR 32 + 6.
    iop = ew.prepare(XX3("lxsdx", 38, 0, 4));
    iop->ucode_id = 7;
    EXPECT_EQ(semantic_misal_gprtofpr(iop), 1);
    EXPECT_EQ(vsr(38), (Vec128{0, 0x400921FB54442D18}));
    EXPECT_EQ(pc(), 0x1000u);

    // xxsldwi copies doubleword 1 of XS, not doubleword 0.
    set_vsr(39, Vec128{0x2222, 0x1111});
    iop = ew.prepare(XX3("stxvd2x", 39, 0, 4));
    EXPECT_EQ(semantic_misal_xxsldwi(iop), 1);
    EXPECT_EQ(gpr(32), 0x2222u);
    // In flight: slot D's low doubleword goes to the result record, not the scratch slot.
    iop = ew.prepare(XX3("stxvd2x", 39, 0, 4));
    iop->use_slots = 1;
    iop->operand_slot4[0] = 0x3333;
    EXPECT_EQ(semantic_misal_xxsldwi(iop), 1);
    EXPECT_EQ(iop->result_gpr1.value[0], 0x3333u);
    EXPECT_EQ(gpr(32), 0x2222u);

    EXPECT_DEATH(
        {
            Quarn_Output_File = stderr;
            IOPDesc *bad = ew.prepare((50u << 26) | (6u << 21));
            bad->ucode_id = 4;
            semantic_misal_gprtofpr(bad);
        },
        "semantic_misal_gprtofpr wrong ucode_id=4");
}

} // namespace
} // namespace vec_test

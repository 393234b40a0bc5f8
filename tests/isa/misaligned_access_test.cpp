// The access micro-operations of misaligned loads and stores: two-piece scalar accesses, the
// byte-at-a-time forms, string elements cut at the string's end, the floating-point and vector
// halves, the VSR join, the cycle-model slots and the fatal opcode check.
#include <gtest/gtest.h>

#include "decode/semantics.h"
#include "exec_word.h"
#include "processor/hooks/vsr_access.h"
#include "runtime/message.h"
#include "runtime/stop.h"

namespace
{

constexpr uint32_t kLwz = 32u << 26, kStw = 36u << 26, kStwu = 37u << 26, kStfd = 54u << 26;
constexpr uint32_t kStd = 62u << 26, kLswi = 0x7C0004AA, kLswx = 0x7C00042A, kStswi = 0x7C0005AA;
constexpr uint32_t kX = 31u << 26;

uint32_t form(uint32_t base, uint32_t rt, uint32_t ra, uint32_t low)
{
    return base | (rt << 21) | (ra << 16) | low;
}

class MisalignedPieces : public ::testing::Test
{
  protected:
    MisalignedPieces()
    {
        ew.memory();
        for (uint64_t a = 0x1000; a < 0x1040; a++)
            ew.write(a, 1, 0x80 | (a & 0x3F)); // 80 81 82 ... at 0x1000
    }
    ~MisalignedPieces() override { Start_The_Simulation(); }

    // One piece: its micro-op row, the cracked word, its id, its length and the whole access's length.
    IOPDesc *piece(const char *row, uint32_t word, uint8_t id, int16_t size, uint8_t total = 0)
    {
        IOPDesc *iop = ew.prepare(word);
        iop->row = Search_II_Table(instruction_info_table, row);
        iop->ucode_id = id;
        iop->data.size = size;
        iop->misal_total = total;
        return iop;
    }
    uint64_t &gpr(int n) { return ew.gpr(n); }
    ExecWord ew;
};

TEST_F(MisalignedPieces, TwoPiecesOfAWordLoadAndStore)
{
    // lwz r5,0xE(r3) split 2 + 2 at the block boundary 0x1010: each piece right-aligned.
    gpr(3) = 0x1000;
    IOPDesc *iop = piece("misal_lsw", form(kLwz, 5, 3, 0xE), 0, 2, 4);
    EXPECT_EQ(semantic_misal_lsw(iop), 1);
    EXPECT_EQ(iop->data.ea, 0x100Eu);
    EXPECT_EQ(gpr(32), 0x8E8Fu);
    iop = piece("misal_lsw", form(kLwz, 5, 3, 0xE), 1, 2, 4);
    EXPECT_EQ(semantic_misal_lsw(iop), 1);
    EXPECT_EQ(iop->data.ea, 0x1010u);
    EXPECT_EQ(iop->data.orig_ea, 0x1010u);
    EXPECT_EQ(gpr(33), 0x9091u);
    // id 2 reads behind scratch 34 and writes only the address.
    gpr(34) = 0x1020;
    iop = piece("misal_lsw", form(kLwz, 5, 3, 0xE), 2, 3, 4);
    iop->data.orig_ea = 0x77;
    EXPECT_EQ(semantic_misal_lsw(iop), 1);
    EXPECT_EQ(iop->data.ea, 0x1021u);
    EXPECT_EQ(iop->data.orig_ea, 0x77u);
    EXPECT_EQ(gpr(33), 0xA1A2A3u);
    EXPECT_EQ(semantic_misal_lsw(piece("misal_lsw", form(kLwz, 5, 3, 0), 3, 2, 4)), 0);
    EXPECT_EQ(ew.t->PC.value, 0x1000u); // pieces never advance

    // stwu r6,0x2E(r3) split 3 + 1: RS first, then scratch 32 behind it; no update of r3.
    gpr(6) = 0xAABBCCDD;
    gpr(32) = 0x11;
    iop = piece("misal_stsw", form(kStwu, 6, 3, 0x2E), 1, 3, 4);
    iop->update_form = 1;
    EXPECT_EQ(semantic_misal_stsw(iop), 1);
    iop = piece("misal_stsw", form(kStwu, 6, 3, 0x2E), 2, 1, 4);
    iop->update_form = 1;
    EXPECT_EQ(semantic_misal_stsw(iop), 1);
    EXPECT_EQ(ew.read(0x102E, 4), 0xBBCCDD11u);
    EXPECT_EQ(gpr(3), 0x1000u);

    // std's second piece: base scratch 33 (DS form) or RA when the word's low bits are set.
    gpr(33) = 0x1030;
    gpr(32) = 0x2233;
    EXPECT_EQ(semantic_misal_stsw(piece("misal_stsw", form(kStd, 6, 3, 0), 3, 2, 8)), 1);
    EXPECT_EQ(ew.read(0x1036, 2), 0x2233u);
    gpr(32) = 0x44;
    EXPECT_EQ(semantic_misal_stsw(piece("misal_stsw", form(kStd, 6, 3, 1), 3, 1, 8)), 1);
    EXPECT_EQ(ew.read(0x1007, 1), 0x44u);
}

TEST_F(MisalignedPieces, BytePiecesAndIndexRules)
{
    gpr(3) = 0x1000;
    gpr(4) = 0x10;
    gpr(32) = 0x1020;
    gpr(33) = 0x55;
    struct Case {
        uint8_t id;
        int result;
        uint64_t ea;
        int target;
        uint64_t value;
    } loads[] = {
        {1, 1, 0x1010, 34, 0x90},  // (RA|0) + RB
        {2, 1, 0x1021, 33, 0xA1},  // scratch 32 + 1
        {20, 1, 0x1027, 33, 0xA7}, // scratch 32 + 7
        {4, 0, 0, 33, 0xA7},       // not a byte id: nothing
        {23, 0, 0, 33, 0xA7},
    };
    for (const Case &c : loads) {
        IOPDesc *iop = piece("misal_lbz", form(kX, 5, 3, 4 << 11), c.id, 1);
        EXPECT_EQ(semantic_misal_lbz(iop), c.result) << (int)c.id;
        if (c.result) {
            EXPECT_EQ(iop->data.ea, c.ea) << (int)c.id;
        }
        EXPECT_EQ(gpr(c.target), c.value) << (int)c.id;
    }

    // Stores: id 4 sends scratch 32 to (RA|0) + 1, ids 8..21 scratch 33 to + 2 .. + 7.
    gpr(32) = 0x01;
    gpr(3) = 0x1030;
    EXPECT_EQ(semantic_misal_stb(piece("misal_stb", form(kX, 5, 3, 0), 4, 1)), 1);
    const uint8_t ids[] = {8, 10, 13, 16, 18, 21};
    for (int k = 0; k < 6; k++) {
        gpr(33) = 0x02 + k;
        EXPECT_EQ(semantic_misal_stb(piece("misal_stb", form(kX, 5, 3, 0), ids[k], 1)), 1);
    }
    EXPECT_EQ(ew.read(0x1030, 8), 0xB001020304050607u);
    EXPECT_EQ(semantic_misal_stb(piece("misal_stb", form(kX, 5, 3, 0), 9, 1)), 0);

    // RB = 0: misal_lswx adds nothing, misal_lvlx adds GPR 0.
    gpr(0) = 0x10;
    gpr(3) = 0x1000;
    IOPDesc *iop = piece("misal_lswx", form(kLswx, 5, 3, 0), 0, 4);
    EXPECT_EQ(semantic_misal_lswx(iop), 1);
    EXPECT_EQ(iop->data.ea, 0x1000u);
    EXPECT_EQ(gpr(32), 0x80818283u);
    iop = piece("misal_lvlx", form(kX, 5, 3, 0), 0, 4);
    EXPECT_EQ(semantic_misal_lvlx(iop), 1);
    EXPECT_EQ(iop->data.ea, 0x1010u);
    EXPECT_EQ(gpr(32), 0x90919293u);
}

TEST_F(MisalignedPieces, StringElementsStopAtTheStringsEnd)
{
    // lswi r5,r3,6 in 4-byte elements split 2 + 2.
    gpr(3) = 0x1000;
    struct Step {
        uint8_t id;
        int16_t size;
        int result;
        uint64_t ea;
        int16_t cut;
        int target;
        uint64_t value;
    } steps[] = {
        {4, 2, 1, 0x1000, 2, 34, 0x8081}, // element 0, first piece
        {5, 2, 1, 0x1002, 2, 33, 0x8283}, // element 0, second piece
        {8, 4, 1, 0x1004, 2, 34, 0x8485}, // element 1's first piece cut to 6 - 4 bytes
        {9, 2, 0, 0, 0, 33, 0x8283},      // element 1's second piece lies wholly past the end
        {6, 2, 0, 0, 2, 33, 0x8283},      // shift and merge ids: nothing
    };
    for (const Step &s : steps) {
        IOPDesc *iop = piece("misal_lsw", form(kLswi, 5, 3, 6 << 11), s.id, s.size, 4);
        EXPECT_EQ(semantic_misal_lsw(iop), s.result) << (int)s.id;
        if (s.result) {
            EXPECT_EQ(iop->data.ea, s.ea) << (int)s.id;
        }
        EXPECT_EQ(iop->data.size, s.cut) << (int)s.id;
        EXPECT_EQ(gpr(s.target), s.value) << (int)s.id;
    }

    // lswx with 7 bytes from XER: element 1's second piece keeps one byte; the base is scratch 33.
    gpr(33) = 0x1010;
    IOPDesc *iop = piece("misal_lsw", form(kLswx, 5, 3, 4 << 11), 9, 3, 4);
    iop->xer_operand = 7;
    EXPECT_EQ(semantic_misal_lsw(iop), 1);
    EXPECT_EQ(iop->data.ea, 0x1015u);
    EXPECT_EQ(iop->data.size, 2);
    EXPECT_EQ(gpr(33), 0x9596u);

    // stswi r10,r3,6: element 0 sends r10, element 1's first piece sends r11 cut to 2 bytes.
    gpr(3) = 0x1020;
    gpr(10) = 0x0A0B0C0D;
    gpr(11) = 0x1112;
    EXPECT_EQ(semantic_misal_stsw(piece("misal_stsw", form(kStswi, 10, 3, 6 << 11), 5, 4, 4)), 1);
    iop = piece("misal_stsw", form(kStswi, 10, 3, 6 << 11), 9, 4, 4);
    EXPECT_EQ(semantic_misal_stsw(iop), 1);
    EXPECT_EQ(iop->data.size, 2);
    EXPECT_EQ(ew.read(0x1020, 8), 0x0A0B0C0D1112A6A7u);
}

TEST_F(MisalignedPieces, FloatingAndVectorHalves)
{
    // stfd's two words: id 0 the high word at EA, id 1 the low word at EA + 4.
    gpr(3) = 0x1000;
    WRITE_FPR_SIMPLE(ew.prepare(0), 7, 0x0123456789ABCDEFull, "T");
    EXPECT_EQ(semantic_misal_stfd(piece("misal_stfd", form(kStfd, 7, 3, 0x10), 0, 4)), 1);
    EXPECT_EQ(semantic_misal_stfd(piece("misal_stfd", form(kStfd, 7, 3, 0x10), 1, 4)), 1);
    EXPECT_EQ(ew.read(0x1010, 8), 0x0123456789ABCDEFu);
    // Indexed forms take RB at id 0; id 2 goes behind scratch 32.
    gpr(4) = 0x20;
    gpr(32) = 0x1020;
    EXPECT_EQ(semantic_misal_stfd(piece("misal_stfd", form(kX, 7, 3, 4 << 11), 0, 4)), 1);
    EXPECT_EQ(semantic_misal_stfd(piece("misal_stfd", form(kX, 7, 3, 4 << 11), 2, 4)), 1);
    EXPECT_EQ(ew.read(0x1020, 8), 0x0123456789ABCDEFu);
    EXPECT_EQ(semantic_misal_stfd(piece("misal_stfd", form(kStfd, 7, 3, 0), 3, 4)), 0);

    // stvlx/stvrx store the doublewords of VSR 32 + 1 (the word's low bit); stxswx the words of
    // doubleword 0.
    WRITE_VSR_SIMPLE(ew.prepare(0), 33, 0x1111222233334444ull, 0x5555666677778888ull, "T");
    gpr(33) = 0x1028;
    EXPECT_EQ(semantic_misal_stvlx(piece("misal_stvlx", form(kX, 1, 3, (4 << 11) | 1), 0, 0)), 1);
    EXPECT_EQ(semantic_misal_stvrx(piece("misal_stvrx", form(kX, 1, 3, 1), 0, 0)), 1);
    EXPECT_EQ(ew.read(0x1020, 8), 0x1111222233334444u);
    EXPECT_EQ(ew.read(0x1030, 8), 0x5555666677778888u);
    gpr(33) = 0x1000;
    EXPECT_EQ(semantic_misal_stxswx(piece("misal_stxswx", form(kX, 1, 3, 1), 1, 0)), 1);
    EXPECT_EQ(semantic_misal_stxswx(piece("misal_stxswx", form(kX, 1, 3, 1), 3, 0)), 1);
    EXPECT_EQ(ew.read(0x1000, 8), 0x1111222233334444u);
    EXPECT_EQ(semantic_misal_stxswx(piece("misal_stxswx", form(kX, 1, 3, 1), 2, 0)), 0);

    // lvrx reads behind scratch 33 + 4 into scratch 33.
    gpr(33) = 0x1038;
    EXPECT_EQ(semantic_misal_lvrx(piece("misal_lvrx", form(kX, 1, 3, 0), 0, 2)), 1);
    EXPECT_EQ(gpr(33), 0xBCBDu);

    // xxlor joins scratch 32 and 33 into VSR XT, whatever the id.
    gpr(32) = 1;
    gpr(33) = 2;
    EXPECT_EQ(semantic_misal_xxlor(piece("misal_xxlor", form(kX, 2, 0, 1), 9, 0)), 1);
    Vec128 joined = READ_VSR_SIMPLE(ew.iop, 34, "T");
    EXPECT_EQ(joined.high, 1u);
    EXPECT_EQ(joined.low, 2u);
}

TEST_F(MisalignedPieces, InFlightPiecesUseTheSlots)
{
    gpr(3) = 0x1000;
    gpr(32) = 0x33;
    // The base comes from slot A, the piece goes to the second result slot, the displacement is
    // kept in slot B.
    IOPDesc *iop = piece("misal_lsw", form(kLwz, 5, 3, 0x2), 0, 2, 4);
    iop->use_slots = 1;
    iop->defer_side_effects = 1;
    iop->operand_slot1[0] = 0x1010;
    EXPECT_EQ(semantic_misal_lsw(iop), 1);
    EXPECT_EQ(iop->data.ea, 0x1012u);
    EXPECT_EQ(iop->operand_slot2[0], 2u);
    EXPECT_EQ(iop->result_gpr2.value[0], 0x9293u);
    EXPECT_EQ(gpr(32), 0x33u);

    // The FPR datum of stfd is the high half of the store slot.
    iop = piece("misal_stfd", form(kStfd, 7, 3, 0x20), 0, 4);
    iop->use_slots = 1;
    iop->operand_slot1[0] = 0x1000;
    iop->operand_slot4[1] = 0xCAFEF00D12345678ull;
    EXPECT_EQ(semantic_misal_stfd(iop), 1);
    EXPECT_EQ(ew.read(0x1020, 4), 0xCAFEF00Du);

    // xxlor delivers both doublewords to the result slot, not to the VSR.
    WRITE_VSR_SIMPLE(ew.prepare(0), 2, 9, 9, "T");
    iop = piece("misal_xxlor", form(kX, 2, 0, 0), 0, 0);
    iop->use_slots = 1;
    iop->operand_slot1[0] = 1;
    iop->operand_slot2[0] = 2;
    EXPECT_EQ(semantic_misal_xxlor(iop), 1);
    EXPECT_EQ(iop->result_gpr2.value[0], 1u);
    EXPECT_EQ(iop->result_gpr2.value[1], 2u);
    EXPECT_EQ(READ_VSR_SIMPLE(iop, 2, "T").high, 9u);
}

TEST_F(MisalignedPieces, AStoppedPieceWritesNothing)
{
    // The core's address-only run stops the access: the scratch register keeps its value.
    gpr(3) = 0x1000;
    gpr(32) = 0x5A;
    IOPDesc *iop = piece("misal_lsw", form(kLwz, 5, 3, 0), 0, 2, 4);
    iop->addr_only = 1;
    EXPECT_EQ(semantic_misal_lsw(iop), 0);
    EXPECT_EQ(iop->data.ea, 0x1000u);
    EXPECT_EQ(gpr(32), 0x5Au);
}

TEST(MisalignedPiecesDeathTest, TheStdSecondPieceChecksItsOpcode)
{
    EXPECT_DEATH(
        {
            Quarn_Output_File = stderr;
            ExecWord ew;
            IOPDesc *iop = ew.prepare(form(kStw, 6, 3, 0));
            iop->ucode_id = 3;
            semantic_misal_stsw(iop);
        },
        "semantic_misal_stsw: ucode_id=3, OPCD=0x24");
}

} // namespace

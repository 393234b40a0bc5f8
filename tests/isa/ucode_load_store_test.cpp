// The load/store micro-operations of the cycle-level core: address generation with and without
// update, the indexed add into the scratch register, and the element routines of the multiple,
// string and quadword instructions (offsets, short last elements, quadword alignment, the odd
// store id, the cycle-model result slot).
#include <gtest/gtest.h>

#include "decode/semantics.h"
#include "exec_word.h"
#include "isa/ucode_load_store.h"
#include "mmu/storage_interrupts.h"
#include "runtime/message.h"
#include "runtime/stop.h"

namespace
{

constexpr uint32_t kLmw = 0xB8000000, kStmw = 0xBC000000, kLswi = 0x7C0004AA, kLsdx = 0x7C00046A;
constexpr uint32_t kStsdx = 0x7C00056A, kLq = 0xE0000000, kStq = 0xF8000002;

uint32_t form(uint32_t base, uint32_t rt, uint32_t ra, uint32_t low)
{
    return base | (rt << 21) | (ra << 16) | low;
}

class Ucode : public ::testing::Test
{
  protected:
    Ucode()
    {
        ew.memory();
        for (uint64_t a = 0x1000; a < 0x1040; a++)
            ew.write(a, 1, 0x80 | (a & 0x3F)); // 80 81 82 ... at 0x1000
    }
    ~Ucode() override { Start_The_Simulation(); }

    // One micro-op: the word, its id and its countdown.
    int run(int (*routine)(IOPDesc *), uint32_t word, uint8_t id, int16_t countdown = 0)
    {
        IOPDesc *iop = ew.prepare(word);
        iop->ucode_id = id;
        iop->iid = countdown;
        return routine(iop);
    }
    uint64_t &gpr(int n) { return ew.gpr(n); }
    ExecWord ew;
};

TEST_F(Ucode, AddressGeneration)
{
    gpr(3) = 0x2000;
    gpr(4) = 0x30;
    EXPECT_EQ(run(semantic_d_agen, form(0, 5, 3, 0xFFF8), 0), 1); // D = -8
    EXPECT_EQ(ew.iop->data.ea, 0x1FF8u);
    EXPECT_EQ(ew.iop->data.orig_ea, 0x1FF8u);
    EXPECT_EQ(ew.iop->data.ea2, 0x1FF8u);
    EXPECT_EQ(gpr(3), 0x2000u);
    EXPECT_EQ(run(semantic_ds_agen_update, form(0, 5, 3, 0x0013), 0), 1); // DS = 0x10, low bits dropped
    EXPECT_EQ(gpr(3), 0x2010u);
    EXPECT_EQ(run(semantic_x_agen_update, form(0, 5, 3, 4 << 11), 0), 1);
    EXPECT_EQ(gpr(3), 0x2040u);
    // The D update form with RA = 0 writes the displacement alone into GPR 0.
    gpr(0) = 0x77;
    EXPECT_EQ(run(semantic_d_agen_update, form(0, 5, 0, 8), 0), 1);
    EXPECT_EQ(gpr(0), 8u);

    // x_ls_add: (RA|0) + RB into scratch GPR 32; the cycle-model form uses the first result slot.
    EXPECT_EQ(run(semantic_x_ls_add, form(0, 5, 3, 4 << 11), 0), 1);
    EXPECT_EQ(gpr(32), 0x2070u);
    EXPECT_EQ(run(semantic_x_ls_add, form(0, 5, 0, 4 << 11), 0), 1);
    EXPECT_EQ(gpr(32), 0x30u);
    IOPDesc *iop = ew.prepare(form(0, 5, 3, 4 << 11));
    iop->use_slots = 1;
    iop->operand_slot1[0] = 0x100;
    iop->operand_slot2[0] = 0x23;
    EXPECT_EQ(semantic_x_ls_add(iop), 1);
    EXPECT_EQ(iop->result_gpr1.value[0], 0x123u);
    EXPECT_EQ(gpr(32), 0x30u);
}

TEST_F(Ucode, MultipleElements)
{
    gpr(3) = 0x1000;
    for (uint8_t id = 0; id < 3; id++) { // lmw r29,4(r3): the core renames RT per element
        gpr(29 + id) = ~0ull;
        EXPECT_EQ(run(semantic_lmw_ucode, form(kLmw, 29 + id, 3, 4), id), 1);
    }
    EXPECT_EQ(gpr(29), 0x84858687u);
    EXPECT_EQ(gpr(30), 0x88898A8Bu);
    EXPECT_EQ(gpr(31), 0x8C8D8E8Fu);
    EXPECT_EQ(ew.t->PC.value, 0x1000u); // micro-ops never advance

    // stmw element ids 0, 2, 4: offsets 0, 4, 8; the low word of RS.
    for (uint8_t id = 0; id < 6; id += 2) {
        gpr(10 + id / 2) = 0xFFFFFFFF00000000ull | (0x11111111u * (id / 2 + 1));
        EXPECT_EQ(run(semantic_stmw_ucode, form(kStmw, 10 + id / 2, 3, 0x20), id), 1);
    }
    EXPECT_EQ(ew.read(0x1020, 8), 0x1111111122222222u);
    EXPECT_EQ(ew.read(0x1028, 4), 0x33333333u);

    // The cycle-model form: the element goes to the second result slot, not the register.
    IOPDesc *iop = ew.prepare(form(kLmw, 29, 3, 0));
    iop->use_slots = 1;
    iop->operand_slot1[0] = 0x1010;
    iop->ucode_id = 1;
    EXPECT_EQ(semantic_lmw_ucode(iop), 1);
    EXPECT_EQ(iop->result_gpr2.value[0], 0x94959697u);
    EXPECT_EQ(gpr(29), 0x84858687u);
}

TEST_F(Ucode, StringElementsAndTheShortLast)
{
    gpr(3) = 0x1000;
    struct Step {
        int (*routine)(IOPDesc *);
        uint32_t word;
        uint8_t id;
        int16_t countdown;
        uint64_t xer;
        uint64_t ea;
        int size;
        bool short_mark;
    } steps[] = {
        // lswi NB 7: 4 bytes, then 3 bytes marked short.
        {semantic_lswi_ucode, form(kLswi, 5, 3, 7 << 11), 0, -1, 0, 0x1000, 4, false},
        {semantic_lswi_ucode, form(kLswi, 6, 3, 7 << 11), 1, 0, 0, 0x1004, 3, true},
        // lswi NB 0 counts 32 bytes: the eighth element is full.
        {semantic_lswi_ucode, form(kLswi, 7, 3, 0), 7, 0, 0, 0x101C, 4, false},
        // lsdx with a byte count of 11 from XER: 8, then 3 bytes.
        {semantic_lsdx_ucode, form(kLsdx, 8, 3, 4 << 11), 0, -1, 11, 0x1010, 8, false},
        {semantic_lsdx_ucode, form(kLsdx, 9, 3, 4 << 11), 1, 0, 11, 0x1018, 3, true},
    };
    gpr(4) = 0x10;
    for (const Step &s : steps) {
        IOPDesc *iop = ew.prepare(s.word);
        iop->ucode_id = s.id;
        iop->iid = s.countdown;
        iop->xer_operand = s.xer;
        EXPECT_EQ(s.routine(iop), 1);
        EXPECT_EQ(iop->data.ea, s.ea);
        EXPECT_EQ(iop->data.size, s.size);
        EXPECT_EQ(iop->core_rec.short_element != 0, s.short_mark) << s.ea;
        const uint32_t rt = (s.word >> 21) & 31;
        EXPECT_EQ(gpr(rt), ew.read(s.ea, s.size)) << s.ea; // right-aligned, zero above
    }
    EXPECT_EQ(gpr(6), 0x848586u);

    // stsdx with a count of 12: 8 bytes at EA, then 4 short bytes at EA + 8 (store ids 0, 2; the
    // address part of the last store counts -1).
    gpr(4) = 0x20;
    gpr(12) = 0x0102030405060708;
    gpr(13) = 0xAAAAAAAA0A0B0C0Dull;
    IOPDesc *iop = ew.prepare(form(kStsdx, 12, 3, 4 << 11));
    iop->xer_operand = 12;
    iop->iid = -3;
    EXPECT_EQ(semantic_stsdx_ucode(iop), 1);
    EXPECT_EQ(iop->core_rec.short_element, 0);
    iop = ew.prepare(form(kStsdx, 13, 3, 4 << 11));
    iop->xer_operand = 12;
    iop->ucode_id = 2;
    iop->iid = -1;
    EXPECT_EQ(semantic_stsdx_ucode(iop), 1);
    EXPECT_EQ(iop->core_rec.short_element, 1);
    EXPECT_EQ(iop->operand_slot4[0], 0xAAAAAAAA0A0B0C0Du);
    EXPECT_EQ(ew.read(0x1020, 8), 0x0102030405060708u);
    EXPECT_EQ(ew.read(0x1028, 4), 0x0A0B0C0Du);
    EXPECT_EQ(ew.read(0x102C, 4), 0xACADAEAFu);
}

TEST_F(Ucode, QuadwordElementsAndAlignment)
{
    gpr(3) = 0x1010;
    EXPECT_EQ(run(semantic_lq_ucode, form(kLq, 6, 3, 0), 0), 1);
    EXPECT_EQ(gpr(6), 0x9091929394959697u);
    EXPECT_EQ(run(semantic_lq_ucode, form(kLq, 7, 3, 0), 2), 1);
    EXPECT_EQ(gpr(7), 0x98999A9B9C9D9E9Fu);
    // 8 modulo 16 passes the micro-op's own test; the storage path's rule for the quadword row
    // (natural alignment of the whole access) then decides.
    gpr(3) = 0x1008;
    EXPECT_EQ(run(semantic_lq_ucode, form(kLq, 6, 3, 0), 0), 0);
    ASSERT_NE(ew.raised(), nullptr);
    EXPECT_NE(ew.raised()->subtype, EST_ALIGN_LQ_NOT_8_ALIGNED);

    gpr(3) = 0x100C;
    gpr(6) = 5;
    EXPECT_EQ(run(semantic_lq_ucode, form(kLq, 6, 3, 0), 0), 0);
    ASSERT_NE(ew.raised(), nullptr);
    EXPECT_EQ(ew.raised()->type, EXC_TYPE_ALIGNMENT);
    EXPECT_EQ(ew.raised()->subtype, EST_ALIGN_LQ_NOT_8_ALIGNED);
    EXPECT_EQ(gpr(6), 5u);

    // stq: id 2 stores RS at EA + 8; the element's own address must be 8-aligned.
    gpr(3) = 0x1000;
    gpr(8) = 0x1122334455667788;
    EXPECT_EQ(run(semantic_stq_ucode, form(kStq, 8, 3, 0x20), 2), 1);
    EXPECT_EQ(ew.read(0x1028, 8), 0x1122334455667788u);
    gpr(3) = 0x1004;
    EXPECT_EQ(run(semantic_stq_ucode, form(kStq, 8, 3, 0x20), 2), 0);
    ASSERT_NE(ew.raised(), nullptr);
    EXPECT_EQ(ew.raised()->subtype, EST_ALIGN_STQ_NOT_8_ALIGNED);
}

TEST_F(Ucode, AddressOnlyRunsWriteNothing)
{
    gpr(3) = 0x1000;
    gpr(5) = 0x55;
    IOPDesc *iop = ew.prepare(form(kLmw, 5, 3, 0));
    iop->addr_only = 1;
    EXPECT_EQ(semantic_lmw_ucode(iop), 0);
    EXPECT_EQ(iop->core_rec.kind, 1);
    EXPECT_EQ(gpr(5), 0x55u);
}

TEST(UcodeDeathTest, AnOddStoreIdIsFatal)
{
    EXPECT_DEATH(
        {
            Quarn_Output_File = stderr;
            ExecWord ew;
            IOPDesc *iop = ew.prepare(form(kStmw, 10, 3, 0));
            iop->ucode_id = 1;
            semantic_stmw_ucode(iop);
        },
        "ucode_id%2 != 0");
}

} // namespace

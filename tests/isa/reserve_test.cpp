// Load-and-reserve and store-conditional through exec_word on a machine with RAM: the reservation
// and its revocation, CR0, held locks, the Rc = 0 rows, the storage-attribute rules and the
// quadword store-conditional.
#include <vector>

#include "exec_word.h"
#include "memory/reservations.h"
#include "mmu/load_store_path.h"
#include "processor/records/generic_machine.h"

namespace
{

uint32_t lwarx(uint32_t rt, uint32_t ra, uint32_t rb)
{
    return XO_FORM(20, rt, ra, rb);
}
uint32_t stwcx_dot(uint32_t rs, uint32_t ra, uint32_t rb)
{
    return XO_FORM(150, rs, ra, rb, 1);
}
uint32_t stw(uint32_t rs, uint32_t ra, uint32_t d)
{
    return D_FORM(36, rs, ra, d);
}

bool holds(ThreadState *t)
{
    return t->memory_client->reservation_valid != 0;
}

TEST(Reserve, StoreConditionalWithoutReservationStoresNothing)
{
    ExecWord ew;
    ew.memory();
    ew.gpr(4) = 0x100;
    ew.gpr(5) = 0;
    ew.gpr(6) = 0x1234;
    ew.xer() = XER_SO;
    ew.cr() = 0xFFFFFFFF;
    ASSERT_EQ(ew.run(stwcx_dot(6, 4, 5)), 1);
    EXPECT_STREQ(ew.mnemonic(), "stwcx.");
    EXPECT_EQ(ew.cr(), 0x1FFFFFFFu); // CR0 = 0b000 || SO
    EXPECT_EQ(ew.read(0x100, 4), 0u);
    EXPECT_EQ(ew.t->held_lock_count, 0);
    EXPECT_EQ(ew.iop->data.size, 0);
    EXPECT_EQ(ew.t->PC.value, 0x1004u);

    // The data path's answer for such a store is 2: not stored, no interrupt.
    IOPDesc *iop = ew.prepare(stwcx_dot(6, 4, 5));
    iop->data.ea = iop->data.orig_ea = 0x100;
    iop->data.size = 4;
    iop->data.access_origin = 2;
    EXPECT_EQ(Store_Memory_Value(iop, 0x1234, 0, 0), 2);
    EXPECT_EQ(iop->exceptions, nullptr);
    EXPECT_EQ(ew.read(0x100, 4), 0u);
}

TEST(Reserve, ReservedWordIsStoredOnceAndHeldUntilAPlainStore)
{
    ExecWord ew;
    ew.memory();
    ew.write(0x100, 4, 41);
    ew.gpr(4) = 0x100;
    ew.gpr(5) = 0;
    ASSERT_EQ(ew.run(lwarx(3, 4, 5)), 1);
    EXPECT_EQ(ew.gpr(3), 41u);
    EXPECT_TRUE(holds(ew.t));
    ew.gpr(3) += 1;
    ASSERT_EQ(ew.run(stwcx_dot(3, 4, 5)), 1);
    EXPECT_EQ(ew.cr() >> 28, CR_EQ);
    EXPECT_EQ(ew.read(0x100, 4), 42u);
    EXPECT_FALSE(holds(ew.t)); // the store-conditional consumed it
    ASSERT_EQ(ew.t->held_lock_count, 1);
    EXPECT_EQ(ew.t->held_locks[0], 0x100u);
    // A second store-conditional has no reservation left.
    ASSERT_EQ(ew.run(stwcx_dot(3, 4, 5)), 1);
    EXPECT_EQ(ew.cr() >> 28, 0u);
    // A store elsewhere keeps the lock, a plain store to its address releases it.
    ew.gpr(7) = 0;
    ASSERT_EQ(ew.run(stw(7, 0, 0x200)), 1);
    EXPECT_EQ(ew.t->held_lock_count, 1);
    ASSERT_EQ(ew.run(stw(7, 4, 0)), 1);
    EXPECT_EQ(ew.t->held_lock_count, 0);
}

TEST(Reserve, FifthHeldLockIsNotRecorded)
{
    ExecWord ew;
    ew.memory();
    ew.gpr(5) = 0;
    for (uint64_t i = 0; i < 5; i++) {
        ew.gpr(4) = 0x100 + 0x80 * i;
        ASSERT_EQ(ew.run(lwarx(3, 4, 5)), 1);
        ASSERT_EQ(ew.run(stwcx_dot(3, 4, 5)), 1);
        EXPECT_EQ(ew.cr() >> 28, CR_EQ);
    }
    ASSERT_EQ(ew.t->held_lock_count, 4);
    EXPECT_EQ(ew.t->held_locks[3], 0x280u);
}

TEST(Reserve, AnotherThreadsStoreToTheGranuleRevokesTheReservation)
{
    ExecWord ew({}, 2);
    ew.memory();
    ThreadState *other = ew.core.thread(1);
    ew.gpr(4) = 0x100;
    ew.gpr(5) = 0;
    ASSERT_EQ(ew.run(lwarx(3, 4, 5)), 1);
    // Thread 1 stores into the same 128-byte granule.
    IOPDesc *iop = ew.core.iop(1);
    iop->word = stw(6, 0, 0x178);
    iop->row = DecodeInstr(instruction_info_table, iop->word);
    other->GPR[6].value = 7;
    other->PC.value = 0x2000;
    other->MSR.value = MSR_SF | MSR_HV; // hypervisor real mode, as thread 0
    ASSERT_EQ(iop->row->semantic(iop), 1);
    EXPECT_FALSE(holds(ew.t));
    ASSERT_EQ(ew.run(stwcx_dot(3, 4, 5)), 1);
    EXPECT_EQ(ew.cr() >> 28, 0u);
    EXPECT_EQ(ew.read(0x100, 4), 0u);
}

TEST(Reserve, AThreadsOwnStoreKeepsItsReservationAndEndsTheOthers)
{
    ExecWord ew({}, 2);
    ew.memory();
    ThreadState *other = ew.core.thread(1);
    ew.gpr(4) = 0x100;
    ew.gpr(5) = 0;
    ASSERT_EQ(ew.run(lwarx(3, 4, 5)), 1);
    // Thread 1 reserves the same granule.
    IOPDesc *iop = ew.core.iop(1);
    iop->word = lwarx(3, 0, 4);
    iop->row = DecodeInstr(instruction_info_table, iop->word);
    other->GPR[4].value = 0x140;
    other->PC.value = 0x2000;
    other->MSR.value = MSR_SF | MSR_HV;
    ASSERT_EQ(iop->row->semantic(iop), 1);
    ASSERT_TRUE(holds(other));
    // Thread 0 stores to the reserved word itself: its own reservation stays, thread 1's ends.
    ew.gpr(7) = 9;
    ASSERT_EQ(ew.run(stw(7, 4, 0)), 1);
    EXPECT_TRUE(holds(ew.t));
    EXPECT_FALSE(holds(other));
    ew.gpr(3) = 10;
    ASSERT_EQ(ew.run(stwcx_dot(3, 4, 5)), 1);
    EXPECT_EQ(ew.cr() >> 28, CR_EQ);
    EXPECT_EQ(ew.read(0x100, 4), 10u);
    EXPECT_FALSE(holds(ew.t)); // the store-conditional consumed it
}

TEST(Reserve, LoadAndReserveThatFailsClearsTheEarlierReservation)
{
    // A cache-inhibited reservation access with the DSI option raises DSI 228 on lwarx.
    for (bool kept : {false, true}) {
        SCOPED_TRACE(kept ? "kept" : "cleared");
        struct Standalone {
            Standalone() { standalone_mode = 1; }
            ~Standalone() { standalone_mode = 0; }
        } standalone; // the cache-inhibited window of standalone mode
        ExecWord ew;
        ew.memory();
        ew.more_memory("CI", 0xF00000EF000000, 0x1000);
        ew.option(PO_CACHE_INHIBITED_LSWD_ARX);
        ew.option(PO_CACHE_INHIBITED_LSWD_ARX_CAUSE_DSI);
        ew.option(PO_RESERVATION_KEPT_FOR_LOAD_RESERVE_W_EXCEPTION, kept);
        ew.gpr(4) = 0x100;
        ew.gpr(5) = 0;
        ASSERT_EQ(ew.run(lwarx(3, 4, 5)), 1);
        ew.gpr(3) = 0x99;
        ew.gpr(8) = 0xF00000EF000000;
        EXPECT_EQ(ew.run(lwarx(3, 8, 5)), 0);
        ASSERT_NE(ew.raised(), nullptr);
        EXPECT_EQ(ew.raised()->type, 8);
        EXPECT_EQ(ew.raised()->subtype, 228);
        EXPECT_EQ(ew.gpr(3), 0x99u);
        EXPECT_EQ(holds(ew.t), kept);
        EXPECT_EQ(ew.iop->data.access_origin, 0);
    }
}

TEST(Reserve, StorageAttributeRules)
{
    struct Case {
        const char *what;
        uint32_t wimg;
        std::initializer_list<uint32_t> options;
        int allowed;
        int32_t type, subtype;
    };
    const Case cases[] = {
        {"write-through without the option", AXD_WIMG_W, {}, 1, 0, 0},
        {"write-through", AXD_WIMG_W, {PO_RESERVATION_WRITE_THROUGH_CAUSES_EXCEPTION}, 0, 8, 227},
        {"write-through, alignment form",
         AXD_WIMG_W,
         {PO_RESERVATION_WRITE_THROUGH_CAUSES_EXCEPTION, PO_WRITE_THRU_LSWD_ARX},
         0,
         1,
         83},
        {"cache-inhibited", AXD_WIMG_I, {PO_CACHE_INHIBITED_LSWD_ARX}, 0, 1, 30},
        {"cache-inhibited, DSI form",
         AXD_WIMG_I,
         {PO_CACHE_INHIBITED_LSWD_ARX, PO_CACHE_INHIBITED_LSWD_ARX_CAUSE_DSI},
         0,
         8,
         228},
        {"write-through without its option falls to the inhibited test",
         AXD_WIMG_W | AXD_WIMG_I,
         {PO_CACHE_INHIBITED_LSWD_ARX},
         0,
         1,
         30},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        ExecWord ew;
        for (uint32_t option : c.options)
            ew.option(option);
        IOPDesc *iop = ew.prepare(stwcx_dot(3, 4, 5));
        iop->data.ea = iop->data.orig_ea = 0x100;
        iop->data.wimg = c.wimg;
        iop->data.access_origin = 2;
        EXPECT_EQ(IOP_Check_Reservation_Storage(iop), c.allowed);
        if (c.allowed) {
            EXPECT_EQ(ew.raised(), nullptr);
            continue;
        }
        ASSERT_NE(ew.raised(), nullptr);
        EXPECT_EQ(ew.raised()->type, c.type);
        EXPECT_EQ(ew.raised()->subtype, c.subtype);
        // An ordinary access is never refused.
        IOPDesc *plain = ew.prepare(stw(3, 4, 0));
        plain->data.wimg = c.wimg;
        EXPECT_EQ(IOP_Check_Reservation_Storage(plain), 1);
    }
}

TEST(Reserve, RcZeroRows)
{
    struct Case {
        const char *what;
        bool ignores_rc, illegal;
        int result;
    };
    const Case cases[] = {
        {"STWCX_IGNORES_RC", true, true, 1},
        {"invalid form allowed", false, false, 1},
        {"invalid form illegal", false, true, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        ExecWord ew;
        ew.memory();
        ew.option(PO_STWCX_IGNORES_RC, c.ignores_rc);
        ew.option(PO_INVALID_FORMS_ARE_ILLEGAL, c.illegal);
        ew.gpr(4) = 0x100;
        ew.gpr(5) = 0;
        ew.gpr(6) = 5;
        ASSERT_EQ(ew.run(lwarx(3, 4, 5)), 1);
        EXPECT_EQ(ew.run(XO_FORM(150, 6, 4, 5, 0)), c.result); // stwcx
        EXPECT_STREQ(ew.mnemonic(), "stwcx");
        EXPECT_EQ(ew.read(0x100, 4), c.result ? 5u : 0u);
        EXPECT_EQ(ew.cr() >> 28, c.result ? CR_EQ : 0u);
    }
}

TEST(Reserve, QuadwordStoreConditionalOrder)
{
    for (bool little : {false, true}) {
        SCOPED_TRACE(little ? "little-endian" : "big-endian");
        ExecWord ew;
        ew.memory();
        ew.option(PO_LQ_STQ_SUPPORTED);
        if (little) ew.little_endian();
        ew.gpr(4) = 0x200;
        ew.gpr(5) = 0;
        ew.gpr(6) = 0x0102030405060708;
        ew.gpr(7) = 0x1112131415161718;
        ASSERT_EQ(ew.run(XO_FORM(276, 8, 4, 5)), 1); // lqarx r8,r4,r5
        EXPECT_STREQ(ew.mnemonic(), "lqarx");
        EXPECT_TRUE(holds(ew.t));
        ASSERT_EQ(ew.run(XO_FORM(182, 6, 4, 5, 1)), 1); // stqcx. r6,r4,r5
        EXPECT_STREQ(ew.mnemonic(), "stqcx.");
        EXPECT_EQ(ew.cr() >> 28, CR_EQ);
        // Little-endian: GPR[RS+1] at the lower address, each doubleword in little-endian order.
        EXPECT_EQ(ew.read(0x200, 8), little ? 0x1817161514131211u : 0x0102030405060708u);
        EXPECT_EQ(ew.read(0x208, 8), little ? 0x0807060504030201u : 0x1112131415161718u);
        ASSERT_EQ(ew.t->held_lock_count, 1);
        EXPECT_EQ(ew.t->held_locks[0], 0x200u);
    }
}

TEST(Reserve, GatesOfTheByteAndDoublewordForms)
{
    ExecWord ew;
    ew.memory();
    ew.t->MSR.value |= MSR_PR;
    ew.core.core->PCR.value = 0x4;
    EXPECT_EQ(ew.run(XO_FORM(52, 3, 4, 5)), 0); // lbarx: "2.0.6  is disabled"
    EXPECT_STREQ(ew.mnemonic(), "lbarx");
    ASSERT_NE(ew.raised(), nullptr);
    EXPECT_EQ(ew.raised()->subtype, 221);
    EXPECT_EQ(ew.run(lwarx(3, 4, 5)), 1); // lwarx has no gate

    ExecWord e64;
    e64.memory();
    e64.option(PO_NO_64BIT_OPS_IN_32BIT_MODE);
    e64.mode32();
    EXPECT_EQ(e64.run(XO_FORM(84, 3, 4, 5)), 0); // ldarx in 32-bit mode
    EXPECT_STREQ(e64.mnemonic(), "ldarx");
    ASSERT_NE(e64.raised(), nullptr);
    EXPECT_EQ(e64.raised()->subtype, 220);
}

// A word array run in real mode: store, reload and byte-reverse a word, then a lwarx/stwcx./bne
// increment loop run 1,000 times.
TEST(Reserve, IncrementLoopProgram)
{
    const std::vector<uint32_t> program = {
        0x38602000,            // li r3,0x2000
        0x38801234,            // li r4,0x1234
        0x90830000,            // stw r4,0(r3)
        0x80A30000,            // lwz r5,0(r3)
        XO_FORM(534, 6, 0, 3), // lwbrx r6,0,r3
        0x90C30004,            // stw r6,4(r3)
        0x39430008,            // addi r10,r3,8
        0x39000000,            // li r8,0
        lwarx(9, 0, 10),       // loop: lwarx r9,0,r10
        0x39290001,            // addi r9,r9,1
        stwcx_dot(9, 0, 10),   // stwcx. r9,0,r10
        0x4082FFF4,            // bne loop
        0x39080001,            // addi r8,r8,1
        0x2C0803E8,            // cmpwi r8,1000
        0x4180FFE8,            // blt loop
        0x48000000,            // b .
    };
    ExecWord ew;
    ew.memory();
    const uint64_t base = 0x100;
    ew.t->PC.value = base;
    int count = 0;
    for (; count < 10000; count++) {
        uint64_t pc = ew.t->PC.value;
        ASSERT_TRUE(pc >= base && pc < base + 4 * program.size());
        ASSERT_EQ(ew.run(program[(pc - base) / 4]), 1);
        if (ew.t->PC.value == pc) break;
    }
    EXPECT_EQ(count + 1, 8 + 7 * 1000 + 1);
    EXPECT_EQ(ew.read(0x2000, 4), 0x1234u);
    EXPECT_EQ(ew.gpr(5), 0x1234u);
    EXPECT_EQ(ew.gpr(6), 0x34120000u);
    EXPECT_EQ(ew.read(0x2004, 4), 0x34120000u);
    EXPECT_EQ(ew.read(0x2008, 4), 1000u);
    EXPECT_EQ(ew.gpr(8), 1000u);
    EXPECT_EQ(ew.gpr(9), 1000u);
}

} // namespace

// The extended-SPR table: its rows, lookups, guesses and forces, the TLB-entry and branch-history
// rows, the SCOMD register selection, and the external register ids.
#include <gtest/gtest.h>

#include <string>

#include "processor/spr/ex_spr.h"
#include "processor/translation/tlb.h"
#include "processor/translation/tlb_slb_erat.h"
#include "register_fixture.h"

namespace
{

class ExSpr : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        fixture.set("processor/mask/FPSCR_CHANGE", "0xFFFF");
        fixture.set("processor/mask/VSCR_CHANGE", "0xFF");
        fixture.set("processor/mask/CR", "0xFFFFFFFF");
        fixture.build();
        for (int i = 0; i < NUM_BHRB_ENTRIES; i++) {
            std::string name = "BHRBE" + std::to_string(i);
            Define_Register(nullptr, nullptr, thread(), name.c_str(), REG_TYPE_REG64, i, 8,
                            &thread()->BHRBE[i], Read_Register_Reg64, Write_Register_Reg64, nullptr, nullptr);
        }
        core()->tlb = TLB_new(TLB_Geometry{512, 4, 1, 0}, core(), 'u', 1);
        INIT_ex_spr_table(core());
    }
    void TearDown() override
    {
        QUIT_ex_spr_table(core());
        EXPECT_EQ(core()->ex_spr_count, 0);
        EXPECT_EQ(core()->ex_spr_table, nullptr);
        TLB_Quit(core()->tlb);
    }
    ProcessorState *core() { return fixture.core; }
    ThreadState *thread(int i = 0) { return fixture.thread(i); }
    int32_t row(const char *name) { return Convert_ex_SPR_Name_To_Enum(core(), name); }
    TestCore fixture{4};
};

TEST_F(ExSpr, Layout)
{
    EXPECT_EQ(core()->ex_spr_count, EX_SPR_ROWS);
    struct {
        const char *name;
        int32_t row;
        int32_t size;
    } rows[] = {{"PC", 0, 8},
                {"msr", 1, 8},
                {"CR", 2, 4},
                {"FPSCR", 3, 8},
                {"VSCR", 4, 4},
                {"IMA0", 5, 8},
                {"IMA4", 9, 8},
                {"IMA8", 10, 8},
                {"IMA12", 14, 8},
                {"SIM_CTRL", 15, 8},
                {"XER_CHANGE", 16, 8},
                {"FPSCR_CHANGE", 17, 8},
                {"FPR_INVALID_MAP", 18, 8},
                {"VSCR_CHANGE", 19, 4},
                {"SPR_MODEREG", 20, 8},
                {"SCRATCH0", 21, 8},
                {"SCRATCH7", 28, 8},
                {"SPATTN0", 29, 8},
                {"SPATTN7", 36, 8},
                {"SDI0", 37, 8},
                {"SDI7", 44, 8},
                {"PURR", 45, 8},
                {"SPURR", 46, 8},
                {"TLBER0", 47, 8},
                {"TLBEV0", 48, 8},
                {"TLBER1", 49, 8},
                {"tlber511", 1069, 8},
                {"TLBEV511", 1070, 8},
                {"BHRBE0", 1071, 8},
                {"bhrbe31", 1102, 8}};
    for (const auto &r : rows) {
        EXPECT_EQ(row(r.name), r.row) << r.name;
        EXPECT_EQ(ex_SPR_size(core(), r.row), r.size) << r.name;
        EXPECT_EQ(Valid_ex_SPR(core(), r.row), 1) << r.name;
        EXPECT_STRCASEEQ(Find_ex_SPR_Name(core(), r.row), r.name);
    }
    EXPECT_EQ(core()->ex_spr_table[1069].instance, 511);
    EXPECT_EQ(core()->ex_spr_table[0].instance, -1);
    EXPECT_EQ(row("TLBER512"), EX_SPR_NONE);
    EXPECT_EQ(row("CTRL"), EX_SPR_NONE);
    EXPECT_EQ(Find_ex_SPR_Name(core(), EX_SPR_ROWS), nullptr);
    EXPECT_EQ(Find_ex_SPR_Name(core(), -1), nullptr);
    EXPECT_EQ(Valid_ex_SPR(core(), EX_SPR_ROWS), 0);
    EXPECT_EQ(ex_SPR_size(core(), -1), 0);
}

TEST_F(ExSpr, GuessAndForceThroughTheToolAccessors)
{
    ThreadState *t = thread(1);
    FORCE_ex_spr(t, row("PC"), 0x1234);
    EXPECT_EQ(t->PC.value, 0x1234u);
    EXPECT_EQ(t->next_pc, 0x1234u);
    EXPECT_EQ(GUESS_ex_spr(t, row("PC")), 0x1234u);
    FORCE_ex_spr(t, row("CR"), 0x1122334455667788ull);
    EXPECT_EQ(t->CR.value, 0x55667788u);
    EXPECT_EQ(GUESS_ex_spr(t, row("CR")), 0x55667788u);
    FORCE_ex_spr(t, row("SCRATCH3"), 0xABCD);
    EXPECT_EQ(core()->SCRATCH3.value, 0xABCDu);
    EXPECT_EQ(GUESS_ex_spr(thread(0), row("SCRATCH3")), 0xABCDu); // a core register
    // The shadows: FPSCR_CHANGE and VSCR_CHANGE masked, the invalid map not.
    FORCE_ex_spr(t, row("FPSCR_CHANGE"), ~0ull);
    EXPECT_EQ(t->FPSCR_CHANGE.value, 0xFFFFu);
    FORCE_ex_spr(t, row("VSCR_CHANGE"), ~0ull);
    EXPECT_EQ(GUESS_ex_spr(t, row("VSCR_CHANGE")), 0xFFu);
    FORCE_ex_spr(t, row("FPR_INVALID_MAP"), ~0ull);
    EXPECT_EQ(GUESS_ex_spr(t, row("FPR_INVALID_MAP")), ~0ull);
    // Rows out of range or without accessor.
    EXPECT_EQ(GUESS_ex_spr(t, EX_SPR_ROWS), 0u);
    FORCE_ex_spr(t, -5, 1);
    core()->ex_spr_table[20].force.unique = nullptr;
    core()->ex_spr_table[20].guess.unique = nullptr;
    FORCE_ex_spr(t, 20, 7);
    EXPECT_EQ(core()->SPR_MODEREG.value, 0u);
    EXPECT_EQ(GUESS_ex_spr(t, 20), 0u);
    core()->ex_spr_table[21].valid = 0;
    EXPECT_EQ(GUESS_ex_spr(t, 21), 0u);
    EXPECT_EQ(ex_spr_value(t, 21), nullptr);
}

TEST_F(ExSpr, ValueText)
{
    thread()->CR.value = 0xA;
    thread()->PC.value = 0x100;
    EXPECT_STREQ(ex_spr_value(thread(), row("CR")), "0x0000000A");
    EXPECT_STREQ(ex_spr_value(thread(), row("PC")), "0x0000000000000100");
    thread()->PC.value = ~0ull;
    EXPECT_STREQ(ex_spr_value(thread(), row("PC")), "0xFFFFFFFFFFFFFFFF");
    EXPECT_EQ(ex_spr_value(thread(), EX_SPR_NONE), nullptr);
}

TEST_F(ExSpr, TriggerSlots)
{
    EXPECT_EQ(get_ex_spr_register_trig(thread(), row("MSR")), &thread()->MSR.trigger);
    EXPECT_EQ(get_ex_spr_register_trig(thread(), row("CR")), &thread()->CR.trigger);
    EXPECT_EQ(get_ex_spr_register_trig(thread(), row("FPSCR")), &thread()->FPSCR.trigger);
    EXPECT_EQ(get_ex_spr_register_trig(thread(), row("PC")), nullptr);
    EXPECT_EQ(get_ex_spr_register_trig(thread(), -1), nullptr);
}

TEST_F(ExSpr, TlbEntryRows)
{
    TLB_ENTRY_t *entry = &core()->tlb->entries[7];
    entry->pte_upper = 0x8123456789ABCDEFull;
    FORCE_ex_spr(thread(), row("TLBEV7"), ~0ull);
    EXPECT_EQ(entry->pte_upper & 0xC00000000000007Full, 0x800000000000006Full); // bits 0-6, 62-63 kept
    EXPECT_EQ(entry->pte_upper & ~0xC00000000000007Full, ~0xC00000000000007Full);
    EXPECT_EQ(GUESS_ex_spr(thread(), row("TLBEV7")), 0x007FFFFFFFFFFFFFull); // bit 55 is the kept bit 62
    entry->pte_upper = 0x5A5A5A5A5A5A5A5Aull;
    EXPECT_EQ(GUESS_ex_spr(thread(), row("TLBEV7")), (0x5A5A5A5A5A5A5A5Aull << 1) >> 8);

    // TLBER: bit by bit from the value (bits counted from the least significant).
    struct {
        int value_bit;
        uint64_t upper, lower;
        int32_t seg_size;
    } bits[] = {
        {46, 1ull << 63, 0, 40}, {48, 1ull << 2, 0, 28},  {58, 0, 1ull << 63, 28}, {55, 0, 1ull << 62, 28},
        {8, 0, 1ull << 20, 28},  {35, 0, 1ull << 47, 28}, {0, 0, 1ull << 12, 28},  {7, 0, 1ull << 19, 28},
        {59, 0, 1ull << 9, 28},  {61, 0, 1ull << 11, 28}, {54, 0, 1ull << 7, 28},  {50, 0, 1ull << 3, 28},
        {51, 0, 1ull << 4, 28},  {52, 0, 1ull << 5, 28},  {49, 0, 1ull << 2, 28},  {56, 0, 1ull << 0, 28},
        {57, 0, 1ull << 1, 28},  {36, 0, 0, 28},          {47, 0, 0, 28},          {53, 0, 0, 28},
        {62, 0, 0, 28},          {63, 0, 0, 28},
    };
    for (const auto &b : bits) {
        entry->pte_upper = 0x0F00;
        entry->pte_lower = ~0ull;
        FORCE_ex_spr(thread(), row("TLBER7"), 1ull << b.value_bit);
        EXPECT_EQ(entry->pte_upper, 0x0F00 | b.upper) << b.value_bit;
        EXPECT_EQ(entry->pte_lower, b.lower) << b.value_bit;
        EXPECT_EQ(entry->seg_size, b.seg_size) << b.value_bit;
    }
    // The other upper bits stay; bits 63 and 2 follow the value.
    entry->pte_upper = ~0ull;
    FORCE_ex_spr(thread(), row("TLBER7"), 0);
    EXPECT_EQ(entry->pte_upper, ~0ull & ~(1ull << 63) & ~(1ull << 2));
    // Without a TLB the rows read 0 and write nothing.
    TLB *tlb = core()->tlb;
    core()->tlb = nullptr;
    EXPECT_EQ(GUESS_ex_spr(thread(), row("TLBEV7")), 0u);
    FORCE_ex_spr(thread(), row("TLBEV7"), 1);
    core()->tlb = tlb;
}

TEST_F(ExSpr, BranchHistoryRows)
{
    FORCE_ex_spr(thread(), row("BHRBE5"), 0x99);
    EXPECT_EQ(thread()->BHRBE[5].value, 0x99u);
    EXPECT_EQ(thread()->BHRBE[5].rfe->defined, 1);
    EXPECT_EQ(GUESS_ex_spr(thread(), row("BHRBE5")), 0x99u);
    FORCE_ex_spr(thread(), row("BHRBE5"), 0);
    EXPECT_EQ(thread()->BHRBE[5].rfe->defined, 0);

    // Four threads share 32 entries: 8 each.
    int32_t remainder = -1;
    EXPECT_EQ(Get_BHRB_Range(thread(2), &remainder), 8);
    EXPECT_EQ(remainder, 0);
    // MMCRC bit 17 with bits 18-20 = 2: all to thread 2.
    core()->MMCRC.value = 0x20000 | (2ull << 18);
    EXPECT_EQ(Get_BHRB_Range(thread(2), &remainder), 32);
    EXPECT_EQ(Get_BHRB_Range(thread(0), &remainder), 0);
    EXPECT_EQ(Get_BHRB_Range(thread(3), &remainder), 0);
    core()->MMCRC.value = 2ull << 18; // the bit clear: shared again
    EXPECT_EQ(Get_BHRB_Range(thread(3), &remainder), 8);

    for (int n = 0; n < NUM_BHRB_ENTRIES; n++)
        FORCE_ex_spr(thread(), row(("BHRBE" + std::to_string(n)).c_str()), n + 1);
    Mark_Entire_BHRBE_Array_Undefined(thread());
    for (int n = 0; n < NUM_BHRB_ENTRIES; n++) {
        EXPECT_EQ(thread()->BHRBE[n].value, n < 8 ? 0u : (uint64_t)n + 1) << n;
        EXPECT_EQ(thread()->BHRBE[n].rfe->defined, n < 8 ? 0 : 1) << n;
    }
}

TEST(ExSprBhrb, EightThreadsGetFourEach)
{
    TestCore fixture(8);
    fixture.build();
    int32_t remainder = -1;
    for (int i = 0; i < 8; i++)
        EXPECT_EQ(Get_BHRB_Range(fixture.thread(i), &remainder), 4);
    EXPECT_EQ(remainder, 0);
    TestCore three(3);
    three.build();
    EXPECT_EQ(Get_BHRB_Range(three.thread(0), &remainder), 10);
    EXPECT_EQ(remainder, 2);
}

TEST_F(ExSpr, ScomdRegisterSelection)
{
    struct {
        uint32_t index;
        const char *name;
    } cases[] = {
        {8, "SCRATCH0"}, {15, "SCRATCH7"}, {16, "PURR"},        {23, "PURR"},       {24, "SPURR"},
        {32, "SPATTN0"}, {36, "SPATTN4"},  {39, "SPATTN7"},     {40, "SDI0"},       {47, "SDI7"},
        {48, nullptr},   {55, nullptr},    {56, "SPR_MODEREG"}, {57, "AVP_OUTPUT"}, {58, "CHECKSTOP"},
        {59, nullptr},   {60, nullptr},    {7, nullptr},        {0, nullptr},       {127, nullptr},
    };
    for (const auto &c : cases) {
        const char *name = SCOMD_Register_Name(thread(), (uint64_t)c.index << 3 | 0x5);
        if (c.name)
            EXPECT_STREQ(name, c.name) << c.index;
        else
            EXPECT_EQ(name, nullptr) << c.index;
    }

    // Split cores: the thread's number picks the scratch and data register of its own.
    core()->options[PO_GLENT_EN_4_LPAR_SYSTEM] = 1;
    EXPECT_STREQ(SCOMD_Register_Name(thread(2), 8 << 3), "SCRATCH0"); // HID0 not split
    core()->HID0.value = 1ull << 61;
    EXPECT_STREQ(SCOMD_Register_Name(thread(2), 8 << 3), "SCRATCH2");
    EXPECT_STREQ(SCOMD_Register_Name(thread(2), 40 << 3), "SDI2");
    EXPECT_STREQ(SCOMD_Register_Name(thread(2), 36 << 3), "SPATTN2"); // index 32..47
    EXPECT_STREQ(SCOMD_Register_Name(thread(2), 16 << 3), "PURR");
    core()->partition_count = 2;
    thread(3)->thread_id_in_partition = 1;
    EXPECT_STREQ(SCOMD_Register_Name(thread(3), 8 << 3), "SCRATCH1");
}

TEST_F(ExSpr, ScomdReadsAndWritesTheSelectedRow)
{
    ThreadState *t = thread(0);
    t->SCOMC.value = 10 << 3; // SCRATCH2
    FORCE_SCOMD_Register(t, 0x77);
    EXPECT_EQ(core()->SCRATCH2.value, 0x77u);
    EXPECT_EQ(GUESS_SCOMD_Register(t), 0x77u);
    t->SCOMC.value = 57 << 3; // AVP_OUTPUT: no row
    core()->AVP_OUTPUT.value = 5;
    EXPECT_EQ(GUESS_SCOMD_Register(t), 0u);
    FORCE_SCOMD_Register(t, 9);
    EXPECT_EQ(core()->AVP_OUTPUT.value, 5u);
    t->SCOMC.value = 60 << 3; // nothing
    EXPECT_EQ(GUESS_SCOMD_Register(t), 0u);
    FORCE_SCOMD_Register(t, 9);
    EXPECT_EQ(core()->SCRATCH2.value, 0x77u);
}

TEST(ExternalRegisterIds, Numbers)
{
    struct {
        const char *name;
        int32_t id;
    } ids[] = {{"PVR", 0},       {"ppr", 143},
               {"TTR", 29},      {"SCRATCH7", 63},
               {"SPATTN0", 64},  {"SDI7", 79},
               {"L2QOSR", 85},   {"lr", 86},
               {"TIR", 144},     {"TIDR", 169},
               {"MSR", 170},     {"PC", 178},
               {"core_id", 179}, {"wake_send_pending", 199},
               {"", -1},         {"TSRL", -1},
               {"nothing", -1}};
    for (const auto &c : ids)
        EXPECT_EQ(LIBSIM__EXSR_Number(c.name), c.id) << c.name;
    EXPECT_EQ(LIBSIM__EXSR_Number(nullptr), -1);
    EXPECT_STREQ(EXSR_Names[145], "PPR"); // TSRL, reachable by number only
    EXPECT_STREQ(EXSR_Names[199], "wake_send_pending");
}

} // namespace

// The instruction inspection interface of plug-ins: names and addresses, class predicates, machine
// state queries, string lengths, the input and output register lists of functional and
// cycle-level records, and the fetch translation carried for the trace plug-in.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/decoded_inst.h"
#include "core/fetch_translation.h"
#include "exec/instruction_inspection.h"
#include "decode/decoder.h"
#include "decode/row_ids.h"
#include "processor/records/generic_machine.h"
#include "processor/records/exception_record.h"
#include "processor/config/processor_options.h"
#include "runtime/psv.h"
#include "processor/register_fixture.h"
#include "processor/spr/spr_table.h"
#include "runtime/fast_malloc.h"
#include "runtime/plugin_events.h"

namespace
{

constexpr uint64_t SF = 0x8000000000000000ull, HV = 0x1000000000000000ull;
constexpr uint64_t PR = 0x4000, IR = 0x20, DR = 0x10;

uint32_t x_form(uint32_t op, uint32_t xo, uint32_t rt, uint32_t ra, uint32_t rb)
{
    return op << 26 | rt << 21 | ra << 16 | rb << 11 | xo << 1;
}
uint32_t d_form(uint32_t op, uint32_t rt, uint32_t ra, uint32_t d)
{
    return op << 26 | rt << 21 | ra << 16 | (d & 0xFFFF);
}
uint32_t add(uint32_t rt, uint32_t ra, uint32_t rb)
{
    return x_form(31, 266, rt, ra, rb);
}
uint32_t bc(uint32_t bo, uint32_t bi, uint32_t xo = 0, uint32_t lk = 0)
{
    return (xo ? 19u << 26 | xo << 1 : 16u << 26) | bo << 21 | bi << 16 | lk;
}
uint32_t spr_field(uint32_t spr)
{
    return (spr & 0x1F) << 16 | (spr >> 5) << 11;
}

// An Ervik core of one thread with its SPR table; records of any word, decoded.
class Inspect : public ::testing::Test
{
  protected:
    Inspect() : tc(1)
    {
        if (!DecodeInstr) SelectDecoder("Ervik");
        if (!PSV_List) Init_PSV_Table();
        tc.set("processor/type", "Ervik");
        PSV_Add_Default_Values(tc.test_machine.machine.property_list, "");
        tc.build();
        INIT_SPR_Table(tc.core, tc.test_machine.machine.property_list);
        t = tc.thread(0);
        t->machine = &tc.test_machine.machine;
        t->device_number = 7;
        t->MSR.value = SF | HV;
        t->PC.value = 0x2000;
    }
    ~Inspect() override { QUIT_SPR_Table(tc.core); }

    IOPDesc *record(uint32_t word, bool cycle = false, uint32_t usage = 0)
    {
        IOPDesc *iop = tc.iop();
        iop->word = word;
        iop->row = DecodeInstr(instruction_info_table, word);
        iop->sequence_number = 40 + tc_records++;
        iop->defer_side_effects = cycle ? 1 : 0;
        iop->src_read = usage;
        return iop;
    }

    TestCore tc;
    ThreadState *t = nullptr;
    int tc_records = 0;
};

std::vector<std::pair<int, uint64_t>> gprs(const InstRegisterList &l)
{
    std::vector<std::pair<int, uint64_t>> v;
    for (int i = 0; i < l.gpr_count; i++)
        v.push_back({l.gpr_numbers[i], l.gpr_values[i]});
    return v;
}
std::vector<std::pair<int, uint64_t>> fprs(const InstRegisterList &l)
{
    std::vector<std::pair<int, uint64_t>> v;
    for (int i = 0; i < l.fpr_count; i++)
        v.push_back({l.fpr_numbers[i], l.fpr_values[i]});
    return v;
}
std::vector<std::pair<int, uint64_t>> sprs(const InstRegisterList &l)
{
    std::vector<std::pair<int, uint64_t>> v;
    for (int i = 0; i < l.spr_count; i++)
        v.push_back({l.spr_numbers[i], l.spr_values[i]});
    return v;
}
std::vector<int> vrs(const InstRegisterList &l)
{
    return std::vector<int>(l.vr_numbers, l.vr_numbers + l.vr_count);
}
using Pairs = std::vector<std::pair<int, uint64_t>>;

TEST_F(Inspect, NamesAddressesAndIdentity)
{
    EXPECT_STREQ(Get_Inst_Name(nullptr), "no iop");
    IOPDesc *bare = tc.iop();
    EXPECT_STREQ(Get_Inst_Name(bare), "no instruction");
    IOPDesc *iop = record(add(3, 4, 5));
    EXPECT_STREQ(Get_Inst_Name(iop), "add");
    EXPECT_STREQ(Get_Inst_PrintFormat(iop), "M\trT,rA,rB");
    EXPECT_EQ(Get_Inst_Instbody(iop), add(3, 4, 5));
    EXPECT_EQ(Get_Inst_SeqNumber(iop), iop->sequence_number);
    EXPECT_EQ(Get_Inst_ThreadId(iop), 7u);
    EXPECT_EQ(Get_Thread_Id(t), 7u);

    iop->fetch.ea = 0x10000100;
    iop->fetch.pa = 0x345678;
    iop->fetch.vsid = 0xABC;
    iop->fetch.page_shift = 16;
    iop->data.ea = 0x20000008;
    iop->data.pa = 0x9876543;
    iop->data.vsid = 0xDEF;
    iop->data.page_shift = 24;
    EXPECT_EQ(Get_Inst_PC(iop), 0x10000100u);
    EXPECT_EQ(Get_Inst_PC_RPN(iop), 0x345u);
    EXPECT_EQ(Get_Inst_PC_VSID(iop), 0xABCu);
    EXPECT_EQ(Get_Inst_PC_PageSize(iop), 16);
    EXPECT_EQ(Get_Inst_Data_EA(iop), 0x20000008u);
    EXPECT_EQ(Get_Inst_Data_RPN(iop), 0x9876u);
    EXPECT_EQ(Get_Inst_Data_VSID(iop), 0xDEFu);
    EXPECT_EQ(Get_Inst_Data_PageSize(iop), 24);

    // Next addresses: the thread's PC for the functional record, the record's own in cycle form.
    iop->next_address = 0x104;
    iop->expected_next_address = 0x200;
    EXPECT_EQ(In_Cycle_Mode(iop), 0);
    EXPECT_EQ(Get_Inst_NPC(iop), 0x2000u);
    EXPECT_EQ(Get_Inst_NPC_Predicted(iop), 0x2000u);
    iop->defer_side_effects = 1;
    EXPECT_EQ(In_Cycle_Mode(iop), 1);
    EXPECT_EQ(Get_Inst_NPC(iop), 0x104u);
    EXPECT_EQ(Get_Inst_NPC_Predicted(iop), 0x200u);

    // Sim-support rows count only while the machine allows sim-support calls.
    IOPDesc *support = tc.iop();
    support->row = &instruction_info_table[ROW_SUPPORT_HALT];
    tc.test_machine.machine.enable_sim_support = 0;
    EXPECT_EQ(Is_Inst_SimSupport(support), 0);
    tc.test_machine.machine.enable_sim_support = 1;
    EXPECT_EQ(Is_Inst_SimSupport(support), 1);
    EXPECT_EQ(Is_Inst_SimSupport(iop), 0);
}

TEST_F(Inspect, ClassPredicatesByRow)
{
    struct {
        uint32_t word;
        int branch, unconditional, load, store, cache, string, vmx;
    } cases[] = {
        {0x48000010, 1, 1, 0, 0, 0, 0, 0},                // b
        {bc(12, 2), 1, 0, 0, 0, 0, 0, 0},                 // bc BO 12
        {bc(20, 0, 16), 1, 1, 0, 0, 0, 0, 0},             // bclr BO 20
        {bc(12, 2, 16), 1, 0, 0, 0, 0, 0, 0},             // bclr BO 12
        {d_form(32, 3, 4, 8), 0, 0, 1, 0, 0, 0, 0},       // lwz
        {d_form(36, 3, 4, 8), 0, 0, 0, 1, 0, 0, 0},       // stw
        {x_form(31, 1014, 0, 3, 4), 0, 0, 0, 1, 1, 0, 0}, // dcbz: a store of the second kind
        {x_form(31, 86, 0, 3, 4), 0, 0, 0, 0, 1, 0, 0},   // dcbf
        {x_form(31, 597, 5, 3, 0), 0, 0, 1, 0, 0, 1, 0},  // lswi
        {x_form(31, 103, 1, 3, 4), 0, 0, 1, 0, 0, 0, 1},  // lvx
        {add(3, 4, 5), 0, 0, 0, 0, 0, 0, 0},
    };
    for (auto &c : cases) {
        SCOPED_TRACE(::testing::Message() << std::hex << c.word);
        IOPDesc *iop = record(c.word);
        ASSERT_NE(iop->row, &instruction_info_table[0]);
        EXPECT_EQ(Is_Inst_Branch(iop), c.branch);
        EXPECT_EQ(Is_Inst_Unconditional_Branch(iop), c.unconditional);
        EXPECT_EQ(Is_Inst_Load(iop), c.load);
        EXPECT_EQ(Is_Inst_Store(iop), c.store);
        EXPECT_EQ(Is_Inst_Cache(iop), c.cache);
        EXPECT_EQ(Is_Inst_String(iop), c.string);
        EXPECT_EQ(Is_Inst_VMX(iop), c.vmx);
    }
    // No row: no class at all.
    IOPDesc *bare = tc.iop();
    bare->word = 0x48000010;
    EXPECT_EQ(Is_Inst_Branch(bare) + Is_Inst_Unconditional_Branch(bare) + Is_Inst_Branch_Taken(bare) +
                  Is_Inst_Load(bare) + Is_Inst_Store(bare) + Is_Inst_String(bare),
              0);
    EXPECT_EQ(Get_String_Length(bare, 1), -1);
}

TEST_F(Inspect, DoneTakenAndDataAddressValidity)
{
    IOPDesc *branch = record(bc(12, 2));
    EXPECT_EQ(Is_Inst_Done(branch), 1);
    EXPECT_EQ(Is_Inst_Branch_Taken(branch), 0);
    branch->branch_taken = 1;
    EXPECT_EQ(Is_Inst_Branch_Taken(branch), 1);
    branch->defer_side_effects = 1; // in flight, not finished: not taken yet
    EXPECT_EQ(Is_Inst_Done(branch), 0);
    EXPECT_EQ(Is_Inst_Branch_Taken(branch), 0);
    branch->finished = 1;
    EXPECT_EQ(Is_Inst_Branch_Taken(branch), 1);
    IOPDesc *jump = record(0x48000010, true);
    EXPECT_EQ(Is_Inst_Branch_Taken(jump), 1); // opcode 18 is always taken

    IOPDesc *load = record(d_form(32, 3, 4, 8), true);
    EXPECT_EQ(Is_Inst_Data_EA_Valid(load), 0);
    load->data_ea_valid = 1;
    EXPECT_EQ(Is_Inst_Data_EA_Valid(load), 1);
    EXPECT_EQ(Is_Inst_Data_PA_Valid(load), 1);
    PowerPCException raised{};
    load->exceptions = &raised;
    EXPECT_EQ(Is_Inst_Exception(load), 1);
    EXPECT_EQ(Is_Inst_Data_PA_Valid(load), 0);
    load->exceptions = nullptr;
    IOPDesc *other = record(add(3, 4, 5), true);
    other->data_ea_valid = 1;
    EXPECT_EQ(Is_Inst_Data_EA_Valid(other), 0);
    EXPECT_EQ(Is_Inst_Data_EA_Valid(record(add(3, 4, 5))), 1); // functional: done
}

TEST_F(Inspect, MachineStateQueries)
{
    IOPDesc *iop = record(add(3, 4, 5));
    iop->fetch.pa = 0x1000;
    t->MSR.value = SF | PR | IR;
    EXPECT_EQ(Is_Mode_Kernel(iop), 0);
    EXPECT_EQ(Is_Data_Relocated(iop), 0);
    EXPECT_EQ(Is_Inst_Relocated(iop), 1);
    t->MSR.value = SF | DR;
    EXPECT_EQ(Is_Mode_Kernel(iop), 1);
    EXPECT_EQ(Is_Data_Relocated(iop), 1);
    EXPECT_EQ(Is_Inst_Relocated(iop), 0);

    // A cycle-level record without a saved fetch translation is never relocated.
    t->MSR.value = SF | IR | DR;
    IOPDesc *cycle = record(add(3, 4, 5), true);
    jqRampedUp = 0;
    IOP_set_addr_axd(cycle, nullptr);
    EXPECT_EQ(cycle->fetch.pa, 1u);
    EXPECT_EQ(Is_Inst_Relocated(cycle), 0);

    // SDR1 of the partition core; in cycle form a read trigger is only noted.
    tc.core->SDR1.value = 0x7F000005;
    EXPECT_EQ(Get_Inst_SDR1(iop), 0x7F000005u);
    Attach_Read_Trigger(&tc.core->SDR1.trigger, "SDR1", "record");
    EXPECT_EQ(Get_Inst_SDR1(cycle), 0x7F000005u);
    EXPECT_EQ(cycle->deferred_triggers & 2, 2);
}

TEST_F(Inspect, DisassemblyIsAlwaysTerminatedWithinTheBuffer)
{
    IOPDesc *iop = record(add(3, 4, 5));
    char full[256];
    Get_Inst_Name_And_Operand(iop, full, sizeof full);
    ASSERT_GT(strlen(full), 6u);
    char small[8];
    memset(small, 'x', sizeof small);
    EXPECT_EQ(Get_Inst_Name_And_Operand(iop, small, 6), small);
    EXPECT_EQ(std::string(small), std::string(full).substr(0, 5));
    EXPECT_EQ(small[6], 'x'); // nothing written past the length
    small[0] = 'y';
    Get_Inst_Name_And_Operand(iop, small, 0);
    EXPECT_EQ(small[0], 'y');
    Get_Inst_Name_And_Operand(nullptr, small, 6);
    EXPECT_STREQ(small, "");
}

TEST_F(Inspect, StringLengths)
{
    EXPECT_EQ(Get_String_Length(record(x_form(31, 597, 5, 3, 0)), 1), 32); // lswi NB 0
    EXPECT_EQ(Get_String_Length(record(x_form(31, 597, 5, 3, 7)), 1), 7);
    EXPECT_EQ(Get_String_Length(record(add(3, 4, 5)), 1), -1);
    IOPDesc *lswx = record(x_form(31, 533, 5, 3, 4));
    t->XER.value = 0x20000000000000A5ull;
    t->XER.bits_read = {};
    EXPECT_EQ(Get_String_Length(lswx, 0), -1);
    EXPECT_EQ(t->XER.bits_read.valid, 0);
    EXPECT_EQ(Get_String_Length(lswx, 1), 0x25);
    EXPECT_EQ(t->XER.bits_read.valid, 1);
    EXPECT_EQ(t->XER.bits_read.mask, 0x808FFFFFu);
    lswx->use_slots = 1; // the XER the core supplied
    lswx->xer_operand = 0x13;
    EXPECT_EQ(Get_String_Length(lswx, 1), 0x13);
}

TEST_F(Inspect, InputRegistersOfCycleRecords)
{
    constexpr uint32_t A = 0x1, B = 0x2, C = 0x4, S = 0x8, CTR = 0x20, LR = 0x40, SPR = 0x80, XER = 0x100,
                       FPSCR = 0x2000, CR = 0x10000;
    struct Case {
        const char *what;
        uint32_t word, usage;
        Pairs gprs, fprs, sprs;
        std::vector<int> vrs;
    } cases[] = {
        {"addi RA 0", d_form(14, 3, 0, 5), A, {}, {}, {}, {}},
        {"lwz RA 0", d_form(32, 3, 0, 8), A, {}, {}, {}, {}},
        {"add r4,r4,r4", add(3, 4, 4), A | B, {{4, 0xA0}}, {}, {}, {}},
        {"add", add(3, 4, 5), A | B | XER, {{4, 0xA0}, {5, 0xB0}}, {}, {{1, 0x99}}, {}},
        {"mr", x_form(31, 444, 5, 3, 5), A | S | B, {}, {}, {}, {}},
        {"nop", 0x60000000, A, {}, {}, {}, {}},
        {"stw", d_form(36, 5, 6, 8), A | S, {{6, 0xA0}, {5, 0xD0}}, {}, {}, {}},
        {"fmadd",
         63u << 26 | 1 << 21 | 2 << 16 | 3 << 11 | 4 << 6 | 29 << 1,
         A | B | C | FPSCR,
         {},
         {{2, 0xA1}, {3, 0xB1}, {4, 0xC1}},
         {{4097, 0xF5}},
         {}},
        {"bcctr", bc(12, 2, 528), CTR | CR, {}, {}, {{9, 0xA0}, {4099, 0xC4}}, {}},
        {"bclr", bc(16, 0, 16), LR | CTR, {}, {}, {{8, 0xB0}, {9, 0xA0}}, {}},
        {"mtspr", 0x7C0003A6 | 5 << 21 | spr_field(272), S | SPR, {{5, 0xD0}}, {}, {{272, 0xA0}}, {}},
        {"lvx r0,r4", x_form(31, 103, 1, 0, 4), A | B, {{4, 0xB0}}, {}, {}, {}},
        {"lvx r0,r0", x_form(31, 103, 1, 0, 0), A | B, {{0, 0xB0}}, {}, {}, {}},
        {"stvx", x_form(31, 231, 2, 3, 4), A | B | S, {{3, 0xA0}, {4, 0xB0}}, {}, {}, {2}},
        {"vaddubm", 4u << 26 | 1 << 21 | 2 << 16 | 3 << 11, A | B, {}, {}, {}, {2, 3}},
        {"vaddubm v2,v2", 4u << 26 | 1 << 21 | 2 << 16 | 2 << 11, A | B, {}, {}, {}, {2}},
        {"tw", x_form(31, 4, 31, 3, 4), A | B, {{3, 0xA0}, {4, 0xB0}}, {}, {}, {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        IOPDesc *iop = record(c.word, true, c.usage);
        ASSERT_NE(iop->row, &instruction_info_table[0]);
        iop->operand_slot1[0] = 0xA0, iop->operand_slot1[1] = 0xA1;
        iop->operand_slot2[0] = 0xB0, iop->operand_slot2[1] = 0xB1;
        iop->operand_slot3[0] = 0xC0, iop->operand_slot3[1] = 0xC1;
        iop->operand_slot4[0] = 0xD0, iop->operand_slot4[1] = 0xD1;
        iop->xer_operand = 0x99;
        iop->cr_operand = 0xC4;
        iop->fpscr_operand = 0xF5;
        InstRegisterList list;
        memset(&list, 0x5A, sizeof list);
        Get_Inst_Input_Registers(iop, &list);
        EXPECT_EQ(gprs(list), c.gprs);
        EXPECT_EQ(fprs(list), c.fprs);
        EXPECT_EQ(sprs(list), c.sprs);
        EXPECT_EQ(vrs(list), c.vrs);
        if (list.vr_count) {
            EXPECT_EQ(list.vr_values[0][0], c.word >> 26 == 4 ? 0xA0u : 0xD0u);
            EXPECT_EQ(list.vr_values[0][1], c.word >> 26 == 4 ? 0xA1u : 0xD1u);
        }
    }
}

TEST_F(Inspect, InputRegistersOfFunctionalRecords)
{
    t->GPR[3].value = 0x33;
    t->GPR[4].value = 0x44;
    t->SRR0.value = 0x700;
    t->SRR1.value = 0x9000;
    InstRegisterList list;
    // rfid: SRR0 and SRR1 with the thread's values.
    Get_Inst_Input_Registers(record(0x4C000024), &list);
    EXPECT_EQ(sprs(list), (Pairs{{26, 0x700}, {27, 0x9000}}));
    // A trap reads RA and RB from the thread.
    Get_Inst_Input_Registers(record(x_form(31, 4, 31, 3, 4)), &list);
    EXPECT_EQ(gprs(list), (Pairs{{3, 0x33}, {4, 0x44}}));
    // Other rows list only what the cycle-level core marked as read: nothing here.
    Get_Inst_Input_Registers(record(add(5, 3, 4)), &list);
    EXPECT_EQ(list.gpr_count + list.fpr_count + list.spr_count + list.vr_count, 0);
    // No row, no record, no list.
    IOPDesc *bare = tc.iop();
    bare->word = add(5, 3, 4);
    list.gpr_count = 9;
    Get_Inst_Input_Registers(bare, &list);
    EXPECT_EQ(list.gpr_count, 0);
    list.gpr_count = 9;
    Get_Inst_Input_Registers(nullptr, &list);
    EXPECT_EQ(list.gpr_count, 0);
    Get_Inst_Input_Registers(bare, nullptr);
    Get_Inst_Output_Registers(bare, &list);
    EXPECT_EQ(list.gpr_count + list.spr_count, 0);
}

TEST_F(Inspect, OutputRegistersOfFunctionalRecords)
{
    t->GPR[3].value = 0x333;
    t->VSR[1].value[1] = 0x3FF0000000000000ull;
    t->FPSCR.value = 0x82000000;
    t->LR.value = 0x1234;
    t->CTR.value = 0x10;
    t->SPRG0.value = 0xFEED;
    t->VSR[33].value[0] = 0x1111, t->VSR[33].value[1] = 0x2222;
    struct Case {
        const char *what;
        uint32_t word;
        Pairs gprs, fprs, sprs;
        std::vector<int> vrs;
    } cases[] = {
        {"add", add(3, 4, 5), {{3, 0x333}}, {}, {}, {}},
        {"fadd",
         63u << 26 | 1 << 21 | 2 << 16 | 3 << 11 | 21 << 1,
         {},
         {{1, 0x3FF0000000000000ull}},
         {{4097, 0x82000000}},
         {}},
        {"bl", 0x48000011, {}, {}, {{8, 0x1234}}, {}},
        {"bcl BO 16", bc(16, 0) | 1, {}, {}, {{8, 0x1234}, {9, 0x10}}, {}},
        {"bc BO 20", bc(20, 0), {}, {}, {}, {}},
        {"mtspr SPRG0", 0x7C0003A6 | 5 << 21 | spr_field(272), {}, {}, {{272, 0xFEED}}, {}},
        {"nop", 0x60000000, {}, {}, {}, {}},
        {"vaddubm", 4u << 26 | 1 << 21 | 2 << 16 | 3 << 11, {}, {}, {}, {1}},
        {"lvx", x_form(31, 103, 1, 0, 4), {}, {}, {}, {1}},
        {"stvx", x_form(31, 231, 1, 3, 4), {}, {}, {}, {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        IOPDesc *iop = record(c.word);
        ASSERT_NE(iop->row, &instruction_info_table[0]);
        InstRegisterList list;
        Get_Inst_Output_Registers(iop, &list);
        EXPECT_EQ(gprs(list), c.gprs);
        EXPECT_EQ(fprs(list), c.fprs);
        EXPECT_EQ(sprs(list), c.sprs);
        EXPECT_EQ(vrs(list), c.vrs);
        if (list.vr_count) {
            EXPECT_EQ(list.vr_values[0][0], 0x1111u);
            EXPECT_EQ(list.vr_values[0][1], 0x2222u);
        }
    }
    // The vector result in the second result slot while the core supplies the operands.
    IOPDesc *vector = record(4u << 26 | 1 << 21 | 2 << 16 | 3 << 11);
    vector->use_slots = 1;
    vector->result_gpr2.value[0] = 0x5, vector->result_gpr2.value[1] = 0x6;
    InstRegisterList list;
    Get_Inst_Output_Registers(vector, &list);
    ASSERT_EQ(list.vr_count, 1);
    EXPECT_EQ(list.vr_values[0][0], 0x5u);
    EXPECT_EQ(list.vr_values[0][1], 0x6u);
}

TEST_F(Inspect, OutputRegistersOfCycleRecordsFollowTheirResultSlots)
{
    auto fill = [](IOPResultSlot &slot, uint8_t kind, uint64_t producer, uint64_t value, uint64_t fp = 0) {
        slot.kind = kind;
        slot.producer_seq = producer;
        slot.value[0] = value;
        slot.value[1] = fp;
    };
    // lwzu r3,8(r4): the update of RA in the first slot, RT in the second, and a CR and an XER result;
    // the order is third, fourth, second, first, fifth.
    IOPDesc *iop = record(d_form(33, 3, 4, 8), true);
    const uint64_t seq = iop->sequence_number;
    fill(iop->result_gpr1, IOP_RESULT_GPR, seq, 0x1008);
    fill(iop->result_gpr2, IOP_RESULT_GPR, seq, 0x77);
    fill(iop->result_cr, IOP_RESULT_CR, seq, 0x4);
    fill(iop->result_xer, IOP_RESULT_XER, seq, 0x20000000);
    fill(iop->result_fpscr, IOP_RESULT_FPSCR, seq - 1, 0x1); // another instruction's
    InstRegisterList list;
    Get_Inst_Output_Registers(iop, &list);
    EXPECT_EQ(gprs(list), (Pairs{{3, 0x77}, {4, 0x1008}}));
    EXPECT_EQ(sprs(list), (Pairs{{4099, 0x4}, {1, 0x20000000}}));

    // FPR results report their floating-point value; the FPSCR of fneg is not reported, that of
    // fadd is; CTR, LR and the SPR field's SPR by kind; a register kind outside the first two slots
    // and an unknown kind report nothing.
    IOPDesc *fneg = record(63u << 26 | 1 << 21 | 2 << 11 | 40 << 1, true);
    fill(fneg->result_gpr2, IOP_RESULT_FPR, fneg->sequence_number, 0, 0xBFF0000000000000ull);
    fill(fneg->result_fpscr, IOP_RESULT_FPSCR, fneg->sequence_number, 0x8000);
    Get_Inst_Output_Registers(fneg, &list);
    EXPECT_EQ(fprs(list), (Pairs{{1, 0xBFF0000000000000ull}}));
    EXPECT_EQ(list.spr_count, 0);
    IOPDesc *fadd = record(63u << 26 | 1 << 21 | 2 << 16 | 3 << 11 | 21 << 1, true);
    fill(fadd->result_fpscr, IOP_RESULT_FPSCR, fadd->sequence_number, 0x8000);
    Get_Inst_Output_Registers(fadd, &list);
    EXPECT_EQ(sprs(list), (Pairs{{4097, 0x8000}}));

    IOPDesc *branch = record(bc(16, 0, 528) | 1, true);
    fill(branch->result_cr, IOP_RESULT_CTR, branch->sequence_number, 0x9);
    fill(branch->result_xer, IOP_RESULT_LR, branch->sequence_number, 0x2004);
    fill(branch->result_gpr2, IOP_RESULT_SPR, branch->sequence_number, 0x55);
    fill(branch->result_gpr1, 3, branch->sequence_number, 0x66);
    Get_Inst_Output_Registers(branch, &list);
    EXPECT_EQ(sprs(list),
              (Pairs{{9, 0x9},
                     {8, 0x2004},
                     {(int)((bc(16, 0, 528) >> 16 & 0x1F) | (bc(16, 0, 528) >> 6 & 0x3E0)), 0x55}}));
    fill(branch->result_cr, IOP_RESULT_GPR, branch->sequence_number, 0x9);
    Get_Inst_Output_Registers(branch, &list);
    EXPECT_EQ(list.gpr_count, 0);

    IOPDesc *nop = record(0x60000000, true);
    fill(nop->result_gpr2, IOP_RESULT_GPR, nop->sequence_number, 1);
    Get_Inst_Output_Registers(nop, &list);
    EXPECT_EQ(list.gpr_count, 0);
}

TEST_F(Inspect, FetchTranslationTravelsFromTheScanToTheRecord)
{
    Quarn_Lumo_Plugin_Start();
    AXD fetch = INITIAL_AXD;
    fetch.ea = 0x10000;
    fetch.pa = 0x5000;
    fetch.vsid = 0x123;
    fetch.wimg = AXD_WIMG_W | AXD_WIMG_I | AXD_WIMG_M | AXD_WIMG_G;
    fetch.erat_class = 0x42;
    fetch.page_shift = 16;
    fetch.llp = 5;
    DecodedInst first{}, second{};
    first.pc = 0x10008;
    second.pc = 0x1000C;
    DecodedInst_set_addr_axd(&first, &fetch);
    DecodedInst_set_addr_axd(&second, &fetch);
    ASSERT_NE(jqAXDPool, nullptr);
    EXPECT_EQ(FastMalloc_Used(jqAXDPool), 2);
    EXPECT_EQ(first.trace_axd->pa, 0x5008u);

    // A micro-coded instruction: its earlier micro-operation leaves the record for the last one.
    tc.core->options[PO_SUPPORTS_WIMG_W_BIT] = 0;
    tc.core->options[PO_SUPPORTS_WIMG_M_BIT] = 1;
    IOPDesc *early = record(add(3, 4, 5), true);
    early->iid = 1;
    IOP_set_addr_axd(early, &first);
    EXPECT_EQ(jqRampedUp, 1);
    EXPECT_NE(first.trace_axd, nullptr);
    IOPDesc *last = record(add(3, 4, 5), true);
    IOP_set_addr_axd(last, &first);
    EXPECT_EQ(first.trace_axd, nullptr);
    EXPECT_EQ(FastMalloc_Used(jqAXDPool), 1);
    for (IOPDesc *iop : {early, last}) {
        EXPECT_EQ(iop->fetch.ea, 0x10008u);
        EXPECT_EQ(iop->fetch.pa, 0x5008u);
        EXPECT_EQ(iop->fetch.vsid, 0x123u);
        EXPECT_EQ(iop->fetch.wimg, AXD_WIMG_I | AXD_WIMG_M | AXD_WIMG_G); // W unsupported
        EXPECT_EQ(iop->fetch.erat_class, 0x42u);
        EXPECT_EQ(iop->fetch.page_shift, 16);
        EXPECT_EQ(iop->fetch.llp, 5);
    }
    t->MSR.value = SF | IR;
    EXPECT_EQ(Is_Inst_Relocated(last), 1);
    // Once ramped up, a record without a saved translation is marked untranslated (silently).
    IOPDesc *missing = record(add(3, 4, 5), true);
    IOP_set_addr_axd(missing, &first);
    EXPECT_EQ(missing->fetch.pa, 1u);
    EXPECT_EQ(Is_Inst_Relocated(missing), 0);
    Quarn_Lumo_Plugin_Stop();
    EXPECT_EQ(jqAXDPool, nullptr);
}

} // namespace

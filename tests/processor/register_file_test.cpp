// Register files and descriptions: definition, lookup by name, redefinition, generic accessors,
// power levels and state loss, alternative SPR handlers, partitions, listing, trigger lists.
#include <gtest/gtest.h>

#include "processor/spr/spr_table.h"
#include "register_fixture.h"
#include "runtime/device_manager.h"
#include "runtime/message.h"
#include "support/sink_capture.h"

namespace
{

TEST(RegisterFile, DefinitionLinksSlotEntryAndDescription)
{
    TestCore fixture(2);
    fixture.set("processor/mask/DAR", "0xFF");
    fixture.set("processor/initial/DAR", "0x100");
    fixture.set("processor/mask/SRR0", "12z");
    fixture.set("processor/initial/SRR0", "bad");
    fixture.build();
    ThreadState *t = fixture.thread(1);

    Register_File_Entry *dar = t->DAR.rfe;
    ASSERT_NE(dar, nullptr);
    EXPECT_EQ(dar, Search_Register_File(t->register_file, "DAR"));
    EXPECT_EQ(dar->index, (int32_t)(dar - t->register_file->entries));
    EXPECT_EQ(dar->scope, REG_SCOPE_THREAD);
    EXPECT_EQ(dar->access_kind, (int32_t)REG_ACCESS_DEFINED);
    EXPECT_EQ(dar->slot, &t->DAR);
    EXPECT_EQ(dar->owner, t);
    EXPECT_EQ(dar->desc->offset, (int32_t)((char *)&t->DAR - (char *)t));
    EXPECT_EQ(dar->desc->mask, 0xFFu);
    EXPECT_EQ(dar->desc->initial, 0x100u); // kept unmasked
    EXPECT_EQ(t->SRR0.rfe->desc->mask, ~0ull);
    EXPECT_EQ(t->SRR0.rfe->desc->initial, 0u);

    // Both threads share the description; the core's entries belong to the core with thread 0.
    EXPECT_EQ(fixture.thread(0)->DAR.rfe->desc, dar->desc);
    Register_File_Entry *hid0 = fixture.core->HID0.rfe;
    EXPECT_EQ(hid0->scope, REG_SCOPE_CORE);
    EXPECT_EQ(hid0->owner, fixture.thread(0));
    EXPECT_EQ(hid0->desc->offset, (int32_t)((char *)&fixture.core->HID0 - (char *)fixture.core));
    EXPECT_EQ(t->register_file->count, NUM_GPRS + NUM_VSRS + 93);
    EXPECT_EQ(fixture.core->register_file->count, 87);
}

TEST(RegisterFile, LookupByName)
{
    TestCore fixture(1, 1);
    fixture.build();
    ThreadState *t = fixture.thread();
    // A name in the thread's file and in its core's resolves to the thread's.
    Reg64 own{}, shared{};
    Define_Register(nullptr, nullptr, t, "SAMENAME", REG_TYPE_REG64, 0, 8, &own, Read_Register_Reg64,
                    Write_Register_Reg64, nullptr, nullptr);
    Define_Register(nullptr, fixture.core, t, "SAMENAME", REG_TYPE_REG64, 0, 8, &shared, Read_Register_Reg64,
                    Write_Register_Reg64, nullptr, nullptr);
    EXPECT_EQ(Find_Register_By_Name(t, "samename"), own.rfe);
    EXPECT_EQ(Find_Register_By_Name(t, "msr"), t->MSR.rfe);
    EXPECT_EQ(Find_Register_By_Name(t, "hid0"), fixture.core->HID0.rfe);

    // The partition core's entry counts only with its partition flag.
    t->shared_processor = fixture.view(1);
    EXPECT_EQ(Find_Register_By_Name(t, "SDR1"), fixture.core->SDR1.rfe);
    LPAR_CORRECT_RTI(fixture.view(1), t);
    Register_File_Entry *view_sdr1 = fixture.view(1)->SDR1.rfe;
    EXPECT_EQ(Find_Register_By_Name(t, "SDR1"), view_sdr1);
    EXPECT_EQ(view_sdr1->scope, REG_SCOPE_PARTITION);
    EXPECT_EQ(view_sdr1->owner, t);
    EXPECT_EQ(Find_Register_By_Name(t, "HID0"), fixture.core->HID0.rfe); // not a partition register

    Register_File *machine_file = Init_Register_File();
    machine_register_standin.register_file = machine_file;
    EXPECT_EQ(Find_Register_By_Name(t, "nowhere"), nullptr);
    EXPECT_EQ(Find_Register_By_Name(t, ""), nullptr);
    EXPECT_EQ(Find_Register_By_Name(nullptr, "MSR"), nullptr);
    Quit_Register_File(machine_file);
    UnDefine_Registers(nullptr);
}

TEST(RegisterFile, MachineScopeRegisters)
{
    TestCore fixture(1);
    fixture.set("processor/mask/MREG", "0xF");
    fixture.build();
    GenericMachine *machine = &fixture.test_machine.machine;
    machine->device_manager = DeviceMgr__New("registers");
    int32_t thread_class = DeviceMgr__GetDeviceMajorNum(machine->device_manager, "Thread");
    DeviceMgr__AddDevice(machine->device_manager, fixture.thread(), thread_class, 0, nullptr);
    Register_File *file = Init_Register_File();
    reg_desc_table descriptions{};
    machine_register_standin.register_file = file;
    machine_register_standin.descriptions = &descriptions;

    Reg64 slot{};
    Register_File_Entry *entry =
        Define_Register(machine, nullptr, nullptr, "MREG", REG_TYPE_REG64, 0, 8, &slot, Read_Register_Reg64,
                        Write_Register_Reg64, nullptr, nullptr);
    EXPECT_EQ(entry, &file->entries[0]);
    EXPECT_EQ(entry->scope, REG_SCOPE_MACHINE);
    EXPECT_EQ(entry->owner, fixture.thread());
    EXPECT_EQ(entry->desc, descriptions.head);
    EXPECT_EQ(entry->desc->mask, 0xFu);
    EXPECT_EQ(slot.rfe, entry);
    EXPECT_EQ(Find_Register_By_Name(fixture.thread(), "mreg"), entry); // found last, in the machine's file

    UnDefine_Registers(file);
    Quit_Register_File(file);
    QUIT_rdt(&descriptions);
    DeviceMgr__Quit(machine->device_manager);
    machine->device_manager = nullptr;
}

TEST(RegisterFile, RedefinitionKeepsOrReplacesGeometry)
{
    reg_desc_table table{};
    reg_desc_table_entry *first =
        Register_Table_Entry(&table, "XYZ", REG_TYPE_REG64, 8, 0, REG_SCOPE_THREAD, 40);
    first->mask = 0xF0;
    first->initial = 0x10;
    EXPECT_EQ(first->special, 0);
    EXPECT_EQ(Register_Table_Entry(&table, "xyz", REG_TYPE_REG64, 8, 0, REG_SCOPE_CORE, 80), first);
    EXPECT_EQ(first->scope, REG_SCOPE_THREAD);
    EXPECT_EQ(first->offset, 40);

    EXPECT_EQ(Register_Table_Entry(&table, "XYZ", REG_TYPE_REG32, 4, 3, REG_SCOPE_CORE, 80), first);
    EXPECT_EQ(first->reg_type, REG_TYPE_REG32);
    EXPECT_EQ(first->size, 4);
    EXPECT_EQ(first->index, 3);
    EXPECT_EQ(first->scope, REG_SCOPE_THREAD);
    EXPECT_EQ(first->offset, 40);
    EXPECT_EQ(first->mask, 0xF0u);
    EXPECT_EQ(first->initial, 0x10u);

    reg_desc_table_entry *other =
        Register_Table_Entry(&table, "SPR_ONLY", REG_TYPE_REG64, 8, 900, REG_SCOPE_OTHER, 0);
    EXPECT_EQ(other->special, 1);
    EXPECT_EQ(table.head, other);
    EXPECT_EQ(make_register_special(&table, "xyz"), first);
    EXPECT_EQ(first->special, 1);
    EXPECT_EQ(make_register_special(&table, "none"), nullptr);
    QUIT_rdt(&table);
    EXPECT_EQ(table.head, nullptr);
}

TEST(RegisterFileDeathTest, MoreRegistersThanSpace)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    auto fill = [] {
        Quarn_Output_File = stderr; // where the death test looks for the message
        ProcessorState *core = QUARN_ZALLOC(1, ProcessorState);
        core->register_file = Init_Register_File();
        static Reg64 slots[REGISTER_FILE_CAPACITY];
        for (int i = 0; i < REGISTER_FILE_CAPACITY; i++)
            Define_Register(nullptr, core, nullptr, "R", REG_TYPE_REG64, 0, 8, &slots[i], Read_Register_Reg64,
                            Write_Register_Reg64, nullptr, nullptr);
    };
    EXPECT_DEATH(fill(), "More registers than space: 2047 < 2047");
}

TEST(RegisterFile, GenericAccessors)
{
    TestCore fixture(3);
    fixture.set("processor/mask/SRR1", "0xFFFF");
    fixture.set("processor/mask/DSISR", "0xFF");
    fixture.set("processor/mask/FPSCR", "0xFFFFFFFF");
    fixture.build();
    ThreadState *t = fixture.thread(2);

    Register_File_Entry *tir = Find_Register_By_Name(t, "TIR");
    uint64_t value = 0;
    EXPECT_EQ(tir->desc->generic_read(tir, &value), 2);
    EXPECT_EQ(value, 2u); // through the cooked get
    EXPECT_EQ(tir->access_kind, (int32_t)REG_ACCESS_FILE);

    Register_File_Entry *srr1 = Find_Register_By_Name(t, "SRR1");
    value = 0x123456;
    srr1->desc->generic_write(srr1, &value, nullptr);
    EXPECT_EQ(t->SRR1.value, 0x3456u);
    EXPECT_EQ(t->SRR1.written, 1);

    Register_File_Entry *dsisr = Find_Register_By_Name(t, "DSISR");
    uint32_t word = 0x1234;
    dsisr->desc->generic_write(dsisr, &word, nullptr);
    EXPECT_EQ(t->DSISR.value, 0x34u);

    Register_File_Entry *gpr = Find_Register_By_Name(t, "gpr7");
    value = ~0ull;
    gpr->desc->generic_write(gpr, &value, nullptr);
    EXPECT_EQ(t->GPR[7].value, ~0ull);
    EXPECT_EQ(t->GPR[7].written, 0);

    Register_File_Entry *fpscr = Find_Register_By_Name(t, "FPSCR");
    Write_Register_FPSCR(fpscr, &value, nullptr);
    EXPECT_EQ(t->FPSCR.value, 0xFFFFFFFFu);

    uint64_t low = 1, high = 1;
    EXPECT_EQ(Read_Register_into_RegValue(dsisr, &low, &high), 2);
    EXPECT_EQ(low, 0x34u);
    EXPECT_EQ(high, 0u);
    EXPECT_EQ(Read_Register_into_RegValue(Find_Register_By_Name(t, "VSR1"), &low, &high), 0);

    // SLB entry words.
    SLB slb{};
    slb.thread = t;
    Register_File *file = t->register_file;
    Register_File_Entry *slbe = Define_Register(nullptr, nullptr, t, "SLBE0", REG_TYPE_REG64, 0, 8, &slb.SLBE,
                                                Read_Register_SLBE, Write_Register_SLBE, nullptr, nullptr);
    value = 0xC000000018000123ull;
    slbe->desc->generic_write(slbe, &value, nullptr);
    EXPECT_EQ(slb.esid_base, 0xC000000010000000ull);
    EXPECT_EQ(slb.valid, 1);
    EXPECT_EQ(slb.SLBE.value, 0xC000000018000000ull);
    EXPECT_EQ(file->entries[file->count - 1].slot, &slb.SLBE);
}

TEST(RegisterFile, PowerLevelsAndStateLoss)
{
    TestCore fixture(2);
    fixture.set("processor/initial/SPRG0", "0x55");
    fixture.set("processor/initial/PIR", "0x7");
    fixture.set("processor/initial/HID4", "0x44");
    fixture.set("processor/initial/CR", "0x22");
    fixture.build();
    reg_desc_table *table = &fixture.core->register_descriptions;

    EXPECT_EQ(Get_Register_Required_Power_Level(table, "no such"), POWER_ACTIVE);
    Set_Register_Required_Power_Level(table, "no such", POWER_NAP); // nothing to set
    EXPECT_EQ(LIBSIM__Get_Register_Power_Level(fixture.thread(1), "sprg0"), POWER_OFF);
    LIBSIM__Set_Register_Power_Level(fixture.thread(1), "SPRG0", POWER_SLEEP);
    EXPECT_EQ(Get_Register_Required_Power_Level(table, "SPRG0"), POWER_SLEEP);

    auto scramble = [&] {
        for (int i = 0; i < 2; i++) {
            ThreadState *t = fixture.thread(i);
            t->SPRG0.value = 1;
            t->PIR.value = 1;
            t->CR.value = 1;
            t->GPR[3].value = 1;
            t->VSR[2].value[0] = t->VSR[2].value[1] = 1;
        }
        fixture.core->HID4.value = 1;
    };
    scramble();
    Lower_Processor_Power_Level(fixture.core, POWER_ACTIVE);
    EXPECT_EQ(fixture.thread(0)->SPRG0.value, 1u);
    EXPECT_EQ(fixture.core->HID4.value, 1u);

    Lower_Processor_Power_Level(fixture.core, POWER_SLEEP); // only SPRG0 requires that level
    EXPECT_EQ(fixture.thread(1)->SPRG0.value, 0x55u);
    EXPECT_EQ(fixture.thread(1)->PIR.value, 1u);
    EXPECT_EQ(fixture.core->HID4.value, 1u);

    scramble();
    Lower_Processor_Power_Level(fixture.core, POWER_OFF);
    for (int i = 0; i < 2; i++) {
        ThreadState *t = fixture.thread(i);
        EXPECT_EQ(t->SPRG0.value, 0x55u);
        EXPECT_EQ(t->PIR.value, 0x7u);
        EXPECT_EQ(t->CR.value, 0x22u);
        EXPECT_EQ(t->GPR[3].value, 0u);
        EXPECT_EQ(t->VSR[2].value[0] | t->VSR[2].value[1], 0u);
    }
    EXPECT_EQ(fixture.core->HID4.value, 0x44u);

    // Kinds other than 0, 1 and 2 keep their values.
    Reg64 kept{};
    Register_File_Entry *entry =
        Define_Register(nullptr, fixture.core, nullptr, "KEPT", REG_TYPE_FPSCR, 0, 8, &kept,
                        Read_Register_Reg64, Write_Register_Reg64, nullptr, nullptr);
    kept.value = 9;
    reset_register_to_initial_value(entry);
    EXPECT_EQ(kept.value, 9u);
}

uint64_t alternative_read(void *data, ThreadState *, int32_t index, uint32_t kind)
{
    return (uint64_t)(uintptr_t)data + (uint64_t)index * 10 + kind;
}

TEST(RegisterFile, AlternativeSprHandlerOnAnUndefinedSpr)
{
    TestCore fixture(1);
    fixture.build();
    ProcessorState *core = fixture.core;
    core->spr_table = QUARN_ZALLOC(SPR_TABLE_SIZE, spr_table_entry);
    core->spr_count = SPR_TABLE_SIZE;
    {
        SinkCapture capture;
        EXPECT_EQ(Register_Alternative_Read_SPR(core, 500, alternative_read, (void *)1000), 1);
        EXPECT_NE(capture.text().find(
                      "INFO: Register_Alternative_Read_SPR (500): rdte->alternative_read_spr = <0x"),
                  std::string::npos);
    }
    reg_desc_table_entry *desc = SPR_Get_ValidRtde(core, 500);
    ASSERT_NE(desc, nullptr);
    EXPECT_STREQ(desc->name, "bogus_spr_500");
    EXPECT_EQ(desc->size, 8);
    EXPECT_EQ(core->spr_table[500].read_level, SPR_LEVEL_ANY);
    EXPECT_EQ(call_alternative_read_spr(desc, fixture.thread(), 7), 1000u + 5000u + 7u);
    EXPECT_EQ(Register_Alternative_Read_SPR(core, 5000, alternative_read, nullptr), 0); // outside the table
    QUARN_FREE(core->spr_table);
}

TEST(RegisterFile, BackToOnePartition)
{
    TestCore fixture(2, 1);
    fixture.build();
    fixture.split(1, 1);
    fixture.thread(1)->thread_id_in_partition = 0;
    fixture.core->partition_count = 2;
    fixture.core->HID0.value = 0x1000;
    Switch_LPAR_Mode_Multi_To_1(fixture.core);
    EXPECT_EQ(fixture.thread(1)->shared_processor, fixture.core);
    EXPECT_EQ(fixture.thread(1)->thread_id_in_partition, 1);
    EXPECT_EQ(fixture.core->partition_count, 1);
    EXPECT_EQ(fixture.core->HID0.value, 0u);
    EXPECT_EQ(fixture.core->HID0.written, 1);
}

TEST(RegisterFile, PrintRegisterTable)
{
    reg_desc_table table{};
    Register_Table_Entry(&table, "PIR", REG_TYPE_REG32, 4, 0, REG_SCOPE_THREAD, 1024);
    Register_Table_Entry(&table, "bogus", 99, 8, 0, 7, 0);
    SinkCapture capture;
    Print_Register_Table(&table);
    EXPECT_EQ(capture.text(), "     bogus \tsize    8 type unknown offset 0 in unknown\n"
                              "       PIR \tsize    4 type Reg32 offset 1024 in T\n");
    QUIT_rdt(&table);
    EXPECT_STREQ(Register_Scope_Name(REG_SCOPE_PARTITION), "PS_LPAR");
    EXPECT_STREQ(Register_Type_Name(REG_TYPE_PERF_COUNTER), "PerfCounter_t");
}

TEST(RegisterFile, TriggerListTeardown)
{
    Reg_Trigger_Desc *desc = nullptr;
    Attach_Write_Trigger(&desc, "LR", "a", ~0ull);
    Attach_Write_Trigger(&desc, "LR", "b", ~0ull);
    Attach_Write_Trigger(&desc, "LR", "c", ~0ull);
    Reg_Trigger_Node *middle = desc->write.head->next;
    Reg_Trigger_List_Remove(&desc->write, &desc->enabled_write, middle);
    EXPECT_EQ(middle->data, nullptr); // the slot stays, unassigned
    EXPECT_EQ(desc->write.count, 3);
    EXPECT_EQ(desc->enabled_write.count, 2);
    EXPECT_STREQ(((Reg_Trigger_Write *)desc->enabled_write.head->data)->procedure, "a");
    EXPECT_STREQ(((Reg_Trigger_Write *)desc->enabled_write.tail->data)->procedure, "c");
    EXPECT_EQ(desc->enabled_write.head->next, desc->enabled_write.tail);
    EXPECT_EQ(desc->enabled_write.tail->prev, desc->enabled_write.head);

    Reg_Trigger_List_Clear(&desc->enabled_write);
    EXPECT_EQ(desc->enabled_write.head, nullptr);
    EXPECT_EQ(desc->enabled_write.count, 0);
    EXPECT_EQ(desc->write.count, 3);
    Reg_Trigger_List_Free(&desc->write, &desc->enabled_write);
    EXPECT_EQ(desc->write.head, nullptr);
    EXPECT_EQ(desc->write.tail, nullptr);
    EXPECT_EQ(desc->write.count, 0);
    QUARN_FREE(desc);
}

} // namespace

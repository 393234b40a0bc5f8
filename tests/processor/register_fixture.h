// A core with its threads on a hand-made machine, put together for the register tests: every
// named register of the register lists is defined (GPRs and VSRs too) with the generic and cooked
// accessors; masks and initial values come from the machine's property list. Optional partition
// views share the core's threads. Helpers attach register triggers as the trigger commands would.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <deque>

#include "processor/records/instruction_record.h"
#include "processor/records/machine_access.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "processor/regs/handwritten_accessors.h"
#include "processor/regs/reg_accessors.h"
#include "processor/regs/reg_triggers.h"
#include "processor/regs/register_file.h"
#include "runtime/alloc.h"
#include "runtime/property_list.h"
#include "support/test_machine.h"

class TestCore
{
  public:
    explicit TestCore(int thread_count = 2, int views = 0)
    {
        machine_register_standin = MachineRegisterStandin{};
        thread_total = thread_count;
        view_total = views;
    }

    // Defines the registers; call after setting masks and initial values.
    void build()
    {
        core = new_core("0:0");
        core->machine = &test_machine.machine;
        threads = QUARN_ZALLOC(thread_total, ThreadState);
        core->num_threads = (uint32_t)thread_total;
        core->threads = threads;
        core->partition_count = 1;
        core->partition_views[0] = core;
        core->real_mode_mask = ~0ull; // every real address reaches memory
        for (int i = 0; i < thread_total; i++) {
            ThreadState *t = &threads[i];
            names.push_back("0:0:" + std::to_string(i));
            t->name = const_cast<char *>(names.back().c_str());
            t->processor = core;
            t->machine = &test_machine.machine;
            t->shared_processor = core;
            t->thread_id_in_core = i;
            t->thread_id_in_partition = i;
            t->register_file = Init_Register_File();
            t->decrementer = &decrementers[i % 8];
            define_thread_registers(t);
        }
        define_core_registers(core);
        for (int v = 1; v <= view_total; v++) {
            ProcessorState *view = new_core("view");
            view->machine = &test_machine.machine;
            view->num_threads = core->num_threads;
            view->threads = threads;
            view->partition_views[0] = core;
            core->partition_views[v] = view;
            define_core_registers(view);
        }
    }

    ~TestCore()
    {
        if (core) {
            for (int i = 0; i < thread_total; i++)
                release_triggers(&threads[i]);
            for (int i = 0; i < thread_total; i++) {
                UnDefine_Registers(threads[i].register_file);
                Quit_Register_File(threads[i].register_file);
            }
            for (int v = view_total; v >= 0; v--) {
                ProcessorState *p = core->partition_views[v];
                release_core_triggers(p);
                UnDefine_Registers(p->register_file);
                Quit_Register_File(p->register_file);
                QUIT_rdt(&p->register_descriptions);
                if (p != core) QUARN_FREE(p);
            }
            QUARN_FREE(threads);
            QUARN_FREE(core);
        }
        machine_register_standin = MachineRegisterStandin{};
    }
    TestCore(const TestCore &) = delete;
    TestCore &operator=(const TestCore &) = delete;

    void set(const char *key, const char *value) { test_machine.set(key, value); }
    ThreadState *thread(int i = 0) { return &threads[i]; }
    ProcessorState *view(int v) { return core->partition_views[v]; }
    reg_desc_table_entry *desc(const char *name)
    {
        return Find_Register_Table_Entry_By_Name(&core->register_descriptions, name);
    }
    // Moves thread i onto a partition view, as a split of the core does.
    void split(int i, int v)
    {
        threads[i].shared_processor = view(v);
        LPAR_CORRECT_RTI(view(v), &threads[i]);
    }
    // A blank instruction record of thread i.
    IOPDesc *iop(int i = 0)
    {
        records.emplace_back();
        IOPDesc *record = &records.back();
        memset(record, 0, sizeof *record);
        record->thread = &threads[i];
        record->length = 4;
        return record;
    }

    TestMachine test_machine;
    ProcessorState *core = nullptr;
    ThreadState *threads = nullptr;

  private:
    ProcessorState *new_core(const char *name)
    {
        ProcessorState *p = QUARN_ZALLOC(1, ProcessorState);
        p->name = const_cast<char *>(name);
        p->register_file = Init_Register_File();
        return p;
    }

    static void define_thread_registers(ThreadState *t)
    {
        for (int n = 0; n < NUM_GPRS; n++) {
            std::string name = "GPR" + std::to_string(n);
            Define_Register(nullptr, nullptr, t, name.c_str(), REG_TYPE_REG64, n, 8, &t->GPR[n],
                            Read_Register_GPR, Write_Register_GPR, nullptr, nullptr);
        }
        for (int n = 0; n < NUM_VSRS; n++) {
            std::string name = "VSR" + std::to_string(n);
            Define_Register(nullptr, nullptr, t, name.c_str(), REG_TYPE_REG128, n, 16, &t->VSR[n],
                            Read_Register_VSR, Write_Register_VSR, nullptr, nullptr);
        }
#define TEST_DEFINE_THREAD_REG(member, file_name, width, owner, family)                                      \
    Define_Register(nullptr, nullptr, t, file_name, width == 32 ? REG_TYPE_REG32 : REG_TYPE_REG64, 0,        \
                    width / 8, &t->member, Read_Register_Reg##width, Write_Register_Reg##width,              \
                    (RegCookedFn)tCOOKED_GET_##member, (RegCookedFn)tCOOKED_SET_##member);
        QUARN_THREAD_REGISTERS(TEST_DEFINE_THREAD_REG)
#undef TEST_DEFINE_THREAD_REG
    }

    static void define_core_registers(ProcessorState *p)
    {
        ThreadState *owner = &p->threads[0];
        Define_Register(nullptr, p, owner, "CTRL", REG_TYPE_REG32, 0, 4, &p->CTRL, Read_Register_CTRL,
                        nullptr, nullptr, nullptr);
#define TEST_DEFINE_CORE_REG(member, file_name, width, owner_kind, family)                                   \
    Define_Register(nullptr, p, owner, file_name, width == 32 ? REG_TYPE_REG32 : REG_TYPE_REG64, 0,          \
                    width / 8, &p->member, Read_Register_Reg##width, Write_Register_Reg##width,              \
                    (RegCookedFn)tCOOKED_GET_##member, (RegCookedFn)tCOOKED_SET_##member);
        QUARN_CORE_REGISTERS(TEST_DEFINE_CORE_REG)
#undef TEST_DEFINE_CORE_REG
    }

    static void release(Reg_Trigger_Desc **slot)
    {
        if (!*slot) return;
        Reg_Trigger_List_Free(&(*slot)->read, &(*slot)->enabled_read);
        Reg_Trigger_List_Free(&(*slot)->write, &(*slot)->enabled_write);
        QUARN_FREE(*slot);
        *slot = nullptr;
    }
    static void release_triggers(ThreadState *t)
    {
        for (Reg64 &g : t->GPR)
            release(&g.trigger);
#define TEST_RELEASE(member, file_name, width, owner, family) release(&t->member.trigger);
        QUARN_THREAD_REGISTERS(TEST_RELEASE)
#undef TEST_RELEASE
    }
    static void release_core_triggers(ProcessorState *p)
    {
#define TEST_RELEASE(member, file_name, width, owner, family) release(&p->member.trigger);
        QUARN_CORE_REGISTERS(TEST_RELEASE)
#undef TEST_RELEASE
    }

    int thread_total;
    int view_total;
    std::deque<std::string> names; // deque: elements never move
    std::deque<IOPDesc> records;
    DECREMENTER decrementers[8] = {};
};

// Attaches an enabled read trigger with the procedure to a register's trigger slot.
inline void Attach_Read_Trigger(Reg_Trigger_Desc **slot, const char *name, const char *procedure)
{
    if (!*slot) {
        *slot = QUARN_ZALLOC(1, Reg_Trigger_Desc);
        snprintf((*slot)->name, sizeof(*slot)->name, "%s", name);
    }
    Reg_Trigger_Read *read = QUARN_ZALLOC(1, Reg_Trigger_Read);
    snprintf(read->procedure, sizeof read->procedure, "%s", procedure);
    for (Reg_Trigger_List *list : {&(*slot)->read, &(*slot)->enabled_read}) {
        Reg_Trigger_Node *node = QUARN_ZALLOC(1, Reg_Trigger_Node);
        node->data = read;
        node->prev = list->tail;
        if (list->tail)
            list->tail->next = node;
        else
            list->head = node;
        list->tail = node;
        list->count++;
    }
}

// Attaches an enabled write trigger: change mask all ones is WRITE, another CHANGE; a match mask
// makes it MATCH.
inline void Attach_Write_Trigger(Reg_Trigger_Desc **slot, const char *name, const char *procedure,
                                 uint64_t change_mask, uint64_t match_mask = 0, uint64_t match_value = 0)
{
    if (!*slot) {
        *slot = QUARN_ZALLOC(1, Reg_Trigger_Desc);
        snprintf((*slot)->name, sizeof(*slot)->name, "%s", name);
    }
    Reg_Trigger_Write *write = QUARN_ZALLOC(1, Reg_Trigger_Write);
    write->change_mask = change_mask;
    write->match_mask = match_mask;
    write->match_value = match_value;
    snprintf(write->procedure, sizeof write->procedure, "%s", procedure);
    for (Reg_Trigger_List *list : {&(*slot)->write, &(*slot)->enabled_write}) {
        Reg_Trigger_Node *node = QUARN_ZALLOC(1, Reg_Trigger_Node);
        node->data = write;
        node->prev = list->tail;
        if (list->tail)
            list->tail->next = node;
        else
            list->head = node;
        list->tail = node;
        list->count++;
    }
}

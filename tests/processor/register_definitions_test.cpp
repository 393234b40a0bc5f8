// Register definitions of threads and processors: counts, shared descriptions, masks and initial
// values from the configuration, the CTRL pair, the special marks and the file's capacity.
#include <gtest/gtest.h>

#include <string>

#include "processor/records/generic_machine.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "processor/regs/handwritten_accessors.h"
#include "processor/regs/reg_accessors.h"
#include "processor/regs/register_file.h"
#include "runtime/alloc.h"
#include "runtime/common.h"
#include "runtime/message.h"
#include "support/built_machine.h"

namespace
{

ProcessorState *core_of(BuiltMachine &m)
{
    return m.machine ? GenericMachine__Processor(m.machine, 0) : nullptr;
}

TEST(RegisterDefinitions, ThreadsShareEveryDescriptionOfTheirProcessor)
{
    BuiltMachine m("shared", [](BuiltMachine &b) {
        b.set("processor/mask/LR", "0xFFFF");
        b.set("processor/mask/DAR", "12z");
        b.set("processor/initial/DAR", "zz");
        b.set("processor/initial/SPRG1", "0x100");
        b.set("processor/mask/SPRG1", "0xFF");
    });
    ProcessorState *core = core_of(m);
    ASSERT_NE(core, nullptr);
    Register_File *first = core->threads[0].register_file;
    EXPECT_EQ(first->count, 285); // 32 GPRs, 64 VSRs, 32 BHRBEs, 32 SLB pairs, 93 named
    for (uint32_t i = 1; i < core->num_threads; i++) {
        Register_File *file = core->threads[i].register_file;
        ASSERT_EQ(file->count, first->count);
        for (int32_t e = 0; e < file->count; e++) {
            ASSERT_EQ(file->entries[e].desc, first->entries[e].desc) << i << " " << e;
            EXPECT_EQ(file->entries[e].owner, &core->threads[i]);
            EXPECT_EQ(file->entries[e].scope, REG_SCOPE_THREAD);
            EXPECT_EQ(file->entries[e].access_kind, REG_ACCESS_DEFINED);
        }
        EXPECT_EQ(core->threads[i].LR.rfe->desc->mask, 0xFFFFu);
    }
    // A malformed mask leaves all ones, a malformed initial value 0; an initial value beyond the
    // mask stays whole in the description.
    EXPECT_EQ(core->threads[0].DAR.rfe->desc->mask, ~0ull);
    EXPECT_EQ(core->threads[0].DAR.rfe->desc->initial, 0u);
    EXPECT_EQ(core->threads[0].SPRG1.rfe->desc->initial, 0x100u);
    EXPECT_EQ(core->threads[0].SPRG1.value, 0u); // the reset stores 0x100 AND 0xFF

    // Order of the file: GPRs, VSRs, branch history, SLB pairs, then the named registers.
    EXPECT_STREQ(first->entries[0].desc->name, "GPR0");
    EXPECT_STREQ(first->entries[32].desc->name, "VSR0");
    EXPECT_EQ(first->entries[32].desc->size, 16);
    EXPECT_STREQ(first->entries[96].desc->name, "BHRBE0");
    EXPECT_STREQ(first->entries[128].desc->name, "SLBE0");
    EXPECT_STREQ(first->entries[129].desc->name, "SLBV0");
    EXPECT_EQ(first->entries[129].desc->index, 0);
    EXPECT_STREQ(first->entries[191].desc->name, "SLBV31");
    EXPECT_STREQ(first->entries[192].desc->name, "LR");
    EXPECT_STREQ(first->entries[284].desc->name, "PC");
    EXPECT_EQ(core->threads[0].GPR[7].rfe, &first->entries[7]);
    EXPECT_EQ(core->threads[0].GPR[32].rfe, nullptr); // the scratch slots are not registers
    EXPECT_EQ(core->register_file->count, 87);
}

TEST(RegisterDefinitions, AccessorsMarksAndTheSharedCtrl)
{
    BuiltMachine m("accessors");
    ProcessorState *core = core_of(m);
    ASSERT_NE(core, nullptr);
    ThreadState *t = &core->threads[1];

    // The thread's and the processor's CTRL: one description, the processor's raw accessors.
    reg_desc_table_entry *ctrl = t->CTRL.rfe->desc;
    EXPECT_EQ(ctrl, core->CTRL.rfe->desc);
    EXPECT_EQ(ctrl->generic_read, Read_Register_CTRL);
    EXPECT_EQ(ctrl->generic_write, Write_Register_CTRL);
    EXPECT_EQ(ctrl->cooked_get, nullptr);
    EXPECT_EQ(ctrl->cooked_set, nullptr);
    EXPECT_EQ(core->CTRL.rfe->scope, REG_SCOPE_CORE);
    EXPECT_EQ(core->CTRL.rfe->owner, &core->threads[0]);

    const struct {
        reg_desc_table_entry *desc;
        RegGenericRead read;
        RegCookedFn cooked_get;
        int special;
        int size;
    } rows[] = {
        {t->GPR[3].rfe->desc, Read_Register_GPR, nullptr, 0, 8},
        {t->VSR[9].rfe->desc, Read_Register_VSR, nullptr, 0, 16},
        {t->slb[4].SLBE.rfe->desc, Read_Register_SLBE, nullptr, 0, 8},
        {t->slb[4].SLBV.rfe->desc, Read_Register_SLBV, nullptr, 0, 8},
        {t->LR.rfe->desc, Read_Register_Reg64, (RegCookedFn)tCOOKED_GET_LR, 0, 8},
        {t->PIR.rfe->desc, Read_Register_Reg32, (RegCookedFn)tCOOKED_GET_PIR, 0, 4},
        {t->PPR32.rfe->desc, Read_Register_Reg64, (RegCookedFn)tCOOKED_GET_PPR32, 0, 8},
        {t->TSRL.rfe->desc, Read_Register_Reg64, (RegCookedFn)tCOOKED_GET_TSRL, 0, 8},
        {t->FPSCR.rfe->desc, Read_Register_FPSCR, (RegCookedFn)tCOOKED_GET_FPSCR, 1, 8},
        {t->MSR.rfe->desc, Read_Register_Reg64, (RegCookedFn)tCOOKED_GET_MSR, 1, 8},
        {t->PC.rfe->desc, Read_Register_Reg64, (RegCookedFn)tCOOKED_GET_PC, 1, 8},
        {t->DEC.rfe->desc, Read_Register_Reg32, (RegCookedFn)tCOOKED_GET_DEC, 1, 4},
        {t->TRIG2.rfe->desc, Read_Register_Reg64, (RegCookedFn)tCOOKED_GET_TRIG2, 1, 8},
        {t->PID.rfe->desc, Read_Register_Reg64, (RegCookedFn)tCOOKED_GET_PID, 1, 8},
        {core->PVR.rfe->desc, Read_Register_Reg32, (RegCookedFn)tCOOKED_GET_PVR, 0, 4},
        {core->TST.rfe->desc, Read_Register_Reg64, (RegCookedFn)tCOOKED_GET_TST, 0, 8},
        {core->L2QOSR.rfe->desc, Read_Register_Reg64, (RegCookedFn)tCOOKED_GET_L2QOSR, 0, 8},
    };
    for (const auto &row : rows) {
        ASSERT_NE(row.desc, nullptr);
        SCOPED_TRACE(row.desc->name);
        EXPECT_EQ(row.desc->generic_read, row.read);
        EXPECT_EQ(row.desc->cooked_get, row.cooked_get);
        EXPECT_EQ(row.desc->special, row.special);
        EXPECT_EQ(row.desc->size, row.size);
    }
    EXPECT_STREQ(core->TST.rfe->desc->name, "TTR");
    EXPECT_EQ(core->HID0.rfe->scope, REG_SCOPE_CORE);
    EXPECT_EQ(t->LR.rfe->scope, REG_SCOPE_THREAD);

    // The register-file write of CTRL goes through the thread's CTRL write and keeps the core's copy.
    uint32_t value = 0x00800000;
    core->CTRL.rfe->desc->generic_write(core->CTRL.rfe, &value, nullptr);
    EXPECT_EQ(core->CTRL.value, value & (uint32_t)core->CTRL.rfe->desc->mask);
}

// An owner made for the capacity test: a thread with its own processor, no machine.
struct SyntheticOwner {
    ProcessorState core{};
    ThreadState thread{};
    Reg64 slot{};
    SyntheticOwner()
    {
        thread.processor = &core;
        thread.register_file = Init_Register_File();
    }
    ~SyntheticOwner()
    {
        Quit_Register_File(thread.register_file);
        QUIT_rdt(&core.register_descriptions);
    }
    void define(int n)
    {
        std::string name = "R" + std::to_string(n);
        Define_Register(nullptr, nullptr, &thread, name.c_str(), REG_TYPE_REG64, n, 8, &slot,
                        Read_Register_Reg64, Write_Register_Reg64, nullptr, nullptr);
    }
};

TEST(RegisterDefinitionsDeathTest, AnOwnerHoldsAtMost2046Registers)
{
    SyntheticOwner owner;
    for (int n = 0; n < REGISTER_FILE_LIMIT; n++)
        owner.define(n);
    EXPECT_EQ(owner.thread.register_file->count, 2046);
    EXPECT_DEATH(
        {
            Quarn_Output_File = stderr;
            owner.define(REGISTER_FILE_LIMIT);
        },
        "FATAL INTERNAL ERROR: .*More registers than space: 2047 < 2047");
}

} // namespace

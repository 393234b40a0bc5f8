// The embedding interface's breakpoints and watch points on the handle's machine.
#include <gtest/gtest.h>

#include "embed/libsim_triggers.h"
#include "exec/memory_triggers.h"
#include "exec/pc_triggers.h"
#include "exec/run_machine.h"
#include "processor/hooks/embed_hooks.h"

namespace
{
GenericMachine *handle_machine = nullptr;

int32_t count_call(void *data, ThreadState *, uint64_t, int64_t, int32_t, uint64_t)
{
    ++*static_cast<int *>(data);
    return 0;
}
} // namespace

// The handle's machine of this test program.
GenericMachine *LSD_Machine(vLIBSIM_data *)
{
    return handle_machine;
}

namespace
{

TEST(LibsimTriggers, SetAndClearOnTheHandlesMachine)
{
    RunMachine r;
    ASSERT_TRUE(r.ok());
    handle_machine = r.m.machine;
    int calls = 0;
    for (int i = 0; i < 3; i++) LIBSIM__SetCallbackTrigger_RealPC(nullptr, 0x100, count_call, &calls);
    LIBSIM__SetCallbackTrigger_PC(nullptr, 0x200, count_call, &calls);
    EXPECT_EQ(r.m.machine->trigger_table->realpc_count, 3);
    EXPECT_EQ(LIBSIM__ClearCallbackTrigger_RealPC(nullptr, 0x100), nullptr);
    EXPECT_EQ(r.m.machine->trigger_table->realpc_count, 0);

    Memory_Trigger *read = LIBSIM__SetCallbackTrigger_RealRead(nullptr, 0x1000, 0x1FFF, count_call, &calls);
    EXPECT_EQ(LIBSIM__SetCallbackTrigger_RealRead(nullptr, 0x1000, 0x1FFF, count_call, &calls), read);
    EXPECT_EQ(read->count, 2);
    LIBSIM__SetCallbackTrigger_RealWrite(nullptr, 0x1000, 0x1FFF, count_call, &calls);
    EXPECT_EQ(Trigger_Memory__Check_Addr(r.m.machine, r.t, 0x1800, 4, 0, 0, r.t->object_id, 5, 1), 0);
    EXPECT_EQ(calls, 1);
    LIBSIM__ClearCallbackTrigger_RealRead(nullptr, 0x1000, 0x1FFF); // both references
    EXPECT_EQ(r.m.machine->trigger_table->memory_head->read, 0);     // the write trigger stays
    LIBSIM__ClearAllBreakpoints_Real(nullptr);
    EXPECT_EQ(r.m.machine->trigger_table->memory_head, nullptr);
    EXPECT_EQ(r.m.machine->trigger_table->pc_count, 1); // effective ones stay
    LIBSIM__ClearAllBreakpoints_Effective(nullptr);
    EXPECT_EQ(r.m.machine->trigger_table->pc_count, 0);
    handle_machine = nullptr;
}

} // namespace

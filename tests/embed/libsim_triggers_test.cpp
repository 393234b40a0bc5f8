// The embedding interface's breakpoints and watch points on the handle's machine.
#include "libsim_fixture.h"

#include "embed/libsim_triggers.h"
#include "exec/memory_triggers.h"
#include "exec/pc_triggers.h"
#include "processor/records/thread_state.h"

namespace
{

int32_t count_call(void *data, ThreadState *, uint64_t, int64_t, int32_t, uint64_t)
{
    ++*static_cast<int *>(data);
    return 0;
}

TEST_F(LibsimTest, TriggersSetAndClearOnTheHandlesMachine)
{
    GenericMachine *machine = LSD_Machine(handle);
    ThreadState *t = thread0();
    ASSERT_NE(t, nullptr);
    int calls = 0;
    for (int i = 0; i < 3; i++) LIBSIM__SetCallbackTrigger_RealPC(handle, 0x100, count_call, &calls);
    LIBSIM__SetCallbackTrigger_PC(handle, 0x200, count_call, &calls);
    EXPECT_EQ(machine->trigger_table->realpc_count, 3);
    EXPECT_EQ(LIBSIM__ClearCallbackTrigger_RealPC(handle, 0x100), nullptr);
    EXPECT_EQ(machine->trigger_table->realpc_count, 0);

    Memory_Trigger *read = LIBSIM__SetCallbackTrigger_RealRead(handle, 0x1000, 0x1FFF, count_call, &calls);
    EXPECT_EQ(LIBSIM__SetCallbackTrigger_RealRead(handle, 0x1000, 0x1FFF, count_call, &calls), read);
    EXPECT_EQ(read->count, 2);
    LIBSIM__SetCallbackTrigger_RealWrite(handle, 0x1000, 0x1FFF, count_call, &calls);
    EXPECT_EQ(Trigger_Memory__Check_Addr(machine, t, 0x1800, 4, 0, 0, t->object_id, 5, 1), 0);
    EXPECT_EQ(calls, 1);
    LIBSIM__ClearCallbackTrigger_RealRead(handle, 0x1000, 0x1FFF); // both references
    EXPECT_EQ(machine->trigger_table->memory_head->read, 0);     // the write trigger stays
    LIBSIM__ClearAllBreakpoints_Real(handle);
    EXPECT_EQ(machine->trigger_table->memory_head, nullptr);
    EXPECT_EQ(machine->trigger_table->pc_count, 1); // effective ones stay
    LIBSIM__ClearAllBreakpoints_Effective(handle);
    EXPECT_EQ(machine->trigger_table->pc_count, 0);
}

} // namespace

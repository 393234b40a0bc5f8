// The notice the command tools give the cycle-level core after changing a thread's state.
#pragma once

struct ThreadState;

// In CYCLE mode the cycle-level core restarts the thread after its current instruction so that it
// sees the value a tool wrote; in every other mode nothing happens.
void CycleCore_TCL_forced(ThreadState *thread);

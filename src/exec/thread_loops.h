// The per-thread loops of the execution engine: the heartbeat line and the periodic statistics.
#pragma once

struct loop_s;

// Loop callbacks; the argument is the thread (ThreadState).
void Heartbeat_Callback(loop_s *loop, void *thread);
void Periodic_Stats_Callback(loop_s *loop, void *thread);

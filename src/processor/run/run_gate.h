// The run gate of a thread job and the rendezvous of the thread jobs at a simulation-mode switch.
#pragma once

struct GenericMachine;
struct ThreadState;

// 1 when the thread may run a chunk now: no switch pending, not in CYCLE mode, the processor
// running, the thread enabled and its job not held. With may_block 0 it never blocks and answers
// 0 as soon as anything would make it wait; else it waits until everything allows.
int Check_Can_Run(ThreadState *thread, int may_block);
// Joins the mode-switch rendezvous when the thread is running; otherwise nothing.
void Thread_switch_mode(ThreadState *thread);
// The rendezvous: the first job to arrive leads (counts the others, waits for them, switches);
// the others wait until it is done. 0.
int Machine_switch_mode(GenericMachine *machine);

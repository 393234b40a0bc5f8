// The body of every hardware thread's execution job.
#pragma once

// Runs the thread (argument: its ThreadState) in chunks while it may run.
void PPC_Advance_Job(void *thread);

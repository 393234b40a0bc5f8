// Assist threads: stopping one (an assist thread that executes an instruction it may not run
// stops itself).
#pragma once

struct ThreadState;

// Stalls the assist thread (reason 16) and unlinks it from its starter's list; 0.
int Stop_One_Assist_Thread(ThreadState *stopper, ThreadState *assist);

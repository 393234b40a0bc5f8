// Stand-in of the stop of an assist thread.
#include "processor/assist_threads.h"

#include "processor/smt.h"
#include "processor/thread_run_state.h"
#include "processor/thread_state.h"

// STAND-IN: the assist-thread code is not built: the APSCR updates of the assist thread and its
// starter and the check of a corrupt list are missing; the thread is stalled (reason 16), unlinked
// and made an ordinary thread.
__attribute__((weak)) int Stop_One_Assist_Thread(ThreadState *, ThreadState *assist)
{
    if (!assist) return 0;
    Thread_StallState(assist, "Stop Assist Thread", STALL_ASSIST_STOPPED);
    ThreadState *starter = assist->assist_parent;
    if (starter) {
        for (ThreadState **link = &starter->next_assist; *link; link = &(*link)->next_assist) {
            if (*link != assist) continue;
            *link = assist->next_assist;
            break;
        }
        if (!starter->next_assist) starter->assist_thread_running = 0;
    }
    assist->next_assist = nullptr;
    assist->assist_parent = nullptr;
    assist->is_assist_thread = 0;
    return 0;
}

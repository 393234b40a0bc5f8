// Stand-ins of the reader-queue releases.
#include "processor/hooks/reg_reader_queue.h"
#include "processor/records/instruction_record.h"

// STAND-IN: the cycle-level core is not built, so no instruction ever waits on a slot; only the
// pending count is settled.
__attribute__((weak)) void RegReaderQ_release(IOPResultSlot *slot, CThreadState *)
{
    slot->pending = 0;
}

// STAND-IN: see RegReaderQ_release.
__attribute__((weak)) void RegMaskReaderQ_release(IOPResultSlot *slot, CThreadState *, int)
{
    if (slot->pending > 0) slot->pending--;
}

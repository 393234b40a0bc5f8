// Stand-ins of the 32-bit, vector and FPR reader-queue releases.
#include "processor/hooks/reg_reader_queue.h"
#include "processor/records/instruction_record.h"

// STAND-IN: the cycle-level core is not built, so no instruction ever waits on a slot; only the
// pending count is settled.
__attribute__((weak)) void Reg32ReaderQ_release(IOPResultSlot *slot, CThreadState *)
{
    slot->pending = 0;
}

// STAND-IN: see Reg32ReaderQ_release.
__attribute__((weak)) void VRegReaderQ_release(IOPResultSlot *slot, CThreadState *)
{
    slot->pending = 0;
}

// STAND-IN: see Reg32ReaderQ_release.
__attribute__((weak)) void FPRegReaderQ_release(IOPResultSlot *slot, CThreadState *)
{
    slot->pending = 0;
}

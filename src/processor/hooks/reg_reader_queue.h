// The cycle-level core's release of the instructions waiting for a result slot.
// Declared here for the floors that call it; defined by the cycle-level core
// (core/reg_reader_queue_standin.cpp, core/reg_reader_queue_wide_standin.cpp).
#pragma once

struct CThreadState;
struct IOPResultSlot;

// Gives the slot's value to every waiting instruction and sets its pending count to 0.
void RegReaderQ_release(IOPResultSlot *slot, CThreadState *cthread);
// Lowers the pending count; at 0 gives each waiting instruction the bits of its mask.
void RegMaskReaderQ_release(IOPResultSlot *slot, CThreadState *cthread, int ignored);
// The same as RegReaderQ_release for a 32-bit (CR), a 128-bit (VSR) and an FPR result.
void Reg32ReaderQ_release(IOPResultSlot *slot, CThreadState *cthread);
void VRegReaderQ_release(IOPResultSlot *slot, CThreadState *cthread);
void FPRegReaderQ_release(IOPResultSlot *slot, CThreadState *cthread);

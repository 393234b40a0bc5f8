// Register-state copies between records: the hand-over of a detached thread (built by an embedding
// host) into a live one, and the start of an assist thread with a copy of its parent's state.
#pragma once

#include <cstdint>

struct IOPDesc;
struct ProcessorState;
struct ThreadState;

// Copies every processor register (PVR through L2QOSR, not the core's CTRL) whose written flag is
// set in the source: value and written flag, no mask, no trigger. Time registers are read and set
// through their time-base paths; IMA registers are masked and leave the written flag alone.
void Copy_Processor_Register_State(ProcessorState *source, ProcessorState *destination);
// The same for the named thread registers (LR through PC); GPRs, VSRs, branch-history entries and
// SLB registers are not copied.
void Copy_Thread_Register_State(ThreadState *source, ThreadState *destination);
// Copies the source's processor into the destination's, then the source thread into the
// destination, then frees the two detached records.
extern "C" void LIBSIM__CopyAndFreeThreadState(ThreadState *source, ThreadState *destination);
// The assist thread's copy of its parent: MSR (without FP, VEC and VSX unless with_vector) through
// the MSR write, GPRs, CR, the branch and status registers, CTRL, and the SLB; with with_vector
// also the VSRs, FPSCR and VSCR cleared.
void Copy_Assist_Thread_Registers(ThreadState *parent, ThreadState *assist, int with_vector);
// Links the assist thread to the instruction's thread, copies the registers, sets its PC to start
// and its APSCR to 0, publishes its number in the parent's APSCR (byte 0xFF00, with 0x80) and runs
// it.
void Start_Assist_Thread(IOPDesc *iop, ThreadState *assist, uint64_t start, int with_vector);

// The sim-support call: guest software executes the support instruction with a code in GPR3 and
// arguments in GPR4 onwards; SimSupport dispatches the built-in codes 0 to 189 and offers every
// other code to the "callthru" callbacks, then fires the machine's "CALLTHRU" trigger. Also the
// argument and result helpers the services share, and the process-wide words of the small
// services (device interrupt levels, external interrupt masks and steering).
#pragma once

#include <cstdint>

#include "mmu/hooks/sim_support_call.h"

struct IOPDesc;
struct ThreadState;

// Built-in codes run from 0 to SIM_SUPPORT_CODES - 1.
constexpr int SIM_SUPPORT_CODES = 190;

// SimSupport (mmu/hooks/sim_support_call.h): 1 when the call completed (the instruction
// advances), 0 when it did not (a storage interrupt was raised on the instruction while a service
// touched guest memory). It hands the call to the dispatcher.
int SimSupport_Dispatch(IOPDesc *iop);
// Offers the code to the "callthru" callbacks in list order; 1 when one took it.
int Callback_SimSupport(IOPDesc *iop, uint64_t code);
// The form of a "callthru" callback: non-zero when it served the code.
typedef int (*SimSupportCallback)(IOPDesc *iop, uint64_t code);

// The device kinds of codes 3, 4 and 7: 0 any other kind, 1 disk, 2 ethernet.
struct simDeviceInfo_s {
    int32_t level;
    uint32_t pending;
    uint32_t registered;
};
extern simDeviceInfo_s simDeviceInfo[3];
// External interrupt words of codes 11 to 15 and 21; bit 31 - n stands for level n.
extern uint32_t pending_external_mask;
extern uint32_t pending_external_interrupts;
extern uint32_t temp_external_mask;
extern uint32_t external_steering[32];

// ---- helpers of the services ----

// Argument register n of the call, read with its read triggers.
uint64_t SimSupport_Arg(IOPDesc *iop, uint32_t n);
// GPR3 := value, with its write triggers.
void SimSupport_Result(IOPDesc *iop, uint64_t value);
// The capacity of a guest string given its length: length + 1, at most 4096 (a length taken as
// unsigned, so a negative length gives 4096).
uint32_t SimSupport_String_Capacity(uint64_t length);
// The completion flag after a guest-memory copy failed: 0 when the copy raised a storage interrupt
// on the instruction (the guest re-executes the call after handling it), else 1.
int SimSupport_Failed_Copy(IOPDesc *iop);
// Stores the low size bytes (4 or 8) of value big-endian at the effective address through the
// thread's ordinary store path; 1 when stored, 0 when the store failed (a storage interrupt may
// then be pending on the instruction).
int SimSupport_Store(IOPDesc *iop, uint64_t address, uint64_t value, int size);
// Loads size bytes (4 or 8) big-endian from the effective address through the thread's ordinary
// load path; 1 when loaded, 0 when the load failed (a storage interrupt may then be pending).
int SimSupport_Load(IOPDesc *iop, uint64_t address, int size, uint64_t *value);
// The calling thread's number among the machine's threads ("proc %d").
int32_t SimSupport_Thread_Number(const ThreadState *thread);
// The processor and thread numbers in the thread's name "chip:processor:thread" (0 when absent).
void SimSupport_Name_Numbers(const ThreadState *thread, int *processor, int *thread_number);

// Guest synchronisation through the simulator: event-kernel gates handed to the guest, user-level
// locks by index, kernel-level locks by a 32-bit id, a two-slot barrier and the stall statistics
// of the waits. A thread that waits is a blocked kernel job; the other threads' time goes on.
#pragma once

#include <cstdint>

#include "kernel/gate.h"
#include "kernel/tsim.h"

struct GenericMachine;
struct IOPDesc;

constexpr int32_t GUEST_LOCK_COUNT = 16384;
constexpr int32_t GUEST_STALL_THREADS = 512;
// Gates of codes 132 to 135 live at the same time at most.
constexpr int32_t GUEST_GATE_COUNT = 4096;

struct user_lock_s {
    gate_s gate;
    int32_t in_use;
};
struct kernel_lock_s {
    gate_s gate;
    int32_t in_use;
    uint64_t address; // of the call that took it
    int32_t owner;    // thread number, -1 when free
};
struct guest_barrier_slot_s {
    int32_t arrivals;
    counter_s counter; // "barrier"
};
struct guest_barrier_s {
    int32_t set_up;
    int32_t current; // 0 or 1
    guest_barrier_slot_s slots[2];
};

extern user_lock_s *user_locks;     // GUEST_LOCK_COUNT entries once used
extern kernel_lock_s *kernel_locks; // GUEST_LOCK_COUNT entries once used
extern int32_t *kernel_lock_ids;    // GUEST_LOCK_COUNT ids, 0 an empty slot
extern guest_barrier_s guest_barrier;
extern uint64_t total_lock_stall[GUEST_STALL_THREADS];
extern uint64_t total_barrier_stall[GUEST_STALL_THREADS];

// The slot of kernel-lock id k at probe j: floor(16384 x frac((k + 5476 j) x 0.6180339887)).
int32_t Kernel_Lock_Probe_Slot(int32_t id, int32_t probe);
// The slot that holds id, claiming an empty one on first use; -1 when every slot holds another id.
int32_t Kernel_Lock_Slot(int32_t id);
// Zeroes both stall totals (code 37).
void Guest_Stall_Reset(void);
// Forgets the gates, locks and barrier set up on the machine's kernel, which goes with it.
void GuestLocks_Quit_Machine(GenericMachine *machine);

// Gates (132 new, 133 free, 134 enter, 135 leave), user locks (137 set up, 140 take, 141 try,
// 139 release), kernel locks (147 set up, 145 take, 144 try, 146 release), the barrier (148 set
// up, 138 wait) and the stall statistics (167 start, 168 end).
int SimSupport_GateNew(IOPDesc *iop);
int SimSupport_GateFree(IOPDesc *iop);
int SimSupport_GateEnter(IOPDesc *iop);
int SimSupport_GateLeave(IOPDesc *iop);
int SimSupport_UserLockSetup(IOPDesc *iop);
int SimSupport_UserLockTake(IOPDesc *iop);
int SimSupport_UserLockTry(IOPDesc *iop);
int SimSupport_UserLockRelease(IOPDesc *iop);
int SimSupport_KernelLockSetup(IOPDesc *iop);
int SimSupport_KernelLockTake(IOPDesc *iop);
int SimSupport_KernelLockTry(IOPDesc *iop);
int SimSupport_KernelLockRelease(IOPDesc *iop);
int SimSupport_BarrierSetup(IOPDesc *iop);
int SimSupport_BarrierWait(IOPDesc *iop);
int SimSupport_StallStart(IOPDesc *iop);
int SimSupport_StallEnd(IOPDesc *iop);

// Guest locks, gates and barriers of the sim-support call.
#include "guest/guest_locks.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "isa/hooks/cache_entries.h"
#include "core/cycle_core_guest.h"
#include "guest/sim_support.h"
#include "isa/semantics_helpers.h"
#include "kernel/counter.h"
#include "processor/records/generic_machine.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "runtime/message.h"

user_lock_s *user_locks = nullptr;
kernel_lock_s *kernel_locks = nullptr;
int32_t *kernel_lock_ids = nullptr;
guest_barrier_s guest_barrier;
uint64_t total_lock_stall[GUEST_STALL_THREADS];
uint64_t total_barrier_stall[GUEST_STALL_THREADS];

namespace
{

constexpr uint64_t MINUS_ONE = ~0ull;

gate_s *guest_gates[GUEST_GATE_COUNT];
uint64_t lock_stall_start[GUEST_STALL_THREADS];
uint64_t barrier_stall_start[GUEST_STALL_THREADS];

uint64_t arg(IOPDesc *iop, uint32_t n)
{
    return SimSupport_Arg(iop, n);
}

int result(IOPDesc *iop, uint64_t value)
{
    SimSupport_Result(iop, value);
    return 1;
}

tsim_s *kernel_of(IOPDesc *iop)
{
    return iop->thread->machine ? iop->thread->machine->tsim : nullptr;
}

// The lock tables, made zeroed on first use.
bool tables_ready()
{
    if (!user_locks) user_locks = (user_lock_s *)calloc(GUEST_LOCK_COUNT, sizeof(user_lock_s));
    if (!kernel_locks) kernel_locks = (kernel_lock_s *)calloc(GUEST_LOCK_COUNT, sizeof(kernel_lock_s));
    if (!kernel_lock_ids) kernel_lock_ids = (int32_t *)calloc(GUEST_LOCK_COUNT, sizeof(int32_t));
    return user_locks && kernel_locks && kernel_lock_ids;
}

// A gate holding jobs must not be initialised again: its queue still links them.
bool gate_idle(const gate_s *gate)
{
    return gate->count == 0 && !gate->queue.first;
}

// The user-lock index, or -1 when it names no entry (negative or above 16383).
int32_t user_index(uint64_t value)
{
    int64_t index = (int64_t)value;
    return index >= 0 && index < GUEST_LOCK_COUNT && tables_ready() ? (int32_t)index : -1;
}

void user_setup(IOPDesc *iop, user_lock_s *lock)
{
    if (lock->in_use && !gate_idle(&lock->gate)) return;
    gate_init(&lock->gate, kernel_of(iop), 1);
    lock->in_use = 1;
}

void kernel_setup(IOPDesc *iop, kernel_lock_s *lock)
{
    if (lock->in_use && !gate_idle(&lock->gate)) return;
    gate_init(&lock->gate, kernel_of(iop), 1);
    lock->in_use = 1;
    lock->owner = -1;
}

// The kernel lock of the id in GPR4, or null after the too-many error.
kernel_lock_s *kernel_lock(IOPDesc *iop, int32_t *slot)
{
    int32_t id = (int32_t)arg(iop, 4);
    *slot = tables_ready() ? Kernel_Lock_Slot(id) : -1;
    if (*slot < 0) {
        sim_error("You have allocated too many kernel-level locks.  Maximum is %d\n", GUEST_LOCK_COUNT);
        result(iop, MINUS_ONE);
        return nullptr;
    }
    return &kernel_locks[*slot];
}

void record_owner(IOPDesc *iop, kernel_lock_s *lock)
{
    lock->address = IOP_Current_Address(iop);
    lock->owner = SimSupport_Thread_Number(iop->thread);
}

// The gate of a handle of code 132, or null after the error.
gate_s *gate_of(IOPDesc *iop)
{
    uint64_t handle = arg(iop, 4);
    gate_s *gate = handle >= 1 && handle <= (uint64_t)GUEST_GATE_COUNT ? guest_gates[handle - 1] : nullptr;
    if (!gate) {
        sim_error("Access to an invalid gate (%ld)\n", (long)handle);
        result(iop, MINUS_ONE);
    }
    return gate;
}

void barrier_setup(IOPDesc *iop)
{
    if (guest_barrier.set_up) return;
    for (guest_barrier_slot_s &slot : guest_barrier.slots) {
        counter_init(&slot.counter, kernel_of(iop), "barrier");
        slot.arrivals = 0;
    }
    guest_barrier.current = 0;
    guest_barrier.set_up = 1;
}

uint64_t stall_now()
{
    GenericMachine *machine = currentMachine;
    if (!machine || !machine->tsim) {
        sim_error("tsim in machine is NULL!!!!");
        return 0;
    }
    return machine->tsim->now;
}

} // namespace

int32_t Kernel_Lock_Probe_Slot(int32_t id, int32_t probe)
{
    double x = ((double)id + 5476.0 * (double)probe) * 0.6180339887;
    double fraction = x - std::floor(x);
    int32_t slot = (int32_t)std::floor((double)GUEST_LOCK_COUNT * fraction);
    return slot < GUEST_LOCK_COUNT ? slot : GUEST_LOCK_COUNT - 1;
}

// Probes until the id or an empty slot turns up; should a long run of probes meet only other ids,
// a walk over every slot decides, so that a full table gives -1 instead of probing forever.
int32_t Kernel_Lock_Slot(int32_t id)
{
    if (!tables_ready()) return -1;
    constexpr int32_t PROBE_LIMIT = GUEST_LOCK_COUNT * 64;
    for (int32_t probe = 0; probe < PROBE_LIMIT; probe++) {
        int32_t slot = Kernel_Lock_Probe_Slot(id, probe);
        if (kernel_lock_ids[slot] == id) return slot;
        if (kernel_lock_ids[slot] == 0) {
            kernel_lock_ids[slot] = id;
            return slot;
        }
    }
    for (int32_t slot = 0; slot < GUEST_LOCK_COUNT; slot++)
        if (kernel_lock_ids[slot] == id) return slot;
    for (int32_t slot = 0; slot < GUEST_LOCK_COUNT; slot++)
        if (kernel_lock_ids[slot] == 0) {
            kernel_lock_ids[slot] = id;
            return slot;
        }
    return -1;
}

void Guest_Stall_Reset(void)
{
    memset(total_lock_stall, 0, sizeof total_lock_stall);
    memset(total_barrier_stall, 0, sizeof total_barrier_stall);
}

void GuestLocks_Quit_Machine(GenericMachine *machine)
{
    tsim_s *tsim = machine ? machine->tsim : nullptr;
    if (!tsim) return;
    for (gate_s *&gate : guest_gates)
        if (gate && gate->tsim == tsim) gate = nullptr; // its storage goes with the kernel
    for (int32_t i = 0; user_locks && i < GUEST_LOCK_COUNT; i++)
        if (user_locks[i].in_use && user_locks[i].gate.tsim == tsim)
            memset(&user_locks[i], 0, sizeof user_locks[i]);
    for (int32_t i = 0; kernel_locks && i < GUEST_LOCK_COUNT; i++)
        if (kernel_locks[i].in_use && kernel_locks[i].gate.tsim == tsim)
            memset(&kernel_locks[i], 0, sizeof kernel_locks[i]);
    if (guest_barrier.set_up && guest_barrier.slots[0].counter.tsim == tsim)
        memset(&guest_barrier, 0, sizeof guest_barrier);
}

// ---- gates ----

int SimSupport_GateNew(IOPDesc *iop)
{
    int capacity = (int)arg(iop, 4);
    for (int32_t i = 0; i < GUEST_GATE_COUNT; i++) {
        if (guest_gates[i]) continue;
        guest_gates[i] = gate_new(kernel_of(iop), capacity);
        return result(iop, guest_gates[i] ? (uint64_t)i + 1 : MINUS_ONE);
    }
    sim_error("You have allocated too many gates.  Maximum is %d\n", GUEST_GATE_COUNT);
    return result(iop, MINUS_ONE);
}

int SimSupport_GateFree(IOPDesc *iop)
{
    gate_s *gate = gate_of(iop);
    if (!gate) return 1;
    guest_gates[arg(iop, 4) - 1] = nullptr;
    gate_free(gate);
    return 1;
}

int SimSupport_GateEnter(IOPDesc *iop)
{
    if (gate_s *gate = gate_of(iop)) gate_enter(gate);
    return 1;
}

int SimSupport_GateLeave(IOPDesc *iop)
{
    if (gate_s *gate = gate_of(iop)) gate_leave(gate);
    return 1;
}

// ---- user locks ----

int SimSupport_UserLockSetup(IOPDesc *iop)
{
    int32_t index = user_index(arg(iop, 4));
    if (index < 0) {
        sim_error("You have allocated too many user-level locks.  Maximum is %d\n", GUEST_LOCK_COUNT);
        return result(iop, MINUS_ONE);
    }
    user_setup(iop, &user_locks[index]);
    return 1;
}

int SimSupport_UserLockTake(IOPDesc *iop)
{
    uint64_t value = arg(iop, 4);
    int32_t index = user_index(value);
    if (index < 0) {
        sim_error("1: Access to an invalid user-level lock (%d)\n", (int)value);
        return result(iop, MINUS_ONE);
    }
    user_lock_s *lock = &user_locks[index];
    if (!lock->in_use) user_setup(iop, lock);
    gate_enter(&lock->gate);
    return 1;
}

int SimSupport_UserLockTry(IOPDesc *iop)
{
    uint64_t value = arg(iop, 4);
    int32_t index = user_index(value);
    if (index < 0) {
        sim_error("2: Access to an invalid user-level lock (%d)\n", (int)value);
        return result(iop, MINUS_ONE);
    }
    user_lock_s *lock = &user_locks[index];
    if (!lock->in_use) user_setup(iop, lock);
    return result(iop, gate_try(&lock->gate) ? 1 : 0);
}

int SimSupport_UserLockRelease(IOPDesc *iop)
{
    uint64_t value = arg(iop, 4);
    Cache_sync(iop->thread->memory_client, iop);
    int32_t index = user_index(value);
    if (index < 0 || !user_locks[index].in_use) {
        sim_error("3: Access to an invalid user-level lock (%d)\n", (int)value);
        return result(iop, MINUS_ONE);
    }
    gate_leave(&user_locks[index].gate);
    return 1;
}

// ---- kernel locks ----

int SimSupport_KernelLockSetup(IOPDesc *iop)
{
    int32_t slot;
    if (kernel_lock_s *lock = kernel_lock(iop, &slot)) kernel_setup(iop, lock);
    return 1;
}

int SimSupport_KernelLockTake(IOPDesc *iop)
{
    int32_t slot;
    kernel_lock_s *lock = kernel_lock(iop, &slot);
    if (!lock) return 1;
    if (!lock->in_use) kernel_setup(iop, lock);
    gate_enter(&lock->gate);
    SIM_PRINT("LOCK: Entered lock %d, proc %d, PC 0x%016lX\n", slot, SimSupport_Thread_Number(iop->thread),
              (unsigned long)IOP_Current_Address(iop));
    record_owner(iop, lock);
    return 1;
}

int SimSupport_KernelLockTry(IOPDesc *iop)
{
    int32_t slot;
    kernel_lock_s *lock = kernel_lock(iop, &slot);
    if (!lock) return 1;
    if (!lock->in_use) kernel_setup(iop, lock);
    if (gate_try(&lock->gate)) {
        SIM_PRINT("TRY LOCK: Entered lock %d, proc %d, PC 0x%016lX\n", slot,
                  SimSupport_Thread_Number(iop->thread), (unsigned long)IOP_Current_Address(iop));
        record_owner(iop, lock);
        return result(iop, 1);
    }
    SIM_PRINT("TRY LOCK: Failed to get lock %d, proc %d, PC 0x%016lX\n", slot,
              SimSupport_Thread_Number(iop->thread), (unsigned long)IOP_Current_Address(iop));
    return result(iop, 0);
}

int SimSupport_KernelLockRelease(IOPDesc *iop)
{
    int32_t slot;
    kernel_lock_s *lock = kernel_lock(iop, &slot);
    if (!lock) return 1;
    if (!lock->in_use) {
        sim_error("3: Access to an invalid kernel-level lock (%d)\n", slot);
        return result(iop, MINUS_ONE);
    }
    gate_leave(&lock->gate);
    SIM_PRINT("UNLOCK: Exited lock %d, proc %d, PC 0x%016lX\n", slot, SimSupport_Thread_Number(iop->thread),
              (unsigned long)IOP_Current_Address(iop));
    lock->address = 0;
    lock->owner = -1;
    return 1;
}

// ---- barrier ----

int SimSupport_BarrierSetup(IOPDesc *iop)
{
    barrier_setup(iop);
    return 1;
}

// A wait before the barrier was set up sets it up first.
int SimSupport_BarrierWait(IOPDesc *iop)
{
    ThreadState *thread = iop->thread;
    int32_t participants = (int32_t)arg(iop, 4);
    barrier_setup(iop);
    int32_t current = guest_barrier.current;
    guest_barrier_slot_s *slot = &guest_barrier.slots[current];
    slot->arrivals++;
    GenericMachine *machine = thread->machine;
    if (machine && machine->mode == MODE_CYCLE && thread->processor && thread->processor->num_threads > 1) {
        CycleCore_barrier(thread, participants);
        if (slot->arrivals == participants) slot->arrivals = 0;
        return 1;
    }
    if (slot->arrivals == 1) {
        counter_set(&slot->counter, participants - 1);
        counter_sync(&slot->counter);
        guest_barrier.current = current ^ 1;
        slot->arrivals = 0;
    } else {
        counter_down(&slot->counter);
        counter_sync(&slot->counter);
    }
    return 1;
}

// ---- stall statistics ----

int SimSupport_StallStart(IOPDesc *iop)
{
    uint64_t kind = arg(iop, 4);
    uint64_t now = stall_now();
    int32_t n = SimSupport_Thread_Number(iop->thread);
    if (n < 0 || n >= GUEST_STALL_THREADS) return 1;
    (kind ? lock_stall_start : barrier_stall_start)[n] = now;
    return 1;
}

int SimSupport_StallEnd(IOPDesc *iop)
{
    uint64_t kind = arg(iop, 4);
    uint64_t now = stall_now();
    int32_t n = SimSupport_Thread_Number(iop->thread);
    if (n < 0 || n >= GUEST_STALL_THREADS) return 1;
    if (kind)
        total_lock_stall[n] += now - lock_stall_start[n];
    else
        total_barrier_stall[n] += now - barrier_stall_start[n];
    return 1;
}

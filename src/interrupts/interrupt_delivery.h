// Delivery of the thread's queued interrupts: the enablement tests, the choice of the first
// deliverable record, the return state and fault registers, and the new MSR and PC with the
// LPCR[AIL] relocation.
#pragma once

#include <cstdint>

struct IOPDesc;
struct PowerPCException;
struct ThreadState;

// 0 with an empty queue; with deliver 0 whether anything is deliverable, else 1 when an
// exception was delivered.
int CheckInterrupts(IOPDesc *iop, int deliver);
// 1 when some queued record is enabled now.
int AnyExceptionDeliverable(IOPDesc *iop);
// Delivers at most one exception; its type, or 0.
int32_t DeliverException(IOPDesc *iop);
void Set_New_MSR_and_PC_For_Exception(IOPDesc *iop, PowerPCException *record, int32_t type, int hypervisor,
                                      uint64_t return_address, uint64_t vector);
// The vector, moved to 0xFFF00000 when the old MSR has IP set (not for the vectored system call).
uint64_t Compute_New_PC_For_Exception(IOPDesc *iop, uint64_t old_msr, int32_t type, uint64_t vector);

int IOP_In_Hypervisor_State(IOPDesc *iop);
int IOP_In_Problem_State(IOPDesc *iop);
// LE, inverted by MSR bit 0x0400000000000000 for data accesses (kind not a fetch).
int IOP_Access_Is_Little_Endian(IOPDesc *iop, uint32_t access_kind);

int EnabledExternalInterrupt(ThreadState *thread, IOPDesc *iop, PowerPCException *record);
int EnabledDoorbellInterrupt(ThreadState *thread, IOPDesc *iop, PowerPCException *record);

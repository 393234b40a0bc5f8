// The queue of a thread's pending interrupts: ordered insertion with the wake-up check, removal,
// the persistent (level-style) exceptions, the asynchronous raisers, and the embedding host's
// interrupt and SPR-name calls.
#pragma once

#include <cstdint>

// UnScheduleException, interrupt_Decrementer and interrupt_HV_Decrementer are declared with the
// processor floor's calls into this one.
#include "processor/hooks/interrupt_hooks.h"

struct IOPDesc;
struct PowerPCException;
struct ThreadState;
struct vLIBSIM_data;

// The thread's current core cycle (0 before the kernel runs).
uint64_t Exception_Current_Cycle(ThreadState *thread);

// Inserts the record by priority (equal priorities keep arrival order).
void ScheduleException(ThreadState *thread, PowerPCException *record);
// Stores the detail text and schedules the record.
void Async_Take_Care_Of_Exception(ThreadState *thread, PowerPCException *record, const char *text);
// 1 when the record woke the thread from an instruction-triggered power-saving state.
int CheckExceptionWakeup(ThreadState *thread, PowerPCException *record);
// Lowers a persistent exception: unschedules and frees the slot's record.
void lower_persistent_exception(ThreadState *thread, int slot);
// Raises the thread's external line: one persistent EXTERNAL record kept in slot 0. 1 when the
// record was made, 0 when the line was already raised.
int raise_persistent_external(ThreadState *thread);
// Lowers every persistent exception of every thread of every machine.
void ClearPersistentExceptions(void);
// LPCR written: a queued MEDIATED_EXTERNAL goes when LPCR[MER] is off.
void CheckForMediatedInterruptOff(IOPDesc *iop);
// Raises interrupt_MER when MSR[EE], LPCR[MER] and not hypervisor state.
void CheckForMediatedInterrupt(IOPDesc *iop);

// The asynchronous raisers.
PowerPCException *interrupt_MER(IOPDesc *iop);
PowerPCException *interrupt_IPI(ThreadState *thread);
PowerPCException *interrupt_SystemReset(ThreadState *thread);
PowerPCException *interrupt_System_Error(ThreadState *thread);
PowerPCException *interrupt_PerfMonitor(ThreadState *thread, uint64_t data_address);
PowerPCException *interrupt_H_DBELL(IOPDesc *iop);
PowerPCException *interrupt_P_DBELL(IOPDesc *iop);

// The embedding host's SPR-name lookups in processor 0 of the library's machine; an unknown name
// gives -1.
extern "C" const char *LIBSIM__Find_SPR_Name(vLIBSIM_data *library, int32_t number);
extern "C" int32_t LIBSIM__Find_SPR_Number(vLIBSIM_data *library, const char *name);

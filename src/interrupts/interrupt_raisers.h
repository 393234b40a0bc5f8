// Raising interrupts on behalf of an instruction: fresh exception records, their filing on the
// instruction's IOPDesc in priority (or address) order, the flush of the first one to the thread's
// queue when the instruction ends, and the synchronous raisers. A raiser returns the filed record,
// or null when none was filed (the transactional-memory model took the interrupt, the record was a
// duplicate, or the simulation was stopped instead).
#pragma once

#include <cstdint>

// interrupt_IllegalInstruction, interrupt_PrivilegedInstruction, interrupt_HTM_Bad_Thing and
// interrupt_FacilityUnavailable are declared with the processor floor's calls into this one.
#include "processor/hooks/interrupt_hooks.h"

struct IOPDesc;
struct PowerPCException;
struct ThreadState;

// A fresh record of the thread's pool with type, subtype, priority, vector and the current cycle.
PowerPCException *ThreadState__New_Exception(ThreadState *thread, int32_t type, int32_t subtype);
// The same for the instruction's thread, with the current instruction address and the
// instruction's recorded MSR.
PowerPCException *IOP_New_Exception(IOPDesc *iop, int32_t type, int32_t subtype);
// Stores the detail text and files the record in the instruction's exception list; a duplicate
// (same type, subtype and instruction address as the record it would follow) is freed instead.
PowerPCException *Take_Care_Of_Exception(IOPDesc *iop, PowerPCException *record, const char *text);
// At the end of an instruction: queues the first filed record on the thread and discards the rest.
void FlushException(IOPDesc *iop);
// Fills the record's SDAR from the instruction's storage operand address.
void Exception_Set_DAR_From_Instruction(IOPDesc *iop, PowerPCException *record, uint64_t address);
// The current instruction address: the fetch address in flight, else the thread's PC.
uint64_t IOP_Current_Instruction_Address(IOPDesc *iop);

// Hypervisor emulation assist (type 28) and its illegal (221) and unimplemented (220) forms; the
// text of the illegal form is not used.
PowerPCException *interrupt_HypervisorEmulationAssist(IOPDesc *iop, int32_t subtype);
PowerPCException *interrupt_UnimplementedInstruction(IOPDesc *iop);
// Program interrupts (type 2) with the SRR1 bits and subtype, and its named forms.
PowerPCException *interrupt_Program(IOPDesc *iop, uint64_t srr1_bits, int32_t subtype);
PowerPCException *interrupt_TrapInstruction(IOPDesc *iop);
PowerPCException *interrupt_MMUBadThingException(IOPDesc *iop, int32_t subtype);
// The hypervisor system call (type 27) and the vectored system call (type 45, vector offset OR
// (LEV & 0x7F) x 32); both return to the instruction after the call.
PowerPCException *interrupt_HvSystemCall(IOPDesc *iop);
PowerPCException *interrupt_VectoredSystemCall(IOPDesc *iop, uint32_t lev);
PowerPCException *interrupt_FPUnavailable(IOPDesc *iop);
PowerPCException *interrupt_VMX_Assist(IOPDesc *iop);
PowerPCException *interrupt_VSXUnavailable(IOPDesc *iop);
// Floating-point enabled exception (type 22); kind 1 sets SRR1 0x110000, else 0x100000.
PowerPCException *interrupt_FloatingPointException(IOPDesc *iop, int kind);
PowerPCException *interrupt_TMUnavailable(IOPDesc *iop);
PowerPCException *interrupt_HTM_Op_Failure(IOPDesc *iop, int32_t code, uint64_t address, int32_t flag,
                                           int32_t reason);
// Machine check of an instruction (type 7, RI cleared); with MSR[ME] clear the processor is
// check-stopped instead unless the machine's WE bit has no effect.
PowerPCException *interrupt_PreciseMachineCheck(IOPDesc *iop);
// The test generator's forced interrupt (types 51 to 54) at any vector.
PowerPCException *interrupt_ForceAtAnyAddress(IOPDesc *iop, uint64_t vector, uint32_t flags, int hypervisor,
                                              uint64_t msr_value, uint64_t msr_mask);

// Raises a TM op failure when the thread is transactional and no failure is recorded yet; 1 then.
int TerminatePendingTransaction(IOPDesc *iop);
// 1 when the facility (0 to 9) may be used, else 0 after raising (hypervisor) facility unavailable.
int Check_Facility_Enabled(IOPDesc *iop, int32_t facility, const char *text);
// An undecodable instruction: the run stops (option STOP_ON_ILLEGAL_INSTRUCTION) or the
// illegal-instruction interrupt is raised.
void execute_illegal_instruction(IOPDesc *iop);
// Executes iop.word supplied from outside; 1 when its semantic routine succeeded.
int StuffInstr(IOPDesc *iop);
// The test generator's interrupt control before an instruction: 1 when IRPT_CTL forced an
// interrupt.
int process_wolk_IRPT_CTL_interrupt(IOPDesc *iop);

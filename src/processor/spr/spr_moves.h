// The SPR move instructions (mfspr, mtspr) over the SPR table, the per-SPR entry points of the
// cycle-level core (GET_spr, SET_spr), the side-effect-free tool access (GUESS_spr, FORCE_spr),
// the move event requests, and the privilege, facility and transaction guards that every SPR
// routine combines.
#pragma once

#include <cstdint>

#include "processor/regs/ppc_bits.h"
#include "processor/spr/spr_table.h"

struct IOPDesc;
struct ProcessorState;
struct Reg_Trigger_Desc;
struct ThreadState;

// MSR bits (beside those of processor/regs/ppc_bits.h) and HID0 partition-mode bits the SPR moves test.
constexpr uint64_t MSR_TS_MASK = MSR_TS;
constexpr uint64_t HID0_FOUR_PARTITIONS = 0x2000000000000000ull;
constexpr uint64_t HID0_TWO_PARTITIONS = 0x0200000000000000ull;
constexpr uint64_t HID0_MULTI_PARTITION = HID0_FOUR_PARTITIONS | HID0_TWO_PARTITIONS;

// The SPR number of an mfspr/mtspr word: the two 5-bit halves of its SPR field swapped.
inline int32_t SPR_Number_Of_Word(uint32_t word)
{
    return (int32_t)(((word >> 16) & 0x1F) | ((word >> 6) & 0x3E0));
}

// 1 when the instruction completed (also when it did nothing), 0 when a check raised an interrupt.
int core_mfspr(IOPDesc *iop);
int core_mtspr(IOPDesc *iop);
// The SPR value for the instruction (cycle-level core: while supplying operands).
uint64_t GET_spr(IOPDesc *iop, int32_t spr, int32_t *leave_target);
// Writes the SPR for the instruction (cycle-level core: at commit, operand-slot flag clear).
void SET_spr(IOPDesc *iop, int32_t spr, uint64_t value);
// The value mtspr writes: the supplied RS operand, else GPR RS offered to its read triggers.
uint64_t Fetch_New_SPR_Value(IOPDesc *iop);

// Tool access through the row's tool accessors, cut to 32 bits for a 32-bit register.
uint64_t GUESS_spr(ThreadState *thread, int32_t spr, uint32_t argument);
void FORCE_spr(ThreadState *thread, int32_t spr, uint64_t value, uint32_t argument);

// Installs a move event routine; the register becomes special so that translated code performs the
// move through the semantic routine.
void Request_MFSPR_Event(ProcessorState *core, int32_t spr, SPRMoveFromEventFn routine);
void Request_MTSPR_Event(ProcessorState *core, int32_t spr, SPRMoveToEventFn routine);

// Machine state of the instruction's thread.
uint64_t Fetch_MSR_Value(IOPDesc *iop);
uint64_t Fetch_HID0_Value(IOPDesc *iop);
int In_Problem_State(IOPDesc *iop);
int Is_Hypervisor_State(IOPDesc *iop);
// 1 in hypervisor (supervisor) state, else Privileged Instruction and 0.
int Check_Hypervisor_State(IOPDesc *iop);
int Check_Supervisor_State(IOPDesc *iop);
// 0 in privileged state; in problem state the version 2.06 compatibility bit (0x4) of PCR.
int Reserved_SPR_Is_Active(IOPDesc *iop);

void Invoke_SPR_Read_Triggers(IOPDesc *iop, Reg_Trigger_Desc *record, uint64_t value);
void Invoke_SPR_Write_Triggers(IOPDesc *iop, Reg_Trigger_Desc *record, uint64_t old_value, uint64_t new_value);

// ---- guards of the SPR routines ----

// The partition slot of a thread: 0 unless GLENT_EN_4_LPAR_SYSTEM; in four-partition mode its
// sub-core, in two-partition mode twice its sub-core.
int32_t SPR_Partition_Slot(ThreadState *thread);
// Assist read guard: 1 (the thread was stopped; the routine stops) for an assist thread.
int SPR_Assist_Read_Guard(IOPDesc *iop);
// Assist write guard: stops the core's running assist threads first (not in the short form); 1
// when the thread is itself an assist thread and was stopped.
int SPR_Assist_Write_Guard(IOPDesc *iop, int short_form);
// Version 2.06 gate: 1 (Illegal Instruction "2.0.6  is disabled" raised) in problem state with
// PCR bit 0x4.
int SPR_Version_206_Gate(IOPDesc *iop);
// 1 when the facility is available; else raises (Hypervisor) Facility Unavailable and returns 0.
int Check_Facility_Available(IOPDesc *iop, uint32_t facility, const char *name);
// The instruction's mnemonic for facility interrupts ("no instruction", "no iop").
const char *SPR_Instruction_Name(IOPDesc *iop);
// In a transaction: fails it (cause 0x1800000) and returns 1; else 0.
int HTM_NON_CKPT_REG_MODIFIED(IOPDesc *iop, const char *name);
// HID0 write gate: 1 (drop the write) outside hypervisor state when HID0 has 0x0400000000000000.
int SPR_HID0_Write_Gate(IOPDesc *iop);
// 1 when MMCRC has 0x20000 and its bits 18-20 equal the thread's number in the core.
int ExecuteMoveToFromThreadIdMatch(IOPDesc *iop);
// RT written by a read routine itself: the result slot in operand-slot mode (readers released),
// else GPR RT with its write triggers.
void SPR_Write_Target(IOPDesc *iop, uint64_t value);

// The processor option of the instruction's core.
int SPR_Option(IOPDesc *iop, uint32_t option);

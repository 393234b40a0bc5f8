// The embedding interface's thread functions: threads of the handle's machine, the program
// counter, GPRs, FPRs and VSRs, SPRs and the hooks on SPR moves, the SLB, the (empty) TLB, the
// reservation, the interrupt state and the clock and time-base frequencies.
#pragma once

#include <cstdint>

#include "processor/regs/register_file.h"
#include "processor/spr/spr_table.h"

struct GenericMachine;
struct ThreadState;
struct vLIBSIM_data;

extern "C" {
ThreadState *LIBSIM__GetThread(vLIBSIM_data *handle, int number);
ThreadState *LIBSIM__AllocThread(vLIBSIM_data *handle, int number);
GenericMachine *LIBSIM__Machine(ThreadState *thread);
int64_t LIBSIM__ProcNum(ThreadState *thread);
const char *LIBSIM__ThreadName(ThreadState *thread);
int LIBSIM__ThreadEnabled(ThreadState *thread);

uint64_t LIBSIM__GetPC(ThreadState *thread);
void LIBSIM__SetPC(ThreadState *thread, uint64_t address);
int LIBSIM__GPR_Count(void);
int LIBSIM__FPR_Count(void);
int LIBSIM__VSX_Count(void);
uint64_t LIBSIM__GetGPR(ThreadState *thread, int n);
void LIBSIM__SetGPR(ThreadState *thread, int n, uint64_t value);
uint64_t LIBSIM__GetFPR(ThreadState *thread, int n);
void LIBSIM__SetFPR(ThreadState *thread, int n, uint64_t value);
uint64_t LIBSIM__GetVSX_top(ThreadState *thread, int n);
uint64_t LIBSIM__GetVSX_bottom(ThreadState *thread, int n);
void LIBSIM__SetVSX_top(ThreadState *thread, int n, uint64_t value);
void LIBSIM__SetVSX_bottom(ThreadState *thread, int n, uint64_t value);
uint64_t LIBSIM__GetSPR(ThreadState *thread, int spr);
void LIBSIM__SetSPR(ThreadState *thread, int spr, uint64_t value);
spr_table_entry *LIBSIM__Register_MTSPR(ThreadState *thread, int spr, SPRMoveToEventFn routine);
spr_table_entry *LIBSIM__Register_MFSPR(ThreadState *thread, int spr, SPRMoveFromEventFn routine);
int LIBSIM__Register_Alternative_Write_SPR(vLIBSIM_data *handle, int spr, RegAlternativeWrite routine, void *data);
int LIBSIM__Register_Alternative_Read_SPR(vLIBSIM_data *handle, int spr, RegAlternativeRead routine, void *data);

int LIBSIM__SLB_Count(ThreadState *thread);
uint64_t LIBSIM__GetSLBE(ThreadState *thread, int n);
uint64_t LIBSIM__GetSLBV(ThreadState *thread, int n);
void LIBSIM__SetSLBE(ThreadState *thread, int n, uint64_t word);
// The entry's VSID word and its fields, as slbmte stores them; an index out of range is ignored.
void LIBSIM__SetSLBV(ThreadState *thread, int n, uint64_t word);
int LIBSIM__TLB_Set(void);
int LIBSIM__TLB_Get(void);
int LIBSIM__TLB_Set_Field(void);
int LIBSIM__TLB_Get_Field(void);
int LIBSIM__TLB_Count(void);

int LIBSIM__GetReservationBit(ThreadState *thread);
uint64_t LIBSIM__GetReservationAddress(ThreadState *thread);
void LIBSIM__SetReservationAddress(ThreadState *thread, uint64_t address);

void *LIBSIM__Interrupts_Get(void);
void LIBSIM__Interrupts_Restore(void);

int LIBSIM__Set_TimeBase_Frequency_hz(ThreadState *thread, uint64_t hz);
int LIBSIM__Set_ClockFreq_hz(ThreadState *thread, uint64_t hz);
}

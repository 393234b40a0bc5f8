// Processor-state services that the SPR routines call and whose own code is not built yet:
// stopping assist threads, the partial time-base writes, the instruction print and the chip
// version number.
#pragma once

#include <cstdint>

struct IOPDesc;
struct ProcessorState;
struct ThreadState;

// Stalls the assist thread ("Stop Assist Thread") and unlinks it from its starter's list.
int Stop_One_Assist_Thread(ThreadState *starter, ThreadState *assist);
// Stops the running assist threads of the instruction's thread one by one; 0.
int Stop_All_Assist_Threads(IOPDesc *iop);

// Time base := (time base AND 0xFFFFFF) OR (value AND NOT 0xFFFFFF); TB slot written with all
// upper bits changed.
void ProcessorState__SetTB40(ProcessorState *core, uint64_t value);
// ProcessorState__SetTB40 of the thread's partition core.
void ThreadState__SetTB40(ThreadState *thread, uint64_t value);
// The upper (lower) 32 bits of the partition core's time base.
void ThreadState__SetTBU(ThreadState *thread, uint32_t value);
void ThreadState__SetTBL(ThreadState *thread, uint32_t value);

// Prints "<header>0x<address> : <disassembly>"; the number of characters printed, 0 without an
// instruction.
int PrintInstruction(IOPDesc *iop);

// Sets the core's chip version by name (unknown: an error and "DD2.0"); 1.
int Set_Chip_Version(ProcessorState *core, const char *name);
// The number of the core's chip version (0x100 for "DD1.0" ... 0x301 for "DD3.1").
int32_t PROCESSOR_CHIP_VERSION(const ProcessorState *core);

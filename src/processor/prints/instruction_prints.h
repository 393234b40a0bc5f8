// Instruction prints (the instruction, optionally with the thread's main registers) and the
// after-instruction associative triggers "BRANCH_SELF", "NOOP" and "ATTN".
#pragma once

struct IOPDesc;

// After-instruction action bits an instruction sets for the trigger handler.
enum : unsigned { AFTER_BRANCH_SELF = 0x08, AFTER_NOOP = 0x10, AFTER_ATTN = 0x20 };

// Prints "<header>0x<PC> : <disassembly>"; returns the number of characters printed, 0 without an
// instruction.
int PrintInstruction(IOPDesc *iop);
// PrintInstruction, then LR, CTR, CR, MSR, SRR0, SRR1, TB, DEC, FPSCR and the 32 GPRs. Prints
// nothing without an instruction or thread.
void PrintInstructionAndDumpState(IOPDesc *iop);
// PrintInstructionAndDumpState once the thread has completed an instruction.
void TraceDebugHook(IOPDesc *iop);
// Fires the associative triggers the instruction asked for in its action byte, then clears it.
void Handle_Trigger_After_Instruction(IOPDesc *iop);

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
// The debug line of an instruction at plain output: "DEBUG: <header><tag>: PC=0x..: [0x<word>]: <disassembly>",
// its note " [..]" once (in the translated modes the last exit reason when it has none), its queued
// exceptions " <a, b>"; with debug category 15 the main registers follow. The header's count is the
// machine's plus the record's count offset (`counter`, instructions earlier in a translated run).
void DisassembleInstruction(IOPDesc *iop, const char *tag);
// DisassembleInstruction with "INSTRUCTION" when debug category 12 or 14 is on, or when translated
// code runs (modes 1, 2, 8) and the thread's instruction-trace flag is set.
void CheckDebugInstruction(IOPDesc *iop);
// PrintInstructionAndDumpState once the thread has completed an instruction.
void TraceDebugHook(IOPDesc *iop);
// Fires the associative triggers the instruction asked for in its action byte, then clears it.
void Handle_Trigger_After_Instruction(IOPDesc *iop);

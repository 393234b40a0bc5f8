// The plug-in events around each interpreted instruction.
#pragma once

struct IOPDesc;

void Event_Instruction_PreExecution(IOPDesc *iop);
void Event_Instruction_Commit(IOPDesc *iop);

// Register-trigger commands: creating, listing, enabling, disabling and deleting the read and
// write triggers (WRITE, CHANGE, MATCH) of one register of one thread.
#pragma once

#include <cstdint>

#include "processor/regs/reg_triggers.h"

struct Tcl_Interp;

// Runs the trigger words of argv from position first on the register whose trigger record is
// *slot (made on first use); argv[0] names the calling command in messages. All output goes to
// the Tcl result. 0 success, 1 error.
int Reg_Trigger_Command(Tcl_Interp *interpreter, const char *register_name, Reg_Trigger_Desc **slot, int argc,
                        char **argv, int first);
// Reads the index in argv[1] of a register family of limit registers ("gpr", 32); 0 with the index
// stored, 1 after a message.
int Indexed_Reg_Trigger_Index(Tcl_Interp *interpreter, const char *kind, int limit, int argc, char **argv,
                              int *index);
// Enables (on 1) or disables (on 0) the trigger of the node in the enabled list.
void Enable_Trigger(Reg_Trigger_List *enabled, Reg_Trigger_Node *node, int on);
// Give a slot its procedure record (made on first use), fill it and enable it.
void Reg_Trigger_Read_Set(Reg_Trigger_Desc *desc, Reg_Trigger_Node *node, const char *procedure);
void Reg_Trigger_Write_New(Reg_Trigger_Desc *desc, Reg_Trigger_Node *node, const char *procedure, uint64_t mask);
void Reg_Trigger_Match_Set(Reg_Trigger_Desc *desc, Reg_Trigger_Node *node, const char *procedure, uint64_t mask,
                           uint64_t value);

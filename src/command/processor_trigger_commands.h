// The "trigger" table of processors and threads: register triggers on the selected thread's GPRs,
// SPRs and the extended SPRs MSR, CR and FPSCR, and procedures called on the operations of ERATs and
// TLBs whose names match a pattern, with the operations on those caches' trigger records.
#pragma once

struct ERAT_Struct;
struct GenericMachine;
struct ProcessorState;
struct TLB;
struct TLB_Trigger_Desc;
struct Tcl_Interp;
struct Tcl_Obj;

typedef TLB_Trigger_Desc ERAT_Trigger_Desc;

// Trigger-record operations. Set makes the record when the slot has none, replaces the procedure
// with an interned copy of the new one and enables it; clear drops the procedure and disables;
// enable and disable only change the flag.
void Trigger_Desc_Set(TLB_Trigger_Desc **slot, const char *procedure);
void Trigger_Desc_Clear(TLB_Trigger_Desc *desc);
void Trigger_Desc_Enable(TLB_Trigger_Desc *desc, int enabled);
// The list {enable <0|1> proc <procedure or "none">}.
Tcl_Obj *Trigger_Desc_List(const TLB_Trigger_Desc *desc);

// Visitors: call the action with the name and trigger slot of every cache whose name matches the
// Tcl regular expression (anywhere in the name; a pattern that does not compile matches nothing):
// the processor's instruction ERATs, then its data ERATs; the TLBs of every processor of the machine
// in processor number order.
typedef void (*Trigger_Desc_Action)(const char *name, TLB_Trigger_Desc **slot, void *data);
void ERAT_Trigger_Visit(Tcl_Interp *interpreter, ProcessorState *processor, const char *pattern,
                        Trigger_Desc_Action action, void *data);
void TLB_Trigger_Visit(Tcl_Interp *interpreter, GenericMachine *machine, const char *pattern,
                       Trigger_Desc_Action action, void *data);

// build_ppc_triggerCmd_table: command/later_tables.h.

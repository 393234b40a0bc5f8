// Display and change of the translation caches: a thread's SLB entries, a processor's I-ERATs,
// D-ERATs and TLB, in text forms that the set commands read back; the processor table's "erat"
// and "tlb" tables (build_ERAT_table, build_TLB_table, declared in command/later_tables.h) list
// the caches whose names match a pattern.
#pragma once

#include <cstddef>
#include <cstdint>

struct ERAT_Entry;
struct SLB;
struct Selector;
struct TLB;
struct TLB_ENTRY_t;
struct Tcl_Interp;

// The ESID half of an SLB entry from a value: decoded ESID, V and the ESID word.
void SLB_Write_ESID_Half(SLB *entry, uint64_t value);
// The VSID half: the fields decoded as slbmte does, and the VSID word rebuilt from the decoded
// VSID, B and bits 11..2 of the value.
void SLB_Write_VSID_Half(SLB *entry, uint64_t value);

// The entry texts the set commands read back.
void ERAT_Entry_Format(char *out, size_t size, const ERAT_Entry *entry);
// Stores the fields the text holds, in order; fields after a short or malformed text stay as they
// were. Answers the number of fields read.
int ERAT_Entry_Scan(ERAT_Entry *entry, const char *text);
void TLB_Entry_Format(char *out, size_t size, const TLB_ENTRY_t *entry);
int TLB_Entry_Scan(TLB_ENTRY_t *entry, const char *text);

// The TLB listing: all entries, the valid ones or the one numbered.
int DisplayTLBCmd(TLB *tlb, Tcl_Interp *interpreter, const char *word);

int PPC_DisplaySLBECmd(Selector *, Tcl_Interp *, int, char **);
int PPC_DisplaySLBVCmd(Selector *, Tcl_Interp *, int, char **);
int PPC_DisplaySLBEntryCmd(Selector *, Tcl_Interp *, int, char **);
int PPC_ExplainSLBEntryCmd(Selector *, Tcl_Interp *, int, char **);
int PPC_SetSLBECmd(Selector *, Tcl_Interp *, int, char **);
int PPC_SetSLBVCmd(Selector *, Tcl_Interp *, int, char **);
int PPC_SetSLBEntryCmd(Selector *, Tcl_Interp *, int, char **);
int PPC_DisplayDERATCCmd(Selector *, Tcl_Interp *, int, char **);
int PPC_DisplayIERATCCmd(Selector *, Tcl_Interp *, int, char **);
int PPC_SetDERATCCmd(Selector *, Tcl_Interp *, int, char **);
int PPC_SetIERATCCmd(Selector *, Tcl_Interp *, int, char **);
int PPC_DisplayDERATECmd(Selector *, Tcl_Interp *, int, char **);
int PPC_DisplayIERATECmd(Selector *, Tcl_Interp *, int, char **);
int PPC_SetDERATECmd(Selector *, Tcl_Interp *, int, char **);
int PPC_SetIERATECmd(Selector *, Tcl_Interp *, int, char **);
int PPC_DisplayTLBCmd(Selector *, Tcl_Interp *, int, char **);
int PPC_DisplayTLBVCmd(Selector *, Tcl_Interp *, int, char **);
int PPC_DisplayTLBRCmd(Selector *, Tcl_Interp *, int, char **);
int PPC_DisplayTLBEntryCmd(Selector *, Tcl_Interp *, int, char **);
int PPC_DisplayTLBInfoCmd(Selector *, Tcl_Interp *, int, char **);
int PPC_SetTLBEntryCmd(Selector *, Tcl_Interp *, int, char **);
int PPC_SetTLBInfoCmd(Selector *, Tcl_Interp *, int, char **);
int PPC_SetTLBVCmd(Selector *, Tcl_Interp *, int, char **);
int PPC_SetTLBRCmd(Selector *, Tcl_Interp *, int, char **);
int ERAT_DisplayMatchingCmd(Selector *, Tcl_Interp *, int, char **);
int TLB_DisplayMatchingCmd(Selector *, Tcl_Interp *, int, char **);

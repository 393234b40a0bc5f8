// Exported command handlers and small operations that no table holds: number converters and the
// address-range search. A plug-in may attach the handlers with add_simcommand.
#pragma once

#include <cstdint>

struct Selector;
struct Tcl_Interp;

// Prints ("%f") the single-precision value of the low 32 bits of the one number word.
int UTIL_uint32_to_float(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv);
// Prints the one number word as "0x%016lX".
int UTIL_QuarnUpdate(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv);

// UTIL_AddrTransWIMG_Cmd for the selected thread: a data (d) or an instruction (i) translation.
int UTIL_Thread_dTransWIMG_Cmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv);
int UTIL_Thread_iTransWIMG_Cmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv);

// An address range with an inclusive end; `link` is empty for a range that stands for a gap.
struct PT_Range {
    uint64_t start;
    uint64_t end;
    void *link;
};
// Binary search over ranges sorted by start: the range holding the address, or (for addresses below
// 0x1000 or above 0xBFFFFFFFFFFFFFFF) an unlinked range below it whose successor starts at or after
// it; null otherwise.
PT_Range *find_pt_node(PT_Range *ranges, int32_t count, uint64_t address);

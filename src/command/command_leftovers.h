// Exported command handlers and small operations that no table holds: number converters and the
// address-range search. A plug-in may attach the handlers with add_simcommand.
#pragma once

#include <cstdint>
#include <cstdio>

struct ELF_Info;
struct HASH2_Table;
struct LoadedFile;
struct Selector;
struct Tcl_Interp;

// The ELF-object registry: "%s " for every search directory, for every loaded file, and for every
// file one of whose loaded sections holds the address word (each file once).
int ObjectDirPath_Cmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv);
int ObjectFiles_Cmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv);
int ObjectFindEAFiles_Cmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv);

// The memory-trace switch: file name and block size (entries); opens the file, allocates the
// block and sets FM_enabled. Nothing in the system reads the trace state back.
int memtrace_bogus_Cmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv);
extern char *FM_memfilename;
extern int32_t FM_maxlog;
extern int64_t FM_memcnt;
extern int64_t FM_last;
extern uint64_t *FM_logentry;
extern int FM_memlog_fd;
extern int32_t FM_enabled;

// Prints ("%f") the single-precision value of the low 32 bits of the one number word.
int UTIL_uint32_to_float(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv);
// Prints the one number word as "0x%016lX".
int UTIL_QuarnUpdate(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv);

// UTIL_AddrTransWIMG_Cmd for the selected thread: a data (d) or an instruction (i) translation.
int UTIL_Thread_dTransWIMG_Cmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv);
int UTIL_Thread_iTransWIMG_Cmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv);

// Symbol dumps of a loaded big-endian ELF file for a statistics script: the file's lines, then per
// symbol (numbered from base + 1) its function line with the sums of the per-address counter
// records (trace/inst_stats.h InstInfo_t, keyed by address) found from its start to its end, each
// record found marked. The 64-bit form also logs every symbol entry. Return base + the number of
// symbols.
int Dump64SymbolTableEntries(FILE *output, ELF_Info *image, int32_t file_index, LoadedFile *file,
                             HASH2_Table *counters, void *unused, int32_t base, FILE *log);
int Dump32SymbolTableEntries(FILE *output, ELF_Info *image, int32_t file_index, LoadedFile *file,
                             HASH2_Table *counters, void *unused, int32_t base, FILE *log);
// The mark a symbol dump leaves on the counter records it summed.
constexpr uint8_t INSTINFO_DUMPED = 0x01;

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

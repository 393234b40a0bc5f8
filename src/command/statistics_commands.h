// The statistics commands: the "ThreadStats" and "MachineStats" tables (not attached by the
// simulator) over the list of 44 named statistics, the chip statistic printer, the machine-wide
// reset and print of every component's statistics, and the performance-monitor counter commands
// with their counter line.
#pragma once

#include <cstdint>

struct MCM;
struct SimCmdTable;
struct Tcl_Interp;
struct ThreadState;

// Kind bits of a statistic: "cpu", "cache", "tlb"; "all" is STATS_ALL.
enum : int32_t { STATS_CPU = 0x4, STATS_CACHE = 0x8, STATS_TLB = 0x10, STATS_ALL = 0x1D };
constexpr int32_t STATS_LIST_SIZE = 50;
// The id of the row that ends the list.
constexpr int32_t STATS_LIST_END = 44;

struct StatsListRow {
    int32_t stat_id; // equals the row's index
    const char *name;
    const char *label;
    int32_t not_displayed; // 1: hidden
    int32_t mask;          // kind bits
};

extern StatsListRow StatsList[STATS_LIST_SIZE];

// Prints the chip's value of statistic id; 1 when it printed, 0 when it has none for the id.
int StatsChipPrintStat(MCM *chip, Tcl_Interp *interpreter, int32_t id);
// For each shown statistic of a kind in the mask: "\n<label>  <value>".
void StatsThreadPrint(ThreadState *thread, Tcl_Interp *interpreter, int32_t mask);
void StatsChipPrint(MCM *chip, Tcl_Interp *interpreter, int32_t mask);

// "PMR<counter> = <count, with thousands separators, right-aligned in 15>  <event name>\n" in a
// process-wide buffer, valid until the next call.
const char *PMC_Format_Line(ThreadState *thread, int32_t counter, int32_t event);

SimCmdTable *build_ThreadStatsCmd_table(void *argument);
SimCmdTable *build_MachineStatsCmd_table(void *argument);

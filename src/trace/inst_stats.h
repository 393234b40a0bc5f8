// The instruction statistics profile offered to timing models and outside tools (INST_PROF_*):
// per instruction address 14 counters of executions and of cache and TLB misses charged to it,
// per hardware thread a ring of the latest references so that a miss reported later by address
// is charged back to its instruction; ISTAT_List formats a counter set; PrintDelta prints.
#pragma once

#include <cstddef>
#include <cstdint>

#include "runtime/hash2.h"

struct GenericMachine;

enum : int {
    ISTAT_L1I_CACHE_MISS,
    ISTAT_L1D_CACHE_MISS,
    ISTAT_L1D_TRANSLATION_CACHE_MISS,
    ISTAT_L1D_SIMSUPPORT_CACHE_MISS,
    ISTAT_L2_INST_CACHE_MISS,
    ISTAT_L2_DATA_CACHE_MISS,
    ISTAT_L3_INST_CACHE_MISS,
    ISTAT_L3_DATA_CACHE_MISS,
    ISTAT_BIT32_INST,
    ISTAT_BIT64_INST,
    ISTAT_TLB_MISS,
    ISTAT_ITLB_MISS,
    ISTAT_DTLB_MISS,
    ISTAT_INST_COUNT,
    ISTAT_COUNTERS
};

extern const char *const InstStats_Names[ISTAT_COUNTERS];

constexpr int DATA_REF_HISTORY = 2048;

// Reference kinds named by the profile; callers may pass others.
enum : int32_t {
    REF_INST_FETCH = 2,
    REF_SIMSUPPORT_A = 4,
    REF_SIMSUPPORT_B = 5,
    REF_PAGE_TABLE_FLAGGED = 7,
    REF_PAGE_TABLE = 8,
    REF_SEG_TABLE_FLAGGED = 9,
    REF_SEG_TABLE = 10,
};

constexpr uint8_t INSTINFO_DATA_CHARGED = 0x02;

struct InstInfo_t {
    HASH2_Entry header; // key0: the instruction address
    uint64_t function;  // all ones until a caller gives one
    int32_t pid;        // -1 until a caller gives one
    uint64_t created;   // the machine's tick
    uint64_t counters[ISTAT_COUNTERS];
    int32_t icache; // -1 until set
    uint8_t flags;
};

struct DataRef_t {
    uint64_t address;
    uint64_t value;
    int32_t resolved;
    int32_t length;
    int32_t kind;
    InstInfo_t *inst;
};

struct DataRefHistory_t {
    DataRef_t refs[DATA_REF_HISTORY];
    int32_t first; // oldest valid entry, -1 while empty
    int32_t next;
};

struct InstProfile {
    HASH2_Table table;
    GenericMachine *machine;
    uint64_t totals[ISTAT_COUNTERS];
    DataRefHistory_t *histories; // one per hardware thread
    uint64_t records;
    int32_t initialized;
    int32_t history_count; // the machine's thread count when the profile was initialised
};

int32_t INST_PROF_inst_fetch_start(InstProfile *p, int32_t thread, uint64_t ea);
InstInfo_t *INST_PROF_inst_fetch_addr_resolved(InstProfile *p, int32_t thread, uint64_t ea, uint64_t value);
InstInfo_t *INST_PROF_inst(InstProfile *p, int32_t thread, uint64_t function, uint64_t ea, int32_t wide, int32_t pid,
                           int32_t ignored, uint64_t time);
int32_t INST_PROF_inst_ref(InstProfile *p, int32_t thread, uint64_t ea, int32_t ignored, uint64_t address,
                           int32_t length, int32_t kind);
int32_t INST_PROF_inst_ref_addr_resolved(InstProfile *p, int32_t thread, uint64_t ea, uint64_t value);
int32_t INST_PROF_seg_table_ref(InstProfile *p, int32_t thread, uint64_t address, int32_t length, int32_t flag);
void INST_PROF_page_table_ref(InstProfile *p, int32_t thread, uint64_t address, int32_t length, int32_t flag,
                              uint64_t ea);
InstInfo_t *INST_PROF_icache_miss(InstProfile *p, int32_t thread, uint64_t function, uint64_t ea, int32_t value);
InstInfo_t *INST_PROF_l1d_miss(InstProfile *p, int32_t thread, int32_t ignored, uint64_t address, int32_t ignored2,
                               int32_t ignored3, uint64_t line_size);
InstInfo_t *INST_PROF_l2_miss(InstProfile *p, int32_t thread, uint64_t function, uint64_t ea, int32_t ignored,
                              int32_t instruction, int32_t ignored2, uint64_t line_size);
void INST_PROF_l3_miss(InstProfile *p, uint64_t address);
InstInfo_t *INST_PROF_tlb_miss(InstProfile *p, int32_t thread, uint64_t ea, int32_t instruction);

// Writes "name value " for each of the 14 counters; null (with an error) when the buffer is short.
char *ISTAT_List(const uint64_t *counters, char *buffer, size_t size);
// Prints "PrintDelta: <text>" with the text cut at 256 bytes.
void PrintDelta(const char *format, ...) __attribute__((format(printf, 1, 2)));

// Trace libraries: shared objects loaded at run time that receive the simulator's trace records
// (executed instructions, memory accesses, branches, TLB invalidations) and events (privilege,
// process and partition changes, thread switches, 10-million-cycle ticks, translated runs) through
// the functions they export. Offers the control operations the embedding interface calls
// (TRC_LOAD_LIB ... TRC_SET_OFF), the recording functions of the simulator's own code, the
// reservation of buffer room for translated code and the analysis of a full buffer.
#pragma once

#include <cstdint>
#include <cstdio>

#include "isa/hooks/trace_events.h"

struct ThreadState;
struct GenericMachine;

constexpr int MAX_TRC_LIBS = 8;
constexpr int TRC_NUM_METHODS = 24;
constexpr int TRC_NUM_COUNTERS = 4;
constexpr uint64_t TRC_BUFFER_BYTES = 134217728; // 128 MB

// Method numbers: the index of a method in the method table, carried in word 0 of its records.
enum : int {
    TRC_EVT_LOAD = 0,
    TRC_EVT_UNLOAD = 1,
    TRC_EVT_FLUSH = 2,
    TRC_EVT_GET_LABEL = 3,
    TRC_EVT_PRINT_PROF_RECORD = 4,
    TRC_EVT_ON = 5,
    TRC_EVT_OFF = 6,
    TRC_EVT_SMT = 7,
    TRC_EVT_PID = 8,
    TRC_EVT_PRIV = 9,
    TRC_EVT_PROB = 10,
    TRC_EVT_PRIV_HYP = 11,
    TRC_EVT_LPID = 12,
    TRC_TLBIE = 13,
    TRC_EVT_TURBO = 14,
    TRC_EVT_SIMPLE = 15,
    TRC_COUNTS = 16,
    TRC_MEM = 17,
    TRC_INS = 18,
    TRC_MEM_READ = 19,
    TRC_MEM_WRITE = 20,
    TRC_BRANCH = 21,
    TRC_EVT_10M = 22,
    TRC_EVT_CMD = 23,
};

// Counter numbers.
enum : int { TRC_CNT_INS = 0, TRC_CNT_MEM = 1, TRC_CNT_MEM_READ = 2, TRC_CNT_MEM_WRITE = 3 };

// A method: its name, the argument words of its records, whether it is written per instruction and
// how many loaded libraries provide it.
struct op_s {
    const char *name;
    int32_t args;
    int32_t per_instruction;
    int32_t providers;
};

struct cnt_s {
    const char *name;
    int32_t providers;
};

// A loaded library.
struct lib_s {
    int32_t index;
    void *handle;
    char *name; // file name without directories
    void *methods[TRC_NUM_METHODS];
    void *counters[TRC_NUM_COUNTERS];
    lib_s *next; // next library of the same pipeline stage
    uint64_t data;
    uint64_t *smt_values; // the "evt_smt" value per hardware-thread number
    uint32_t smt_count;
};

// A trace buffer over an anonymous 128 MB mapping.
struct trc_s {
    uint64_t *start;
    uint64_t *limit;
    uint64_t *cursor;
};

// What libraries export, as they are called.
extern "C" {
typedef uint64_t (*trc_load_fn)(int32_t argument, void *pointer);
typedef void (*trc_event_fn)(uint64_t data);
typedef void (*trc_label_fn)(uint64_t data, char *buffer, int32_t size);
typedef void (*trc_prof_print_fn)(uint64_t data, FILE *file, uint64_t profile_id, uint64_t ea, uint64_t pa,
                                  uint32_t word, uint64_t count, uint64_t *slot);
typedef uint64_t (*trc_smt_fn)(uint64_t data, uint64_t value, uint64_t *record);
typedef void (*trc_slot_fn)(uint64_t data, uint64_t *record, uint64_t *slot);
typedef void (*trc_record_fn)(uint64_t data, uint64_t *record);
typedef void (*trc_counter_fn)(uint64_t data, uint64_t count);
typedef int32_t (*trc_cmd_fn)(uint64_t data, int32_t command, void *pointer);
}

// Control operations (the embedding interface passes its arguments through).
int32_t TRC_LOAD_LIB(const char *path, int32_t argument, void *pointer);
int32_t TRC_UNLOAD_LIB(int32_t index);
int32_t TRC_LIB_CMD(int32_t index, int32_t command, void *pointer);
void TRC_THREADS(int32_t n);
void TRC_SET_ON(void);
void TRC_SET_OFF(void);
// TRC_IS_ON: processor/hooks/pturbo_control.h.
int TRC_IS_ON(void);
int32_t trc_load_lib(const char *path, int32_t argument, void *pointer);
int32_t trc_unload_lib(int32_t index);
int32_t trc_lib_cmd(int32_t index, int32_t command, void *pointer);
void trc_threads(int32_t n);
void trc_set_on(void);
void trc_set_off(void);

// Recording functions: each does nothing unless its method is active.
void trc_smt(ThreadState *thread);
void trc_pid(int64_t pid);
void TRC_SET_PID(int64_t pid);
void trc_mode_change(uint64_t new_msr, uint64_t return_address, uint64_t new_pc);
void trc_lpid(uint32_t lpid);
void trc_tlbie(uint64_t rb);
void trc_ins(uint32_t word, uint64_t ea, prof_entry *entry);
void trc_mem(uint64_t ea, prof_entry *entry);
void trc_mem_read(uint64_t ea);
void trc_mem_write(uint64_t ea, uint64_t kind);
void trc_10M(uint64_t cycle);
void trc_before(ThreadState *thread, uint32_t budget);
void trc_after(ThreadState *thread, uint64_t executed);

// Queries.
int trc_is_active(int method);
int cnt_is_active(int counter);
int32_t trc_bytes(int method);
uint64_t *trc_counts(void);
const op_s *trc_methods(void);
// Largest per-instruction record space (bytes) of the active methods.
int32_t trc_max_record_bytes(void);

// Gives a buffer's records to the libraries of a pipeline stage.
void trc_analyze(trc_s *buffer, int32_t stage);
// The current buffer when it has room for bytes, else a fresh one from the pipeline.
trc_s *trc_reserve(uint64_t bytes);

// Profile printing support.
int32_t trc_libs_with_prof_print(void);
lib_s *trc_lib_with_prof_print_index(int32_t i);
int32_t trc_lib_id(lib_s *lib);
void trc_get_label(lib_s *lib, char *buffer, int32_t size);
void trc_lib_prof_print(lib_s *lib, FILE *file, prof_entry *entry, uint64_t pa);

// The library at a stage position, for inspection: stage s, position i (front first), or null.
lib_s *trc_stage_lib(int32_t stage, int32_t i);
int32_t trc_stage_count(void);

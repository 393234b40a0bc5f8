// The SPR table of a processor: 1,024 entries indexed by SPR number, each saying whether the SPR
// exists, which register description it reaches, who may move from and to it and through which
// routines, and the side-effect-free accessors of tools.
#pragma once

#include <cstdint>

struct IOPDesc;
struct ProcessorState;
struct ThreadState;
struct reg_desc_table_entry;

constexpr int32_t SPR_TABLE_SIZE = 1024;
constexpr int32_t SPR_NONE = 16000; // "no SPR" in every lookup

// Privilege levels: 1 hypervisor state only, 2 privileged state, 3 any state.
enum : uint32_t { SPR_LEVEL_HYPERVISOR = 1, SPR_LEVEL_PRIVILEGED = 2, SPR_LEVEL_ANY = 3 };

typedef void (*SPRMoveFromEventFn)(ThreadState *thread, int32_t spr);
typedef void (*SPRMoveToEventFn)(ThreadState *thread, int32_t spr, uint64_t value);
// A read routine sets *leave_target to 1 when mfspr is to write nothing.
typedef uint64_t (*SPRReadFn)(IOPDesc *iop, int32_t *leave_target);
typedef void (*SPRWriteFn)(IOPDesc *iop, uint64_t value);
typedef uint64_t (*SPRToolReadFn)(ThreadState *thread, uint32_t argument);
typedef void (*SPRToolWriteFn)(ThreadState *thread, uint64_t value, uint32_t argument);

struct spr_table_entry {
    uint32_t valid;
    uint32_t unknown_reported;
    uint32_t mf_event;
    uint32_t mt_event;
    SPRMoveFromEventFn mf_event_routine;
    SPRMoveToEventFn mt_event_routine;
    int32_t register_id;
    reg_desc_table_entry *rdte; // the register's description
    uint32_t read_level;
    uint32_t write_level;
    SPRReadFn read;
    SPRWriteFn write;
    SPRToolReadFn tool_read;
    SPRToolWriteFn tool_write;
    uint32_t only_64bit;
};

// The entry of an SPR number; null (with a warning) outside the table.
spr_table_entry *Index_SPR_Table(ProcessorState *core, int32_t spr);
// Defines one SPR; null when the number already holds a valid entry.
spr_table_entry *Define_SPR(ProcessorState *core, int32_t spr, int32_t register_id, const char *name,
                            int32_t width, SPRReadFn read, uint32_t read_level, SPRWriteFn write,
                            uint32_t write_level, SPRToolReadFn tool_read, SPRToolWriteFn tool_write);

// The nest units that the unit-creation commands create and inspect: coprocessor bus interfaces
// (PBICs) with their coprocessors, the coprocessor-type table, the XSCOM window and the AS unit.
#pragma once

#include <cstdint>

struct GenericMachine;
struct MCM;

// A coprocessor on a PBIC.
struct COProcessorState {
    const char *name; // the type's engine name
    int32_t type;
    int32_t ci;
    int32_t index; // within its PBIC, in creation order
    const char *state;
    COProcessorState *next;
};

// A coprocessor bus interface of a chip.
struct PBICState {
    char name[32]; // "PBIC_%d_%d"
    int32_t index;
    int32_t ci;
    uint64_t mmio_start;
    uint64_t mmio_stop;
    COProcessorState *cops; // newest first
    int32_t cop_count;
    PBICState *next; // the chip's list
};

// An entry of the coprocessor-type table.
struct CoprocessorTypeEntry {
    const char *engine_name;
    int32_t type;
};
extern CoprocessorTypeEntry *Coprocessor_Table;

PBICState *new_pbic(MCM *chip, int32_t chip_number, int32_t ci, uint64_t start, uint64_t stop);
COProcessorState *new_cop(PBICState *pbic, int32_t type, int32_t ci, int32_t is_gbif);
PBICState *search_pbic_by_ci(GenericMachine *machine, int32_t ci);
PBICState *search_pbic_by_index(GenericMachine *machine, int32_t index);
COProcessorState *search_cop_by_index(PBICState *pbic, int32_t index);
COProcessorState *search_cop_by_type(PBICState *pbic, int32_t type, int32_t ci);
// Prints every chip's PBICs and coprocessors; 1 when done.
int show_cop_pbic_list(GenericMachine *machine);
CoprocessorTypeEntry *Search_Coprocessor_Table_by_Name(CoprocessorTypeEntry *table, const char *name);
// The chip's PBIC list (first created first).
PBICState *PBIC_List_Of_Chip(MCM *chip);
// Non-zero when the window was made.
int xscom_create(MCM *chip, uint64_t base);
int as_create(MCM *chip, uint64_t base, uint64_t frequency);

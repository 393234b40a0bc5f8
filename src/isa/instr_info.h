// The instruction table: one InstrInfo row per instruction form and internal operation, the class
// and attribute bits the command language edits, and the operation-type names.
#pragma once

#include <cstdint>

#include "runtime/utils.h"

struct IOPDesc;

typedef int (*InstrSemanticFn)(IOPDesc *iop);
typedef int (*InstrOperandsFn)(IOPDesc *iop);
typedef int (*InstrSoftpatchFn)(IOPDesc *iop);

struct InstrInfo {
    const char *mnemonic;
    const char *template_; // listing template ("template" is reserved in C++)
    uint32_t form;
    uint32_t operand_class;
    uint64_t class_flags;
    uint32_t attributes; // the second flag word
    uint32_t optype;
    uint16_t id;
    uint16_t access_size;
    uint16_t tea;
    uint8_t internal;
    uint8_t iops;
    uint16_t core_words[4];
    uint32_t throughput;
    uint32_t fpscr_mask;
    InstrSemanticFn semantic;
    InstrOperandsFn operands;
    InstrSoftpatchFn softpatch;
};

// The static table; row 0 is "INVALID".
extern InstrInfo instruction_info_table[];

// Class bits (class_flags).
constexpr uint64_t II_FIXED = 1ull << 0;
constexpr uint64_t II_BRANCH = 1ull << 1;
constexpr uint64_t II_LOAD = 1ull << 8;
constexpr uint64_t II_STORE = 1ull << 12;

// Attribute bits (the second flag word).
constexpr uint32_t II_ATTR_FUSABLE = 0x80;      // "fusable", set by the instruction command "attributes"
constexpr uint32_t II_ATTR_FX_IN_LSU = 0x10000; // "FX_IN_LSU", set by the instruction command "iflags"

// Operation types (optype), several names per value, ended by a null name.
extern const IDNamePair opTypeName[];

// Number of rows of every instruction table.
uint32_t InstrInfo_Table_Size(void);

// The instruction table: one InstrInfo row per instruction form and internal operation, the class-bit and
// attribute constants, the operation-type names and the name search and edit operations on a table.
#pragma once

#include <cstddef>
#include <cstdint>

#include "decode/row_ids.h" // ROW_<MNEMONIC> and NUM_II_ENTRIES, generated from instructions.def
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
    uint32_t attributes;
    uint32_t optype;
    uint16_t id;
    uint16_t access_size;
    uint16_t tea;
    uint8_t internal;
    uint8_t iops;
    uint16_t core_words[4]; // the cycle-level core's micro-code bookkeeping in its private copy
    uint32_t throughput;
    uint32_t fpscr_mask;
    InstrSemanticFn semantic;
    InstrOperandsFn operands;
    InstrSoftpatchFn softpatch;
};

// The static table; edits through key 0 change it in place for every processor that uses it.
extern InstrInfo instruction_info_table[NUM_II_ENTRIES];

// Names of the operands and soft-patch routines of each row (null where a row has none). The rows keep
// their routine pointers null until the cycle-level core and the floating-point unit bind them by name.
extern const char *const instruction_operands_names[NUM_II_ENTRIES];
extern const char *const instruction_softpatch_names[NUM_II_ENTRIES];

// Class bits (class_flags).
constexpr uint64_t II_FIXED = 1ull << 0;
constexpr uint64_t II_BRANCH = 1ull << 1;
constexpr uint64_t II_CACHE = 1ull << 2;
constexpr uint64_t II_COMPARE = 1ull << 3;
constexpr uint64_t II_CR = 1ull << 4;
constexpr uint64_t II_FP = 1ull << 6;
constexpr uint64_t II_SYSTEM = 1ull << 7;
constexpr uint64_t II_LOAD = 1ull << 8;
constexpr uint64_t II_LOGICAL = 1ull << 9;
constexpr uint64_t II_SPECIAL = 1ull << 10;
constexpr uint64_t II_SPR = 1ull << 11;
constexpr uint64_t II_STORE = 1ull << 12;
constexpr uint64_t II_BARRIER = 1ull << 13;
constexpr uint64_t II_MMU = 1ull << 14;
constexpr uint64_t II_VMX = 1ull << 15;
constexpr uint64_t II_POWER = 1ull << 16;
constexpr uint64_t II_RESERVE = 1ull << 17;
constexpr uint64_t II_ALGEBRAIC = 1ull << 19;
constexpr uint64_t II_MULTIPLE = 1ull << 20;
constexpr uint64_t II_STRING = 1ull << 21;
constexpr uint64_t II_FMA = 1ull << 22;
constexpr uint64_t II_DCBZ = 1ull << 23;
constexpr uint64_t II_FP_PAIR = 1ull << 24;
constexpr uint64_t II_QUAD = 1ull << 25;
constexpr uint64_t II_CACHE_INHIBITED = 1ull << 26;
constexpr uint64_t II_VSX = 1ull << 27;
constexpr uint64_t II_FP_MOVE = 1ull << 28;
constexpr uint64_t II_VOXA = 1ull << 29;
constexpr uint64_t II_STORE_DATA = 1ull << 30;
constexpr uint64_t II_CVT_DPSP = 1ull << 31;
constexpr uint64_t II_SETS_FXCC = 1ull << 32;
constexpr uint64_t II_SETS_CR0_FXCC = 1ull << 33;
constexpr uint64_t II_VSX_VECTOR = 1ull << 36;
constexpr uint64_t II_SIMPLE_LS = 1ull << 37;
constexpr uint64_t II_BYTE_REVERSE = 1ull << 38;
constexpr uint64_t II_ICSWX = 1ull << 39;
constexpr uint64_t II_16BYTE = 1ull << 41;
constexpr uint64_t II_CRYPTO = 1ull << 43;
constexpr uint64_t II_VMX207 = 1ull << 44;
constexpr uint64_t II_FP_ARITH = 1ull << 45;
constexpr uint64_t II_FP_ESTIMATE = 1ull << 46;
constexpr uint64_t II_RFEBB = 1ull << 47;
constexpr uint64_t II_SINGLE = 1ull << 49;
constexpr uint64_t II_MSR_CHANGE = 1ull << 50;
constexpr uint64_t II_TM = 1ull << 51;
constexpr uint64_t II_VSR_GPR_MOVE = 1ull << 52;
constexpr uint64_t II_PBT = 1ull << 53;
constexpr uint64_t II_BHRB = 1ull << 54;
constexpr uint64_t II_MTSPR = 1ull << 55;
constexpr uint64_t II_MFSPR = 1ull << 56;
constexpr uint64_t II_TABORT = 1ull << 57;

// Attribute bits with a meaning outside the cycle-level core.
constexpr uint32_t II_ATTR_NO_TRACE_AFTER = 0x1000; // no single-step trace interrupt follows the instruction
constexpr uint32_t II_ATTR_FUSABLE = 0x80;          // "fusable", set by the instruction command "attributes"
constexpr uint32_t II_ATTR_FX_IN_LSU = 0x10000;     // "FX_IN_LSU", set by the instruction command "iflags"
constexpr uint32_t II_ATTR_DIVIDE_OR_SQRT = 0x800;  // fdiv, fsqrt and the other divides and square roots

// Operation types (optype); opTypeName lists their names, several names per value, ended by a null name.
enum : uint32_t {
    OPTYPE_FX = 0, OPTYPE_MULT, OPTYPE_DIV, OPTYPE_LOAD, OPTYPE_STORE, OPTYPE_FP, OPTYPE_FMUL, OPTYPE_FMADD,
    OPTYPE_FDIV, OPTYPE_FSQRT, OPTYPE_BR, OPTYPE_CR, OPTYPE_STORE_SP, OPTYPE_INT_SPR, OPTYPE_VMS, OPTYPE_VMC,
    OPTYPE_VMF, OPTYPE_VPM, OPTYPE_VSP, OPTYPE_SDI, OPTYPE_SDF, OPTYPE_SDV, OPTYPE_LDF, OPTYPE_LDV
};
extern const IDNamePair opTypeName[];

// Number of rows of every instruction table.
uint32_t InstrInfo_Table_Size(void);

// First row from row 1 on whose mnemonic equals name ignoring case; row 0 is never returned; null when none.
InstrInfo *Search_II_Table(InstrInfo *table, const char *name);
// The embedding host's edits of one row found by name; each returns the row, or null when no row has the name.
InstrInfo *Clear_instr_tea(InstrInfo *table, const char *name);
InstrInfo *Add_instr_flag(InstrInfo *table, const char *name, uint32_t bits);
InstrInfo *Set_instr_throughput_and_iops(InstrInfo *table, const char *name, uint32_t throughput, int iops);

// Instruction cracking: every 32-bit guest word maps to an operation kind (1 to 593, 0 unknown) by
// one lookup in crack_table, indexed by the primary opcode and the low 11 bits of the word. Each
// kind has a mnemonic, a register-operand form code and the resources it reads and writes. The
// tables are filled once at start-up and exported for trace libraries and plug-ins.
#pragma once

#include <cstdint>

struct xframe;

constexpr int CRACK_KINDS = 594;               // kinds 0 to 593
constexpr int CRACK_TABLE_ENTRIES = 64 * 2048; // primary opcode x low 11 bits
constexpr int CRACK_REGISTERED_KINDS = 574;

// Resource bits of crack_inputs and crack_outputs.
enum : uint64_t {
    CRACK_RA_UPDATE = 0x1,
    CRACK_GPR_TARGET = 0x8,
    CRACK_FPR_TARGET = 0x100,
    CRACK_BRANCH = 0x1000,  // outputs: the next-instruction address is computed
    CRACK_STORAGE = 0x4000, // inputs: storage read; outputs: storage written
    CRACK_RESERVATION = 0x8000,
    CRACK_GPR_TARGETS = 0x10000,
};

// Operation kinds the translator and the run loop name.
enum : uint32_t {
    KIND_UNKNOWN = 0,
    KIND_B = 31,
    KIND_BLA = 42,
    KIND_MTMSR = 222,
    KIND_MTMSRD = 223,
    KIND_MFSPR = 224,
    KIND_MTSPR = 226,
    KIND_RFID = 258,
    KIND_SC = 277, // sc with bit 30 set
    KIND_SC_LEV = 278,
    KIND_SUPPORT = 386,
    KIND_LAST = 593,
};

// The fixed bits of the low 11 bits of a registration's words, by instruction format; a
// registration fills 2^(11 - fixed bits) entries.
enum : uint16_t {
    CRACK_D = 0x000,      // D-form and other primary-only forms: 2,048
    CRACK_M = 0x001,      // M-form rotates (record bit): 1,024
    CRACK_SC = 0x002,     // sc with bit 30 set: 1,024
    CRACK_DS = 0x003,     // DS-form sub-opcode: 512
    CRACK_I_B = 0x003,    // I- and B-form AA and LK: 512
    CRACK_SC_LEV = 0x003, // sc with bits 30-31 = 01: 512
    CRACK_XX4 = 0x030,    // xxsel: 512
    CRACK_MD = 0x01D,     // MD-form: 128
    CRACK_MDS = 0x01F,    // MDS-form and the sel forms: 64
    CRACK_A = 0x03F,      // A-form and VA-form: 32
    CRACK_XXPERM = 0x4F8, // xxpermdi, xxsldwi: 32
    CRACK_XX3 = 0x7F8,    // 8
    CRACK_XX2 = 0x7FC,    // 4
    CRACK_MULH = 0x3FF,   // mulh forms, overflow bit free: 2
    CRACK_XS = 0x7FD,     // sradi, sh5 free: 2
    CRACK_X = 0x7FE,      // X-form without a record variant, bit 31 free: 2
    CRACK_ALL = 0x7FF,    // all 11 bits fixed: 1
};

// One kind as registered: the words with primary opcode `primary` whose low 11 bits agree with
// `value` on the bits of `fixed`.
struct crack_registration {
    uint16_t kind;
    const char *name;
    uint8_t primary;
    uint16_t fixed;
    uint16_t value;
    int8_t rio;
    uint32_t inputs;
    uint32_t outputs;
};

// The complete registration list, in kind order.
extern const crack_registration crack_registrations[];
extern const int crack_registration_count;

extern "C" {
extern uint32_t crack_table[CRACK_TABLE_ENTRIES];
extern const char *crack_names[CRACK_KINDS];
extern int32_t crack_rio[CRACK_KINDS];
extern uint64_t crack_inputs[CRACK_KINDS];
extern uint64_t crack_outputs[CRACK_KINDS];
}

// The index of a word in crack_table.
inline uint32_t crack_index(uint32_t word)
{
    return (word >> 26) * 2048 + (word & 0x7FF);
}

// Fills the tables once; later calls return at once.
void crack_init(void);
// Registers one kind: its name, then every entry of its pattern. An entry that already holds a
// kind is left alone and reported on standard error ("Crack table error, ...").
void crack_register(const crack_registration *r);

// The kind of a word.
uint32_t turbo_id(uint32_t word);
// The kind's mnemonic ("unknown" for 0 and for kinds never registered); kind 0 to 593.
const char *turbo_id_name(uint32_t kind);
// Whether the word's kind computes the next-instruction address.
int CRACK_IS_BRANCH(uint32_t word);
// Whether the instruction ends a basic block: the branches, mtmsr, mtmsrd, rfid and sc (kind 277).
int is_basicblock_terminator(xframe *x, uint32_t word, uint32_t kind);

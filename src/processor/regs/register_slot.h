// Register slots: the storage of one register inside its owner record (thread or core). A slot
// holds the value, the written flag, the bits the semantics marked as read and as written, its
// register-file entry (which leads to the implemented-bits mask) and its trigger record.
#pragma once

#include <cstdint>

struct Register_File_Entry;
struct Reg_Trigger_Desc;

// A bit record: the first mark sets the flag and the mask to its bits, later marks OR into it.
struct RegBits64 {
    int32_t valid;
    uint64_t mask;
};
struct RegBits32 {
    int32_t valid;
    uint32_t mask;
};

// A 64-bit register.
struct Reg64 {
    uint64_t value;
    int32_t written;           // 1 once set through a setter; what the register-state copy tests
    RegBits64 bits_read;       // bits read by the instruction semantics
    RegBits64 bits_written;    // bits changed (XER fields, partial time-base writes)
    Register_File_Entry *rfe;  // the register-file entry; null until defined
    Reg_Trigger_Desc *trigger; // null until a trigger command first names the register
};

// A 32-bit register.
struct Reg32 {
    uint32_t value;
    int32_t written;
    RegBits32 bits_read;
    RegBits32 bits_written;
    Register_File_Entry *rfe;
    Reg_Trigger_Desc *trigger;
};

// A 16-byte vector-scalar register: doubleword 1 first, then doubleword 0, which is the FPR.
struct Reg128 {
    uint64_t value[2];
    int32_t fpr_form; // FPR representation: 1 integer, 2 double, 3 single
    Register_File_Entry *rfe;
};

static_assert(sizeof(Reg64) == 64, "a 64-bit register slot is 64 bytes");
static_assert(sizeof(Reg32) == 40, "a 32-bit register slot is 40 bytes");

// Marks bits in a bit record.
inline void RegBits_Mark(RegBits64 *bits, uint64_t mask)
{
    if (bits->valid) {
        bits->mask |= mask;
    } else {
        bits->valid = 1;
        bits->mask = mask;
    }
}
inline void RegBits_Mark(RegBits32 *bits, uint32_t mask)
{
    if (bits->valid) {
        bits->mask |= mask;
    } else {
        bits->valid = 1;
        bits->mask = mask;
    }
}

// Bit constants shared by the instruction semantics and the interrupt code: MSR and XER bits,
// the XER write groups, CR fields, and the instruction-word fields. Bit values are given from the
// least significant bit; CR bit numbers follow the architecture (bit 0 the most significant).
#pragma once

#include <cstdint>

#include "processor/regs/msr_rules.h"

// MSR bits beside those of msr_rules.h.
constexpr uint64_t MSR_I64 = 0x2000000000000000ull;
constexpr uint64_t MSR_TS = 0x0000000600000000ull;
constexpr uint64_t MSR_TS_TRANSACTIONAL = 0x0000000400000000ull;
constexpr uint64_t MSR_TS_SUSPENDED = 0x0000000200000000ull;
constexpr uint64_t MSR_TM = 0x0000000100000000ull;
constexpr uint64_t MSR_ILE = 0x0000000000010000ull;
constexpr uint64_t MSR_SE = 0x0000000000000400ull;
constexpr uint64_t MSR_BE = 0x0000000000000200ull;
constexpr uint64_t MSR_US = 0x0000000000000080ull;
constexpr uint64_t MSR_PMM = 0x0000000000000004ull;

// XER bits and fields.
constexpr uint64_t XER_SO = 0x80000000ull;
constexpr uint64_t XER_OV = 0x40000000ull;
constexpr uint64_t XER_CA = 0x20000000ull;
constexpr uint64_t XER_OC = 0x10000000ull;
constexpr uint64_t XER_FXCC = 0x0F000000ull;
constexpr uint64_t XER_TGCC = 0x00700000ull;
constexpr uint64_t XER_NIBBLE_CARRIES = 0x0000FFFF00000000ull;
constexpr uint64_t XER_ANY_NIBBLE_CARRY = 0x0000000000800000ull;

// The XER write groups: OV; CA with OC; FXCC; TGCC; SO with the byte count; the nibble carries.
enum : int { XR_OV = 0, XR_CA_OC = 1, XR_FXCC = 2, XR_TGCC = 3, XR_SO_COUNT = 4, XR_NIBBLES = 5 };
extern const uint64_t xr_mask[6];

// CR field values.
constexpr uint32_t CR_LT = 0x8, CR_GT = 0x4, CR_EQ = 0x2, CR_SO = 0x1;
constexpr uint32_t CR0_MASK = 0xF0000000u;

// Instruction-word fields (bit 0 the least significant bit of the word).
inline uint32_t FIELD_RT(uint32_t word)
{
    return (word >> 21) & 0x1F;
}
inline uint32_t FIELD_RS(uint32_t word)
{
    return (word >> 21) & 0x1F;
}
inline uint32_t FIELD_RA(uint32_t word)
{
    return (word >> 16) & 0x1F;
}
inline uint32_t FIELD_RB(uint32_t word)
{
    return (word >> 11) & 0x1F;
}
inline uint32_t FIELD_RC(uint32_t word)
{
    return (word >> 6) & 0x1F;
}
inline uint32_t FIELD_BO(uint32_t word)
{
    return (word >> 21) & 0x1F;
}
inline uint32_t FIELD_BI(uint32_t word)
{
    return (word >> 16) & 0x1F;
}
inline uint32_t FIELD_BF(uint32_t word)
{
    return (word >> 23) & 0x7;
}
inline uint32_t FIELD_BFA(uint32_t word)
{
    return (word >> 18) & 0x7;
}
inline uint32_t FIELD_L(uint32_t word)
{
    return (word >> 21) & 0x1;
}
inline uint32_t FIELD_UI(uint32_t word)
{
    return word & 0xFFFF;
}
inline uint64_t FIELD_SI(uint32_t word)
{
    return (uint64_t)(int64_t)(int16_t)(word & 0xFFFF);
}
inline uint32_t FIELD_LK(uint32_t word)
{
    return word & 1;
}
inline uint32_t FIELD_AA(uint32_t word)
{
    return (word >> 1) & 1;
}

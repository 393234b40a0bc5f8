// The decimal library's 32-bit status word, its rounding modes, operation classes and systems, and
// the Halvo FPSCR bits the status maps to. Every decimal operation builds one status word.
#pragma once

#include <cstdint>

// Status word. FPCC, C, FI and FR sit where the same FPSCR bits sit.
constexpr uint32_t DFP_STATUS_VXCVI = 0x1;
constexpr uint32_t DFP_STATUS_VXSQRT = 0x2;
constexpr uint32_t DFP_STATUS_VXVC = 0x4;
constexpr uint32_t DFP_STATUS_VXIMZ = 0x8;
constexpr uint32_t DFP_STATUS_VXZDZ = 0x10;
constexpr uint32_t DFP_STATUS_VXIDI = 0x20;
constexpr uint32_t DFP_STATUS_VXISI = 0x40;
constexpr uint32_t DFP_STATUS_VXSNAN = 0x80;
constexpr uint32_t DFP_STATUS_INVALID = 0xFF; // any invalid-operation cause
constexpr uint32_t DFP_STATUS_ZERO_DIVIDE = 0x100;
constexpr uint32_t DFP_STATUS_INEXACT = 0x200;
constexpr uint32_t DFP_STATUS_UNDERFLOW = 0x400;
constexpr uint32_t DFP_STATUS_OVERFLOW = 0x800;
constexpr uint32_t DFP_STATUS_FU = 0x1000;
constexpr uint32_t DFP_STATUS_FE = 0x2000;
constexpr uint32_t DFP_STATUS_FG = 0x4000;
constexpr uint32_t DFP_STATUS_FL = 0x8000;
constexpr uint32_t DFP_STATUS_FPCC = 0xF000;
constexpr uint32_t DFP_STATUS_C = 0x10000;
constexpr uint32_t DFP_STATUS_FI = 0x20000;
constexpr uint32_t DFP_STATUS_FR = 0x40000;
constexpr uint32_t DFP_STATUS_WRITE_FPCC = 0x100000;
constexpr uint32_t DFP_STATUS_WRITE_C = 0x200000;
constexpr uint32_t DFP_STATUS_WRITE_FRFI = 0x400000;
constexpr uint32_t DFP_STATUS_DEFAULT_QNAN = 0x800000;
constexpr uint32_t DFP_STATUS_DELIVERED = 0x80000000;

// Result classes (C and FPCC), OR-ed in with DFP_STATUS_WRITE_C.
constexpr uint32_t DFP_CLASS_PLUS_ZERO = 0x2000;
constexpr uint32_t DFP_CLASS_MINUS_ZERO = 0x12000;
constexpr uint32_t DFP_CLASS_PLUS_SUBNORMAL = 0x14000;
constexpr uint32_t DFP_CLASS_MINUS_SUBNORMAL = 0x18000;
constexpr uint32_t DFP_CLASS_PLUS_NORMAL = 0x4000;
constexpr uint32_t DFP_CLASS_MINUS_NORMAL = 0x8000;
constexpr uint32_t DFP_CLASS_PLUS_INFINITY = 0x5000;
constexpr uint32_t DFP_CLASS_MINUS_INFINITY = 0x9000;
constexpr uint32_t DFP_CLASS_QNAN = 0x11000;
constexpr uint32_t DFP_CLASS_SNAN = 0x1080; // raises the VXSNAN cause as well

// Rounding modes: the codes of the FPSCR DRN field.
enum : int32_t {
    DFP_RM_NEAREST_EVEN = 0,
    DFP_RM_TOWARD_ZERO = 1,
    DFP_RM_TOWARD_PLUS = 2,
    DFP_RM_TOWARD_MINUS = 3,
    DFP_RM_NEAREST_AWAY = 4,
    DFP_RM_NEAREST_TOWARD_ZERO = 5,
    DFP_RM_AWAY_FROM_ZERO = 6,
    DFP_RM_PREPARE_SHORTER = 7,
};

// Operation classes (DFP_Environment.operation).
enum : int32_t {
    DFP_OPCLASS_ARITHMETIC = 1, // add, subtract, multiply, divide, load and test
    DFP_OPCLASS_COMPARE = 2,
    DFP_OPCLASS_CONVERT = 3, // to and from 64-bit integers, widening
    DFP_OPCLASS_DECODE = 5,
    DFP_OPCLASS_ENCODE = 6,
    DFP_OPCLASS_EXTRACT_EXPONENT = 7,
    DFP_OPCLASS_INSERT_EXPONENT = 8,
    DFP_OPCLASS_REROUND = 9,
    DFP_OPCLASS_ROUND_SHORTER = 10,
    DFP_OPCLASS_ROUND_INTEGER = 11,
    DFP_OPCLASS_SHIFT = 12,
    DFP_OPCLASS_TEST = 13, // data class, exponent
    DFP_OPCLASS_TEST_GROUP = 14,
    DFP_OPCLASS_COMPARE_LIKE = 15,
    DFP_OPCLASS_TEST_SIGNIFICANCE = 16,
    DFP_OPCLASS_EXTRACT_SIGNIFICANCE = 17,
    DFP_OPCLASS_QUANTIZE = 18,
};

// Exception enable bits of DFP_Environment.enables.
constexpr uint8_t DFP_ENABLE_INVALID = 0x1;
constexpr uint8_t DFP_ENABLE_OVERFLOW = 0x2;
constexpr uint8_t DFP_ENABLE_UNDERFLOW = 0x4;
constexpr uint8_t DFP_ENABLE_ZERO_DIVIDE = 0x8;
constexpr uint8_t DFP_ENABLE_INEXACT = 0x10;

// Architecture families.
constexpr int32_t DFP_SYSTEM_HALVO = 1; // FPSCR
constexpr int32_t DFP_SYSTEM_ORVIN = 2; // FPC

// Halvo FPSCR bits.
constexpr uint64_t DFP_FPSCR_FX = 0x80000000, DFP_FPSCR_FEX = 0x40000000, DFP_FPSCR_VX = 0x20000000;
constexpr uint64_t DFP_FPSCR_OX = 0x10000000, DFP_FPSCR_UX = 0x08000000, DFP_FPSCR_ZX = 0x04000000;
constexpr uint64_t DFP_FPSCR_XX = 0x02000000;
constexpr uint64_t DFP_FPSCR_VXSNAN = 0x01000000, DFP_FPSCR_VXISI = 0x00800000, DFP_FPSCR_VXIDI = 0x00400000;
constexpr uint64_t DFP_FPSCR_VXZDZ = 0x00200000, DFP_FPSCR_VXIMZ = 0x00100000, DFP_FPSCR_VXVC = 0x00080000;
constexpr uint64_t DFP_FPSCR_VXSOFT = 0x400, DFP_FPSCR_VXSQRT = 0x200, DFP_FPSCR_VXCVI = 0x100;
constexpr uint64_t DFP_FPSCR_FR = 0x40000, DFP_FPSCR_FI = 0x20000, DFP_FPSCR_C = 0x10000;
constexpr uint64_t DFP_FPSCR_FPCC = 0xF000, DFP_FPSCR_FPRF = 0x1F000;
constexpr uint64_t DFP_FPSCR_VE = 0x80, DFP_FPSCR_OE = 0x40, DFP_FPSCR_UE = 0x20, DFP_FPSCR_ZE = 0x10;
constexpr uint64_t DFP_FPSCR_XE = 0x08;
constexpr uint64_t DFP_FPSCR_EXCEPTIONS = 0x1FF80700;
constexpr uint64_t DFP_FPSCR_INVALID = 0x01F80700;
constexpr uint64_t DFP_FPSCR_DRN = 0x0000000700000000;

// The bits of FPSCR (its low 32 bits; bit 0 of the architecture is 0x80000000) and the groups
// the floating-point code works with.
#pragma once

#include <cstdint>

enum : uint64_t {
    FPSCR_FX = 0x80000000,     // an exception bit was newly set
    FPSCR_FEX = 0x40000000,    // an exception bit is set with its enable
    FPSCR_VX = 0x20000000,     // OR of the invalid-operation bits
    FPSCR_OX = 0x10000000,     // overflow
    FPSCR_UX = 0x08000000,     // underflow
    FPSCR_ZX = 0x04000000,     // zero divide
    FPSCR_XX = 0x02000000,     // inexact
    FPSCR_VXSNAN = 0x01000000, // invalid: signalling NaN
    FPSCR_VXISI = 0x00800000,  // invalid: infinity - infinity
    FPSCR_VXIDI = 0x00400000,  // invalid: infinity / infinity
    FPSCR_VXZDZ = 0x00200000,  // invalid: 0 / 0
    FPSCR_VXIMZ = 0x00100000,  // invalid: infinity * 0
    FPSCR_VXVC = 0x00080000,   // invalid compare
    FPSCR_FR = 0x00040000,     // fraction rounded
    FPSCR_FI = 0x00020000,     // fraction inexact
    FPSCR_FPRF = 0x0001F000,   // result class: C and FPCC
    FPSCR_FPCC = 0x0000F000,
    FPSCR_VXSOFT = 0x00000400, // invalid: software request
    FPSCR_VXSQRT = 0x00000200, // invalid square root
    FPSCR_VXCVI = 0x00000100,  // invalid integer conversion
    FPSCR_VE = 0x80,           // enables
    FPSCR_OE = 0x40,
    FPSCR_UE = 0x20,
    FPSCR_ZE = 0x10,
    FPSCR_XE = 0x08,
    FPSCR_NI = 0x04, // non-IEEE mode
    FPSCR_RN = 0x03, // rounding mode

    FPSCR_EXCEPTION_BITS = 0x1FF80700, // every exception bit
    FPSCR_INVALID_BITS = 0x01F80700,   // the invalid-operation bits
    FPSCR_CONTROL_BITS = 0xFF,         // enables, NI and RN
    FPSCR_EXC_MASK_BITS = 0x9FF80700,  // FX and the exception bits: an instruction's fpscr_exc_mask
};

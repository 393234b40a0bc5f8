// The plain SCOM register sets that every chip keeps for its NX, AS, PHB, PCIe and interrupt
// presenter units: a header word followed by the unit's 64-bit registers, all 0 after set-up.
#pragma once

#include <cstdint>

struct MCM;

// The value of every set's header word: the header's size in bytes.
constexpr uint64_t SCOM_SET_HEADER_BYTES = 32;

struct nx_scom_registers_s {
    uint64_t header;
    uint64_t regs[52];
};

struct as_scom_registers_s {
    uint64_t header;
    uint64_t regs[16];
};

struct phb_scom_registers_s {
    uint64_t header;
    uint64_t regs[27];
};

struct pcie_scom_registers_s {
    uint64_t header;
    uint64_t regs[18];
};

struct icp_scom_registers_s {
    uint64_t header;
    uint64_t regs[8];
    uint64_t extra; // the presenter's ninth word
};

// Each sets the header of the chip's set and clears its registers; nothing without a set.
void nx_scom_init(MCM *chip);
void as_scom_init(MCM *chip);
void phb_scom_init(MCM *chip);
void pcie_scom_init(MCM *chip);
void icp_scom_init(MCM *chip);

// The PCI host bridge of a chip (G_MMAPI_PHB_BASE, "PHB_p1"): a 4 KB page of 64-bit registers
// created by command, whose interrupt vector table base register lets the chip's interrupt
// controller create the source of an interrupt it does not know from the table in guest memory.
// The bridge's state lives inside the chip's interrupt controller record.
#pragma once

#include <cstdint>

#include "memory/memory_map.h"

struct MCM;
struct PPCIC_s;
struct PPC_Int_Source_s;

// Register offsets in the page.
constexpr uint64_t PHB_IVT_BAR = 0x150; // bit 63 enable, bits 15-49 base, bits 0-11 entries
constexpr uint64_t PHB_REG_238 = 0x238;
constexpr uint64_t PHB_REG_240 = 0x240;
constexpr uint64_t PHB_IVC_INVALIDATE = 0x2A0; // a write discards the controller's sources
constexpr uint64_t PHB_REG_2A8 = 0x2A8;
constexpr uint64_t PHB_REG_810 = 0x810; // bit 39: 128-byte table entries
constexpr uint64_t PHB_PAGE_SIZE = 4096;

struct PHB_State {
    int32_t created;
    uint64_t base;        // of the register page
    char *name;           // "PHB", unique per chip, interned
    MemoryClient *client; // hardware thread 0's, for table reads
    uint64_t ivt_bar;
    uint64_t reg_238;
    uint64_t reg_240;
    uint64_t ivc_invalidate;
    uint64_t reg_2a8;
    uint64_t reg_810;
    PPC_Int_Source_s **sources; // the controller's source list, linked by the first table read
    int32_t large_entries;      // bit 39 of register 0x810: 128-byte entries, else 16-byte
    PPCIC_s *controller;        // the controller the state lives in
};

extern MMAPIentry_s G_MMAPI_PHB_BASE;

// Creates the chip's bridge with its register page at base; 1, or 0 when the chip has no
// interrupt controller or already has a bridge.
int phb_create(MCM *chip, uint64_t base);
// The source of the interrupt made from the bridge's interrupt vector table, or none.
PPC_Int_Source_s *PPC_PHB_IVT_Read(PPCIC_s *controller, int32_t irq);

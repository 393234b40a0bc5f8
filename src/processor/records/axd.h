// The access descriptor of one memory access (AXD) and its initial image INITIAL_AXD, from which
// every instruction record, tool and service copies its descriptors.
#pragma once

#include <cstddef>
#include <cstdint>

struct IOPDesc;
struct InstrInfo;

// Access kinds (the index of the access-kind names).
enum : uint16_t {
    AXD_KIND_LOAD = 0,
    AXD_KIND_STORE = 1,
    AXD_KIND_FETCH = 2,
    AXD_KIND_CACHE_LOAD = 3,
    AXD_KIND_CACHE_TOUCH = 4,
    AXD_KIND_CACHE_FLUSH = 5,
    AXD_KIND_CACHE_INVALIDATE = 6,
    AXD_KIND_CACHE_STORE = 7,
    AXD_KIND_CACHE_SET = 8,
    AXD_KIND_UNKNOWN = 9,
};

// WIMG bits.
enum : uint32_t { AXD_WIMG_W = 0x8, AXD_WIMG_I = 0x4, AXD_WIMG_M = 0x2, AXD_WIMG_G = 0x1 };

struct AXD {
    uint64_t ea;           // effective address of the access
    uint64_t orig_ea;      // effective address that interrupts report
    uint64_t ea2;          // start of an outer address range of the instruction
    int16_t size;          // access length in bytes
    int16_t size2;         // length of the outer range; below 1: none
    int16_t row_size;      // access size of the instruction's row; -1 when not set
    int16_t align;         // alignment demanded in place of the size; below 1: none
    uint16_t kind;         // AXD_KIND_*
    int16_t access_origin; // 0 ordinary, 1 page-table access, 2 reservation access, 3 service probe
    uint64_t pa;           // physical (real) address
    uint64_t vsid;         // VSID word of the segment used
    uint64_t xlate_ea;     // effective address as translated (cut to 32 bits in 32-bit mode)
    int32_t xlate_mode;    // 0 not translated, 1 real mode, 2 translated
    int32_t vrma;          // 1 when the virtual-real-mode segment was used
    uint32_t wimg;         // AXD_WIMG_*
    uint32_t erat_class;   // attribute word restored from an ERAT hit
    int32_t le;            // 1 when the data are little-endian
    uint8_t perm;          // page protection and segment key bits
    uint8_t llp;           // segment L << 2 | LP
    uint8_t seg_b;         // segment size B (0 = 256 MB, 1 = 1 TB)
    uint8_t page_shift;    // log2 of the page size
    uint8_t crosses;       // 1 when the access crosses a page
    IOPDesc *iop;          // the owning instruction record
    InstrInfo *row;        // the instruction's row
    int32_t probe;         // non-zero: faults are recorded in probe_dsisr instead of raised
    uint32_t probe_dsisr;  // DSISR bits of a fault met while probing
    uint64_t closing[2];   // all ones in the initial image
};

static_assert(sizeof(AXD) == 136, "an access descriptor copy is 136 bytes");

// Zero in every field except size2, row_size, align and erat_class (-1 each), page_shift (12)
// and the two closing words (all ones).
extern const AXD INITIAL_AXD;

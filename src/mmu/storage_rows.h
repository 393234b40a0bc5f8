// The instruction-table rows the storage checks recognise by id (the index of the row in the
// table), sets of such rows tested in one step, and the vector element alignment of the vector
// element and whole-vector loads and stores.
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>

#include "isa/instr_info.h"

enum : uint16_t {
    ROW_DCBF = 99,
    ROW_DCBST = 100,
    ROW_DCBT = 101,
    ROW_DCBTST = 102,
    ROW_DCBZ = 103,
    ROW_ICBI = 343,
    ROW_LD = 359,
    ROW_LDBRX = 362,
    ROW_LDCIX = 363,
    ROW_LDU = 364,
    ROW_LDUX = 365,
    ROW_LDX = 366,
    ROW_LFD = 367,
    ROW_LFDP = 368,
    ROW_LFDU = 370,
    ROW_LFS = 375,
    ROW_LFSU = 376,
    ROW_LHA = 379,
    ROW_LHAU = 381,
    ROW_LHAUX = 382,
    ROW_LHAX = 383,
    ROW_LHBRX = 384,
    ROW_LHZ = 385,
    ROW_LHZCIX = 386,
    ROW_LHZU = 387,
    ROW_LHZUX = 388,
    ROW_LHZX = 389,
    ROW_LMD = 390,
    ROW_LMW = 391,
    ROW_LQ = 393,
    ROW_LSDI = 396,
    ROW_LSDX = 397,
    ROW_LSWI = 398,
    ROW_LSWX = 399,
    ROW_LVEBX = 401,
    ROW_LVEHX = 402,
    ROW_LVEWX = 403,
    ROW_LVX = 406,
    ROW_LVXL = 407,
    ROW_LWA = 408,
    ROW_LWAUX = 410,
    ROW_LWAX = 411,
    ROW_LWBRX = 412,
    ROW_LWZ = 414,
    ROW_LWZCIX = 415,
    ROW_LWZU = 416,
    ROW_LWZUX = 417,
    ROW_LWZX = 418,
    ROW_LXSDX = 419,
    ROW_LXVD2X = 423,
    ROW_LXVDSX = 424,
    ROW_LXVW4X = 425,
    ROW_PBT = 548,
    ROW_PBT_DOT = 549,
    ROW_STD = 627,
    ROW_STDBRX = 628,
    ROW_STDCIX = 629,
    ROW_STDCX_DOT = 631,
    ROW_STDU = 632,
    ROW_STDUX = 633,
    ROW_STDX = 634,
    ROW_STFD = 635,
    ROW_STFDP = 636,
    ROW_STFDU = 638,
    ROW_STFS = 642,
    ROW_STFSU = 643,
    ROW_STH = 646,
    ROW_STHBRX = 647,
    ROW_STHCIX = 648,
    ROW_STHU = 651,
    ROW_STHUX = 652,
    ROW_STHX = 653,
    ROW_STMD = 654,
    ROW_STMW = 655,
    ROW_STQ = 656,
    ROW_STSDI = 659,
    ROW_STSDX = 660,
    ROW_STSWI = 661,
    ROW_STSWX = 662,
    ROW_STVEHX = 664,
    ROW_STVEWX = 665,
    ROW_STVX = 666,
    ROW_STVXL = 667,
    ROW_STW = 668,
    ROW_STWBRX = 669,
    ROW_STWCIX = 670,
    ROW_STWCX_DOT = 672,
    ROW_STWU = 673,
    ROW_STWUX = 674,
    ROW_STWX = 675,
    ROW_STXSDX = 676,
    ROW_STXVD2X = 679,
    ROW_STXVW4X = 680,
};

// Instruction formats (the row's form id) the storage checks distinguish.
enum : uint32_t { FORM_D = 4, FORM_DS = 5, FORM_DQ = 6, FORM_X = 13 };

// A set of rows, tested with one bit look-up.
class RowSet
{
  public:
    constexpr RowSet(std::initializer_list<uint16_t> ids) : bits_{}
    {
        for (uint16_t id : ids)
            bits_[id / 64] |= 1ull << (id % 64);
    }
    constexpr bool contains(uint16_t id) const { return id < NUM_II_ENTRIES && (bits_[id / 64] >> (id % 64)) & 1; }
    bool contains(const InstrInfo *row) const { return row && contains(row->id); }

  private:
    std::array<uint64_t, (NUM_II_ENTRIES + 63) / 64> bits_;
};

// The 16-byte VSX vector loads and stores, whose fault address names the second page they touch.
inline constexpr RowSet VSX_VECTOR_ROWS{ROW_LXVD2X, ROW_LXVW4X, ROW_STXVD2X, ROW_STXVW4X};

// The address an interrupt reports for a vector element or whole-vector access: rounded down to
// the element (halfword, word) or to the quadword.
inline uint64_t Vector_Element_Align(const InstrInfo *row, uint64_t address)
{
    if (!row) return address;
    switch (row->id) {
    case ROW_LVEHX:
    case ROW_STVEHX:
        return address & ~1ull;
    case ROW_LVEWX:
    case ROW_STVEWX:
        return address & ~3ull;
    case ROW_LVX:
    case ROW_LVXL:
    case ROW_STVX:
    case ROW_STVXL:
        return address & ~15ull;
    default:
        return address;
    }
}

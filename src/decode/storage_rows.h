// The instruction-table rows the storage checks recognise by id (the index of the row in the
// table), sets of such rows tested in one step, and the vector element alignment of the vector
// element and whole-vector loads and stores.
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>

#include "decode/instr_info.h"
#include "decode/row_ids.h"

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

// The string loads and stores (lsdi to lswx, stsdi to stswx).
inline bool Is_String_Row(uint32_t id)
{
    return (id >= ROW_LSDI && id <= ROW_LSWX) || (id >= ROW_STSDI && id <= ROW_STSWX);
}

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

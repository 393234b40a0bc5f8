// Processor options: one word per option in every ProcessorState, indexed as PO_list. The
// indices below are the ones fixed so far; the full list comes with the option table.
#pragma once

#include <cstdint>

enum : uint32_t {
    PO_DIVW_CLEARS_RT0_31 = 29,
    PO_DIV_BY_ZERO_COPIES_RA = 30,
    PO_MULHW_DOUBLES = 56,
    PO_MULHW_ZEROS = 57,
    PO_DIVDE_SUPPORTED = 76,
    PO_DIVWE_SUPPORTED = 77,
    PO_MAX_SUPPORTED = 107,
    PO_NO_64BIT_OPS_IN_32BIT_MODE = 115,
    PO_TAGS_ACTIVE = 160,
    PO_XER_OC_BEHAVIOR = 169,
    PO_XER_SET_OV_REPORTS_SO = 171,
    PO_SUPPORTS_WIMG_M_BIT = 193,
    PO_SUPPORTS_WIMG_W_BIT = 194,
    PO_Dravo_DSCR = 305,
    PO_DIVIDE_W_UPDATE_DO_NOT_SET_XER_OV = 382,
    PO_POWERPC_V2 = 136,
    PO_RESERVE_MSR_WE_BIT = 147,
    PO_STWCX_FAILS_IF_ADDRESSES_DIFFER = 203,
    PO_STWCX_FAILS_IF_LENGTHS_DIFFER = 204,
    PO_STWCX_FAILS_IF_ON_DIFFERENT_PAGES = 205,
    PO_GLENT_EN_4_LPAR_SYSTEM = 395,
    PO_GLENT_EN_PTE_B_BITS_MOVE = 397,
    // Not fixed yet; placed in free slots until the option table assigns them.
    PO_POWERPC_V2_MSR_LIMITS = 137,
    PO_AKRA_PLUS = 138,
    PO_INVALID_SR_IS_ZERO = 139,
    PO_GLENT_STYLE_CTRL = 396,
    PO_COUNT = 424, // also the index that ends PO_list
};

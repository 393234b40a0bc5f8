// Page-size encodings: the page shift (log2 of the page size) named by a segment's L and LP, by a
// large page-table entry's LP code, and by a tlbie operand, for the processor family the options
// choose; and the base-page-size tables of the page-table entry codes.
#pragma once

#include <cstdint>

struct IOPDesc;

// {base page shift, actual page shift} by bits 12-17 of a large entry's second doubleword; {0, 0}
// for codes that name no size. Generations 7 and 8, and generation 9.
extern const int32_t Dravo_base_page_size[64][2];
extern const int32_t Fosk_base_page_size[64][2];

// The table of the processor (generation 9 under DEFINE_PAGE_SIZE_Fosk_FIXED).
const int32_t (*Base_Page_Size_Table(IOPDesc *iop))[2];

// Base page shift of a segment with these L and LP.
int32_t SLBE_page_size_bits(IOPDesc *iop, uint32_t l, uint32_t lp);
// Page shift of a large entry by its size index (generations 7 and 8).
int32_t PTE_page_size_bits(IOPDesc *iop, uint32_t size_index);
// Page shift of an entry with L and its LP field (generation 9).
int32_t PTE_page_size_bits_Fosk(IOPDesc *iop, uint32_t l, uint32_t lp);
// Number of consecutive one bits at the low end of the field (0 for an even value).
int32_t MMU_Compute_Size_Index_from_PTE_LP_field(uint32_t lp);
// Page shift named by a tlbie operand: the base size for actual 0, the actual size for 1.
int32_t TLBIE_page_encoding_bits(IOPDesc *iop, uint32_t l, uint32_t lp, uint32_t ignored, int actual);

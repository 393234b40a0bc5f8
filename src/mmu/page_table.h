// The hashed page table: the search of a virtual page's entry in its primary and secondary groups,
// the fit of an entry's page and segment sizes, the reads and writes of entries with their plug-in
// event and "PTE_LOAD" trigger, the R/C/TS update, and whether a cached copy of an entry can be used.
//
// A page-table entry is two host 64-bit values (the big-endian doublewords of guest memory).
#pragma once

#include <cstdint>

struct AXD;
struct IOPDesc;
struct SLB;
struct TLB_ENTRY_t;
struct ThreadState;

// First doubleword bits.
constexpr uint64_t PTE_V = 0x1, PTE_H = 0x2, PTE_L = 0x4;
// Second doubleword bits.
constexpr uint64_t PTE_PP = 0x3, PTE_N = 0x4, PTE_G = 0x8, PTE_M = 0x10, PTE_I = 0x20, PTE_W = 0x40,
                   PTE_C = 0x80, PTE_R = 0x100, PTE_TS = 1ull << 62, PTE_PP0 = 1ull << 63;

// The WIMG attribute code of a second doubleword (0b1110 becomes strong access ordering).
uint32_t PTE_WIMG(uint64_t dw1);
// 1 when B is taken from the second doubleword (HID4's SEL_PTE_LPX bit).
int PTE_SEL_LPX(IOPDesc *iop);

// 1 found (entry[2] and *entry_address set), 0 not found.
int PPC_MMU_Search_Page_Table(uint64_t entry[2], IOPDesc *iop, AXD *axd, uint64_t vsid_word,
                              uint64_t xlate_ea, int32_t segment_bits, uint32_t seg_b, int32_t page_shift,
                              uint64_t *entry_address, uint32_t kind, int mode, SLB *segment);
// Slot 0..7 of the group, -1 not in the group (*entry_address 0), -2 the group cannot be read.
int PPC_MMU_Search_PTEG(IOPDesc *iop, uint64_t group, uint64_t entry[2], uint64_t compare, uint64_t page_ea,
                        uint64_t *entry_address, uint32_t kind, int mode, uint64_t ea, SLB *segment);
int PPC_MMU_Compare_PTE_Entry(IOPDesc *iop, const uint64_t entry[2], uint64_t wanted, uint64_t mask,
                              uint32_t kind, SLB *segment);
int PPC_MMU_Match_PTE_Size(IOPDesc *iop, uint32_t kind, const uint64_t entry[2], SLB *segment);
int TLB_Should_Match_EA(IOPDesc *iop, uint64_t wanted, uint64_t ignored, uint32_t kind, SLB *segment,
                        TLB_ENTRY_t *tlb_entry);

// count doublewords at pa; 0 or the data path's failure code.
uint32_t Read_PTEs(IOPDesc *iop, uint64_t pa, uint64_t *values, int count, int effects, uint64_t ea);
uint32_t Write_PTE(IOPDesc *iop, uint64_t pa, uint64_t value, int effects, uint64_t ea);
// The second doubleword after setting R, C and TS as asked (a first C also sets M and, without I,
// clears W, unless CONFIG_NO_WIMG_RC_CHANGE).
uint64_t PTE_RC_Value(IOPDesc *iop, uint64_t old, int set_r, int set_c, int set_ts);
// Sets R, and C and TS as asked, in the entry's second doubleword; entry may be null (then read).
void Update_PTE_RC(IOPDesc *iop, uint64_t entry_address, const uint64_t *entry, int set_r, int set_c,
                   int set_ts, uint64_t ea);
// The cached entry when it can be used as it is, null when the page table must be visited.
const uint64_t *Adjust_PTE_for_if_we_need_to_set_TS_C_or_R_bit(const uint64_t *entry, ThreadState *thread,
                                                               IOPDesc *iop, AXD *axd);
// Whether the instruction sets the tag-set bit (XER bit 0x100000 with a tag-setting row), marked read.
int Xlate_Sets_Tag(IOPDesc *iop);

// Diagnostics.
void SHOW_PTAB(IOPDesc *iop);
void BogusPageTableEntry(IOPDesc *iop, uint64_t ignored1, uint64_t ignored2, const uint64_t entry[2]);

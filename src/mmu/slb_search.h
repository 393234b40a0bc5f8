// Segment lookup: the SLB search with its tags-active, no-access and slbfee. matching and the
// multiple-match detection, the synthetic segments of tags-active single-level storage, the
// large-page suppression, and the side-effect-free segment-number query.
#pragma once

#include <cstdint>

struct AXD;
struct IOPDesc;
struct SLB;

// SIM_CTRL bit enabling the detection of several SLB entries matching one address.
constexpr uint64_t SIM_CTRL_SLB_MULTI_MATCH = 0x0002000000000000ull;

// The SLB entry covering ea for an access of this kind, or null. With multiple non-null the whole
// SLB is scanned and *multiple is 1 when more than one entry matched; several matches with the
// detection on (and "WOLK_SIM_ERROR_IGNORE" unset) are a fatal error and give null.
SLB *PPC_MMU_Search_SLB(IOPDesc *iop, uint64_t ea, uint32_t kind, int *multiple);
// 1 when the segment's L and LP are to be treated as 0 for an access of this kind.
int Suppress_SLB_Large_Page_Support(IOPDesc *iop, uint32_t kind);
// The synthetic segment of a tags-active address above 0xFFFFFFFFFFFF.
void Tags_Active_Segment(IOPDesc *iop, uint64_t address, SLB *segment);
// 1 with the VSID of the address's segment in *segment_id, 0 when no segment covers it.
int PPC_MMU_GetSegmentID(IOPDesc *iop, uint64_t ea, uint64_t *segment_id, AXD *axd);
// Entry points kept for compatibility: 0, and nothing.
int PPC_MMU_Find_SLBE_in_Segments(void);
void Debug_Print_SLBE(void *thread, SLB *entry);

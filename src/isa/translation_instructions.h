// The translation-management instructions beside the instruction-table rows: the page-size
// decoding of tlbie, the TLB reference-bit clearing and the segment-register moves without a row.
#pragma once

#include <cstdint>

struct IOPDesc;

// The page size a tlbie's RB names (L the instruction's L field): *actual the page shift (12 when
// the encoding is invalid), *lp the LP (or AP) field, *ap RB bits 9:8 (the segment-size field B).
// Returns the effective-address mask of the page.
uint64_t TLBIE_Page_Size(IOPDesc *iop, uint64_t rb, uint32_t l, int32_t *actual, uint32_t *lp, uint32_t *ap);
// tlberrl: clears the reference bits of the TLB congruence class RB names (privileged).
int semantic_tlberrl(IOPDesc *iop);
// tlberr: clears the reference bit of the TLB entries RB designates (hypervisor only).
int semantic_tlberr(IOPDesc *iop);
// mtsr and mtsrin without the transaction guard.
int semantic_mtsrd(IOPDesc *iop);
int semantic_mtsrdin(IOPDesc *iop);

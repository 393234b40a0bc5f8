// The translation-management instructions beside the instruction-table rows: the page-size
// decoding of tlbie, the TLB reference-bit clearing and the segment-register moves without a row;
// the workers of slbmfee, slbmfev, slbmte and tlbie that translated code calls as well.
#pragma once

#include <cstdint>

struct IOPDesc;
struct ThreadState;

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

// slbmfee and slbmfev without the privilege check: the ESID or VSID word of the SLB entry that RB
// bits 52:63 name (modulo the SLB size; 0 for an SLB without entries). The record is unused.
uint64_t micro_slbmfee(ThreadState *thread, uint64_t rb, IOPDesc *none);
uint64_t micro_slbmfev(ThreadState *thread, uint64_t rb, IOPDesc *none);
// slbmte without the checks: the entry RB names gets RB's ESID and valid bit and RS's VSID word
// (HID4 may clear L; RB is 32 bits outside SF mode); a valid entry replaced while the thread runs
// translated code drops its effective-address range first. Raises the translation version.
void micro_slbmte(ThreadState *thread, uint64_t rs, uint64_t rb);
// tlbie (global 1) and tlbiel (0) after their checks: the TLB entries RB designates (on every
// processor when global, with the partition from LPIDR or GPR[rs_number] by the processor's tlbie
// form, L from the record's instruction word), the ERATs and the translator's segment entries.
void tlbie_with_regs(IOPDesc *iop, int rs_number, uint64_t rb, int global);

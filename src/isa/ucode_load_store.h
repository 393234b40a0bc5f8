// The micro-operations the cycle-level core issues for cracked loads and stores: the
// address-generation rows ("d_agen", "x_agen", "ds_agen" and their update forms, declared with the
// instruction table), the indexed add "x_ls_add" into scratch GPR 32, and one element routine per
// multiple, string and quadword instruction, which the core installs by mnemonic.
//
// Every routine returns 1 when its work is done and 0 when an interrupt was raised or storage
// stopped (address-only runs included); none advances the next-instruction address. An element
// routine computes the whole instruction's base address, adds its element's offset (from
// ucode_id) and moves one element: loads write RT (the core has already set the word's RT field
// to the element's register), stores send RS. Store elements carry even ids (each has a data
// micro-op of its own); an odd one is the core model's fatal error.
#pragma once

#include <cstdint>

struct IOPDesc;

// Subtypes of the quadword alignment interrupts.
enum : int32_t {
    EST_ALIGN_LQ_NOT_8_ALIGNED = 137,    // "ALIGNMENT: lq address not 8-byte aligned"
    EST_ALIGN_LTPTR_NOT_8_ALIGNED = 143, // "ALIGNMENT: ltptr address not 8-byte aligned"
    EST_ALIGN_STQ_NOT_8_ALIGNED = 199,   // "ALIGNMENT: stq address not 8-byte aligned"
};

int semantic_lmw_ucode(IOPDesc *iop);
int semantic_stmw_ucode(IOPDesc *iop);
int semantic_lmd_ucode(IOPDesc *iop);
int semantic_stmd_ucode(IOPDesc *iop);
// Strings: the last element (iid, the micro-op countdown, 0; -1 or 0 for a store) is short when NB, or the
// byte count in xer_operand, is not a multiple of the element size; core_rec.short_element marks
// it.
int semantic_lswi_ucode(IOPDesc *iop);
int semantic_lsdi_ucode(IOPDesc *iop);
int semantic_lswx_ucode(IOPDesc *iop);
int semantic_lsdx_ucode(IOPDesc *iop);
int semantic_stswi_ucode(IOPDesc *iop);
int semantic_stsdi_ucode(IOPDesc *iop);
int semantic_stswx_ucode(IOPDesc *iop);
int semantic_stsdx_ucode(IOPDesc *iop);
// Quadwords: an address that is not a multiple of 8 raises the alignment interrupt (lq and ltptr
// test the base address, stq the element's).
int semantic_lq_ucode(IOPDesc *iop);
int semantic_ltptr_ucode(IOPDesc *iop);
int semantic_stq_ucode(IOPDesc *iop);

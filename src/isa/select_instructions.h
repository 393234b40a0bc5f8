// Workers of the tags-active select instructions (their routines are in decode/semantics.h) and
// of the decimal-assist instructions cdtbcd, cbcdtd, dtcs. and dsixes, with the densely packed
// decimal conversions of one declet.
#pragma once

#include <cstdint>

struct IOPDesc;

// RA := the first operand when XER bit XBI (12-15: never) is set, else the second; record forms
// set CR0 from it. Always 1.
int core_selrr(IOPDesc *iop);
int core_selrr_dot(IOPDesc *iop);
int core_selri(IOPDesc *iop);
int core_selri_dot(IOPDesc *iop);
int core_selir(IOPDesc *iop);
int core_selir_dot(IOPDesc *iop);
int core_selii(IOPDesc *iop);
int core_selii_dot(IOPDesc *iop);

// Three BCD digits (12 bits) of a 10-bit declet, and the declet of a 12-bit BCD group (digits above
// 9 go through the same equations).
uint32_t DPD_To_BCD(uint32_t declet);
uint32_t BCD_To_DPD(uint32_t group);

int core_cdtbcd(IOPDesc *iop);
int core_cbcdtd(IOPDesc *iop);
int core_dtcs_dot(IOPDesc *iop);
int core_dsixes(IOPDesc *iop);

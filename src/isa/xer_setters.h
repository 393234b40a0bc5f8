// The XER setters through which the fixed-point routines write OV (with SO), CA and the offset
// carry OC, and the nibble carries of the tags-active and decimal-assist adds.
#pragma once

#include <cstdint>

struct IOPDesc;

// OV := ov; SO is set with it (in the thread's XER and the IOPDesc's SO value) when ov is 1.
void set_xer_ov(IOPDesc *iop, uint32_t ov);
// CA := ca; OC keeps its value.
void set_xer_ca(IOPDesc *iop, uint32_t ca);
// CA := ca and, with option XER_OC_BEHAVIOR, OC := oc.
void set_xer_ca_oc(IOPDesc *iop, uint32_t ca, uint32_t oc);
void set_xer_ov_ca(IOPDesc *iop, uint32_t ov, uint32_t ca);
void set_xer_ov_ca_oc(IOPDesc *iop, uint32_t ov, uint32_t ca, uint32_t oc);

// The sixteen nibble carries of x + y + c (bit i: the carry out of nibble i).
uint32_t Nibble_Carries(uint64_t x, uint64_t y, uint32_t c);
// XER bits 32-47 := the carries, bit 23 := any of them.
void set_xer_nibble_carries(IOPDesc *iop, uint32_t carries);

// The carries and overflow of the 64-bit sum x + y + c: CA and OV at bit 63, or at bit 31 in 32-bit
// mode; OC at bit 48 when ra (RA's value) is below 2^48, else at bit 24.
struct AddFlags {
    uint32_t ca;
    uint32_t ov;
    uint32_t oc;
};
AddFlags Add_Flags(uint64_t x, uint64_t y, uint32_t c, uint64_t ra, bool mode64);

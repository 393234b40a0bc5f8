// The FPR invalid map (one bit per vector-scalar register, clear = the register holds a
// single-precision denormal written by a single-precision operation) and the soft-patch
// predicates that test it before an instruction runs.
#pragma once

#include <cstdint>

struct IOPDesc;

// Sets or clears register n's bit after a write of value (nothing without option
// SUPPORTS_FP_SOFTPATCH or for n above 63).
void Update_FPR_Invalid_Map(IOPDesc *iop, uint32_t n, uint64_t value);
// 1 when one of the count registers (unsigned ints) below 64 is dirty; 0 without option
// SUPPORTS_FP_SOFTPATCH or under the exemption of the row's class (DISABLE_FP_SOFTPATCH_LOADS,
// DISABLE_FP_SOFTPATCH_SCALARS).
int Check_Dirty_FPR_Invalid_Map(IOPDesc *iop, int count, ...);

// Predicates of the decimal rows: FRA, FRB, or the even-odd pairs they name.
int spatchin__FRA(IOPDesc *iop);
int spatchin__FRB(IOPDesc *iop);
int spatchin__FRA_FRB(IOPDesc *iop);
int spatchin__Double_FRA(IOPDesc *iop);
int spatchin__Double_FRB(IOPDesc *iop);
int spatchin__Double_FRA_FRB(IOPDesc *iop);
int spatchin__FRA_Double_FRB(IOPDesc *iop);

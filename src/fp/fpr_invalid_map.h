// The FPR invalid map (one bit per vector-scalar register in the thread register FPR_INVALID_MAP:
// set = clean, clear = dirty, the register holds a single-precision denormal written by a
// single-precision operation) and the soft-patch predicates of the instruction-table rows, which
// answer 1 when an instruction with these operand registers needs the assist interrupt. Every
// row that names a predicate is bound to it at start-up.
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
// The divide-test rule for exactly one dirty operand of a and b (double patterns).
int DirtyAndExponentInRange(int a_dirty, int b_dirty, uint64_t a, uint64_t b);

// Plain predicates: the registers named after "spatchin_" (FRx the FPR fields, Double_ the
// even-odd pair of a field, VSx the vector-scalar fields with their extension bits, VRx the VMX
// fields). The glent ones answer 0 without option SUPPORTS_GLENT_FP_SOFTPATCH.
int spatchin__FRA(IOPDesc *iop);
int spatchin__FRB(IOPDesc *iop);
int spatchin__FRA_FRB(IOPDesc *iop);
int spatchin__Double_FRA(IOPDesc *iop);
int spatchin__Double_FRB(IOPDesc *iop);
int spatchin__Double_FRA_FRB(IOPDesc *iop);
int spatchin__FRA_Double_FRB(IOPDesc *iop);
int spatchin__VSB(IOPDesc *iop);
int spatchin__VSA_VSB(IOPDesc *iop);
int spatchin__VSA_VSB_VST(IOPDesc *iop);
int spatchin__VSA_VSB_VSC(IOPDesc *iop);
int spatchin__VST(IOPDesc *iop);
int spatchin__VRA(IOPDesc *iop);
int spatchin__VRB(IOPDesc *iop);
int spatchin__VRA_VRB(IOPDesc *iop);
int spatchin__VRA_VRB_VRC(IOPDesc *iop);
int spatchin_glent__FRB(IOPDesc *iop);
int spatchin_glent__VSB(IOPDesc *iop);
int spatchin_glent__VST(IOPDesc *iop);
int spatchin_glent__VRA(IOPDesc *iop);
int spatchin_glent__VRB(IOPDesc *iop);
int spatchin_glent__VRA_VRB(IOPDesc *iop);
int spatchin_glent__VRA_VRB_VRC(IOPDesc *iop);

// Compare and divide-test wrappers: with SUPPORTS_GLENT_FP_SOFTPATCH the plain test of their two
// registers, otherwise the partial-support and dravo rules.
int spatchin__fcmp(IOPDesc *iop);
int spatchin__vcmp(IOPDesc *iop);
int spatchin__FRA_FRB_Scaler_Div(IOPDesc *iop);
int spatchin__VSA_VSB_Scaler_Div(IOPDesc *iop);
int spatchin__VSA_VSB_Vector_Div(IOPDesc *iop);
int spatchin__fcmp_partial_support(IOPDesc *iop);
int spatchin_dravo__FRA_FRB_Scaler_Div(IOPDesc *iop);
int spatchin_dravo__VSA_VSB_Scaler_Div(IOPDesc *iop);
int spatchin_dravo__VSA_VSB_Vector_Div(IOPDesc *iop);

// Store predicates (option FP_UNALIGNED_STORE_TAKES_SOFTPATCH): a dirty source register of a
// store whose data access crosses a page, or crosses an 8-byte (16-byte) block while DAWRX0
// watches such writes.
int spatchin__FRS(IOPDesc *iop);
int spatchin__FRS_Word(IOPDesc *iop);
int spatchin__XS(IOPDesc *iop);
int spatchin__XS_Word(IOPDesc *iop);
int spatchin__XS_Q(IOPDesc *iop);

// The page translation of the floating-point, vector and vector-scalar operation kinds: their
// guards, then their emitters. Kinds of these families that are not translated, record forms
// included, are left to the caller (which gives them the "unknown" exit).
#pragma once

#include <cstdint>

struct xframe;

// Emits the guards and code of the word when its kind is a translated FP, VMX or VSX kind; false
// (nothing emitted) otherwise.
bool translate_fp_vector(xframe *x, uint32_t word, uint32_t kind);

// The effective-address maps' translation level.
#include "translator/emat_trans_level.h"

// STAND-IN: the effective-address maps do not read their translation level yet; the setting is
// only kept.
__attribute__((weak)) int32_t EMAT_TRANS_LEVEL = 1;

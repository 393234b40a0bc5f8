// Stand-in of the effective-address map release.
#include "translator/emat.h"

// STAND-IN: effective-address maps are not built, so a thread never holds one; nothing to free.
__attribute__((weak)) void emat_free(emat_s *) {}

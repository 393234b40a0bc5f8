#include "coproc/coprocessors.h"

// STAND-IN: the coprocessors are not built yet; they have no defaults.
void COP_Add_Default_Values(PropertyList *, const char *) {}

// STAND-IN: the coprocessor table and its engines are not built yet; a chip gets none.
void Init__Coprocessors(MCM *, PropertyList *) {}

// STAND-IN: the coprocessor bus interface is not built yet; there is no list to clear.
void PBIC_Init(MCM *) {}

// STAND-IN: the coprocessor bus interface is not built yet; there is nothing to release.
void PBIC_Quit(MCM *) {}

void Quit__Coprocessors(void) {}

// STAND-IN: the nest units are not built yet; they add no defaults.
void Nest_Add_Default_Values(PropertyList *, const char *) {}

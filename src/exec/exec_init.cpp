#include "exec/exec_init.h"

// STAND-IN: the fast interpreter is not built yet.
void fast_init(void) {}

// STAND-IN: the exception table is not built yet.
void Init_ExceptionStructures(void) {}

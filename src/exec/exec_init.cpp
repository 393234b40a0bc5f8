#include "exec/exec_init.h"

// STAND-IN: the fast interpreter is not built yet.
void fast_init(void) {}


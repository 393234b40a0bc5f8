#include "runtime/psv.h"

// STAND-IN: the processor-specific value table is not built yet.
void Init_PSV_Table(void) {}

#include "runtime/hooks/model_callbacks.h"

// STAND-IN: the out-of-order core timing model is not built yet; it registers nothing.
void Callbacks_register_cycle_core(void) {}

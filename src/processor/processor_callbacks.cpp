#include "processor/processor_callbacks.h"

// STAND-IN: run control is not built yet; it registers nothing.
void Callbacks_register_SimpleMode(void) {}

// STAND-IN: run control is not built yet; it registers nothing.
void Callbacks_register_ppc_generic(void) {}

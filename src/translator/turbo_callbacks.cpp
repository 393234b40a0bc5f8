#include "translator/turbo_callbacks.h"

#include "runtime/hooks/model_callbacks.h"

// STAND-IN: the dynamic translator is not built yet; it has no tables to set up.
void turbo_init(void) {}

// STAND-IN: the dynamic translator is not built yet; it registers nothing.
void Callbacks_register_TurboMode(void) {}

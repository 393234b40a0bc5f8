#include "runtime/hooks/model_callbacks.h"

// STAND-IN: the cache hierarchy timing model is not built yet; it registers nothing.
void Callbacks_register_cache(void) {}

// STAND-IN: the cache hierarchy timing model is not built yet; it registers nothing.
void Callbacks_register_l4cache(void) {}

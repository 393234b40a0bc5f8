#include "runtime/hooks/model_callbacks.h"

// STAND-IN: the transactional-memory model is not built yet; it registers nothing.
void Callbacks_register_HTM(void) {}

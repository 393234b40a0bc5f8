#include "runtime/hooks/model_callbacks.h"

// STAND-IN: the trace-driven models are not built yet; they register nothing.
void Callbacks_register_vuxo(void) {}

// STAND-IN: the trace-driven models are not built yet; they register nothing.
void Callbacks_register_probability_model(void) {}

// STAND-IN: the trace-driven models are not built yet; they register nothing.
void Callbacks_register_perfcore_model(void) {}

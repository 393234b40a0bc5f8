#include "runtime/hooks/model_callbacks.h"

// STAND-IN: the interconnect and memory timing model is not built yet; it registers nothing.
void Callbacks_register_bus(void) {}

// STAND-IN: the interconnect and memory timing model is not built yet; it registers nothing.
void Callbacks_register_memory_unit(void) {}

// STAND-IN: the interconnect and memory timing model is not built yet; it registers nothing.
void Callbacks_register_smp_port(void) {}

// STAND-IN: the interconnect and memory timing model is not built yet; it registers nothing.
void Callbacks_register_HubChip(void) {}

// STAND-IN: the interconnect and memory timing model is not built yet; it registers nothing.
void Callbacks_register_io_bridge(void) {}

// Registration of the trace-driven models' life-cycle callbacks.
#pragma once

// trace driver, priority 16, name "Vuxoz".
void Callbacks_register_vuxo(void);
// probability traffic model, priority 17, name "PrbbModel".
void Callbacks_register_probability_model(void);
// trace-driven core framework, priority 18, name "PerfCore".
void Callbacks_register_perfcore_model(void);

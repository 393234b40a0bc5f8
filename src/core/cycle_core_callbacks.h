// Registration of the cycle-level core's life-cycle callbacks.
#pragma once

// priority 1, name "CycleCore".
void Callbacks_register_cycle_core(void);

// Registration of the processor run-control callbacks.
#pragma once

// the functional modes' callbacks.
void Callbacks_register_SimpleMode(void);
// the generic processor's callbacks.
void Callbacks_register_ppc_generic(void);

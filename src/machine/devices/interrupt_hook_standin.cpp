#include "machine/devices/interrupt_hook_standin.h"

// STAND-IN: no interrupt hook exists yet.
void IntHandler__Delete(IntHandler *) {}

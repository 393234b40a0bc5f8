// Interrupt hooks as the chip's teardown reaches them.
#pragma once

struct IntHandler;

// STAND-IN: interrupt hooks are not built yet; a chip never holds one, so there is nothing to
// delete.
void IntHandler__Delete(IntHandler *handler);

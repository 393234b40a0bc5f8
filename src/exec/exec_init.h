// Start-up of the execution engine's process-wide tables.
#pragma once

// Resets the fast interpreter's tables.
void fast_init(void);

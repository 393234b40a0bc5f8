// Start-up of the execution engine's process-wide tables.
#pragma once

// Fills the fast interpreter's rotate and CR-field mask tables (once, at start-up).
void fast_init(void);

// Start-up and shut-down of the execution engine's process-wide tables.
#pragma once

// Resets the fast interpreter's tables.
void fast_init(void);
// Creates and releases the process-wide pool of exception records.
void Init_GlobalExceptionPool(void);
void Quit_GlobalExceptionPool(void);
// Fills the exception table (names, priorities, vector offsets).
void Init_ExceptionStructures(void);

// The default configuration of the embedding interface.
#pragma once

struct PropertyList;

// A new property list "MYRRIN" with every component's defaults and the library's settings (one
// chip, CPI 1.0, 64 SLB entries, the turbo debug and nop settings), and the library's debug
// categories; null (after an error) when the list cannot be made.
PropertyList *LIBSIM_Default_Config(void);

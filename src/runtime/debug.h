// Debug categories: numbered categories with levels that switch debug messages on.
#pragma once

// Sets every category's level to its start value.
void Init_Debug_State(void);
// The level of a category (0 = off).
int get_debug_flag(int category);

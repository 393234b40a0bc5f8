// What the embedding interface's start-up asks of the program entry (app/, on the floor above,
// which defines it): the process-wide data structures.
#pragma once

// Debug levels, global triggers, interpreters, translator, instruction tables, exception pools,
// signal handlers and callback lists, in that order. Defined by app/startup.cpp.
void Initialize_Quarn_Data_Structures(void);

// Stand-in of the embedding handle's machine accessor.
#include "processor/hooks/embed_hooks.h"

// STAND-IN: the embedding handle (vLIBSIM_data) and machine creation are not built. The real LSD_Machine
// creates the handle's machine from its property list under the configuration "MYRRIN" when it has none and
// returns it; this one creates nothing and answers null. Defined weakly so that the embedding interface
// replaces it.
__attribute__((weak)) GenericMachine *LSD_Machine(vLIBSIM_data *) { return nullptr; }

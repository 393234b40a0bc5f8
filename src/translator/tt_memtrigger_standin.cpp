// Stand-in of the translator's memory-trigger summary.
#include "exec/hooks/translator_triggers.h"

// STAND-IN: translated code keeps no memory-trigger summary yet (memory triggers in translated
// code come with the translator's trigger routines), so there is nothing to rebuild.
__attribute__((weak)) void tt_memtrigger_reset(void) {}

// Stand-in of the message sink's general warning call.
#include <cstdarg>

#include "runtime/message.h"

// STAND-IN: the message sink is not on this branch. The general warning call writes nothing by definition;
// this one does the same. Defined weakly so that the sink's implementation replaces it.
__attribute__((weak)) void sim_do_warning(int, const char *, ...) {}

// Dropping every translation of the dynamic translator (declared with the runtime's hooks, whose
// associative triggers drop translations too).
#pragma once

#include "runtime/hooks/emat_zap.h"

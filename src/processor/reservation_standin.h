// The reservation operations the memory map's gated fills reach (under the name the memory map
// includes).
#pragma once

#include "processor/reservations.h"

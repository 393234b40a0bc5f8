// The architectural coverage record of an interpreted instruction and the coverage file
// (`PrintArchitecturalCoverage` and `Quarn_Architectural_Coverage_File` are declared with the
// engine's per-instruction hooks).
#pragma once

#include "exec/instruction_hooks.h"

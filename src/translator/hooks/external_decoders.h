// External instruction decoders as the page translation asks for them. Declared here for the
// translator; defined by the command layer (command/external_decoders.cpp), which registers the
// decoders.
#pragma once

#include <cstdint>

struct GenericMachine;

// 1 when an external decoder registered on the machine's first thread claims the word, else 0.
int external_decoders_exist(GenericMachine *machine, uint32_t word);

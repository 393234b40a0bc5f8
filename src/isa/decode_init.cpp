#include "isa/decode_init.h"

// STAND-IN: the operand-field printers are not built yet.
void Init_Instruction_Parameter_Table(void) {}

namespace
{
// This build decodes through tables built on first use, so its start-up initialiser has nothing
// to do.
void Init_DecodeTable_Nothing(void) {}
} // namespace

void (*Init_DecodeTable)(void) = Init_DecodeTable_Nothing;

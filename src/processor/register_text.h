// Registers rendered as text for messages and debug output: MSR and CR.
#pragma once

#include <cstdint>

constexpr int MSR_TEXT_SIZE = 256;

// With a buffer (MSR_TEXT_SIZE bytes) renders the MSR into it and returns it. Without one, only
// records the value as the shared MSR text and returns null: every instruction-level MSR read
// does this, and the text is rendered only when Shared_MSR_Text reads it.
const char *Prepare_MSR(char *buffer, uint64_t msr);
// The shared MSR text of the value recorded last.
const char *Shared_MSR_Text(void);
// The CR as text: "0x%08X", two blanks, one character per field (a static buffer).
const char *Prepare_CR(uint32_t cr);

// Plug-in events fired by instructions: a dcbz block starting or ending on a 4 KB boundary, a
// synchronising instruction, the attention instruction.
#pragma once

#include <cstdint>

struct ThreadState;

// Synchronising-instruction kinds.
enum : int { SYNC_EVENT_ISYNC = 0, SYNC_EVENT_SYNC = 1, SYNC_EVENT_EIEIO = 2 };

void Event_DCBZ_Start_End(ThreadState *thread, uint64_t ea, uint64_t pa, int64_t size);
void Event_Core_Sync_Instruction(ThreadState *thread, int kind);
// code: the instruction's 15-bit field (word bits 11-25).
void Event_Attn_Inst(ThreadState *thread, uint32_t code);

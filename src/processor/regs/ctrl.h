// The CTRL register's architected write, and its write by an instruction.
#pragma once

#include <cstdint>

struct IOPDesc;
struct Register_File_Entry;
struct ThreadState;

// Writes CTRL as the thread would (Write_CTRL on a blank record of the thread); with option
// CTRL_HAS_RUN_LATCH_BITS every thread i's run latch then follows bit 15 - i.
void cooked_set_CTRL(ThreadState *thread, uint32_t value);
// Force of a CTRL value; the same as cooked_set_CTRL.
void FORCE_CTRL(ThreadState *thread, uint32_t value);
// The CTRL write of an instruction; nothing in problem state. Bit 0 becomes the writer's run latch;
// when any enable bit (bit 23 - i for thread i) is set, a never-started thread whose bit is set is
// started and the writer is disabled when its own bit is clear (other threads are left alone);
// the SMT request (bits 7:4) only ever moves the core toward fewer threads. With GLENT_STYLE_CTRL
// the core's stored run bits are kept instead of the SMT mode.
void Write_CTRL(IOPDesc *iop, uint32_t value);
// The register file's force of CTRL: FORCE_CTRL on the entry's thread, the core's stored CTRL :=
// the masked value, and the run latches as in cooked_set_CTRL. Returns the number of run latches
// set (0 without CTRL_HAS_RUN_LATCH_BITS).
int CTRL_Force_Callback(Register_File_Entry *entry, const void *value);

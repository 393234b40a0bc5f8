// The instruction mix: per-thread counts of executed instructions by operation kind, in three
// tables by privilege state, switched on and off through the embedding interface; switching off
// prints the mix table of every machine.
#pragma once

// Whether mix counting is on (read by the interpreter and at translation time).
int imix_is_on(void);
// On: the switch is set and every thread's three tables are zeroed.
void TRC_IMIX_ON(void);
void trc_imix_on(void);
// Off: the switch is cleared and each machine's table printed (and zeroed entry by entry).
void TRC_IMIX_OFF(void);
void trc_imix_off(void);

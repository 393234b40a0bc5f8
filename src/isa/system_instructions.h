// The system-call, trap, power-saving and wait instructions beside the instruction-table rows.
#pragma once

struct IOPDesc;

// The wait instruction (no row of the instruction table names it): WC (word bits 21-22) 3 only
// advances; otherwise the thread stalls until woken (WC 1 with option CAN_WAIT_FOR_RESERVERATION:
// while it holds a reservation).
int semantic_wait(IOPDesc *iop);

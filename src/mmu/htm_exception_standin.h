// The transactional-memory model's say in interrupts raised by an instruction.
#pragma once

#include <cstdint>

struct IOPDesc;

// Whether the guest operating system takes interrupts inside transactions itself.
int OS_SUPPORTS_HTM(IOPDesc *iop);
// Records a transaction failure for an exception raised in a transaction; non-zero when the model
// took the exception (the raiser then raises nothing).
int htm_handle_exception(IOPDesc *iop, int32_t type);
// Records the failure of the transaction for an interrupt; the result is not used.
int htm_handle_interrupt(IOPDesc *iop, int32_t type);

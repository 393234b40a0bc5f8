// The cycle-level core model's fatal error about one of its instructions, for the micro-coded
// semantics that detect a broken invariant of the core. Declared here for the floors that call
// it; defined by the cycle-level core (core/vantor_panic_standin.cpp).
#pragma once

struct IOPDesc;

// Prints the failing instruction and the message, then raises the fatal internal error; does not
// return.
[[noreturn]] void VANTOR_PANIC(IOPDesc *iop, const char *format, ...) __attribute__((format(printf, 2, 3)));

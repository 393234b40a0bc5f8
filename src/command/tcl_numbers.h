// Reading numbers from the words of a command, with a message into the command's result when a
// word is not entirely a number.
#pragma once

#include <cstdint>

struct Tcl_Interp;

// strtol / strtoull with base 0; the value read is stored in every case (an int keeps the low 32
// bits). 1 when the whole text was a number (the empty text reads as 0), else 0 after printing
// "Error: reading <what> got <value> from <text>".
int tclstr_to_int(Tcl_Interp *interpreter, const char *text, int *result, const char *what);
int tclstr_to_uint64_t(Tcl_Interp *interpreter, const char *text, uint64_t *result, const char *what);

// The decimal library's assertion handler and its version text. A broken internal precondition of
// the library ends the process here; floating-point exceptions are status, never assertions.
#pragma once

// Reports "DFP_Assert: Assertion failed: <condition>, file <path>, line <line>." with the library
// version on stderr and ends the process with exit code -127. `path` is the library's logical
// source path ("common/dfp/BCDnumber", ...).
[[noreturn]] void DFP_Assert(const char *condition, const char *path, int line);

// "2.4.23".
const char *DFP_Version();

// Ends the process through DFP_Assert with `text` when `cond` is false.
#define DFP_CHECK(cond, text, path)                                                                          \
    do {                                                                                                     \
        if (!(cond)) DFP_Assert(text, path, __LINE__);                                                       \
    } while (0)

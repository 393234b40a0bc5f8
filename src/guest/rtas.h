// RTAS: the run-time firmware functions an operating system calls by token through the
// simulator-only "rtascall" instruction ("instantiate-rtas" puts it at the RTAS base). The call's
// argument block is a run of 32-bit big-endian cells at the effective address in GPR3: token,
// argument count, result count, the arguments, then the results.
#pragma once

#include <cstdint>

struct IDNamePair;
struct IOPDesc;

// The named tokens, ended by a row without a name.
extern const IDNamePair rtas_func_names[];
// Counts above this many cells are refused: the call answers status -1 and allocates nothing.
constexpr uint32_t RTAS_MAX_CELLS = 1024;

int semantic_rtascall(IOPDesc *iop);
// Reads the block, performs the function and writes the results: 1, or 0 when an access to the
// block raised a storage interrupt.
int core_rtascall(IOPDesc *iop);
const char *RTAS_func_id2name(int32_t token);
int32_t RTAS_func_name2id(const char *name);

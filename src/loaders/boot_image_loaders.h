// Loaders of operating-system kernels that come as flat boot images: a Plan 9 executable (a
// 32-byte header of eight big-endian words, then text and data) and a Linux boot block (a 32-byte
// block, then the kernel bytes). Each resets the machine's processors, copies the image through
// hardware thread 0, sets that thread's PC and stack pointer and starts it.
#pragma once

struct MCM;

// The chip only selects the machine. 1 on success, 0 on failure.
int Load_Plan9(MCM *chip, const char *path);
int Load_Linux(MCM *chip, const char *path);

// The Linux system-call emulation of programs run without an operating system: in standalone mode
// "sc" and "scv" hand the call to HandleSystemCall instead of raising the system-call interrupt.
// Declared here for the floors that call it; defined by the execution engine
// (exec/linux_syscall.cpp).
#pragma once

#include <cstdint>

struct IOPDesc;
struct ThreadState;

// One row of the system-call names: the number (row i holds i), a word that is always 0, the name.
struct syscall_info_entry {
    int32_t id;
    int32_t unused;
    const char *name;
};
constexpr int SYSCALL_INFO_ROWS = 326;
extern const syscall_info_entry syscall_info[SYSCALL_INFO_ROWS];

// Serves the call numbered by GPR0 (low 32 bits) with the arguments in GPR3..GPR8, with the Linux
// convention for results: a served call leaves its result in GPR3 and CR0[SO] clear; a call that
// is not served (ENOSYS) or fails (writev of more than 1024 entries: EINVAL) leaves the error
// number in GPR3 and CR0[SO] set. Console output, the program break and anonymous mappings,
// identity and time calls, file status and uname are served; exit leaves the program's status in
// GPR3. A system-call trigger on the number takes the call over. The value returned is not used
// by the callers.
int64_t HandleSystemCall(IOPDesc *iop);

// The one-time check of the name table (done by the first call): a fatal error for every row whose
// number differs from its index. Returns the number of bad rows.
int Syscall_Info_Check(const syscall_info_entry *table, int rows);

// The time of day of the emulation from a core-clock cycle and the clock's frequency in Hz:
// whole seconds and the microseconds of the rest (0 microseconds below 1 MHz; both 0 at 0 Hz).
void Syscall_Time_Of_Day(uint64_t cycle, uint64_t hz, uint64_t *seconds, uint64_t *microseconds);

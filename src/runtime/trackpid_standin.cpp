// Stand-ins of the guest process tracking hooks.
#include "runtime/trackpid.h"

// STAND-IN: see trackpid_start; the list stays empty.
__attribute__((weak)) trackpid_s *trackpid_list = nullptr;

// STAND-IN: the guest process records are being built with the other building blocks; until they
// land the hooks keep no record and point no thread at one.
__attribute__((weak)) void trackpid_start(ThreadState *, int32_t, const char *) {}
// STAND-IN: see trackpid_start.
__attribute__((weak)) void trackpid_stop(ThreadState *, int32_t) {}
// STAND-IN: see trackpid_start.
__attribute__((weak)) void trackpid_resume(ThreadState *, int32_t) {}
// STAND-IN: see trackpid_start.
__attribute__((weak)) void trackpid_create(ThreadState *, int32_t, int32_t) {}
// STAND-IN: see trackpid_start.
__attribute__((weak)) void trackpid_exec(ThreadState *, int32_t, const char *) {}
// STAND-IN: see trackpid_start.
__attribute__((weak)) void trackpid_kill(ThreadState *, int32_t) {}
// STAND-IN: see trackpid_start.
__attribute__((weak)) void trackpid_exit(ThreadState *, int32_t) {}

// The embedding interface's trace-library control: thin forwards to the trace-library layer
// (trace/trace_lib.h), the instruction profile and the instruction mix.
#pragma once

#include <cstdint>

extern "C" {
// Opens the library and passes it the words; its id 0-7, or -1.
int32_t LIBSIM__Trc_load(const char *path, int32_t argc, char **argv);
// 1 when the library of that id was unloaded, else 0.
int32_t LIBSIM__Trc_unload(int32_t id);
// The library's answer to the words (1 when it has no command method or the id no library).
int32_t LIBSIM__Trc_cmd(int32_t id, int32_t argc, char **argv);
void LIBSIM__Trc_threads(int32_t n);
void LIBSIM__Trc_set_mode(int32_t on);
void LIBSIM__Trc_prof(int32_t on);
void LIBSIM__Trc_imix(int32_t on);
}

// The state registers of the embedding interface by their fixed id 0-199 (names in
// processor/spr/ex_spr.h): raw reads and writes that bypass privilege, triggers and masks.
#pragma once

#include <cstdint>

struct ThreadState;

extern "C" {
int LIBSIM__EXSR_Count(void);
// The id's name; "Unknown" above 199.
const char *LIBSIM__EXSR_Name(uint32_t id);
// The id's value; all ones above 199.
uint64_t LIBSIM__EXSR_Get(ThreadState *thread, uint32_t id);
void LIBSIM__EXSR_Set(ThreadState *thread, uint32_t id, uint64_t value);
}

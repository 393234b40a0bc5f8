// The shared MSR text of instruction-level MSR reads, rendered only when it is read: every read
// notes the value (one store), and Shared_MSR_Text renders the value noted last with
// Prepare_MSR into Prepare_MSR's own buffer.
#pragma once

#include <cstdint>

// Notes the MSR value as the shared MSR text.
void Prepare_MSR_Deferred(uint64_t msr);
// The value noted last; Note_MSR_Deferred is the inline form of the note for the hot paths.
extern thread_local uint64_t Shared_MSR_Noted_Value;
inline void Note_MSR_Deferred(uint64_t msr)
{
    if (msr != Shared_MSR_Noted_Value) Prepare_MSR_Deferred(msr);
}
// The text of the value noted last (rendered on the first read after a new value).
const char *Shared_MSR_Text(void);

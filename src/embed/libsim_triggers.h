// The embedding interface's breakpoints and watch points: instruction-address triggers on effective
// and real addresses, physical read and write triggers with host callbacks, and the translation
// drops that go with them.
#pragma once

#include <cstdint>

#include "runtime/triggers.h"

struct vLIBSIM_data;

extern "C" {
void LIBSIM__SetCallbackTrigger_PC(vLIBSIM_data *handle, uint64_t ea, Trigger_Callback callback, void *data);
void LIBSIM__SetCallbackTrigger_RealPC(vLIBSIM_data *handle, uint64_t pa, Trigger_Callback callback, void *data);
// Remove and delete every trigger at the address; null.
void *LIBSIM__ClearCallbackTrigger_PC(vLIBSIM_data *handle, uint64_t ea);
void *LIBSIM__ClearCallbackTrigger_RealPC(vLIBSIM_data *handle, uint64_t pa);
// Physical read (write) triggers on [start, end]; the trigger.
Memory_Trigger *LIBSIM__SetCallbackTrigger_RealRead(vLIBSIM_data *handle, uint64_t start, uint64_t end,
                                                    Trigger_Callback callback, void *data);
Memory_Trigger *LIBSIM__SetCallbackTrigger_RealWrite(vLIBSIM_data *handle, uint64_t start, uint64_t end,
                                                     Trigger_Callback callback, void *data);
// Drop every reference of the read (write) triggers of exactly [start, end]; null.
void *LIBSIM__ClearCallbackTrigger_RealRead(vLIBSIM_data *handle, uint64_t start, uint64_t end);
void *LIBSIM__ClearCallbackTrigger_RealWrite(vLIBSIM_data *handle, uint64_t start, uint64_t end);
void LIBSIM__ClearAllBreakpoints_Effective(vLIBSIM_data *handle);
void LIBSIM__ClearAllBreakpoints_Real(vLIBSIM_data *handle);
void LIBSIM__FlushTranslations(vLIBSIM_data *handle);
void LIBSIM__ForgetAllMemory(vLIBSIM_data *handle);
}

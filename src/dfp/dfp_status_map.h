// Mapping an operation's status word back into the caller's FPSCR (Halvo) or FPC (Orvin) image,
// condition field and result kind, and the family-specific status steps of single operations.
#pragma once

#include <cstdint>

#include "dfp/decimal_number.h"
#include "dfp/dfp_environment.h"

// `result` may be null; when given and the status asks for the default quiet NaN it becomes one.
void DFP_UpdateSystemStatus(const DFP_Environment *env, uint32_t status, int32_t resultKind,
                            DecimalNumber *result, DFP_SystemEnvironment *sysEnv);
void DFP_Status2Halvo(const DFP_Environment *env, uint32_t status, int32_t resultKind, DecimalNumber *result,
                      DFP_SystemEnvironment *sysEnv);
void DFP_Status2Orvin(const DFP_Environment *env, uint32_t status, int32_t resultKind, DecimalNumber *result,
                      DFP_SystemEnvironment *sysEnv);

// An invalid packed-decimal input of the encode operations.
void DFP_InvalidEncodeUpdateStatus(const DFP_Environment *env, uint32_t *status, DecimalNumber *result,
                                   DFP_SystemEnvironment *sysEnv);
void Halvo_InvalidEncodeUpdateStatus(const DFP_Environment *env, uint32_t *status, DecimalNumber *result);
void Orvin_InvalidEncodeUpdateStatus(DFP_SystemEnvironment *sysEnv);

// The condition bits of a conversion to a 64-bit integer (Orvin only).
void DFP_ConvertToFixedUpdateStatus(int32_t system, const DecimalNumber *number, uint32_t *status);
void Orvin_ConvertToFixedUpdateStatus(const DecimalNumber *number, uint32_t *status);

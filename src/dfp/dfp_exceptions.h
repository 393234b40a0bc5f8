// Raising decimal exceptions into the status word according to the enables, the result class,
// and the final status step of an operation.
#pragma once

#include <cstdint>

#include "dfp/decimal_number.h"
#include "dfp/dfp_environment.h"

// ORs the result's class (C and FPCC) and DFP_STATUS_WRITE_C into the status.
void DFP_set_post_operation_status(const DecimalNumber *result, uint32_t *status);

// `cause` is an invalid-operation cause bit. With invalid disabled the classes that deliver a
// default NaN set `result` (when given) to it.
void DFP_invalid_operation_exceptions(const DFP_Environment *env, int32_t operation, uint32_t cause,
                                      uint32_t *status, DecimalNumber *result);
void DFP_Zero_Divide_exception(const DFP_Environment *env, uint32_t *status, const DecimalNumber *result);
void DFP_Overflow_exception(const DFP_Environment *env, uint32_t *status, const DecimalNumber *result);
void DFP_Underflow_exception(const DFP_Environment *env, uint32_t *status, const DecimalNumber *result);
void DFP_Inexact_exception(const DFP_Environment *env, uint32_t *status, const DecimalNumber *result);

// Overflow, underflow and inexact from the status bits the rounding set, or an exact delivery.
void DFP_SetStatus(const DFP_Environment *env, int writeFrFi, const DecimalNumber *result, uint32_t *status);

// An infinity of that sign (zero coefficient), or from's value made infinite; delivered with its class.
void DFP_SetInfiniteResult(int32_t sign, DecimalNumber *result, uint32_t *status);
void DFP_CoerceInfiniteResult(const DecimalNumber *from, DecimalNumber *result, uint32_t *status);

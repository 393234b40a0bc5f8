// Operations that inspect or take apart a decimal number without rounding it: data-class and
// data-group tests, exponent comparison, significance test, extraction of significance and biased
// exponent, insertion of a biased exponent, and decimal shifts of the coefficient. Test outcomes
// are FPCC bits of the status word.
#pragma once

#include <cstdint>

#include "dfp/decimal_number.h"
#include "dfp/dfp_environment.h"

void DFP_Test_Data_Class(const DFP_Environment *env, uint32_t mask, const DecimalNumber *a, uint32_t *status,
                         DFP_RoundingCase *roundingCase);
// *code is the data-group code of a.
void DFP_Test_Data_Group(const DFP_Environment *env, uint32_t mask, const DecimalNumber *a, uint32_t *status,
                         uint32_t *code, DFP_RoundingCase *roundingCase);
void DFP_Test_Exponent(const DFP_Environment *env, const DecimalNumber *a, const DecimalNumber *b,
                       uint32_t *status, DFP_RoundingCase *roundingCase);
// Compares a's digit count with the low six bits of *reference.
void DFP_Test_Significance(const DFP_Environment *env, const uint64_t *reference, const DecimalNumber *a,
                           uint32_t *status, DFP_RoundingCase *roundingCase);

// Digit count (0 for zero), or -1 infinity, -2 quiet NaN, -3 signalling NaN.
void DFP_Extract_Significance(const DFP_Environment *env, const DecimalNumber *a, int64_t *out,
                              uint32_t *status, DFP_RoundingCase *roundingCase);
// Biased exponent, or -1, -2, -3 as above.
void DFP_Extract_Biased_Exponent(const DFP_Environment *env, const DecimalNumber *a, int64_t *out,
                                 uint32_t *status, DFP_RoundingCase *roundingCase);
// a with exponent *biased - bias; -1 infinity, -2 (and below -3, and above the range) quiet NaN,
// -3 signalling NaN. The coefficient is always kept.
void DFP_Insert_Biased_Exponent(const DFP_Environment *env, const int64_t *biased, const DecimalNumber *a,
                                DecimalNumber *result, uint32_t *status, DFP_RoundingCase *roundingCase);
// The coefficient of every type (a NaN's payload too) shifted; type and sign are kept.
void DFP_Shift_Coefficient_Left(const DFP_Environment *env, uint32_t n, const DecimalNumber *a,
                                DecimalNumber *result, uint32_t *status, DFP_RoundingCase *roundingCase);
void DFP_Shift_Coefficient_Right(const DFP_Environment *env, uint32_t n, const DecimalNumber *a,
                                 DecimalNumber *result, uint32_t *status, DFP_RoundingCase *roundingCase);
// 4 NaN or infinity, 3 reference 0, 2 zero or fewer digits, 1 equal, 0 more digits.
int DFP_GetPrecCmpField(const DecimalNumber *a, uint64_t reference);

// The family steps.
void DFP_DataClassSetStatusFromSign(int32_t sign, int32_t system, uint32_t mask, uint32_t code,
                                    uint32_t *status);
void Halvo_DataClassSetStatusFromSign(int32_t sign, uint32_t mask, uint32_t code, uint32_t *status);
void Orvin_DataClassSetStatusFromSign(int32_t sign, uint32_t mask, uint32_t code, uint32_t *status);
// Both return whether the reference is nonzero.
int DFP_TestSignificanceUpdateStatus(int32_t system, uint32_t significance, uint32_t reference,
                                     uint32_t *status);
int Halvo_TestSignificanceUpdateStatus(uint32_t significance, uint32_t reference, uint32_t *status);
int Orvin_TestSignificanceUpdateStatus(uint32_t significance, uint32_t reference, uint32_t *status);

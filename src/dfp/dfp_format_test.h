// The per-format test, exponent and coefficient operations: data-class, data-group, exponent and
// significance tests (their outcome is FPCC and the condition field), extraction and insertion of
// the biased exponent, and decimal shifts of the coefficient. Argument conventions as in
// dfp_format_arith.h.
#pragma once

#include <cstdint>

#include "dfp/dfp_environment.h"

void DFP_Test_Data_Class_Double(uint64_t a, int dcm, DFP_SystemEnvironment *sysEnv);
void DFP_Test_Data_Class_Quad(const uint64_t *a, int dcm, DFP_SystemEnvironment *sysEnv);
// Return (and leave in auxResult) a's data-group code.
int DFP_Test_Data_Group_Double(uint64_t a, int dgm, DFP_SystemEnvironment *sysEnv);
int DFP_Test_Data_Group_Quad(const uint64_t *a, int dgm, DFP_SystemEnvironment *sysEnv);
void DFP_Test_Exponent_Double(uint64_t a, uint64_t b, DFP_SystemEnvironment *sysEnv);
void DFP_Test_Exponent_Quad(const uint64_t *a, const uint64_t *b, DFP_SystemEnvironment *sysEnv);
// The reference significance is the low six bits of the word; returned and left in auxResult.
int DFP_Test_Significance_Double(uint64_t reference, uint64_t b, DFP_SystemEnvironment *sysEnv);
int DFP_Test_Significance_Quad(uint64_t reference, const uint64_t *b, DFP_SystemEnvironment *sysEnv);

// The biased exponent (or -1 infinity, -2 quiet NaN, -3 signalling NaN) into one word.
void DFP_Extract_Biased_Exponent_Double(uint64_t b, uint64_t *result, DFP_SystemEnvironment *sysEnv);
void DFP_Extract_Biased_Exponent_Quad(const uint64_t *b, uint64_t *result, DFP_SystemEnvironment *sysEnv);
// b with the biased exponent of the word (a signed value).
void DFP_Insert_Biased_Exponent_Double(uint64_t exponent, uint64_t b, uint64_t *result,
                                       DFP_SystemEnvironment *sysEnv);
void DFP_Insert_Biased_Exponent_Quad(uint64_t exponent, const uint64_t *b, uint64_t *result,
                                     DFP_SystemEnvironment *sysEnv);

void DFP_Shift_Coefficient_Left_Double(int sh, uint64_t a, uint64_t *result, DFP_SystemEnvironment *sysEnv);
void DFP_Shift_Coefficient_Left_Quad(int sh, const uint64_t *a, uint64_t *result,
                                     DFP_SystemEnvironment *sysEnv);
void DFP_Shift_Coefficient_Right_Double(int sh, uint64_t a, uint64_t *result, DFP_SystemEnvironment *sysEnv);
void DFP_Shift_Coefficient_Right_Quad(int sh, const uint64_t *a, uint64_t *result,
                                      DFP_SystemEnvironment *sysEnv);

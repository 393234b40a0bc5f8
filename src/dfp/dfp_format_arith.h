// The per-format arithmetic and compare operations: decimal64 operands by value, decimal128
// operands as two words (most significant first), results into the caller's words, the caller's
// system environment last. Each maps its status into that environment and fills its coverage
// record.
#pragma once

#include <cstdint>

#include "dfp/dfp_environment.h"

// operation: 1 add, 2 multiply, 3 divide; any other code ends the process.
void DFP_Operation_Double(int32_t operation, uint64_t a, uint64_t b, uint64_t *result,
                          DFP_SystemEnvironment *sysEnv);
void DFP_Operation_Quad(int32_t operation, const uint64_t *a, const uint64_t *b, uint64_t *result,
                        DFP_SystemEnvironment *sysEnv);

void DFP_Add_Double(uint64_t a, uint64_t b, uint64_t *result, DFP_SystemEnvironment *sysEnv);
void DFP_Add_Quad(const uint64_t *a, const uint64_t *b, uint64_t *result, DFP_SystemEnvironment *sysEnv);
// a + (-b); a NaN b keeps its sign. The coverage record describes b as given.
void DFP_Subtract_Double(uint64_t a, uint64_t b, uint64_t *result, DFP_SystemEnvironment *sysEnv);
void DFP_Subtract_Quad(const uint64_t *a, const uint64_t *b, uint64_t *result, DFP_SystemEnvironment *sysEnv);
void DFP_Multiply_Double(uint64_t a, uint64_t b, uint64_t *result, DFP_SystemEnvironment *sysEnv);
void DFP_Multiply_Quad(const uint64_t *a, const uint64_t *b, uint64_t *result, DFP_SystemEnvironment *sysEnv);
void DFP_Divide_Double(uint64_t a, uint64_t b, uint64_t *result, DFP_SystemEnvironment *sysEnv);
void DFP_Divide_Quad(const uint64_t *a, const uint64_t *b, uint64_t *result, DFP_SystemEnvironment *sysEnv);

// The outcome is the FPCC of the updated image and the condition field.
void DFP_Compare_Double(uint64_t a, uint64_t b, int ordered, DFP_SystemEnvironment *sysEnv);
void DFP_Compare_Quad(const uint64_t *a, const uint64_t *b, int ordered, DFP_SystemEnvironment *sysEnv);

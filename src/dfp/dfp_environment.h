// The caller's decimal system environment (FPSCR or FPC image in, updated image, condition field
// and result kind out), the library's internal environment built from it (rounding mode, enables,
// family, operation class), and the rounding-case and coverage records.
#pragma once

#include <cstdint>

#include "dfp/dfp_status.h"

struct DFP_Environment {
    int32_t roundingMode; // 0..7
    uint8_t enables;      // DFP_ENABLE_*; bits 5..7 are kept as they were
    int32_t system;       // DFP_SYSTEM_*
    int32_t operation;    // DFP_OPCLASS_*
};

// Filled by the rounding: digits were lost at the final exponent; the magnitude was rounded up (an
// overflow to infinity included); digits were lost at the target precision before any subnormal
// shift; one was added to the truncated coefficient.
struct DFP_RoundingCase {
    int32_t inexact;
    int32_t magnitudeIncreased;
    int32_t inexactAtFullPrecision;
    int32_t coefficientIncremented;
};

// What one entry point did; nothing in the simulator reads it.
struct DFP_CoverageMetrics {
    int32_t operand1Type, operand2Type; // GetDFP_DataType codes, 0 when absent
    int32_t resultType;                 // 0 when no result was delivered
    int32_t resultRange;                // DFP_UpdateResultRange code
    int32_t resultSign;                 // 1 when the intermediate is negative
    DFP_RoundingCase roundingCase;
    DFP_Environment environment;
    uint32_t exceptionSignals; // DFP_ExtractExceptionSignals
    uint32_t status;
    int32_t operationId;
};

struct DFP_SystemEnvironment {
    uint64_t fpscr;         // FPSCR (Halvo) or FPC (Orvin) image: in at entry, updated at exit
    uint64_t fpscrUpdate;   // control bits of the entry image and every status bit set (Halvo)
    uint8_t crValue;        // CR field (Halvo) or condition code (Orvin)
    uint8_t crMask;         // 15 (Halvo) or 3 (Orvin) when crValue is to be written
    uint8_t interruptCode;  // Orvin: 0 none, 7 data exception
    int32_t system;         // DFP_SYSTEM_*
    int32_t recordForm;     // the instruction sets a condition field
    int32_t resultKind;     // 0 none; 1 decimal32, 2 decimal64, 3 decimal128, 4 integer, 5/6 BCD
    int32_t frFiUndefined;  // Halvo: FR and FI stay zero
    int32_t userDirectives; // Halvo: rounding mode from DRN rather than RN
    DFP_CoverageMetrics coverage;
    int32_t auxResult;
    int32_t auxFlag;
    uint64_t auxValue;
};

void DFP_InitRoundingCase(DFP_RoundingCase *roundingCase);
void DFP_CopyEnvironment(const DFP_Environment *from, DFP_Environment *to);
void DFP_UserDirectivesInit(DFP_SystemEnvironment *sysEnv);

void Build_Environment(int32_t operation, DFP_SystemEnvironment *sysEnv, DFP_Environment *env);
void Halvo_BuildEnvironment(int32_t operation, DFP_SystemEnvironment *sysEnv, DFP_Environment *env);
void Orvin_BuildEnvironment(DFP_SystemEnvironment *sysEnv, DFP_Environment *env);
int32_t Orvin_GetRoundingMode(uint64_t fpc);
uint8_t Orvin_GetExceptionEnableBits(uint64_t fpc, const DFP_Environment *env);

// A copy of env with an instruction's rounding field applied: R and RMC (Halvo) or M (Orvin).
void DFP_UpdateEnvironmentFromInput(const DFP_Environment *env, uint32_t R, uint32_t field,
                                    DFP_Environment *newEnv);
void Halvo_UpdateEnvironmentByRplusRMC(const DFP_Environment *env, uint32_t R, uint32_t RMC,
                                       DFP_Environment *newEnv);
void Halvo_UpdateEnvironmentByRMC(const DFP_Environment *env, uint32_t RMC, DFP_Environment *newEnv);
void Orvin_UpdateEnvironmentByM(const DFP_Environment *env, uint32_t M, DFP_Environment *newEnv);

// Building the decimal environment from the caller's record.
#include "dfp/dfp_environment.h"

#include "dfp/dfp_assert.h"

namespace
{
const char *const kPath = "common/dfp/DecimalFP_Environment";
}

void DFP_InitRoundingCase(DFP_RoundingCase *roundingCase)
{
    *roundingCase = DFP_RoundingCase{};
}

void DFP_CopyEnvironment(const DFP_Environment *from, DFP_Environment *to)
{
    *to = *from;
}

void DFP_UserDirectivesInit(DFP_SystemEnvironment *sysEnv)
{
    sysEnv->userDirectives = 1;
}

void Build_Environment(int32_t operation, DFP_SystemEnvironment *sysEnv, DFP_Environment *env)
{
    env->operation = operation;
    env->system = sysEnv->system;
    if (sysEnv->system == DFP_SYSTEM_HALVO)
        Halvo_BuildEnvironment(operation, sysEnv, env);
    else if (sysEnv->system == DFP_SYSTEM_ORVIN)
        Orvin_BuildEnvironment(sysEnv, env);
    else
        DFP_Assert("Build_Environment_invalid_system", kPath, __LINE__);
}

void Halvo_BuildEnvironment(int32_t, DFP_SystemEnvironment *sysEnv, DFP_Environment *env)
{
    const uint64_t f = sysEnv->fpscr;
    env->roundingMode = (int32_t)(sysEnv->userDirectives ? (f >> 32) & 7 : f & 7);
    uint8_t e = env->enables & 0xE0;
    if (f & DFP_FPSCR_VE) e |= DFP_ENABLE_INVALID;
    if (f & DFP_FPSCR_OE) e |= DFP_ENABLE_OVERFLOW;
    if (f & DFP_FPSCR_UE) e |= DFP_ENABLE_UNDERFLOW;
    if (f & DFP_FPSCR_ZE) e |= DFP_ENABLE_ZERO_DIVIDE;
    if (f & DFP_FPSCR_XE) e |= DFP_ENABLE_INEXACT;
    env->enables = e;
    sysEnv->fpscrUpdate = 0;
    sysEnv->crValue = 0;
    sysEnv->crMask = 0;
}

int32_t Orvin_GetRoundingMode(uint64_t fpc)
{
    return (int32_t)((fpc >> 4) & 7);
}

uint8_t Orvin_GetExceptionEnableBits(uint64_t fpc, const DFP_Environment *env)
{
    uint8_t e = env->enables & 0xE0;
    if (fpc & 0x80000000) e |= DFP_ENABLE_INVALID;
    if (fpc & 0x20000000) e |= DFP_ENABLE_OVERFLOW;
    if (fpc & 0x10000000) e |= DFP_ENABLE_UNDERFLOW;
    if (fpc & 0x40000000) e |= DFP_ENABLE_ZERO_DIVIDE;
    if (fpc & 0x08000000) e |= DFP_ENABLE_INEXACT;
    return e;
}

void Orvin_BuildEnvironment(DFP_SystemEnvironment *sysEnv, DFP_Environment *env)
{
    env->roundingMode = Orvin_GetRoundingMode(sysEnv->fpscr);
    env->enables = Orvin_GetExceptionEnableBits(sysEnv->fpscr, env);
    sysEnv->fpscrUpdate = 0;
    sysEnv->interruptCode = 0;
    sysEnv->crMask = 0;
    if (sysEnv->recordForm) sysEnv->crValue = 0;
}

void DFP_UpdateEnvironmentFromInput(const DFP_Environment *env, uint32_t R, uint32_t field,
                                    DFP_Environment *newEnv)
{
    if (env->system == DFP_SYSTEM_HALVO)
        Halvo_UpdateEnvironmentByRplusRMC(env, R, field, newEnv);
    else if (env->system == DFP_SYSTEM_ORVIN)
        Orvin_UpdateEnvironmentByM(env, field, newEnv);
    else
        DFP_Assert("Undefined_DFP_System_in_DFP_UpdateEnvironmentFromInput", kPath, __LINE__);
}

void Halvo_UpdateEnvironmentByRplusRMC(const DFP_Environment *env, uint32_t R, uint32_t RMC,
                                       DFP_Environment *newEnv)
{
    if (R == 0) {
        Halvo_UpdateEnvironmentByRMC(env, RMC, newEnv);
        return;
    }
    static constexpr int32_t modes[4] = {DFP_RM_TOWARD_PLUS, DFP_RM_TOWARD_MINUS, DFP_RM_AWAY_FROM_ZERO,
                                         DFP_RM_NEAREST_TOWARD_ZERO};
    DFP_CHECK(RMC <= 3, "Invalid_value_in_RMC_field", kPath);
    DFP_CopyEnvironment(env, newEnv);
    newEnv->roundingMode = modes[RMC];
}

void Halvo_UpdateEnvironmentByRMC(const DFP_Environment *env, uint32_t RMC, DFP_Environment *newEnv)
{
    DFP_CHECK(RMC <= 3, "Invalid_value_in_RMC_field", kPath);
    DFP_CopyEnvironment(env, newEnv);
    static constexpr int32_t modes[3] = {DFP_RM_NEAREST_EVEN, DFP_RM_TOWARD_ZERO, DFP_RM_NEAREST_AWAY};
    if (RMC < 3) newEnv->roundingMode = modes[RMC];
}

void Orvin_UpdateEnvironmentByM(const DFP_Environment *env, uint32_t M, DFP_Environment *newEnv)
{
    DFP_CopyEnvironment(env, newEnv);
    if (M & 8) newEnv->roundingMode = (int32_t)(M & 7);
}

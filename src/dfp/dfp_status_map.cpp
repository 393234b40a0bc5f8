// Status word to FPSCR or FPC.
#include "dfp/dfp_status_map.h"

#include "dfp/dfp_assert.h"
#include "dfp/dfp_exceptions.h"

namespace
{
const char *const kPath = "common/dfp/DecimalFP_Status";

// Status cause bit -> FPSCR bit.
struct CauseBit {
    uint32_t status;
    uint64_t fpscr;
};
constexpr CauseBit kCauses[] = {
    {DFP_STATUS_OVERFLOW, DFP_FPSCR_OX},    {DFP_STATUS_UNDERFLOW, DFP_FPSCR_UX},
    {DFP_STATUS_ZERO_DIVIDE, DFP_FPSCR_ZX}, {DFP_STATUS_VXCVI, DFP_FPSCR_VXCVI},
    {DFP_STATUS_VXSQRT, DFP_FPSCR_VXSQRT},  {DFP_STATUS_VXVC, DFP_FPSCR_VXVC},
    {DFP_STATUS_VXIMZ, DFP_FPSCR_VXIMZ},    {DFP_STATUS_VXZDZ, DFP_FPSCR_VXZDZ},
    {DFP_STATUS_VXIDI, DFP_FPSCR_VXIDI},    {DFP_STATUS_VXISI, DFP_FPSCR_VXISI},
    {DFP_STATUS_VXSNAN, DFP_FPSCR_VXSNAN},
};

bool enabledException(uint64_t image)
{
    return ((image & DFP_FPSCR_VX) && (image & DFP_FPSCR_VE)) ||
           ((image & DFP_FPSCR_OX) && (image & DFP_FPSCR_OE)) ||
           ((image & DFP_FPSCR_UX) && (image & DFP_FPSCR_UE)) ||
           ((image & DFP_FPSCR_ZX) && (image & DFP_FPSCR_ZE)) ||
           ((image & DFP_FPSCR_XX) && (image & DFP_FPSCR_XE));
}

// Orvin FPC flag byte and data-exception code.
constexpr uint64_t kOrvinInvalidFlag = 0x800000, kOrvinZeroDivideFlag = 0x400000,
                   kOrvinOverflowFlag = 0x200000;
constexpr uint64_t kOrvinUnderflowFlag = 0x100000, kOrvinInexactFlag = 0x080000, kOrvinDXC = 0xFF00;

void orvinTrap(DFP_SystemEnvironment *sysEnv, uint32_t code)
{
    sysEnv->interruptCode = 7;
    sysEnv->fpscrUpdate |= kOrvinDXC;
    sysEnv->fpscr = (sysEnv->fpscr & ~kOrvinDXC) | ((uint64_t)code << 8);
}

void orvinFlag(DFP_SystemEnvironment *sysEnv, uint64_t flag)
{
    sysEnv->fpscr |= flag;
    sysEnv->fpscrUpdate |= flag;
}

} // namespace

void DFP_UpdateSystemStatus(const DFP_Environment *env, uint32_t status, int32_t resultKind,
                            DecimalNumber *result, DFP_SystemEnvironment *sysEnv)
{
    if (env->system == DFP_SYSTEM_HALVO)
        DFP_Status2Halvo(env, status, resultKind, result, sysEnv);
    else if (env->system == DFP_SYSTEM_ORVIN)
        DFP_Status2Orvin(env, status, resultKind, result, sysEnv);
    else
        DFP_Assert("Undefined_DFP_System_in_DFP_UpdateSystemStatus", kPath, __LINE__);
}

void DFP_Status2Halvo(const DFP_Environment *env, uint32_t status, int32_t resultKind, DecimalNumber *result,
                      DFP_SystemEnvironment *sysEnv)
{
    const uint64_t F0 = sysEnv->fpscr;
    uint64_t F = F0;
    sysEnv->crMask = 0;
    sysEnv->resultKind = 0;
    uint64_t U = F0 & 0xFFFFFFFF000000FFull;

    if (status & DFP_STATUS_WRITE_FRFI) {
        F &= ~(DFP_FPSCR_FR | DFP_FPSCR_FI);
        if (!sysEnv->frFiUndefined) {
            if (status & DFP_STATUS_FR) {
                F |= DFP_FPSCR_FR;
                U |= DFP_FPSCR_FR;
            }
            if (status & DFP_STATUS_FI) {
                F |= DFP_FPSCR_FI | DFP_FPSCR_XX;
                U |= DFP_FPSCR_FI | DFP_FPSCR_XX;
            }
        }
    }
    if (status & DFP_STATUS_WRITE_C) F = (F & ~DFP_FPSCR_C) | (status & DFP_STATUS_C);
    U = (U & ~DFP_FPSCR_C) | (F & DFP_FPSCR_C);

    if (result && (status & DFP_STATUS_DEFAULT_QNAN)) DFP_OpSetDefaultQNaN(result);

    if (status & (DFP_STATUS_WRITE_FPCC | DFP_STATUS_FPCC))
        F = (F & ~DFP_FPSCR_FPCC) | (status & DFP_STATUS_FPCC);
    U = (U & ~DFP_FPSCR_FPCC) | (F & DFP_FPSCR_FPCC);

    for (const CauseBit &c : kCauses)
        if (status & c.status) {
            F |= c.fpscr;
            U |= c.fpscr;
        }

    F = (F & DFP_FPSCR_INVALID) ? F | DFP_FPSCR_VX : F & ~DFP_FPSCR_VX;
    if (U & DFP_FPSCR_INVALID) U |= DFP_FPSCR_VX;

    F = enabledException(F) ? F | DFP_FPSCR_FEX : F & ~DFP_FPSCR_FEX;
    if (enabledException(U)) U |= DFP_FPSCR_FEX;

    if ((F & DFP_FPSCR_EXCEPTIONS) & ~F0) F |= DFP_FPSCR_FX;
    if (U & DFP_FPSCR_EXCEPTIONS) U |= DFP_FPSCR_FX;

    switch (env->operation) {
    case DFP_OPCLASS_COMPARE:
    case DFP_OPCLASS_TEST:
    case DFP_OPCLASS_TEST_GROUP:
    case DFP_OPCLASS_COMPARE_LIKE:
    case DFP_OPCLASS_TEST_SIGNIFICANCE:
        sysEnv->crValue = (uint8_t)((status >> 12) & 15);
        sysEnv->crMask |= 15;
        break;
    default:
        sysEnv->crValue = (uint8_t)((F >> 28) & 15);
        if (sysEnv->recordForm) sysEnv->crMask |= 15;
        break;
    }
    if (status & DFP_STATUS_DELIVERED) sysEnv->resultKind = resultKind;
    sysEnv->fpscrUpdate = U;
    sysEnv->fpscr = F;
}

void DFP_Status2Orvin(const DFP_Environment *env, uint32_t status, int32_t resultKind, DecimalNumber *result,
                      DFP_SystemEnvironment *sysEnv)
{
    sysEnv->resultKind = 0;
    if (sysEnv->interruptCode != 0) {
        sysEnv->fpscr &= ~kOrvinDXC;
        sysEnv->fpscrUpdate |= kOrvinDXC;
        return;
    }
    if (result && (status & DFP_STATUS_DEFAULT_QNAN)) DFP_OpSetDefaultQNaN(result);

    bool trappedRange = false;
    if (status & DFP_STATUS_OVERFLOW) {
        if (env->enables & DFP_ENABLE_OVERFLOW) {
            orvinTrap(sysEnv, 0x20);
            trappedRange = true;
        } else {
            orvinFlag(sysEnv, kOrvinOverflowFlag);
        }
    }
    if (status & DFP_STATUS_UNDERFLOW) {
        if (env->enables & DFP_ENABLE_UNDERFLOW) {
            orvinTrap(sysEnv, 0x10);
            trappedRange = true;
        } else {
            orvinFlag(sysEnv, kOrvinUnderflowFlag);
        }
    }
    if (status & DFP_STATUS_ZERO_DIVIDE) {
        if (env->enables & DFP_ENABLE_ZERO_DIVIDE)
            orvinTrap(sysEnv, 0x40);
        else
            orvinFlag(sysEnv, kOrvinZeroDivideFlag);
    }
    if ((status & DFP_STATUS_WRITE_FRFI) && (status & DFP_STATUS_FI)) {
        const uint32_t code = (status & DFP_STATUS_FR) ? 0x0C : 0x08;
        if (trappedRange)
            sysEnv->fpscr |= (uint64_t)code << 8;
        else if (env->enables & DFP_ENABLE_INEXACT)
            orvinTrap(sysEnv, code);
        else
            orvinFlag(sysEnv, kOrvinInexactFlag);
    }
    if (status & DFP_STATUS_INVALID) {
        if (env->enables & DFP_ENABLE_INVALID)
            orvinTrap(sysEnv, 0x80);
        else
            orvinFlag(sysEnv, kOrvinInvalidFlag);
    }
    if (status & DFP_STATUS_DELIVERED) sysEnv->resultKind = resultKind;
    if (sysEnv->recordForm) {
        const uint32_t dxc = (uint32_t)((sysEnv->fpscr & kOrvinDXC) >> 8);
        const bool suppressed = (sysEnv->interruptCode == 7 && (dxc == 0x80 || dxc == 0x40)) ||
                                (sysEnv->interruptCode != 0 && sysEnv->interruptCode != 7);
        if (!suppressed) {
            sysEnv->crMask = 3;
            sysEnv->crValue = (status & DFP_STATUS_FE)   ? 0
                              : (status & DFP_STATUS_FL) ? 1
                              : (status & DFP_STATUS_FG) ? 2
                                                         : 3;
        }
    }
}

void DFP_InvalidEncodeUpdateStatus(const DFP_Environment *env, uint32_t *status, DecimalNumber *result,
                                   DFP_SystemEnvironment *sysEnv)
{
    if (env->system == DFP_SYSTEM_HALVO)
        Halvo_InvalidEncodeUpdateStatus(env, status, result);
    else if (env->system == DFP_SYSTEM_ORVIN)
        Orvin_InvalidEncodeUpdateStatus(sysEnv);
    else
        DFP_Assert("Undefined_DFP_System_in_DFP_InvalidEncodeUpdateStatus", kPath, __LINE__);
}

void Halvo_InvalidEncodeUpdateStatus(const DFP_Environment *env, uint32_t *status, DecimalNumber *result)
{
    DFP_invalid_operation_exceptions(env, DFP_OPCLASS_ENCODE, DFP_STATUS_VXCVI, status, result);
}

void Orvin_InvalidEncodeUpdateStatus(DFP_SystemEnvironment *sysEnv)
{
    sysEnv->interruptCode = 7;
    sysEnv->fpscr &= ~kOrvinDXC;
    sysEnv->fpscrUpdate |= kOrvinDXC;
}

void DFP_ConvertToFixedUpdateStatus(int32_t system, const DecimalNumber *number, uint32_t *status)
{
    if (system == DFP_SYSTEM_HALVO) return;
    if (system == DFP_SYSTEM_ORVIN)
        Orvin_ConvertToFixedUpdateStatus(number, status);
    else
        DFP_Assert("Undefined_DFP_System_in_DFP_ConvertToFixedUpdateStatus", kPath, __LINE__);
}

void Orvin_ConvertToFixedUpdateStatus(const DecimalNumber *number, uint32_t *status)
{
    if (*status & DFP_STATUS_VXCVI)
        *status |= DFP_STATUS_FU;
    else if (DFP_OpIsZero(number))
        *status |= DFP_STATUS_FE;
    else
        *status |= number->sign ? DFP_STATUS_FL : DFP_STATUS_FG;
}

// The generated register accessor families, one member per layer and register, each exported
// under its name for plug-ins:
//   tRAW_GET_<R>(thread), tRAW_MFGET_<R>(thread)               the slot value, unmasked layer
//   tRAW_SET_<R>(thread, value)                                 unmasked store, written flag
//   tCOOKED_GET_<R>, tCOOKED_MFGET_<R>, tGUESS_<R>(thread, kind) the value in the register's owner
//   tCOOKED_SET_<R>, tFORCE_<R>(thread, value, kind)            masked store, written flag
//   iGET_<R>, iMFGET_<R>(iop)                                   cooked read, then read triggers
//   iSET_<R>(iop, value)                                        write triggers, then cooked write
// Values are uint64_t for 64-bit registers and uint32_t for 32-bit ones; the access kind is
// passed through and ignored. The set members give back the register as it reads afterwards.
#pragma once

#include <cstdint>

#include "processor/regs/register_list.h"

struct IOPDesc;
struct ThreadState;

#define QUARN_DECLARE_THREAD_MEMBERS(member, file_name, width, owner, family)                                \
    extern "C" {                                                                                             \
    QUARN_REG_VALUE(width) tRAW_GET_##member(ThreadState *thread);                                           \
    void tRAW_SET_##member(ThreadState *thread, QUARN_REG_VALUE(width) value);                               \
    QUARN_REG_VALUE(width) tRAW_MFGET_##member(ThreadState *thread);                                         \
    QUARN_REG_VALUE(width) tCOOKED_GET_##member(ThreadState *thread, uint32_t kind);                         \
    QUARN_REG_VALUE(width)                                                                                   \
    tCOOKED_SET_##member(ThreadState *thread, QUARN_REG_VALUE(width) value, uint32_t kind);                  \
    QUARN_REG_VALUE(width) tCOOKED_MFGET_##member(ThreadState *thread, uint32_t kind);                       \
    QUARN_REG_VALUE(width) tGUESS_##member(ThreadState *thread, uint32_t kind);                              \
    QUARN_REG_VALUE(width)                                                                                   \
    tFORCE_##member(ThreadState *thread, QUARN_REG_VALUE(width) value, uint32_t kind);                       \
    }

#define QUARN_DECLARE_INSTRUCTION_MEMBERS(member, file_name, width, owner, family)                           \
    QUARN_DECLARE_INSTRUCTION_MEMBERS_##family(member, width)
#define QUARN_DECLARE_INSTRUCTION_MEMBERS_N(member, width)
#define QUARN_DECLARE_INSTRUCTION_MEMBERS_I(member, width)                                                   \
    extern "C" {                                                                                             \
    QUARN_REG_VALUE(width) iGET_##member(IOPDesc *iop);                                                      \
    QUARN_REG_VALUE(width) iMFGET_##member(IOPDesc *iop);                                                    \
    QUARN_REG_VALUE(width) iSET_##member(IOPDesc *iop, QUARN_REG_VALUE(width) value);                        \
    }

QUARN_THREAD_REGISTERS(QUARN_DECLARE_THREAD_MEMBERS)
QUARN_CORE_REGISTERS(QUARN_DECLARE_THREAD_MEMBERS)
QUARN_THREAD_REGISTERS(QUARN_DECLARE_INSTRUCTION_MEMBERS)
QUARN_CORE_REGISTERS(QUARN_DECLARE_INSTRUCTION_MEMBERS)

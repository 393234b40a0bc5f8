// The thread-level accessor members (tRAW_, tCOOKED_, tGUESS_, tFORCE_), generated from the
// register lists over the rules of reg_rules.h.
#include "processor/regs/reg_accessors.h"
#include "processor/regs/reg_rules.h"

using namespace quarn_registers;

#define QUARN_DEFINE_THREAD_MEMBERS(member, file_name, width, owner, family)                                 \
    QUARN_REG_VALUE(width) tRAW_GET_##member(ThreadState *thread)                                            \
    {                                                                                                        \
        return Rules<REG_ID_##member>::raw_get(thread);                                                      \
    }                                                                                                        \
    void tRAW_SET_##member(ThreadState *thread, QUARN_REG_VALUE(width) value)                                \
    {                                                                                                        \
        Rules<REG_ID_##member>::raw_set(thread, value);                                                      \
    }                                                                                                        \
    QUARN_REG_VALUE(width) tRAW_MFGET_##member(ThreadState *thread)                                          \
    {                                                                                                        \
        return Rules<REG_ID_##member>::raw_get(thread);                                                      \
    }                                                                                                        \
    QUARN_REG_VALUE(width) tCOOKED_GET_##member(ThreadState *thread, uint32_t kind)                          \
    {                                                                                                        \
        return Rules<REG_ID_##member>::cooked_get(thread, kind);                                             \
    }                                                                                                        \
    QUARN_REG_VALUE(width)                                                                                   \
    tCOOKED_SET_##member(ThreadState *thread, QUARN_REG_VALUE(width) value, uint32_t kind)                   \
    {                                                                                                        \
        return Rules<REG_ID_##member>::cooked_set(thread, value, kind);                                      \
    }                                                                                                        \
    QUARN_REG_VALUE(width) tCOOKED_MFGET_##member(ThreadState *thread, uint32_t kind)                        \
    {                                                                                                        \
        return Rules<REG_ID_##member>::cooked_get(thread, kind);                                             \
    }                                                                                                        \
    QUARN_REG_VALUE(width) tGUESS_##member(ThreadState *thread, uint32_t kind)                               \
    {                                                                                                        \
        return Rules<REG_ID_##member>::guess(thread, kind);                                                  \
    }                                                                                                        \
    QUARN_REG_VALUE(width) tFORCE_##member(ThreadState *thread, QUARN_REG_VALUE(width) value, uint32_t kind) \
    {                                                                                                        \
        return Rules<REG_ID_##member>::force(thread, value, kind);                                           \
    }

QUARN_THREAD_REGISTERS(QUARN_DEFINE_THREAD_MEMBERS)
QUARN_CORE_REGISTERS(QUARN_DEFINE_THREAD_MEMBERS)

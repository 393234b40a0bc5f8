// The instruction-level accessor members (iGET_, iMFGET_, iSET_), generated from the register
// lists over the rules of reg_rules.h, and the hand-written instruction-level readers.
#include "processor/regs/reg_accessors.h"

#include "processor/regs/reg_rules.h"
#include "processor/run/smt.h"
#include "runtime/message.h"

using namespace quarn_registers;

#define QUARN_DEFINE_INSTRUCTION_MEMBERS(member, file_name, width, owner, family)                            \
    QUARN_DEFINE_INSTRUCTION_MEMBERS_##family(member, width)
#define QUARN_DEFINE_INSTRUCTION_MEMBERS_N(member, width)
#define QUARN_DEFINE_INSTRUCTION_MEMBERS_I(member, width)                                                    \
    QUARN_REG_VALUE(width) iGET_##member(IOPDesc *iop)                                                       \
    {                                                                                                        \
        return instruction_get<REG_ID_##member>(iop, REG_ACCESS_INSTRUCTION);                                \
    }                                                                                                        \
    QUARN_REG_VALUE(width) iMFGET_##member(IOPDesc *iop)                                                     \
    {                                                                                                        \
        return instruction_get<REG_ID_##member>(iop, REG_ACCESS_MOVE_FROM);                                  \
    }                                                                                                        \
    QUARN_REG_VALUE(width) iSET_##member(IOPDesc *iop, QUARN_REG_VALUE(width) value)                         \
    {                                                                                                        \
        return instruction_set<REG_ID_##member>(iop, value);                                                 \
    }

QUARN_THREAD_REGISTERS(QUARN_DEFINE_INSTRUCTION_MEMBERS)
QUARN_CORE_REGISTERS(QUARN_DEFINE_INSTRUCTION_MEMBERS)

// ---- hand-written readers ----

namespace
{

uint64_t read_gpr_operand(IOPDesc *iop, uint32_t n)
{
    Reg64 *gpr = &iop->thread->GPR[n];
    uint64_t value = gpr->value;
    Maybe_Invoke_Reg_Read_Triggers(iop, gpr->trigger, value);
    return value;
}

// The branch-history BO test.
bool bo_test(uint32_t bo)
{
    return (bo & 0x10) != 0 || (bo & 0x1C) == 0x18 || (bo & 0x1E) == 6 || (bo & 0x1E) == 0xE;
}

} // namespace

uint64_t Read_GPR_RA_Operand(IOPDesc *iop, uint32_t n)
{
    return iop->use_slots ? iop->operand_slot1[0] : read_gpr_operand(iop, n);
}

uint64_t Read_GPR_RB_Operand(IOPDesc *iop, uint32_t n)
{
    return iop->use_slots ? iop->operand_slot2[0] : read_gpr_operand(iop, n);
}

uint32_t Fetch_LPIDR(IOPDesc *iop)
{
    return iGET_LPIDR(iop);
}

int ENABLED_IMA_WRITE(IOPDesc *iop, int32_t n)
{
    uint64_t hid1 = iGET_HID1(iop);
    return ((hid1 >> (47 - (n & 3))) & 1) == 0;
}

uint32_t Get_MMCR0_Bits_18_19(IOPDesc *iop)
{
    return (uint32_t)((iGET_MMCR0(iop) >> 18) & 3);
}

ThreadState *Select_Available_Assist_Thread(IOPDesc *iop)
{
    if (iop->thread->is_assist_thread) return nullptr;
    if (iGET_APSCR(iop) & 0x0000000100000000ull) return nullptr;
    return Select_Idle_Thread(iop);
}

int BHRB_Field_Filtered(IOPDesc *iop, uint32_t link, uint32_t *target_only)
{
    uint64_t mmcra = iGET_MMCRA(iop);
    *target_only = 0;
    uint32_t mode = (uint32_t)((mmcra >> 30) & 3);
    uint32_t form = iop->row ? iop->row->form : 0;
    uint32_t bo = (iop->word >> 21) & 0x1F;
    switch (mode) {
    case 0:
        return 0;
    case 1:
        return link == 0;
    case 2:
        if (form == BRANCH_FORM_I) return 1;
        if (form == BRANCH_FORM_B) return (bo & 0x14) == 0x14;
        if (form == BRANCH_FORM_XL) {
            if ((bo & 0x14) != 0x14) return 1;
            *target_only = 1;
            return 0;
        }
        break;
    default:
        if (form == BRANCH_FORM_I) return 1;
        if (form == BRANCH_FORM_B) return bo_test(bo);
        if (form == BRANCH_FORM_XL) {
            *target_only = bo_test(bo);
            return 0;
        }
        break;
    }
    sim_warning(2, "BHRB_Field_Filtered: unexpected branch format type= %d", (int)form);
    return 1;
}

// Simulator-only and implementation-specific instructions: breakpt, the reserved no-operations,
// pbt and pbt. (posting a message to the chip's message unit), logmpp, settag, mtsle, ltptr,
// clrbhrb, and the row-less makeitso, dlmzb, dlmzb. and mfapidi. The sim-support instructions are
// with the guest services.
#include "decode/semantics.h"
#include "interrupts/interrupt_raisers.h"
#include "isa/hooks/branch_history.h"
#include "isa/hooks/message_unit.h"
#include "isa/hooks/msr_with_pc.h"
#include "isa/semantics_helpers.h"
#include "isa/simulator_instructions.h"
#include "mmu/address_translate.h"
#include "mmu/ea_access.h"
#include "mmu/physical_access.h"
#include "mmu/storage_interrupts.h"
#include "mmu/transaction_guard.h"
#include "memory/memory_tags.h"
#include "processor/hooks/htm.h"
#include "processor/records/generic_machine.h"
#include "processor/records/thread_state.h"
#include "processor/regs/facility_bits.h"
#include "processor/regs/reg_accessors.h"
#include "processor/run/smt.h"
#include "processor/spr/spr_services.h"

namespace
{

constexpr uint64_t SIM_CTRL_MPPR_DISABLE = 0x200000000ull; // bit 33
constexpr uint64_t SIM_CTRL_AS_DISABLE = 0x400000000ull;   // bit 34
constexpr uint64_t SIM_CTRL_PBT_STORAGE = 0x4000000000ull; // bit 38
constexpr uint64_t SIM_CTRL_LTPTR_XER = 0x200000000000ull; // bit 45
constexpr uint64_t MSR_BTAE = 0x0800000000000000ull;       // bit 59
constexpr uint64_t MMCR0_BHRB_AVAILABLE = 0x200000;
constexpr uint64_t L2MVSR_POSTED = 0xF000;
constexpr int PBT_MESSAGE_BYTES = 128;
constexpr int TOUCH_KIND_PBT = 7;
constexpr uint32_t PBT_STATUS_STORAGE = 1, PBT_STATUS_DATA_STORAGE = 2, PBT_STATUS_BUSY = 4;
constexpr int32_t DSI_REASON_NO_DELIVERY = 281;

int illegal(IOPDesc *iop, const char *text)
{
    interrupt_IllegalInstruction(iop, text);
    return 0;
}

int privileged(IOPDesc *iop)
{
    interrupt_PrivilegedInstruction(iop);
    return 0;
}

int advance(IOPDesc *iop)
{
    IOP_Advance_NIA(iop);
    return 1;
}

bool assist_thread_stopped(IOPDesc *iop)
{
    ThreadState *thread = iop->thread;
    if (!We_are_Assist_Thread(thread)) return false;
    Stop_One_Assist_Thread(thread, thread);
    return true;
}

// XER bits 22:20 cleared, noted as written.
void clear_xer_tags(IOPDesc *iop)
{
    IOP_Write_XER_Field(iop, XER_TGCC, 0);
    XER_Mark_Written(iop, XER_TGCC);
}

int post_message(IOPDesc *iop, bool record)
{
    ThreadState *thread = iop->thread;
    if (iGET_SIM_CTRL(iop) & SIM_CTRL_AS_DISABLE) return illegal(iop, "SIM_CTRL_AS_disable");
    if (!PCR_Gate_v2_06(iop)) return 0;
    if (!record && !Facility_Gate(iop, FACILITY_PBT, "pbt")) return 0;
    uint32_t status = 0;
    AXD *data = &iop->data;
    if (record) status = (uint32_t)(IOP_Read_GPR(iop, FIELD_RS(iop->word), OPERAND_S) & 0xF);
    if (Transaction_Guard(iop)) return 1;
    data->kind = AXD_KIND_LOAD;
    if (!EA_gen_x_loads_stores(iop)) return 0;
    if (record) data->size = 4;
    data->kind = AXD_KIND_LOAD;
    const int translated = PPC_MMU_AddressTranslate(0, iop, data);
    if (translated == XLATE_EXCEPTION || translated == XLATE_ADDRESS_ONLY) return 0;
    uint8_t message[PBT_MESSAGE_BYTES];
    data->size = PBT_MESSAGE_BYTES;
    const uint32_t read = PA_Read_Memory_BigEndian_Buffer(iop, message, data, 1);
    if (!Message_Unit_Present(thread->mcm)) {
        if (read == 1 || read == 4) return 0;
    } else if (!as_pbt(iop, data, read, &status)) {
        if (status & PBT_STATUS_STORAGE) {
            status &= ~PBT_STATUS_STORAGE;
            interrupt_DataStoragePBT(iop, data->ea, data->kind);
        } else if (status == 0) {
            interrupt_DataStorageAccess(iop, data->ea, data->kind, DSI_REASON_NO_DELIVERY);
        }
        return 0;
    }
    if (thread->machine && HTM_Threads_In_Transaction(thread->machine))
        htm_check_touch_collision(iop, thread->device_number, data->pa, 0, TOUCH_KIND_PBT);
    if (!record) return advance(iop);
    if ((iGET_SIM_CTRL(iop) & SIM_CTRL_PBT_STORAGE) || status == PBT_STATUS_DATA_STORAGE) {
        interrupt_DataStoragePBT(iop, data->ea, data->kind);
        return 0;
    }
    const uint32_t cr0 = status == PBT_STATUS_BUSY ? CR_GT : CR_LT;
    SET_CR0_value(iop, cr0);
    if (FXCC_Is_Written(iop)) {
        IOP_Write_XER_Field(iop, XER_FXCC, (uint64_t)cr0 << 24);
        XER_Mark_Written(iop, XER_FXCC);
    }
    return advance(iop);
}

int count_to_zero_byte(IOPDesc *iop, bool record)
{
    const uint32_t word = iop->word;
    const uint64_t rs = IOP_Read_GPR(iop, FIELD_RS(word), OPERAND_S) & 0xFFFFFFFFull;
    const uint64_t rb = IOP_Read_GPR(iop, FIELD_RB(word), OPERAND_B) & 0xFFFFFFFFull;
    const uint64_t bytes = rs << 32 | rb;
    uint32_t count = 8;
    bool found = false;
    for (uint32_t n = 0; n < 8 && !found; n++) {
        if (((bytes >> (56 - 8 * n)) & 0xFF) == 0) {
            count = n + 1;
            found = true;
        }
    }
    IOP_Write_GPR(iop, FIELD_RA(word), count);
    IOP_Write_XER_Field(iop, 0x7F, count);
    XER_Mark_Written(iop, 0x7F);
    if (record) {
        const uint32_t where = !found ? CR_EQ : (count <= 4 ? CR_GT : CR_LT);
        SET_CR0_value(iop, where | IOP_Read_SO(iop));
    }
    return advance(iop);
}

} // namespace

int semantic_breakpt(IOPDesc *iop)
{
    GenericMachine *machine = iop->thread->machine;
    if (machine && !machine->enable_breakpoint_instruction) return illegal(iop, "breakpt");
    // Nobody waits for a debugger: the instruction completes like a no-operation.
    return advance(iop);
}

int semantic_nop(IOPDesc *iop)
{
    if (IOP_Option(iop, PO_RESERVED_NOP_GATED_BY_V206) && !PCR_Gate_v2_06(iop)) return 0;
    return advance(iop);
}

int semantic_makeitso(IOPDesc *iop)
{
    if (!PCR_Gate_v2_06(iop)) return 0;
    return advance(iop);
}

int semantic_pbt(IOPDesc *iop)
{
    return post_message(iop, false);
}

int semantic_pbt_dot(IOPDesc *iop)
{
    return post_message(iop, true);
}

int semantic_logmpp(IOPDesc *iop)
{
    if (iGET_SIM_CTRL(iop) & SIM_CTRL_MPPR_DISABLE) return illegal(iop, "SIM_CTRL_MPPR_disable");
    const uint64_t msr = iGET_MSR(iop);
    if ((msr & MSR_PR) && (iGET_PCR(iop) & 0x4)) return privileged(iop);
    if (!(msr & MSR_HV) || (msr & MSR_PR)) return privileged(iop);
    if (Transaction_Guard(iop)) return 1;
    ThreadState *thread = iop->thread;
    const uint64_t v = (IOP_Read_GPR(iop, FIELD_RA(iop->word), OPERAND_A) >> 8) & 0xFF;
    if ((v & 3) == 3)
        tCOOKED_SET_L2MVSR1(thread, tCOOKED_GET_L2MVSR1(thread, 0) | L2MVSR_POSTED, 0);
    else
        tCOOKED_SET_L2MVSR0(thread, tCOOKED_GET_L2MVSR0(thread, 0) | L2MVSR_POSTED, 0);
    return advance(iop);
}

int semantic_settag(IOPDesc *iop)
{
    if (!Tags_Active(iop) && !(iGET_MSR(iop) & MSR_BTAE)) return illegal(iop, "settag");
    XER_Mark_Read(iop, XER_TGCC);
    const uint64_t kept = IOP_XER_Value(iop) & 0x600000ull;
    IOP_Write_XER_Field(iop, XER_TGCC, kept | 0x100000ull);
    XER_Mark_Written(iop, 0x100000ull);
    return advance(iop);
}

int semantic_mtsle(IOPDesc *iop)
{
    if (!PCR_Gate_v2_06(iop)) return 0;
    if (assist_thread_stopped(iop)) return 0;
    if (Tags_Active(iop)) return illegal(iop, "mtsle when TA=1");
    if (Transaction_Guard(iop)) return 1;
    const uint64_t msr = iGET_MSR(iop);
    const uint64_t updated = ((iop->word >> 21) & 1) ? msr | MSR_SLE : msr & ~MSR_SLE;
    WRITE_MSR_WITH_PC(iop, updated, 0, 0);
    return advance(iop);
}

int semantic_ltptr(IOPDesc *iop)
{
    if (!IOP_Option(iop, PO_POWERPC_V202)) return illegal(iop, "ltptr");
    if (!Tags_Active(iop)) return illegal(iop, "ltptr: not tags active");
    const uint32_t word = iop->word;
    const uint32_t ra = FIELD_RA(word);
    const uint64_t base = ra ? IOP_Read_GPR(iop, ra, OPERAND_A) : 0;
    const int64_t displacement = (int64_t)(int16_t)(uint16_t)(word & 0xFFF0);
    AXD *data = &iop->data;
    data->ea = base + (uint64_t)displacement;
    data->size = 8;
    data->align = 16;
    data->kind = AXD_KIND_LOAD;
    if (!CEA_CHECK_EAO(iop, ra, base, 16)) return 0;
    const uint64_t ea = data->ea;
    uint64_t first = 0, second = 0;
    if (EA_Read_Memory_Reg(iop, &first, 1) != 0) return 0;
    const uint64_t pa = data->pa;
    data->ea = ea + 8;
    data->size = 8;
    if (EA_Read_Memory_Reg(iop, &second, 1) != 0) return 0;
    const int tag = PA_Read_Memory_Tag(iop->thread, pa & ~15ull, 0);
    const uint32_t pt = (word >> 2) & 3;
    const bool valid = tag && ((4u >> (first >> 62)) & (pt + 1)) && !((first >> 61) & 1);
    if (valid) {
        IOP_Write_GPR(iop, FIELD_RT(word), second);
        if (iGET_SIM_CTRL(iop) & SIM_CTRL_LTPTR_XER) {
            clear_xer_tags(iop);
            iSET_XER(iop, IOP_XER_Value(iop));
        } else if (IOP_Option(iop, PO_SET_XER_UNDEFINED_BITS_TO_ZEROS)) {
            clear_xer_tags(iop);
        }
    } else {
        clear_xer_tags(iop);
        IOP_Write_GPR(iop, FIELD_RT(word), 0);
    }
    return advance(iop);
}

int semantic_clrbhrb(IOPDesc *iop)
{
    if (!PCR_Gate_v2_06(iop)) return 0;
    if (!Facility_Gate(iop, FACILITY_BHRB, "clrbhrb")) return 0;
    if ((iGET_MSR(iop) & MSR_PR) && !(iGET_MMCR0(iop) & MMCR0_BHRB_AVAILABLE)) {
        interrupt_FacilityUnavailable(iop, FACILITY_BHRB, "clrbhrb");
        return 0;
    }
    core_clrbhrb(iop);
    return advance(iop);
}

int semantic_dlmzb(IOPDesc *iop)
{
    return count_to_zero_byte(iop, false);
}

int semantic_dlmzb_dot(IOPDesc *iop)
{
    return count_to_zero_byte(iop, true);
}

int semantic_mfapidi(IOPDesc *iop)
{
    if (!PCR_Gate_v2_05(iop)) return 0;
    if (!IOP_Option(iop, PO_POWERPC_V206)) return illegal(iop, "mfapidi");
    IOP_Write_GPR(iop, FIELD_RT(iop->word), 0);
    return advance(iop);
}

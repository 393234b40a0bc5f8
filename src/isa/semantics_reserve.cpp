// Load-and-reserve and store-conditional: lbarx, lharx, lwarx, ldarx take the thread's
// reservation; stbcx. … stdcx. and stqcx. store only while it holds, report the outcome in CR0
// and record a successful store as a held lock. The Rc = 0 rows take the invalid-form path unless
// STWCX_IGNORES_RC.
#include "isa/semantics_reserve.h"

#include "decode/semantics.h"
#include "isa/semantics_helpers.h"
#include "memory/reservations.h"
#include "mmu/address_translate.h"
#include "mmu/ea_access.h"
#include "mmu/load_store_path.h"
#include "mmu/physical_access.h"
#include "processor/hooks/htm.h"
#include "processor/records/generic_machine.h"
#include "processor/regs/value_ops.h"
#include "runtime/message.h"

namespace
{

constexpr int16_t RESERVATION_ACCESS = 2;
constexpr int READ_BUFFER_BYTES = 16;

enum class Gate { NONE, V2_06, BIT64 };

bool pass_gate(IOPDesc *iop, Gate gate)
{
    switch (gate) {
    case Gate::V2_06:
        return PCR_Gate_v2_06(iop) != 0;
    case Gate::BIT64:
        return check_64bit_op_ok(iop) != 0;
    case Gate::NONE:
        break;
    }
    return true;
}

bool untimed(const IOPDesc *iop)
{
    const GenericMachine *machine = iop->thread->machine;
    return !machine || machine->mode <= MODE_NAMELESS;
}

// The failure path of a load-and-reserve: the reservation is dropped unless the option keeps it.
int larx_failed(IOPDesc *iop)
{
    if (untimed(iop) && !IOP_Option(iop, PO_RESERVATION_KEPT_FOR_LOAD_RESERVE_W_EXCEPTION))
        if (MemoryClient *client = iop->thread->memory_client) clear_reservation_bit(client);
    iop->data.access_origin = 0;
    return 0;
}

int load_and_reserve(IOPDesc *iop, Gate gate)
{
    if (!pass_gate(iop, gate)) return 0;
    AXD *data = &iop->data;
    data->kind = AXD_KIND_LOAD;
    if (!EA_gen_x_loads_stores(iop)) return 0;
    data->kind = AXD_KIND_LOAD;
    data->access_origin = RESERVATION_ACCESS;
    int status = PPC_MMU_AddressTranslate(0, iop, data);
    if (status == XLATE_EXCEPTION || status == XLATE_ADDRESS_ONLY) {
        data->access_origin = 0;
        return 0;
    }
    if (iop->addr_only) {
        iop->core_rec.kind = 1;
        return larx_failed(iop);
    }
    int size = data->size;
    if (size < 0 || size > READ_BUFFER_BYTES) return larx_failed(iop);
    uint8_t buffer[READ_BUFFER_BYTES] = {};
    uint32_t result;
    switch (status) {
    case XLATE_OK:
        if (!IOP_Check_Reservation_Storage(iop)) return larx_failed(iop);
        result = PA_Read_Memory_BigEndian_Buffer(iop, buffer, data, 1);
        break;
    case XLATE_CROSSES_PAGE:
        result = Read_Data_One_Byte_at_a_Time(iop, buffer, 1);
        break;
    case XLATE_LE_BYTEWISE:
        result = Read_LE_Data_One_Byte_at_a_Time(iop, buffer, 1);
        break;
    default:
        sim_error("Load_Memory_Value_Part2: Unexpected return status of address translation : %d", status);
        return larx_failed(iop);
    }
    if (result != 0) return larx_failed(iop);
    if (untimed(iop)) {
        if (MemoryClient *client = iop->thread->memory_client) create_reservation(client, data->pa, size);
        htm_record_reservation_taken_state(iop, data);
    }
    uint64_t value = 0;
    for (int i = 0; i < size; i++)
        value = (value << 8) | buffer[i];
    if (IOP_Data_Little_Endian(iop)) value = Reverse_RegValue(value, size);
    IOP_Write_Load_Target(iop, FIELD_RT(iop->word), value);
    data->access_origin = 0;
    IOP_Advance_NIA(iop);
    return 1;
}

// The Rc = 0 rows: the invalid-form path unless STWCX_IGNORES_RC; 0 when it made them illegal.
bool record_form_allowed(IOPDesc *iop, bool rc_zero)
{
    if (!rc_zero || IOP_Option(iop, PO_STWCX_IGNORES_RC)) return true;
    return !Invalid_Form(iop, "store conditional with Rc=0");
}

int store_conditional(IOPDesc *iop, Gate gate, bool rc_zero)
{
    if (!pass_gate(iop, gate)) return 0;
    if (!record_form_allowed(iop, rc_zero)) return 0;
    AXD *data = &iop->data;
    data->kind = AXD_KIND_STORE;
    if (!EA_gen_x_loads_stores(iop)) return 0;
    data->kind = AXD_KIND_STORE;
    uint64_t value = IOP_Read_GPR(iop, FIELD_RS(iop->word), OPERAND_S);
    data->access_origin = RESERVATION_ACCESS;
    int answer = Store_Memory_Value(iop, value, 0, 0);
    if (answer == 1) {
        data->access_origin = 0;
        return 0;
    }
    // An interrupt of the attribute rules here is delivered after the instruction completes.
    IOP_Check_Reservation_Storage(iop);
    stcx_part2(iop, answer == 2);
    data->access_origin = 0;
    return 1;
}

int store_conditional_quadword(IOPDesc *iop, bool rc_zero)
{
    if (!PCR_Gate_v2_06(iop)) return 0;
    if (!record_form_allowed(iop, rc_zero)) return 0;
    uint32_t rs = FIELD_RS(iop->word);
    if (!Start_Quadword_Access(iop, IOP_Option(iop, PO_STQ_MUST_BE_EVEN), &rs)) return 0;
    AXD *data = &iop->data;
    data->kind = AXD_KIND_STORE;
    if (!EA_gen_x_loads_stores(iop)) return 0;
    data->kind = AXD_KIND_STORE;
    data->size = 8;
    uint32_t low_register = rs, high_register = (rs + 1) & 31;
    if (IOP_Data_Little_Endian(iop)) {
        low_register = high_register;
        high_register = rs;
    }
    uint64_t low = iGET_GPR(iop, low_register), high = iGET_GPR(iop, high_register);
    data->access_origin = RESERVATION_ACCESS;
    int answer = Store_Memory_Value(iop, low, 0, 0);
    if (answer == 1) {
        data->access_origin = 0;
        return 0;
    }
    if (answer == 2) {
        IOP_Check_Reservation_Storage(iop);
        stcx_part2(iop, 1);
        data->access_origin = 0;
        return 1;
    }
    uint64_t first_pa = data->pa;
    data->ea += 8;
    data->orig_ea += 8;
    answer = Store_Memory_Value(iop, high, 8, 0);
    if (answer == 1) {
        data->access_origin = 0;
        return 0;
    }
    IOP_Check_Reservation_Storage(iop);
    // The held lock is the quadword's: its first doubleword's address.
    data->pa = first_pa;
    stcx_part2(iop, answer == 2);
    if (answer != 2) End_Quadword_Store(iop, data);
    data->access_origin = 0;
    return 1;
}

} // namespace

void stcx_part2(IOPDesc *iop, int failed)
{
    uint32_t so = IOP_Read_SO(iop);
    if (failed) {
        iop->data.size = 0;
        SET_CR0_value(iop, so);
    } else {
        SET_CR0_value(iop, CR_EQ | so);
        Record_a_successful_lock(iop->thread, iop->data.pa);
    }
    if (FXCC_Is_Written(iop)) {
        IOP_Write_XER_Field(iop, XER_FXCC, failed ? 0 : 0x02000000);
        XER_Mark_Written(iop, XER_FXCC);
    }
    IOP_Advance_NIA(iop);
}

int semantic_lbarx(IOPDesc *iop)
{
    return load_and_reserve(iop, Gate::V2_06);
}

int semantic_lharx(IOPDesc *iop)
{
    return load_and_reserve(iop, Gate::V2_06);
}

int semantic_lwarx(IOPDesc *iop)
{
    return load_and_reserve(iop, Gate::NONE);
}

int semantic_ldarx(IOPDesc *iop)
{
    return load_and_reserve(iop, Gate::BIT64);
}

int semantic_stbcx_dot(IOPDesc *iop)
{
    return store_conditional(iop, Gate::V2_06, false);
}

int semantic_stbcx(IOPDesc *iop)
{
    return store_conditional(iop, Gate::V2_06, true);
}

int semantic_sthcx_dot(IOPDesc *iop)
{
    return store_conditional(iop, Gate::V2_06, false);
}

int semantic_sthcx(IOPDesc *iop)
{
    return store_conditional(iop, Gate::V2_06, true);
}

int semantic_stwcx_dot(IOPDesc *iop)
{
    return store_conditional(iop, Gate::NONE, false);
}

int semantic_stwcx(IOPDesc *iop)
{
    return store_conditional(iop, Gate::NONE, true);
}

int semantic_stdcx_dot(IOPDesc *iop)
{
    return store_conditional(iop, Gate::BIT64, false);
}

int semantic_stdcx(IOPDesc *iop)
{
    return store_conditional(iop, Gate::BIT64, true);
}

int semantic_stqcx_dot(IOPDesc *iop)
{
    return store_conditional_quadword(iop, false);
}

int semantic_stqcx(IOPDesc *iop)
{
    return store_conditional_quadword(iop, true);
}

// Fixed-point loads and stores: the D, DS and X skeletons and the plain, update, algebraic and
// byte-reversed rows, the cache-inhibited and external-PID forms, load and store multiple, the
// strings, the quadword forms lq, lqarx and stq, and attn.
#include "isa/semantics_load_store.h"

#include <utility>

#include "decode/semantics.h"
#include "interrupts/interrupt_raisers.h"
#include "isa/semantics_helpers.h"
#include "mmu/address_translate.h"
#include "mmu/ea_access.h"
#include "mmu/load_store_path.h"
#include "mmu/storage_interrupts.h"
#include "mmu/transaction_guard.h"
#include "processor/hooks/htm.h"
#include "processor/prints/instruction_prints.h"
#include "processor/regs/reg_accessors.h"
#include "processor/regs/value_ops.h"
#include "runtime/message.h"
#include "runtime/plugin_events.h"

namespace
{

constexpr uint64_t PAGE_OFFSET_4K = 0xFFF;
constexpr uint64_t HID0_ATTN_ENABLE = 0x100000000ull; // bit 32
constexpr uint64_t XER_COUNT_READ_BITS = 0x808FFFFF;
constexpr uint32_t NO_RB = 33;

bool option(const IOPDesc *iop, uint32_t index)
{
    return IOP_Option(iop, index) != 0;
}

const char *mnemonic(const IOPDesc *iop)
{
    return iop->row ? iop->row->mnemonic : "no instruction";
}

uint64_t field_ds(uint32_t word)
{
    return (uint64_t)(int64_t)(int16_t)(word & 0xFFFC);
}

uint64_t field_dq(uint32_t word)
{
    return (uint64_t)(int64_t)(int16_t)(word & 0xFFF0);
}

uint32_t field_nb(uint32_t word)
{
    return (word >> 11) & 0x1F;
}

// (RA|0) + offset into the data descriptor's current, reported and starting addresses.
uint64_t set_address(IOPDesc *iop, uint64_t offset)
{
    uint32_t ra = FIELD_RA(iop->word);
    uint64_t ea = (ra ? IOP_Read_GPR(iop, ra, OPERAND_A) : 0) + offset;
    AXD *data = &iop->data;
    data->iop = iop;
    data->row = iop->row;
    data->ea = data->orig_ea = data->ea2 = ea;
    if (iop->defer_side_effects) iop->operand_slot2[0] = offset;
    return ea;
}

// The natural-alignment option of the D- and X-form loads and stores.
bool naturally_aligned(IOPDesc *iop)
{
    AXD *data = &iop->data;
    if (!option(iop, PO_PELK_LOAD_STORE_MUST_BE_NATURALLY_ALIGNED) || data->size <= 0) return true;
    if (data->ea % (uint64_t)data->size == 0) return true;
    interrupt_AlignmentException(iop, data->ea, 0, data->kind, EST_ALIGN_PELK_NOT_NATURAL);
    return false;
}

enum class Form { D, DS, X };

int load_skeleton(IOPDesc *iop, Form form)
{
    uint32_t ra = FIELD_RA(iop->word), rt = FIELD_RT(iop->word);
    uint64_t update_base = 0;
    if (iop->update_form && (ra == 0 || ra == rt)) {
        static const char *const reasons[] = {"load (d) with update and RA=0 or RA=RT",
                                              "load (ds) with update and RA=0 or RA=RT",
                                              "load (x) with update and RA=0 or RA=RT"};
        if (Invalid_Form(iop, reasons[(int)form])) return 0;
        update_base = form == Form::D    ? FIELD_SI(iop->word)
                      : form == Form::DS ? field_ds(iop->word)
                                         : IOP_Read_GPR(iop, FIELD_RB(iop->word), OPERAND_B);
    }
    iop->data.kind = AXD_KIND_LOAD;
    int generated = form == Form::D    ? EA_gen_d_loads_stores(iop)
                    : form == Form::DS ? EA_gen_ds_loads_stores(iop)
                                       : EA_gen_x_loads_stores(iop);
    if (!generated) return 0;
    if (form != Form::DS && !naturally_aligned(iop)) return 0;
    return load_single_register(iop, 1, update_base);
}

int store_skeleton(IOPDesc *iop, Form form)
{
    uint32_t ra = FIELD_RA(iop->word);
    if (form == Form::D && iop->update_form && ra == 0 && Invalid_Form(iop, "store (d) with update and RA=0"))
        return 0;
    if (form == Form::DS) {
        if (iop->update_form && ra == 0 && Invalid_Form(iop, "store (ds) with update and RA=0")) return 0;
        iop->byte_reversed = 0;
    }
    iop->data.kind = AXD_KIND_STORE;
    int generated = form == Form::D    ? EA_gen_d_loads_stores(iop)
                    : form == Form::DS ? EA_gen_ds_loads_stores(iop)
                                       : EA_gen_x_loads_stores(iop);
    if (!generated) return 0;
    if (form != Form::DS && !naturally_aligned(iop)) return 0;
    uint64_t value = IOP_Read_GPR(iop, FIELD_RS(iop->word), OPERAND_S);
    if (!store_single_register(iop, value)) return 0;
    IOP_Advance_NIA(iop);
    return 1;
}

// The gates of the plain rows.
enum class Gate { NONE, BIT64, PRIVILEGED, PRIVILEGED_BIT64, REVERSED_DOUBLEWORD };

bool pass_gate(IOPDesc *iop, Gate gate)
{
    switch (gate) {
    case Gate::NONE:
        return true;
    case Gate::BIT64:
        return check_64bit_op_ok(iop) != 0;
    case Gate::PRIVILEGED:
    case Gate::PRIVILEGED_BIT64:
        if (iGET_MSR(iop) & MSR_PR) {
            interrupt_PrivilegedInstruction(iop);
            return false;
        }
        return gate == Gate::PRIVILEGED || check_64bit_op_ok(iop);
    case Gate::REVERSED_DOUBLEWORD:
        if (!Check_PCR_2_05_Mode(iop) || !check_64bit_op_ok(iop)) return false;
        iop->byte_reversed =
            option(iop, PO_DOUBLE_BYTE_REVERSE_INSTS_SUPPORTED) || option(iop, PO_POWERPC_V206);
        return true;
    }
    return true;
}

enum class Skeleton { D_LOAD, DS_LOAD, X_LOAD, D_STORE, DS_STORE, X_STORE };

int plain_access(IOPDesc *iop, Skeleton skeleton, bool update, bool algebraic, bool reversed, Gate gate)
{
    iop->update_form = update;
    iop->algebraic = algebraic;
    iop->byte_reversed = reversed;
    if (!pass_gate(iop, gate)) return 0;
    switch (skeleton) {
    case Skeleton::D_LOAD:
        return semantic_d_load(iop);
    case Skeleton::DS_LOAD:
        return semantic_ds_load(iop);
    case Skeleton::X_LOAD:
        return semantic_x_load(iop);
    case Skeleton::D_STORE:
        return semantic_d_store(iop);
    case Skeleton::DS_STORE:
        return semantic_ds_store(iop);
    case Skeleton::X_STORE:
        return semantic_x_store(iop);
    }
    return 0;
}

} // namespace

// ---- skeletons ----

int semantic_d_load(IOPDesc *iop)
{
    return load_skeleton(iop, Form::D);
}

int semantic_ds_load(IOPDesc *iop)
{
    return load_skeleton(iop, Form::DS);
}

int semantic_x_load(IOPDesc *iop)
{
    return load_skeleton(iop, Form::X);
}

int semantic_d_store(IOPDesc *iop)
{
    return store_skeleton(iop, Form::D);
}

int semantic_ds_store(IOPDesc *iop)
{
    return store_skeleton(iop, Form::DS);
}

int semantic_x_store(IOPDesc *iop)
{
    return store_skeleton(iop, Form::X);
}

int Check_PCR_2_05_Mode(IOPDesc *iop)
{
    return PCR_Gate_v2_05(iop);
}

// ---- the plain rows: (name, skeleton, update, algebraic, byte-reversed, gate) ----

#define QUARN_PLAIN_LOADS_STORES(X)                                                                          \
    X(lbz, D_LOAD, 0, 0, 0, NONE)                                                                            \
    X(lbzu, D_LOAD, 1, 0, 0, NONE)                                                                           \
    X(lbzx, X_LOAD, 0, 0, 0, NONE)                                                                           \
    X(lbzux, X_LOAD, 1, 0, 0, NONE)                                                                          \
    X(lhz, D_LOAD, 0, 0, 0, NONE)                                                                            \
    X(lhzu, D_LOAD, 1, 0, 0, NONE)                                                                           \
    X(lhzx, X_LOAD, 0, 0, 0, NONE)                                                                           \
    X(lhzux, X_LOAD, 1, 0, 0, NONE)                                                                          \
    X(lha, D_LOAD, 0, 1, 0, NONE)                                                                            \
    X(lhau, D_LOAD, 1, 1, 0, NONE)                                                                           \
    X(lhax, X_LOAD, 0, 1, 0, NONE)                                                                           \
    X(lhaux, X_LOAD, 1, 1, 0, NONE)                                                                          \
    X(lhbrx, X_LOAD, 0, 0, 1, NONE)                                                                          \
    X(lwz, D_LOAD, 0, 0, 0, NONE)                                                                            \
    X(lwzu, D_LOAD, 1, 0, 0, NONE)                                                                           \
    X(lwzx, X_LOAD, 0, 0, 0, NONE)                                                                           \
    X(lwzux, X_LOAD, 1, 0, 0, NONE)                                                                          \
    X(lwa, DS_LOAD, 0, 1, 0, BIT64)                                                                          \
    X(lwax, X_LOAD, 0, 1, 0, BIT64)                                                                          \
    X(lwaux, X_LOAD, 1, 1, 0, BIT64)                                                                         \
    X(lwbrx, X_LOAD, 0, 0, 1, NONE)                                                                          \
    X(lwds, DS_LOAD, 0, 0, 0, NONE)                                                                          \
    X(ld, DS_LOAD, 0, 0, 0, BIT64)                                                                           \
    X(ldu, DS_LOAD, 1, 0, 0, BIT64)                                                                          \
    X(ldx, X_LOAD, 0, 0, 0, BIT64)                                                                           \
    X(ldux, X_LOAD, 1, 0, 0, BIT64)                                                                          \
    X(ldbrx, X_LOAD, 0, 0, 0, REVERSED_DOUBLEWORD)                                                           \
    X(stb, D_STORE, 0, 0, 0, NONE)                                                                           \
    X(stbu, D_STORE, 1, 0, 0, NONE)                                                                          \
    X(sth, D_STORE, 0, 0, 0, NONE)                                                                           \
    X(sthu, D_STORE, 1, 0, 0, NONE)                                                                          \
    X(stw, D_STORE, 0, 0, 0, NONE)                                                                           \
    X(stwu, D_STORE, 1, 0, 0, NONE)                                                                          \
    X(stbx, X_STORE, 0, 0, 0, NONE)                                                                          \
    X(stbux, X_STORE, 1, 0, 0, NONE)                                                                         \
    X(sthx, X_STORE, 0, 0, 0, NONE)                                                                          \
    X(sthux, X_STORE, 1, 0, 0, NONE)                                                                         \
    X(stwx, X_STORE, 0, 0, 0, NONE)                                                                          \
    X(stwux, X_STORE, 1, 0, 0, NONE)                                                                         \
    X(sthbrx, X_STORE, 0, 0, 1, NONE)                                                                        \
    X(stwbrx, X_STORE, 0, 0, 1, NONE)                                                                        \
    X(std, DS_STORE, 0, 0, 0, BIT64)                                                                         \
    X(stdu, DS_STORE, 1, 0, 0, BIT64)                                                                        \
    X(stdx, X_STORE, 0, 0, 0, BIT64)                                                                         \
    X(stdux, X_STORE, 1, 0, 0, BIT64)                                                                        \
    X(stdbrx, X_STORE, 0, 0, 0, REVERSED_DOUBLEWORD)                                                         \
    X(stbepx, X_STORE, 0, 0, 0, PRIVILEGED)                                                                  \
    X(sthepx, X_STORE, 0, 0, 0, PRIVILEGED)                                                                  \
    X(stwepx, X_STORE, 0, 0, 0, PRIVILEGED)                                                                  \
    X(stdepx, X_STORE, 0, 0, 0, PRIVILEGED_BIT64)

#define QUARN_PLAIN_ROUTINE(name, skeleton, update, algebraic, reversed, gate)                               \
    int semantic_##name(IOPDesc *iop)                                                                        \
    {                                                                                                        \
        return plain_access(iop, Skeleton::skeleton, update, algebraic, reversed, Gate::gate);               \
    }
QUARN_PLAIN_LOADS_STORES(QUARN_PLAIN_ROUTINE)
#undef QUARN_PLAIN_ROUTINE

// ---- cache-inhibited forms ----

namespace
{

int cache_inhibited_access(IOPDesc *iop, bool store)
{
    uint64_t msr = iGET_MSR(iop);
    if (!(msr & MSR_HV) || (msr & MSR_PR)) {
        interrupt_PrivilegedInstruction(iop);
        return 0;
    }
    AXD *data = &iop->data;
    data->kind = store ? AXD_KIND_STORE : AXD_KIND_LOAD;
    data->size = iop->row ? (int16_t)iop->row->access_size : 0;
    data->wimg = AXD_WIMG_I | AXD_WIMG_G;
    if ((msr & MSR_TS) == MSR_TS_TRANSACTIONAL) {
        set_address(iop, IOP_Read_GPR(iop, FIELD_RB(iop->word), OPERAND_B));
        HTM_Debug_Failure(iop, "Unsupported instruction: '%s' in Transactional mode.", mnemonic(iop));
        htm_record_failure(iop->thread, HTM_FAILURE_NOT_ALLOWED, IOP_Current_Address(iop), 0, 0, msr);
        IOP_Advance_NIA(iop);
        return 1;
    }
    if (!(msr & MSR_DR)) return store ? semantic_x_store(iop) : semantic_x_load(iop);
    uint64_t ea = set_address(iop, IOP_Read_GPR(iop, FIELD_RB(iop->word), OPERAND_B));
    if (option(iop, PO_CACHE_INHIBITED_LOAD_STORE_CAUSE_DSI))
        interrupt_DataStorageCILoadStore(iop, ea, data->kind);
    else
        interrupt_PrivilegedInstruction(iop);
    return 0;
}

} // namespace

int semantic_lbzcix(IOPDesc *iop)
{
    return cache_inhibited_access(iop, false);
}

int semantic_lhzcix(IOPDesc *iop)
{
    return cache_inhibited_access(iop, false);
}

int semantic_lwzcix(IOPDesc *iop)
{
    return cache_inhibited_access(iop, false);
}

int semantic_ldcix(IOPDesc *iop)
{
    return cache_inhibited_access(iop, false);
}

int semantic_stbcix(IOPDesc *iop)
{
    return cache_inhibited_access(iop, true);
}

int semantic_sthcix(IOPDesc *iop)
{
    return cache_inhibited_access(iop, true);
}

int semantic_stwcix(IOPDesc *iop)
{
    return cache_inhibited_access(iop, true);
}

int semantic_stdcix(IOPDesc *iop)
{
    return cache_inhibited_access(iop, true);
}

// ---- load and store multiple ----

namespace
{

// The storage attributes of a new 4 KB page of a multiple or string transfer; false when they
// differ from the previous page's (the interrupt of the subtype is then raised). A translation
// that fails is left to the next access.
bool same_page_attributes(IOPDesc *iop, uint32_t previous_wimg, int32_t subtype)
{
    AXD *data = &iop->data;
    if (PPC_MMU_AddressTranslate(0, iop, data) != XLATE_OK) return true;
    if (data->wimg == previous_wimg) return true;
    interrupt_AlignmentException(iop, data->ea, 0, data->kind, subtype);
    return false;
}

bool page_check_due(const IOPDesc *iop)
{
    return option(iop, PO_WIMG_CHECK_ON_PAGE_CROSSINGS) && (iop->data.ea & PAGE_OFFSET_4K) == 0;
}

void advance_address(AXD *data, uint64_t step)
{
    data->ea += step;
    data->orig_ea += step;
}

// Sets up a multiple: (RA|0) + offset, element size, total length; the overflow check.
bool start_multiple(IOPDesc *iop, uint64_t offset, int16_t size, bool store)
{
    uint32_t rt = FIELD_RT(iop->word);
    AXD *data = &iop->data;
    data->kind = store ? AXD_KIND_STORE : AXD_KIND_LOAD;
    set_address(iop, offset);
    data->size = size;
    data->size2 = (int16_t)((32 - rt) * (uint32_t)size);
    return CEA_CHECK_EAO(iop, FIELD_RA(iop->word), offset, data->size2) != 0;
}

} // namespace

int Load_Multiple_Registers(IOPDesc *iop, uint32_t rt)
{
    AXD *data = &iop->data;
    data->kind = AXD_KIND_LOAD;
    iop->partial_done = 0;
    data->row_size = data->size;
    int16_t size = data->size;
    if (option(iop, PO_LOAD_STORE_MULTIPLE_MUST_BE_NATURALLY_ALIGNED) && size > 0 &&
        data->ea % (uint64_t)size) {
        interrupt_AlignmentException(iop, data->ea, 0, data->kind, EST_ALIGN_LOAD_MULTIPLE_UNALIGNED);
        PPC_MMU_AddressTranslate(0, iop, data);
        return 0;
    }
    bool single_bytes = option(iop, PO_LOAD_STORE_MULTIPLE_SINGLE_BYTE_ACCESS);
    for (uint32_t reg = rt; reg < 32; reg++) {
        uint64_t value = 0;
        if (single_bytes) {
            uint64_t start = data->ea, reported = data->orig_ea;
            data->size = 1;
            for (int16_t i = 0; i < size; i++) {
                uint64_t byte = 0;
                if (!Load_Memory_Value(iop, &byte)) {
                    data->ea = start;
                    data->orig_ea = reported;
                    data->size = size;
                    return 0;
                }
                value = (value << 8) | (byte & 0xFF);
                advance_address(data, 1);
            }
            data->ea = start;
            data->orig_ea = reported;
            data->size = size;
        } else if (!Load_Memory_Value(iop, &value)) {
            return 0;
        }
        if (IOP_Data_Little_Endian(iop)) value = Reverse_RegValue(value, size);
        IOP_Write_Load_Target(iop, reg, value);
        iop->partial_done = 1;
        uint32_t wimg = data->wimg;
        advance_address(data, (uint64_t)size);
        if (reg < 31 && page_check_due(iop) && !same_page_attributes(iop, wimg, EST_ALIGN_LOAD_MULTIPLE_WIMG))
            return 0;
    }
    IOP_Advance_NIA(iop);
    return 1;
}

int Store_Multiple_Registers(IOPDesc *iop, uint32_t rs)
{
    AXD *data = &iop->data;
    data->kind = AXD_KIND_STORE;
    iop->partial_done = 0;
    data->row_size = data->size;
    int16_t size = data->size;
    if (option(iop, PO_LOAD_STORE_MULTIPLE_MUST_BE_NATURALLY_ALIGNED) && size > 0 &&
        data->ea % (uint64_t)size) {
        interrupt_AlignmentException(iop, data->ea, 0, data->kind, EST_ALIGN_STORE_MULTIPLE_UNALIGNED);
        PPC_MMU_AddressTranslate(0, iop, data);
        return 0;
    }
    bool single_bytes = option(iop, PO_LOAD_STORE_MULTIPLE_SINGLE_BYTE_ACCESS);
    uint32_t wimg = 0;
    for (uint32_t reg = rs; reg < 32; reg++) {
        if (reg != rs && page_check_due(iop) &&
            !same_page_attributes(iop, wimg, EST_ALIGN_STORE_MULTIPLE_WIMG))
            return 0;
        uint64_t value = iop->use_slots ? iop->operand_slot4[0] : iGET_GPR(iop, reg);
        if (single_bytes) {
            uint64_t start = data->ea, reported = data->orig_ea;
            data->size = 1;
            for (int16_t i = 0; i < size; i++) {
                uint64_t byte = value >> (8 * (size - 1 - i));
                if (Store_Memory_Value(iop, byte & 0xFF, 0, 0) == 1) {
                    data->ea = start;
                    data->orig_ea = reported;
                    data->size = size;
                    return 0;
                }
                advance_address(data, 1);
            }
            data->ea = start;
            data->orig_ea = reported;
            data->size = size;
        } else if (Store_Memory_Value(iop, value, 0, 0) == 1) {
            return 0;
        }
        iop->partial_done = 1;
        wimg = data->wimg;
        advance_address(data, (uint64_t)size);
    }
    IOP_Advance_NIA(iop);
    return 1;
}

int semantic_lmw(IOPDesc *iop)
{
    if (CHECK_FOR_UCODE()) return 0;
    uint32_t rt = FIELD_RT(iop->word), ra = FIELD_RA(iop->word);
    if (!start_multiple(iop, FIELD_SI(iop->word), 4, false)) return 0;
    if (ra >= rt && Invalid_Form(iop, "lmw with RT <= RA")) return 0;
    return Load_Multiple_Registers(iop, rt);
}

int semantic_stmw(IOPDesc *iop)
{
    if (CHECK_FOR_UCODE()) return 0;
    if (!start_multiple(iop, FIELD_SI(iop->word), 4, true)) return 0;
    return Store_Multiple_Registers(iop, FIELD_RS(iop->word));
}

int semantic_lmd(IOPDesc *iop)
{
    if (!Tags_Active(iop)) {
        interrupt_IllegalInstruction(iop, "lmd");
        return 0;
    }
    if (!start_multiple(iop, field_ds(iop->word), 8, false)) return 0;
    return Load_Multiple_Registers(iop, FIELD_RT(iop->word));
}

int semantic_stmd(IOPDesc *iop)
{
    if (!Tags_Active(iop)) {
        interrupt_IllegalInstruction(iop, "stmd");
        return 0;
    }
    if (!start_multiple(iop, field_ds(iop->word), 8, true)) return 0;
    return Store_Multiple_Registers(iop, FIELD_RS(iop->word));
}

// ---- strings ----

namespace
{

// The XER byte count of the indexed string forms, its bits marked read.
int xer_byte_count(IOPDesc *iop)
{
    XER_Mark_Read(iop, XER_COUNT_READ_BITS);
    return (int)(IOP_XER_Value(iop) & 0x7F);
}

// Registers of a string of count bytes in units of unit bytes (at least one).
uint32_t string_registers(int count, int unit)
{
    return count ? (uint32_t)((count + unit - 1) / unit) : 1;
}

// Whether register r is one of the n registers from rt (wrapping from 31 to 0).
bool in_string_range(uint32_t r, uint32_t rt, uint32_t n)
{
    if (rt + n > 32) return r < rt + n - 32 || r >= rt;
    return rt <= r && r < rt + n;
}

} // namespace

int Load_String_Words(IOPDesc *iop, int count, int form, uint32_t rb)
{
    uint32_t rt = FIELD_RT(iop->word), ra = FIELD_RA(iop->word);
    bool indexed = form == 1;
    if (!option(iop, PO_NO_INVALID_FORM_LSXXX_INST)) {
        if (ra != 0 && (rt == ra || rt == rb) &&
            Invalid_Form(iop, indexed ? "lswx: RA==RT or RB==RT" : "lswi: RA==RT or RB==RT"))
            return 0;
        uint32_t n = string_registers(count, 4);
        if ((in_string_range(ra, rt, n) || (indexed && in_string_range(rb, rt, n))) &&
            Invalid_Form(iop, indexed ? "lswx: RA or RB is in the range of registers to be loaded"
                                      : "lswi: RA is in the range of registers to be loaded"))
            return 0;
    }
    count = Load_String_Length(iop, count, (int)ra, (int)rb, (int)rt, 4);
    AXD *data = &iop->data;
    data->kind = AXD_KIND_LOAD;
    data->size = data->size2 = (int16_t)count;
    uint64_t index = indexed ? IOP_Read_GPR(iop, rb, OPERAND_B) : 0;
    set_address(iop, index);
    if (!CEA_CHECK_EAO(iop, ra, index, count)) return 0;

    if (count == 0) {
        if (option(iop, PO_DABR_AND_ZERO_LENGTH_STRING_MATCHES) && CheckDAWR(iop, data->ea, data, 0)) {
            Load_String_Undefined_Targets(iop, rt, 0);
            return 0;
        }
        if (option(iop, PO_NO_OUTPUT_FOR_ZERO_LENGTH_STRING_LOAD)) {
            data->size = data->size2 = 0;
        } else if (option(iop, PO_ZERO_OUTPUT_FOR_ZERO_LENGTH_STRING_LOAD)) {
            IOP_Write_Load_Target(iop, rt, 0);
        } else {
            data->size = 1;
        }
        return 1;
    }

    data->size = 1;
    bool partial_writes = option(iop, PO_PAGE_ALLOW_PARTIAL_LOADS_ON_PAGE_CROSSINGS);
    uint32_t reg = rt;
    uint64_t accumulated = 0;
    int done = 0;
    auto fail = [&]() {
        if (done == 0) return 0;
        int pending = option(iop, PO_WOLK_MODE) ? count + 4 - done : count + 3 - done;
        Load_String_Undefined_Targets(iop, reg, (uint32_t)(pending / 4));
        return 0;
    };
    for (; done < count;) {
        uint64_t byte = 0;
        if (!Load_Memory_Value(iop, &byte)) return fail();
        int position = done % 4;
        accumulated |= (byte & 0xFF) << (24 - 8 * position);
        done++;
        bool full = position == 3;
        if (partial_writes || full || done == count) IOP_Write_Load_Target(iop, reg, accumulated);
        if (full) {
            reg = (reg + 1) & 31;
            accumulated = 0;
        }
        uint32_t wimg = data->wimg;
        advance_address(data, 1);
        iop->partial_done = 1;
        if (done < count && page_check_due(iop)) {
            if (PPC_MMU_AddressTranslate(0, iop, data) != XLATE_OK) return 0;
            if (data->wimg != wimg) {
                interrupt_AlignmentException(iop, data->ea, 0, data->kind, EST_ALIGN_LOAD_STRING_WIMG);
                return fail();
            }
        }
    }
    return 1;
}

int Load_String_Doublewords(IOPDesc *iop, uint32_t rt, int count, uint32_t ra, int rb)
{
    count = Load_String_Length(iop, count, (int)ra, rb < 0 ? (int)NO_RB : rb, (int)rt, 8);
    AXD *data = &iop->data;
    if (count == 0) {
        if (option(iop, PO_NO_OUTPUT_FOR_ZERO_LENGTH_STRING_LOAD))
            data->size = data->size2 = 0;
        else
            data->size = 1;
        return 1;
    }
    data->kind = AXD_KIND_LOAD;
    data->size = 1;
    data->size2 = (int16_t)count;
    uint32_t reg = rt;
    uint64_t accumulated = 0;
    for (int done = 0; done < count; done++) {
        uint64_t byte = 0;
        if (!Load_Memory_Value(iop, &byte)) {
            if (done == 0) return 0;
            Load_String_Undefined_Targets(iop, reg, (uint32_t)((count - done + 7) / 8));
            return 0;
        }
        int position = done % 8;
        accumulated |= (byte & 0xFF) << (56 - 8 * position);
        IOP_Write_Load_Target(iop, reg, accumulated);
        if (position == 7) {
            reg = (reg + 1) & 31;
            accumulated = 0;
        }
        advance_address(data, 1);
        iop->partial_done = 1;
    }
    return 1;
}

int Store_String_Bytes(IOPDesc *iop, uint32_t rs, int count, int element)
{
    AXD *data = &iop->data;
    if (count == 0) {
        if (option(iop, PO_DABR_AND_ZERO_LENGTH_STRING_MATCHES) && CheckDAWR(iop, data->ea, data, 0))
            return 0;
        data->size = 1;
        data->size2 = 0;
        return 1;
    }
    data->size = 1;
    data->size2 = (int16_t)count;
    const int top = 8 * element - 8; // the first byte of a register: the top of its low element bytes
    int shift = top;
    uint32_t reg = (rs + 31) & 31;
    uint64_t value = 0;
    for (int i = 0; i < count; i++) {
        int status = PPC_MMU_AddressTranslate(0, iop, data);
        if (status != XLATE_OK && status != XLATE_CROSSES_PAGE && iop->exceptions) return 0;
        if (shift == top) {
            reg = (reg + 1) & 31;
            value = iop->use_slots ? iop->operand_slot4[0] : iGET_GPR(iop, reg);
        }
        if (Store_Memory_Value(iop, (value >> shift) & 0xFF, 0, 0) == 1) return 0;
        shift -= 8;
        if (shift < 0) shift = top;
        uint32_t wimg = data->wimg;
        advance_address(data, 1);
        iop->partial_done = 1;
        if (i + 1 < count && page_check_due(iop)) {
            if (PPC_MMU_AddressTranslate(0, iop, data) != XLATE_OK) return 0;
            if (data->wimg != wimg) {
                interrupt_AlignmentException(iop, data->ea, 0, data->kind, EST_ALIGN_STORE_STRING_WIMG);
                return 0;
            }
        }
    }
    return 1;
}

int semantic_lswi(IOPDesc *iop)
{
    if (CHECK_FOR_UCODE()) return 0;
    if (!option(iop, PO_MOVE_ASSIST_INSTRUCTIONS_SUPPORTED)) {
        interrupt_UnimplementedInstruction(iop);
        return 0;
    }
    uint32_t nb = field_nb(iop->word);
    if (!Load_String_Words(iop, nb ? (int)nb : 32, 0, NO_RB)) return 0;
    IOP_Advance_NIA(iop);
    return 1;
}

int semantic_lswx(IOPDesc *iop)
{
    if (CHECK_FOR_UCODE()) return 0;
    if (!option(iop, PO_MOVE_ASSIST_INSTRUCTIONS_SUPPORTED)) {
        interrupt_UnimplementedInstruction(iop);
        return 0;
    }
    if (!Load_String_Words(iop, xer_byte_count(iop), 1, FIELD_RB(iop->word))) return 0;
    IOP_Advance_NIA(iop);
    return 1;
}

namespace
{

int store_string(IOPDesc *iop, int count, int element, bool indexed)
{
    AXD *data = &iop->data;
    data->kind = AXD_KIND_STORE;
    data->size = (int16_t)element;
    set_address(iop, indexed ? IOP_Read_GPR(iop, FIELD_RB(iop->word), OPERAND_B) : 0);
    if (!Store_String_Bytes(iop, FIELD_RS(iop->word), count, element)) return 0;
    IOP_Advance_NIA(iop);
    return 1;
}

} // namespace

int semantic_stswi(IOPDesc *iop)
{
    if (CHECK_FOR_UCODE()) return 0;
    uint32_t nb = field_nb(iop->word);
    return store_string(iop, nb ? (int)nb : 32, 4, false);
}

int semantic_stswx(IOPDesc *iop)
{
    if (CHECK_FOR_UCODE()) return 0;
    return store_string(iop, xer_byte_count(iop), 4, true);
}

int semantic_lsdx(IOPDesc *iop)
{
    if (!Tags_Active(iop)) {
        interrupt_IllegalInstruction(iop, "lsdx");
        return 0;
    }
    uint32_t rt = FIELD_RT(iop->word), ra = FIELD_RA(iop->word), rb = FIELD_RB(iop->word);
    int length = Load_String_Length(iop, xer_byte_count(iop), (int)ra, (int)rb, (int)rt, 8);
    AXD *data = &iop->data;
    data->kind = AXD_KIND_LOAD;
    uint64_t index = IOP_Read_GPR(iop, rb, OPERAND_B);
    set_address(iop, index);
    if (!CEA_CHECK_EAO(iop, ra, index, length)) {
        Load_String_Undefined_Targets(iop, rt, (uint32_t)((length + 7) / 8));
        return 0;
    }
    if (!Load_String_Doublewords(iop, rt, length, ra, (int)rb)) return 0;
    IOP_Advance_NIA(iop);
    return 1;
}

int semantic_lsdi(IOPDesc *iop)
{
    if (!Tags_Active(iop)) {
        interrupt_IllegalInstruction(iop, "lsdi");
        return 0;
    }
    uint32_t rt = FIELD_RT(iop->word), ra = FIELD_RA(iop->word);
    uint32_t nb = field_nb(iop->word);
    int length = nb ? (int)nb : 32;
    uint32_t registers = string_registers(length, 8);
    AXD *data = &iop->data;
    data->kind = AXD_KIND_LOAD;
    set_address(iop, 0);
    if (!CEA_CHECK_EAO(iop, ra, 0, length)) {
        Load_String_Undefined_Targets(iop, rt, registers);
        return 0;
    }
    if (ra != 0 && !option(iop, PO_NO_INVALID_FORM_LSXXX_INST) && in_string_range(ra, rt, registers)) {
        if (Invalid_Form(iop, "lsdi with RA in range RT, ..., RT+n")) return 0;
        length = (int)(ra - rt) * 8 + (ra < rt ? 256 : 0);
    }
    if (!Load_String_Doublewords(iop, rt, length, ra, -1)) return 0;
    IOP_Advance_NIA(iop);
    return 1;
}

int semantic_stsdi(IOPDesc *iop)
{
    if (!Tags_Active(iop)) {
        interrupt_IllegalInstruction(iop, "stsdi");
        return 0;
    }
    uint32_t nb = field_nb(iop->word);
    return store_string(iop, nb ? (int)nb : 32, 8, false);
}

int semantic_stsdx(IOPDesc *iop)
{
    if (!Tags_Active(iop)) {
        interrupt_IllegalInstruction(iop, "stsdx");
        return 0;
    }
    return store_string(iop, xer_byte_count(iop), 8, true);
}

// ---- quadwords ----

int semantic_lq(IOPDesc *iop)
{
    uint32_t rt = FIELD_RT(iop->word), ra = FIELD_RA(iop->word);
    if (ra == rt) {
        sim_warning(1, "lq instruction with RA(%d) = RT(%d)", (int)ra, (int)rt);
        interrupt_IllegalInstruction(iop, "lq: RA=RT");
        return 0;
    }
    if (!Start_Quadword_Access(iop, IOP_Option(iop, PO_LQ_MUST_BE_EVEN), &rt)) return 0;
    if (ra == rt) {
        sim_warning(1, "lq instruction with RA(%d) = RT(%d) (after RT is adjusted)", (int)ra, (int)rt);
        interrupt_IllegalInstruction(iop, "lq: RA=RT");
        return 0;
    }
    uint64_t pa = 0;
    if (!Actual_QuadWord_Load(iop, rt, field_dq(iop->word), &iop->data, &pa)) return 0;
    End_Quadword_Load(iop, pa, rt);
    IOP_Advance_NIA(iop);
    return 1;
}

int semantic_lqarx(IOPDesc *iop)
{
    if (!PCR_Gate_v2_06(iop)) return 0;
    uint32_t rt = FIELD_RT(iop->word), ra = FIELD_RA(iop->word), rb = FIELD_RB(iop->word);
    int started = Start_Quadword_Access(iop, IOP_Option(iop, PO_LQ_MUST_BE_EVEN), &rt);
    if (ra == rt) {
        sim_warning(1, "lqarx instruction with RA(%d) = RT(%d)", (int)ra, (int)rt);
        interrupt_IllegalInstruction(iop, "lqarx: RA=RT");
        return 0;
    }
    if (rb == rt) {
        sim_warning(1, "lqarx instruction with RB(%d) = RT(%d)", (int)rb, (int)rt);
        interrupt_IllegalInstruction(iop, "lqarx: RB=RT");
        return 0;
    }
    if (!started) return 0;
    AXD *data = &iop->data;
    data->access_origin = 2;
    uint64_t pa = 0;
    int loaded = Actual_QuadWord_Load(iop, rt, IOP_Read_GPR(iop, rb, OPERAND_B), data, &pa);
    data->access_origin = 0;
    if (!loaded) return 0;
    End_Quadword_Load(iop, pa, rt);
    IOP_Advance_NIA(iop);
    return 1;
}

int semantic_stq(IOPDesc *iop)
{
    uint32_t rs = FIELD_RS(iop->word), ra = FIELD_RA(iop->word);
    if (!Start_Quadword_Access(iop, IOP_Option(iop, PO_STQ_MUST_BE_EVEN), &rs)) return 0;
    AXD *data = &iop->data;
    data->size = data->size2 = 16;
    data->kind = AXD_KIND_STORE;
    uint64_t offset = field_ds(iop->word);
    set_address(iop, offset);
    if (!CEA_CHECK_EAO(iop, ra, offset, 16)) return 0;
    data->size = 8;
    data->align = 16;
    iop->update_form = iop->byte_reversed = 0;
    uint32_t low_register = rs, high_register = (rs + 1) & 31;
    if (IOP_Data_Little_Endian(iop)) std::swap(low_register, high_register);
    if (!store_single_register(iop, IOP_Read_GPR(iop, low_register, OPERAND_S))) return 0;
    data->ea += 8;
    data->orig_ea += 8;
    data->align = -1;
    int stored = store_single_register(iop, iGET_GPR(iop, high_register));
    End_Quadword_Store(iop, data);
    if (!stored) return 0;
    IOP_Advance_NIA(iop);
    return 1;
}

// ---- attn ----

int semantic_attn(IOPDesc *iop)
{
    if (!(iGET_HID0(iop) & HID0_ATTN_ENABLE)) {
        sim_warning(1,
                    "attn instruction is currently disabled.   Taking an illegal instruction interrupt...");
        interrupt_IllegalInstruction(iop, "attn");
        return 0;
    }
    uint64_t msr = iGET_MSR(iop);
    if (msr & MSR_TS) {
        HTM_Debug_Failure(iop, "Unsupported instruction: attn in Transactional or Suspended mode.");
        htm_record_failure(iop->thread, HTM_FAILURE_ATTN, IOP_Current_Address(iop), 0, 0, msr);
    }
    if (option(iop, PO_ATTN_ADVANCE_NIA)) IOP_Advance_NIA(iop);
    Event_Attn_Inst(iop->thread, (iop->word >> 11) & 0x7FFF);
    iop->deferred_triggers |= AFTER_ATTN;
    return 1;
}

// Effective-address reads and writes on a thread with RAM in hypervisor real mode: the operand and
// page crossing rules, the byte-wise forms, quiet reads, the floating-point store driver, the
// reservation attribute rules, the watchpoint on stores, and the address generators.
#include <cstring>

#include "decode/storage_rows.h"
#include "isa/exec_word.h"
#include "mmu/ea_access.h"
#include "mmu/storage_interrupts.h"
#include "processor/records/axd.h"
#include "processor/records/generic_machine.h"
#include "processor/regs/msr_rules.h"
#include "processor/regs/reg_accessors.h"
#include "support/sink_capture.h"

namespace
{

// Standalone mode (its cache-inhibited window) for the lifetime of the object.
struct StandaloneMode {
    int saved = standalone_mode;
    StandaloneMode() { standalone_mode = 1; }
    ~StandaloneMode() { standalone_mode = saved; }
};

// The start of the standalone cache-inhibited window.
constexpr uint64_t CI_WINDOW = 0xF00000EF000000ull;

// Prepares an access of the row at ea without running its semantics.
AXD *access(ExecWord &ew, uint16_t row, uint64_t ea, int16_t size)
{
    ew.prepare(0);
    ew.iop->row = &instruction_info_table[row];
    AXD *data = &ew.iop->data;
    data->iop = ew.iop;
    data->row = ew.iop->row;
    data->ea = data->orig_ea = data->ea2 = data->xlate_ea = ea;
    data->size = size;
    data->size2 = -1;
    return data;
}

} // namespace

TEST(EAAccess, OperandBoundaryRuleOrOnePiece)
{
    for (bool refuse : {false, true}) {
        SCOPED_TRACE(refuse ? "operand-boundary option on" : "off");
        ExecWord ew;
        ew.memory();
        ew.option(PO_LOADS_STORES_CROSSING_OPERAND_BOUNDARY_CAUSE_ALIGNMENT_EXCEPTION, refuse);
        ew.option(PO_DAR_BITS_ARE_DEFINED_FOR_ALIGNMENT_INTERRUPTS);
        ew.write(0x1004, 8, 0x0102030405060708);
        access(ew, ROW_LD, 0x1004, 8);
        uint64_t value = 0x99;
        EXPECT_EQ(EA_Read_Memory_Reg(ew.iop, &value, 1), refuse ? 1u : 0u);
        EXPECT_EQ(value, refuse ? 0x99u : 0x0102030405060708u);
        if (refuse) {
            ASSERT_NE(ew.raised(), nullptr);
            EXPECT_EQ(ew.raised()->type, 1);
            EXPECT_EQ(ew.raised()->subtype, 24);
            EXPECT_STREQ(ew.raised()->detail, "ALIGNMENT: load crosses page boundary");
            EXPECT_EQ(ew.raised()->dar, 0x1004u);
        } else {
            EXPECT_EQ(ew.raised(), nullptr);
        }
    }
}

TEST(EAAccess, PageCrossingLoadIsBytewiseAndStopsAtDifferentAttributes)
{
    StandaloneMode standalone;
    ExecWord ew;
    ew.memory();
    ew.more_memory("CI", CI_WINDOW - 0x1000, 0x2000);
    ew.option(PO_POWERPC_V2); // a crossing into an accessible page is done piecewise
    ew.write(CI_WINDOW - 2, 4, 0x11223344);
    for (bool same_wimg_only : {false, true}) {
        SCOPED_TRACE(same_wimg_only ? "same-WIMG option on" : "off");
        ew.option(PO_LOADS_STORES_CROSSING_4K_BOUNDING_SAME_WIMG_ONLY, same_wimg_only);
        AXD *data = access(ew, ROW_LWZ, CI_WINDOW - 2, 4);
        uint64_t value = 0x99;
        EXPECT_EQ(EA_Read_Memory_Reg(ew.iop, &value, 1), same_wimg_only ? 1u : 0u);
        EXPECT_EQ(value, same_wimg_only ? 0x99u : 0x11223344u);
        EXPECT_EQ(data->size, 4) << "the byte-wise walk restores the size";
        EXPECT_EQ(data->ea, CI_WINDOW - 2);
        EXPECT_EQ(data->crosses, 0);
        if (same_wimg_only) {
            ASSERT_NE(ew.raised(), nullptr);
            EXPECT_EQ(ew.raised()->subtype, 26);
            EXPECT_EQ(ew.raised()->address, CI_WINDOW);
            EXPECT_EQ(ew.iop->partial_done, 1);
        }
    }
}

TEST(EAAccess, BytewiseFormsKeepByteOrder)
{
    ExecWord ew;
    ew.memory();
    ew.write(0x2000, 4, 0x11223344);
    uint8_t buffer[4] = {};
    access(ew, ROW_LWZ, 0x2000, 4);
    ASSERT_EQ(Read_LE_Data_One_Byte_at_a_Time(ew.iop, buffer, 1), 0u);
    EXPECT_EQ(buffer[0] << 24 | buffer[1] << 16 | buffer[2] << 8 | buffer[3], 0x44332211);

    // Big-endian across a page: ascending addresses, ascending buffer positions.
    ew.write(0x2FFE, 4, 0xA1B2C3D4);
    access(ew, ROW_LWZ, 0x2FFE, 4);
    ASSERT_EQ(Read_Data_One_Byte_at_a_Time(ew.iop, buffer, 1), 0u);
    EXPECT_EQ(buffer[0], 0xA1);
    EXPECT_EQ(buffer[3], 0xD4);

    const uint8_t bytes[4] = {0x55, 0x66, 0x77, 0x88};
    access(ew, ROW_STW, 0x3000, 4);
    ASSERT_EQ(Write_LE_Data_One_Byte_at_a_Time(ew.iop, bytes, 1), 0u);
    EXPECT_EQ(ew.read(0x3000, 4), 0x88776655u);
    access(ew, ROW_STW, 0x3FFE, 4);
    ASSERT_EQ(Write_Data_One_Byte_at_a_Time(ew.iop, bytes, 1), 0u);
    EXPECT_EQ(ew.read(0x3FFE, 4), 0x55667788u);
}

TEST(EAAccess, StoreWritesTheLowSizeBytes)
{
    ExecWord ew;
    ew.memory();
    ew.write(0x1000, 4, 0);
    access(ew, ROW_STH, 0x1000, 2);
    int status = EA_Write_Memory_Reg_Part1(ew.iop, 1);
    ASSERT_EQ(status, 0);
    EXPECT_EQ(ew.iop->data.kind, AXD_KIND_STORE);
    EXPECT_EQ(EA_Write_Memory_Reg_Part2(ew.iop, 0x12345678, 1, status), 0u);
    EXPECT_EQ(ew.read(0x1000, 4), 0x56780000u);
    // Across a page the same bytes go one at a time.
    ew.option(PO_POWERPC_V2);
    access(ew, ROW_STW, 0x1FFE, 4);
    status = EA_Write_Memory_Reg_Part1(ew.iop, 1);
    ASSERT_EQ(status, 2);
    EXPECT_EQ(EA_Write_Memory_Reg_Part2(ew.iop, 0xCAFEF00D, 1, status), 0u);
    EXPECT_EQ(ew.read(0x1FFE, 4), 0xCAFEF00Du);
}

TEST(EAAccess, QuietAccessesLeaveNoException)
{
    ExecWord ew;
    ew.memory();
    access(ew, ROW_LD, 0x1000, 8);
    // An exception pending from translation makes it answer 1; the quiet read discards it.
    interrupt_DataStoragePageFault(ew.iop, 0x1000, AXD_KIND_LOAD);
    ASSERT_NE(ew.raised(), nullptr);
    uint64_t value = 0x99;
    {
        SinkCapture sink;
        EXPECT_EQ(EA_Read_Memory_Reg(ew.iop, &value, 0), 1u);
        EXPECT_NE(sink.text().find("instruction discarded exception of type"), std::string::npos);
    }
    EXPECT_EQ(value, 0x99u);
    EXPECT_EQ(ew.raised(), nullptr);

    access(ew, ROW_STD, 0x1000, 8);
    interrupt_DataStoragePageFault(ew.iop, 0x1000, AXD_KIND_STORE);
    EXPECT_EQ(EA_Write_Memory_Reg_Part1(ew.iop, 0), 1);
    EXPECT_EQ(ew.raised(), nullptr);
}

TEST(EAAccess, QuietReadAcrossAPageStaysQuiet)
{
    ExecWord ew;
    ew.memory(0x2000); // nothing behind 0x2000
    // The hole is a machine check: on a strict machine, taken with MSR[ME].
    ew.core.test_machine.machine.machine_options[MO_STRICT] = 1;
    ew.t->MSR.value |= MSR_ME;
    for (int effects : {0, 1}) {
        SCOPED_TRACE(effects ? "architected" : "quiet");
        access(ew, ROW_LD, 0x1FFC, 8);
        uint64_t value = 0x99;
        EXPECT_NE(EA_Read_Memory_Reg(ew.iop, &value, effects), 0u);
        EXPECT_EQ(value, 0x99u);
        EXPECT_EQ(ew.raised() != nullptr, effects == 1);
    }
}

TEST(EAAccess, OversizedAccessIsRefused)
{
    ExecWord ew;
    ew.memory();
    access(ew, ROW_LD, 0x1000, 32);
    uint64_t value = 0x99;
    EXPECT_EQ(EA_Read_Memory_Reg(ew.iop, &value, 1), 1u);
    EXPECT_EQ(value, 0x99u);
    access(ew, ROW_STD, 0x1FF0, 32);
    EXPECT_EQ(EA_Write_Memory_Reg_Part2(ew.iop, 1, 1, 2), 1u);
}

namespace
{

uint64_t image_of(IOPDesc *, AXD *, int reg, int)
{
    return reg == 1 ? 0x1122334455667788ull : 0x0102030405060708ull;
}

} // namespace

TEST(EAAccess, FloatingPointStoreDriver)
{
    ExecWord ew;
    ew.memory();
    uint64_t image = 0;
    access(ew, ROW_STFD, 0x3000, 16);
    ASSERT_EQ(EA_Write_Memory_FPReg(ew.iop, image_of, 1, &image), 0u);
    EXPECT_EQ(image, 0x1122334455667788u);
    EXPECT_EQ(ew.read(0x3000, 8), 0x11223344u);
    EXPECT_EQ(ew.read(0x3008, 8), 0x55667788u);
    EXPECT_EQ(ew.iop->data.size, 16);
    EXPECT_EQ(ew.iop->data.ea, 0x3000u);

    // Little-endian: the image is byte-reversed over the access size.
    ew.little_endian();
    access(ew, ROW_STFD, 0x3100, 8);
    ASSERT_EQ(EA_Write_Memory_FPReg(ew.iop, image_of, 2, &image), 0u);
    EXPECT_EQ(image, 0x0807060504030201u);
    EXPECT_EQ(ew.read(0x3100, 8), 0x0807060504030201u);

    // Reads of more than 8 bytes go byte by byte; the last 8 form the value.
    ew.write(0x3200, 8, 0xAAAAAAAAAAAAAAAA);
    ew.write(0x3208, 8, 0x0102030405060708);
    access(ew, ROW_LFD, 0x3200, 16);
    uint64_t value = 0;
    ASSERT_EQ(EA_Read_Memory_FPReg(ew.iop, &value), 0u);
    EXPECT_EQ(value, 0x0102030405060708u);
}

TEST(EAAccess, ReservationAttributeRules)
{
    // A translated store-conditional access to cache-inhibited or write-through storage.
    struct Case {
        const char *what;
        uint32_t wimg;
        uint32_t options[3];
        int32_t type, subtype;
        uint64_t address; // ea 0x5010, orig_ea 0x5000
    };
    const Case cases[] = {
        {"cache-inhibited, DSI", AXD_WIMG_I,
         {PO_CACHE_INHIBITED_LSWD_ARX, PO_CACHE_INHIBITED_LSWD_ARX_CAUSE_DSI}, 8, 228, 0x5000},
        {"cache-inhibited, alignment", AXD_WIMG_I, {PO_CACHE_INHIBITED_LSWD_ARX}, 1, 30, 0x5010},
        {"write-through, DSI", AXD_WIMG_W, {PO_RESERVATION_WRITE_THROUGH_CAUSES_EXCEPTION}, 8, 227, 0x5000},
        {"write-through, alignment", AXD_WIMG_W,
         {PO_RESERVATION_WRITE_THROUGH_CAUSES_EXCEPTION, PO_WRITE_THRU_LSWD_ARX}, 1, 83, 0x5010},
        {"write-through without its option goes on to the inhibited test", AXD_WIMG_W | AXD_WIMG_I,
         {PO_CACHE_INHIBITED_LSWD_ARX, PO_CACHE_INHIBITED_LSWD_ARX_CAUSE_DSI}, 8, 228, 0x5000},
        {"no option: written", AXD_WIMG_I, {}, 0, 0, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        ExecWord ew;
        ew.memory();
        for (uint32_t option : c.options)
            if (option) ew.option(option);
        ew.write(0x5010, 4, 0);
        AXD *data = access(ew, ROW_STWCX_DOT, 0x5010, 4);
        data->orig_ea = 0x5000;
        data->access_origin = 2;
        data->kind = AXD_KIND_STORE;
        data->pa = 0x5010;
        data->wimg = c.wimg;
        EXPECT_EQ(EA_Write_Memory_Reg_Part2(ew.iop, 0x5A5A5A5A, 1, 0), c.type ? 1u : 0u);
        EXPECT_EQ(ew.read(0x5010, 4), c.type ? 0u : 0x5A5A5A5Au);
        if (!c.type) continue;
        ASSERT_NE(ew.raised(), nullptr);
        EXPECT_EQ(ew.raised()->type, c.type);
        EXPECT_EQ(ew.raised()->subtype, c.subtype);
        EXPECT_EQ(ew.raised()->address, c.address);
    }
}

TEST(EAAccess, WatchedStoreReturnsFourAfterWriting)
{
    ExecWord ew;
    ew.memory();
    tRAW_SET_DAWR0(ew.t, 0x4000);
    tRAW_SET_DAWRX0(ew.t, 0x40 | 0x4); // DW, hypervisor state
    AXD *data = access(ew, ROW_STD, 0x4000, 8);
    data->kind = AXD_KIND_STORE;
    data->pa = 0x4000;
    EXPECT_EQ(EA_Write_Memory_Reg_Part2(ew.iop, 0x0102030405060708, 1, 0), 4u);
    EXPECT_EQ(ew.read(0x4000, 8), 0x0102030405060708u);
    ASSERT_NE(ew.raised(), nullptr);
    EXPECT_EQ(ew.raised()->type, 11);
    EXPECT_EQ(ew.raised()->subtype, 278);
    EXPECT_EQ(ew.raised()->dsisr, 0x2400000u);
    // Elsewhere: written, no match.
    data = access(ew, ROW_STD, 0x4100, 8);
    data->kind = AXD_KIND_STORE;
    data->pa = 0x4100;
    EXPECT_EQ(EA_Write_Memory_Reg_Part2(ew.iop, 7, 1, 0), 0u);
    EXPECT_EQ(ew.read(0x4100, 8), 7u);
    EXPECT_EQ(ew.raised(), nullptr);
}

TEST(EAAccess, AddressGenerators)
{
    struct Case {
        const char *what;
        uint32_t word;
        uint16_t row;
        uint64_t ea, offset;
    };
    const Case cases[] = {
        {"lwz r3,-8(r4)", D_FORM(32, 3, 4, 0xFFF8), ROW_LWZ, 0x1FF8, (uint64_t)-8},
        {"lwz r3,0x10(0): base 0", D_FORM(32, 3, 0, 0x10), ROW_LWZ, 0x10, 0x10},
        {"ld r3,0x14(r4)", DS_FORM(58, 3, 4, 0x14, 0), ROW_LD, 0x2014, 0x14},
        {"ldx r3,r4,r5", XO_FORM(21, 3, 4, 5), ROW_LDX, 0x2300, 0x300},
        {"ldx r3,0,r5", XO_FORM(21, 3, 0, 5), ROW_LDX, 0x300, 0x300},
    };
    for (bool in_flight : {false, true}) {
        for (const Case &c : cases) {
            SCOPED_TRACE(c.what);
            ExecWord ew;
            ew.gpr(0) = 0x5000;
            ew.gpr(4) = 0x2000;
            ew.gpr(5) = 0x300;
            IOPDesc *iop = ew.prepare(c.word);
            ASSERT_EQ(iop->row, &instruction_info_table[c.row]);
            iop->defer_side_effects = in_flight;
            iop->operand_slot2[0] = 0xDEAD;
            int (*generator)(IOPDesc *) = c.row == ROW_LDX   ? EA_gen_x_loads_stores
                                          : c.row == ROW_LD ? EA_gen_ds_loads_stores
                                                            : EA_gen_d_loads_stores;
            EXPECT_NE(generator(iop), 0);
            EXPECT_EQ(iop->data.ea, c.ea);
            EXPECT_EQ(iop->data.orig_ea, c.ea);
            EXPECT_EQ(iop->data.ea2, c.ea);
            EXPECT_EQ(iop->data.size2, (int16_t)iop->row->access_size);
            EXPECT_EQ(iop->data.row_size, (int16_t)iop->row->access_size);
            EXPECT_EQ(iop->operand_slot2[0], in_flight ? c.offset : 0xDEADu);
        }
    }
}

TEST(EAAccess, LoadsAndStoresAcrossAPageInBothByteOrders)
{
    for (bool little : {false, true}) {
        SCOPED_TRACE(little ? "little-endian" : "big-endian");
        ExecWord ew;
        ew.memory();
        ew.option(PO_POWERPC_V2);
        if (little) ew.little_endian();
        ew.gpr(4) = 0x1FFC;
        ew.gpr(6) = 0x0123456789ABCDEF;
        ASSERT_EQ(ew.run(DS_FORM(62, 6, 4, 0, 0)), 1); // std r6,0(r4)
        EXPECT_EQ(ew.read(0x1FFC, 8), little ? 0xEFCDAB8967452301u : 0x0123456789ABCDEFu);
        ASSERT_EQ(ew.run(DS_FORM(58, 3, 4, 0, 0)), 1); // ld r3,0(r4)
        EXPECT_EQ(ew.gpr(3), 0x0123456789ABCDEFu);
        ew.gpr(6) = 0x11223344;
        ASSERT_EQ(ew.run(D_FORM(36, 6, 4, 2)), 1); // stw r6,2(r4)
        ASSERT_EQ(ew.run(D_FORM(32, 7, 4, 2)), 1); // lwz r7,2(r4)
        EXPECT_EQ(ew.gpr(7), 0x11223344u);
        ew.gpr(5) = 3;
        // The middle halfword of the word, across the page, byte-reversed: in either order.
        ASSERT_EQ(ew.run(XO_FORM(790, 8, 4, 5)), 1); // lhbrx r8,r4,r5
        EXPECT_EQ(ew.gpr(8), 0x3322u);
    }
}

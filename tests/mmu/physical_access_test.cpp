// Physical accesses: the memory-reference trace, the buffer forms, quiet tool reads and the tags a
// store clears.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "decode/decoder.h"
#include "decode/instr_info.h"
#include "exec/run_machine.h"
#include "isa/exec_word.h"
#include "memory/memory_tags.h"
#include "mmu/address_translate.h"
#include "mmu/physical_access.h"
#include "processor/records/axd.h"
#include "processor/records/exception_record.h"
#include "processor/records/generic_machine.h"
#include "processor/records/instruction_record.h"
#include "processor/regs/msr_rules.h"
#include "runtime/debug.h"
#include "support/sink_capture.h"

namespace
{

constexpr int MEM_REFS = 77;

class PhysicalAccess : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        ASSERT_TRUE(r.ok());
        iop = r.t->current_iop;
        iop->row = nullptr;
    }
    void TearDown() override
    {
        set_debug_flag(MEM_REFS, 0);
        Discard_Instruction_Bound_Exceptions(iop, 0);
    }
    AXD &at(uint64_t pa, int size, uint16_t kind)
    {
        axd = INITIAL_AXD;
        axd.ea = pa + 0x10000; // distinct from the physical address in the trace
        axd.pa = pa;
        axd.size = (int16_t)size;
        axd.kind = kind;
        axd.iop = iop;
        return axd;
    }
    // The trace lines' "X/ea/pa ... s=N v=V e=E" parts.
    static std::vector<std::string> traced(SinkCapture &sink)
    {
        std::vector<std::string> parts;
        for (const std::string &line : sink.lines()) {
            size_t at = line.find("thread 0: ");
            if (at != std::string::npos) parts.push_back(line.substr(at + 10));
        }
        return parts;
    }

    RunMachine r;
    IOPDesc *iop = nullptr;
    AXD axd{};
};

TEST_F(PhysicalAccess, MemoryReferenceTrace)
{
    r.write(0x200, 8, 0x1122334455667788);
    uint64_t value = 0;
    {
        SinkCapture sink;
        ASSERT_EQ(PA_Read_Memory_Effect(iop, &value, &at(0x200, 4, AXD_KIND_FETCH), 1), 0u);
        EXPECT_TRUE(traced(sink).empty()); // off
    }
    set_debug_flag(MEM_REFS, 1);
    SinkCapture sink;
    ASSERT_EQ(PA_Read_Memory_Effect(iop, &value, &at(0x200, 4, AXD_KIND_FETCH), 1), 0u);
    EXPECT_EQ(value, 0x11223344u);
    ASSERT_EQ(PA_Read_Memory_Effect(iop, &value, &at(0x200, 8, AXD_KIND_LOAD), 0), 0u);
    ASSERT_EQ(PA_Write_Memory_Effect(iop, 0xAABBCCDDEEull, &at(0x300, 3, AXD_KIND_STORE), 1), 0u);
    EXPECT_EQ(r.read(0x300, 4), 0xCCDDEE00u);
    EXPECT_EQ(r.t->last_store_value, 0xAABBCCDDEEull);
    std::vector<std::string> lines = traced(sink);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "I/0x0000000000010200/0x0000000000000200 w=0x0 s=4 v=0x0000000011223344 e=1");
    EXPECT_EQ(lines[1], "R/0x0000000000010200/0x0000000000000200 w=0x0 s=8 v=0x1122334455667788 e=0");
    EXPECT_EQ(lines[2], "W/0x0000000000010300/0x0000000000000300 w=0x0 s=3 v=0x0000000000CCDDEE e=1");
}

TEST_F(PhysicalAccess, BufferFormsCutIntoPiecesOfEight)
{
    uint8_t out[16] = {};
    for (int i = 0; i < 16; i++)
        out[i] = (uint8_t)(0xA0 + i);
    set_debug_flag(MEM_REFS, 1);
    struct Case {
        int size;
        std::vector<std::string> pieces;
    };
    for (const Case &c : {Case{16, {"s=8", "s=8"}}, Case{10, {"s=8", "s=2"}}, Case{0, {}}}) {
        SCOPED_TRACE(c.size);
        SinkCapture sink;
        ASSERT_EQ(PA_Write_Memory_BigEndian_Buffer(iop, out, &at(0x400, c.size, AXD_KIND_STORE), 1), 0u);
        EXPECT_EQ(axd.pa, 0x400u); // the caller's descriptor is unchanged
        std::vector<std::string> lines = traced(sink);
        ASSERT_EQ(lines.size(), c.pieces.size());
        for (size_t i = 0; i < lines.size(); i++)
            EXPECT_NE(lines[i].find(c.pieces[i]), std::string::npos) << lines[i];
    }
    set_debug_flag(MEM_REFS, 0);
    uint8_t in[16] = {};
    ASSERT_EQ(PA_Read_Memory_BigEndian_Buffer(iop, in, &at(0x400, 16, AXD_KIND_LOAD), 1), 0u);
    for (int i = 0; i < 16; i++)
        EXPECT_EQ(in[i], out[i]) << i;
    EXPECT_EQ(r.read(0x400, 1), 0xA0u); // first byte at the lowest address
}

TEST(PhysicalAccessUnmapped, ToolReadsAreQuietWritesAlwaysRaise)
{
    ExecWord ew; // RAM [0, 0x40000) only
    ew.memory();
    // A hole is a machine check on a strict machine, taken with MSR[ME].
    ew.core.test_machine.machine.machine_options[MO_STRICT] = 1;
    ew.t->MSR.value |= MSR_ME;
    IOPDesc *iop = ew.iop;
    AXD axd = INITIAL_AXD;
    axd.pa = axd.ea = 0x10000000;
    axd.size = 8;
    axd.iop = iop;
    uint64_t value = 5;
    {
        SinkCapture sink;
        EXPECT_EQ(PA_Read_Memory_Effect(iop, &value, &axd, 0), 1u);
        EXPECT_EQ(sink.text(), ""); // a quiet tool read warns of nothing
    }
    EXPECT_EQ(iop->exceptions, nullptr); // and raises nothing
    EXPECT_EQ(value, 5u);
    EXPECT_EQ(PA_Read_Memory_Effect(iop, &value, &axd, 1), 1u);
    ASSERT_NE(iop->exceptions, nullptr);
    EXPECT_EQ(iop->exceptions->type, 7);
    Discard_Instruction_Bound_Exceptions(iop, 0);
    axd.kind = AXD_KIND_STORE;
    EXPECT_EQ(PA_Write_Memory_Effect(iop, 1, &axd, 0), 1u);
    ASSERT_NE(iop->exceptions, nullptr); // a write always raises
    EXPECT_EQ(iop->exceptions->type, 7);
}

TEST_F(PhysicalAccess, StoresClearTheTagsOfTheGranulesWritten)
{
    InstrInfo *stq = Search_II_Table(instruction_info_table, "stq");
    ASSERT_NE(stq, nullptr);
    struct Case {
        const char *name;
        int size;
        InstrInfo *row;
        bool cleared[3]; // granules 0x00, 0x10, 0x20
    };
    for (const Case &c : {Case{"1 byte", 1, nullptr, {false, true, false}},
                          Case{"2 bytes", 2, nullptr, {false, true, true}}, Case{"stq", 2, stq, {false, false, false}}}) {
        SCOPED_TRACE(c.name);
        PA_Write_Memory_Tag(r.t, 0, 0x30, 1);
        iop->row = c.row;
        ASSERT_EQ(PA_Write_Memory_Effect(iop, 0x55, &at(0x1F, c.size, AXD_KIND_STORE), 1), 0u);
        for (int g = 0; g < 3; g++)
            EXPECT_EQ(PA_Read_Memory_Tag_Raw(r.t, (uint64_t)g * 16), c.cleared[g] ? 0 : 1) << g;
    }
}

} // namespace

// Guest-memory copies of tools and services, on a hand-made thread with RAM at 0 (real-mode
// translation), and the decode of the instruction at an address.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "isa/exec_word.h"
#include "memory/memory_region.h"
#include "mmu/ea_copy.h"
#include "runtime/alloc.h"

namespace
{

constexpr uint64_t RAM = 0x40000;

class EaCopy : public ::testing::Test
{
  protected:
    void SetUp() override { ew.memory(RAM); }
    void TearDown() override
    {
        GenericMachine &m = ew.core.test_machine.machine;
        if (m.region_instances && m.region_instances[0]) MEMORY_QUIT_MMAPI_FUNCTION(m.region_instances[0]);
        m.memory_region_count = 0;
    }
    void put(uint64_t address, const std::string &bytes)
    {
        for (size_t i = 0; i < bytes.size(); i++)
            ew.write(address + i, 1, (uint8_t)bytes[i]);
    }
    std::string get(uint64_t address, size_t count)
    {
        std::string s;
        for (size_t i = 0; i < count; i++)
            s += (char)ew.read(address + i, 1);
        return s;
    }
    // A directly backed memory region over [0, RAM) that is NOT the memory map's RAM, so that the
    // bytes the direct path writes can be told from those of the write path.
    sim_memory *direct_region()
    {
        GenericMachine &m = ew.core.test_machine.machine;
        void *region = MEMORY_INIT_MMAPI_FUNCTION("MEMORY-REGION", nullptr, nullptr, 0, RAM - 1);
        MEMORY_SETUP_FUNCTION(&m, region, 0);
        m.region_instances = QUARN_ZALLOC(1, sim_memory *);
        m.region_instances[0] = static_cast<sim_memory *>(region);
        m.memory_region_count = 1;
        m.memory_region_id_shift = 40;
        m.memory_regions[0] = {0, RAM - 1, RAM};
        return m.region_instances[0];
    }

    ExecWord ew;
};

TEST_F(EaCopy, StringFromMemory)
{
    put(0x1000, std::string("0123456789") + '\0');
    char buffer[16];
    memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(EA_copy_string_from_memory(ew.iop, 0x1000, buffer, 4), 1);
    EXPECT_STREQ(buffer, "012");
    EXPECT_EQ(EA_copy_string_from_memory(ew.iop, 0x1000, buffer, 16), 1);
    EXPECT_STREQ(buffer, "0123456789");

    memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(EA_copy_string_from_memory(ew.iop, 0x1000, buffer, 0), 1);
    EXPECT_EQ(EA_copy_string_from_memory(ew.iop, 0, buffer, 8), 1);
    EXPECT_EQ(buffer[0], '#'); // untouched
    EXPECT_EQ(EA_copy_string_from_memory(ew.iop, 0x1000, buffer, 1), 1);
    EXPECT_EQ(buffer[0], '\0');
}

TEST_F(EaCopy, CopiesFailWhereThePageCannotBeReached)
{
    put(RAM - 3, "abc"); // no NUL before the end of RAM
    char buffer[16];
    EXPECT_EQ(EA_copy_string_from_memory(ew.iop, RAM - 3, buffer, 16), 0);
    EXPECT_EQ(std::string(buffer, 3), "abc"); // copied so far
    uint8_t bytes[8];
    EXPECT_EQ(EA_copy_buffer_from_memory(ew.iop, RAM - 3, bytes, 8), 0);
    EXPECT_EQ(EA_copy_buffer_from_memory(ew.iop, RAM - 3, bytes, 3), 1);
    EXPECT_EQ(EA_copy_string_to_memory(ew.iop, RAM - 2, "xyz", 8), 1); // write results not tested
    EXPECT_EQ(get(RAM - 2, 2), "xy");
}

TEST_F(EaCopy, StringToMemoryIsCutAndTerminated)
{
    put(0x2000, "########");
    EXPECT_EQ(EA_copy_string_to_memory(ew.iop, 0x2000, "abcdef", 4), 1);
    EXPECT_EQ(get(0x2000, 5), std::string("abc\0#", 5));
    EXPECT_EQ(EA_copy_string_to_memory(ew.iop, 0x2000, "hi", 8), 1);
    EXPECT_EQ(get(0x2000, 4), std::string("hi\0\0", 4));
    EXPECT_EQ(EA_copy_string_to_memory(ew.iop, 0x2000, nullptr, 8), 1);
    EXPECT_EQ(EA_copy_string_to_memory(ew.iop, 0x2000, "zz", 0), 1);
    EXPECT_EQ(get(0x2000, 2), "hi");
}

TEST_F(EaCopy, BufferCrossingPagesArrivesWhole)
{
    std::vector<uint8_t> data(6000);
    for (size_t i = 0; i < data.size(); i++)
        data[i] = (uint8_t)(i * 7 + 1);
    const uint64_t start = 0x3000 - 100; // 100 bytes, a whole page, then 1804
    EXPECT_EQ(EA_copy_buffer_to_memory(ew.iop, start, data.data(), (uint32_t)data.size()), 1);
    std::vector<uint8_t> back(data.size());
    EXPECT_EQ(EA_copy_buffer_from_memory(ew.iop, start, back.data(), (uint32_t)back.size()), 1);
    EXPECT_EQ(back, data);
    EXPECT_EQ(ew.read(start - 1, 1), 0u);
    EXPECT_EQ(ew.read(start + 6000, 1), 0u);
}

TEST_F(EaCopy, DirectPathUpToSimpleModeWriteByByteAbove)
{
    sim_memory *region = direct_region();
    std::vector<uint8_t> data(6000, 0x5A);
    data[0] = 1, data[99] = 2, data[100] = 3, data[4195] = 4, data[4196] = 5, data[5999] = 6;
    const uint64_t start = 0x3000 - 100;
    GenericMachine &m = ew.core.test_machine.machine;

    m.mode = MODE_SIMPLE;
    EXPECT_EQ(EA_copy_buffer_to_memory(ew.iop, start, data.data(), 6000), 1);
    uint8_t *host = MEM_PA_OFFSET_TO_SIM_MEMORY(&m, region, start, 6000);
    ASSERT_NE(host, nullptr);
    EXPECT_EQ(std::vector<uint8_t>(host, host + 6000), data);
    EXPECT_EQ(ew.read(start, 1), 0u); // the memory map was not used

    m.mode = 6; // a cached mode: every byte through the write path
    data[0] = 9;
    EXPECT_EQ(EA_copy_buffer_to_memory(ew.iop, start, data.data(), 6000), 1);
    EXPECT_EQ(host[0], 1u);
    EXPECT_EQ(ew.read(start, 1), 9u);
    EXPECT_EQ(ew.read(start + 5999, 1), 6u);
    m.mode = MODE_SIMPLE;
}

TEST_F(EaCopy, PhysicalCopies)
{
    uint8_t bytes[3] = {0x11, 0x22, 0x33};
    EXPECT_EQ(PA_copy_buffer_to_memory(ew.iop, 0xDEAD0000, 0x500, 2, bytes, 3), 1);
    EXPECT_EQ(ew.read(0x500, 2), 0x1122u);
    EXPECT_EQ(ew.read(0x502, 1), 0x33u);

    put(0x600, std::string("path") + '\0');
    char buffer[8];
    EXPECT_STREQ(PA_read_string_NoEffect(ew.iop, 0x600, buffer, 8, 0), "path");
    EXPECT_STREQ(PA_read_string_NoEffect(ew.iop, 0x600, buffer, 3, 0), "pa");
    buffer[0] = '#';
    EXPECT_STREQ(PA_read_string_NoEffect(ew.iop, RAM + 0x1000, buffer, 1, 0), ""); // nothing read
    put(RAM - 2, "zz");
    EXPECT_STREQ(PA_read_string_NoEffect(ew.iop, RAM - 2, buffer, 8, 0), "zz"); // stops unreadable
}

TEST_F(EaCopy, DecodeNamesTheInstruction)
{
    ew.write(0x700, 4, 0x7C0802A6); // mflr r0
    ew.write(0x704, 4, 0x00000000);
    EXPECT_STREQ(LIBSIM__ThreadDecode(ew.t, 0x700), "mflr");
    EXPECT_STREQ(LIBSIM__ThreadDecode(ew.t, 0x704), "no instruction");
    EXPECT_EQ(LIBSIM__ThreadDecode(ew.t, RAM + 0x100), nullptr);
}

} // namespace

// The Plan 9 and Linux boot-image loaders, with images built byte by byte.
#include <gtest/gtest.h>

#include <string>

#include "loader_machine.h"
#include "loaders/boot_image_loaders.h"

namespace
{

Bytes pattern(size_t count, uint8_t seed)
{
    Bytes bytes(count);
    for (size_t i = 0; i < count; i++)
        bytes[i] = (uint8_t)(seed + i * 7);
    return bytes;
}

Bytes image(std::initializer_list<uint32_t> header, const Bytes &body)
{
    Bytes bytes = be32_words(header);
    bytes.insert(bytes.end(), body.begin(), body.end());
    return bytes;
}

class BootImageTest : public ::testing::Test
{
  protected:
    void fill(uint64_t address, size_t count)
    {
        for (size_t i = 0; i < count; i += 8)
            m.write(address + i, 8, ~0ull);
    }
    LoaderMachine m;
};

TEST_F(BootImageTest, Plan9ImageIsCopiedAsTextDataAndZerosBelowTheEntry)
{
    Bytes text = pattern(0x1000, 1), data = pattern(0x10, 0x80);
    Bytes body = text;
    body.insert(body.end(), data.begin(), data.end());
    write_file("kernel.9", image({0x647, 0x1000, 0x10, 0x20, 0, 0x80003020, 0, 0x1234}, body));
    fill(0x3020, 0x2008);
    SinkCapture sink;
    ASSERT_EQ(Load_Plan9(m.chip, "kernel.9"), 1);
    EXPECT_EQ(m.read_bytes(0x3020, 0x1000), text);
    EXPECT_EQ(m.read_bytes(0x4020, 0x10), data);
    EXPECT_EQ(m.read_bytes(0x4030, 0x2000 - 0x1010), Bytes(0x2000 - 0x1010, 0));
    EXPECT_EQ(m.read(0x5020, 1), 0xFFu); // 0x2000 bytes and no more
    EXPECT_EQ(m.thread->PC.value, 0x3020u);
    EXPECT_EQ(m.thread->GPR[1].value, 0x2FA0u);
    EXPECT_EQ(m.thread->processor->x_cpuState, (uint32_t)CPU_RUNNING);
    EXPECT_EQ(sink.text(), "LOAD : Reading PLAN9 image file. 'kernel.9'\n"
                           "LOAD : bb.magic = 0x00000647\n"
                           "LOAD : bb.textsize = 0x00001000\n"
                           "LOAD : bb.datasize = 0x00000010\n"
                           "LOAD : bb.bsssize = 0x00000020\n"
                           "LOAD : bb.entry_point = 0x80003020\n"
                           "LOAD : bb.fullsize = 0x00001234\n"
                           "READ TEXT: 0x00001000 bytes\n"
                           "READ DATA: 0x00000010 bytes\n"
                           "LOAD : startup: PC = 0x0000000000003020, gpr[1] = 0x0000000000002FA0\n");
}

TEST_F(BootImageTest, Plan9FailuresLeaveTheThreadAlone)
{
    m.preset_gpr(1, 0x99);
    const struct {
        const char *name;
        Bytes bytes;
        const char *line; // the output's last line
    } cases[] = {
        {"short-header.9", Bytes(20, 0), "LOAD : Reading PLAN9 image file. 'short-header.9'\n"},
        {"short-text.9", image({0x647, 0x1000, 0, 0, 0, 0x3000, 0, 0}, Bytes(0x800, 1)),
         "LOAD : bb.fullsize = 0x00000000\n"},
        // Sizes whose 32-bit sum would wrap to something small are refused whole.
        {"huge.9", image({0x647, 0xFFFFF000, 0x2000, 0, 0, 0x3000, 0, 0}, {}),
         "LOAD : PLAN9 image of 0x100001000 bytes does not fit the machine's memory of 0x4000000 bytes\n"},
    };
    for (const auto &c : cases) {
        write_file(c.name, c.bytes);
        SinkCapture sink;
        EXPECT_EQ(Load_Plan9(m.chip, c.name), 0) << c.name;
        std::string out = sink.text();
        EXPECT_EQ(out.substr(out.size() - strlen(c.line)), c.line) << c.name;
    }
    EXPECT_EQ(Load_Plan9(m.chip, "no-such.9"), 0);
    EXPECT_EQ(m.thread->GPR[1].value, 0x99u);
}

TEST_F(BootImageTest, LinuxCopiesWholePiecesUpToTheBlockCount)
{
    const struct {
        uint32_t blocks;
        size_t kernel_bytes;
        size_t copied;
        uint64_t stack;
    } cases[] = {
        {0, 100, 0, 0x1FA0 + 100},     // nothing copied; the thread still starts
        {8, 5000, 4096, 0x1FA0 + 904}, // 4096 bytes, then the rest of the file is read and left
        {9, 5000, 5000, 0x1FA0},       // the last piece is copied whole; the file then ends
    };
    for (const auto &c : cases) {
        Bytes kernel = pattern(c.kernel_bytes, 3);
        write_file("kernel.bb", image({0xB00B, 0x40000, c.blocks, 1, 0x40012, 0, 0, 0}, kernel));
        fill(0x40000, 0x2000);
        SinkCapture sink;
        ASSERT_EQ(Load_Linux(m.chip, "kernel.bb"), 1) << c.blocks;
        EXPECT_EQ(m.read_bytes(0x40000, c.copied), Bytes(kernel.begin(), kernel.begin() + (long)c.copied));
        EXPECT_EQ(m.read(0x40000 + c.copied, 1), 0xFFu) << c.blocks;
        EXPECT_EQ(m.thread->PC.value, 0x40010u);
        EXPECT_EQ(m.thread->GPR[1].value, c.stack) << c.blocks;
        EXPECT_EQ(m.thread->x_threadState, (uint32_t)CPU_RUNNING);
        char line[64];
        snprintf(line, sizeof line, "LOAD : bb.num_512blocks = 0x%08X\n", c.blocks);
        EXPECT_NE(sink.text().find(line), std::string::npos);
    }
    write_file("short.bb", Bytes(31, 0));
    EXPECT_EQ(Load_Linux(m.chip, "short.bb"), 0);
    EXPECT_EQ(Load_Linux(m.chip, "no-such.bb"), 0);
}

// An image whose destination leaves memory (runs past its end into the hole above, or lies in the
// ROM window) is refused with one error before any byte is written.
TEST(BootImageBoundedTest, DestinationOutsideMemoryRefusesTheImageBeforeWriting)
{
    LoaderMachine bounded([](BuiltMachine &b) { b.set("machine_option/MEMORY_OVERFLOW", "false"); });
    const uint64_t edge = 0x3FFF000; // the last page of the 64 MB of memory
    const struct {
        const char *name;
        bool plan9;
        Bytes bytes;
    } cases[] = {
        {"past-the-end.9", true, image({0x647, 0x2000, 0, 0, 0, 0x83FFF000, 0, 0}, pattern(0x2000, 5))},
        {"past-the-end.bb", false, image({0xB00B, 0x3FFF000, 16, 0, 0x3FFF000, 0, 0, 0}, pattern(0x2000, 5))},
        {"rom.bb", false, image({0xB00B, 0xEFFFFF80, 1, 0, 0xEFFFFF80, 0, 0, 0}, pattern(0x200, 5))},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        write_file(c.name, c.bytes);
        for (int i = 0; i < 0x1000; i += 8)
            bounded.write(edge + i, 8, ~0ull);
        size_t before = bounded.sink.text().size();
        EXPECT_EQ(c.plan9 ? Load_Plan9(bounded.chip, c.name) : Load_Linux(bounded.chip, c.name), 0);
        EXPECT_EQ(bounded.read_bytes(edge, 0x1000), Bytes(0x1000, 0xFF));
        std::string said = bounded.sink.text().substr(before);
        EXPECT_NE(said.find("do not lie in memory"), std::string::npos) << said;
    }
}

} // namespace

// ROM, real-time clock, NVRAM image and RTAS console window.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstring>
#include <string>

#include "devices/nvram.h"
#include "devices/rom.h"
#include "devices/rtc.h"
#include "memory/memory_bus.h"
#include "memory/memory_map.h"
#include "processor/records/mcm.h"
#include "support/built_machine.h"
#include "support/sink_capture.h"

namespace
{

MemoryMap *chip_map(GenericMachine *machine)
{
    return machine->mcms[0]->mbus->memory_map;
}

TEST(Rom, BuiltInStubFillsOneCoherenceBlock)
{
    BuiltMachine m("rom");
    ASSERT_NE(m.machine, nullptr);
    MapListElement *rom = MemMap_SearchByName(chip_map(m.machine), "ROM");
    ASSERT_NE(rom, nullptr);
    EXPECT_EQ(rom->start, 0xF0000000u);
    EXPECT_EQ(rom->end, 0xF000007Fu);
    MemoryClient *client = MemoryClientCreate(m.machine, m.machine->mcms[0], "rom-reader", 0);
    const uint32_t expected[] = {0x7C641B78, 0x38600063, 0x000EAEB0, 0x4E800020, 0, 0};
    for (int i = 0; i < 6; i++) {
        uint64_t value = 1;
        EXPECT_EQ(Read_Mapped_Memory_Reg(client, 0xF0000000 + 4 * i, 4, &value, 0, 1), 1);
        EXPECT_EQ(value, expected[i]) << i;
    }
    uint64_t last = 1;
    EXPECT_EQ(Read_Mapped_Memory_Reg(client, 0xF000007C, 4, &last, 0, 1), 1);
    EXPECT_EQ(last, 0u);

    SinkCapture sink;
    EXPECT_EQ(Write_Mapped_Memory_Reg(client, 0xF0000000, 4, 0, 0), 0);
    EXPECT_NE(sink.text().find("Client rom-reader: ROM_Write: unsupported operation"), std::string::npos);
    uint64_t beyond = 7;
    EXPECT_EQ(ROM_READ_MMAPI_FUNCTION(nullptr, rom->instance, 0x7E, &beyond, 4), 0);
    EXPECT_EQ(beyond, 0u);
    MemoryClientDelete(m.machine->mcms[0], client);
    Start_The_Simulation();
}

TEST(Rom, SizeFromAnImageFileOrNone)
{
    EXPECT_EQ(ROM_DetectSize(128, nullptr), 128u);
    EXPECT_EQ(ROM_DetectSize(0, nullptr), 16u);
    EXPECT_EQ(ROM_DetectSize(128, "no-such-rom-image"), 0u);
    FILE *image = fopen("rom-image.bin", "wb");
    ASSERT_NE(image, nullptr);
    fwrite("\x01\x02\x03", 1, 3, image);
    fclose(image);
    EXPECT_EQ(ROM_DetectSize(128, "rom-image.bin"), 128u);
    {
        BuiltMachine m("romfile", [](BuiltMachine &b) { b.set("ROM/file_name", "rom-image.bin"); });
        ASSERT_NE(m.machine, nullptr);
        MapListElement *rom = MemMap_SearchByName(chip_map(m.machine), "ROM");
        ASSERT_NE(rom, nullptr);
        uint64_t value = 0;
        EXPECT_EQ(ROM_READ_MMAPI_FUNCTION(nullptr, rom->instance, 0, &value, 4), 1);
        EXPECT_EQ(value, 0x01020300u);
    }
    BuiltMachine none("romless", [](BuiltMachine &b) { b.set("ROM/file_name", "no-such-rom-image"); });
    ASSERT_NE(none.machine, nullptr);
    EXPECT_EQ(MemMap_SearchByName(chip_map(none.machine), "ROM"), nullptr);
    unlink("rom-image.bin");
}

struct ClockFixture : ::testing::Test {
    void SetUp() override
    {
        sink = new SinkCapture;
        m = new BuiltMachine("clock", [](BuiltMachine &b) { b.set("rtc/start", "0xF1000000"); });
        ASSERT_NE(m->machine, nullptr);
        rtc = m->machine->rtc;
        ASSERT_NE(rtc, nullptr);
    }
    void TearDown() override
    {
        delete m;
        delete sink;
    }
    uint64_t read(uint64_t offset)
    {
        uint64_t value = 0;
        EXPECT_EQ(RTC_READ_MMAPI_FUNCTION(nullptr, rtc, offset, &value, 1), 1);
        return value;
    }
    void write(uint64_t offset, uint64_t value) { RTC_WRITE_MMAPI_FUNCTION(nullptr, rtc, offset, value, 1); }
    SinkCapture *sink = nullptr;
    BuiltMachine *m = nullptr;
    RTC *rtc = nullptr;
};

TEST_F(ClockFixture, StartsAtTheMachinesClockBaseInBcd)
{
    EXPECT_EQ(sink->text(), "Set RTC to 22:26:59 of 6/13/2002\n");
    MapListElement *element = MemMap_SearchByName(chip_map(m->machine), "RTC");
    ASSERT_NE(element, nullptr);
    EXPECT_EQ(element->end, 0xF1000007u);
    EXPECT_EQ(read(3), 0x22u);
    EXPECT_EQ(read(2), 0x26u);
    EXPECT_EQ(read(1), 0x59u);
    EXPECT_EQ(read(6), 0x06u);
    EXPECT_EQ(read(5), 0x13u);
    EXPECT_EQ(read(7), 0x02u);
    EXPECT_EQ(read(0), 0x20u);
    EXPECT_EQ(read(4), 0x85u); // Thursday (4) + 1, with bit 7
    uint64_t value = 0;
    EXPECT_EQ(RTC_READ_MMAPI_FUNCTION(nullptr, rtc, 8, &value, 1), 0);
}

TEST_F(ClockFixture, WritesNeedTheControlByte)
{
    write(1, 0x30); // control is not 0x80: ignored
    EXPECT_EQ(read(1), 0x59u);
    write(0, 0x80);
    write(1, 0x30);
    EXPECT_EQ(read(1), 0x30u);
    write(0, 0x20); // century from the value, then control := 0x20 AND 0xC0
    EXPECT_EQ(rtc->century, 20);
    EXPECT_EQ(rtc->control, 0);
    rtc->mode = 0x4; // binary registers
    EXPECT_EQ(read(3), 22u);
}

TEST_F(ClockFixture, AdvancingRollsOverIntoTheNextYear)
{
    rtc->year = 2;
    rtc->month = 11;
    rtc->day = 30;
    rtc->hours = 23;
    rtc->minutes = 59;
    rtc->seconds = 59;
    rtc->weekday = 6;
    RTC_Body(rtc, 1);
    EXPECT_EQ(rtc->seconds, 0);
    EXPECT_EQ(rtc->minutes, 0);
    EXPECT_EQ(rtc->hours, 0);
    EXPECT_EQ(rtc->day, 0);
    EXPECT_EQ(rtc->month, 0);
    EXPECT_EQ(rtc->year, 3);
    EXPECT_EQ(rtc->weekday, 0);
    // February of a leap year has 29 days.
    rtc->year = 4;
    rtc->month = 1;
    rtc->day = 27;
    rtc->hours = 23;
    RTC_Body(rtc, 3600);
    EXPECT_EQ(rtc->month, 1);
    EXPECT_EQ(rtc->day, 28);
}

TEST(Nvram, FreshImageLayout)
{
    const char *name = "nvram-test.bin";
    unlink(name);
    halvo_nvram *nvram = halvo_nvram_open(name, 0x1E000);
    ASSERT_NE(nvram, nullptr);
    const uint8_t *image = nvram->image;
    EXPECT_EQ(image[0], 0x70);
    EXPECT_EQ(image[1], nvram_header_checksum(image));
    EXPECT_EQ(image[2], 0x00);
    EXPECT_EQ(image[3], 0x17);
    EXPECT_STREQ((const char *)image + 4, "common");
    EXPECT_STREQ((const char *)image + 16, "auto-boot?=true");
    EXPECT_EQ(image[368], 0x7F);
    EXPECT_EQ(image[369], nvram_header_checksum(image + 368));
    EXPECT_EQ(image[370], 0x1D);
    EXPECT_EQ(image[371], 0xE9);
    EXPECT_EQ(std::string((const char *)image + 372, 12), std::string(12, 'w'));
    EXPECT_EQ(image[362], 0); // "reboot-command=" ends at 361, one more zero follows

    uint8_t byte = 9;
    EXPECT_EQ(halvo_nvram_read(nvram, &byte, 0x1E000), 0);
    EXPECT_EQ(byte, 0);
    EXPECT_EQ(halvo_nvram_write(nvram, 0x55, 0x1E000 - 1), 1);
    EXPECT_EQ(halvo_nvram_read(nvram, &byte, 0x1E000 - 1), 1);
    EXPECT_EQ(byte, 0x55);
    halvo_nvram_close(nvram);
    EXPECT_NE(access(name, F_OK), 0);
}

TEST(Nvram, ChecksumAddsTheCarryBack)
{
    uint8_t header[16] = {0xFF, 0x00, 0x01};
    // 0xFF + 0x01 = 0x100: the carry comes back into bit 0.
    EXPECT_EQ(nvram_header_checksum(header), 0x01);
    uint8_t zero[16] = {};
    EXPECT_EQ(nvram_header_checksum(zero), 0x00);
}

TEST(Nvram, AnExistingFileIsMappedPrivately)
{
    const char *name = "nvram-existing.bin";
    FILE *file = fopen(name, "wb");
    ASSERT_NE(file, nullptr);
    std::string content(64, 'q');
    fwrite(content.data(), 1, content.size(), file);
    fclose(file);
    halvo_nvram *nvram = halvo_nvram_open(name, 64);
    ASSERT_NE(nvram, nullptr);
    EXPECT_EQ(nvram->image[0], 'q');
    halvo_nvram_write(nvram, 'z', 0);
    // A file shorter than the image is copied rather than mapped past its end.
    halvo_nvram *longer = halvo_nvram_open(name, 4096);
    ASSERT_NE(longer, nullptr);
    EXPECT_EQ(longer->image[0], 'q'); // the private change never reached the file
    EXPECT_EQ(longer->image[100], 0);
    halvo_nvram_close(longer);
    halvo_nvram_close(nvram);
}

TEST(RtasConsole, AdvancingTheWordPrintsTheBytesBetween)
{
    BuiltMachine m("rtas", [](BuiltMachine &b) {
        b.set("memory_size", "1G");
        b.set("RTAS_CONSOLE_START", "0x37FFF000");
        b.set("RTAS_CONSOLE_END", "0x37FFFFFF");
    });
    ASSERT_NE(m.machine, nullptr);
    MapListElement *window = MemMap_SearchByName(chip_map(m.machine), "RTAS_CONSOLE");
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(MemMap_SearchByAddr(chip_map(m.machine), 0x37FFF570), window);
    MemoryClient *client = MemoryClientCreate(m.machine, m.machine->mcms[0], "rtas", 0);
    const char text[] = "hi!";
    for (int i = 0; i < 3; i++)
        ASSERT_EQ(Write_Mapped_Memory_Reg(client, 0x1000 + i, 1, (uint8_t)text[i], 0), 1);
    ASSERT_EQ(Write_Mapped_Memory_Reg(client, 0x37FFF570, 4, 0x1000, 0), 1);
    SinkCapture sink;
    ASSERT_EQ(Write_Mapped_Memory_Reg(client, 0x37FFF570, 4, 0x1003, 0), 1);
    EXPECT_EQ(sink.text(), "hi!");
    ASSERT_EQ(Write_Mapped_Memory_Reg(client, 0x37FFF570, 4, 0x1000, 0), 1); // decreasing: nothing
    EXPECT_EQ(sink.text(), "hi!");
    uint64_t word = 0;
    ASSERT_EQ(Read_Mapped_Memory_Reg(client, 0x37FFF570, 4, &word, 0, 1), 1);
    EXPECT_EQ(word, 0x1000u); // the window writes through to RAM
    MemoryClientDelete(m.machine->mcms[0], client);
}

TEST(RtasConsole, NeedsOneBackingElement)
{
    BuiltMachine m("rtas2", [](BuiltMachine &b) {
        b.set("RTAS_CONSOLE_START", "0x03FFF000");
        b.set("RTAS_CONSOLE_END", "0x04000FFF"); // past the end of the 64 MB region
    });
    ASSERT_NE(m.machine, nullptr);
    EXPECT_EQ(MemMap_SearchByName(chip_map(m.machine), "RTAS_CONSOLE"), nullptr);
}

} // namespace

// Device register field tables: the access checks and their reports, the list checks, the
// register forms and conversions, placing a table in a memory map, and FieldHash rows.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "devices/field_table.h"
#include "runtime/stop.h"
#include "support/sink_capture.h"
#include "support/test_machine.h"

namespace
{

constexpr uint32_t RW = FIELD_READ | FIELD_WRITE;

// lead covers 0x00-0x0F once checked; 0x1C-0x1F lies between fields.
const field_entry registers[] = {
    {0x00, 0x00, 0, "lead"},
    {0x10, 0x17, RW | 4 | 8, "CTL"},
    {0x18, 0x1B, FIELD_READ | 2 | 4, "STAT"},
    {0x20, 0x27, RW | 8 | FIELD_UNIMPLEMENTED, "UNIMP"},
    {0x28, 0x28, RW | 1, "BYTE"},
    {0x30, 0x33, FIELD_READ | 8, "SHORT"},
    {0xFFFFFFFF, 0xFFFFFFFF, FIELD_LAST, "end"},
};

struct Report {
    int code;
    std::string field;
    uint64_t address;
};

class FieldTableTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        saved_stop = stop_simulation;
        table = field_table_create(nullptr, "regs", registers, this, routine);
        ASSERT_NE(table, nullptr);
    }
    void TearDown() override
    {
        field_table_delete(table);
        stop_simulation = saved_stop;
    }
    // The access routine: keeps the register at CTL, answers reads with it, refuses BYTE writes.
    static int routine(void *data, field_access_s *access)
    {
        auto *self = static_cast<FieldTableTest *>(data);
        self->seen.push_back(access->field->name + std::string(":") + std::to_string(access->field_offset));
        if (access->write) {
            if (access->field->name == std::string("BYTE")) return 0;
            self->ctl = field_convert_to_reg(access);
        } else {
            field_convert_from_reg(access, self->ctl);
        }
        return 1;
    }
    static void record(void *data, MMAPI_Access *, int code, field_table *, const field_entry *field,
                       uint64_t address, int)
    {
        static_cast<FieldTableTest *>(data)->reports.push_back({code, field ? field->name : "", address});
    }

    field_table *table = nullptr;
    uint64_t ctl = 0x1122334455667788ULL;
    std::vector<std::string> seen;
    std::vector<Report> reports;
    uint32_t saved_stop = 0;
};

TEST_F(FieldTableTest, AccessesAreCheckedAgainstTheCoveringField)
{
    table->error = record;
    table->error_data = this;
    struct Case {
        bool write;
        uint64_t offset;
        int length;
        int rc;
        int code; // 0: no report
        const char *field;
    } cases[] = {
        {false, 0x10, 8, 1, 0, nullptr},
        {false, 0x14, 4, 1, 0, nullptr},
        {false, 0x12, 4, 0, FIELD_ALIGNMENT_ERROR, "CTL"},
        {false, 0x10, 2, 0, FIELD_SIZE_ERROR, "CTL"},
        {false, 0x10, 3, 0, FIELD_SIZE_ERROR, "CTL"},
        {false, 0x30, 8, 0, FIELD_OVERFLOW_ERROR, "SHORT"},
        {true, 0x18, 4, 0, FIELD_PERMISSION_ERROR, "STAT"},
        {false, 0x08, 4, 0, FIELD_PERMISSION_ERROR, "lead"}, // the leading entry grew to 0x0F
        {false, 0x1C, 4, 0, FIELD_RESERVED, ""},             // between fields
        {false, 0x40, 4, 0, FIELD_RESERVED, ""},             // past the last field
        {false, 0x20, 8, 0, FIELD_UNIMPLEMENTED_ERROR, "UNIMP"},
        {false, 0x28, 1, 1, 0, nullptr},
        {true, 0x28, 1, 0, 0, nullptr}, // the routine refuses: no report
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message()
                     << (c.write ? "write " : "read ") << std::hex << c.offset << " x" << c.length);
        reports.clear();
        uint64_t buffer = 0;
        int rc = c.write ? field_write(nullptr, table, c.offset, &buffer, c.length)
                         : field_read(nullptr, table, c.offset, &buffer, c.length);
        EXPECT_EQ(rc, c.rc);
        if (c.code) {
            ASSERT_EQ(reports.size(), 1u);
            EXPECT_EQ(reports[0].code, c.code);
            EXPECT_EQ(reports[0].field, c.field);
            EXPECT_EQ(reports[0].address, c.offset);
        } else {
            EXPECT_TRUE(reports.empty());
        }
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"CTL:0", "CTL:4", "BYTE:0", "BYTE:0"}));
}

TEST_F(FieldTableTest, TheBuiltInReporterMarksTheAccessPhantomAndNamesTheField)
{
    MMAPI_Access access = {7, 0, nullptr};
    uint64_t value = 0;
    EXPECT_EQ(field_read_reg(&access, table, 0x18, &value, 4), 1);
    EXPECT_EQ(access.status, 0);
    EXPECT_EQ(field_write_reg(&access, table, 0x18, 1, 4), 0);
    EXPECT_EQ(access.status, 1);

    struct Case {
        int code;
        const char *field;
        const char *text;
    } cases[] = {
        {1, "CTL",
         "Size error accessing field in table regs, field= CTL, address= 0x0000000000000010, size=2"},
        {2, "CTL", "Alignment error accessing field in table regs, field= CTL, address= 0x0000000000000010"},
        {3, "CTL",
         "Permissions error accessing field in table regs, field= CTL, address= 0x0000000000000010"},
        {4, "CTL",
         "Address overflow error accessing field in table regs, field= CTL, address= 0x0000000000000010"},
        {5, nullptr, "Attempt to access reserved field in table regs, address= 0x0000000000000010"},
        {6, "CTL",
         "Attempt to access unimplemented field in table regs, field= CTL, address= 0x0000000000000010"},
        {9, "CTL", "Error accessing field in table regs, field= CTL, code= 9, address= 0x0000000000000010"},
    };
    for (const Case &c : cases) {
        field_entry field = {0x10, 0x17, 0, c.field};
        char text[256];
        field_table_error_text(text, sizeof text, c.code, table, c.field ? &field : nullptr, 0x10, 2);
        EXPECT_STREQ(text, c.text);
    }
}

TEST_F(FieldTableTest, RegisterFormsGoThroughALocalOfTheirLength)
{
    uint64_t value = 0;
    EXPECT_EQ(field_read_reg(nullptr, table, 0x10, &value, 8), 1);
    EXPECT_EQ(value, 0x1122334455667788ULL);
    EXPECT_EQ(field_read_reg(nullptr, table, 0x14, &value, 4), 1);
    EXPECT_EQ(value, 0x55667788u);
    EXPECT_EQ(field_read_reg(nullptr, table, 0x10, &value, 3), 0);
    EXPECT_EQ(value, 0xDEADBEEFu);
    EXPECT_EQ(field_write_reg(nullptr, table, 0x10, 0xAABBCCDD99887766ULL, 4), 1);
    EXPECT_EQ(ctl, 0x99887766u);
    EXPECT_EQ(field_write_reg(nullptr, table, 0x10, 1, 3), 0);
    uint8_t bytes[4] = {1, 2, 3, 4};
    EXPECT_EQ(field_read(nullptr, table, 0x1C, bytes, 4), 0);
    EXPECT_EQ(bytes[0] | bytes[1] | bytes[2] | bytes[3], 0); // cleared even when the read fails
}

TEST(FieldConversions, ValuesOfEachLength)
{
    uint64_t data = 0;
    field_access_s access = {};
    access.data = &data;
    for (int length : {1, 2, 4, 8, 3}) {
        SCOPED_TRACE(length);
        access.length = length;
        data = 0;
        field_convert_from_reg(&access, 0x0102030405060708ULL);
        uint64_t expected = length == 8   ? 0x0102030405060708ULL
                            : length == 3 ? 0xDEADBEEFDEADBEEFULL & 0xFFFFFF
                                          : 0x0102030405060708ULL & ((uint64_t(1) << (8 * length)) - 1);
        EXPECT_EQ(data, expected);
        EXPECT_EQ(field_convert_to_reg(&access), length == 3 ? 0xDEADBEEFDEADBEEFULL : expected);
        EXPECT_EQ(field_convert_to_uint(&access),
                  length >= 3 && length != 4 ? 0xDEADBEEFu : (uint32_t)expected);
        data = 0;
        field_convert_from_uint(&access, 0x0A0B0C0D);
        EXPECT_EQ(data, length == 3
                            ? 0xDEADBEEFDEADBEEFULL & 0xFFFFFF
                            : 0x0A0B0C0DULL & (length == 8 ? ~0ULL : (uint64_t(1) << (8 * length)) - 1));
    }
}

TEST(FieldListCheck, BrokenDescriptionsAreFatalErrors)
{
    uint32_t saved_stop = stop_simulation;
    struct Case {
        std::vector<field_entry> entries;
        const char *message;
    } cases[] = {
        {{{0, 0, FIELD_LAST, "end"}}, "FATAL ERROR: Field list t in table t, field list has no entries "},
        {{{0, 0, 0, "lead"}, {0, 0, FIELD_LAST, "end"}},
         "FATAL ERROR: Field list t in table t, field list has no entries "},
        {{{0, 0, 0, "lead"},
          {0x10, 0x17, RW | 4, "A"},
          {0x14, 0x1B, RW | 4, "B"},
          {~0u, ~0u, FIELD_LAST, "end"}},
         "FATAL ERROR: 2: Field list t in table t, field starting at address 0x00000014 overlaps field "
         "starting "
         "at 0x00000010"},
        {{{0, 0, 0, "lead"}, {0x10, ~0u, RW | 4, "A"}, {~0u, ~0u, FIELD_LAST, "end"}},
         "FATAL ERROR: 1: Field list t in table t, field starting at address 0xFFFFFFFF overflows 32-bit "
         "address "
         "range"},
        {{{0, 0, 0, "lead"}, {0x10, 0x17, 4, "A"}, {~0u, ~0u, FIELD_LAST, "end"}},
         "FATAL ERROR: Field list t in table t has no fields"},
        {{{0, 0, 0, "lead"},
          {0x10, 0x17, RW | 4, "A"},
          {0x18, 0x1B, RW | 4, "B"},
          {~0u, ~0u, FIELD_LAST, "end"}},
         nullptr},
    };
    for (const Case &c : cases) {
        SinkCapture sink;
        field_table *table = field_table_create(nullptr, "t", c.entries.data(), nullptr, nullptr);
        EXPECT_EQ(sink.text(), c.message ? std::string(c.message) + "\n" : "");
        // Whatever the description, accesses are answered without harm.
        uint64_t value;
        EXPECT_EQ(field_read_reg(nullptr, table, 0x40, &value, 4), 0);
        field_table_delete(table);
    }
    stop_simulation = saved_stop;
}

int memory_routine(void *data, field_access_s *access)
{
    auto *reg = static_cast<uint64_t *>(data);
    if (access->write)
        *reg = field_convert_to_reg(access);
    else
        field_convert_from_reg(access, *reg);
    return 1;
}

TEST(FieldTableDevice, ATableInTheMemoryMapAnswersThroughItsChecks)
{
    TestMachine tm;
    tm.create_chips();
    uint64_t reg = 0;
    field_table *table = field_table_create(tm.chip(), "dev", registers, &reg, memory_routine);
    int extra = 0, element = 0;
    MemoryMap_to_field_table *instance =
        field_table_add_to_MemoryMap(table, 0x80000000, 0x8000003F, &extra, &element);
    ASSERT_NE(instance, nullptr);
    EXPECT_EQ(instance->table, table);
    EXPECT_EQ(instance->extra, &extra);
    EXPECT_EQ(instance->element, &element);
    MapListElement *device = MemMap_SearchByName(tm.map(), "dev");
    ASSERT_NE(device, nullptr);
    EXPECT_EQ(device->instance, instance);

    MMAPI_Access access = {1, 0, nullptr};
    EXPECT_EQ(device->ops->write(&access, instance, 0x10, 0x1234, 8), 1);
    uint64_t value = 0;
    EXPECT_EQ(device->ops->read(&access, instance, 0x10, &value, 8), 1);
    EXPECT_EQ(value, 0x1234u);
    EXPECT_EQ(access.status, 0);
    EXPECT_EQ(device->ops->read(&access, instance, 0x1C, &value, 4), 0);
    EXPECT_EQ(access.status, 1); // phantom
    EXPECT_EQ(device->ops->resolve(nullptr, instance, 0), nullptr);

    // Deleting the table leaves a device that refuses every access.
    field_table_delete(table);
    access.status = 0;
    EXPECT_EQ(device->ops->read(&access, instance, 0x10, &value, 8), 0);
    EXPECT_EQ(device->ops->write(&access, instance, 0x10, 1, 8), 0);
}

int quit_calls = 0;

TEST(FieldTableDevice, TheDeviceQuitsWithItsMapAndCallsItsQuitRoutine)
{
    uint64_t reg = 0;
    field_table *table = nullptr;
    {
        TestMachine tm;
        tm.create_chips();
        table = field_table_create(tm.chip(), "dev", registers, &reg, memory_routine);
        MemoryMap_to_field_table *instance =
            field_table_add_to_MemoryMap(table, 0x1000, 0x103F, nullptr, nullptr);
        ASSERT_NE(instance, nullptr);
        instance->quit = [](MemoryMap_to_field_table *) { quit_calls++; };
    }
    EXPECT_EQ(quit_calls, 1);
    EXPECT_EQ(table->instance_count, 0); // the table no longer points at the freed instance
    field_table_delete(table);
}

TEST(FieldHash, LookupFindsTheFirstRowWithTheOffsetAndAFlag)
{
    const FieldHash_Row rows[] = {{0x00, 0x10, 1}, {0x08, 0x10, 2}, {0x40, 0x04, 3}, {0xFFFFFFFF, 0, 0}};
    FieldHash hash;
    FieldHash_Init(&hash, rows);
    uint32_t length = 0;
    EXPECT_EQ(FieldHash_Lookup(&hash, 0x0C, 100, &length, 1), &rows[0]);
    EXPECT_EQ(length, 4u);
    EXPECT_EQ(FieldHash_Lookup(&hash, 0x0C, 100, &length, 2), &rows[1]);
    EXPECT_EQ(length, 0xCu);
    EXPECT_EQ(FieldHash_Lookup(&hash, 0x0C, 2, &length, 2), &rows[1]);
    EXPECT_EQ(length, 2u); // at most count
    EXPECT_EQ(FieldHash_Lookup(&hash, 0x18, 4, &length, 3), nullptr);
    EXPECT_EQ(FieldHash_Lookup(&hash, 0x43, 4, &length, 1), &rows[2]);
    EXPECT_EQ(length, 1u);
    EXPECT_EQ(FieldHash_Lookup(&hash, 0x44, 4, &length, 3), nullptr);
}

} // namespace

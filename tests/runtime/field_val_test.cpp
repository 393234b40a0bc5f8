// Named bit-field values: declaration, initial values from a property list, field access and the
// position errors.
#include <gtest/gtest.h>

#include <string>

#include "runtime/alloc.h"
#include "runtime/field_val.h"
#include "runtime/property_path.h"
#include "runtime/property_list.h"
#include "runtime/stop.h"
#include "support/sink_capture.h"

namespace
{

class FieldValTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        saved_stop = stop_simulation;
        Field_Val_Init(&fv);
        list = PropertyList__New("field-val-test");
    }
    void TearDown() override
    {
        Field_Val_Cleanup(&fv);
        PropertyList__Delete(list);
        stop_simulation = saved_stop;
    }
    void set(const char *key, const char *value)
    {
        PropertyList__UpdatePropertyValue(list, key, value, "", 1);
    }
    FieldVal fv;
    PropertyList *list = nullptr;
    uint32_t saved_stop = 0;
};

TEST_F(FieldValTest, InitialisationGivesAnEmptyWideValue)
{
    EXPECT_STREQ(fv.name, "f");
    EXPECT_EQ(fv.path, nullptr);
    EXPECT_EQ(fv.width, 64);
    EXPECT_EQ(fv.value, 0u);
    EXPECT_EQ(Field_Val_Find_Field(&fv, "A"), nullptr);
}

TEST_F(FieldValTest, FieldsUseTheBitNumberingOfTheWidth)
{
    Field_Val_Declare(&fv, "unit", "ctl", 0xA0000000, 32, nullptr, nullptr, nullptr, "A", 0, 3, "B", 7, 4,
                      "C", 31, 31, (const char *)nullptr);
    EXPECT_STREQ(fv.name, "ctl");
    EXPECT_STREQ(fv.path, "unit/ctl");
    EXPECT_EQ(Field_Val_Get_Field(&fv, "A"), 0xAu);
    const Range *b = Field_Val_Find_Field(&fv, "B");
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->first, 4);
    EXPECT_EQ(b->last, 7);
    EXPECT_EQ(b->length, 4);
    EXPECT_EQ(b->first64, 36);
    EXPECT_EQ(b->last64, 39);

    Field_Val_Put_Field(&fv, "A", 0x13); // only the low 4 bits fit
    EXPECT_EQ(Field_Val_Get_Scalar(&fv), 0x30000000u);
    Field_Val_Put_Field(&fv, "C", 1);
    EXPECT_EQ(Field_Val_Get_Scalar(&fv), 0x30000001u);
    Field_Val_Put_Field(&fv, "B", 0xF);
    EXPECT_EQ(Field_Val_Get_Scalar(&fv), 0x3F000001u);

    Field_Val_Put_Scalar(&fv, 0x1234567830000000ULL); // bits above the width are kept
    EXPECT_EQ(Field_Val_Get_Scalar(&fv), 0x1234567830000000ULL);
    EXPECT_EQ(Field_Val_Get_Field(&fv, "A"), 3u);

    // Undeclared names read 0 and write nothing.
    EXPECT_EQ(Field_Val_Get_Field(&fv, "Z"), 0u);
    Field_Val_Put_Field(&fv, "Z", ~0ULL);
    EXPECT_EQ(Field_Val_Get_Scalar(&fv), 0x1234567830000000ULL);

    // A redeclared field takes its new range.
    Field_Val_Declare_Bit(&fv, "A", 2, nullptr);
    EXPECT_EQ(Field_Val_Find_Field(&fv, "A")->length, 1);
    EXPECT_EQ(Field_Val_Get_Field(&fv, "A"), 1u);
}

TEST_F(FieldValTest, InitialValuesComeFromTheMostSpecificProperty)
{
    set("sys/unit/ctl", "0x100");
    set("sys/A", "5"); // found by cutting the path sys/unit/ctl down to sys
    set("sys/unit/ctl/B", "1");
    set("sys/unit/ctl/C", "bad"); // not a number: the field keeps the value's bits
    Field_Val_Declare(&fv, "sys/unit", "ctl", 7, 16, list, nullptr, nullptr, "A", 0, 3, "B", 15, 15, "C", 8,
                      11, (const char *)nullptr);
    EXPECT_EQ(Field_Val_Get_Scalar(&fv), 0x5101u);

    FieldVal other;
    Field_Val_Init(&other);
    Field_Val_Declare(&other, "sys/unit", "other", 7, 16, list, nullptr, nullptr, (const char *)nullptr);
    EXPECT_EQ(Field_Val_Get_Scalar(&other), 7u); // the default
    Field_Val_Cleanup(&other);
}

TEST_F(FieldValTest, PositionsOutsideTheWidthAreFatalErrorsAndLeaveTheFieldOut)
{
    fv.width = 16;
    SinkCapture sink;
    Field_Val_Declare_Field(&fv, "X", 16, 3, nullptr);
    Field_Val_Declare_Field(&fv, "Y", 2, 20, nullptr);
    Field_Val_Declare_Field(&fv, "N", -1, 3, nullptr);
    EXPECT_EQ(sink.lines(), (std::vector<std::string>{
                                "FATAL ERROR: Range_Init: Start bit position 16 for field 'X' past width 16",
                                "FATAL ERROR: Range_Init: End bit position 20 for field 'Y' past width 16",
                                "FATAL ERROR: Range_Init: Start bit position -1 for field 'N' past width 16",
                            }));
    EXPECT_NE(stop_simulation & STOP_QUARN_ERROR, 0u);
    EXPECT_EQ(Field_Val_Find_Field(&fv, "X"), nullptr);
    EXPECT_EQ(Field_Val_Find_Field(&fv, "Y"), nullptr);
    EXPECT_EQ(Field_Val_Find_Field(&fv, "N"), nullptr);
}

} // namespace

namespace
{

TEST(PropertyPath, CandidatesGoFromTheMostSpecificBaseAndQualifierOutwards)
{
    PropertyList *list = PropertyList__New("property-path-test");
    auto found = [&](const char *base, const char *qualifier) {
        char key[64];
        const char *value = Find_Property_Value(list, base, qualifier, '/', "n", key, sizeof key);
        return std::string(value ? value : "-") + "@" + key;
    };
    PropertyList__UpdatePropertyValue(list, "n", "bare", "", 1);
    EXPECT_EQ(found("a/b/c", "q/r"), "-@"); // the bare name is never tried below a base
    EXPECT_EQ(found(nullptr, nullptr), "bare@n");
    PropertyList__UpdatePropertyValue(list, "a/q/n", "1", "", 1);
    EXPECT_EQ(found("a/b/c", "q/r"), "1@a/q/n");
    PropertyList__UpdatePropertyValue(list, "a/b/n", "2", "", 1);
    EXPECT_EQ(found("a/b/c", "q/r"), "2@a/b/n"); // a/b/n comes before a/q/r/n and a/q/n
    PropertyList__UpdatePropertyValue(list, "a/b/c/q/n", "3", "", 1);
    EXPECT_EQ(found("a/b/c", "q/r"), "3@a/b/c/q/n");
    EXPECT_EQ(found("a/b/c", "q"), "3@a/b/c/q/n");
    PropertyList__UpdatePropertyValue(list, "q/n", "4", "", 1);
    EXPECT_EQ(found(nullptr, "q/r"), "4@q/n");

    char *path = Config_Construct_Path("a", "b", "c", (const char *)nullptr);
    EXPECT_STREQ(path, "a/b/c");
    QUARN_FREE(path);
    uint64_t value = 99;
    EXPECT_EQ(Find_Property_FieldVal(list, "x", nullptr, '/', "n", &value), 0);
    EXPECT_EQ(value, 0u);
    PropertyList__Delete(list);
}

} // namespace

// Property-list listings, the library's default configuration, units sharing a configuration,
// and the lookup's guards against endless dup chains and keys that do not fit.
#include <gtest/gtest.h>
#include <tcl.h>

#include <string>
#include <vector>

#include "command/plist_listing.h"
#include "embed/library_config.h"
#include "processor/config/config_getters.h"
#include "runtime/common.h"
#include "runtime/debug.h"
#include "runtime/message.h"
#include "runtime/property_list.h"

namespace
{

class Listing : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        interpreter = Tcl_CreateInterp();
        list = PropertyList__New("listing-test");
    }
    void TearDown() override
    {
        PropertyList__Delete(list);
        Tcl_DeleteInterp(interpreter);
    }
    void set(const char *key, const char *value, const char *description = nullptr)
    {
        PropertyList__UpdatePropertyValue(list, key, value, description, 1);
    }
    std::string result()
    {
        std::string text = Tcl_GetStringResult(interpreter);
        Tcl_ResetResult(interpreter);
        return text;
    }
    Tcl_Interp *interpreter = nullptr;
    PropertyList *list = nullptr;
};

TEST_F(Listing, FilteredListsShowVisibleEntriesContainingTheMatchInAnyCase)
{
    set("processor/number_of_TLB_entries", "512", "number of entries in the TLB");
    set("processor/tlbie_mode", "on");
    set("Atlbx", "1");
    set("memory_size", "1G");
    PropertyList__AddDefaultString(list, "processor", "TLB_associativity", "4", "hidden default");

    TCL_Print_PropertyList(interpreter, list, "TLB");
    EXPECT_EQ(result(), "Atlbx 1 processor/number_of_TLB_entries 512 processor/tlbie_mode on ");
    TCL_Print_PropertyList(interpreter, list, nullptr);
    EXPECT_EQ(result(),
              "Atlbx 1 memory_size 1G processor/number_of_TLB_entries 512 processor/tlbie_mode on ");
    TCL_Print_PropertyList(interpreter, list, "nothing-like-it");
    EXPECT_EQ(result(), "");

    TCL_Print_PropertyList_Annotated(interpreter, list, "tlb");
    EXPECT_EQ(result(), "listing-test:\n"
                        "    Atlbx = 1\n"
                        "    processor/number_of_TLB_entries = 512  (number of entries in the TLB)\n"
                        "    processor/tlbie_mode = on\n");
}

TEST_F(Listing, AllListsOnOneLineInNameOrder)
{
    std::vector<PropertyList *> made;
    for (const char *name : {"zz-listing", "Aa-listing", "mm-listing"})
        made.push_back(PropertyList__New(name));
    List_All_Property_Lists(interpreter);
    std::string line = result();
    ASSERT_FALSE(line.empty());
    EXPECT_EQ(line.back(), '\n');
    EXPECT_EQ(line.find('\n'), line.size() - 1);
    size_t a = line.find("Aa-listing"), l = line.find("listing-test"), m = line.find("mm-listing"),
           z = line.find("zz-listing");
    ASSERT_NE(z, std::string::npos);
    EXPECT_LT(a, l);
    EXPECT_LT(l, m);
    EXPECT_LT(m, z);

    // Many long names: the line stops at 255 characters.
    for (int i = 0; i < 12; i++)
        made.push_back(PropertyList__New((std::string(30, 'q') + std::to_string(i)).c_str()));
    List_All_Property_Lists(interpreter);
    line = result();
    EXPECT_EQ(line.size(), 256u);
    EXPECT_EQ(line.back(), '\n');
    for (PropertyList *p : made)
        PropertyList__Delete(p);

    EXPECT_EQ(CheckPropertyList("listing-test"), 1);
    EXPECT_EQ(CheckPropertyList("LISTING-TEST"), 1);
    EXPECT_EQ(CheckPropertyList("zz-listing"), 0);
}

TEST_F(Listing, DeletePropertyValueJoinsTheWordsIntoOneKey)
{
    set("processor/mask/DAR", "0xFF");
    set("processor", "plain");
    char words[][16] = {"delete", "processor", "mask", "DAR"};
    char *argv[] = {words[0], words[1], words[2], words[3]};
    PropertyList__DeletePropertyValue(list, 4, argv);
    EXPECT_EQ(PropertyList__GetString(list, "processor/mask/DAR"), nullptr);
    EXPECT_STREQ(PropertyList__GetString(list, "processor"), "plain");
}

TEST(LibraryConfiguration, DefaultConfigurationOfTheEmbeddingInterface)
{
    for (int category : {208, 0, 71})
        set_debug_flag(category, 3);
    set_debug_flag(97, 0);
    PropertyList *list = LIBSIM_Default_Config();
    ASSERT_NE(list, nullptr);
    EXPECT_STREQ(list->name, "MYRRIN");
    const struct {
        const char *key;
        const char *value;
    } visible[] = {{"machine_type", "MYRRIN"},
                   {"processor/type", "Ervik"},
                   {"number_of_MCMs", "1"},
                   {"cpi", "1.0"},
                   {"processor_option/TFMR_CLEAR_STATUS", "true"},
                   {"processor/quarn_msr_bit", "0"},
                   {"processor/number_of_SLB_Entries", "64"},
                   {"turbo/debug", "TRUE"},
                   {"turbo/nop", "TRUE"},
                   {"turbo/mftb", "FALSE"}};
    for (const auto &v : visible) {
        ConfigEntry *entry = PropertyList__FindEntry(list, v.key);
        ASSERT_NE(entry, nullptr) << v.key;
        EXPECT_STREQ(entry->value, v.value) << v.key;
        EXPECT_EQ(entry->visible, 1) << v.key;
    }
    // Every component's defaults are there too (hidden).
    ConfigEntry *maximum = PropertyList__FindEntry(list, "turbo/maximum");
    ASSERT_NE(maximum, nullptr);
    EXPECT_EQ(maximum->visible, 0);
    EXPECT_EQ(get_debug_flag(208), 0);
    EXPECT_EQ(get_debug_flag(0), 0);
    EXPECT_EQ(get_debug_flag(71), 0);
    EXPECT_EQ(get_debug_flag(97), 1);
    set_debug_flag(97, 0);
    PropertyList__Delete(list);
}

class UnitSharing : public ::testing::Test
{
  protected:
    void SetUp() override { list = PropertyList__New("unit-sharing"); }
    void TearDown() override { PropertyList__Delete(list); }
    void set(const char *key, const char *value)
    {
        PropertyList__UpdatePropertyValue(list, key, value, nullptr, 1);
    }
    PropertyList *list = nullptr;
    int records[4] = {};
    void *units[4] = {&records[0], &records[1], &records[2], &records[3]};
};

TEST_F(UnitSharing, UnitsTakeTheRecordTheirDupOrUnitZeroGives)
{
    set("cache/1/dup", "1");
    set("cache/2/dup", "0");
    set("cache/3/configured", "yes");
    EXPECT_EQ(copy_configuration_data_from_another_unit(units, list, "cache", 0), 0); // unit 0 reads its own
    EXPECT_EQ(copy_configuration_data_from_another_unit(units, list, "cache", 1), 0); // dup to itself
    EXPECT_EQ(units[1], &records[1]);
    EXPECT_EQ(copy_configuration_data_from_another_unit(units, list, "cache", 2), 1);
    EXPECT_EQ(units[2], &records[0]);
    EXPECT_EQ(copy_configuration_data_from_another_unit(units, list, "cache", 3), 0); // configured
    EXPECT_EQ(units[3], &records[3]);

    // Without dup or "configured", unit n >= 1 shares unit 0's record.
    EXPECT_EQ(copy_configuration_data_from_another_unit(units, list, "bus", 3), 1);
    EXPECT_EQ(units[3], &records[0]);
    EXPECT_EQ(copy_configuration_data_from_another_unit(units, list, "bus", -1), 0);
}

TEST_F(UnitSharing, DupToALaterUnitIsFatal)
{
    set("cache/1/dup", "3");
    EXPECT_DEATH(
        {
            Quarn_Output_File = stderr;
            copy_configuration_data_from_another_unit(units, list, "cache", 1);
        },
        "FATAL INTERNAL ERROR: .*Cannot dup a later config");
    set("cache/1/dup", "-1"); // wraps to a huge unit number
    EXPECT_DEATH(
        {
            Quarn_Output_File = stderr;
            copy_configuration_data_from_another_unit(units, list, "cache", 1);
        },
        "Cannot dup a later config");
}

TEST_F(UnitSharing, LookupsEndOnDupCyclesAndOnKeysThatDoNotFit)
{
    set("core/0/dup", "1");
    set("core/1/dup", "2");
    set("core/2/dup", "0");
    set("core/2/width", "6");
    EXPECT_STREQ(get_plist_string(list, "core", 0, "width"), "6");  // 0 -> 1 -> 2
    EXPECT_EQ(get_plist_string(list, "core", 1, "depth"), nullptr); // 1 -> 2 -> 0 -> back to 1
    set("core/depth", "9");
    EXPECT_STREQ(get_plist_string(list, "core", 1, "depth"), "9");

    // A prefix too long for a key: nothing is found, not even the key of its cut text.
    std::string prefix(300, 'p');
    std::string cut = prefix.substr(0, 255);
    set(cut.c_str(), "cut");
    EXPECT_EQ(get_plist_string(list, prefix.c_str(), -1, nullptr), nullptr);
    EXPECT_EQ(get_plist_string(list, prefix.c_str(), 0, "x"), nullptr);
    EXPECT_EQ(get_plist_int_wd(list, prefix.c_str(), 0, "x", 5), 5u);
}

} // namespace

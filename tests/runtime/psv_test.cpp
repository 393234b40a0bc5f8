#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <strings.h>

#include "runtime/property_list.h"
#include "runtime/psv.h"

namespace
{

class PSVTable : public ::testing::Test
{
  protected:
    static void SetUpTestSuite()
    {
        if (!PSV_List) Init_PSV_Table();
    }
    // Entries of the table proper (tests register their own keys under "test/").
    template <class F> static void for_each_entry(F f)
    {
        for (PSV_entry *e = PSV_List; e; e = e->next)
            if (strncmp(e->key, "test/", 5) != 0) f(e);
    }
    static const char *ervik_value(PSV_entry *e)
    {
        for (PSV_specific_entry *s = e->specific_values; s; s = s->next)
            if (strcasecmp(s->processor_type, "Ervik") == 0) return s->value;
        return nullptr;
    }
    static PSV_entry *find(const char *key)
    {
        for (PSV_entry *e = PSV_List; e; e = e->next)
            if (strcasecmp(e->key, key) == 0) return e;
        return nullptr;
    }
};

TEST_F(PSVTable, CountsByColumnAndFamily)
{
    int keys = 0, defaults = 0, ervik = 0, default_only = 0, ervik_only = 0, both = 0;
    std::map<std::string, int> families;
    for_each_entry([&](PSV_entry *e) {
        keys++;
        bool d = e->default_value != nullptr, v = ervik_value(e) != nullptr;
        defaults += d;
        ervik += v;
        default_only += d && !v;
        ervik_only += v && !d;
        both += d && v;
        std::string key = e->key;
        const char *prefixes[] = {"processor_option/", "processor/mask/", "processor/initial/",
                                  "processor/unmodeled/"};
        std::string family = "parameter";
        for (const char *p : prefixes)
            if (key.rfind(p, 0) == 0) family = p;
        families[family]++;
    });
    EXPECT_EQ(keys, 475);
    EXPECT_EQ(defaults, 270);
    EXPECT_EQ(ervik, 333);
    EXPECT_EQ(default_only, 142);
    EXPECT_EQ(ervik_only, 205);
    EXPECT_EQ(both, 128);
    EXPECT_EQ(families["processor_option/"], 327);
    EXPECT_EQ(families["processor/mask/"], 85);
    EXPECT_EQ(families["processor/initial/"], 10);
    EXPECT_EQ(families["processor/unmodeled/"], 11);
    EXPECT_EQ(families["parameter"], 42);

    // Registration order: the first key registered is at the end of the list.
    PSV_entry *last = nullptr;
    for_each_entry([&](PSV_entry *e) { last = e; });
    ASSERT_NE(last, nullptr);
    EXPECT_STREQ(last->key, "processor/SLBE_vsid_mask");
}

TEST_F(PSVTable, SampleValuesOfEveryFamily)
{
    const struct {
        const char *key, *default_value, *ervik;
    } rows[] = {
        {"processor/SLBE_vsid_mask", "0xFFFFFFFFFFFFFFFF", "0x0FFFFFFF00000000"},
        {"processor/timebase_frequency", "1/1", "512M"},
        {"processor/cpu_frequency", "2G", "2G"},
        {"processor/KEPL_lock_timeout", "501", "502"},
        {"processor/XER_mask", nullptr, "0x0000FFFFFFFFFFFF"},
        {"processor/PIR_bits_for_processor", nullptr, "7"},
        {"processor/mask/MSR", "0x900000000000FF37", "0xDC0000070280FFB7"},
        {"processor/mask/FPSCR", "0x00000007FFFFF7FF", "0x00000007FFFFF7FF"},
        {"processor/initial/AMOR", "0xFFFFFFFFFFFFFFFF", "0xFFFFFFFFFFFFFFFF"},
        {"processor/mask/L2QOSR", nullptr, "0x000000000000EF00"},
        {"processor/mask/PMC6", nullptr, "0x00000000FFFFFFFF"},
        {"processor/mask/HID0", nullptr, "0xFE1FD3FF00000000"},
        {"processor/initial/PVR", nullptr, "0x004B0100"},
        {"processor/initial/FPR_INVALID_MAP", nullptr, "0xFFFFFFFFFFFFFFFF"},
        {"processor/unmodeled/TFMR", nullptr, "0x0000FFFFFFFFFFFF"},
        {"processor/unmodeled/L2QOSR", nullptr, "0x000000000000EF00"},
        {"processor_option/GLENT_EN_4_LPAR_SYSTEM", nullptr, "TRUE"},
        {"processor_option/RESERVED_NOP_GATED_BY_V206", nullptr, "TRUE"},
        {"processor_option/IGNORE_ERATS_FOR_WOLK", "FALSE", "FALSE"},
        {"processor_option/CHECK_FOR_STALE_TLB_ENTRIES", "FALSE", "TRUE"},
        {"processor_option/PERFECT_ERAT_LRU", "TRUE", "TRUE"},
        {"processor_option/SUPPORTS_RMSC", "TRUE", "TRUE"},
        {"processor_option/KEPL_DISABLE_XLATE", "FALSE", "FALSE"},
        {"processor_option/ENABLE_VMX_BCD_HARDWARE_ROUTINES", nullptr, "FALSE"},
        {"processor_option/FP_EXCEPTIONS_FORCE_FX", "TRUE", "FALSE"},
        {"processor_option/FAKE_DISPATCHER", "FALSE", "TRUE"},
    };
    for (const auto &r : rows) {
        const char *d = Search_PSV_Value(nullptr, r.key);
        const char *e = Search_PSV_Value("ERVIK", r.key);
        if (r.default_value)
            EXPECT_STREQ(d, r.default_value) << r.key;
        else
            EXPECT_EQ(d, nullptr) << r.key;
        EXPECT_STREQ(e, r.ervik) << r.key;
    }
    EXPECT_STREQ(Search_PSV_Value("Ervik", "processor/initial/SIM_CTRL1"), "0x4600000000000000");
}

TEST_F(PSVTable, LookupsIgnoreCaseAndUnknownKeysGiveZero)
{
    EXPECT_STREQ(Search_PSV_Value("ervik", "PROCESSOR/NUMBER_OF_THREADS"), "8");
    EXPECT_STREQ(Search_PSV_Value(nullptr, "PROCESSOR/NUMBER_OF_THREADS"), "1");
    EXPECT_STREQ(Search_PSV_Value("tarvis", "processor/number_of_threads"), "1");
    for (const char *type : {(const char *)nullptr, "Ervik", "other"}) {
        EXPECT_STREQ(Search_PSV_Value(type, "test/never/registered"), "0");
        EXPECT_STREQ(Search_PSV_Value(type, "processor_option/UNKNOWN_SPR_IGNORE"), "0");
    }
    EXPECT_EQ(Search_PSV_Value("other", "processor/initial/PVR"), nullptr);
}

TEST_F(PSVTable, PublicMarksFollowTheLatestRegistration)
{
    EXPECT_EQ(find("processor/number_of_threads")->public_mark, 1);
    EXPECT_EQ(find("processor/KEPL_lock_timeout")->public_mark, 0);
    EXPECT_EQ(find("processor_option/KEPL_DISABLE_XLATE")->public_mark, 0);
    EXPECT_EQ(find("processor/mask/MSR")->public_mark, 0);

    Add_PSV_Table_Public(nullptr, "test/public", "1");
    EXPECT_EQ(find("test/public")->public_mark, 1);
    Add_PSV_Table(nullptr, "test/public", "2");
    EXPECT_EQ(find("test/public")->public_mark, 0);
}

TEST_F(PSVTable, RegistrationReplacesValuesAndKeepsTheFirstKeyText)
{
    Add_PSV_Table("Ervik", "test/Reg", "1");
    Add_PSV_Table("ERVIK", "TEST/REG", "2");
    Add_PSV_Table(nullptr, "test/reg", "default");
    EXPECT_STREQ(Search_PSV_Value("ervik", "test/reg"), "2");
    EXPECT_STREQ(Search_PSV_Value(nullptr, "test/reg"), "default");
    EXPECT_STREQ(find("test/reg")->key, "test/Reg");
    int types = 0;
    for (PSV_specific_entry *s = find("test/reg")->specific_values; s; s = s->next)
        types++;
    EXPECT_EQ(types, 1);
}

TEST_F(PSVTable, EmptyConfigurationGetsTheDefaultColumnHidden)
{
    PropertyList *list = PropertyList__New("psv-empty");
    PSV_Add_Default_Values(list, "");
    EXPECT_STREQ(PropertyList__GetString(list, "processor/number_of_threads"), "1");
    EXPECT_STREQ(PropertyList__GetString(list, "processor/timebase_frequency"), "1/1");
    EXPECT_STREQ(PropertyList__GetString(list, "processor/number_of_SLB_Entries"), "64");
    EXPECT_EQ(PropertyList__GetString(list, "processor_option/BKMK_EXISTS"), nullptr);
    EXPECT_EQ(PropertyList__GetString(list, "processor_option/EPID_EXISTS"), nullptr);
    EXPECT_EQ(PropertyList__GetString(list, "processor/initial/PVR"), nullptr);
    int entries = 0, visible = 0;
    for (ConfigEntry *e = list->entries; e; e = e->next) {
        entries++;
        visible += e->visible;
    }
    int defaults = 0;
    for (PSV_entry *e = PSV_List; e; e = e->next)
        defaults += e->default_value != nullptr;
    EXPECT_EQ(entries, defaults);
    EXPECT_EQ(visible, 0);
    PropertyList__Delete(list);
}

TEST_F(PSVTable, ErvikConfigurationUnderAPrefixTakesTheTableValueHidden)
{
    PropertyList *list = PropertyList__New("psv-ervik");
    PropertyList__UpdatePropertyValue(list, "processor/type", "Ervik", nullptr, 1);
    PropertyList__UpdatePropertyValue(list, "pfx/processor/number_of_threads", "99", "kept description", 1);
    PSV_Add_Default_Values(list, "pfx");
    ConfigEntry *threads = PropertyList__FindEntry(list, "pfx/processor/number_of_threads");
    ASSERT_NE(threads, nullptr);
    EXPECT_STREQ(threads->value, "8");
    EXPECT_EQ(threads->visible, 0);
    EXPECT_STREQ(threads->description, "kept description");
    EXPECT_STREQ(PropertyList__GetString(list, "pfx/processor/initial/PVR"), "0x004B0100");
    EXPECT_STREQ(PropertyList__GetString(list, "pfx/processor_option/BKMK_EXISTS"), "FALSE");
    EXPECT_EQ(PropertyList__GetString(list, "processor/number_of_threads"), nullptr);
    PropertyList__Delete(list);
}

} // namespace

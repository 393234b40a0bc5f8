#include <gtest/gtest.h>

#include "processor/config/config_getters.h"
#include "processor/records/mcm.h"
#include "processor/records/processor_state.h"
#include "processor/time/time_domain.h"
#include "runtime/property_list.h"

namespace
{

class Getters : public ::testing::Test
{
  protected:
    void SetUp() override { list = PropertyList__New("getters-test"); }
    void TearDown() override { PropertyList__Delete(list); }
    void set(const char *key, const char *value)
    {
        PropertyList__UpdatePropertyValue(list, key, value, nullptr, 1);
    }
    PropertyList *list = nullptr;
};

TEST_F(Getters, IndexedLookupOrderWithDupRedirect)
{
    set("processor/number_of_SLB_Entries", "64");
    set("processor/0/number_of_SLB_Entries", "16");
    set("processor/2/dup", "0");
    set("processor/3/number_of_SLB_Entries", "48");
    set("processor/3/dup", "0");
    EXPECT_STREQ(get_plist_string(list, "processor", 3, "number_of_SLB_Entries"), "48");
    EXPECT_STREQ(get_plist_string(list, "processor", 2, "number_of_SLB_Entries"), "16");
    EXPECT_STREQ(get_plist_string(list, "processor", 1, "number_of_SLB_Entries"), "64");
    EXPECT_STREQ(get_plist_string(list, "processor", -1, "number_of_SLB_Entries"), "64");
    // Processor 2 redirects to 0; without 0's own key the general one is taken.
    PropertyList__DeleteValue(list, "processor/0/number_of_SLB_Entries");
    EXPECT_STREQ(get_plist_string(list, "processor", 2, "number_of_SLB_Entries"), "64");
    // Without a name: "prefix/n", then "prefix".
    set("mu/1", "one");
    set("mu", "any");
    EXPECT_STREQ(get_plist_string(list, "mu", 1, nullptr), "one");
    EXPECT_STREQ(get_plist_string(list, "mu", 2, nullptr), "any");
    // Without a prefix: "n/dup" redirects, then the plain name.
    set("plain", "p");
    EXPECT_STREQ(get_plist_string(list, nullptr, 5, "plain"), "p");
    EXPECT_EQ(get_plist_string(list, nullptr, 5, "absent"), nullptr);
}

TEST_F(Getters, DupLoopsEndAsNotFound)
{
    set("cache/0/dup", "1");
    set("cache/1/dup", "0");
    set("cache/2/dup", "2");
    EXPECT_EQ(get_plist_string(list, "cache", 0, "size"), nullptr);
    EXPECT_EQ(get_plist_string(list, "cache", 2, "size"), nullptr);
    set("cache/size", "1M");
    EXPECT_STREQ(get_plist_string(list, "cache", 0, "size"), "1M");
    EXPECT_STREQ(get_plist_string(list, "cache", 2, "size"), "1M");
}

TEST_F(Getters, ProcessorOptionLookupThroughCpuPrefix)
{
    set("processor_option/POWERPC_V2", "TRUE");
    set("cpu/processor_option/POWERPC_V2", "FALSE");
    set("CPU/1/processor_option/POWERPC_V2", "TRUE");
    auto option = [&](int core) {
        int fallback = get_plist_bit_wd(list, nullptr, 0, "processor_option/POWERPC_V2", 0);
        return get_plist_bit_wd(list, "cpu", core, "processor_option/POWERPC_V2", fallback);
    };
    EXPECT_EQ(option(1), 1);
    EXPECT_EQ(option(0), 0);
    PropertyList__DeleteValue(list, "cpu/processor_option/POWERPC_V2");
    EXPECT_EQ(option(0), 1);
}

TEST_F(Getters, TypedIndexedGettersFallBackToTheirDefaults)
{
    const IDNamePair policies[] = {{4, "LRU"}, {0, nullptr}};
    set("u/count", "0x10");
    set("u/bad", "1u");
    set("u/size", "0x10k");
    set("u/ratio", "2.5e1");
    set("u/flag", "On");
    set("u/nope", "y");
    set("u/policy", "lru");
    EXPECT_EQ(get_plist_int(list, "u", 0, "count"), 16u);
    EXPECT_EQ(get_plist_int(list, "u", 0, "bad"), 0u);
    EXPECT_EQ(get_plist_int_wd(list, "u", 0, "bad", 9), 9u);
    EXPECT_EQ(get_plist_int_wd(list, "u", 0, "absent", 8), 8u);
    EXPECT_EQ(get_plist_scaled_int_wd(list, "u", 0, "size", 1024, 1), 16384u);
    EXPECT_EQ(get_plist_scaled_int_wd(list, "u", 0, "count", 1024, 1), 16u);
    EXPECT_EQ(get_plist_scaled_int_wd(list, "u", 0, "bad", 1024, 3), 3u);
    EXPECT_DOUBLE_EQ(get_plist_float_wd(list, "u", 0, "ratio", 1.0), 25.0);
    EXPECT_DOUBLE_EQ(get_plist_float_wd(list, "u", 0, "flag", 1.5), 1.5);
    EXPECT_EQ(get_plist_boolean(list, "u", 0, "flag"), 1);
    EXPECT_EQ(get_plist_bit(list, "u", 0, "flag"), 1);
    EXPECT_EQ(get_plist_boolean(list, "u", 0, "nope"), 0);
    EXPECT_EQ(get_plist_bit_wd(list, "u", 0, "nope", 1), 1);
    EXPECT_EQ(get_plist_bit_wd(list, "u", 0, "absent", 7), 1);
    EXPECT_EQ(get_plist_enum(list, "u", 0, "policy", policies), 4);
    EXPECT_EQ(get_plist_enum(list, "u", 0, "flag", policies), 0);
    EXPECT_EQ(get_plist_enum_wd(list, "u", 0, "flag", policies, -2), -2);
}

TEST_F(Getters, Converters)
{
    uint64_t v = 5;
    EXPECT_EQ(convert_plist_int("k", "1ull", &v), 1);
    EXPECT_EQ(v, 1u);
    EXPECT_EQ(convert_plist_int("k", "1 ", &v), 1);
    v = 5;
    EXPECT_EQ(convert_plist_int("k", "1u", &v), 0);
    EXPECT_EQ(convert_plist_int("k", nullptr, &v), 0);
    EXPECT_EQ(convert_plist_Cycle("k", "x", &v), 0);
    EXPECT_EQ(convert_plist_Tick("k", "077", &v), 1);
    EXPECT_EQ(v, 63u);
    EXPECT_EQ(convert_plist_PA("k", "0x10 ", &v), 0);
    EXPECT_EQ(convert_plist_PA("k", "0x10", &v), 1);
    EXPECT_EQ(v, 16u);
    double d = 2.0;
    EXPECT_EQ(convert_plist_float("k", "0x1p4", &d), 1);
    EXPECT_DOUBLE_EQ(d, 16.0);
    EXPECT_EQ(convert_plist_float("k", "1.5 ", &d), 0);
    EXPECT_EQ(convert_plist_float("k", "", &d), 0);
    EXPECT_DOUBLE_EQ(d, 16.0);
}

TEST_F(Getters, PlainKeysAndPairs)
{
    set("a", "0x10");
    set("b", "0x20");
    set("c", "junk");
    set("ROM_file", "rom.bin");
    set("processor/initial/PVR", "0x004B0100");
    EXPECT_EQ(PropertyList__GetUint64(list, "a"), 16u);
    EXPECT_EQ(PropertyList__GetUint64(list, "c"), 0u);
    EXPECT_EQ(PropertyList__GetUint64(list, "absent"), 0u);
    EXPECT_DOUBLE_EQ(get_plist_float(list, "absent"), 0.0);
    EXPECT_EQ(Default_PVR_Value(nullptr, list), 0x004B0100u);

    uint64_t x = 1, y = 2;
    EXPECT_EQ(PropertyList__GetU64Pair(list, "a", &x, "b", &y), 1);
    EXPECT_EQ(x, 16u);
    EXPECT_EQ(y, 32u);
    x = y = 9;
    EXPECT_EQ(PropertyList__GetU64Pair(list, "a", &x, "absent", &y), 0);
    EXPECT_EQ(x, 9u); // only one exists: nothing touched
    EXPECT_EQ(PropertyList__GetU64Pair(list, "c", &x, "b", &y), 0);
    EXPECT_EQ(x, 0u); // both exist: cleared, the bad first stops the second
    EXPECT_EQ(y, 0u);
    EXPECT_EQ(PropertyList__GetU64Pair(list, "n1", &x, "n2", &y), 0);

    EXPECT_STREQ(ROM_file_name(list, nullptr, -1), "rom.bin");
    set("ROM/file_name", "named.bin");
    EXPECT_STREQ(ROM_file_name(list, nullptr, -1), "named.bin");
}

TEST_F(Getters, ChipAndProcessorGetters)
{
    MCM chip{};
    chip.number = 1;
    ProcessorState core{};
    core.core_id = 4;
    core.mcm = &chip;
    set("MCM/1/ppcic/start", "0x1000");
    set("ppcic/start", "0x2000");
    set("ppcic/end", "junk");
    set("CPU/4/n", "44");
    set("big", "0x123456789");
    set("t", "2.5");

    uint64_t v = 7;
    EXPECT_EQ(get_conditional_mcm_property_uint64_t_rc(&chip, list, "ppcic/start", &v), 1);
    EXPECT_EQ(v, 0x1000u);
    EXPECT_EQ(get_conditional_mcm_property_uint64_t_rc(nullptr, list, "ppcic/start", &v), 1);
    EXPECT_EQ(v, 0x2000u);
    EXPECT_EQ(get_conditional_mcm_property_uint64_t_rc(&chip, list, "ppcic/end", &v), 0);
    EXPECT_EQ(v, 0x2000u);
    EXPECT_EQ(get_conditional_mcm_property_Cycle_rc(&chip, list, "ppcic/start", &v), 1);
    EXPECT_EQ(get_conditional_mcm_property_Tick_rc(&chip, list, "absent", &v), 0);
    EXPECT_EQ(get_mcm_plist_int(&chip, list, "big"), 0x123456789u);
    EXPECT_EQ(get_mcm_plist_int_wd(&chip, list, "big", 5), 0x23456789);
    EXPECT_EQ(get_mcm_plist_int_wd(&chip, list, "ppcic/end", 5), 5);
    int32_t i = 3;
    EXPECT_EQ(get_mcm_plist_int_rc(&chip, list, "absent", &i), 0);
    EXPECT_EQ(i, 3);
    EXPECT_EQ(get_conditional_mcm_property_int_rc(&chip, list, "ppcic/start", &i), 1);
    EXPECT_EQ(i, 0x1000);
    double d = 0;
    EXPECT_EQ(get_mcm_plist_float_rc(&chip, list, "t", &d), 1);
    EXPECT_DOUBLE_EQ(d, 2.5);
    EXPECT_EQ(get_cpu_plist_int(&core, list, "n"), 44u);
    EXPECT_EQ(get_cpu_plist_int(&core, list, "ppcic/start"), 0x1000u);
    EXPECT_EQ(get_cpu_plist_int(&core, list, "absent"), 0u);
}

TEST_F(Getters, FrequenciesInHzOrRatios)
{
    FreqSpec spec;
    Initialize_FreqSpec(&spec);
    set("core/cpu_frequency", "3200M");
    set("core/bad", "3.2G");
    set("core/ratio", "6/4");
    EXPECT_EQ(get_plist_frequency(list, "core", 0, "cpu_frequency", &spec), 1);
    EXPECT_EQ(spec.is_absolute, 1);
    EXPECT_EQ(spec.hz, 3200000000u);
    EXPECT_EQ(get_plist_frequency(list, "core", 0, "bad", &spec), 0);
    EXPECT_EQ(spec.hz, 3200000000u);
    EXPECT_EQ(get_plist_frequency(list, "core", 0, "absent", &spec), 0);
    EXPECT_EQ(get_plist_frequency(list, "core", 0, "ratio", &spec), 1);
    EXPECT_EQ(spec.is_absolute, 0);
    EXPECT_EQ(spec.numerator, 3);
    EXPECT_EQ(spec.denominator, 2);
    EXPECT_EQ(get_plist_frequency_wd(list, "core", 0, "absent", &spec, "1/1"), 1);
    EXPECT_EQ(spec.numerator, 1);
    EXPECT_EQ(spec.denominator, 1);
    EXPECT_EQ(get_plist_frequency_wd(list, "core", 0, "bad", &spec, "2G"), 1);
    EXPECT_EQ(spec.is_absolute, 1);
    EXPECT_EQ(spec.hz, 2000000000u);
}

TEST(Ratios, ConvertRatioReducesAndRefusesBadTerms)
{
    const struct {
        const char *text;
        int result, n, d;
    } cases[] = {{"3/6", 1, 1, 2}, {"7", 1, 7, 1},       {"6/4*x", 1, 3, 2}, {"2*", 1, 2, 1},
                 {"7/", 0, 1, 1},  {"x", 0, 1, 1},       {"3/2x", 0, 1, 1},  {"0/5", 0, 1, 1},
                 {"5/0", 0, 1, 1}, {"0x10/0x4", 1, 4, 1}};
    for (const auto &c : cases) {
        int32_t n = -1, d = -1;
        EXPECT_EQ(ConvertRatio(c.text, &n, &d), c.result) << c.text;
        EXPECT_EQ(n, c.n) << c.text;
        EXPECT_EQ(d, c.d) << c.text;
    }
    EXPECT_EQ(gcd(12, 18), 6u);
    EXPECT_EQ(gcd(18, 12), 6u);
    EXPECT_EQ(gcd(7, 0), 7u);
}

} // namespace

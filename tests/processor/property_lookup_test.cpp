#include <gtest/gtest.h>

#include "processor/records/mcm.h"
#include "processor/config/property_lookup.h"
#include "processor/records/processor_state.h"
#include "processor/records/processor_type.h"
#include "runtime/property_list.h"

namespace
{

class Lookups : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        list = PropertyList__New("lookup-test");
        chip0.number = 0;
        chip1.number = 1;
        core2.core_id = 2;
        core2.mcm = &chip0;
        core3.core_id = 3;
        core3.mcm = &chip0;
    }
    void TearDown() override { PropertyList__Delete(list); }
    void set(const char *key, const char *value)
    {
        PropertyList__UpdatePropertyValue(list, key, value, nullptr, 1);
    }

    PropertyList *list = nullptr;
    MCM chip0{}, chip1{};
    ProcessorState core2{}, core3{};
};

TEST_F(Lookups, MostSpecificFormWins)
{
    set("CPU/3/cpus", "cpu3");
    set("MCM/0/cpus", "chip0");
    set("cpus", "plain");
    EXPECT_STREQ(get_cpu_plist_string(&core3, list, "cpus"), "cpu3");
    EXPECT_STREQ(get_cpu_plist_string(&core2, list, "cpus"), "chip0");
    EXPECT_STREQ(get_mcm_plist_string(&chip0, list, "cpus"), "chip0");
    EXPECT_STREQ(get_mcm_plist_string(&chip1, list, "cpus"), "plain");
    EXPECT_STREQ(get_mcm_plist_string(nullptr, list, "cpus"), "plain");
    EXPECT_STREQ(get_cpu_plist_string(nullptr, list, "cpus"), "plain");
    set("cpu/2/cpus", "cpu2 in lower case");
    EXPECT_STREQ(get_cpu_plist_string(&core2, list, "cpus"), "cpu2 in lower case");
    EXPECT_EQ(get_cpu_plist_string(&core3, list, "missing"), nullptr);
    EXPECT_STREQ(PropertyList__GetString_Warn(list, "cpus"), "plain");
    EXPECT_EQ(PropertyList__GetString_Warn(list, "missing"), nullptr);
}

TEST_F(Lookups, BooleansWithWordsInAnyCase)
{
    const struct {
        const char *text;
        int result, flag;
    } cases[] = {{"TRUE", 1, 1}, {"Yes", 1, 1}, {"ON", 1, 1},    {"1", 1, 1},       {"off", 1, 0},
                 {"No", 1, 0},   {"0", 1, 0},   {"FALSE", 1, 0}, {"enabled", 0, 7}, {"y", 0, 7}};
    for (const auto &c : cases) {
        int flag = 7;
        EXPECT_EQ(convert_plist_boolean("k", c.text, &flag), c.result) << c.text;
        EXPECT_EQ(flag, c.flag) << c.text;
        set("flag", c.text);
        EXPECT_EQ(PropertyList__GetBoolean(list, "flag"), c.result ? c.flag : 0) << c.text;
    }
    int flag = 7;
    EXPECT_EQ(convert_plist_boolean("k", nullptr, &flag), 0);
    EXPECT_EQ(flag, 7);

    set("MCM/1/smt", "on");
    set("CPU/3/smt", "off");
    set("smt", "off");
    EXPECT_EQ(get_mcm_plist_boolean(&chip1, list, "smt"), 1);
    EXPECT_EQ(get_mcm_plist_boolean(&chip0, list, "smt"), 0);
    EXPECT_EQ(get_mcm_plist_boolean_rc(&chip1, list, "absent", &flag), 0);
    core2.mcm = &chip1;
    EXPECT_EQ(get_cpu_plist_boolean(&core2, list, "smt"), 1);
    EXPECT_EQ(get_cpu_plist_boolean(&core3, list, "smt"), 0);
    EXPECT_EQ(get_cpu_plist_boolean(&core3, list, "absent"), 0);
}

const IDNamePair policies[] = {{4, "LRU"}, {9, "RANDOM"}, {0, nullptr}};

TEST_F(Lookups, NamesToIds)
{
    EXPECT_EQ(get_plist_name2id(list, "policy", policies), -1);
    set("policy", "lru");
    EXPECT_EQ(get_plist_name2id(list, "policy", policies), 4);
    set("policy", "sometimes");
    EXPECT_EQ(get_plist_name2id(list, "policy", policies), -1);
    set("CPU/3/policy", "Random");
    EXPECT_EQ(get_cpu_plist_name2id(&core3, list, "policy", policies), 9);
    int32_t id = 42;
    EXPECT_EQ(convert_plist_name2id("policy", nullptr, policies, &id), 0);
    EXPECT_EQ(id, 42);
}

TEST_F(Lookups, CacheReplacementModes)
{
    const struct {
        const char *text;
        int result;
        e_cs_ReplaceMode mode;
    } cases[] = {{"LRU", 1, CS_REPLACE_LRU},
                 {"perfect_lru", 1, CS_REPLACE_LRU},
                 {"FIFO", 1, CS_REPLACE_FIFO},
                 {"Pseudo_LRU", 1, CS_REPLACE_PSEUDO_LRU},
                 {"random", 0, CS_REPLACE_FIFO}};
    for (const auto &c : cases) {
        e_cs_ReplaceMode mode = CS_REPLACE_FIFO;
        EXPECT_EQ(convert_plist_e_cs_ReplaceMode("k", c.text, &mode), c.result) << c.text;
        EXPECT_EQ(mode, c.mode) << c.text;
    }
    set("MCM/1/repl", "pseudo_lru");
    set("repl", "bogus");
    EXPECT_EQ(get_mcm_plist_cs_ReplaceMode(&chip1, list, "repl"), CS_REPLACE_PSEUDO_LRU);
    EXPECT_EQ(get_mcm_plist_cs_ReplaceMode(&chip0, list, "repl"), CS_REPLACE_LRU);
}

TEST_F(Lookups, ScaledIntegersWithDefaults)
{
    set("size", "2M");
    set("MCM/0/size", "4k");
    set("bad", "12 k");
    EXPECT_EQ(get_plist_scaled_int(list, "size", 1024), 2097152u);
    EXPECT_EQ(get_mcm_plist_scaled_int(&chip0, list, "size", 1024), 4096u);
    EXPECT_EQ(get_mcm_plist_scaled_int(&chip1, list, "size", 1000), 2000000u);
    EXPECT_EQ(get_mcm_plist_scaled_int_wd(&chip0, list, "bad", 1024, 77), 77u);
    EXPECT_EQ(get_mcm_plist_scaled_int_wd(&chip0, list, "absent", 1024, 78), 78u);
    EXPECT_EQ(get_plist_scaled_int(list, "bad", 1024), 0u);
    uint64_t value = 5;
    EXPECT_EQ(get_mcm_plist_scaled_int_rc(&chip0, list, "bad", 1024, &value), 0);
    EXPECT_EQ(value, 5u);
}

TEST(ProcessorTypes, OnlyErvikIsKnown)
{
    EXPECT_EQ(ProcessorName_2_Type("Ervik"), 15);
    EXPECT_EQ(ProcessorName_2_Type("ERVIK"), 15);
    EXPECT_EQ(ProcessorName_2_Type("tarvis"), 0);
    EXPECT_EQ(ProcessorName_2_Type(nullptr), 0);
    EXPECT_STREQ(ProcessorType_2_Name(15), "Ervik");
    EXPECT_EQ(ProcessorType_2_Name(3), nullptr);
}

} // namespace

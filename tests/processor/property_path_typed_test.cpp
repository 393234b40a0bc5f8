// Boolean and frequency path lookups.
#include <gtest/gtest.h>

#include "processor/records/instance_link.h"
#include "processor/config/property_path_typed.h"
#include "processor/time/time_domain.h"
#include "support/test_machine.h"

namespace
{

TEST(PropertyPathTyped, BooleanWordsAnyCaseOtherwiseUnchanged)
{
    TestMachine m;
    PropertyList *list = m.machine.property_list;
    PropertyList__UpdatePropertyValue(list, "unit/on", "Yes", nullptr, 1);
    PropertyList__UpdatePropertyValue(list, "unit/bad", "maybe", nullptr, 1);
    PropertyList__UpdatePropertyValue(list, "off", "FALSE", nullptr, 1);
    int flag = 5;
    EXPECT_EQ(Find_Property_Boolean(list, "unit", nullptr, '/', "on", &flag), 1);
    EXPECT_EQ(flag, 1);
    EXPECT_EQ(Find_Property_Boolean(list, nullptr, nullptr, '/', "off", &flag), 1);
    EXPECT_EQ(flag, 0);
    flag = 5;
    EXPECT_EQ(Find_Property_Boolean(list, "unit", nullptr, '/', "bad", &flag), 0);
    EXPECT_EQ(flag, 5);
    EXPECT_EQ(Find_Property_Boolean(list, "unit", nullptr, '/', "none", &flag), 0);
    EXPECT_EQ(flag, 0);
}

TEST(PropertyPathTyped, FrequenciesInHertzOrAsRatiosOfTheMachinesBaseDomain)
{
    TestMachine m;
    PropertyList *list = m.machine.property_list;
    PropertyList__UpdatePropertyValue(list, "core/freq", "2G", nullptr, 1);
    PropertyList__UpdatePropertyValue(list, "core/ratio", "3/2", nullptr, 1);
    PropertyList__UpdatePropertyValue(list, "core/bad", "fast", nullptr, 1);
    FreqSpec base_spec;
    Initialize_FreqSpec(&base_spec);
    time_domain base{};
    base.spec = &base_spec;
    m.machine.base_domain = &base;
    InstanceLink link{&m.machine, nullptr, nullptr, nullptr};

    FreqSpec spec;
    Initialize_FreqSpec(&spec);
    ASSERT_EQ(Find_Property_Frequency(list, "core/x", nullptr, '/', "freq", &spec, &link), 1);
    EXPECT_EQ(spec.is_absolute, 1);
    EXPECT_EQ(spec.hz, 2000000000u);
    ASSERT_EQ(Find_Property_Frequency(list, "core", nullptr, '/', "ratio", &spec, &link), 1);
    EXPECT_EQ(spec.is_absolute, 0);
    EXPECT_EQ(spec.numerator, 3);
    EXPECT_EQ(spec.denominator, 2);
    EXPECT_EQ(spec.base, &base_spec);
    FreqSpec before = spec;
    EXPECT_EQ(Find_Property_Frequency(list, "core", nullptr, '/', "none", &spec, &link), 0);
    EXPECT_EQ(Find_Property_Frequency(list, "core", nullptr, '/', "bad", &spec, &link), 0);
    EXPECT_EQ(spec.numerator, before.numerator);
    EXPECT_EQ(spec.base, before.base);
    m.machine.base_domain = nullptr;
}

} // namespace

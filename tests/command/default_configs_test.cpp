#include <gtest/gtest.h>

#include "command/default_configs.h"
#include "runtime/object_registry.h"
#include "runtime/property_list.h"
#include "runtime/psv.h"

namespace
{

class DefaultConfigurations : public ::testing::Test
{
  protected:
    static void SetUpTestSuite()
    {
        if (!PSV_List) Init_PSV_Table();
        if (!Find_PropertyList_By_Name("myrrin")) Init_Default_Property_Lists(nullptr);
    }
};

TEST_F(DefaultConfigurations, MyrrinAndErvikInNameOrder)
{
    PropertyList *ervik = Find_PropertyList_By_Name("ervik");
    PropertyList *myrrin = Find_PropertyList_By_Name("MYRRIN");
    ASSERT_NE(ervik, nullptr);
    ASSERT_NE(myrrin, nullptr);
    EXPECT_STREQ(ervik->name, "ervik");
    EXPECT_STREQ(myrrin->name, "myrrin");
    bool ervik_first = false;
    for (PropertyList *p = Quarn_PropertyList_List; p && p != myrrin; p = p->next)
        ervik_first |= p == ervik;
    EXPECT_TRUE(ervik_first);
    EXPECT_GE(BaseObject__Get_By_Name("myrrin"), 0);
    EXPECT_GE(BaseObject__Get_By_Name("ervik"), 0);
}

TEST_F(DefaultConfigurations, EachHasItsIdentityErvikDefaultsAndIsImmutable)
{
    for (const char *name : {"myrrin", "ervik"}) {
        PropertyList *list = Find_PropertyList_By_Name(name);
        ASSERT_NE(list, nullptr) << name;
        ConfigEntry *machine = PropertyList__FindEntry(list, "machine_type");
        ASSERT_NE(machine, nullptr);
        EXPECT_STREQ(machine->value, "myrrin");
        EXPECT_EQ(machine->visible, 1);
        EXPECT_STREQ(machine->description, "type of machine: KOPRA, GAVOT, ...");
        ConfigEntry *type = PropertyList__FindEntry(list, "processor/type");
        ASSERT_NE(type, nullptr);
        EXPECT_STREQ(type->value, "Ervik");
        EXPECT_EQ(type->visible, 1);
        EXPECT_STREQ(type->description, "type of cpu: ppctamrin, tarvis, ...");

        EXPECT_STREQ(PropertyList__GetString(list, "processor/number_of_threads"), "8") << name;
        EXPECT_STREQ(PropertyList__GetString(list, "processor/initial/PVR"), "0x004B0100") << name;
        EXPECT_STREQ(PropertyList__GetString(list, "processor/initial/SIM_CTRL1"), "0x4600000000000000");
        EXPECT_EQ(PropertyList__FindEntry(list, "processor/number_of_threads")->visible, 0);

        EXPECT_EQ(list->is_mutable, 0);
        EXPECT_EQ(PropertyList__UpdatePropertyValue(list, "machine_type", "other", nullptr, 1), nullptr);
        EXPECT_STREQ(PropertyList__GetString(list, "machine_type"), "myrrin");
    }
}

TEST_F(DefaultConfigurations, MachineNameResolution)
{
    EXPECT_STREQ(Resolve_Machine_Configuration("ERVIK"), "ERVIK");
    EXPECT_STREQ(Resolve_Machine_Configuration("myrrin"), "myrrin");
    EXPECT_STREQ(Resolve_Machine_Configuration("nosuch"), "MYRRIN");
    EXPECT_STREQ(Resolve_Machine_Configuration(nullptr), "MYRRIN");
}

} // namespace

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <tcl.h>
#include <vector>

#include "runtime/common.h"
#include "runtime/object_registry.h"
#include "runtime/property_list.h"

namespace
{

TEST(Parsers, IntegerAcceptsBasesBlanksAndUllSuffix)
{
    const struct {
        const char *text;
        uint64_t value;
    } good[] = {{"0x10", 16},  {"16", 16},    {"020", 16},    {"12  ", 12},       {"12\t ", 12},
                {"12ull", 12}, {"12ULL", 12}, {"12 ull", 12}, {"-1", ULLONG_MAX}, {"0X1f", 31}};
    for (const auto &c : good) {
        int ok = -1;
        EXPECT_EQ(STRING2INT_rc(c.text, &ok), c.value) << c.text;
        EXPECT_EQ(ok, 1) << c.text;
    }
    const char *bad[] = {"12uLL", "12 x", "12ull ", "12u", "abc", "1.5", "99999999999999999999"};
    for (const char *text : bad) {
        int ok = -1;
        EXPECT_EQ(STRING2INT_rc(text, &ok), 0u) << text;
        EXPECT_EQ(ok, 0) << text;
        EXPECT_EQ(STRING2INT_rc_silent(text, &ok), 0u) << text;
        EXPECT_EQ(ok, 0) << text;
    }
}

TEST(Parsers, PhysicalAddressMustFillTheText)
{
    int ok = 0;
    EXPECT_EQ(STRING2PA_rc("0x0003FFFF80000000", &ok), 0x0003FFFF80000000ULL);
    EXPECT_EQ(ok, 1);
    for (const char *text : {"0x1000 ", "12ull", "0x", " 1x"}) {
        ok = -1;
        EXPECT_EQ(STRING2PA_rc(text, &ok), 0u) << "[" << text << "]";
        EXPECT_EQ(ok, 0) << "[" << text << "]";
    }
}

TEST(Parsers, ScaledIntegerMultipliesPerLetterAndRefusesOverflow)
{
    const struct {
        const char *text;
        uint64_t base, value;
    } good[] = {{"4k", 1024, 4096},     {"2M", 1024, 2097152},       {"0x10k", 1024, 16384},
                {"1kk", 1000, 1000000}, {"3G", 1000, 3000000000ULL}, {"16p", 1024, 1ULL << 54},
                {"512", 1024, 512}};
    for (const auto &c : good) {
        int ok = -1;
        EXPECT_EQ(STRING2SCALED_INT_rc(c.text, &ok, c.base), c.value) << c.text;
        EXPECT_EQ(ok, 1) << c.text;
    }
    const char *bad[] = {"1 k", "1x", "4k ", "16384p", "1pp", "3.2G"};
    for (const char *text : bad) {
        int ok = -1;
        EXPECT_EQ(STRING2SCALED_INT_rc(text, &ok, 1024), 0u) << text;
        EXPECT_EQ(ok, 0) << text;
    }
}

TEST(Parsers, BooleanFollowsTheInterpreter)
{
    Tcl_Interp *interp = Tcl_CreateInterp();
    Tcl_Interp *saved = quarn_common.interpreter;
    quarn_common.interpreter = interp;
    const struct {
        const char *text;
        int value, ok;
    } cases[] = {{"yes", 1, 1}, {"OFF", 0, 1}, {"1", 1, 1}, {"false", 0, 1}, {"tr", 1, 1}, {"maybe", 0, 0}};
    for (const auto &c : cases) {
        int ok = -1;
        EXPECT_EQ(STRING2BOOLEAN_rc(c.text, &ok), c.value) << c.text;
        EXPECT_EQ(ok, c.ok) << c.text;
    }
    // Before the interpreter exists the same words are understood.
    quarn_common.interpreter = nullptr;
    int ok = -1;
    EXPECT_EQ(STRING2BOOLEAN_rc("on", &ok), 1);
    EXPECT_EQ(ok, 1);
    EXPECT_EQ(STRING2BOOLEAN_rc("maybe", &ok), 0);
    EXPECT_EQ(ok, 0);
    quarn_common.interpreter = saved;
    Tcl_DeleteInterp(interp);
}

std::vector<std::string> keys(PropertyList *list)
{
    std::vector<std::string> out;
    for (ConfigEntry *e = list->entries; e; e = e->next)
        out.push_back(e->key);
    return out;
}

TEST(PropertyLists, KeysSortCaseInsensitivelyAndLookUpInAnyCase)
{
    PropertyList *list = PropertyList__New("sort-test");
    PropertyList__UpdatePropertyValue(list, "a/B", "1", nullptr, 1);
    PropertyList__UpdatePropertyValue(list, "a/a", "2", nullptr, 1);
    PropertyList__UpdatePropertyValue(list, "A/c", "3", nullptr, 1);
    EXPECT_EQ(keys(list), (std::vector<std::string>{"a/a", "a/B", "A/c"}));

    ConfigEntry *entry = PropertyList__FindEntry(list, "A/b");
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->used, 0);
    EXPECT_STREQ(PropertyList__GetString(list, "a/b"), "1");
    EXPECT_EQ(entry->used, 1);
    EXPECT_EQ(PropertyList__GetString(list, "a/d"), nullptr);
    EXPECT_EQ(PropertyList__GetString(nullptr, "a/a"), nullptr);

    // Without creation an unknown key is refused.
    EXPECT_EQ(PropertyList__UpdatePropertyValue(list, "a/z", "x", nullptr, 0), nullptr);
    EXPECT_EQ(PropertyList__GetString(list, "a/z"), nullptr);
    PropertyList__Delete(list);
}

TEST(PropertyLists, DefaultsAreHiddenUntilUpdatedAndKeepTheirFirstDescription)
{
    PropertyList *list = PropertyList__New("defaults-test");
    ConfigEntry *e = PropertyList__AddDefaultString(list, "turbo", "maximum", "100000", "first description");
    ASSERT_NE(e, nullptr);
    EXPECT_STREQ(e->key, "turbo/maximum");
    EXPECT_EQ(e->visible, 0);

    EXPECT_EQ(PropertyList__AddDefaultString(list, "turbo", "minimum", nullptr, "no value"), nullptr);
    EXPECT_EQ(PropertyList__FindEntry(list, "turbo/minimum"), nullptr);

    EXPECT_EQ(PropertyList__AddDefaultString(list, "turbo", "maximum", "5", "second description"), e);
    EXPECT_EQ(PropertyList__UpdatePropertyValue(list, "TURBO/Maximum", "7", "third", 1), e);
    EXPECT_EQ(e->visible, 1);
    EXPECT_STREQ(e->value, "7");
    EXPECT_STREQ(e->description, "first description");

    e = PropertyList__AddDefaultString_Public(list, "", "plain", "v", nullptr);
    EXPECT_STREQ(e->key, "plain");
    EXPECT_EQ(e->visible, 1);
    EXPECT_EQ(Add_Hidden_Default_Value(list, nullptr, "plain", "w", nullptr)->visible, 0);
    EXPECT_EQ(Add_Visible_Default_Value(list, nullptr, "plain", "w", nullptr)->visible, 1);

    EXPECT_STREQ(PropertyList__AddDefaultBoolean(list, "b", "flag", 1, nullptr)->value, "TRUE");
    EXPECT_STREQ(PropertyList__AddDefaultBoolean(list, "b", "off", 0, nullptr)->value, "FALSE");
    EXPECT_STREQ(PropertyList__UpdateValue_Boolean(list, "b", "flag", 1)->value, "true");
    EXPECT_EQ(PropertyList__UpdateValue_Boolean(list, "b", "missing", 1), nullptr);
    EXPECT_STREQ(PropertyList__AddDefaultInt(list, "i", "n", 255, nullptr)->value, "0x00000000000000FF");
    EXPECT_STREQ(PropertyList__UpdateValue_PA(list, "i", "n", 0x1000)->value, "0x0000000000001000");

    PropertyList__Set_Hidden_Value(list, "b", "flag");
    EXPECT_EQ(PropertyList__FindEntry(list, "b/flag")->visible, 0);
    PropertyList__Show_In_Public_Release(list, "b", "flag");
    EXPECT_EQ(PropertyList__FindEntry(list, "b/flag")->visible, 1);
    PropertyList__Hide_In_Public_Release(list, "b", "flag");
    EXPECT_EQ(PropertyList__FindEntry(list, "b/flag")->visible, 0);
    PropertyList__Delete(list);
}

TEST(PropertyLists, ImmutableListsRefuseEveryChange)
{
    PropertyList *list = PropertyList__New("immutable-test");
    PropertyList__UpdatePropertyValue(list, "k", "old", nullptr, 1);
    PropertyList__Set_Immutable(list);
    PropertyList__Set_Immutable(nullptr);
    EXPECT_EQ(PropertyList__UpdatePropertyValue(list, "k", "new", nullptr, 1), nullptr);
    EXPECT_EQ(PropertyList__UpdatePropertyValue(list, "k2", "new", nullptr, 1), nullptr);
    EXPECT_EQ(PropertyList__AddDefaultString(list, nullptr, "k", "new", nullptr), nullptr);
    PropertyList__DeleteValue(list, "k");
    EXPECT_STREQ(PropertyList__GetString(list, "k"), "old");
    EXPECT_EQ(keys(list).size(), 1u);

    // Quitting an immutable list keeps it.
    Quit_Property_List(list);
    EXPECT_EQ(Find_PropertyList_By_Name("immutable-test"), list);
    PropertyList__Delete(list);
}

TEST(PropertyLists, HiddenMatchHidesASectionOptionallyByPart)
{
    PropertyList *list = PropertyList__New("match-test");
    for (const char *k : {"core/a", "core/b_x", "Core/x/b", "corex/a", "core", "mu/q"})
        PropertyList__UpdatePropertyValue(list, k, "1", nullptr, 1);
    PropertyList__Set_Hidden_Value_Match(list, "CORE", "X");
    auto visible = [&](const char *k) { return PropertyList__FindEntry(list, k)->visible; };
    EXPECT_EQ(visible("core/a"), 1);
    EXPECT_EQ(visible("core/b_x"), 0);
    EXPECT_EQ(visible("Core/x/b"), 0);
    EXPECT_EQ(visible("corex/a"), 1);
    PropertyList__Set_Hidden_Value_Match(list, "core", nullptr);
    EXPECT_EQ(visible("core/a"), 0);
    EXPECT_EQ(visible("corex/a"), 1);
    EXPECT_EQ(visible("core"), 1);
    EXPECT_EQ(visible("mu/q"), 1);
    PropertyList__Set_Hidden_Value_Match(list, "", nullptr); // an empty section hides nothing
    EXPECT_EQ(visible("mu/q"), 1);
    PropertyList__Delete(list);
}

TEST(PropertyLists, DeleteValueAndFindRoot)
{
    PropertyList *list = PropertyList__New("delete-test");
    PropertyList__DeleteValue(list, "nothing"); // empty list: nothing happens
    for (const char *k : {"a/b", "a/c/d", "b/x"})
        PropertyList__UpdatePropertyValue(list, k, "1", nullptr, 1);
    EXPECT_STREQ(PropertyList__FindRoot(list, "A")->key, "a/b");
    EXPECT_STREQ(PropertyList__FindRoot(list, "a/c")->key, "a/c/d");
    EXPECT_EQ(PropertyList__FindRoot(list, "c"), nullptr);
    PropertyList__DeleteValue(list, "A/B");
    PropertyList__DeleteValue(list, "zzz");
    EXPECT_EQ(keys(list), (std::vector<std::string>{"a/c/d", "b/x"}));
    PropertyList__Delete(list);
}

TEST(PropertyLists, GlobalListInNameOrderWithRegistryEntries)
{
    PropertyList *z = PropertyList__New("zz-order");
    PropertyList *a = PropertyList__New("AA-order");
    PropertyList *m = PropertyList__New("mm-order");
    std::vector<PropertyList *> mine;
    for (PropertyList *p = Quarn_PropertyList_List; p; p = p->next)
        if (p == a || p == m || p == z) mine.push_back(p);
    EXPECT_EQ(mine, (std::vector<PropertyList *>{a, m, z}));
    EXPECT_EQ(Find_PropertyList_By_Name("MM-ORDER"), m);
    EXPECT_EQ(Find_PropertyList_By_Name("nope-order"), nullptr);

    int32_t id = BaseObject__Get_By_Name("mm-order");
    ASSERT_GE(id, 0);
    EXPECT_EQ(BaseObject__GetType(id), 1);
    EXPECT_EQ(BaseObject__GetObj(id), m);

    PropertyList__Delete(m);
    EXPECT_EQ(Find_PropertyList_By_Name("mm-order"), nullptr);
    EXPECT_EQ(BaseObject__Get_By_Name("mm-order"), -1);
    PropertyList__Delete(a);
    PropertyList__Delete(z);
}

TEST(PropertyLists, DeletingOneOfTwoSameNamedListsKeepsTheOthersRegistryEntry)
{
    PropertyList *first = PropertyList__New("twin-test");
    PropertyList *second = PropertyList__New("twin-test");
    PropertyList__Delete(second);
    int32_t id = BaseObject__Get_By_Name("twin-test");
    ASSERT_GE(id, 0);
    EXPECT_EQ(BaseObject__GetObj(id), first);
    EXPECT_EQ(Find_PropertyList_By_Name("twin-test"), first);
    PropertyList__Delete(first);
    EXPECT_EQ(BaseObject__Get_By_Name("twin-test"), -1);
}

int noop_command(ClientData, Tcl_Interp *, int, const char **)
{
    return TCL_OK;
}

TEST(PropertyLists, QuittingAMutableListDeletesItsTclCommand)
{
    Tcl_Interp *interp = Tcl_CreateInterp();
    Tcl_Interp *saved = quarn_common.interpreter;
    quarn_common.interpreter = interp;
    PropertyList *list = PropertyList__New("quit-test");
    Tcl_CreateCommand(interp, "quit-test", noop_command, nullptr, nullptr);
    Tcl_CmdInfo info;
    ASSERT_EQ(Tcl_GetCommandInfo(interp, "quit-test", &info), 1);
    Quit_Property_List(list);
    EXPECT_EQ(Tcl_GetCommandInfo(interp, "quit-test", &info), 0);
    EXPECT_EQ(Find_PropertyList_By_Name("quit-test"), nullptr);
    quarn_common.interpreter = saved;
    Tcl_DeleteInterp(interp);
}

} // namespace

// Property lookup by path and property files: candidate order, typed conversions, the search
// along MDF_PATH, the line syntax, the 256-pair limit and the applied print.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "runtime/alloc.h"
#include "runtime/property_list.h"
#include "runtime/property_path.h"
#include "runtime/stop.h"
#include "support/sink_capture.h"

namespace
{

// A property list deleted at the end of the test.
struct TestList {
    explicit TestList(const char *name) : list(PropertyList__New(name)) {}
    ~TestList() { PropertyList__Delete(list); }
    void set(const char *key, const char *value)
    {
        PropertyList__UpdatePropertyValue(list, key, value, nullptr, 1);
    }
    PropertyList *list;
};

std::string cwd()
{
    char buffer[4096];
    return getcwd(buffer, sizeof buffer) ? buffer : ".";
}

void write_file(const std::string &path, const std::string &text)
{
    std::ofstream(path) << text;
}

// Sets MDF_PATH for the lifetime of the object.
struct MdfPath {
    explicit MdfPath(const std::string &value) { setenv("MDF_PATH", value.c_str(), 1); }
    ~MdfPath() { unsetenv("MDF_PATH"); }
};

// Reads a file into a fresh pair set; the texts are released with it.
struct Pairs {
    explicit Pairs(const std::string &path) { Add_Name_Value_Pairs_From_File(path.c_str(), set); }
    ~Pairs()
    {
        for (int i = 0; i < set->count; i++) {
            FORGET_STRING(set->names[i]);
            FORGET_STRING(set->values[i]);
        }
        FORGET_STRING(set->description);
        QUARN_FREE(set);
    }
    std::vector<std::pair<std::string, std::string>> all() const
    {
        std::vector<std::pair<std::string, std::string>> result;
        for (int i = 0; i < set->count; i++)
            result.push_back({set->names[i], set->values[i]});
        return result;
    }
    name_value_pairs *set = QUARN_ZALLOC(1, name_value_pairs);
};

TEST(PropertyPath, CandidatesGoFromTheMostSpecificKeyToTheShortestBase)
{
    // Each candidate in turn is the only key present; the matched key comes back in out.
    const char *candidates[] = {"a/b/c/q/r/n", "a/b/c/q/n", "a/b/c/n", "a/b/q/r/n", "a/b/q/n",
                                "a/b/n",       "a/q/r/n",   "a/q/n",   "a/n"};
    for (const char *key : candidates) {
        SCOPED_TRACE(key);
        TestList t("pp_candidates");
        t.set(key, "v");
        char out[64] = "junk";
        EXPECT_STREQ(Find_Property_Value(t.list, "a/b/c", "q/r", '/', "n", out, sizeof out), "v");
        EXPECT_STREQ(out, key);
    }
    // Of two candidates the earlier wins; the bare name is never tried with a base.
    TestList t("pp_order");
    t.set("a/b/n", "later");
    t.set("a/b/c/q/n", "earlier");
    t.set("n", "bare");
    EXPECT_STREQ(Find_Property_Value(t.list, "a/b/c", "q/r", '/', "n", nullptr, 0), "earlier");
    char out[64] = "junk";
    EXPECT_EQ(Find_Property_Value(t.list, "x/y", "q/r", '/', "n", out, sizeof out), nullptr);
    EXPECT_STREQ(out, "");
    // Without a base: Q/name, P/name, then the name alone.
    EXPECT_STREQ(Find_Property_Value(t.list, nullptr, nullptr, '/', "n", out, sizeof out), "bare");
    EXPECT_STREQ(out, "n");
    t.set("q/n", "parent");
    EXPECT_STREQ(Find_Property_Value(t.list, nullptr, "q/r", '/', "n", out, sizeof out), "parent");
    // A short key buffer gets a terminated prefix of the key.
    char small[4];
    EXPECT_STREQ(Find_Property_Value(t.list, nullptr, "q/r", '/', "n", small, sizeof small), "parent");
    EXPECT_STREQ(small, "q/n");
    EXPECT_STREQ(Find_Property_Value(t.list, "a/b/c", nullptr, '/', "n", small, 3), "later");
    EXPECT_STREQ(small, "a/");
}

TEST(PropertyPath, TypedLookupsConvertOrLeaveTheResultAsSpecified)
{
    TestList t("pp_typed");
    t.set("big", "0x100000001");
    t.set("bad", "abc");
    t.set("neg", "0xFFFFFFFF");

    uint32_t u32 = 7;
    EXPECT_EQ(Find_Property_UINT32(t.list, nullptr, nullptr, '/', "big", &u32), 1);
    EXPECT_EQ(u32, 1u);
    u32 = 7;
    EXPECT_EQ(Find_Property_UINT32(t.list, nullptr, nullptr, '/', "bad", &u32), 0);
    EXPECT_EQ(u32, 7u);
    EXPECT_EQ(Find_Property_UINT32(t.list, nullptr, nullptr, '/', "none", &u32), 0);
    EXPECT_EQ(u32, 0u);

    int32_t i32 = 7;
    EXPECT_EQ(Find_Property_int(t.list, nullptr, nullptr, '/', "bad", &i32), 0);
    EXPECT_EQ(i32, 7);
    EXPECT_EQ(Find_Property_int(t.list, nullptr, nullptr, '/', "neg", &i32), 1);
    EXPECT_EQ(i32, -1);
    EXPECT_EQ(Find_Property_int(t.list, nullptr, nullptr, '/', "none", &i32), 0);
    EXPECT_EQ(i32, 0);

    using U64Lookup = int (*)(PropertyList *, const char *, const char *, char, const char *, uint64_t *);
    for (U64Lookup lookup :
         {Find_Property_UINT64, Find_Property_PA, Find_Property_FieldVal, Find_Property_RegValue}) {
        uint64_t u64 = 7;
        EXPECT_EQ(lookup(t.list, nullptr, nullptr, '/', "big", &u64), 1);
        EXPECT_EQ(u64, 0x100000001u);
        u64 = 7;
        EXPECT_EQ(lookup(t.list, nullptr, nullptr, '/', "bad", &u64), 0);
        EXPECT_EQ(u64, 0u);
        u64 = 7;
        EXPECT_EQ(lookup(t.list, nullptr, nullptr, '/', "none", &u64), 0);
        EXPECT_EQ(u64, 0u);
    }
}

TEST(PropertyPath, ConstructPathJoinsThePartsWithSlashes)
{
    char *one = Config_Construct_Path("a", nullptr);
    char *three = Config_Construct_Path("a", "b", "c", nullptr);
    EXPECT_STREQ(one, "a");
    EXPECT_STREQ(three, "a/b/c");
    QUARN_FREE(one);
    QUARN_FREE(three);
}

TEST(PropertyFiles, SearchTakesTheFirstReadableFileAlongMdfPath)
{
    std::string base = cwd();
    std::filesystem::create_directories(base + "/x");
    std::filesystem::create_directories(base + "/y");
    write_file(base + "/y/m.mdf", "a 1\n");
    {
        MdfPath path("::" + base + "/x::" + base + "/y:");
        EXPECT_EQ(std::string(Find_MDF_File("m")), base + "/y/m.mdf");
        EXPECT_STREQ(getenv("MDF_PATH"), ("::" + base + "/x::" + base + "/y:").c_str());
        EXPECT_STREQ(Find_MDF_File("other"), "other.mdf");
    }
    EXPECT_STREQ(Find_MDF_File("m"), "m.mdf"); // no variable
    MdfPath empty("");
    EXPECT_STREQ(Find_MDF_File("m"), "m.mdf");
}

TEST(PropertyFiles, LinesGiveNamesAndValues)
{
    write_file("sample.mdf", "a 1\n"
                             "b=2\n"
                             "c : 3 4 # note\n"
                             "# only a comment\n"
                             "\n"
                             "d\n"
                             "-x 5\n"
                             "cpu.freq 5\n"
                             "tab\tvalue\twith  inner\r\n"
                             "  lead/key := last"); // no newline at the end
    Pairs pairs("sample.mdf");
    EXPECT_STREQ(pairs.set->description, "sample.mdf");
    std::vector<std::pair<std::string, std::string>> expected = {
        {"a", "1"},          {"b", "2"},        {"c", "3 4"},
        {"", "x 5"},         {"cpu", "freq 5"}, {"tab", "value with  inner"},
        {"lead/key", "last"}};
    EXPECT_EQ(pairs.all(), expected);

    Pairs missing("no_such_file.mdf");
    EXPECT_EQ(missing.set->count, 0);
    EXPECT_STREQ(missing.set->description, "Unable to find no_such_file.mdf");
}

TEST(PropertyFiles, LongLinesKeepTheirFirst1023Characters)
{
    std::string value(1500, 'v');
    write_file("long.mdf", "k " + value + "\nnext 1\n");
    Pairs pairs("long.mdf");
    ASSERT_EQ(pairs.set->count, 2);
    EXPECT_EQ(std::string(pairs.set->values[0]), value.substr(0, 1021)); // "k " and 1021 more
    EXPECT_STREQ(pairs.set->names[1], "next");
}

TEST(PropertyFiles, The256thPairStopsReadingWithAFatalError)
{
    std::string text;
    for (int i = 0; i < 300; i++)
        text += "p" + std::to_string(i) + " " + std::to_string(i) + "\n";
    write_file("many.mdf", text);
    SinkCapture sink;
    {
        Pairs pairs("many.mdf");
        EXPECT_EQ(pairs.set->count, 256);
        EXPECT_STREQ(pairs.set->names[255], "p255");
    }
    EXPECT_EQ(sink.text(), "FATAL ERROR: Too many name/value pairs in file many.mdf, filename\n");
    EXPECT_NE(stop_simulation, 0u);
    Start_The_Simulation();
}

TEST(PropertyFiles, FindAndApplySetsEveryPairAndPrintsIt)
{
    std::string base = cwd();
    write_file(base + "/apply.mdf", "core/count 4\nmode = fast\n");
    MdfPath path(base);
    TestList t("pp_apply");
    t.set("mode", "slow");
    {
        SinkCapture sink;
        Find_MDF_and_Apply("apply", t.list);
        EXPECT_EQ(sink.text(), "Additional properties from file: " + base +
                                   "/apply.mdf\n    core/count = 4\n    mode = fast\n");
    }
    EXPECT_STREQ(PropertyList__GetString(t.list, "core/count"), "4");
    EXPECT_STREQ(PropertyList__GetString(t.list, "mode"), "fast");
    ConfigEntry *entry = PropertyList__FindEntry(t.list, "core/count");
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->visible, 1);
    EXPECT_EQ(std::string(entry->description), base + "/apply.mdf");

    // An immutable list keeps its values but the lines are printed all the same.
    PropertyList__Set_Immutable(t.list);
    write_file(base + "/apply.mdf", "mode slow\n");
    {
        SinkCapture sink;
        Find_MDF_and_Apply("apply", t.list);
        EXPECT_EQ(sink.text(), "Additional properties from file: " + base + "/apply.mdf\n    mode = slow\n");
    }
    EXPECT_STREQ(PropertyList__GetString(t.list, "mode"), "fast");

    SinkCapture sink;
    Find_MDF_and_Apply("absent", t.list);
    EXPECT_EQ(sink.text(), "No additional properties found (file: absent.mdf)\n");
}

} // namespace

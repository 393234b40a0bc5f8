// The device-tree model and the memory claim list.
#include <string>
#include <vector>

#include "guest/claim_list.h"
#include "guest/device_tree.h"
#include "guestsvc/guest_call.h"
#include "support/sink_capture.h"

namespace
{

// A tree with only its root, of a machine that exists for the claim list.
struct Tree {
    Tree()
    {
        tree.built = 1;
        OF_AddNode(&tree, "/", NONE, 0, nullptr);
    }
    ~Tree()
    {
        while (OF_DeviceTreeNode *entry = tree.first) {
            tree.first = entry->next;
            of_free_device_node(entry);
        }
    }
    std::vector<std::string> children(const char *path)
    {
        std::vector<std::string> names;
        OF_DeviceTreeNode *node = of_find_device(&tree, path);
        for (OF_DeviceTreeNode *c = node ? node->first_child : nullptr; c; c = c->sibling)
            names.push_back(c->full_name);
        return names;
    }
    OF_DeviceTree tree{};
};

TEST(DeviceTree, ChildrenSortByNameWithNumericUnitAddresses)
{
    Tree t;
    OF_AddNode(&t.tree, "/cpus", NONE, 0, nullptr);
    for (const char *path : {"/cpus/PowerPC@10", "/cpus/PowerPC@2", "/cpus/PowerPC@8"})
        OF_AddNode(&t.tree, path, NONE, 0, nullptr);
    OF_AddNode_Property(&t.tree, "/cpus", "name", STR, 0, "cpus");
    EXPECT_EQ(t.children("/cpus"), (std::vector<std::string>{"/cpus/PowerPC@2", "/cpus/PowerPC@8",
                                                             "/cpus/PowerPC@10", "/cpus/name"}));
    struct Case {
        const char *a, *b;
        int sign;
    } cases[] = {
        {"/a@2", "/a@10", -1}, {"/a@10", "/a@a", 1}, {"/a@1/x", "/a@1/y", -1}, {"/ab", "/a", 1},
        {"/a", "/ab", -1},     {"/a@1", "/a", 1},    {"/a@1", "/a@01", 0},
    };
    for (const Case &c : cases) {
        int order = OF_Compare_Names(c.a, c.b);
        EXPECT_EQ((order > 0) - (order < 0), c.sign) << c.a << " " << c.b;
    }
}

TEST(DeviceTree, ReAddingReplacesTheEntryWithANewHandle)
{
    Tree t;
    OF_DeviceTreeNode *first = OF_AddNode(&t.tree, "/a", NONE, 0, nullptr);
    OF_AddNode(&t.tree, "/b", NONE, 0, nullptr);
    OF_AddNode_Property(&t.tree, "/a", "p", INT, 5, nullptr);
    int32_t old_handle = first->handle;
    OF_DeviceTreeNode *second = OF_AddNode(&t.tree, "/a", NONE, 0, nullptr);
    EXPECT_EQ(t.children("/"), (std::vector<std::string>{"/a", "/b"}));
    EXPECT_GT(second->handle, old_handle);
    EXPECT_EQ(of_handle_to_device_node(&t.tree, old_handle), nullptr);
    OF_DeviceTreeNode *p = of_find_property(second, "p");
    ASSERT_NE(p, nullptr); // the children move to the new entry
    EXPECT_EQ(p->parent, second);
}

TEST(DeviceTree, PathLimitsAndRefusals)
{
    Tree t;
    std::string long_path = "/" + std::string(120, 'x');
    OF_DeviceTreeNode *entry = OF_AddNode(&t.tree, long_path.c_str(), NONE, 0, nullptr);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(strlen(entry->full_name), 99u);

    std::string path95 = "/" + std::string(94, 'n');
    OF_DeviceTreeNode *node = OF_AddNode(&t.tree, path95.c_str(), NONE, 0, nullptr);
    EXPECT_EQ(of_add_int_property(node, "abcd", 1), nullptr);
    EXPECT_NE(of_add_int_property(node, "ab", 1), nullptr);
    EXPECT_EQ(of_add_child(node, "cc", "1"), nullptr); // 95 + 2 + 1 + 3 passes 100
    EXPECT_NE(of_add_child(node, "c", "1"), nullptr);

    // A name with a separator has no parent: an error, never the end of the program.
    SinkCapture sink;
    EXPECT_EQ(OF_AddNode(&t.tree, "/nosuch/x", INT, 1, nullptr), nullptr);
    EXPECT_NE(sink.text().find("OF_AddNode: Didn't find parent for /nosuch/x"), std::string::npos);
    Start_The_Simulation();
}

// Collects the command view of a value.
struct TextSink {
    OF_PropertySink base;
    std::vector<std::string> values;
};
void put_string(void *s, const char *text)
{
    static_cast<TextSink *>(s)->values.push_back(std::string("s:") + text);
}
void put_bytes(void *s, const uint8_t *bytes, int32_t length)
{
    std::string text = "b:";
    for (int32_t i = 0; i < length; i++)
        text += std::to_string(bytes[i]) + ",";
    static_cast<TextSink *>(s)->values.push_back(text);
}
void put_cell(void *s, uint32_t value)
{
    static_cast<TextSink *>(s)->values.push_back("c:" + std::to_string(value));
}
void put_u64(void *s, uint64_t value)
{
    static_cast<TextSink *>(s)->values.push_back("d:" + std::to_string(value));
}
const OF_PropertySinkOps text_ops = {put_string, put_bytes, put_cell, put_u64};

TEST(DeviceTree, CommandViewLengthsAndValues)
{
    Tree t;
    uint32_t cells[] = {1, 2};
    uint64_t words[] = {7};
    uint8_t bytes[] = {9, 8, 7};
    struct Case {
        OF_DeviceTreeNode *property;
        int32_t length;
        std::vector<std::string> values;
    } cases[] = {
        {OF_AddNode_Property(&t.tree, "/", "s", STR, 0, "okay"), 5, {"s:okay"}},
        {OF_AddNode_Property(&t.tree, "/", "a", ADDR, 0x1234567890ull, nullptr), 4, {"c:878082192"}},
        {OF_AddNode_Property_Array(&t.tree, "/", "c", ARRAY, 0, cells, 2), 8, {"c:1", "c:2"}},
        {OF_AddNode_Property_Array(&t.tree, "/", "w", ARRAY_UINT64, 0, words, 1), 8, {"d:7"}},
        {OF_AddNode_Property_Byte_Array(&t.tree, "/", "b", bytes, 3), 3, {"b:9,8,7,"}},
        {OF_AddNode_Property(&t.tree, "/", "e", EMPTY, 0, nullptr), 0, {"b:"}},
        {OF_AddNode_Property(&t.tree, "/", "m", ENUM, MEMORY_AVAILABLE_MAP, nullptr),
         26,
         {"s:computed-memory-available"}},
        {OF_AddNode_Property(&t.tree, "/", "r", ENUM, PCI_BUS_RANGE, nullptr), 8, {"c:0", "c:15"}},
    };
    for (Case &c : cases) {
        ASSERT_NE(c.property, nullptr);
        SCOPED_TRACE(c.property->full_name);
        TextSink sink{{&text_ops}, {}};
        EXPECT_EQ(of_get_property_length(c.property, nullptr), c.length);
        of_get_property_value(c.property, &sink.base);
        EXPECT_EQ(sink.values, c.values);
    }
    EXPECT_EQ(OF_ENUM_name2id("MEMORY_MAP"), 5);
    EXPECT_EQ(OF_ENUM_id2name(9), nullptr);
}

TEST(DeviceTree, ClearAndPrint)
{
    Tree t;
    uint32_t one[] = {0x11};
    OF_AddNode(&t.tree, "/x", NONE, 0, nullptr);
    OF_AddNode_Property_Array(&t.tree, "/x", "one", ARRAY, 0, one, 1);
    OF_AddNode_Property_Array(&t.tree, "/x", "none", ARRAY_UINT64, 0, nullptr, 0);
    SinkCapture sink;
    OF_Print_Device_Tree(&t.tree);
    std::string text = sink.text();
    EXPECT_EQ(text.find("4 nodes\n  name: /\n"), 0u);
    // Arrays of fewer than two elements show only what they hold.
    EXPECT_NE(text.find("    type: ARRAY\n    size: 1\n    value(s): 0x00000011, ...\n"), std::string::npos);
    EXPECT_NE(text.find("    type: ARRAY_UINT64\n    size: 0\n    value(s): ...\n"), std::string::npos);
    of_clear_device_tree(&t.tree);
    EXPECT_EQ(t.tree.count, 1);
    ASSERT_NE(t.tree.root, nullptr);
    EXPECT_EQ(t.tree.root->handle, 1);
    EXPECT_EQ(t.tree.first, t.tree.root);
}

// ---- claim list ----

struct Region {
    uint64_t start, size;
    bool operator==(const Region &o) const { return start == o.start && size == o.size; }
};
std::ostream &operator<<(std::ostream &out, const Region &r)
{
    return out << std::hex << "[0x" << r.start << " +0x" << r.size << "]";
}
std::vector<Region> regions(GenericMachine *machine, MCM *chip)
{
    of_sort_region_list(chip);
    std::vector<Region> list;
    for (of_unclaimed_region *r = of_region_list(machine); r; r = r->next)
        list.push_back({r->start, r->size});
    return list;
}

TEST(ClaimList, ClaimsReleasesAndRefusals)
{
    GuestCall g;
    ASSERT_TRUE(g.ok());
    GenericMachine *machine = g.m.machine;
    MCM *chip = machine->mcms[0];
    of_free_region_list(machine);
    EXPECT_EQ(of_add_available_region(chip, 0, 0x10000000), 0);
    EXPECT_EQ(of_add_available_region(chip, 0x1000, 0x10), -1); // inside a region
    EXPECT_EQ(of_claim_region(chip, 0, 0x100000), 1);
    EXPECT_EQ(of_claim_region(chip, 0x200000, 0x100000), 1);
    EXPECT_EQ(regions(machine, chip), (std::vector<Region>{{0x100000, 0x100000}, {0x300000, 0xFD00000}}));
    EXPECT_EQ(of_claim_region(chip, 0x0FF00000, 0x100000), 1); // the tail
    EXPECT_EQ(of_claim_region(chip, 0x180000, 0x100000), 0);   // spans two regions
    EXPECT_EQ(of_claim_region(chip, 0x80000, 0x180000), 0);    // ends where a region ends, starts below it
    EXPECT_EQ(of_claim_region(chip, 0x300000, 0), 1);          // size 0 at a region's start
    EXPECT_EQ(regions(machine, chip), (std::vector<Region>{{0x100000, 0x100000}, {0x300000, 0xFC00000}}));
    EXPECT_EQ(of_release_region(chip, 0x200000, 0x100000), 0);
    EXPECT_EQ(regions(machine, chip), (std::vector<Region>{{0x100000, 0xFE00000}}));
    of_free_region_list(machine);
}

} // namespace

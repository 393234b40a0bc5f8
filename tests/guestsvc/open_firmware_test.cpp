// The Open Firmware client interface (code 99) on a machine's default device tree, and the
// construction of that tree.
#include <string>
#include <vector>

#include "guest/claim_list.h"
#include "guest/device_tree.h"
#include "guest/device_tree_build.h"
#include "guestsvc/guest_call.h"
#include "support/sink_capture.h"

namespace
{

constexpr uint64_t BLOCK = 0x9000;
constexpr uint64_t NAME = 0x8000;
constexpr uint64_t STRINGS = 0x8100;
constexpr uint64_t BUFFER = 0xA000;

// Client-interface calls on a built machine: strings go to fixed places, cells to the block.
class Client
{
  public:
    explicit Client(const BuiltMachine::Configure &configure = {}) : g(configure) {}

    // Places a string argument and gives its address.
    uint32_t text(const char *value)
    {
        uint64_t address = STRINGS + 0x100 * (uint64_t)strings++;
        g.put_string(address, value);
        return (uint32_t)address;
    }
    // Calls the service with the argument cells; the result cells are cleared to 0xEEEEEEEE first.
    int64_t call(const char *service, std::vector<uint32_t> arguments, int results = 4)
    {
        g.put_string(NAME, service);
        g.write(BLOCK, 4, NAME);
        g.write(BLOCK + 4, 4, arguments.size());
        g.write(BLOCK + 8, 4, (uint64_t)results);
        uint64_t cell = BLOCK + 12;
        for (uint32_t value : arguments) {
            g.write(cell, 4, value);
            cell += 4;
        }
        for (int i = 0; i < results; i++)
            g.write(cell + 4 * (uint64_t)i, 4, 0xEEEEEEEE);
        EXPECT_EQ(g.call(99, BLOCK), 1);
        strings = 0;
        return g.result();
    }
    // Cell n of the block as a signed number.
    int32_t cell(int n) { return (int32_t)g.read(BLOCK + 4 * (uint64_t)n, 4); }
    std::vector<uint8_t> bytes(uint64_t address, size_t n)
    {
        std::vector<uint8_t> out;
        for (size_t i = 0; i < n; i++)
            out.push_back((uint8_t)g.read(address + i, 1));
        return out;
    }
    int32_t find(const char *path)
    {
        call("finddevice", {text(path)});
        return cell(4);
    }

    GuestCall g;
    int strings = 0;
};

TEST(ClientInterface, FindDeviceRelationsAndPaths)
{
    Client c;
    ASSERT_TRUE(c.g.ok());
    EXPECT_EQ(c.call("finddevice", {c.text("/")}), 0);
    EXPECT_EQ(c.cell(4), 1);
    int32_t cpus = c.find("/cpus");
    EXPECT_GT(cpus, 1);
    EXPECT_EQ(c.find("/cpus/"), -1);
    EXPECT_EQ(c.find("cpus"), -1);
    c.call("open", {c.text("/cpus/")});
    EXPECT_EQ(c.cell(4), 0);
    c.call("peer", {0});
    EXPECT_EQ(c.cell(4), 1);
    c.call("parent", {1});
    EXPECT_EQ(c.cell(4), 0);
    c.call("parent", {(uint32_t)cpus});
    EXPECT_EQ(c.cell(4), 1);
    c.call("child", {(uint32_t)c.find("/nvram")});
    EXPECT_EQ(c.cell(4), 0);
    c.call("child", {1});
    EXPECT_EQ(c.cell(4), c.find("/chosen")); // nodes in name order, properties skipped

    // "/cpus/name" has 10 characters: 11 stored with its NUL; a 5-byte buffer takes 5 and the
    // answer is 6.
    int32_t name = c.find("/cpus/name");
    c.call("instance-to-path", {(uint32_t)name, (uint32_t)BUFFER, 64});
    EXPECT_EQ(c.cell(6), 11);
    EXPECT_EQ(c.g.get_string(BUFFER), "/cpus/name");
    c.g.write(BUFFER + 5, 1, 'Z');
    c.call("package-to-path", {(uint32_t)name, (uint32_t)BUFFER + 0x100, 5});
    EXPECT_EQ(c.cell(6), 6);
    EXPECT_EQ(c.bytes(BUFFER + 0x100, 5), (std::vector<uint8_t>{'/', 'c', 'p', 'u', 's'}));
    c.call("instance-to-path", {9999, (uint32_t)BUFFER, 64});
    EXPECT_EQ(c.cell(6), -1);
    c.call("instance-to-package", {(uint32_t)cpus});
    EXPECT_EQ(c.cell(4), cpus);
}

TEST(ClientInterface, GetPropEncodingsByKind)
{
    Client c;
    ASSERT_TRUE(c.g.ok());
    int32_t root = 1;
    c.call("getproplen", {(uint32_t)root, c.text("name")});
    EXPECT_EQ(c.cell(5), 12);
    c.call("getprop", {(uint32_t)root, c.text("name"), (uint32_t)BUFFER, 4});
    EXPECT_EQ(c.cell(7), 4);
    EXPECT_EQ(c.bytes(BUFFER, 4), (std::vector<uint8_t>{'d', 'e', 'v', 'i'}));
    c.call("getprop", {(uint32_t)root, c.text("#size-cells"), (uint32_t)BUFFER, 64});
    EXPECT_EQ(c.cell(7), 4);
    EXPECT_EQ(c.g.read(BUFFER, 4), 2u);
    c.call("getprop", {(uint32_t)root, c.text("nosuch"), (uint32_t)BUFFER, 64});
    EXPECT_EQ(c.cell(7), -1);

    // MEMORY_MAP per region and MEMORY_AVAILABLE_MAP from the live claim list, 8 bytes each.
    OF_DeviceTree *tree = c.g.m.machine->device_tree;
    OF_DeviceTreeNode *memory = of_find_device(tree, "/memory@0");
    ASSERT_NE(memory, nullptr);
    of_add_enum_property(memory, "all", MEMORY_MAP);
    uint64_t size = c.g.m.machine->total_memory;
    c.call("getprop", {(uint32_t)memory->handle, c.text("all"), (uint32_t)BUFFER, 64});
    EXPECT_EQ(c.cell(7), 16);
    EXPECT_EQ(c.g.read(BUFFER, 8), 0u);
    EXPECT_EQ(c.g.read(BUFFER + 8, 8), size);
    c.call("claim", {0, 0x100000, 0});
    EXPECT_EQ(c.cell(6), 0);
    c.call("claim", {0, 0x100000, 0});
    EXPECT_EQ(c.cell(6), -1);
    c.call("getprop", {(uint32_t)memory->handle, c.text("available"), (uint32_t)BUFFER, 64});
    EXPECT_EQ(c.cell(7), 16);
    EXPECT_EQ(c.g.read(BUFFER, 8), 0x100000u);
    EXPECT_EQ(c.g.read(BUFFER + 8, 8), size - 0x100000);
    c.call("release", {0, 0x100000});
    c.call("getproplen", {(uint32_t)memory->handle, c.text("available")});
    EXPECT_EQ(c.cell(5), 16);
    c.call("getprop", {(uint32_t)memory->handle, c.text("reg"), (uint32_t)BUFFER, 64});
    EXPECT_EQ(c.cell(7), 16);
    EXPECT_EQ(c.g.read(BUFFER + 8, 8), size);
}

TEST(ClientInterface, NextPropFlags)
{
    Client c;
    ASSERT_TRUE(c.g.ok());
    int32_t chosen = c.find("/chosen");
    c.call("nextprop", {(uint32_t)chosen, 0, (uint32_t)BUFFER});
    EXPECT_EQ(c.cell(6), 1);
    EXPECT_EQ(c.g.get_string(BUFFER), "bootargs");
    c.call("nextprop", {(uint32_t)chosen, c.text("bootargs"), (uint32_t)BUFFER});
    EXPECT_EQ(c.cell(6), 1);
    EXPECT_EQ(c.g.get_string(BUFFER), "bootpath");
    c.call("nextprop", {(uint32_t)chosen, c.text("stdout"), (uint32_t)BUFFER});
    EXPECT_EQ(c.cell(6), 0);
    EXPECT_EQ(c.g.get_string(BUFFER), "");
    c.call("nextprop", {(uint32_t)chosen, c.text("nosuch"), (uint32_t)BUFFER});
    EXPECT_EQ(c.cell(6), -1);
    c.g.write(BUFFER, 4, 0x41424300);
    c.call("nextprop", {9999, 0, (uint32_t)BUFFER});
    EXPECT_EQ(c.cell(6), -1);
    EXPECT_EQ(c.g.read(BUFFER, 4), 0x41424300u); // untouched
}

TEST(ClientInterface, UnknownServicesTestsAndMethods)
{
    Client c;
    ASSERT_TRUE(c.g.ok());
    EXPECT_EQ(c.call("interpret", {c.text("1 2 +")}, 1), -1);
    EXPECT_EQ(c.cell(6), -1); // cell 6, whatever the counts
    c.call("test", {c.text("claim")});
    EXPECT_EQ(c.cell(4), 0);
    c.call("test", {c.text("interpret")});
    EXPECT_EQ(c.cell(4), -1);
    c.call("test-method", {1, c.text("size")});
    EXPECT_EQ(c.cell(5), 0);
    c.call("test-method", {1, c.text("open")});
    EXPECT_EQ(c.cell(5), -1);
    c.call("canon", {c.text("/cpus/"), (uint32_t)BUFFER, 64});
    EXPECT_EQ(c.cell(6), 7);
    EXPECT_EQ(c.call("call-method", {c.text("instantiate-rtas"), 0, 0x20000}), 0);
    EXPECT_EQ(c.cell(6), 0);
    EXPECT_EQ(c.cell(7), 0x20000);
    EXPECT_EQ(c.g.read(0x20000, 4), 0x7C0007CAu);
    EXPECT_EQ(c.g.read(0x20004, 4), 0x4E800020u);
}

TEST(ClientInterface, WriteSetPropAndStartCpu)
{
    Client c([](BuiltMachine &b) { b.set("processor/number_of_threads", "2"); });
    ASSERT_TRUE(c.g.ok());
    c.g.put(0x7000, "ok\0!", 4);
    c.call("write", {0, 0x7000, 4});
    EXPECT_EQ(c.cell(6), 4);

    c.g.put(0x7100, "\x01\x02", 2);
    int32_t options = c.find("/options");
    c.call("setprop", {(uint32_t)options, c.text("extra"), 0x7100, 2});
    c.call("getproplen", {(uint32_t)options, c.text("extra")});
    EXPECT_EQ(c.cell(5), 2);

    OF_DeviceTree *tree = c.g.m.machine->device_tree;
    OF_DeviceTreeNode *cpu = of_find_device(tree, "/cpus/PowerPC@0");
    ASSERT_NE(cpu, nullptr);
    ThreadState *second = &c.g.core->threads[1];
    of_add_int_property(cpu, "reg", 1);
    c.call("start-cpu", {(uint32_t)cpu->handle, 0x3003, 0x99});
    EXPECT_EQ(second->PC.value, 0x3000u);
    EXPECT_EQ(second->GPR[3].value, 0x99u);
    EXPECT_EQ(stop_simulation, 0u);

    SinkCapture sink;
    of_add_int_property(cpu, "reg", 2);
    c.call("start-cpu", {(uint32_t)cpu->handle, 0x3000, 0});
    EXPECT_NE(sink.text().find("OpenFirmware: StartCPU: CPU 2 exceeds max of 2"), std::string::npos);
    EXPECT_NE(stop_simulation & STOP_QUARN_ERROR, 0u);
}

// ---- construction ----

std::vector<std::string> nodes_under(OF_DeviceTree *tree, const char *path)
{
    std::vector<std::string> names;
    OF_DeviceTreeNode *node = of_find_device(tree, path);
    for (OF_DeviceTreeNode *c = of_first_child(node); c; c = of_next_sibling(c))
        names.push_back(c->full_name);
    return names;
}

OF_DeviceTree *built_tree(GuestCall &g)
{
    OF_DeviceTree *tree = OF_Machine_Tree(g.m.machine);
    OF_BuildDeviceTree(tree, g.m.machine);
    return tree;
}

TEST(TreeBuild, OneThreadMachine)
{
    GuestCall g;
    ASSERT_TRUE(g.ok());
    OF_DeviceTree *tree = built_tree(g);
    OF_DeviceTreeNode *cpus = of_find_device(tree, "/cpus");
    EXPECT_EQ(of_find_property(cpus, "smp-enabled"), nullptr);
    OF_DeviceTreeNode *cpu = of_find_device(tree, "/cpus/PowerPC@0");
    ASSERT_NE(cpu, nullptr);
    OF_DeviceTreeNode *gservers = of_find_property(cpu, "qzb,ppc-interrupt-gserver#s");
    ASSERT_NE(gservers, nullptr);
    ASSERT_EQ(gservers->count, 2);
    EXPECT_EQ(((uint32_t *)gservers->elements)[1], 255u);
    EXPECT_NE(of_find_device(tree, "/rtas"), nullptr);
    EXPECT_EQ(tree->cpu_handles[0], cpu->handle);
    EXPECT_EQ(of_find_property(of_find_device(tree, "/chosen"), "cpu")->scalar, (uint64_t)cpu->handle);
}

TEST(TreeBuild, TwentyThreadsFiveGigahertzAndNoRtas)
{
    GuestCall g([](BuiltMachine &b) {
        b.set("cpus", "5");
        b.set("processor/number_of_threads", "4");
        b.set("processor/cpu_frequency", "5G");
        b.set("enable_rtas_support", "FALSE");
    });
    ASSERT_TRUE(g.ok());
    OF_DeviceTree *tree = built_tree(g);
    EXPECT_EQ(nodes_under(tree, "/cpus"),
              (std::vector<std::string>{"/cpus/PowerPC@00", "/cpus/PowerPC@04", "/cpus/PowerPC@08",
                                        "/cpus/PowerPC@0c", "/cpus/PowerPC@10"}));
    OF_DeviceTreeNode *cpu = of_find_device(tree, "/cpus/PowerPC@10");
    EXPECT_EQ(of_find_property(cpu, "reg")->scalar, 16u);
    EXPECT_EQ(of_find_property(cpu, "clock-frequency")->scalar, 5000u);
    EXPECT_NE(of_find_property(of_find_device(tree, "/cpus"), "smp-enabled"), nullptr);
    EXPECT_EQ(of_find_device(tree, "/rtas"), nullptr);
    OF_DeviceTreeNode *ranges =
        of_find_property(of_find_device(tree, "/interrupt-controller"), "qzb,interrupt-server-ranges");
    EXPECT_EQ(((uint32_t *)ranges->elements)[1], 20u);
}

TEST(TreeBuild, MemoryNodesPerRegionAndChip)
{
    GuestCall g([](BuiltMachine &b) {
        b.set("number_of_MCMs", "2");
        b.set("cpus", "2");
        b.set("memory_regions", "2");
        b.set("memory_region_id_shift", "32");
        b.set("memory_size", "32M");
    });
    ASSERT_TRUE(g.ok());
    OF_DeviceTree *tree = built_tree(g);
    EXPECT_EQ(nodes_under(tree, "/").size(), 13u); // four memory nodes beside the nine others
    for (const char *path : {"/memory@0", "/memory@1000000", "/memory@100000000", "/memory@101000000"}) {
        OF_DeviceTreeNode *memory = of_find_device(tree, path);
        ASSERT_NE(memory, nullptr) << path;
        OF_DeviceTreeNode *reg = of_find_property(memory, "reg");
        EXPECT_EQ(((uint64_t *)reg->elements)[1], 0x1000000u) << path;
    }
    int regions = 0;
    for (of_unclaimed_region *r = of_region_list(g.m.machine); r; r = r->next, regions++)
        EXPECT_EQ(r->size, 0x2000000u);
    EXPECT_EQ(regions, 2);
}

TEST(TreeBuild, TheStdoutHandleIsKeptForLaterMachines)
{
    int32_t first = 0;
    OF_stdout_ihandle = -1; // as at the start of the program
    {
        GuestCall g;
        ASSERT_TRUE(g.ok());
        OF_DeviceTree *tree = built_tree(g);
        OF_DeviceTreeNode *stdout_property = of_find_property(of_find_device(tree, "/chosen"), "stdout");
        first = (int32_t)stdout_property->scalar;
        EXPECT_EQ(stdout_property->handle, first); // the first build names the property itself
        EXPECT_EQ(OF_stdout_ihandle, first);
        Set_stdout_handle(12345); // fixed already: no change
        EXPECT_EQ(OF_stdout_ihandle, first);
    }
    GuestCall g([](BuiltMachine &b) { b.set("processor/number_of_threads", "2"); });
    ASSERT_TRUE(g.ok());
    OF_DeviceTree *tree = built_tree(g);
    EXPECT_EQ((int32_t)of_find_property(of_find_device(tree, "/chosen"), "stdout")->scalar, first);
}

} // namespace

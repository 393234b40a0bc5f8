// The guest process tree and the traceback-table function-name lookup.
#include <string>
#include <vector>

#include "guest/process_tree.h"
#include "guestsvc/guest_call.h"

namespace
{

std::vector<std::string> file_names(const Process *process)
{
    std::vector<std::string> names;
    for (const LoadedFile *file = process->files; file; file = file->next)
        names.push_back(file->name ? file->name : "");
    return names;
}

TEST(ProcessTree, CreationMakesTheRootFirstAndRefusesRunningAndNegativeIds)
{
    GuestCall g;
    ASSERT_TRUE(g.ok());
    ProcessTree *tree = g.m.machine->process_tree;
    ASSERT_NE(tree, nullptr);
    // The loader has made nothing yet: process 5 under 3 makes the root, and 5 hangs under it.
    PT_NewProcess(tree, 5, 3, 0);
    Process *root = PT_FindProcess(tree, 0);
    Process *five = PT_FindProcess(tree, 5);
    ASSERT_NE(root, nullptr);
    ASSERT_NE(five, nullptr);
    EXPECT_EQ(tree->root, root);
    EXPECT_EQ(five->parent, root);
    EXPECT_EQ(root->child, five);
    EXPECT_EQ(tree->process_count, 2);

    PT_NewProcess(tree, 5, 0, 1); // running: nothing
    EXPECT_EQ(PT_FindProcess(tree, 5), five);
    PT_KillProcess(tree, 5);
    EXPECT_EQ(five->state, PT_ENDED);
    PT_NewProcess(tree, 5, 0, 1); // ended: a new record in front of the old one
    EXPECT_NE(PT_FindProcess(tree, 5), five);
    EXPECT_EQ(PT_FindProcess(tree, 5)->older, five);

    int before = tree->process_count;
    for (mpid_t bad : {-1, 32768}) {
        PT_NewProcess(tree, bad, 0, 0);
        PT_NewProcess(tree, 9, bad, 0);
    }
    EXPECT_EQ(tree->process_count, before);
}

TEST(ProcessTree, FilesAreInheritedAndExecKeepsVmlinuxInReverseOrder)
{
    GuestCall g;
    ASSERT_TRUE(g.ok());
    ProcessTree *tree = g.m.machine->process_tree;
    PT_NewProcess(tree, 0, 0, 0);
    Process *root = PT_FindProcess(tree, 0);
    PT_AddFile(tree, root, "vmlinux", 0x1000, 0x100, 5, 0, 0, 0);
    PT_AddFile(tree, root, "a.out", 0x2000, 0x100, 5, 0, 0, 0);
    PT_AddFile(tree, root, "vmlinux", 0x3000, 0x100, 5, 0, 0, 0);
    EXPECT_STREQ(root->name, "vmlinux"); // the first file not inherited names the process
    EXPECT_EQ(root->files->next->next->index, 2);

    PT_NewProcess(tree, 7, 0, 0);
    Process *child = PT_FindProcess(tree, 7);
    EXPECT_EQ(file_names(child), (std::vector<std::string>{"vmlinux", "a.out", "vmlinux"}));
    PT_ExecProcess(tree, 7, "init");
    PT_AddFile(tree, child, "libc.so", 0, 0, 0, 0, 0, 1); // inherited: never renames
    EXPECT_STREQ(child->name, "init");
    EXPECT_EQ(child->state, PT_EXECED);
    ASSERT_EQ(file_names(child), (std::vector<std::string>{"vmlinux", "vmlinux", "libc.so"}));
    EXPECT_EQ(child->files->address, 0x3000u);
    EXPECT_EQ(child->files->next->address, 0x1000u);
}

TEST(ProcessTree, SwitchAndLoadedFileByThreadNumber)
{
    GuestCall g([](BuiltMachine &b) { b.set("processor/number_of_threads", "4"); });
    ASSERT_TRUE(g.ok());
    ProcessTree *tree = g.m.machine->process_tree;
    PT_NewProcess(tree, 12, 0, 0);
    EXPECT_EQ(PT_MAX_CORES, 4);
    g.t->device_number = 9; // a number at or above PT_MAX_CORES uses entry 0
    EXPECT_EQ(g.call(104, 0, 12), 1);
    EXPECT_EQ(g.t->current_pid, 12);
    EXPECT_EQ(tree->currentPID[0], 12);
    g.put_string(0x2000, "libm.so.6");
    g.gpr(7) = 0x4000;
    g.gpr(8) = 5;
    g.gpr(9) = 1;
    g.gpr(10) = 0x200;
    EXPECT_EQ(g.call(124, 0x2000, 100, 0x7000), 1);
    Process *process = PT_FindProcess(tree, 12);
    ASSERT_NE(process->files, nullptr);
    EXPECT_STREQ(process->files->name, "libm.so.6");
    EXPECT_EQ(process->files->address, 0x7000u);
    EXPECT_EQ(process->files->length, 0x4000u);
    EXPECT_EQ(process->files->offset, 0x200u);
    g.t->device_number = 0;

    g.put_string(0x2100, "sh");
    g.call(101, 0, 13, 0);
    g.call(103, 13, 0x2100, 2);
    g.call(105, 13);
    ASSERT_NE(PT_FindProcess(tree, 13), nullptr);
    EXPECT_STREQ(PT_FindProcess(tree, 13)->name, "sh");
    EXPECT_EQ(PT_FindProcess(tree, 13)->state, PT_ENDED);
}

// A function descriptor at 0x3000 pointing at code at 0x4000, whose traceback table follows the
// code's zero word.
void traceback(GuestCall &g, uint64_t flags, const char *name)
{
    g.write(0x3000, 8, 0x4000);
    g.write(0x4000, 4, 0x7C0802A6); // mflr r0
    g.write(0x4004, 4, 0x4E800020); // blr
    g.write(0x4008, 4, 0);
    g.write(0x400C, 8, flags);
    uint64_t at = 0x4014;
    if (flags & 0xFFFF) at += 4;  // parameter types
    if (flags >> 45 & 1) at += 4; // offset of the table
    g.write(at, 2, strlen(name));
    g.put(at + 2, name, strlen(name));
}

TEST(ProcessTree, FindFunctionNameReadsTheTracebackTable)
{
    GuestCall g;
    ASSERT_TRUE(g.ok());
    char buffer[1024];
    constexpr uint64_t NAME_PRESENT = 1ull << 38, HAS_OFFSET = 1ull << 45;
    struct Case {
        uint64_t flags;
        int found;
        const char *expected;
    } cases[] = {
        {NAME_PRESENT, 1, "compute_sum"},
        {NAME_PRESENT | HAS_OFFSET | 0x0102, 1, "compute_sum"},
        {0, 0, "Unknown"},
    };
    for (const Case &c : cases) {
        traceback(g, c.flags, "compute_sum");
        EXPECT_EQ(FindFunctionName(g.iop, 0x3000, buffer), c.found);
        EXPECT_STREQ(buffer, c.expected);
    }
    // No zero word within 32767 bytes.
    for (uint64_t a = 0x10000; a < 0x10000 + 0x8010; a += 4)
        g.write(a, 4, 0x60000000);
    g.write(0x3000, 8, 0x10000);
    EXPECT_EQ(FindFunctionName(g.iop, 0x3000, buffer), 0);
    EXPECT_STREQ(buffer, "Unknown");
}

} // namespace

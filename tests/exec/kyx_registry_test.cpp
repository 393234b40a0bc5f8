// The KYX process and load-list registry: record parsing, order, lists, lookups and the corrupt
// records it refuses to walk past.
#include <gtest/gtest.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "exec/kyx_registry.h"

namespace
{

std::string printed;

int collect(const char *format, ...)
{
    char text[512];
    va_list args;
    va_start(args, format);
    int n = vsnprintf(text, sizeof text, format, args);
    va_end(args);
    printed += text;
    return n;
}

void put32(std::vector<uint8_t> &r, size_t at, uint32_t v)
{
    if (r.size() < at + 4) r.resize(at + 4);
    for (int i = 0; i < 4; i++)
        r[at + i] = (uint8_t)(v >> (24 - 8 * i));
}

struct Module {
    const char *path;
    const char *member;
    uint32_t text, data;
};

// A 32-bit process record with the modules as load entries, ended by a zero length.
std::vector<uint8_t> record32(int32_t pid, int32_t ppid, std::initializer_list<Module> modules)
{
    std::vector<uint8_t> r(84, 0);
    put32(r, 4, (uint32_t)pid);
    put32(r, 8, (uint32_t)ppid);
    for (int i = 0; i < 16; i++)
        put32(r, 20 + 4 * i, 0x100 + i);
    for (const Module &m : modules) {
        size_t at = r.size();
        std::string names = std::string(m.path) + '\0' + m.member + '\0';
        uint32_t length = (uint32_t)(24 + names.size());
        r.resize(at + length);
        put32(r, at, length);
        put32(r, at + 8, m.text);
        put32(r, at + 12, 0x100);
        put32(r, at + 16, m.data);
        put32(r, at + 20, 0x40);
        memcpy(&r[at + 24], names.data(), names.size());
    }
    put32(r, r.size(), 0);
    return r;
}

class KyxRegistryTest : public ::testing::Test
{
  protected:
    void TearDown() override
    {
        while (KYXProcessAnchor)
            delete_kyx_process(KYXProcessAnchor->pid);
        printed.clear();
    }
};

TEST_F(KyxRegistryTest, ProcessesSortAndRefresh)
{
    for (int32_t pid : {7, 3, 5}) {
        auto r = record32(pid, 0, {{"/bin/prog", "", 0x10000000, 0x20000000}});
        ASSERT_NE(add_kyx_process(1, r.data()), nullptr);
    }
    std::vector<int32_t> order;
    for (KYXProcess *p = KYXProcessAnchor; p; p = p->next)
        order.push_back(p->pid);
    EXPECT_EQ(order, (std::vector<int32_t>{3, 5, 7}));

    KYXProcess *p = find_kyx_process(5);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->load_list->text_segment, 0x101u); // segment 1 holds 0x1000 0000
    EXPECT_EQ(p->load_list->data_segment, 0x102u);

    auto again = record32(5, 3, {{"/lib/libc.a", "shr.o", 0x30000000, 0x40000000}});
    EXPECT_EQ(add_kyx_process(1, again.data()), p);
    EXPECT_EQ(p->ppid, 3);
    ASSERT_NE(p->load_list, nullptr);
    EXPECT_EQ(p->load_list->next, nullptr);
    EXPECT_STREQ(p->load_list->path, "/lib/libc.a[shr.o]");
    EXPECT_STREQ(p->load_list->module, "libc.a[shr.o]");
    EXPECT_EQ(find_load_list_element(nullptr, "libc.a[shr.o]"), p->load_list);
    EXPECT_EQ(find_kyx_process_by_name("/lib/libc.a[shr.o]"), p);
}

TEST_F(KyxRegistryTest, ListsTreeAndAddresses)
{
    auto a = record32(1, 0, {{"/sbin/init", "", 0x10000000, 0x20000000}});
    auto b = record32(4, 1, {{"/bin/sh", "", 0x10000000, 0x2FF00000}});
    add_kyx_process(0, a.data());
    add_kyx_process(0, b.data());
    ShowProcessTree(collect);
    EXPECT_EQ(printed, "pid 1  init\n  pid 4  sh\n");

    printed.clear();
    ShowLoadList(collect, "0");
    EXPECT_EQ(printed, "kernel load list:\n");
    printed.clear();
    ShowLoadList(collect, "nobody");
    EXPECT_EQ(printed, "process nobody not found\n");
    printed.clear();
    ShowLoadList(collect, "4");
    EXPECT_EQ(printed,
              "pid 4  sh\n    /bin/sh  text (vsid 0x0000000000000101, ea 0x0000000010000000)  data (vsid "
              "0x0000000000000102, ea 0x000000002FF00000)\n");

    printed.clear();
    ShowAddresses(collect, "/bin/sh /usr/bin/sh");
    EXPECT_EQ(printed, "32 0x0000000010000000 0x000000002FF00000");
    printed.clear();
    ShowAddresses(collect, "/bin/sh");
    EXPECT_EQ(printed, "");
}

TEST_F(KyxRegistryTest, CorruptEntryLengthsEndTheWalk)
{
    auto r = record32(9, 0, {{"/bin/a", "", 0x10000000, 0x20000000}, {"/bin/b", "", 0x10000000, 0x20000000}});
    put32(r, 84 + 24 + 8, 8); // the second entry claims 8 bytes: shorter than its fixed part
    KYXProcess *p = add_kyx_process(0, r.data());
    ASSERT_NE(p, nullptr);
    ASSERT_NE(p->load_list, nullptr);
    EXPECT_STREQ(p->load_list->path, "/bin/a");
    EXPECT_EQ(p->load_list->next, nullptr);
}

} // namespace

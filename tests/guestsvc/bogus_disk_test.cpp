// The paravirtual disk: the copy-on-write overlay and its table file, the disk's set-up, and the
// sim-support codes 116 (read), 117 (write) and 118 (information).
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "guest/bogus_disk.h"
#include "guest/cow_overlay.h"
#include "guestsvc/guest_call.h"
#include "runtime/device_manager.h"

namespace
{

std::string file_text(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

bool exists(const std::string &path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0;
}

long file_size(const std::string &path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0 ? (long)info.st_size : -1;
}

// An image of blocks 512-byte blocks, block b filled with the byte 'A' + b % 26.
void make_image(const std::string &path, int blocks, long extra = 0)
{
    std::ofstream out(path, std::ios::binary);
    for (int b = 0; b < blocks; b++)
        out << std::string(512, (char)('A' + b % 26));
    out << std::string((size_t)extra, 'z');
}

std::vector<std::string> names_containing(const std::string &part)
{
    std::vector<std::string> names;
    if (DIR *dir = opendir(".")) {
        while (dirent *entry = readdir(dir))
            if (std::string(entry->d_name).find(part) != std::string::npos) names.push_back(entry->d_name);
        closedir(dir);
    }
    return names;
}

BogusDiskSpec spec(const char *path, const char *mode, const char *cow_path = "", int hash = 0)
{
    BogusDiskSpec s{};
    snprintf(s.path, sizeof s.path, "%s", path);
    snprintf(s.mode, sizeof s.mode, "%s", mode);
    snprintf(s.cow_path, sizeof s.cow_path, "%s", cow_path);
    s.hash_size = hash;
    return s;
}

std::string read_blocks(BogusDisk *disk, uint64_t first, uint64_t count)
{
    std::string data(count * 512, '\0');
    EXPECT_EQ(read_from_BogusDisk_to_buffer(disk, data.data(), first * 512, data.size()),
              (int64_t)data.size());
    return data;
}

} // namespace

TEST(CowOverlay, WritesAppendOnceThenOverwriteAndReadsMixBaseAndOverlay)
{
    make_image("base.img", 10);
    BogusDiskSpec s = spec("base.img", "cow", "my.cow", 64);
    BogusDisk *disk = BogusDiskInit("minor 1", &s);
    ASSERT_NE(disk, nullptr);
    std::string first(512, '1'), second(512, '2');
    EXPECT_EQ(write_to_BogusDisk_from_buffer(disk, first.data(), 7 * 512, 512), 512);
    EXPECT_EQ(file_size("my.cow"), 512);
    EXPECT_EQ(write_to_BogusDisk_from_buffer(disk, second.data(), 7 * 512, 512), 512);
    EXPECT_EQ(file_size("my.cow"), 512); // overwritten in place
    EXPECT_EQ(COW_Lookup(disk->cow, 7), 0u);
    EXPECT_EQ(read_blocks(disk, 6, 3), std::string(512, 'G') + second + std::string(512, 'I'));
    // A partial block is ignored; the base image is never written.
    EXPECT_EQ(write_to_BogusDisk_from_buffer(disk, first.data(), 2 * 512, 300), 0);
    EXPECT_EQ(file_text("base.img").substr(7 * 512, 512), std::string(512, 'H'));
    ASSERT_EQ(BogusDisk_Sync(disk), 1);
    EXPECT_EQ(file_text("my.cow.table"), "7=0\n");

    // Reopened as plain "cow", the table brings the mapping back; "newcow" starts empty.
    BogusDisk_Quit(disk);
    EXPECT_TRUE(exists("my.cow") && exists("my.cow.table")); // named overlays stay
    s = spec("base.img", "cow", "my.cow");
    disk = BogusDiskInit("minor 1", &s);
    ASSERT_NE(disk, nullptr);
    EXPECT_EQ(read_blocks(disk, 7, 1), second);
    BogusDisk_Quit(disk);
    s = spec("base.img", "newcow", "my.cow");
    disk = BogusDiskInit("minor 1", &s);
    ASSERT_NE(disk, nullptr);
    EXPECT_EQ(file_size("my.cow"), 0);
    EXPECT_EQ(file_text("my.cow.table"), "");
    EXPECT_EQ(read_blocks(disk, 7, 1), std::string(512, 'H'));
    BogusDisk_Quit(disk);
}

TEST(CowOverlay, RestoreWorksOnCopiesAndLeavesTheNamedFilesUnchanged)
{
    make_image("base.img", 10);
    BogusDiskSpec s = spec("base.img", "cow", "saved.cow");
    BogusDisk *disk = BogusDiskInit("minor 0", &s);
    ASSERT_NE(disk, nullptr);
    std::string data(512, 'x');
    ASSERT_EQ(write_to_BogusDisk_from_buffer(disk, data.data(), 3 * 512, 512), 512);
    BogusDisk_Quit(disk);
    const std::string saved = file_text("saved.cow"), saved_table = file_text("saved.cow.table");
    ASSERT_EQ(saved_table, "3=0\n");

    s = spec("base.img", "restcow", "saved.cow");
    disk = BogusDiskInit("minor 0", &s);
    ASSERT_NE(disk, nullptr);
    std::string copy = disk->cow->path;
    EXPECT_NE(copy, "saved.cow");
    EXPECT_EQ(copy.rfind("saved.cow", 0), 0u);
    struct stat info;
    ASSERT_EQ(stat(copy.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0644u);
    EXPECT_EQ(read_blocks(disk, 3, 1), data); // the restored mapping
    std::string more(512, 'y');
    ASSERT_EQ(write_to_BogusDisk_from_buffer(disk, more.data(), 3 * 512, 512), 512);
    ASSERT_EQ(write_to_BogusDisk_from_buffer(disk, more.data(), 4 * 512, 512), 512);
    BogusDisk_Quit(disk);
    EXPECT_EQ(file_text("saved.cow"), saved);
    EXPECT_EQ(file_text("saved.cow.table"), saved_table);
    EXPECT_FALSE(exists(copy));
    EXPECT_FALSE(exists(copy + ".table"));
}

TEST(CowOverlay, MadeUpOverlayLivesInTheWorkingDirectoryUntilCleanUp)
{
    mkdir("img", 0755);
    make_image("img/root.disk", 4);
    BogusDiskSpec s = spec("img/root.disk", "", ""); // empty mode means "cow"
    BogusDisk *disk = BogusDiskInit("minor 0", &s);
    ASSERT_NE(disk, nullptr);
    EXPECT_STREQ(disk->mode, "cow");
    ASSERT_NE(disk->cow, nullptr);
    std::string made = disk->cow->path;
    ASSERT_EQ(made.size(), std::string("root.disk.cow.XXXXXX").size());
    EXPECT_EQ(made.rfind("root.disk.cow.", 0), 0u);
    EXPECT_TRUE(exists(made) && exists(made + ".table"));
    BogusDisk_Quit(disk);
    EXPECT_TRUE(names_containing("root.disk.cow.").empty());
}

TEST(CowOverlay, RefusedSetUps)
{
    make_image("base.img", 2);
    {
        std::ofstream bad("bad.cow.table");
        bad << "1=0\nnot a line\n";
    }
    struct Case {
        BogusDiskSpec s;
        const char *why;
    } cases[] = {
        {spec("base.img", "rwx"), "unknown mode"},
        {spec("missing.img", "r"), "no image"},
        {spec("base.img", "cow", "bad.cow"), "table line without two numbers"},
        {spec("base.img", "cow", "no/such/dir/x.cow"), "overlay cannot be created"},
    };
    for (Case &c : cases)
        EXPECT_EQ(BogusDiskInit("minor 0", &c.s), nullptr) << c.why;
    BogusDiskSpec long_path{};
    memset(long_path.path, 'a', sizeof long_path.path); // no terminator at all
    memcpy(long_path.mode, "r", 2);
    EXPECT_EQ(BogusDiskInit("minor 0", &long_path), nullptr);
    EXPECT_EQ(COWinit(-1, "x.cow", 16, "cow", 0), nullptr);
    EXPECT_EQ(COWinit(0, "x.cow", 0, "cow", 0), nullptr);
    EXPECT_TRUE(names_containing("base.img.cow").empty());
}

TEST(DiskCalls, ReadWriteAndInformationThroughTheSupportCall)
{
    GuestCall g;
    ASSERT_TRUE(g.ok());
    make_image("disk.img", 19, 272); // 10,000 bytes
    ASSERT_EQ(file_size("disk.img"), 10000);
    DeviceMgr *manager = g.m.machine->device_manager;
    BogusDiskSpec s = spec("disk.img", "cow", "d.cow", 8);
    ASSERT_EQ(init_bogusdisk(manager, 3, &s), 1);

    // GPR6 = 0x00080003: 8 blocks from disk 3, from block 2.
    ASSERT_EQ(g.call(116, 0x4000, 2, 0x00080003), 1);
    EXPECT_EQ(g.result(), 0);
    for (int b = 0; b < 8; b++)
        EXPECT_EQ(g.read(0x4000 + 512 * b + 100, 1), (uint64_t)('A' + 2 + b)) << b;
    // Write two blocks at block 5 from guest memory, read them back over blocks 4 to 7.
    for (int i = 0; i < 1024; i++)
        g.write(0x8000 + i, 1, 'w');
    ASSERT_EQ(g.call(117, 0x8000, 5, 0x00020003), 1);
    EXPECT_EQ(g.result(), 0);
    ASSERT_EQ(g.call(116, 0xA000, 4, 0x00040003), 1);
    EXPECT_EQ(g.read(0xA000, 1), (uint64_t)'E');
    EXPECT_EQ(g.read(0xA000 + 512, 1), (uint64_t)'w');
    EXPECT_EQ(g.read(0xA000 + 1024 + 511, 1), (uint64_t)'w');
    EXPECT_EQ(g.read(0xA000 + 1536, 1), (uint64_t)'H');
    BogusDisk *disk = BogusDisk_Find(manager, 3);
    ASSERT_NE(disk, nullptr);
    EXPECT_EQ(disk->bytes_read, 4096u + 2048u);
    EXPECT_EQ(disk->bytes_written, 1024u);

    struct {
        uint64_t operation, minor;
        int64_t want;
    } info[] = {
        {0, 3, 0}, {1, 3, 1}, {2, 3, 4096}, {3, 3, 9}, {4, 3, 0}, {5, 3, -1}, {3, 4, -1},
    };
    for (auto &c : info) {
        ASSERT_EQ(g.call(118, c.operation, c.minor), 1);
        EXPECT_EQ(g.result(), c.want) << "operation " << c.operation << " minor " << c.minor;
    }
    EXPECT_EQ(file_text("d.cow.table"), "5=0\n6=1\n"); // bucket 5, then bucket 6

    // Refused transfers answer -1 and leave memory alone: no disk, past the end of the image,
    // a block number whose byte offset overflows, more blocks than one call moves.
    g.write(0xC000, 8, 0x1122334455667788ull);
    struct {
        uint64_t code, first, word;
    } refused[] = {
        {116, 0, 0x00010007},           {117, 0, 0x00010007},           {116, 19, 0x00010003},
        {116, ~0ull / 256, 0x00010003}, {117, ~0ull / 256, 0x00010003}, {116, 0, 0xFFFFFFFF0003ull},
    };
    for (auto &c : refused) {
        ASSERT_EQ(g.call(c.code, 0xC000, c.first, c.word), 1);
        EXPECT_EQ(g.result(), -1) << c.code << " " << c.first << " " << std::hex << c.word;
    }
    EXPECT_EQ(g.read(0xC000, 8), 0x1122334455667788ull);
}

TEST(DiskCalls, ReadOnlyDiskRefusesWritesAndInitReplacesAMinor)
{
    GuestCall g;
    ASSERT_TRUE(g.ok());
    make_image("ro.img", 4);
    DeviceMgr *manager = g.m.machine->device_manager;
    BogusDiskSpec s = spec("ro.img", "r");
    ASSERT_EQ(init_bogusdisk(manager, 0, &s), 1);
    ASSERT_EQ(g.call(117, 0x4000, 0, 0x00010000), 1);
    EXPECT_EQ(g.result(), -1);
    EXPECT_EQ(file_text("ro.img").substr(0, 1), "A");
    // Opened again under the same minor as read-write: the old disk is closed and replaced.
    s = spec("ro.img", "rw");
    ASSERT_EQ(init_bogusdisk(manager, 0, &s), 1);
    EXPECT_EQ(DeviceMgr__GetDeviceCount(manager, DeviceMgr__GetDeviceMajorNum(manager, "bogus_disk")), 1);
    for (int i = 0; i < 512; i++)
        g.write(0x4000 + i, 1, 'q');
    ASSERT_EQ(g.call(117, 0x4000, 1, 0x00010000), 1);
    EXPECT_EQ(g.result(), 0);
    EXPECT_EQ(file_text("ro.img").substr(512, 512), std::string(512, 'q'));
    BogusDiskCleanup(manager);
    ASSERT_EQ(g.call(118, 1, 0), 1);
    EXPECT_EQ(g.result(), -1);
}

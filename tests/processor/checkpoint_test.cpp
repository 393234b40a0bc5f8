// Checkpoint directories and memory images in the test's scratch directory.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "processor/run/checkpoint.h"
#include "runtime/alloc.h"
#include "support/sink_capture.h"

namespace
{

bool is_directory(const char *path)
{
    struct stat st;
    return stat(path, &st) == 0 && S_ISDIR(st.st_mode);
}

TEST(Checkpoint, NewDirectoryNeverReplacesAnExistingOne)
{
    ASSERT_EQ(mkdir("save", 0777), 0);
    ASSERT_EQ(mkdir("save.0", 0777), 0);
    char *path = nullptr;
    EXPECT_EQ(checkpoint_create_dir(&path, "save"), 1);
    ASSERT_NE(path, nullptr);
    EXPECT_STREQ(path, "save.1");
    EXPECT_TRUE(is_directory("save.1"));
    QUARN_FREE(path);

    path = nullptr;
    EXPECT_EQ(checkpoint_create_dir(&path, "fresh"), 1);
    EXPECT_STREQ(path, "fresh");
    QUARN_FREE(path);

    // A path that cannot be made is still handed back for the caller's message.
    path = nullptr;
    EXPECT_EQ(checkpoint_create_dir(&path, "missing/parent"), 0);
    EXPECT_STREQ(path, "missing/parent");
    QUARN_FREE(path);

    // Names longer than the limit are refused without touching anything.
    const std::string long_name(CHECKPOINT_PATH_MAX + 1, 'x');
    path = nullptr;
    EXPECT_EQ(checkpoint_create_dir(&path, long_name.c_str()), 0);
    EXPECT_EQ(path, nullptr);
    EXPECT_EQ(checkpoint_open_dir(&path, long_name.c_str()), 0);
    EXPECT_EQ(path, nullptr);
}

TEST(Checkpoint, MemoryImageRoundTrip)
{
    ASSERT_EQ(mkdir("image", 0777), 0);
    unsigned char data[300];
    for (int i = 0; i < 300; i++)
        data[i] = (unsigned char)(i * 7);
    EXPECT_EQ(checkpoint_memory_to_file("image", "memory", data, sizeof data), 1);
    unsigned char back[300] = {};
    EXPECT_EQ(restore_memory_from_file("image", "memory", back, sizeof back), 1);
    EXPECT_EQ(memcmp(data, back, sizeof data), 0);
    // A short file is a failed read.
    unsigned char more[301];
    EXPECT_EQ(restore_memory_from_file("image", "memory", more, sizeof more), 0);
    // Length 0 writes nothing and fails.
    EXPECT_EQ(checkpoint_memory_to_file("image", "empty", data, 0), 0);
    struct stat st;
    ASSERT_EQ(stat("image/empty", &st), 0);
    EXPECT_EQ(st.st_size, 0);
    EXPECT_EQ(checkpoint_memory_to_file("image", "negative", data, -1), 0);
}

TEST(Checkpoint, UnopenableFileIsReported)
{
    SinkCapture sink;
    checkpoint_file record{};
    EXPECT_EQ(checkpoint_open(&record, "no-such-dir", "registers", "r"), 0);
    EXPECT_EQ(record.file, nullptr);
    EXPECT_NE(sink.text().find("Cannot open checkpoint file: no-such-dir/registers"), std::string::npos);
    EXPECT_EQ(restore_memory_from_file("no-such-dir", "memory", &record, 1), 0);

    ASSERT_EQ(mkdir("open", 0777), 0);
    EXPECT_EQ(checkpoint_open(&record, "open", "registers", "w"), 1);
    EXPECT_STREQ(record.directory, "open");
    EXPECT_STREQ(record.file_name, "registers");
    fputs("r3 1\n", record.file);
    EXPECT_EQ(checkpoint_close(&record), 1);
    EXPECT_EQ(record.directory, nullptr);
}

TEST(Checkpoint, UnreadableDirectoryIsRefusedBeforeAnyFile)
{
    if (geteuid() == 0) GTEST_SKIP() << "root reads every directory";
    ASSERT_EQ(mkdir("locked", 0), 0);
    char *path = nullptr;
    EXPECT_EQ(checkpoint_open_dir(&path, "locked"), 0);
    EXPECT_EQ(path, nullptr);
    chmod("locked", 0700);
    EXPECT_EQ(checkpoint_open_dir(&path, "locked"), 1);
    EXPECT_STREQ(path, "locked");
    QUARN_FREE(path);
}

} // namespace

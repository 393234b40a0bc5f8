// The copy-on-write overlay of a paravirtual disk.
#include "guest/cow_overlay.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <string>

#include "runtime/alloc.h"
#include "runtime/common.h"
#include "runtime/message.h"

namespace
{

constexpr uint64_t ABSENT = ~0ull;

std::string table_path(const char *path)
{
    return std::string(path) + ".table";
}

bool insert(COWdisk *cow, uint64_t disk_block, uint64_t cow_block)
{
    COWhash *node = QUARN_ZALLOC(1, COWhash);
    if (!node) {
        sim_warning(2, "BogusDisk: COW: Could not allocate COWhash");
        return false;
    }
    node->disk_block = disk_block;
    node->cow_block = cow_block;
    COWhash **bucket = &cow->buckets[disk_block % (uint64_t)cow->hash_size];
    node->next = *bucket;
    *bucket = node;
    return true;
}

void free_map(COWdisk *cow)
{
    if (!cow->buckets) return;
    for (int32_t i = 0; i < cow->hash_size; i++) {
        while (COWhash *node = cow->buckets[i]) {
            cow->buckets[i] = node->next;
            QUARN_FREE(node);
        }
    }
    QUARN_FREE(cow->buckets);
    cow->buckets = nullptr;
}

void free_record(COWdisk *cow)
{
    free_map(cow);
    free(cow->path);
    QUARN_FREE(cow);
}

// Copies a whole file in-process into an existing destination (truncated first); false when the
// source cannot be read or the copy fails.
bool copy_file(const char *from, const char *to)
{
    int in = open(from, O_RDONLY);
    if (in < 0) return false;
    int out = open(to, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (out < 0) {
        close(in);
        return false;
    }
    bool ok = true;
    char chunk[65536];
    for (;;) {
        ssize_t n = read(in, chunk, sizeof chunk);
        if (n == 0) break;
        if (n < 0) {
            if (errno == EINTR) continue;
            ok = false;
            break;
        }
        for (ssize_t done = 0; done < n;) {
            ssize_t w = write(out, chunk + done, (size_t)(n - done));
            if (w < 0 && errno == EINTR) continue;
            if (w <= 0) {
                ok = false;
                break;
            }
            done += w;
        }
        if (!ok) break;
    }
    close(in);
    close(out);
    return ok;
}

// Reads the table text; false on a line that does not give two numbers or a failed insertion.
bool load_table(COWdisk *cow, int fd)
{
    int copy = dup(fd);
    FILE *stream = copy >= 0 ? fdopen(copy, "r") : nullptr;
    if (!stream) {
        if (copy >= 0) close(copy);
        sim_warning(2, "BogusDisk: COW: Load Hash: couldn't open table");
        return false;
    }
    rewind(stream);
    bool ok = true;
    char line[128];
    while (fgets(line, sizeof line, stream)) {
        unsigned long disk_block = 0, cow_block = 0;
        char extra = 0;
        int fields = sscanf(line, "%lu=%lu%c", &disk_block, &cow_block, &extra);
        if (fields < 2 || (fields == 3 && extra != '\n')) {
            sim_warning(2, "BogusDisk: Wierd Parsing Error While Loading Hash for COW");
            ok = false;
            break;
        }
        if (!insert(cow, disk_block, cow_block)) {
            sim_warning(2, "BogusDisk: COW: Could not insert into hash");
            ok = false;
            break;
        }
    }
    fclose(stream);
    return ok;
}

// Moves exactly one block with pread/pwrite; the count moved (short on end of file or error).
ssize_t read_block(int fd, void *buffer, uint64_t offset)
{
    if (offset > (uint64_t)INT64_MAX - COW_BLOCK_SIZE) return -1;
    ssize_t done = 0;
    while (done < (ssize_t)COW_BLOCK_SIZE) {
        ssize_t n =
            pread(fd, static_cast<char *>(buffer) + done, COW_BLOCK_SIZE - done, (off_t)(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += n;
    }
    return done;
}

ssize_t write_block(int fd, const void *buffer, uint64_t offset)
{
    if (offset > (uint64_t)INT64_MAX - COW_BLOCK_SIZE) return -1;
    ssize_t done = 0;
    while (done < (ssize_t)COW_BLOCK_SIZE) {
        ssize_t n = pwrite(fd, static_cast<const char *>(buffer) + done, COW_BLOCK_SIZE - done,
                           (off_t)(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += n;
    }
    return done;
}

} // namespace

uint64_t COW_Lookup(const COWdisk *cow, uint64_t disk_block)
{
    if (!cow || !cow->buckets) return ABSENT;
    for (const COWhash *node = cow->buckets[disk_block % (uint64_t)cow->hash_size]; node; node = node->next)
        if (node->disk_block == disk_block && node->cow_block != ABSENT) return node->cow_block;
    return ABSENT;
}

COWdisk *COWinit(int base_fd, const char *path, int32_t hash_size, const char *mode, int temporary)
{
    bool is_new = mode && strcmp(mode, "newcow") == 0;
    bool is_restore = mode && strcmp(mode, "restcow") == 0;
    if (hash_size <= 0 || !path || !*path || base_fd < 0) {
        sim_warning(2, "BogusDisks: COW: Bad arguments to init");
        return nullptr;
    }
    COWdisk *cow = QUARN_ZALLOC(1, COWdisk);
    if (!cow) return nullptr;
    cow->hash_size = hash_size;
    cow->base_fd = base_fd;
    cow->cow_fd = -1;
    cow->table_fd = -1;
    cow->buckets = QUARN_ZALLOC(hash_size, COWhash *);
    cow->path = strdup(path);
    if (!cow->buckets || !cow->path) {
        free_record(cow);
        return nullptr;
    }

    if (is_new) {
        unlink(table_path(path).c_str());
        unlink(path);
    } else if (is_restore) {
        // Work on copies so that the named overlay stays as it was saved.
        std::string copy = std::string(path) + "XXXXXX";
        int fd = mkstemp(copy.data());
        if (fd < 0) {
            sim_warning(2, "BogusDisk: COW: couldn't open/create COW file");
            free_record(cow);
            return nullptr;
        }
        close(fd);
        if (!quiet_mode) SIM_PRINT("Copying COW files to temporary files %s\n", copy.c_str());
        copy_file(path, copy.c_str());
        copy_file(table_path(path).c_str(), table_path(copy.c_str()).c_str());
        chmod(copy.c_str(), 0644);
        chmod(table_path(copy.c_str()).c_str(), 0644);
        cow->restored = 1;
        free(cow->path);
        cow->path = strdup(copy.c_str());
        if (!cow->path) {
            unlink(copy.c_str());
            unlink(table_path(copy.c_str()).c_str());
            QUARN_FREE(cow->buckets);
            QUARN_FREE(cow);
            return nullptr;
        }
    }

    std::string table = table_path(cow->path);
    auto fail = [&]() -> COWdisk * {
        if (cow->table_fd >= 0) close(cow->table_fd);
        if (cow->cow_fd >= 0) close(cow->cow_fd);
        if (cow->restored) {
            unlink(cow->path);
            unlink(table.c_str());
        }
        free_record(cow);
        return nullptr;
    };
    if (!is_new) {
        cow->table_fd = open(table.c_str(), O_RDWR);
        if (cow->table_fd >= 0 && !load_table(cow, cow->table_fd)) return fail();
    }
    if (cow->table_fd < 0) {
        cow->table_fd = open(table.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
        if (cow->table_fd < 0) {
            sim_warning(2, "BogusDisk: COW: couldn't open/create COW table: %s", strerror(errno));
            return fail();
        }
    }
    cow->cow_fd = open(cow->path, O_RDWR | O_CREAT, 0644);
    if (cow->cow_fd < 0) {
        sim_warning(2, "BogusDisk: COW: couldn't open/create COW file");
        return fail();
    }
    cow->temporary = temporary;
    return cow;
}

int64_t COWread(COWdisk *cow, void *buffer, uint64_t offset, uint64_t size)
{
    if (!cow) return -1;
    uint64_t blocks = size / COW_BLOCK_SIZE;
    uint64_t first = offset >> 9;
    char *out = static_cast<char *>(buffer);
    for (uint64_t i = 0; i < blocks; i++) {
        uint64_t block = first + i;
        if (block > (uint64_t)INT64_MAX / COW_BLOCK_SIZE) return -1;
        uint64_t mapped = COW_Lookup(cow, block);
        if (mapped != ABSENT) {
            if (mapped > (uint64_t)INT64_MAX / COW_BLOCK_SIZE) return -1;
            ssize_t n = read_block(cow->cow_fd, out + i * COW_BLOCK_SIZE, mapped * COW_BLOCK_SIZE);
            if (n != (ssize_t)COW_BLOCK_SIZE) {
                sim_warning(2, "BogusDisk: COWrm: read returned 0x%016lX", (unsigned long)n);
                return -1;
            }
        } else {
            ssize_t n = read_block(cow->base_fd, out + i * COW_BLOCK_SIZE, block * COW_BLOCK_SIZE);
            if (n != (ssize_t)COW_BLOCK_SIZE) {
                sim_warning(2, "BogusDisk: COWr: read returned 0x%016lX", (unsigned long)n);
                return -1;
            }
        }
    }
    return (int64_t)(blocks * COW_BLOCK_SIZE);
}

int64_t COWwrite(COWdisk *cow, const void *buffer, uint64_t offset, uint64_t size)
{
    if (!cow) return -1;
    uint64_t blocks = size / COW_BLOCK_SIZE;
    uint64_t first = offset >> 9;
    const char *in = static_cast<const char *>(buffer);
    for (uint64_t i = 0; i < blocks; i++) {
        uint64_t block = first + i;
        uint64_t mapped = COW_Lookup(cow, block);
        if (mapped != ABSENT) {
            if (mapped > (uint64_t)INT64_MAX / COW_BLOCK_SIZE) return -1;
            ssize_t n = write_block(cow->cow_fd, in + i * COW_BLOCK_SIZE, mapped * COW_BLOCK_SIZE);
            if (n != (ssize_t)COW_BLOCK_SIZE) {
                sim_warning(2, "BogusDisk: COWwm: write returned 0x%016lX", (unsigned long)n);
                return -1;
            }
            continue;
        }
        off_t end = lseek(cow->cow_fd, 0, SEEK_END);
        if (end < 0) {
            sim_warning(2, "BogusDisk: COWw: seek resulted in error 0x%016lX", (unsigned long)end);
            return end;
        }
        if ((uint64_t)end % COW_BLOCK_SIZE != 0) {
            sim_warning(2, "BogusDisk: COWw: seek offset 0x%016lX not aligned", (unsigned long)end);
            return -1;
        }
        ssize_t n = write_block(cow->cow_fd, in + i * COW_BLOCK_SIZE, (uint64_t)end);
        if (n != (ssize_t)COW_BLOCK_SIZE) {
            sim_warning(2, "BogusDisk: COWw: read returned 0x%016lX", (unsigned long)n);
            return -1;
        }
        if (!insert(cow, block, (uint64_t)end / COW_BLOCK_SIZE)) {
            sim_warning(2, "BogusDisk: COWw: problem inserting into hash");
            return -1;
        }
    }
    return (int64_t)(blocks * COW_BLOCK_SIZE);
}

int COWsync(COWdisk *cow)
{
    if (!cow || cow->table_fd < 0) {
        sim_warning(2, "BogusDisk: COW: couldn't open COW table for write. Error was '%s' (fd was %d)",
                    strerror(EBADF), cow ? cow->table_fd : -1);
        return 0;
    }
    std::string text;
    char line[48];
    for (int32_t i = 0; i < cow->hash_size; i++)
        for (const COWhash *node = cow->buckets[i]; node; node = node->next) {
            snprintf(line, sizeof line, "%lu=%lu\n", (unsigned long)node->disk_block,
                     (unsigned long)node->cow_block);
            text += line;
        }
    size_t done = 0;
    while (done < text.size()) {
        ssize_t n = pwrite(cow->table_fd, text.data() + done, text.size() - done, (off_t)done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            sim_warning(2, "BogusDisk: COW: fprint Problem writing COW table");
            return 0;
        }
        done += (size_t)n;
    }
    // The map only grows, so this never cuts a line that is still mapped.
    if (ftruncate(cow->table_fd, (off_t)text.size()) != 0) {
        sim_warning(2, "BogusDisk: COW: fprint Problem writing COW table");
        return 0;
    }
    if (cow->base_fd >= 0) fsync(cow->base_fd);
    if (cow->cow_fd >= 0) fsync(cow->cow_fd);
    fsync(cow->table_fd);
    return 1;
}

void COWcleanup(COWdisk *cow)
{
    if (!cow) return;
    COWsync(cow);
    free_map(cow);
    if (cow->restored || cow->temporary) {
        unlink(cow->path);
        unlink(table_path(cow->path).c_str());
    }
    for (int *fd : {&cow->base_fd, &cow->cow_fd, &cow->table_fd}) {
        if (*fd >= 0) close(*fd);
        *fd = -1;
    }
    free(cow->path);
    QUARN_FREE(cow);
}

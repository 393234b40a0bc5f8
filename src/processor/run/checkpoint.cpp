// Checkpoint directories and files.
#include "processor/run/checkpoint.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

#include "runtime/alloc.h"
#include "runtime/message.h"

namespace
{

bool too_long(const char *name)
{
    return !name || strnlen(name, CHECKPOINT_PATH_MAX + 1) > (size_t)CHECKPOINT_PATH_MAX;
}

bool exists(const char *path)
{
    return access(path, F_OK) == 0;
}

// Opens the file, moves one block with `transfer`, closes it.
template <typename Transfer>
int memory_block(const char *directory, const char *file_name, bool write, int32_t length, Transfer transfer)
{
    checkpoint_file record{};
    if (!checkpoint_open(&record, directory, file_name, write ? "w" : "r")) return 0;
    size_t items = 0;
    if (length > 0) {
        errno = 0;
        items = transfer(record.file, (size_t)length);
    }
    if (items == 0) {
        if (write)
            sim_warning(2, "memory write returns errno = %d", errno);
        else
            sim_warning(2, "memory read returns errno = %d", errno);
    }
    checkpoint_close(&record);
    return items == 1;
}

} // namespace

int checkpoint_create_dir(char **path, const char *name)
{
    if (too_long(name)) return 0;
    char candidate[CHECKPOINT_PATH_MAX + 1];
    snprintf(candidate, sizeof candidate, "%s", name);
    for (int i = 0; exists(candidate); i++) {
        const int n = snprintf(candidate, sizeof candidate, "%s.%i", name, i);
        if (n < 0 || n > CHECKPOINT_PATH_MAX || i == INT32_MAX) return 0;
    }
    *path = REMEMBER_STRING(candidate);
    return mkdir(candidate, 0777) == 0;
}

int checkpoint_open_dir(char **path, const char *name)
{
    if (too_long(name)) return 0;
    if (access(name, R_OK) != 0) {
        sim_warning(2, "access to %s is denied (%d)", name, errno);
        return 0;
    }
    *path = REMEMBER_STRING(name);
    return 1;
}

int checkpoint_open(checkpoint_file *record, const char *directory, const char *file_name, const char *mode)
{
    record->directory = REMEMBER_STRING(directory);
    record->file_name = REMEMBER_STRING(file_name);
    record->file = nullptr;
    char path[2 * CHECKPOINT_PATH_MAX + 2];
    const int n = snprintf(path, sizeof path, "%s/%s", directory, file_name);
    if (n >= 0 && n < (int)sizeof path) record->file = fopen(path, mode);
    if (!record->file) {
        sim_error("Cannot open checkpoint file: %s", path);
        QUARN_FREE(record->directory);
        QUARN_FREE(record->file_name);
        record->directory = record->file_name = nullptr;
        return 0;
    }
    return 1;
}

int checkpoint_close(checkpoint_file *record)
{
    const int closed = record->file ? fclose(record->file) == 0 : 0;
    record->file = nullptr;
    if (record->file_name) QUARN_FREE(record->file_name);
    if (record->directory) QUARN_FREE(record->directory);
    record->file_name = record->directory = nullptr;
    return closed;
}

int checkpoint_memory_to_file(const char *directory, const char *file_name, const void *data, int32_t length)
{
    return memory_block(directory, file_name, true, length,
                        [&](FILE *file, size_t size) { return fwrite(data, size, 1, file); });
}

int restore_memory_from_file(const char *directory, const char *file_name, void *buffer, int32_t length)
{
    return memory_block(directory, file_name, false, length,
                        [&](FILE *file, size_t size) { return fread(buffer, size, 1, file); });
}

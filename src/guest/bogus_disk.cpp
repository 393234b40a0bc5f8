// The paravirtual disk and its sim-support services (116 read, 117 write, 118 information).
#include "guest/bogus_disk.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <strings.h>

#include "guest/cow_overlay.h"
#include "guest/paravirtual_services.h"
#include "guest/sim_support.h"
#include "mmu/ea_copy.h"
#include "processor/config/config_getters.h"
#include "processor/records/generic_machine.h"
#include "processor/records/instruction_record.h"
#include "processor/records/thread_state.h"
#include "runtime/alloc.h"
#include "runtime/device_manager.h"
#include "runtime/message.h"

namespace
{

constexpr const char *DISK_CLASS = "bogus_disk";
// Largest transfer of one call: 0xFFFF blocks.
constexpr uint64_t MAX_TRANSFER_BLOCKS = 0xFFFF;

void copy_word(char *to, size_t size, const char *from)
{
    snprintf(to, size, "%s", from ? from : "");
}

bool is_cow_mode(const char *mode)
{
    return strcmp(mode, "cow") == 0 || strcmp(mode, "newcow") == 0 || strcmp(mode, "restcow") == 0;
}

void destroy_disk(void *object)
{
    BogusDisk_Quit(static_cast<BogusDisk *>(object));
}

int32_t disk_class(DeviceMgr *manager)
{
    return manager ? DeviceMgr__GetDeviceMajorNum(manager, DISK_CLASS) : -1;
}

BogusDisk *disk_of_call(IOPDesc *iop, int32_t minor)
{
    GenericMachine *machine = iop && iop->thread ? iop->thread->machine : nullptr;
    return machine ? BogusDisk_Find(machine->device_manager, minor) : nullptr;
}

int done(IOPDesc *iop, uint64_t value)
{
    SimSupport_Result(iop, value);
    return 1;
}

constexpr uint64_t MINUS_ONE = ~0ull;

} // namespace

void get_plist_bogusdisk_spec(PropertyList *list, const char *prefix, BogusDiskSpec *spec)
{
    memset(spec, 0, sizeof *spec);
    copy_word(spec->path, sizeof spec->path, get_plist_string(list, prefix, -1, "path"));
    copy_word(spec->mode, sizeof spec->mode, get_plist_string(list, prefix, -1, "mode"));
    copy_word(spec->cow_path, sizeof spec->cow_path, get_plist_string(list, prefix, -1, "cowpath"));
    spec->hash_size = (int32_t)get_plist_int_wd(list, prefix, -1, "hash_size", COW_DEFAULT_HASH_SIZE);
}

BogusDisk *BogusDisk_Find(DeviceMgr *manager, int32_t minor)
{
    int32_t major = disk_class(manager);
    if (major < 0) return nullptr;
    return static_cast<BogusDisk *>(DeviceMgr__GetDevice(manager, major, minor));
}

int init_bogusdisk(DeviceMgr *manager, int32_t minor, BogusDiskSpec *spec)
{
    int32_t major = disk_class(manager);
    if (major < 0) return 0;
    char description[32];
    snprintf(description, sizeof description, "minor %d", minor);
    BogusDisk *disk = BogusDiskInit(description, spec);
    if (!disk) return 0;
    // A disk already registered under the minor is closed, not leaked.
    if (BogusDisk *old = BogusDisk_Find(manager, minor)) {
        DeviceMgr__RemoveDevice(manager, major, minor);
        BogusDisk_Quit(old);
    }
    if (DeviceMgr__AddDevice(manager, disk, major, minor, destroy_disk) < 0) {
        sim_error("init_bogusdisk: AddDevice failed for minor=%d", minor);
        BogusDisk_Quit(disk);
        return 0;
    }
    return 1;
}

BogusDisk *BogusDiskInit(const char *description, BogusDiskSpec *spec)
{
    if (!spec) return nullptr;
    // The words may come from a caller's record: never read past their arrays.
    spec->path[sizeof spec->path - 1] = '\0';
    spec->mode[sizeof spec->mode - 1] = '\0';
    spec->cow_path[sizeof spec->cow_path - 1] = '\0';
    int32_t hash_size = spec->hash_size ? spec->hash_size : COW_DEFAULT_HASH_SIZE;
    char mode[BOGUS_DISK_MODE_SIZE];
    copy_word(mode, sizeof mode, spec->mode[0] ? spec->mode : "cow");

    int flags;
    if (is_cow_mode(mode) || strcmp(mode, "r") == 0)
        flags = O_RDONLY;
    else if (strcmp(mode, "w") == 0)
        flags = O_WRONLY;
    else if (strcmp(mode, "rw") == 0)
        flags = O_RDWR;
    else {
        sim_warning(2, "BogusDisk: %s: invalid mode parameter %s", description, mode);
        return nullptr;
    }
    if (strlen(spec->path) >= BOGUS_DISK_PATH_SIZE - 1) {
        sim_warning(2, "Bogus Disk: %s: path too long (%s)", description, spec->path);
        return nullptr;
    }

    // Copy-on-write without a named overlay: a temporary one in the working directory.
    std::string made_up;
    const char *cow_path = spec->cow_path[0] ? spec->cow_path : nullptr;
    int temporary = 0;
    if (!cow_path && is_cow_mode(mode)) {
        const char *slash = strrchr(spec->path, '/');
        made_up = std::string(slash ? slash + 1 : spec->path) + ".cow.XXXXXX";
        int fd = mkstemp(made_up.data());
        if (fd < 0) {
            sim_warning(2, "BogusDisk : problem with initializing cow");
            return nullptr;
        }
        close(fd);
        cow_path = made_up.c_str();
        temporary = 1;
    }

    int fd = open(spec->path, flags);
    if (fd < 0) {
        sim_warning(2, "Bogus Disk: %s: could not open %s (%s)", description, spec->path, strerror(errno));
        if (temporary) unlink(made_up.c_str());
        return nullptr;
    }
    struct stat info;
    if (fstat(fd, &info) != 0) info.st_size = 0;

    BogusDisk *disk = QUARN_ZALLOC(1, BogusDisk);
    if (disk) disk->path = strdup(spec->path);
    if (!disk || !disk->path) {
        if (disk) QUARN_FREE(disk);
        close(fd);
        if (temporary) unlink(made_up.c_str());
        return nullptr;
    }
    copy_word(disk->mode, sizeof disk->mode, mode);
    disk->fd = fd;
    disk->setup = 1;
    disk->media_changed = 0;
    disk->blksz = 4096;
    disk->devsz = (int64_t)info.st_size / 1024;
    if (cow_path) {
        disk->cow = COWinit(fd, cow_path, hash_size, mode, temporary);
        if (!disk->cow) {
            sim_warning(2, "BogusDisk : problem with initializing cow");
            if (temporary) unlink(made_up.c_str());
            close(fd);
            free(disk->path);
            QUARN_FREE(disk);
            return nullptr;
        }
    }
    return disk;
}

int64_t read_from_BogusDisk_to_buffer(BogusDisk *disk, void *buffer, uint64_t offset, uint64_t size)
{
    if (!disk || !disk->setup) {
        sim_warning(2, "Bogus Disk: Read prior to setup of disk");
        return -1;
    }
    if (disk->cow) {
        int64_t n = COWread(disk->cow, buffer, offset, size);
        if (n < 0) {
            sim_warning(2, "BogusDisk: read copy-on-write problem");
            return -1;
        }
        return n;
    }
    if (offset > (uint64_t)INT64_MAX - size) return -1;
    uint64_t got = 0;
    while (got < size) {
        ssize_t n = pread(disk->fd, static_cast<char *>(buffer) + got, size - got, (off_t)(offset + got));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += (uint64_t)n;
    }
    if (got != size) {
        sim_warning(2, "Bogus Disk: read only returned %ld bytes", (long)got);
        return -1;
    }
    return (int64_t)got;
}

int64_t write_to_BogusDisk_from_buffer(BogusDisk *disk, const void *buffer, uint64_t offset, uint64_t size)
{
    if (!disk || !disk->setup) {
        sim_warning(2, "Bogus Disk: Write prior to setup of disk");
        return -1;
    }
    disk->bytes_written += size;
    if (disk->cow) {
        int64_t n = COWwrite(disk->cow, buffer, offset, size);
        if (n < 0) {
            sim_warning(2, "Bogus Disk: COW write problem");
            return -1;
        }
        return n;
    }
    if (offset > (uint64_t)INT64_MAX - size) return -1;
    uint64_t put = 0;
    while (put < size) {
        ssize_t n =
            pwrite(disk->fd, static_cast<const char *>(buffer) + put, size - put, (off_t)(offset + put));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        put += (uint64_t)n;
    }
    if (put != size) {
        sim_warning(2, "Bogus Disk: write only returned %ld bytes", (long)put);
        return -1;
    }
    return (int64_t)put;
}

int BogusDisk__AssertBufferSize(BogusDisk *disk, uint64_t size)
{
    if (disk->buffer && disk->buffer_size >= size) return 1;
    uint8_t *grown = static_cast<uint8_t *>(realloc(disk->buffer, size ? size : 1));
    if (!grown) {
        sim_error("BogusDisk__AssertBufferSize: Unable to allocate buffer of size %d", (int)size);
        return 0;
    }
    disk->buffer = grown;
    disk->buffer_size = size;
    return 1;
}

int BogusDisk_Sync(BogusDisk *disk)
{
    if (!disk) return 0;
    if (disk->cow) return COWsync(disk->cow);
    return fsync(disk->fd) == 0 ? 1 : 0;
}

void BogusDisk_Quit(BogusDisk *disk)
{
    if (!disk) return;
    if (disk->cow) {
        COWcleanup(disk->cow); // closes the base image too
    } else if (disk->fd >= 0) {
        fsync(disk->fd);
        close(disk->fd);
    }
    free(disk->buffer);
    free(disk->path);
    QUARN_FREE(disk);
}

void BogusDiskCleanup(DeviceMgr *manager)
{
    int32_t major = disk_class(manager);
    if (major >= 0) DeviceMgr__KillDevices(manager, major);
}

// ---- sim-support services ----

namespace
{

// The disk and the byte size of a transfer (GPR6 = blocks << 16 | minor, GPR5 first block);
// null when there is no such disk or the transfer is out of range.
BogusDisk *transfer(IOPDesc *iop, const char *missing, uint64_t *offset, uint64_t *size, bool *bad_range)
{
    uint64_t first = SimSupport_Arg(iop, 5);
    uint64_t word = SimSupport_Arg(iop, 6);
    int32_t minor = (int32_t)(word & 0xFFFF);
    BogusDisk *disk = disk_of_call(iop, minor);
    if (!disk) {
        sim_warning(2, missing, minor);
        return nullptr;
    }
    uint64_t blocks = word >> 16;
    *bad_range =
        blocks > MAX_TRANSFER_BLOCKS || first > (uint64_t)INT64_MAX / COW_BLOCK_SIZE - MAX_TRANSFER_BLOCKS;
    *size = blocks * COW_BLOCK_SIZE;
    *offset = first * COW_BLOCK_SIZE;
    return disk;
}

} // namespace

int BogusDiskRead(IOPDesc *iop)
{
    uint64_t address = SimSupport_Arg(iop, 4);
    uint64_t offset = 0, size = 0;
    bool bad_range = false;
    BogusDisk *disk = transfer(iop, "BogusDisk: Read: Trying using bogus disk #%d without TCL init", &offset,
                               &size, &bad_range);
    if (!disk || bad_range) return done(iop, MINUS_ONE);
    if (!BogusDisk__AssertBufferSize(disk, size)) {
        sim_error("BogusDiskRead With Buffer Size %ld", (long)size);
        return done(iop, MINUS_ONE);
    }
    int64_t n = read_from_BogusDisk_to_buffer(disk, disk->buffer, offset, size);
    if (n > 0) disk->bytes_read += (uint64_t)n;
    if (n != (int64_t)size) {
        sim_warning(2, "BogusDisk: Read: failed!");
        return done(iop, MINUS_ONE);
    }
    if (!EA_copy_buffer_to_memory_exception(iop, address, disk->buffer, (uint32_t)size, 1)) {
        if (!SimSupport_Failed_Copy(iop)) return 0;
        return done(iop, MINUS_ONE);
    }
    return done(iop, 0);
}

int BogusDiskWrite(IOPDesc *iop)
{
    uint64_t address = SimSupport_Arg(iop, 4);
    uint64_t offset = 0, size = 0;
    bool bad_range = false;
    BogusDisk *disk = transfer(iop, "BogusDisk: Write: Trying using bogus disk #%d without TCL init", &offset,
                               &size, &bad_range);
    if (!disk || bad_range) return done(iop, MINUS_ONE);
    if (!BogusDisk__AssertBufferSize(disk, size)) {
        sim_error("BogusDiskWrite with Buffer Size %ld", (long)size);
        return done(iop, MINUS_ONE);
    }
    if (!EA_copy_buffer_from_memory_exception(iop, address, disk->buffer, (uint32_t)size, 1)) {
        if (!SimSupport_Failed_Copy(iop)) return 0;
        return done(iop, MINUS_ONE);
    }
    int64_t n = write_to_BogusDisk_from_buffer(disk, disk->buffer, offset, size);
    return done(iop, n == (int64_t)size ? 0 : MINUS_ONE);
}

int BogusDiskInfo(IOPDesc *iop)
{
    int32_t operation = (int32_t)SimSupport_Arg(iop, 4);
    int32_t minor = (int32_t)SimSupport_Arg(iop, 5);
    BogusDisk *disk = disk_of_call(iop, minor);
    if (!disk) {
        sim_warning(2, "BogusDisk: Info: Trying using bogus disk #%d without TCL init", minor);
        return done(iop, MINUS_ONE);
    }
    switch (operation) {
    case 0:
        if (disk->cow) return done(iop, COWsync(disk->cow) ? 0 : MINUS_ONE);
        return done(iop, (uint64_t)(int64_t)fsync(disk->fd));
    case 1:
        return done(iop, disk->setup ? 1 : 0);
    case 2:
        if (!disk->setup) {
            sim_warning(2, "Bogus Disk: blksz req on dev %d before init", minor);
            return done(iop, MINUS_ONE);
        }
        return done(iop, (uint64_t)disk->blksz);
    case 3:
        if (!disk->setup) {
            sim_warning(2, "Bogus Disk: devsz req on dev %d before init", minor);
            return done(iop, MINUS_ONE);
        }
        return done(iop, (uint64_t)disk->devsz);
    case 4: {
        int changed = disk->media_changed ? 1 : 0;
        disk->media_changed = 0;
        return done(iop, (uint64_t)changed);
    }
    default:
        sim_warning(2, "Bogus Disk: bad info operation (%d)", operation);
        return done(iop, MINUS_ONE);
    }
}

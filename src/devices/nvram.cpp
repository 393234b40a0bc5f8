// The NVRAM image.
#include "devices/nvram.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "processor/records/generic_machine.h"
#include "runtime/alloc.h"
#include "runtime/message.h"

namespace
{

constexpr uint64_t COMMON_LENGTH = 368;

const char *const COMMON_VARIABLES[] = {
    "auto-boot?=true",
    "diag-switch?=false",
    "fcode-debug?=false",
    "oem-banner?=false",
    "oem-logo?=false",
    "use-nvramrc?=false",
    "little-endian?=false",
    "real-mode?=true",
    "menu?=false",
    "screen-#columns=100",
    "screen-#rows=40",
    "security-#badlogins=0",
    "security-mode=none",
    "selftest-#megs=0",
    "loadbase=16384",
    "boot-command=boot",
    "boot-file=",
    "diag-file=diag",
    "nvramrc=",
    "oem-banner=",
    "reboot-command=",
};

void write_header(uint8_t *header, uint8_t signature, uint64_t units, const char *name, size_t name_length)
{
    header[0] = signature;
    header[2] = (uint8_t)(units >> 8);
    header[3] = (uint8_t)units;
    memcpy(header + 4, name, name_length);
    header[1] = nvram_header_checksum(header);
}

uint8_t *map_private(int fd, uint64_t length)
{
    void *image = mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE, fd, 0);
    if (image == MAP_FAILED) sim_panic("halvo_nvram: mmap of %lu bytes failed", (unsigned long)length);
    return (uint8_t *)image;
}

halvo_nvram *new_handle(int fd, uint8_t *image, const char *name, uint64_t length, int anonymous)
{
    halvo_nvram *nvram = QUARN_ZALLOC(1, halvo_nvram);
    if (!nvram) return nullptr;
    nvram->fd = fd;
    nvram->image = image;
    nvram->name = REMEMBER_STRING(name);
    nvram->length = length;
    nvram->anonymous = anonymous;
    return nvram;
}

} // namespace

uint8_t nvram_header_checksum(const uint8_t *header)
{
    unsigned sum = header[0];
    for (int i = 2; i < 16; i++) {
        sum += header[i];
        if (sum > 0xFF) sum = (sum & 0xFF) + 1;
    }
    return (uint8_t)sum;
}

void write_new_nvram_file(uint8_t *image, uint64_t length)
{
    if (!image || length < COMMON_LENGTH + 16) return;
    memset(image, 0, length);
    write_header(image, 0x70, COMMON_LENGTH / 16, "common", 6);
    uint8_t *p = image + 16;
    for (const char *variable : COMMON_VARIABLES) {
        size_t n = strlen(variable) + 1;
        memcpy(p, variable, n);
        p += n;
    }
    const char free_name[12] = {'w', 'w', 'w', 'w', 'w', 'w', 'w', 'w', 'w', 'w', 'w', 'w'};
    write_header(image + COMMON_LENGTH, 0x7F, (length - COMMON_LENGTH) / 16, free_name, sizeof free_name);
}

halvo_nvram *halvo_nvram_open(const char *name, uint64_t length)
{
    if (standalone_mode || !name || length == 0) return nullptr;
    int fd = open(name, O_RDWR);
    if (fd >= 0) {
        struct stat info;
        if (fstat(fd, &info) == 0 && (uint64_t)info.st_size >= length)
            return new_handle(fd, map_private(fd, length), name, length, 0);
        // A file shorter than the image would fault beyond its end: keep a private copy instead.
        void *image = mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (image == MAP_FAILED) sim_panic("halvo_nvram: mmap of %lu bytes failed", (unsigned long)length);
        ssize_t got = pread(fd, image, length, 0);
        (void)got;
        return new_handle(fd, (uint8_t *)image, name, length, 1);
    }
    if (errno != ENOENT) return nullptr;
    sim_warning(2, "No NVRAM found, creating new NVRAM file from scratch (normal if booting KYX)");
    fd = open(name, O_RDWR | O_CREAT, 0700);
    if (fd < 0) return nullptr;
    std::vector<uint8_t> zeros(length, 0);
    ssize_t written = write(fd, zeros.data(), length);
    if (written < 0 || (uint64_t)written < length) {
        sim_error("halvo_nvram_open: write of %d failed.   Got %d response.", (int)length, (int)written);
        close(fd);
        return nullptr;
    }
    uint8_t *image = map_private(fd, length);
    write_new_nvram_file(image, length);
    return new_handle(fd, image, name, length, 0);
}

void halvo_nvram_close(halvo_nvram *nvram)
{
    if (!nvram) return;
    if (nvram->image) munmap(nvram->image, nvram->length);
    if (nvram->fd >= 0) close(nvram->fd);
    if (nvram->name) unlink(nvram->name);
    FORGET_STRING(nvram->name);
    QUARN_FREE(nvram);
}

int halvo_nvram_read(halvo_nvram *nvram, uint8_t *byte, uint64_t position)
{
    if (!nvram || position >= nvram->length) {
        if (byte) *byte = 0;
        return 0;
    }
    *byte = nvram->image[position];
    return 1;
}

int halvo_nvram_write(halvo_nvram *nvram, uint8_t byte, uint64_t position)
{
    if (!nvram || position >= nvram->length) return 0;
    nvram->image[position] = byte;
    return 1;
}

void halvo_nvram_copy(halvo_nvram *nvram, const char *name)
{
    if (!nvram || !name) return;
    int fd = open(name, O_WRONLY | O_TRUNC);
    if (fd < 0) {
        sim_warning(2, "HALVO NVRAM: Unable to open halvo nvram file for writing: %s", name);
        return;
    }
    ssize_t written = write(fd, nvram->image, nvram->length);
    if (written < 0 || (uint64_t)written != nvram->length)
        sim_warning(2, "HALVO NVRAM: attempted write of %d bytes, resulted in %d", (int)nvram->length,
                    (int)written);
    close(fd);
}

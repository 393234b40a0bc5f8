// The ROM device.
#include "devices/rom.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include "memory/memory_region.h"
#include "processor/config/config_getters.h"
#include "processor/records/generic_machine.h"
#include "processor/records/mcm.h"
#include "runtime/alloc.h"
#include "runtime/message.h"
#include "runtime/property_list.h"
#include "runtime/utils_mmap.h"

const uint32_t ROM_Builtin_Image[4] = {0x7C641B78, 0x38600063, 0x000EAEB0, 0x4E800020};

MMAPIentry_s G_MMAPI_ROM = {
    MMAPI_VERSION,
    ROM_INIT_MMAPI_FUNCTION,
    ROM_QUIT_MMAPI_FUNCTION,
    ROM_READ_MMAPI_FUNCTION,
    ROM_WRITE_MMAPI_FUNCTION,
    ROM_BLOCK_READ_MMAPI_FUNCTION,
    ROM_BLOCK_WRITE_MMAPI_FUNCTION,
    ROM_RESOLVE_MMAPI_FUNCTION,
};

namespace
{

constexpr uint64_t PAGE = 4096;

const char *client_name(MMAPI_Access *access)
{
    return access && access->client && access->client->name ? access->client->name : "";
}

// The access [offset, offset + length) lies inside the ROM.
bool inside(const ROM *rom, uint64_t offset, uint64_t length)
{
    return length <= rom->size && offset <= rom->size - length;
}

void release(ROM *rom)
{
    utils_unmap(rom->mapping, rom->map_size);
    rom->mapping = nullptr;
    rom->bytes = nullptr;
    rom->map_size = 0;
    rom->start = rom->end = rom->size = 0;
    rom->valid = 0;
}

} // namespace

void ROM_Add_Default_Values(PropertyList *list, const char *section)
{
    PropertyList__AddDefaultString(list, section, "start", "0xF0000000",
                                   "starting memory address of the ROM memory area");
    PropertyList__AddDefaultString(list, section, "size", "0", "size of the ROM memory area");
}

uint64_t ROM_DetectSize(uint64_t block_size, const char *file_name)
{
    uint64_t size = 16;
    if (file_name) {
        struct stat info;
        int fd = open(file_name, O_RDONLY);
        if (fd < 0 || fstat(fd, &info) != 0) {
            if (fd >= 0) close(fd);
            sim_warning(2, "ROM_DetectSize: fstat on %s failed", file_name);
            return 0;
        }
        close(fd);
        size = (uint64_t)info.st_size;
    }
    if (block_size) size = (size + block_size - 1) / block_size * block_size;
    return size;
}

void Setup_ROM(PropertyList *list, MCM *chip)
{
    if (!chip) return;
    GenericMachine *machine = chip->machine;
    const char *file_name = ROM_file_name(list, nullptr, -1);
    uint64_t start = get_plist_int(list, "ROM", -1, "start");
    int64_t size = (int64_t)get_plist_int(list, "ROM", -1, "size");
    if (size <= 0) size = (int64_t)ROM_DetectSize(machine ? machine->coherence_block_size : 0, file_name);
    if (size <= 0) return;
    if (start == 0) start = 0x100000000ULL - (uint64_t)size;
    if (!standalone_mode)
        MemMap_Define(chip, "ROM", &G_MMAPI_ROM, start, start + (uint64_t)size - 1, nullptr);
}

void *ROM_INIT_MMAPI_FUNCTION(const char *, PropertyList *list, InstanceLink *, uint64_t start, uint64_t end)
{
    ROM *rom = (ROM *)quarn_zalloc(sizeof(ROM), sizeof(ROM), "ROM", __FILE__, __LINE__);
    if (!rom) return nullptr;
    rom->start = start;
    rom->end = end;
    rom->size = end - start + 1;
    uint64_t first_page = start & ~(PAGE - 1);
    uint64_t last_page = (end + PAGE) & ~(PAGE - 1);
    rom->map_size = last_page - first_page;
    rom->mapping = (uint8_t *)utils_mmap("ROM", rom->map_size, PROT_READ | PROT_WRITE, 1, nullptr);
    if (!rom->mapping) {
        sim_error("Unable to allocate ROM Memory of size 0x%016lX", (unsigned long)rom->size);
        rom->map_size = 0;
        rom->valid = 0;
        return rom;
    }
    rom->bytes = rom->mapping + (start - first_page);
    const char *file_name = ROM_file_name(list, nullptr, -1);
    if (!file_name) {
        uint64_t n = rom->size < 16 ? rom->size : 16;
        uint8_t image[16];
        for (int i = 0; i < 4; i++)
            store_big_endian(image + 4 * i, ROM_Builtin_Image[i], 4);
        memcpy(rom->bytes, image, n);
        memset(rom->bytes + n, 0, rom->size - n);
        rom->valid = 1;
        return rom;
    }
    int fd = open(file_name, O_RDONLY);
    if (fd < 0) {
        sim_warning(2, "ROM: Could not open ROM file '%s'", file_name);
        release(rom);
        return rom;
    }
    uint64_t done = 0;
    while (done < rom->size) {
        ssize_t n = read(fd, rom->bytes + done, rom->size - done);
        if (n <= 0) break;
        done += (uint64_t)n;
    }
    close(fd);
    if (done == 0) {
        sim_warning(2, "Failed read of ROM file %s with rc=%d", file_name, 0);
        release(rom);
        return rom;
    }
    memset(rom->bytes + done, 0, rom->size - done);
    rom->valid = 1;
    return rom;
}

void ROM_QUIT_MMAPI_FUNCTION(void *instance)
{
    ROM *rom = static_cast<ROM *>(instance);
    if (!rom) return;
    utils_unmap(rom->mapping, rom->map_size);
    QUARN_FREE(rom);
}

int ROM_READ_MMAPI_FUNCTION(MMAPI_Access *, void *instance, uint64_t offset, uint64_t *value, int length)
{
    ROM *rom = static_cast<ROM *>(instance);
    if (!rom || !rom->valid) {
        sim_error("ROM_Read: no valid ROM file");
        *value = 0;
        return 0;
    }
    if (length < 0 || !inside(rom, offset, (uint64_t)length)) {
        sim_error("ROM_Read: reference exceeds size of memory 0x%016lX + length %d = 0x%016lX > 0x%016lX",
                  (unsigned long)offset, length, (unsigned long)(offset + length), (unsigned long)rom->size);
        *value = 0;
        return 0;
    }
    *value = load_big_endian(rom->bytes + offset, length);
    return 1;
}

int ROM_WRITE_MMAPI_FUNCTION(MMAPI_Access *access, void *, uint64_t offset, uint64_t value, int)
{
    sim_warning(2, "Client %s: Write of 0x%016lX to offset 0x%016lX (read-only-memory)", client_name(access),
                (unsigned long)value, (unsigned long)offset);
    sim_error("Client %s: ROM_Write: unsupported operation", client_name(access));
    return 0;
}

int ROM_BLOCK_READ_MMAPI_FUNCTION(MMAPI_Access *, void *instance, uint64_t offset, uint64_t length,
                                  void *destination)
{
    ROM *rom = static_cast<ROM *>(instance);
    if (!rom || !rom->valid) {
        sim_error("ROM_Block_Read: no valid ROM file");
        return 0;
    }
    if (!inside(rom, offset, length)) {
        sim_error(
            "ROM_Block_Read: reference exceeds size of memory 0x%016lX + length %d = 0x%016lX > 0x%016lX",
            (unsigned long)offset, (int)length, (unsigned long)(offset + length), (unsigned long)rom->size);
        return 0;
    }
    memcpy(destination, rom->bytes + offset, length);
    return 1;
}

int ROM_BLOCK_WRITE_MMAPI_FUNCTION(MMAPI_Access *, void *, uint64_t offset, uint64_t, const void *)
{
    sim_warning(2, "Write to ROM offset 0x%016lX (read-only-memory)", (unsigned long)offset);
    sim_error("2: ROM_Write: unsupported operation");
    return 0;
}

uint8_t *ROM_RESOLVE_MMAPI_FUNCTION(MemoryClient *, void *instance, uint64_t page_offset)
{
    ROM *rom = static_cast<ROM *>(instance);
    if (!rom || !rom->valid || page_offset >= rom->size) {
        if (!rom || !rom->valid) sim_error("ROM_Read: no valid ROM file");
        return nullptr;
    }
    return rom->bytes + page_offset;
}

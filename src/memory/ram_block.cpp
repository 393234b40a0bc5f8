// The plain RAM block device.
#include "memory/ram_block.h"

#include "memory/memory_region.h"
#include "runtime/alloc.h"
#include "runtime/message.h"

namespace
{

// The access [offset, offset + length) lies inside the block (no wrapping).
bool inside(const RAM_block *ram, uint64_t offset, int length)
{
    return length >= 0 && (uint64_t)length <= ram->size && offset <= ram->size - (uint64_t)length;
}

} // namespace

void *RAM_INIT_MMAPI_FUNCTION(const char *, PropertyList *, InstanceLink *, uint64_t start, uint64_t end)
{
    RAM_block *ram =
        (RAM_block *)quarn_zalloc(sizeof(RAM_block), sizeof(RAM_block), "RAM", __FILE__, __LINE__);
    if (!ram) return nullptr;
    ram->start = start;
    ram->end = end;
    ram->size = (uint32_t)(end - start + 1);
    ram->data = (uint8_t *)quarn_zalloc(ram->size, 1, "char", __FILE__, __LINE__);
    if (!ram->data) {
        sim_error("Unable to allocate RAM Memory of size 0x%016lX", (unsigned long)ram->size);
        QUARN_FREE(ram);
        return nullptr;
    }
    return ram;
}

void RAM_QUIT_MMAPI_FUNCTION(void *instance)
{
    RAM_block *ram = static_cast<RAM_block *>(instance);
    if (!ram) return;
    QUARN_FREE(ram->data);
    QUARN_FREE(ram);
}

int RAM_READ_MMAPI_FUNCTION(MMAPI_Access *, void *instance, uint64_t offset, uint64_t *value, int length)
{
    RAM_block *ram = static_cast<RAM_block *>(instance);
    if (!ram) return 0;
    if (!inside(ram, offset, length)) {
        sim_error("RAM_Read: reference exceeds size of memory 0x%016lX + length %d = 0x%016lX > 0x%016lX",
                  (unsigned long)offset, length, (unsigned long)(offset + (uint64_t)length),
                  (unsigned long)ram->size);
        return 0;
    }
    *value = load_big_endian(ram->data + offset, length);
    return 1;
}

int RAM_WRITE_MMAPI_FUNCTION(MMAPI_Access *, void *instance, uint64_t offset, uint64_t value, int length)
{
    RAM_block *ram = static_cast<RAM_block *>(instance);
    if (!ram) return 0;
    if (!inside(ram, offset, length)) {
        sim_error("RAM_Write: reference exceeds size of memory 0x%016lX + length %d = 0x%016lX > 0x%016lX",
                  (unsigned long)offset, length, (unsigned long)(offset + (uint64_t)length),
                  (unsigned long)ram->size);
        return 0;
    }
    store_big_endian(ram->data + offset, value, length);
    return 1;
}

MMAPIentry_s G_MMAPI_RAM = {MMAPI_VERSION,
                            RAM_INIT_MMAPI_FUNCTION,
                            RAM_QUIT_MMAPI_FUNCTION,
                            RAM_READ_MMAPI_FUNCTION,
                            RAM_WRITE_MMAPI_FUNCTION,
                            nullptr,
                            nullptr,
                            nullptr};

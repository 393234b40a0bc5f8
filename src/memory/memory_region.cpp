// Memory and FBAR regions: chunking, chunk creation, the region device operations.
#include "memory/memory_region.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <sys/mman.h>
#include <unistd.h>

#include "processor/records/generic_machine.h"
#include "processor/records/instance_link.h"
#include "runtime/alloc.h"
#include "runtime/message.h"
#include "runtime/stop.h"

namespace
{

constexpr uint64_t PAGE_SIZE = 4096;

// What differs between the memory and the FBAR family.
struct RegionKind {
    const char *type_name;
    const char *init_failure;
    const char *chunk_failure;
    bool fbar;
};

const RegionKind MEMORY_KIND = {"sim_memory", "Memory_Region_Init: couldn't allocate memory",
                                "MCM_Memory_Allocate_A_Chunk: Can't allocate memory.", false};
const RegionKind FBAR_KIND = {"fbar", "FBar_Region_Init: couldn't allocate memory",
                              "MCM_FBar_Allocate_A_Chunk: Can't allocate memory.", true};

// Chunks are created from whichever host thread touches them first (the interpreter's, or a
// PTURBO worker's): one lock makes each chunk exist once.
std::mutex chunk_creation_lock;

uint64_t round_up_power_of_2(uint64_t value)
{
    uint64_t power = 1;
    while (power < value && power != 0)
        power <<= 1;
    return power ? power : UINT64_MAX;
}

bool is_power_of_2(int64_t value)
{
    return value > 0 && (value & (value - 1)) == 0;
}

int log2_of(uint64_t power)
{
    int bits = 0;
    while (power > 1) {
        power >>= 1;
        bits++;
    }
    return bits;
}

// The smallest divisor of s that is not below a (a <= s): found through the divisor pairs
// (i, s / i) with i up to the square root of s.
int64_t smallest_divisor_not_below(int64_t s, int64_t a)
{
    int64_t best = s;
    for (int64_t i = 1; i <= s / i; i++) {
        if (s % i != 0) continue;
        int64_t j = s / i;
        if (i >= a && i < best) best = i;
        if (j >= a && j < best) best = j;
    }
    return best;
}

void setup_region(GenericMachine *machine, void *instance, uint32_t number, const RegionKind &kind)
{
    sim_memory *region = static_cast<sim_memory *>(instance);
    if (!region) return;
    region->machine = machine;
    region->number = number;
    int64_t s = memoryDataless ? (int64_t)PAGE_SIZE : region->size;
    int64_t a = machine ? machine->memory_alloc_size : 0;
    int64_t candidate = (a > 0 && a <= s) ? smallest_divisor_not_below(s, a) : s;
    if (s == 0) candidate = 0x100000;
    bool single = false;
    if (candidate < s && !is_power_of_2(candidate)) {
        candidate = s;
        single = true;
    } else if (candidate < (int64_t)PAGE_SIZE) {
        candidate = PAGE_SIZE;
    }
    int64_t count = (!single && s >= candidate) ? s / candidate : 1;
    region->chunk_size = candidate;
    region->num_chunks = (int32_t)count;
    if (count == 1) {
        region->chunk_shift = 0;
        region->chunk_index_mask = 0;
        region->offset_mask = round_up_power_of_2((uint64_t)(s > 0 ? s : candidate)) - 1;
    } else {
        region->chunk_shift = (uint32_t)log2_of((uint64_t)candidate);
        region->chunk_index_mask = (uint32_t)(round_up_power_of_2((uint64_t)count) - 1);
        region->offset_mask = (uint64_t)candidate - 1;
    }
    if (region->chunks) QUARN_FREE(region->chunks);
    if (region->fds) QUARN_FREE(region->fds);
    region->chunks = (uint8_t **)quarn_zalloc((size_t)count * sizeof(uint8_t *), sizeof(uint8_t *), "char *",
                                              __FILE__, __LINE__);
    region->fds = QUARN_MALLOC(count, int);
    if (!region->chunks || !region->fds) sim_panic("%s", kind.init_failure);
    for (int64_t i = 0; i < count; i++)
        region->fds[i] = -1;
}

void report_chunk_failure(sim_memory *region, uint32_t index, const RegionKind &kind)
{
    perror("mmap");
    uint64_t size = (uint64_t)region->chunk_size;
    sim_error("%s", kind.chunk_failure);
    sim_error("\tTrying to allocate chunk %d of size 0x%016lX for range 0x%016lX to 0x%016lX", (int)index,
              (unsigned long)size, (unsigned long)(index * size), (unsigned long)((index + 1) * size - 1));
    int existing = 0;
    for (int32_t i = 0; i < region->num_chunks; i++) {
        if (!region->chunks[i]) continue;
        sim_error("\tchunk %d already allocated (0x%016lX bytes)", (int)i, (unsigned long)size);
        existing++;
    }
    sim_error("\ttotal: %d chunks already allocated (0x%016lX bytes)", existing,
              (unsigned long)(existing * size));
    Sim_Quit(1);
}

uint8_t *allocate_chunk(sim_memory *region, uint32_t index, const RegionKind &kind)
{
    std::lock_guard<std::mutex> guard(chunk_creation_lock);
    if (uint8_t *chunk = region->chunks[index]) return chunk;
    size_t size = (size_t)region->chunk_size;
    void *mapping;
    if (region->anonymous) {
        mapping = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    } else {
        char path[4096];
        snprintf(path, sizeof path, "/tmp/quarn_memory_%d_%d_%d", (int)getpid(), (int)region->number,
                 (int)index);
        int fd = open(path, O_RDWR | O_CREAT | O_TRUNC, 0666);
        if (fd < 0) perror(path);
        unlink(path);
        if (fd >= 0 && ftruncate(fd, (off_t)size) != 0) perror("ftruncate");
        region->fds[index] = fd;
        mapping = fd >= 0 ? mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0) : MAP_FAILED;
    }
    if (mapping == MAP_FAILED) report_chunk_failure(region, index, kind);
    uint8_t *chunk = static_cast<uint8_t *>(mapping);
    __atomic_store_n(&region->chunks[index], chunk, __ATOMIC_RELEASE);
    return chunk;
}

void *init_region(uint64_t start, uint64_t end, InstanceLink *link, const RegionKind &kind)
{
    sim_memory *region = (sim_memory *)quarn_zalloc(sizeof(sim_memory), sizeof(sim_memory), kind.type_name,
                                                    __FILE__, __LINE__);
    if (!region) return nullptr;
    region->machine = InstanceLink__GetMachine(link);
    region->start = start;
    region->end = end;
    region->size = (int64_t)(end - start + 1);
    return region;
}

void quit_region(void *instance)
{
    sim_memory *region = static_cast<sim_memory *>(instance);
    if (!region) return;
    for (int32_t i = 0; region->chunks && i < region->num_chunks; i++) {
        if (region->chunks[i]) munmap(region->chunks[i], (size_t)region->chunk_size);
        region->chunks[i] = nullptr;
        if (region->fds && region->fds[i] != -1) {
            close(region->fds[i]);
            region->fds[i] = -1;
        }
    }
    if (region->chunks) QUARN_FREE(region->chunks);
    if (region->fds) QUARN_FREE(region->fds);
    QUARN_FREE(region);
}

int read_region(sim_memory *region, uint64_t offset, uint64_t *value, int length, bool fbar)
{
    if (uint8_t *bytes = region_host_address(region, offset, (uint64_t)(uint32_t)length, fbar)) {
        *value = load_big_endian(bytes, length);
        return 1;
    }
    // Across two chunks: byte by byte, each through its own chunk.
    uint64_t out = 0;
    for (int i = 0; i < length; i++) {
        uint8_t *byte = region_host_address(region, offset + (uint64_t)i, 1, fbar);
        if (!byte) return 0;
        out = out << 8 | *byte;
    }
    *value = out;
    return 1;
}

int write_region(sim_memory *region, uint64_t offset, uint64_t value, int length, bool fbar)
{
    if (uint8_t *bytes = region_host_address(region, offset, (uint64_t)(uint32_t)length, fbar)) {
        store_big_endian(bytes, value, length);
        return 1;
    }
    for (int i = 0; i < length; i++) {
        uint8_t *byte = region_host_address(region, offset + (uint64_t)i, 1, fbar);
        if (!byte) return 0;
        int shift = length - 1 - i;
        *byte = shift >= 8 ? 0 : (uint8_t)(value >> (8 * shift));
    }
    return 1;
}

int block_read_region(sim_memory *region, uint64_t offset, uint64_t length, void *destination, bool fbar)
{
    if (memoryDataless || length == 0) return 1;
    if (uint8_t *bytes = region_host_address(region, offset, length, fbar)) {
        memcpy(destination, bytes, length);
        return 1;
    }
    uint8_t *out = static_cast<uint8_t *>(destination);
    for (uint64_t i = 0; i < length; i++) {
        uint8_t *byte = region_host_address(region, offset + i, 1, fbar);
        if (!byte) return 0;
        out[i] = *byte;
    }
    return 1;
}

int block_write_region(sim_memory *region, uint64_t offset, uint64_t length, const void *source, bool fbar)
{
    if (length == 0) return 1;
    if (uint8_t *bytes = region_host_address(region, offset, length, fbar)) {
        memcpy(bytes, source, length);
        return 1;
    }
    const uint8_t *in = static_cast<const uint8_t *>(source);
    for (uint64_t i = 0; i < length; i++) {
        uint8_t *byte = region_host_address(region, offset + i, 1, fbar);
        if (!byte) return 0;
        *byte = in[i];
    }
    return 1;
}

} // namespace

uint64_t load_big_endian(const uint8_t *bytes, int length)
{
    switch (length) {
    case 1:
        return bytes[0];
    case 2: {
        uint16_t v;
        memcpy(&v, bytes, 2);
        return __builtin_bswap16(v);
    }
    case 4: {
        uint32_t v;
        memcpy(&v, bytes, 4);
        return __builtin_bswap32(v);
    }
    case 8: {
        uint64_t v;
        memcpy(&v, bytes, 8);
        return __builtin_bswap64(v);
    }
    default: {
        // Odd lengths (the short last element of a string access) byte by byte.
        uint64_t v = 0;
        for (int i = 0; i < length && i < 8; i++)
            v = (v << 8) | bytes[i];
        return v;
    }
    }
}

void store_big_endian(uint8_t *bytes, uint64_t value, int length)
{
    switch (length) {
    case 1:
        bytes[0] = (uint8_t)value;
        return;
    case 2: {
        uint16_t v = __builtin_bswap16((uint16_t)value);
        memcpy(bytes, &v, 2);
        return;
    }
    case 4: {
        uint32_t v = __builtin_bswap32((uint32_t)value);
        memcpy(bytes, &v, 4);
        return;
    }
    case 8: {
        uint64_t v = __builtin_bswap64(value);
        memcpy(bytes, &v, 8);
        return;
    }
    default:
        for (int i = 0; i < length; i++) {
            int shift = length - 1 - i;
            bytes[i] = shift >= 8 ? 0 : (uint8_t)(value >> (8 * shift));
        }
    }
}

uint8_t *memory_access_across_chunks(void)
{
    sim_warning(2, "memory access across chunks");
    return nullptr;
}

uint8_t *MCM_Memory_Allocate_A_Chunk(sim_memory *region, uint32_t index)
{
    return allocate_chunk(region, index, MEMORY_KIND);
}

uint8_t *MCM_FBar_Allocate_A_Chunk(sim_memory *region, uint32_t index)
{
    return allocate_chunk(region, index, FBAR_KIND);
}

void MEMORY_SETUP_FUNCTION(GenericMachine *machine, void *instance, uint32_t number)
{
    setup_region(machine, instance, number, MEMORY_KIND);
}

void FBAR_SETUP_FUNCTION(GenericMachine *machine, void *instance, uint32_t number)
{
    setup_region(machine, instance, number, FBAR_KIND);
}

int VALID_SYSTEM_PA_ADDRESS(GenericMachine *machine, uint64_t address)
{
    if (!machine || !machine->region_instances || machine->memory_region_id_shift >= 64) return 0;
    uint64_t number = address >> machine->memory_region_id_shift;
    if (number >= machine->memory_region_count) return 0;
    sim_memory *region = machine->region_instances[number];
    return region && region->start <= address && address <= region->end;
}

// ---- the memory family ----

void *MEMORY_INIT_MMAPI_FUNCTION(const char *, PropertyList *, InstanceLink *link, uint64_t start,
                                 uint64_t end)
{
    return init_region(start, end, link, MEMORY_KIND);
}

void MEMORY_QUIT_MMAPI_FUNCTION(void *instance)
{
    quit_region(instance);
}

int MEMORY_READ_MMAPI_FUNCTION(MMAPI_Access *, void *instance, uint64_t offset, uint64_t *value, int length)
{
    return read_region(static_cast<sim_memory *>(instance), offset, value, length, false);
}

int MEMORY_WRITE_MMAPI_FUNCTION(MMAPI_Access *, void *instance, uint64_t offset, uint64_t value, int length)
{
    return write_region(static_cast<sim_memory *>(instance), offset, value, length, false);
}

int MEMORY_BLOCK_READ_MMAPI_FUNCTION(MMAPI_Access *, void *instance, uint64_t offset, uint64_t length,
                                     void *destination)
{
    return block_read_region(static_cast<sim_memory *>(instance), offset, length, destination, false);
}

int MEMORY_BLOCK_WRITE_MMAPI_FUNCTION(MMAPI_Access *, void *instance, uint64_t offset, uint64_t length,
                                      const void *source)
{
    return block_write_region(static_cast<sim_memory *>(instance), offset, length, source, false);
}

uint8_t *MEMORY_RESOLVE_MMAPI_FUNCTION(MemoryClient *, void *instance, uint64_t page_offset)
{
    return region_host_address(static_cast<sim_memory *>(instance), page_offset, PAGE_SIZE, false);
}

// ---- the FBAR family ----

void *FBAR_INIT_MMAPI_FUNCTION(const char *, PropertyList *, InstanceLink *link, uint64_t start, uint64_t end)
{
    return init_region(start, end, link, FBAR_KIND);
}

void FBAR_QUIT_MMAPI_FUNCTION(void *instance)
{
    quit_region(instance);
}

int FBAR_READ_MMAPI_FUNCTION(MMAPI_Access *, void *instance, uint64_t offset, uint64_t *value, int length)
{
    return read_region(static_cast<sim_memory *>(instance), offset, value, length, true);
}

int FBAR_WRITE_MMAPI_FUNCTION(MMAPI_Access *, void *instance, uint64_t offset, uint64_t value, int length)
{
    return write_region(static_cast<sim_memory *>(instance), offset, value, length, true);
}

int FBAR_BLOCK_READ_MMAPI_FUNCTION(MMAPI_Access *, void *instance, uint64_t offset, uint64_t length,
                                   void *destination)
{
    return block_read_region(static_cast<sim_memory *>(instance), offset, length, destination, true);
}

int FBAR_BLOCK_WRITE_MMAPI_FUNCTION(MMAPI_Access *, void *instance, uint64_t offset, uint64_t length,
                                    const void *source)
{
    return block_write_region(static_cast<sim_memory *>(instance), offset, length, source, true);
}

uint8_t *FBAR_RESOLVE_MMAPI_FUNCTION(MemoryClient *, void *instance, uint64_t page_offset)
{
    return region_host_address(static_cast<sim_memory *>(instance), page_offset, PAGE_SIZE, true);
}

MMAPIentry_s G_MMAPI_MEMORY = {MMAPI_VERSION,
                               MEMORY_INIT_MMAPI_FUNCTION,
                               MEMORY_QUIT_MMAPI_FUNCTION,
                               MEMORY_READ_MMAPI_FUNCTION,
                               MEMORY_WRITE_MMAPI_FUNCTION,
                               MEMORY_BLOCK_READ_MMAPI_FUNCTION,
                               MEMORY_BLOCK_WRITE_MMAPI_FUNCTION,
                               MEMORY_RESOLVE_MMAPI_FUNCTION};

MMAPIentry_s G_MMAPI_FBAR = {MMAPI_VERSION,
                             FBAR_INIT_MMAPI_FUNCTION,
                             FBAR_QUIT_MMAPI_FUNCTION,
                             FBAR_READ_MMAPI_FUNCTION,
                             FBAR_WRITE_MMAPI_FUNCTION,
                             FBAR_BLOCK_READ_MMAPI_FUNCTION,
                             FBAR_BLOCK_WRITE_MMAPI_FUNCTION,
                             FBAR_RESOLVE_MMAPI_FUNCTION};

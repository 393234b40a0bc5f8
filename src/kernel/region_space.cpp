// Region spaces: blocks carved out of a caller-supplied memory area.
#include "kernel/region_space.h"

#include <cstdint>

#include "kernel/tsim.h"

namespace
{

// The space record at the start of the area.
struct region_s {
    space_s base;
    int32_t unused;
    char *end;
    space_block_header_s *free_list; // linked through the headers' link words
};
static_assert(sizeof(region_s) == 24, "the region record is 24 bytes");

constexpr size_t HEADER = sizeof(space_block_header_s);
constexpr size_t SPLIT_REMAINDER = 36;

inline region_s *region_of(space_s *space)
{
    return reinterpret_cast<region_s *>(space);
}
inline char *first_block(region_s *region)
{
    return reinterpret_cast<char *>(region) + sizeof(region_s);
}
inline space_block_header_s *next_block(space_block_header_s *header)
{
    return reinterpret_cast<space_block_header_s *>(reinterpret_cast<char *>(header) + HEADER + header->size);
}

void push_free(region_s *region, space_block_header_s *header)
{
    header->free_flag = 1;
    header->link = region->free_list;
    region->free_list = header;
}

// Merges neighbouring free blocks and rebuilds the free list in address order.
void merge(region_s *region)
{
    region->free_list = nullptr;
    space_block_header_s **tail = &region->free_list;
    auto *end = reinterpret_cast<space_block_header_s *>(region->end);
    for (auto *h = reinterpret_cast<space_block_header_s *>(first_block(region)); h < end;
         h = next_block(h)) {
        if (!h->free_flag) continue;
        for (space_block_header_s *n = next_block(h); n < end && n->free_flag; n = next_block(h))
            h->size += HEADER + n->size;
        h->link = nullptr;
        *tail = h;
        tail = reinterpret_cast<space_block_header_s **>(&h->link);
    }
}

space_block_header_s *first_fit(region_s *region, size_t need)
{
    for (space_block_header_s **link = &region->free_list; *link;
         link = reinterpret_cast<space_block_header_s **>(&(*link)->link)) {
        space_block_header_s *h = *link;
        if (h->size < need) continue;
        *link = static_cast<space_block_header_s *>(h->link);
        if (h->size - need >= SPLIT_REMAINDER) {
            auto *rest =
                reinterpret_cast<space_block_header_s *>(reinterpret_cast<char *>(h) + HEADER + need);
            rest->size = h->size - need - HEADER;
            rest->space = &region->base;
            rest->unused = 0;
            push_free(region, rest);
            h->size = need;
        }
        h->free_flag = 0;
        h->link = nullptr;
        return h;
    }
    return nullptr;
}

} // namespace

space_s *space_new(void *memory, size_t size)
{
    if (!memory || size < sizeof(region_s)) {
        tsim_error("%d is too small, need at least %d", (int)size, (int)sizeof(region_s));
        return nullptr;
    }
    auto *region = static_cast<region_s *>(memory);
    region->base.kind = SPACE_REGION;
    region->unused = 0;
    size_t usable = (size - sizeof(region_s)) & ~size_t(7);
    region->end = first_block(region) + usable;
    region->free_list = nullptr;
    if (usable >= HEADER + 8) {
        auto *block = reinterpret_cast<space_block_header_s *>(first_block(region));
        block->size = usable - HEADER;
        block->space = &region->base;
        block->unused = 0;
        push_free(region, block);
    } else {
        region->end = first_block(region); // no room for any block
    }
    return &region->base;
}

void space_cleanup(space_s *) {}
void space_free(space_s *) {}

size_t space_available(space_s *space)
{
    if (!space || space->kind != SPACE_REGION) return 0;
    size_t total = 0;
    for (auto *h = region_of(space)->free_list; h; h = static_cast<space_block_header_s *>(h->link))
        total += h->size;
    return total;
}

void *region_get(space_s *space, size_t size)
{
    region_s *region = region_of(space);
    size_t need = size ? (size + 7) & ~size_t(7) : 8;
    if (need < size) need = SIZE_MAX; // too big for any block
    space_block_header_s *h = first_fit(region, need);
    if (!h) {
        merge(region);
        h = first_fit(region, need);
    }
    if (!h) {
        tsim_error("can't allocate %d bytes from region space", (int)size);
        return nullptr;
    }
    return h + 1;
}

void region_put(space_block_header_s *header)
{
    region_s *region = region_of(header->space);
    if (header->free_flag) {
        // Already free: pushing it again would link it twice.
        tsim_print("put, avail = %d\n", (int)space_available(&region->base));
        return;
    }
    push_free(region, header);
}

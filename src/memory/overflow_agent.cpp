// The memory overflow agent.
#include "memory/overflow_agent.h"

#include <mutex>
#include <sys/mman.h>

#include "memory/height_tree.h"
#include "memory/memory_tags.h"
#include "processor/config/config_getters.h"
#include "processor/records/generic_machine.h"
#include "runtime/alloc.h"
#include "runtime/message.h"
#include "runtime/utils_mmap.h"

namespace
{

constexpr uint64_t PAGE_SIZE = 4096;
constexpr uint64_t PAGE_MASK = PAGE_SIZE - 1;

// Pages are created from whichever host thread touches them first; the tree is walked and
// changed under one lock (the overflow agent serves no hot path).
std::mutex overflow_lock;

uint64_t page_key(const overflow_memory_page *node)
{
    return node->page;
}

overflow_memory_page *lookup(overflow_memory_page *node, uint64_t page)
{
    while (node && node->page != page)
        node = page < node->page ? node->left : node->right;
    return node;
}

overflow_memory_page *find_locked(overflow_memory *agent, uint64_t page)
{
    if (overflow_memory_page *found = lookup(agent->root, page)) return found;
    overflow_memory_page *node = QUARN_ZALLOC(1, overflow_memory_page);
    if (!node) {
        sim_error("Ran out of memory for the overflow agent");
        return nullptr;
    }
    node->page = page;
    node->data = static_cast<uint8_t *>(
        utils_mmap("overflow agent page", PAGE_SIZE, PROT_READ | PROT_WRITE, 1, nullptr));
    if (!node->data) {
        QUARN_FREE(node);
        return nullptr;
    }
    agent->root = add_overflow_page(agent->root, node);
    if (agent->machine) Define_Memory_Tag_Bit_Array(agent->machine, page, page + PAGE_MASK);
    return node;
}

// The byte at an offset, or null when its page cannot be made.
uint8_t *byte_at(overflow_memory *agent, uint64_t offset, overflow_memory_page **cached)
{
    uint64_t page = offset & ~PAGE_MASK;
    if (!*cached || (*cached)->page != page) *cached = find_overflow_page(agent, page);
    return *cached ? (*cached)->data + (offset & PAGE_MASK) : nullptr;
}

} // namespace

void MEMORY_OVERFLOW_SETUP_FUNCTION(GenericMachine *machine, void *instance)
{
    if (instance) static_cast<overflow_memory *>(instance)->machine = machine;
}

overflow_memory_page *find_overflow_page(overflow_memory *agent, uint64_t page)
{
    if (!agent) return nullptr;
    std::lock_guard<std::mutex> guard(overflow_lock);
    return find_locked(agent, page & ~PAGE_MASK);
}

overflow_memory_page *add_overflow_page(overflow_memory_page *root, overflow_memory_page *node)
{
    return height_tree_insert(root, node, page_key);
}

void delete_overflow_tree(overflow_memory_page *root)
{
    if (!root) return;
    delete_overflow_tree(root->left);
    delete_overflow_tree(root->right);
    utils_unmap(root->data, PAGE_SIZE);
    QUARN_FREE(root);
}

void *MEMORY_OVERFLOW_INIT_MMAPI_FUNCTION(const char *name, PropertyList *list, InstanceLink *, uint64_t,
                                          uint64_t)
{
    overflow_memory *agent = (overflow_memory *)quarn_zalloc(sizeof(overflow_memory), sizeof(overflow_memory),
                                                             "overflow_memory", __FILE__, __LINE__);
    if (!agent) return nullptr;
    agent->ignore_writes = get_plist_boolean(list, name, -1, "ignore_writes");
    agent->constant_reads = get_plist_boolean(list, name, -1, "constant_reads");
    agent->alignment = 8;
    if (agent->constant_reads) {
        uint64_t alignment = get_plist_int(list, name, -1, "alignment");
        agent->value = get_plist_int(list, name, -1, "value");
        // The pattern is at most one 64-bit value: 1 to 8 bytes.
        if (alignment >= 1 && alignment <= 8) {
            agent->alignment = (int32_t)alignment;
        } else {
            sim_warning(2, "%s: alignment %ld is not 1 to 8; using 8", name ? name : "MEMORY_OVERFLOW",
                        (long)alignment);
        }
    }
    return agent;
}

void MEMORY_OVERFLOW_QUIT_MMAPI_FUNCTION(void *instance)
{
    overflow_memory *agent = static_cast<overflow_memory *>(instance);
    if (!agent) return;
    delete_overflow_tree(agent->root);
    QUARN_FREE(agent);
}

int MEMORY_OVERFLOW_READ_MMAPI_FUNCTION(MMAPI_Access *, void *instance, uint64_t offset, uint64_t *value,
                                        int length)
{
    overflow_memory *agent = static_cast<overflow_memory *>(instance);
    if (!agent) return 0;
    if (agent->constant_reads) {
        uint64_t a = (uint64_t)agent->alignment;
        uint64_t shift = 8 * (a - ((offset + (uint64_t)length - 1) % a) - 1);
        uint64_t mask = length >= 8 ? ~0ULL : length <= 0 ? 0 : (1ULL << (8 * length)) - 1;
        *value = mask & (agent->value >> shift);
        return 1;
    }
    uint64_t out = 0;
    overflow_memory_page *page = nullptr;
    for (int i = 0; i < length; i++) {
        uint8_t *byte = byte_at(agent, offset + (uint64_t)i, &page);
        if (!byte) return 0;
        out = out << 8 | *byte;
    }
    *value = out;
    return 1;
}

int MEMORY_OVERFLOW_WRITE_MMAPI_FUNCTION(MMAPI_Access *, void *instance, uint64_t offset, uint64_t value,
                                         int length)
{
    overflow_memory *agent = static_cast<overflow_memory *>(instance);
    if (!agent) return 0;
    if (agent->ignore_writes) return 1;
    overflow_memory_page *page = nullptr;
    for (int i = 0; i < length; i++) {
        uint8_t *byte = byte_at(agent, offset + (uint64_t)i, &page);
        if (!byte) return 0;
        int shift = length - 1 - i;
        *byte = shift >= 8 ? 0 : (uint8_t)(value >> (8 * shift));
    }
    return 1;
}

uint8_t *MEMORY_OVERFLOW_RESOLVE_MMAPI_FUNCTION(MemoryClient *, void *instance, uint64_t page_offset)
{
    overflow_memory_page *page = find_overflow_page(static_cast<overflow_memory *>(instance), page_offset);
    return page ? page->data + (page_offset & PAGE_MASK) : nullptr;
}

MMAPIentry_s G_MMAPI_MEMORY_OVERFLOW = {MMAPI_VERSION,
                                        MEMORY_OVERFLOW_INIT_MMAPI_FUNCTION,
                                        MEMORY_OVERFLOW_QUIT_MMAPI_FUNCTION,
                                        MEMORY_OVERFLOW_READ_MMAPI_FUNCTION,
                                        MEMORY_OVERFLOW_WRITE_MMAPI_FUNCTION,
                                        nullptr,
                                        nullptr,
                                        MEMORY_OVERFLOW_RESOLVE_MMAPI_FUNCTION};

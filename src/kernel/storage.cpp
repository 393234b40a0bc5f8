// Kernel storage: the default space, object pools, growable buffers and module data tables.
#include "kernel/storage.h"

#include <cstdint>
#include <cstring>

#include "kernel/hooks/kernel_adapter.h"
#include "kernel/region_space.h"
#include "kernel/tsim.h"

namespace {

space_s default_space = {SPACE_DEFAULT};

// The global module table: descriptor pointers indexed by module index.
buffer_s module_descriptors = {nullptr, 0, &default_space, 0};
int module_descriptor_count = 0;

space_block_header_s *header_of(void *block)
{
    return reinterpret_cast<space_block_header_s *>(static_cast<char *>(block) - sizeof(space_block_header_s));
}

} // namespace

space_s *space_default(void) { return &default_space; }

void *space_get(space_s *space, size_t size, const char *file, int line)
{
    if (!space) space = &default_space;
    if (space->kind == SPACE_REGION) return region_get(space, size);
    void *raw = nullptr;
    if (size <= SIZE_MAX - sizeof(space_block_header_s)) raw = mist_malloc(size + sizeof(space_block_header_s), file, line);
    if (!raw) {
        tsim_error("can't allocate %d bytes from default heap", (int)size);
        return nullptr;
    }
    auto *header = static_cast<space_block_header_s *>(raw);
    header->free_flag = 0;
    header->unused = 0;
    header->size = size;
    header->space = space;
    header->link = nullptr;
    return header + 1;
}

void space_put(void *block)
{
    if (!block) return;
    space_block_header_s *header = header_of(block);
    if (header->space && header->space->kind == SPACE_REGION) {
        region_put(header);
        return;
    }
    mist_free(header);
}

void heap_init(heap_s *pool, space_s *space, size_t element_size)
{
    pool->space = space ? space : &default_space;
    pool->element_size = element_size < sizeof(void *) ? sizeof(void *) : element_size;
    pool->free_count = 0;
    pool->free_list = nullptr;
}

heap_s *heap_new(space_s *space, size_t element_size)
{
    auto *pool = static_cast<heap_s *>(space_get(space, sizeof(heap_s), __FILE__, __LINE__));
    if (!pool) {
        tsim_error("Can't allocate heap");
        return nullptr;
    }
    heap_init(pool, space, element_size);
    return pool;
}

void *heap_get(heap_s *pool)
{
    void *element = pool->free_list;
    if (element) {
        pool->free_list = *static_cast<void **>(element);
        pool->free_count--;
        return element;
    }
    return space_get(pool->space, pool->element_size, __FILE__, __LINE__);
}

void heap_put(heap_s *pool, void *element)
{
    if (!element) return;
    *static_cast<void **>(element) = pool->free_list;
    pool->free_list = element;
    pool->free_count++;
}

void heap_cleanup(heap_s *pool)
{
    while (pool->free_list) {
        void *element = pool->free_list;
        pool->free_list = *static_cast<void **>(element);
        space_put(element);
    }
    pool->free_count = 0;
}

void heap_free(heap_s *pool)
{
    if (!pool) return;
    heap_cleanup(pool);
    space_put(pool);
}

void buffer_init(buffer_s *buffer, space_s *space, size_t hint)
{
    buffer->data = nullptr;
    buffer->length = 0;
    buffer->space = space ? space : &default_space;
    buffer->hint = hint;
}

int buffer_ensure(buffer_s *buffer, size_t size)
{
    if (buffer->length >= size) return 1;
    void *block = nullptr;
    if (size <= SIZE_MAX - 128) block = space_get(buffer->space, size + 128, __FILE__, __LINE__);
    if (!block) {
        tsim_error("can't allocate %d bytes\n", (int)(size + 128));
        return 0;
    }
    if (buffer->length) memcpy(block, buffer->data, buffer->length);
    memset(static_cast<char *>(block) + buffer->length, 0, size + 128 - buffer->length);
    space_put(buffer->data);
    buffer->data = block;
    buffer->length = size + 128;
    return 1;
}

void *buffer_data(buffer_s *buffer) { return buffer->data; }

size_t buffer_size(buffer_s *buffer) { return buffer->length; }

void *buffer_offset(buffer_s *buffer, size_t offset, size_t size)
{
    if (offset > SIZE_MAX - size || !buffer_ensure(buffer, offset + size)) return nullptr;
    return static_cast<char *>(buffer->data) + offset;
}

void *buffer_array(buffer_s *buffer, size_t element_size, size_t index)
{
    if (element_size && index > SIZE_MAX / element_size) return nullptr;
    return buffer_offset(buffer, element_size * index, element_size);
}

void buffer_cleanup(buffer_s *buffer)
{
    space_put(buffer->data);
    buffer->data = nullptr;
    buffer->length = 0;
}

int module_add(module_s *module)
{
    if (module->index >= 0) return module->index;
    int index = module_descriptor_count;
    if (!buffer_ensure(&module_descriptors, (size_t)(index + 1) * sizeof(module_s *))) {
        tsim_error("can't allocate module data");
        return -1;
    }
    static_cast<module_s **>(module_descriptors.data)[index] = module;
    module_descriptor_count = index + 1;
    module->index = index;
    return index;
}

int module_index(module_s *module) { return module_add(module); }

int module_count(void) { return module_descriptor_count; }

void module_table_init(module_table_s *table, space_s *space)
{
    buffer_init(&table->buffer, space, 80);
    table->count = 0;
}

namespace {

// The slow path of a data lookup: registers the module, grows the owner's table and creates
// the entry.
void *module_data_slow(tsim_s *tsim, module_table_s *table, void *owner, module_s *module, bool for_job)
{
    if (module_add(module) < 0) {
        tsim_error(for_job ? "can't get module index" : "can't allocate module index");
        return nullptr;
    }
    int index = module->index;
    if (index >= table->count) {
        if (!buffer_ensure(&table->buffer, (size_t)(index + 1) * sizeof(void *))) {
            tsim_error(for_job ? "can't get module info" : "can't get module data");
            return nullptr;
        }
        table->count = index + 1;
    }
    void **entries = static_cast<void **>(table->buffer.data);
    if (!entries[index]) {
        size_t size = for_job ? module->job_size : module->tsim_size;
        module_init_fn init = for_job ? module->job_init : module->tsim_init;
        void *data = nullptr;
        if (size) {
            data = TD_get_internal(tsim, size, __FILE__, __LINE__);
            if (!data) return nullptr;
        }
        if (init) {
            entries[index] = init(module, owner, data);
        } else {
            if (data) memset(data, 0, size);
            entries[index] = data;
        }
    }
    return entries[index];
}

void module_exit(tsim_s *tsim, module_table_s *table, void *owner, bool for_job)
{
    if (table->count == 0) return;
    if (!table->buffer.data) {
        tsim_error("data missing");
        return;
    }
    if (module_descriptor_count < table->count) {
        tsim_error("missing module info");
        return;
    }
    void **entries = static_cast<void **>(table->buffer.data);
    module_s **descriptors = static_cast<module_s **>(module_descriptors.data);
    for (int index = 0; index < table->count; index++) {
        void *entry = entries[index];
        if (!entry) continue;
        module_s *module = descriptors[index];
        if (!module) {
            tsim_error("mod is NULL at index %d", index);
            continue;
        }
        module_fini_fn fini = for_job ? module->job_fini : module->tsim_fini;
        if (fini) fini(module, owner, entry, entry);
        if (for_job ? module->job_size : module->tsim_size) {
            if (tsim)
                tsim_put(tsim, entry);
            else
                tsim_error("no tsim for job");
        }
        entries[index] = nullptr;
    }
}

} // namespace

void *tsim_module_data_slow(tsim_s *tsim, module_s *module)
{
    return module_data_slow(tsim, &tsim->modules, tsim, module, false);
}

void *job_module_data_slow(job_s *job, module_s *module)
{
    return module_data_slow(job->tsim, &job->modules, job, module, true);
}

void tsim_module_exit(tsim_s *tsim) { module_exit(tsim, &tsim->modules, tsim, false); }

void job_module_exit(job_s *job) { module_exit(job->tsim, &job->modules, job, true); }

void *TD_get_internal(tsim_s *tsim, size_t size, const char *file, int line)
{
    return space_get(tsim ? tsim->space : &default_space, size, file, line);
}

void tsim_put(tsim_s *, void *block) { space_put(block); }

space_s *tsim_space(tsim_s *tsim) { return tsim ? tsim->space : &default_space; }

char *tsim_keep_string(tsim_s *tsim, const char *text)
{
    if (!text) return nullptr;
    size_t length = strlen(text) + 1;
    auto *copy = static_cast<char *>(TD_get_internal(tsim, length, __FILE__, __LINE__));
    if (!copy) {
        tsim_error("can't allocate %d bytes for name", (int)length);
        return nullptr;
    }
    memcpy(copy, text, length);
    return copy;
}

void tsim_free_string(tsim_s *tsim, char *copy) { tsim_put(tsim, copy); }

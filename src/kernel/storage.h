// Kernel storage: the storage space every kernel object is allocated from, object pools
// that recycle fixed-size records, growable buffers, and the per-module data tables through
// which a kernel facility attaches private data to each kernel and each job.
#pragma once

#include <cstddef>
#include <cstdint>

struct tsim_s;
struct job_s;

// A storage space: the default space (blocks from the simulator's allocator) or a region space
// (blocks carved out of a caller-supplied memory area). Every block carries a 32-byte header
// naming its space.
struct space_s {
    int32_t kind; // SPACE_DEFAULT or SPACE_REGION
};
enum : int32_t { SPACE_DEFAULT = 1, SPACE_REGION = 2 };

// Header in front of every block handed out by a space.
struct space_block_header_s {
    int32_t free_flag; // 0 while allocated
    int32_t unused;
    uint64_t size;     // requested size
    space_s *space;    // owning space
    void *link;
};
static_assert(sizeof(space_block_header_s) == 32, "the block header is 32 bytes");

space_s *space_default(void);
void *space_get(space_s *space, size_t size, const char *file, int line);
void space_put(void *block);

// A region space over [memory, memory + size): its record takes the first 24 bytes; blocks are
// 32 header bytes plus the size rounded up to a multiple of 8 (at least 8), allocated first fit,
// a free block split when 36 or more bytes would remain, neighbouring free blocks merged when
// nothing fits. Null ("%d is too small, need at least %d") for an area below 24 bytes.
space_s *space_new(void *memory, size_t size);
// Do nothing: the area belongs to the caller.
void space_cleanup(space_s *space);
void space_free(space_s *space);
// Free bytes of a region space (block headers not counted).
size_t space_available(space_s *space);

// Object pool of fixed-size records, linked through their first word while free.
struct heap_s {
    space_s *space;
    size_t element_size; // at least 8
    int32_t free_count;
    void *free_list;
};

void heap_init(heap_s *pool, space_s *space, size_t element_size);
heap_s *heap_new(space_s *space, size_t element_size);
void *heap_get(heap_s *pool);
void heap_put(heap_s *pool, void *element);
void heap_cleanup(heap_s *pool);
void heap_free(heap_s *pool);

// Growable buffer; grown blocks keep the old contents and are zeroed beyond them.
struct buffer_s {
    void *data;
    size_t length;
    space_s *space;
    size_t hint; // size hint given at initialisation, not otherwise used
};

void buffer_init(buffer_s *buffer, space_s *space, size_t hint);
int buffer_ensure(buffer_s *buffer, size_t size);
void *buffer_data(buffer_s *buffer);
size_t buffer_size(buffer_s *buffer);
void *buffer_offset(buffer_s *buffer, size_t offset, size_t size);
void *buffer_array(buffer_s *buffer, size_t element_size, size_t index);
void buffer_cleanup(buffer_s *buffer);

// Module descriptor: a static record of the facility that owns it. index must start at -1.
// The initialisers receive (descriptor, owner, data) and return the table entry (the data
// itself when the module keeps nothing else); the finalisers receive (descriptor, owner,
// entry, entry). The owner is the tsim_s or the job_s.
struct module_s;
typedef void *(*module_init_fn)(module_s *module, void *owner, void *data);
typedef void (*module_fini_fn)(module_s *module, void *owner, void *entry, void *data);
struct module_s {
    int32_t index; // -1 until registered
    size_t tsim_size;
    module_init_fn tsim_init;
    module_fini_fn tsim_fini;
    size_t job_size;
    module_init_fn job_init;
    module_fini_fn job_fini;
};

// Per-owner module data table: pointers indexed by module index.
struct module_table_s {
    buffer_s buffer;
    int32_t count;
};

int module_add(module_s *module);
int module_index(module_s *module);
// Number of registered modules (the next index).
int module_count(void);

void module_table_init(module_table_s *table, space_s *space);
// The kernel's (job's) data of a module, created on first use; none on failure.
void *tsim_module_data_slow(tsim_s *tsim, module_s *module);
void *job_module_data_slow(job_s *job, module_s *module);
inline void *module_table_lookup(module_table_s *table, module_s *module)
{
    if (module->index < 0 || module->index >= table->count) return nullptr;
    return static_cast<void **>(table->buffer.data)[module->index];
}
// Finaliser passes: at kernel cleanup and at a job's end.
void tsim_module_exit(tsim_s *tsim);
void job_module_exit(job_s *job);

// Blocks and strings of a kernel's space.
void *TD_get_internal(tsim_s *tsim, size_t size, const char *file, int line);
void tsim_put(tsim_s *tsim, void *block);
space_s *tsim_space(tsim_s *tsim);
char *tsim_keep_string(tsim_s *tsim, const char *text);
void tsim_free_string(tsim_s *tsim, char *copy);

#define TSIM_GET(tsim, size) TD_get_internal((tsim), (size), __FILE__, __LINE__)

// Host mappings of the translator and its neighbours: anonymous private mappings counted by
// number and size (the counts drive the translator's zap limit), and the translation version.
#pragma once

#include <cstddef>
#include <cstdint>

// Mappings made by utils_mmap and not yet unmapped, and their total length. Failed mappings are
// counted too.
extern int64_t utils_mapping_count;
extern int64_t utils_mapped_bytes;

// An anonymous private mapping of size bytes with the given protection (PROT_*); reserved without
// swap when commit is 0. On failure: the error "can't allocate %s (%d bytes)\n" and the fallback.
void *utils_mmap(const char *name, size_t size, int protection, int commit, void *fallback);
// Unmaps a mapping made by utils_mmap; nothing for a null address.
void utils_unmap(void *address, size_t size);

// The region space's block operations, used by space_get and space_put (kernel/storage.h).
#pragma once

#include <cstddef>

#include "kernel/storage.h"

void *region_get(space_s *space, size_t size);
void region_put(space_block_header_s *header);

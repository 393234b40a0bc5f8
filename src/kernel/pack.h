// Packs: pools of worker jobs with a target size. Raising the target wakes parked workers or
// creates new ones ("pack job"); a worker calls pack_next between its steps and parks there while
// more workers run than the target.
#pragma once

#include <cstdint>

#include "kernel/tsim.h"

struct pack_s;
// A worker's body; the worker ends when it returns.
typedef void (*pack_fn)(pack_s *pack, void *data);

struct pack_s {
    tsim_s *tsim;
    pack_fn fn;
    void *data;
    int32_t target;
    int32_t running; // workers not parked
    int32_t workers; // workers that exist
    jobq_s parked;   // "pack queue"
};

void pack_init(pack_s *pack, tsim_s *tsim, pack_fn fn, void *data);
pack_s *pack_new(tsim_s *tsim, pack_fn fn, void *data);
// Drops the parked workers (they never run again).
void pack_cleanup(pack_s *pack);
void pack_free(pack_s *pack);
void pack_set_target(pack_s *pack, int target);
// Parks the calling worker while more workers run than the target.
void pack_next(pack_s *pack);
int pack_get_target(pack_s *pack);
// Workers running (not parked).
int pack_get_actual(pack_s *pack);
void *pack_get_data(pack_s *pack);

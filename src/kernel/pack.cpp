// Packs of worker jobs.
#include "kernel/pack.h"

#include "kernel/delay.h"
#include "kernel/job.h"
#include "kernel/waitset.h"

namespace
{

void worker(void *argument)
{
    auto *pack = static_cast<pack_s *>(argument);
    pack->fn(pack, pack->data);
    pack->running--;
    pack->workers--;
}

} // namespace

void pack_init(pack_s *pack, tsim_s *tsim, pack_fn fn, void *data)
{
    pack->tsim = tsim;
    pack->fn = fn;
    pack->data = data;
    pack->target = 0;
    pack->running = 0;
    pack->workers = 0;
    jobq_init(&pack->parked, "pack queue", 0);
}

pack_s *pack_new(tsim_s *tsim, pack_fn fn, void *data)
{
    auto *pack = static_cast<pack_s *>(TSIM_GET(tsim, sizeof(pack_s)));
    if (!pack) {
        tsim_error("can't allocate pack");
        return nullptr;
    }
    pack_init(pack, tsim, fn, data);
    return pack;
}

void pack_cleanup(pack_s *pack)
{
    pack->workers -= jobq_count(&pack->parked);
    jobq_drop_all(&pack->parked);
    pack->target = 0;
}

void pack_free(pack_s *pack)
{
    if (!pack) return;
    pack_cleanup(pack);
    tsim_put(pack->tsim, pack);
}

void pack_set_target(pack_s *pack, int target)
{
    pack->target = target;
    while (pack->running < pack->target) {
        if (proxy_s *parked = jobq_pop(&pack->parked)) {
            tsim_schedule(parked);
        } else {
            if (!pack->fn || !job_new(pack->tsim, "pack job", worker, pack)) break;
            pack->workers++;
        }
        pack->running++;
    }
}

void pack_next(pack_s *pack)
{
    // The waker counts a woken worker as running again.
    while (pack->running > pack->target && tsim_active_job) {
        pack->running--;
        current_block(&pack->parked, 0);
    }
}

int pack_get_target(pack_s *pack)
{
    return pack->target;
}
int pack_get_actual(pack_s *pack)
{
    return pack->running;
}
void *pack_get_data(pack_s *pack)
{
    return pack->data;
}

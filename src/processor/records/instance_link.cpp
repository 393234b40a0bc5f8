// Instance links.
#include "processor/records/instance_link.h"

#include "processor/records/generic_machine.h"
#include "runtime/alloc.h"
#include "runtime/message.h"

InstanceLink *InstanceLink__New(GenericMachine *machine, tsim_s *tsim, MCM *owner,
                                MemMapDefineFunction define)
{
    InstanceLink *link = QUARN_MALLOC(1, InstanceLink);
    if (!link) {
        sim_error("InstanceLink__New failed to allocate space");
        return nullptr;
    }
    link->machine = machine;
    link->tsim = tsim;
    link->owner = owner;
    link->define = define;
    return link;
}

InstanceLink *InstanceLink__NewCopy(InstanceLink *link)
{
    if (!link) return nullptr;
    return InstanceLink__New(link->machine, link->tsim, link->owner, link->define);
}

void InstanceLink__Free(InstanceLink *link)
{
    if (link) QUARN_FREE(link);
}

GenericMachine *InstanceLink__GetMachine(InstanceLink *link)
{
    return link ? link->machine : nullptr;
}

tsim_s *InstanceLink__GetTsim(InstanceLink *link)
{
    return link ? link->tsim : nullptr;
}

MCM *InstanceLink__GetMcm(InstanceLink *link)
{
    return link ? link->owner : nullptr;
}

void InstanceLink__SetMemMap_Func(InstanceLink *link, MemMapDefineFunction define)
{
    if (link) link->define = define;
}

void *InstanceLink__MemMap_Define(InstanceLink *link, const char *name, MMAPIentry_s *operations,
                                  uint64_t start, uint64_t end, void *instance)
{
    if (!link || !link->define) {
        sim_warning(2, "InstanceLink__MemMap_Define: mem map define function ptr not setup");
        return nullptr;
    }
    return link->define(link->owner, name, operations, start, end, instance);
}

time_domain *InstanceLink__NewTimeDomain(InstanceLink *link, const char *name, FreqSpec *spec)
{
    GenericMachine *machine = InstanceLink__GetMachine(link);
    return machine ? TD_declare_time_domain(name, &machine->time_domains, spec) : nullptr;
}

void stat_startIO(void *record)
{
    InstanceLink *link = record ? *static_cast<InstanceLink **>(record) : nullptr;
    if (GenericMachine *machine = InstanceLink__GetMachine(link)) machine->stats.io_started++;
}

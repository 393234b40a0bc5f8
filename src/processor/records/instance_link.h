// The instance link: the back link {machine, event kernel, owner, memory-map define function}
// that every chip-level unit keeps, with its accessors.
#pragma once

#include <cstdint>

struct GenericMachine;
struct MCM;
struct MMAPIentry_s;
struct tsim_s;
struct FreqSpec;
struct time_domain;

// Defines a device in the owner's memory map: (owner, name, operations, start, inclusive end,
// instance or none) → the device instance.
typedef void *(*MemMapDefineFunction)(MCM *owner, const char *name, MMAPIentry_s *operations, uint64_t start,
                                      uint64_t end, void *instance);

struct InstanceLink {
    GenericMachine *machine;
    tsim_s *tsim;
    MCM *owner;
    MemMapDefineFunction define;
};

// A new link; the error "InstanceLink__New failed to allocate space" and null when it cannot be had.
InstanceLink *InstanceLink__New(GenericMachine *machine, tsim_s *tsim, MCM *owner,
                                MemMapDefineFunction define);
InstanceLink *InstanceLink__NewCopy(InstanceLink *link);
void InstanceLink__Free(InstanceLink *link);
// Null for no link.
GenericMachine *InstanceLink__GetMachine(InstanceLink *link);
tsim_s *InstanceLink__GetTsim(InstanceLink *link);
MCM *InstanceLink__GetMcm(InstanceLink *link);
void InstanceLink__SetMemMap_Func(InstanceLink *link, MemMapDefineFunction define);
// Calls the define function with the owner first; without one a warning and null.
void *InstanceLink__MemMap_Define(InstanceLink *link, const char *name, MMAPIentry_s *operations,
                                  uint64_t start, uint64_t end, void *instance);
// Declares a time domain on the frequency setting in the time-domain set of the link's machine;
// null without a machine.
time_domain *InstanceLink__NewTimeDomain(InstanceLink *link, const char *name, FreqSpec *spec);
// Counts one started I/O operation on the machine of a record whose first field is an instance
// link.
void stat_startIO(void *record);

// The interrupt presentation controller of a chip (G_MMAPI_PPCIC, "PPCIC_%d"): per hardware
// thread a 4 KB page of presentation registers (XIRR with the current priority CPPR, the
// inter-processor request MFRR), 256 priority queues of pending requests and one presented
// request; a list of interrupt sources with their server, priority and enable state. Device
// interrupts come in through the controller's incoming hook; presented requests go out through
// its outgoing hook, the chip's processor hook.
#pragma once

#include <cstdint>

#include "devices/phb.h"
#include "memory/memory_map.h"

struct IntHandler;
struct MCM;
struct PPCIC_s;
struct ThreadState;

constexpr int PPCIC_MAX_THREADS = 512;
constexpr int PPCIC_PRIORITIES = 256;
constexpr uint32_t PPCIC_IPI_IRQ = 2;

struct PPC_Int_Source_s {
    uint32_t priority; // 255 = masked
    int32_t enabled;
    int32_t asserted;
    int32_t level; // 1 while a raised, level-style assertion holds
    uint32_t server;
    int32_t irq;
    PPC_Int_Source_s *next;
};

struct PIR_s {
    uint32_t server;
    uint32_t priority;
    int32_t irq;
    int32_t chip;
    PIR_s *next;
    int32_t ipi;
    PPC_Int_Source_s *source; // none for message interrupts and IPIs
};

struct PPCIC_Thread_s {
    uint32_t mfrr;
    int32_t server;
    uint32_t cppr;
    uint32_t registers[3]; // read at page offsets 16, 20 and 24
    PPCIC_s *controller;
    PIR_s *queues[PPCIC_PRIORITIES];
    PIR_s *presented;
};

struct PPCIC_s {
    MCM *chip;
    PPCIC_Thread_s threads[PPCIC_MAX_THREADS];
    int32_t initialized;
    PPC_Int_Source_s *sources;
    int32_t num_pages; // -1 until initialised
    IntHandler *incoming;
    IntHandler *outgoing;
    PHB_State phb; // the chip's PCI host bridge (created flag clear until one is created)
};

extern MMAPIentry_s G_MMAPI_PPCIC;

// The chip's controller, or none.
PPCIC_s *PPCIC_Of_Chip(MCM *chip);

void PPCIC_init(PPCIC_s *controller, int32_t threads);
void PPCIC__Register_Outgoing_IntHandler(PPCIC_s *controller, const IntHandler *hook);
IntHandler *PPCIC__Incoming_IntHandler(PPCIC_s *controller);
// The incoming hook's function: (controller, operation, line (ignored), interrupt number).
int PPCIC__Interrupt(void *controller, int32_t operation, int32_t line, uint64_t irq);

PPC_Int_Source_s *int_source_new(int32_t irq);
// Frees every interrupt source of the controller and empties its list; pending and presented
// requests stay, no longer linked to a source.
void PPCIC_Free_Sources(PPCIC_s *controller);
PIR_s *ireq_new(uint32_t server, uint32_t priority, int32_t irq, int32_t ipi, int32_t chip);
// The XISR of a request: (chip << 17) | irq; 0 for none.
uint32_t PPCIC_XISR(const PIR_s *request);

// RTAS services on the controller of the thread's chip.
int enable_InterruptSource(ThreadState *thread, int32_t irq);
int disable_InterruptSource(ThreadState *thread, int32_t irq);
PPC_Int_Source_s *set_InterruptSource_Config(ThreadState *thread, int32_t irq, uint32_t server,
                                             uint32_t priority);
void get_InterruptSource_Config(ThreadState *thread, int32_t irq, uint32_t *server, uint32_t *priority);

// Device operations.
void *PPCIC_INIT_MMAPI_FUNCTION(const char *name, PropertyList *list, InstanceLink *link, uint64_t start,
                                uint64_t end);
void PPCIC_QUIT_MMAPI_FUNCTION(void *instance);
int PPCIC_READ_MMAPI_FUNCTION(MMAPI_Access *access, void *instance, uint64_t offset, uint64_t *value,
                              int length);
int PPCIC_WRITE_MMAPI_FUNCTION(MMAPI_Access *access, void *instance, uint64_t offset, uint64_t value,
                               int length);

// The interrupt presentation controller.
#include "devices/ppcic.h"

#include "devices/interrupt_hook.h"
#include "devices/phb.h"
#include "processor/records/generic_machine.h"
#include "processor/records/instance_link.h"
#include "processor/records/mcm.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "runtime/alloc.h"
#include "runtime/message.h"

namespace
{

constexpr uint32_t PAGE_SHIFT = 12;
constexpr uint64_t PAGE_MASK = 0xFFF;

void schedule(PPCIC_Thread_s *entry);

void present(PPCIC_Thread_s *entry, PIR_s *request, const char *reason, int32_t line)
{
    entry->presented = request;
    IntHandler__Raise(entry->controller->outgoing, line, 0, reason);
}

// Presents the most favoured pending request below CPPR (a queued request at the MFRR priority
// wins over the IPI).
void schedule(PPCIC_Thread_s *entry)
{
    PPCIC_s *controller = entry->controller;
    if (!controller || !controller->initialized || entry->presented || entry->cppr == 0) return;
    auto take = [entry](uint32_t p) {
        PIR_s *request = entry->queues[p];
        entry->queues[p] = request->next;
        request->next = nullptr;
        present(entry, request, "schedule_interrupts:ir!=NULL", (int32_t)request->server);
    };
    auto ipi = [entry]() {
        present(entry, ireq_new(0, entry->mfrr, (int32_t)PPCIC_IPI_IRQ, 1, 0), "schedule_interrupts:IPI",
                entry->server);
    };
    if (entry->queues[0]) {
        take(0);
        return;
    }
    if (entry->mfrr == 0) {
        ipi();
        return;
    }
    for (uint32_t p = 1; p < PPCIC_PRIORITIES; p++) {
        if (p >= entry->cppr) return;
        if (entry->queues[p]) {
            take(p);
            return;
        }
        if (p == entry->mfrr) {
            ipi();
            return;
        }
    }
}

void queue_request(PPCIC_Thread_s *entry, PIR_s *request)
{
    uint32_t priority = request->priority & (PPCIC_PRIORITIES - 1);
    PIR_s *presented = entry->presented;
    if (presented && request->priority < presented->priority) {
        uint32_t back = presented->priority & (PPCIC_PRIORITIES - 1);
        presented->next = entry->queues[back];
        entry->queues[back] = presented;
        entry->presented = request;
        return;
    }
    request->next = entry->queues[priority];
    entry->queues[priority] = request;
    schedule(entry);
}

void remove_requests(PPCIC_Thread_s *entry, uint32_t priority, int32_t irq)
{
    uint32_t p = priority & (PPCIC_PRIORITIES - 1);
    for (PIR_s **link = &entry->queues[p]; *link; link = &(*link)->next) {
        PIR_s *request = *link;
        if (!request->ipi && request->irq == irq) {
            *link = request->next;
            QUARN_FREE(request);
            break;
        }
    }
    PIR_s *presented = entry->presented;
    if (presented && !presented->ipi && presented->priority == priority && presented->irq == irq) {
        entry->presented = nullptr;
        IntHandler__Lower(entry->controller->outgoing, entry->server, 0);
        QUARN_FREE(presented);
        schedule(entry);
    }
}

// Chip 0's controller holds the sources of a machine with several chips.
PPCIC_s *source_owner(PPCIC_s *controller)
{
    MCM *chip = controller->chip;
    GenericMachine *machine = chip ? chip->machine : nullptr;
    if (!machine || machine->num_mcms < 2) return controller;
    MCM *first = GenericMachine__GetMCM(machine, 0);
    PPCIC_s *owner = first ? PPCIC_Of_Chip(first) : nullptr;
    return owner ? owner : controller;
}

PPC_Int_Source_s *find_source(PPCIC_s *owner, int32_t irq)
{
    for (PPC_Int_Source_s *source = owner->sources; source; source = source->next)
        if (source->irq == irq) return source;
    return nullptr;
}

// The source of the interrupt: from the list, else from the bridge's vector table, else a new
// default (masked) source.
PPC_Int_Source_s *find_or_make_source(PPCIC_s *controller, int32_t irq)
{
    PPCIC_s *owner = source_owner(controller);
    if (PPC_Int_Source_s *source = find_source(owner, irq)) return source;
    if (PPC_Int_Source_s *source = PPC_PHB_IVT_Read(controller, irq)) return source;
    PPC_Int_Source_s *source = int_source_new(irq);
    if (!source) return nullptr;
    source->next = owner->sources;
    owner->sources = source;
    return source;
}

// The presentation entry of a server number, or none (with a warning or error) when no
// controller page serves it.
PPCIC_Thread_s *target_entry(PPCIC_s *controller, uint32_t server)
{
    MCM *chip = controller->chip;
    GenericMachine *machine = chip ? chip->machine : nullptr;
    PPCIC_s *target = controller;
    uint32_t index = server;
    if (machine && machine->num_mcms > 1) {
        ProcessorState *first = GenericMachine__Processor(machine, 0);
        uint32_t per_chip =
            (first ? first->num_threads : 1) * (chip->cores_per_chip ? chip->cores_per_chip : 1);
        if (per_chip == 0) per_chip = 1;
        MCM *target_chip = GenericMachine__GetMCM(machine, (int32_t)(server / per_chip));
        target = target_chip ? PPCIC_Of_Chip(target_chip) : nullptr;
        index = server % per_chip;
    }
    if (!target || !target->initialized) return nullptr;
    if (index >= (uint32_t)target->num_pages) {
        sim_warning(2, "PPCIC: interrupt server %u has no presentation page; interrupt dropped", server);
        return nullptr;
    }
    return &target->threads[index];
}

PPCIC_s *thread_controller(ThreadState *thread)
{
    return thread && thread->mcm ? PPCIC_Of_Chip(thread->mcm) : nullptr;
}

void free_queues(PPCIC_s *controller)
{
    for (PPCIC_Thread_s &entry : controller->threads) {
        for (PIR_s *&head : entry.queues) {
            while (PIR_s *request = head) {
                head = request->next;
                QUARN_FREE(request);
            }
        }
        QUARN_FREE(entry.presented);
        entry.presented = nullptr;
    }
}

} // namespace

MMAPIentry_s G_MMAPI_PPCIC = {
    MMAPI_VERSION,
    PPCIC_INIT_MMAPI_FUNCTION,
    PPCIC_QUIT_MMAPI_FUNCTION,
    PPCIC_READ_MMAPI_FUNCTION,
    PPCIC_WRITE_MMAPI_FUNCTION,
    nullptr,
    nullptr,
    nullptr,
};

PPCIC_s *PPCIC_Of_Chip(MCM *chip)
{
    return chip ? chip->ppcic : nullptr;
}

PPC_Int_Source_s *int_source_new(int32_t irq)
{
    PPC_Int_Source_s *source = QUARN_ZALLOC(1, PPC_Int_Source_s);
    if (!source) return nullptr;
    source->priority = 255;
    source->irq = irq;
    return source;
}

void PPCIC_Free_Sources(PPCIC_s *controller)
{
    if (!controller) return;
    // Requests of every chip's controller may name these sources (chip 0 holds the sources of
    // a machine with several chips).
    auto detach = [](PPCIC_s *holder) {
        if (!holder) return;
        for (PPCIC_Thread_s &entry : holder->threads) {
            for (PIR_s *head : entry.queues)
                for (PIR_s *request = head; request; request = request->next)
                    request->source = nullptr;
            if (entry.presented) entry.presented->source = nullptr;
        }
    };
    detach(controller);
    MCM *chip = controller->chip;
    GenericMachine *machine = chip ? chip->machine : nullptr;
    if (machine && machine->mcms)
        for (uint32_t c = 0; c < machine->num_mcms; c++)
            if (machine->mcms[c] && machine->mcms[c] != chip) detach(PPCIC_Of_Chip(machine->mcms[c]));
    while (PPC_Int_Source_s *source = controller->sources) {
        controller->sources = source->next;
        QUARN_FREE(source);
    }
}

PIR_s *ireq_new(uint32_t server, uint32_t priority, int32_t irq, int32_t ipi, int32_t chip)
{
    PIR_s *request = QUARN_ZALLOC(1, PIR_s);
    if (!request) return nullptr;
    request->server = server;
    request->priority = priority;
    request->irq = irq;
    request->ipi = ipi;
    request->chip = chip;
    return request;
}

uint32_t PPCIC_XISR(const PIR_s *request)
{
    if (!request) return 0;
    return (((uint32_t)request->chip << 17) | (uint32_t)request->irq) & 0xFFFFFF;
}

void PPCIC_init(PPCIC_s *controller, int32_t threads)
{
    if (!controller) return;
    controller->num_pages = threads;
    if (threads > PPCIC_MAX_THREADS || threads < 0) {
        sim_error("more than %d threads", PPCIC_MAX_THREADS);
        return;
    }
    for (int32_t i = 0; i < threads; i++) {
        PPCIC_Thread_s &entry = controller->threads[i];
        entry.server = i;
        entry.cppr = 0xFF;
        entry.mfrr = 0xFF;
        entry.presented = nullptr;
        entry.controller = controller;
        for (PIR_s *&head : entry.queues)
            head = nullptr;
    }
    controller->sources = nullptr;
    controller->initialized = 1;
}

void PPCIC__Register_Outgoing_IntHandler(PPCIC_s *controller, const IntHandler *hook)
{
    if (controller) IntHandler__Copy(controller->outgoing, hook);
}

IntHandler *PPCIC__Incoming_IntHandler(PPCIC_s *controller)
{
    return controller ? controller->incoming : nullptr;
}

int PPCIC__Interrupt(void *data, int32_t operation, int32_t, uint64_t argument)
{
    auto *controller = static_cast<PPCIC_s *>(data);
    if (!controller) return 0;
    int32_t irq = (int32_t)argument;
    if (operation == INT_STATE) {
        PPC_Int_Source_s *source = find_or_make_source(controller, irq);
        return source && source->asserted ? 1 : 0;
    }
    if (operation != INT_LOWER && operation != INT_RAISE && operation != INT_MESSAGE) {
        sim_warning(2, "PPCIC__Interrupt called with unknown event %d", operation);
        return 0;
    }
    PPC_Int_Source_s *source = find_or_make_source(controller, irq);
    if (!source) return 0;
    int32_t chip_number = controller->chip ? controller->chip->number : 0;
    switch (operation) {
    case INT_LOWER:
        source->asserted = 0;
        source->level = 0;
        if (source->enabled)
            if (PPCIC_Thread_s *entry = target_entry(controller, source->server))
                remove_requests(entry, source->priority, irq);
        return 0;
    case INT_RAISE:
        source->asserted = 1;
        source->level = 1;
        if (source->enabled)
            if (PPCIC_Thread_s *entry = target_entry(controller, source->server))
                if (PIR_s *request = ireq_new(source->server, source->priority, irq, 0, chip_number)) {
                    request->source = source;
                    queue_request(entry, request);
                }
        return 1;
    default: // message
        source->asserted = 1;
        source->level = 0;
        if (source->enabled)
            if (PPCIC_Thread_s *entry = target_entry(controller, source->server))
                if (PIR_s *request = ireq_new(source->server, source->priority, irq, 0, chip_number))
                    queue_request(entry, request);
        return 1;
    }
}

void *PPCIC_INIT_MMAPI_FUNCTION(const char *, PropertyList *, InstanceLink *link, uint64_t, uint64_t)
{
    PPCIC_s *controller = QUARN_ZALLOC(1, PPCIC_s);
    if (!controller) return nullptr;
    controller->chip = link ? link->owner : nullptr;
    controller->num_pages = -1;
    controller->incoming = IntHandler__New("PPCIC Incoming");
    IntHandler__Set(controller->incoming, PPCIC__Interrupt, controller);
    controller->outgoing = IntHandler__New("PPCIC IntHandler");
    return controller;
}

void PPCIC_QUIT_MMAPI_FUNCTION(void *instance)
{
    auto *controller = static_cast<PPCIC_s *>(instance);
    if (!controller) return;
    // The chip keeps the incoming hook as its device interrupt hook: it goes with the controller.
    if (MCM *chip = controller->chip) {
        if (chip->int_handler == controller->incoming) chip->int_handler = nullptr;
        if (chip->ppcic == controller) chip->ppcic = nullptr;
    }
    free_queues(controller);
    while (PPC_Int_Source_s *source = controller->sources) {
        controller->sources = source->next;
        QUARN_FREE(source);
    }
    IntHandler__Delete(controller->incoming);
    IntHandler__Delete(controller->outgoing);
    if (controller->phb.name) FORGET_STRING(controller->phb.name);
    QUARN_FREE(controller);
}

int PPCIC_READ_MMAPI_FUNCTION(MMAPI_Access *, void *instance, uint64_t offset, uint64_t *value, int length)
{
    auto *controller = static_cast<PPCIC_s *>(instance);
    if (!controller) return 1;
    int64_t page = (int64_t)offset >> PAGE_SHIFT;
    uint64_t r = offset & PAGE_MASK;
    if (page < 0 || page >= controller->num_pages || page >= PPCIC_MAX_THREADS || !controller->initialized) {
        sim_error("1: Invalid offset 0x%016lX", (unsigned long)offset);
        return 1;
    }
    PPCIC_Thread_s &entry = controller->threads[page];
    auto invalid = [&]() {
        sim_error("Invalid read. MMIO offset 0x%016lX  internal offset 0x%016lX length %d",
                  (unsigned long)offset, (unsigned long)r, length);
    };
    switch (r) {
    case 0:
        *value = length == 1 ? entry.cppr : ((uint64_t)entry.cppr << 24) | PPCIC_XISR(entry.presented);
        break;
    case 4:
        if (length == 1) {
            *value = entry.cppr;
        } else if (length == 4) {
            // Accept: the presented request leaves the presentation.
            uint32_t old_cppr = entry.cppr;
            PIR_s *request = entry.presented;
            uint32_t xisr = PPCIC_XISR(request);
            IntHandler__Lower(controller->outgoing, entry.server, 0);
            if (request) {
                entry.presented = nullptr;
                entry.cppr = request->priority;
                if (request->source && request->source->asserted && request->source->level)
                    queue_request(&entry, request);
                else
                    QUARN_FREE(request);
            }
            *value = ((uint64_t)old_cppr << 24) | xisr;
        } else {
            invalid();
        }
        break;
    case 12:
        if (length == 1)
            *value = entry.mfrr;
        else
            invalid();
        break;
    case 16:
    case 20:
    case 24:
        *value = entry.registers[(r - 16) / 4];
        break;
    default:
        invalid();
        break;
    }
    return 1;
}

int PPCIC_WRITE_MMAPI_FUNCTION(MMAPI_Access *, void *instance, uint64_t offset, uint64_t value, int length)
{
    auto *controller = static_cast<PPCIC_s *>(instance);
    if (!controller) return 1;
    int64_t page = (int64_t)offset >> PAGE_SHIFT;
    uint64_t r = offset & PAGE_MASK;
    if (page < 0 || page >= controller->num_pages || page >= PPCIC_MAX_THREADS || !controller->initialized) {
        sim_error("2: Invalid offset 0x%016lX", (unsigned long)offset);
        return 1;
    }
    PPCIC_Thread_s &entry = controller->threads[page];
    if (r < 4) {
        sim_error("Write to XIRR(0) which is R/O");
    } else if (r == 4 && (length == 1 || length == 4)) {
        uint32_t old_cppr = entry.cppr;
        entry.cppr = length == 1 ? (uint32_t)(value & 0xFF) : (uint32_t)((value >> 24) & 0xFF);
        if (entry.cppr > old_cppr) schedule(&entry);
    } else if (r == 12 && length == 1) {
        entry.mfrr = (uint32_t)(value & 0xFF);
        if (entry.mfrr <= 254) schedule(&entry);
    } else if (r == 16) {
        // ignored
    } else {
        sim_error("Invalid write. MMIO offset 0x%016lX  internal offset 0x%016lX length %d",
                  (unsigned long)offset, (unsigned long)r, length);
    }
    return 1;
}

int enable_InterruptSource(ThreadState *thread, int32_t irq)
{
    PPCIC_s *controller = thread_controller(thread);
    if (!controller) return 0;
    PPC_Int_Source_s *source = find_source(source_owner(controller), irq);
    if (!source) {
        sim_warning(2, "Enable interrupt request without an established interrupt source for irq=0x%0X", irq);
        return 0;
    }
    source->enabled = 1;
    if (source->asserted)
        if (PPCIC_Thread_s *entry = target_entry(controller, source->server))
            if (PIR_s *request = ireq_new(source->server, source->priority, irq, 0, 0)) {
                request->source = source;
                queue_request(entry, request);
            }
    return 1;
}

int disable_InterruptSource(ThreadState *thread, int32_t irq)
{
    PPCIC_s *controller = thread_controller(thread);
    if (!controller) return 0;
    PPC_Int_Source_s *source = find_source(source_owner(controller), irq);
    if (!source) {
        sim_warning(2, "Disable interrupt request without an established interrupt source for irq=0x%0X",
                    irq);
        return 0;
    }
    source->enabled = 0;
    if (source->asserted)
        if (PPCIC_Thread_s *entry = target_entry(controller, source->server))
            remove_requests(entry, source->priority, irq);
    return 1;
}

PPC_Int_Source_s *set_InterruptSource_Config(ThreadState *thread, int32_t irq, uint32_t server,
                                             uint32_t priority)
{
    PPCIC_s *controller = thread_controller(thread);
    if (!controller) return nullptr;
    PPC_Int_Source_s *source = find_or_make_source(controller, irq);
    if (!source) return nullptr;
    source->priority = priority;
    if (server >= PPCIC_MAX_THREADS) {
        sim_warning(2, "Tried to set IRQ server for IRQ 0x%X to out of bounds value %d\n", irq, server);
        source->server = 0;
        return nullptr;
    }
    source->server = server;
    return source;
}

void get_InterruptSource_Config(ThreadState *thread, int32_t irq, uint32_t *server, uint32_t *priority)
{
    PPCIC_s *controller = thread_controller(thread);
    if (!controller) return;
    PPC_Int_Source_s *source = find_or_make_source(controller, irq);
    if (!source) return;
    if (server) *server = source->server;
    if (priority) *priority = source->priority;
}

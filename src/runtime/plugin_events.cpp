// The plug-in events: the event table with its listener rings, registration and the firing
// functions; the instruction-trace plug-in's flags.
#include "runtime/plugin_events.h"

#include <cstring>

#include "runtime/alloc.h"
#include "runtime/fast_malloc.h"
#include "runtime/message.h"

int qtPluginOn = 0;
int jqRampedUp = 0;
FastMalloc *jqAXDPool = nullptr;

namespace
{

// The rings' heads, in event order; each starts empty (linked to itself) with its event's name.
constexpr const char *event_names[PE_EVENT_COUNT] = {
    "Event_Instruction_PreExecution",
    "Event_Instruction_Commit",
    "Event_Pipeline_Flush_Begin",
    "Event_Instruction_Flush",
    "Event_PTE_Access",
    "Event_Attn_Inst",
    "Event_Sleep_Enter_Inst",
    "Event_Sleep_Exit_Inst",
    "Event_Winkle_Enter_Inst",
    "Event_Winkle_Exit_Inst",
    "Event_Magic_Inst",
    "Event_Core_Exception",
    "Event_Core_Mode_Change",
    "Event_Core_Sync_Instruction",
    "Event_Core_Exception_Return",
    "Event_MFSPR",
    "Event_MTSPR",
    "Event_DCBZ_Start_End",
    "Event_Clear_Pages",
    "Event_Hvelo_Nx_Interrupt",
};

enum EventIndex {
    EV_PRE_EXECUTION,
    EV_COMMIT,
    EV_PIPELINE_FLUSH_BEGIN,
    EV_INSTRUCTION_FLUSH,
    EV_PTE_ACCESS,
    EV_ATTN,
    EV_SLEEP_ENTER,
    EV_SLEEP_EXIT,
    EV_WINKLE_ENTER,
    EV_WINKLE_EXIT,
    EV_MAGIC,
    EV_CORE_EXCEPTION,
    EV_CORE_MODE_CHANGE,
    EV_CORE_SYNC,
    EV_CORE_EXCEPTION_RETURN,
    EV_MFSPR,
    EV_MTSPR,
    EV_DCBZ,
    EV_CLEAR_PAGES,
    EV_HVELO_NX,
};

struct Rings {
    Listener heads[PE_EVENT_COUNT];
    constexpr Rings() : heads{}
    {
        for (int i = 0; i < PE_EVENT_COUNT; i++)
            heads[i] = {&heads[i], &heads[i], nullptr, const_cast<char *>(event_names[i])};
    }
};
constinit Rings rings;

constexpr PE_Desc make_row(int i)
{
    return {event_names[i], &rings.heads[i]};
}

int find_event(const char *event_name)
{
    if (!event_name) return -1;
    for (int i = 0; i < PE_EVENT_COUNT; i++)
        if (strcmp(event_names[i], event_name) == 0) return i;
    return -1;
}

// Calls every listener of the ring as type F; returns the last result (0 with none).
template <typename F, typename... Args> int fire_last(EventIndex event, Args... args)
{
    Listener *head = &rings.heads[event];
    int result = 0;
    for (Listener *l = head->next; l != head; l = l->next)
        result = reinterpret_cast<F>(l->function)(args...);
    return result;
}

// Calls every listener of the ring as type F; returns the sum of the results.
template <typename F, typename... Args> int fire_sum(EventIndex event, Args... args)
{
    Listener *head = &rings.heads[event];
    int sum = 0;
    for (Listener *l = head->next; l != head; l = l->next)
        sum += reinterpret_cast<F>(l->function)(args...);
    return sum;
}

// Calls every listener of the ring as type F; their results are not used.
template <typename F, typename... Args> void fire_notice(EventIndex event, Args... args)
{
    Listener *head = &rings.heads[event];
    for (Listener *l = head->next; l != head; l = l->next)
        reinterpret_cast<F>(l->function)(args...);
}

} // namespace

PE_Desc PE_Desc_Table[PE_EVENT_COUNT + 1] = {
    make_row(0),  make_row(1),  make_row(2),  make_row(3),  make_row(4),  make_row(5),  make_row(6),
    make_row(7),  make_row(8),  make_row(9),  make_row(10), make_row(11), make_row(12), make_row(13),
    make_row(14), make_row(15), make_row(16), make_row(17), make_row(18), make_row(19), {nullptr, nullptr},
};

Listener *RegisterListener(const char *event_name, void *function, void *owner)
{
    int event = find_event(event_name);
    if (event < 0) {
        sim_warning(2, "Attempt to register listener to unknown event (%s)", event_name ? event_name : "");
        return nullptr;
    }
    Listener *listener = QUARN_MALLOC(1, Listener);
    if (!listener) {
        sim_error("Failed to allocate space for listener (%s)", event_name);
        return nullptr;
    }
    Listener *head = &rings.heads[event];
    listener->function = function;
    listener->owner = owner;
    listener->next = head;
    listener->previous = head->previous;
    head->previous->next = listener;
    head->previous = listener;
    return listener;
}

int UnRegisterListener(const char *event_name, void *function)
{
    int event = find_event(event_name);
    if (event < 0) {
        sim_warning(2, "Attempt to unregister listener to unknown event (%s)", event_name ? event_name : "");
        return 0;
    }
    Listener *head = &rings.heads[event];
    for (Listener *l = head->next; l != head; l = l->next) {
        if (l->function != function) continue;
        l->previous->next = l->next;
        l->next->previous = l->previous;
        return 1;
    }
    return 0;
}

Listener *FindListener(const char *event_name)
{
    int event = find_event(event_name);
    return event < 0 ? nullptr : &rings.heads[event];
}

int AnyoneListening(const char *event_name)
{
    Listener *head = FindListener(event_name);
    return head && head->next != head;
}

int Event_Instruction_PreExecution(IOPDesc *iop)
{
    return fire_last<PE_IOP_Listener>(EV_PRE_EXECUTION, iop);
}

int Event_Instruction_Commit(IOPDesc *iop)
{
    return fire_last<PE_IOP_Listener>(EV_COMMIT, iop);
}

int Event_Pipeline_Flush_Begin(ThreadState *thread, uint32_t word, uint64_t value)
{
    return fire_last<PE_Thread_Word_Value_Listener>(EV_PIPELINE_FLUSH_BEGIN, thread, word, value);
}

int Event_Instruction_Flush(IOPDesc *iop)
{
    return fire_last<PE_IOP_Listener>(EV_INSTRUCTION_FLUSH, iop);
}

int Event_PTE_Access(IOPDesc *iop, void *pte)
{
    return fire_last<PE_IOP_Pointer_Listener>(EV_PTE_ACCESS, iop, pte);
}

void Event_Attn_Inst(ThreadState *thread, uint32_t code)
{
    fire_notice<PE_Thread_Word_Notice_Listener>(EV_ATTN, thread, code);
}

void Event_Sleep_Enter_Inst(ThreadState *thread)
{
    fire_notice<PE_Thread_Notice_Listener>(EV_SLEEP_ENTER, thread);
}

void Event_Sleep_Exit_Inst(ThreadState *thread)
{
    fire_notice<PE_Thread_Notice_Listener>(EV_SLEEP_EXIT, thread);
}

void Event_Winkle_Enter_Inst(ThreadState *thread)
{
    fire_notice<PE_Thread_Notice_Listener>(EV_WINKLE_ENTER, thread);
}

void Event_Winkle_Exit_Inst(ThreadState *thread)
{
    fire_notice<PE_Thread_Notice_Listener>(EV_WINKLE_EXIT, thread);
}

int Event_Magic_Inst(ThreadState *thread, uint32_t code, uint64_t value)
{
    return fire_last<PE_Thread_Word_Value_Listener>(EV_MAGIC, thread, code, value);
}

int Event_Core_Exception(ThreadState *thread, uint32_t type)
{
    return fire_last<PE_Thread_Word_Listener>(EV_CORE_EXCEPTION, thread, type);
}

int Event_Core_Mode_Change(ThreadState *thread, uint32_t mode, uint64_t value)
{
    return fire_last<PE_Thread_Word_Value_Listener>(EV_CORE_MODE_CHANGE, thread, mode, value);
}

int Event_Core_Sync_Instruction(ThreadState *thread, uint32_t kind)
{
    return fire_last<PE_Thread_Word_Listener>(EV_CORE_SYNC, thread, kind);
}

int Event_Core_Exception_Return(ThreadState *thread)
{
    return fire_last<PE_Thread_Listener>(EV_CORE_EXCEPTION_RETURN, thread);
}

void Event_MFSPR(ThreadState *thread, uint32_t spr, uint64_t value)
{
    fire_notice<PE_Thread_Word_Value_Notice_Listener>(EV_MFSPR, thread, spr, value);
}

void Event_MTSPR(ThreadState *thread, uint32_t spr, uint64_t value)
{
    fire_notice<PE_Thread_Word_Value_Notice_Listener>(EV_MTSPR, thread, spr, value);
}

int Event_DCBZ_Start_End(ThreadState *thread, uint64_t ea, uint64_t pa, uint32_t size)
{
    return fire_sum<PE_Thread_Range_Listener>(EV_DCBZ, thread, ea, pa, size);
}

int Event_Clear_Pages(ThreadState *thread, uint64_t first, uint64_t last, uint32_t count)
{
    return fire_sum<PE_Thread_Range_Listener>(EV_CLEAR_PAGES, thread, first, last, count);
}

int Event_Hvelo_Nx_Interrupt(uint32_t type, uint32_t instance, uint64_t value)
{
    return fire_sum<PE_Nx_Listener>(EV_HVELO_NX, type, instance, value);
}

void Quarn_Lumo_Plugin_Start(void)
{
    qtPluginOn = 1;
    jqRampedUp = 0;
}

void Quarn_Lumo_Plugin_Stop(void)
{
    qtPluginOn = 0;
    if (jqAXDPool) {
        FastMalloc_Free(jqAXDPool);
        jqAXDPool = nullptr;
    }
}

// Named callback lists.
#include "runtime/callbacks.h"

#include <strings.h>

#include <cstring>

#include "runtime/alloc.h"
#include "runtime/hooks/model_callbacks.h"

Callback_List callBackFunctionLists[CALLBACK_LIST_COUNT];

namespace
{

constexpr const char *list_names[CALLBACK_LIST_COUNT] = {
    nullptr,
    "create_default_property_list",
    "config_init",
    "config_print",
    "fix",
    "quit_machine",
    "stats_reset",
    "stats_print",
    "declare_time_domain",
    "undeclare_time_domain",
    "switch_mode",
    "dump",
    "thread_switch_state",
    "periodic_stats_print",
    "warning",
    "fatal_error",
    "internal_error",
    "callthru",
    "build_simcmd",
    "build_public_simcmd",
    "add_simcmd",
};

// The order in which the lists are named (only the allocation sequence depends on it).
constexpr int naming_order[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 17, 18, 19, 20, 11, 12, 13, 14, 15, 16};

bool keeps_command_word(int index)
{
    return index == CALLBACK_BUILD_SIMCMD || index == CALLBACK_BUILD_PUBLIC_SIMCMD;
}

void release_entry(int index, Callback_Function *entry)
{
    if (keeps_command_word(index)) FORGET_STRING((char *)entry->data);
    FORGET_STRING(entry->name);
    QUARN_FREE(entry);
}

// Inserts in ascending (unsigned) priority; a new entry goes after every entry of its priority.
Callback_Function *insert(int index, int32_t priority, const char *name, CallbackFunction function,
                          void *data)
{
    Callback_Function *entry = QUARN_MALLOC(1, Callback_Function);
    if (!entry) return nullptr;
    entry->next = nullptr;
    entry->priority = (uint32_t)priority;
    entry->function = function;
    entry->data = data;
    entry->name = REMEMBER_STRING(name);

    Callback_List &list = callBackFunctionLists[index];
    if (!list.head || entry->priority < list.head->priority) {
        entry->next = list.head;
        list.head = entry;
        return entry;
    }
    Callback_Function *after = list.head;
    while (after->next && after->next->priority <= entry->priority)
        after = after->next;
    entry->next = after->next;
    after->next = entry;
    return entry;
}

void clear_list(int index)
{
    Callback_Function *entry = callBackFunctionLists[index].head;
    callBackFunctionLists[index].head = nullptr;
    while (entry) {
        Callback_Function *next = entry->next;
        release_entry(index, entry);
        entry = next;
    }
}

} // namespace

#define CALLBACK_REGISTER(fn, index)                                                                         \
    Callback_Function *fn(int32_t priority, const char *name, CallbackFunction function, void *data)         \
    {                                                                                                        \
        return insert(index, priority, name, function, data);                                                \
    }

CALLBACK_REGISTER(Callback_register_create_default_property_list, CALLBACK_CREATE_DEFAULT_PROPERTY_LIST)
CALLBACK_REGISTER(Callback_register_config_init, CALLBACK_CONFIG_INIT)
CALLBACK_REGISTER(Callback_register_config_print, CALLBACK_CONFIG_PRINT)
CALLBACK_REGISTER(Callback_register_fix, CALLBACK_FIX)
CALLBACK_REGISTER(Callback_register_quit_machine, CALLBACK_QUIT_MACHINE)
CALLBACK_REGISTER(Callback_register_stats_reset, CALLBACK_STATS_RESET)
CALLBACK_REGISTER(Callback_register_stats_print, CALLBACK_STATS_PRINT)
CALLBACK_REGISTER(Callback_register_declare_time_domain, CALLBACK_DECLARE_TIME_DOMAIN)
CALLBACK_REGISTER(Callback_register_undeclare_time_domain, CALLBACK_UNDECLARE_TIME_DOMAIN)
CALLBACK_REGISTER(Callback_register_switch_mode, CALLBACK_SWITCH_MODE)
CALLBACK_REGISTER(Callback_register_thread_switch_state, CALLBACK_THREAD_SWITCH_STATE)
CALLBACK_REGISTER(Callback_register_periodic_stats_print, CALLBACK_PERIODIC_STATS_PRINT)
CALLBACK_REGISTER(Callback_register_callthru, CALLBACK_CALLTHRU)
CALLBACK_REGISTER(Callback_register_add_simcmd, CALLBACK_ADD_SIMCMD)

Callback_Function *Callback_register_dump(int32_t priority, const char *name, CallbackDumpFunction function,
                                          void *data)
{
    return insert(CALLBACK_DUMP, priority, name, (CallbackFunction)function, data);
}

Callback_Function *Callback_register_at_warning(int32_t priority, const char *name,
                                                CallbackMessageFunction function, void *data)
{
    return insert(CALLBACK_WARNING, priority, name, (CallbackFunction)function, data);
}

Callback_Function *Callback_register_at_fatal_error(int32_t priority, const char *name,
                                                    CallbackMessageFunction function, void *data)
{
    return insert(CALLBACK_FATAL_ERROR, priority, name, (CallbackFunction)function, data);
}

Callback_Function *Callback_register_at_internal_error(int32_t priority, const char *name,
                                                       CallbackMessageFunction function, void *data)
{
    return insert(CALLBACK_INTERNAL_ERROR, priority, name, (CallbackFunction)function, data);
}

Callback_Function *Callback_register_build_simcmd(int32_t priority, const char *name,
                                                  CallbackFunction function, const char *command_word)
{
    return insert(CALLBACK_BUILD_SIMCMD, priority, name, function, REMEMBER_STRING(command_word));
}

Callback_Function *Callback_register_build_public_simcmd(int32_t priority, const char *name,
                                                         CallbackFunction function, const char *command_word)
{
    return insert(CALLBACK_BUILD_PUBLIC_SIMCMD, priority, name, function, REMEMBER_STRING(command_word));
}

void Callback_Lists_Init(void)
{
    for (int index : naming_order) {
        Callback_List &list = callBackFunctionLists[index];
        if (!list.name) list.name = REMEMBER_STRING(list_names[index]);
        list.head = nullptr;
    }

    Callbacks_register_cycle_core();
    Callbacks_register_cache();
    Callbacks_register_l4cache();
    Callbacks_register_bus();
    Callbacks_register_memory_unit();
    Callbacks_register_smp_port();
    Callbacks_register_HubChip();
    Callbacks_register_io_bridge();
    Callbacks_register_vuxo();
    Callbacks_register_probability_model();
    Callbacks_register_perfcore_model();
    Callbacks_register_SimpleMode();
    Callbacks_register_TurboMode();
    Callbacks_register_HTM();
    Callbacks_register_ppc_generic();
}

void Callback_Lists_Quit(void)
{
    for (int index = 0; index < CALLBACK_LIST_COUNT; index++)
        clear_list(index);
}

Callback_List *Callback_Search_by_name(const char *name)
{
    if (!name) return nullptr;
    for (int index = 1; index < CALLBACK_LIST_COUNT; index++) {
        Callback_List &list = callBackFunctionLists[index];
        if (list.name && strcasecmp(list.name, name) == 0) return &list;
    }
    return nullptr;
}

void Callback_Clear(const char *name)
{
    Callback_List *list = Callback_Search_by_name(name);
    if (list) clear_list((int)(list - callBackFunctionLists));
}

void Callback_Clear_function(const char *name)
{
    if (!name) return;
    for (int index = 0; index < CALLBACK_LIST_COUNT; index++) {
        Callback_Function **link = &callBackFunctionLists[index].head;
        while (*link) {
            Callback_Function *entry = *link;
            if (entry->name && strcmp(entry->name, name) == 0) {
                *link = entry->next;
                release_entry(index, entry);
            } else {
                link = &entry->next;
            }
        }
    }
}

void Callback_Run_Message_List(int list_index, const char *text)
{
    Callback_Function *entry = callBackFunctionLists[list_index].head;
    while (entry) {
        Callback_Function *next = entry->next; // the callback may remove its own entry
        ((CallbackMessageFunction)entry->function)(entry->data, text);
        entry = next;
    }
}

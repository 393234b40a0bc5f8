// Named callback lists: components hook into the simulator's phases (configuration, fix-up,
// statistics, quit, errors, ...) by registering a function and its data under a priority; each
// list runs in ascending priority, equal priorities in registration order.
#pragma once

#include <cstdint>

// Generic function type of a list entry. The owner of a phase casts it back to the phase's own
// signature when it runs the list; see the typed forms below for the lists the runtime runs.
typedef void (*CallbackFunction)(void);
// "warning", "fatal_error", "internal_error": (data, message text).
typedef void (*CallbackMessageFunction)(void *data, const char *text);
// "dump": (data).
typedef void (*CallbackDumpFunction)(void *data);

struct Callback_Function {
    Callback_Function *next;
    uint32_t priority; // compared as unsigned: a negative priority sorts last
    CallbackFunction function;
    void *data;
    char *name; // remembered copy of the registering component's name
};

struct Callback_List {
    char *name;
    Callback_Function *head;
};

enum CallbackListIndex {
    CALLBACK_CREATE_DEFAULT_PROPERTY_LIST = 1,
    CALLBACK_CONFIG_INIT = 2,
    CALLBACK_CONFIG_PRINT = 3,
    CALLBACK_FIX = 4,
    CALLBACK_QUIT_MACHINE = 5,
    CALLBACK_STATS_RESET = 6,
    CALLBACK_STATS_PRINT = 7,
    CALLBACK_DECLARE_TIME_DOMAIN = 8,
    CALLBACK_UNDECLARE_TIME_DOMAIN = 9,
    CALLBACK_SWITCH_MODE = 10,
    CALLBACK_DUMP = 11,
    CALLBACK_THREAD_SWITCH_STATE = 12,
    CALLBACK_PERIODIC_STATS_PRINT = 13,
    CALLBACK_WARNING = 14,
    CALLBACK_FATAL_ERROR = 15,
    CALLBACK_INTERNAL_ERROR = 16,
    CALLBACK_CALLTHRU = 17,
    CALLBACK_BUILD_SIMCMD = 18,
    CALLBACK_BUILD_PUBLIC_SIMCMD = 19,
    CALLBACK_ADD_SIMCMD = 20,
    CALLBACK_LIST_COUNT = 21, // record 0 is unused
};

// Component ids, used as registration priorities; they also fix the calling order.
enum CallbackComponentId : int32_t {
    CALLBACK_ID_CORE = 1, // also "turbo", "simple" and "KIPS"
    CALLBACK_ID_CACHE = 2,
    CALLBACK_ID_L4CACHE = 3,
    CALLBACK_ID_BUS = 4,
    CALLBACK_ID_MEMORY_UNIT = 5,
    CALLBACK_ID_HUB_CHIP = 9,
    CALLBACK_ID_SMP_PORTS = 10,
    CALLBACK_ID_IO_BRIDGE = 11,
    CALLBACK_ID_TRACE_DRIVER = 16,
    CALLBACK_ID_PROBABILITY_MODEL = 17,
    CALLBACK_ID_PERFCORE = 18,
    CALLBACK_ID_HTM = 24,
};

extern Callback_List callBackFunctionLists[CALLBACK_LIST_COUNT];

// Registration: each adds an entry to its list and returns it (null when out of memory).
Callback_Function *Callback_register_create_default_property_list(int32_t priority, const char *name,
                                                                  CallbackFunction function, void *data);
Callback_Function *Callback_register_config_init(int32_t priority, const char *name,
                                                 CallbackFunction function, void *data);
Callback_Function *Callback_register_config_print(int32_t priority, const char *name,
                                                  CallbackFunction function, void *data);
Callback_Function *Callback_register_fix(int32_t priority, const char *name, CallbackFunction function,
                                         void *data);
Callback_Function *Callback_register_quit_machine(int32_t priority, const char *name,
                                                  CallbackFunction function, void *data);
Callback_Function *Callback_register_stats_reset(int32_t priority, const char *name,
                                                 CallbackFunction function, void *data);
Callback_Function *Callback_register_stats_print(int32_t priority, const char *name,
                                                 CallbackFunction function, void *data);
Callback_Function *Callback_register_declare_time_domain(int32_t priority, const char *name,
                                                         CallbackFunction function, void *data);
Callback_Function *Callback_register_undeclare_time_domain(int32_t priority, const char *name,
                                                           CallbackFunction function, void *data);
Callback_Function *Callback_register_switch_mode(int32_t priority, const char *name,
                                                 CallbackFunction function, void *data);
Callback_Function *Callback_register_dump(int32_t priority, const char *name, CallbackDumpFunction function,
                                          void *data);
Callback_Function *Callback_register_thread_switch_state(int32_t priority, const char *name,
                                                         CallbackFunction function, void *data);
Callback_Function *Callback_register_periodic_stats_print(int32_t priority, const char *name,
                                                          CallbackFunction function, void *data);
Callback_Function *Callback_register_at_warning(int32_t priority, const char *name,
                                                CallbackMessageFunction function, void *data);
Callback_Function *Callback_register_at_fatal_error(int32_t priority, const char *name,
                                                    CallbackMessageFunction function, void *data);
Callback_Function *Callback_register_at_internal_error(int32_t priority, const char *name,
                                                       CallbackMessageFunction function, void *data);
Callback_Function *Callback_register_callthru(int32_t priority, const char *name, CallbackFunction function,
                                              void *data);
// These two keep a remembered copy of the command word as the entry's data.
Callback_Function *Callback_register_build_simcmd(int32_t priority, const char *name,
                                                  CallbackFunction function, const char *command_word);
Callback_Function *Callback_register_build_public_simcmd(int32_t priority, const char *name,
                                                         CallbackFunction function, const char *command_word);
Callback_Function *Callback_register_add_simcmd(int32_t priority, const char *name, CallbackFunction function,
                                                void *data);

// Names the lists and lets every component register its callbacks.
void Callback_Lists_Init(void);
// Releases every entry of every list; the names stay, and the lists can be filled again.
void Callback_Lists_Quit(void);
// The list whose name equals `name` ignoring case, else null.
Callback_List *Callback_Search_by_name(const char *name);
// Releases every entry of the named list.
void Callback_Clear(const char *name);
// Removes from every list each entry registered under exactly this name.
void Callback_Clear_function(const char *name);

// Runs a message list ("warning", "fatal_error", "internal_error") with the text.
void Callback_Run_Message_List(int list_index, const char *text);

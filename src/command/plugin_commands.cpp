// Plug-ins and the "plugin" command table.
#include "command/plugin_commands.h"

#include <dlfcn.h>

#include <cctype>
#include <cstdio>
#include <cstring>

#include "command/cmd_table.h"
#include "command/selector.h"
#include "memory/memory_bus.h"
#include "memory/memory_map.h"
#include "processor/records/mcm.h"
#include "runtime/alloc.h"
#include "runtime/plugin_events.h"
#include "runtime/property_list.h"
#include "runtime/tcl_output.h"

Plugin_Info *plugin_info_list = nullptr;
Device_Class_Info *device_class_list = nullptr;

namespace
{

typedef char **(*PluginInitFn)(int argc, char **argv, Selector *selector);
typedef void (*PluginQuitFn)(void);
typedef void (*PluginSignalFn)(int argc, char **argv);
typedef void (*EventInitFn)(Selector *selector);
typedef MMAPIentry_s *(*ClassInitFn)(Selector *selector);
typedef void (*QuitFn)(void);

constexpr int FIRST_LISTENER_SLOTS = 16;

// dlsym of name + suffix, or null.
void *symbol_with_suffix(void *library, const char *name, const char *suffix)
{
    char symbol[PLUGIN_NAME_MAX + 16];
    snprintf(symbol, sizeof symbol, "%s%s", name, suffix);
    return dlsym(library, symbol);
}

void call_if_exported(void *library, const char *name, const char *suffix)
{
    if (void *f = symbol_with_suffix(library, name, suffix)) ((QuitFn)f)();
}

// {path, words..., NULL} in one allocation; null when memory is short.
char **Plugin_Make_Argv(const char *path, int count, char **words)
{
    char **vector = QUARN_ZALLOC(count + 2, char *);
    if (!vector) return nullptr;
    vector[0] = const_cast<char *>(path);
    for (int i = 0; i < count; i++) vector[i + 1] = words[i];
    vector[count + 1] = nullptr;
    return vector;
}

// The event name of a listener: its ring's head holds it.
const char *listener_event_name(Listener *listener)
{
    Listener *l = listener;
    while (l->function) l = l->next;
    return (const char *)l->owner;
}

bool add_listener(Plugin_Info *info, const char *event, void *function)
{
    if (info->listener_count == info->listener_capacity) {
        int32_t capacity = info->listener_capacity ? 2 * info->listener_capacity : FIRST_LISTENER_SLOTS;
        Listener **grown = info->listeners ? QUARN_REALLOC(info->listeners, capacity, Listener *)
                                           : QUARN_ZALLOC(capacity, Listener *);
        if (!grown) return false;
        info->listeners = grown;
        info->listener_capacity = capacity;
    }
    Listener *listener = RegisterListener(event, function, info);
    if (!listener) return false;
    info->listeners[info->listener_count++] = listener;
    return true;
}

void remove_listeners(Plugin_Info *info)
{
    for (int32_t i = 0; i < info->listener_count; i++) {
        Listener *l = info->listeners[i];
        l->previous->next = l->next;
        l->next->previous = l->previous;
        QUARN_FREE(l);
    }
    info->listener_count = 0;
}

// ---- sorted lists ----

void insert_plugin(Plugin_Info *info)
{
    Plugin_Info **link = &plugin_info_list;
    Plugin_Info *previous = nullptr;
    while (*link && strcmp((*link)->name, info->name) <= 0) {
        previous = *link;
        link = &(*link)->next;
    }
    info->next = *link;
    info->previous = previous;
    if (*link) (*link)->previous = info;
    *link = info;
}

void unlink_plugin(Plugin_Info *info)
{
    if (info->previous)
        info->previous->next = info->next;
    else if (plugin_info_list == info)
        plugin_info_list = info->next;
    if (info->next) info->next->previous = info->previous;
    info->next = info->previous = nullptr;
}

void insert_class(Device_Class_Info *c)
{
    Device_Class_Info **link = &device_class_list;
    Device_Class_Info *previous = nullptr;
    while (*link && strcmp((*link)->name, c->name) <= 0) {
        previous = *link;
        link = &(*link)->next;
    }
    c->next = *link;
    c->previous = previous;
    if (*link) (*link)->previous = c;
    *link = c;

    Device_Class_Info **own = &c->owner->classes;
    Device_Class_Info *own_previous = nullptr;
    while (*own && strcmp((*own)->name, c->name) <= 0) {
        own_previous = *own;
        own = &(*own)->owner_next;
    }
    c->owner_next = *own;
    c->owner_previous = own_previous;
    if (*own) (*own)->owner_previous = c;
    *own = c;
}

void unlink_class(Device_Class_Info *c)
{
    if (c->previous)
        c->previous->next = c->next;
    else if (device_class_list == c)
        device_class_list = c->next;
    if (c->next) c->next->previous = c->previous;
    if (c->owner_previous)
        c->owner_previous->owner_next = c->owner_next;
    else if (c->owner->classes == c)
        c->owner->classes = c->owner_next;
    if (c->owner_next) c->owner_next->owner_previous = c->owner_previous;
    c->next = c->previous = c->owner_next = c->owner_previous = nullptr;
}

// Its classes leave device_class_list, its listeners their rings; the record is freed.
void Plugin_Info_Delete(Plugin_Info *info)
{
    while (Device_Class_Info *c = info->classes) {
        unlink_class(c);
        FORGET_STRING(c->name);
        FORGET_STRING(c->load_name);
        QUARN_FREE(c);
    }
    remove_listeners(info);
    if (info->listeners) QUARN_FREE(info->listeners);
    unlink_plugin(info);
    FORGET_STRING(info->name);
    QUARN_FREE(info);
}

Device_Class_Info *record_class(Plugin_Info *info, const char *name, MMAPIentry_s *operations)
{
    Device_Class_Info *c = QUARN_ZALLOC(1, Device_Class_Info);
    if (!c) return nullptr;
    c->owner = info;
    c->name = REMEMBER_STRING(name);
    c->load_name = REMEMBER_STRING(name);
    c->operations = operations;
    insert_class(c);
    return c;
}

bool printable_name(const char *name)
{
    size_t length = strlen(name);
    if (length > PLUGIN_NAME_MAX) return false;
    for (size_t i = 0; i < length; i++)
        if (!isprint((unsigned char)name[i])) return false;
    return true;
}

// The device plug-in's load: listeners for every event it exports, then its classes.
bool load_device_plugin(Plugin_Info *info, char **names, Selector *selector, Tcl_Interp *interpreter)
{
    for (int e = 0; PE_Desc_Table[e].name; e++) {
        void *function = dlsym(info->library, PE_Desc_Table[e].name);
        if (!function) continue;
        if (!add_listener(info, PE_Desc_Table[e].name, function)) {
            remove_listeners(info);
            SIM_TCLPRINT(interpreter, "Error: cannot alloc memory for plugin %s\n", info->name);
            return false;
        }
        SIM_TCLPRINT(interpreter, "\tFind event: %s\n", PE_Desc_Table[e].name);
    }
    int32_t classes = 0;
    for (int i = 0; names[i]; i++) {
        const char *name = names[i];
        if (Device_Class_Info *other = Find_Device_Class_Info(name)) {
            SIM_TCLPRINT(interpreter, "Warning: another plugin %s has the same device class name %s\n",
                         other->owner->name, name);
            continue;
        }
        void *init = symbol_with_suffix(info->library, name, "_init");
        if (!init) {
            SIM_TCLPRINT(interpreter, "Warning: cannot find function %s_init in plugin %s\n", name, info->name);
            continue;
        }
        MMAPIentry_s *operations = ((ClassInitFn)init)(selector);
        if (!operations) {
            SIM_TCLPRINT(interpreter, "Warning: cannot get MMAPI for device class %s in plugin %s\n", name,
                         info->name);
            call_if_exported(info->library, name, "_quit");
            continue;
        }
        if (!record_class(info, name, operations)) {
            SIM_TCLPRINT(interpreter, "Error: cannot alloc memory for plugin %s\n", info->name);
            call_if_exported(info->library, name, "_quit");
            break;
        }
        classes++;
        SIM_TCLPRINT(interpreter, "\tFind device class: %s\n", name);
    }
    if (classes == 0) SIM_TCLPRINT(interpreter, "Warning: no device class found in plugin %s\n", info->name);
    info->class_count = classes;
    return true;
}

// The normal plug-in's load: a listener per returned event name, then the names' init functions.
bool load_normal_plugin(Plugin_Info *info, char **names, Selector *selector, Tcl_Interp *interpreter)
{
    for (int i = 0; names[i]; i++) {
        const char *name = names[i];
        dlerror();
        void *function = dlsym(info->library, name);
        if (!function) {
            const char *why = dlerror();
            SIM_TCLPRINT(interpreter, "Error: %s\n", why ? why : name);
            remove_listeners(info);
            return false;
        }
        if (!FindListener(name)) {
            SIM_TCLPRINT(interpreter, "Error: event %s in plugin %s is not provided by quarn\n", name, info->name);
            remove_listeners(info);
            return false;
        }
        if (!add_listener(info, name, function)) {
            SIM_TCLPRINT(interpreter, "Error: cannot alloc memory for plugin %s\n", info->name);
            remove_listeners(info);
            return false;
        }
        SIM_TCLPRINT(interpreter, "\tFind event: %s\n", name);
    }
    if (info->listener_count == 0) {
        SIM_TCLPRINT(interpreter, "Error: no events found in plugin %s\n", info->name);
        return false;
    }
    for (int i = 0; names[i]; i++)
        if (void *init = symbol_with_suffix(info->library, names[i], "_init")) ((EventInitFn)init)(selector);
    return true;
}

// The load steps from the type check on; false after printing the reason.
bool load_plugin(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv)
{
    const char *type = argv[1];
    const char *path = argv[2];
    int32_t kind;
    if (strcmp(type, "normal") == 0)
        kind = PLUGIN_NORMAL;
    else if (strcmp(type, "device") == 0)
        kind = PLUGIN_DEVICE;
    else {
        SIM_TCLPRINT(interpreter, "Error: unknown plugin type %s for plugin %s\n", type, path);
        return false;
    }
    if (Find_Plugin_Info(path)) {
        SIM_TCLPRINT(interpreter, "Error: plugin %s is already loaded\n", path);
        return false;
    }
    void *library = dlopen(path, RTLD_NOW);
    if (!library) {
        const char *why = dlerror();
        SIM_TCLPRINT(interpreter, "Error: %s\n", why ? why : path);
        return false;
    }
    Plugin_Info *info = nullptr;
    void *init = nullptr;
    bool loaded = false;
    do {
        char **vector = Plugin_Make_Argv(path, argc - 3, argv + 3);
        if (!vector) {
            SIM_TCLPRINT(interpreter, "Error: cannot alloc memory for plugin %s\n", path);
            break;
        }
        init = dlsym(library, "plugin_init");
        if (!init) {
            QUARN_FREE(vector);
            SIM_TCLPRINT(interpreter, "Error: cannot find function plugin_init in plugin %s\n", path);
            break;
        }
        char **names = ((PluginInitFn)init)(argc - 2, vector, selector);
        QUARN_FREE(vector);
        if (!names || !names[0]) {
            SIM_TCLPRINT(interpreter, "Error: function plugin_init in plugin %s returns empty strings\n", path);
            break;
        }
        bool names_ok = true;
        for (int i = 0; names[i] && names_ok; i++)
            if (!printable_name(names[i])) {
                SIM_TCLPRINT(interpreter, "Error: the %dth name string is too long or non-printable in plugin %s\n",
                             i + 1, path);
                names_ok = false;
            }
        for (int i = 1; names[i] && names_ok; i++)
            for (int j = 0; j < i && names_ok; j++)
                if (strcmp(names[i], names[j]) == 0) {
                    SIM_TCLPRINT(interpreter, "Error: plugin %s has duplicate name string %s\n", path, names[i]);
                    names_ok = false;
                }
        if (!names_ok) break;
        info = QUARN_ZALLOC(1, Plugin_Info);
        if (!info) {
            SIM_TCLPRINT(interpreter, "Error: cannot alloc memory for plugin %s\n", path);
            break;
        }
        info->name = REMEMBER_STRING(path);
        info->library = library;
        info->kind = kind;
        loaded = kind == PLUGIN_DEVICE ? load_device_plugin(info, names, selector, interpreter)
                                       : load_normal_plugin(info, names, selector, interpreter);
    } while (false);
    if (loaded) {
        insert_plugin(info);
        return true;
    }
    if (init)
        if (void *quit = dlsym(library, "plugin_quit")) ((PluginQuitFn)quit)();
    dlclose(library);
    if (info) Plugin_Info_Delete(info);
    return false;
}

MemoryMap *chip_map(Selector *selector)
{
    MCM *chip = select_mcm(selector);
    return chip && chip->mbus ? chip->mbus->memory_map : nullptr;
}

void print_events(Tcl_Interp *interpreter, Plugin_Info *info)
{
    for (int32_t i = 0; i < info->listener_count; i++)
        SIM_TCLPRINT(interpreter, "\t%s\n", listener_event_name(info->listeners[i]));
}

void print_classes(Tcl_Interp *interpreter, Plugin_Info *info)
{
    for (Device_Class_Info *c = info->classes; c; c = c->owner_next) SIM_TCLPRINT(interpreter, "\t%s\n", c->name);
}

} // namespace

Plugin_Info *Find_Plugin_Info(const char *path)
{
    for (Plugin_Info *info = plugin_info_list; info; info = info->next)
        if (strcmp(info->name, path) == 0) return info;
    return nullptr;
}

Device_Class_Info *Find_Device_Class_Info(const char *name)
{
    for (Device_Class_Info *c = device_class_list; c; c = c->next)
        if (strcmp(c->name, name) == 0) return c;
    return nullptr;
}

int PluginLoad_Cmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv)
{
    if (argc < 3) {
        SIM_TCLPRINT(interpreter, "Usage:\n");
        SIM_TCLPRINT(interpreter, "plugin load {plugin-type} {plugin-fullpath-name} {optional-args}");
        return 1;
    }
    if (!load_plugin(selector, interpreter, argc, argv)) {
        SIM_TCLPRINT(interpreter, "Load plugin %s fail", argv[2]);
        return 1;
    }
    SIM_TCLPRINT(interpreter, "Plugin %s loaded", argv[2]);
    return 0;
}

int PluginUnload_Cmd(Selector *, Tcl_Interp *interpreter, int, char **argv)
{
    Plugin_Info *info = Find_Plugin_Info(argv[1]);
    if (!info) {
        SIM_TCLPRINT(interpreter, "Error: plugin %s is not loaded", argv[1]);
        return 1;
    }
    if (info->kind == PLUGIN_DEVICE) {
        for (Device_Class_Info *c = info->classes; c; c = c->owner_next)
            if (c->device_count > 0) {
                SIM_TCLPRINT(interpreter, "Error: plugin %s has devices\n", info->name);
                SIM_TCLPRINT(interpreter, "Delete these devices first");
                return 1;
            }
        for (Device_Class_Info *c = info->classes; c; c = c->owner_next)
            call_if_exported(info->library, c->load_name, "_quit");
    } else {
        for (int32_t i = 0; i < info->listener_count; i++)
            call_if_exported(info->library, listener_event_name(info->listeners[i]), "_quit");
    }
    if (void *quit = dlsym(info->library, "plugin_quit")) ((PluginQuitFn)quit)();
    void *library = info->library;
    char *path = REMEMBER_STRING(info->name);
    Plugin_Info_Delete(info);
    dlclose(library);
    SIM_TCLPRINT(interpreter, "plugin %s unloaded", path);
    FORGET_STRING(path);
    return 0;
}

int PluginRename_Cmd(Selector *, Tcl_Interp *interpreter, int, char **argv)
{
    const char *old_name = argv[1];
    const char *new_name = argv[2];
    if (Device_Class_Info *other = Find_Device_Class_Info(new_name)) {
        SIM_TCLPRINT(interpreter, "Error: new device class name %s already exists in plugin %s\n", new_name,
                     other->owner->name);
        return 1;
    }
    Device_Class_Info *c = Find_Device_Class_Info(old_name);
    if (!c) {
        SIM_TCLPRINT(interpreter, "Error: device class name %s is not found", old_name);
        return 1;
    }
    char *old_copy = c->name;
    unlink_class(c);
    c->name = REMEMBER_STRING(new_name);
    insert_class(c);
    SIM_TCLPRINT(interpreter, "Device class name %s is changed to %s", old_copy, new_name);
    FORGET_STRING(old_copy);
    return 0;
}

int PluginSignal_Cmd(Selector *, Tcl_Interp *interpreter, int argc, char **argv)
{
    if (argc < 2) {
        SIM_TCLPRINT(interpreter, "Usage:\n");
        SIM_TCLPRINT(interpreter, "signal {plugin-fullpath-name} {arguments(optional)}");
        return 1;
    }
    Plugin_Info *info = Find_Plugin_Info(argv[1]);
    if (!info) {
        SIM_TCLPRINT(interpreter, "Error: plugin %s is not loaded", argv[1]);
        return 1;
    }
    char **vector = Plugin_Make_Argv(info->name, argc - 2, argv + 2);
    if (!vector) {
        SIM_TCLPRINT(interpreter, "Error: cannot alloc memory for plugin %s", info->name);
        return 1;
    }
    void *signal = dlsym(info->library, "plugin_signal");
    if (!signal) {
        QUARN_FREE(vector);
        SIM_TCLPRINT(interpreter, "Error: cannot find function plugin_signal in plugin %s", info->name);
        return 1;
    }
    ((PluginSignalFn)signal)(argc - 1, vector);
    QUARN_FREE(vector);
    return 0;
}

int PluginNewDevice_Cmd(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    const char *class_name = argv[1];
    const char *name = argv[2];
    Device_Class_Info *c = Find_Device_Class_Info(class_name);
    if (!c) {
        SIM_TCLPRINT(interpreter, "Error: unknown device classes %s", class_name);
        return 1;
    }
    int ok = 0;
    uint64_t start = STRING2INT_rc(argv[3], &ok);
    if (!ok) {
        SIM_TCLPRINT(interpreter, "Error: device %s has invalid start-addr(hex) %s", name, argv[3]);
        return 1;
    }
    uint64_t end = STRING2INT_rc(argv[4], &ok);
    if (!ok) {
        SIM_TCLPRINT(interpreter, "Error: device %s has invalid end-addr(hex) %s", name, argv[4]);
        return 1;
    }
    if (start > end) {
        SIM_TCLPRINT(interpreter, "Error: device %s has start address 0x%016lX > end address 0x%016lX", name,
                     (unsigned long)start, (unsigned long)end);
        return 1;
    }
    MCM *chip = select_mcm(selector);
    MemoryMap *map = chip_map(selector);
    if (!chip || !map) return 1;
    if (MemMap_SearchByName(map, name)) {
        SIM_TCLPRINT(interpreter, "Error: device %s exists", name);
        return 1;
    }
    MemMap_Define(chip, name, c->operations, start, end, nullptr);
    c->device_count++;
    return 0;
}

int PluginDeleteDevice_Cmd(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    const char *name = argv[1];
    MemoryMap *map = chip_map(selector);
    MapListElement *element = map ? MemMap_SearchByName(map, name) : nullptr;
    if (!element) {
        SIM_TCLPRINT(interpreter, "Error: cannot find device %s", name);
        return 1;
    }
    for (Device_Class_Info *c = device_class_list; c; c = c->next)
        if (c->operations == element->ops) {
            MemMap_Delete(map, name);
            c->device_count--;
            return 0;
        }
    SIM_TCLPRINT(interpreter, "Error: cannot find device class for device %s", name);
    return 1;
}

int PluginListPluginType_Cmd(Selector *, Tcl_Interp *interpreter, int, char **)
{
    SIM_TCLPRINT(interpreter, "\tnormal\n");
    SIM_TCLPRINT(interpreter, "\tdevice\n");
    SIM_TCLPRINT(interpreter, "Totally 2 types");
    return 0;
}

int PluginListFilename_Cmd(Selector *, Tcl_Interp *interpreter, int, char **)
{
    int count = 0;
    for (Plugin_Info *info = plugin_info_list; info; info = info->next, count++)
        SIM_TCLPRINT(interpreter, "\t%s\n", info->name);
    if (count == 0)
        SIM_TCLPRINT(interpreter, "No plugin loaded");
    else
        SIM_TCLPRINT(interpreter, "Totally %d files", count);
    return 0;
}

int PluginListEvent_Cmd(Selector *, Tcl_Interp *interpreter, int argc, char **argv)
{
    if (argc > 2) {
        SIM_TCLPRINT(interpreter, "Usage:\n");
        SIM_TCLPRINT(interpreter, "event {filename(optional)}");
        return 1;
    }
    if (argc == 2) {
        Plugin_Info *info = Find_Plugin_Info(argv[1]);
        if (!info) {
            SIM_TCLPRINT(interpreter, "Error: cannot find plugin %s", argv[1]);
            return 1;
        }
        SIM_TCLPRINT(interpreter, "%s\n", info->name);
        print_events(interpreter, info);
        if (info->listener_count == 0)
            SIM_TCLPRINT(interpreter, "No event");
        else
            SIM_TCLPRINT(interpreter, "Totally %d events", info->listener_count);
        return 0;
    }
    int events = 0;
    for (int e = 0; PE_Desc_Table[e].name; e++, events++) {
        SIM_TCLPRINT(interpreter, "%s\n", PE_Desc_Table[e].name);
        Listener *head = FindListener(PE_Desc_Table[e].name);
        for (Listener *l = head ? head->next : nullptr; l && l != head; l = l->next) {
            // Listeners of the embedding interface belong to no plug-in.
            const Plugin_Info *owner = (const Plugin_Info *)l->owner;
            SIM_TCLPRINT(interpreter, "\t%s\n", owner ? owner->name : "(host)");
        }
    }
    if (events == 0)
        SIM_TCLPRINT(interpreter, "No event");
    else
        SIM_TCLPRINT(interpreter, "Totally %d events", events);
    return 0;
}

int PluginListDeviceClass_Cmd(Selector *, Tcl_Interp *interpreter, int argc, char **argv)
{
    if (argc > 2) {
        SIM_TCLPRINT(interpreter, "Usage:\n");
        SIM_TCLPRINT(interpreter, "device-class {filename(optional)}");
        return 1;
    }
    if (argc == 2) {
        Plugin_Info *info = Find_Plugin_Info(argv[1]);
        if (!info) {
            SIM_TCLPRINT(interpreter, "Error: cannot find plugin %s", argv[1]);
            return 0;
        }
        SIM_TCLPRINT(interpreter, "%s\n", info->name);
        print_classes(interpreter, info);
        if (info->class_count == 0)
            SIM_TCLPRINT(interpreter, "No device class");
        else
            SIM_TCLPRINT(interpreter, "Totally %d device classes", info->class_count);
        return 0;
    }
    int count = 0;
    for (Device_Class_Info *c = device_class_list; c; c = c->next, count++)
        SIM_TCLPRINT(interpreter, "\t%s(%s)\n", c->name, c->owner->name);
    if (count == 0)
        SIM_TCLPRINT(interpreter, "No device class");
    else
        SIM_TCLPRINT(interpreter, "Totally %d device classes", count);
    return 0;
}

int PluginListAll_Cmd(Selector *, Tcl_Interp *interpreter, int argc, char **argv)
{
    if (argc > 2) {
        SIM_TCLPRINT(interpreter, "Usage:\n");
        SIM_TCLPRINT(interpreter, "all {filename(optional)}");
        return 1;
    }
    if (argc == 2) {
        Plugin_Info *info = Find_Plugin_Info(argv[1]);
        if (!info) {
            SIM_TCLPRINT(interpreter, "Error: cannot find plugin %s", argv[1]);
            return 1;
        }
        SIM_TCLPRINT(interpreter, "%s\n", info->name);
        if (info->kind == PLUGIN_DEVICE) {
            print_classes(interpreter, info);
            if (info->class_count == 0)
                SIM_TCLPRINT(interpreter, "No device class\n");
            else
                SIM_TCLPRINT(interpreter, "Totally %d device classes\n", info->class_count);
        }
        print_events(interpreter, info);
        if (info->listener_count > 0) SIM_TCLPRINT(interpreter, "Totally %d events\n", info->listener_count);
        return 0;
    }
    if (!plugin_info_list) {
        SIM_TCLPRINT(interpreter, "No plugin loaded");
        return 1;
    }
    for (Plugin_Info *info = plugin_info_list; info; info = info->next) {
        if (info->kind != PLUGIN_NORMAL) continue;
        SIM_TCLPRINT(interpreter, "%s\n", info->name);
        print_events(interpreter, info);
        if (info->listener_count == 0)
            SIM_TCLPRINT(interpreter, "No event\n");
        else
            SIM_TCLPRINT(interpreter, "Totally %d events\n", info->listener_count);
        SIM_TCLPRINT(interpreter, "\n");
    }
    for (Plugin_Info *info = plugin_info_list; info; info = info->next) {
        if (info->kind != PLUGIN_DEVICE) continue;
        SIM_TCLPRINT(interpreter, "%s\n", info->name);
        print_classes(interpreter, info);
        if (info->class_count == 0)
            SIM_TCLPRINT(interpreter, "No device class\n");
        else
            SIM_TCLPRINT(interpreter, "Totally %d device class\n", info->class_count);
        print_events(interpreter, info);
        if (info->listener_count > 0) SIM_TCLPRINT(interpreter, "Totally %d events\n", info->listener_count);
    }
    return 0;
}

SimCmdTable *build_plugin_table(void *)
{
    SimCmdTable *table = Init_SimCmdTable("plugin");
    add_simcommand(table, "load", PluginLoad_Cmd, "PluginLoad_Cmd", -1, 0, nullptr);
    add_simcommand(table, "unload", PluginUnload_Cmd, "PluginUnload_Cmd", 1, 0, "{plugin-fullpath-filename}");
    add_simcommand(table, "rename", PluginRename_Cmd, "PluginRename_Cmd", 2, 0,
                   "{old-device-class-name} {new-device-class-name}");
    add_simcommand(table, "signal", PluginSignal_Cmd, "PluginSignal_Cmd", -1, 0, nullptr);

    SimCmdTable *create = Init_SimCmdTable("new");
    add_simcommand(create, "device", PluginNewDevice_Cmd, "PluginNewDevice_Cmd", 4, 0,
                   "{deice-class} {device-name} {start-addr(hex)} {end-addr(hex)}");
    connect_subtable(table, "new", create, 0, nullptr);

    SimCmdTable *remove = Init_SimCmdTable("delete");
    add_simcommand(remove, "device", PluginDeleteDevice_Cmd, "PluginDeleteDevice_Cmd", 1, 0, "{device-name}");
    connect_subtable(table, "delete", remove, 0, nullptr);

    SimCmdTable *list = Init_SimCmdTable("list");
    add_simcommand(list, "plugin-type", PluginListPluginType_Cmd, "PluginListPluginType_Cmd", 0, 0, nullptr);
    add_simcommand(list, "filename", PluginListFilename_Cmd, "PluginListFilename_Cmd", 0, 0, nullptr);
    add_simcommand(list, "event", PluginListEvent_Cmd, "PluginListEvent_Cmd", -1, 0, nullptr);
    add_simcommand(list, "device-class", PluginListDeviceClass_Cmd, "PluginListDeviceClass_Cmd", -1, 0, nullptr);
    add_simcommand(list, "all", PluginListAll_Cmd, "PluginListAll_Cmd", -1, 0, nullptr);
    connect_subtable(table, "list", list, 0, nullptr);
    return table;
}

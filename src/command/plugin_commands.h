// Plug-ins: shared objects loaded into the running simulator with the machine command "plugin".
// A "normal" plug-in listens to plug-in events through functions named after them; a "device"
// plug-in provides device classes whose devices the user maps into a chip's memory map. Offers the
// records of loaded plug-ins and device classes and the "plugin" command table.
#pragma once

#include <cstdint>

struct Listener;
struct MMAPIentry_s;
struct Selector;
struct SimCmdTable;
struct Tcl_Interp;

struct Device_Class_Info;

struct Plugin_Info {
    Plugin_Info *next;
    Plugin_Info *previous;
    Device_Class_Info *classes; // sorted by name
    char *name;                 // the full path given to "plugin load"
    void *library;              // the dlopen handle
    int32_t kind;               // 0 "normal", 1 "device"
    int32_t listener_count;
    int32_t listener_capacity;
    Listener **listeners;
    int32_t class_count;
};

struct Device_Class_Info {
    Device_Class_Info *next; // device_class_list, sorted by current name
    Device_Class_Info *previous;
    Plugin_Info *owner;
    Device_Class_Info *owner_next; // the owner's list
    Device_Class_Info *owner_previous;
    char *name;      // current name
    char *load_name; // the name it was loaded under; its quit function is found by it
    MMAPIentry_s *operations;
    int32_t device_count;
};

enum : int32_t { PLUGIN_NORMAL = 0, PLUGIN_DEVICE = 1 };
// Names returned by plugin_init are at most this long.
constexpr int PLUGIN_NAME_MAX = 100;

// Loaded plug-ins sorted by path; device classes of all plug-ins sorted by name.
extern Plugin_Info *plugin_info_list;
extern Device_Class_Info *device_class_list;

Plugin_Info *Find_Plugin_Info(const char *path);
Device_Class_Info *Find_Device_Class_Info(const char *name);

SimCmdTable *build_plugin_table(void *argument);

int PluginLoad_Cmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv);
int PluginUnload_Cmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv);
int PluginRename_Cmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv);
int PluginSignal_Cmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv);
int PluginNewDevice_Cmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv);
int PluginDeleteDevice_Cmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv);
int PluginListPluginType_Cmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv);
int PluginListFilename_Cmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv);
int PluginListEvent_Cmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv);
int PluginListDeviceClass_Cmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv);
int PluginListAll_Cmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv);

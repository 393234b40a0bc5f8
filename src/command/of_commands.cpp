// The device-tree commands.
#include "command/of_commands.h"

#include <tcl.h>

#include <cstring>
#include <initializer_list>
#include <strings.h>

#include "cache/cache_services.h"
#include "command/cmd_table.h"
#include "command/later_tables.h"
#include "command/selector.h"
#include "runtime/tcl_output.h"
#include "guest/device_tree.h"
#include "guest/device_tree_build.h"
#include "guest/open_firmware.h"
#include "guest/rtas.h"
#include "processor/records/generic_machine.h"
#include "memory/memory_bus.h"
#include "memory/memory_map.h"
#include "processor/records/mcm.h"
#include "processor/records/processor_state.h"
#include "processor/time/time_domain.h"
#include "runtime/property_list.h"
#include "runtime/utils.h"

namespace
{

// The value reader and writer over a Tcl word and a Tcl result object.
struct OF_TclValue {
    OF_PropertySink sink;
    OF_PropertySource source;
    int32_t count; // values written so far
    Tcl_Interp *interpreter;
    Tcl_Obj *object;
    const char *text;
};

OF_TclValue *sink_record(void *sink)
{
    return reinterpret_cast<OF_TclValue *>(static_cast<char *>(sink) - offsetof(OF_TclValue, sink));
}

OF_TclValue *source_record(void *source)
{
    return reinterpret_cast<OF_TclValue *>(static_cast<char *>(source) - offsetof(OF_TclValue, source));
}

// The first value sets the object's text; each further one is appended as a list element.
void sink_put(OF_TclValue *value, const char *text)
{
    if (value->count++ == 0)
        Tcl_SetStringObj(value->object, text, -1);
    else
        Tcl_ListObjAppendElement(value->interpreter, value->object, Tcl_NewStringObj(text, -1));
}

void sink_string(void *sink, const char *text)
{
    sink_put(sink_record(sink), text);
}

void sink_bytes(void *sink, const uint8_t *bytes, int32_t length)
{
    OF_TclValue *value = sink_record(sink);
    if (length <= 0) {
        Tcl_SetStringObj(value->object, "@empty", -1);
        return;
    }
    Tcl_DString text;
    Tcl_DStringInit(&text);
    for (int32_t i = 0; i < length; i++) {
        char pair[3];
        snprintf(pair, sizeof pair, "%02X", bytes[i]);
        Tcl_DStringAppend(&text, pair, 2);
    }
    sink_put(value, Tcl_DStringValue(&text));
    Tcl_DStringFree(&text);
}

void sink_cell(void *sink, uint32_t cell)
{
    char text[16];
    snprintf(text, sizeof text, "0x%08x", cell);
    sink_put(sink_record(sink), text);
}

void sink_u64(void *sink, uint64_t word)
{
    char text[24];
    snprintf(text, sizeof text, "0x%016lX", (unsigned long)word);
    sink_put(sink_record(sink), text);
}

void source_string(void *source, char *buffer, int32_t size)
{
    if (size > 0) snprintf(buffer, (size_t)size, "%s", source_record(source)->text);
}

void source_bytes(void *source, uint8_t *buffer, int32_t length)
{
    OF_Hex_To_Bytes(source_record(source)->text, buffer, length);
}

int source_int(void *source, uint64_t *result)
{
    int ok = 0;
    uint64_t value = STRING2INT_rc(source_record(source)->text, &ok);
    if (ok) *result = value;
    return ok;
}

const OF_PropertySinkOps tcl_sink_ops = {sink_string, sink_bytes, sink_cell, sink_u64};
const OF_PropertySourceOps tcl_source_ops = {source_string, source_bytes, source_int};

OF_TclValue tcl_value(Tcl_Interp *interpreter, const char *text)
{
    OF_TclValue value{};
    value.sink.ops = &tcl_sink_ops;
    value.source.ops = &tcl_source_ops;
    value.interpreter = interpreter;
    value.object = Tcl_GetObjResult(interpreter);
    value.text = text;
    return value;
}

OF_DeviceTree *tree_of(Selector *selector)
{
    return OF_Get_Device_Tree(select_machine(selector));
}

void set_int(Tcl_Interp *interpreter, int64_t value)
{
    Tcl_SetObjResult(interpreter, Tcl_NewWideIntObj(value));
}

int error_info(Tcl_Interp *interpreter, const char *text)
{
    Tcl_AddObjErrorInfo(interpreter, text, -1);
    return 1;
}

// The handle word; false when it is not a number.
bool handle_word(const char *word, int32_t *handle)
{
    int ok = 0;
    uint64_t value = STRING2INT_rc(word, &ok);
    *handle = (int32_t)value;
    return ok != 0;
}

// The entry of the handle word, or null (also for a word that is not a number).
OF_DeviceTreeNode *entry_of(Selector *selector, const char *word)
{
    int32_t handle;
    if (!handle_word(word, &handle)) return nullptr;
    return of_handle_to_device_node(tree_of(selector), handle);
}

// The property of getproplen, getprop and getproptype, or null.
OF_DeviceTreeNode *property_of(Selector *selector, char **argv)
{
    OF_DeviceTreeNode *node = entry_of(selector, argv[1]);
    return node ? of_find_property(node, argv[2]) : nullptr;
}

struct KindName {
    int32_t kind;
    const char *shown;   // getproptype
    const char *addprop; // addprop type word, null when none
};
const KindName kind_names[] = {
    {INT, "int", "int"},
    {ADDR, "addr", nullptr},
    {STR, "str", "string"},
    {ENUM, "enum", "enum"},
    {ARRAY, "array", "array"},
    {ARRAY_UINT64, "array64", "array64"},
    {BYTE_ARRAY, "byte_array", "byte_array"},
    {EMPTY, "empty", "empty"},
};

// ---- handlers ----

int find_device_cmd(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    OF_DeviceTreeNode *node = of_find_device(tree_of(selector), argv[1]);
    set_int(interpreter, node ? node->handle : -1);
    return 0;
}

int child_cmd(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    int32_t handle;
    set_int(interpreter, 0);
    if (!handle_word(argv[1], &handle)) return 1;
    OF_DeviceTreeNode *child = of_first_child(of_handle_to_device_node(tree_of(selector), handle));
    set_int(interpreter, child ? child->handle : 0);
    return 0;
}

int peer_cmd(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    int32_t handle;
    set_int(interpreter, 0);
    if (!handle_word(argv[1], &handle)) return 1;
    OF_DeviceTree *tree = tree_of(selector);
    if (handle == 0) {
        set_int(interpreter, tree && tree->root ? tree->root->handle : 0);
        return 0;
    }
    OF_DeviceTreeNode *peer = of_next_sibling(of_handle_to_device_node(tree, handle));
    set_int(interpreter, peer ? peer->handle : 0);
    return 0;
}

int package_to_path_cmd(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    OF_DeviceTreeNode *entry = entry_of(selector, argv[1]);
    if (!entry) return 1;
    Tcl_SetObjResult(interpreter, Tcl_NewStringObj(entry->full_name, -1));
    return 0;
}

int nextprop_cmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv)
{
    Tcl_SetObjResult(interpreter, Tcl_NewStringObj("@null", -1));
    int32_t handle;
    if (argc < 2 || !handle_word(argv[1], &handle)) return 1;
    OF_DeviceTreeNode *node = of_handle_to_device_node(tree_of(selector), handle);
    if (!node) return 0;
    OF_DeviceTreeNode *property =
        argc == 3 ? of_next_property(of_find_property(node, argv[2])) : of_first_property(node);
    if (property) Tcl_SetObjResult(interpreter, Tcl_NewStringObj(property->prop_name, -1));
    return 0;
}

int getproplen_cmd(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    OF_DeviceTreeNode *property = property_of(selector, argv);
    if (!property) return 0;
    Tcl_SetObjResult(interpreter, Tcl_NewObj());
    OF_TclValue value = tcl_value(interpreter, nullptr);
    of_get_property_length(property, &value.sink);
    return 0;
}

int getprop_cmd(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    OF_DeviceTreeNode *property = property_of(selector, argv);
    if (!property) return 0;
    Tcl_SetObjResult(interpreter, Tcl_NewObj());
    OF_TclValue value = tcl_value(interpreter, nullptr);
    of_get_property_value(property, &value.sink);
    return 0;
}

int getproptype_cmd(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    OF_DeviceTreeNode *property = property_of(selector, argv);
    if (!property) return 0;
    const char *shown = "none";
    for (const KindName &row : kind_names)
        if (row.kind == property->kind) shown = row.shown;
    Tcl_SetObjResult(interpreter, Tcl_NewStringObj(shown, -1));
    return 0;
}

int addchild_cmd(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    int32_t handle;
    if (!handle_word(argv[1], &handle)) {
        set_int(interpreter, 0);
        return 0;
    }
    OF_DeviceTreeNode *node = of_handle_to_device_node(tree_of(selector), handle);
    if (!node) return error_info(interpreter, "Invalid device handle");
    if (of_exists_child(node, argv[2], argv[3])) return error_info(interpreter, "Child already exists");
    OF_DeviceTreeNode *child = of_add_child(node, argv[2], argv[3]);
    if (!child) return error_info(interpreter, "Failed adding child");
    set_int(interpreter, child->handle);
    return 0;
}

// The elements of the list held by the Tcl variable; 0 after setting *count, else a Tcl code or 1.
int list_variable(Tcl_Interp *interpreter, const char *name, Tcl_Obj ***elements, int *count)
{
    Tcl_Obj *list = Tcl_GetVar2Ex(interpreter, name, nullptr, 0);
    if (!list) return -1;
    return Tcl_ListObjGetElements(interpreter, list, count, elements);
}

int addprop_cmd(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    OF_DeviceTreeNode *node = entry_of(selector, argv[1]);
    if (!node) return error_info(interpreter, "Invalid device handle");
    const char *type = argv[2], *name = argv[3], *word = argv[4];
    if (strcmp(type, "string") == 0) {
        of_add_string_property(node, name, word);
        return 0;
    }
    if (strcmp(type, "int") == 0 || strcmp(type, "enum") == 0) {
        int ok = 0;
        uint64_t value = STRING2INT_rc(word, &ok);
        if (!ok) return 1;
        if (type[0] == 'i')
            of_add_int_property(node, name, (uint32_t)value);
        else
            of_add_enum_property(node, name, value);
        return 0;
    }
    if (strcmp(type, "empty") == 0) {
        of_add_empty_property(node, name);
        return 0;
    }
    if (strcmp(type, "array") == 0 || strcmp(type, "array64") == 0) {
        bool wide = type[5] == '6';
        Tcl_Obj **elements = nullptr;
        int count = 0;
        int code = list_variable(interpreter, word, &elements, &count);
        if (code < 0) return wide ? 1 : error_info(interpreter, "Value for array property not a list");
        if (code != TCL_OK) return code;
        OF_DeviceTreeNode *property =
            wide ? of_add_array64_property(node, name, count) : of_add_array_property(node, name, count);
        if (!property)
            return error_info(interpreter,
                              wide ? "Failed to add array64 property" : "Failed to add array property");
        for (int i = 0; i < count; i++) {
            int ok = 0;
            uint64_t value = STRING2INT_rc(Tcl_GetString(elements[i]), &ok);
            if (wide)
                of_set_array64_property(property, i, value);
            else
                of_set_array_property(property, i, (uint32_t)value);
        }
        return 0;
    }
    if (strcmp(type, "byte_array") == 0) {
        int32_t count = OF_Hex_To_Bytes(word, nullptr, 0);
        if (count == 0) return error_info(interpreter, "Property length must be grater than 0");
        OF_DeviceTreeNode *property = of_add_byte_array_property(node, name, count);
        OF_TclValue value = tcl_value(interpreter, word);
        of_put_property_value(property, &value.source);
        return 0;
    }
    return error_info(interpreter, "Invalid property type");
}

int setprop_cmd(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    OF_DeviceTreeNode *node = entry_of(selector, argv[1]);
    if (!node) return error_info(interpreter, "Invalid device handle");
    OF_DeviceTreeNode *property = of_find_property(node, argv[2]);
    if (!property) {
        Tcl_AddObjErrorInfo(interpreter, "Property not found, prop= ", -1);
        Tcl_AddObjErrorInfo(interpreter, argv[2], -1);
        return 1;
    }
    OF_TclValue value = tcl_value(interpreter, argv[3]);
    of_put_property_value(property, &value.source);
    return 0;
}

int mmapinfo_cmd(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    MCM *chip = select_mcm(selector);
    MemoryMap *map = chip && chip->mbus ? chip->mbus->memory_map : nullptr;
    uint64_t start = map ? MemMap_StartByName(map, argv[1]) : 0;
    uint64_t end = map ? MemMap_EndByName(map, argv[1]) : 0;
    if (!start || !end) return error_info(interpreter, "memory map not found");
    uint64_t size = end - start + 1;
    Tcl_Obj *list = Tcl_NewListObj(0, nullptr);
    for (int64_t value :
         {(int64_t)(start >> 32), (int64_t)(int32_t)start, (int64_t)(size >> 32), (int64_t)(int32_t)size})
        Tcl_ListObjAppendElement(interpreter, list, Tcl_NewWideIntObj(value));
    Tcl_SetObjResult(interpreter, list);
    return 0;
}

int enuminfo_cmd(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    tree_of(selector);
    if (strcasecmp(argv[1], "list") == 0) {
        for (int32_t id = 0; id <= PCI_RANGES; id++)
            SIM_TCLPRINT(interpreter, "%s\n", OF_ENUM_id2name(id));
        return 0;
    }
    set_int(interpreter, OF_ENUM_name2id(argv[1]));
    return 0;
}

int clear_cmd(Selector *selector, Tcl_Interp *, int, char **)
{
    of_clear_device_tree(tree_of(selector));
    return 0;
}

int print_cmd(Selector *selector, Tcl_Interp *, int, char **)
{
    OF_Print_Device_Tree(tree_of(selector));
    return 0;
}

int machineinfo_cmd(Selector *selector, Tcl_Interp *interpreter, int, char **)
{
    GenericMachine *machine = select_machine(selector);
    tree_of(selector);
    ProcessorState *core = select_processor(selector);
    ProcessorState *first = GenericMachine__Processor(machine, 0);
    CacheLevelConfig l1i{}, l1d{}, l2{};
    Cache_Global_Config(machine, "cache/l1i", &l1i);
    Cache_Global_Config(machine, "cache/l1d", &l1d);
    Cache_Global_Config(machine, "cache/l2", &l2);
    struct Element {
        const char *name;
        uint64_t value;
    } elements[] = {
        {"clock-frequency", core && core->core_freq ? evaluate_frequency_ratio(core->core_freq, nullptr) : 0},
        {"cpu-version", first ? first->PVR.value : 0},
        {"timebase-frequency", core ? evaluate_frequency_ratio(&core->timebase_freq, nullptr) : 0},
        {"i-cache-size", l1i.size},
        {"i-cache-sets", l1i.associativity},
        {"i-cache-block-size", l1i.line_size},
        {"i-cache-line-size", l1i.line_size},
        {"d-cache-size", l1d.size},
        {"d-cache-sets", l1d.associativity},
        {"d-cache-block-size", l1d.line_size},
        {"d-cache-line-size", l1d.line_size},
        {"l2-cache-size", l2.num_slices ? l2.size / l2.num_slices : l2.size},
    };
    Tcl_Obj *array = Tcl_NewStringObj("machine_info", -1);
    Tcl_IncrRefCount(array);
    for (const Element &element : elements) {
        Tcl_Obj *key = Tcl_NewStringObj(element.name, -1);
        Tcl_IncrRefCount(key);
        Tcl_ObjSetVar2(interpreter, array, key, Tcl_NewIntObj((int)(int32_t)element.value), 0);
        Tcl_DecrRefCount(key);
    }
    Tcl_DecrRefCount(array);
    return 0;
}

int rtasinfo_cmd(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    tree_of(selector);
    if (strcasecmp(argv[1], "list") == 0) {
        for (int32_t id = 1; id <= 1058; id++)
            SIM_TCLPRINT(interpreter, "%s\n", RTAS_func_id2name(id));
        return 0;
    }
    set_int(interpreter, RTAS_func_name2id(argv[1]));
    return 0;
}

int test_cmd(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    tree_of(selector);
    set_int(interpreter, of_test_service(argv[1]));
    return 0;
}

// Every command works on a tree that exists.
template <int (*Handler)(Selector *, Tcl_Interp *, int, char **)>
int with_tree(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv)
{
    tree_of(selector);
    return Handler(selector, interpreter, argc, argv);
}

} // namespace

OF_DeviceTree *OF_Get_Device_Tree(GenericMachine *machine)
{
    OF_DeviceTree *tree = OF_Machine_Tree(machine);
    if (tree && !tree->built) OF_BuildDeviceTree(tree, machine);
    return tree;
}

int32_t OF_Hex_To_Bytes(const char *text, uint8_t *buffer, int32_t size)
{
    auto digit = [](char c) {
        return c >= '0' && c <= '9'   ? c - '0'
               : c >= 'a' && c <= 'f' ? c - 'a' + 10
               : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                      : -1;
    };
    int32_t count = 0;
    const char *p = text ? text : "";
    for (;;) {
        if (buffer && count >= size) return count;
        while (*p && digit(*p) < 0)
            p++;
        if (!*p) return count;
        int high = digit(*p++);
        while (*p && digit(*p) < 0)
            p++;
        int low = *p ? digit(*p++) : 0;
        if (buffer) buffer[count] = (uint8_t)(high << 4 | low);
        count++;
    }
}

SimCmdTable *build_of_cmd_table(void *)
{
    SimCmdTable *table = Init_SimCmdTable("of");
    add_simcommand(table, "find_device", with_tree<find_device_cmd>, "find_device_cmd", 1, 0,
                   "{device-spec}");
    add_simcommand(table, "child", with_tree<child_cmd>, "child_cmd", 1, 0, "{parent-handle}");
    add_simcommand(table, "peer", with_tree<peer_cmd>, "peer_cmd", 1, 0, "{sibling-handle}");
    add_simcommand(table, "package_to_path", with_tree<package_to_path_cmd>, "package_to_path_cmd", 1, 0,
                   "{package-handle}");
    add_simcommand(table, "nextprop", with_tree<nextprop_cmd>, "nextprop_cmd", -1, 0,
                   "{package-handle} [previous-prop]");
    add_simcommand(table, "getproplen", with_tree<getproplen_cmd>, "getproplen_cmd", 2, 0,
                   "{package-handle} {prop-name}");
    add_simcommand(table, "getprop", with_tree<getprop_cmd>, "getprop_cmd", 2, 0,
                   "{package-handle} {prop-name}");
    add_simcommand(table, "getproptype", with_tree<getproptype_cmd>, "getproptype_cmd", 2, 0,
                   "{package-handle} {prop-name}");
    add_simcommand(table, "addchild", with_tree<addchild_cmd>, "addchild_cmd", 3, 0,
                   "{parent-handle} {driver-name} {unit-address}");
    add_simcommand(table, "addprop", with_tree<addprop_cmd>, "addprop_cmd", 4, 4,
                   "{package-handle} {property-type} {property-name} {property-value}");
    add_simcommand(table, "setprop", with_tree<setprop_cmd>, "setprop_cmd", 3, 0,
                   "{package-handle} {property-name} {property-value}");
    add_simcommand(table, "mmapinfo", with_tree<mmapinfo_cmd>, "mmapinfo_cmd", 1, 0, "{map-name}");
    add_simcommand(table, "enuminfo", enuminfo_cmd, "enuminfo_cmd", 1, 0, "{enum-func-name}");
    add_simcommand(table, "clear", clear_cmd, "clear_cmd", 0, 0, nullptr);
    add_simcommand(table, "print", print_cmd, "print_cmd", 0, 0, nullptr);
    add_simcommand(table, "machineinfo", machineinfo_cmd, "machineinfo_cmd", 0, 0, nullptr);
    add_simcommand(table, "rtasinfo", rtasinfo_cmd, "rtasinfo_cmd", 1, 0, "{rtas-func-name}");
    add_simcommand(table, "test", test_cmd, "test_cmd", 1, 0, "{service-name}");
    return table;
}

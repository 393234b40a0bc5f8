// The Open Firmware device-tree model.
#include "guest/device_tree.h"

#include <cstdlib>
#include <cstring>

#include "guest/claim_list.h"
#include "processor/records/generic_machine.h"
#include "memory/memory_bus.h"
#include "memory/memory_map.h"
#include "processor/records/mcm.h"
#include "runtime/alloc.h"
#include "runtime/message.h"
#include "runtime/utils.h"

const IDNamePair enum_names[] = {
    {CHOSEN_CPU, "CHOSEN_CPU"},
    {PCI_REG, "PCI_REG"},
    {PCI_BUS_RANGE, "PCI_BUS_RANGE"},
    {SERIAL_REG, "SERIAL_REG"},
    {RTC_REG, "RTC_REG"},
    {MEMORY_MAP, "MEMORY_MAP"},
    {MEMORY_AVAILABLE_MAP, "MEMORY_AVAILABLE_MAP"},
    {PCI_RANGES, "PCI_RANGES"},
    {0, nullptr},
};

namespace
{

constexpr int OF_PATH_COPY = 256;

size_t element_size(int32_t kind)
{
    switch (kind) {
    case ARRAY:
        return 4;
    case ARRAY_UINT64:
        return 8;
    case BYTE_ARRAY:
        return 1;
    default:
        return 0;
    }
}

// Removes an entry from the creation-ordered list.
void unlink_created(OF_DeviceTree *tree, OF_DeviceTreeNode *entry)
{
    OF_DeviceTreeNode *previous = nullptr;
    for (OF_DeviceTreeNode *e = tree->first; e; previous = e, e = e->next) {
        if (e != entry) continue;
        if (previous)
            previous->next = e->next;
        else
            tree->first = e->next;
        if (tree->last == e) tree->last = previous;
        return;
    }
}

void free_all(OF_DeviceTree *tree)
{
    while (OF_DeviceTreeNode *entry = tree->first) {
        tree->first = entry->next;
        of_free_device_node(entry);
    }
    tree->last = nullptr;
    tree->root = nullptr;
}

// Links the entry under its parent, ordered by name; an entry of the same name is replaced.
void insert_child(OF_DeviceTree *tree, OF_DeviceTreeNode *parent, OF_DeviceTreeNode *entry)
{
    OF_DeviceTreeNode **link = &parent->first_child;
    for (; *link; link = &(*link)->sibling) {
        OF_DeviceTreeNode *child = *link;
        int order = OF_Compare_Names(child->full_name, entry->full_name);
        if (order < 0) continue;
        if (order > 0) {
            entry->sibling = child;
            *link = entry;
            return;
        }
        entry->sibling = child->sibling;
        entry->first_child = child->first_child;
        for (OF_DeviceTreeNode *grandchild = entry->first_child; grandchild; grandchild = grandchild->sibling)
            grandchild->parent = entry;
        *link = entry;
        unlink_created(tree, child);
        of_free_device_node(child);
        return;
    }
    *link = entry;
}

uint64_t device_start(OF_DeviceTree *tree, const char *name)
{
    MCM *chip = tree ? tree->chip : nullptr;
    MemoryMap *map = chip && chip->mbus ? chip->mbus->memory_map : nullptr;
    return map ? MemMap_StartByName(map, name) : 0;
}

void put_u64_bytes(OF_PropertySink *sink, uint64_t value)
{
    uint8_t bytes[8];
    for (int i = 0; i < 8; i++)
        bytes[i] = (uint8_t)(value >> (56 - 8 * i));
    sink->ops->put_bytes(sink, bytes, 8);
}

// Node-relative additions are refused when the property's path would pass 99 characters.
bool fits(OF_DeviceTreeNode *node, const char *name)
{
    return node && name && strlen(node->full_name) + strlen(name) + 2 <= (size_t)OF_PATH_SIZE;
}

OF_DeviceTreeNode *add_relative(OF_DeviceTreeNode *node, const char *name, int32_t kind, uint64_t scalar,
                                const char *string, int32_t count)
{
    if (!fits(node, name)) return nullptr;
    if (element_size(kind))
        OF_AddNode_Property_Array(node->tree, node->full_name, name, kind, 0, nullptr, count);
    else
        OF_AddNode_Property(node->tree, node->full_name, name, kind, scalar, string);
    return of_find_property(node, name);
}

// The child path rule of of_add_child and of_exists_child; false when it is too long.
bool child_path(OF_DeviceTreeNode *node, const char *name, const char *unit, char *path, size_t size)
{
    if (!node || !name) return false;
    if (!unit) unit = "";
    if (strlen(node->full_name) + strlen(name) + strlen(unit) + 3 > (size_t)OF_PATH_SIZE) return false;
    bool root = strcmp(node->full_name, "/") == 0;
    snprintf(path, size, "%s%s%s%s%s", node->full_name, root ? "" : "/", name, *unit ? "@" : "", unit);
    return true;
}

// node "/" name, at most 255 characters; the root's properties read "/name".
void join_path(char *path, const char *node, const char *name)
{
    snprintf(path, OF_PATH_COPY, "%s/%s", strcmp(node, "/") == 0 ? "" : node, name);
}

} // namespace

OF_DeviceTree *OF_Machine_Tree(GenericMachine *machine)
{
    if (!machine) return nullptr;
    if (!machine->device_tree) {
        machine->device_tree = QUARN_ZALLOC(1, OF_DeviceTree);
        if (machine->device_tree) machine->device_tree->machine = machine;
    }
    return machine->device_tree;
}

// ---- creation ----

OF_DeviceTreeNode *OF_AddNode_Common(OF_DeviceTree *tree, const char *path, int32_t kind, uint64_t scalar,
                                     const char *string, const void *elements, int32_t count)
{
    if (!tree || !path) return nullptr;
    int32_t handle = ++tree->count;
    if (kind < INT || kind > NONE) sim_panic("OF_NewNode: Unknown value type %d", kind);
    OF_DeviceTreeNode *entry = QUARN_ZALLOC(1, OF_DeviceTreeNode);
    if (!entry) {
        sim_error("OF_NewNode: Failed to malloc new node");
        return nullptr;
    }
    entry->handle = handle;
    entry->kind = kind;
    entry->tree = tree;
    if (strlen(path) > (size_t)OF_PATH_SIZE)
        sim_warning(2, "OF_NewNode: Name %s exceeds maximum node name length of %d", path, OF_PATH_SIZE);
    snprintf(entry->full_name, sizeof entry->full_name, "%s", path);
    if (kind != NONE) {
        const char *slash = strrchr(entry->full_name, '/');
        snprintf(entry->prop_name, sizeof entry->prop_name, "%s", slash ? slash + 1 : entry->full_name);
        if (count < 0) count = 0;
        switch (kind) {
        case STR:
            if (string && strlen(string) > (size_t)OF_STRING_SIZE)
                sim_warning(2, "OF_NewNode: String Value %s exceeds maximum string length of %d", string,
                            OF_STRING_SIZE);
            snprintf(entry->string_value, sizeof entry->string_value, "%s", string ? string : "");
            break;
        case ARRAY:
        case ARRAY_UINT64:
        case BYTE_ARRAY:
            entry->count = count;
            if (count) {
                entry->elements = calloc((size_t)count, element_size(kind));
                if (!entry->elements) {
                    QUARN_FREE(entry);
                    sim_error("OF_NewNode: Failed to malloc new node");
                    return nullptr;
                }
                if (elements) memcpy(entry->elements, elements, (size_t)count * element_size(kind));
            }
            break;
        case EMPTY:
            entry->count = 0;
            break;
        default:
            entry->scalar = scalar;
            break;
        }
    }

    char parent_path[OF_PATH_COPY];
    if (strlen(path) >= sizeof parent_path)
        sim_warning(2, "OF_AddNode: Name %s exceeds maximum string length of %d", path, OF_PATH_COPY);
    snprintf(parent_path, sizeof parent_path, "%s", path);
    char *slash = strrchr(parent_path, '/');
    // An entry that cannot be placed is an error, never the end of the program: its path may come
    // from the guest (setprop) or a command.
    if (!slash) {
        sim_error("Invalid name in AddNode %s (No separators)", path);
        of_free_device_node(entry);
        return nullptr;
    }
    if (slash == parent_path)
        parent_path[1] = '\0';
    else
        *slash = '\0';

    OF_DeviceTreeNode *parent = nullptr;
    if (tree->root) {
        for (OF_DeviceTreeNode *e = tree->first; e && !parent; e = e->next)
            if (strcmp(e->full_name, parent_path) == 0) parent = e;
        if (!parent) {
            sim_error("OF_AddNode: Didn't find parent for %s", path);
            of_free_device_node(entry);
            return nullptr;
        }
    }
    if (tree->last)
        tree->last->next = entry;
    else
        tree->first = entry;
    tree->last = entry;
    if (!tree->root) {
        if (strcmp(entry->full_name, "/") == 0) tree->root = entry;
        return entry;
    }
    if (parent->kind != NONE)
        sim_warning(2, "OpenFirmware AddNode : Parent %s for %s should have no value associated with it.",
                    parent->full_name, path);
    entry->parent = parent;
    insert_child(tree, parent, entry);
    return entry;
}

OF_DeviceTreeNode *OF_AddNode(OF_DeviceTree *tree, const char *path, int32_t kind, uint64_t scalar,
                              const char *string)
{
    return OF_AddNode_Common(tree, path, kind, scalar, string, nullptr, 0);
}

OF_DeviceTreeNode *OF_AddNode_Array(OF_DeviceTree *tree, const char *path, int32_t kind, const void *elements,
                                    int32_t count)
{
    return OF_AddNode_Common(tree, path, kind, 0, nullptr, elements, count);
}

OF_DeviceTreeNode *OF_AddNode_Property(OF_DeviceTree *tree, const char *node, const char *name, int32_t kind,
                                       uint64_t scalar, const char *string)
{
    char path[OF_PATH_COPY];
    join_path(path, node, name);
    return OF_AddNode_Common(tree, path, kind, scalar, string, nullptr, 0);
}

OF_DeviceTreeNode *OF_AddNode_Property_Array(OF_DeviceTree *tree, const char *node, const char *name,
                                             int32_t kind, uint64_t scalar, const void *elements,
                                             int32_t count)
{
    char path[OF_PATH_COPY];
    join_path(path, node, name);
    return OF_AddNode_Common(tree, path, kind, scalar, nullptr, elements, count);
}

OF_DeviceTreeNode *OF_AddNode_Property_Byte_Array(OF_DeviceTree *tree, const char *node, const char *name,
                                                  const uint8_t *bytes, int32_t count)
{
    return OF_AddNode_Property_Array(tree, node, name, BYTE_ARRAY, 0, bytes, count);
}

int32_t Define_OF_Node(OF_DeviceTree *tree, char *buffer, const char *parent, const char *name)
{
    snprintf(buffer, OF_PATH_COPY, "%s/%s", parent, name);
    OF_AddNode(tree, buffer, NONE, 0, nullptr);
    return tree->count;
}

OF_DeviceTreeNode *of_add_int_property(OF_DeviceTreeNode *node, const char *name, uint32_t value)
{
    return add_relative(node, name, INT, value, nullptr, 0);
}

OF_DeviceTreeNode *of_add_addr_property(OF_DeviceTreeNode *node, const char *name, uint64_t value)
{
    return add_relative(node, name, ADDR, value, nullptr, 0);
}

OF_DeviceTreeNode *of_add_string_property(OF_DeviceTreeNode *node, const char *name, const char *text)
{
    return add_relative(node, name, STR, 0, text, 0);
}

OF_DeviceTreeNode *of_add_enum_property(OF_DeviceTreeNode *node, const char *name, uint64_t kind)
{
    return add_relative(node, name, ENUM, kind, nullptr, 0);
}

OF_DeviceTreeNode *of_add_empty_property(OF_DeviceTreeNode *node, const char *name)
{
    return add_relative(node, name, EMPTY, 0, nullptr, 0);
}

OF_DeviceTreeNode *of_add_array_property(OF_DeviceTreeNode *node, const char *name, int32_t count)
{
    if (!fits(node, name)) {
        sim_error("device name (%s) plus prop name(%s) exceeds max str length", node ? node->full_name : "",
                  name ? name : "");
        return nullptr;
    }
    OF_DeviceTreeNode *property = add_relative(node, name, ARRAY, 0, nullptr, count);
    if (!property)
        sim_error("Unable to find device we just added device name (%s) plus prop name(%s)", node->full_name,
                  name);
    return property;
}

OF_DeviceTreeNode *of_add_array64_property(OF_DeviceTreeNode *node, const char *name, int32_t count)
{
    return add_relative(node, name, ARRAY_UINT64, 0, nullptr, count);
}

OF_DeviceTreeNode *of_add_byte_array_property(OF_DeviceTreeNode *node, const char *name, int32_t count)
{
    return add_relative(node, name, BYTE_ARRAY, 0, nullptr, count);
}

OF_DeviceTreeNode *of_add_child(OF_DeviceTreeNode *node, const char *name, const char *unit)
{
    char path[OF_PATH_COPY];
    if (!child_path(node, name, unit, path, sizeof path)) return nullptr;
    OF_AddNode(node->tree, path, NONE, 0, nullptr);
    return of_find_device(node->tree, path);
}

int of_exists_child(OF_DeviceTreeNode *node, const char *name, const char *unit)
{
    char path[OF_PATH_COPY];
    return child_path(node, name, unit, path, sizeof path) && of_find_device(node->tree, path) != nullptr;
}

// ---- lookup ----

OF_DeviceTreeNode *of_handle_to_device_node(OF_DeviceTree *tree, int32_t handle)
{
    for (OF_DeviceTreeNode *e = tree ? tree->first : nullptr; e; e = e->next)
        if (e->handle == handle) return e;
    return nullptr;
}

OF_DeviceTreeNode *of_find_device(OF_DeviceTree *tree, const char *path)
{
    for (OF_DeviceTreeNode *e = tree && path ? tree->first : nullptr; e; e = e->next)
        if (e->kind == NONE && strcmp(e->full_name, path) == 0) return e;
    return nullptr;
}

OF_DeviceTreeNode *of_find_property(OF_DeviceTreeNode *node, const char *name)
{
    for (OF_DeviceTreeNode *c = node && name ? node->first_child : nullptr; c; c = c->sibling)
        if (c->kind != NONE && strcmp(c->prop_name, name) == 0) return c;
    return nullptr;
}

OF_DeviceTreeNode *of_first_child(OF_DeviceTreeNode *node)
{
    OF_DeviceTreeNode *c = node ? node->first_child : nullptr;
    while (c && c->kind != NONE)
        c = c->sibling;
    return c;
}

OF_DeviceTreeNode *of_next_sibling(OF_DeviceTreeNode *node)
{
    OF_DeviceTreeNode *c = node ? node->sibling : nullptr;
    while (c && c->kind != NONE)
        c = c->sibling;
    return c;
}

OF_DeviceTreeNode *of_first_property(OF_DeviceTreeNode *node)
{
    OF_DeviceTreeNode *c = node ? node->first_child : nullptr;
    while (c && c->kind == NONE)
        c = c->sibling;
    return c;
}

OF_DeviceTreeNode *of_next_property(OF_DeviceTreeNode *property)
{
    OF_DeviceTreeNode *c = property ? property->sibling : nullptr;
    while (c && c->kind == NONE)
        c = c->sibling;
    return c;
}

const char *OF_Short_Name(const OF_DeviceTreeNode *entry)
{
    const char *slash = strrchr(entry->full_name, '/');
    return slash ? slash + 1 : entry->full_name;
}

// ---- values ----

int32_t of_get_property_length(OF_DeviceTreeNode *property, OF_PropertySink *sink)
{
    int32_t length = 0;
    if (property) switch (property->kind) {
        case INT:
        case ADDR:
            length = 4;
            break;
        case STR:
            length = (int32_t)strlen(property->string_value) + 1;
            break;
        case ARRAY:
            length = property->count * 4;
            break;
        case ARRAY_UINT64:
            length = property->count * 8;
            break;
        case BYTE_ARRAY:
            length = property->count;
            break;
        case ENUM:
            switch (property->scalar) {
            case CHOSEN_CPU:
                length = 4;
                break;
            case PCI_REG:
            case SERIAL_REG:
            case RTC_REG:
            case MEMORY_MAP:
                length = 16;
                break;
            case PCI_BUS_RANGE:
                length = 8;
                break;
            case MEMORY_AVAILABLE_MAP:
                length = (int32_t)sizeof "computed-memory-available";
                break;
            case PCI_RANGES:
                length = property->count * 4;
                break;
            default:
                break;
            }
            break;
        default:
            break;
        }
    if (sink) sink->ops->put_cell(sink, (uint32_t)length);
    return length;
}

void of_get_property_value(OF_DeviceTreeNode *property, OF_PropertySink *sink)
{
    if (!property || !sink) return;
    const OF_PropertySinkOps *ops = sink->ops;
    switch (property->kind) {
    case INT:
    case ADDR:
        ops->put_cell(sink, (uint32_t)property->scalar);
        return;
    case STR:
        ops->put_string(sink, property->string_value);
        return;
    case ARRAY:
        for (int32_t i = 0; i < property->count; i++)
            ops->put_cell(sink, ((uint32_t *)property->elements)[i]);
        return;
    case ARRAY_UINT64:
        for (int32_t i = 0; i < property->count; i++)
            ops->put_u64(sink, ((uint64_t *)property->elements)[i]);
        return;
    case BYTE_ARRAY:
        ops->put_bytes(sink, (const uint8_t *)property->elements, property->count);
        return;
    case EMPTY:
        ops->put_bytes(sink, nullptr, 0);
        return;
    case ENUM:
        break;
    default:
        return;
    }
    OF_DeviceTree *tree = property->tree;
    switch (property->scalar) {
    case CHOSEN_CPU:
        ops->put_cell(sink, tree && tree->cpu_handle_count ? (uint32_t)tree->cpu_handles[0] : 0);
        break;
    case PCI_REG:
        put_u64_bytes(sink, device_start(tree, "PCI"));
        put_u64_bytes(sink, 1024);
        break;
    case PCI_BUS_RANGE:
        ops->put_cell(sink, 0);
        ops->put_cell(sink, 15);
        break;
    case SERIAL_REG:
    case RTC_REG:
        ops->put_cell(sink, 1);
        put_u64_bytes(sink, device_start(tree, property->scalar == SERIAL_REG ? "UART" : "RTC"));
        ops->put_cell(sink, 8);
        break;
    case MEMORY_MAP:
        put_u64_bytes(sink, 0);
        put_u64_bytes(sink, tree && tree->machine ? tree->machine->total_memory : 0);
        break;
    case MEMORY_AVAILABLE_MAP:
        ops->put_string(sink, "computed-memory-available");
        break;
    case PCI_RANGES:
        for (int32_t i = 0; i < property->count; i++)
            ops->put_cell(sink, ((uint32_t *)property->elements)[i]);
        break;
    default:
        break;
    }
}

void of_put_property_value(OF_DeviceTreeNode *property, OF_PropertySource *source)
{
    if (!property || !source) return;
    switch (property->kind) {
    case STR:
        source->ops->get_string(source, property->string_value, OF_STRING_SIZE);
        break;
    case BYTE_ARRAY:
        if (property->count > 0)
            source->ops->get_bytes(source, (uint8_t *)property->elements, property->count);
        break;
    case INT: {
        uint64_t value = property->scalar;
        source->ops->get_int(source, &value);
        property->scalar = (uint32_t)value;
        break;
    }
    default:
        break;
    }
}

void of_set_array_property(OF_DeviceTreeNode *property, int32_t index, uint32_t value)
{
    if (property && property->kind == ARRAY && index >= 0 && index < property->count)
        ((uint32_t *)property->elements)[index] = value;
}

void of_set_array64_property(OF_DeviceTreeNode *property, int32_t index, uint64_t value)
{
    if (property && property->kind == ARRAY_UINT64 && index >= 0 && index < property->count)
        ((uint64_t *)property->elements)[index] = value;
}

const char *OF_ENUM_id2name(int32_t id)
{
    for (const IDNamePair *row = enum_names; row->name; row++)
        if (row->id == id) return row->name;
    return nullptr;
}

int32_t OF_ENUM_name2id(const char *name)
{
    return Name2ID(enum_names, name);
}

// ---- whole tree ----

int OF_Compare_Names(const char *a, const char *b)
{
    size_t i = 0;
    while (a[i] && b[i] && a[i] != '@') {
        if (a[i] != b[i]) return (signed char)a[i] - (signed char)b[i];
        i++;
    }
    if (a[i] != '@') {
        if (!a[i] && !b[i]) return 0;
        return a[i] ? 1 : -1;
    }
    if (b[i] != '@') return b[i] ? (signed char)a[i] - (signed char)b[i] : 1;
    auto hex = [](const char *&p) {
        uint64_t value = 0;
        for (;; p++) {
            char c = *p;
            int digit = c >= '0' && c <= '9'   ? c - '0'
                        : c >= 'a' && c <= 'f' ? c - 'a' + 10
                        : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                               : -1;
            if (digit < 0) return value;
            value = value << 4 | (uint64_t)digit;
        }
    };
    const char *ra = a + i + 1, *rb = b + i + 1;
    uint64_t na = hex(ra), nb = hex(rb);
    if (na != nb) return na < nb ? -1 : 1;
    if (*ra == '/' && *rb == '/') return OF_Compare_Names(ra, rb);
    return strcmp(ra, rb);
}

void OF_Print_Device_Tree(OF_DeviceTree *tree)
{
    if (!tree || !tree->built) {
        SIM_PRINT("empty tree\n");
        return;
    }
    SIM_PRINT("%d nodes\n", tree->count);
    for (OF_DeviceTreeNode *e = tree->first; e; e = e->next) {
        SIM_PRINT("  name: %s\n", e->full_name);
        SIM_PRINT("    prop_name: %s\n", e->prop_name);
        switch (e->kind) {
        case INT:
            SIM_PRINT("    type: INT\n");
            SIM_PRINT("    value: %ld\n", (long)e->scalar);
            break;
        case ADDR:
            SIM_PRINT("    type: ADDR\n");
            SIM_PRINT("    value: 0x%016lX\n", (unsigned long)e->scalar);
            break;
        case STR:
            SIM_PRINT("    type: STR\n");
            SIM_PRINT("    value: %s\n", e->string_value);
            break;
        case ENUM:
            SIM_PRINT("    type: ENUM\n");
            SIM_PRINT("    value: %ld\n", (long)e->scalar);
            break;
        case ARRAY:
        case ARRAY_UINT64: {
            bool wide = e->kind == ARRAY_UINT64;
            SIM_PRINT("    type: %s\n", wide ? "ARRAY_UINT64" : "ARRAY");
            SIM_PRINT("    size: %d\n", e->count);
            // Only the elements that exist (at most two) are shown.
            char line[96] = "    value(s): ";
            for (int32_t i = 0; i < e->count && i < 2; i++) {
                size_t used = strlen(line);
                if (wide)
                    snprintf(line + used, sizeof line - used, "0x%016lX, ",
                             (unsigned long)((uint64_t *)e->elements)[i]);
                else
                    snprintf(line + used, sizeof line - used, "0x%08X, ", ((uint32_t *)e->elements)[i]);
            }
            SIM_PRINT("%s...\n", line);
            break;
        }
        case BYTE_ARRAY:
            SIM_PRINT("    type: BYTE_ARRAY\n");
            break;
        case EMPTY:
            SIM_PRINT("    type: EMPTY\n");
            break;
        case NONE:
            SIM_PRINT("    type: NONE\n");
            break;
        default:
            SIM_PRINT("    type: ERROR\n");
            break;
        }
    }
}

void OF_Empty_Device_Tree(OF_DeviceTree *tree)
{
    tree->first = tree->last = nullptr;
    tree->root = nullptr;
    tree->count = 0;
}

void of_clear_device_tree(OF_DeviceTree *tree)
{
    if (!tree || !tree->built) return;
    free_all(tree);
    tree->count = 0;
    OF_AddNode(tree, "/", NONE, 0, nullptr);
}

void OpenFirmware_Quit(GenericMachine *machine)
{
    if (!machine) return;
    if (OF_DeviceTree *tree = machine->device_tree) {
        if (tree->built) free_all(tree);
        tree->built = 0;
        free(tree->cpu_handles);
        QUARN_FREE(tree);
        machine->device_tree = nullptr;
    }
    of_free_region_list(machine);
}

void of_free_device_node(OF_DeviceTreeNode *entry)
{
    if (!entry) return;
    free(entry->elements);
    QUARN_FREE(entry);
}

// ---- text buffer ----

void of_string_resize(of_string *buffer, int32_t capacity)
{
    if (!buffer || capacity < 0) return;
    char *text = (char *)realloc(buffer->text, (size_t)capacity + 1);
    if (!text) return;
    buffer->text = text;
    buffer->capacity = capacity;
    if (buffer->length > capacity) buffer->length = capacity;
    buffer->text[buffer->length] = '\0';
}

void of_string_ncat(of_string *buffer, const char *text, int32_t length)
{
    if (!buffer || !text || length <= 0) return;
    if (buffer->capacity - buffer->length < length)
        of_string_resize(buffer, buffer->capacity + (length > 32 ? length : 32));
    if (buffer->capacity - buffer->length < length) return;
    memcpy(buffer->text + buffer->length, text, (size_t)length);
    buffer->length += length;
    buffer->text[buffer->length] = '\0';
}

// The Open Firmware device tree of a machine: one record type for nodes and properties, kept in
// creation order (handles 1, 2, 3, ...) and linked into a tree in which a node's properties and
// subnodes are its children, ordered by name with unit addresses compared as numbers. Creation,
// lookup, iteration, the typed values and their two views (the command view through a value sink
// and source; the guest encoding is the client interface's), printing, clearing and freeing.
#pragma once

#include <cstdint>

struct GenericMachine;
struct IDNamePair;
struct MCM;
struct OF_DeviceTree;

constexpr int OF_PATH_SIZE = 100;   // a full path keeps at most 99 characters
constexpr int OF_NAME_SIZE = 101;   // a short name keeps at most 100 characters
constexpr int OF_STRING_SIZE = 256; // a string value keeps at most 255 characters

// Value kinds, as stored and printed.
enum OF_ValueKind : int32_t {
    INT = 0,
    ADDR = 1,
    STR = 2,
    ENUM = 3,
    ARRAY = 4,
    ARRAY_UINT64 = 5,
    BYTE_ARRAY = 6,
    EMPTY = 7,
    NONE = 8,
};

// Computed-property kinds (the scalar of an ENUM property).
enum OF_EnumKind : int32_t {
    CHOSEN_CPU = 0,
    PCI_REG = 1,
    PCI_BUS_RANGE = 2,
    SERIAL_REG = 3,
    RTC_REG = 4,
    MEMORY_MAP = 5,
    MEMORY_AVAILABLE_MAP = 6,
    PCI_RANGES = 7,
};

struct OF_DeviceTreeNode {
    char full_name[OF_PATH_SIZE];
    char prop_name[OF_NAME_SIZE]; // empty for nodes
    int32_t handle;
    int32_t kind;
    char string_value[OF_STRING_SIZE];
    uint64_t scalar;
    void *elements; // ARRAY: uint32_t, ARRAY_UINT64: uint64_t, BYTE_ARRAY: uint8_t
    int32_t count;  // elements
    OF_DeviceTree *tree;
    OF_DeviceTreeNode *next; // creation order
    OF_DeviceTreeNode *first_child;
    OF_DeviceTreeNode *sibling;
    OF_DeviceTreeNode *parent;
};

struct OF_DeviceTree {
    int32_t built;
    int32_t count; // entries created since the tree was last emptied; the last handle given
    OF_DeviceTreeNode *root;
    MCM *chip; // whose memory map the computed properties read
    int32_t *cpu_handles;
    int32_t cpu_handle_count;
    OF_DeviceTreeNode *first;
    OF_DeviceTreeNode *last;
    GenericMachine *machine;
};

// The writer of a property's command view: a string; bytes (length 0 for an empty property); a
// 32-bit cell; a 64-bit value.
struct OF_PropertySinkOps {
    void (*put_string)(void *sink, const char *text);
    void (*put_bytes)(void *sink, const uint8_t *bytes, int32_t length);
    void (*put_cell)(void *sink, uint32_t value);
    void (*put_u64)(void *sink, uint64_t value);
};
struct OF_PropertySink {
    const OF_PropertySinkOps *ops;
};
// The reader of a new value: a string into a buffer of at most size characters (terminator
// included); bytes into a buffer of length bytes; an integer (1 when one was read).
struct OF_PropertySourceOps {
    void (*get_string)(void *source, char *buffer, int32_t size);
    void (*get_bytes)(void *source, uint8_t *buffer, int32_t length);
    int (*get_int)(void *source, uint64_t *value);
};
struct OF_PropertySource {
    const OF_PropertySourceOps *ops;
};

extern const IDNamePair enum_names[];

// The machine's tree record, made (empty, not built) on first use.
OF_DeviceTree *OF_Machine_Tree(GenericMachine *machine);

// Creation.
OF_DeviceTreeNode *OF_AddNode_Common(OF_DeviceTree *tree, const char *path, int32_t kind, uint64_t scalar,
                                     const char *string, const void *elements, int32_t count);
OF_DeviceTreeNode *OF_AddNode(OF_DeviceTree *tree, const char *path, int32_t kind, uint64_t scalar,
                              const char *string);
OF_DeviceTreeNode *OF_AddNode_Array(OF_DeviceTree *tree, const char *path, int32_t kind, const void *elements,
                                    int32_t count);
OF_DeviceTreeNode *OF_AddNode_Property(OF_DeviceTree *tree, const char *node, const char *name, int32_t kind,
                                       uint64_t scalar, const char *string);
OF_DeviceTreeNode *OF_AddNode_Property_Array(OF_DeviceTree *tree, const char *node, const char *name,
                                             int32_t kind, uint64_t scalar, const void *elements,
                                             int32_t count);
OF_DeviceTreeNode *OF_AddNode_Property_Byte_Array(OF_DeviceTree *tree, const char *node, const char *name,
                                                  const uint8_t *bytes, int32_t count);
// Adds the node parent/name (buffer of 256 characters receives the path) and answers its handle.
int32_t Define_OF_Node(OF_DeviceTree *tree, char *buffer, const char *parent, const char *name);

// Node-relative adders: the new property, or null when node path + name + 2 exceeds 100.
OF_DeviceTreeNode *of_add_int_property(OF_DeviceTreeNode *node, const char *name, uint32_t value);
OF_DeviceTreeNode *of_add_addr_property(OF_DeviceTreeNode *node, const char *name, uint64_t value);
OF_DeviceTreeNode *of_add_string_property(OF_DeviceTreeNode *node, const char *name, const char *text);
OF_DeviceTreeNode *of_add_enum_property(OF_DeviceTreeNode *node, const char *name, uint64_t kind);
OF_DeviceTreeNode *of_add_empty_property(OF_DeviceTreeNode *node, const char *name);
OF_DeviceTreeNode *of_add_array_property(OF_DeviceTreeNode *node, const char *name, int32_t count);
OF_DeviceTreeNode *of_add_array64_property(OF_DeviceTreeNode *node, const char *name, int32_t count);
OF_DeviceTreeNode *of_add_byte_array_property(OF_DeviceTreeNode *node, const char *name, int32_t count);
// The child node name@unit under node (no "@" for an empty unit), or null when the path is too long.
OF_DeviceTreeNode *of_add_child(OF_DeviceTreeNode *node, const char *name, const char *unit);
int of_exists_child(OF_DeviceTreeNode *node, const char *name, const char *unit);

// Lookup and iteration.
OF_DeviceTreeNode *of_handle_to_device_node(OF_DeviceTree *tree, int32_t handle);
OF_DeviceTreeNode *of_find_device(OF_DeviceTree *tree, const char *path);
OF_DeviceTreeNode *of_find_property(OF_DeviceTreeNode *node, const char *name);
OF_DeviceTreeNode *of_first_child(OF_DeviceTreeNode *node);
OF_DeviceTreeNode *of_next_sibling(OF_DeviceTreeNode *node);
OF_DeviceTreeNode *of_first_property(OF_DeviceTreeNode *node);
OF_DeviceTreeNode *of_next_property(OF_DeviceTreeNode *property);
// The text after the last "/" of a full path.
const char *OF_Short_Name(const OF_DeviceTreeNode *entry);

// Values.
int32_t of_get_property_length(OF_DeviceTreeNode *property, OF_PropertySink *sink);
void of_get_property_value(OF_DeviceTreeNode *property, OF_PropertySink *sink);
void of_put_property_value(OF_DeviceTreeNode *property, OF_PropertySource *source);
void of_set_array_property(OF_DeviceTreeNode *property, int32_t index, uint32_t value);
void of_set_array64_property(OF_DeviceTreeNode *property, int32_t index, uint64_t value);
const char *OF_ENUM_id2name(int32_t id);
int32_t OF_ENUM_name2id(const char *name);

// Whole tree.
int OF_Compare_Names(const char *a, const char *b);
void OF_Print_Device_Tree(OF_DeviceTree *tree);
// Frees every entry and starts again from a fresh root "/" (handle 1); nothing on a tree never built.
void of_clear_device_tree(OF_DeviceTree *tree);
// Frees every entry of a built tree and clears its built flag (the entry count stays).
void OpenFirmware_Quit(GenericMachine *machine);
void of_free_device_node(OF_DeviceTreeNode *entry);
// Empties the list, the root and the count without freeing (the start of a build).
void OF_Empty_Device_Tree(OF_DeviceTree *tree);

// A growable text buffer of the device-tree code, exported for loaded objects.
struct of_string {
    char *text;
    int32_t capacity; // characters, terminator not counted
    int32_t length;
};
void of_string_resize(of_string *buffer, int32_t capacity);
void of_string_ncat(of_string *buffer, const char *text, int32_t length);

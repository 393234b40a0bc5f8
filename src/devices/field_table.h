// Device register field tables: the registers of a memory-mapped device described as lists of
// fields with offsets, permitted access lengths and read/write permissions. Every access is
// checked against the lists and then handed to the list's access routine; a violation is reported
// with the table's and the field's names and marks the access phantom. A table can be placed in a
// chip's memory map as a device. Also the offset-range rows of FieldHash. Exported for device
// code and plug-ins.
//
// A field list is an array of entries in ascending offset order: a leading entry (whose limit
// becomes the first field's start - 1), the fields, and a closing entry marked FIELD_LAST. Limits
// are inclusive: a field covers the offsets start .. limit. Offsets between fields belong to no
// field.
#pragma once

#include <cstdint>

#include "memory/memory_map.h"

struct MCM;
struct field_list;
struct field_table;

// The access word of a field entry.
enum : uint32_t {
    FIELD_LENGTHS = 0xF, // permitted lengths, as a mask of the lengths 1, 2, 4 and 8 themselves
    FIELD_READ = 0x100,
    FIELD_WRITE = 0x200,
    FIELD_LAST = 0x1000,          // the closing entry
    FIELD_UNIMPLEMENTED = 0x4000, // accesses to the field fail
};

struct field_entry {
    uint32_t start;
    uint32_t limit; // last offset of the field
    uint32_t access;
    const char *name;
};

// Status codes of a failed access.
enum : int {
    FIELD_SIZE_ERROR = 1,
    FIELD_ALIGNMENT_ERROR = 2,
    FIELD_PERMISSION_ERROR = 3,
    FIELD_OVERFLOW_ERROR = 4,
    FIELD_RESERVED = 5,
    FIELD_UNIMPLEMENTED_ERROR = 6,
};

// What an access routine is handed: the access, where it falls and its data (a host integer of
// length bytes: the value to write, or where the value read goes).
struct field_access_s {
    int32_t write;
    uint64_t offset;       // from the list's base offset
    uint32_t field_offset; // from the field's start
    int32_t length;
    void *data;
    const field_entry *field;
    field_list *list;
    MMAPI_Access *access;
};
// Returns non-zero when it accepted the access.
typedef int (*field_access_fn)(void *data, field_access_s *access);
// Reports a failed access: (data, access, code, table, field or null, address, length).
typedef void (*field_error_fn)(void *data, MMAPI_Access *access, int code, field_table *table,
                               const field_entry *field, uint64_t address, int length);

struct field_list {
    char *name;           // the table name made unique per chip
    uint32_t base;        // offset of the list's first entry; 0 at creation
    field_entry *entries; // a checked copy of the description
    field_access_fn routine;
    void *routine_data;
    field_list *next;
};

struct MemoryMap_to_field_table;

struct field_table {
    MCM *chip;
    char *name;
    field_list *lists;
    field_error_fn error; // the built-in reporter unless replaced
    void *error_data;     // the table itself for the built-in reporter
    // Memory-map instances made by field_table_add_to_MemoryMap that still exist.
    MemoryMap_to_field_table **instances;
    int32_t instance_count;
};

// A table placed in a memory map: the instance of its device.
struct MemoryMap_to_field_table {
    field_table *table; // none once the table is deleted
    void *extra;
    void *element;
    void (*quit)(MemoryMap_to_field_table *instance); // called when the device quits, when set
};
static_assert(sizeof(MemoryMap_to_field_table) == 32, "the instance record is 32 bytes");

// A table; with entries, one field list over a copy of them, checked (problems are fatal errors).
field_table *field_table_create(MCM *chip, const char *name, const field_entry *entries, void *data,
                                field_access_fn routine);
// Defines the table as the device [start, end] of its chip's memory map under its unique name;
// returns the device's instance, or null.
MemoryMap_to_field_table *field_table_add_to_MemoryMap(field_table *table, uint64_t start, uint64_t end,
                                                       void *extra, void *element);
// Frees the field lists and the table; devices made from it then refuse every access.
void field_table_delete(field_table *table);

// 1 when the list's access routine accepted the access, else 0 (after the report). field_read
// clears the buffer first.
int field_read(MMAPI_Access *access, field_table *table, uint64_t offset, void *buffer, int length);
int field_write(MMAPI_Access *access, field_table *table, uint64_t offset, const void *buffer, int length);
// Accesses of 1, 2, 4 or 8 bytes through a local of that size; other lengths fail (a read then
// stores 0xDEADBEEF).
int field_read_reg(MMAPI_Access *access, field_table *table, uint64_t offset, uint64_t *value, int length);
int field_write_reg(MMAPI_Access *access, field_table *table, uint64_t offset, uint64_t value, int length);

// The built-in reporter: gives the status code's message through the general warning call and
// marks the access phantom (status 1). field_table_error_text writes that message.
void field_table_report(void *data, MMAPI_Access *access, int code, field_table *table,
                        const field_entry *field, uint64_t address, int length);
void field_table_error_text(char *buffer, int size, int code, const field_table *table,
                            const field_entry *field, uint64_t address, int length);

// The value of an access routine's data: lengths 1, 2, 4 (and 8 for _reg); other lengths give
// 0xDEADBEEFDEADBEEF / 0xDEADBEEF.
uint64_t field_convert_to_reg(const field_access_s *access);
uint32_t field_convert_to_uint(const field_access_s *access);
// Stores a value into an access routine's data by its length; other lengths store (up to their
// length) the bytes of 0xDEADBEEFDEADBEEF.
void field_convert_from_reg(field_access_s *access, uint64_t value);
void field_convert_from_uint(field_access_s *access, uint32_t value);

// FieldHash: rows {start, length, flags} ended by a start of 0xFFFFFFFF.
struct FieldHash_Row {
    uint32_t start;
    uint32_t length;
    uint32_t flags;
};
struct FieldHash {
    const FieldHash_Row *rows;
};
void FieldHash_Init(FieldHash *slot, const FieldHash_Row *rows);
// The first row that holds the offset and shares a flag with the mask, with the number of its
// bytes from the offset (at most count) in *length; null when none.
const FieldHash_Row *FieldHash_Lookup(const FieldHash *slot, uint32_t offset, uint32_t count,
                                      uint32_t *length, uint32_t flag_mask);

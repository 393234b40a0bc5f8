// The object registry: a process-wide, append-only table of named simulation objects
// (configurations, machines, chips, processors, threads, time domains) with their kind; an
// object's id is its index in the table.
#pragma once

#include <cstdint>

struct Tcl_Interp;

enum : int32_t {
    OBJECT_KIND_NONE = 0,
    OBJECT_KIND_CONFIGURATION = 1,
    OBJECT_KIND_MACHINE = 2,
    OBJECT_KIND_MEMORY_SPACE = 3, // a chip
    OBJECT_KIND_PROCESSOR = 4,
    OBJECT_KIND_THREAD = 5,
    OBJECT_KIND_SPU = 6,
    OBJECT_KIND_PBIC = 7,
    OBJECT_KIND_TIME_DOMAIN = 8,
    OBJECT_KIND_INTERRUPT_CONTROLLER = 9,
    OBJECT_KIND_MEMORY_MAPPED_DEVICE = 10,
};

struct BaseObject_t {
    int32_t id;      // the slot's own index
    char *name;      // own copy
    int32_t deleted; // 1 once deleted; slots are never reused
    int32_t kind;
    void *object;
};

int32_t BaseObject__New(const char *name, int32_t kind, void *object);
int32_t BaseObject__Get_By_Name(const char *name);
void BaseObject__Delete(int32_t id);
void BaseObject__Delete_by_Name(const char *name);
void BaseObject__ChangeName(int32_t id, const char *name);
int32_t BaseObject__GetMax(void);
// Slot accessors; an id outside the table gives 0 / null.
int BaseObject__IsPPC(int32_t id);
int32_t BaseObject__GetType(int32_t id);
void *BaseObject__GetObj(int32_t id);
const char *BaseObject__GetName(int32_t id);
// The id of the live slot of this kind that holds this object, else -1.
int32_t BaseObject__Find_Object(int32_t kind, const void *object);
const char *ObjectType_Name(int32_t kind);
void List_All_Objects(Tcl_Interp *interpreter);

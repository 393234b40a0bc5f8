// The object registry.
#include "runtime/object_registry.h"

#include <cstring>

#include "runtime/alloc.h"
#include "runtime/tcl_output.h"

namespace
{

BaseObject_t *table = nullptr;
int32_t capacity = 0;
int32_t used = 0;

constexpr int32_t GROWTH = 256;

BaseObject_t *slot(int32_t id)
{
    return id >= 0 && id < capacity ? &table[id] : nullptr;
}

} // namespace

int32_t BaseObject__New(const char *name, int32_t kind, void *object)
{
    if (used == capacity) {
        BaseObject_t *bigger = QUARN_ZALLOC(capacity + GROWTH, BaseObject_t);
        if (table) memcpy(bigger, table, (size_t)used * sizeof(BaseObject_t));
        QUARN_FREE(table);
        table = bigger;
        capacity += GROWTH;
    }
    BaseObject_t *s = &table[used];
    s->id = used;
    s->name = REMEMBER_STRING(name);
    s->deleted = 0;
    s->kind = kind;
    s->object = object;
    return used++;
}

int32_t BaseObject__Get_By_Name(const char *name)
{
    if (!name) return -1;
    for (int32_t i = 0; i < used; i++)
        if (!table[i].deleted && table[i].name && strcmp(table[i].name, name) == 0) return i;
    return -1;
}

void BaseObject__Delete(int32_t id)
{
    BaseObject_t *s = slot(id);
    if (!s || id >= used) return;
    s->deleted = 1;
    if (s->name) FORGET_STRING(s->name);
    s->name = nullptr;
}

void BaseObject__Delete_by_Name(const char *name)
{
    int32_t id = BaseObject__Get_By_Name(name);
    if (id >= 0) BaseObject__Delete(id);
}

void BaseObject__ChangeName(int32_t id, const char *name)
{
    BaseObject_t *s = slot(id);
    if (!s || id >= used) return;
    if (s->name) FORGET_STRING(s->name);
    s->name = REMEMBER_STRING(name);
}

int32_t BaseObject__GetMax(void)
{
    return capacity;
}

int BaseObject__IsPPC(int32_t id)
{
    BaseObject_t *s = slot(id);
    return s && s->kind == OBJECT_KIND_THREAD;
}

int32_t BaseObject__GetType(int32_t id)
{
    BaseObject_t *s = slot(id);
    return s ? s->kind : 0;
}

void *BaseObject__GetObj(int32_t id)
{
    BaseObject_t *s = slot(id);
    return s ? s->object : nullptr;
}

const char *BaseObject__GetName(int32_t id)
{
    BaseObject_t *s = slot(id);
    return s ? s->name : nullptr;
}

int32_t BaseObject__Find_Object(int32_t kind, const void *object)
{
    for (int32_t i = 0; i < used; i++)
        if (!table[i].deleted && table[i].kind == kind && table[i].object == object) return i;
    return -1;
}

const char *ObjectType_Name(int32_t kind)
{
    switch (kind) {
    case OBJECT_KIND_CONFIGURATION:
        return "Configuration Object";
    case OBJECT_KIND_MACHINE:
        return "Machine";
    case OBJECT_KIND_MEMORY_SPACE:
        return "Memory space";
    case OBJECT_KIND_PROCESSOR:
        return "Processor";
    case OBJECT_KIND_THREAD:
        return "Thread";
    case OBJECT_KIND_SPU:
        return "SPU";
    case OBJECT_KIND_PBIC:
        return "PBIC";
    case OBJECT_KIND_TIME_DOMAIN:
        return "Time Domain";
    case OBJECT_KIND_INTERRUPT_CONTROLLER:
        return "Interrupt Controller";
    case OBJECT_KIND_MEMORY_MAPPED_DEVICE:
        return "Memory Mapped Device";
    default:
        return "Unknown object type";
    }
}

void List_All_Objects(Tcl_Interp *interpreter)
{
    for (int32_t i = 0; i < used; i++) {
        if (table[i].deleted) continue;
        SIM_TCLPRINT(interpreter, "%s\t%s", table[i].name, ObjectType_Name(table[i].kind));
        SIM_TCLPRINT(interpreter, "\n");
    }
}

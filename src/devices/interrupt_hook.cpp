// Interrupt hooks.
#include "devices/interrupt_hook.h"

#include <cstdio>

#include "runtime/alloc.h"
#include "runtime/message.h"

IntHandler *IntHandler__New(const char *name)
{
    IntHandler *hook = QUARN_ZALLOC(1, IntHandler);
    if (!hook) {
        sim_error("IntHandler__New: allocation failed");
        return nullptr;
    }
    snprintf(hook->name, sizeof hook->name, "%s", name ? name : "");
    return hook;
}

void IntHandler__Delete(IntHandler *hook)
{
    QUARN_FREE(hook);
}

void IntHandler__Set(IntHandler *hook, IntHandlerFunction function, void *data)
{
    if (!hook) return;
    hook->function = function;
    hook->data = data;
    hook->setup = 1;
}

void IntHandler__Copy(IntHandler *destination, const IntHandler *source)
{
    if (!destination || !source) return;
    destination->function = source->function;
    destination->data = source->data;
    destination->setup = 1;
}

int32_t IntHandler__isSetup(const IntHandler *hook)
{
    return hook ? hook->setup : 0;
}

int32_t IntHandler__Status(const IntHandler *hook)
{
    return hook ? hook->last_operation : 0;
}

int IntHandler__Raise(IntHandler *hook, int32_t line, uint64_t argument, const char *)
{
    if (!hook || !hook->function) {
        sim_warning(2, "Attempt to raise interrupt with handler %s but handler is not initialized",
                    hook ? hook->name : "");
        return 0;
    }
    hook->last_operation = INT_RAISE;
    return hook->function(hook->data, INT_RAISE, line, argument);
}

int IntHandler__Lower(IntHandler *hook, int32_t line, uint64_t argument)
{
    if (!hook || !hook->function) {
        sim_warning(2, "Attempt to lower interrupt with handler %s but handler is not initialized",
                    hook ? hook->name : "");
        return 0;
    }
    hook->last_operation = INT_LOWER;
    return hook->function(hook->data, INT_LOWER, line, argument);
}

int IntHandler__Message(IntHandler *hook, int32_t line, uint64_t argument)
{
    if (!hook || !hook->function) {
        sim_warning(2, "Attempt to raise interrupt with handler %s but handler is not initialized",
                    hook ? hook->name : "");
        return 0;
    }
    hook->last_operation = INT_MESSAGE;
    return hook->function(hook->data, INT_MESSAGE, line, argument);
}

int IntHandler__State(IntHandler *hook, int32_t line, uint64_t argument)
{
    if (!hook || !hook->function) {
        sim_warning(2, "Attempt to query interrupt state with handler %s but handler is not initialized",
                    hook ? hook->name : "");
        return 2;
    }
    return hook->function(hook->data, INT_STATE, line, argument);
}

#include "processor/default_values_standin.h"

#include "runtime/callbacks.h"
#include "runtime/psv.h"

// STAND-IN: the machine, chip, processor, memory and ROM default-value routines are not built
// yet. Of their chain this adds what exists: the processor-specific values, then every
// "create_default_property_list" callback with (its data, the list), where the timing models add
// theirs. Weak, so that the machine set-up's definition replaces it.
__attribute__((weak)) void base_Add_Default_Values(PropertyList *list, const char *prefix)
{
    PSV_Add_Default_Values(list, prefix ? prefix : "");
    typedef void (*DefaultsFunction)(void *data, PropertyList *list);
    for (Callback_Function *f = callBackFunctionLists[CALLBACK_CREATE_DEFAULT_PROPERTY_LIST].head; f;
         f = f->next)
        if (f->function) reinterpret_cast<DefaultsFunction>(f->function)(f->data, list);
}

#include "processor/processor_create_standin.h"

// STAND-IN: processors are not built yet, so none can be created. Weak, so that the processor
// set-up's definition replaces it.
__attribute__((weak)) ProcessorState *Processor_Create(PropertyList *, const char *)
{
    return nullptr;
}

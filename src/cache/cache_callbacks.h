// Registration of the cache models' life-cycle callbacks.
#pragma once

// L1-L3 cache model, priority 2, name "Cache".
void Callbacks_register_cache(void);
// L4 cache model, priority 3, name "L4Cache".
void Callbacks_register_l4cache(void);

// Registration of the transactional-memory model's callbacks.
#pragma once

// priority 24, name "HTM".
void Callbacks_register_HTM(void);

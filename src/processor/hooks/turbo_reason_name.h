// The name of a translated-code exit reason, for the prints of the floors below the translator.
// Declared here for the floors that call it; defined by the translator (translator/turbo_reason.cpp).
#pragma once

// The name of an exit reason; "not sure" for 8, 24, 31 and every number above 52.
const char *turbo_reason(unsigned code);

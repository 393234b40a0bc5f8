#include "processor/translation/xlate_version.h"

uint64_t current_xlate_version = 0;

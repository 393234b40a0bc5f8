// Texts of the instruction trace and debug output.
#pragma once

// Words 1 to count-1 joined with "/" in a static buffer (the next call overwrites it); empty for a
// count of 1 or less. Longer texts are cut at 1023 characters.
const char *SquashArgV(int count, char **words);

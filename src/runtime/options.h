// The command line: its recorded text, the -D/-U collections, option parsing and the usage text.
#pragma once

#include <cstddef>

// Does nothing; called once at the start of main.
void Print_Disclaimer(void);
// Prints the usage text and exits with status -1.
[[noreturn]] void usage(int argc, char **argv);

// Records the arguments as one text: each followed by a blank, those containing a blank or tab in
// double quotes, trailing blanks removed. Allocated through quarn_malloc.
char *Record_Command_Line(int argc, char **argv);
// Collects every "-<letter> words" group as "{words} " (each '=' made a blank), without the final
// blank, into result (capacity bytes including the terminator; longer output is cut).
void Collect_Command_Line_Options(int argc, char **argv, char letter, char *result, size_t capacity);
// Parses the options (prints the usage and exits on a bad one); returns the index of the first
// operand.
int Parse_Command_Line_Options(int argc, char **argv);

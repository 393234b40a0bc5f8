// The "ProcessTree" table: filling and inspecting the selected machine's guest process tree by hand
// (attached by no table; hosts and plug-ins enter it into a table of their own).
#pragma once

#include <cstdint>
#include <cstdio>

struct ELF_Info;
struct Selector;
struct SimCmdTable;
struct Tcl_Interp;

SimCmdTable *build_ProcessTree_table(void *argument);

// "dump": for every process (root first, then depth first), the functions found in the symbol
// tables of its loaded ELF files, to "/tmp/pid%djob.m" and "/tmp/pid%djob.debug".
int PT_DumpToFileCmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv);

// The detailed text of symbol entry `index` (from 0) of a big-endian 32-bit or 64-bit image.
void Print_Symbol_Entry_32(FILE *file, ELF_Info *info, const uint8_t *entry, int32_t index);
void Print_Symbol_Entry_64(FILE *file, ELF_Info *info, const uint8_t *entry, int32_t index);
// Big-endian fields of an image.
uint64_t ELF_Field(const uint8_t *bytes, int width);
// The lowest address of the image's loaded sections (0 without any).
uint64_t ELF_Lowest_Address(const ELF_Info *info);

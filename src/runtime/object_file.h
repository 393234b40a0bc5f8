// Object files read for their symbols: the process-wide collection gElfData of ELF files found by
// name along a directory search list, each read once and kept whole for the rest of the run, and
// the function-symbol lookups over them that append their answers to a Tcl result.
#pragma once

#include <cstdint>

struct Tcl_Interp;

// A directory of the search list.
struct ElfDirEntry {
    char *name;
    ElfDirEntry *next;
};

constexpr int ELF_INFO_MAX_SECTIONS = 200;

// A loaded section: allocated PROGBITS with a non-zero size.
struct ELF_Info_Section {
    uint8_t *host;  // the section's bytes in the image
    uint64_t start; // address of its first byte
    uint64_t end;   // address of its last byte (inclusive)
};

// File kinds.
enum : int32_t {
    ELF_KIND_32LE = 0, // refused
    ELF_KIND_64LE = 1,
    ELF_KIND_32BE = 2,
    ELF_KIND_64BE = 3,
    ELF_KIND_NOT_READ = 4,
};

struct ELF_Info {
    int32_t kind;
    uint8_t *sym_strtab; // symbol names: the SHT_STRTAB section ".strtab" (64-bit; 32-bit: the last)
    int32_t sym_strtab_size;
    uint8_t *sh_strtab; // section names: section e_shstrndx (64-bit only)
    int32_t sh_strtab_size;
    uint8_t *symtab; // the SHT_SYMTAB section
    int32_t symtab_size;
    uint64_t entry;
    uint64_t entry_code; // the entry's function descriptor, all ones when not found (32-bit:
    uint64_t entry_toc;  // the code address is the entry itself)
    uint8_t *image;      // the whole file
    uint64_t image_size;
    char *path; // where the file was found
    char *name; // the name asked for
    ELF_Info_Section sections[ELF_INFO_MAX_SECTIONS];
    int32_t section_count;
    int32_t initialized; // 1 once the record is set up
    ELF_Info *next;
};

// The collection: its initialised flag, the loaded files in load order and the search list in the
// order the directories were added.
struct ELF_Global_Data {
    int32_t initialized;
    ELF_Info *files;
    ElfDirEntry *dirs;
};
extern ELF_Global_Data gElfData;

void GED_Init(ELF_Global_Data *record);
ELF_Info *GED_FirstFile(ELF_Global_Data *record);
ElfDirEntry *GED_FirstDir(ELF_Global_Data *record);
// Adds the directory to the search list unless it is there (exactly); returns the stored copy.
const char *Object_Dir(const char *directory);
// For each address from..to (inclusive, step 4) inside a loaded section, appends
// "0x<address> 0x<big-endian word> " to the interpreter's result.
void Object_InstData(ELF_Info *file, uint64_t from, uint64_t to, Tcl_Interp *interp);
// The ELF section-type names of types 0 to 11 ("NULL" ... "DYNAMIC-LINKER-SYM-TABLE"), else
// "UNKNOWN TYPE".
const char *Object_SectionTypeName(uint32_t type);

// The file of that name, read on first use (found along the search list); null when it cannot be
// found (silently) or read (an error).
ELF_Info *Object_File(const char *name);
// As Object_File, but the file's full path.
const char *Object_Load(const char *name);
// The symbol name at offset in the symbol-name table; "BAD-SYM-TBL-STRING-INDEX" when the offset
// is not within it. A record that is not set up is reset first.
const char *ELF_Info_SymbolStringTableEntry(ELF_Info *info, uint64_t offset);
// The ELF section-type names of types 0 to 18, else "UNKNOWN TYPE".
const char *ELF_Info_SectionTypeName(uint32_t type);

// Function-symbol lookups: the first function containing the address ("FUNC <name> FUNC_START
// 0x<start> FUNC_END 0x<last byte> LABEL <name>+<offset>"), the first function of that name
// (without the label), and every function ("{FUNC ... FUNC_END 0x<one past the end>} ").
void Object_Label(ELF_Info *info, uint64_t address, Tcl_Interp *interp);
void Object_Address(ELF_Info *info, const char *name, Tcl_Interp *interp);
void Object_Functions(ELF_Info *info, Tcl_Interp *interp);
// Walk the function symbols without output: the number of them, and the name of the first one
// containing the address (null when none does).
int ELF_Info_DumpFunctions(ELF_Info *info);
const char *ELF_Info_FindFunction(ELF_Info *info, uint64_t address);

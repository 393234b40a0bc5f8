// Object files read for their symbols. Every offset and size the file gives is checked against
// the file before it is used: a file whose headers or used sections lie outside it is refused.
#include "runtime/object_file.h"

#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "runtime/tcl_output.h"
#include "runtime/alloc.h"
#include "runtime/message.h"

ELF_Global_Data gElfData = {0, nullptr, nullptr};

namespace
{

constexpr int SEARCH_PATH_BUFFER = 256;
constexpr uint32_t SHT_PROGBITS = 1;
constexpr uint32_t SHT_SYMTAB = 2;
constexpr uint32_t SHT_STRTAB = 3;
constexpr uint64_t SHF_ALLOC = 0x2;
constexpr uint8_t STT_FUNC = 2;

// Reads width bytes at offset of the image in the given byte order; false when they are not all
// inside the image.
bool read_field(const ELF_Info *info, uint64_t offset, int width, bool little_endian, uint64_t *value)
{
    if (offset > info->image_size || (uint64_t)width > info->image_size - offset) return false;
    uint64_t v = 0;
    for (int i = 0; i < width; i++) {
        int byte = little_endian ? width - 1 - i : i;
        v = v << 8 | info->image[offset + byte];
    }
    *value = v;
    return true;
}

bool little_endian(const ELF_Info *info)
{
    return info->kind < ELF_KIND_32BE;
}

// True when [offset, offset + size) lies in the image and fits the record's 32-bit size fields.
bool range_in_image(const ELF_Info *info, uint64_t offset, uint64_t size)
{
    return offset <= info->image_size && size <= info->image_size - offset && size <= 0x7FFFFFFF;
}

// The text at offset of a string table, when it starts and ends inside the table.
const char *table_string(const uint8_t *table, int32_t size, uint64_t offset)
{
    if (!table || offset >= (uint64_t)size) return nullptr;
    const void *end = memchr(table + offset, '\0', (size_t)size - (size_t)offset);
    return end ? reinterpret_cast<const char *>(table + offset) : nullptr;
}

void reset_record(ELF_Info *info)
{
    ELF_Info *next = info->next;
    memset(info, 0, sizeof *info);
    info->next = next;
    info->kind = ELF_KIND_NOT_READ;
    info->entry_code = ~0ull;
    info->entry_toc = ~0ull;
    info->initialized = 1;
}

void free_record(ELF_Info *info)
{
    if (info->image) QUARN_FREE(info->image);
    if (info->path) FORGET_STRING(info->path);
    if (info->name) FORGET_STRING(info->name);
    QUARN_FREE(info);
}

// Adds an allocated PROGBITS section; false (with the error) when the record is full.
bool add_section(ELF_Info *info, uint64_t offset, uint64_t address, uint64_t size)
{
    if (info->section_count >= ELF_INFO_MAX_SECTIONS) {
        sim_error("1: ElfLoadImage: %s has more than %d loadable sections", info->path,
                  ELF_INFO_MAX_SECTIONS);
        return false;
    }
    ELF_Info_Section &s = info->sections[info->section_count++];
    s.host = info->image + offset;
    s.start = address;
    s.end = address + size - 1;
    return true;
}

bool section_outside(ELF_Info *info, int index)
{
    sim_error("1: ElfLoadImage: %s: section %d lies outside the file", info->path, index);
    return false;
}

// The section headers of a 64-bit file.
bool read_64bit(ELF_Info *info)
{
    const bool le = little_endian(info);
    uint64_t entry, shoff, shentsize, shnum, shstrndx;
    if (!read_field(info, 24, 8, le, &entry) || !read_field(info, 40, 8, le, &shoff) ||
        !read_field(info, 58, 2, le, &shentsize) || !read_field(info, 60, 2, le, &shnum) ||
        !read_field(info, 62, 2, le, &shstrndx)) {
        sim_error("1: ElfLoadImage: %s is not an elf file", info->path);
        return false;
    }
    info->entry = entry;
    if (shnum == 0) return true;
    if (shentsize < 40 || !range_in_image(info, shoff, shnum * shentsize)) {
        sim_error("1: ElfLoadImage: %s: the section headers lie outside the file", info->path);
        return false;
    }
    auto header = [&](uint64_t index, uint64_t at, int width) {
        uint64_t v = 0;
        read_field(info, shoff + index * shentsize + at, width, le, &v);
        return v;
    };
    if (shstrndx < shnum) {
        uint64_t offset = header(shstrndx, 24, 8), size = header(shstrndx, 32, 8);
        if (!range_in_image(info, offset, size)) return section_outside(info, (int)shstrndx);
        info->sh_strtab = info->image + offset;
        info->sh_strtab_size = (int32_t)size;
    }
    for (uint64_t i = 0; i < shnum; i++) {
        uint32_t type = (uint32_t)header(i, 4, 4);
        uint64_t flags = header(i, 8, 8), address = header(i, 16, 8);
        uint64_t offset = header(i, 24, 8), size = header(i, 32, 8);
        const char *name = table_string(info->sh_strtab, info->sh_strtab_size, header(i, 0, 4));
        if (!name) name = "BAD-SHR-TBL-STRING-INDEX";
        if (type == SHT_STRTAB) {
            if (strcmp(name, ".strtab") != 0) continue;
            if (!range_in_image(info, offset, size)) return section_outside(info, (int)i);
            info->sym_strtab = info->image + offset;
            info->sym_strtab_size = (int32_t)size;
        } else if (type == SHT_SYMTAB) {
            if (!range_in_image(info, offset, size)) return section_outside(info, (int)i);
            info->symtab = info->image + offset;
            info->symtab_size = (int32_t)size;
        } else if (type == SHT_PROGBITS && (flags & SHF_ALLOC) && size != 0) {
            if (!range_in_image(info, offset, size)) return section_outside(info, (int)i);
            if (!add_section(info, offset, address, size)) return false;
            // The entry's function descriptor: its code address and TOC.
            if (entry >= address && entry - address < size && size - (entry - address) >= 16) {
                read_field(info, offset + (entry - address), 8, le, &info->entry_code);
                read_field(info, offset + (entry - address) + 8, 8, le, &info->entry_toc);
            }
        }
    }
    return true;
}

// The section headers of a 32-bit big-endian file.
bool read_32bit(ELF_Info *info)
{
    uint64_t entry, shoff, shentsize, shnum;
    if (!read_field(info, 24, 4, false, &entry) || !read_field(info, 32, 4, false, &shoff) ||
        !read_field(info, 46, 2, false, &shentsize) || !read_field(info, 48, 2, false, &shnum)) {
        sim_error("1: ElfLoadImage: %s is not an elf file", info->path);
        return false;
    }
    if (shnum != 0 && (shentsize < 24 || !range_in_image(info, shoff, shnum * shentsize))) {
        sim_error("1: ElfLoadImage: %s: the section headers lie outside the file", info->path);
        return false;
    }
    for (uint64_t i = 0; i < shnum; i++) {
        uint64_t h = shoff + i * shentsize, type = 0, flags = 0, address = 0, offset = 0, size = 0;
        read_field(info, h + 4, 4, false, &type);
        read_field(info, h + 8, 4, false, &flags);
        read_field(info, h + 12, 4, false, &address);
        read_field(info, h + 16, 4, false, &offset);
        read_field(info, h + 20, 4, false, &size);
        if (type == SHT_STRTAB) {
            if (!range_in_image(info, offset, size)) return section_outside(info, (int)i);
            info->sym_strtab = info->image + offset;
            info->sym_strtab_size = (int32_t)size;
        } else if (type == SHT_SYMTAB) {
            if (!range_in_image(info, offset, size)) return section_outside(info, (int)i);
            info->symtab = info->image + offset;
            info->symtab_size = (int32_t)size;
        } else if (type == SHT_PROGBITS && (flags & SHF_ALLOC) && size != 0) {
            if (!range_in_image(info, offset, size)) return section_outside(info, (int)i);
            if (!add_section(info, offset, address, size)) return false;
        }
    }
    info->entry = info->entry_code = entry;
    return true;
}

// Reads the whole file at the record's path and its headers; false after an error message.
bool read_image(ELF_Info *info)
{
    struct stat st;
    if (stat(info->path, &st) != 0) {
        sim_error("Unable to stat image file : %s\n", info->path);
        return false;
    }
    int fd = open(info->path, O_RDONLY);
    if (fd < 0) {
        sim_error("Unable to open image file : %s\n", info->path);
        return false;
    }
    uint64_t size = (uint64_t)st.st_size;
    info->image = (uint8_t *)quarn_malloc(size ? size : 1, 1, "char", __FILE__, __LINE__);
    if (!info->image) {
        sim_error("Unable to malloc %d bytes to load file : %s\n", (int)size, info->path);
        close(fd);
        return false;
    }
    info->image_size = size;
    SIM_PRINT("Elf_ReadImage: alloc-ed %d bytes for %s \n", (int)size, info->path);
    uint64_t done = 0;
    while (done < size) {
        ssize_t n = read(fd, info->image + done, size - done);
        if (n <= 0) {
            sim_error("Unable to read entire file: %s\n", info->path);
            close(fd);
            return false;
        }
        done += (uint64_t)n;
    }
    close(fd);

    const uint8_t *b = info->image;
    if (size < 20 || b[0] != 0x7F || b[1] != 'E' || b[2] != 'L' || b[3] != 'F') {
        sim_error("1: ElfLoadImage: %s is not an elf file", info->path);
        return false;
    }
    const int data = b[5];
    uint64_t machine = 0;
    if (data == 1) {
        read_field(info, 18, 2, true, &machine);
        if (machine == 20) {
            info->kind = ELF_KIND_32LE;
            sim_error("1: Elf_Load32bitLE: Elf32 LSB loading not supported yet...");
            return false;
        }
        if (machine != 21) {
            sim_error("1: ElfLoadImageLE: %s is not 32 or 64 bit PowerPC Elf, Unknown mach type %d (0x%08X)",
                      info->path, (int)machine, (unsigned)machine);
            return false;
        }
        info->kind = ELF_KIND_64LE;
        return read_64bit(info);
    }
    if (data == 2) {
        read_field(info, 18, 2, false, &machine);
        if (machine == 20) {
            info->kind = ELF_KIND_32BE;
            return read_32bit(info);
        }
        if (machine == 21) {
            info->kind = ELF_KIND_64BE;
            return read_64bit(info);
        }
        sim_error("1: ElfLoadImageBE: %s is not 32 or 64 bit PowerPC Elf, Elf, Unknown mach type %d (0x%08X)",
                  info->path, (int)machine, (unsigned)machine);
        return false;
    }
    sim_error("1: ElfLoadImage: %s is not little endian or big endian, Unknown endianness %d (0x%08X)",
              info->path, data, (unsigned)data);
    return false;
}

// One symbol of the table.
struct Symbol {
    uint32_t name;
    uint8_t info;
    uint64_t value;
    uint64_t size;
};

// Entries of the symbol table: 24-byte entries for 64-bit files, 16-byte entries for 32-bit ones.
int symbol_count(const ELF_Info *info)
{
    if (!info || !info->symtab) return 0;
    return info->symtab_size / (info->kind == ELF_KIND_32BE ? 16 : 24);
}

Symbol symbol_at(const ELF_Info *info, int index)
{
    const uint8_t *e = info->symtab + (size_t)index * (info->kind == ELF_KIND_32BE ? 16 : 24);
    const bool le = little_endian(info);
    auto get = [&](int at, int width) {
        uint64_t v = 0;
        for (int i = 0; i < width; i++)
            v = v << 8 | e[at + (le ? width - 1 - i : i)];
        return v;
    };
    if (info->kind == ELF_KIND_32BE) return {(uint32_t)get(0, 4), e[12], get(4, 4), get(8, 4)};
    return {(uint32_t)get(0, 4), e[4], get(8, 8), get(16, 8)};
}

// Calls visit(symbol, name, start, inclusive end) for every function symbol in table order until
// it returns true.
template <typename Visit> void for_each_function(ELF_Info *info, Visit visit)
{
    const int count = symbol_count(info);
    for (int i = 0; i < count; i++) {
        Symbol s = symbol_at(info, i);
        if ((s.info & 0xF) != STT_FUNC) continue;
        const char *name = ELF_Info_SymbolStringTableEntry(info, s.name);
        uint64_t end = s.size ? s.value + s.size - 1 : s.value;
        if (visit(s, name, s.value, end)) return;
    }
}

} // namespace

void GED_Init(ELF_Global_Data *record)
{
    record->initialized = 1;
    record->files = nullptr;
    record->dirs = nullptr;
}

ELF_Info *GED_FirstFile(ELF_Global_Data *record)
{
    return record->files;
}

ElfDirEntry *GED_FirstDir(ELF_Global_Data *record)
{
    return record->dirs;
}

const char *Object_Dir(const char *directory)
{
    if (!directory) return nullptr;
    ElfDirEntry **link = &gElfData.dirs;
    for (; *link; link = &(*link)->next)
        if (strcmp((*link)->name, directory) == 0) return (*link)->name;
    ElfDirEntry *entry = QUARN_ZALLOC(1, ElfDirEntry);
    entry->name = REMEMBER_STRING(directory);
    *link = entry;
    return entry->name;
}

void Object_InstData(ELF_Info *file, uint64_t from, uint64_t to, Tcl_Interp *interp)
{
    if (!file) return;
    for (uint64_t a = from; a <= to; a += 4) {
        for (int i = 0; i < file->section_count; i++) {
            const ELF_Info_Section &s = file->sections[i];
            if (a < s.start || a > s.end) continue;
            if (s.end - a >= 3) { // the whole word lies in the section
                const uint8_t *p = s.host + (a - s.start);
                uint32_t word = (uint32_t)p[0] << 24 | (uint32_t)p[1] << 16 | (uint32_t)p[2] << 8 | p[3];
                SIM_TCLPRINT(interp, "0x%016lX 0x%08X ", (unsigned long)a, word);
            }
            break;
        }
        if (to - a < 4) break;
    }
}

const char *Object_SectionTypeName(uint32_t type)
{
    static const char *const names[] = {
        "NULL",   "PROGBITS",   "SYMTAB",          "STRTAB",
        "RELA",   "HASH",       "DYNAMIC",         "NOTE",
        "NOBITS", "RELOCATION", "RESERVED(SHLIB)", "DYNAMIC-LINKER-SYM-TABLE"};
    return type < sizeof names / sizeof names[0] ? names[type] : "UNKNOWN TYPE";
}

const char *ELF_Info_SectionTypeName(uint32_t type)
{
    switch (type) {
    case 0:
        return "NULL";
    case 1:
        return "PROGBITS";
    case 2:
        return "SYMTAB";
    case 3:
        return "STRTAB";
    case 4:
        return "RELA";
    case 5:
        return "HASH";
    case 6:
        return "DYNAMIC";
    case 7:
        return "NOTE";
    case 8:
        return "NOBITS";
    case 9:
        return "REL";
    case 10:
        return "SHLIB";
    case 11:
        return "DYNSYM";
    case 14:
        return "INIT_ARRAY";
    case 15:
        return "FINI_ARRAY";
    case 16:
        return "PREINIT_ARRAY";
    case 17:
        return "GROUP";
    case 18:
        return "SYMTAB_SHNDX";
    default:
        return "UNKNOWN TYPE";
    }
}

ELF_Info *Object_File(const char *name)
{
    if (!name) return nullptr;
    for (ELF_Info *f = gElfData.files; f; f = f->next)
        if (f->name && strcmp(f->name, name) == 0) return f;

    char path[SEARCH_PATH_BUFFER];
    bool found = false;
    for (ElfDirEntry *d = gElfData.dirs; d && !found; d = d->next) {
        snprintf(path, sizeof path, "%s/%s", d->name, name); // a longer path is cut to the buffer
        found = access(path, F_OK) == 0;
    }
    if (!found) {
        sim_warning(
            2, "Cannot find elf file %s (be sure to use the (object dir) command to specify search path)",
            name);
        return nullptr;
    }
    ELF_Info *info = QUARN_ZALLOC(1, ELF_Info);
    if (!info) return nullptr;
    reset_record(info);
    info->name = REMEMBER_STRING(name);
    info->path = REMEMBER_STRING(path);
    SIM_PRINT("Elf_ReadImage: Opening ELF image file: %s\n", info->path);
    if (!read_image(info)) {
        free_record(info);
        return nullptr;
    }
    ELF_Info **link = &gElfData.files;
    while (*link)
        link = &(*link)->next;
    *link = info;
    return info;
}

const char *Object_Load(const char *name)
{
    ELF_Info *info = Object_File(name);
    return info ? info->path : nullptr;
}

const char *ELF_Info_SymbolStringTableEntry(ELF_Info *info, uint64_t offset)
{
    if (!info) return "BAD-SYM-TBL-STRING-INDEX";
    if (info->initialized != 1) reset_record(info);
    const char *text = table_string(info->sym_strtab, info->sym_strtab_size, offset);
    return text ? text : "BAD-SYM-TBL-STRING-INDEX";
}

void Object_Label(ELF_Info *info, uint64_t address, Tcl_Interp *interp)
{
    for_each_function(info, [&](const Symbol &, const char *name, uint64_t start, uint64_t end) {
        if (address < start || address > end) return false;
        SIM_TCLPRINT(interp, "FUNC %40s FUNC_START 0x%016lX FUNC_END 0x%016lX LABEL %s+%d", name,
                     (unsigned long)start, (unsigned long)end, name, (int)(address - start));
        return true;
    });
}

void Object_Address(ELF_Info *info, const char *name, Tcl_Interp *interp)
{
    if (!name) return;
    for_each_function(info, [&](const Symbol &, const char *symbol, uint64_t start, uint64_t end) {
        if (strcmp(symbol, name) != 0) return false;
        SIM_TCLPRINT(interp, "FUNC %40s FUNC_START 0x%016lX FUNC_END 0x%016lX", symbol, (unsigned long)start,
                     (unsigned long)end);
        return true;
    });
}

void Object_Functions(ELF_Info *info, Tcl_Interp *interp)
{
    for_each_function(info, [&](const Symbol &s, const char *name, uint64_t start, uint64_t) {
        SIM_TCLPRINT(interp, "{FUNC %40s FUNC_START 0x%016lX FUNC_END 0x%016lX} ", name, (unsigned long)start,
                     (unsigned long)(start + s.size));
        return false;
    });
}

int ELF_Info_DumpFunctions(ELF_Info *info)
{
    int count = 0;
    for_each_function(info, [&](const Symbol &, const char *, uint64_t, uint64_t) {
        count++;
        return false;
    });
    return count;
}

const char *ELF_Info_FindFunction(ELF_Info *info, uint64_t address)
{
    const char *found = nullptr;
    for_each_function(info, [&](const Symbol &, const char *name, uint64_t start, uint64_t end) {
        if (address < start || address > end) return false;
        found = name;
        return true;
    });
    return found;
}

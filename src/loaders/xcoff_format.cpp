// XCOFF file access: field readers, the file layout, symbol and relocation extraction with every
// offset checked against the file, guest-memory dumps, hexadecimal parsing and name lookups.
#include <cstring>
#include <string>

#include "loaders/loader_support.h"
#include "loaders/xcoff_file.h"
#include "loaders/xcoff_loader.h"
#include "memory/memory_map.h"
#include "processor/records/thread_state.h"
#include "runtime/message.h"

namespace
{

constexpr uint32_t C_EXT = 2;
constexpr uint32_t C_STAT = 3;
constexpr uint32_t C_BLOCK = 100;
constexpr uint32_t C_FCN = 101;
constexpr uint32_t C_HIDEXT = 107;

constexpr uint8_t AUX_EXCEPT = 255;
constexpr uint8_t AUX_FCN = 254;
constexpr uint8_t AUX_SYM = 253;
constexpr uint8_t AUX_FILE = 252;
constexpr uint8_t AUX_CSECT = 251;

uint64_t field(const XcoffImage *image, uint64_t offset, int width)
{
    return xcoff_get_field_unsigned(image->mapping + offset, width);
}

// The string at offset k of the string table, or none when it does not end inside the file.
const char *string_at(const XcoffImage *image, const XcoffLayout &layout, uint64_t k)
{
    uint64_t table = 0;
    if (!Loader_Table_End(layout.symbol_table, layout.symbol_count, XCOFF_SYMBOL_SIZE, &table))
        return nullptr;
    if (table > image->length || k >= image->length - table) return nullptr;
    const char *start = reinterpret_cast<const char *>(image->mapping + table + k);
    if (!memchr(start, 0, image->length - table - k)) return nullptr;
    return start;
}

void csect_aux(XcoffSymbol *symbol, const XcoffImage *image, uint64_t aux, bool wide)
{
    uint64_t length = field(image, aux, 4);
    if (wide) length |= field(image, aux + 12, 4) << 32;
    uint8_t alignment = image->mapping[aux + 10];
    symbol->csect_length = length;
    symbol->csect_alignment = alignment >> 3;
    symbol->csect_symbol_type = alignment & 7;
    symbol->csect_mapping_class = image->mapping[aux + 11];
}

struct CodeName {
    uint32_t code;
    const char *name;
};
constexpr uint32_t END_OF_TABLE = 0xFFFFFFFFu;

const char *lookup(const CodeName *table, uint32_t code)
{
    for (; table->code != END_OF_TABLE; table++)
        if (table->code == code) return table->name;
    return "*unknown*";
}

const CodeName reloc_names[] = {
    {0, "positive"},
    {0xC, "positive"},
    {0xD, "positive"},
    {1, "negative"},
    {2, "self relative"},
    {3, "TOC relative"},
    {4, "TOC relative indirect load"},
    {0x13, "TOC relative load address"},
    {5, "global linkage external TOC"},
    {6, "local object TOC"},
    {0xF, "garbage collection prevention"},
    {0x18, "branch absolute"},
    {8, "branch absolute"},
    {0x1A, "branch relative"},
    {0xA, "branch relative"},
    {END_OF_TABLE, nullptr},
};

const CodeName storage_class_names[] = {
    {0, "unspecified (null)"},
    {1, "automatic"},
    {2, "external symbol"},
    {3, "static"},
    {4, "register"},
    {5, "external def"},
    {6, "label"},
    {7, "undefined label"},
    {8, "struct member"},
    {9, "function arg"},
    {10, "struct tag"},
    {11, "union member"},
    {12, "union tag"},
    {13, "typedef"},
    {14, "undefined static"},
    {15, "enum tag"},
    {16, "enum member"},
    {17, "register parm"},
    {18, "bit field"},
    {100, "block"},
    {101, "function"},
    {102, "struct end"},
    {103, "file name"},
    {104, "line"},
    {105, "alias"},
    {106, "hidden"},
    {107, "unnamed external symbol"},
    {108, "begin include"},
    {109, "end include"},
    {110, "info"},
    {111, "weak external symbol"},
    {255, "function end"},
    {END_OF_TABLE, nullptr},
};

const CodeName mapping_class_names[] = {
    {0, "PR"},
    {1, "RO"},
    {2, "DB"},
    {3, "TC"},
    {4, "UA"},
    {5, "RW"},
    {6, "GL"},
    {7, "XO"},
    {8, "SV"},
    {9, "BS"},
    {10, "DS"},
    {11, "UC"},
    {15, "TC0"},
    {16, "TD"},
    {17, "SV64"},
    {18, "SV3264"},
    {END_OF_TABLE, nullptr},
};

const char *const symbol_type_names[8] = {"ER", "SD", "LD", "CM", "??", "??", "??", "??"};

} // namespace

uint64_t xcoff_get_field_unsigned(const void *pointer, int width)
{
    if (width != 1 && width != 2 && width != 4 && width != 8) return 0;
    return Loader_Field(static_cast<const uint8_t *>(pointer), width, false);
}

int64_t xcoff_get_field_signed(const void *pointer, int width)
{
    uint64_t value = xcoff_get_field_unsigned(pointer, width);
    if (width == 1) return (int8_t)value;
    if (width == 2) return (int16_t)value;
    if (width == 4) return (int32_t)value;
    return (int64_t)value;
}

bool xcoff_layout(const XcoffImage *image, XcoffLayout *layout)
{
    if (!image || !image->mapping || image->length < 2) return false;
    uint16_t magic = (uint16_t)field(image, 0, 2);
    if (magic == XCOFF_MAGIC_64) {
        if (image->length < 24) return false;
        layout->bits = 64;
        layout->file_header_size = 24;
        layout->section_header_size = 72;
        layout->relocation_size = 14;
        layout->symbol_table = field(image, 8, 8);
        layout->symbol_count = (uint32_t)field(image, 20, 4);
    } else if (magic == XCOFF_MAGIC_32) {
        if (image->length < 20) return false;
        layout->bits = 32;
        layout->file_header_size = 20;
        layout->section_header_size = 40;
        layout->relocation_size = 10;
        layout->symbol_table = field(image, 8, 4);
        layout->symbol_count = (uint32_t)field(image, 12, 4);
    } else {
        return false;
    }
    layout->section_count = (uint32_t)field(image, 2, 2);
    layout->aux_header_size = (uint32_t)field(image, 16, 2);
    return true;
}

bool xcoff_section_header(const XcoffImage *image, const XcoffLayout &layout, uint32_t i, uint64_t *offset)
{
    uint64_t at = layout.file_header_size + layout.aux_header_size + (uint64_t)i * layout.section_header_size;
    if (!Loader_Range_Fits(at, layout.section_header_size, image->length)) return false;
    *offset = at;
    return true;
}

int xcoff_extract_symbol(XcoffSymbol *symbol, const XcoffImage *image, int32_t index)
{
    memset(symbol, 0, sizeof *symbol);
    XcoffLayout layout;
    if (!xcoff_layout(image, &layout) || index < 0 || (uint32_t)index >= layout.symbol_count) return 0;
    uint64_t entry = layout.symbol_table + (uint64_t)index * XCOFF_SYMBOL_SIZE;
    if (!Loader_Range_Fits(entry, XCOFF_SYMBOL_SIZE, image->length)) return 0;
    uint32_t aux_count = image->mapping[entry + 17];
    uint64_t span = 1 + (uint64_t)aux_count;
    if ((uint64_t)index + span > layout.symbol_count ||
        !Loader_Range_Fits(entry, span * XCOFF_SYMBOL_SIZE, image->length))
        return 0;
    uint32_t storage_class = image->mapping[entry + 16];
    bool wide = layout.bits == 64;
    bool kept = wide ? (storage_class == C_EXT || storage_class == C_STAT || storage_class == C_BLOCK ||
                        storage_class == C_FCN || storage_class == C_HIDEXT)
                     : (storage_class == C_EXT || storage_class == C_HIDEXT || storage_class == C_BLOCK ||
                        storage_class == C_FCN);
    if (!kept) return -(int)span;

    symbol->index = index;
    symbol->section = (int32_t)xcoff_get_field_signed(image->mapping + entry + 12, 2);
    symbol->type = (uint32_t)field(image, entry + 14, 2);
    symbol->storage_class = storage_class;
    symbol->aux_count = aux_count;
    if (wide) {
        symbol->value = field(image, entry, 8);
        symbol->name = string_at(image, layout, field(image, entry + 8, 4));
    } else {
        symbol->value = field(image, entry + 8, 4);
        if (field(image, entry, 4) != 0) {
            memcpy(symbol->inline_name, image->mapping + entry, 8);
            symbol->inline_name[8] = 0;
            symbol->name = symbol->inline_name;
        } else {
            symbol->name = string_at(image, layout, field(image, entry + 4, 4));
        }
    }
    if (!symbol->name) return 0;

    if (wide) {
        for (uint32_t j = 1; j <= aux_count; j++) {
            uint64_t aux = entry + j * XCOFF_SYMBOL_SIZE;
            switch (image->mapping[aux + 17]) {
            case AUX_CSECT:
                csect_aux(symbol, image, aux, true);
                break;
            case AUX_FILE:
                symbol->file_name = string_at(image, layout, field(image, aux + 4, 4));
                break;
            case AUX_SYM:
                symbol->symbol_aux = (int32_t)field(image, aux, 4);
                break;
            case AUX_FCN:
                symbol->function_size = (int32_t)field(image, aux + 8, 4);
                symbol->line_pointer = field(image, aux, 8);
                symbol->end_index = (int32_t)field(image, aux + 12, 4);
                break;
            case AUX_EXCEPT:
                symbol->exception_pointer = field(image, aux, 8);
                break;
            default:
                return 0;
            }
        }
    } else if (storage_class == C_EXT || storage_class == C_HIDEXT) {
        if (aux_count < 1 || aux_count > 2) return 0;
        uint64_t aux = entry + XCOFF_SYMBOL_SIZE;
        if (aux_count == 2) {
            symbol->exception_pointer = field(image, aux, 4);
            symbol->function_size = (int32_t)field(image, aux + 4, 4);
            symbol->line_pointer = field(image, aux + 8, 4);
            symbol->end_index = (int32_t)field(image, aux + 12, 4);
            aux += XCOFF_SYMBOL_SIZE;
        }
        csect_aux(symbol, image, aux, false);
    } else if (aux_count >= 1) {
        symbol->symbol_aux = (int32_t)field(image, entry + XCOFF_SYMBOL_SIZE + 4, 2);
    }
    return (int)span;
}

int xcoff_extract_reloc(XcoffReloc *reloc, const XcoffImage *image, int32_t section_index,
                        int32_t reloc_index)
{
    memset(reloc, 0, sizeof *reloc);
    XcoffLayout layout;
    uint64_t header = 0;
    if (!xcoff_layout(image, &layout) || section_index < 0 ||
        (uint32_t)section_index >= layout.section_count ||
        !xcoff_section_header(image, layout, (uint32_t)section_index, &header) || reloc_index < 0)
        return 0;
    bool wide = layout.bits == 64;
    uint64_t table = wide ? field(image, header + 40, 8) : field(image, header + 24, 4);
    uint32_t count = wide ? (uint32_t)field(image, header + 56, 4) : (uint32_t)field(image, header + 32, 2);
    if ((uint32_t)reloc_index >= count) return 0;
    uint64_t entry = 0;
    if (!Loader_Table_End(table, (uint64_t)reloc_index, layout.relocation_size, &entry) ||
        !Loader_Range_Fits(entry, layout.relocation_size, image->length))
        return 0;
    uint64_t rest = entry + (wide ? 8 : 4);
    reloc->address = wide ? field(image, entry, 8) : field(image, entry, 4);
    reloc->symbol_index = (int32_t)field(image, rest, 4);
    uint8_t size = image->mapping[rest + 4];
    reloc->is_signed = (size & 0x80) ? 1 : 0;
    reloc->fixup = (size & 0x40) ? 1 : 0;
    reloc->length = (size & 0x3F) + 1;
    reloc->type = image->mapping[rest + 5];
    return 1;
}

void xcoff_dump(ThreadState *thread, const char *title, uint64_t address, uint64_t length)
{
    SIM_PRINT("%-24s addr 0x%llX      length 0x%llX\n", title, (unsigned long long)address,
              (unsigned long long)length);
    MemoryClient *client = thread ? thread->memory_client : nullptr;
    for (uint64_t line = 0; line < length; line += 16) {
        std::string bytes;
        uint64_t count = length - line < 16 ? length - line : 16;
        for (uint64_t i = 0; i < count; i++) {
            uint64_t value = 0;
            if (!Read_Mapped_Memory_Reg(client, address + line + i, 1, &value, 0, 0)) value = 0;
            char text[4];
            snprintf(text, sizeof text, "%.2X", (unsigned)(value & 0xFF));
            bytes += text;
            if (i % 4 == 3 && i != 15) bytes += ' ';
        }
        SIM_PRINT("    0x%16llX  %s\n", (unsigned long long)(address + line), bytes.c_str());
    }
}

uint64_t xcoff_get_hex(const char *text)
{
    if (!text) return 0;
    if (strlen(text) >= 3 && text[0] == '0' && text[1] == 'x') text += 2;
    uint64_t value = 0;
    for (; *text; text++) {
        char c = *text;
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            break;
        value = value << 4 | (uint64_t)digit;
    }
    return value;
}

const char *xcoff_reloc_description(uint32_t type)
{
    return lookup(reloc_names, type);
}

const char *xcoff_symbol_type_name(uint32_t type)
{
    return symbol_type_names[type & 7];
}

const char *xcoff_storage_class_name(uint32_t storage_class)
{
    return lookup(storage_class_names, storage_class);
}

const char *xcoff_storage_mapping_class_name(uint32_t mapping_class)
{
    return lookup(mapping_class_names, mapping_class);
}

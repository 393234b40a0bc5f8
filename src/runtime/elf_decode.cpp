// The guest kernel symbol and line decoder. The file is read whole and kept by the decoder; every
// offset, size and string index the file gives is checked against the file before it is used.
#include "runtime/elf_decode.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "runtime/alloc.h"
#include "runtime/message.h"

namespace
{

uint64_t sys_execve_address = 0;

constexpr uint32_t SHT_STRTAB = 3;
constexpr int FUNCTION_GROWTH = 1000;
constexpr int LINE_GROWTH = 10000;

// Stab types read.
constexpr uint8_t N_FUN = 0x24;
constexpr uint8_t N_SLINE = 0x44;
constexpr uint8_t N_SO = 0x64;
constexpr uint8_t N_SOL = 0x84;

struct Elf32_Shdr {
    uint32_t sh_name, sh_type, sh_flags, sh_addr, sh_offset, sh_size, sh_link, sh_info, sh_addralign,
        sh_entsize;
};

// The file being read: its bytes and big-endian field reads bounded by its size.
struct Image {
    uint8_t *bytes = nullptr;
    uint64_t size = 0;

    bool has(uint64_t offset, uint64_t length) const { return offset <= size && length <= size - offset; }
    uint32_t u32(uint64_t at) const
    {
        return (uint32_t)bytes[at] << 24 | (uint32_t)bytes[at + 1] << 16 | (uint32_t)bytes[at + 2] << 8 |
               bytes[at + 3];
    }
    uint16_t u16(uint64_t at) const { return (uint16_t)(bytes[at] << 8 | bytes[at + 1]); }
};

// A string table inside the image.
struct StringTable {
    char *base = nullptr;
    uint64_t size = 0;

    // The text at offset when it starts and ends inside the table, else null.
    char *at(uint64_t offset) const
    {
        if (!base || offset >= size) return nullptr;
        return memchr(base + offset, '\0', size - offset) ? base + offset : nullptr;
    }
};

bool read_file(const char *path, Image *image)
{
    FILE *file = fopen(path, "rb");
    if (!file) return false;
    std::vector<uint8_t> data;
    uint8_t chunk[65536];
    size_t n;
    while ((n = fread(chunk, 1, sizeof chunk, file)) > 0)
        data.insert(data.end(), chunk, chunk + n);
    fclose(file);
    image->size = data.size();
    image->bytes = (uint8_t *)quarn_malloc(data.size() + 1, 1, "char", __FILE__, __LINE__);
    if (!image->bytes) return false;
    if (!data.empty()) memcpy(image->bytes, data.data(), data.size());
    image->bytes[data.size()] = 0;
    return true;
}

int add_function(elf_decode_t *d, const ed_function_st &f)
{
    if (d->function_count == d->function_capacity) {
        ed_function_st *grown =
            QUARN_REALLOC(d->functions, d->function_capacity + FUNCTION_GROWTH, ed_function_st);
        if (!grown) {
            SIM_PRINT("realloc of function list failed\n");
            return -1;
        }
        d->functions = grown;
        d->function_capacity += FUNCTION_GROWTH;
    }
    d->functions[d->function_count] = f;
    return d->function_count++;
}

bool add_line(elf_decode_t *d, const ed_line_num_st &l)
{
    if (d->line_count == d->line_capacity) {
        ed_line_num_st *grown = QUARN_REALLOC(d->lines, d->line_capacity + LINE_GROWTH, ed_line_num_st);
        if (!grown) {
            SIM_PRINT("realloc of elf_decode->lines list failed\n");
            return false;
        }
        d->lines = grown;
        d->line_capacity += LINE_GROWTH;
    }
    d->lines[d->line_count++] = l;
    return true;
}

// Sorts the line records by address and drops every symbol start that shares its address with a
// neighbour, until none does.
void sort_lines(elf_decode_t *d)
{
    ed_line_num_st *begin = d->lines, *end = d->lines + d->line_count;
    for (bool changed = true; changed;) {
        std::stable_sort(begin, end, [](const ed_line_num_st &a, const ed_line_num_st &b) {
            return a.address < b.address;
        });
        changed = false;
        int kept = 0;
        for (int i = 0; i < d->line_count; i++) {
            const ed_line_num_st &r = d->lines[i];
            bool same_as_previous = kept > 0 && d->lines[kept - 1].address == r.address;
            bool same_as_next = i + 1 < d->line_count && d->lines[i + 1].address == r.address;
            if (r.line == -1 && (same_as_previous || same_as_next)) {
                changed = true;
                continue;
            }
            d->lines[kept++] = r;
        }
        d->line_count = kept;
        end = d->lines + kept;
    }
}

// A function whose size no end entry gave (a symbol-table function, or a stabs function whose end
// never came) ends at the latest where the function of the record after its last one starts.
void trim_sizes(elf_decode_t *d)
{
    for (int i = 0; i + 1 < d->line_count; i++) {
        int64_t f = d->lines[i].function, g = d->lines[i + 1].function;
        if (f < 0 || g < 0 || f == g) continue;
        ed_function_st &fn = d->functions[f];
        const ed_function_st &next = d->functions[g];
        if (fn.has_end || next.start < fn.start) continue;
        fn.size = std::min(fn.size, next.start - fn.start);
    }
}

// Reads one file into d; false after the message of what went wrong.
bool decode_file(const char *path, elf_decode_t *d, const Image &image)
{
    const int first_function = d->function_count;
    if (image.size < 52 ||
        memcmp(image.bytes,
               "\x7F"
               "ELF",
               4) != 0 ||
        image.bytes[4] != 1 || image.bytes[5] != 2 || image.bytes[6] != 1) {
        SIM_PRINT("file %s not 32 bit, MSB elf format\n", path);
        return false;
    }
    const uint64_t shoff = image.u32(32), shentsize = image.u16(46), shnum = image.u16(48);
    const uint64_t shstrndx = image.u16(50);
    if (shnum == 0 || shentsize < 40 || !image.has(shoff, shnum * shentsize)) {
        SIM_PRINT(".text symbol info missing!!!\n");
        return false;
    }
    std::vector<Elf32_Shdr> headers(shnum);
    for (uint64_t i = 0; i < shnum; i++) {
        uint64_t h = shoff + i * shentsize;
        uint32_t *fields = &headers[i].sh_name;
        for (int k = 0; k < 10; k++)
            fields[k] = image.u32(h + 4 * k);
    }
    auto table = [&](uint64_t index) {
        StringTable t;
        if (index < shnum && image.has(headers[index].sh_offset, headers[index].sh_size)) {
            t.base = reinterpret_cast<char *>(image.bytes + headers[index].sh_offset);
            t.size = headers[index].sh_size;
        }
        return t;
    };
    if (shstrndx >= shnum || headers[shstrndx].sh_type != SHT_STRTAB) {
        SIM_PRINT("unexpected strin sh type: index %d, type: %d\n", (int)shstrndx,
                  shstrndx < shnum ? (int)headers[shstrndx].sh_type : -1);
        return false;
    }
    const StringTable section_names = table(shstrndx);

    int64_t stab = -1, stabstr = -1, symtab = -1;
    std::vector<std::pair<uint64_t, uint64_t>> texts; // (section index, end address)
    for (uint64_t i = 0; i < shnum; i++) {
        const char *name = section_names.at(headers[i].sh_name);
        if (!name) continue;
        if (strcmp(name, ".stabstr") == 0)
            stabstr = (int64_t)i;
        else if (strcmp(name, ".stab") == 0)
            stab = (int64_t)i;
        else if (strcmp(name, ".symtab") == 0)
            symtab = (int64_t)i;
        else if (strcmp(name, ".text") == 0)
            texts.push_back({i, (uint64_t)headers[i].sh_addr + headers[i].sh_size});
    }
    if (texts.empty() || symtab < 0) {
        SIM_PRINT(".text symbol info missing!!!\n");
        return false;
    }

    // Global functions of the ".text" sections.
    const Elf32_Shdr &st = headers[symtab];
    const uint64_t sym_size = st.sh_entsize >= 16 ? st.sh_entsize : 16;
    const StringTable symbol_names = table(st.sh_link);
    const uint64_t symbols = image.has(st.sh_offset, st.sh_size) ? st.sh_size / sym_size : 0;
    const bool is_vmlinux = strcmp(path, "vmlinux") == 0;
    for (uint64_t i = 0; i < symbols; i++) {
        uint64_t e = st.sh_offset + i * sym_size;
        uint32_t value = image.u32(e + 4);
        uint8_t info = image.bytes[e + 12];
        uint16_t shndx = image.u16(e + 14);
        char *name = symbol_names.at(image.u32(e));
        if (!name || (info >> 4) != 1) continue;
        auto text = std::find_if(texts.begin(), texts.end(), [&](auto &t) { return t.first == shndx; });
        if (text == texts.end()) continue;
        if (is_vmlinux && strcmp(name, "do_execve") == 0) sys_execve_address = value;
        int f = add_function(d, {nullptr, nullptr, name, value, text->second - value, -1, 0});
        if (f < 0 || !add_line(d, {nullptr, nullptr, value, -1, f})) return false;
    }
    const int symbol_functions_end = d->function_count;

    if (stab < 0 || stabstr < 0) {
        SIM_PRINT("%s: Debug info missing!!!\n", path);
        return false;
    }
    const Elf32_Shdr &sh = headers[stab];
    const uint64_t stab_size = sh.sh_entsize >= 12 ? sh.sh_entsize : 12;
    const StringTable stab_strings = table(stabstr);
    const uint64_t entries = image.has(sh.sh_offset, sh.sh_size) ? sh.sh_size / stab_size : 0;
    // The size a symbol-table function of this file gives a start address, 0 when none does.
    auto symbol_size = [&](uint64_t start) -> uint64_t {
        for (int k = first_function; k < symbol_functions_end; k++)
            if (d->functions[k].start == start) return d->functions[k].size;
        return 0;
    };
    const char *file = nullptr, *dir = nullptr;
    uint64_t function_start = 0;
    int64_t current = -1;
    bool in_include = false;
    for (uint64_t i = 0; i < entries; i++) {
        uint64_t e = sh.sh_offset + i * stab_size;
        const uint32_t strx = image.u32(e), value = image.u32(e + 8);
        const uint8_t type = image.bytes[e + 4], other = image.bytes[e + 5];
        const uint16_t desc = image.u16(e + 6);
        if (type == N_SLINE) {
            if (!in_include && !add_line(d, {file, dir, (uint64_t)value + function_start, desc, current}))
                return false;
            continue;
        }
        if (type != N_SO && type != N_SOL && type != N_FUN) continue;
        char *text = stab_strings.at(strx);
        if (!text) continue; // a string outside the table names nothing
        if (type == N_SO) {
            size_t length = strlen(text);
            if (length && text[length - 1] == '/') {
                dir = text;
            } else {
                file = text;
                in_include = false;
                function_start = value;
            }
        } else if (type == N_SOL) {
            in_include = !(file && strcmp(text, file) == 0);
        } else if (!*text) {
            // The end of the current function: its size.
            if (current >= 0) {
                d->functions[current].size = value;
                d->functions[current].has_end = 1;
            }
            current = -1;
        } else if (char *colon = strchr(text, ':')) {
            const char *kind = colon;
            while (*kind == ':')
                kind++;
            if (*kind != 'f' && *kind != 'F') {
                SIM_PRINT("$$ Unrecognized function def <%.*s>:\n", (int)(colon - text), text);
                SIM_PRINT("$$ (%4d)\t%6d\t0x%2X\t%2u %2u\t%4u\t%5u\t0x%08X\n", (int)i, (int)strx, type,
                          type >> 4, type & 0xF, other, desc, value);
            }
            int f = add_function(d, {file, dir, text, value, symbol_size(value), desc, 0});
            if (f < 0) return false;
            current = f;
            function_start = value;
        } else {
            SIM_PRINT("$$ Unrecognized function def:\n");
            SIM_PRINT("$$ %4d:\t%6d\t0x%2X\t%2u %2u\t%4u\t%5u\t0x%08X\n", (int)i, (int)strx, type, type >> 4,
                      type & 0xF, other, desc, value);
        }
    }
    sort_lines(d);
    trim_sizes(d);
    return true;
}

} // namespace

elf_decode_t *elf_decode_init(const char *path, elf_decode_t *decoder)
{
    if (!path) return nullptr;
    Image image;
    if (!read_file(path, &image)) {
        SIM_PRINT("file %s not found\n", path);
        return nullptr;
    }
    elf_decode_t *d = decoder ? decoder : QUARN_ZALLOC(1, elf_decode_t);
    if (!d) {
        QUARN_FREE(image.bytes);
        return nullptr;
    }
    // Room for the image first: once records point into it the decoder must be able to keep it.
    uint8_t **images = QUARN_REALLOC(d->images, d->image_count + 1, uint8_t *);
    if (images) d->images = images;
    const int functions_before = d->function_count, lines_before = d->line_count;
    if (!images || !decode_file(path, d, image)) {
        // Nothing of this file stays: the decoder is as it was.
        d->function_count = functions_before;
        d->line_count = lines_before;
        QUARN_FREE(image.bytes);
        if (!decoder) {
            QUARN_FREE(d->functions);
            QUARN_FREE(d->lines);
            QUARN_FREE(d->images);
            QUARN_FREE(d);
        }
        return nullptr;
    }
    d->images[d->image_count++] = image.bytes;
    return d;
}

ed_line_num_st *elf_decode_lookup(uint64_t address, elf_decode_t *decoder)
{
    if (!decoder || decoder->line_count == 0) return nullptr;
    ed_line_num_st *begin = decoder->lines, *end = decoder->lines + decoder->line_count;
    ed_line_num_st *after = std::upper_bound(
        begin, end, address, [](uint64_t a, const ed_line_num_st &r) { return a < r.address; });
    if (after == begin) return nullptr;
    ed_line_num_st *record = after - 1;
    if (record->function < 0 || record->function >= decoder->function_count) return nullptr;
    ed_function_st &f = decoder->functions[record->function];
    if (address < f.start || address - f.start > f.size) return nullptr;
    if (char *colon = strchr(const_cast<char *>(f.name), ':')) *colon = '\0';
    return record;
}

uint64_t get_sys_execve(void)
{
    return sys_execve_address;
}

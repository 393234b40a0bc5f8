// Program images built byte by byte for the loader tests: ELF (32/64-bit, either byte order)
// with sections and segments, XCOFF (32/64-bit) with sections, relocations, symbols and strings,
// and the flat Plan 9 and Linux boot images. Each can be patched after layout to make it bad, and
// written to a file in the working directory.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

using Bytes = std::vector<uint8_t>;

// Stores value in width bytes at offset of the buffer (grown as needed).
inline void put_field(Bytes &bytes, uint64_t offset, int width, uint64_t value, bool little_endian = false)
{
    if (bytes.size() < offset + width) bytes.resize(offset + width);
    for (int i = 0; i < width; i++) {
        int shift = little_endian ? 8 * i : 8 * (width - 1 - i);
        bytes[offset + i] = (uint8_t)(value >> shift);
    }
}

inline Bytes be32_words(std::initializer_list<uint32_t> words)
{
    Bytes bytes;
    for (uint32_t w : words)
        put_field(bytes, bytes.size(), 4, w);
    return bytes;
}

inline Bytes be64_words(std::initializer_list<uint64_t> words)
{
    Bytes bytes;
    for (uint64_t w : words)
        put_field(bytes, bytes.size(), 8, w);
    return bytes;
}

inline std::string write_file(const std::string &name, const Bytes &bytes)
{
    FILE *file = fopen(name.c_str(), "wb");
    if (file) {
        if (!bytes.empty()) fwrite(bytes.data(), 1, bytes.size(), file);
        fclose(file);
    }
    return name;
}

// ---- ELF ----

struct ElfSection {
    uint32_t type;
    uint64_t flags;
    uint64_t address;
    Bytes data;
    uint64_t size = ~0ull; // sh_size; the data's size when not given
    uint32_t name = 0;     // sh_name: offset in the section-name table
    uint32_t link = 0;     // sh_link
    uint64_t entsize = 0;  // sh_entsize
};

struct ElfSegment {
    uint32_t type;
    uint64_t address;
    Bytes data;           // the file bytes
    uint64_t memory_size; // p_memsz
    uint32_t flags = 0;
    uint64_t file_size = ~0ull; // p_filesz; the data's size when not given
};

// Layout: ELF header, program headers, section data, segment data, section headers. The
// offsets of each part are kept for patching.
struct ElfBuilder {
    bool wide = true;
    bool little_endian = false;
    uint16_t machine = 21;
    uint64_t entry = 0;
    uint32_t e_flags = 0;
    uint16_t shstrndx = 0; // e_shstrndx
    std::vector<ElfSection> sections;
    std::vector<ElfSegment> segments;

    // Filled by build().
    uint64_t phoff = 0, shoff = 0;
    std::vector<uint64_t> section_offsets, segment_offsets;

    uint64_t ehdr_size() const { return wide ? 64 : 52; }
    uint64_t phent() const { return wide ? 56 : 32; }
    uint64_t shent() const { return wide ? 64 : 40; }
    void field(Bytes &b, uint64_t at, int width, uint64_t v) const
    {
        put_field(b, at, width, v, little_endian);
    }

    Bytes build()
    {
        Bytes b(ehdr_size(), 0);
        b[0] = 0x7F;
        b[1] = 'E';
        b[2] = 'L';
        b[3] = 'F';
        b[4] = wide ? 2 : 1;
        b[5] = little_endian ? 1 : 2;
        b[6] = 1;
        field(b, 16, 2, 2);
        field(b, 18, 2, machine);
        field(b, 20, 4, 1);
        phoff = segments.empty() ? 0 : ehdr_size();
        uint64_t at = ehdr_size() + segments.size() * phent();
        b.resize(at);
        section_offsets.clear();
        for (auto &s : sections) {
            at = (at + 15) & ~15ull;
            section_offsets.push_back(at);
            b.resize(at);
            b.insert(b.end(), s.data.begin(), s.data.end());
            at = b.size();
        }
        segment_offsets.clear();
        for (auto &p : segments) {
            at = (at + 15) & ~15ull;
            segment_offsets.push_back(at);
            b.resize(at);
            b.insert(b.end(), p.data.begin(), p.data.end());
            at = b.size();
        }
        at = (at + 15) & ~15ull;
        shoff = sections.empty() ? 0 : at;
        b.resize(at + sections.size() * shent());
        for (size_t i = 0; i < sections.size(); i++) {
            const ElfSection &s = sections[i];
            uint64_t h = shoff + i * shent();
            uint64_t size = s.size != ~0ull ? s.size : s.data.size();
            field(b, h, 4, s.name);
            field(b, h + 4, 4, s.type);
            if (wide) {
                field(b, h + 8, 8, s.flags);
                field(b, h + 16, 8, s.address);
                field(b, h + 24, 8, section_offsets[i]);
                field(b, h + 32, 8, size);
                field(b, h + 40, 4, s.link);
                field(b, h + 56, 8, s.entsize);
            } else {
                field(b, h + 8, 4, s.flags);
                field(b, h + 12, 4, s.address);
                field(b, h + 16, 4, section_offsets[i]);
                field(b, h + 20, 4, size);
                field(b, h + 24, 4, s.link);
                field(b, h + 36, 4, s.entsize);
            }
        }
        for (size_t i = 0; i < segments.size(); i++) {
            const ElfSegment &p = segments[i];
            uint64_t h = phoff + i * phent();
            uint64_t file_size = p.file_size != ~0ull ? p.file_size : p.data.size();
            field(b, h, 4, p.type);
            if (wide) {
                field(b, h + 4, 4, p.flags);
                field(b, h + 8, 8, segment_offsets[i]);
                field(b, h + 16, 8, p.address);
                field(b, h + 24, 8, p.address);
                field(b, h + 32, 8, file_size);
                field(b, h + 40, 8, p.memory_size);
            } else {
                field(b, h + 4, 4, segment_offsets[i]);
                field(b, h + 8, 4, p.address);
                field(b, h + 12, 4, p.address);
                field(b, h + 16, 4, file_size);
                field(b, h + 20, 4, p.memory_size);
                field(b, h + 24, 4, p.flags);
            }
        }
        if (wide) {
            field(b, 24, 8, entry);
            field(b, 32, 8, phoff);
            field(b, 40, 8, shoff);
            field(b, 48, 4, e_flags);
            field(b, 52, 2, ehdr_size());
            field(b, 54, 2, phent());
            field(b, 56, 2, segments.size());
            field(b, 58, 2, shent());
            field(b, 60, 2, sections.size());
            field(b, 62, 2, shstrndx);
        } else {
            field(b, 24, 4, entry);
            field(b, 28, 4, phoff);
            field(b, 32, 4, shoff);
            field(b, 36, 4, e_flags);
            field(b, 40, 2, ehdr_size());
            field(b, 42, 2, phent());
            field(b, 44, 2, segments.size());
            field(b, 46, 2, shent());
            field(b, 48, 2, sections.size());
            field(b, 50, 2, shstrndx);
        }
        return b;
    }
};

// ---- XCOFF ----

struct XcoffRelocEntry {
    uint64_t address;
    uint32_t symbol;
    uint8_t rsize;
    uint8_t rtype;
};

struct XcoffSectionSpec {
    uint32_t flags; // 0x20 text, 0x40 data, 0x80 bss
    uint64_t address;
    Bytes data;
    uint64_t bss_size = 0;
    std::vector<XcoffRelocEntry> relocations;
};

struct XcoffSymbolSpec {
    std::string name;
    uint64_t value;
    int16_t section;
    uint8_t storage_class;
    uint8_t aux_count = 1; // csect aux entries written
};

// Layout: file header, auxiliary header (when has_aux), section headers, section data,
// relocations, symbol table, string table.
struct XcoffBuilder {
    bool wide = true;
    bool has_aux = false;
    uint64_t o_entry = 0;
    uint16_t o_snentry = 0;
    std::vector<XcoffSectionSpec> sections;
    std::vector<XcoffSymbolSpec> symbols;

    uint64_t symptr = 0, strtab = 0, scnhdr = 0;
    std::vector<uint64_t> data_offsets, reloc_offsets;

    uint64_t filehdr() const { return wide ? 24 : 20; }
    uint64_t auxhdr() const { return has_aux ? (wide ? 120 : 72) : 0; }
    uint64_t scnsize() const { return wide ? 72 : 40; }
    uint64_t relsize() const { return wide ? 14 : 10; }

    Bytes build()
    {
        Bytes b;
        scnhdr = filehdr() + auxhdr();
        uint64_t at = scnhdr + sections.size() * scnsize();
        b.resize(at);
        data_offsets.clear();
        for (auto &s : sections) {
            data_offsets.push_back(s.flags == 0x80 ? 0 : at);
            b.insert(b.end(), s.data.begin(), s.data.end());
            at = b.size();
        }
        reloc_offsets.clear();
        for (auto &s : sections) {
            reloc_offsets.push_back(s.relocations.empty() ? 0 : at);
            for (auto &r : s.relocations) {
                uint64_t e = b.size();
                b.resize(e + relsize());
                if (wide) {
                    put_field(b, e, 8, r.address);
                    put_field(b, e + 8, 4, r.symbol);
                    b[e + 12] = r.rsize;
                    b[e + 13] = r.rtype;
                } else {
                    put_field(b, e, 4, r.address);
                    put_field(b, e + 4, 4, r.symbol);
                    b[e + 8] = r.rsize;
                    b[e + 9] = r.rtype;
                }
            }
            at = b.size();
        }
        symptr = at;
        Bytes strings(4, 0);
        uint32_t count = 0;
        for (auto &sym : symbols) {
            uint64_t e = b.size();
            b.resize(e + 18 * (1 + sym.aux_count));
            bool inline_name = !wide && sym.name.size() <= 8;
            uint64_t name_offset = 0;
            if (!inline_name) {
                name_offset = strings.size();
                strings.insert(strings.end(), sym.name.begin(), sym.name.end());
                strings.push_back(0);
            }
            if (wide) {
                put_field(b, e, 8, sym.value);
                put_field(b, e + 8, 4, name_offset);
            } else {
                if (inline_name)
                    for (size_t i = 0; i < sym.name.size(); i++)
                        b[e + i] = (uint8_t)sym.name[i];
                else
                    put_field(b, e + 4, 4, name_offset);
                put_field(b, e + 8, 4, sym.value);
            }
            put_field(b, e + 12, 2, (uint16_t)sym.section);
            b[e + 16] = sym.storage_class;
            b[e + 17] = sym.aux_count;
            for (int a = 1; a <= sym.aux_count; a++) {
                uint64_t aux = e + 18 * a;
                b[aux + 10] = 0x11; // alignment 2, symbol type SD
                if (wide) b[aux + 17] = 251;
            }
            count += 1 + sym.aux_count;
        }
        strtab = b.size();
        put_field(strings, 0, 4, strings.size());
        b.insert(b.end(), strings.begin(), strings.end());

        put_field(b, 0, 2, wide ? 0x01F7 : 0x01DF);
        put_field(b, 2, 2, sections.size());
        if (wide) {
            put_field(b, 8, 8, symptr);
            put_field(b, 16, 2, auxhdr());
            put_field(b, 20, 4, count);
        } else {
            put_field(b, 8, 4, symptr);
            put_field(b, 12, 4, count);
            put_field(b, 16, 2, auxhdr());
        }
        if (has_aux) {
            uint64_t a = filehdr();
            put_field(b, a + 32, 2, o_snentry);
            if (wide)
                put_field(b, a + 80, 8, o_entry);
            else
                put_field(b, a + 16, 4, o_entry);
        }
        for (size_t i = 0; i < sections.size(); i++) {
            const XcoffSectionSpec &s = sections[i];
            uint64_t h = scnhdr + i * scnsize();
            uint64_t size = s.flags == 0x80 ? s.bss_size : s.data.size();
            const char *name = s.flags == 0x20   ? ".text"
                               : s.flags == 0x40 ? ".data"
                               : s.flags == 0x80 ? ".bss"
                                                 : ".info";
            for (size_t c = 0; name[c]; c++)
                b[h + c] = (uint8_t)name[c];
            if (wide) {
                put_field(b, h + 8, 8, s.address);
                put_field(b, h + 16, 8, s.address);
                put_field(b, h + 24, 8, size);
                put_field(b, h + 32, 8, data_offsets[i]);
                put_field(b, h + 40, 8, reloc_offsets[i]);
                put_field(b, h + 56, 4, s.relocations.size());
                put_field(b, h + 64, 4, s.flags);
            } else {
                put_field(b, h + 8, 4, s.address);
                put_field(b, h + 12, 4, s.address);
                put_field(b, h + 16, 4, size);
                put_field(b, h + 20, 4, data_offsets[i]);
                put_field(b, h + 24, 4, reloc_offsets[i]);
                put_field(b, h + 32, 2, s.relocations.size());
                put_field(b, h + 36, 4, s.flags);
            }
        }
        return b;
    }
};

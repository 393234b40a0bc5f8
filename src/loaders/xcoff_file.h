// The layout of an XCOFF file as the loader reads it: the file header's fields and where the
// section headers, relocation entries, symbols and strings lie. Internal to the XCOFF loader.
#pragma once

#include <cstdint>

struct XcoffImage;

struct XcoffLayout {
    int bits;                     // 32 or 64
    uint32_t section_count;       // f_nscns
    uint64_t symbol_table;        // f_symptr
    uint32_t symbol_count;        // f_nsyms
    uint32_t aux_header_size;     // f_opthdr
    uint64_t file_header_size;    // 20 or 24
    uint64_t section_header_size; // 40 or 72
    uint64_t relocation_size;     // 10 or 14
};

constexpr uint64_t XCOFF_SYMBOL_SIZE = 18;

// The layout of the image's file; false when the magic is not an XCOFF one or the file header
// does not fit the file.
bool xcoff_layout(const XcoffImage *image, XcoffLayout *layout);
// The file offset of section header i (0-based); false when it lies outside the file.
bool xcoff_section_header(const XcoffImage *image, const XcoffLayout &layout, uint32_t i, uint64_t *offset);

// The XCOFF loader and its host calls, with XCOFF files built byte by byte.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "loader_machine.h"
#include "loaders/xcoff_loader.h"
#include "processor/regs/msr_rules.h"
#include "runtime/debug.h"

namespace
{

constexpr uint8_t C_EXT = 2, C_HIDEXT = 107, C_FILE = 103;
constexpr uint8_t R_POS = 0, R_RBR = 0x1A;
constexpr uint64_t NONE = ~0ull;
const uint64_t NO_ADDRESSES[3] = {NONE, NONE, NONE};

// Symbol-table indexes of the program below (each symbol has one aux entry).
enum : uint32_t {
    SYM_TEXT = 0,
    SYM_DATA = 2,
    SYM_MAIN = 4,
    SYM_PRINTF = 6,
    SYM_MYSTERY = 8,
    SYM_SNPRINTF = 10
};

// A program: text (link 0, 0x200 bytes) with calls at 0x104 (printf), 0x108 (an unknown
// routine) and 0x10C (snprintf); data (link 0x1000) holding main's descriptor {0x100, TOC
// 0x1800}, both words relocated; bss (link 0x2000, 0x100 bytes).
XcoffBuilder xcoff_program(bool wide)
{
    XcoffBuilder x;
    x.wide = wide;
    uint8_t pos = wide ? 63 : 31;
    uint64_t p = wide ? 8 : 4;
    Bytes text;
    for (int i = 0; i < 0x80; i++)
        put_field(text, text.size(), 4, 0x60000000);
    x.sections.push_back({0x20,
                          0,
                          text,
                          0,
                          {{0x104, SYM_PRINTF, 0x19, R_RBR},
                           {0x108, SYM_MYSTERY, 0x19, R_RBR},
                           {0x10C, SYM_SNPRINTF, 0x19, R_RBR}}});
    Bytes data = wide ? be64_words({0x100, 0x1800}) : be32_words({0x100, 0x1800});
    data.resize(0x40);
    x.sections.push_back(
        {0x40, 0x1000, data, 0, {{0x1000, SYM_TEXT, pos, R_POS}, {0x1000 + p, SYM_DATA, pos, R_POS}}});
    x.sections.push_back({0x80, 0x2000, {}, 0x100, {}});
    x.symbols = {{".text", 0, 1, C_HIDEXT}, {".data", 0x1000, 2, C_HIDEXT}, {"main", 0x1000, 2, C_EXT},
                 {".printf", 0, 0, C_EXT},  {".mystery", 0, 0, C_EXT},      {".snprintf", 0, 0, C_EXT}};
    return x;
}

// Where the program lands with the default load address 0x10000.
constexpr uint64_t TEXT_AT = 0x10000, STUB_AT = 0x11000, DATA_AT = 0x12000, BSS_AT = 0x13000;
constexpr uint64_t HEAP_AT = 0x14000, STACK_TOP = 0x3FFE000;

class XcoffLoaderTest : public ::testing::Test
{
  protected:
    int load(XcoffBuilder &x, std::vector<const char *> words = {}, const uint64_t *addresses = NO_ADDRESSES,
             int raw = 0, int relocate = 1, const char *entry = nullptr)
    {
        path = write_file("prog.xcoff", x.build());
        std::vector<char *> argv = {const_cast<char *>("xcoff"), const_cast<char *>(path.c_str())};
        for (const char *w : words)
            argv.push_back(const_cast<char *>(w));
        return Load_XCOFF(m.thread, raw, path.c_str(), entry, addresses, relocate, 1, (int)argv.size(),
                          argv.data());
    }
    std::string guest_text(uint64_t address)
    {
        std::string text;
        for (uint64_t c; (c = m.read(address + text.size(), 1)) != 0;)
            text += (char)c;
        return text;
    }
    // Puts a string into guest memory and gives its address.
    uint64_t put_string(uint64_t address, const std::string &text)
    {
        for (size_t i = 0; i <= text.size(); i++)
            m.write(address + i, 1, i < text.size() ? (uint8_t)text[i] : 0);
        return address;
    }

    LoaderMachine m;
    std::string path;
};

TEST_F(XcoffLoaderTest, SixtyFourBitProgramIsPlacedRelocatedAndStarted)
{
    XcoffBuilder x = xcoff_program(true);
    for (int i = 0; i < 0x100; i += 8)
        m.write(BSS_AT + i, 8, ~0ull);
    ASSERT_EQ(load(x), 1) << m.sink.text();
    ThreadState *t = m.thread;
    EXPECT_EQ(m.read(TEXT_AT, 4), 0x60000000u);
    EXPECT_EQ(m.read(STUB_AT, 4), XCOFF_CALL_MAIN_RETURN);
    EXPECT_EQ(m.read(DATA_AT, 8), TEXT_AT + 0x100);               // descriptor words moved with
    EXPECT_EQ(m.read(DATA_AT + 8, 8), DATA_AT - 0x1000 + 0x1800); // their sections
    EXPECT_EQ(m.read_bytes(BSS_AT, 0x100), Bytes(0x100, 0));
    // Calls to library routines became host-call words; an unknown routine the invalid word.
    EXPECT_EQ(m.read(TEXT_AT + 0x104, 4), XCOFF_CALL_PRINTF);
    EXPECT_EQ(m.read(TEXT_AT + 0x108, 4), XCOFF_CALL_INVALID);
    EXPECT_EQ(m.read(TEXT_AT + 0x10C, 4), XCOFF_CALL_SNPRINTF);
    EXPECT_EQ(xcoff_host_call(t, XCOFF_CALL_INVALID), 0);

    EXPECT_EQ(t->PC.value, TEXT_AT + 0x100);
    EXPECT_EQ(t->GPR[2].value, DATA_AT + 0x800);
    EXPECT_EQ(t->GPR[1].value, STACK_TOP);
    EXPECT_EQ(t->LR.value, STUB_AT);
    EXPECT_EQ(t->MSR.value, 0x9000000000001000ull);
    EXPECT_EQ(t->GPR[3].value, 1u);
    EXPECT_EQ(t->GPR[4].value, HEAP_AT);
    EXPECT_EQ(t->host_call_hook, xcoff_host_call);
    auto *image = static_cast<XcoffImage *>(t->loader_state);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->heap_start, HEAP_AT);
    EXPECT_EQ(image->stack_top, STACK_TOP);
    EXPECT_EQ(image->mapping, nullptr);
    EXPECT_EQ(t->processor->x_cpuState, (uint32_t)CPU_RUNNING);
    EXPECT_EQ(m.sink.text(), "");
}

TEST_F(XcoffLoaderTest, ThirtyTwoBitProgramUsesFourBytePointersAndInlineNames)
{
    XcoffBuilder x = xcoff_program(false);
    ASSERT_EQ(load(x, {"-", "one"}), 1) << m.sink.text();
    ThreadState *t = m.thread;
    EXPECT_EQ(m.read(DATA_AT, 4), TEXT_AT + 0x100);
    EXPECT_EQ(m.read(DATA_AT + 4, 4), DATA_AT + 0x800);
    EXPECT_EQ(m.read(TEXT_AT + 0x10C, 4), XCOFF_CALL_SNPRINTF); // a name from the string table
    EXPECT_EQ(t->PC.value, TEXT_AT + 0x100);
    EXPECT_EQ(t->MSR.value, 0x1000000000001000ull);
    EXPECT_EQ(t->GPR[3].value, 2u);
    EXPECT_EQ(guest_text(m.read(t->GPR[4].value + 4, 4)), "one");
    EXPECT_EQ(m.read(t->GPR[4].value + 8, 4), 0u);
}

TEST_F(XcoffLoaderTest, ProgramArgumentsFollowALoneDash)
{
    const struct {
        std::vector<const char *> words;
        std::vector<std::string> expected; // after the program name
    } cases[] = {
        {{"-", "a", "b"}, {"a", "b"}},
        {{"-"}, {}},
        {{}, {}},
        {{"10000", "-", "x"}, {"x"}},
    };
    for (const auto &c : cases) {
        XcoffBuilder x = xcoff_program(true);
        ASSERT_EQ(load(x, c.words), 1) << m.sink.text();
        uint64_t argv = m.thread->GPR[4].value;
        ASSERT_EQ(m.thread->GPR[3].value, c.expected.size() + 1);
        EXPECT_EQ(guest_text(m.read(argv, 8)), path);
        for (size_t i = 0; i < c.expected.size(); i++)
            EXPECT_EQ(guest_text(m.read(argv + 8 * (i + 1), 8)), c.expected[i]);
        EXPECT_EQ(m.read(argv + 8 * (c.expected.size() + 1), 8), 0u);
        EXPECT_EQ(static_cast<XcoffImage *>(m.thread->loader_state)->heap % 16, 0u);
    }
}

TEST_F(XcoffLoaderTest, EntryComesFromTheAuxiliaryHeaderOrTheMainSymbol)
{
    // An auxiliary-header entry wins over main.
    XcoffBuilder x = xcoff_program(true);
    x.has_aux = true;
    x.o_entry = 0x1010;
    x.o_snentry = 2;
    Bytes data = be64_words({0x100, 0x1800, 0x180, 0x1900});
    data.resize(0x40);
    x.sections[1].data = data;
    ASSERT_EQ(load(x), 1) << m.sink.text();
    EXPECT_EQ(m.thread->PC.value, 0x180u); // the second descriptor is not relocated
    EXPECT_EQ(m.thread->GPR[2].value, 0x1900u);

    // A named entry routine that does not exist falls back to main.
    XcoffBuilder named = xcoff_program(true);
    {
        SinkCapture sink;
        ASSERT_EQ(load(named, {}, NO_ADDRESSES, 0, 1, "start"), 1);
        EXPECT_EQ(sink.text(), "LOAD XCOFF : cannot find \"start\" entry point; trying \"main\"\n");
        EXPECT_EQ(m.thread->PC.value, TEXT_AT + 0x100);
    }

    // Without main, and with an o_snentry outside the three sections, there is no entry.
    XcoffBuilder none = xcoff_program(true);
    none.has_aux = true;
    none.o_entry = 0x1000;
    none.o_snentry = 7;
    none.symbols[2].name = "not_main";
    m.preset_gpr(1, 0x77);
    SinkCapture sink;
    EXPECT_EQ(load(none), 0);
    EXPECT_EQ(sink.text(), "LOAD XCOFF : cannot find \"main\" entry point\n");
    EXPECT_EQ(m.thread->GPR[1].value, 0x77u);             // the registers are not set
    EXPECT_EQ(m.thread->host_call_hook, xcoff_host_call); // the hook stays after a failed load
}

TEST_F(XcoffLoaderTest, SymbolsOutsideTheThreeSectionsAreUndefined)
{
    // main names section 5 (there are three): it is undefined at address 0, where its
    // "descriptor" is read.
    m.write(0, 8, 0xABCDE0);
    XcoffBuilder x = xcoff_program(true);
    x.symbols[2].section = 5;
    ASSERT_EQ(load(x), 1) << m.sink.text();
    EXPECT_EQ(m.thread->PC.value, 0xABCDE0u);
}

TEST_F(XcoffLoaderTest, RawLoadPlacesAndRelocatesOnly)
{
    m.preset_gpr(1, 0x55);
    XcoffBuilder x = xcoff_program(true);
    const uint64_t at[3] = {0x20000, NONE, NONE};
    ASSERT_EQ(load(x, {}, at, 1, 1), 1) << m.sink.text();
    EXPECT_EQ(m.read(0x20000, 4), 0x60000000u);
    EXPECT_EQ(m.read(0x20200, 8), 0x20100u);  // data right after text, relocated
    EXPECT_EQ(m.thread->GPR[1].value, 0x55u); // registers are not touched

    // Without relocation a 64-bit file goes where its headers say.
    XcoffBuilder fixed = xcoff_program(true);
    fixed.sections[0].address = 0x30000;
    ASSERT_EQ(load(fixed, {}, at, 1, 0), 1);
    EXPECT_EQ(m.read(0x30000, 4), 0x60000000u);

    write_file("plain.txt", Bytes{'h', 'e', 'l', 'l', 'o'});
    SinkCapture sink;
    char *argv[] = {const_cast<char *>("xcoff"), const_cast<char *>("plain.txt")};
    EXPECT_EQ(Load_XCOFF(m.thread, 1, "plain.txt", nullptr, NO_ADDRESSES, 1, 1, 2, argv), 1);
    EXPECT_EQ(sink.text(), "LOAD XCOFF : plain.txt is not an XCOFF file\n");
    EXPECT_EQ(Load_XCOFF(m.thread, 0, "plain.txt", nullptr, NO_ADDRESSES, 1, 1, 2, argv), 0);
}

TEST_F(XcoffLoaderTest, FailuresPrintTheirLine)
{
    char *argv[] = {const_cast<char *>("xcoff"), const_cast<char *>("absent.xcoff")};
    SinkCapture sink;
    EXPECT_EQ(Load_XCOFF(m.thread, 0, "absent.xcoff", nullptr, NO_ADDRESSES, 1, 1, 2, argv), 0);
    EXPECT_EQ(sink.text(), "LOAD XCOFF : cannot open file absent.xcoff\n");
    write_file("empty.xcoff", Bytes{});
    argv[1] = const_cast<char *>("empty.xcoff");
    EXPECT_EQ(Load_XCOFF(m.thread, 0, "empty.xcoff", nullptr, NO_ADDRESSES, 1, 1, 2, argv), 0);
    XcoffBuilder x = xcoff_program(true);
    const uint64_t far[3] = {0x8000000, NONE, NONE};
    EXPECT_EQ(load(x, {}, far), 0);
    EXPECT_EQ(sink.text(), "LOAD XCOFF : cannot open file absent.xcoff\n"
                           "LOAD XCOFF : cannot mmap file empty.xcoff\n"
                           "LOAD XCOFF : load address(0x0000000008000000) not within memory region"
                           "(0x0000000000000000 to 0x0000000003FFFFFF)\n");
}

// The whole image is checked first: the text and data before a refused bss are not written
// either, by the normal and the raw load.
TEST_F(XcoffLoaderTest, ABssLargerThanMemoryIsRefusedWithoutClearingIt)
{
    for (int raw : {0, 1})
        for (uint64_t size : {0x80000000ull, 0xC0000000ull}) {
            SCOPED_TRACE(raw);
            XcoffBuilder x = xcoff_program(true);
            x.sections[2].bss_size = size;
            for (uint64_t at : {TEXT_AT, STUB_AT, DATA_AT, uint64_t(0)})
                m.write(at, 8, ~0ull);
            SinkCapture sink;
            EXPECT_EQ(load(x, {}, NO_ADDRESSES, raw), 0) << size;
            for (uint64_t at : {TEXT_AT, STUB_AT, DATA_AT, uint64_t(0)})
                EXPECT_EQ(m.read(at, 8), ~0ull) << std::hex << at;
            EXPECT_NE(sink.text().find("LOAD XCOFF : .bss section of prog.xcoff"), std::string::npos)
                << sink.text();
            EXPECT_NE(sink.text().find("does not lie in memory"), std::string::npos) << sink.text();
        }
}

TEST_F(XcoffLoaderTest, OffsetsOutsideTheFileNeverReadPastIt)
{
    XcoffBuilder layout = xcoff_program(true);
    Bytes good = layout.build();
    uint64_t size = good.size();
    auto patched = [&](uint64_t at, int width, uint64_t value) {
        Bytes b = good;
        put_field(b, at, width, value);
        return b;
    };
    uint64_t text_header = layout.scnhdr;
    uint64_t data_header = layout.scnhdr + 72;
    const struct {
        const char *what;
        Bytes bytes;
        int result;
        const char *message; // part of the output
    } cases[] = {
        {"section headers past the end", patched(2, 2, 0x7FFF), 0, "section header"},
        {"section data past the end", patched(text_header + 32, 8, size - 4), 0, "lies outside the file"},
        {"section size past the end", patched(text_header + 24, 8, 0xFFFFFFFF), 0, "lies outside the file"},
        {"relocations past the end", patched(text_header + 40, 8, size - 4), 1, ""},
        {"relocation count too large", patched(data_header + 56, 4, 0xFFFFFFFF), 1, ""},
        {"symbol table past the end", patched(8, 8, size + 100), 0, "cannot find \"main\""},
        {"symbol count too large", patched(20, 4, 0xFFFFFFFF), 0, "cannot find \"main\""},
        {"file header cut short", Bytes(good.begin(), good.begin() + 10), 0, "is not an XCOFF file"},
    };
    for (const auto &c : cases) {
        write_file("bad.xcoff", c.bytes);
        char *argv[] = {const_cast<char *>("xcoff"), const_cast<char *>("bad.xcoff")};
        SinkCapture sink;
        EXPECT_EQ(Load_XCOFF(m.thread, 0, "bad.xcoff", nullptr, NO_ADDRESSES, 1, 1, 2, argv), c.result)
            << c.what;
        EXPECT_NE(sink.text().find(c.message), std::string::npos) << c.what << ": " << sink.text();
    }

    // A name offset outside the string table ends the symbol walk: main is not found.
    XcoffBuilder x = xcoff_program(true);
    Bytes b = x.build();
    put_field(b, x.symptr + 4 * 18 + 8, 4, 0x7FFFFFF0); // main's name offset
    write_file("bad-name.xcoff", b);
    char *argv[] = {const_cast<char *>("xcoff"), const_cast<char *>("bad-name.xcoff")};
    SinkCapture sink;
    EXPECT_EQ(Load_XCOFF(m.thread, 0, "bad-name.xcoff", nullptr, NO_ADDRESSES, 1, 1, 2, argv), 0);
    EXPECT_EQ(sink.text(), "LOAD XCOFF : cannot find \"main\" entry point\n");
}

TEST_F(XcoffLoaderTest, SymbolAndRelocationExtraction)
{
    XcoffBuilder x = xcoff_program(true);
    x.symbols.push_back({"file.c", 0, -2, C_FILE});
    Bytes bytes = x.build();
    XcoffImage image{};
    image.mapping = bytes.data();
    image.length = bytes.size();
    XcoffSymbol symbol;
    EXPECT_EQ(xcoff_extract_symbol(&symbol, &image, SYM_MAIN), 2);
    EXPECT_STREQ(symbol.name, "main");
    EXPECT_EQ(symbol.value, 0x1000u);
    EXPECT_EQ(symbol.section, 2);
    EXPECT_EQ(symbol.csect_alignment, 2u);
    EXPECT_EQ(symbol.csect_symbol_type, 1u);
    EXPECT_EQ(xcoff_extract_symbol(&symbol, &image, 12), -2); // the file symbol's class is not kept
    EXPECT_EQ(xcoff_extract_symbol(&symbol, &image, 14), 0);
    EXPECT_EQ(xcoff_extract_symbol(&symbol, &image, -1), 0);

    XcoffReloc reloc;
    ASSERT_EQ(xcoff_extract_reloc(&reloc, &image, 1, 1), 1);
    EXPECT_EQ(reloc.address, 0x1008u);
    EXPECT_EQ(reloc.symbol_index, (int32_t)SYM_DATA);
    EXPECT_EQ(reloc.length, 64);
    EXPECT_EQ(reloc.type, R_POS);
    EXPECT_EQ(xcoff_extract_reloc(&reloc, &image, 1, 2), 0);
    EXPECT_EQ(xcoff_extract_reloc(&reloc, &image, 3, 0), 0);

    EXPECT_EQ(xcoff_get_field_unsigned(bytes.data(), 2), 0x01F7u);
    EXPECT_EQ(xcoff_get_field_unsigned(bytes.data(), 3), 0u);
    const uint8_t negative[2] = {0xFF, 0xFE};
    EXPECT_EQ(xcoff_get_field_signed(negative, 2), -2);
}

TEST_F(XcoffLoaderTest, HexParsingAndNameLookups)
{
    const struct {
        const char *text;
        uint64_t value;
    } hex[] = {{"0x1f", 31}, {"1fz", 31}, {"ab", 171}, {"0x", 0}, {"FFFF", 0xFFFF}, {"0x10000", 0x10000}};
    for (const auto &h : hex)
        EXPECT_EQ(xcoff_get_hex(h.text), h.value) << h.text;
    EXPECT_STREQ(xcoff_reloc_description(0x1A), "branch relative");
    EXPECT_STREQ(xcoff_reloc_description(0xD), "positive");
    EXPECT_STREQ(xcoff_reloc_description(7), "*unknown*");
    EXPECT_STREQ(xcoff_storage_class_name(107), "unnamed external symbol");
    EXPECT_STREQ(xcoff_storage_class_name(255), "function end");
    EXPECT_STREQ(xcoff_storage_mapping_class_name(17), "SV64");
    EXPECT_STREQ(xcoff_storage_mapping_class_name(12), "*unknown*");
    EXPECT_STREQ(xcoff_symbol_type_name(9), "SD");
    EXPECT_STREQ(xcoff_symbol_type_name(6), "??");
}

TEST_F(XcoffLoaderTest, DumpAndDebugListing)
{
    for (int i = 0; i < 20; i++)
        m.write(0x50000 + i, 1, (uint64_t)i + 1);
    {
        SinkCapture sink;
        xcoff_dump(m.thread, "title", 0x50000, 20);
        EXPECT_EQ(sink.text(), "title                    addr 0x50000      length 0x14\n"
                               "    0x           50000  01020304 05060708 090A0B0C 0D0E0F10\n"
                               "    0x           50010  11121314 \n");
    }
    set_debug_flag(140, 1);
    XcoffBuilder x = xcoff_program(true);
    SinkCapture sink;
    int result = load(x);
    set_debug_flag(140, 0);
    ASSERT_EQ(result, 1);
    std::string out = sink.text();
    EXPECT_NE(out.find("LOAD XCOFF : file prog.xcoff load successful\n"
                       "         .text at       0x0000000000010000, len 0x200\n"
                       "         .data at       0x0000000000012000, len 0x40\n"
                       "         .bss  at       0x0000000000013000, len 0x100\n"
                       "         TOC   at       0x0000000000012800\n"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("  [0] .snprintf (old 0x0, new 0x0) UNDEFINED\n"), std::string::npos) << out;
    EXPECT_NE(out.find("  [3] main (old 0x1000, new 0x12000) \n"), std::string::npos) << out;
    EXPECT_NE(out.find("  Additional code        addr 0x11000      length 0x4\n"
                       "    0x           11000  000000FE \n"),
              std::string::npos)
        << out;
}

class XcoffHostCallTest : public XcoffLoaderTest
{
  protected:
    void SetUp() override
    {
        XcoffBuilder x = xcoff_program(true);
        ASSERT_EQ(load(x), 1) << m.sink.text();
        image = static_cast<XcoffImage *>(m.thread->loader_state);
    }
    void set_gprs(int first, std::initializer_list<uint64_t> values)
    {
        for (uint64_t v : values)
            m.thread->GPR[first++].value = v;
    }
    void set_fpr(int n, double value) { memcpy(&m.thread->VSR[n].value[1], &value, sizeof value); }
    XcoffImage *image = nullptr;
};

TEST_F(XcoffHostCallTest, MallocBumpsSixteenByteAlignedBlocksAndCallocClears)
{
    m.thread->GPR[3].value = 10;
    ASSERT_EQ(xcoff_host_call(m.thread, XCOFF_CALL_MALLOC), 1);
    uint64_t first = m.thread->GPR[3].value;
    m.thread->GPR[3].value = 1;
    xcoff_host_call(m.thread, XCOFF_CALL_MALLOC);
    EXPECT_EQ(m.thread->GPR[3].value, first + 16);
    EXPECT_EQ(first % 16, 0u);

    uint64_t next = image->heap;
    for (int i = 0; i < 48; i += 8)
        m.write(((next + 15) & ~15ull) + i, 8, ~0ull);
    set_gprs(3, {4, 8});
    xcoff_host_call(m.thread, XCOFF_CALL_CALLOC);
    uint64_t block = m.thread->GPR[3].value;
    EXPECT_EQ(m.read_bytes(block, 32), Bytes(32, 0));
    EXPECT_EQ(m.read(block + 32, 8), ~0ull);
    EXPECT_EQ(image->heap, block + 32);
    EXPECT_EQ(xcoff_host_call(m.thread, XCOFF_CALL_FREE), 1);
}

TEST_F(XcoffHostCallTest, PrintfFormatsFromGuestMemoryAndRegisters)
{
    constexpr uint64_t FORMAT = 0x60000, STRING = 0x61000;
    put_string(STRING, "hi");
    const struct {
        const char *format;
        std::initializer_list<uint64_t> arguments; // GPR4 onwards
        double fpr1;
        const char *printed;
    } cases[] = {
        {"100%%", {}, 0, "100%"},
        {"%d|%ld", {0x100000005ull, 0x100000005ull}, 0, "5|4294967301"},
        {"%d %u", {0xFFFFFFFFull, 0xFFFFFFFFull}, 0, "-1 4294967295"},
        {"%x|%5s|%c", {255, STRING, 'z'}, 0, "ff|   hi|z"},
        {"%p", {0x1234}, 0, "0x1234"},
        {"%5.2f and %d", {99, 7}, 3.14159, " 3.14 and 7"},
        {"%n%hd %*d", {1, 2}, 0, "%n%hd %*d"},
        {"tail %", {}, 0, "tail %"},
        {"tail %-5l", {}, 0, "tail %-5l"},
    };
    for (const auto &c : cases) {
        put_string(FORMAT, c.format);
        m.thread->GPR[3].value = FORMAT;
        set_gprs(4, c.arguments);
        set_fpr(1, c.fpr1);
        SinkCapture sink;
        ASSERT_EQ(xcoff_host_call(m.thread, XCOFF_CALL_PRINTF), 1);
        EXPECT_EQ(sink.text(), c.printed) << c.format;
    }

    // At most 511 characters.
    put_string(FORMAT, std::string(600, 'x'));
    m.thread->GPR[3].value = FORMAT;
    SinkCapture sink;
    xcoff_host_call(m.thread, XCOFF_CALL_PRINTF);
    EXPECT_EQ(sink.text(), std::string(511, 'x'));
}

TEST_F(XcoffHostCallTest, ThirtyTwoBitProgramsPairRegistersForLongLongAndDoubles)
{
    image->bits = 32;
    put_string(0x60000, "%lld %f %d");
    set_gprs(3, {0x60000, 1, 2, 0xAAAA, 0xBBBB, 7});
    set_fpr(1, 1.5);
    SinkCapture sink;
    xcoff_host_call(m.thread, XCOFF_CALL_PRINTF);
    EXPECT_EQ(sink.text(), "4294967298 1.500000 7");
}

TEST_F(XcoffHostCallTest, SprintfAndSnprintfWriteTheTextAndItsZero)
{
    constexpr uint64_t DEST = 0x62000, FORMAT = 0x60000;
    for (int i = 0; i < 16; i += 8)
        m.write(DEST + i, 8, 0xEEEEEEEEEEEEEEEEull);
    put_string(FORMAT, "n=%d");
    set_gprs(3, {DEST, FORMAT, 42});
    xcoff_host_call(m.thread, XCOFF_CALL_SPRINTF);
    EXPECT_EQ(guest_text(DEST), "n=42");
    EXPECT_EQ(m.read(DEST + 5, 1), 0xEEu);

    put_string(FORMAT, "abcdef");
    set_gprs(3, {DEST, 4, FORMAT});
    xcoff_host_call(m.thread, XCOFF_CALL_SNPRINTF);
    EXPECT_EQ(m.read_bytes(DEST, 5), Bytes({'a', 'b', 'c', 0, 0}));

    put_string(DEST, "keep");
    for (uint64_t size : {0ull, 0xFFFFFFFFull}) { // 0 and -1: nothing is written
        set_gprs(3, {DEST, size, FORMAT});
        xcoff_host_call(m.thread, XCOFF_CALL_SNPRINTF);
        EXPECT_EQ(guest_text(DEST), "keep");
    }
    EXPECT_EQ(m.thread->GPR[3].value, DEST); // only malloc and calloc change GPR3
}

TEST_F(XcoffHostCallTest, ExitAndMainReturnStopTheRun)
{
    EXPECT_EQ(xcoff_host_call(m.thread, XCOFF_CALL_EXIT), 1);
    EXPECT_EQ(stop_simulation, (uint32_t)STOP_EXIT_SYSCALL);
    Start_The_Simulation();
    // The stub word at the link register is what a returning entry routine executes.
    uint32_t word = (uint32_t)m.read(m.thread->LR.value, 4);
    EXPECT_EQ(xcoff_host_call(m.thread, word), 1);
    EXPECT_EQ(stop_simulation, (uint32_t)STOP_MAIN_RETURNED);
    EXPECT_STREQ(SimStopText(), "Main program returned, ");
    Start_The_Simulation();
    EXPECT_EQ(xcoff_host_call(m.thread, 0x12345), 0);
    EXPECT_EQ(stop_simulation, 0u);
}

} // namespace

// The kernel symbol and line decoder: files built byte by byte (functions with and without stabs
// end entries, included-file lines, unrecognised definitions, the failures) and, where the cross
// compiler emits stabs, a compiled program.
#include <gtest/gtest.h>

#include <string>
#include <unistd.h>

#include "runtime/alloc.h"
#include "runtime/elf_decode.h"
#include "support/image_builder.h"
#include "support/sink_capture.h"

namespace
{

struct StringTable {
    Bytes bytes{0};
    uint32_t add(const std::string &s)
    {
        uint32_t at = (uint32_t)bytes.size();
        bytes.insert(bytes.end(), s.begin(), s.end());
        bytes.push_back(0);
        return at;
    }
};

struct Stab {
    const char *text; // null: string offset 0 (the empty text)
    uint8_t type;
    uint16_t desc;
    uint32_t value;
};

struct Symbol {
    const char *name;
    uint8_t info; // 0x12 global function, 0x02 local function
    uint32_t value;
    uint16_t section;
};

constexpr uint8_t SO = 0x64, SOL = 0x84, FUN = 0x24, SLINE = 0x44;

// A 32-bit big-endian file: .text at 0x1000 (0x1000 bytes), the symbols, the stabs.
struct KernelImage {
    std::vector<Symbol> symbols;
    std::vector<Stab> stabs;
    bool with_stabs = true;
    ElfBuilder builder;

    Bytes build()
    {
        ElfBuilder &b = builder;
        b.wide = false;
        b.machine = 20;
        StringTable sh, names, stab_strings;
        Bytes symtab(16, 0);
        for (const Symbol &s : symbols) {
            uint64_t at = symtab.size();
            put_field(symtab, at, 4, names.add(s.name));
            put_field(symtab, at + 4, 4, s.value);
            put_field(symtab, at + 8, 4, 0);
            put_field(symtab, at + 12, 1, s.info);
            put_field(symtab, at + 14, 2, s.section);
        }
        Bytes stab;
        for (const Stab &s : stabs) {
            uint64_t at = stab.size();
            put_field(stab, at, 4, s.text ? stab_strings.add(s.text) : 0);
            put_field(stab, at + 4, 1, s.type);
            put_field(stab, at + 6, 2, s.desc);
            put_field(stab, at + 8, 4, s.value);
        }
        b.sections.push_back({0, 0, 0, {}});
        b.sections.push_back({1, 0x6, 0x1000, {}, 0x1000, sh.add(".text")});
        b.sections.push_back({2, 0, 0, symtab, ~0ull, sh.add(".symtab"), 3, 16});
        b.sections.push_back({3, 0, 0, names.bytes, ~0ull, sh.add(".strtab")});
        if (with_stabs) {
            b.sections.push_back({1, 0, 0, stab, ~0ull, sh.add(".stab"), 5, 12});
            b.sections.push_back({3, 0, 0, stab_strings.bytes, ~0ull, sh.add(".stabstr")});
        }
        uint32_t name = sh.add(".shstrtab");
        b.sections.push_back({3, 0, 0, sh.bytes, ~0ull, name});
        b.shstrndx = (uint16_t)(b.sections.size() - 1);
        return b.build();
    }
};

// f1 has no end entry, f2 ends after 0x40 bytes and has a line from an included file, f3 is known
// only from the symbol table.
KernelImage kernel()
{
    KernelImage k;
    k.symbols = {{"f1", 0x12, 0x1000, 1},
                 {"f2", 0x12, 0x1100, 1},
                 {"do_execve", 0x12, 0x1200, 1},
                 {"local", 0x02, 0x1080, 1},  // not global: no record
                 {"other", 0x12, 0x1300, 2}}; // not in .text: no record
    k.stabs = {{"/src/", SO, 0, 0x1000},    {"main.c", SO, 0, 0x1000},   {"f1:F1", FUN, 10, 0x1000},
               {nullptr, SLINE, 11, 0},     {nullptr, SLINE, 12, 0x10},  {"f2:F1", FUN, 20, 0x1100},
               {nullptr, SLINE, 21, 0},     {"inc.h", SOL, 0, 0x1100},   {nullptr, SLINE, 99, 0x8},
               {"main.c", SOL, 0, 0x1100},  {nullptr, SLINE, 22, 0x20},  {nullptr, FUN, 0, 0x40},
               {"odd:G2", FUN, 30, 0x1800}, {"nocolon", FUN, 31, 0x1900}};
    return k;
}

struct Decoder {
    explicit Decoder(elf_decode_t *d) : d(d) {}
    ~Decoder()
    {
        if (!d) return;
        for (int i = 0; i < d->image_count; i++)
            QUARN_FREE(d->images[i]);
        QUARN_FREE(d->images);
        QUARN_FREE(d->functions);
        QUARN_FREE(d->lines);
        QUARN_FREE(d);
    }
    elf_decode_t *d;
};

TEST(ElfDecode, AddressesGiveTheirFunctionFileAndLine)
{
    write_file("kernel32", kernel().build());
    SinkCapture sink;
    Decoder dec(elf_decode_init("kernel32", nullptr));
    ASSERT_NE(dec.d, nullptr);
    // The two unrecognised definitions: one is still a function, the other adds nothing.
    EXPECT_EQ(sink.lines(), (std::vector<std::string>{
                                "$$ Unrecognized function def <odd>:",
                                "$$ (  12)\t    39\t0x24\t 2  4\t   0\t   30\t0x00001800",
                                "$$ Unrecognized function def:",
                                "$$   13:\t    46\t0x24\t 2  4\t   0\t   31\t0x00001900",
                            }));

    struct Case {
        uint64_t address;
        const char *function; // null: no record
        int64_t line;
        const char *file;
    } cases[] = {
        {0x0FFF, nullptr, 0, nullptr},
        {0x1000, "f1", 11, "main.c"}, // the stabs line replaces the symbol start
        {0x1050, "f1", 12, "main.c"}, // no end entry: the symbol size, cut at f2
        {0x1100, "f2", 21, "main.c"},
        {0x1108, "f2", 21, "main.c"}, // the included file's line is not recorded
        {0x1120, "f2", 22, "main.c"},
        {0x1140, "f2", 22, "main.c"},  // start + size still belongs to it
        {0x1150, nullptr, 0, nullptr}, // past the end of f2, before f3
        {0x1200, "do_execve", -1, nullptr},
        {0x2000, "do_execve", -1, nullptr}, // f3 runs to the end of .text
        {0x2001, nullptr, 0, nullptr},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(::testing::Message() << std::hex << c.address);
        ed_line_num_st *r = elf_decode_lookup(c.address, dec.d);
        if (!c.function) {
            EXPECT_EQ(r, nullptr);
            continue;
        }
        ASSERT_NE(r, nullptr);
        EXPECT_STREQ(dec.d->functions[r->function].name, c.function); // cut at its ':'
        EXPECT_EQ(r->line, c.line);
        if (c.file) {
            EXPECT_STREQ(r->file, c.file);
            EXPECT_STREQ(r->dir, "/src/");
        } else {
            EXPECT_EQ(r->file, nullptr);
        }
    }
    ed_line_num_st *f1 = elf_decode_lookup(0x1000, dec.d);
    EXPECT_EQ(dec.d->functions[f1->function].size, 0x100u);
    EXPECT_EQ(dec.d->functions[f1->function].line, 10);
}

TEST(ElfDecode, OneRecordAnswersEveryAddressOfItsFunction)
{
    KernelImage k;
    k.symbols = {{"only", 0x12, 0x1000, 1}};
    k.stabs = {{"one.c", SO, 0, 0x1000},
               {"only:F1", FUN, 5, 0x1000},
               {nullptr, SLINE, 6, 0},
               {nullptr, FUN, 0, 0x20}};
    write_file("one32", k.build());
    Decoder dec(elf_decode_init("one32", nullptr));
    ASSERT_NE(dec.d, nullptr);
    ASSERT_EQ(dec.d->line_count, 1);
    for (uint64_t a = 0x1000; a <= 0x1020; a += 4)
        EXPECT_EQ(elf_decode_lookup(a, dec.d), &dec.d->lines[0]) << a;
    EXPECT_EQ(elf_decode_lookup(0x1021, dec.d), nullptr);
    EXPECT_EQ(elf_decode_lookup(0x0FFF, dec.d), nullptr);
    Decoder empty(QUARN_ZALLOC(1, elf_decode_t));
    EXPECT_EQ(elf_decode_lookup(0x1000, empty.d), nullptr);
}

TEST(ElfDecode, FailuresPrintAndLeaveAGivenDecoderAsItWas)
{
    write_file("kernel32", kernel().build());
    Decoder dec(elf_decode_init("kernel32", nullptr));
    ASSERT_NE(dec.d, nullptr);
    const int functions = dec.d->function_count, lines = dec.d->line_count;

    KernelImage no_stabs = kernel();
    no_stabs.with_stabs = false;
    write_file("nostabs32", no_stabs.build());
    KernelImage no_text = kernel();
    Bytes no_symtab = no_text.build();
    // The symbol table loses its name: no ".symtab".
    put_field(no_symtab, no_text.builder.shoff + 2 * 40, 4, 0);
    write_file("nosymtab32", no_symtab);
    KernelImage k = kernel();
    Bytes bad_names = k.build();
    put_field(bad_names, k.builder.shoff + k.builder.shstrndx * 40 + 4, 4, 1); // not a string table
    write_file("badnames32", bad_names);
    Bytes headers = k.build();
    put_field(headers, 32, 4, 0x7FFFFFF0); // section headers past the end
    write_file("headers32", headers);
    ElfBuilder wide;
    write_file("wide64", wide.build());

    struct Case {
        const char *file;
        std::string message;
    } cases[] = {
        {"absent32", "file absent32 not found"},
        {"wide64", "file wide64 not 32 bit, MSB elf format"},
        {"badnames32", "unexpected strin sh type: index 6, type: 1"},
        {"nosymtab32", ".text symbol info missing!!!"},
        {"headers32", ".text symbol info missing!!!"},
        {"nostabs32", "nostabs32: Debug info missing!!!"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.file);
        SinkCapture sink;
        EXPECT_EQ(elf_decode_init(c.file, dec.d), nullptr);
        EXPECT_EQ(sink.lines(), std::vector<std::string>{c.message});
        EXPECT_EQ(dec.d->function_count, functions);
        EXPECT_EQ(dec.d->line_count, lines);
        SinkCapture quiet;
        EXPECT_EQ(elf_decode_init(c.file, nullptr), nullptr);
    }
    ed_line_num_st *r = elf_decode_lookup(0x1120, dec.d);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->line, 22);
}

TEST(ElfDecode, OffsetsOutsideTheFileAreNeverFollowed)
{
    KernelImage k = kernel();
    Bytes image = k.build();
    const uint64_t stab = k.builder.shoff + 4 * 40, symtab = k.builder.shoff + 2 * 40;
    Bytes far_stab = image;
    put_field(far_stab, stab + 20, 4, 0x7FFFFFFF); // .stab size past the end
    Bytes far_strings = image;
    put_field(far_strings, k.builder.section_offsets[4] + 12 * 2, 4, 0x7FFFFFF0); // a FUN string
    Bytes far_symtab = image;
    put_field(far_symtab, symtab + 16, 4, 0x7FFFFFF0); // .symtab offset past the end
    for (auto &[name, bytes] : {std::pair{"farstab32", far_stab}, std::pair{"farstrings32", far_strings},
                                std::pair{"farsymtab32", far_symtab}}) {
        SCOPED_TRACE(name);
        write_file(name, bytes);
        SinkCapture sink;
        Decoder dec(elf_decode_init(name, nullptr));
        ASSERT_NE(dec.d, nullptr);
        elf_decode_lookup(0x1000, dec.d);
    }
    // The FUN entry whose string lies outside the table is skipped: f1's lines belong to no
    // function and answer nothing; f2 is untouched.
    Decoder dec(elf_decode_init("farstrings32", nullptr));
    EXPECT_EQ(elf_decode_lookup(0x1050, dec.d), nullptr);
    ed_line_num_st *r = elf_decode_lookup(0x1120, dec.d);
    ASSERT_NE(r, nullptr);
    EXPECT_STREQ(dec.d->functions[r->function].name, "f2");
    EXPECT_EQ(r->line, 22);
}

TEST(ElfDecode, TheFileNamedVmlinuxRecordsDoExecve)
{
    write_file("vmlinux", kernel().build());
    uint64_t before = get_sys_execve();
    Decoder other(elf_decode_init("./vmlinux", nullptr));
    ASSERT_NE(other.d, nullptr);
    EXPECT_EQ(get_sys_execve(), before);
    Decoder dec(elf_decode_init("vmlinux", nullptr));
    ASSERT_NE(dec.d, nullptr);
    EXPECT_EQ(get_sys_execve(), 0x1200u);
}

TEST(ElfDecode, CompiledProgramWithStabs)
{
    std::string path = std::string(QUARN_GUEST_DIR) + "/stabs_be32";
    if (access(path.c_str(), R_OK) != 0) GTEST_SKIP() << "the cross compiler emits no stabs";
    Decoder dec(elf_decode_init(path.c_str(), nullptr));
    ASSERT_NE(dec.d, nullptr);
    auto start_of = [&](const char *prefix) -> uint64_t {
        for (int i = 0; i < dec.d->function_count; i++)
            if (strncmp(dec.d->functions[i].name, prefix, strlen(prefix)) == 0 &&
                dec.d->functions[i].line != -1)
                return dec.d->functions[i].start;
        return 0;
    };
    uint64_t main_func = start_of("main_func:"), helper = start_of("helper:");
    ASSERT_NE(main_func, 0u);
    ASSERT_NE(helper, 0u);
    ed_line_num_st *r = elf_decode_lookup(main_func, dec.d);
    ASSERT_NE(r, nullptr);
    EXPECT_STREQ(dec.d->functions[r->function].name, "main_func");
    EXPECT_EQ(r->line, 4); // the opening brace
    EXPECT_NE(std::string(r->file).find("stabs_main.c"), std::string::npos);
    r = elf_decode_lookup(helper + 0x18, dec.d);
    ASSERT_NE(r, nullptr);
    EXPECT_STREQ(dec.d->functions[r->function].name, "helper");
    EXPECT_EQ(r->line, 5);
    EXPECT_NE(std::string(r->file).find("stabs_helper.c"), std::string::npos);
}

} // namespace

// Object files read for their symbols: finding and reading once, the function lookups, the
// string-table choice, 32-bit symbol entries, and files refused for bad headers or offsets.
#include <gtest/gtest.h>

#include <string>
#include <tcl.h>
#include <unistd.h>

#include "runtime/object_file.h"
#include "runtime/stop.h"
#include "support/image_builder.h"
#include "support/sink_capture.h"

namespace
{

std::string cwd()
{
    char buffer[4096];
    return getcwd(buffer, sizeof buffer) ? buffer : ".";
}

// A string table built name by name; offset() gives where each went.
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

struct Sym {
    std::string name;
    uint8_t info;
    uint64_t value, size;
};

// Symbol entries in the 64-bit (24-byte) or 32-bit (16-byte) layout, big-endian.
Bytes symbols(const std::vector<Sym> &list, StringTable &names, bool wide)
{
    Bytes b(wide ? 24 : 16, 0); // entry 0 is empty
    for (const Sym &s : list) {
        uint64_t at = b.size();
        uint32_t name = names.add(s.name);
        put_field(b, at, 4, name);
        if (wide) {
            put_field(b, at + 4, 1, s.info);
            put_field(b, at + 6, 2, 1);
            put_field(b, at + 8, 8, s.value);
            put_field(b, at + 16, 8, s.size);
        } else {
            put_field(b, at + 4, 4, s.value);
            put_field(b, at + 8, 4, s.size);
            put_field(b, at + 12, 1, s.info);
            put_field(b, at + 14, 2, 1);
        }
    }
    return b;
}

const std::vector<Sym> test_symbols = {
    {"name", 0x12, 0x1000, 0x20}, // global function at 0x1000, 32 bytes
    {"second", 0x12, 0x1020, 0},  // function without size
    {"data", 0x11, 0x1010, 8},    // an object: never a function
};

// A 64-bit big-endian file: .text at 0x1000, an entry descriptor in .opd, the symbol table with
// its ".strtab", and a second string table (".dynstr") after it that must not be taken.
Bytes elf64(ElfBuilder *builder = nullptr)
{
    ElfBuilder b;
    StringTable sh, names, other;
    other.add("wrong");
    Bytes text;
    for (uint32_t i = 0; i < 16; i++)
        put_field(text, text.size(), 4, 0x38600000 + i); // li r3,i
    b.sections.push_back({0, 0, 0, {}});
    b.sections.push_back({1, 0x6, 0x1000, text, ~0ull, sh.add(".text")});
    b.sections.push_back({1, 0x3, 0x2000, be64_words({0x1000, 0x8000}), ~0ull, sh.add(".opd")});
    Bytes symtab = symbols(test_symbols, names, true);
    b.sections.push_back({2, 0, 0, symtab, ~0ull, sh.add(".symtab")});
    b.sections.push_back({3, 0, 0, names.bytes, ~0ull, sh.add(".strtab")});
    b.sections.push_back({3, 0, 0, other.bytes, ~0ull, sh.add(".dynstr")});
    uint32_t shstrtab_name = sh.add(".shstrtab");
    b.sections.push_back({3, 0, 0, sh.bytes, ~0ull, shstrtab_name});
    b.shstrndx = 6;
    b.entry = 0x2000;
    Bytes image = b.build();
    if (builder) *builder = b;
    return image;
}

std::string result_of(Tcl_Interp *interp)
{
    std::string text = Tcl_GetStringResult(interp);
    Tcl_ResetResult(interp);
    return text;
}

class ObjectFiles : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        GED_Init(&gElfData);
        interp = Tcl_CreateInterp();
    }
    void TearDown() override
    {
        Tcl_DeleteInterp(interp);
        GED_Init(&gElfData);
        Start_The_Simulation();
    }
    Tcl_Interp *interp = nullptr;
};

std::string func(const char *name, const char *start, const char *end)
{
    char line[200];
    snprintf(line, sizeof line, "FUNC %40s FUNC_START %s FUNC_END %s", name, start, end);
    return line;
}

TEST_F(ObjectFiles, ReadOnceAndLookUpFunctions)
{
    write_file("prog64", elf64());
    EXPECT_EQ(Object_Dir("/no/such/dir"), Object_Dir("/no/such/dir")); // kept once
    Object_Dir(cwd().c_str());
    ELF_Info *info;
    {
        SinkCapture sink;
        info = Object_File("prog64");
        ASSERT_NE(info, nullptr);
        EXPECT_EQ(Object_File("prog64"), info);
        std::string path = cwd() + "/prog64";
        EXPECT_EQ(sink.text(), "Elf_ReadImage: Opening ELF image file: " + path +
                                   "\nElf_ReadImage: alloc-ed " + std::to_string(info->image_size) +
                                   " bytes for " + path + " \n");
        EXPECT_EQ(std::string(Object_Load("prog64")), path);
    }
    EXPECT_EQ(GED_FirstFile(&gElfData), info);
    EXPECT_EQ(info->kind, ELF_KIND_64BE);
    EXPECT_EQ(info->entry, 0x2000u);
    EXPECT_EQ(info->entry_code, 0x1000u);
    EXPECT_EQ(info->entry_toc, 0x8000u);
    ASSERT_EQ(info->section_count, 2);
    EXPECT_EQ(info->sections[0].start, 0x1000u);
    EXPECT_EQ(info->sections[0].end, 0x103Fu);

    Object_Label(info, 0x101F, interp);
    EXPECT_EQ(result_of(interp), func("name", "0x0000000000001000", "0x000000000000101F") + " LABEL name+31");
    Object_Label(info, 0x1020, interp); // the first byte of the sizeless function
    EXPECT_EQ(result_of(interp),
              func("second", "0x0000000000001020", "0x0000000000001020") + " LABEL second+0");
    Object_Label(info, 0x1021, interp);
    EXPECT_EQ(result_of(interp), "");
    Object_Address(info, "second", interp);
    EXPECT_EQ(result_of(interp), func("second", "0x0000000000001020", "0x0000000000001020"));
    Object_Address(info, "data", interp);
    EXPECT_EQ(result_of(interp), "");
    Object_Functions(info, interp);
    EXPECT_EQ(result_of(interp), "{" + func("name", "0x0000000000001000", "0x0000000000001020") + "} {" +
                                     func("second", "0x0000000000001020", "0x0000000000001020") + "} ");
    EXPECT_EQ(ELF_Info_DumpFunctions(info), 2);
    EXPECT_STREQ(ELF_Info_FindFunction(info, 0x1004), "name");
    EXPECT_EQ(ELF_Info_FindFunction(info, 0x2000), nullptr);

    // The symbol-name table is ".strtab": its size is the first offset past it.
    EXPECT_STREQ(ELF_Info_SymbolStringTableEntry(info, 1), "name");
    EXPECT_STREQ(ELF_Info_SymbolStringTableEntry(info, (uint64_t)info->sym_strtab_size - 1), "");
    EXPECT_STREQ(ELF_Info_SymbolStringTableEntry(info, (uint64_t)info->sym_strtab_size),
                 "BAD-SYM-TBL-STRING-INDEX");

    // Words of the loaded sections, big-endian; addresses outside them print nothing.
    Object_InstData(info, 0x0FFC, 0x1008, interp);
    EXPECT_EQ(result_of(interp), "0x0000000000001000 0x38600000 0x0000000000001004 0x38600001 "
                                 "0x0000000000001008 0x38600002 ");
    Object_InstData(info, 0xFFFFFFFFFFFFFFF0ull, 0xFFFFFFFFFFFFFFFFull, interp); // ends at the top
    EXPECT_EQ(result_of(interp), "");
}

TEST_F(ObjectFiles, NotFoundIsSilentAndLongPathsAreCut)
{
    SinkCapture sink;
    EXPECT_EQ(Object_File("prog64"), nullptr); // empty search list
    Object_Dir(std::string(300, 'd').c_str());
    EXPECT_EQ(Object_File(std::string(300, 'n').c_str()), nullptr);
    EXPECT_EQ(sink.text(), "");
    EXPECT_EQ(GED_FirstFile(&gElfData), nullptr);
}

TEST_F(ObjectFiles, ThirtyTwoBitFilesUseTheirOwnSymbolLayoutAndTheLastStringTable)
{
    ElfBuilder b;
    b.wide = false;
    b.machine = 20;
    b.entry = 0x1000;
    StringTable names, decoy;
    decoy.add("decoy");
    b.sections.push_back({0, 0, 0, {}});
    b.sections.push_back({1, 0x6, 0x1000, Bytes(0x40, 0x60)});
    b.sections.push_back({3, 0, 0, decoy.bytes});
    b.sections.push_back({2, 0, 0, symbols(test_symbols, names, false)});
    b.sections.push_back({3, 0, 0, names.bytes});
    write_file("prog32", b.build());
    Object_Dir(cwd().c_str());
    ELF_Info *info = Object_File("prog32");
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->kind, ELF_KIND_32BE);
    EXPECT_EQ(info->entry_code, 0x1000u);
    EXPECT_EQ(info->entry_toc, ~0ull);
    Object_Label(info, 0x101F, interp);
    EXPECT_EQ(result_of(interp), func("name", "0x0000000000001000", "0x000000000000101F") + " LABEL name+31");
    EXPECT_EQ(ELF_Info_DumpFunctions(info), 2);
}

TEST_F(ObjectFiles, BadFilesAreRefusedWithAnErrorAndNotRemembered)
{
    ElfBuilder good;
    Bytes image = elf64(&good);
    struct BadCase {
        const char *file;
        Bytes bytes;
        std::string message;
    };
    auto patched = [&](uint64_t offset, int width, uint64_t value) {
        Bytes b = image;
        put_field(b, offset, width, value);
        return b;
    };
    Bytes le32 = image;
    le32[5] = 1;
    put_field(le32, 18, 2, 20, true);
    Bytes le_other = image;
    le_other[5] = 1;
    put_field(le_other, 18, 2, 3, true);
    Bytes many = image;
    {
        // 201 allocated PROGBITS sections.
        ElfBuilder m;
        for (int i = 0; i < 201; i++)
            m.sections.push_back({1, 0x2, 0x1000u + 16u * i, Bytes(16, 0)});
        many = m.build();
    }
    std::vector<BadCase> cases = {
        {"text", Bytes{'h', 'e', 'l', 'l', 'o'}, "FATAL ERROR: 1: ElfLoadImage: %s is not an elf file"},
        {"le32", le32, "FATAL ERROR: 1: Elf_Load32bitLE: Elf32 LSB loading not supported yet..."},
        {"le_other", le_other,
         "FATAL ERROR: 1: ElfLoadImageLE: %s is not 32 or 64 bit PowerPC Elf, Unknown mach type 3 "
         "(0x00000003)"},
        {"be_other", patched(18, 2, 62),
         "FATAL ERROR: 1: ElfLoadImageBE: %s is not 32 or 64 bit PowerPC Elf, Elf, Unknown mach type 62 "
         "(0x0000003E)"},
        {"endian", patched(5, 1, 7),
         "FATAL ERROR: 1: ElfLoadImage: %s is not little endian or big endian, Unknown endianness 7 "
         "(0x00000007)"},
        {"headers", patched(40, 8, image.size() - 10),
         "FATAL ERROR: 1: ElfLoadImage: %s: the section headers lie outside the file"},
        {"symtab", patched(good.shoff + 3 * 64 + 24, 8, image.size() - 4),
         "FATAL ERROR: 1: ElfLoadImage: %s: section 3 lies outside the file"},
        {"text_size", patched(good.shoff + 1 * 64 + 32, 8, 0x7FFFFFFFFFFFull),
         "FATAL ERROR: 1: ElfLoadImage: %s: section 1 lies outside the file"},
        {"many", many, "FATAL ERROR: 1: ElfLoadImage: %s has more than 200 loadable sections"},
    };
    Object_Dir(cwd().c_str());
    for (const BadCase &c : cases) {
        SCOPED_TRACE(c.file);
        write_file(c.file, c.bytes);
        SinkCapture sink;
        EXPECT_EQ(Object_File(c.file), nullptr);
        std::string path = cwd() + "/" + c.file;
        std::string expected = c.message;
        if (size_t at = expected.find("%s"); at != std::string::npos) expected.replace(at, 2, path);
        std::vector<std::string> lines = sink.lines();
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines.back(), expected);
        EXPECT_NE(stop_simulation, 0u);
        Start_The_Simulation();
    }
    EXPECT_EQ(GED_FirstFile(&gElfData), nullptr);
    // A bad section-name offset names the section "BAD-SHR-TBL-STRING-INDEX": not ".strtab".
    write_file("badname", patched(good.shoff + 4 * 64, 4, 0x7FFFFFFF));
    ELF_Info *info = Object_File("badname");
    ASSERT_NE(info, nullptr);
    EXPECT_STREQ(ELF_Info_SymbolStringTableEntry(info, 1), "BAD-SYM-TBL-STRING-INDEX");
}

TEST_F(ObjectFiles, CrossCompiledProgramUsesItsStrtab)
{
    std::string dir = QUARN_GUEST_DIR;
    if (access((dir + "/elf_be64").c_str(), R_OK) != 0) GTEST_SKIP() << "no cross-compiled guest programs";
    Object_Dir(dir.c_str());
    ELF_Info *info = Object_File("elf_be64");
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->kind, ELF_KIND_64BE);
    // The entry is the descriptor of _start; its first word is the code address in .text.
    Object_Address(info, "_start", interp);
    char start[32];
    snprintf(start, sizeof start, "0x%016lX", (unsigned long)info->entry);
    std::string text = result_of(interp);
    EXPECT_NE(text.find(std::string("FUNC_START ") + start), std::string::npos) << text;
    EXPECT_NE(info->entry_code, ~0ull);
    bool in_section = false;
    for (int i = 0; i < info->section_count; i++)
        in_section |=
            info->entry_code >= info->sections[i].start && info->entry_code <= info->sections[i].end;
    EXPECT_TRUE(in_section);
    EXPECT_STREQ(ELF_Info_FindFunction(info, info->entry + 4), "_start");
}

TEST(ObjectFileNames, SectionTypeNames)
{
    EXPECT_STREQ(ELF_Info_SectionTypeName(3), "STRTAB");
    EXPECT_STREQ(ELF_Info_SectionTypeName(18), "SYMTAB_SHNDX");
    EXPECT_STREQ(ELF_Info_SectionTypeName(12), "UNKNOWN TYPE");
    EXPECT_STREQ(Object_SectionTypeName(9), "RELOCATION");
    EXPECT_STREQ(Object_SectionTypeName(11), "DYNAMIC-LINKER-SYM-TABLE");
    EXPECT_STREQ(Object_SectionTypeName(12), "UNKNOWN TYPE");
}

} // namespace

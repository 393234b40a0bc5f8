// Object files seen from the command layer: the registry queries, the process-tree "dump" of the
// functions in a process's files, and the symbol dumps with their per-address counter sums.
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "command/command_leftovers.h"
#include "command/process_tree_commands.h"
#include "command_fixture.h"
#include "guest/process_tree.h"
#include "runtime/hash2.h"
#include "runtime/object_file.h"
#include "support/image_builder.h"
#include "trace/inst_stats.h"

namespace
{

std::string slurp(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

struct Sym {
    std::string name;
    uint8_t info;
    uint64_t value, size;
};

// A big-endian ELF file with .text at 0x1000 (0x400 bytes) and the given symbols.
Bytes elf_with(const std::vector<Sym> &list, bool wide)
{
    ElfBuilder b;
    b.wide = wide;
    b.machine = wide ? 21 : 20;
    Bytes shnames{0}, names{0};
    auto add = [](Bytes &table, const std::string &s) {
        uint32_t at = (uint32_t)table.size();
        table.insert(table.end(), s.begin(), s.end());
        table.push_back(0);
        return at;
    };
    Bytes symtab(wide ? 24 : 16, 0);
    for (const Sym &s : list) {
        uint64_t at = symtab.size();
        put_field(symtab, at, 4, add(names, s.name));
        if (wide) {
            put_field(symtab, at + 4, 1, s.info);
            put_field(symtab, at + 6, 2, 1);
            put_field(symtab, at + 8, 8, s.value);
            put_field(symtab, at + 16, 8, s.size);
        } else {
            put_field(symtab, at + 4, 4, s.value);
            put_field(symtab, at + 8, 4, s.size);
            put_field(symtab, at + 12, 1, s.info);
            put_field(symtab, at + 14, 2, 1);
        }
    }
    b.sections.push_back({0, 0, 0, {}});
    b.sections.push_back({1, 0x6, 0x1000, Bytes(0x400, 0), ~0ull, add(shnames, ".text")});
    b.sections.push_back({2, 0, 0, symtab, ~0ull, add(shnames, ".symtab")});
    // The symbol names come last: 32-bit files take their last string table.
    const uint32_t strtab = add(shnames, ".strtab"), own = add(shnames, ".shstrtab");
    b.sections.push_back({3, 0, 0, shnames, ~0ull, own});
    b.sections.push_back({3, 0, 0, names, ~0ull, strtab});
    b.shstrndx = 3;
    b.entry = 0x1000;
    return b.build();
}

const std::vector<Sym> symbols = {
    {"long_name_one", 0x12, 0x1000, 0x10}, // a global function
    {"ab", 0x12, 0x1000, 0x40},            // same start: shorter name, larger size
    {"third", 0x02, 0x1100, 0x8},          // a local function
    {"table", 0x11, 0x1200, 0x20},         // an object: no function
};

class ObjectDumpTest : public CommandLanguageTest
{
  protected:
    void SetUp() override
    {
        CommandLanguageTest::SetUp();
        GED_Init(&gElfData);
        char pattern[] = "/tmp/quarn_objects_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        scratch = pattern;
        ASSERT_NE(getcwd(home, sizeof home), nullptr);
        ASSERT_EQ(chdir(scratch.c_str()), 0);
        Object_Dir(scratch.c_str());
        write_file("f64", elf_with(symbols, true));
        write_file("f32", elf_with(symbols, false));
        // A process id of this test run's own, so that parallel runs write different files.
        pid = 20000 + (int)(getpid() % 10000);
    }
    void TearDown() override
    {
        for (int p : {0, pid})
            for (const char *suffix : {"m", "debug"})
                std::filesystem::remove("/tmp/pid" + std::to_string(p) + "job." + suffix);
        EXPECT_EQ(chdir(home), 0);
        std::filesystem::remove_all(scratch);
        GED_Init(&gElfData);
        CommandLanguageTest::TearDown();
    }
    std::string dump_file(const char *suffix)
    {
        return slurp("/tmp/pid" + std::to_string(pid) + "job." + suffix);
    }

    std::string scratch;
    char home[4096] = {};
    int pid = 0;
};

TEST_F(ObjectDumpTest, ProcessDumpKeepsOneFunctionPerStart)
{
    ok("define machine myrrin alpha");
    connect_subtable(Find_Machine_By_Name("alpha")->command_table, "ProcessTree",
                     build_ProcessTree_table(nullptr), 0, nullptr);
    const std::string p = std::to_string(pid);
    ok("alpha ProcessTree newproc " + p + " 0 0");
    ok("alpha ProcessTree addfile " + p + " missing 0 0 0 0 0");
    ok("alpha ProcessTree addfile " + p + " f64 0x10000000 0x400 5 0 0");
    ok("alpha ProcessTree addfile " + p + " f32 0x20000000 0x400 5 0 0");
    EXPECT_EQ(ok("alpha ProcessTree dump"), "");

    const std::string debug = dump_file("debug");
    for (const char *line : {
             "DumpSingleProcessInfo: Object_File(missing) failed, skipping it... \n",
             "f64: EA is 0x0000000010000000, length = 0x0000000000000400 \n",
             "Copy64SymbolTableEntries: Copying to tree f64, 64 bit elf \n",
             "\nSymbol #1 long_name_one  64-bit \nst_value = 0x0000000000001000 \n"
             "st_size  = 0x0000000000000010 [0x1000000000000000]\nst_info  = STT_FUNC STB_GLOBAL \n"
             "st_other = STV_DEFAULT \nst_shndx = 1\n",
             "Copy32SymbolTableEntries: copying to tree f32 is a 32 bit elf \nELF header: \n"
             "e_type    = 0x0002 ET_EXEC \n",
             "\nSymbol #4 table   32-bit \nst_value = 0x00001200 \nst_size  = 32   \n"
             "st_info  = STT_OBJECT STB_GLOBAL \n",
             // 64-bit starts are moved to the file's address; 32-bit ones (not ET_DYN) are not.
             "[0] 0x0000000000001000 0x0000000000001040 64 f32:ab \n",
             "[1] 0x0000000000001100 0x0000000000001108 8 f32:third \n",
             "[2] 0x0000000010000000 0x0000000010000040 64 f64:ab \n",
             "[3] 0x0000000010000100 0x0000000010000108 8 f64:third \n",
         })
        EXPECT_NE(debug.find(line), std::string::npos) << line << "\n--- in ---\n" << debug;
    EXPECT_EQ(debug.find("[4]"), std::string::npos);
    EXPECT_EQ(dump_file("m"),
              "func(1) = struct ('func_name', 'UNKNOWN', 'start_addr', 0x0000000000000000, "
              "'end_addr', 0x0000000000000000, 'L1I_CACHE_MISS', 0, 'L1D_CACHE_MISS', 0, "
              "'L1D_TRANSLATION_CACHE_MISS', 0, 'L2_INST_CACHE_MISS', 0, 'L2_DATA_CACHE_MISS', 0, "
              "'ITLB_MISS', 0, 'DTLB_MISS', 0, 'MEMORY_REFS', 0, 'ICOUNT', 0); \n");
}

TEST_F(ObjectDumpTest, RegistryQueries)
{
    ok("define machine myrrin alpha");
    SimCmdTable *top = Find_Machine_By_Name("alpha")->command_table;
    add_simcommand(top, "dirs", ObjectDirPath_Cmd, "ObjectDirPath_Cmd", 0, 0, nullptr);
    add_simcommand(top, "files", ObjectFiles_Cmd, "ObjectFiles_Cmd", 0, 0, nullptr);
    add_simcommand(top, "find", ObjectFindEAFiles_Cmd, "ObjectFindEAFiles_Cmd", 1, 0, nullptr);
    Object_Dir("/no/such/one");
    Object_Dir("/no/such/two");
    ASSERT_NE(Object_File("f64"), nullptr);
    ASSERT_NE(Object_File("f32"), nullptr);
    EXPECT_EQ(ok("alpha dirs"), scratch + " /no/such/one /no/such/two ");
    EXPECT_EQ(ok("alpha files"), "f64 f32 ");
    EXPECT_EQ(ok("alpha find 0x13ff"), "f64 f32 ");
    EXPECT_EQ(ok("alpha find 0x1400"), "");
    EXPECT_EQ(fails("alpha find 12z"), "Error reading address (12z) ");
}

// Counter records as the instruction profile keeps them: one per address.
struct Counters {
    HASH2_Table table;
    std::vector<InstInfo_t> records;
    Counters(std::initializer_list<std::pair<uint64_t, uint64_t>> counts) : records(counts.size())
    {
        HASH2_InitTable(&table);
        size_t i = 0;
        for (auto [address, count] : counts) {
            InstInfo_t &r = records[i++];
            r.header.key0 = address;
            for (int c = 0; c < ISTAT_COUNTERS; c++)
                r.counters[c] = count * (c + 1);
            HASH2_AddEntry(&table, &r.header);
        }
    }
};

TEST_F(ObjectDumpTest, SymbolDumpsSumTheCountersOfEachRange)
{
    ELF_Info *wide = Object_File("f64");
    ELF_Info *narrow = Object_File("f32");
    ASSERT_NE(wide, nullptr);
    ASSERT_NE(narrow, nullptr);
    // The 64-bit symbols move by 0x10000000 - 0x1000 (file address minus lowest section).
    auto counters = std::make_unique<Counters>(std::initializer_list<std::pair<uint64_t, uint64_t>>{
        {0x10000000, 1}, {0x10000040, 2}, {0x10000300, 5}});
    LoadedFile file{const_cast<char *>("f64"), 0, 0x10000000, 0x400, 5, 0, 0, 0, nullptr};
    FILE *out = tmpfile(), *log = tmpfile();
    ASSERT_TRUE(out && log);
    EXPECT_EQ(Dump64SymbolTableEntries(out, wide, 3, &file, &counters->table, nullptr, 10, log), 15);
    auto text_of = [](FILE *f) {
        std::string text(ftell(f), '\0');
        rewind(f);
        EXPECT_EQ(fread(text.data(), 1, text.size(), f), text.size());
        fclose(f);
        return text;
    };
    const std::string dumped = text_of(out), logged = text_of(log);
    for (const char *line : {
             "files(3).filename = 'f64'; \nfiles(3).ea = 0x0000000010000000; \nfiles(3).length = 1024; \n",
             // "ab" covers 0x10000000..0x10000040 inclusive: the records of 1 and 2.
             "files(3).functions(13) = struct ('func_name', 'f64:ab', 'start_addr', 268435456, 'end_addr', "
             "268435520, 'L1I_CACHE_MISS', 3, 'L1D_CACHE_MISS', 6, 'L1D_TRANSLATION_CACHE_MISS', 9, "
             "'L2_INST_CACHE_MISS', 15, 'L2_DATA_CACHE_MISS', 18, 'ITLB_MISS', 36, 'DTLB_MISS', 39, "
             "'ICOUNT', 42); \n",
             "files(3).functions(12) = struct ('func_name', 'f64:long_name_one', 'start_addr', 268435456, "
             "'end_addr', 268435472, 'L1I_CACHE_MISS', 1, ",
         })
        EXPECT_NE(dumped.find(line), std::string::npos) << line << "\n--- in ---\n" << dumped;
    EXPECT_EQ(logged.find("Dumping: f64, 64 bit elf \n"), 0u) << logged;
    EXPECT_NE(logged.find("Symbol #2 ab  64-bit \n"), std::string::npos);
    EXPECT_TRUE(counters->records[0].flags & INSTINFO_DUMPED);
    EXPECT_TRUE(counters->records[1].flags & INSTINFO_DUMPED);
    EXPECT_FALSE(counters->records[2].flags & INSTINFO_DUMPED);

    // 32-bit: addresses as they stand; a symbol of size 0 covers its start alone.
    auto narrow_counters = std::make_unique<Counters>(
        std::initializer_list<std::pair<uint64_t, uint64_t>>{{0x1200, 7}, {0x1201, 100}});
    const std::vector<Sym> zero = {{"z", 0x12, 0x1200, 0}};
    write_file("z32", elf_with(zero, false));
    ELF_Info *z = Object_File("z32");
    ASSERT_NE(z, nullptr);
    file.name = const_cast<char *>("z32");
    out = tmpfile();
    EXPECT_EQ(Dump32SymbolTableEntries(out, z, 0, &file, &narrow_counters->table, nullptr, 0, nullptr), 2);
    EXPECT_NE(text_of(out).find(
                  "'func_name', 'z32:z', 'start_addr', 4608, 'end_addr', 4608, 'L1I_CACHE_MISS', 7, "),
              std::string::npos);
}

} // namespace

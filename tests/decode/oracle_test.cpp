// Decoder against an outside reference: the Debian cross binutils assemble one instance of every
// architected row and disassemble it with raw mnemonics, and the words of a statically linked hello world
// are disassembled the same way. Each word must decode to the row of that raw mnemonic.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "decode/decoder.h"

namespace {

struct Sample {
    int row;
    const char *mnemonic;
    const char *operands;
    bool power8; // assembles with -mpower8; the others need -many
};

const Sample samples[] = {
#include "oracle_samples.inc"
};

// The raw mnemonic of the rows that specialise or rename an architected instruction.
const std::map<std::string, std::string> raw_name = {
    {"bc_uncond", "bc"},    {"bcl_uncond", "bcl"}, {"bdnz", "bc"},       {"bdz", "bc"},         {"bf", "bc"},
    {"bt", "bc"},           {"bperm", "bpermd"},   {"cmpdi", "cmpi"},    {"cmpwi", "cmpi"},     {"cmpldi", "cmpli"},
    {"cmplwi", "cmpli"},    {"icbt_ppc207", "icbt"}, {"mfctr", "mfspr"}, {"mflr", "mfspr"},     {"mfxer", "mfspr"},
    {"mtctr", "mtspr"},     {"mtlr", "mtspr"},     {"mtxer", "mtspr"},   {"mtdar", "mtspr"},    {"nop", "ori"},
    {"nop_mark", "and"},    {"tendouter.", "tendall."}, {"tresume.", "tsr."}, {"tsuspend.", "tsr."},
    {"vcfpsxws", "vctsxs"}, {"vcfpuxws", "vctuxs"}, {"vcsxwfp", "vcfsx"}, {"vcuxwfp", "vcfux"},
    {"winkle", "rvwinkle"},
};

std::string raw_of(const InstrInfo *row) {
    auto it = raw_name.find(row->mnemonic);
    return it == raw_name.end() ? row->mnemonic : it->second;
}

bool have_tool(const char *tool) { return std::system((std::string("command -v ") + tool + " >/dev/null 2>&1").c_str()) == 0; }

// Runs a shell command with its output in `log` (the tests of this file may run in parallel in one folder,
// so each uses files of its own).
int run(const std::string &command, const std::string &log) { return std::system((command + " >" + log + " 2>&1").c_str()); }

struct Disassembled {
    uint32_t word;
    std::string mnemonic;
};

// Instructions of an object's code as objdump shows them (".long" words left out when skip_unknown).
std::vector<Disassembled> disassemble(const std::string &object, const char *machine, bool skip_unknown) {
    std::vector<Disassembled> out;
    const std::string listing = object + ".dis";
    const std::string cmd = std::string("powerpc64-linux-gnu-objdump -d -M raw,") + machine + " " + object + " > " + listing;
    if (std::system(cmd.c_str()) != 0)
        return out;
    std::ifstream in(listing);
    static const std::regex line(R"(^\s*[0-9a-f]+:\s+([0-9a-f]{2}) ([0-9a-f]{2}) ([0-9a-f]{2}) ([0-9a-f]{2})\s+(\S+))");
    std::string text;
    std::smatch m;
    while (std::getline(in, text))
        if (std::regex_search(text, m, line)) {
            if (skip_unknown && m[5] == ".long")
                continue;
            out.push_back({(uint32_t)std::stoul(m[1].str() + m[2].str() + m[3].str() + m[4].str(), nullptr, 16), m[5]});
        }
    return out;
}

TEST(Oracle, EveryArchitectedRowAssemblesAndDecodesToItsRow) {
    if (!have_tool("powerpc64-linux-gnu-as") || !have_tool("powerpc64-linux-gnu-objdump"))
        GTEST_SKIP() << "powerpc64-linux-gnu binutils not installed (scripts/setup.sh installs them)";
    std::set<int> rows_checked;
    for (bool power8 : {true, false}) {
        std::vector<const Sample *> batch;
        std::ofstream src("samples.s");
        for (const Sample &s : samples)
            if (s.power8 == power8) {
                batch.push_back(&s);
                src << s.mnemonic << ' ' << s.operands << '\n';
            }
        src.close();
        ASSERT_EQ(run(std::string("powerpc64-linux-gnu-as -mbig ") + (power8 ? "-mpower8" : "-many") +
                          " -o samples.o samples.s",
                      "samples.log"),
                  0)
            << "assembler failed, see samples.log";
        const std::vector<Disassembled> dis = disassemble("samples.o", power8 ? "power8" : "any", false);
        ASSERT_EQ(dis.size(), batch.size());
        for (size_t i = 0; i < batch.size(); ++i) {
            const InstrInfo *row = DecodeInstr_Ervik(instruction_info_table, dis[i].word);
            EXPECT_EQ(row->id, batch[i]->row) << batch[i]->mnemonic << ' ' << batch[i]->operands << " = " << std::hex
                                              << dis[i].word << " decodes to " << row->mnemonic;
            EXPECT_EQ(raw_of(row), dis[i].mnemonic) << std::hex << dis[i].word;
            rows_checked.insert(batch[i]->row);
        }
    }
    EXPECT_GT(rows_checked.size(), 980u);
}

TEST(Oracle, WordsOfAStaticHelloWorldDecodeToTheirRows) {
    if (!have_tool("powerpc64-linux-gnu-gcc") || !have_tool("powerpc64-linux-gnu-objdump"))
        GTEST_SKIP() << "powerpc64-linux-gnu cross compiler not installed (scripts/setup.sh installs it)";
    std::ofstream("hello.c") << "#include <stdio.h>\nint main(void) { puts(\"hello, world\"); return 0; }\n";
    if (run("powerpc64-linux-gnu-gcc -static -O2 -o hello hello.c", "hello.log") != 0)
        GTEST_SKIP() << "the cross compiler cannot link a static program (C library for powerpc64 missing)";
    const std::vector<Disassembled> dis = disassemble("hello", "power8", true);
    ASSERT_GT(dis.size(), 10000u);
    std::set<uint32_t> seen;
    for (const Disassembled &d : dis) {
        if (!seen.insert(d.word).second)
            continue;
        const InstrInfo *row = DecodeInstr_Ervik(instruction_info_table, d.word);
        ASSERT_EQ(raw_of(row), d.mnemonic) << std::hex << d.word << " decodes to " << row->mnemonic;
    }
}

} // namespace

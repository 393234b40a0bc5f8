// The scalar floating-point instructions against an independent reference: the guest program
// tests/guest/fp_diff.c runs 45 instructions over 20 operand rows in the four rounding modes and
// prints FRT, FPSCR and CR1; the same binary runs under quarn (standalone) and under
// qemu-ppc64, and every line must agree. Skipped when qemu-ppc64 or the cross compiler is absent.
//
// Not compared, because the Ervik processor differs from the architecture on purpose:
// - FPRF after the conversions to integer (FCTID_SETS_FPRF_ZERO) and the high word of the word
//   conversions (FCTIW_DOUBLES);
// and because the reference does not model them:
// - FR, which the reference never sets (Ervik also sets it on an overflow with OE clear,
//   FP_OVERFLOW_OE_OFF_SETS_FR);
// - FPRF after fcfidu, fcfids and fcfidus, which the reference leaves alone;
// - the C bit of FPRF: the compares leave it alone (the reference sets it for unordered), and a
//   single-precision result in the single denormal range is a denormal (the reference classes it
//   as a double);
// - the negative multiply-adds in the directed rounding modes: the architecture rounds and then
//   negates, the reference negates before rounding.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace
{

std::string capture(const std::string &command)
{
    std::string text;
    if (FILE *pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        size_t n;
        while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
            text.append(buffer, n);
        pclose(pipe);
    }
    return text;
}

bool on_path(const char *program)
{
    const char *path = getenv("PATH");
    std::stringstream dirs(path ? path : "");
    for (std::string dir; std::getline(dirs, dir, ':');)
        if (access((dir + "/" + program).c_str(), X_OK) == 0) return true;
    return false;
}

struct Line {
    std::string insn;
    int rn = 0, row = 0;
    uint64_t frt = 0;
    uint32_t fpscr = 0, cr1 = 0;
};

// The program's lines; a console prefix "NNN: " is dropped.
std::vector<Line> parse(const std::string &text)
{
    std::vector<Line> lines;
    std::istringstream in(text);
    for (std::string raw; std::getline(in, raw);) {
        const size_t colon = raw.find(": ");
        if (colon != std::string::npos && raw.find_first_not_of("0123456789") == colon) raw = raw.substr(colon + 2);
        std::istringstream words(raw);
        Line l;
        std::string frt, fpscr, cr1;
        if (!(words >> l.insn >> l.rn >> l.row >> frt >> fpscr >> cr1) || l.insn.size() < 3 || l.insn[0] != 'f')
            continue;
        l.frt = std::stoull(frt, nullptr, 16);
        l.fpscr = (uint32_t)std::stoul(fpscr, nullptr, 16);
        l.cr1 = (uint32_t)std::stoul(cr1, nullptr, 16);
        lines.push_back(l);
    }
    return lines;
}

bool starts(const std::string &s, const char *prefix)
{
    return s.compare(0, strlen(prefix), prefix) == 0;
}

bool single_precision(const std::string &insn)
{
    return insn == "frsp" || (insn.back() == 's' && insn != "fabs" && insn != "fcfids" && insn != "fcfidus");
}

bool in_single_denormal_range(uint64_t d)
{
    const uint32_t exponent = (uint32_t)(d >> 52) & 0x7FF;
    return (d << 1) != 0 && exponent >= 874 && exponent <= 896;
}

TEST(FPQemuDifferential, InstructionsAgreeWithTheReference)
{
    const std::string program = std::string(QUARN_GUEST_DIR) + "/fp_diff_be64";
    struct stat s;
    if (!getenv("QUARN_BIN")) GTEST_SKIP() << "QUARN_BIN is not set";
    if (stat(program.c_str(), &s) != 0) GTEST_SKIP() << "no PowerPC cross compiler built " << program;
    if (!on_path("qemu-ppc64")) GTEST_SKIP() << "qemu-ppc64 is not installed";

    const std::vector<Line> reference = parse(capture("timeout 120 qemu-ppc64 -cpu power8 " + program));
    std::ofstream script("fp_diff.tcl");
    script << "define dup myrrin standalone\n"
              "standalone config standalone_app on\n"
              "standalone config memory_size 512M\n"
              "define machine standalone m1\n"
              "m1 load elf "
           << program << "\nm1 go\nm1 quit\n";
    script.close();
    const std::vector<Line> simulated =
        parse(capture(std::string("timeout 300 ") + getenv("QUARN_BIN") + " -r -f fp_diff.tcl 2>&1 </dev/null"));
    ASSERT_EQ(reference.size(), 3600u);
    ASSERT_EQ(simulated.size(), reference.size());

    int compared = 0, differing = 0;
    for (size_t i = 0; i < reference.size(); i++) {
        const Line &q = reference[i], &m = simulated[i];
        ASSERT_EQ(q.insn, m.insn);
        const std::string &insn = q.insn;
        if (starts(insn, "fnm") && q.rn >= 2) continue;
        uint32_t mask = ~0x00040000u; // FR
        uint64_t frt_mask = ~0ull;
        if (starts(insn, "fcti")) {
            mask &= ~0x0001F000u;
            if (starts(insn, "fctiw")) frt_mask = 0xFFFFFFFFull;
        }
        if (insn == "fcfidu" || insn == "fcfids" || insn == "fcfidus") mask &= ~0x0001F000u;
        if (starts(insn, "fcmp")) mask &= ~0x00010000u;
        if (single_precision(insn) && in_single_denormal_range(m.frt)) mask &= ~0x00010000u;
        compared++;
        if ((q.frt & frt_mask) == (m.frt & frt_mask) && (q.fpscr & mask) == (m.fpscr & mask) && q.cr1 == m.cr1)
            continue;
        if (++differing <= 20)
            ADD_FAILURE() << insn << " rn " << q.rn << " row " << q.row << std::hex << ": reference " << q.frt << " "
                          << q.fpscr << " " << q.cr1 << ", quarn " << m.frt << " " << m.fpscr << " " << m.cr1;
    }
    EXPECT_EQ(differing, 0);
    EXPECT_GT(compared, 3300);
}

} // namespace

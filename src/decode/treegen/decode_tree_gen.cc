// Build-time generator of decode_tree_Ervik: reads the encodings of the row file and writes the tree as a
// C++ source. Built and run on the host by src/isa/CMakeLists.txt (".cc" keeps it out of quarn_sim).
//
// Each decodable row gives (mask, value, priority): a word matches when (word & mask) == value, and of
// several matching rows the highest priority wins. The tree is built top-down: a subtree stands for the
// words that agree with the bits fixed on the path to it. When one row wins for all of them it is a leaf;
// when a general row (matching every word of the subtree) is refined by at most four rows that all test the
// same remaining bits, it is a match list with the general row as default; otherwise it is a bit gather on
// at most six of the remaining bits, chosen from those that the most rows test (at the root the primary
// opcode), with one child per value.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

namespace {

struct Enc {
    int id;
    uint32_t mask, value;
    int priority;
};

const std::vector<Enc> &encodings() {
    static const std::vector<Enc> rows = [] {
        std::vector<Enc> v;
#define INSTR(id, mnemonic, templ, form, operand_class, class_flags, attributes, optype, access_size, tea,        \
              internal, iops, throughput, fpscr_mask, semantic, operands, softpatch, enc_mask, enc_value, enc_prio)  \
    if (!(internal) && (enc_mask) != 0)                                                                          \
        v.push_back(Enc{id, enc_mask, enc_value, enc_prio});
#include "decode/instructions.def"
#undef INSTR
        return v;
    }();
    return rows;
}

std::vector<uint32_t> tree;
int max_level = 0;

[[noreturn]] void fail(const std::string &text) {
    fprintf(stderr, "decode_tree_gen: %s\n", text.c_str());
    exit(1);
}

// The row that wins among `rows` for every word of the subtree, or -1 when that is not one row.
int sole_winner(const std::vector<const Enc *> &rows, uint32_t fixed) {
    const Enc *best = nullptr;
    for (const Enc *r : rows) {
        if ((r->mask & ~fixed) != 0)
            return -1;
        if (best != nullptr && r->priority == best->priority)
            fail("rows " + std::to_string(best->id) + " and " + std::to_string(r->id) + " overlap");
        if (best == nullptr || r->priority > best->priority)
            best = r;
    }
    return best ? best->id : 0;
}

int32_t build(const std::vector<const Enc *> &all, uint32_t fixed, uint32_t fixed_value, int level);

// Tries a match list; returns true and the result word when the subtree fits one.
bool try_match_list(const std::vector<const Enc *> &rows, uint32_t fixed, int32_t &result) {
    const Enc *general = nullptr;
    for (const Enc *r : rows)
        if ((r->mask & ~fixed) == 0) {
            if (general != nullptr && general->priority == r->priority)
                fail("rows " + std::to_string(general->id) + " and " + std::to_string(r->id) + " overlap");
            if (general == nullptr || r->priority > general->priority)
                general = r;
        }
    std::vector<const Enc *> specific;
    for (const Enc *r : rows)
        if ((r->mask & ~fixed) != 0 && (general == nullptr || r->priority > general->priority))
            specific.push_back(r);
    if (specific.empty()) {
        result = general ? general->id : 0;
        return true;
    }
    const uint32_t mask = specific[0]->mask & ~fixed;
    if (specific.size() > 4)
        return false;
    for (const Enc *r : specific)
        if ((r->mask & ~fixed) != mask)
            return false;
    for (size_t i = 0; i < specific.size(); ++i)
        for (size_t j = i + 1; j < specific.size(); ++j)
            if ((specific[i]->value & mask) == (specific[j]->value & mask))
                fail("rows " + std::to_string(specific[i]->id) + " and " + std::to_string(specific[j]->id) +
                     " overlap");
    const uint32_t at = (uint32_t)tree.size();
    tree.push_back((0u << 24) | (uint32_t)specific.size());
    tree.push_back(mask);
    tree.push_back((uint32_t)(general ? general->id : 0));
    for (const Enc *r : specific) {
        tree.push_back(r->value & mask);
        tree.push_back((uint32_t)r->id);
    }
    result = -(int32_t)at;
    return true;
}

int32_t build(const std::vector<const Enc *> &all, uint32_t fixed, uint32_t fixed_value, int level) {
    max_level = std::max(max_level, level);
    std::vector<const Enc *> rows;
    for (const Enc *r : all)
        if (((r->value ^ fixed_value) & r->mask & fixed) == 0)
            rows.push_back(r);
    const int sole = sole_winner(rows, fixed);
    if (sole >= 0)
        return sole;
    int32_t result;
    if (level > 1 && try_match_list(rows, fixed, result))
        return result;

    // Bit gather: the bits tested by the most rows first, at most six.
    int count[32] = {};
    for (const Enc *r : rows)
        for (int b = 0; b < 32; ++b)
            if ((r->mask & ~fixed) >> b & 1)
                ++count[b];
    std::vector<int> bits;
    std::vector<int> levels;
    for (int b = 0; b < 32; ++b)
        if (count[b] > 0)
            levels.push_back(count[b]);
    std::sort(levels.rbegin(), levels.rend());
    levels.erase(std::unique(levels.begin(), levels.end()), levels.end());
    for (int c : levels) {
        if (bits.size() >= 6 || (!bits.empty() && c < 2))
            break;
        for (int b = 0; b < 32 && bits.size() < 6; ++b)
            if (count[b] == c)
                bits.push_back(b);
    }
    std::sort(bits.begin(), bits.end());
    // Runs of adjacent word bits become field words; index bit i takes the i-th chosen bit.
    std::vector<uint32_t> fields;
    for (size_t i = 0; i < bits.size();) {
        size_t j = i;
        while (j + 1 < bits.size() && bits[j + 1] == bits[j] + 1)
            ++j;
        const uint32_t width = (uint32_t)(j - i + 1);
        const uint32_t shift = (uint32_t)(bits[i] - (int)i);
        const uint32_t mask = ((1u << width) - 1) << i;
        fields.push_back((shift << 16) | mask);
        i = j + 1;
    }
    const uint32_t entries = 1u << bits.size();
    const uint32_t at = (uint32_t)tree.size();
    tree.push_back((1u << 24) | (uint32_t)fields.size());
    for (uint32_t f : fields)
        tree.push_back(f);
    const uint32_t results = (uint32_t)tree.size();
    tree.resize(tree.size() + entries);
    uint32_t gathered = 0;
    for (int b : bits)
        gathered |= 1u << b;
    for (uint32_t index = 0; index < entries; ++index) {
        uint32_t value = 0;
        for (size_t i = 0; i < bits.size(); ++i)
            if (index >> i & 1)
                value |= 1u << bits[i];
        const int32_t r = build(rows, fixed | gathered, fixed_value | value, level + 1);
        tree[results + index] = (uint32_t)r;
    }
    return -(int32_t)at;
}

} // namespace

int main(int argc, char **argv) {
    if (argc != 2)
        fail("usage: decode_tree_gen OUTPUT.cpp");
    std::vector<const Enc *> rows;
    for (const Enc &e : encodings())
        rows.push_back(&e);
    const int32_t root = build(rows, 0, 0, 1);
    if (root != 0)
        fail("the root must be a node");
    FILE *out = fopen(argv[1], "w");
    if (out == nullptr)
        fail(std::string("cannot write ") + argv[1]);
    fprintf(out,
            "// Generated by decode_tree_gen from src/decode/instructions.def; do not edit.\n"
            "// %zu words, at most %d levels.\n"
            "#include \"decode/decoder.h\"\n\n"
            "const uint32_t decode_tree_Ervik[] = {\n",
            tree.size(), max_level);
    for (size_t i = 0; i < tree.size(); ++i)
        fprintf(out, "%s0x%08X,%s", i % 8 == 0 ? "    " : " ", tree[i], i % 8 == 7 ? "\n" : "");
    fprintf(out, "\n};\nconst size_t decode_tree_Ervik_size = sizeof decode_tree_Ervik / sizeof decode_tree_Ervik[0];\n");
    if (fclose(out) != 0)
        fail(std::string("cannot write ") + argv[1]);
    return 0;
}

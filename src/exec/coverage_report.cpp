// The architectural coverage record: one "<mnemonic>, <field>, <value>" line per operand field,
// cut from the same listing templates the disassembler reads.
#include "exec/coverage_report.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "decode/instr_info.h"
#include "exec/disassembler.h"
#include "processor/config/processor_options.h"
#include "processor/prints/trace_text.h"
#include "processor/records/instruction_record.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "runtime/utils.h"

FILE *Quarn_Architectural_Coverage_File = nullptr;

namespace
{

constexpr uint32_t field(uint32_t w, int low, int width)
{
    return (w >> low) & ((1u << width) - 1);
}

constexpr int32_t sext16(uint32_t v)
{
    return (int32_t)(int16_t)(uint16_t)v;
}

bool starts(const char *p, const char *prefix)
{
    return strncmp(p, prefix, strlen(prefix)) == 0;
}

// The record under construction, never longer than its buffer.
struct Record {
    char *buffer;
    size_t size;
    const char *mnemonic;
    bool added = false;

    void text(const char *line)
    {
        safe_strcat(buffer, line, size);
        added = true;
    }
    void line(const char *name, long value)
    {
        char piece[160];
        snprintf(piece, sizeof piece, "%s, %s, %ld\n", mnemonic, name, value);
        text(piece);
    }
    void literal(const char *name_and_value)
    {
        char piece[160];
        snprintf(piece, sizeof piece, "%s, %s\n", mnemonic, name_and_value);
        text(piece);
    }
    void no_fields()
    {
        char piece[160];
        snprintf(piece, sizeof piece, "%s, NoFields, 0\n", mnemonic);
        text(piece);
    }
};

// The lines of one template token.
void token_lines(Record &r, const char *t, uint32_t w)
{
    const uint32_t six_a = field(w, 16, 5) | (field(w, 2, 1) << 5);
    const uint32_t six_b = field(w, 11, 5) | (field(w, 1, 1) << 5);
    const uint32_t six_c = field(w, 6, 5) | (field(w, 3, 1) << 5);
    const uint32_t six_t = field(w, 21, 5) | (field(w, 0, 1) << 5);
    switch (t[0]) {
    case '\0':
    case '\n':
    case 'C':
        return;
    case 'M':
        if (starts(t, "MBME")) {
            r.line("mb", field(w, 6, 5));
            r.line("me", field(w, 1, 5));
        } else if (starts(t, "MB64")) {
            r.line("mb64", field(w, 6, 5) | (field(w, 5, 1) << 5));
        } else if (starts(t, "ME64")) {
            r.line("me64", field(w, 6, 5) | (field(w, 5, 1) << 5));
        }
        return; // the mnemonic token adds nothing
    case 'r':
        if (starts(t, "rA"))
            r.line("ra", field(w, 16, 5));
        else if (starts(t, "rB"))
            r.line("rb", field(w, 11, 5));
        else if (starts(t, "rS"))
            r.line("rs", field(w, 21, 5));
        else if (starts(t, "rT"))
            r.line("rt", field(w, 21, 5));
        else if (starts(t, "rm"))
            r.line("rmc", field(w, 9, 2));
        else
            r.line("r", field(w, 16, 1));
        return;
    case 'f':
        if (starts(t, "fA"))
            r.line("fra", field(w, 16, 5));
        else if (starts(t, "fB"))
            r.line("frb", field(w, 11, 5));
        else if (starts(t, "fC"))
            r.line("frc", field(w, 6, 5));
        else if (starts(t, "fS"))
            r.line("frs", field(w, 21, 5));
        else if (starts(t, "fT"))
            r.line("frt", field(w, 21, 5));
        return;
    case 'v':
        if (starts(t, "vA"))
            r.line("va", field(w, 16, 5) + 32);
        else if (starts(t, "vB"))
            r.line("vb", field(w, 11, 5) + 32);
        else if (starts(t, "vC"))
            r.line("vc", field(w, 6, 5) + 32);
        else if (starts(t, "vS"))
            r.line("vs", field(w, 21, 5) + 32);
        else if (starts(t, "vT"))
            r.line("vt", field(w, 21, 5) + 32);
        else if (starts(t, "vc"))
            r.line("vc", field(w, 6, 5));
        return;
    case 'x':
        if (starts(t, "xA"))
            r.line("xa", six_a);
        else if (starts(t, "xB"))
            r.line("xb", six_b);
        else if (starts(t, "xC"))
            r.line("xc", six_c);
        else if (starts(t, "xS"))
            r.line("xs", six_t);
        else if (starts(t, "xT"))
            r.line("xt", six_t);
        return;
    case 'c':
        if (starts(t, "crb"))
            r.line("crb", field(w, 6, 5));
        else if (starts(t, "crBF"))
            r.line("crbf", field(w, 23, 3));
        else if (starts(t, "crB"))
            r.line("crb", field(w, 11, 5));
        else if (starts(t, "crT"))
            r.line("crt", field(w, 21, 5));
        else if (starts(t, "crA"))
            r.line("cra", field(w, 16, 5));
        return;
    case 'd':
        if (starts(t, "dcm")) r.line("dcm", field(w, 10, 6));
        return;
    case 'B':
        if (starts(t, "BFA"))
            r.line("bfa", field(w, 18, 3));
        else if (starts(t, "BF2"))
            r.line("bfa", field(w, 16, 3));
        else if (starts(t, "BF"))
            r.line("bf", field(w, 23, 3));
        else if (starts(t, "BHR"))
            r.line("bhrbe", field(w, 11, 10));
        else
            r.literal(field(w, 11, 5) ? "b, 1" : "b, 0");
        return;
    case 'D':
        if (starts(t, "DS")) {
            r.line("ds", labs((long)(sext16(w & 0xFFFC) % 1024)));
        } else if (starts(t, "DP") || starts(t, "DM")) {
            char value[24], line[48];
            Format_Immediate(value, sizeof value, (int32_t)(t[1] == 'P' ? field(w, 11, 1) : field(w, 8, 2)));
            snprintf(line, sizeof line, "%s, %s", t[1] == 'P' ? "dp" : "dm", value);
            r.literal(line);
        } else if (starts(t, "DCMXv")) {
            r.line("DCMXv", field(w, 16, 5) + field(w, 6, 1) * 64 + field(w, 2, 1) * 32);
        } else if (starts(t, "DCMX")) {
            r.line("DCMX", field(w, 16, 7));
        }
        return;
    case 'E':
        r.line("e", field(w, 15, 1));
        return;
    case 'F':
        if (starts(t, "FLM"))
            r.line("flm", field(w, 17, 8));
        else if (starts(t, "FC"))
            r.line("fc", field(w, 11, 5));
        else
            r.line("fxm", field(w, 12, 8));
        return;
    case 'I':
        if (starts(t, "IB"))
            r.line("ib", field(w, 11, 5));
        else if (starts(t, "IS"))
            r.line("is", field(w, 21, 5));
        else
            r.line("i", field(w, 11, 15));
        return;
    case 'L':
        if (starts(t, "L15"))
            r.literal(field(w, 16, 1) ? "l15, 1" : "l15, 0");
        else
            r.literal(field(w, 21, 1) ? "l, 1" : "l, 0");
        return;
    case 'P':
        if (starts(t, "PS")) r.line("ps", field(w, 9, 1));
        return;
    case 'S':
        if (starts(t, "SH64"))
            r.line("sh", six_b);
        else if (starts(t, "SHW"))
            r.line("shw", field(w, 8, 2));
        else if (starts(t, "SH"))
            r.line("sh", field(w, 11, 5));
        else if (starts(t, "SIM"))
            r.line("sim", labs((long)(((int32_t)(field(w, 16, 5) << 27)) >> 27)));
        else if (starts(t, "SIX"))
            r.line("six", field(w, 11, 4));
        else if (starts(t, "SI"))
            r.line("si", labs((long)(sext16(w) % 1024)));
        else if (starts(t, "SPR"))
            r.line("spr", field(w, 16, 5) | (field(w, 11, 5) << 5));
        else if (starts(t, "SR"))
            r.line("sr", field(w, 16, 4));
        else if (starts(t, "ST"))
            r.line("st", field(w, 15, 1));
        return;
    case 'T':
        if (starts(t, "TB"))
            r.line("spr", field(w, 16, 5) | (field(w, 11, 5) << 5));
        else if (starts(t, "TO"))
            r.line("to", field(w, 21, 5));
        else
            r.line("th", field(w, 21, 5));
        return;
    case 'U':
        if (starts(t, "UI2"))
            r.line("uim", field(w, 16, 2));
        else if (starts(t, "UI4"))
            r.line("uim", field(w, 16, 4));
        else if (starts(t, "UI5") || starts(t, "UIM"))
            r.line("uim", field(w, 16, 5));
        else if (starts(t, "UI8"))
            r.line("uim", field(w, 11, 8));
        else if (starts(t, "UI"))
            r.line("ui", field(w, 0, 10));
        else
            r.line("u", field(w, 12, 4));
        return;
    case 'W':
        if (starts(t, "WS")) r.line("ws", field(w, 11, 5));
        return;
    case 'X':
        if (starts(t, "XBI")) r.line("xbi", field(w, 7, 4));
        return;
    case 'a':
        if (field(w, 25, 1)) r.literal("a, 0");
        return;
    case 's':
        if (starts(t, "shv"))
            r.line("sh", field(w, 6, 4));
        else if (starts(t, "sh"))
            r.line("sh", field(w, 10, 6));
        else if (starts(t, "sp"))
            r.line("sp", field(w, 19, 2));
        else
            r.line("s", field(w, 20, 1));
        return;
    case 't':
        if (starts(t, "ta"))
            r.line("tag", field(w, 21, 2));
        else if (starts(t, "te"))
            r.line("te", field(w, 16, 5));
        else if (field(w, 25, 1))
            r.literal("t, 0");
        return;
    default:
        r.no_fields();
        return;
    }
}

void branch_lines(Record &r, uint32_t w, bool with_cr, const char *third, uint32_t third_value)
{
    if (with_cr) r.line("cr", field(w, 18, 3));
    r.line("bo", field(w, 21, 5));
    r.line("bi", field(w, 16, 5));
    r.line(third, third_value);
}

void whole_form(Record &r, const char *form, IOPDesc *iop, int wide)
{
    const uint32_t w = iop->word;
    const uint32_t bo = field(w, 21, 5);
    const char *l = (w & 1) ? "l" : "";
    const char *a = (w & 2) ? "a" : "";
    char mnemonic[16];
    char piece[400];
    if (!strcmp(form, "PRINT_B_FORM")) {
        snprintf(mnemonic, sizeof mnemonic, "b%s%s", l, a);
        r.mnemonic = mnemonic;
        branch_lines(r, w, !(bo & 0x10), "bd", w & 0x3FC);
        r.line("aa", field(w, 1, 1));
        r.line("lk", field(w, 0, 1));
    } else if (!strcmp(form, "PRINT_I_FORM")) {
        snprintf(mnemonic, sizeof mnemonic, "b%s%s", l, a);
        r.mnemonic = mnemonic;
        r.no_fields();
    } else if (!strcmp(form, "PRINT_BCLR") || !strcmp(form, "PRINT_BCTAR")) {
        r.text(Format_Branch_Coverage_Fields(piece, sizeof piece, iop,
                                             !strcmp(form, "PRINT_BCLR") ? "lr" : "tar"));
    } else if (!strcmp(form, "PRINT_BCCTR")) {
        const ThreadState *thread = iop->thread;
        if ((bo & 0x04) && (bo & 0x10)) {
            r.mnemonic = "bcctr";
            branch_lines(r, w, false, "bh", field(w, 11, 2));
        } else if (!(bo & 0x04) && thread && thread->processor &&
                   !thread->processor->options[PO_BCCTR_CAN_DECREMENT_CTR]) {
            r.mnemonic = "bcctr";
            r.no_fields();
        } else {
            snprintf(mnemonic, sizeof mnemonic, "bcctr%s", l);
            r.mnemonic = mnemonic;
            branch_lines(r, w, !(bo & 0x10), "bh", field(w, 11, 2));
        }
    } else if (!strcmp(form, "PRINT_LM") || !strcmp(form, "PRINT_STM") || !strcmp(form, "PRINT_BAIH_FORM") ||
               !strcmp(form, "PRINT_EMASK")) {
        r.text(disassemble(piece, sizeof piece, iop, wide));
    }
}

} // namespace

void PrintArchitecturalCoverage(char *buffer, int size, IOPDesc *iop, int sf)
{
    if (!buffer || size <= 0) return;
    buffer[0] = '\0';
    const InstrInfo *row = disassembly_row(iop);
    if (!row) return;
    Record r{buffer, (size_t)size, row->mnemonic};
    if (iop->word == NOP_INSTRUCTION_WORD) {
        r.mnemonic = "nop";
        r.no_fields();
        return;
    }
    const char *pattern = row->template_ ? row->template_ : "";
    if (starts(pattern, "PR")) {
        whole_form(r, pattern, iop, sf);
        return;
    }
    // Tokens are cut at commas, tabs and parentheses from the template and a final newline.
    char copy[256];
    snprintf(copy, sizeof copy, "%s\n", pattern);
    char *rest = copy;
    while (rest) {
        char *token = rest;
        size_t length = strcspn(rest, ",\t()");
        if (rest[length]) {
            rest[length] = '\0';
            rest += length + 1;
        } else {
            rest = nullptr;
        }
        if (*token) token_lines(r, token, iop->word);
    }
    if (!r.added && strcmp(row->mnemonic, "INVALID") != 0) r.no_fields();
}

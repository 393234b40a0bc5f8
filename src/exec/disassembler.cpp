// The instruction disassembler: interprets a row's listing template against the word.
#include "exec/disassembler.h"

#include <cinttypes>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "decode/instr_info.h"
#include "decode/instr_tables.h"
#include "decode/row_ids.h"
#include "isa/assist_instructions.h"
#include "isa/internal_operations.h"
#include "processor/config/processor_options.h"
#include "processor/prints/trace_text.h"
#include "processor/records/instruction_record.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "runtime/message.h"

namespace
{

// The false senses of the CR bits lt, gt, eq, so, then the true senses.
const char *const condition_names[8] = {"ge", "le", "ne", "ns", "lt", "gt", "eq", "so"};

constexpr uint32_t field(uint32_t w, int low, int width)
{
    return (w >> low) & ((1u << width) - 1);
}

constexpr int32_t sext16(uint32_t v)
{
    return (int32_t)(int16_t)(uint16_t)v;
}

// Appends to a bounded text; the result is always terminated and never longer than the size.
class Text
{
  public:
    Text(char *buffer, size_t size) : buffer_(buffer), size_(size)
    {
        if (size_) buffer_[0] = '\0';
    }
    void add(const char *text)
    {
        for (; *text; text++)
            put(*text);
    }
    void put(char c)
    {
        if (length_ + 1 < size_) {
            buffer_[length_] = c;
            buffer_[length_ + 1] = '\0';
        }
        length_++;
    }
    void addf(const char *format, ...) __attribute__((format(printf, 2, 3)))
    {
        char piece[128];
        va_list args;
        va_start(args, format);
        vsnprintf(piece, sizeof piece, format, args);
        va_end(args);
        add(piece);
    }
    size_t length() const { return length_; }

  private:
    char *buffer_;
    size_t size_;
    size_t length_ = 0;
};

uint64_t mask64(unsigned from, unsigned to)
{
    uint64_t high = ~0ull >> from;
    uint64_t low = ~0ull << (63 - to);
    return from <= to ? (high & low) : (high | low);
}

uint32_t mask32(unsigned from, unsigned to)
{
    return (uint32_t)(mask64(from + 32, to + 32));
}

const char *lk(uint32_t w)
{
    return (w & 1) ? "l" : "";
}
const char *aa(uint32_t w)
{
    return (w & 2) ? "a" : "";
}
const char *condition(uint32_t w)
{
    uint32_t bo = field(w, 21, 5), bi = field(w, 16, 5);
    return condition_names[(bi & 3) + ((bo & 0x08) ? 4 : 0)];
}

void print_b_form(Text &out, uint32_t w, int wide)
{
    const uint32_t bo = field(w, 21, 5), bi = field(w, 16, 5);
    char raw[24];
    snprintf(raw, sizeof raw, "bc 0x%X,0x%X,0x%X,%d,%d", bo, bi, w & 0xFFFC, (int)((w >> 1) & 1),
             (int)(w & 1));
    const int32_t displacement = sext16(w & 0xFFFC);
    char target[40];
    if (!(w & 2))
        Format_Signed_Hex_Immediate(target, sizeof target, displacement);
    else if (wide)
        snprintf(target, sizeof target, "0x%016" PRIX64, (uint64_t)(int64_t)displacement);
    else
        snprintf(target, sizeof target, "0x%08X", (uint32_t)displacement);
    char crn[8];
    snprintf(crn, sizeof crn, "cr%u", bi >> 2);
    char mnemonic[12]; // mnemonics are cut to 11 characters
    char line[160];
    if (bo & 0x04) {
        if (bo & 0x10) {
            snprintf(mnemonic, sizeof mnemonic, "b%s%s", lk(w), aa(w));
            snprintf(line, sizeof line, "%-7s %s  (%s)", mnemonic, target, raw);
        } else {
            snprintf(mnemonic, sizeof mnemonic, "b%s%s%s", condition(w), lk(w), aa(w));
            snprintf(line, sizeof line, "%-7s %s,%s  (%s)", mnemonic, crn, target, raw);
        }
    } else {
        const char *z = (bo & 0x02) ? "z" : "nz";
        if (bo & 0x10) {
            snprintf(mnemonic, sizeof mnemonic, "bd%s%s%s", z, lk(w), aa(w));
            snprintf(line, sizeof line, "%-7s %s  (%s)", mnemonic, target, raw);
        } else {
            snprintf(mnemonic, sizeof mnemonic, "bd%s%s%s%s", z, (bo & 0x08) ? "t" : "f", lk(w), aa(w));
            snprintf(line, sizeof line, "%-7s %s,%s,%s  (%s)", mnemonic, condition(w), crn, target, raw);
        }
    }
    out.add(line);
}

void print_i_form(Text &out, uint32_t w, int wide)
{
    const int32_t displacement = ((int32_t)(w << 6) >> 6) & ~3;
    if (w & 2) {
        const char *name = (w & 1) ? "bla" : "ba ";
        if (wide)
            out.addf("%s     0x%016" PRIX64, name, (uint64_t)(int64_t)displacement);
        else
            out.addf("%s     0x%08X", name, (uint32_t)displacement);
    } else {
        char target[40];
        Format_Signed_Hex_Immediate(target, sizeof target, displacement);
        out.addf("%s     %s", (w & 1) ? "bl " : "b  ", target);
    }
}

void print_bcctr(Text &out, IOPDesc *iop)
{
    const uint32_t w = iop->word;
    const uint32_t bo = field(w, 21, 5), bi = field(w, 16, 5);
    char raw[48];
    snprintf(raw, sizeof raw, "bcctr 0x%X,0x%X,0x%X", bo, bi, field(w, 11, 2));
    char crn[8];
    snprintf(crn, sizeof crn, "cr%u", bi >> 2);
    if (bo & 0x04) {
        if (bo & 0x10)
            out.addf("bctr%s  (%s)", lk(w), raw);
        else
            out.addf("b%sctr%s %s  (%s)", condition(w), lk(w), crn, raw);
        return;
    }
    const ThreadState *thread = iop->thread;
    if (thread && thread->processor && !thread->processor->options[PO_BCCTR_CAN_DECREMENT_CTR]) {
        out.addf("INVALID bcctr (cannot decrement ctr) (0x%08X)", w);
        return;
    }
    if (bo & 0x10)
        out.addf("bdctr%s (%s)", lk(w), raw);
    else
        out.addf("bd%sctr%s %s  (%s)", condition(w), lk(w), crn, raw);
}

// The whole-form templates (those beginning with "P").
void print_whole_form(Text &out, const char *form, IOPDesc *iop, int wide)
{
    const uint32_t w = iop->word;
    char piece[400];
    if (!strcmp(form, "PRINT_B_FORM")) {
        print_b_form(out, w, wide);
    } else if (!strcmp(form, "PRINT_I_FORM")) {
        print_i_form(out, w, wide);
    } else if (!strcmp(form, "PRINT_BCLR")) {
        out.add(Format_Branch_Mnemonic(piece, sizeof piece, iop, "lr"));
    } else if (!strcmp(form, "PRINT_BCTAR")) {
        out.add(Format_Branch_Mnemonic(piece, sizeof piece, iop, "tar"));
    } else if (!strcmp(form, "PRINT_BCCTR")) {
        print_bcctr(out, iop);
    } else if (!strcmp(form, "PRINT_LM")) {
        Disassemble_Load_Multiple_Ucode(piece, sizeof piece, iop);
        out.add(piece);
    } else if (!strcmp(form, "PRINT_STM")) {
        Disassemble_Store_Multiple_Ucode(piece, sizeof piece, iop);
        out.add(piece);
    } else if (!strcmp(form, "PRINT_BAIH_FORM")) {
        Disassemble_Immediate_Form(piece, sizeof piece, iop);
        out.add(piece);
    } else if (!strcmp(form, "PRINT_EMASK")) {
        out.addf("emask   %u,0x%x,cr%u", field(w, 22, 4), field(w, 6, 16), field(w, 2, 3));
    } else {
        out.add("INVALID");
    }
}

void put_immediate(Text &out, int32_t value)
{
    char text[24];
    out.add(Format_Immediate(text, sizeof text, value));
}

bool starts(const char *p, const char *prefix)
{
    return strncmp(p, prefix, strlen(prefix)) == 0;
}

// Prints one operand that begins at p; returns the number of template characters it consumed.
size_t print_operand(Text &out, const char *p, IOPDesc *iop, const InstrInfo *row)
{
    const uint32_t w = iop->word;
    switch (*p) {
    case 'M':
        if (starts(p, "MBME")) {
            const uint32_t mb = field(w, 6, 5), me = field(w, 1, 5);
            out.addf("%u,%u (0x%08X)", mb, me, mask32(mb, me));
            return 4;
        }
        if (starts(p, "MB64")) {
            const uint32_t mb = field(w, 6, 5) | (field(w, 5, 1) << 5);
            out.addf("%u,%d (0x%016" PRIX64 ")", mb, 63, mask64(mb, 63));
            return 4;
        }
        if (starts(p, "ME64")) {
            const uint32_t me = field(w, 6, 5) | (field(w, 5, 1) << 5);
            out.addf("%d,%u (0x%016" PRIX64 ")", 0, me, mask64(0, me));
            return 4;
        }
        out.add(row->mnemonic);
        return 1;
    case 'A':
        out.addf("%u", field(w, 16, 5));
        return 1;
    case 'B':
        if (starts(p, "BF2")) {
            out.addf("%u", field(w, 16, 3));
            return 3;
        }
        if (starts(p, "BFA")) {
            out.addf("%u", field(w, 18, 3));
            return 3;
        }
        if (starts(p, "BF")) {
            out.addf("%u", field(w, 23, 3));
            return 2;
        }
        if (starts(p, "BHRBE")) {
            out.addf("%u", field(w, 11, 10));
            return 5;
        }
        out.addf("%u", field(w, 11, 5));
        return 1;
    case 'C':
        out.addf("%u", field(w, 6, 5));
        return 1;
    case 'D':
        if (starts(p, "DS")) {
            put_immediate(out, sext16(w & 0xFFFC));
            return 2;
        }
        if (starts(p, "DP")) {
            put_immediate(out, (int32_t)field(w, 11, 1));
            return 2;
        }
        if (starts(p, "DM")) {
            put_immediate(out, (int32_t)field(w, 8, 2));
            return 2;
        }
        if (starts(p, "DCMXv")) {
            put_immediate(out, (int32_t)(field(w, 16, 5) + field(w, 6, 1) * 64 + field(w, 2, 1) * 32));
            return 5;
        }
        if (starts(p, "DCMX")) {
            put_immediate(out, (int32_t)field(w, 16, 7));
            return 4;
        }
        put_immediate(out, sext16(w));
        return 1;
    case 'E':
        out.addf("%u", field(w, 15, 1));
        return p[1] ? 2 : 1;
    case 'F':
        if (starts(p, "FLM")) {
            out.addf("0x%02X", field(w, 17, 8));
            return 3;
        }
        if (starts(p, "FXM")) {
            out.addf("0x%02X", field(w, 12, 8));
            return 3;
        }
        if (starts(p, "FC")) {
            out.addf("0x%02X", field(w, 11, 5));
            return 2;
        }
        break;
    case 'I':
        out.addf("%u", field(w, 11, 15));
        return 1;
    case 'L':
        if (starts(p, "L15")) {
            out.put(field(w, 16, 1) ? '1' : '0');
            return 3;
        }
        out.put(field(w, 21, 1) ? 'd' : 'w');
        return 1;
    case 'P':
        if (starts(p, "PS")) {
            out.addf("%u", field(w, 9, 1));
            return 2;
        }
        break;
    case 'S':
        if (starts(p, "SH64")) {
            out.addf("%u", field(w, 11, 5) | (field(w, 1, 1) << 5));
            return 4;
        }
        if (starts(p, "SHW")) {
            out.addf("%u", field(w, 8, 2));
            return 3;
        }
        if (starts(p, "SH")) {
            out.addf("%u", field(w, 11, 5));
            return 2;
        }
        if (starts(p, "SIM")) {
            out.addf("%d", ((int32_t)(field(w, 16, 5) << 27)) >> 27);
            return 3;
        }
        if (starts(p, "SIX")) {
            out.addf("%u", field(w, 11, 4));
            return 3;
        }
        if (starts(p, "SI")) {
            put_immediate(out, sext16(w));
            return 2;
        }
        if (starts(p, "SPR")) {
            char name[64];
            disassemble_spr_field(name, sizeof name, iop);
            out.add(name);
            return 3;
        }
        if (starts(p, "SR")) {
            out.addf("%u", field(w, 16, 4));
            return 2;
        }
        if (starts(p, "ST")) {
            out.addf("%u", field(w, 15, 1));
            return 2;
        }
        out.addf("%u", field(w, 21, 5));
        return 1;
    case 'T':
        if (starts(p, "TBR")) {
            char name[64];
            disassemble_spr_field(name, sizeof name, iop);
            out.add(name);
            return 3;
        }
        if (starts(p, "TO")) {
            const uint32_t to = field(w, 21, 5);
            if (to == 0) {
                out.add("[never]");
            } else if (to == 31) {
                out.add("[always]");
            } else {
                if (to & 16) out.add("<");
                if (to & 8) out.add(">");
                if (to & 4) out.add("=");
                if (to & 2) out.add("u<");
                if (to & 1) out.add("u>");
            }
            return 2;
        }
        out.addf("%u", field(w, 21, 5));
        return 1;
    case 'U':
        if (starts(p, "UI2")) {
            out.addf("%u", field(w, 16, 2));
            return 3;
        }
        if (starts(p, "UI4")) {
            out.addf("%u", field(w, 16, 4));
            return 3;
        }
        if (starts(p, "UI5") || starts(p, "UIM")) {
            out.addf("%u", field(w, 16, 5));
            return 3;
        }
        if (starts(p, "UI8")) {
            out.addf("%u", field(w, 11, 8));
            return 3;
        }
        if (starts(p, "UI")) {
            put_immediate(out, (int32_t)field(w, 0, 16));
            return 2;
        }
        put_immediate(out, (int32_t)field(w, 12, 4));
        return 1;
    case 'W':
        if (starts(p, "WS")) {
            out.addf("%u", field(w, 11, 5));
            return 2;
        }
        return 1;
    case 'a':
        if (field(w, 25, 1)) out.add("all");
        return 1;
    case 's':
        if (starts(p, "sh")) {
            out.addf("%u", field(w, 6, 4));
            return 2;
        }
        out.addf("%u", field(w, 20, 1));
        return p[1] ? 2 : 1;
    case 't':
        if (starts(p, "ta")) {
            out.addf("%u", field(w, 21, 2));
            return p[2] ? 3 : 2;
        }
        if (field(w, 25, 1)) out.put('t');
        return 1;
    case 'x':
        switch (p[1]) {
        case 'A':
            out.addf("x%u", field(w, 16, 5) | (field(w, 2, 1) << 5));
            return 2;
        case 'B':
            out.addf("x%u", field(w, 11, 5) | (field(w, 1, 1) << 5));
            return 2;
        case 'C':
            out.addf("x%u", field(w, 6, 5) | (field(w, 3, 1) << 5));
            return 2;
        case 'S':
        case 'T':
            out.addf("x%u", field(w, 21, 5) | (field(w, 0, 1) << 5));
            return 2;
        default:
            break;
        }
        break;
    default:
        break;
    }
    out.put(*p);
    return 1;
}

void print_template(Text &out, const char *pattern, IOPDesc *iop, const InstrInfo *row)
{
    for (const char *p = pattern; *p;) {
        if (*p == '\t') {
            if (out.length() >= 8)
                out.put(' ');
            else
                while (out.length() < 8)
                    out.put(' ');
            p++;
            continue;
        }
        p += print_operand(out, p, iop, row);
    }
}

} // namespace

const InstrInfo *disassembly_row(IOPDesc *iop)
{
    if (!iop) return nullptr;
    if (iop->row && iop->row->internal) return iop->row;
    ProcessorState *processor = iop->thread ? iop->thread->processor : nullptr;
    return Processor_Decode_Instruction(processor, iop->word);
}

char *disassemble(char *buffer, size_t size, IOPDesc *iop, int wide)
{
    Text out(buffer, size);
    if (!iop) {
        out.add("INVALID");
        return buffer;
    }
    if (iop->word == NOP_INSTRUCTION_WORD) {
        out.add("nop");
        return buffer;
    }
    const InstrInfo *row = disassembly_row(iop);
    if (!row || !row->template_) {
        out.add("INVALID");
        return buffer;
    }
    const uint32_t w = iop->word;
    const char *pattern = row->template_;
    if (pattern[0] == 'P') {
        print_whole_form(out, pattern, iop, wide);
        return buffer;
    }
    if (row->id == ROW_ADDI && field(w, 16, 5) == 0)
        pattern = "li\trT,SI";
    else if (row->id == ROW_OR && field(w, 21, 5) == field(w, 11, 5))
        pattern = "mr\trA,rB";
    else if (row->id == ROW_OR_DOT && field(w, 21, 5) == field(w, 11, 5))
        pattern = "mr.\trA,rB";
    print_template(out, pattern, iop, row);
    return buffer;
}

extern "C" char *LIBSIM__ThreadDisassemble(ThreadState *thread, void *, uint32_t word, char *buffer)
{
    if (!thread) {
        sim_error("LIBSIM__ThreadDisassemble: called with NULL thread pointer");
        return nullptr;
    }
    IOPDesc iop;
    INITIAL_IOP(&iop, thread);
    iop.word = __builtin_bswap32(word);
    iop.row = Processor_Decode_Instruction(thread->processor, iop.word);
    return disassemble(buffer, 250, &iop, 1);
}

// The host disassembler: x86-64 instructions of translated code, one text per instruction.
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

#include "translator/disassembler.h"

extern "C" {
const char *const reg_names[16][7] = {
    {"AL", "AL", "AX", "EAX", "RAX", "XMM0", "MMX0"},        {"CL", "CL", "CX", "ECX", "RCX", "XMM1", "MMX1"},
    {"DL", "DL", "DX", "EDX", "RDX", "XMM2", "MMX2"},        {"BL", "BL", "BX", "EBX", "RBX", "XMM3", "MMX3"},
    {"AH", "SPL", "SP", "ESP", "RSP", "XMM4", "MMX4"},       {"CH", "BPL", "BP", "EBP", "RBP", "XMM5", "MMX5"},
    {"DH", "SIL", "SI", "ESI", "RSI", "XMM6", "MMX6"},       {"BH", "DIL", "DI", "EDI", "RDI", "XMM7", "MMX7"},
    {"?", "R8B", "R8W", "R8D", "R8", "XMM8", "MMX8"},        {"?", "R9B", "R9W", "R9D", "R9", "XMM9", "MMX9"},
    {"?", "R10B", "R10W", "R10D", "R10", "XMM10", "MMX10"},  {"?", "R11B", "R11W", "R11D", "R11", "XMM11", "MMX11"},
    {"?", "R12B", "R12W", "R12D", "R12", "XMM12", "MMX12"},  {"?", "R13B", "R13W", "R13D", "R13", "XMM13", "MMX13"},
    {"?", "R14B", "R14W", "R14D", "R14", "XMM14", "MMX14"},  {"?", "R15B", "R15W", "R15D", "R15", "XMM15", "MMX15"},
};
const char *const sizes[8] = {"b", "w", "l", "q", "_xmm", "_mmx", "_f80", ""};
}

namespace
{

enum Size { SIZE_B = 0, SIZE_W = 1, SIZE_L = 2, SIZE_Q = 3, SIZE_NONE = 7 };

const char *const alu_names[8] = {"add", "or", "adc", "sbb", "and", "sub", "xor", "cmp"};
const char *const shift_names[8] = {"rol", "ror", "rcl", "rcr", "shl", "shr", "shl", "sar"};
const char *const unary_names[8] = {"test", "test", "not", "neg", "mul", "imul", "div", "idiv"};
const char *const cc_names[16] = {"o", "no", "b", "ae", "e", "ne", "be", "a", "s", "ns", "p", "np", "l", "ge", "le", "g"};

std::string format(const char *f, ...) __attribute__((format(printf, 1, 2)));
std::string format(const char *f, ...)
{
    char text[128];
    va_list args;
    va_start(args, f);
    vsnprintf(text, sizeof text, f, args);
    va_end(args);
    return text;
}

struct Decoder {
    const uint8_t *p;
    bool rex = false;
    int w = 0, r = 0, x = 0, b = 0;
    bool opsize16 = false, addr32 = false;

    uint8_t u8() { return *p++; }
    int32_t s8() { return (int8_t)*p++; }
    int32_t s32()
    {
        int32_t v;
        memcpy(&v, p, 4);
        p += 4;
        return v;
    }
    uint64_t u64()
    {
        uint64_t v;
        memcpy(&v, p, 8);
        p += 8;
        return v;
    }

    int size(bool byte) const
    {
        if (byte) return SIZE_B;
        if (w) return SIZE_Q;
        if (opsize16) return SIZE_W;
        return SIZE_L;
    }
    const char *reg(int n, int s) const
    {
        const int column = s == SIZE_B ? (rex ? 1 : 0) : s == SIZE_W ? 2 : s == SIZE_L ? 3 : 4;
        return reg_names[n & 15][column];
    }
    const char *address_reg(int n) const { return reg_names[n & 15][addr32 ? 3 : 4]; }

    // The r/m operand of a ModRM byte (with its SIB and displacement) in size s; sets reg_field.
    std::string rm(int s, int *reg_field)
    {
        const uint8_t modrm = u8();
        const int mod = modrm >> 6, regf = ((modrm >> 3) & 7) | (r << 3), rmf = modrm & 7;
        *reg_field = regf;
        if (mod == 3) return reg(rmf | (b << 3), s);
        std::string inner;
        int32_t disp = 0;
        if (rmf == 4) {
            const uint8_t sib = u8();
            const int scale = 1 << (sib >> 6), index = ((sib >> 3) & 7) | (x << 3), base = (sib & 7) | (b << 3);
            const bool no_base = (sib & 7) == 5 && mod == 0;
            if (index != 4) inner = format("%s*%d", address_reg(index), scale);
            inner += "+";
            if (!no_base) inner += address_reg(base);
            if (no_base) disp = s32();
        } else if (rmf == 5 && mod == 0) {
            return format("%d(rip)", s32());
        } else {
            inner = address_reg(rmf | (b << 3));
        }
        if (mod == 1) disp = s8();
        if (mod == 2) disp = s32();
        return format("%d(", disp) + inner + ")";
    }
};

std::string sized(const char *name, int s)
{
    return s == SIZE_NONE ? std::string(name) : std::string(name) + "." + sizes[s];
}

std::string target(const uint8_t *after, int32_t displacement)
{
    return format("<%p>", (const void *)(after + displacement));
}

// Decodes one instruction at d.p; the text is empty when the opcode is not decoded.
std::string decode(Decoder &d)
{
    for (;;) {
        const uint8_t c = *d.p;
        if (c >= 0x40 && c <= 0x4F) {
            d.rex = true;
            d.w = (c >> 3) & 1;
            d.r = (c >> 2) & 1;
            d.x = (c >> 1) & 1;
            d.b = c & 1;
        } else if (c == 0x66) {
            d.opsize16 = true;
        } else if (c == 0x67) {
            d.addr32 = true;
        } else if (c != 0x2E && c != 0xF2 && c != 0xF3) {
            break;
        }
        d.p++;
    }
    const uint8_t op = d.u8();
    int regf = 0;
    if (op == 0xF0) return "lock";
    if (op < 0x40 && (op & 7) < 6) {
        const char *name = alu_names[op >> 3];
        const bool byte = !(op & 1);
        const int s = d.size(byte);
        switch (op & 7) {
        case 0:
        case 1: {
            std::string m = d.rm(s, &regf);
            return sized(name, s) + " " + m + "," + d.reg(regf, s);
        }
        case 2:
        case 3: {
            std::string m = d.rm(s, &regf);
            return sized(name, s) + " " + d.reg(regf, s) + "," + m;
        }
        case 4: return sized(name, SIZE_B) + format(" AL,$0x%llx", (unsigned long long)(uint8_t)d.s8());
        default: return sized(name, s) + " " + d.reg(0, s) + format(",$0x%llx", (unsigned long long)(int64_t)d.s32());
        }
    }
    if (op >= 0x50 && op <= 0x57) return sized("push", SIZE_Q) + " " + d.reg((op & 7) | (d.b << 3), SIZE_Q);
    if (op >= 0x58 && op <= 0x5F) return sized("pop", SIZE_Q) + " " + d.reg((op & 7) | (d.b << 3), SIZE_Q);
    if (op == 0x63) {
        std::string m = d.rm(SIZE_L, &regf);
        return sized("movsxd", SIZE_Q) + " " + d.reg(regf, SIZE_Q) + "," + m;
    }
    if (op == 0x68) return sized("push", SIZE_Q) + format(" $0x%llx", (unsigned long long)(int64_t)d.s32());
    if (op == 0x6A) return sized("push", SIZE_Q) + format(" $0x%llx", (unsigned long long)(int64_t)d.s8());
    if (op >= 0x70 && op <= 0x7F) {
        const int32_t disp = d.s8();
        return sized((std::string("j") + cc_names[op & 15]).c_str(), SIZE_NONE) + " " + target(d.p, disp);
    }
    if (op == 0x80 || op == 0x81 || op == 0x83) {
        const int s = d.size(op == 0x80);
        std::string m = d.rm(s, &regf);
        const int64_t imm = op == 0x81 ? d.s32() : d.s8();
        return sized(alu_names[regf & 7], s) + " " + m + format(",$0x%llx", (unsigned long long)imm);
    }
    if (op == 0x84 || op == 0x85 || op == 0x86 || op == 0x87) {
        const int s = d.size(!(op & 1));
        std::string m = d.rm(s, &regf);
        return sized(op < 0x86 ? "test" : "xchg", s) + " " + m + "," + d.reg(regf, s);
    }
    if (op >= 0x88 && op <= 0x8B) {
        const int s = d.size(!(op & 1));
        std::string m = d.rm(s, &regf);
        if (op < 0x8A) return sized("mov", s) + " " + m + "," + d.reg(regf, s);
        return sized("mov", s) + " " + d.reg(regf, s) + "," + m;
    }
    if (op == 0x8D) {
        const int s = d.size(false);
        std::string m = d.rm(s, &regf);
        return sized("lea", s) + " " + d.reg(regf, s) + "," + m;
    }
    if (op == 0x8F) return sized("pop", SIZE_Q) + " " + d.rm(SIZE_Q, &regf);
    if (op == 0x90) return sized("nop", SIZE_NONE);
    if (op == 0x98) return sized(d.w ? "cdqe" : "cwde", SIZE_NONE);
    if (op == 0x99) return sized(d.w ? "cqo" : "cdq", SIZE_NONE);
    if (op >= 0xB0 && op <= 0xB7)
        return sized("mov", SIZE_B) + " " + d.reg((op & 7) | (d.b << 3), SIZE_B) + format(",$0x%llx", (unsigned long long)d.u8());
    if (op >= 0xB8 && op <= 0xBF) {
        const int s = d.size(false);
        const int n = (op & 7) | (d.b << 3);
        if (s == SIZE_Q) return sized("mov", s) + " " + d.reg(n, s) + format(",0x%llx", (unsigned long long)d.u64());
        return sized("mov", s) + " " + d.reg(n, s) + format(",$0x%llx", (unsigned long long)(uint32_t)d.s32());
    }
    if (op == 0xC0 || op == 0xC1 || op == 0xD0 || op == 0xD1 || op == 0xD2 || op == 0xD3) {
        const int s = d.size(!(op & 1));
        std::string m = d.rm(s, &regf);
        std::string count = op <= 0xC1 ? format(",$0x%llx", (unsigned long long)d.u8()) : op <= 0xD1 ? ",1" : ",CL";
        return sized(shift_names[regf & 7], s) + " " + m + count;
    }
    if (op == 0xC3) return sized("ret", SIZE_Q);
    if (op == 0xC6 || op == 0xC7) {
        const int s = d.size(op == 0xC6);
        std::string m = d.rm(s, &regf);
        const int64_t imm = op == 0xC6 ? (int64_t)d.u8() : (int64_t)d.s32();
        return sized("mov", s) + " " + m + format(",$0x%llx", (unsigned long long)imm);
    }
    if (op == 0xC9) return sized("leave", SIZE_Q);
    if (op == 0xCC) return sized("int", SIZE_NONE) + " 3";
    if (op == 0xE8 || op == 0xE9) {
        const int32_t disp = d.s32();
        return sized(op == 0xE8 ? "call" : "jmp", SIZE_Q) + " " + target(d.p, disp);
    }
    if (op == 0xEB) {
        const int32_t disp = d.s8();
        return sized("jmp", SIZE_Q) + " " + target(d.p, disp);
    }
    if (op == 0xF4) return sized("hlt", SIZE_NONE);
    if (op == 0xF5) return sized("cmc", SIZE_NONE);
    if (op == 0xF6 || op == 0xF7) {
        const int s = d.size(op == 0xF6);
        std::string m = d.rm(s, &regf);
        std::string text = sized(unary_names[regf & 7], s) + " " + m;
        if ((regf & 7) < 2) text += format(",$0x%llx", (unsigned long long)(op == 0xF6 ? d.u8() : (int64_t)d.s32()));
        return text;
    }
    if (op >= 0xF8 && op <= 0xFD && op != 0xFA && op != 0xFB) {
        static const char *const flag_ops[6] = {"clc", "stc", "", "", "cld", "std"};
        return sized(flag_ops[op - 0xF8], SIZE_NONE);
    }
    if (op == 0xFE || op == 0xFF) {
        const bool byte = op == 0xFE;
        const uint8_t modrm = *d.p;
        const int sub = (modrm >> 3) & 7;
        if (sub >= 2 && sub <= 6 && !byte) {
            std::string m = d.rm(SIZE_Q, &regf);
            static const char *const names[7] = {"", "", "call", "callf", "jmp", "jmpf", "push"};
            return sized(names[sub], SIZE_Q) + " " + m;
        }
        if (sub > 1) {
            d.rm(SIZE_B, &regf);
            return "";
        }
        const int s = d.size(byte);
        std::string m = d.rm(s, &regf);
        return sized(sub == 0 ? "inc" : "dec", s) + " " + m;
    }
    if (op == 0x0F) {
        const uint8_t op2 = d.u8();
        if (op2 >= 0x80 && op2 <= 0x8F) {
            const int32_t disp = d.s32();
            return sized((std::string("j") + cc_names[op2 & 15]).c_str(), SIZE_NONE) + " " + target(d.p, disp);
        }
        if (op2 >= 0x90 && op2 <= 0x9F)
            return sized((std::string("set") + cc_names[op2 & 15]).c_str(), SIZE_B) + " " + d.rm(SIZE_B, &regf);
        if (op2 >= 0x40 && op2 <= 0x4F) {
            const int s = d.size(false);
            std::string m = d.rm(s, &regf);
            return sized((std::string("cmov") + cc_names[op2 & 15]).c_str(), s) + " " + d.reg(regf, s) + "," + m;
        }
        if (op2 == 0xB6 || op2 == 0xB7 || op2 == 0xBE || op2 == 0xBF) {
            const int s = d.size(false);
            std::string m = d.rm((op2 & 1) ? SIZE_W : SIZE_B, &regf);
            return sized(op2 < 0xBE ? "movzx" : "movsx", s) + " " + d.reg(regf, s) + "," + m;
        }
        if (op2 == 0xAF) {
            const int s = d.size(false);
            std::string m = d.rm(s, &regf);
            return sized("imul", s) + " " + d.reg(regf, s) + "," + m;
        }
        if (op2 == 0xA2) return sized("cpuid", SIZE_NONE);
        if (op2 == 0xAE && *d.p == 0xF0) return d.p++, sized("mfence", SIZE_NONE);
        if (op2 == 0xAE && *d.p == 0xF8) return d.p++, sized("sfence", SIZE_NONE);
        if (op2 == 0xAE && *d.p == 0xE8) return d.p++, sized("lfence", SIZE_NONE);
        if (op2 >= 0xC8 && op2 <= 0xCF) return sized("bswap", d.size(false)) + " " + d.reg((op2 & 7) | (d.b << 3), d.size(false));
        return ""; // not decoded: both opcode bytes are consumed
    }
    return ""; // not decoded: the byte is consumed
}

} // namespace

void dis_x86_64_range(uint64_t start, uint64_t end, dis_line_fn sink, void *data)
{
    const uint8_t *at = reinterpret_cast<const uint8_t *>(start);
    const uint8_t *const stop = reinterpret_cast<const uint8_t *>(end);
    std::string bytes, text;
    while (at < stop) {
        Decoder d;
        d.p = at;
        text = decode(d);
        bytes.clear();
        for (const uint8_t *q = at; q < d.p; q++)
            bytes += format("%02x ", *q);
        if (!text.empty()) {
            if (sink)
                sink(data, reinterpret_cast<uint64_t>(at), bytes.c_str(), text.c_str());
            else
                printf("%p: %-30s %s\n", (const void *)at, bytes.c_str(), text.c_str());
        }
        at = d.p;
    }
}

void jit_show_range(uint64_t from, uint64_t to)
{
    dis_x86_64_range(from, to);
}

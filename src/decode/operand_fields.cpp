// The operand-field printers of the exerciser trace: one printer per instruction field id
// (nif_table) and the field list of every operand class (iparameter_table).
#include "decode/operand_fields.h"

#include <array>
#include <utility>

#include "decode/decode_init.h"
#include "runtime/message.h"

nif_printer nif_table[NIF_TABLE_SIZE];
const uint32_t *iparameter_table[IPARAMETER_TABLE_SIZE];

namespace
{

// Word bits lo..hi (bit 0 the least significant) placed at value bit `at`.
struct FieldPiece {
    uint8_t lo, hi, at;
};

struct FieldPrinter {
    const char *format; // null: no printer
    FieldPiece pieces[3];
};

constexpr FieldPiece kNone = {0, 0, 0xFF};

// Unused pieces are marked with at = 0xFF.
constexpr FieldPrinter P(const char *format, FieldPiece a, FieldPiece b = kNone, FieldPiece c = kNone)
{
    return {format, {a, b, c}};
}
constexpr FieldPrinter kNoPrinter = {nullptr, {kNone, kNone, kNone}};

constexpr FieldPrinter kPrinters[NIF_TABLE_SIZE] = {
    kNoPrinter,                                                                    // 0
    P("ax=%d", FieldPiece{14, 19, 0}),                                             // 1
    P("a=%d", FieldPiece{16, 20, 0}),                                              // 2
    P("t=%d", FieldPiece{11, 15, 0}),                                              // 3
    P("a=%d", FieldPiece{16, 20, 0}, FieldPiece{2, 2, 5}),                         // 4
    P("ba=%d", FieldPiece{16, 20, 0}),                                             // 5
    P("bb=%d", FieldPiece{11, 15, 0}),                                             // 6
    P("bdx=%d", FieldPiece{2, 25, 0}),                                             // 7
    P("bd=%d", FieldPiece{2, 15, 0}),                                              // 8
    P("bfa=%d", FieldPiece{18, 20, 0}),                                            // 9
    P("bf=%d", FieldPiece{23, 25, 0}),                                             // 10
    P("uim=%d", FieldPiece{16, 21, 0}),                                            // 11
    P("bhrbe=%d", FieldPiece{11, 20, 0}),                                          // 12
    P("bi=%d", FieldPiece{16, 20, 0}),                                             // 13
    P("bo=%d", FieldPiece{21, 25, 0}),                                             // 14
    P("bt=%d", FieldPiece{21, 25, 0}),                                             // 15
    P("bx=%d", FieldPiece{8, 13, 0}),                                              // 16
    P("b=%d", FieldPiece{11, 15, 0}, FieldPiece{1, 1, 5}),                         // 17
    P("b=%d", FieldPiece{25, 25, 0}),                                              // 18
    P("crbit=%d", FieldPiece{0, 4, 0}),                                            // 19
    P("crb=%d", FieldPiece{6, 10, 0}),                                             // 20
    P("crm=%d", FieldPiece{12, 19, 0}),                                            // 21
    P("ct=%d", FieldPiece{21, 25, 0}),                                             // 22
    P("ct=%d", FieldPiece{21, 24, 0}),                                             // 23
    P("cx=%d", FieldPiece{2, 7, 0}),                                               // 24
    P("c=%d", FieldPiece{6, 10, 0}, FieldPiece{3, 3, 5}),                          // 25
    P("c=%d", FieldPiece{25, 25, 0}),                                              // 26
    P("dcm=%d", FieldPiece{10, 15, 0}),                                            // 27
    P("dcrn=%d", FieldPiece{16, 20, 0}, FieldPiece{11, 15, 5}),                    // 28
    P("dm=%d", FieldPiece{8, 9, 0}),                                               // 29
    P("dq=%d", FieldPiece{4, 15, 0}),                                              // 30
    P("ds=%d", FieldPiece{2, 15, 0}),                                              // 31
    P("dt=%d", FieldPiece{18, 20, 0}),                                             // 32
    P("d=%d", FieldPiece{0, 15, 0}),                                               // 33
    P("d=%d", FieldPiece{11, 11, 0}),                                              // 34
    P("d=%d", FieldPiece{0, 11, 0}),                                               // 35
    P("ept=%d", FieldPiece{2, 3, 0}),                                              // 36
    P("e=%d", FieldPiece{15, 15, 0}),                                              // 37
    P("flm=%d", FieldPiece{17, 24, 0}),                                            // 38
    P("fra=%d", FieldPiece{16, 20, 0}),                                            // 39
    P("frb=%d", FieldPiece{11, 15, 0}),                                            // 40
    P("frc=%d", FieldPiece{6, 10, 0}),                                             // 41
    P("frs=%d", FieldPiece{21, 25, 0}),                                            // 42
    P("frt=%d", FieldPiece{21, 25, 0}),                                            // 43
    P("fxm=%d", FieldPiece{12, 19, 0}),                                            // 44
    P("ib=%d", FieldPiece{11, 15, 0}),                                             // 45
    P("is=%d", FieldPiece{21, 25, 0}),                                             // 46
    P("iu=%d", FieldPiece{21, 25, 0}),                                             // 47
    P("i=%d", FieldPiece{12, 14, 0}),                                              // 48
    P("i=%d", FieldPiece{7, 9, 0}),                                                // 49
    P("i=%d", FieldPiece{11, 25, 0}),                                              // 50
    P("length=%d", FieldPiece{22, 25, 0}),                                         // 51
    P("lev=%d", FieldPiece{5, 11, 0}),                                             // 52
    P("lev=%d", FieldPiece{11, 17, 0}),                                            // 53
    P("literal=%d", FieldPiece{9, 20, 0}),                                         // 54
    P("li=%d", FieldPiece{2, 25, 0}),                                              // 55
    P("li=%d", FieldPiece{11, 24, 0}),                                             // 56
    P("ln=%d", FieldPiece{12, 13, 0}),                                             // 57
    P("L=%d", FieldPiece{21, 21, 0}),                                              // 58
    P("L=%d", FieldPiece{16, 16, 0}),                                              // 59
    P("l=%d", FieldPiece{16, 16, 0}),                                              // 60
    P("L=%d", FieldPiece{25, 25, 0}),                                              // 61
    P("L=%d", FieldPiece{21, 22, 0}),                                              // 62
    P("mask=%d", FieldPiece{6, 21, 0}),                                            // 63
    P("MA=%d", FieldPiece{16, 20, 0}),                                             // 64
    P("MB=%d", FieldPiece{11, 15, 0}),                                             // 65
    P("mb=%d", FieldPiece{6, 10, 0}),                                              // 66
    P("mb=%d", FieldPiece{6, 10, 0}, FieldPiece{5, 5, 5}),                         // 67
    P("me=%d", FieldPiece{6, 10, 0}, FieldPiece{5, 5, 5}),                         // 68
    P("me=%d", FieldPiece{1, 5, 0}),                                               // 69
    P("MO=%d", FieldPiece{21, 25, 0}),                                             // 70
    P("ms=%d", FieldPiece{16, 17, 0}),                                             // 71
    P("MT=%d", FieldPiece{21, 25, 0}),                                             // 72
    P("mt=%d", FieldPiece{21, 25, 0}),                                             // 73
    P("nb=%d", FieldPiece{11, 15, 0}),                                             // 74
    P("pmrn=%d", FieldPiece{16, 20, 0}, FieldPiece{11, 15, 5}),                    // 75
    P("ps=%d", FieldPiece{9, 9, 0}),                                               // 76
    P("pt=%d", FieldPiece{0, 3, 0}),                                               // 77
    P("p=%d", FieldPiece{11, 11, 0}),                                              // 78
    P("qid=%d", FieldPiece{11, 20, 0}),                                            // 79
    P("qra=%d", FieldPiece{16, 20, 0}),                                            // 80
    P("qrb=%d", FieldPiece{11, 15, 0}),                                            // 81
    P("qrc=%d", FieldPiece{6, 10, 0}),                                             // 82
    P("qrt=%d", FieldPiece{21, 25, 0}),                                            // 83
    P("ra=%d", FieldPiece{16, 20, 0}),                                             // 84
    P("rb=%d", FieldPiece{11, 15, 0}),                                             // 85
    P("Rc=%d", FieldPiece{0, 0, 0}),                                               // 86
    P("rmc=%d", FieldPiece{9, 10, 0}),                                             // 87
    P("rs=%d", FieldPiece{21, 25, 0}),                                             // 88
    P("rt=%d", FieldPiece{21, 25, 0}),                                             // 89
    kNoPrinter,                                                                    // 90
    P("r=%d", FieldPiece{16, 16, 0}),                                              // 91
    P("shb=%d", FieldPiece{6, 9, 0}),                                              // 92
    P("shw=%d", FieldPiece{8, 9, 0}),                                              // 93
    P("shw=%d", FieldPiece{6, 7, 0}),                                              // 94
    P("sh=%d", FieldPiece{11, 15, 0}),                                             // 95
    P("sh=%d", FieldPiece{10, 15, 0}),                                             // 96
    P("sh=%d", FieldPiece{6, 9, 0}),                                               // 97
    P("sh=%d", FieldPiece{11, 15, 0}, FieldPiece{1, 1, 5}),                        // 98
    P("simi=%d", FieldPiece{11, 20, 0}),                                           // 99
    P("sim=%d", FieldPiece{16, 20, 0}),                                            // 100
    P("six=%d", FieldPiece{13, 14, 0}),                                            // 101
    P("si=%d", FieldPiece{0, 15, 0}),                                              // 102
    P("si=%d", FieldPiece{11, 15, 0}),                                             // 103
    P("spr=%d", FieldPiece{16, 20, 0}, FieldPiece{11, 15, 5}),                     // 104
    P("sp=%d", FieldPiece{19, 20, 0}),                                             // 105
    P("sr=%d", FieldPiece{16, 19, 0}),                                             // 106
    P("st=%d", FieldPiece{15, 15, 0}),                                             // 107
    P("sx=%d", FieldPiece{2, 13, 0}),                                              // 108
    P("sz=%d", FieldPiece{14, 15, 0}),                                             // 109
    P("s=%d", FieldPiece{20, 20, 0}),                                              // 110
    P("s=%d", FieldPiece{21, 25, 0}, FieldPiece{0, 0, 5}),                         // 111
    P("s=%d", FieldPiece{21, 25, 0}),                                              // 112
    P("tag=%d", FieldPiece{21, 22, 0}),                                            // 113
    P("tbr=%d", FieldPiece{16, 20, 0}, FieldPiece{11, 15, 5}),                     // 114
    P("te=%d", FieldPiece{16, 20, 0}),                                             // 115
    P("th=%d", FieldPiece{21, 25, 0}),                                             // 116
    P("th=%d", FieldPiece{21, 24, 0}),                                             // 117
    P("to=%d", FieldPiece{21, 25, 0}),                                             // 118
    P("tttt=%d", FieldPiece{7, 10, 0}),                                            // 119
    P("tx=%d", FieldPiece{20, 25, 0}),                                             // 120
    P("t=%d", FieldPiece{21, 25, 0}, FieldPiece{0, 0, 5}),                         // 121
    P("t=%d", FieldPiece{21, 25, 0}),                                              // 122
    P("t=%d", FieldPiece{21, 23, 0}),                                              // 123
    P("uimi=%d", FieldPiece{11, 19, 0}),                                           // 124
    P("uimj=%d", FieldPiece{11, 18, 0}),                                           // 125
    P("uim=%d", FieldPiece{16, 20, 0}),                                            // 126
    P("uim=%d", FieldPiece{16, 19, 0}),                                            // 127
    P("uim=%d", FieldPiece{16, 18, 0}),                                            // 128
    P("uim=%d", FieldPiece{16, 17, 0}),                                            // 129
    P("uim=%d", FieldPiece{16, 20, 0}, FieldPiece{6, 8, 5}),                       // 130
    P("ui=%d", FieldPiece{11, 20, 0}),                                             // 131
    P("ui=%d", FieldPiece{0, 15, 0}),                                              // 132
    P("ux=%d", FieldPiece{2, 13, 0}),                                              // 133
    P("u=%d", FieldPiece{12, 15, 0}),                                              // 134
    P("va=%d", FieldPiece{16, 20, 0}),                                             // 135
    P("VB=%d", FieldPiece{11, 15, 0}),                                             // 136
    P("vb=%d", FieldPiece{11, 15, 0}),                                             // 137
    P("VC=%d", FieldPiece{11, 15, 0}),                                             // 138
    P("vc=%d", FieldPiece{11, 15, 0}),                                             // 139
    P("vc=%d", FieldPiece{6, 10, 0}),                                              // 140
    P("vd=%d", FieldPiece{9, 10, 0}),                                              // 141
    P("vd=%d", FieldPiece{16, 20, 0}, FieldPiece{5, 5, 5}, FieldPiece{10, 10, 6}), // 142
    P("vrb=%d", FieldPiece{11, 15, 0}, FieldPiece{0, 1, 5}),                       // 143
    P("vrc=%d", FieldPiece{6, 8, 0}),                                              // 144
    P("vrc=%d", FieldPiece{11, 15, 0}, FieldPiece{0, 1, 5}),                       // 145
    P("vrs=%d", FieldPiece{21, 25, 0}, FieldPiece{2, 3, 5}),                       // 146
    P("vrt=%d", FieldPiece{21, 25, 0}, FieldPiece{2, 3, 5}),                       // 147
    P("vs=%d", FieldPiece{21, 25, 0}),                                             // 148
    P("vtx=%d", FieldPiece{16, 24, 0}),                                            // 149
    P("VT=%d", FieldPiece{21, 25, 0}),                                             // 150
    P("vt=%d", FieldPiece{21, 25, 0}),                                             // 151
    P("wc=%d", FieldPiece{21, 22, 0}),                                             // 152
    P("wmask=%d", FieldPiece{16, 19, 0}),                                          // 153
    P("ws=%d", FieldPiece{11, 15, 0}),                                             // 154
    P("fc=%d", FieldPiece{11, 15, 0}),                                             // 155
    P("w=%d", FieldPiece{16, 16, 0}),                                              // 156
    P("w=%d", FieldPiece{15, 15, 0}),                                              // 157
    P("w=%d", FieldPiece{10, 10, 0}),                                              // 158
    P("xbi=%d", FieldPiece{7, 10, 0}),                                             // 159
    P("px=%d", FieldPiece{23, 23, 0}),                                             // 160
    P("bdx=%d", FieldPiece{1, 10, 0}),                                             // 161
    P("bix=%d", FieldPiece{21, 22, 0}),                                            // 162
    P("bnx=%d", FieldPiece{11, 15, 0}),                                            // 163
    P("uix=%d", FieldPiece{11, 15, 0}),                                            // 164
    kNoPrinter,                                                                    // 165
};

uint32_t field_value(const FieldPrinter &printer, uint32_t word)
{
    uint32_t value = 0;
    for (const FieldPiece &piece : printer.pieces) {
        if (piece.at == 0xFF) continue;
        const uint32_t width = piece.hi - piece.lo + 1u;
        value |= ((word >> piece.lo) & ((1u << width) - 1u)) << piece.at;
    }
    return value;
}

void print_value(const FieldPrinter &printer, uint32_t word)
{
    SIM_PRINT(printer.format, (int)field_value(printer, word));
}

template <int Id> void print_field(uint32_t word)
{
    print_value(kPrinters[Id], word);
}

template <int... Ids>
constexpr std::array<nif_printer, sizeof...(Ids)> make_printers(std::integer_sequence<int, Ids...>)
{
    return {(kPrinters[Ids].format ? &print_field<Ids> : nullptr)...};
}

// The field lists of the operand classes, each ended by 0.
constexpr uint32_t kClass0[] = {0};
constexpr uint32_t kClass1[] = {7, 0};
constexpr uint32_t kClass2[] = {10, 0};
constexpr uint32_t kClass3[] = {10, 4, 17, 0};
constexpr uint32_t kClass4[] = {10, 9, 0};
constexpr uint32_t kClass5[] = {10, 9, 156, 0};
constexpr uint32_t kClass6[] = {10, 17, 0};
constexpr uint32_t kClass7[] = {10, 39, 27, 0};
constexpr uint32_t kClass8[] = {10, 39, 40, 0};
constexpr uint32_t kClass9[] = {10, 40, 0};
constexpr uint32_t kClass10[] = {10, 58, 84, 85, 0};
constexpr uint32_t kClass11[] = {10, 58, 84, 102, 0};
constexpr uint32_t kClass12[] = {10, 58, 84, 132, 0};
constexpr uint32_t kClass13[] = {10, 84, 102, 0};
constexpr uint32_t kClass14[] = {10, 84, 132, 0};
constexpr uint32_t kClass15[] = {10, 156, 134, 0};
constexpr uint32_t kClass16[] = {14, 13, 0};
constexpr uint32_t kClass17[] = {14, 13, 8, 0};
constexpr uint32_t kClass18[] = {15, 0};
constexpr uint32_t kClass19[] = {15, 5, 6, 0};
constexpr uint32_t kClass20[] = {18, 117, 84, 85, 0};
constexpr uint32_t kClass21[] = {22, 84, 85, 0};
constexpr uint32_t kClass22[] = {23, 84, 85, 0};
constexpr uint32_t kClass23[] = {26, 56, 0};
constexpr uint32_t kClass24[] = {37, 0};
constexpr uint32_t kClass25[] = {42, 79, 0};
constexpr uint32_t kClass26[] = {42, 84, 31, 0};
constexpr uint32_t kClass27[] = {42, 84, 33, 0};
constexpr uint32_t kClass28[] = {42, 84, 85, 0};
constexpr uint32_t kClass29[] = {42, 84, 85, 158, 49, 0};
constexpr uint32_t kClass30[] = {42, 84, 157, 48, 35, 0};
constexpr uint32_t kClass31[] = {43, 0};
constexpr uint32_t kClass32[] = {43, 39, 40, 0};
constexpr uint32_t kClass33[] = {43, 39, 40, 41, 0};
constexpr uint32_t kClass34[] = {43, 39, 40, 87, 0};
constexpr uint32_t kClass35[] = {43, 39, 41, 0};
constexpr uint32_t kClass36[] = {43, 39, 96, 0};
constexpr uint32_t kClass37[] = {43, 40, 0};
constexpr uint32_t kClass38[] = {43, 59, 40, 0};
constexpr uint32_t kClass39[] = {43, 79, 0};
constexpr uint32_t kClass40[] = {43, 84, 31, 0};
constexpr uint32_t kClass41[] = {43, 84, 33, 0};
constexpr uint32_t kClass42[] = {43, 84, 85, 0};
constexpr uint32_t kClass43[] = {43, 84, 85, 158, 49, 0};
constexpr uint32_t kClass44[] = {43, 84, 157, 48, 35, 0};
constexpr uint32_t kClass45[] = {43, 85, 0};
constexpr uint32_t kClass46[] = {43, 91, 40, 87, 0};
constexpr uint32_t kClass47[] = {43, 105, 40, 0};
constexpr uint32_t kClass48[] = {43, 110, 40, 0};
constexpr uint32_t kClass49[] = {43, 115, 40, 87, 0};
constexpr uint32_t kClass50[] = {46, 84, 45, 159, 0};
constexpr uint32_t kClass51[] = {46, 84, 85, 159, 0};
constexpr uint32_t kClass52[] = {47, 104, 0};
constexpr uint32_t kClass53[] = {50, 0};
constexpr uint32_t kClass54[] = {51, 0};
constexpr uint32_t kClass55[] = {51, 63, 19, 0};
constexpr uint32_t kClass56[] = {52, 0};
constexpr uint32_t kClass57[] = {53, 0};
constexpr uint32_t kClass58[] = {55, 0};
constexpr uint32_t kClass59[] = {58, 84, 85, 0};
constexpr uint32_t kClass60[] = {58, 85, 0};
constexpr uint32_t kClass62[] = {61, 38, 156, 40, 0};
constexpr uint32_t kClass63[] = {62, 0};
constexpr uint32_t kClass64[] = {62, 84, 85, 0};
constexpr uint32_t kClass65[] = {70, 0};
constexpr uint32_t kClass66[] = {72, 64, 65, 97, 0};
constexpr uint32_t kClass67[] = {72, 99, 0};
constexpr uint32_t kClass68[] = {73, 124, 0};
constexpr uint32_t kClass69[] = {72, 125, 0};
constexpr uint32_t kClass70[] = {73, 126, 139, 0};
constexpr uint32_t kClass71[] = {72, 136, 0};
constexpr uint32_t kClass72[] = {73, 138, 0};
constexpr uint32_t kClass73[] = {78, 0};
constexpr uint32_t kClass74[] = {83, 54, 86, 0};
constexpr uint32_t kClass75[] = {83, 80, 81, 82, 86, 0};
constexpr uint32_t kClass76[] = {83, 80, 81, 86, 0};
constexpr uint32_t kClass77[] = {83, 80, 81, 119, 86, 0};
constexpr uint32_t kClass78[] = {83, 80, 81, 141, 86, 0};
constexpr uint32_t kClass79[] = {83, 80, 82, 86, 0};
constexpr uint32_t kClass80[] = {83, 80, 141, 86, 0};
constexpr uint32_t kClass81[] = {83, 81, 86, 0};
constexpr uint32_t kClass83[] = {84, 0};
constexpr uint32_t kClass84[] = {84, 85, 0};
constexpr uint32_t kClass85[] = {85, 0};
constexpr uint32_t kClass86[] = {88, 0};
constexpr uint32_t kClass87[] = {88, 28, 0};
constexpr uint32_t kClass88[] = {88, 44, 0};
constexpr uint32_t kClass89[] = {88, 60, 0};
constexpr uint32_t kClass90[] = {88, 75, 0};
constexpr uint32_t kClass91[] = {88, 84, 0};
constexpr uint32_t kClass92[] = {88, 84, 31, 0};
constexpr uint32_t kClass93[] = {88, 84, 45, 159, 0};
constexpr uint32_t kClass94[] = {88, 84, 74, 0};
constexpr uint32_t kClass95[] = {88, 84, 85, 0};
constexpr uint32_t kClass96[] = {88, 84, 85, 66, 69, 0};
constexpr uint32_t kClass97[] = {88, 84, 85, 67, 0};
constexpr uint32_t kClass98[] = {88, 84, 85, 68, 0};
constexpr uint32_t kClass99[] = {88, 84, 85, 159, 0};
constexpr uint32_t kClass100[] = {88, 84, 95, 0};
constexpr uint32_t kClass101[] = {88, 84, 95, 66, 69, 0};
constexpr uint32_t kClass102[] = {88, 84, 98, 0};
constexpr uint32_t kClass103[] = {88, 84, 98, 67, 0};
constexpr uint32_t kClass104[] = {88, 84, 98, 68, 0};
constexpr uint32_t kClass105[] = {88, 84, 132, 0};
constexpr uint32_t kClass106[] = {88, 84, 154, 0};
constexpr uint32_t kClass107[] = {88, 85, 0};
constexpr uint32_t kClass108[] = {88, 104, 0};
constexpr uint32_t kClass109[] = {88, 79, 0};
constexpr uint32_t kClass110[] = {88, 106, 0};
constexpr uint32_t kClass111[] = {89, 0};
constexpr uint32_t kClass112[] = {89, 5, 109, 57, 34, 0};
constexpr uint32_t kClass113[] = {89, 21, 0};
constexpr uint32_t kClass114[] = {89, 28, 0};
constexpr uint32_t kClass115[] = {89, 40, 0};
constexpr uint32_t kClass116[] = {89, 75, 0};
constexpr uint32_t kClass117[] = {89, 84, 0};
constexpr uint32_t kClass118[] = {89, 84, 30, 36, 0};
constexpr uint32_t kClass119[] = {89, 84, 30, 77, 0};
constexpr uint32_t kClass120[] = {89, 84, 31, 0};
constexpr uint32_t kClass121[] = {89, 84, 33, 0};
constexpr uint32_t kClass122[] = {89, 84, 74, 0};
constexpr uint32_t kClass123[] = {89, 84, 85, 0};
constexpr uint32_t kClass124[] = {89, 84, 85, 20, 0};
constexpr uint32_t kClass125[] = {89, 84, 102, 0};
constexpr uint32_t kClass126[] = {89, 84, 109, 57, 34, 0};
constexpr uint32_t kClass127[] = {89, 84, 154, 0};
constexpr uint32_t kClass128[] = {89, 84, 155, 0};
constexpr uint32_t kClass129[] = {89, 85, 0};
constexpr uint32_t kClass130[] = {89, 104, 0};
constexpr uint32_t kClass131[] = {89, 12, 0};
constexpr uint32_t kClass132[] = {89, 79, 0};
constexpr uint32_t kClass133[] = {89, 114, 0};
constexpr uint32_t kClass134[] = {111, 84, 85, 0};
constexpr uint32_t kClass135[] = {112, 84, 85, 0};
constexpr uint32_t kClass136[] = {113, 0};
constexpr uint32_t kClass137[] = {113, 84, 85, 0};
constexpr uint32_t kClass138[] = {116, 84, 85, 0};
constexpr uint32_t kClass139[] = {118, 84, 85, 0};
constexpr uint32_t kClass140[] = {118, 84, 102, 0};
constexpr uint32_t kClass141[] = {118, 84, 103, 0};
constexpr uint32_t kClass142[] = {118, 131, 159, 0};
constexpr uint32_t kClass143[] = {120, 1, 16, 24, 0};
constexpr uint32_t kClass144[] = {120, 1, 108, 0};
constexpr uint32_t kClass145[] = {120, 1, 133, 0};
constexpr uint32_t kClass146[] = {122, 2, 3, 0};
constexpr uint32_t kClass147[] = {121, 2, 17, 0};
constexpr uint32_t kClass148[] = {121, 4, 17, 0};
constexpr uint32_t kClass149[] = {121, 4, 17, 25, 0};
constexpr uint32_t kClass150[] = {121, 4, 17, 29, 0};
constexpr uint32_t kClass151[] = {121, 4, 17, 93, 0};
constexpr uint32_t kClass152[] = {121, 17, 0};
constexpr uint32_t kClass153[] = {121, 84, 0};
constexpr uint32_t kClass154[] = {121, 84, 85, 0};
constexpr uint32_t kClass155[] = {121, 126, 17, 0};
constexpr uint32_t kClass156[] = {121, 129, 17, 0};
constexpr uint32_t kClass157[] = {122, 84, 85, 0};
constexpr uint32_t kClass158[] = {122, 84, 85, 86, 0};
constexpr uint32_t kClass159[] = {123, 84, 85, 0};
constexpr uint32_t kClass160[] = {137, 0};
constexpr uint32_t kClass161[] = {146, 84, 85, 0};
constexpr uint32_t kClass162[] = {147, 32, 71, 143, 94, 0};
constexpr uint32_t kClass163[] = {147, 32, 143, 0};
constexpr uint32_t kClass164[] = {147, 84, 85, 0};
constexpr uint32_t kClass165[] = {147, 100, 0};
constexpr uint32_t kClass166[] = {147, 126, 143, 0};
constexpr uint32_t kClass167[] = {147, 129, 143, 0};
constexpr uint32_t kClass168[] = {147, 130, 143, 0};
constexpr uint32_t kClass169[] = {147, 142, 143, 0};
constexpr uint32_t kClass170[] = {147, 142, 143, 92, 0};
constexpr uint32_t kClass171[] = {147, 142, 143, 144, 0};
constexpr uint32_t kClass172[] = {147, 142, 145, 0};
constexpr uint32_t kClass173[] = {147, 143, 0};
constexpr uint32_t kClass174[] = {147, 143, 126, 0};
constexpr uint32_t kClass175[] = {147, 153, 143, 94, 0};
constexpr uint32_t kClass176[] = {148, 84, 85, 0};
constexpr uint32_t kClass177[] = {149, 85, 0};
constexpr uint32_t kClass178[] = {151, 0};
constexpr uint32_t kClass179[] = {150, 64, 65, 0};
constexpr uint32_t kClass180[] = {150, 65, 0};
constexpr uint32_t kClass181[] = {151, 84, 85, 0};
constexpr uint32_t kClass182[] = {151, 100, 0};
constexpr uint32_t kClass183[] = {151, 126, 137, 0};
constexpr uint32_t kClass184[] = {151, 127, 137, 0};
constexpr uint32_t kClass185[] = {151, 128, 137, 0};
constexpr uint32_t kClass186[] = {151, 129, 137, 0};
constexpr uint32_t kClass187[] = {151, 135, 107, 101, 0};
constexpr uint32_t kClass188[] = {151, 135, 137, 0};
constexpr uint32_t kClass189[] = {151, 135, 137, 76, 0};
constexpr uint32_t kClass190[] = {151, 135, 137, 92, 0};
constexpr uint32_t kClass191[] = {151, 135, 137, 140, 0};
constexpr uint32_t kClass192[] = {151, 135, 140, 137, 0};
constexpr uint32_t kClass193[] = {151, 137, 0};
constexpr uint32_t kClass194[] = {151, 135, 0};
constexpr uint32_t kClass195[] = {152, 0};
constexpr uint32_t kClass199[] = {10, 11, 40, 0};
constexpr uint32_t kClass223[] = {160, 84, 85, 161, 0};
constexpr uint32_t kClass224[] = {160, 162, 84, 85, 161, 0};
constexpr uint32_t kClass225[] = {160, 84, 163, 161, 0};
constexpr uint32_t kClass226[] = {160, 162, 84, 164, 161, 0};
constexpr uint32_t kClass227[] = {0};

struct ClassList {
    int operand_class;
    const uint32_t *fields;
};

constexpr ClassList kClasses[] = {
    {0, kClass0},     {1, kClass1},     {2, kClass2},     {3, kClass3},     {4, kClass4},
    {5, kClass5},     {6, kClass6},     {7, kClass7},     {8, kClass8},     {9, kClass9},
    {10, kClass10},   {11, kClass11},   {12, kClass12},   {13, kClass13},   {14, kClass14},
    {15, kClass15},   {16, kClass16},   {17, kClass17},   {18, kClass18},   {19, kClass19},
    {20, kClass20},   {21, kClass21},   {22, kClass22},   {23, kClass23},   {24, kClass24},
    {25, kClass25},   {26, kClass26},   {27, kClass27},   {28, kClass28},   {29, kClass29},
    {30, kClass30},   {31, kClass31},   {32, kClass32},   {33, kClass33},   {34, kClass34},
    {35, kClass35},   {36, kClass36},   {37, kClass37},   {38, kClass38},   {39, kClass39},
    {40, kClass40},   {41, kClass41},   {42, kClass42},   {43, kClass43},   {44, kClass44},
    {45, kClass45},   {46, kClass46},   {47, kClass47},   {48, kClass48},   {49, kClass49},
    {50, kClass50},   {51, kClass51},   {52, kClass52},   {53, kClass53},   {54, kClass54},
    {55, kClass55},   {56, kClass56},   {57, kClass57},   {58, kClass58},   {59, kClass59},
    {60, kClass60},   {62, kClass62},   {63, kClass63},   {64, kClass64},   {65, kClass65},
    {66, kClass66},   {67, kClass67},   {68, kClass68},   {69, kClass69},   {70, kClass70},
    {71, kClass71},   {72, kClass72},   {73, kClass73},   {74, kClass74},   {75, kClass75},
    {76, kClass76},   {77, kClass77},   {78, kClass78},   {79, kClass79},   {80, kClass80},
    {81, kClass81},   {83, kClass83},   {84, kClass84},   {85, kClass85},   {86, kClass86},
    {87, kClass87},   {88, kClass88},   {89, kClass89},   {90, kClass90},   {91, kClass91},
    {92, kClass92},   {93, kClass93},   {94, kClass94},   {95, kClass95},   {96, kClass96},
    {97, kClass97},   {98, kClass98},   {99, kClass99},   {100, kClass100}, {101, kClass101},
    {102, kClass102}, {103, kClass103}, {104, kClass104}, {105, kClass105}, {106, kClass106},
    {107, kClass107}, {108, kClass108}, {109, kClass109}, {110, kClass110}, {111, kClass111},
    {112, kClass112}, {113, kClass113}, {114, kClass114}, {115, kClass115}, {116, kClass116},
    {117, kClass117}, {118, kClass118}, {119, kClass119}, {120, kClass120}, {121, kClass121},
    {122, kClass122}, {123, kClass123}, {124, kClass124}, {125, kClass125}, {126, kClass126},
    {127, kClass127}, {128, kClass128}, {129, kClass129}, {130, kClass130}, {131, kClass131},
    {132, kClass132}, {133, kClass133}, {134, kClass134}, {135, kClass135}, {136, kClass136},
    {137, kClass137}, {138, kClass138}, {139, kClass139}, {140, kClass140}, {141, kClass141},
    {142, kClass142}, {143, kClass143}, {144, kClass144}, {145, kClass145}, {146, kClass146},
    {147, kClass147}, {148, kClass148}, {149, kClass149}, {150, kClass150}, {151, kClass151},
    {152, kClass152}, {153, kClass153}, {154, kClass154}, {155, kClass155}, {156, kClass156},
    {157, kClass157}, {158, kClass158}, {159, kClass159}, {160, kClass160}, {161, kClass161},
    {162, kClass162}, {163, kClass163}, {164, kClass164}, {165, kClass165}, {166, kClass166},
    {167, kClass167}, {168, kClass168}, {169, kClass169}, {170, kClass170}, {171, kClass171},
    {172, kClass172}, {173, kClass173}, {174, kClass174}, {175, kClass175}, {176, kClass176},
    {177, kClass177}, {178, kClass178}, {179, kClass179}, {180, kClass180}, {181, kClass181},
    {182, kClass182}, {183, kClass183}, {184, kClass184}, {185, kClass185}, {186, kClass186},
    {187, kClass187}, {188, kClass188}, {189, kClass189}, {190, kClass190}, {191, kClass191},
    {192, kClass192}, {193, kClass193}, {194, kClass194}, {195, kClass195}, {199, kClass199},
    {223, kClass223}, {224, kClass224}, {225, kClass225}, {226, kClass226}, {227, kClass227},
};

} // namespace

void Init_Instruction_Parameter_Table(void)
{
    static constexpr auto printers = make_printers(std::make_integer_sequence<int, NIF_TABLE_SIZE>{});
    for (int id = 0; id < NIF_TABLE_SIZE; id++)
        nif_table[id] = printers[id];
    for (const ClassList &entry : kClasses)
        iparameter_table[entry.operand_class] = entry.fields;
}

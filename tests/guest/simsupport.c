/* A freestanding big-endian program that calls the simulator through the support instruction
   (code in r3, arguments in r4 to r7, result in r3) and prints what each call answers on the
   console through code 0. Two calls end in a simulator error that stops the run (a seek with
   origin 3, starting its own processor); the run is resumed after each. Code 31 ends it. */

#include "support_calls.h"

static void print_hex(const char *label, unsigned long value)
{
    char text[64];
    int n = 0;
    while (label[n]) {
        text[n] = label[n];
        n++;
    }
    text[n++] = '0';
    text[n++] = 'x';
    for (int shift = 60; shift >= 0; shift -= 4)
        text[n++] = "0123456789ABCDEF"[(value >> shift) & 15];
    text[n++] = '\n';
    text[n] = 0;
    print(text);
}

static const char implicit_text[] = "written through the implicit file\n";
static const char numbered_text[] = "written through a numbered file\n";

void _start(void)
{
    print("hi from the guest\n");
    print_hex("version ", (unsigned long)sim(42, 0, 0, 0, 0));
    print_number("code 190 -> ", sim(190, 1, 2, 3, 0));
    print_number("tcl -> ", sim(86, (long)"set ::gx 7", 10, 0, 0));
    print_number("bad tcl -> ", sim(86, (long)"no_such_command", 15, 0, 0));
    sim(36, 0, 0, 0, 0);
    sim(85, (long)"label", 5, 0, 0);
    sim(183, 0x1234, 0, 0, 0);

    print_number("open implicit -> ", sim(16, (long)"guest_implicit.txt", 'w', 0, 0));
    print_number("write implicit -> ", sim(19, (long)implicit_text, sizeof implicit_text - 1, 0, 0));
    print_number("close implicit -> ", sim(17, 0, 0, 0, 0));

    long file = sim(53, (long)"guest_numbered.txt", (long)"w", 0, 0);
    print_number("open numbered -> ", file);
    print_number("write numbered -> ", sim(56, (long)numbered_text, 1, sizeof numbered_text - 1, file));
    print_number("close numbered -> ", sim(54, file, 0, 0, 0));

    file = sim(53, (long)"guest_numbered.txt", (long)"r", 0, 0);
    print_number("seek origin 3 -> ", sim(57, file, 0, 3, 0));
    print_number("start own cpu -> ", sim(64, 0, 0x100, 0, 0));
    sim(54, file, 0, 0, 0);

    char prefixed[] = "prefixed\n";
    sim(187, (long)prefixed, 9, 1, 0);
    print("bye\n");
    sim(31, 0, 0, 0, 0);
    for (;;)
        ;
}

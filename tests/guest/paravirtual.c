/* A freestanding big-endian program that uses the paravirtual devices the script set up: disk 1
   behind a copy-on-write overlay, read-only disk 3, network device 0, and the socket device and
   9P, which nothing set up. It prints what each call answers on the console (code 0) and ends
   with code 31. */

#include "support_calls.h"

static char block[512];
static char blocks[3 * 512];
static char eight[8 * 512];
static unsigned char mac[8];
static const char frame[64] = "frame from the guest";

static void fill(char *p, long n, char c)
{
    for (long i = 0; i < n; i++)
        p[i] = c;
}

void _start(void)
{
    /* Disk 1: block 7 written twice through the overlay, then blocks 6 to 8 read back. */
    fill(block, 512, 'x');
    print_number("write block 7 -> ", sim(117, (long)block, 7, (1 << 16) | 1, 0));
    fill(block, 512, 'y');
    print_number("write block 7 again -> ", sim(117, (long)block, 7, (1 << 16) | 1, 0));
    print_number("read blocks 6 to 8 -> ", sim(116, (long)blocks, 6, (3 << 16) | 1, 0));
    char mixed[] = "mixed: ...\n";
    mixed[7] = blocks[0];
    mixed[8] = blocks[512];
    mixed[9] = blocks[1024];
    print(mixed);
    print_number("disk 1 size in KB -> ", sim(118, 3, 1, 0, 0));
    print_number("disk 1 block size -> ", sim(118, 2, 1, 0, 0));
    print_number("disk 1 sync -> ", sim(118, 0, 1, 0, 0));
    /* Disk 3: GPR6 = 0x00080003 reads 8 blocks. */
    print_number("read 8 blocks of disk 3 -> ", sim(116, (long)eight, 0, 0x00080003, 0));
    char ends[] = "first and last: ..\n";
    ends[16] = eight[0];
    ends[17] = eight[8 * 512 - 1];
    print(ends);
    print_number("write to read-only disk 3 -> ", sim(117, (long)block, 0, 0x00010003, 0));
    print_number("disk 5 -> ", sim(118, 1, 5, 0, 0));

    /* Network device 0. */
    print_number("net probe -> ", sim(119, 0, (long)mac, 0, 0));
    print_number("mac last byte -> ", mac[5]);
    print_number("net send -> ", sim(120, 0, (long)frame, sizeof frame, 0));
    print_number("net receive -> ", sim(121, 0, (long)eight, 100, 0));
    print_number("net 4 probe -> ", sim(119, 4, 0, 0, 0));

    /* Nothing set up the socket device or 9P. */
    print_number("socket send -> ", sim(162, 0, (long)frame, 4, 0));
    print_number("socket memset -> ", sim(181, 0, (long)eight, 0, 4));
    print_number("9p -> ", sim(186, (long)eight, 16, 0, 0));

    print("bye\n");
    sim(31, 0, 0, 0, 0);
    for (;;)
        ;
}

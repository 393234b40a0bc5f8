/* A freestanding big-endian program that starts as a booting operating system does: it takes the
   firmware's client-interface entry from r5 (the simulator's ROM stub), walks the device tree,
   prints through the firmware's standard output, claims memory, instantiates RTAS and calls two
   RTAS functions, then leaves through the firmware's "exit". */

typedef unsigned int cell;

static long client_entry;
static unsigned long rtas_entry;

/* Calls code at an address with r3 = argument, as firmware is called. */
static long call_at(unsigned long address, void *argument)
{
    register long r3 __asm__("r3") = (long)argument;
    __asm__ volatile("mtctr %1\n\tbctrl"
                     : "+r"(r3)
                     : "r"(address)
                     : "r0", "r4", "r5", "r6", "r7", "r8", "r9", "r10", "r11", "r12", "ctr", "lr", "cr0",
                       "memory");
    return r3;
}

/* One client-interface service: cells {name, nargs, nret, args..., rets...}. */
static cell of_call(const char *service, int nargs, int nret, cell *arguments, cell *results)
{
    cell block[16];
    block[0] = (cell)(unsigned long)service;
    block[1] = nargs;
    block[2] = nret;
    for (int i = 0; i < nargs; i++)
        block[3 + i] = arguments[i];
    for (int i = 0; i < nret; i++)
        block[3 + nargs + i] = 0xEEEEEEEE;
    call_at((unsigned long)client_entry, block);
    for (int i = 0; i < nret; i++)
        results[i] = block[3 + nargs + i];
    return nret ? block[3 + nargs] : 0;
}

static unsigned long length(const char *text)
{
    unsigned long n = 0;
    while (text[n])
        n++;
    return n;
}

static cell stdout_handle;

static void print(const char *text)
{
    cell arguments[3] = {stdout_handle, (cell)(unsigned long)text, (cell)length(text)};
    cell written;
    of_call("write", 3, 1, arguments, &written);
}

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
    for (int shift = 28; shift >= 0; shift -= 4)
        text[n++] = "0123456789ABCDEF"[(value >> shift) & 15];
    text[n++] = '\n';
    text[n] = 0;
    print(text);
}

static cell finddevice(const char *path)
{
    cell argument = (cell)(unsigned long)path, handle;
    of_call("finddevice", 1, 1, &argument, &handle);
    return handle;
}

static cell getprop(cell node, const char *name, void *buffer, cell size)
{
    cell arguments[4] = {node, (cell)(unsigned long)name, (cell)(unsigned long)buffer, size}, copied;
    of_call("getprop", 4, 1, arguments, &copied);
    return copied;
}

/* One RTAS function: cells {token, nargs, nret, args..., rets...}. */
static int rtas(cell token, int nargs, int nret, cell *arguments, cell *results)
{
    cell block[16];
    block[0] = token;
    block[1] = nargs;
    block[2] = nret;
    for (int i = 0; i < nargs; i++)
        block[3 + i] = arguments[i];
    call_at(rtas_entry, block);
    for (int i = 0; i < nret; i++)
        results[i] = block[3 + nargs + i];
    return (int)block[3 + nargs];
}

static void run(void)
{
    cell chosen = finddevice("/chosen");
    getprop(chosen, "stdout", &stdout_handle, 4);
    print("hello through the client interface\n");

    char model[64];
    getprop(finddevice("/"), "model", model, sizeof model);
    print("model ");
    print(model);
    print("\n");
    print_hex("missing node ", finddevice("/nosuch"));

    cell claim_arguments[3] = {0x2000000, 0x100000, 0}, base;
    of_call("claim", 3, 1, claim_arguments, &base);
    print_hex("claimed ", base);
    of_call("claim", 3, 1, claim_arguments, &base);
    print_hex("claimed again ", base);

    cell node = finddevice("/rtas");
    cell display = 0, time_of_day = 0;
    getprop(node, "display-character", &display, 4);
    getprop(node, "get-time-of-day", &time_of_day, 4);
    print_hex("display-character token ", display);

    cell method[3] = {(cell)(unsigned long)"instantiate-rtas", 0, 0x3000000}, rtas_results[2];
    of_call("call-method", 3, 2, method, rtas_results);
    rtas_entry = rtas_results[1];
    print_hex("rtas at ", rtas_entry);

    const char *text = "through rtas\n";
    for (const char *p = text; *p; p++) {
        cell character = (cell)(unsigned char)*p, status;
        rtas(display, 1, 1, &character, &status);
    }
    cell date[8];
    rtas(time_of_day, 0, 8, 0, date);
    print(date[0] == 0 && date[1] >= 1970 && date[2] >= 1 && date[2] <= 12 ? "time of day ok\n"
                                                                           : "time of day wrong\n");
    of_call("exit", 0, 0, 0, 0);
}

void _start(void)
{
    __asm__ volatile("mr %0,5" : "=r"(client_entry));
    run();
    for (;;)
        ;
}

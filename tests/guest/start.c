/* A tiny freestanding program: an entry routine that keeps adding a data word to a counter, with
   read-only data, initialised data and bss, so that the loaders meet every kind of section. */
static const char message[] = "quarn guest";
volatile unsigned long counter;
unsigned long step = 3;

void _start(void)
{
    for (unsigned i = 0;; i++)
        counter += step + (unsigned char)message[i % (sizeof message - 1)];
}

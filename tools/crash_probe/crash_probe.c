/* Crashes on purpose: the test bed must report a crashing test program as failed. */
#include <stdio.h>

int main(void)
{
    volatile int* nowhere = 0;
    puts("crash_probe: writing through a null pointer");
    fflush(stdout);
    *nowhere = 1;
    return 0;
}

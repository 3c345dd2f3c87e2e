/* main.c: the example's program bank. It reads a table in bank 1, calls a
 * banked function in bank 3, and runs code in bank 4, and leaves what it
 * found in RAM from 0x7002, 0xA5 at 0x7000 once all is there. */
#include "game.h"

#define RESULTS ((volatile unsigned int *)0x7002)

void main(void)
{
    unsigned int sum = 0;
    unsigned char i;
    set_bank(1);
    for (i = 0; i < sizeof title; i++)
        sum += title[i];
    RESULTS[0] = sum;
    RESULTS[1] = triple(sum);
    set_bank(4);
    RESULTS[2] = count4((const unsigned char *)0x8000);
    *(volatile unsigned char *)0x7001 = 3;
    *(volatile unsigned char *)0x7000 = 0xA5;
}

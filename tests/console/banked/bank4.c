/* bank4.c: code and data linked into BANK4 (--codeseg BANK4 --constseg
 * BANK4). main selects bank 4 before it calls check4, which runs from
 * 0xC000 and calls back into the program bank (sum8, and the library's
 * multiplication), and into bank 3 through the trampoline. */
#include "game.h"

const unsigned char table4[TABLE4_SIZE] = TABLE4;

unsigned int check4(void)
{
    unsigned int weighted = 0;
    unsigned int i;
    for (i = 0; i < TABLE4_SIZE; i++)
        weighted += (i + 1) * table4[i];
    weighted ^= sum8(table4, TABLE4_SIZE);
    /* Back from bank 3, this code and table4 must be there again. */
    return weave(weighted, 1) + table4[TABLE4_SIZE - 1];
}

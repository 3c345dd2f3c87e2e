/* bank3.c: a __banked function, in area _CODE_3 by #pragma bank 3, with its
 * table beside it in the same bank: it reads the table from the window, so
 * it gets the right result only if bank 3 was really selected. */
#pragma bank 3
#include "game.h"

static const unsigned char weave_table[WEAVE_SIZE] = WEAVE_TABLE;

/* A CRC-16 with the polynomial 0x1021 of the table, rounds times over. */
unsigned int weave(unsigned int seed, unsigned char rounds) __banked
{
    unsigned int crc = seed;
    unsigned int i;
    unsigned char bit;
    while (rounds--) {
        for (i = 0; i < WEAVE_SIZE; i++) {
            crc ^= (unsigned int)weave_table[i] << 8;
            for (bit = 0; bit < 8; bit++)
                crc = (crc & 0x8000) ? (crc << 1) ^ 0x1021 : crc << 1;
        }
    }
    return crc;
}

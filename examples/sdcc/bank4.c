/* bank4.c: code in BANK4 by --codeseg BANK4; main selects bank 4 first. */
#include "game.h"

/* The bytes of the cartridge header that are the AA 55 it begins with. */
unsigned int count4(const unsigned char *p)
{
    return (p[0] == 0xAA) + (p[1] == 0x55);
}

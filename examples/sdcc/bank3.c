/* bank3.c: a __banked function, in area _CODE_3 by #pragma bank 3. */
#pragma bank 3
#include "game.h"

unsigned int triple(unsigned int x) __banked
{
    return 3 * x;
}

/* data1.c: constant data, in BANK1 by --constseg BANK1. */
#include "game.h"

const unsigned char title[16] = "A BANKED C GAME";

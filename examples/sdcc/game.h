/* game.h: what the example's modules share. */
#ifndef GAME_H
#define GAME_H

void set_bank(unsigned char bank);
extern const unsigned char title[16];         /* data1.c, in BANK1 */
unsigned int triple(unsigned int x) __banked; /* bank3.c, a banked call */
unsigned int count4(const unsigned char *p);  /* bank4.c, code in BANK4 */

#endif

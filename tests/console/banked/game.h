/* game.h: what the banked game's modules share. tables.h, which the test
 * writes beside the sources, gives the sizes of the tables and the inputs
 * of the computations, so that it can work out the results itself. */
#ifndef GAME_H
#define GAME_H

#include "tables.h"

/* bank.s: select bank n at 0xC000; the bank selected last. */
void set_bank(unsigned char n);
unsigned char get_bank(void);

/* main.c, in the program bank, which stays at 0x8000 whatever bank is
 * selected: the banks' code may call it. */
unsigned int sum8(const unsigned char *p, unsigned int n);

/* bank3.c, under #pragma bank 3: called through SDCC's trampoline, which
 * selects bank 3 and gives the caller's bank back on return. */
unsigned int weave(unsigned int seed, unsigned char rounds) __banked;

/* bank4.c, linked into BANK4 by --codeseg: a plain call, valid only while
 * bank 4 is selected. */
unsigned int check4(void);

extern const unsigned char table1[TABLE1_SIZE];  /* data1.c, BANK1 */
extern const unsigned int table2[TABLE2_WORDS];  /* data2.c, BANK2 */
extern const unsigned char table4[TABLE4_SIZE];  /* bank4.c, BANK4 */
extern const unsigned char table5[TABLE5_SIZE];  /* data5.c, BANK5 */

#endif

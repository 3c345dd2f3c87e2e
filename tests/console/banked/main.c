/* main.c: the banked game's program bank. It reads every bank the link
 * filled, through set_bank and through SDCC's banked calls, and leaves what
 * it found in RAM for the test: a word a result from 0x7002 on, their count
 * at 0x7001, and 0xA5 at 0x7000 once all are there. Its own variables and
 * the stack live higher in RAM (--data-loc 0x7100, SP 0x7400). */
#include "game.h"

#define MARK (*(volatile unsigned char *)0x7000)
#define COUNT (*(volatile unsigned char *)0x7001)
#define RESULTS ((volatile unsigned int *)0x7002)
#define WINDOW ((const unsigned char *)0xC000)

static unsigned char count;

static void put(unsigned int word)
{
    RESULTS[count] = word;
    count++;
    COUNT = count;
}

unsigned int sum8(const unsigned char *p, unsigned int n)
{
    unsigned int sum = 0;
    while (n--)
        sum += *p++;
    return sum;
}

static unsigned int sum16(const unsigned int *p, unsigned int n)
{
    unsigned int sum = 0;
    while (n--)
        sum += *p++;
    return sum;
}

#ifdef FILE0_PAGE
/* A data file's bank is selected by reading its page, as with the
 * includes romweld writes for assembly programs. */
static void select_page(unsigned int page)
{
    (void)*(volatile const unsigned char *)page;
}
#endif

void main(void)
{
    MARK = 0;
    COUNT = 0;

    set_bank(1);
    put(sum8(table1, TABLE1_SIZE));
    set_bank(2);
    put(sum16(table2, TABLE2_WORDS));

    /* A banked call made while bank 2 is selected must come back to it. */
    put(weave(WEAVE_SEED, WEAVE_ROUNDS));
    put(get_bank());
    put(table2[TABLE2_WORDS - 1]);

    /* check4 runs from the window itself, and makes a banked call from
     * there: it returns only if the trampoline gave bank 4 back. */
    set_bank(4);
    put(check4());
    put(get_bank());

    /* BANK5's table ends at 0xFEFF, the last byte a bank may hold. */
    set_bank(5);
    put(sum8(table5, TABLE5_SIZE));
    put(table5[TABLE5_SIZE - 1]);

#ifdef FILE0_PAGE
    select_page(FILE0_PAGE);
    put(sum8(WINDOW, FILE0_FIRST_BYTES));
    select_page(FILE0_PAGE + 1);
    put(WINDOW[0]);
    select_page(FILE1_PAGE);
    put(sum8(WINDOW, FILE1_BYTES));
#endif

    MARK = 0xA5;
}

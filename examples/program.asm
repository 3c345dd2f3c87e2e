* program.asm: how the example's program takes its data pages. A sketch for
* xas99.py (xas99.py -b -o program.bin program.asm), not the source of
* program.bin, which is made-up bytes (make_examples.py).
*
* pages.equ comes from romweld --plan --equ before this is assembled: for
* each data file, its first page, its bank count and its size.

       COPY "pages.equ"

       AORG >6000
START  LI   R1,TITLE_DAT           * the first page of the title screen
       LI   R2,TITLE_DAT_BANKS     * and the banks it takes after it
       LI   R3,LEVEL1_DAT
       LI   R4,MUSIC_DAT
       B    @START
       END

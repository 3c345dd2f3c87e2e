; crt0.s: the start of the banked game, in the program bank at 0x8000.
; Linked first, so that its _CODE opens the area and the cartridge header
; stands at 0x8000, where the console looks for it.

        .module crt0
        .globl  _main
        .globl  s__DATA, l__DATA, s__INITIALIZER, l__INITIALIZER, s__INITIALIZED

        .area   _CODE

        ; The cartridge header: the console starts a cartridge only if it
        ; begins with AA 55, then jumps to the word at 0x800A.
        .db     0xAA, 0x55
        .dw     0, 0, 0, 0      ; sprite tables, work buffer, controller map: unused
        .dw     start

start:
        di
        ld      sp, #0x7400     ; the top of the 1 KB of RAM, far above the results at 0x7000
        call    gsinit
        call    _main
stop:
        jr      stop

        ; The order of the areas, for the linker: everything that stays in
        ; the program bank first, then what lives in RAM (--data-loc). The
        ; banks' own areas come in with the modules that fill them and are
        ; placed by -Wl-b.
        .area   _HOME
        .area   _CODE
        .area   _INITIALIZER
        .area   _GSINIT
        .area   _GSFINAL

        .area   _DATA
        .area   _INITIALIZED
        .area   _BSEG
        .area   _BSS
        .area   _HEAP

        ; The C variables: zeros where none is given, and the values of the
        ; initialized ones copied from the program bank to RAM.
        .area   _GSINIT
gsinit::
        ld      bc, #l__DATA
        ld      a, b
        or      a, c
        jr      z, zeroed
        ld      hl, #s__DATA
        ld      (hl), #0
        dec     bc
        ld      a, b
        or      a, c
        jr      z, zeroed
        ld      e, l
        ld      d, h
        inc     de
        ldir
zeroed:
        ld      bc, #l__INITIALIZER
        ld      a, b
        or      a, c
        jr      z, initialized
        ld      de, #s__INITIALIZED
        ld      hl, #s__INITIALIZER
        ldir
initialized:

        .area   _GSFINAL
        ret

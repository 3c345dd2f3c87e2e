; A stand-in for the console's boot ROM, whose own is not ours to ship: set
; the stack at the top of the 1 KB of RAM and start the cartridge at the
; word at 0x800A, as the real one does once it has found the header.
        org 0x0000
        di
        ld sp, 0x7400
        ld hl, (0x800A)
        jp (hl)
        ds 0x2000 - $, 0xFF     ; the boot ROM's 8 KB

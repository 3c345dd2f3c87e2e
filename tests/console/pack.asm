; pack.asm: for pasmo. Reads the first and the last byte of every data file
; of a packed image, each through the page and the address that pages.equ
; gives it, and leaves them in RAM for a test to read: a word a byte from
; 0x7002 on, their count at 0x7001, and 0xA5 at 0x7000 once all are there.
; The test writes the table of places; byte i of a file is in the bank of
; page NAME + (NAME_ADDR - 0xC000 + i) / 16128, at 0xC000 plus the rest.

        include "pages.equ"

RAM     equ 0x7000
DONE    equ 0xA5

        org 0x8000

        db 0xAA, 0x55           ; the cartridge header
        dw 0, 0, 0, 0
        dw start

places:
        ; places begin
        ; places end
        dw 0                    ; no MegaCart has a page 0

start:
        di
        ld sp, RAM + 0x400
        xor a
        ld (RAM), a
        ld (RAM + 1), a
        ld ix, RAM + 2
        ld iy, places
next:
        ld l, (iy + 0)          ; the page
        ld h, (iy + 1)
        ld a, h
        or l
        jr z, done
        ld a, (hl)              ; select its bank
        ld l, (iy + 2)          ; the address
        ld h, (iy + 3)
        ld a, (hl)
        ld (ix + 0), a
        ld (ix + 1), 0
        inc ix
        inc ix
        ld hl, RAM + 1
        inc (hl)
        ld bc, 4
        add iy, bc
        jr next
done:
        ld a, DONE
        ld (RAM), a
stop:
        jr stop

; pack.s: the same program for SDCC's sdasz80, which reads pages.s. Reads
; the first and the last byte of every data file of a packed image through
; its page and address, and leaves them in RAM: a word a byte from 0x7002 on,
; their count at 0x7001, and 0xA5 at 0x7000 once all are there.

        .include "pages.s"

        .area CART (ABS)
        .org 0x8000

        .db 0xAA, 0x55          ; the cartridge header
        .dw 0, 0, 0, 0
        .dw start

places:
        ; places begin
        ; places end
        .dw 0                   ; no MegaCart has a page 0

start:
        di
        ld sp, #0x7400
        xor a
        ld (0x7000), a
        ld (0x7001), a
        ld ix, #0x7002
        ld iy, #places
next:
        ld l, 0 (iy)            ; the page
        ld h, 1 (iy)
        ld a, h
        or l
        jr z, done
        ld a, (hl)              ; select its bank
        ld l, 2 (iy)            ; the address
        ld h, 3 (iy)
        ld a, (hl)
        ld 0 (ix), a
        ld 1 (ix), #0
        inc ix
        inc ix
        ld hl, #0x7001
        inc (hl)
        ld bc, #4
        add iy, bc
        jr next
done:
        ld a, #0xA5
        ld (0x7000), a
stop:
        jr stop

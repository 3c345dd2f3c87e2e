; program.asm: the example's program, for pasmo:
;
;   romweld -q --plan --equ pages.equ game.rom program.bin title.dat level1.dat music.dat
;   pasmo program.asm program.bin
;
; It runs from the image's last bank, which the MegaCart maps fixed at
; 0x8000, and reads every bank of the data files: it selects each one by
; its page, which pages.equ gives, so that it appears at 0xC000, and sums
; the 16,128 bytes of data a bank holds. The sums go to RAM, for a test to
; read: one word a bank from 0x7002 on, their count at 0x7001, and 0xA5 at
; 0x7000 once all are there.

        include "pages.equ"

RAM     equ 0x7000              ; the console's 1 KB
WINDOW  equ 0xC000              ; where the selected bank appears
PIECE   equ 16128               ; the data a bank holds; its last 256 bytes stay clear
DONE    equ 0xA5

        org 0x8000

        ; The cartridge header: the console starts a cartridge only if its
        ; first two bytes are AA 55 (or 55 AA, which skips the title
        ; screen), and jumps to the word at 0x800A.
        db 0xAA, 0x55
        dw 0, 0, 0, 0           ; sprite tables, work buffer, controller map: unused
        dw start

        ; Each data file: its first page and its bank count. Reading a page,
        ; any address from 0xFFC0 up, selects its bank.
files:
        ; files begin
        dw TITLE_DAT, TITLE_DAT_BANKS
        dw LEVEL1_DAT, LEVEL1_DAT_BANKS
        dw MUSIC_DAT, MUSIC_DAT_BANKS
        ; files end
        dw 0                    ; no MegaCart has a page 0

start:
        di
        ld sp, RAM + 0x400
        xor a
        ld (RAM), a
        ld (RAM + 1), a
        ld ix, RAM + 2
        ld iy, files
next_file:
        ld l, (iy + 0)          ; hl: the file's first page
        ld h, (iy + 1)
        ld a, h
        or l
        jr z, done
        ld e, (iy + 2)          ; de: its banks
        ld d, (iy + 3)
        ld bc, 4
        add iy, bc
next_bank:
        ld a, d
        or e
        jr z, next_file
        ld a, (hl)              ; select the bank
        push hl
        push de
        call sum_bank
        ld (ix + 0), e
        ld (ix + 1), d
        inc ix
        inc ix
        ld hl, RAM + 1
        inc (hl)
        pop de
        pop hl
        inc hl                  ; the next bank's page
        dec de
        jr next_bank
done:
        ld a, DONE
        ld (RAM), a
stop:
        jr stop

; The sum of the data bytes of the selected bank, in de.
sum_bank:
        ld hl, WINDOW
        ld bc, PIECE
        ld de, 0
sum_next:
        ld a, (hl)
        add a, e
        ld e, a
        jr nc, sum_carried
        inc d
sum_carried:
        inc hl
        dec bc
        ld a, b
        or c
        jr nz, sum_next
        ret

; bank.s: selecting the bank at 0xC000.
;
; A read of 0xFFC0 + n selects bank n, counted modulo the image's banks, so
; reading 0xFFC0 + (n mod 64) selects bank n of any image up to 1 MB. The
; MegaCart cannot tell which bank it shows, so the number is kept in RAM for
; get_bank.
;
; set_bank and get_bank are what SDCC's trampoline for __banked calls
; (___sdcc_bcall_ehl in z80.lib, which Debian's sdcc-libraries ships as
; __sdcc_bcall.s) calls: set_bank takes the bank in A and must leave every
; other register as it was, as the trampoline holds the function's address
; in HL on the way in and its result in DE and HL on the way out; get_bank
; gives the bank in A. The C names are the same code: with SDCC 4.2's
; default calling convention (sdcccall 1) an unsigned char argument comes in
; A and an unsigned char result goes back in A.

        .module bank

        .area   _DATA
current:
        .ds     1

        .area   _CODE
_set_bank::
set_bank::
        push    hl
        push    af
        ld      (current), a
        and     a, #0x3F
        or      a, #0xC0
        ld      l, a
        ld      h, #0xFF
        ld      a, (hl)         ; the read is the switch; what it reads is nothing
        pop     af
        pop     hl
        ret

_get_bank::
get_bank::
        ld      a, (current)
        ret

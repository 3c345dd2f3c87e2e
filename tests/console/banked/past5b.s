; past5b.s: one more module in BANK5 when data5.c already fills its window
; to 0xFEFF. Its buffer covers 0xFF00-0xFFFF, so no byte of it is in the
; .ihx there; the bytes after the buffer land at 0x0000 of the next segment.

        .module past5b
        .area   _BANK5
buffer:
        .ds     256
after:
        .db     1, 2, 3, 4

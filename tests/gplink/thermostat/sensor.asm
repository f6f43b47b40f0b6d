; The sensor module: ROM 8 (.code) + 3 (the image of its .idata); RAM 4 (.udata) + 3 (.idata).
; The linker merges the .idata of all modules (5 bytes) and rounds its image up to even (6): the
; byte added comes after the last module's values, display.asm's.
        list    p=18f4520
        include <p18f4520.inc>

        global  read_sensor

        code
read_sensor:
        movf    raw, W, A               ; 2
        addwf   offset, W, A            ; 2
        movwf   raw+1, A                ; 2
        return                          ; 2   = 8

        udata
raw     res     4                       ; 4

        idata
offset  db      0x10, 0x20, 0x30        ; 3

SCRATCH udata_ovr
stmp    res     5                       ; 5: the overlay takes the larger, 5

        end

; The display module: ROM 6 (.code) + 7 (code_pack table) + 2 (the image of its .idata) + 1 (the
; byte that rounds the merged image up to even); RAM 1 (udata_acs) + 2 (.idata) + 16 (udata).
        list    p=18f4520
        include <p18f4520.inc>

        global  show

        code
show:
        movwf   digit, A                ; 2
        tblrd*+                         ; 2
        return                          ; 2   = 6

FONT    code_pack
font    db      0x3f, 0x06, 0x5b, 0x4f, 0x66, 0x6d, 0x7d   ; 7

DISPACC udata_acs
digit   res     1                       ; 1

        idata
bright  db      0x80, 0x01              ; 2

LCDBUF  udata
lcd     res     d'16'                  ; 16

        end

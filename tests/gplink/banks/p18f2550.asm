; A processor-definition module of our own, as C18's are: a few special function registers as an
; absolute data section whose every symbol comes from this file. It names the part, and takes
; no RAM of the program.
        list    p=18f2550

        global  PORTB, LATB, TRISB

SFR_UNBANKED0 udata_acs 0xF81
PORTB   res     1
        res     8
LATB    res     1
        res     8
TRISB   res     1                       ; 0xF81-0xF93: 19 bytes

        end

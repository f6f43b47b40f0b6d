; A module without a single label: its 6 bytes of code have no owner the map can name.
        list    p=18f4520
        include <p18f4520.inc>

PADDING code
        nop                             ; 2
        nop                             ; 2
        nop                             ; 2   = 6

        end

; An accumulator's module, linked after uart.asm: its variables follow that module's in the same
; merged sections. ROM 4 (.code) + 2 (its byte of .idata_acs's image, which gplink rounds up to
; even), RAM 3 (.udata_acs) + 1 (.idata_acs) + 1 (.udata).
        list    p=18f4520

        global  add

        udata_acs
acc     res     3                       ; 3

        idata_acs
one     db      1                       ; 1, and 1 byte of image (and the even byte)

        udata
tmp     res     1                       ; 1

        code
add:
        addwf   acc, F, A               ; 2
        return                          ; 2   = 4

        end

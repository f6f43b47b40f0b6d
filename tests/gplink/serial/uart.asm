; A serial port's module. Its variables go into sections it gives no name, which gplink merges
; with those of math.asm: ROM 6 (.code) + 2 (its part of .idata_acs's image), RAM 2 (.udata_acs)
; + 2 (.idata_acs) + 4 (.udata).
        list    p=18f4520

        global  send

        udata_acs
flags   res     2                       ; 2

        idata_acs
baud    db      0x40, 0x03              ; 2, and 2 bytes of image

        udata
rxbuf   res     4                       ; 4

        code
send:
        movf    flags, W, A             ; 2
        movwf   rxbuf, B                ; 2
        return                          ; 2   = 6

        end

; Blinks an LED: ROM 4 (vector, no label) + 14 (BLINKCODE), RAM 1, other 1 (config).
        list    p=18f4520

        config  WDT = OFF

        extern  LATB, TRISB, TMR2

VECTOR  code    0x0000
        goto    start                   ; 4

BLINKCODE code
start:
        clrf    TRISB, A                ; 2
toggle:
        btg     LATB, 0, A              ; 2
        movf    TMR2, W, A              ; 2
        movwf   count, A                ; 2
        decfsz  count, F, A             ; 2
        bra     $-2                     ; 2
        bra     toggle                  ; 2   = 14

COUNTER udata_acs
count   res     1                       ; 1

        end

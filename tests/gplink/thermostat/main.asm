; The thermostat's main module. Bytes it defines (PIC18 instructions are 2 bytes, goto and call
; 4): ROM 4 (vector, which has no label) + 20 (MAINCODE), RAM 2 (udata), other 2 (config).
        list    p=18f4520
        include <p18f4520.inc>

        config  OSC = HS, WDT = OFF

        extern  read_sensor, show
        global  start

VECTOR  code    0x0000
        goto    start                   ; 4

MAINCODE code
start:
        clrf    mode, A                 ; 2
loop:
        call    read_sensor             ; 4
        movwf   setpoint, A             ; 2
        call    show                    ; 4
        incf    mode, F, A              ; 2
        bra     loop                    ; 2
        nop                             ; 2
        nop                             ; 2   = 20

MAINVARS udata
mode    res     1
setpoint res    1                       ; 2

SCRATCH udata_ovr
mtmp    res     3                       ; 3, shared with sensor.asm's 5

        end

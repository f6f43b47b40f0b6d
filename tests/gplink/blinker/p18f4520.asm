; A processor-definition module of our own, made as C18's are: the special function registers as
; absolute data sections whose every symbol comes from this file. They take no RAM of the program.
        list    p=18f4520

        global  PORTA, PORTB, LATA, LATB, TRISA, TRISB, T2CON, PR2, TMR2

SFR_UNBANKED0 udata_acs 0xF80
PORTA   res     1
PORTB   res     1
        res     7
LATA    res     1
LATB    res     1
        res     7
TRISA   res     1
TRISB   res     1                       ; 0xF80-0xF93: 20 bytes

TIMER2_REGS udata_acs 0xFCA
T2CON   res     1
PR2     res     1
TMR2    res     1                       ; 3 bytes

        end

; Data placed bank by bank on an 18F2550, so that every region's use is known:
;   accessram  4 bytes at 0x010            (free 92, largest block 76: 0x014-0x05F)
;   gpr1       128 bytes at 0x100          (free 128 from 0x180)
;   gpr2       16 bytes at 0x280           (free 240, largest block 128: 0x200-0x27F)
;   gpr4       256 bytes at 0x400, full    (USB RAM)
;   page       4 bytes at 0 and 12 at 0x200
;   config     1 byte (CONFIG2H at 0x300003): largest block 10, 0x300004-0x30000D
;   eedata     4 bytes at 0xF00000
        list    p=18f2550

        config  WDT = OFF

        extern  LATB

FLAGS   udata_acs 0x010
flags   res     4

BUFFER  udata   0x100
buffer  res     0x80

TABLE   udata   0x280
table   res     0x10

USBRAM  udata   0x400
usbram  res     0x100

VECTOR  code    0x0000
        goto    start                   ; 4

MAIN    code    0x0200
start:
        clrf    flags, A                ; 2
        movlb   1                       ; 2
        clrf    buffer, B               ; 2
        incf    LATB, F, A              ; 2
        bra     start                   ; 2
        nop                             ; 2 = 12

EEPROM  code_pack 0xF00000
        de      1, 2, 3, 4

        end

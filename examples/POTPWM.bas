; POTPWM: pot driving PWM.
; Type a number from 0 to 255 into the Pot Input box, then Run (F5). The
; program reads it with Pot, writes it out with PWM (the LastPWM box shows the
; voltage, 255 being 5.00 V) and draws it as a bar on LEDs 7 to 2. Change the
; number while it runs and the box and the bar follow. With the box empty,
; every Pot asks for the value in a prompt.
;
; Rebuild: qx9asm examples/POTPWM.bas

        Let Dirs = 252                  ; pins 2..7 outputs for the bar; pin 0 is the pot, pin 1 the PWM output
follow:
        Pot 0, 100, B0                  ; B0 = the Pot Input box (a prompt when it is empty)
        PWM 1, B0, 10                   ; LastPWM shows B0 as a voltage, 0..255 as 0.00..5.00
        Let B1 = B0 / 37                ; 0..6 LEDs for the bar
        ; the bar grows from LED 7 to the right: 0, 1, 2 ... 6 LEDs lit
        Lookup B1, (0, 128, 192, 224, 240, 248, 252), Pins
        Pause 200
        Goto follow

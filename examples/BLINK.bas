; BLINK: LEDs blinking with Pause.
; Half the LEDs are lit, in a 01010101 pattern, and every half second the
; pattern swaps. Run (F5) shows the blink; Step (F8) skips the pauses, so each
; step through the loop swaps the LEDs at once.
;
; Rebuild: qx9asm examples/BLINK.bas

        Let Dirs = 255          ; all eight pins are outputs, so the LEDs show their levels
        Let Pins = 85           ; every other LED lit: 01010101
blink:
        Pause 500               ; half a second while running; skipped when stepping
        Let Pins = Pins ^ 255   ; swap: the lit LEDs go dark, the dark ones light
        Goto blink              ; and again

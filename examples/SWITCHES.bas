; SWITCHES: switches copied to LEDs.
; Pins 0..3 are inputs, set by the four switches on the right; pins 4..7 are
; outputs. While running, each switch under LEDs 0..3 lights its own LED (the
; level of the input pin) and, four places to the left, the copy this program
; makes. The switches under LEDs 4..7 are disabled: those pins are outputs.
;
; Rebuild: qx9asm examples/SWITCHES.bas

        Let Dirs = 240                  ; pins 4..7 outputs (LEDs), pins 0..3 inputs (switches)
copy:
        Let B0 = Pins * 16              ; the switch levels, moved to the upper four bits of B0
        Let Pins = Pins & 15 | B0       ; keep the inputs, copy them onto LEDs 4..7
        Goto copy                       ; forever

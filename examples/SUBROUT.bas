; SUBROUT: a subroutine to try Step Over on.
; The main loop calls a subroutine that sweeps one lit LED from right to left,
; then counts the sweeps in B0 and shows the count on the LEDs in binary.
; Step (F8) until the panel shows Gosub as the next instruction, then press
; Step Over (F10): the whole sweep runs at full speed, Pauses included, and
; stepping resumes after the call. Step (F8) on the Gosub instead follows the
; sweep instruction by instruction.
;
; Rebuild: qx9asm examples/SUBROUT.bas

        Let Dirs = 255          ; all pins outputs
main:
        Gosub sweep             ; Step (F8) goes into the sweep; Step Over (F10) runs it whole
        Let B0 = B0 + 1         ; count the sweeps
        Let Pins = B0           ; and show the count in binary
        Pause 1000              ; one second while running
        Goto main

; One lit LED walks from LED 0 to LED 7. The loop ends when the doubling
; shifts the bit out of the byte, so it needs no counter.
sweep:
        Let B1 = 1              ; start with LED 0
light:
        Let Pins = B1           ; light one LED
        Pause 150
        Let B1 = B1 * 2         ; the next one to the left; after LED 7 the byte runs over to 0
        If B1 <> 0 Then light   ; until all eight have had their turn
        Return                  ; back to the caller: a Step Over stops here

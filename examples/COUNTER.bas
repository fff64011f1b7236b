; COUNTER: a counter with For/Next.
; Counts from 0 up to 255 in binary on the LEDs with one For/Next loop, then
; back down to 1 with a second one counting down, and over again; B0 in the W0
; row holds the count. Run (F5) gives ten counts a second; type a value into
; the W0 box while stepping to jump ahead.
;
; Rebuild: qx9asm examples/COUNTER.bas

        Let Dirs = 255          ; all pins outputs
again:
        For B0 = 0 To 255       ; count up from 0, step 1
          Let Pins = B0         ; show B0 in binary
          Pause 100
        Next B0

        For B0 = 254 To 1       ; and back down from 254: the start is the larger, so Next counts down
          Let Pins = B0
          Pause 100
        Next B0

        Goto again

; TUNE: a tune with Sound.
; Plays a short rising C major jingle on pin 0, one note per Sound, and lights
; a growing bar of LEDs with it; the last Sound holds a rest and two notes.
; The notes play in stepping and in running alike; while running, a
; two-second Pause follows each round.
;
; Each Sound pair is (note, duration): note 0 is a rest, 1..127 rise in pitch;
; the duration counts in 12 ms units. The notes closest to a C major chord:
;   82 = C (261 Hz), 92 = E (333 Hz), 97 = G (386 Hz), 105 = high C (520 Hz)
;
; Rebuild: qx9asm examples/TUNE.bas

        Let Dirs = 255                          ; all pins outputs; pin 0 drives the speaker
tune:
        Let Pins = 2                            ; a bar that grows with the tune
        Sound 0, (82, 12)                       ; C, 144 ms
        Let Pins = 6
        Sound 0, (92, 12)                       ; E
        Let Pins = 14
        Sound 0, (97, 12)                       ; G
        Let Pins = 30
        Sound 0, (105, 30)                      ; high C, held
        Let Pins = 0
        Sound 0, (0, 10, 97, 12, 105, 45)       ; a rest, then G and a long high C in one Sound
        Let Pins = 254
        Pause 2000                              ; two seconds' quiet while running
        Goto tune

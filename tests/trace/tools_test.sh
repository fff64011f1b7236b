#!/bin/sh
# The tools of the field read what qx9run writes:
#   tools_test.sh sigrok|gtkwave|sox QX9RUN EXAMPLES_DIR
# Exits 77 (skipped) when the tool is not installed; scripts/bootstrap installs them.
set -eu
tool=$1
qx9run=$2
examples=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

need() {
  for program in "$@"; do
    command -v "$program" >/dev/null 2>&1 || { echo "skipped: $program is not installed"; exit 77; }
  done
}

fail() {
  echo "FAIL: $*"
  exit 1
}

# Every value each variable takes, one "name time value" line per change, whatever the layout of the
# dump (one change a line, or a time stamp and its changes on one line) and the identifiers chosen.
transitions() {
  awk '
    function record(id, value) {
      if (!(id in name)) return
      sub(/^0+/, "", value); if (value == "") value = "0"
      if (last[id] == value) return
      last[id] = value
      print name[id], time, value
    }
    {
      for (i = 1; i <= NF; i++) {
        t = $i
        if (skipping) { if (t == "$end") skipping = 0; continue }
        if (t == "$var") { name[$(i + 3)] = $(i + 4); i += 5; continue }
        if (t == "$dumpvars" || t == "$end") continue
        if (t ~ /^\$/) { skipping = 1; continue }
        if (t ~ /^#/) { time = substr(t, 2) + 0; continue }
        if (t ~ /^[bB]/) { record($(i + 1), substr(t, 2)); i++; continue }
        record(substr(t, 2), substr(t, 1, 1))
      }
    }' "$1" | sort -k1,1 -k2,2n -s
}

case "$tool" in
sigrok)
  need sigrok-cli
  "$qx9run" --run --steps 12 --quiet --vcd "$work/blink.vcd" "$examples/BLINK.OBJ" >/dev/null
  # The sigrok library of Debian 12 reads 1-bit signals only and stops at the first wider value, so
  # it gets the dump without the vector lines (the lines starting with b); the wires are unchanged.
  grep -v '^b' "$work/blink.vcd" >"$work/pins.vcd"
  sigrok-cli -I vcd -i "$work/pins.vcd" -O vcd >"$work/back.vcd" 2>"$work/sigrok.err" ||
    fail "sigrok-cli could not read the dump: $(cat "$work/sigrok.err")"
  transitions "$work/pins.vcd" | grep -E '^(pin|dir)' >"$work/want"
  transitions "$work/back.vcd" >"$work/got"
  diff "$work/want" "$work/got" || fail "sigrok-cli read other transitions"
  grep -q '^\$timescale 1 us \$end$' "$work/back.vcd" || fail "sigrok-cli did not read the dump in microseconds"
  # A tick is 1 ms and runs one instruction: Let Dirs, then Let Pins lights pin 0 at 2 ms. The pins swap
  # every 500 ms of Pause plus the 1 ms ticks of the Let and the Goto, so pin 0 repeats every 1004 ms.
  printf 'pin0 0 0\npin0 2000 1\npin0 503000 0\npin0 1005000 1\npin0 1507000 0\n' >"$work/pin0"
  grep '^pin0 ' "$work/got" | diff "$work/pin0" - || fail "sigrok-cli read another period of pin0"
  ;;
gtkwave)
  need vcd2fst fst2vcd
  # vcd2fst parses the whole dump as the viewer does; reading its result back must give every change.
  "$qx9run" --steps 13 --quiet --vcd "$work/tune.vcd" "$examples/TUNE.OBJ" >/dev/null
  vcd2fst "$work/tune.vcd" "$work/tune.fst" >"$work/vcd2fst.out" 2>&1 || fail "vcd2fst: $(cat "$work/vcd2fst.out")"
  fst2vcd "$work/tune.fst" >"$work/back.vcd" 2>"$work/fst2vcd.err" || fail "fst2vcd: $(cat "$work/fst2vcd.err")"
  transitions "$work/tune.vcd" >"$work/want"
  transitions "$work/back.vcd" >"$work/got"
  diff "$work/want" "$work/got" || fail "the viewer's reader saw other values"
  grep -q '^\$scope module qx9 \$end$' "$work/back.vcd" || fail "the viewer's reader lost the scope qx9"
  names=$(awk '$1 == "$var" { printf "%s ", $5 }' "$work/back.vcd")
  [ "$names" = "pin0 pin1 pin2 pin3 pin4 pin5 pin6 pin7 dir0 dir1 dir2 dir3 dir4 dir5 dir6 dir7 port W0 W1 W2 W3 W4 W5 W6 tone_hz " ] ||
    fail "the viewer's reader saw the variables $names"
  # tone_hz is the note's frequency while it sounds, else 0; the rest at 800 ms, then two notes back to
  # back: one change where the first ends and the second begins.
  cat >"$work/tones" <<'END'
tone_hz 0 0
tone_hz 2000 100000101
tone_hz 146000 0
tone_hz 148000 101001101
tone_hz 292000 0
tone_hz 294000 110000010
tone_hz 438000 0
tone_hz 440000 1000001000
tone_hz 800000 0
tone_hz 922000 110000010
tone_hz 1066000 1000001000
tone_hz 1606000 0
END
  grep '^tone_hz ' "$work/got" | diff "$work/tones" - || fail "the viewer's reader saw other tones"
  ;;
sox)
  need sox soxi
  "$qx9run" --steps 13 --quiet --wav "$work/tune.wav" "$examples/TUNE.OBJ" >/dev/null
  sox --i "$work/tune.wav" >"$work/info"
  for line in 'Channels *: 1$' 'Sample Rate *: 44100$' 'Precision *: 16-bit$' \
              'Sample Encoding: 16-bit Signed Integer PCM$' '= 70384 samples'; do
    grep -q "$line" "$work/info" || fail "sox --i does not say '$line': $(cat "$work/info")"
  done
  sox "$work/tune.wav" -n stat 2>"$work/stat"
  # 1596 ms: the first round's four notes, its rest and its last two notes, back to back.
  for line in 'Samples read: *70384$' 'Length (seconds): *1.5960' 'Maximum amplitude: *0.48828' \
              'Minimum amplitude: *-0.48828'; do
    grep -q "$line" "$work/stat" || fail "sox stat does not say '$line': $(cat "$work/stat")"
  done
  # A program that never sounds still gives a valid file, of no samples.
  "$qx9run" --steps 6 --quiet --wav "$work/quiet.wav" "$examples/BLINK.OBJ" >/dev/null
  [ "$(soxi -s "$work/quiet.wav")" = 0 ] || fail "soxi does not read the silent file as 0 samples"
  ;;
*)
  fail "unknown tool $tool"
  ;;
esac
echo "ok: $tool"

#!/usr/bin/env bash
# Runs TEST-EXE RECORDING RATE CHANNELS (it plays and then checks the recording) under a private sound
# server whose only output is a pipe recorded to a file, at RATE Hz with CHANNELS channels.
#
#   audio_e2e.sh TEST-EXE [RATE [CHANNELS [MODE]]]      (default: 48000 Hz, mono; MODE is passed on)
#
# Exits 77 (ctest: skipped) when no sound server can be started here; never passes without one.
set -uo pipefail
exe=$1
rate=${2:-48000}
channels=${3:-1}
mode=("${@:4}")

skip() {
  echo "SKIPPED: $*" >&2
  exit 77
}
command -v pulseaudio >/dev/null && command -v pactl >/dev/null || skip "pulseaudio or pactl not installed"

# Everything private: the server's sockets, its cookie and state, and the recording.
work=$(mktemp -d)
chmod 0700 "$work"
export HOME=$work XDG_RUNTIME_DIR=$work/run PULSE_RUNTIME_PATH=$work/run/pulse
mkdir -m 0700 "$XDG_RUNTIME_DIR" "$PULSE_RUNTIME_PATH"
unset PULSE_SERVER PULSE_SINK
reader=
cleanup() {
  local pid
  pid=$(cat "$PULSE_RUNTIME_PATH/pid" 2>/dev/null) && kill "$pid" 2>/dev/null
  [[ -n $reader ]] && kill "$reader" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

pulseaudio -n --daemonize=yes --exit-idle-time=-1 --load=module-native-protocol-unix \
  --log-target=file:"$work/pulse.log" || skip "the sound server does not start"
for _ in $(seq 50); do
  pactl info >/dev/null 2>&1 && break
  sleep 0.1
done
pactl info >/dev/null 2>&1 || skip "the sound server does not answer"

# The pipe sink paced by the system clock, like a sound card; a reader copies its pipe to a file.
mkfifo "$work/out.fifo"
cat "$work/out.fifo" >"$work/recording.raw" &
reader=$!
pactl load-module module-pipe-sink file="$work/out.fifo" sink_name=recorder format=s16le rate="$rate" \
  channels="$channels" use_system_clock_for_timing=yes >/dev/null || skip "the pipe sink cannot be loaded"
pactl set-default-sink recorder || exit 1

# The recording is real time: on a busy machine the server may miss a deadline and put a gap into a
# tone. A second try, recorded afresh, tells such a gap from a fault (which fails both).
"$exe" "$work/recording.raw" "$rate" "$channels" "${mode[@]}" && exit 0
echo "audio_e2e: the first recording failed its checks; recording once more" >&2
: >"$work/recording.raw"
"$exe" "$work/recording.raw" "$rate" "$channels" "${mode[@]}"

#!/usr/bin/env bash
# Runs TEST-EXE on a private virtual X server without a window manager, where keys pressed through
# xdotool arrive as a user's do: at whichever window holds the X input focus.
#
#   focus_e2e.sh TEST-EXE
#
# Exits 77 (ctest: skipped) when xvfb-run or xdotool is missing.
set -uo pipefail
exe=$1
for tool in xvfb-run xdotool; do
  command -v "$tool" >/dev/null || { echo "SKIPPED: $tool not installed" >&2; exit 77; }
done
work=$(mktemp -d)
chmod 0700 "$work"
trap 'rm -rf "$work"' EXIT
# A box nobody answers fails its test within half a minute instead of hanging.
export XDG_RUNTIME_DIR=$work QT_QPA_PLATFORM=xcb QTEST_FUNCTION_TIMEOUT=30000
unset QT_SCALE_FACTOR QT_FONT_DPI QT_SCREEN_SCALE_FACTORS
xvfb-run -a -s "-screen 0 800x600x24" "$exe"

#!/usr/bin/env bash
# Shows the W3 gallery for a while and captures its window:
#   w3-gallery-capture.sh TEST.EXE OUTDIR
# The picture stays in OUTDIR/w3-gallery.png for people to look at; the
# check here is only that it was taken and is no blank window.
set -u
here=$(cd "$(dirname "$0")" && pwd)
tools=$(cd "$here/../../tools" && pwd)
exe=$1
outdir=$2
mkdir -p "$outdir"
png=$outdir/w3-gallery.png
rm -f "$png"

VEL_HOLD_MS=6000 "$tools/wine-run" "$exe" --gtest_also_run_disabled_tests \
  --gtest_filter='*ShowFormForScreenshot*' >"$outdir/w3-gallery.log" 2>&1 &
program=$!
display=$("$tools/xvfb-display")
shown=0
for _ in $(seq 1 150); do
  if xwininfo -display "$display" -name 'W3 gallery' 2>/dev/null | grep -q IsViewable; then
    shown=1
    break
  fi
  sleep 0.1
done
# Painted by then; the program holds the form for seconds more.
sleep 1.5
status=0
if [ "$shown" -eq 1 ]; then
  "$tools/screenshot" --window 'W3 gallery' "$png" >/dev/null || status=1
else
  echo "FAIL: the gallery never showed"
  status=1
fi
wait "$program" || { echo "FAIL: the gallery program failed"; cat "$outdir/w3-gallery.log"; status=1; }
if [ -s "$png" ]; then
  colours=$(convert "$png" -format %k info:)
  echo "picture: $png ($colours colours)"
  [ "$colours" -ge 32 ] || { echo "FAIL: only $colours colours"; status=1; }
else
  echo "FAIL: no picture"
  status=1
fi
exit $status

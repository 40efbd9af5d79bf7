#!/usr/bin/env bash
# Takes a picture of every form in every language that a caption-fit test
# program shows, and puts them on one contact sheet:
#   captionfit-pictures.sh TEST.EXE OUTDIR SHEET.png
# The program prints "picture NAME X Y W H" for each form it holds on the
# screen and waits until OUTDIR/NAME.png is there. The pictures and the
# sheet stay for people to look at; the check here is only that each was
# taken and is no blank window. NAME ends in "-" and the language number.
set -u
here=$(cd "$(dirname "$0")" && pwd)
tools=$(cd "$here/../../tools" && pwd)
exe=$1
outdir=$2
sheet=$3
rm -rf "$outdir"
mkdir -p "$outdir"
log=$outdir/pictures.log
display=$("$tools/xvfb-display")

VEL_PICTURE_DIR=$outdir "$tools/wine-run" "$exe" --gtest_also_run_disabled_tests \
  --gtest_filter='*ShowFormsForPictures*' >"$log" 2>&1 &
program=$!
status=0
pictures=()
while read -r kind name x y w h; do
  [ "$kind" = picture ] || continue
  h=${h%$'\r'}
  # The shown window of that place (a window of an earlier form may still
  # be going away): a capture of the whole screen shows owned windows black.
  id=""
  for candidate in $(xwininfo -display "$display" -root -tree |
    grep -F " ${w}x${h}+${x}+${y} " | awk '{print $1}'); do
    if xwininfo -display "$display" -id "$candidate" | grep -q IsViewable; then
      id=$candidate
      break
    fi
  done
  if [ -z "$id" ]; then
    echo "FAIL: no window for $name at ${w}x${h}+${x}+${y}"
    status=1
    continue
  fi
  "$tools/screenshot" --id "$id" "$outdir/$name.part.png" >/dev/null || status=1
  mv "$outdir/$name.part.png" "$outdir/$name.png"
  colours=$(convert "$outdir/$name.png" -format %k info:)
  [ "$colours" -ge 4 ] || { echo "FAIL: $name has only $colours colours"; status=1; }
  pictures+=("$outdir/$name.png")
done < <(tail -n +1 -s 0.1 -f --pid="$program" "$log")
wait "$program" || { echo "FAIL: the program failed"; cat "$log"; status=1; }
if [ "${#pictures[@]}" -eq 0 ]; then
  echo "FAIL: no picture"
  exit 1
fi
# One row per language: as many columns as forms in the first language.
columns=$(printf '%s\n' "${pictures[@]}" | grep -c -- '-0\.png$')
montage -label '%t' -pointsize 12 -tile "${columns}x" -geometry '420x420>+6+6' -background '#d0d0d0' "${pictures[@]}" "$sheet" ||
  status=1
echo "${#pictures[@]} pictures, sheet: $sheet"
exit $status

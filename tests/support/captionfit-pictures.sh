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
program_name=$(basename "$exe")
status=0
pictures=()

# take NAME GEOMETRY: the shown window of this program at that place, as
# NAME.png. A capture of the whole screen would show owned windows black;
# a window of an earlier form, or of another program, may be going away, so
# a failed capture is tried again.
take() {
  local id
  for _ in $(seq 1 20); do
    for id in $(xwininfo -display "$display" -root -tree |
      grep -F "\"$program_name\")" | grep -F " $2 " | awk '{print $1}'); do
      if xwininfo -display "$display" -id "$id" 2>/dev/null | grep -q IsViewable &&
        "$tools/screenshot" --id "$id" "$outdir/$1.part.png" >/dev/null 2>&1; then
        mv "$outdir/$1.part.png" "$outdir/$1.png"
        return 0
      fi
    done
    sleep 0.2
  done
  return 1
}
while read -r kind name x y w h; do
  [ "$kind" = picture ] || continue
  h=${h%$'\r'}
  if ! take "$name" "${w}x${h}+${x}+${y}"; then
    echo "FAIL: no picture of $name at ${w}x${h}+${x}+${y}"
    status=1
    continue
  fi
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
montage -label '%t' -pointsize 12 -tile "${columns}x" -geometry '420x420>+6+6' \
  -background '#d0d0d0' "${pictures[@]}" "$sheet" || status=1
echo "${#pictures[@]} pictures, sheet: $sheet"
exit $status

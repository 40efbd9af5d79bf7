#!/usr/bin/env bash
# Shows the gallery form, captures it with tools/screenshot and checks the
# picture with ImageMagick:
#   gallery-check.sh GALLERY.EXE OUTDIR
# The pictures stay in OUTDIR: gallery.png (the form) and gallery-popup.png
# (the screen with the popup menu open). The program writes the layout it
# painted (control rectangles within the window, the menu bar, sample points
# with their expected colour) and the popup menu's rectangle; every check
# below reads them.
set -u
here=$(cd "$(dirname "$0")" && pwd)
tools=$(cd "$here/../../../tools" && pwd)
exe=$1
outdir=$2
mkdir -p "$outdir"
layout=$outdir/gallery-layout.txt
release=$outdir/gallery-release
png=$outdir/gallery.png
popup=$outdir/gallery-popup.txt
popup_release=$outdir/gallery-popup-release
popup_png=$outdir/gallery-popup.png
rm -f "$layout" "$release" "$png" "$popup" "$popup_release" "$popup_png"

failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

"$tools/wine-run" "$exe" "Z:$layout" "Z:$release" "Z:$popup" "Z:$popup_release" &
program=$!
# Waits until file holds its last line, "end", or the program ended.
await() {
  for _ in $(seq 1 600); do
    grep -q '^end' "$1" 2>/dev/null && return 0
    kill -0 "$program" 2>/dev/null || return 1
    sleep 0.1
  done
  return 1
}
finish() {
  touch "$release" "$popup_release"
  wait "$program"
  local status=$?
  [ "$status" -eq 0 ] || fail "the gallery program ended with $status"
}

if ! await "$layout"; then
  fail "no layout from the gallery program"
  finish
  exit 1
fi
"$tools/screenshot" --window Gallery "$png" >/dev/null || fail "no capture"

# The popup menu, opened by a right click on a panel.
touch "$release"
if await "$popup"; then
  # The menu is a window of its own; the root picture shows it black, so it
  # is taken by its X window, found by its place and size.
  geometry=$(awk '$1 == "popup" { printf "%dx%d+%d+%d", $4, $5, $2, $3 }' "$popup" | tr -d '\r')
  id=$(xwininfo -display "$("$tools/xvfb-display")" -root -tree |
    awk -v g=" $geometry " 'index($0, g) { print $1; exit }')
  if [ -n "$id" ]; then
    "$tools/screenshot" --id "$id" "$popup_png" >/dev/null || fail "no capture of the popup menu"
  else
    fail "no window for the popup menu at $geometry"
  fi
else
  fail "the popup menu did not open"
fi
finish
[ -s "$png" ] || exit 1
# Written on the Windows side, with CR LF line ends.
sed -i 's/\r$//' "$layout"

# ---- Measures on the picture ----

# format EXPR [crop WxH+X+Y]: an ImageMagick format string over the picture
# or a part of it.
measure() {
  local format=$1
  shift
  if [ $# -gt 0 ]; then
    convert "$png" -crop "$1" +repage -format "$format" info:
  else
    convert "$png" -format "$format" info:
  fi
}

# The colours of a region of $picture (by default the form's), one
# "count rrggbb" line each.
histogram() {
  convert "${picture:-$png}" -crop "$1" +repage -depth 8 -format %c histogram:info:- |
    sed -n 's/^ *\([0-9]*\):.*#\([0-9A-Fa-f]\{6\}\).*/\1 \2/p'
}

# Pixels of a region whose colour passes an awk test on r, g, b (0-255).
count_where() {
  histogram "$1" | awk -v test="$2" '
    function hex(s) { return index("0123456789abcdef", tolower(substr(s,1,1))) * 16 - 16 + index("0123456789abcdef", tolower(substr(s,2,1))) - 1 }
    { r = hex(substr($2,1,2)); g = hex(substr($2,3,2)); b = hex(substr($2,5,2));
      if ((test == "red" && r > 160 && g < 90 && b < 90) ||
          (test == "green" && g > 90 && r < 90 && b < 90) ||
          (test == "blue" && b > 160 && r < 90 && g < 90) ||
          (test == "yellow" && r > 200 && g > 150 && b < 80) ||
          (test == "dark" && r + g + b < 240)) n += $1 }
    END { print n + 0 }'
}

# A control's rectangle as a crop geometry: NAME -> WxH+X+Y.
rect_of() {
  awk -v n="$1" '$1 == "control" && $2 == n { printf "%dx%d+%d+%d\n", $6, $7, $4, $5 }' "$layout"
}

# Not blank: many colours and a spread of brightness.
colours=$(measure '%k')
spread=$(measure '%[fx:standard_deviation]')
echo "colours $colours, standard deviation $spread"
[ "$colours" -ge 64 ] || fail "only $colours colours"
awk -v s="$spread" 'BEGIN { exit !(s > 0.12) }' || fail "standard deviation $spread"

# Every control drew something: no rectangle is one plain colour.
while read -r kind name class x y w h; do
  [ "$kind" = control ] || continue
  if [ "$w" -le 0 ] || [ "$h" -le 0 ]; then
    fail "$name ($class) has no size"
    continue
  fi
  n=$(measure '%k' "${w}x${h}+${x}+${y}")
  [ "$n" -gt 1 ] || fail "$name ($class) is one plain colour"
done <"$layout"

# Sample points hold their colour, within a small tolerance.
while read -r kind name x y expected; do
  [ "$kind" = sample ] || continue
  got=$(convert "$png" -depth 8 -format "%[hex:p{$x,$y}]" info: | cut -c1-6)
  awk -v a="$expected" -v b="$got" '
    function hex(s) { return index("0123456789abcdef", tolower(substr(s,1,1))) * 16 - 16 + index("0123456789abcdef", tolower(substr(s,2,1))) - 1 }
    BEGIN { for (i = 1; i <= 5; i += 2) { d = hex(substr(a,i,2)) - hex(substr(b,i,2)); if (d > 8 || d < -8) exit 1 } }' ||
    fail "$name at $x,$y is #$got, not #$expected"
done <"$layout"

# The rich edit shows its three colours.
rich=$(rect_of RichColours)
for colour in red blue green; do
  n=$(count_where "$rich" "$colour")
  [ "$n" -gt 10 ] || fail "the rich edit has no $colour text ($n pixels)"
done

# The progress bar is half full: its halves differ.
read -r w h x y < <(rect_of ProgressHalf | tr 'x+' '   ')
half=$((w / 2))
left=$(measure '%[fx:mean]' "$((half - 4))x$((h - 4))+$((x + 2))+$((y + 2))")
right=$(measure '%[fx:mean]' "$((half - 4))x$((h - 4))+$((x + half + 2))+$((y + 2))")
awk -v l="$left" -v r="$right" 'BEGIN { d = l - r; exit !(d > 0.03 || d < -0.03) }' ||
  fail "the progress bar's halves look alike ($left, $right)"

# The tool bar shows the strip's images.
bar=$(rect_of ToolBar1)
found=0
for colour in red green blue yellow; do
  [ "$(count_where "$bar" "$colour")" -gt 20 ] && found=$((found + 1))
done
[ "$found" -ge 3 ] || fail "the tool bar shows $found of the strip's colours"

# The wide sample shows its characters.
[ "$(count_where "$(rect_of WideSample)" dark)" -gt 40 ] || fail "the wide sample shows no text"

# The menu bar carries text.
band=$(awk '$1 == "menubar" { printf "%dx%d+%d+%d", $4, $5, $2, $3 }' "$layout")
if [ -z "$band" ]; then
  fail "no menu bar"
else
  [ "$(count_where "$band" dark)" -gt 20 ] || fail "the menu bar shows no text"
fi

# The popup menu shows its item.
if [ -s "$popup_png" ]; then
  whole=$(convert "$popup_png" -format '%wx%h+0+0' info:)
  n=$(picture=$popup_png histogram "$whole" | wc -l)
  [ "$n" -gt 2 ] || fail "the popup menu is blank ($n colours)"
  dark=$(picture=$popup_png count_where "$whole" dark)
  [ "$dark" -gt 10 ] || fail "the popup menu shows no text"
fi

echo "pictures: $png $popup_png"
[ "$failures" -eq 0 ] || { echo "$failures checks failed"; exit 1; }
echo "all checks passed"
